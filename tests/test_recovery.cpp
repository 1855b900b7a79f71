// Failures as an office meets them: the server stopped and started under a running
// program, a server that never answers, a failing list, notifications while a child
// window is open. This test runs its own server, so it can stop it.
#include <QElapsedTimer>
#include <QProcess>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "TestSupport.h"
#include "assignments/oszt_tan__form.h"
#include "assignments/tanar_targy__form.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "db/EventListener.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "main/Program.h"
#include "main/main__form.h"
#include "reference/tanarok__form.h"
#include "students/TanuloAdatok.h"
#include "students/uj_tanulo__form.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/IdCombo.h"

using namespace testing;
using ui::DialogKind;

namespace {

// Relays a loopback address of its own to the server: the client then looks for the
// events port on the relay's address, where nothing listens, and is refused.
class Relay : public QThread {
  public:
    Relay(const QHostAddress& at, quint16 target) : at_(at), target_(target) {}
    ~Relay() override {
        quit();
        wait();
    }
    quint16 start() {
        QThread::start();
        ready_.acquire();
        return port_;
    }

  protected:
    void run() override {
        QTcpServer server;
        server.listen(at_);
        port_ = server.serverPort();
        QObject::connect(&server, &QTcpServer::newConnection, [&] {
            while (QTcpSocket* in = server.nextPendingConnection()) {
                auto* out = new QTcpSocket(in);
                out->connectToHost(QHostAddress::LocalHost, target_);
                QObject::connect(in, &QTcpSocket::readyRead, out, [in, out] { out->write(in->readAll()); });
                QObject::connect(out, &QTcpSocket::readyRead, in, [in, out] { in->write(out->readAll()); });
                QObject::connect(in, &QTcpSocket::disconnected, in, &QObject::deleteLater);
                QObject::connect(out, &QTcpSocket::disconnected, in, &QTcpSocket::disconnectFromHost);
            }
        });
        ready_.release();
        exec();
    }

  private:
    QHostAddress at_;
    quint16 target_;
    quint16 port_ = 0;
    QSemaphore ready_;
};

} // namespace

class RecoveryTest : public QObject {
    Q_OBJECT
    QString fbDir_;
    QString port_;

