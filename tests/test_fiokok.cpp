// Personal accounts: the built-in login first, the login window once the server refuses
// it, each role's limits through the program's own controls, the person named in what
// the database records, and the accounts window pressed as the head of office uses it.
#include <QApplication>
#include <QTimer>
#include <QtTest>
#include <deque>

#include "TestSupport.h"
#include "assignments/oszt_tan__form.h"
#include "assignments/tanar_targy__form.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "fiokok/Fiok.h"
#include "fiokok/fiokok__form.h"
#include "main/main__form.h"
#include "office/evi_ugyek__form.h"
#include "office/naplo__form.h"
#include "reference/osztalyok__form.h"
#include "reference/tanarok__form.h"
#include "reference/tantargyak__form.h"
#include "students/uj_tanulo__form.h"

using namespace testing;
using namespace Qt::StringLiterals;
using fiok::Szerep;

namespace {

struct Account {
    QString user, password, roles; // roles: granted in the school database
    Szerep role;
};
const Account kVezeto{u"K_VEZ"_s, u"vezeto-jelszo1"_s, u"KORVANA_VEZETO, RDB$ADMIN"_s, Szerep::Vezeto};
const Account kIroda{u"K_IRO"_s, u"iroda-jelszo1"_s, u"KORVANA_IRODA"_s, Szerep::Iroda};
const Account kOlvaso{u"K_OLV"_s, u"olvaso-jelszo1"_s, u"KORVANA_OLVASO"_s, Szerep::Olvaso};
const Account kNincs{u"K_NINCS"_s, u"nincs-jelszo1"_s, {}, Szerep::Nincs};

} // namespace

class AccountsTest : public QObject {
    Q_OBJECT
    TestDatabase db_;
    std::unique_ptr<OtherCopy> admin_;
    ProgramFixture app_;

    // The program as this person: the server refuses the built-in login, she logs in.
    bool startAs(const Account& a) {
        fiok::beepitettBelepes() = {u"user_name=K_SENKI"_s, u"password=nincs-ilyen"_s};
        LoginAnswers answers({{a.user.toLower(), a.password}});
        const bool started = app_.startWithSrc(u"fiokok"_s, db_.connectionString + u"\n"_s);
        return started && answers.shown == 1;
    }
    bool canLogIn(const QString& user, const QString& password, const QString& role = {}) {
        QStringList login{u"user_name="_s + user, u"password="_s + password};
        if (!role.isEmpty()) login << u"sql_role_name="_s + role;
        try {
            OtherCopy as(db_.connectionString, login);
            return as.first(u"select current_role from rdb$database"_s).toString().trimmed() ==
                   (role.isEmpty() ? u"NONE"_s : role);
        } catch (const db::Error&) {
            return false;
        }
    }
    void stop() {
        app_.stop();
        app_.dialogs.clear();
    }
    QStringList attachments(const QString& user) {
        return admin_->all(u"select trim(mon$role) from mon$attachments where mon$user = ? and "
                           u"mon$attachment_id <> current_connection order by 1"_s,
                           {user});
    }

  private slots:
    void initTestCase() {
        db_ = createDatabase(u"fiokok"_s, {u"--demo"_s});
        admin_ = std::make_unique<OtherCopy>(db_.connectionString);
        for (const Account& a : {kVezeto, kIroda, kOlvaso, kNincs}) {
            admin_->run(u"create or alter user %1 password '%2' using plugin Srp%3"_s.arg(
                a.user, a.password, a.role == Szerep::Vezeto ? u" grant admin role"_s : QString()));
            if (!a.roles.isEmpty()) admin_->run(u"grant %1 to %2"_s.arg(a.roles, a.user));
        }
        admin_->run(u"insert into table_fiok (felhasznalo, teljes_nev) values ('K_IRO', 'Iroda Ilona')"_s);
        // Accounts are the server's: one an earlier run made goes first.
        if (admin_->first(u"select count(*) from sec$users where sec$user_name = 'K_UJ'"_s).toInt())
            admin_->run(u"drop user K_UJ"_s);
    }
    void cleanup() {
        stop();
        fiok::beepitettBelepes() = {u"user_name=sysdba"_s, u"password=velvetoak"_s};
    }

