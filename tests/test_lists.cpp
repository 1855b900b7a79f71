// The student list at size: every statement reaches its first screen along an index,
// without reading the whole table; the quick search finds what LIKE finds; fetched
// rows are kept compactly; reopening stays cheap.
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <algorithm>
#include <ibase.h>

#include "TestSupport.h"
#include "data/DataModule.h"
#include "db/Connection.h"
#include "db/Statement.h"
#include "main/main__form.h"
#include "ui/DataGrid.h"

using namespace Qt::StringLiterals;

using namespace testing;

namespace {

const int kStudents = 20000;

// Records of one table read by this attachment so far: in table order and through an index.
struct Reads {
    qint64 sequential = 0;
    qint64 indexed = 0;
};

qint64 readCount(isc_db_handle* handle, char item, int relation) {
    const char items[] = {item, isc_info_end};
    std::vector<char> buffer(32767); // the length travels as a short
    ISC_STATUS_ARRAY status;
    if (isc_database_info(status, handle, sizeof items, items, static_cast<short>(buffer.size()),
                          buffer.data()))
        return -1;
    if (buffer[0] != item) return 0;
    const int length = isc_vax_integer(buffer.data() + 1, 2);
    for (const char* p = buffer.data() + 3; p + 6 <= buffer.data() + 3 + length; p += 6)
        if (isc_vax_integer(p, 2) == relation) return isc_vax_integer(p + 2, 4);
    return 0;
}

Reads reads(int relation) {
    isc_db_handle* h = DM->dbTanulo.handle();
    return {readCount(h, isc_info_read_seq_count, relation), readCount(h, isc_info_read_idx_count, relation)};
}

QStringList ids(const QString& sql, const std::vector<std::pair<QString, QVariant>>& params) {
    db::Statement s(DM->dbTanulo, DM->trTanulo);
    s.prepare(sql);
    for (const auto& [name, value] : params)
        s.setParamByName(name, value);
    s.execute();
    QStringList out;
    while (s.fetch())
        out << s.value(0).toString();
    out.sort();
    return out;
}

} // namespace

class ListsTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;
    int diak_ = 0; // relation id of the students' table
    Reads startUp_;

    // Opens the list with the statement and returns what the first screen read.
    Reads firstScreen(const QString& sql, const std::vector<std::pair<QString, QVariant>>& params = {}) {
        db::Dataset& list = DM->dataset_Tanulok;
        list.close();
        list.setSelectSQL(sql);
        list.clearParams();
        for (const auto& [name, value] : params)
            list.setParam(name, value);
        const Reads before = reads(diak_);
        list.open();
        const Reads after = reads(diak_);
        return {after.sequential - before.sequential, after.indexed - before.indexed};
    }
    static int nameLength() { return DM->columnLength(QStringLiteral("table_diak"), QStringLiteral("nev")); }

  private slots:
    void initTestCase() {
        QVERIFY(
            app_.start(QStringLiteral("lists"), {QStringLiteral("--students"), QString::number(kStudents)}));
        diak_ = value(QStringLiteral("select rdb$relation_id from rdb$relations where rdb$relation_name = "
                                     "'TABLE_DIAK'"))
                    .toInt();
        QVERIFY(diak_ > 0);
        startUp_ = reads(diak_); // this attachment is the start-up's own
    }
    void cleanupTestCase() { app_.stop(); }

    // What the user waits for at start-up and at each activation reads a first screen of
    // students (a client batch or so), whatever the school holds; the headcount reads none.
    void startUpAndActivationReadAFirstScreenAtMost() {
        const auto atMostAScreen = [](const Reads& r) {
            return r.sequential == 0 && r.indexed < kStudents / 4;
        };
        QVERIFY2(atMostAScreen(startUp_),
                 qPrintable(QStringLiteral("%1 + %2").arg(startUp_.sequential).arg(startUp_.indexed)));
        QCOMPARE(main_form->label_letszam->text(), QStringLiteral("%1 diák nyílvántartva").arg(kStudents));
        DM->trTanulo.commit(); // closes the list, as any change does
        Reads before = reads(diak_);
        main_form->FormActivate();
        Reads after = reads(diak_);
        QVERIFY(DM->dataset_Tanulok.isOpen());
        QVERIFY(atMostAScreen({after.sequential - before.sequential, after.indexed - before.indexed}));
        before = reads(diak_);
        main_form->akt_letszam();
        after = reads(diak_);
        QCOMPARE(after.sequential + after.indexed, before.sequential + before.indexed);
    }

    void everyStatementWalksAnIndex_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("plan"); // empty: a procedure streams the rows
        QTest::newRow("by id") << QStringLiteral("dataset_Tanulo_SelectSQL.sql")
                               << QStringLiteral("PLAN JOIN (TABLE_DIAK ORDER PK_DIAK, TABLE_OSZTALY INDEX "
                                                 "(PK_OSZTALY))");
        QTest::newRow("by name") << QStringLiteral("dataset_Tanulo_SelectSQL3.sql")
                                 << QStringLiteral("PLAN JOIN (TABLE_DIAK ORDER IX_DIAK_NEV, TABLE_OSZTALY "
                                                   "INDEX (PK_OSZTALY))");
        QTest::newRow("by grade and letter") << QStringLiteral("dataset_Tanulo_SelectSQL2.sql") << QString();
        QTest::newRow("by letter and grade") << QStringLiteral("dataset_Tanulo_SelectSQL4.sql") << QString();
    }
    void everyStatementWalksAnIndex() {
        QFETCH(QString, file);
        QFETCH(QString, plan);
        const QString sql = DM->sqlText(file);
        db::Statement s(DM->dbTanulo, DM->trTanulo);
        s.prepare(sql);
        const QString actual = s.plan();
        QVERIFY2(!actual.contains(QStringLiteral("SORT")), qPrintable(actual));
        if (!plan.isEmpty()) QCOMPARE(actual.simplified(), plan);
        const Reads r = firstScreen(sql);
        // A first screen reads a client batch or so, never the table.
        QVERIFY2(r.sequential == 0 && r.indexed < kStudents / 4,
                 qPrintable(QStringLiteral("%1 + %2").arg(r.sequential).arg(r.indexed)));
        // A refresh, as every copy makes at every change, reads that screen alone.
        const Reads again = firstScreen(sql);
        QVERIFY2(again.sequential == 0 && again.indexed < 2 * db::Dataset::kBatch,
                 qPrintable(QString::number(again.indexed)));
        QCOMPARE(DM->dataset_Tanulok.columnCount(), 4);
        for (const char* c : {"ID", "Diák neve", "Évfolyam", "Osztály"})
            QVERIFY(DM->dataset_Tanulok.fieldIndex(QString::fromUtf8(c)) >= 0);
    }

    void theQuickSearchWalksTheNameIndex() {
        // also texts that end in the first letter of a two- or three-letter one (cs, dzs, zs)
        for (const QString& text : {QString(), QStringLiteral("Ki"), QStringLiteral("Cs"),
                                    QStringLiteral("Dzs"), QStringLiteral("Kiss Z"), QStringLiteral("Zzq")}) {
            const auto search = Tmain_form::quickSearch(text, nameLength());
            db::Statement s(DM->dbTanulo, DM->trTanulo);
            s.prepare(search.sql);
            const QString plan = s.plan();
            QVERIFY2(!plan.contains(QStringLiteral("SORT")), qPrintable(plan));
            QVERIFY2(text.isEmpty() || plan.contains(QStringLiteral("ORDER IX_DIAK_NEV")), qPrintable(plan));
            const Reads r = firstScreen(search.sql, search.params);
            QVERIFY2(r.sequential + r.indexed < kStudents / 4,
                     qPrintable(QStringLiteral("'%1': %2 + %3").arg(text).arg(r.sequential).arg(r.indexed)));
        }
    }

    void theQuickSearchFindsWhatLikeFinds() {
        const QString plainLike =
            QStringLiteral("select table_diak.ID from table_diak inner join table_osztaly "
                           "on table_diak.osztaly_ID = table_osztaly.ID where "
                           "table_diak.nev LIKE :nev");
        for (const char* t : {"C", "Cs", "Gy", "Sz", "Zs", "Á", "É", "Ö", "Ő", "ő", "Kiss_", "K%a", "_a", "%",
                              "%né", "Nagy Á", "Zzq"}) {
            const QString text = QString::fromUtf8(t);
            const auto search = Tmain_form::quickSearch(text, nameLength());
            const QStringList found = ids(search.sql, search.params);
            const QStringList expected = ids(plainLike, {{QStringLiteral("nev"), text + QLatin1Char('%')}});
            QVERIFY2(found == expected, qPrintable(QStringLiteral("'%1': %2 rows, LIKE %3")
                                                       .arg(text)
                                                       .arg(found.size())
                                                       .arg(expected.size())));
        }
    }

    void fetchedRowsAreKeptCompactly() {
        firstScreen(DM->sqlText(QStringLiteral("dataset_Tanulo_SelectSQL3.sql")));
        db::Dataset& list = DM->dataset_Tanulok;
        list.fetchAll();
        QCOMPARE(list.rowCount(), kStudents);
        const double perRow = static_cast<double>(list.memoryBytes()) / list.rowCount();
        QVERIFY2(perRow <= 100, qPrintable(QString::number(perRow)));
        // what is kept reads back as it was fetched
        QStringList lines;
        main_form->query(false, QStringLiteral("select id, nev from table_diak where id = :id"),
                         {list.value(kStudents - 1, QStringLiteral("ID"))}, lines);
        QCOMPARE(lines.value(0),
                 list.value(kStudents - 1, QStringLiteral("ID")).toString() + QLatin1Char(';') +
                     list.value(kStudents - 1, QStringLiteral("Diák neve")).toString() + QLatin1Char(';'));
    }

    void theGridShowsWholeValues() {
        // by id: the first screen's ids are short, the last screen's long
        firstScreen(DM->sqlText(QStringLiteral("dataset_Tanulo_SelectSQL.sql")));
        ui::DataGrid* grid = main_form->dbg_tanulok;
        while (DM->dataset_Tanulok.canFetchMore())
            DM->dataset_Tanulok.fetchMore();
        grid->scrollToBottom();
        QCoreApplication::processEvents();
        const QFontMetrics fm(grid->font());
        const int first = grid->rowAt(0);
        QVERIFY(first > 0);
        int total = 0;
        for (int c = 0; c < grid->model()->columnCount(); ++c) {
            total += grid->columnWidth(c);
            for (int r = first; r < first + 10 && r < grid->model()->rowCount(); ++r) {
                const QString text = grid->model()->index(r, c).data().toString();
                QVERIFY2(grid->columnWidth(c) >= fm.horizontalAdvance(text), qPrintable(text));
            }
        }
        // the name column takes what the others leave
        QVERIFY2(total >= grid->viewport()->width(),
                 qPrintable(QStringLiteral("%1 < %2").arg(total).arg(grid->viewport()->width())));
        QVERIFY(grid->columnWidth(1) > grid->columnWidth(0));
    }

    void aRefreshLooksNoFurtherThanTheCurrentRow() {
        firstScreen(DM->sqlText(QStringLiteral("dataset_Tanulo_SelectSQL.sql")));
        db::Dataset& list = DM->dataset_Tanulok;
        while (list.rowCount() < 2000)
            list.fetchMore();
        list.setCurrentRow(300);
        const QVariant id = list.fieldByName(QStringLiteral("ID"));
        QSignalSpy opened(&list, &db::Dataset::opened);
        // three notifications delivered together make one refresh
        bool cancel = false;
        for (const char* name : {"uj_diak", "diak_modositas", "diak_torles"})
            DM->uj_diak_esemenyEventAlert(QString::fromLatin1(name), 1, cancel);
        QTRY_COMPARE(opened.count(), 1);
        QTest::qWait(100);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(list.fieldByName(QStringLiteral("ID")), id);
        QVERIFY2(list.fetchedRows() <= 300 + db::Dataset::kBatch,
                 qPrintable(QString::number(list.fetchedRows())));
    }

    // An open, idle copy holds no read-write transaction, so the server collects what
    // another copy changes: no back version stays after one reader's pass.
    void anIdleCopyHoldsNothingBack() {
        DM->dataset_Tanulok.open();
        main_form->akt_letszam();
        OtherCopy other(app_.db.connectionString);
        QCOMPARE(
            other
                .first(u"select count(*) from mon$transactions where mon$attachment_id <> current_connection "
                       u"and mon$read_only = 0"_s)
                .toInt(),
            0);
        const int changes = 40;
        for (int i = 0; i < changes; ++i)
            other.run(u"update table_diak set diak_tel = ? where id = (select min(id) from table_diak) + ?"_s,
                      {u"+36 1 %1"_s.arg(i), i});
        other.first(u"select count(*) from table_diak"_s); // one reader's pass
        // The oldest snapshot follows the newest transactions, not the copy that waits.
        QVERIFY(
            other.first(u"select mon$next_transaction - mon$oldest_snapshot from mon$database"_s).toInt() <
            10);
        auto backVersions = [&] {
            QProcess stat;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"ISC_USER"_s, u"SYSDBA"_s);
            env.insert(u"ISC_PASSWORD"_s, u"velvetoak"_s);
            stat.setProcessEnvironment(env);
            stat.start(u"fbstat"_s, {u"-r"_s, u"-t"_s, u"TABLE_DIAK"_s, app_.db.connectionString});
            stat.waitForFinished(30000);
            const QRegularExpressionMatch m =
                QRegularExpression(u"total versions: (\\d+)"_s).match(QString::fromLocal8Bit(stat.readAll()));
            return m.hasMatch() ? m.captured(1).toInt() : -1;
        };
        // The server's collector runs beside the reader: given a moment, nothing stays.
        QTRY_COMPARE_WITH_TIMEOUT(backVersions(), 0, 10000);
    }
};

QTEST_MAIN(ListsTest)
#include "test_lists.moc"
