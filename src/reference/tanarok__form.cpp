#include "tanarok__form.h"

#include <QFrame>

#include "data/DataModule.h"
#include "db/Values.h"
#include "main/main__form.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Widgets.h"

Ttanarok_form* tanarok_form = nullptr;

namespace {

const QString kSelect =
    QStringLiteral("select id, nev AS \"Tanár neve\" from table_tanar order by table_tanar.nev");

} // namespace

Ttanarok_form::Ttanarok_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("tanarok_form"));
    setWindowTitle(QStringLiteral("Taanárok karbantartása"));
    setClientSize(306, 321);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 306, 321);

    ui::bevel(this, QRect(4, 4, 298, 172));  // list
    ui::bevel(this, QRect(4, 180, 298, 48)); // new teacher
    ui::bevel(this, QRect(4, 232, 298, 57)); // delete and rename

    Label1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Aktuálisa tanárok:"), ui::arial(12),
                       QRect(10, 7, 286, 16));
    DBGrid1 = new ui::DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(10, 25, 286, 147);
    DBGrid1->setFont(ui::arial(11));
    DBGrid1->setFrameShape(QFrame::Box);
    DBGrid1->setFrameShadow(QFrame::Plain);
    DBGrid1->setDataset(&DM->dataset_Tanarok, &DM->datasource_Tanarok);
    ui::nameBy(Label1, DBGrid1);

    Label2 = ui::label(this, QStringLiteral("Label2"), QStringLiteral("Új tanár felvétele"), ui::arial(12),
                       QRect(10, 183, 200, 16));
    Label3 = ui::label(this, QStringLiteral("Label3"), QStringLiteral("Név:"), ui::arial(12),
                       QRect(10, 202, 40, 21));
    edit_tanar_nev = new QLineEdit(this);
    edit_tanar_nev->setObjectName(QStringLiteral("edit_tanar_nev"));
    edit_tanar_nev->setGeometry(52, 202, 157, 21);
    edit_tanar_nev->setFont(ui::arial(12));
    ui::nameBy(Label3, edit_tanar_nev);
    // Enter acts as the button; the key still reaches the box afterwards.
    ui::onKeyDown(edit_tanar_nev, [this](int key) { edit_tanar_nevKeyDown(key); });
    Button1 = ui::button(this, QStringLiteral("Button1"), kAdd, ui::arial(12), QRect(229, 186, 65, 37));

    Label4 = ui::label(this, QStringLiteral("Label4"), QStringLiteral("Tanár törlése és névmódosítás"),
                       ui::arial(12), QRect(10, 235, 286, 16));
    Label5 = ui::label(this, QStringLiteral("Label5"),
                       QStringLiteral("A kívánt tanár során nyomjunk jobb egérgombot"), ui::arial(13, false),
                       QRect(10, 252, 290, 17));
    Label6 = ui::label(this, QStringLiteral("Label6"), QStringLiteral("majd válasszunk a lehetőségek közül."),
                       ui::arial(13, false), QRect(10, 269, 290, 17));

    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("bezárás"), ui::arial(12),
                         QRect(84, 294, 137, 24));

    popup_dbg = new QMenu(this);
    popup_dbg->setObjectName(QStringLiteral("popup_dbg"));
    anrtrlse1 = popup_dbg->addAction(QStringLiteral("Tanár törlése"));
    anrtrlse1->setObjectName(QStringLiteral("anrtrlse1"));
    anrnevnekmdostsa1 = popup_dbg->addAction(QStringLiteral("Tanár nevének módosítása"));
    anrnevnekmdostsa1->setObjectName(QStringLiteral("anrnevnekmdostsa1"));
    DBGrid1->setPopupMenu(popup_dbg);

    setTabOrder(DBGrid1, edit_tanar_nev);
    setTabOrder(edit_tanar_nev, Button1);
    setTabOrder(Button1, Button2);

    // After a reload the user stays on the teacher they were working with.
    DM->dataset_Tanarok.setKeyField(QStringLiteral("ID"));

    renaming_ = std::make_unique<RenameTarget>(Label2, Button1, kAdd, kModify);
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(anrtrlse1, &QAction::triggered, this, ui::guard([this] { anrtrlse1Click(); }));
    connect(anrnevnekmdostsa1, &QAction::triggered, this, ui::guard([this] { anrnevnekmdostsa1Click(); }));
}

void Ttanarok_form::prepareOpen() {
    DM->limitToColumns(QStringLiteral("table_tanar"), {{edit_tanar_nev, QStringLiteral("nev")}});
    tanarok_lista_frissit();
    renaming_->end();
}

void Ttanarok_form::tanarok_lista_frissit() {
    db::Dataset& list = DM->dataset_Tanarok;
    list.close();
    list.setSelectSQL(kSelect);
    list.open();
}

void Ttanarok_form::Button1Click() {
    const QString name = edit_tanar_nev->text();
    if (name.isEmpty()) {
        ui::warning(QStringLiteral("Nem töltött ki minden kötelező mezőt!"));
        return;
    }
    db::Dataset& list = DM->dataset_Tanarok;
    const bool rename = Button1->text() == kModify;
    // The teacher whose name was loaded, whichever row is current now.
    const QVariant id = rename ? renaming_->id() : QVariant(-1);
    if (main_form->StoredProc(QStringLiteral("PRC_TANAR_FELVETEL"), {name, id})) {
        if (rename) {
            ui::information(QStringLiteral("Sikeres módosítás"));
            renaming_->end();
        } else {
            ui::information(name + QStringLiteral(" tanár felvétele megtörtént."));
        }
    }
    list.open();
    edit_tanar_nev->clear();
}

void Ttanarok_form::edit_tanar_nevKeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) Button1Click();
}

void Ttanarok_form::anrnevnekmdostsa1Click() {
    db::Dataset& list = DM->dataset_Tanarok;
    if (list.isEmpty()) return;
    const QString name = db::displayText(list.fieldByName(QStringLiteral("Tanár neve")));
    renaming_->begin(list.fieldByName(QStringLiteral("ID")), name);
    edit_tanar_nev->setText(name);
}

void Ttanarok_form::anrtrlse1Click() {
    db::Dataset& list = DM->dataset_Tanarok;
    if (list.isEmpty()) return;
    const QString name = db::displayText(list.fieldByName(QStringLiteral("Tanár neve")));
    if (!ui::confirm(QStringLiteral("Valóba tröli: ") + name + QStringLiteral(" tanárt?"))) return;
    const int id = db::toInt(db::displayText(list.fieldByName(QStringLiteral("ID"))));
    if (main_form->StoredProc(QStringLiteral("PRC_TANAR_ELTAVOLITAS"), {id}) && renaming_->isFor(id)) {
        renaming_->end();
        edit_tanar_nev->clear();
    }
    tanarok_lista_frissit();
}

void Ttanarok_form::Button2Click() {
    close();
}

void Ttanarok_form::FormClose() {
    main_form->childClosed();
}
