// The school year's windows as the office uses them: a student leaves from the list's menu,
// is found in the archive and taken back; the year-end move previewed, done and undone; the
// log of one student. Every window laid out without overlaps.
#include <QtTest>

#include <QAction>
#include <QMenu>

#include "TestSupport.h"
#include "data/DataModule.h"
#include "main/main__form.h"
#include "office/archivum__form.h"
#include "office/evi_ugyek__form.h"
#include "office/kilepes__form.h"
#include "office/naplo__form.h"
#include "office/tanevvaltas__form.h"

using namespace testing;
using namespace Qt::StringLiterals;

namespace {

void trigger(const QString& text) {
    for (QAction* a : main_form->PopupMenu1->actions())
        if (a->text() == text) return a->trigger();
    QFAIL(qPrintable(u"no menu entry "_s + text));
}
void openTask(const char* button) {
    main_form->Button14->click();
    evi_ugyek_form->findChild<QPushButton*>(QString::fromLatin1(button))->click();
}
int headcount() {
    main_form->akt_letszam();
    return main_form->label_letszam->text().section(u' ', 0, 0).toInt();
}
QStringList column(db::Dataset* list, const QString& field) {
    list->fetchAll();
    QStringList out;
    for (int r = 0; r < list->rowCount(); ++r)
        out << list->value(r, field).toString();
    return out;
}

} // namespace

class SchoolYearTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;

    int count(const QString& sql, const QVariantList& params = {}) {
        return OtherCopy(app_.db.connectionString).first(sql, params).toInt();
    }
    QString lastText() const {
        return app_.dialogs.shown.empty() ? QString() : app_.dialogs.shown.back().text;
    }

  private slots:
    void initTestCase() { QVERIFY(app_.start(u"schoolyear"_s, {u"--demo"_s})); }
    void cleanupTestCase() { app_.stop(); }

    void windowsAreLaidOut() {
        for (QWidget* w :
             std::initializer_list<QWidget*>{kilepes_form, archivum_form, tanevvaltas_form, naplo_form}) {
            const QString problem = layoutProblem(w);
            QVERIFY2(problem.isEmpty(), qPrintable(w->objectName() + u": "_s + problem));
        }
    }

    void aStudentLeavesAndComesBack() {
        const int id = count(u"select max(id) from table_diak"_s);
        const QString name = OtherCopy(app_.db.connectionString)
                                 .first(u"select nev from table_diak where id = :id"_s, {id})
                                 .toString();
        const int before = headcount();
        QVERIFY(DM->dataset_Tanulok.locate(u"ID"_s, id, 1000000));
        trigger(u"Kilépés…"_s);
        QVERIFY(kilepes_form->isVisible() && !main_form->isEnabled());
        QCOMPARE(kilepes_form->label_nev->text(), name);

        // a reason of "other" wants a note: nothing is done without one
        kilepes_form->combo_ok->setCurrentIndex(kilepes_form->combo_ok->findData(3));
        QVERIFY(!kilepes_form->Button1Click());
        QCOMPARE(lastText(), u"Egyéb kilépési oknál a megjegyzés nem lehet üres!"_s);
        kilepes_form->m_megjegyzes->setPlainText(u"Külföldre költözött."_s);
        kilepes_form->Button1->click();
        QVERIFY(lastText().contains(u"archívumában"_s));
        QVERIFY(!kilepes_form->isVisible() && main_form->isEnabled());
        QCOMPARE(headcount(), before - 1);
        QVERIFY(!DM->dataset_Tanulok.locate(u"ID"_s, id, 1000000));

        // found by the beginning of the name, shown read-only with its history
        openTask("ButtonArchivum");
        QVERIFY(archivum_form->isVisible());
        archivum_form->edit_kereses->setText(name.left(4));
        QVERIFY(column(archivum_form->ds_archiv, u"Név"_s).contains(name));
        QVERIFY(archivum_form->ds_archiv->locate(u"ID"_s, id));
        const QString shown = archivum_form->m_adatok->toPlainText();
        QVERIFY(shown.contains(u"Külföldre költözött."_s) && shown.contains(u"egyéb"_s));
        QVERIFY(shown.contains(u"Osztálytörténet"_s) && shown.contains(u"kilépés"_s));
        archivum_form->edit_kereses->setText(u"Nincs ilyen nevű"_s);
        QCOMPARE(archivum_form->ds_archiv->rowCount(), 0);

        // back into a class of the office's choosing
        archivum_form->edit_kereses->setText(name);
        QVERIFY(archivum_form->ds_archiv->locate(u"ID"_s, id));
        archivum_form->combo_osztaly->setCurrentIndex(0);
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        QVERIFY(archivum_form->Button1Click());
        QCOMPARE(count(u"select osztaly_ID from table_diak where id = :id"_s, {id}),
                 archivum_form->combo_osztaly->chosenId());
        QCOMPARE(headcount(), before);
        QVERIFY(!column(archivum_form->ds_archiv, u"ID"_s).contains(QString::number(id)));
        archivum_form->close();
        QVERIFY(main_form->isEnabled());

        // the log shows all of it for that student
        QVERIFY(DM->dataset_Tanulok.locate(u"ID"_s, id, 1000000));
        trigger(u"Változásnapló…"_s);
        QVERIFY(naplo_form->isVisible());
        QStringList done = column(naplo_form->ds_naplo, u"Művelet"_s);
        done.removeDuplicates();
        QCOMPARE(done, QStringList({u"felvétel"_s, u"törlés"_s}));
        naplo_form->close();
    }

    void theYearEndMovePreviewedDoneAndUndone() {
        const int students = count(u"select count(*) from table_diak"_s);
        openTask("ButtonTanevvaltas");
        Ttanevvaltas_form* f = tanevvaltas_form;
        QVERIFY(f->isVisible());
        QCOMPARE(f->spin_vegzos->value(), 12);
        QCOMPARE(f->edit_uj_tanev->text(), u"2027"_s);
        QCOMPARE(f->label_uj_tanev2->text(), u"/ 2028"_s);
        QCOMPARE(column(f->ds_osztalyok, u"Jövőre"_s).filter(u"végzett"_s).size(), 4);
        QVERIFY(column(f->ds_osztalyok, u"Jövőre"_s).contains(u"10.a"_s));

        // one student of the first class repeats the year
        f->ds_osztalyok->setCurrentRow(0);
        f->ds_diakok->setCurrentRow(0);
        const int repeater = f->ds_diakok->value(0, u"ID"_s).toInt();
        QVERIFY(f->jelol(u'I'));
        QVERIFY(f->ds_diakok->locate(u"ID"_s, repeater));
        QVERIFY(f->ds_diakok->value(f->ds_diakok->currentRow(), u"Jövőre"_s)
                    .toString()
                    .startsWith(u"évismétlő"_s));

        // a year that is not a year does nothing
        f->edit_uj_tanev->setText(u"27"_s);
        QVERIFY(!f->Button4Click());
        QVERIFY(lastText().contains(u"négy számjegy"_s));
        f->edit_uj_tanev->setText(u"2027"_s);

        app_.dialogs.answer(ui::DialogAnswer::Yes);
        QVERIFY(f->Button4Click());
        QVERIFY2(lastText().startsWith(u"A tanévváltás megtörtént (2027/2028)."_s), qPrintable(lastText()));
        QVERIFY(f->label_allapot->text().contains(u"Még visszavonható."_s));
        QVERIFY(count(u"select count(*) from table_diak"_s) < students);
        QCOMPARE(f->edit_uj_tanev->text(), u"2028"_s);

        app_.dialogs.answer(ui::DialogAnswer::Yes);
        QVERIFY(f->Button5Click());
        QCOMPARE(count(u"select count(*) from table_diak"_s), students);
        QVERIFY(f->label_allapot->text().startsWith(u"Tanévváltás még nem történt"_s));
        QCOMPARE(count(u"select count(*) from table_tv_jeloles where diak_id = :id"_s, {repeater}), 1);
        f->close();
        QVERIFY(main_form->isEnabled());
    }
};

QTEST_MAIN(SchoolYearTest)
#include "test_schoolyear.moc"
