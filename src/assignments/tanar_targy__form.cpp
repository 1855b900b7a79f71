#include "tanar_targy__form.h"

#include <QFrame>
#include <QHeaderView>
#include <QScopedValueRollback>

#include "data/DataModule.h"
#include "db/Statement.h"
#include "db/Values.h"
#include "main/main__form.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Widgets.h"

Ttanar_targy_form* tanar_targy_form = nullptr;

namespace {

const QString kMissing = QStringLiteral("Nem töltött ki minden kötelező mezőt!");
// What the subjects grid is called while no teacher is chosen.
const QString kSubjectsGrid = QStringLiteral("A tanár által oktatott tárgyak");

ui::IdComboBox* idCombo(QWidget* parent, const QString& name, const QRect& r, bool flat) {
    auto* c = ui::idCombo(parent, name, ui::arial(11), r);
    c->setFrame(!flat);
    return c;
}

} // namespace

Ttanar_targy_form::Ttanar_targy_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("tanar_targy_form"));
    setWindowTitle(QStringLiteral("Tanárok és Tantárgyak"));
    setClientSize(537, 337);

    ds_tanarok = new db::Dataset(DM->dbTanulo, DM->trTanulo, this);
    ds_tanarok->setObjectName(QStringLiteral("ds_tanarok"));
    // A reconnection closes every list: reopened, it finds the chosen teacher again.
    ds_tanarok->setKeyField(QStringLiteral("id"));
    ds_targyak = new db::Dataset(DM->dbTanulo, DM->trTanulo, this);
    ds_targyak->setObjectName(QStringLiteral("ds_targyak"));
    dsource_tanarok = new QIdentityProxyModel(this);
    dsource_tanarok->setObjectName(QStringLiteral("dsource_tanarok"));
    dsource_tanarok->setSourceModel(ds_tanarok);
    dsource_targyak = new QIdentityProxyModel(this);
    dsource_targyak->setObjectName(QStringLiteral("dsource_targyak"));
    dsource_targyak->setSourceModel(ds_targyak);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 537, 337);

    // Left panel: the teachers, and below them the chosen teacher's subjects.
    ui::bevel(this, QRect(4, 4, 280, 298));
    Label1 =
        ui::label(this, QStringLiteral("Label1"), QStringLiteral("Válasszon Tanárt a következő listából:"),
                  ui::arial(12), QRect(10, 8, 268, 17));
    DBGrid1 = ui::grid(this, QStringLiteral("DBGrid1"), QRect(10, 27, 268, 140));
    DBGrid1->setDataset(ds_tanarok, dsource_tanarok);
    ui::nameBy(Label1, DBGrid1);
    ui::bevel(this, QRect(10, 171, 268, 127));
    Label2 = ui::label(this, QStringLiteral("Label2"), QString(), ui::arial(11), QRect(14, 174, 260, 30));
    Label2->setWordWrap(true); // long teacher names take a second line
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    DBGrid2 = ui::grid(this, QStringLiteral("DBGrid2"), QRect(14, 206, 260, 88));
    DBGrid2->setDataset(ds_targyak, dsource_targyak);
    ui::nameBy(Label2, DBGrid2);
    DBGrid2->setAccessibleName(kSubjectsGrid);

    // Right panel, upper box: adding a subject.
    ui::bevel(this, QRect(288, 4, 245, 145));
    Label3 = ui::label(this, QStringLiteral("Label3"), QStringLiteral("Tantárgy hozzáadása"), ui::arial(12),
                       QRect(294, 8, 233, 17));
    edit_tanar_nev =
        ui::readOnlyEdit(this, QStringLiteral("edit_tanar_nev"), ui::arial(11), QRect(294, 30, 233, 21));
    edit_tanar_nev->setAccessibleName(QStringLiteral("Tanár, akihez a tantárgyat hozzáadjuk"));
    Label4 = ui::label(this, QStringLiteral("Label4"), QStringLiteral("tanárhoz adjuk hozzá:"), ui::arial(11),
                       QRect(294, 55, 233, 16));
    combo_targyak = idCombo(this, QStringLiteral("combo_targyak"), QRect(294, 74, 233, 22), true);
    ui::nameBy(Label4, combo_targyak);
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("Hozzáad"), ui::arial(11),
                         QRect(360, 108, 100, 30));

    // Right panel, lower box: taking a subject away.
    ui::bevel(this, QRect(288, 153, 245, 149));
    Label5 = ui::label(this, QStringLiteral("Label5"), QStringLiteral("Tárgy eltávolítása"), ui::arial(12),
                       QRect(294, 157, 233, 17));
    edit_tanar_nev2 =
        ui::readOnlyEdit(this, QStringLiteral("edit_tanar_nev2"), ui::arial(11), QRect(294, 179, 162, 21));
    edit_tanar_nev2->setAccessibleName(QStringLiteral("Tanár, akitől a tárgyat eltávolítjuk"));
    Label6 = ui::label(this, QStringLiteral("Label6"), QStringLiteral("- tól/től"), ui::arial(12),
                       QRect(460, 179, 67, 21));
    Label7 = ui::label(this, QStringLiteral("Label7"), QStringLiteral("a következő tantárgyat:"),
                       ui::arial(11), QRect(294, 204, 233, 16));
    combo_targyak2 = idCombo(this, QStringLiteral("combo_targyak2"), QRect(294, 223, 233, 22), false);
    ui::nameBy(Label7, combo_targyak2);
    Button3 = ui::button(this, QStringLiteral("Button3"), QStringLiteral("Eltávolít"), ui::arial(11),
                         QRect(360, 260, 100, 30));

    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("bezárás"), ui::arial(11),
                         QRect(218, 308, 100, 24));

    QWidget* order[] = {DBGrid1, DBGrid2, Button1,         edit_tanar_nev, combo_targyak,
                        Button2, Button3, edit_tanar_nev2, combo_targyak2};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    // A click that moved the row has had the side rebuilt by the row change already.
    connect(DBGrid1, &ui::DataGrid::cellClicked, this, ui::guard([this] {
                if (!DBGrid1->lastClickMovedRow()) DBGrid1CellClick();
            }));
    connect(ds_tanarok, &db::Dataset::currentRowChanged, this,
            [this](int row) { ui::guarded([&] { ds_tanarokAfterScroll(row); }); });
}

