#include "osztalyok__form.h"

#include <QFrame>

#include "data/DataModule.h"
#include "db/Values.h"
#include "main/main__form.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Widgets.h"

Tosztalyok_form* osztalyok_form = nullptr;

namespace {

const QString kSelectFile = QStringLiteral("dataset_Osztalyok_SelectSQL.sql");

QLineEdit* edit(QWidget* parent, const QString& name, const QRect& r) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setFont(ui::arial(11));
    e->setGeometry(r);
    return e;
}

} // namespace

Tosztalyok_form::Tosztalyok_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("osztalyok_form"));
    setWindowTitle(QStringLiteral("Osztályok"));
    setClientSize(695, 388);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 695, 388);

    ui::bevel(this, QRect(4, 4, 687, 193));   // list
    ui::bevel(this, QRect(4, 202, 687, 142)); // new class, modify and delete
    ui::bevel(this, QRect(10, 207, 675, 76)); // new class
    ui::bevel(this, QRect(10, 287, 675, 52)); // modify and delete

    DBGrid1 = new ui::DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(8, 8, 678, 184);
    DBGrid1->setFont(ui::arial(11));
    DBGrid1->setFrameShape(QFrame::Panel);
    DBGrid1->setFrameShadow(QFrame::Sunken);
    DBGrid1->setDataset(&DM->dataset_Osztalyok, &DM->datasuorce_Osztalyok);
    DBGrid1->setAccessibleName(QStringLiteral("Osztályok listája"));

    Label1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Új osztály felvétele"), ui::arial(12),
                       QRect(16, 210, 200, 16));
    Label5 = ui::label(this, QStringLiteral("Label5"), QStringLiteral("Osztályfőnök:"), ui::arial(12),
                       QRect(16, 229, 100, 22));
    combo_tanarok =
        ui::idCombo(this, QStringLiteral("combo_tanarok"), ui::arial(12), QRect(120, 229, 209, 22));
    ui::nameBy(Label5, combo_tanarok);
    Label2 = ui::label(this, QStringLiteral("Label2"), QStringLiteral("Évfolyam:"), ui::arial(12),
                       QRect(345, 229, 80, 22));
    edit_evf = edit(this, QStringLiteral("edit_evf"), QRect(430, 230, 33, 20));
    ui::nameBy(Label2, edit_evf);
    Label4 = ui::label(this, QStringLiteral("Label4"), QStringLiteral("Szak:"), ui::arial(12),
                       QRect(16, 255, 100, 22));
    edit_szak = edit(this, QStringLiteral("edit_szak"), QRect(120, 256, 208, 20));
    ui::nameBy(Label4, edit_szak);
    Label3 = ui::label(this, QStringLiteral("Label3"), QStringLiteral("Osztály:"), ui::arial(12),
                       QRect(345, 255, 80, 22));
    edit_oszt = edit(this, QStringLiteral("edit_oszt"), QRect(430, 256, 33, 20));
    ui::nameBy(Label3, edit_oszt);
    Button2 = ui::button(this, QStringLiteral("Button2"), kAdd, ui::arial(12), QRect(490, 227, 97, 50));

    Label6 = ui::label(this, QStringLiteral("Label6"), QStringLiteral("Módosítás és törlés"), ui::arial(12),
                       QRect(16, 289, 200, 16));
    Label7 = ui::label(
        this, QStringLiteral("Label7"),
        QStringLiteral("A módosítani vagy törölni kívánt osztály sorány kattintson jobb egérgombbal, "),
        ui::arial(13, false), QRect(16, 305, 665, 16));
    Label8 = ui::label(this, QStringLiteral("Label8"), QStringLiteral("és válassza a kívánt funkciót."),
                       ui::arial(13, false), QRect(16, 321, 665, 16));

    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("bezárás"), ui::arial(12),
                         QRect(286, 355, 123, 22));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    KijelltMdostsa1 = PopupMenu1->addAction(QStringLiteral("Kijelölt Módosítása"));
    KijelltMdostsa1->setObjectName(QStringLiteral("KijelltMdostsa1"));
    KijelltTrlse1 = PopupMenu1->addAction(QStringLiteral("Kijelölt Törlése"));
    KijelltTrlse1->setObjectName(QStringLiteral("KijelltTrlse1"));
    DBGrid1->setPopupMenu(PopupMenu1);

    QWidget* order[] = {combo_tanarok, edit_szak, edit_oszt, edit_evf, Button1, DBGrid1, Button2};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    // After a reload the user stays on the class they were working with.
    DM->dataset_Osztalyok.setKeyField(QStringLiteral("ID"));

    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(KijelltMdostsa1, &QAction::triggered, this, ui::guard([this] { KijelltMdostsa1Click(); }));
    connect(KijelltTrlse1, &QAction::triggered, this, ui::guard([this] { KijelltTrlse1Click(); }));
}