    // Nothing changes for an office that has not turned the accounts on.
    void startsWithTheBuiltInLogin() {
        LoginAnswers answers({});
        QVERIFY(app_.startWithSrc(u"fiokok"_s, db_.connectionString + u"\n"_s));
        QCOMPARE(answers.shown, 0);
        QCOMPARE(fiok::munkamenet().szerep, Szerep::Rendszergazda);
        QVERIFY(main_form->Button2->isEnabled());
    }

    // A wrong password is told without saying which was wrong; the window stays for another try.
    void asksOnceTheBuiltInLoginIsRefused() {
        fiok::beepitettBelepes() = {u"user_name=K_SENKI"_s, u"password=nincs-ilyen"_s};
        LoginAnswers answers({{u"k_iro"_s, u"rossz-jelszo"_s}, {u"k_iro"_s, kIroda.password}});
        QVERIFY2(app_.startWithSrc(u"fiokok"_s, db_.connectionString + u"\n"_s),
                 qPrintable(app_.dialogs.texts().join(u'|')));
        QCOMPARE(answers.shown, 2);
        QCOMPARE(app_.dialogs.texts(), QStringList{u"A felhasználónév vagy a jelszó nem megfelelő."_s});
        QCOMPARE(fiok::munkamenet().felhasznalo, u"K_IRO"_s);
        QCOMPARE(fiok::munkamenet().szerep, Szerep::Iroda);
        QCOMPARE(evi_ugyek_form->label_ki->text(), u"Bejelentkezve: Iroda Ilona (K_IRO), iroda"_s);
        // The program and its events both work as her, in her role.
        QTRY_COMPARE(attachments(u"K_IRO"_s), (QStringList{u"KORVANA_IRODA"_s, u"KORVANA_IRODA"_s}));
        // Attached again after a lost connection: the same person, the same role.
        DM->dbTanulo.markLost();
        DM->dbTanulo.reconnect();
        QTRY_COMPARE(attachments(u"K_IRO"_s), (QStringList{u"KORVANA_IRODA"_s, u"KORVANA_IRODA"_s}));
    }

