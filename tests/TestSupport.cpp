#include "TestSupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QMenu>
#include <QtTest>

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <stdexcept>

namespace testing {

QString sourceDir() {
    return qEnvironmentVariable("KORVANA_SOURCE_DIR", QStringLiteral(KORVANA_SOURCE_DIR));
}

QString scratchFolder(const QString& name) {
    const QString root =
        qEnvironmentVariable("KORVANA_TEST_TMP", QDir::tempPath() + QStringLiteral("/korvana-tests"));
    QDir dir(root + QLatin1Char('/') + name);
    dir.removeRecursively();
    QDir().mkpath(dir.path());
    return dir.absolutePath();
}

TestDatabase createDatabase(const QString& name, const QStringList& options) {
    const QString folder = scratchFolder(QStringLiteral("db-") + name);
    TestDatabase db;
    db.path = folder + QStringLiteral("/school.fdb");
    const QString port = qEnvironmentVariable("KORVANA_FB_PORT", QStringLiteral("3071"));
    db.connectionString = QStringLiteral("127.0.0.1/%1:%2").arg(port, db.path);
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(sourceDir() + QStringLiteral("/scripts/create-db"), QStringList{db.path} + options);
    if (!p.waitForFinished(300000) || p.exitCode() != 0)
        throw std::runtime_error("create-db failed: " + p.readAll().toStdString());
    return db;
}

QString layoutProblem(QWidget* w) {
    QList<QWidget*> shown;
    for (QWidget* c : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!c->isHidden() && c->metaObject() != &QFrame::staticMetaObject &&
            c->objectName() != QLatin1String("Image1"))
            shown << c;
    for (QWidget* a : shown) {
        if (!w->rect().contains(a->geometry())) return a->objectName() + QStringLiteral(" kilóg");
        for (QWidget* b : shown)
            if (a != b && a->geometry().intersects(b->geometry()))
                return a->objectName() + QStringLiteral(" / ") + b->objectName();
        const QFontMetrics fm(a->font());
        if (auto* l = qobject_cast<QLabel*>(a);
            l && !l->wordWrap() && fm.horizontalAdvance(l->text()) > l->width())
            return a->objectName() + QStringLiteral(" szövege nem fér el");
        if (auto* b = qobject_cast<QPushButton*>(a); b && fm.horizontalAdvance(b->text()) + 8 > b->width())
            return a->objectName() + QStringLiteral(" felirata nem fér el");
    }
    return {};
}

ui::DialogAnswer FakeDialogs::show(ui::DialogKind kind, const QString& title, const QString& text,
                                   ui::DialogButtons buttons) {
    shown.push_back({kind, title, text, buttons});
    if (buttons == ui::DialogButtons::Ok) return ui::DialogAnswer::Ok;
    if (answers.empty()) return ui::DialogAnswer::No;
    const ui::DialogAnswer a = answers.front();
    answers.pop_front();
    return a;
}

ui::DialogAnswer FakeDialogs::showFor(QWidget* window, ui::DialogKind kind, const QString& title,
                                      const QString& text, ui::DialogButtons buttons) {
    const ui::DialogAnswer a = show(kind, title, text, buttons);
    shown.back().window = window;
    return a;
}

QStringList FakeDialogs::texts() const {
    QStringList out;
    for (const Shown& s : shown)
        out << s.text;
    return out;
}

QString makeProgramFolder(const QString& name, const QString& databaseSrcContent) {
    const QString folder = scratchFolder(QStringLiteral("prog-") + name);
    QDir().mkpath(folder + QStringLiteral("/sqls"));
    QDir sqls(sourceDir() + QStringLiteral("/sqls"));
    for (const QString& f : sqls.entryList({QStringLiteral("*.sql")}, QDir::Files))
        QFile::copy(sqls.filePath(f), folder + QStringLiteral("/sqls/") + f);
    // the document templates, as the build puts them beside the executable
    QDir().mkpath(folder + QStringLiteral("/sablonok"));
    QDir sablonok(sourceDir() + QStringLiteral("/sablonok"));
    for (const QString& f : sablonok.entryList({QStringLiteral("*.html")}, QDir::Files))
        QFile::copy(sablonok.filePath(f), folder + QStringLiteral("/sablonok/") + f);
    QFile src(folder + QStringLiteral("/database.src"));
    if (!src.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write database.src");
    src.write(databaseSrcContent.toLocal8Bit());
    return folder + QLatin1Char('/');
}

} // namespace testing

#include "data/DataModule.h"
#include "db/Connection.h"
#include "db/Dataset.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "db/Values.h"
#include "fiokok/belepes__form.h"
#include "main/Program.h"
#include "main/main__form.h"
#include "students/uj_tanulo__form.h"

namespace testing {

QStringList rows(const QString& sql, const QVariantList& params) {
    QStringList lines;
    main_form->query(false, sql, params, lines);
    return lines;
}

QString value(const QString& sql, const QVariantList& params) {
    const QString line = rows(sql, params).value(0);
    return line.left(line.indexOf(QLatin1Char(';')));
}

struct OtherCopy::Parts {
    db::Connection connection;
    db::Transaction transaction{connection};
};

void attach(db::Connection& connection, const QString& connectionString) {
    connection.setDatabaseName(connectionString);
    connection.setParams({QStringLiteral("user_name=sysdba"), QStringLiteral("password=velvetoak"),
                          QStringLiteral("lc_ctype=WIN1250")});
    connection.open();
}

OtherCopy::OtherCopy(const QString& connectionString, const QStringList& login)
    : parts_(std::make_unique<Parts>()) {
    attach(parts_->connection, connectionString);
    if (login.isEmpty()) return;
    parts_->connection.close();
    parts_->connection.setParams(login + QStringList{QStringLiteral("lc_ctype=WIN1250")});
    parts_->connection.open();
}

OtherCopy::~OtherCopy() = default;

qint64 OtherCopy::run(const QString& sql, const QVariantList& params) {
    const qint64 changed = exec(sql, params);
    commit();
    return changed;
}

qint64 OtherCopy::exec(const QString& sql, const QVariantList& params) {
    db::Statement s(parts_->connection, parts_->transaction);
    s.prepare(sql);
    s.bind(params);
    s.execute();
    return s.rowsAffected();
}

void OtherCopy::commit() {
    parts_->transaction.commit();
}

void OtherCopy::rollback() {
    parts_->transaction.rollback();
}

QVariant OtherCopy::first(const QString& sql, const QVariantList& params) {
    db::Statement s(parts_->connection, parts_->transaction);
    s.prepare(sql);
    s.bind(params);
    s.execute();
    const QVariant value = s.fetch() ? s.value(0) : QVariant();
    s.closeCursor();
    parts_->transaction.commit();
    return value;
}

QStringList OtherCopy::all(const QString& sql, const QVariantList& params) {
    db::Statement s(parts_->connection, parts_->transaction);
    s.prepare(sql);
    s.bind(params);
    s.execute();
    QStringList lines;
    while (s.fetch()) {
        QStringList cells;
        for (int c = 0; c < s.columnCount(); ++c)
            cells << (s.isNull(c) ? QStringLiteral("<null>") : s.value(c).toString());
        lines << cells.join(QLatin1Char('|'));
    }
    s.closeCursor();
    parts_->transaction.commit();
    return lines;
}

bool ProgramFixture::start(const QString& name, const QStringList& createOptions) {
    db = createDatabase(name, createOptions);
    return startWithSrc(name, db.connectionString + QLatin1Char('\n'));
}

bool ProgramFixture::startWithSrc(const QString& name, const QString& databaseSrc) {
    TDM::programFolderOverride = makeProgramFolder(name, databaseSrc);
    if (!program::createAll()) return false;
    // The events attach in the background: a test's changes wait until they listen.
    QDeadlineTimer deadline(10000);
    while (!DM->uj_diak_esemeny.isQueued() && !deadline.hasExpired())
        QTest::qWait(20);
    return true;
}

void ProgramFixture::stop() {
    program::destroyAll();
    TDM::programFolderOverride.clear();
}

void fillNewStudent(Tuj_tanulo_Form* f, const QString& name) {
    f->e_nev->setText(name);
    f->e_cim->setText(QStringLiteral("Fő utca 1."));
    f->e_varos->setText(QStringLiteral("Pécs"));
    f->e_szul_ido->setText(QStringLiteral("2010.05.06."));
    f->e_szul_hely->setText(QStringLiteral("Pécs"));
    f->e_gond_nev->setText(QStringLiteral("Szülő Szilvia"));
    f->e_gond_cim->setText(QStringLiteral("Fő utca 1."));
    f->combo_nyelv->setCurrentIndex(0);
    f->combo_osztaly->setCurrentIndex(0);
}

void triggerStudentMenu(const QString& text) {
    for (QAction* a : main_form->PopupMenu1->actions())
        if (a->text() == text) return a->trigger();
    QFAIL(qPrintable(QStringLiteral("no menu entry ") + text));
}

bool chooseEntry(QComboBox* combo, const QString& text) {
    const int index = combo->findText(text);
    if (index < 0) return false;
    combo->showPopup();
    QAbstractItemView* list = combo->view();
    const QModelIndex item = list->model()->index(index, combo->modelColumn(), list->rootIndex());
    list->scrollTo(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(item).center());
    return combo->currentIndex() == index;
}

void clickGridRow(QTableView* grid, int row) {
    int column = 0;
    while (grid->isColumnHidden(column))
        ++column;
    const QModelIndex index = grid->model()->index(row, column);
    grid->scrollTo(index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

QStringList fieldValues(db::Dataset* list, const QString& field) {
    list->fetchAll();
    QStringList out;
    for (int r = 0; r < list->rowCount(); ++r)
        out << db::displayText(list->value(r, field));
    return out;
}

QStringList sortedSet(QStringList values) {
    values.removeDuplicates();
    values.sort();
    return values;
}

LoginAnswers::LoginAnswers(std::deque<std::pair<QString, QString>> answers) : answers_(std::move(answers)) {
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, [this] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* login = qobject_cast<Tbelepes_form*>(w);
            if (!login || !login->isVisible()) continue;
            ++shown;
            if (answers_.empty()) {
                login->Button2->click();
                return;
            }
            const auto [user, password] = answers_.front();
            answers_.pop_front();
            login->e_nev->setText(user);
            login->e_jelszo->setText(password);
            login->Button1->click();
            return;
        }
    });
    timer_.start();
}

} // namespace testing
