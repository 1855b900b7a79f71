// The student record window: registration, view and modification.
#include <QtTest>

#include "TestSupport.h"
#include "data/Azonosito.h"
#include "data/DataModule.h"
#include "db/Connection.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "main/main__form.h"
#include "students/TanuloAdatok.h"
#include "students/uj_tanulo__form.h"

using testing::ProgramFixture;
using ui::DialogAnswer;
using ui::DialogKind;
using Form = Tuj_tanulo_Form;

namespace {
const QString kDateWarning = QStringLiteral("Helytelen DátumFormátum!\r \rHelyes formátum:  ÉÉÉÉ.HH.NN.");
const QString kTajLength = QStringLiteral("A TAJ-szám 9 számjegyből áll.");
const QString kTajCheck = QStringLiteral("A TAJ-szám ellenőrző számjegye hibás.");
const QString kOmForm = QStringLiteral("Az OM azonosító 11 számjegyből áll, és 7-essel kezdődik.");
const QString kOmCheck = QStringLiteral("Az OM azonosító ellenőrző számjegye hibás.");
const QString kMandatoryStart =
    QStringLiteral("Nem töltött ki minden kötelező mezőt! \r \rKötelezően kitőltendő mezők:");

// One student row read straight from the database, each column by name.
QVariantMap readRow(const QString& where, const QVariantList& params) {
    db::Statement s(DM->dbTanulo, DM->trTanulo);
    s.prepare(QStringLiteral("select * from table_diak where ") + where);
    s.bind(params);
    s.execute();
    QVariantMap row;
    if (s.fetch())
        for (int c = 0; c < s.columnCount(); ++c)
            row.insert(s.columnName(c).toLower(), s.value(c));
    s.closeCursor();
    return row;
}

void chooseFirst(ui::IdComboBox* combo) {
    combo->setCurrentIndex(0);
}

void fillAll(Form* f, const QString& name) {
    f->e_nev->setText(name);
    f->e_cim->setText(QStringLiteral("Petőfi Sándor utca 12."));
    f->e_varos->setText(QStringLiteral("Szeged"));
    f->e_szul_ido->setText(QStringLiteral("2009.11.03."));
    f->e_szul_hely->setText(QStringLiteral("Hódmezővásárhely"));
    f->e_sz_szam->setText(QStringLiteral("123456AB"));
    f->e_tanulo_tel->setText(QStringLiteral("+36 30 123 4567"));
    f->e_taj->setText(QStringLiteral("123 456 789"));
    f->e_OM->setText(QStringLiteral("71234567890"));
    f->e_diak->setText(QStringLiteral("1234567890"));
    f->e_anyja_nev->setText(QStringLiteral("Kovács Éva"));
    f->e_gond_nev->setText(QStringLiteral("O'Brien Őze; \"Apu\""));
    f->e_gond_cim->setText(QStringLiteral("Tisza Lajos körút 5."));
    f->e_gond_tel->setText(QStringLiteral("+36 62 555 111"));
    f->m_mj->setPlainText(QStringLiteral("első sor; pontosvesszővel\nmásodik 'idézett' sor"));
    chooseFirst(f->combo_nyelv);
    chooseFirst(f->combo_osztaly);
}
} // namespace

class StudentTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;

    void openNew() {
        main_form->Button2->click();
        QVERIFY(uj_tanulo_Form->isVisible());
        QCOMPARE(uj_tanulo_Form->Button1->text(), QStringLiteral("Tanuló felvétele"));
        QCOMPARE(uj_tanulo_Form->windowTitle(), QStringLiteral("Új tanuló felvétele"));
    }
    void openModify(int id) {
        DM->dataset_Tanulok.open();
        QVERIFY(DM->dataset_Tanulok.locate(QStringLiteral("ID"), id));
        main_form->Button1->click();
        QVERIFY2(uj_tanulo_Form->isVisible(), qPrintable(app_.dialogs.texts().join(QLatin1Char('|'))));
    }
    void closeForm() {
        uj_tanulo_Form->Button2->click();
        QVERIFY(!uj_tanulo_Form->isVisible());
        QVERIFY(main_form->isEnabled());
    }

  private slots:
    void initTestCase() { QVERIFY(app_.start(QStringLiteral("student"), {QStringLiteral("--demo")})); }
    void init() { app_.dialogs.clear(); }
    void cleanupTestCase() { app_.stop(); }

    void registersEveryBox() {
        main_form->edit_akt_tanev->setText(QStringLiteral("2005"));
        main_form->edit_akt_tanev2->setText(QStringLiteral("2006"));
        openNew();
        Form* f = uj_tanulo_Form;
        QVERIFY(f->combo_nyelv->count() > 0);
        QCOMPARE(f->combo_nyelv->currentText(), QString());
        QCOMPARE(f->edit_akt_tanev->text(), QStringLiteral("2005"));
        QCOMPARE(f->edit_akt_tanev2->text(), QStringLiteral("2006"));
        QVERIFY(!f->label_ID->isVisible());
        fillAll(f, QStringLiteral("Ádám Ödön"));
        const int languageId = ui::itemId(f->combo_nyelv->currentText());
        const int classId = ui::itemId(f->combo_osztaly->currentText());
        const QString before = main_form->label_letszam->text();
        f->Button1->click();
        QCOMPARE(app_.dialogs.texts(),
                 (QStringList{QStringLiteral("Ádám Ödön tanuló az adatbázisba sikeresen felvéve!"),
                              tanulo_adatok::kKinalas}));
        QCOMPARE(app_.dialogs.shown[0].kind, DialogKind::Information);
        const QVariantMap row = readRow(QStringLiteral("nev = :n"), {QStringLiteral("Ádám Ödön")});
        QCOMPARE(row.value("diak_cim").toString(), QStringLiteral("Petőfi Sándor utca 12."));
        QCOMPARE(row.value("diak_cim_varos").toString(), QStringLiteral("Szeged"));
        QCOMPARE(row.value("szul_ido").toDate(), QDate(2009, 11, 3));
        QCOMPARE(row.value("szul_hely").toString(), QStringLiteral("Hódmezővásárhely"));
        QCOMPARE(row.value("sz_szam").toString(), QStringLiteral("123456AB"));
        QCOMPARE(row.value("diak_tel").toString(), QStringLiteral("+36 30 123 4567"));
        QCOMPARE(row.value("diak_taj").toString(), QStringLiteral("123 456 789"));
        QCOMPARE(row.value("diak_om").toString(), QStringLiteral("71234567890"));
        QCOMPARE(row.value("diak_diak").toString(), QStringLiteral("1234567890"));
        QCOMPARE(row.value("anyja_nev").toString(), QStringLiteral("Kovács Éva"));
        QCOMPARE(row.value("gondviselo_nev").toString(), QStringLiteral("O'Brien Őze; \"Apu\""));
        QCOMPARE(row.value("gondviselo_cim").toString(), QStringLiteral("Tisza Lajos körút 5."));
        QCOMPARE(row.value("gondviselo_tel").toString(), QStringLiteral("+36 62 555 111"));
        QCOMPARE(row.value("mj").toString(),
                 QStringLiteral("első sor; pontosvesszővel\r\nmásodik 'idézett' sor"));
        QCOMPARE(row.value("osztaly_id").toInt(), classId);
        QCOMPARE(row.value("tanult_nyelv_id").toInt(), languageId);
        QCOMPARE(row.value("evfolyam").toInt(), 2005);
        // the window stays open, emptied; the list and the headcount follow
        QVERIFY(f->isVisible());
        QCOMPARE(f->e_nev->text(), QString());
        QCOMPARE(f->combo_nyelv->count(), 0);
        QCOMPARE(main_form->label_letszam->text().section(QLatin1Char(' '), 0, 0).toInt(),
                 before.section(QLatin1Char(' '), 0, 0).toInt() + 1);
        QVERIFY(DM->dataset_Tanulok.isOpen());
        QTRY_VERIFY(DM->uj_diak_esemeny.isQueued()); // the events keep their own connection

        // saving again without reopening: the lists are empty
        app_.dialogs.clear();
        fillAll(f, QStringLiteral("Második Próba"));
        f->Button1->click();
        QCOMPARE(app_.dialogs.shown.size(), size_t(1));
        QVERIFY(app_.dialogs.shown[0].text.startsWith(kMandatoryStart));
        closeForm();
        main_form->akt_tanev();
    }

    void checksComeInOrder() {
        openNew();
        Form* f = uj_tanulo_Form;
        fillAll(f, QStringLiteral("Dátum Nélkül"));
        f->e_szul_ido->clear();
        f->Button1->click();
        QCOMPARE(app_.dialogs.texts(), QStringList{kDateWarning});
        app_.dialogs.clear();
        f->e_nev->clear();
        f->Button1->click();
        QCOMPARE(app_.dialogs.shown.size(), size_t(2));
        QCOMPARE(app_.dialogs.shown[0].text, kDateWarning);
        QCOMPARE(app_.dialogs.shown[1].kind, DialogKind::Warning);
        QVERIFY(
            app_.dialogs.shown[1].text.endsWith(QStringLiteral("Aktuális tanév. \r \rSikertelen felvétel.")));
        QCOMPARE(f->e_cim->text(), QStringLiteral("Petőfi Sándor utca 12.")); // boxes keep their texts
        // a text in the date form that is no real date
        for (const QString& bad : {QStringLiteral("2009.13.45."), QStringLiteral("ABCD.EF.GH.")}) {
            app_.dialogs.clear();
            f->e_nev->setText(QStringLiteral("Nem Létező Dátum"));
            f->e_szul_ido->setText(bad);
            f->Button1->click();
            QCOMPARE(app_.dialogs.shown.size(), size_t(1));
            QVERIFY(app_.dialogs.shown[0].text.contains(bad));
        }
        // a character WIN1250 cannot hold
        app_.dialogs.clear();
        f->e_szul_ido->setText(QStringLiteral("2009.11.03."));
        f->e_varos->setText(QStringLiteral("Szeged ✓"));
        f->Button1->click();
        QCOMPARE(app_.dialogs.shown.size(), size_t(1));
        QVERIFY(app_.dialogs.shown[0].text.contains(QStringLiteral("✓")));
        QVERIFY(readRow(QStringLiteral("nev = :n"), {QStringLiteral("Nem Létező Dátum")}).isEmpty());
        // a name of spaces is filled
        app_.dialogs.clear();
        f->e_varos->setText(QStringLiteral("Szeged"));
        f->e_nev->setText(QStringLiteral("   "));
        f->Button1->click();
        QCOMPARE(app_.dialogs.texts(),
                 (QStringList{QStringLiteral("    tanuló az adatbázisba sikeresen felvéve!"),
                              tanulo_adatok::kKinalas}));
        QVERIFY(!readRow(QStringLiteral("nev = :n"), {QStringLiteral("   ")}).isEmpty());
        closeForm();
    }

    void schoolYearAndAddressCopy() {
        openNew();
        Form* f = uj_tanulo_Form;
        f->edit_akt_tanev->setText(QStringLiteral("2007"));
        QCOMPARE(f->edit_akt_tanev2->text(), QStringLiteral("2008"));
        // the guardian's address follows, the last letter too, until the user types another
        f->e_cim->setFocus();
        QTest::keyClicks(f->e_cim, QStringLiteral("Fo utca 9"));
        QCOMPARE(f->e_gond_cim->text(), QStringLiteral("Fo utca 9"));
        QTest::keyClicks(f->e_varos, QStringLiteral("X")); // other boxes copy nothing
        QTest::keyClick(f->e_gond_cim, Qt::Key_Backspace);
        QTest::keyClicks(f->e_cim, QStringLiteral("/a"));
        QCOMPARE(f->e_gond_cim->text(), QStringLiteral("Fo utca "));
        fillAll(f, QStringLiteral("Évfolyam Hetes"));
        f->edit_akt_tanev->setText(QStringLiteral("2007"));
        f->Button1->click();
        QCOMPARE(
            readRow(QStringLiteral("nev = :n"), {QStringLiteral("Évfolyam Hetes")}).value("evfolyam").toInt(),
            2007);
        // the close box restores the main window as the button does
        uj_tanulo_Form->close();
        QVERIFY(main_form->isEnabled());
        QCOMPARE(main_form->windowOpacity(), 1.0);
    }

    void modificationShowsEveryTextUnchanged() {
        const int id = readRow(QStringLiteral("nev = :n"), {QStringLiteral("Ádám Ödön")}).value("id").toInt();
        openModify(id);
        Form* f = uj_tanulo_Form;
        QCOMPARE(f->windowTitle(), QStringLiteral("Információs és/vagy Módosítás"));
        QCOMPARE(f->Button1->text(), QStringLiteral("Adatok módosítása"));
        QCOMPARE(f->label_ID->text(), QString::number(id));
        QVERIFY(f->label_ID->isVisible() && f->label_osztaly->isVisible() && f->label_nyelv->isVisible());
        QVERIFY(f->label_osztaly->text().startsWith(QStringLiteral("Jelenlegi osztály:  ")));
        QVERIFY(f->label_nyelv->text().startsWith(QStringLiteral("Tanult nyelv:  ")));
        QCOMPARE(f->e_nev->text(), QStringLiteral("Ádám Ödön"));
        QCOMPARE(f->e_szul_ido->text(), QStringLiteral("2009.11.03."));
        QCOMPARE(f->e_gond_nev->text(), QStringLiteral("O'Brien Őze; \"Apu\""));
        QCOMPARE(f->e_gond_tel->text(), QStringLiteral("+36 62 555 111"));
        QCOMPARE(f->m_mj->toPlainText(), QStringLiteral("első sor; pontosvesszővel\nmásodik 'idézett' sor"));
        QCOMPARE(f->edit_akt_tanev->text(), QStringLiteral("2005"));
        QCOMPARE(f->edit_akt_tanev2->text(), QStringLiteral("2006"));
        QCOMPARE(f->combo_osztaly->currentIndex(), -1);

        // without choosing class and language: the mandatory warning
        f->Button1->click();
        QCOMPARE(app_.dialogs.shown.size(), size_t(1));
        QVERIFY(app_.dialogs.shown[0].text.startsWith(kMandatoryStart));
        // No to the confirmation keeps everything
        app_.dialogs.clear();
        chooseFirst(f->combo_nyelv);
        f->combo_osztaly->setCurrentIndex(1);
        f->e_varos->setText(QStringLiteral("Makó"));
        f->Button1->click();
        QCOMPARE(
            app_.dialogs.texts(),
            QStringList{QStringLiteral("Valóban akar módosítani?\r \rYes :módosítás\rNo :nincs módosítás")});
        QCOMPARE(app_.dialogs.shown[0].kind, DialogKind::Confirmation);
        QVERIFY(f->isVisible());
        QCOMPARE(f->e_varos->text(), QStringLiteral("Makó"));
        QCOMPARE(readRow(QStringLiteral("id = :id"), {id}).value("diak_cim_varos").toString(),
                 QStringLiteral("Szeged"));
        // Yes writes the values and closes the window
        app_.dialogs.clear();
        app_.dialogs.answer(DialogAnswer::Yes);
        const int classId = ui::itemId(f->combo_osztaly->currentText());
        f->edit_akt_tanev->setText(QStringLiteral("2006"));
        f->Button1->click();
        QCOMPARE(app_.dialogs.texts().value(1),
                 QStringLiteral("Ádám Ödön tanuló Módosítása sikeresen megtörtént!"));
        QVERIFY(!f->isVisible());
        QVERIFY(main_form->isEnabled());
        const QVariantMap row = readRow(QStringLiteral("id = :id"), {id});
        QCOMPARE(row.value("diak_cim_varos").toString(), QStringLiteral("Makó"));
        QCOMPARE(row.value("osztaly_id").toInt(), classId);
        QCOMPARE(row.value("evfolyam").toInt(), 2006);
        QCOMPARE(row.value("mj").toString(),
                 QStringLiteral("első sor; pontosvesszővel\r\nmásodik 'idézett' sor"));
        QCOMPARE(row.value("gondviselo_nev").toString(), QStringLiteral("O'Brien Őze; \"Apu\""));
    }

    void tabbingThroughTheAddressKeepsTheGuardians() {
        const int id =
            testing::value(
                QStringLiteral("select first 1 id from table_diak where gondviselo_cim <> diak_cim"))
                .toInt();
        const QString guardian = readRow(QStringLiteral("id = :id"), {id}).value("gondviselo_cim").toString();
        openModify(id);
        Form* f = uj_tanulo_Form;
        f->e_cim->setFocus();
        for (int key : {Qt::Key_End, Qt::Key_Left, Qt::Key_Shift, Qt::Key_Home, Qt::Key_Delete, Qt::Key_Tab})
            QTest::keyClick(f->e_cim, Qt::Key(key));
        QCOMPARE(f->e_gond_cim->text(), guardian);
        chooseFirst(f->combo_nyelv);
        chooseFirst(f->combo_osztaly);
        app_.dialogs.answer(DialogAnswer::Yes);
        f->Button1->click();
        QVERIFY(!f->isVisible());
        QCOMPARE(readRow(QStringLiteral("id = :id"), {id}).value("gondviselo_cim").toString(), guardian);
    }

    void concurrentChangesAreNotOverwritten() {
        const int id = readRow(QStringLiteral("nev = :n"), {QStringLiteral("Ádám Ödön")}).value("id").toInt();
        testing::OtherCopy other(app_.db.connectionString);
        auto elsewhere = [&](const QString& sql) { other.run(sql, {id}); };
        // changed by another copy after the window opened
        openModify(id);
        Form* f = uj_tanulo_Form;
        chooseFirst(f->combo_nyelv);
        chooseFirst(f->combo_osztaly);
        f->e_tanulo_tel->setText(QStringLiteral("+36 20 999 9999"));
        elsewhere(QStringLiteral("update table_diak set diak_tel = '+36 70 111 2222' where id = :id"));
        app_.dialogs.answer(DialogAnswer::Yes);
        f->Button1->click();
        QCOMPARE(app_.dialogs.shown.size(), size_t(2));
        QCOMPARE(app_.dialogs.shown[1].kind, DialogKind::Warning);
        QVERIFY(!app_.dialogs.texts().join(QString()).contains(QStringLiteral("sikeresen")));
        QVERIFY(f->isVisible());
        QCOMPARE(f->e_tanulo_tel->text(), QStringLiteral("+36 20 999 9999"));
        QCOMPARE(readRow(QStringLiteral("id = :id"), {id}).value("diak_tel").toString(),
                 QStringLiteral("+36 70 111 2222"));
        closeForm();

        // deleted by another copy after the window opened
        app_.dialogs.clear();
        openModify(id);
        chooseFirst(f->combo_nyelv);
        chooseFirst(f->combo_osztaly);
        elsewhere(QStringLiteral("delete from table_diak where id = :id"));
        app_.dialogs.answer(DialogAnswer::Yes);
        f->Button1->click();
        QCOMPARE(app_.dialogs.shown.size(), size_t(2));
        QVERIFY(app_.dialogs.shown[1].text.contains(QStringLiteral("törölte")));
        QVERIFY(readRow(QStringLiteral("id = :id"), {id}).isEmpty());
        closeForm();

        // opening a student that is gone: a message, no window, the main window back
        app_.dialogs.clear();
        DM->dataset_Tanulok.close();
        main_form->setEnabled(false);
        main_form->Button1Click(); // the grid may still show it
        main_form->setEnabled(true);
        QVERIFY(!f->isVisible());
        QVERIFY(main_form->isEnabled());
    }

    void aRefusedModificationReleasesTheRow() {
        const int id = testing::value(QStringLiteral("select min(id) from table_diak")).toInt();
        openModify(id);
        Form* f = uj_tanulo_Form;
        chooseFirst(f->combo_nyelv);
        chooseFirst(f->combo_osztaly);
        // the boxes take no more than their columns hold
        f->e_sz_szam->setText(QString(40, QLatin1Char('9')));
        QCOMPARE(f->e_sz_szam->text(), QString(20, QLatin1Char('9')));
        QCOMPARE(f->e_nev->maxLength(), 100);
        // the class chosen here is removed by another copy: the database refuses the update
        testing::OtherCopy other(app_.db.connectionString);
        other.run(QStringLiteral("insert into table_osztaly (osztaly_szam, osztaly_betu) values (13, 'z')"));
        const int spare = other.first(QStringLiteral("select max(id) from table_osztaly")).toInt();
        f->combo_osztaly->addItem(QStringLiteral("13 z") + QString(96, QLatin1Char(' ')) +
                                  QStringLiteral("ID:%1").arg(spare));
        f->combo_osztaly->setCurrentIndex(f->combo_osztaly->count() - 1);
        other.run(QStringLiteral("delete from table_osztaly where id = :id"), {spare});
        app_.dialogs.answer(DialogAnswer::Yes);
        f->Button1->click();
        QCOMPARE(app_.dialogs.shown.size(), size_t(2));
        QCOMPARE(app_.dialogs.shown[1].title, QStringLiteral("Korvana v2.0"));
        QVERIFY2(app_.dialogs.shown[1].text.startsWith(QStringLiteral("A hivatkozott adat")),
                 qPrintable(app_.dialogs.shown[1].text));
        QVERIFY(f->isVisible());
        QCOMPARE(f->e_sz_szam->text(), QString(20, QLatin1Char('9')));
        QVERIFY(!DM->trTanulo.isActive());
        // another copy can change the student at once
        QCOMPARE(testing::OtherCopy(app_.db.connectionString)
                     .run(QStringLiteral("update table_diak set diak_tel = '+36 1 000 0000' where id = :id"),
                          {id}),
                 1);
        closeForm();
    }

    void aFailedReconnectionAfterTheCommitStillReportsTheSave() {
        openNew();
        Form* f = uj_tanulo_Form;
        fillAll(f, QStringLiteral("Egyszer Elek"));
        const QString name = DM->dbTanulo.databaseName();
        DM->dbTanulo.setDatabaseName(name +
                                     QStringLiteral(".nincs")); // the reconnection after the commit fails
        f->Button1->click();
        DM->dbTanulo.setDatabaseName(name);
        QVERIFY(!DM->dbTanulo.isConnected());
        QCOMPARE(app_.dialogs.shown.size(), size_t(2));
        QCOMPARE(app_.dialogs.shown[0].title, QStringLiteral("Korvana v2.0"));
        QCOMPARE(app_.dialogs.shown[1].text,
                 QStringLiteral("Egyszer Elek tanuló az adatbázisba sikeresen felvéve!"));
        QCOMPARE(f->e_nev->text(), QString()); // emptied: a second press cannot store the student twice
        // closing the window reconnects and shows the list again
        closeForm();
        QVERIFY(DM->dbTanulo.isConnected());
        QVERIFY(DM->dataset_Tanulok.isOpen());
        QTRY_VERIFY(DM->uj_diak_esemeny.isQueued());
        QCOMPARE(testing::value(QStringLiteral("select count(*) from table_diak where nev = 'Egyszer Elek'")),
                 QStringLiteral("1"));
    }

    void identifierChecks_data() {
        QTest::addColumn<bool>("taj");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fault");
        const struct {
            const char* name;
            bool taj;
            const char* text;
            QString fault;
        } cases[] = {
            {"TAJ valid", true, "123456788", {}},
            {"TAJ with blanks", true, "123 456 788", {}},
            {"TAJ with hyphens and spaces around", true, " 039-182-742 ", {}},
            {"TAJ empty", true, "  ", {}},
            {"TAJ wrong check digit", true, "123456789", kTajCheck},
            {"TAJ too short", true, "12345678", kTajLength},
            {"TAJ letter", true, "12345678A", kTajLength},
            {"TAJ hyphens alone", true, "---", kTajLength},
            {"OM valid", false, "71234567897", {}},
            {"OM empty", false, "", {}},
            {"OM wrong check digit", false, "71234567890", kOmCheck},
            {"OM remainder 10", false, "70000000080", kOmCheck},
            {"OM not starting with 7", false, "61234567896", kOmForm},
            {"OM too short", false, "7123456789", kOmForm},
            {"OM letter", false, "7123456789A", kOmForm},
            // Written in groups, as on paper: its digits are what counts.
            {"OM with blanks", false, "7123 4567 897", {}},
            {"OM with hyphens", false, "7123-4567-897", {}},
            {"OM wrong check digit in groups", false, "7123 4567 890", kOmCheck},
        };
        for (const auto& c : cases)
            QTest::newRow(c.name) << c.taj << QString::fromUtf8(c.text) << c.fault;
    }
    void identifierChecks() {
        QFETCH(bool, taj);
        QFETCH(QString, text);
        QFETCH(QString, fault);
        QCOMPARE(taj ? azonosito::tajHiba(text) : azonosito::omHiba(text), fault);
    }

    // A number failing its check is pointed out on its box; the save goes on as ever.
    void identifiersArePointedOutNotRefused() {
        openNew();
        Form* f = uj_tanulo_Form;
        const QColor plain = f->e_nev->palette().color(QPalette::Base);
        // what the box points out: its tooltip, shown in colour too; empty when plain
        const auto mark = [&](QLineEdit* box) {
            const bool coloured = box->palette().color(QPalette::Base) != plain;
            return coloured == !box->toolTip().isEmpty() ? box->toolTip() : QStringLiteral("half marked");
        };
        QCOMPARE(mark(f->e_taj), QString());
        fillAll(f, QStringLiteral("Hibás Azonosító"));
        QCOMPARE(mark(f->e_taj), kTajCheck);
        QCOMPARE(mark(f->e_OM), kOmCheck);
        f->e_taj->setText(QStringLiteral("123-456 788"));
        QCOMPARE(mark(f->e_taj), QString());
        f->e_OM->clear();
        QCOMPARE(mark(f->e_OM), QString());

        // a half-typed number is left alone until the box is left; a correction clears at once
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f));
        f->e_OM->setFocus();
        QTest::keyClicks(f->e_OM, QStringLiteral("7123"));
        QCOMPARE(mark(f->e_OM), QString());
        QTest::keyClick(f->e_OM, Qt::Key_Tab);
        QCOMPARE(mark(f->e_OM), kOmForm);
        f->e_OM->setFocus();
        QTest::keyClicks(f->e_OM, QStringLiteral("4567897"));
        QCOMPARE(mark(f->e_OM), QString());

        f->e_OM->setText(QStringLiteral("71234567890"));
        f->Button1->click();
        QCOMPARE(app_.dialogs.texts(),
                 (QStringList{QStringLiteral("Hibás Azonosító tanuló az adatbázisba sikeresen felvéve!"),
                              tanulo_adatok::kKinalas}));
        QCOMPARE(mark(f->e_OM), QString()); // emptied for the next student
        const QVariantMap row = readRow(QStringLiteral("nev = :n"), {QStringLiteral("Hibás Azonosító")});
        QCOMPARE(row.value("diak_om").toString(), QStringLiteral("71234567890"));
        closeForm();
        // a stored fault shows as soon as the student is opened
        openModify(row.value("id").toInt());
        QCOMPARE(mark(uj_tanulo_Form->e_OM), kOmCheck);
        QCOMPARE(mark(uj_tanulo_Form->e_taj), QString());
        closeForm();
    }

    void openingAStudentWithMissingData() {
        DM->trTanulo.beginWrite(); // the program's transaction reads unless told to write
        db::Statement s(DM->dbTanulo, DM->trTanulo);
        s.prepare(QStringLiteral(
            "update table_diak set evfolyam = null where id = (select min(id) from table_diak)"));
        s.execute();
        DM->trTanulo.commit();
        const int first = readRow(QStringLiteral("evfolyam is null"), {}).value("id").toInt();
        DM->dataset_Tanulok.open();
        QVERIFY(DM->dataset_Tanulok.locate(QStringLiteral("ID"), first));
        app_.dialogs.clear();
        main_form->Button1->click();
        QVERIFY(!uj_tanulo_Form->isVisible());
        QVERIFY(main_form->isEnabled());
        QCOMPARE(main_form->windowOpacity(), 1.0);
        QCOMPARE(app_.dialogs.shown.size(), size_t(1));
        QVERIFY(app_.dialogs.shown[0].text.contains(QStringLiteral("évfolyam")));
    }
};

QTEST_MAIN(StudentTest)
#include "test_student.moc"
