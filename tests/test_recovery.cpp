// Failures as an office meets them: the server stopped and started under a running
// program, a server that never answers, a failing list, notifications while a child
// window is open. This test runs its own server, so it can stop it.
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QtTest>

#include "TestSupport.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "main/Program.h"
#include "main/main__form.h"
#include "reference/tanarok__form.h"
#include "students/uj_tanulo__form.h"
#include "ui/Dialogs.h"

using namespace testing;
using ui::DialogKind;

class RecoveryTest : public QObject {
    Q_OBJECT
    QString fbDir_;
    QString port_;

    bool server(const QString& command) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        QStringList args{command, fbDir_};
        if (command == QLatin1String("start")) args << port_;
        p.start(sourceDir() + QStringLiteral("/scripts/fbserver"), args);
        const bool ok = p.waitForFinished(30000) && p.exitCode() == 0;
        if (!ok) qWarning() << p.readAll();
        return ok;
    }
    // What a user does next: a new action, whose failures are told anew.
    static void act(const std::function<void()>& action) {
        ui::userActionStarted();
        action();
    }
    static int lossMessages(const FakeDialogs& d) {
        int n = 0;
        for (const auto& s : d.shown)
            if (s.text.contains(db::kConnectionLostText)) ++n;
        return n;
    }
    static int students() { return value(QStringLiteral("select count(*) from table_diak")).toInt(); }

  private slots:
    void initTestCase() {
        port_ = qEnvironmentVariable("KORVANA_RECOVERY_PORT", QStringLiteral("3075"));
        fbDir_ = scratchFolder(QStringLiteral("fb-recovery"));
        qputenv("KORVANA_FB_PORT", port_.toLatin1()); // the databases of this test live on its own server
        QVERIFY(server(QStringLiteral("start")));
    }
    void cleanupTestCase() { server(QStringLiteral("stop")); }

    void serverRestartUnderARunningProgram() {
        ProgramFixture app;
        QVERIFY(app.start(QStringLiteral("restart"), {QStringLiteral("--students"), QStringLiteral("5")}));
        // a student typed in before the server went away
        main_form->Button2Click();
        Tuj_tanulo_Form* f = uj_tanulo_Form;
        QVERIFY(f->isVisible());
        f->e_nev->setText(QStringLiteral("Visszatérő Vilma"));
        f->e_cim->setText(QStringLiteral("Fő utca 1."));
        f->e_varos->setText(QStringLiteral("Pécs"));
        f->e_szul_ido->setText(QStringLiteral("2010.05.06."));
        f->e_szul_hely->setText(QStringLiteral("Pécs"));
        f->e_gond_nev->setText(QStringLiteral("Visszatérő Vera"));
        f->e_gond_cim->setText(QStringLiteral("Fő utca 1."));
        f->combo_nyelv->setCurrentIndex(0);
        f->combo_osztaly->setCurrentIndex(0);

        QVERIFY(server(QStringLiteral("stop")));
        // the save fails: one Hungarian message, nothing reported as done, nothing lost
        act([&] { f->Button1->click(); });
        QCOMPARE(app.dialogs.shown.size(), size_t(1));
        QCOMPARE(app.dialogs.shown[0].kind, DialogKind::Error);
        QVERIFY2(app.dialogs.shown[0].text.startsWith(db::kConnectionLostText),
                 qPrintable(app.dialogs.shown[0].text));
        QCOMPARE(f->e_nev->text(), QStringLiteral("Visszatérő Vilma"));
        QVERIFY(DM->dbTanulo.isLost());
        // while the server is down every action says so once, activations say nothing
        act([&] { f->Button1->click(); });
        QCOMPARE(lossMessages(app.dialogs), 2);
        QCOMPARE(app.dialogs.shown.size(), size_t(2));

        QVERIFY(server(QStringLiteral("start")));
        app.dialogs.clear();
        act([&] { f->Button1->click(); });
        QCOMPARE(app.dialogs.texts(),
                 QStringList{QStringLiteral("Visszatérő Vilma tanuló az adatbázisba sikeresen felvéve!")});
        QVERIFY(f->e_nev->text().isEmpty());
        QVERIFY(!DM->dbTanulo.isLost());
        QCOMPARE(value(QStringLiteral("select count(*) from table_diak where nev = 'Visszatérő Vilma'")),
                 QStringLiteral("1"));
        act([&] { f->Button2->click(); }); // close: the main window is back, list and count current
        QVERIFY(main_form->isEnabled());
        QCOMPARE(main_form->label_letszam->text(), QStringLiteral("6 diák nyílvántartva"));

        // live refresh works again after the reconnection
        QTest::qWait(300); // whatever the closing set going has settled
        QSignalSpy opened(&DM->dataset_Tanulok, &db::Dataset::opened);
        OtherCopy other(app.db.connectionString);
        other.run(QStringLiteral("delete from table_diak where nev = 'Visszatérő Vilma'"));
        QTRY_VERIFY_WITH_TIMEOUT(opened.count() >= 1, 5000);
        // the count follows once the grid has shown the change
        QTRY_COMPARE_WITH_TIMEOUT(main_form->label_letszam->text(), QStringLiteral("5 diák nyílvántartva"),
                                  2000);
        QVERIFY2(app.dialogs.texts().size() == 1, qPrintable(app.dialogs.texts().join(QLatin1Char('|'))));
    }

    void mainWindowActionsAfterARestart() {
        ProgramFixture app;
        QVERIFY(
            app.start(QStringLiteral("restart-main"), {QStringLiteral("--students"), QStringLiteral("3")}));
        QVERIFY(server(QStringLiteral("stop")));
        act([] { main_form->Button8->click(); });
        QCOMPARE(lossMessages(app.dialogs), 1);
        QCOMPARE(app.dialogs.shown.size(), size_t(1));
        // activations and notifications are nobody's action: they try nothing and say nothing
        main_form->FormActivate();
        main_form->FormActivate();
        QCOMPARE(app.dialogs.shown.size(), size_t(1));
        // opening a child window fails the same way, once, and leaves the main window usable
        act([] { main_form->Button5->click(); });
        QCOMPARE(app.dialogs.shown.size(), size_t(2));
        QVERIFY(main_form->isEnabled());

        QVERIFY(server(QStringLiteral("start")));
        app.dialogs.clear();
        act([] { main_form->Button9->click(); });
        QVERIFY2(app.dialogs.shown.empty(), qPrintable(app.dialogs.texts().join(QLatin1Char('|'))));
        QVERIFY(DM->dataset_Tanulok.isOpen());
        QCOMPARE(DM->dataset_Tanulok.rowCount(), 3);
        QCOMPARE(main_form->label_letszam->text(), QStringLiteral("3 diák nyílvántartva"));
        // a delete on the new connection is reported only after it was done
        app.dialogs.answer(ui::DialogAnswer::Yes);
        act([] { main_form->Button13->click(); });
        QCOMPARE(app.dialogs.texts().last(), QStringLiteral("Sikeres Törlés!"));
        QCOMPARE(students(), 2);
    }

    void aServerThatNeverAnswersIsGivenUpOn() {
        QTcpServer silent; // accepts connections (the kernel does) and never says a word
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        ProgramFixture app;
        QElapsedTimer t;
        t.start();
        const QString src = QStringLiteral("127.0.0.1/%1:/nowhere/school.fdb\n").arg(silent.serverPort());
        QVERIFY(!app.startWithSrc(QStringLiteral("silent"), src));
        QVERIFY2(t.elapsed() < 15000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(
            app.dialogs.texts(),
            QStringList{QStringLiteral(
                "Nem lehet kapcsolódni a Korvana v2.0 adatbázishoz!\r\ra program futása le fog állni.")});
    }

    void aFailingListIsShownOncePerAction() {
        ProgramFixture app;
        QVERIFY(app.start(QStringLiteral("loop"), {QStringLiteral("--students"), QStringLiteral("4")}));
        // a sort file holding broken SQL
        QFile broken(DM->programFolder + QStringLiteral("sqls/dataset_Tanulo_SelectSQL3.sql"));
        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write("select nincs_ilyen from table_diak");
        broken.close();
        act([] { main_form->Button8->click(); });
        QCOMPARE(app.dialogs.shown.size(), size_t(1));
        QVERIFY(DM->dataset_Tanulok.failed());
        // five notifications and several activations rerun nothing
        OtherCopy other(app.db.connectionString);
        for (int i = 0; i < 5; ++i)
            other.run(QStringLiteral("insert into table_diak (nev, osztaly_ID, tanult_nyelv_ID, evfolyam) "
                                     "select 'Zaj %1', min(id), (select min(id) from table_nyelv), 2026 "
                                     "from table_osztaly")
                          .arg(i));
        QTest::qWait(800);
        main_form->FormActivate();
        main_form->FormActivate();
        QCOMPARE(app.dialogs.shown.size(), size_t(1));
        QVERIFY(!DM->dataset_Tanulok.isOpen());
        // the next user action tries again, and the list comes back
        act([] { main_form->Button9->click(); });
        QCOMPARE(app.dialogs.shown.size(), size_t(1));
        QVERIFY(DM->dataset_Tanulok.isOpen());
        DM->dataset_Tanulok.fetchAll();
        QCOMPARE(DM->dataset_Tanulok.rowCount(), 9);
    }

    void quickSearchWithTextNoNameCanHold() {
        ProgramFixture app;
        QVERIFY(app.start(QStringLiteral("search"), {QStringLiteral("--students"), QStringLiteral("4")}));
        OtherCopy other(app.db.connectionString);
        const QString longest(100, QLatin1Char('H'));
        other.run(
            QStringLiteral("insert into table_diak (nev, osztaly_ID, tanult_nyelv_ID, evfolyam) "
                           "select :n, min(id), (select min(id) from table_nyelv), 2026 from table_osztaly"),
            {longest});
        db::Dataset& list = DM->dataset_Tanulok;
        for (const QString& text :
             {QString(101, QLatin1Char('H')), QStringLiteral("中"), QStringLiteral("a\tb")}) {
            main_form->edit_gyors_ker->setText(text);
            QVERIFY(list.isOpen());
            QCOMPARE(list.rowCount(), 0);
        }
        // as long as the column: it still finds the one name, "%" and all
        main_form->edit_gyors_ker->setText(longest);
        QCOMPARE(list.rowCount(), 1);
        main_form->edit_gyors_ker->setText(QString(99, QLatin1Char('H')) + QLatin1Char('_'));
        QCOMPARE(list.rowCount(), 1);
        QVERIFY2(app.dialogs.shown.empty(), qPrintable(app.dialogs.texts().join(QLatin1Char('|'))));
    }

    void aChildWindowLosesNoNotification() {
        ProgramFixture app;
        QVERIFY(app.start(QStringLiteral("stale"), {QStringLiteral("--students"), QStringLiteral("6")}));
        OtherCopy other(app.db.connectionString);
        act([] { main_form->Button5->click(); });
        QVERIFY(tanarok_form->isVisible());
        QVERIFY(!main_form->isEnabled());
        // the main window refuses to close while the child holds the user's work
        QVERIFY(!main_form->close());
        QVERIFY(main_form->isVisible() && tanarok_form->isVisible());
        // ... but a termination signal still ends the program's loop at once
        QTimer::singleShot(0, [] { KorvanaApplication::endForTermination(); });
        QTimer::singleShot(3000, [] { QCoreApplication::exit(99); }); // should the end not come
        QCOMPARE(QCoreApplication::exec(), 0);
        ui::setEnding(false);

        other.run(QStringLiteral("delete from table_diak where id = (select min(id) from table_diak)"));
        QTest::qWait(800); // the notification arrives while the main window is disabled
        act([] { tanarok_form->Button2->click(); });
        QVERIFY(main_form->isEnabled());
        db::Dataset& list = DM->dataset_Tanulok;
        list.fetchAll();
        QCOMPARE(list.rowCount(), 5);
        QCOMPARE(main_form->label_letszam->text(), QStringLiteral("5 diák nyílvántartva"));

        // a notification recounts along with the list
        other.run(QStringLiteral("delete from table_diak where id = (select min(id) from table_diak)"));
        QTRY_COMPARE_WITH_TIMEOUT(main_form->label_letszam->text(), QStringLiteral("4 diák nyílvántartva"),
                                  5000);
        QVERIFY(app.dialogs.shown.empty());
    }
};

QTEST_MAIN(RecoveryTest)
#include "test_recovery.moc"
