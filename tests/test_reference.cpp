// The teachers, subjects and classes windows, on the whole program and a real database.
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include "TestSupport.h"
#include "data/DataModule.h"
#include "db/Values.h"
#include "main/main__form.h"
#include "reference/osztalyok__form.h"
#include "reference/tanarok__form.h"
#include "reference/tantargyak__form.h"

using namespace Qt::StringLiterals;
using testing::ProgramFixture;
using ui::DialogAnswer;
using ui::DialogKind;

namespace {

const QString kFailed = u"H I B A    T Ö R T É N T ! \r \r"_s;
const QString kClassQuestionEnd = u" osztályt?\r\rFigyelem! Az osztályhoz rendelt tantárgyak is törlődnek!"_s;
const QString kClassWarning = u"Minden mező kitöltése kötelező!\r \rSikertelen felvétel"_s;
const QStringList kDemo{u"--students"_s, u"3"_s};

using testing::rows;
using testing::value;

int count(const QString& sql, const ibq_parameterek& params = {}) {
    return value(sql, params).toInt();
}

int teacherId(const QString& name) {
    return value(u"select id from table_tanar where nev = :n"_s, {name}).toInt();
}
QString teacherName(int id) {
    return value(u"select nev from table_tanar where id = :id"_s, {id});
}
int subjectId(const QString& name) {
    return value(u"select id from table_targy where targy_nev = :n"_s, {name}).toInt();
}
QString subjectName(int id) {
    return value(u"select targy_nev from table_targy where id = :id"_s, {id});
}
int classId(int grade, const QString& letter) {
    return value(u"select id from table_osztaly where osztaly_szam = :s and osztaly_betu = :b"_s,
                 {grade, letter})
        .toInt();
}

// Makes the grid row whose field holds the value current, as a click would.
void selectRow(ui::DataGrid* grid, const QString& field, const QVariant& wanted) {
    db::Dataset* list = grid->dataset();
    list->fetchAll();
    for (int r = 0; r < list->rowCount(); ++r)
        if (db::displayText(list->value(r, field)) == db::displayText(wanted)) {
            grid->setCurrentIndex(grid->model()->index(r, 1));
            QCOMPARE(list->currentRow(), r);
            return;
        }
    QFAIL(qPrintable(u"no row with %1 = %2"_s.arg(field, wanted.toString())));
}

int currentId(ui::DataGrid* grid) {
    return grid->dataset()->fieldByName(u"ID"_s).toInt();
}

QStringList column(db::Dataset& list, const QString& field) {
    list.fetchAll();
    QStringList out;
    for (int r = 0; r < list.rowCount(); ++r)
        out << db::displayText(list.value(r, field));
    return out;
}

QStringList firstFields(const QStringList& lines) {
    QStringList out;
    for (const QString& l : lines)
        out << l.left(l.indexOf(u';'));
    return out;
}

void expectOnly(const testing::FakeDialogs& d, DialogKind kind, const QString& text) {
    QCOMPARE(d.texts(), QStringList{text});
    QCOMPARE(d.shown[0].kind, kind);
    QCOMPARE(d.shown[0].title, ui::standardTitle(kind));
}

QStringList tabSequence(QWidget* window, const QStringList& names) {
    QStringList seen;
    QWidget* w = window->nextInFocusChain();
    for (int n = 0; w != window && n < 500; ++n, w = w->nextInFocusChain())
        if (names.contains(w->objectName()) && !seen.contains(w->objectName())) seen << w->objectName();
    return seen;
}

// Nothing overlaps, sticks out of the window or straddles a frame's edge, and every
// caption fits its control.
void checkLayout(QWidget* window) {
    QList<QWidget*> controls, bevels;
    for (QWidget* w : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->isWindow() || w->objectName() == "Image1"_L1) continue;
        (w->metaObject() == &QFrame::staticMetaObject ? bevels : controls) << w;
    }
    QVERIFY(controls.size() > 5);
    for (QWidget* a : controls) {
        const QString name = a->objectName();
        QVERIFY2(window->rect().contains(a->geometry()), qPrintable(name));
        for (QWidget* b : controls)
            if (a != b)
                QVERIFY2(!a->geometry().intersects(b->geometry()),
                         qPrintable(name + u" / "_s + b->objectName()));
        for (QWidget* f : bevels)
            QVERIFY2(f->geometry().contains(a->geometry()) || !f->geometry().intersects(a->geometry()),
                     qPrintable(name + u" crosses a frame"_s));
        const QFontMetrics fm(a->font());
        if (auto* l = qobject_cast<QLabel*>(a)) {
            QVERIFY2(fm.horizontalAdvance(l->text()) <= l->width() && fm.height() <= l->height(),
                     qPrintable(name));
        } else if (auto* b = qobject_cast<QPushButton*>(a)) {
            QVERIFY2(fm.horizontalAdvance(b->text()) + 8 <= b->width(), qPrintable(name));
        }
    }
}

