// Start-up, the shared helpers and the student events, on the whole program.
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include "TestSupport.h"
#include "assignments/oszt_tan__form.h"
#include "assignments/tanar_targy__form.h"
#include "data/DataModule.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "main/Program.h"
#include "main/connect__form.h"
#include "main/main__form.h"
#include "reference/osztalyok__form.h"
#include "reference/tanarok__form.h"
#include "reference/tantargyak__form.h"
#include "students/uj_tanulo__form.h"

using testing::FakeDialogs;
using testing::ProgramFixture;

namespace {
const QString kNoConnection =
    QStringLiteral("Nem lehet kapcsolódni a Korvana v2.0 adatbázishoz!\r\ra program futása le fog állni.");

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
    testing::TestDatabase shared_;

    // The real executable, run from the program folder as an office installs it.
    static bool startInstalled(QProcess& program, const QString& folder) {
        const QString exe = folder + QStringLiteral("korvana_v20");
        if (!QFile::copy(QStringLiteral(KORVANA_EXE), exe)) return false;
        QFile::setPermissions(exe, QFile::ExeOwner | QFile::ReadOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(exe, {});
        return program.waitForStarted();
    }

  private slots:
    void initTestCase() {
        shared_ = testing::createDatabase(QStringLiteral("startup"),
                                          {QStringLiteral("--students"), QStringLiteral("57")});
    }

    void startsAndShowsTheMainWindow() {
        ProgramFixture app;
        QVERIFY(app.startWithSrc(QStringLiteral("ok"),
                                 shared_.connectionString + QStringLiteral("\nmásodik sor\n")));
        QVERIFY(main_form->isVisible());
        QVERIFY(!connect_form->isVisible());
        QCOMPARE(connect_form->windowTitle(), QStringLiteral("Kapcsolódás a Korvana v2.0 adatbázishoz"));
        QVERIFY(DM->dbTanulo.isConnected());
        QVERIFY(DM->trTanulo.isActive());
        QVERIFY(DM->dataset_Tanulok.isOpen());
        QVERIFY(DM->uj_diak_esemeny.isRegistered());
        QCOMPARE(DM->dbTanulo.databaseName(), shared_.connectionString);
        QCOMPARE(main_form->label_letszam->text(), QStringLiteral("57 diák nyílvántartva"));
        QVERIFY(main_form->dbg_tanulok->model());
        QCOMPARE(main_form->dbg_tanulok->model()->rowCount(), 57);
        QCOMPARE(main_form->dbg_tanulok->currentIndex().row(), 0);
        for (const char* col : {"ID", "Diák neve", "Évfolyam", "Osztály"})
            QVERIFY2(DM->dataset_Tanulok.fieldIndex(QString::fromUtf8(col)) >= 0, col);
        // every window exists, hidden, with its caption
        QCOMPARE(uj_tanulo_Form->windowTitle(), QStringLiteral("Új tanuló Felvétele"));
        QCOMPARE(tanarok_form->windowTitle(), QStringLiteral("Taanárok karbantartása"));
        QCOMPARE(tantargyak_form->windowTitle(), QStringLiteral("Tantárgyak"));
        QCOMPARE(osztalyok_form->windowTitle(), QStringLiteral("Osztályok"));
        QCOMPARE(tanar_targy_form->windowTitle(), QStringLiteral("Tanárok és Tantárgyak"));
        QCOMPARE(oszt_tan_form->windowTitle(), QStringLiteral("Osztályok és Tantárgyak"));
        for (QWidget* w : std::initializer_list<QWidget*>{uj_tanulo_Form, tanarok_form, tantargyak_form,
                                                          osztalyok_form, tanar_targy_form, oszt_tan_form})
            QVERIFY(!w->isVisible());
        QVERIFY(app.dialogs.shown.empty());
    }

    void failingStartUpsEndTheProgram_data() {
        QTest::addColumn<QString>("src");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty first line") << QStringLiteral("\n") + shared_.connectionString << kNoConnection;
        QTest::newRow("wrong path") << shared_.connectionString + QStringLiteral(".nincs") << kNoConnection;
        QTest::newRow("no line at all") << QString() << QStringLiteral("üres");
    }
    void failingStartUpsEndTheProgram() {
        QFETCH(QString, src);
        QFETCH(QString, message);
        ProgramFixture app;
        QVERIFY(!app.startWithSrc(QStringLiteral("fail"), src));
        QCOMPARE(app.dialogs.shown.size(), size_t(1));
        QCOMPARE(app.dialogs.shown[0].kind, ui::DialogKind::Error);
        QCOMPARE(app.dialogs.shown[0].title, QStringLiteral("Error"));
        QVERIFY2(app.dialogs.shown[0].text.contains(message), qPrintable(app.dialogs.shown[0].text));
        QVERIFY(!main_form->isVisible());
        QVERIFY(uj_tanulo_Form == nullptr); // nothing after the data module was created
    }

    void wrongPasswordIsAFailedConnection() {
        ProgramFixture app;
        TDM::programFolderOverride =
            testing::makeProgramFolder(QStringLiteral("pw"), shared_.connectionString);
        main_form = new Tmain_form;
        connect_form = new Tconnect_form;
        DM = new TDM;
        DM->dbTanulo.setParams({QStringLiteral("user_name=sysdba"), QStringLiteral("password=rossz"),
                                QStringLiteral("lc_ctype=WIN1250")});
        // Refused, the program asks who logs in; "Mégse" is a failed connection.
        testing::LoginAnswers answers({});
        QVERIFY(!DM->DataModuleCreate());
        QCOMPARE(answers.shown, 1);
        QCOMPARE(app.dialogs.texts(), QStringList{kNoConnection});
    }

    void missingFilesAreNamed() {
        ProgramFixture app;
        TDM::programFolderOverride =
            testing::makeProgramFolder(QStringLiteral("nosql"), shared_.connectionString);
        QFile::remove(TDM::programFolderOverride + QStringLiteral("sqls/dataset_Tanulo_SelectSQL.sql"));
        QVERIFY(!program::createAll());
        QCOMPARE(app.dialogs.shown.size(), size_t(1));
        QVERIFY(app.dialogs.shown[0].text.contains(QStringLiteral("dataset_Tanulo_SelectSQL.sql")));

        app.stop();
        app.dialogs.clear();
        TDM::programFolderOverride =
            testing::makeProgramFolder(QStringLiteral("nosrc"), shared_.connectionString);
        QFile::remove(TDM::programFolderOverride + QStringLiteral("database.src"));
        QVERIFY(!program::createAll());
        QCOMPARE(app.dialogs.shown.size(), size_t(1));
        QVERIFY(app.dialogs.shown[0].text.contains(QStringLiteral("database.src")));
    }

    void terminationSignalEndsTheProgramCleanly() {
        // More students than the first fetch, so the list's cursor is open when the signal comes.
        const testing::TestDatabase db = testing::createDatabase(
            QStringLiteral("sigterm"), {QStringLiteral("--students"), QStringLiteral("450")});
        const QString folder = testing::makeProgramFolder(QStringLiteral("sigterm"), db.connectionString);
        QProcess program;
        QVERIFY(startInstalled(program, folder));
        // Wait until the program is attached (the server lists its two attachments: the
        // lists' and the events' own), then a little for the list.
        testing::OtherCopy watcher(db.connectionString);
        const QString attached =
            QStringLiteral("select count(*) from mon$attachments where mon$remote_pid = :pid");
        QTRY_VERIFY_WITH_TIMEOUT(watcher.first(attached, {program.processId()}).toInt() == 2, 20000);
        QTest::qWait(500);
        QCOMPARE(program.state(), QProcess::Running);
        program.terminate();
        const bool finished = program.waitForFinished(20000);
        if (!finished) qWarning() << program.readAllStandardError() << program.readAllStandardOutput();
        QVERIFY(finished);
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }

    void terminationWhileAStartUpMessageIsOpen() {
        // Nothing listens on port 1: the connection message is shown, and waits for OK.
        const QString folder = testing::makeProgramFolder(QStringLiteral("sigterm-box"),
                                                          QStringLiteral("127.0.0.1/1:/nowhere.fdb\n"));
        QProcess program;
        QVERIFY(startInstalled(program, folder));
        QTest::qWait(1500);
        QCOMPARE(program.state(), QProcess::Running); // the message is open
        program.terminate();
        QVERIFY(program.waitForFinished(2000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1); // the start-up did not succeed
    }

    void queryRowLines() {
        ProgramFixture app;
        QVERIFY(app.startWithSrc(QStringLiteral("query"), shared_.connectionString));
        QStringList lines{QStringLiteral("régi")};
        main_form->query(false, QStringLiteral("select count(table_diak.id) from table_diak"), {}, lines);
        QCOMPARE(lines, QStringList{QStringLiteral("57;")});
        main_form->query(false, QStringLiteral("select 5, cast(null as integer), 3 from rdb$database"), {},
                         lines);
        QCOMPARE(lines, QStringList{QStringLiteral("5;;3;")});
        main_form->query(false, QStringLiteral("select 'a;b', cast(:x as varchar(5)) from rdb$database"),
                         {QStringLiteral("c")}, lines);
        QCOMPARE(lines, QStringList{QStringLiteral("a;b;c;")});
        main_form->query(false, QStringLiteral("select id from table_diak where id < 0"), {}, lines);
        QVERIFY(lines.isEmpty());
        // a failing statement leaves the list as it was
        lines = QStringList{QStringLiteral("marad")};
        QVERIFY_THROWS_EXCEPTION(
            db::Error, main_form->query(false, QStringLiteral("select nincs from table_diak"), {}, lines));
        QCOMPARE(lines, QStringList{QStringLiteral("marad")});
        main_form->query(true, QStringLiteral("dataset_targyak_tanarai.sql"), {1}, lines);
        QVERIFY_THROWS_EXCEPTION(db::Error,
                                 main_form->query(true, QStringLiteral("nincs_ilyen.sql"), {}, lines));
    }

    void hibaKiir() {
        QCOMPARE(Tmain_form::hiba_kiir_text(QStringLiteral("\\abc\\def\\")), QStringLiteral("abc"));
        QCOMPARE(Tmain_form::hiba_kiir_text(QStringLiteral("elöl \\\\ hátul")), QString());
        QCOMPARE(Tmain_form::hiba_kiir_text(QStringLiteral("  csak egy \\ jel  ")),
                 QStringLiteral("csak egy \\ jel"));
        QCOMPARE(Tmain_form::hiba_kiir_text(QString()), QString());
    }

    void storedProcFailureThenSuccess() {
        ProgramFixture app;
        QVERIFY(app.start(QStringLiteral("proc")));
        QVERIFY(!main_form->StoredProc(QStringLiteral("PRC_TANAR_FELVETEL"), {QString(), -1}));
        QCOMPARE(app.dialogs.shown.size(), size_t(1));
        QCOMPARE(app.dialogs.shown[0].kind, ui::DialogKind::Error);
        QVERIFY(app.dialogs.shown[0].text.startsWith(QStringLiteral("H I B A    T Ö R T É N T ! \r \r")));
        QVERIFY(!app.dialogs.shown[0].text.contains(QLatin1Char('\\')));
        QVERIFY(!DM->trTanulo.isActive()); // rolled back
        QVERIFY(
            main_form->StoredProc(QStringLiteral("PRC_TANAR_FELVETEL"), {QStringLiteral("Új Tanár"), -1}));
        QStringList lines;
        main_form->query(false, QStringLiteral("select count(*) from table_tanar where nev = :n"),
                         {QStringLiteral("Új Tanár")}, lines);
        QCOMPARE(lines, QStringList{QStringLiteral("1;")});
        // errors before execution are not guarded
        QVERIFY_THROWS_EXCEPTION(db::Error, main_form->StoredProc(QStringLiteral("PRC_NINCS"), {}));
        QVERIFY_THROWS_EXCEPTION(db::Error,
                                 main_form->StoredProc(QStringLiteral("PRC_TANAR_ELTAVOLITAS"), {1, 2}));
        QCOMPARE(app.dialogs.shown.size(), size_t(1));
    }

    void queryModCommitsAndReopens() {
        ProgramFixture app;
        QVERIFY(app.start(QStringLiteral("qmod"), {QStringLiteral("--students"), QStringLiteral("3")}));
        QStringList lines;
        main_form->query(false, QStringLiteral("select min(id) from table_diak"), {}, lines);
        const int id = lines.value(0).chopped(1).toInt();
        QCOMPARE(main_form->query_mod(false, QStringLiteral("delete from table_diak where id = :id"), {id}),
                 1);
        QVERIFY(DM->dataset_Tanulok.isOpen());
        DM->dataset_Tanulok.fetchAll();
        QCOMPARE(DM->dataset_Tanulok.rowCount(), 2);
        QCOMPARE(main_form->query_mod(false, QStringLiteral("delete from table_diak where id = :id"), {id}),
                 0);
    }

    void eventsRefreshOnlyWhileEnabled() {
        ProgramFixture app;
        QVERIFY(app.start(QStringLiteral("events"), {QStringLiteral("--students"), QStringLiteral("5")}));
        testing::OtherCopy other(app.db.connectionString);
        DM->dataset_Tanulok.setCurrentRow(2);
        const QVariant selected = DM->dataset_Tanulok.fieldByName(QStringLiteral("ID"));
        QSignalSpy opened(&DM->dataset_Tanulok, &db::Dataset::opened);
        other.run(QStringLiteral(
            "insert into table_diak (nev, osztaly_ID, tanult_nyelv_ID, evfolyam) "
            "select 'Aaron Új', min(id), (select min(id) from table_nyelv), 2026 from table_osztaly"));
        QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 1, 5000);
        DM->dataset_Tanulok.fetchAll();
        QCOMPARE(DM->dataset_Tanulok.rowCount(), 6);
        QCOMPARE(DM->dataset_Tanulok.fieldByName(QStringLiteral("ID")), selected); // selection kept

        other.run(QStringLiteral("update table_diak set nev = 'Aaron Módosult' where nev = 'Aaron Új'"));
        QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 2, 5000);
        other.run(QStringLiteral("delete from table_diak where nev = 'Aaron Módosult'"));
        QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 3, 5000);

        // while a child window is open the main window is disabled: nothing is refreshed then,
        // but the notification is not lost: the list catches up when the window is enabled
        main_form->setEnabled(false);
        other.run(QStringLiteral("delete from table_diak where id = (select max(id) from table_diak)"));
        QTest::qWait(700);
        QCOMPARE(opened.count(), 3);
        main_form->setEnabled(true);
        main_form->FormActivate();
        QCOMPARE(opened.count(), 4);
        DM->dataset_Tanulok.fetchAll();
        QCOMPARE(DM->dataset_Tanulok.rowCount(), 4);
        QCOMPARE(main_form->label_letszam->text(), QStringLiteral("4 diák nyílvántartva"));
        main_form->FormActivate();
        QCOMPARE(opened.count(), 4); // nothing new: activation recounts only
    }
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
