#include "tantargyak__form.h"

#include <QFrame>

#include "data/DataModule.h"
#include "db/Values.h"
#include "main/main__form.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Widgets.h"

Ttantargyak_form* tantargyak_form = nullptr;

namespace {

const QString kSelect = QStringLiteral("select * from table_targy order by table_targy.targy_nev");

} // namespace

Ttantargyak_form::Ttantargyak_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("tantargyak_form"));
    setWindowTitle(QStringLiteral("Tantárgyak"));
    setClientSize(250, 391);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 250, 391);

    ui::bevel(this, QRect(4, 5, 242, 197));  // list
    ui::bevel(this, QRect(4, 208, 242, 64)); // new subject
    ui::bevel(this, QRect(4, 278, 242, 76)); // delete and rename

    Label1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Oktatott tantárgyak:"), ui::arial(12),
                       QRect(12, 8, 226, 16));
    DBGrid1 = new ui::DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(12, 26, 226, 170);
    DBGrid1->setFont(ui::arial(11));
    DBGrid1->setFrameShape(QFrame::Box);
    DBGrid1->setFrameShadow(QFrame::Plain);
    DBGrid1->setDataset(&DM->dataset_targyak, &DM->datasource_targyak);
    ui::nameBy(Label1, DBGrid1);

    Label2 = ui::label(this, QStringLiteral("Label2"), QStringLiteral("Új tantárgy regisztrálása"),
                       ui::arial(12), QRect(12, 211, 166, 16));
    Label3 = ui::label(this, QStringLiteral("Label3"), QStringLiteral("Megnevezés:"), ui::arial(12),
                       QRect(12, 229, 156, 16));
    edit_targy_nev = new QLineEdit(this);
    edit_targy_nev->setObjectName(QStringLiteral("edit_targy_nev"));
    edit_targy_nev->setGeometry(12, 247, 156, 20);
    edit_targy_nev->setFont(ui::arial(11));
    ui::nameBy(Label3, edit_targy_nev);
    // Enter acts as the button; the key still reaches the box afterwards.
    ui::onKeyDown(edit_targy_nev, [this](int key) { edit_targy_nevKeyDown(key); });
    // Never shown with this caption: the opener sets the add mode.
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("Felvétel"), ui::arial(12),
                         QRect(182, 215, 56, 52));

    Label4 = ui::label(this, QStringLiteral("Label4"), QStringLiteral("Tárgy törlése és módosítása"),
                       ui::arial(12), QRect(12, 281, 226, 16));
    Label5 = ui::label(this, QStringLiteral("Label5"), QStringLiteral("A kívánt tanár során kattintson jobb"),
                       ui::arial(13, false), QRect(12, 299, 230, 17));
    Label6 = ui::label(this, QStringLiteral("Label6"), QStringLiteral("egérgombbal, és válassza a kívánt"),
                       ui::arial(13, false), QRect(12, 316, 230, 17));
    Label7 = ui::label(this, QStringLiteral("Label7"), QStringLiteral("funkciót"), ui::arial(13, false),
                       QRect(12, 333, 230, 17));

    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("bezárás"), ui::arial(12),
                         QRect(71, 362, 107, 21));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    antrgyTrlse1 = PopupMenu1->addAction(QStringLiteral("Tantárgy Törlése"));
    antrgyTrlse1->setObjectName(QStringLiteral("antrgyTrlse1"));
    antrgynevnekmdostsa1 = PopupMenu1->addAction(QStringLiteral("Tantárgy nevének módosítása"));
    antrgynevnekmdostsa1->setObjectName(QStringLiteral("antrgynevnekmdostsa1"));
    DBGrid1->setPopupMenu(PopupMenu1);

    setTabOrder(DBGrid1, Button1);
    setTabOrder(Button1, edit_targy_nev);
    setTabOrder(edit_targy_nev, Button2);

    // After a reload the user stays on the subject they were working with.
    DM->dataset_targyak.setKeyField(QStringLiteral("ID"));

    renaming_ = std::make_unique<RenameTarget>(Label2, Button2, kAdd, kModify);
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(antrgyTrlse1, &QAction::triggered, this, ui::guard([this] { antrgyTrlse1Click(); }));
    connect(antrgynevnekmdostsa1, &QAction::triggered, this,
            ui::guard([this] { antrgynevnekmdostsa1Click(); }));
}

void Ttantargyak_form::prepareOpen() {
    DM->limitToColumns(QStringLiteral("table_targy"), {{edit_targy_nev, QStringLiteral("targy_nev")}});
    targyak_frissit();
    renaming_->end();
    edit_targy_nev->clear();
}

void Ttantargyak_form::targyak_frissit() {
    db::Dataset& list = DM->dataset_targyak;
    list.close();
    list.setSelectSQL(kSelect);
    list.open();
}

void Ttantargyak_form::Button2Click() {
    const QString name = edit_targy_nev->text();
    if (name.isEmpty()) {
        ui::warning(QStringLiteral("Adja meg a tantárgy nevét!"));
        return;
    }
    const bool rename = Button2->text() == kModify;
    // The subject whose name was loaded, whichever row is current now.
    const QVariant id = rename ? renaming_->id() : QVariant(-1);
    if (main_form->StoredProc(QStringLiteral("PRC_TARGY_FELVETELE"), {id, name})) {
        if (rename) {
            ui::information(QStringLiteral("A tantárgy új neve: ") + name +
                            QStringLiteral("\rSikeres módosítás"));
            renaming_->end();
        } else {
            ui::information(name + QStringLiteral(" tantárgy regisztrálása megtörtént."));
        }
        edit_targy_nev->clear();
    }
    targyak_frissit();
}

void Ttantargyak_form::edit_targy_nevKeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) Button2Click();
}

void Ttantargyak_form::antrgynevnekmdostsa1Click() {
    db::Dataset& list = DM->dataset_targyak;
    if (list.isEmpty()) return;
    const QString name = db::displayText(list.fieldByName(QStringLiteral("targy_nev")));
    renaming_->begin(list.fieldByName(QStringLiteral("id")), name);
    edit_targy_nev->setText(name);
}

void Ttantargyak_form::antrgyTrlse1Click() {
    db::Dataset& list = DM->dataset_targyak;
    if (list.isEmpty()) return;
    const QString name = db::displayText(list.fieldByName(QStringLiteral("targy_nev")));
    if (!ui::confirm(QStringLiteral("Valóba tröli: ") + name + QStringLiteral(" tantárgyat?"))) return;
    const int id = db::toInt(db::displayText(list.fieldByName(QStringLiteral("ID"))));
    if (main_form->StoredProc(QStringLiteral("PRC_TARGY_TORLESE_TARGYAK_KOZUL"), {id}) &&
        renaming_->isFor(id)) {
        renaming_->end();
        edit_targy_nev->clear();
    }
    targyak_frissit();
    // The commit or rollback closed the student list too.
    DM->dataset_Tanulok.open();
}

void Ttantargyak_form::Button1Click() {
    close();
}

void Ttantargyak_form::FormClose() {
    main_form->childClosed();
}