void Ttanar_targy_form::prepareOpen() {
    tanarok_frissit();
    tanar_targy_nullaz();
}

void Ttanar_targy_form::tanarok_frissit() {
    const QScopedValueRollback<bool> quiet(reloading_, true);
    ds_tanarok->close();
    ds_tanarok->forgetPosition(); // a window opened anew starts at the first teacher
    ds_tanarok->setSelectSQL(kTeacherSelect);
    ds_tanarok->open();
}

void Ttanar_targy_form::tanar_targy_nullaz() {
    ds_targyak->close();
    ui::setHeading(Label2, QString(), kSubjectsGrid);
    edit_tanar_nev->clear();
    edit_tanar_nev2->clear();
    combo_targyak->clearAll();
    combo_targyak2->clearAll();
}

void Ttanar_targy_form::targyak_meghataroz() {
    if (!ds_tanarok->isOpen()) {
        const QScopedValueRollback<bool> quiet(reloading_, true);
        ds_tanarok->open();
    }
    if (ds_tanarok->isEmpty()) return;
    ds_targyak->close();
    ds_targyak->setSelectSQL(QString());
    ds_targyak->setSelectSQL(DM->sqlText(QStringLiteral("dataset_tanar_targy.sql")));
    ds_targyak->setFirstParam(db::toInt(db::displayText(ds_tanarok->fieldByName(QStringLiteral("id")))));
    ds_targyak->open();
    DM->dataset_Tanulok.open(); // an earlier commit may have closed it
    const QString name = db::displayText(ds_tanarok->fieldByName(QStringLiteral("Tanár neve")));
    ui::setHeading(Label2, name + QStringLiteral(" által oktatott tárgyak:"), kSubjectsGrid);
    edit_tanar_nev->setText(name);
    edit_tanar_nev2->setText(name);
    combo_targyak_feltolt1();
    combo_targyak_feltolt2();
}

