#pragma once

#include <QAbstractTableModel>
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <memory>
#include <vector>

#include "Tablazat.h"

class QTimer;

namespace db {
class Connection;
class Transaction;
} // namespace db
namespace queries {
class Progress;
}

// Students read from a spreadsheet: which column holds which field, every row checked
// before anything is written, and the ready rows stored in one transaction.
namespace intake {

// The record window's fields in the order of table_diak's columns, then what gives the
// class (whole, or grade and letter apart), the studied language and the school year.
enum class Field : int {
    None = -1,
    Nev,
    Cim,
    Varos,
    SzulHely,
    SzulIdo,
    SzSzam,
    DiakTel,
    AnyjaNev,
    GondNev,
    GondCim,
    GondTel,
    Taj,
    Om,
    DiakIg,
    Mj,
    Osztaly,
    OsztalySzam,
    OsztalyBetu,
    Nyelv,
    Tanev
};
constexpr int kFieldCount = 20;
constexpr int kTextFields = 15; // Nev … Mj: stored as they are
using Mapping = std::vector<Field>;

QString fieldCaption(Field field);
// The field's name in the remembered mappings.
QString fieldKey(Field field);
Field fieldByKey(const QString& key);

// A heading in lower case, without accents, blanks and punctuation: "Születési idő" and
// "SZULETESI_IDO" are the same heading.
QString headingKey(const QString& heading);
Field guessField(const QString& heading);
// The remembered choice for a heading first, else the guess; no field taken twice.
Mapping guessMapping(const QStringList& headings, const QHash<QString, Field>& remembered);
QHash<QString, Field> rememberedMappings(db::Connection& connection);
void rememberMapping(db::Connection& connection, const QStringList& headings, const Mapping& mapping);

// 2011.06.18., 2011.06.18, 2011-06-18, 18/06/2011; an invalid date for anything else.
QDate parseDate(QStringView text);
struct ClassName {
    int grade = 0;
    QString letter;
    QString text() const { return QStringLiteral("%1.%2").arg(grade).arg(letter); }
};
// "9.A", "9/A", "9. A", "9A"; a letter alone leaves the grade 0. False when it is neither.
bool parseClass(QStringView text, ClassName& out);

enum class Status : quint8 { Unchecked, Ready, Warning, Error, Imported };

// What the whole file gets when its columns do not say; 0 for none.
struct Defaults {
    int classId = 0;
    int languageId = 0;
    int year = 0;
};

// The preview: every row of the sheet with its state and reasons, checked in order, a
// chunk at a time while the event loop runs, so that the first rows show at once.
class Preview : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit Preview(db::Connection& connection, QObject* parent = nullptr);
    ~Preview() override;

    // Each of these starts the checking over (the classes and languages read anew); the
    // first rows are checked at once, the rest as the event loop runs.
    void setSheet(Sheet sheet, const Mapping& mapping, const Defaults& defaults);
    void setMapping(const Mapping& mapping);
    void setDefaults(const Defaults& defaults);
    void recheck();

    const Sheet& sheet() const { return sheet_; }
    const Mapping& mapping() const { return mapping_; }
    const Defaults& defaults() const { return defaults_; }

    // Checks the next rows; false when every row is checked.
    bool checkSome(int rows);
    // The rest at once; throws queries::Cancelled when the user stops it.
    void checkAll(queries::Progress* progress = nullptr);
    int checkedRows() const { return checked_; }
    bool isChecked() const { return checked_ == sheet_.rowCount(); }

    Status status(int row) const { return status_[static_cast<size_t>(row)]; }
    QString reason(int row) const { return reasons_.value(row); }
    bool isIncluded(int row) const { return included_[static_cast<size_t>(row)] != 0; }
    void setIncluded(int row, bool on);
    struct Counts {
        int ready = 0, warnings = 0, errors = 0, included = 0, imported = 0;
    };
    Counts counts() const;
    // Classes the file names that the school does not have yet.
    const QList<ClassName>& missingClasses() const { return missingClasses_; }
    // Adds them through the classes' own procedure, in one transaction, and checks again.
    void createMissingClasses();

    // The included rows that are ready or warned about, in one transaction; nothing stays
    // when anything fails or the user stops it (queries::Cancelled). The number stored.
    int importRows(queries::Progress* progress = nullptr);
    // The rows left out (not imported), their cells and the reason, as CSV or .xlsx by
    // the name's ending; empty on success, else the Hungarian reason.
    QString saveLeftOut(const QString& path) const;
    int leftOutCount() const;

    static constexpr int kFixedColumns = 4; // tick, row, state, reason
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  signals:
    // More rows were checked (or the checking started over).
    void progressed();

  private:
    struct Row;
    class Lookup;
    Row readRow(int row) const;
    void loadReference();
    void startOver();
    void endLookups();
    QString columnHeading(int column) const;

    db::Connection& connection_;
    Sheet sheet_;
    Mapping mapping_;
    Defaults defaults_;
    std::vector<Status> status_;
    std::vector<char> included_;
    QHash<int, QString> reasons_;
    int checked_ = 0;
    QTimer* timer_;

    // Read once per checking.
    QHash<QString, int> classes_; // "9.A" (upper case letter) -> id
    QHash<QString, int> languages_;
    int lengths_[kTextFields] = {};
    QList<ClassName> missingClasses_;
    QHash<QString, int> seenOm_, seenTaj_, seenNameBirth_; // -> source row
    std::unique_ptr<db::Transaction> lookupTr_;
    std::unique_ptr<Lookup> lookup_;
};

} // namespace intake
