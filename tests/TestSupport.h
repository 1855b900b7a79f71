#pragma once

#include <QComboBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTableView>
#include <QTimer>
#include <QVariantList>
#include <deque>
#include <memory>
#include <vector>

#include "db/Connection.h"
#include "output/Report.h"
#include "ui/Dialogs.h"

namespace db {
class Dataset;
}
class Tuj_tanulo_Form;

namespace testing {

// Path and connection string of a fresh school database on the private test server.
struct TestDatabase {
    QString path;
    QString connectionString;
};
// options: "" (reference data only), "--demo", or "--students N"
TestDatabase createDatabase(const QString& name, const QStringList& options = {});
QString scratchFolder(const QString& name); // empty, made anew
QString sourceDir();

// Answers the program's dialogs and remembers every one of them.
class FakeDialogs : public ui::DialogService {
  public:
    struct Shown {
        ui::DialogKind kind;
        QString title;
        QString text;
        ui::DialogButtons buttons;
        QWidget* window = nullptr; // the new window that owns the box
    };
    FakeDialogs() { ui::setDialogService(this); }
    ~FakeDialogs() override { ui::setDialogService(nullptr); }
    ui::DialogAnswer show(ui::DialogKind kind, const QString& title, const QString& text,
                          ui::DialogButtons buttons) override;
    ui::DialogAnswer showFor(QWidget* window, ui::DialogKind kind, const QString& title, const QString& text,
                             ui::DialogButtons buttons) override;
    void answer(ui::DialogAnswer a) { answers.push_back(a); }
    void clear() { shown.clear(); }
    QStringList texts() const;
    std::vector<Shown> shown;
    std::deque<ui::DialogAnswer> answers; // Yes/No questions take these in order, else No
};

// Every control that shows is inside the window, overlaps no other, and its text fits
// (a label that wraps excepted); the empty text when so, else what is wrong.
QString layoutProblem(QWidget* window);

// A program folder (database.src + sqls) for the given database; program::createAll
// reads it instead of the executable's folder.
QString makeProgramFolder(const QString& name, const QString& databaseSrcContent);

} // namespace testing

namespace testing {

// The row lines of a select run through the program's own helper.
QStringList rows(const QString& sql, const QVariantList& params = {});
// The first column of the first row, as text.
QString value(const QString& sql, const QVariantList& params = {});

// Attaches as the program does: as SYSDBA, talking WIN1250.
void attach(db::Connection& connection, const QString& connectionString);

// A second copy of the program, as far as the database sees it: changes made elsewhere.
class OtherCopy {
  public:
    // login: the "user_name=…", "password=…" (and "sql_role_name=…") lines; SYSDBA's when empty
    explicit OtherCopy(const QString& connectionString, const QStringList& login = {});
    ~OtherCopy();
    // Runs and commits one statement; the rows it changed.
    qint64 run(const QString& sql, const QVariantList& params = {});
    // Runs one statement in the open transaction (started if none), which stays open.
    qint64 exec(const QString& sql, const QVariantList& params = {});
    void commit();
    void rollback();
    // The first column of the first row of a select, read in a transaction of its own.
    QVariant first(const QString& sql, const QVariantList& params = {});
    // Every row of a select, its columns joined by "|", in a transaction of its own.
    QStringList all(const QString& sql, const QVariantList& params = {});

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

// The whole program on a fresh database, created as the entry creates it.
class ProgramFixture {
  public:
    ProgramFixture() = default;
    ~ProgramFixture() { stop(); }
    // false when the start-up ended the program
    bool start(const QString& name, const QStringList& createOptions = {});
    bool startWithSrc(const QString& name, const QString& databaseSrc);
    void stop();
    FakeDialogs dialogs;
    TestDatabase db;
};

// Chooses the entry of the student list's context menu by its text; fails the test when
// there is none.
void triggerStudentMenu(const QString& text);
// Every box the new-student window demands, filled for a student of that name.
void fillNewStudent(Tuj_tanulo_Form* f, const QString& name);

// Chooses the drop-down's entry as a person does: opens the list and clicks the entry;
// false when there is no such entry.
bool chooseEntry(QComboBox* combo, const QString& text);
// A left click on the grid's row (scrolled into sight first).
void clickGridRow(QTableView* grid, int row);
// The field's values in every row of the list, fetching the rest first.
QStringList fieldValues(db::Dataset* list, const QString& field);
// Each value once, in order.
QStringList sortedSet(QStringList values);

// The file dialogs' answer: the path given, "Mégse" when empty.
class SaveAnswers : public output::OutputService {
  public:
    SaveAnswers() { output::setOutputService(this); }
    ~SaveAnswers() override { output::setOutputService(nullptr); }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override {
        ++asked;
        return path;
    }
    bool choosePrinter(QWidget*, QPrinter&) override { return false; }
    QString path;
    int asked = 0;
};

// Answers the login window whenever it shows: a user name and password each time, or
// "Mégse" once none are left.
class LoginAnswers : public QObject {
  public:
    explicit LoginAnswers(std::deque<std::pair<QString, QString>> answers);
    int shown = 0;

  private:
    std::deque<std::pair<QString, QString>> answers_;
    QTimer timer_;
};

} // namespace testing
