// Personal accounts: the built-in login first, the login window once the server refuses
// it, each role's limits through the program's own controls, the person named in what
// the database records, and the accounts window pressed as the head of office uses it.
#include <QApplication>
#include <QStandardItemModel>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>
#include <deque>

#include "TestSupport.h"
#include "assignments/oszt_tan__form.h"
#include "assignments/tanar_targy__form.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "documents/dokumentumok__form.h"
#include "fiokok/Fiok.h"
#include "fiokok/fiokok__form.h"
#include "main/connect__form.h"
#include "main/main__form.h"
#include "office/archivum__form.h"
#include "office/evi_ugyek__form.h"
#include "office/naplo__form.h"
#include "queries/lekerdezesek__form.h"
#include "reference/osztalyok__form.h"
#include "reference/tanarok__form.h"
#include "reference/tantargyak__form.h"
#include "students/tanulo_adatok__form.h"
#include "students/uj_tanulo__form.h"

using namespace testing;
using namespace Qt::StringLiterals;
using fiok::Szerep;

namespace {

struct Account {
    QString user, password, roles; // roles: granted in the school database
    Szerep role;
};
// the head holds the office's role too: she works as the higher one
const Account kVezeto{u"K_VEZ"_s, u"vezeto-jelszo1"_s, u"KORVANA_VEZETO, KORVANA_IRODA, RDB$ADMIN"_s,
                      Szerep::Vezeto};
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
        // a Hungarian box, every sentence capitalised
        const auto& box = app_.dialogs.shown.back();
        QCOMPARE(box.title, u"Hiba"_s);
        QVERIFY(box.text.contains(u"változtassa meg a szerveren a SYSDBA jelszavát"_s));
        QVERIFY(box.text.endsWith(u"\r\rA program futása le fog állni."_s));
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
            // out of reach before anything is typed, not refused at the end
            QVERIFY(!uj_tanulo_Form->Button1->isEnabled());
            QVERIFY(uj_tanulo_Form->Button1->toolTip().contains(u"„olvasó” szerepkörrel nem használható"_s));
            QCOMPARE(app_.dialogs.texts(), QStringList{});
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
        f->e_jelszo2->clear();
        QTest::keyClicks(f->e_jelszo2, u"uj-jelszo-1"_s); // typed, as a person does
        f->ButtonUj->click();
        QCOMPARE(app_.dialogs.texts().last(), u"A K_UJ fiók elkészült (olvasó)."_s);
        // what was typed is stored: leaving asks nothing; Tab leaves the list of accounts
        f->grid_fiokok->setFocus();
        QTest::keyClick(f->grid_fiokok, Qt::Key_Tab);
        QVERIFY(f->focusWidget() != f->grid_fiokok);
        const size_t boxes = app_.dialogs.shown.size();
        QTest::keyClick(f, Qt::Key_Escape);
        QCOMPARE(app_.dialogs.shown.size(), boxes);
        QVERIFY(!f->isVisible());
        evi_ugyek_form->findChild<QPushButton*>(u"ButtonFiokok"_s)->click();
        QVERIFY(f->isVisible());
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

    // The accounts window as the head opens it, her own row not chosen: a new account is
    // the office's unless she says otherwise.
    Tfiokok_form* openAccounts() {
        if (!startAs(kVezeto)) return nullptr;
        main_form->Button14->click();
        evi_ugyek_form->findChild<QPushButton*>(u"ButtonFiokok"_s)->click();
        return fiokok_form->isVisible() ? fiokok_form : nullptr;
    }
    int rowOf(Tfiokok_form* f, const QString& user) {
        for (int r = 0; r < f->grid_fiokok->rowCount(); ++r)
            if (f->grid_fiokok->item(r, 0)->text() == user) return r;
        return -1;
    }
    void dropUser(const QString& user) {
        if (admin_->first(u"select count(*) from sec$users where sec$user_name = ?"_s, {user}).toInt())
            admin_->run(u"drop user %1"_s.arg(user));
    }