void Ttanar_targy_form::fillCombo(const QString& fileName, QComboBox* combo) {
    QStringList lines;
    main_form->query(true, fileName, {ds_tanarok->fieldByName(QStringLiteral("id"))}, lines);
    main_form->combo_targyak_feltolt(combo, lines);
}

void Ttanar_targy_form::combo_targyak_feltolt1() {
    fillCombo(QStringLiteral("dataset_tanar_targy_lehetseges_targyak.sql"), combo_targyak);
}

void Ttanar_targy_form::combo_targyak_feltolt2() {
    fillCombo(QStringLiteral("dataset_tanar_targy_lehetseges_targyak2.sql"), combo_targyak2);
}

void Ttanar_targy_form::FormActivate() {
    // An activation is nobody's request: a lost connection waits for the next action.
    if (DM->dbTanulo.isLost()) return;
    targyak_meghataroz();
}

void Ttanar_targy_form::DBGrid1CellClick() {
    targyak_meghataroz();
}

void Ttanar_targy_form::ds_tanarokAfterScroll(int row) {
    if (reloading_ || row < 0 || !isVisible()) return;
    // Emptied first: should the rebuild fail, no other teacher's name stays shown.
    tanar_targy_nullaz();
    targyak_meghataroz();
}

void Ttanar_targy_form::tanar_ujrakeres(const QVariant& id) {
    {
        const QScopedValueRollback<bool> quiet(reloading_, true);
        ds_tanarok->open();
        tanar_targy_nullaz();
        // The search ends with the list; a teacher gone meanwhile leaves the first one.
        if (!ds_tanarok->locate(QStringLiteral("id"), id) && !ds_tanarok->isEmpty())
            ds_tanarok->setCurrentRow(0);
    }
    targyak_meghataroz();
}

void Ttanar_targy_form::Button2Click() {
    if (edit_tanar_nev->text().isEmpty() || combo_targyak->currentText().isEmpty()) {
        ui::warning(kMissing);
        return;
    }
    const int targy = ui::itemId(combo_targyak->currentText());
    const QVariant tanar = ds_tanarok->fieldByName(QStringLiteral("id"));
    if (main_form->StoredProc(QStringLiteral("PRC_TARGY_HOZZAADASA_TANARHOZ"), {targy, tanar}))
        ui::information(QStringLiteral("Sikeres tárgyfelvétel!"));
    tanar_ujrakeres(tanar);
}

void Ttanar_targy_form::Button3Click() {
    if (edit_tanar_nev2->text().isEmpty() || combo_targyak2->currentText().isEmpty()) {
        ui::warning(kMissing);
        return;
    }
    // Read before asking: the window's reactivation after the question refills the lists.
    const QString item = combo_targyak2->currentText();
    const int targy = ui::itemId(item);
    if (!ui::confirm(QStringLiteral("Valóba tröli: ") + edit_tanar_nev2->text() +
                     QStringLiteral(" tanártól a(z) ") + item + QStringLiteral(" tárgyat?")))
        return;
    const int tanar = db::toInt(db::displayText(ds_tanarok->fieldByName(QStringLiteral("ID"))));
    main_form->StoredProc(QStringLiteral("PRC_TARGY_ELVETELE_TANARTOL"), {tanar, targy});
    tanar_ujrakeres(tanar);
}

void Ttanar_targy_form::Button1Click() {
    close();
}

void Ttanar_targy_form::FormClose() {
    main_form->childClosed();
}