    void refusesWhoMayNotWorkHere_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("message");
        QTest::newRow("no school role") << kNincs.user << u"Ehhez az adatbázishoz nincs jogosultsága."_s;
        QTest::newRow("switched off") << u"K_KI"_s << u"Nem lehet kapcsolódni a Korvana v2.0 adatbázishoz!"_s;
        QTest::newRow("Mégse") << QString() << u"Nem lehet kapcsolódni a Korvana v2.0 adatbázishoz!"_s;
    }
    void refusesWhoMayNotWorkHere() {
        QFETCH(QString, user);
        QFETCH(QString, message);
        admin_->run(u"create or alter user K_KI password 'kikapcsolt1' inactive using plugin Srp"_s);
        admin_->run(u"grant KORVANA_IRODA to K_KI"_s);
        fiok::beepitettBelepes() = {u"user_name=K_SENKI"_s, u"password=nincs-ilyen"_s};
        const QString password = user == kNincs.user ? kNincs.password : u"kikapcsolt1"_s;
        LoginAnswers answers(user.isEmpty() ? std::deque<std::pair<QString, QString>>{}
                                            : std::deque<std::pair<QString, QString>>{{user, password}});
        QVERIFY(!app_.startWithSrc(u"fiokok"_s, db_.connectionString + u"\n"_s));
        QVERIFY2(app_.dialogs.texts().last().startsWith(message),
                 qPrintable(app_.dialogs.texts().join(u'|')));
    }

    // Once the accounts are on, the shared built-in login no longer opens the program.
    void refusesTheBuiltInAdministratorOnceAccountsAreOn() {
        admin_->run(u"insert into table_fiok_jel (id) values (1)"_s);
        QVERIFY(!app_.startWithSrc(u"fiokok"_s, db_.connectionString + u"\n"_s));
        admin_->run(u"delete from table_fiok_jel"_s);
        QVERIFY(app_.dialogs.texts().last().contains(u"változtassa meg a szerveren a SYSDBA jelszavát"_s));
    }

    // Each role through the program's controls: what is out of reach, and what the database refuses.
    void limitsEachRole_data() {
        QTest::addColumn<int>("account");
        QTest::addColumn<bool>("writes");
        QTest::addColumn<bool>("moves");
        QTest::newRow("olvasó") << 2 << false << false;
        QTest::newRow("iroda") << 1 << true << false;
        QTest::newRow("vezető") << 0 << true << true;
    }
    void limitsEachRole() {
        QFETCH(int, account);
        QFETCH(bool, writes);
        QFETCH(bool, moves);
        const Account& a = *std::array{&kVezeto, &kIroda, &kOlvaso}[static_cast<size_t>(account)];
        QVERIFY(startAs(a));
        QCOMPARE(fiok::munkamenet().szerep, a.role);
        for (QWidget* w : std::initializer_list<QWidget*>{
                 main_form->Button2, main_form->Button13, tanarok_form->Button1, tantargyak_form->Button2,
                 osztalyok_form->Button2, tanar_targy_form->Button2, oszt_tan_form->Button3})
            QVERIFY2(w->isEnabled() == writes, qPrintable(w->objectName()));
        QCOMPARE(tanarok_form->anrtrlse1->isEnabled(), writes);
        if (!writes) QVERIFY(main_form->Button2->toolTip().contains(u"olvasó"_s));
        auto* move = evi_ugyek_form->findChild<QPushButton*>(u"ButtonTanevvaltas"_s);
        QCOMPARE(move->isEnabled(), moves);

        // A student's record saved through the record window: the person is in the log, or
        // the database's refusal is told in a sentence.
        const QString id = admin_->first(u"select min(id) from table_diak"_s).toString();
        DM->dataset_Tanulok.open();
        QVERIFY(DM->dataset_Tanulok.locate(u"ID"_s, id.toInt()));
        main_form->Button1->click();
        QVERIFY(uj_tanulo_Form->isVisible());
        const QString phone = u"+36 1 %1"_s.arg(account);
        uj_tanulo_Form->e_tanulo_tel->setText(phone);
        // The class and the language are chosen again, as the window asks.
        for (ui::IdComboBox* c : {uj_tanulo_Form->combo_nyelv, uj_tanulo_Form->combo_osztaly})
            c->setCurrentIndex(0);
        app_.dialogs.clear();
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        uj_tanulo_Form->Button1->click();
        if (writes) {
            // Wherever the log keeps the change yet: waiting to be folded in, or folded.
            QCOMPARE(
                admin_->all(
                    u"select trim(felhasznalo) from table_naplo_fuggo where diak_id = ? and u_diak_tel = ? "
                    u"union all select trim(n.felhasznalo) from table_naplo n join table_naplo_mezo m on "
                    u"m.naplo_id = n.id where n.diak_id = ? and m.mezo = 'diak_tel' and m.uj = ?"_s,
                    {id, phone, id, phone}),
                QStringList{a.user});
            // The log shows her, by her full name where the school knows it.
            triggerStudentMenu(u"Változásnapló…"_s);
            QVERIFY(naplo_form->isVisible());
            naplo_form->ds_naplo->fetchAll();
            const int last = naplo_form->ds_naplo->rowCount() - 1;
            QVERIFY(last >= 0);
            QCOMPARE(naplo_form->ds_naplo->value(last, u"Felhasználó"_s).toString(),
                     a.user == kIroda.user ? u"Iroda Ilona (K_IRO)"_s : a.user);
            naplo_form->close();
        } else {
            QVERIFY2(app_.dialogs.texts().join(u'|').contains(u"Ehhez nincs jogosultsága."_s),
                     qPrintable(app_.dialogs.texts().join(u'|')));
            QVERIFY(!app_.dialogs.texts().join(u'|').contains(u"no permission"_s));
            uj_tanulo_Form->Button2->click();
        }
        QVERIFY(main_form->isEnabled() || uj_tanulo_Form->isVisible());
    }

    // The head of office keeps the accounts through the window's own buttons.
    void headOfOfficeKeepsTheAccounts() {
        QVERIFY(startAs(kVezeto));
        main_form->Button14->click();
        evi_ugyek_form->findChild<QPushButton*>(u"ButtonFiokok"_s)->click();
        Tfiokok_form* f = fiokok_form;
        QVERIFY(f->isVisible());
        QVERIFY(f->ButtonUj->isEnabled());
        f->e_felhasznalo->setText(u"k_uj"_s);
        f->e_teljes_nev->setText(u"Új Ügyintéző"_s);
        f->combo_szerep->setCurrentIndex(f->combo_szerep->findText(u"olvasó"_s));
        f->e_jelszo1->setText(u"uj-jelszo-1"_s);
        f->e_jelszo2->setText(u"uj-jelszo-2"_s);
        f->ButtonUj->click();
        QCOMPARE(app_.dialogs.texts().last(), u"A két jelszó nem egyezik."_s);
        f->e_jelszo2->setText(u"uj-jelszo-1"_s);
        f->ButtonUj->click();
        QCOMPARE(app_.dialogs.texts().last(), u"A K_UJ fiók elkészült (olvasó)."_s);
        auto rowOf = [&](const QString& user) {
            for (int r = 0; r < f->grid_fiokok->rowCount(); ++r)
                if (f->grid_fiokok->item(r, 0)->text() == user) return r;
            return -1;
        };
        const int row = rowOf(u"K_UJ"_s);
        QVERIFY(row >= 0);
        QCOMPARE(f->grid_fiokok->item(row, 1)->text(), u"Új Ügyintéző"_s);
        QCOMPARE(f->grid_fiokok->item(row, 3)->text(), u"igen"_s);
        OtherCopy newcomer(db_.connectionString, {u"user_name=K_UJ"_s, u"password=uj-jelszo-1"_s,
                                                  u"sql_role_name=KORVANA_OLVASO"_s});

        // Another role; switched off; a new password.
        f->grid_fiokok->setCurrentCell(rowOf(u"K_UJ"_s), 0);
        f->combo_szerep->setCurrentIndex(f->combo_szerep->findText(u"iroda"_s));
        f->ButtonSzerep->click();
        QCOMPARE(
            admin_->all(u"select trim(rdb$relation_name) from rdb$user_privileges where rdb$user = 'K_UJ' "
                        u"and rdb$privilege = 'M'"_s),
            QStringList{u"KORVANA_IRODA"_s});
        f->grid_fiokok->setCurrentCell(rowOf(u"K_UJ"_s), 0);
        f->ButtonAktiv->click();
        QCOMPARE(f->grid_fiokok->item(rowOf(u"K_UJ"_s), 3)->text(), u"nem"_s);
        QVERIFY(!canLogIn(u"K_UJ"_s, u"uj-jelszo-1"_s));
        f->grid_fiokok->setCurrentCell(rowOf(u"K_UJ"_s), 0);
        f->ButtonAktiv->click();
        f->grid_fiokok->setCurrentCell(rowOf(u"K_UJ"_s), 0);
        f->e_jelszo1->setText(u"masik-jelszo"_s);
        f->e_jelszo2->setText(u"masik-jelszo"_s);
        f->ButtonJelszo->click();
        QVERIFY(canLogIn(u"K_UJ"_s, u"masik-jelszo"_s));

        // Her own password: the old one proved first; the program keeps the new one in memory.
        f->e_regi->setText(u"nem-ez-volt"_s);
        f->e_uj1->setText(u"vezeto-jelszo2"_s);
        f->e_uj2->setText(u"vezeto-jelszo2"_s);
        f->ButtonSajat->click();
        QCOMPARE(app_.dialogs.texts().last(), u"A régi jelszó nem megfelelő."_s);
        f->e_regi->setText(kVezeto.password);
        f->ButtonSajat->click();
        QCOMPARE(app_.dialogs.texts().last(), u"A jelszava megváltozott."_s);
        QVERIFY(DM->dbTanulo.params().contains(u"password=vezeto-jelszo2"_s));
        admin_->run(u"alter user K_VEZ password '%1'"_s.arg(kVezeto.password));
        f->Button1->click();
    }

    // An office account sees the window, keeps her own password, and nothing more.
    void officeAccountKeepsOnlyHerOwnPassword() {
        QVERIFY(startAs(kIroda));
        main_form->Button14->click();
        evi_ugyek_form->findChild<QPushButton*>(u"ButtonFiokok"_s)->click();
        QVERIFY(fiokok_form->isVisible());
        QVERIFY(!fiokok_form->ButtonUj->isEnabled());
        QVERIFY(fiokok_form->ButtonUj->toolTip().contains(u"vezető"_s));
        QVERIFY(fiokok_form->ButtonSajat->isEnabled());
        QCOMPARE(fiokok_form->grid_fiokok->rowCount(), 0);
        fiokok_form->Button1->click();
    }
};

QTEST_MAIN(AccountsTest)
#include "test_fiokok.moc"