    // Names the server would keep as something else, or cut, are refused with the reason;
    // passwords have one limit, in every window that takes one.
    void refusesWhatTheServerWouldNotKeep_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        const QString ok = u"jo-jelszo-1"_s;
        QTest::newRow("PUBLIC") << u"public"_s << ok << u"PUBLIC név a szerveren mindenkit jelent"_s;
        QTest::newRow("SYSDBA") << u"sysdba"_s << ok
                                << u"SYSDBA nevet a szerver vagy a program már használja"_s;
        QTest::newRow("USER") << u"user"_s << ok << u"USER a szerver SQL-nyelvének foglalt szava"_s;
        QTest::newRow("SELECT") << u"Select"_s << ok << u"SELECT a szerver SQL-nyelvének foglalt szava"_s;
        QTest::newRow("a role's name")
            << u"korvana_iroda"_s << ok << u"KORVANA_IRODA nevet a szerver vagy a program már használja"_s;
        QTest::newRow("32 characters")
            << u"A234567890123456789012345678901X"_s << ok
            << u"A felhasználónév legfeljebb 31 karakter lehet, mert a szerver ennyit "
               u"őriz meg belőle; ez 32 karakteres."_s;
        QTest::newRow("accented") << u"Árpád"_s << ok << u"A felhasználónév betűvel kezdődjön"_s;
        QTest::newRow("7 characters")
            << u"k_rovid"_s << u"1234567"_s << u"A jelszó legalább 8 karakter legyen."_s;
        QTest::newRow("101 characters") << u"k_hosszu"_s << QString(101, u'j')
                                        << u"A jelszó legfeljebb 100 karakter lehet; ez 101 karakteres."_s;
    }
    void refusesWhatTheServerWouldNotKeep() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, message);
        Tfiokok_form* f = openAccounts();
        QVERIFY(f);
        QCOMPARE(f->combo_szerep->currentText(), u"iroda"_s);
        QCOMPARE(f->grid_fiokok->currentRow(), -1);
        const int accounts = admin_->first(u"select count(*) from sec$users"_s).toInt();
        f->e_felhasznalo->setText(name);
        QCOMPARE(f->e_felhasznalo->text(), name); // never cut as typed
        f->e_teljes_nev->setText(u"Próba Név"_s);
        f->e_jelszo1->setText(password);
        f->e_jelszo2->setText(password);
        f->ButtonUj->click();
        QVERIFY2(app_.dialogs.texts().last().contains(message), qPrintable(app_.dialogs.texts().last()));
        QCOMPARE(admin_->first(u"select count(*) from sec$users"_s).toInt(), accounts);
    }

    // The longest password the window takes is one the login window takes whole.
    void theLongestPasswordLogsIn() {
        dropUser(u"K_HOSSZU"_s);
        Tfiokok_form* f = openAccounts();
        QVERIFY(f);
        const QString password(fiok::kJelszoMax, u'h');
        f->e_felhasznalo->setText(u"k_hosszu"_s);
        f->e_teljes_nev->setText(u"Hosszú Jelszavú"_s);
        f->e_jelszo1->setText(password);
        f->e_jelszo2->setText(password);
        f->ButtonUj->click();
        QCOMPARE(app_.dialogs.texts().last(), u"A K_HOSSZU fiók elkészült (iroda)."_s);
        // an office account is no administrator of the server or the database
        QCOMPARE(
            admin_->first(u"select sec$admin from sec$users where sec$user_name = 'K_HOSSZU'"_s).toBool(),
            false);
        QVERIFY(!canLogIn(u"K_HOSSZU"_s, password, u"RDB$ADMIN"_s));
        stop();
        fiok::beepitettBelepes() = {u"user_name=K_SENKI"_s, u"password=nincs-ilyen"_s};
        LoginAnswers answers({{u"k_hosszu"_s, password}});
        QVERIFY2(app_.startWithSrc(u"fiokok"_s, db_.connectionString + u"\n"_s),
                 qPrintable(app_.dialogs.texts().join(u'|')));
        QCOMPARE(fiok::munkamenet().felhasznalo, u"K_HOSSZU"_s);
    }

    // A role is changed whoever granted it, and a head demoted keeps no administrator's rights.
    void changesARoleAnotherHeadGranted() {
        dropUser(u"K_MAS"_s);
        dropUser(u"K_ALT"_s);
        admin_->run(u"create user K_MAS password 'mas-vezeto1' using plugin Srp grant admin role"_s);
        admin_->run(u"grant KORVANA_VEZETO to K_MAS"_s);
        admin_->run(u"grant RDB$ADMIN to K_MAS"_s);
        admin_->run(u"create user K_ALT password 'alt-jelszo1' using plugin Srp grant admin role"_s);
        {
            OtherCopy other(db_.connectionString,
                            {u"user_name=K_MAS"_s, u"password=mas-vezeto1"_s, u"sql_role_name=RDB$ADMIN"_s});
            other.run(u"grant KORVANA_VEZETO to K_ALT"_s);
            other.run(u"grant RDB$ADMIN to K_ALT"_s);
        }
        QVERIFY(canLogIn(u"K_ALT"_s, u"alt-jelszo1"_s, u"RDB$ADMIN"_s));
        Tfiokok_form* f = openAccounts();
        QVERIFY(f);
        f->grid_fiokok->setCurrentCell(rowOf(f, u"K_ALT"_s), 0);
        f->combo_szerep->setCurrentIndex(f->combo_szerep->findText(u"iroda"_s));
        f->ButtonSzerep->click();
        QVERIFY2(app_.dialogs.texts().last().startsWith(u"A K_ALT fiók szerepe: iroda."_s),
                 qPrintable(app_.dialogs.texts().join(u'|')));
        QCOMPARE(
            admin_->all(u"select trim(rdb$relation_name) from rdb$user_privileges where rdb$user = 'K_ALT' "
                        u"and rdb$privilege = 'M'"_s),
            QStringList{u"KORVANA_IRODA"_s});
        QCOMPARE(admin_->first(u"select sec$admin from sec$users where sec$user_name = 'K_ALT'"_s).toBool(),
                 false);
        QVERIFY(!canLogIn(u"K_ALT"_s, u"alt-jelszo1"_s, u"RDB$ADMIN"_s));
        admin_->run(u"alter user K_MAS inactive"_s);
    }

    // The last active head can be neither demoted nor switched off: no one could make another.
    void keepsTheLastHead() {
        Tfiokok_form* f = openAccounts();
        QVERIFY(f);
        for (const QString& other :
             admin_->all(u"select trim(p.rdb$user) from rdb$user_privileges p join sec$users u on "
                         u"u.sec$user_name = p.rdb$user where p.rdb$relation_name = 'KORVANA_VEZETO' and "
                         u"p.rdb$privilege = 'M' and u.sec$active and p.rdb$user <> 'K_VEZ'"_s))
            admin_->run(u"alter user %1 inactive"_s.arg(other));
        f->grid_fiokok->setCurrentCell(rowOf(f, u"K_VEZ"_s), 0);
        f->combo_szerep->setCurrentIndex(f->combo_szerep->findText(u"olvasó"_s));
        f->ButtonSzerep->click();
        QVERIFY2(app_.dialogs.texts().last().startsWith(u"A K_VEZ fiók az iskola utolsó aktív vezetője"_s),
                 qPrintable(app_.dialogs.texts().join(u'|')));
        QVERIFY(admin_
                    ->all(u"select trim(rdb$relation_name) from rdb$user_privileges where rdb$user = 'K_VEZ' "
                          u"and rdb$privilege = 'M'"_s)
                    .contains(u"KORVANA_VEZETO"_s));
        // with a second head, either may step down
        admin_->run(u"alter user K_MAS active"_s);
        f->Button1->click();
        evi_ugyek_form->findChild<QPushButton*>(u"ButtonFiokok"_s)->click();
        f->grid_fiokok->setCurrentCell(rowOf(f, u"K_MAS"_s), 0);
        f->ButtonAktiv->click();
        QVERIFY2(app_.dialogs.texts().last().startsWith(u"A K_MAS fiók kikapcsolva"_s),
                 qPrintable(app_.dialogs.texts().join(u'|')));
        QVERIFY(f->findChild<QLabel*>(u"label_vezeto"_s)->text().contains(u"a SYSDBA-t is"_s));
    }

    // A status changed by the office is an event of the log, with its fields, for the roles
    // that read the statuses; the read-only role never sees it, not even by its summary.
    void statusChangesInTheLog() {
        const QString id = admin_->first(u"select max(id) from table_diak"_s).toString();
        const QString name = admin_->first(u"select nev from table_diak where id = ?"_s, {id}).toString();
        admin_->run(
            u"update or insert into table_diak_bizalmas (diak_id, sni) values (?, 0) matching (diak_id)"_s,
            {id});
        QVERIFY(startAs(kIroda));
        DM->dataset_Tanulok.open();
        QVERIFY(DM->dataset_Tanulok.locate(u"ID"_s, id.toInt()));
        triggerStudentMenu(u"További adatok…"_s);
        tanulo_adatok_form->sni.van->setChecked(true);
        tanulo_adatok_form->sni.kelte->setText(u"2026.09.15."_s);
        tanulo_adatok_form->Button1->click();
        QVERIFY(!tanulo_adatok_form->isVisible());
        triggerStudentMenu(u"Változásnapló…"_s);
        Tnaplo_form* log = naplo_form;
        const QString summary = u"Jogállás módosítása: %1 – SNI, SNI határozat kelte"_s.arg(name);
        auto rowOf = [&](const QString& text) {
            log->ds_naplo->fetchAll();
            for (int r = 0; r < log->ds_naplo->rowCount(); ++r)
                if (log->ds_naplo->value(r, u"Esemény"_s).toString() == text) return r;
            return -1;
        };
        const int row = rowOf(summary);
        QVERIFY2(row >= 0, qPrintable(summary));
        QCOMPARE(log->ds_naplo->value(row, u"Felhasználó"_s).toString(), u"Iroda Ilona (K_IRO)"_s);
        log->ds_naplo->setCurrentRow(-1);
        log->ds_naplo->setCurrentRow(row);
        log->ds_reszlet->fetchAll();
        QStringList fields;
        for (int r = 0; r < log->ds_reszlet->rowCount(); ++r)
            fields << QStringList{log->ds_reszlet->value(r, u"Adat"_s).toString(),
                                  log->ds_reszlet->value(r, u"Régi érték"_s).toString(),
                                  log->ds_reszlet->value(r, u"Új érték"_s).toString()}
                          .join(u'|');
        QCOMPARE(fields, (QStringList{u"SNI|nem|igen"_s, u"SNI határozat kelte||2026.09.15."_s}));
        // narrowed to the statuses, or to one of their fields, it stays; to another, it goes
        log->combo_muvelet->setCurrentIndex(log->combo_muvelet->findData(u"jogállás"_s));
        QVERIFY(log->Button1Click());
        QVERIFY(rowOf(summary) >= 0);
        log->combo_muvelet->setCurrentIndex(log->combo_muvelet->findData(u"módosítás"_s));
        QVERIFY(log->Button1Click());
        QCOMPARE(rowOf(summary), -1);
        log->combo_muvelet->setCurrentIndex(0);
        log->combo_mezo->setCurrentIndex(log->combo_mezo->findData(u"sni_kelte"_s));
        QVERIFY(log->Button1Click());
        QVERIFY(rowOf(summary) >= 0);
        log->Button4->click();
        stop();

        QVERIFY(startAs(kOlvaso));
        DM->dataset_Tanulok.open();
        QVERIFY(DM->dataset_Tanulok.locate(u"ID"_s, id.toInt()));
        triggerStudentMenu(u"Változásnapló…"_s);
        log = naplo_form;
        QCOMPARE(rowOf(summary), -1);
        QCOMPARE(log->combo_mezo->findData(u"sni"_s), -1);
        log->Button4->click();
    }

    // The read-only role walks every window: each control that writes, takes a number or
    // runs what the database refuses her is out of reach, saying why; what stays in reach
    // reads, lists, previews or closes.
    void readOnlyWalk() {
        QVERIFY(startAs(kOlvaso));
        QStringList enabled, silent;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName().isEmpty() || top->inherits("QMenu") || top == connect_form) continue;
            QList<QObject*> controls;
            for (QPushButton* b : top->findChildren<QPushButton*>())
                controls << b;
            for (QAction* a : top->findChildren<QAction*>())
                if (!a->text().isEmpty() && !a->isSeparator()) controls << a;
            for (QObject* c : controls) {
                auto* w = qobject_cast<QWidget*>(c);
                auto* a = qobject_cast<QAction*>(c);
                const QString key =
                    top->objectName() + u'/' +
                    (c->objectName().isEmpty() ? (a ? a->text() : w->property("text").toString())
                                               : c->objectName());
                const bool on = w ? w->isEnabled() : a->isEnabled();
                const QString tip = w ? w->toolTip() : a->toolTip();
                if (on)
                    enabled << key;
                else if (!tip.contains(u"„olvasó” szerepkörrel nem használható"_s))
                    silent << key;
            }
        }
        enabled.sort();
        // what only reads, lists, prints a list, previews or closes
        const std::pair<QString, QStringList> readers[] = {
            {u"adatmegorzes_form"_s, {u"4"_s}},
            {u"archivum_form"_s, {u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}},
            {u"beolvasas_form"_s, {u"1"_s, u"5"_s, u"6"_s, u"7"_s}},
            {u"dokumentumok_form"_s,
             {u"3"_s, u"4"_s, u"6"_s, u"Lista1"_s, u"Lista2"_s, u"Lista3"_s, u"Lista4"_s}},
            {u"evi_ugyek_form"_s, {u"1"_s, u"Archivum"_s, u"Fiokok"_s, u"Naplo"_s}},
            {u"fiokok_form"_s, {u"1"_s, u"Sajat"_s}},
            {u"hozzaferes_form"_s, {u"2"_s}},
            {u"main_form"_s,
             {u"1"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s, u"8"_s, u"9"_s, u"10"_s, u"11"_s, u"12"_s,
              u"14"_s}},
            {u"naplo_form"_s, {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}},
            {u"iskola_adatai_form"_s, {u"2"_s}},
            {u"kilepes_form"_s, {u"2"_s}},
            {u"lekerdezesek_form"_s, {u"4"_s}},
            {u"oszt_tan_form"_s, {u"1"_s}},
            {u"osztalyok_form"_s, {u"1"_s}},
            {u"tanar_targy_form"_s, {u"1"_s}},
            {u"tanarok_form"_s, {u"2"_s}},
            {u"tanevvaltas_form"_s, {u"6"_s}},
            {u"tantargyak_form"_s, {u"1"_s}},
            {u"tanulo_adatok_form"_s, {u"2"_s}},
            {u"uj_tanulo_Form"_s, {u"2"_s}}};
        QStringList reads{u"main_form/Adatlap…"_s, u"main_form/Igazolás…"_s, u"main_form/További adatok…"_s,
                          u"main_form/Változásnapló…"_s};
        for (const auto& [window, buttons] : readers)
            for (const QString& b : buttons)
                reads << window + u"/Button"_s + b;
        reads.sort();
        QCOMPARE(enabled, reads);
        // disabled until a query has run, not for the role
        QCOMPARE(silent, (QStringList{u"lekerdezesek_form/Button1"_s, u"lekerdezesek_form/Button2"_s,
                                      u"lekerdezesek_form/Button3"_s, u"lekerdezesek_form/Button5"_s}));

        // pressed: what she may read opens, and is never refused
        main_form->Button1->click();
        QVERIFY(uj_tanulo_Form->isVisible());
        uj_tanulo_Form->Button2->click();
        triggerStudentMenu(u"További adatok…"_s);
        QVERIFY(tanulo_adatok_form->isVisible());
        QCOMPARE(tanulo_adatok_form->sni.van->checkState(), Qt::PartiallyChecked);
        QCOMPARE(tanulo_adatok_form->sni.kelte->placeholderText(), u"nem látható"_s);
        tanulo_adatok_form->Button2->click();
        triggerStudentMenu(u"Adatlap…"_s);
        QVERIFY(dokumentumok_form->isVisible());
        dokumentumok_form->Button6->click();
        QVERIFY(dokumentumok_form->previewText);
        QVERIFY2(dokumentumok_form->previewText->toPlainText().contains(u"nem látható"_s),
                 qPrintable(dokumentumok_form->previewText->toPlainText()));
        dokumentumok_form->previewDialog->close();
        dokumentumok_form->Button4->click();
        triggerStudentMenu(u"Változásnapló…"_s);
        QVERIFY(naplo_form->isVisible());
        QCOMPARE(naplo_form->combo_muvelet->findData(u"jogállás"_s), -1);
        naplo_form->Button4->click();
        main_form->Button7->click();
        QVERIFY(lekerdezesek_form->isVisible());
        auto* queries = qobject_cast<QStandardItemModel*>(lekerdezesek_form->combo_lekerdezes->model());
        QVERIFY(queries);
        for (int i = 0; i < queries->rowCount(); ++i)
            QCOMPARE(queries->item(i)->isEnabled(), !queries->item(i)->text().startsWith(u"Októberi"_s));
        lekerdezesek_form->Button4->click();
        for (const char* task : {"ButtonNaplo", "ButtonArchivum", "ButtonFiokok"}) {
            main_form->Button14->click();
            evi_ugyek_form->findChild<QPushButton*>(QString::fromLatin1(task))->click();
        }
        QVERIFY2(!app_.dialogs.texts().join(u'|').contains(u"jogosultsága"_s) &&
                     !app_.dialogs.texts().join(u'|').contains(u"permission"_s),
                 qPrintable(app_.dialogs.texts().join(u'|')));
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