void Tosztalyok_form::prepareOpen() {
    DM->limitToColumns(QStringLiteral("table_osztaly"), {{edit_szak, QStringLiteral("osztaly_szak")},
                                                         {edit_oszt, QStringLiteral("osztaly_betu")}});
    osztalyok_nullaz();
    osztalyok_frissit();
    tanarok_combo_frissit();
    edit_evf->setEnabled(true);
    edit_oszt->setEnabled(true);
    Button2->setText(kAdd);
}

void Tosztalyok_form::tanarok_combo_frissit() {
    combo_tanarok->clearAll();
    QStringList lines;
    main_form->query(false, QStringLiteral("select id, nev from table_tanar order by table_tanar.nev"), {},
                     lines);
    for (const QString& line : lines) {
        // id;name; — the name is everything between, so a ";" in a name survives.
        const qsizetype first = line.indexOf(QLatin1Char(';'));
        const QString id = line.left(first);
        const QString name = line.mid(first + 1).chopped(1);
        combo_tanarok->addItem(name + QStringLiteral("  ID:") + id);
    }
    combo_tanarok->clearChoice();
}

void Tosztalyok_form::osztalyok_frissit() {
    // Read first: a missing file leaves the list as it was.
    const QString sql = DM->sqlText(kSelectFile);
    db::Dataset& list = DM->dataset_Osztalyok;
    list.close();
    list.setSelectSQL(sql);
    list.open();
}

void Tosztalyok_form::osztalyok_nullaz() {
    edit_evf->clear();
    edit_oszt->clear();
    edit_szak->clear();
    combo_tanarok->clearAll();
}

void Tosztalyok_form::Button2Click() {
    if (combo_tanarok->currentText().isEmpty() || edit_evf->text().isEmpty() || edit_oszt->text().isEmpty() ||
        edit_szak->text().isEmpty()) {
        ui::warning(QStringLiteral("Minden mező kitöltése kötelező!\r \rSikertelen felvétel"));
        return;
    }
    const int teacherId = combo_tanarok->chosenId();
    const bool modify = Button2->text() == kModify;
    const ibq_parameterek params{teacherId, edit_szak->text(), edit_oszt->text(),
                                 modify ? kijelolt_osztaly_id : -1, edit_evf->text()};
    if (main_form->StoredProc(QStringLiteral("PRC_OSZTALY_FELVETELE"), params)) {
        osztalyok_frissit();
        if (modify) {
            ui::information(QStringLiteral("Sikeres osztálymódosítás!"));
            edit_evf->setEnabled(true);
            edit_oszt->setEnabled(true);
            Button2->setText(kAdd);
        } else {
            ui::information(QStringLiteral("Sikeres osztály-regisztráció!"));
        }
        osztalyok_nullaz();
        tanarok_combo_frissit();
    }
    DM->dataset_Osztalyok.open();
}

void Tosztalyok_form::KijelltMdostsa1Click() {
    db::Dataset& list = DM->dataset_Osztalyok;
    if (list.isEmpty()) return;
    Button2->setText(kModify);
    edit_szak->setText(db::displayText(list.fieldByName(QStringLiteral("Tagozat/Szakma/Szakirány"))));
    edit_evf->setText(db::displayText(list.fieldByName(QStringLiteral("Évfolyam"))));
    edit_oszt->setText(db::displayText(list.fieldByName(QStringLiteral("Osztály"))));
    kijelolt_osztaly_id = db::toInt(db::displayText(list.fieldByName(QStringLiteral("ID"))));
    // Grade and letter name the class for good; only the rest can change.
    edit_evf->setEnabled(false);
    edit_oszt->setEnabled(false);
}

void Tosztalyok_form::KijelltTrlse1Click() {
    db::Dataset& list = DM->dataset_Osztalyok;
    if (list.isEmpty()) return;
    const QString question =
        QStringLiteral("Valóban tröli: ") + db::displayText(list.fieldByName(QStringLiteral("Évfolyam"))) +
        QLatin1Char('.') + db::displayText(list.fieldByName(QStringLiteral("Osztály"))) +
        QStringLiteral(" osztályt?\r\rFigyelem! Az osztályhoz rendelt tantárgyak is törlődnek!");
    if (!ui::confirm(question)) return;
    const int id = db::toInt(db::displayText(list.fieldByName(QStringLiteral("ID"))));
    main_form->StoredProc(QStringLiteral("PRC_OSZTALY_TORLESE"), {id});
    osztalyok_frissit();
}

void Tosztalyok_form::Button1Click() {
    close();
}

void Tosztalyok_form::FormClose() {
    main_form->childClosed();
}