    bool server(const QString& command) {
        // A server just stopped may hold its port for a moment: a start is tried again.
        for (int attempt = 0; attempt < 5; ++attempt) {
            QProcess p;
            p.setProcessChannelMode(QProcess::MergedChannels);
            QStringList args{command, fbDir_};
            if (command == QLatin1String("start")) args << port_;
            p.start(sourceDir() + QStringLiteral("/scripts/fbserver"), args);
            if (p.waitForFinished(30000) && p.exitCode() == 0) return true;
            qWarning() << p.readAll();
            QThread::msleep(1000);
        }
        return false;
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
    static int named(const QString& table, const QString& column, const QString& name) {
        return value(QStringLiteral("select count(*) from %1 where %2 = :n").arg(table, column), {name})
            .toInt();
    }

  private slots:
    void initTestCase() {
        port_ = qEnvironmentVariable("KORVANA_RECOVERY_PORT", QStringLiteral("3075"));
        fbDir_ = scratchFolder(QStringLiteral("fb-recovery"));
        qputenv("KORVANA_FB_PORT", port_.toLatin1()); // the databases of this test live on its own server
        QVERIFY(server(QStringLiteral("start")));
    }
    void cleanupTestCase() { server(QStringLiteral("stop")); }
    // A test that failed while its server was stopped leaves it running for the next.
    void cleanup() { QVERIFY(server(QStringLiteral("start"))); }

    // The answer of a commit lost: after the server carried it out, or before. Each kind
    // of write says what really happened, and is never done twice.
    void aLostCommitIsSettledBeforeAnythingIsRepeated() {
        using Lost = db::Transaction::LostCommit;
        ProgramFixture app;
        QVERIFY(
            app.start(QStringLiteral("lost-commit"), {QStringLiteral("--students"), QStringLiteral("5")}));
        auto saidLost = [&] {
            return !app.dialogs.shown.empty() &&
                   app.dialogs.shown.back().text.startsWith(db::kConnectionLostText);
        };
        for (const Lost how : {Lost::Committed, Lost::NotCommitted}) {
            const bool done = how == Lost::Committed;
            const QString tag = done ? QStringLiteral("T") : QStringLiteral("N");

            // a registration
            act([] { main_form->Button2->click(); });
            Tuj_tanulo_Form* f = uj_tanulo_Form;
            const QString name = QStringLiteral("Elveszett Ede ") + tag;
            fillNewStudent(f, name);
            app.dialogs.clear();
            db::Transaction::loseNextCommit(how);
            act([&] { f->Button1->click(); });
            QCOMPARE(named(QStringLiteral("table_diak"), QStringLiteral("nev"), name), done ? 1 : 0);
            if (done) {
                QCOMPARE(app.dialogs.texts(),
                         QStringList{name + QStringLiteral(" tanuló az adatbázisba sikeresen felvéve!")});
                QVERIFY(f->e_nev->text().isEmpty());
            } else {
                QVERIFY2(saidLost(), qPrintable(app.dialogs.texts().join(QLatin1Char('|'))));
                QCOMPARE(f->e_nev->text(), name); // kept: the next press saves it once
                act([&] { f->Button1->click(); });
                QCOMPARE(named(QStringLiteral("table_diak"), QStringLiteral("nev"), name), 1);
            }
            act([&] { f->Button2->click(); });

            // a modification
            QTRY_VERIFY(DM->dataset_Tanulok.locate(QStringLiteral("Diák neve"), name));
            act([] { main_form->Button1->click(); });
            QVERIFY(f->isVisible());
            const QString renamed = QStringLiteral("Megmaradt Márta ") + tag;
            f->e_nev->setText(renamed);
            f->combo_nyelv->setCurrentIndex(0);
            f->combo_osztaly->setCurrentIndex(0);
            app.dialogs.clear();
            app.dialogs.answer(ui::DialogAnswer::Yes);
            db::Transaction::loseNextCommit(how);
            act([&] { f->Button1->click(); });
            QVERIFY2(named(QStringLiteral("table_diak"), QStringLiteral("nev"), renamed) == (done ? 1 : 0),
                     qPrintable(app.dialogs.texts().join(QLatin1Char('|'))));
            if (done) {
                QCOMPARE(app.dialogs.texts().last(),
                         renamed + QStringLiteral(" tanuló Módosítása sikeresen megtörtént!"));
                QVERIFY(!f->isVisible());
            } else {
                QVERIFY(saidLost());
                app.dialogs.answer(ui::DialogAnswer::Yes);
                act([&] { f->Button1->click(); });
                QCOMPARE(named(QStringLiteral("table_diak"), QStringLiteral("nev"), renamed), 1);
            }
            QVERIFY(!f->isVisible());
            QVERIFY(main_form->isEnabled());

            // a delete from the main window; the list stays usable either way
            QVERIFY(DM->dataset_Tanulok.locate(QStringLiteral("Diák neve"), renamed));
            app.dialogs.clear();
            app.dialogs.answer(ui::DialogAnswer::Yes);
            db::Transaction::loseNextCommit(how);
            act([] { main_form->Button13->click(); });
            QCOMPARE(named(QStringLiteral("table_diak"), QStringLiteral("nev"), renamed), done ? 0 : 1);
            QVERIFY(done ? app.dialogs.texts().last() == QStringLiteral("Sikeres Törlés!") : saidLost());
            QTRY_VERIFY(DM->dataset_Tanulok.isOpen() && DM->dataset_Tanulok.rowCount() == (done ? 5 : 6));
            QTRY_COMPARE(main_form->label_letszam->text(),
                         QStringLiteral("%1 diák nyílvántartva").arg(done ? 5 : 6));
            if (!done) {
                QVERIFY(DM->dataset_Tanulok.locate(QStringLiteral("Diák neve"), renamed));
                app.dialogs.answer(ui::DialogAnswer::Yes);
                act([] { main_form->Button13->click(); });
                QCOMPARE(students(), 5);
            }

            // a stored procedure: a new teacher
            act([] { main_form->Button5->click(); });
            const QString teacher = QStringLiteral("Elveszett Tanár ") + tag;
            tanarok_form->edit_tanar_nev->setText(teacher);
            app.dialogs.clear();
            db::Transaction::loseNextCommit(how);
            act([] { tanarok_form->Button1->click(); });
            QCOMPARE(named(QStringLiteral("table_tanar"), QStringLiteral("nev"), teacher), done ? 1 : 0);
            QVERIFY(done ? app.dialogs.texts().last() ==
                               teacher + QStringLiteral(" tanár felvétele megtörtént.")
                         : saidLost());
            act([] { tanarok_form->Button2->click(); });
        }
    }

    // The assignment windows under a server restart: activations try nothing, and the
    // lists are back after the next action.
    void assignmentWindowsAfterARestart() {
        ProgramFixture app;
        QVERIFY(app.start(QStringLiteral("assign"), {QStringLiteral("--demo")}));
        act([] { main_form->Button11->click(); });
        Ttanar_targy_form* f = tanar_targy_form;
        QVERIFY(f->isVisible() && f->ds_tanarok->rowCount() > 0);
        f->ds_tanarok->setCurrentRow(2);
        const QVariant teacher = f->ds_tanarok->fieldByName(QStringLiteral("id"));
        QVERIFY(server(QStringLiteral("stop")));
        act([&] {
            f->combo_targyak->setCurrentIndex(0);
            f->Button2->click();
        });
        QCOMPARE(lossMessages(app.dialogs), 1);
        // an activation after a click elsewhere tries nothing and says nothing
        act([&] { ui::guarded([&] { f->FormActivate(); }); });
        QCOMPARE(app.dialogs.shown.size(), size_t(1));

        QVERIFY(server(QStringLiteral("start")));
        app.dialogs.clear();
        QStringList lines; // an action elsewhere brings the connection back
        act([&] { main_form->query(false, QStringLiteral("select 1 from rdb$database"), {}, lines); });
        f->FormActivate();
        QVERIFY(f->ds_tanarok->isOpen());
        QCOMPARE(f->ds_tanarok->fieldByName(QStringLiteral("id")), teacher);
        QVERIFY(f->combo_targyak->count() > 0);
        f->combo_targyak->setCurrentIndex(0);
        act([&] { f->Button2->click(); });
        QCOMPARE(app.dialogs.texts(), QStringList{QStringLiteral("Sikeres tárgyfelvétel!")});
        act([&] { f->Button1->click(); });

        act([] { main_form->Button12->click(); });
        Toszt_tan_form* g = oszt_tan_form;
        QVERIFY(g->ds_osztalyok->rowCount() > 0);
        QVERIFY(server(QStringLiteral("stop")));
        app.dialogs.clear();
        act([&] { ui::guarded([&] { g->dbg_osztalyokCellClick(); }); }); // a click finds the server gone
        act([&] { ui::guarded([&] { g->FormActivate(); }); });
        QCOMPARE(app.dialogs.shown.size(), size_t(1));
        QVERIFY(server(QStringLiteral("start")));
        act([&] { main_form->query(false, QStringLiteral("select 1 from rdb$database"), {}, lines); });
        g->FormActivate();
        QVERIFY(g->ds_osztalyok->isOpen() && g->ds_targyak->isOpen());
        act([&] { g->Button1->click(); });
    }

    // Events behind a firewall: one warning, and the program works on without them.
    void aRefusedEventsPortLeavesTheProgramWorking() {
        const TestDatabase db =
            createDatabase(QStringLiteral("no-events"), {QStringLiteral("--students"), QStringLiteral("3")});
        Relay relay(QHostAddress(QStringLiteral("127.0.0.2")), port_.toUShort());
        const quint16 relayPort = relay.start();
        QVERIFY(relayPort != 0);
        db::EventListener::retrySeconds = 1;
        ProgramFixture app;
        QVERIFY(app.startWithSrc(QStringLiteral("no-events"),
                                 QStringLiteral("127.0.0.2/%1:%2\n").arg(relayPort).arg(db.path)));
        QVERIFY(main_form->isVisible());
        QTRY_COMPARE(app.dialogs.shown.size(), size_t(1));
        QCOMPARE(app.dialogs.shown[0].kind, DialogKind::Warning);
        // the client library's English reason is not appended
        QCOMPARE(app.dialogs.shown[0].text,
                 QStringLiteral("Az adatbázis értesítései nem érhetők el, ezért a tanulók listája nem követi "
                                "automatikusan a többi gépen végzett változásokat."));
        QTest::qWait(2500); // the attempts in the background say nothing more
        act([] { main_form->Button8->click(); });
        QCOMPARE(app.dialogs.shown.size(), size_t(1));
        QVERIFY(!DM->dbTanulo.isLost());
        QCOMPARE(DM->dataset_Tanulok.rowCount(), 3);
        QVERIFY(!DM->uj_diak_esemeny.isQueued());
        db::EventListener::retrySeconds = 10;
    }

    // The server still away when the answer was lost: the save waits unsettled, and the
    // next press settles it first instead of storing the student a second time.
    void aLostCommitWaitsForTheServer() {
        ProgramFixture app;
        QVERIFY(app.start(QStringLiteral("lost-later"), {QStringLiteral("--students"), QStringLiteral("2")}));
        act([] { main_form->Button2->click(); });
        Tuj_tanulo_Form* f = uj_tanulo_Form;
        fillNewStudent(f, QStringLiteral("Türelmes Tódor"));
        db::Transaction::loseNextCommit(db::Transaction::LostCommit::Committed,
                                        [this] { QVERIFY(server(QStringLiteral("stop"))); });
        act([&] { f->Button1->click(); });
        QCOMPARE(lossMessages(app.dialogs), 1);
        QVERIFY(DM->hasUnsettled());
        QCOMPARE(f->e_nev->text(), QStringLiteral("Türelmes Tódor"));
        QVERIFY(server(QStringLiteral("start")));
        app.dialogs.clear();
        act([&] { f->Button1->click(); });
        QCOMPARE(app.dialogs.texts(),
                 (QStringList{QStringLiteral("Türelmes Tódor tanuló az adatbázisba sikeresen felvéve!"),
                              tanulo_adatok::kKinalas}));
        QVERIFY(!DM->hasUnsettled());
        QCOMPARE(named(QStringLiteral("table_diak"), QStringLiteral("nev"), QStringLiteral("Türelmes Tódor")),
                 1);
        QVERIFY(f->e_nev->text().isEmpty());
    }

    // The server still holds the transaction whose commit answer was lost, and carries out
    // its commit a second later: the settlement waits for it and finds the change stored.
    void aLostCommitIsSettledOnlyOnceTheServerLetsGo() {
        ProgramFixture app;
        QVERIFY(app.start(QStringLiteral("lost-held"), {QStringLiteral("--students"), QStringLiteral("2")}));
        const int id = value(QStringLiteral("select min(id) from table_diak")).toInt();
        QVERIFY(DM->dataset_Tanulok.locate(QStringLiteral("ID"), id));
        act([] { main_form->Button1->click(); });
        Tuj_tanulo_Form* f = uj_tanulo_Form;
        QVERIFY(f->isVisible());
        const QString renamed = QStringLiteral("Kitartó Kornél");
        f->e_nev->setText(renamed);
        f->combo_nyelv->setCurrentIndex(0);
        f->combo_osztaly->setCurrentIndex(0);
        const QVariantList values{renamed, ui::itemId(f->combo_osztaly->currentText()),
                                  ui::itemId(f->combo_nyelv->currentText()), id};
        // the same change, by an attachment that commits it a second after the answer was lost
        OtherCopy holder(app.db.connectionString);
        const QVariant attachment =
            holder.first(QStringLiteral("select current_connection from rdb$database"));
        std::thread later;
        db::Transaction::loseNextCommit(db::Transaction::LostCommit::NotCommitted, [&] {
            holder.exec(
                QStringLiteral("update table_diak set nev = :n, osztaly_ID = :o, tanult_nyelv_ID = :l "
                               "where id = :id"),
                values);
            db::Transaction::reportLostCommitAs(
                OtherCopy(app.db.connectionString)
                    .first(QStringLiteral("select mon$transaction_id from mon$transactions where "
                                          "mon$attachment_id = :a"),
                           {attachment})
                    .toLongLong());
            later = std::thread([&holder] {
                std::this_thread::sleep_for(std::chrono::seconds(1));
                holder.commit();
            });
        });
        app.dialogs.clear();
        app.dialogs.answer(ui::DialogAnswer::Yes);
        act([&] { f->Button1->click(); });
        later.join();
        QCOMPARE(app.dialogs.texts().last(),
                 renamed + QStringLiteral(" tanuló Módosítása sikeresen megtörtént!"));
        QVERIFY(!DM->hasUnsettled());
        QCOMPARE(named(QStringLiteral("table_diak"), QStringLiteral("nev"), renamed), 1);
    }

    // The server gone under an open transaction: its commit really fails on the network, and
    // what became of it is unknown, never a plain error.
    void aCommitLostOnTheNetworkIsUnknown() {
        ProgramFixture app;
        QVERIFY(app.start(QStringLiteral("lost-net"), {QStringLiteral("--students"), QStringLiteral("2")}));
        db::Transaction tr(DM->dbTanulo);
        tr.start();
        db::Statement insert(DM->dbTanulo, tr);
        insert.prepare(QStringLiteral("insert into table_tanar (nev) values ('Hálózati Hanna')"));
        insert.execute();
        QVERIFY(server(QStringLiteral("stop")));
        QVERIFY_THROWS_EXCEPTION(db::CommitUnknown, tr.commit());
        QVERIFY(DM->dbTanulo.isLost());
    }

    void serverRestartUnderARunningProgram() {
        ProgramFixture app;
        QVERIFY(app.start(QStringLiteral("restart"), {QStringLiteral("--students"), QStringLiteral("5")}));
        // a student typed in before the server went away
        main_form->Button2Click();
        Tuj_tanulo_Form* f = uj_tanulo_Form;
        QVERIFY(f->isVisible());
        fillNewStudent(f, QStringLiteral("Visszatérő Vilma"));

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
                 (QStringList{QStringLiteral("Visszatérő Vilma tanuló az adatbázisba sikeresen felvéve!"),
                              tanulo_adatok::kKinalas}));
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
        QVERIFY2(app.dialogs.texts().size() == 2, qPrintable(app.dialogs.texts().join(QLatin1Char('|'))));
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
        // A start-up that waits for the client library's own minutes fails here, not at the end.
        std::atomic<bool> over{false};
        std::thread watchdog([&over] {
            for (int i = 0; i < 250 && !over; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (!over) qFatal("a silent server held the start-up for more than 25 s");
        });
        const QString src = QStringLiteral("127.0.0.1/%1:/nowhere/school.fdb\n").arg(silent.serverPort());
        const bool started = app.startWithSrc(QStringLiteral("silent"), src);
        over = true;
        watchdog.join();
        QVERIFY(!started);
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
