// The headcount as the database keeps it: the main window shows count(*) of the committed
// table whoever writes, however their transactions end, with few rows to sum.
#include <QtTest>

#include "TestSupport.h"
#include "data/DataModule.h"
#include "data/Letszam.h"
#include "db/Error.h"
#include "main/main__form.h"

using namespace testing;

namespace {

const QString kNewStudent =
    QStringLiteral("insert into table_diak (nev, osztaly_ID, tanult_nyelv_ID) select first 1 'Számolt "
                   "Sára', id, (select min(id) from table_nyelv) from table_osztaly");
// %1 students in one statement (no colons: the client would take them for parameters)
const QString kNewStudents = QStringLiteral(
    "execute block as declare i integer = 0; begin while (i < %1) do begin "
    "insert into table_diak (nev, osztaly_ID, tanult_nyelv_ID) select 'Tömeges Tamás', min(id), "
    "(select min(id) from table_nyelv) from table_osztaly; i = i + 1; end end");

} // namespace

class HeadcountTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;

    // What the main window shows after a recount.
    static int shown() {
        main_form->akt_letszam();
        return main_form->label_letszam->text().section(QLatin1Char(' '), 0, 0).toInt();
    }
    int counted() {
        return OtherCopy(app_.db.connectionString)
            .first(QStringLiteral("select count(*) from table_diak"))
            .toInt();
    }
    int changeRows() {
        return OtherCopy(app_.db.connectionString)
            .first(QStringLiteral("select count(*) from table_letszam_valtozas"))
            .toInt();
    }

  private slots:
    void initTestCase() { QVERIFY(app_.start(QStringLiteral("headcount"), {QStringLiteral("--demo")})); }
    void cleanupTestCase() { app_.stop(); }

    void concurrentWritersNeverWaitAndOnlyCommitsCount() {
        const int before = counted();
        const QString db = app_.db.connectionString;
        OtherCopy a(db), b(db), c(db);
        // Three transactions open at once, and a fold among them: with nowait any
        // waiting would have failed here.
        for (int i = 0; i < 3; ++i)
            a.exec(kNewStudent);
        QCOMPARE(
            b.exec(QStringLiteral("delete from table_diak where id in (select first 2 id from table_diak "
                                  "order by id desc)")),
            2);
        c.exec(kNewStudent);
        QVERIFY(letszam::fold(DM->dbTanulo));
        QCOMPARE(shown(), before);
        a.commit();
        c.rollback();
        QCOMPARE(shown(), before + 3);
        b.commit();
        QCOMPARE(shown(), before + 1);
        QCOMPARE(shown(), counted());

        // a change row another copy holds is not the fold's to add, even once it lets go
        OtherCopy(db).run(kNewStudent);
        OtherCopy holder(db);
        QCOMPARE(holder.exec(QStringLiteral("delete from table_letszam_valtozas where id = (select max(id) "
                                            "from table_letszam_valtozas)")),
                 1);
        QVERIFY(letszam::fold(DM->dbTanulo));
        holder.rollback();
        QCOMPARE(shown(), counted());
    }

    void whatAStatementOrSavepointUndoesIsNotCounted() {
        const int before = counted();
        OtherCopy w(app_.db.connectionString);
        // the transaction's first change goes with its savepoint, its own row too
        w.exec(QStringLiteral("savepoint ketto"));
        w.exec(kNewStudent);
        w.exec(kNewStudent);
        w.exec(QStringLiteral("rollback to savepoint ketto"));
        w.exec(kNewStudent);
        // the block fails after its inserts: the statement is undone, the transaction goes on
        QVERIFY_THROWS_EXCEPTION(
            db::DbError,
            w.exec(
                QStringLiteral("execute block as begin %1; %1; exception ex_korvana; end").arg(kNewStudent)));
        w.exec(kNewStudent);
        w.commit();
        QCOMPARE(counted(), before + 2);
        QCOMPARE(shown(), before + 2);
    }

    void aTransactionLeavesOneRowHoweverManyItChanges() {
        shown(); // folds what earlier tests left, if enough
        const int rows = changeRows();
        OtherCopy w(app_.db.connectionString);
        w.run(kNewStudents.arg(10000));
        QCOMPARE(changeRows(), rows + 1);
        QCOMPARE(w.run(QStringLiteral("delete from table_diak where nev = 'Tömeges Tamás'")), 10000);
        QCOMPARE(changeRows(), rows + 2);
        QCOMPARE(shown(), counted());
    }

    void aReaderFoldsAndGivesWayToAnotherFold() {
        const QString db = app_.db.connectionString;
        OtherCopy w(db);
        for (int i = 0; i <= letszam::kFoldAbove; ++i)
            w.run(kNewStudent);
        // Another copy is folding those rows: this one leaves them, folds the row
        // written since, meets the other on the base row and gives up, quietly.
        OtherCopy other(db);
        other.exec(QStringLiteral("execute procedure PRC_LETSZAM_OSSZEVONAS"));
        w.run(kNewStudent);
        QVERIFY(!letszam::fold(DM->dbTanulo));
        QCOMPARE(shown(), counted());
        QVERIFY(changeRows() > letszam::kFoldAbove);
        other.commit();
        QCOMPARE(changeRows(), 2);
        // rows grow again until a reader folds them
        for (int i = 0; i <= letszam::kFoldAbove; ++i)
            w.run(kNewStudent);
        QCOMPARE(shown(), counted());
        QCOMPARE(changeRows(), 1);
        QVERIFY2(app_.dialogs.shown.empty(), qPrintable(app_.dialogs.texts().join(QLatin1Char('|'))));
    }

    // The program on a database that the upgrade has not reached yet counts the table.
    void aDatabaseWithoutChangeRowsIsCounted() {
        app_.stop();
        const TestDatabase old = createDatabase(QStringLiteral("headcount-old"), {QStringLiteral("--demo")});
        {
            OtherCopy ddl(old.connectionString);
            for (const char* sql :
                 {"drop trigger trg_diak_letszam", "drop procedure PRC_LETSZAM_OSSZEVONAS",
                  "drop table table_letszam_valtozas", "delete from table_diak where id > 400"})
                ddl.run(QString::fromLatin1(sql));
        }
        QVERIFY(app_.startWithSrc(QStringLiteral("headcount-old"), old.connectionString + QLatin1Char('\n')));
        QCOMPARE(main_form->label_letszam->text(), QStringLiteral("400 diák nyílvántartva"));
        QVERIFY(app_.dialogs.shown.empty());
    }
};

QTEST_MAIN(HeadcountTest)
#include "test_headcount.moc"