// Caption, client size, tab order and a layout the texts fit in; the close button sits
// centred below the frames.
void checkLook(QWidget* w, const QString& caption, QSize client, const QStringList& tabs, const char* close) {
    QCOMPARE(w->windowTitle(), caption);
    QCOMPARE(w->size(), client);
    QVERIFY(!(w->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(tabSequence(w, tabs), tabs);
    auto* button = w->findChild<QPushButton*>(QLatin1StringView(close));
    QCOMPARE(button->text(), u"bezárás"_s);
    QVERIFY(qAbs(button->geometry().center().x() - w->width() / 2) <= 1);
    checkLayout(w);
}

} // namespace

class ReferenceTest : public QObject {
    Q_OBJECT

  private slots:
    void windowsLookAsDesigned() {
        ProgramFixture app;
        QVERIFY(app.start(u"look"_s));
        checkLook(tanarok_form, u"Taanárok karbantartása"_s, {306, 321},
                  {u"DBGrid1"_s, u"edit_tanar_nev"_s, u"Button1"_s, u"Button2"_s}, "Button2");
        checkLook(tantargyak_form, u"Tantárgyak"_s, {250, 391},
                  {u"DBGrid1"_s, u"Button1"_s, u"edit_targy_nev"_s, u"Button2"_s}, "Button1");
        checkLook(osztalyok_form, u"Osztályok"_s, {695, 388},
                  {u"combo_tanarok"_s, u"edit_szak"_s, u"edit_oszt"_s, u"edit_evf"_s, u"Button1"_s,
                   u"DBGrid1"_s, u"Button2"_s},
                  "Button1");
        for (ui::DataGrid* grid : {tanarok_form->DBGrid1, tantargyak_form->DBGrid1, osztalyok_form->DBGrid1})
            QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(!osztalyok_form->combo_tanarok->isEditable());
        QVERIFY(app.dialogs.shown.empty());
    }

    void tabLeavesTheGridForTheNextControl() {
        ProgramFixture app;
        QVERIFY(app.start(u"tab"_s, kDemo));
        main_form->Button5Click();
        tanarok_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(tanarok_form));
        tanarok_form->DBGrid1->setFocus();
        const int row = DM->dataset_Tanarok.currentRow();
        QTest::keyClick(tanarok_form->DBGrid1, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), tanarok_form->edit_tanar_nev);
        QCOMPARE(DM->dataset_Tanarok.currentRow(), row); // the row a command acts on stays
        tanarok_form->close();
        // the student list is the one grid where Tab moves between cells
        main_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main_form));
        main_form->dbg_tanulok->setFocus();
        main_form->dbg_tanulok->setCurrentIndex(main_form->dbg_tanulok->model()->index(0, 0));
        QTest::keyClick(main_form->dbg_tanulok, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), main_form->dbg_tanulok);
        QCOMPARE(main_form->dbg_tanulok->currentIndex().column(), 1);
    }

    // ---- teachers ----

    void teachersOpenAddRenameRemove() {
        ProgramFixture app;
        QVERIFY(app.start(u"tanar-ok"_s, kDemo));
        Ttanarok_form* f = tanarok_form;
        f->edit_tanar_nev->setText(u"maradt"_s);
        f->Button1->setText(u"Módosít"_s);
        main_form->Button5->click();
        QVERIFY(f->isVisible());
        QVERIFY(!main_form->isEnabled());
        QCOMPARE(main_form->windowOpacity(), Tmain_form::kDimmed);
        QCOMPARE(f->Button1->text(), u"Felvétel"_s);
        QCOMPARE(f->edit_tanar_nev->text(), u"maradt"_s); // the opener leaves the box alone
        db::Dataset& list = DM->dataset_Tanarok;
        QVERIFY(list.isOpen());
        QCOMPARE(list.fieldName(0), u"ID"_s);
        QCOMPARE(list.fieldName(1), u"Tanár neve"_s);
        QCOMPARE(column(list, u"ID"_s), firstFields(rows(u"select id from table_tanar order by nev"_s)));
        const int before = list.rowCount();

        // add, by the button; the row the user stood on stays current
        selectRow(f->DBGrid1, u"Tanár neve"_s, u"Kiss Ildikó"_s);
        const int kiss = currentId(f->DBGrid1);
        f->edit_tanar_nev->setText(u"Zsoldos Ábel"_s);
        QSignalSpy opened(&list, &db::Dataset::opened);
        f->Button1->click();
        expectOnly(app.dialogs, DialogKind::Information, u"Zsoldos Ábel tanár felvétele megtörtént."_s);
        const int added = teacherId(u"Zsoldos Ábel"_s);
        QVERIFY(added > 0);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(list.rowCount(), before + 1);
        QCOMPARE(currentId(f->DBGrid1), kiss);
        QCOMPARE(f->edit_tanar_nev->text(), QString());
        QCOMPARE(f->Button1->text(), u"Felvétel"_s);

        // rename, by Enter; the teacher stays current although it moves to the top
        app.dialogs.clear();
        selectRow(f->DBGrid1, u"ID"_s, added);
        f->anrnevnekmdostsa1->trigger();
        QCOMPARE(f->Button1->text(), u"Módosít"_s);
        QCOMPARE(f->edit_tanar_nev->text(), u"Zsoldos Ábel"_s);
        f->edit_tanar_nev->setText(u"Ábrahám Zsolt"_s);
        QTest::keyClick(f->edit_tanar_nev, Qt::Key_Return);
        expectOnly(app.dialogs, DialogKind::Information, u"Sikeres módosítás"_s);
        QCOMPARE(teacherName(added), u"Ábrahám Zsolt"_s);
        QCOMPARE(f->Button1->text(), u"Felvétel"_s);
        QCOMPARE(f->edit_tanar_nev->text(), QString());
        QVERIFY(list.isOpen());
        QCOMPARE(currentId(f->DBGrid1), added);

        // remove: No changes nothing, Yes removes
        app.dialogs.clear();
        f->anrtrlse1->trigger();
        expectOnly(app.dialogs, DialogKind::Confirmation, u"Valóba tröli: Ábrahám Zsolt tanárt?"_s);
        QCOMPARE(teacherName(added), u"Ábrahám Zsolt"_s);
        app.dialogs.clear();
        app.dialogs.answer(DialogAnswer::Yes);
        f->anrtrlse1->trigger();
        QCOMPARE(app.dialogs.texts(), QStringList{u"Valóba tröli: Ábrahám Zsolt tanárt?"_s});
        QCOMPARE(count(u"select count(*) from table_tanar where id = :id"_s, {added}), 0);
        QVERIFY(list.isOpen());
        QCOMPARE(list.rowCount(), before);

        // closing gives the main window back
        f->Button2->click();
        QVERIFY(!f->isVisible());
        QVERIFY(main_form->isEnabled());
        QCOMPARE(main_form->windowOpacity(), 1.0);
    }

    void teachersRefusedByTheDatabase() {
        ProgramFixture app;
        QVERIFY(app.start(u"tanar-hiba"_s, kDemo));
        Ttanarok_form* f = tanarok_form;
        main_form->Button5Click();
        db::Dataset& list = DM->dataset_Tanarok;
        const int before = list.rowCount();
        QSignalSpy opened(&list, &db::Dataset::opened);

        f->edit_tanar_nev->setText(u"Nagy Péter"_s);
        f->Button1Click();
        expectOnly(app.dialogs, DialogKind::Error, kFailed + u"Már van ilyen nevű tanár!"_s);
        QCOMPARE(f->Button1->text(), u"Felvétel"_s);
        QCOMPARE(f->edit_tanar_nev->text(), QString());
        QCOMPARE(opened.count(), 1);
        QCOMPARE(list.rowCount(), before);

        // blanks are not empty to the window: they reach the procedure, which decides
        app.dialogs.clear();
        f->edit_tanar_nev->setText(u"   "_s);
        f->Button1Click();
        expectOnly(app.dialogs, DialogKind::Error, kFailed + u"A tanár neve nem lehet üres!"_s);

        // a failed rename keeps the mode and the teacher; the next try goes to the same one
        app.dialogs.clear();
        const int toth = teacherId(u"Tóth Gábor"_s);
        selectRow(f->DBGrid1, u"ID"_s, toth);
        f->anrnevnekmdostsa1Click();
        f->edit_tanar_nev->setText(u"Nagy Péter"_s);
        f->Button1Click();
        expectOnly(app.dialogs, DialogKind::Error, kFailed + u"Már van ilyen nevű tanár!"_s);
        QCOMPARE(f->Button1->text(), u"Módosít"_s);
        QCOMPARE(f->edit_tanar_nev->text(), QString());
        QVERIFY(list.isOpen());
        QCOMPARE(currentId(f->DBGrid1), toth);
        QCOMPARE(teacherName(toth), u"Tóth Gábor"_s);
        app.dialogs.clear();
        f->edit_tanar_nev->setText(u"Tóth Gábor Károly"_s);
        f->Button1Click();
        expectOnly(app.dialogs, DialogKind::Information, u"Sikeres módosítás"_s);
        QCOMPARE(teacherName(toth), u"Tóth Gábor Károly"_s);

        // a class teacher cannot be removed; the list is reloaded all the same
        app.dialogs.clear();
        const int szabo = teacherId(u"Szabó Katalin"_s);
        selectRow(f->DBGrid1, u"ID"_s, szabo);
        app.dialogs.answer(DialogAnswer::Yes);
        opened.clear();
        f->anrtrlse1Click();
        QCOMPARE(app.dialogs.texts(),
                 (QStringList{u"Valóba tröli: Szabó Katalin tanárt?"_s,
                              kFailed + u"A tanár nem távolítható el, mert egy osztály osztályfőnöke!"_s}));
        QCOMPARE(app.dialogs.shown[1].kind, DialogKind::Error);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(list.rowCount(), before);
        QCOMPARE(currentId(f->DBGrid1), szabo);
    }

    void teachersEmptyNameAndRowAtThePress() {
        ProgramFixture app;
        QVERIFY(app.start(u"tanar-ures"_s, kDemo));
        Ttanarok_form* f = tanarok_form;
        main_form->Button5Click();
        const int teachers = count(u"select count(*) from table_tanar"_s);
        QSignalSpy opened(&DM->dataset_Tanarok, &db::Dataset::opened);
        const QString warning = u"Nem töltött ki minden kötelező mezőt!"_s;

        f->Button1->click();
        expectOnly(app.dialogs, DialogKind::Warning, warning);
        // in rename mode too, and by Enter: the mode stays, nothing is reloaded
        app.dialogs.clear();
        f->anrnevnekmdostsa1Click();
        f->edit_tanar_nev->clear();
        QTest::keyClick(f->edit_tanar_nev, Qt::Key_Enter);
        expectOnly(app.dialogs, DialogKind::Warning, warning);
        QCOMPARE(f->Button1->text(), u"Módosít"_s);
        QCOMPARE(opened.count(), 0);
        QCOMPARE(count(u"select count(*) from table_tanar"_s), teachers);
        // other keys are only typing
        app.dialogs.clear();
        QTest::keyClicks(f->edit_tanar_nev, u"ab"_s);
        QTest::keyClick(f->edit_tanar_nev, Qt::Key_Escape);
        QCOMPARE(f->edit_tanar_nev->text(), u"ab"_s);
        QVERIFY(app.dialogs.shown.empty());

        // rename chosen on one row, pressed on another: the teacher whose name was loaded is
        // renamed, and the window says which one that is
        const int farkas = teacherId(u"Farkas Zoltán"_s);
        const int papp = teacherId(u"Papp István"_s);
        QCOMPARE(f->edit_tanar_nev->maxLength(), 100);
        selectRow(f->DBGrid1, u"ID"_s, farkas);
        f->anrnevnekmdostsa1Click();
        QCOMPARE(f->edit_tanar_nev->text(), u"Farkas Zoltán"_s);
        QCOMPARE(f->Label2->text(), u"Módosítandó: Farkas Zoltán"_s);
        selectRow(f->DBGrid1, u"ID"_s, papp);
        f->edit_tanar_nev->setText(u"Farkas Zoltán Péter"_s);
        f->Button1Click();
        QCOMPARE(app.dialogs.texts(), QStringList{u"Sikeres módosítás"_s});
        QCOMPARE(teacherName(farkas), u"Farkas Zoltán Péter"_s);
        QCOMPARE(teacherName(papp), u"Papp István"_s);
        QCOMPARE(f->Label2->text(), u"Új tanár felvétele"_s);
        QCOMPARE(f->Button1->text(), u"Felvétel"_s);
    }

    void renameAfterTheListEmptiedIsRefused() {
        ProgramFixture app;
        QVERIFY(app.start(u"ures-atnevez"_s));
        QVERIFY(main_form->StoredProc(u"PRC_TANAR_FELVETEL"_s, {u"Egyetlen Tanár"_s, -1}));
        main_form->Button5Click();
        tanarok_form->anrnevnekmdostsa1Click();
        app.dialogs.answer(DialogAnswer::Yes);
        tanarok_form->anrtrlse1Click();
        QVERIFY(DM->dataset_Tanarok.isEmpty());
        // the teacher being renamed is gone: the window is back to adding, the box empty
        QCOMPARE(tanarok_form->Button1->text(), u"Felvétel"_s);
        QVERIFY(tanarok_form->edit_tanar_nev->text().isEmpty());

        // removed by another copy while being renamed here: the procedure refuses, nothing is added
        QVERIFY(main_form->StoredProc(u"PRC_TANAR_FELVETEL"_s, {u"Másik Tanár"_s, -1}));
        tanarok_form->tanarok_lista_frissit();
        tanarok_form->anrnevnekmdostsa1Click();
        testing::OtherCopy(app.db.connectionString).run(u"delete from table_tanar"_s);
        app.dialogs.clear();
        tanarok_form->edit_tanar_nev->setText(u"Valaki"_s);
        tanarok_form->Button1Click();
        expectOnly(app.dialogs, DialogKind::Error, kFailed + u"A megadott tanár nem létezik!"_s);
        QCOMPARE(count(u"select count(*) from table_tanar"_s), 0);
        QVERIFY(DM->dataset_Tanarok.isOpen());
    }

    // ---- subjects ----

    void subjectsOpenAddRenameRemove() {
        ProgramFixture app;
        QVERIFY(app.start(u"targy-ok"_s, kDemo));
        Ttantargyak_form* f = tantargyak_form;
        f->edit_targy_nev->setText(u"régi szöveg"_s);
        f->Button2->setText(u"Módosít"_s);
        main_form->Button6->click();
        QVERIFY(f->isVisible());
        QVERIFY(!main_form->isEnabled());
        QCOMPARE(f->Button2->text(), u"Felvesz"_s);
        QCOMPARE(f->edit_targy_nev->text(), QString());
        db::Dataset& list = DM->dataset_targyak;
        QVERIFY(list.isOpen());
        QCOMPARE(list.columnCount(), 2);
        QCOMPARE(list.fieldName(1), u"TARGY_NEV"_s);
        QCOMPARE(column(list, u"ID"_s),
                 firstFields(rows(u"select id from table_targy order by targy_nev"_s)));
        const int before = list.rowCount();

        // register, by Enter
        selectRow(f->DBGrid1, u"targy_nev"_s, u"fizika"_s);
        const int fizika = currentId(f->DBGrid1);
        f->edit_targy_nev->setText(u"csillagászat"_s);
        QTest::keyClick(f->edit_targy_nev, Qt::Key_Return);
        expectOnly(app.dialogs, DialogKind::Information,
                   u"csillagászat tantárgy regisztrálása megtörtént."_s);
        const int added = subjectId(u"csillagászat"_s);
        QVERIFY(added > 0);
        QCOMPARE(f->edit_targy_nev->text(), QString());
        QCOMPARE(f->Button2->text(), u"Felvesz"_s);
        QCOMPARE(list.rowCount(), before + 1);
        QCOMPARE(currentId(f->DBGrid1), fizika);

        // rename, by the button: only the rename's own message
        app.dialogs.clear();
        selectRow(f->DBGrid1, u"ID"_s, added);
        f->antrgynevnekmdostsa1->trigger();
        QCOMPARE(f->edit_targy_nev->text(), u"csillagászat"_s);
        QCOMPARE(f->Button2->text(), u"Módosít"_s);
        f->edit_targy_nev->setText(u"asztronómia"_s);
        f->Button2->click();
        expectOnly(app.dialogs, DialogKind::Information,
                   u"A tantárgy új neve: asztronómia\rSikeres módosítás"_s);
        QCOMPARE(subjectName(added), u"asztronómia"_s);
        QCOMPARE(f->edit_targy_nev->text(), QString());
        QCOMPARE(f->Button2->text(), u"Felvesz"_s);
        QCOMPARE(currentId(f->DBGrid1), added);

        // remove: No, then Yes; the student list is open again afterwards
        app.dialogs.clear();
        f->antrgyTrlse1->trigger();
        expectOnly(app.dialogs, DialogKind::Confirmation, u"Valóba tröli: asztronómia tantárgyat?"_s);
        QCOMPARE(subjectName(added), u"asztronómia"_s);
        app.dialogs.clear();
        app.dialogs.answer(DialogAnswer::Yes);
        f->antrgyTrlse1->trigger();
        QCOMPARE(app.dialogs.texts(), QStringList{u"Valóba tröli: asztronómia tantárgyat?"_s});
        QCOMPARE(count(u"select count(*) from table_targy where id = :id"_s, {added}), 0);
        QVERIFY(list.isOpen());
        QCOMPARE(list.rowCount(), before);
        QVERIFY(DM->dataset_Tanulok.isOpen());
        DM->dataset_Tanulok.fetchAll();
        QCOMPARE(DM->dataset_Tanulok.rowCount(), 3);

        f->close();
        QVERIFY(!f->isVisible());
        QVERIFY(main_form->isEnabled());
        QCOMPARE(main_form->windowOpacity(), 1.0);
    }

    void subjectsRefusedByTheDatabase() {
        ProgramFixture app;
        QVERIFY(app.start(u"targy-hiba"_s, kDemo));
        Ttantargyak_form* f = tantargyak_form;
        main_form->Button6Click();
        db::Dataset& list = DM->dataset_targyak;
        const int before = list.rowCount();
        QSignalSpy opened(&list, &db::Dataset::opened);

        // a taken name: the typed name and the mode stay for another try
        f->edit_targy_nev->setText(u"Fizika"_s);
        f->Button2Click();
        expectOnly(app.dialogs, DialogKind::Error, kFailed + u"Már van ilyen nevű tantárgy!"_s);
        QCOMPARE(f->edit_targy_nev->text(), u"Fizika"_s);
        QCOMPARE(f->Button2->text(), u"Felvesz"_s);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(list.rowCount(), before);

        app.dialogs.clear();
        const int kemia = subjectId(u"kémia"_s);
        selectRow(f->DBGrid1, u"ID"_s, kemia);
        f->antrgynevnekmdostsa1Click();
        f->edit_targy_nev->setText(u"biológia"_s);
        f->Button2Click();
        expectOnly(app.dialogs, DialogKind::Error, kFailed + u"Már van ilyen nevű tantárgy!"_s);
        QCOMPARE(f->edit_targy_nev->text(), u"biológia"_s);
        QCOMPARE(f->Button2->text(), u"Módosít"_s);
        QCOMPARE(currentId(f->DBGrid1), kemia);
        QCOMPARE(subjectName(kemia), u"kémia"_s);

        // a subject that classes learn cannot be removed; both lists are open again
        app.dialogs.clear();
        const int matek = subjectId(u"matematika"_s);
        selectRow(f->DBGrid1, u"ID"_s, matek);
        app.dialogs.answer(DialogAnswer::Yes);
        f->antrgyTrlse1Click();
        QCOMPARE(
            app.dialogs.texts(),
            (QStringList{u"Valóba tröli: matematika tantárgyat?"_s,
                         kFailed + u"A tantárgy nem törölhető, mert még van osztály, amely tanulja!"_s}));
        QCOMPARE(app.dialogs.shown[1].kind, DialogKind::Error);
        QVERIFY(list.isOpen());
        QCOMPARE(list.rowCount(), before);
        QCOMPARE(currentId(f->DBGrid1), matek);
        QVERIFY(DM->dataset_Tanulok.isOpen());
        QCOMPARE(f->Button2->text(), u"Módosít"_s); // a removal leaves the mode
    }

    void subjectsEmptyNameAndRowAtThePress() {
        ProgramFixture app;
        QVERIFY(app.start(u"targy-ures"_s, kDemo));
        Ttantargyak_form* f = tantargyak_form;
        main_form->Button6Click();
        QSignalSpy opened(&DM->dataset_targyak, &db::Dataset::opened);
        f->Button2->click();
        expectOnly(app.dialogs, DialogKind::Warning, u"Adja meg a tantárgy nevét!"_s);
        app.dialogs.clear();
        QTest::keyClick(f->edit_targy_nev, Qt::Key_Enter);
        expectOnly(app.dialogs, DialogKind::Warning, u"Adja meg a tantárgy nevét!"_s);
        QCOMPARE(opened.count(), 0);

        app.dialogs.clear();
        const int etika = subjectId(u"etika"_s);
        const int rajz = subjectId(u"rajz és vizuális kultúra"_s);
        selectRow(f->DBGrid1, u"ID"_s, etika);
        f->antrgynevnekmdostsa1Click();
        QCOMPARE(f->Label2->text(), u"Módosítandó: etika"_s);
        selectRow(f->DBGrid1, u"ID"_s, rajz);
        f->edit_targy_nev->setText(u"etika és filozófia"_s);
        f->Button2Click();
        QCOMPARE(app.dialogs.texts(),
                 QStringList{u"A tantárgy új neve: etika és filozófia\rSikeres módosítás"_s});
        QCOMPARE(subjectName(etika), u"etika és filozófia"_s);
        QCOMPARE(subjectName(rajz), u"rajz és vizuális kultúra"_s);
    }

    // ---- classes ----

    void classesOpenRegisterModifyRemove() {
        ProgramFixture app;
        QVERIFY(app.start(u"osztaly-ok"_s, kDemo));
        Tosztalyok_form* f = osztalyok_form;
        f->edit_evf->setText(u"x"_s);
        f->edit_evf->setEnabled(false);
        f->Button2->setText(u"Módosít"_s);
        main_form->Button4->click();
        QVERIFY(f->isVisible());
        QVERIFY(!main_form->isEnabled());
        QCOMPARE(f->Button2->text(), u"Felvesz"_s);
        QVERIFY(f->edit_evf->isEnabled() && f->edit_oszt->isEnabled());
        QCOMPARE(f->edit_evf->text(), QString());
        db::Dataset& list = DM->dataset_Osztalyok;
        QVERIFY(list.isOpen());
        QCOMPARE(list.rowCount(), count(u"select count(*) from table_osztaly"_s));

        // the class-teacher list: every teacher by name, two spaces and the id; nothing chosen
        ui::IdComboBox* combo = f->combo_tanarok;
        const QStringList teachers = rows(u"select id, nev from table_tanar order by nev"_s);
        QCOMPARE(combo->count(), teachers.size());
        const QStringList first = teachers[0].split(u';');
        QCOMPARE(combo->itemText(0), first[1] + u"  ID:"_s + first[0]);
        QCOMPARE(combo->currentIndex(), -1);
        QCOMPARE(combo->currentText(), QString());

        const int varga = teacherId(u"Varga László"_s);
        const int papp = teacherId(u"Papp István"_s);
        const auto choose = [&](const QString& name, int id) {
            combo->setCurrentIndex(combo->findText(u"%1  ID:%2"_s.arg(name).arg(id)));
            QVERIFY(combo->currentIndex() >= 0);
        };
        selectRow(f->DBGrid1, u"Osztály"_s, u"c"_s);
        const int other = currentId(f->DBGrid1);
        const QString otherTrack = value(u"select osztaly_szak from table_osztaly where id = :id"_s, {other});
        choose(u"Varga László"_s, varga);
        f->edit_evf->setText(u"13"_s);
        f->edit_oszt->setText(u"e"_s);
        f->edit_szak->setText(u"szakképző"_s);
        f->Button2->click();
        expectOnly(app.dialogs, DialogKind::Information, u"Sikeres osztály-regisztráció!"_s);
        const int added = classId(13, u"e"_s);
        QVERIFY(added > 0);
        const QString classRow =
            u"select osztaly_szam, osztaly_betu, osztaly_szak, osztalyfonok_id from table_osztaly where id = :id"_s;
        QCOMPARE(rows(classRow, {added}), QStringList{u"13;e;szakképző;%1;"_s.arg(varga)});
        for (QLineEdit* e : {f->edit_evf, f->edit_oszt, f->edit_szak})
            QCOMPARE(e->text(), QString());
        QCOMPARE(combo->count(), teachers.size());
        QCOMPARE(combo->currentIndex(), -1);
        QVERIFY(list.isOpen());
        QCOMPARE(currentId(f->DBGrid1), other);

        // modify: grade and letter shown but fixed; the combo keeps its (empty) choice
        app.dialogs.clear();
        selectRow(f->DBGrid1, u"ID"_s, added);
        f->KijelltMdostsa1->trigger();
        QCOMPARE(f->Button2->text(), u"Módosít"_s);
        QCOMPARE(f->edit_evf->text(), u"13"_s);
        QCOMPARE(f->edit_oszt->text(), u"e"_s);
        QCOMPARE(f->edit_szak->text(), u"szakképző"_s);
        QCOMPARE(f->kijelolt_osztaly_id, added);
        QVERIFY(!f->edit_evf->isEnabled() && !f->edit_oszt->isEnabled());
        QCOMPARE(combo->currentIndex(), -1);
        f->Button2Click();
        expectOnly(app.dialogs, DialogKind::Warning, kClassWarning);

        // the chosen class is modified even with another row current at the press
        app.dialogs.clear();
        selectRow(f->DBGrid1, u"ID"_s, other);
        choose(u"Papp István"_s, papp);
        f->edit_szak->setText(u"grafika"_s);
        f->Button2->click();
        expectOnly(app.dialogs, DialogKind::Information, u"Sikeres osztálymódosítás!"_s);
        QCOMPARE(rows(classRow, {added}), QStringList{u"13;e;grafika;%1;"_s.arg(papp)});
        QCOMPARE(value(u"select osztaly_szak from table_osztaly where id = :id"_s, {other}), otherTrack);
        QCOMPARE(f->Button2->text(), u"Felvesz"_s);
        QVERIFY(f->edit_evf->isEnabled() && f->edit_oszt->isEnabled());
        for (QLineEdit* e : {f->edit_evf, f->edit_oszt, f->edit_szak})
            QCOMPARE(e->text(), QString());
        QCOMPARE(combo->currentIndex(), -1);
        QCOMPARE(combo->count(), teachers.size());

        // remove: the question, No, then Yes; removing the class chosen for modification keeps the mode
        app.dialogs.clear();
        selectRow(f->DBGrid1, u"ID"_s, added);
        f->KijelltMdostsa1Click();
        f->KijelltTrlse1->trigger();
        expectOnly(app.dialogs, DialogKind::Confirmation, u"Valóban tröli: 13.e"_s + kClassQuestionEnd);
        QCOMPARE(count(u"select count(*) from table_osztaly where id = :id"_s, {added}), 1);
        app.dialogs.clear();
        app.dialogs.answer(DialogAnswer::Yes);
        f->KijelltTrlse1->trigger();
        QCOMPARE(app.dialogs.shown.size(), size_t(1));
        QCOMPARE(count(u"select count(*) from table_osztaly where id = :id"_s, {added}), 0);
        QVERIFY(list.isOpen());
        QCOMPARE(f->Button2->text(), u"Módosít"_s);
        QCOMPARE(f->kijelolt_osztaly_id, added);
        QCOMPARE(f->edit_evf->text(), u"13"_s);

        f->Button1->click();
        QVERIFY(!f->isVisible());
        QVERIFY(main_form->isEnabled());
        QCOMPARE(main_form->windowOpacity(), 1.0);
        // the next opening starts over in register mode
        main_form->Button4Click();
        QCOMPARE(f->Button2->text(), u"Felvesz"_s);
        QVERIFY(f->edit_evf->isEnabled() && f->edit_oszt->isEnabled());
        QCOMPARE(f->edit_evf->text(), QString());
    }

    void classesRefusedByTheDatabase() {
        ProgramFixture app;
        QVERIFY(app.start(u"osztaly-hiba"_s, kDemo));
        Tosztalyok_form* f = osztalyok_form;
        main_form->Button4Click();
        db::Dataset& list = DM->dataset_Osztalyok;
        const int classes = list.rowCount();
        QSignalSpy opened(&list, &db::Dataset::opened);

        // a class that exists already: everything stays for another try
        f->combo_tanarok->setCurrentIndex(2);
        const QString chosen = f->combo_tanarok->currentText();
        f->edit_evf->setText(u"9"_s);
        f->edit_oszt->setText(u"A"_s);
        f->edit_szak->setText(u"valami"_s);
        f->Button2Click();
        expectOnly(app.dialogs, DialogKind::Error,
                   kFailed + u"Már van ilyen évfolyamú és betűjelű osztály!"_s);
        QCOMPARE(f->combo_tanarok->currentText(), chosen);
        QCOMPARE(f->edit_evf->text(), u"9"_s);
        QCOMPARE(f->edit_oszt->text(), u"A"_s);
        QCOMPARE(f->edit_szak->text(), u"valami"_s);
        QCOMPARE(f->Button2->text(), u"Felvesz"_s);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(list.rowCount(), classes);

        // the boxes hold no more than their columns, as the database declares them
        QCOMPARE(f->edit_szak->maxLength(), 100);
        QCOMPARE(f->edit_oszt->maxLength(), 10);

        // a failed modification keeps the mode and the fixed boxes
        app.dialogs.clear();
        const int nineB = classId(9, u"b"_s);
        selectRow(f->DBGrid1, u"ID"_s, nineB);
        f->KijelltMdostsa1Click();
        f->edit_szak->setText(u"x\ty"_s); // a pasted control character is refused, not stored
        f->Button2Click();
        expectOnly(app.dialogs, DialogKind::Error,
                   kFailed + u"Az U+0009 vezérlőkarakter nem tárolható az adatbázisban."_s);
        QCOMPARE(f->Button2->text(), u"Módosít"_s);
        QVERIFY(!f->edit_evf->isEnabled() && !f->edit_oszt->isEnabled());
        QCOMPARE(f->edit_szak->text(), u"x\ty"_s);
        QCOMPARE(f->combo_tanarok->currentText(), chosen);
        QVERIFY(list.isOpen());
        QCOMPARE(currentId(f->DBGrid1), nineB);
        QCOMPARE(value(u"select osztaly_szak from table_osztaly where id = :id"_s, {nineB}),
                 u"informatika"_s);

        // a class with students cannot be removed; the list is reloaded, the mode stays
        app.dialogs.clear();
        const QStringList withStudents =
            rows(u"select first 1 o.id, o.osztaly_szam, o.osztaly_betu from "
                 "table_osztaly o where exists (select 1 from table_diak d where "
                 "d.osztaly_ID = o.id)"_s);
        QCOMPARE(withStudents.size(), 1);
        const QStringList c = withStudents[0].split(u';');
        selectRow(f->DBGrid1, u"ID"_s, c[0].toInt());
        app.dialogs.answer(DialogAnswer::Yes);
        opened.clear();
        f->KijelltTrlse1Click();
        QCOMPARE(app.dialogs.texts(),
                 (QStringList{u"Valóban tröli: %1.%2"_s.arg(c[1], c[2]) + kClassQuestionEnd,
                              kFailed + u"Az osztály nem törölhető, mert még vannak tanulói!"_s}));
        QCOMPARE(opened.count(), 1);
        QCOMPARE(list.rowCount(), classes);
        QCOMPARE(f->Button2->text(), u"Módosít"_s);
        QCOMPARE(f->kijelolt_osztaly_id, nineB);
    }

    void classesNeedEveryBox_data() {
        QTest::addColumn<int>("empty");
        QTest::newRow("class teacher") << 0;
        QTest::newRow("grade") << 1;
        QTest::newRow("letter") << 2;
        QTest::newRow("track") << 3;
    }
    void classesNeedEveryBox() {
        QFETCH(int, empty);
        ProgramFixture app;
        QVERIFY(app.start(u"osztaly-ures"_s, kDemo));
        Tosztalyok_form* f = osztalyok_form;
        main_form->Button4Click();
        QSignalSpy opened(&DM->dataset_Osztalyok, &db::Dataset::opened);
        if (empty != 0) f->combo_tanarok->setCurrentIndex(0);
        if (empty != 1) f->edit_evf->setText(u"13"_s);
        if (empty != 2) f->edit_oszt->setText(u"q"_s);
        if (empty != 3) f->edit_szak->setText(u"szak"_s);
        f->Button2Click();
        expectOnly(app.dialogs, DialogKind::Warning, kClassWarning);
        QCOMPARE(opened.count(), 0);
        QCOMPARE(count(u"select count(*) from table_osztaly where osztaly_szam = 13"_s), 0);
    }

    void classTeacherNamesWithColonOrSemicolon() {
        ProgramFixture app;
        QVERIFY(app.start(u"osztaly-nev"_s));
        QVERIFY(main_form->StoredProc(u"PRC_TANAR_FELVETEL"_s, {u"Dr: Kiss ID:9 Anna"_s, -1}));
        QVERIFY(main_form->StoredProc(u"PRC_TANAR_FELVETEL"_s, {u"Nagy; Béla"_s, -1}));
        main_form->Button4Click();
        QVERIFY(app.dialogs.shown.empty());
        ui::IdComboBox* combo = osztalyok_form->combo_tanarok;
        const int kiss = teacherId(u"Dr: Kiss ID:9 Anna"_s);
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(0), u"Dr: Kiss ID:9 Anna  ID:%1"_s.arg(kiss));
        QCOMPARE(combo->itemText(1), u"Nagy; Béla  ID:%1"_s.arg(teacherId(u"Nagy; Béla"_s)));

        combo->setCurrentIndex(0);
        osztalyok_form->edit_evf->setText(u"5"_s);
        osztalyok_form->edit_oszt->setText(u"k"_s);
        osztalyok_form->edit_szak->setText(u"általános"_s);
        osztalyok_form->Button2Click();
        QCOMPARE(app.dialogs.texts(), QStringList{u"Sikeres osztály-regisztráció!"_s});
        QCOMPARE(value(u"select osztalyfonok_id from table_osztaly where osztaly_szam = 5"_s),
                 QString::number(kiss));
    }

    void commandsOnEmptyListsDoNothing() {
        ProgramFixture app;
        QVERIFY(app.start(u"ures-listak"_s)); // no teachers, subjects or classes
        app.dialogs.answer(DialogAnswer::Yes);

        main_form->Button5Click();
        QVERIFY(DM->dataset_Tanarok.isOpen() && DM->dataset_Tanarok.isEmpty());
        tanarok_form->edit_tanar_nev->setText(u"gépelt"_s);
        tanarok_form->anrnevnekmdostsa1->trigger();
        tanarok_form->anrtrlse1->trigger();
        QCOMPARE(tanarok_form->Button1->text(), u"Felvétel"_s);
        QCOMPARE(tanarok_form->edit_tanar_nev->text(), u"gépelt"_s);
        tanarok_form->close();

        main_form->Button6Click();
        QVERIFY(DM->dataset_targyak.isOpen() && DM->dataset_targyak.isEmpty());
        tantargyak_form->antrgynevnekmdostsa1->trigger();
        tantargyak_form->antrgyTrlse1->trigger();
        QCOMPARE(tantargyak_form->Button2->text(), u"Felvesz"_s);
        QCOMPARE(tantargyak_form->edit_targy_nev->text(), QString());
        tantargyak_form->close();

        main_form->Button4Click();
        QVERIFY(DM->dataset_Osztalyok.isOpen() && DM->dataset_Osztalyok.isEmpty());
        osztalyok_form->KijelltMdostsa1->trigger();
        osztalyok_form->KijelltTrlse1->trigger();
        QCOMPARE(osztalyok_form->Button2->text(), u"Felvesz"_s);
        QVERIFY(osztalyok_form->edit_evf->isEnabled());
        QCOMPARE(osztalyok_form->edit_evf->text(), QString());
        QVERIFY(app.dialogs.shown.empty());
        QCOMPARE(app.dialogs.answers.size(), size_t(1)); // no question was asked

        // with no teachers every registration ends in the warning
        QCOMPARE(osztalyok_form->combo_tanarok->count(), 0);
        osztalyok_form->edit_evf->setText(u"9"_s);
        osztalyok_form->edit_oszt->setText(u"a"_s);
        osztalyok_form->edit_szak->setText(u"szak"_s);
        osztalyok_form->Button2Click();
        QCOMPARE(app.dialogs.texts(), QStringList{kClassWarning});
        osztalyok_form->close();
        QVERIFY(main_form->isEnabled());
    }

    void missingClassesFileGivesTheMainWindowBack() {
        ProgramFixture app;
        QVERIFY(app.start(u"osztaly-fajl"_s, kDemo));
        const QString file = TDM::programFolderOverride + u"sqls/dataset_Osztalyok_SelectSQL.sql"_s;
        QVERIFY(QFile::rename(file, file + u".mentett"_s));
        main_form->Button4->click();
        QCOMPARE(app.dialogs.shown.size(), size_t(1));
        QCOMPARE(app.dialogs.shown[0].kind, DialogKind::Error);
        QCOMPARE(app.dialogs.shown[0].title, ui::kProgramName);
        QVERIFY2(app.dialogs.shown[0].text.contains(u"dataset_Osztalyok_SelectSQL.sql"_s),
                 qPrintable(app.dialogs.shown[0].text));
        QVERIFY(!osztalyok_form->isVisible());
        QVERIFY(main_form->isEnabled());
        QCOMPARE(main_form->windowOpacity(), 1.0);
        QVERIFY(DM->dataset_Tanulok.isOpen());

        // once the file is back the window opens as usual
        app.dialogs.clear();
        QVERIFY(QFile::rename(file + u".mentett"_s, file));
        main_form->Button4->click();
        QVERIFY(app.dialogs.shown.empty());
        QVERIFY(osztalyok_form->isVisible());
        QVERIFY(!main_form->isEnabled());
        QVERIFY(DM->dataset_Osztalyok.isOpen());
        QVERIFY(osztalyok_form->combo_tanarok->count() > 0);
    }
};

QTEST_MAIN(ReferenceTest)
#include "test_reference.moc"
