#include "oszt_tan__form.h"

#include <QFrame>
#include <QHeaderView>
#include <QScopedValueRollback>

#include "data/DataModule.h"
#include "db/Statement.h"
#include "db/Values.h"
#include "main/main__form.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Nevelo.h"
#include "ui/Widgets.h"

Toszt_tan_form* oszt_tan_form = nullptr;

namespace {

const QString kMissing = QStringLiteral("Nem töltött ki minden kötelező mezőt!");
// What the subjects grid is called while no class is chosen.
const QString kSubjectsGrid = QStringLiteral("Az osztály tantárgyai és oktatói");
const QString kSubjects = QStringLiteral("select * from table_targy order by table_targy.targy_nev");
const QString kSubjectId =
    QStringLiteral("select table_targy.id from table_targy where table_targy.targy_nev = :targy_nev");
const QString kTeacherId =
    QStringLiteral("select table_tanar.id from table_tanar where table_tanar.nev = :tanar_nev");
const QString kGone =
    QStringLiteral("\rLehet, hogy időközben átnevezték vagy törölték. Válassza ki újra a sort a "
                   "tantárgyak listájából!");

ui::IdComboBox* idCombo(QWidget* parent, const QString& name, const QRect& r) {
    auto* c = ui::idCombo(parent, name, ui::arial(11), r);
    c->setFrame(false);
    return c;
}

} // namespace

Toszt_tan_form::Toszt_tan_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("oszt_tan_form"));
    setWindowTitle(QStringLiteral("Osztályok és Tantárgyak"));
    setClientSize(521, 513);

    ds_osztalyok = new db::Dataset(DM->dbTanulo, DM->trTanulo, this);
    ds_osztalyok->setObjectName(QStringLiteral("ds_osztalyok"));
    // A reconnection closes every list: reopened, it finds the chosen class again.
    ds_osztalyok->setKeyField(QStringLiteral("ID"));
    ds_targyak = new db::Dataset(DM->dbTanulo, DM->trTanulo, this);
    ds_targyak->setObjectName(QStringLiteral("ds_targyak"));
    dsource_Osztalyok = new QIdentityProxyModel(this);
    dsource_Osztalyok->setObjectName(QStringLiteral("dsource_Osztalyok"));
    dsource_Osztalyok->setSourceModel(ds_osztalyok);
    dsource_Targyak = new QIdentityProxyModel(this);
    dsource_Targyak->setObjectName(QStringLiteral("dsource_Targyak"));
    dsource_Targyak->setSourceModel(ds_targyak);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 521, 513);

    // Upper panel: the classes, and below them the chosen class's subjects.
    ui::bevel(this, QRect(4, 4, 513, 262));
    Label1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Válasszon Osztályt:"), ui::arial(12),
                       QRect(10, 8, 300, 17));
    dbg_osztalyok = ui::grid(this, QStringLiteral("dbg_osztalyok"), QRect(10, 27, 501, 110));
    dbg_osztalyok->setDataset(ds_osztalyok, dsource_Osztalyok);
    ui::nameBy(Label1, dbg_osztalyok);
    ui::bevel(this, QRect(10, 141, 501, 121));
    Label2 = ui::label(this, QStringLiteral("Label2"), QString(), ui::arial(12), QRect(14, 144, 493, 17));
    dbg_targyak = ui::grid(this, QStringLiteral("dbg_targyak"), QRect(14, 163, 493, 95));
    dbg_targyak->setDataset(ds_targyak, dsource_Targyak);
    ui::nameBy(Label2, dbg_targyak);
    dbg_targyak->setAccessibleName(kSubjectsGrid);

    // Lower panel, left box: adding.
    ui::bevel(this, QRect(4, 270, 254, 206));
    ui::bevel(this, QRect(8, 274, 246, 22));
    Label3 = ui::label(this, QStringLiteral("Label3"), QStringLiteral("Tárgy hozzáadása osztályhoz"),
                       ui::arial(11), QRect(12, 277, 238, 16));
    Label4 = ui::label(this, QStringLiteral("Label4"), QStringLiteral("A következő osztályhoz:"),
                       ui::arial(11), QRect(12, 302, 238, 16));
    edit_osztaly =
        ui::readOnlyEdit(this, QStringLiteral("edit_osztaly"), ui::arial(12), QRect(12, 320, 238, 22));
    ui::nameBy(Label4, edit_osztaly);
    Label5 = ui::label(this, QStringLiteral("Label5"), QStringLiteral("A következő tantárgyat:"),
                       ui::arial(11), QRect(12, 348, 238, 16));
    combo_targyak = idCombo(this, QStringLiteral("combo_targyak"), QRect(12, 366, 238, 22));
    ui::nameBy(Label5, combo_targyak);
    Label6 = ui::label(this, QStringLiteral("Label6"), QStringLiteral("A következő tanártól:"), ui::arial(11),
                       QRect(12, 394, 238, 16));
    combo_tanar = idCombo(this, QStringLiteral("combo_tanar"), QRect(12, 412, 238, 22));
    ui::nameBy(Label6, combo_tanar);
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("Hozzáad"), ui::arial(11),
                         QRect(71, 442, 120, 28));

    // Lower panel, right box: taking away.
    ui::bevel(this, QRect(263, 270, 254, 206));
    ui::bevel(this, QRect(267, 274, 246, 22));
    Label7 = ui::label(this, QStringLiteral("Label7"), QStringLiteral("Tárgy elvétele osztálytól"),
                       ui::arial(11), QRect(271, 277, 238, 16));
    Label8 = ui::label(this, QStringLiteral("Label8"), QStringLiteral("A következő osztálytól:"),
                       ui::arial(11), QRect(271, 302, 238, 16));
    edit_osztaly_2 =
        ui::readOnlyEdit(this, QStringLiteral("edit_osztaly_2"), ui::arial(12), QRect(271, 320, 238, 22));
    ui::nameBy(Label8, edit_osztaly_2);
    Label9 = ui::label(this, QStringLiteral("Label9"), QStringLiteral("A következő tantárgyat:"),
                       ui::arial(11), QRect(271, 348, 238, 16));
    edit_targy =
        ui::readOnlyEdit(this, QStringLiteral("edit_targy"), ui::arial(12), QRect(271, 366, 238, 22));
    ui::nameBy(Label9, edit_targy);
    Label10 = ui::label(this, QStringLiteral("Label10"), QStringLiteral("A következő tanártól:"),
                        ui::arial(11), QRect(271, 394, 238, 16));
    edit_tanar =
        ui::readOnlyEdit(this, QStringLiteral("edit_tanar"), ui::arial(12), QRect(271, 412, 238, 22));
    ui::nameBy(Label10, edit_tanar);
    Button3 = ui::button(this, QStringLiteral("Button3"), QStringLiteral("Tárgy elvétele"), ui::arial(11),
                         QRect(330, 442, 120, 28));

    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("bezárás"), ui::arial(11),
                         QRect(210, 483, 100, 24));

    QWidget* order[] = {dbg_osztalyok, Button1,        dbg_targyak, edit_osztaly, combo_targyak, combo_tanar,
                        Button2,       edit_osztaly_2, edit_targy,  edit_tanar,   Button3};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    // Only the user's choice; the refills of the list are not one.
    connect(combo_targyak, &QComboBox::activated, this, ui::guard([this] { combo_targyakChange(); }));
    // A click that moved the row has had the side rebuilt by the row change already.
    connect(dbg_osztalyok, &ui::DataGrid::cellClicked, this, ui::guard([this] {
                if (!dbg_osztalyok->lastClickMovedRow()) dbg_osztalyokCellClick();
            }));
    connect(dbg_targyak, &ui::DataGrid::cellClicked, this, ui::guard([this] { dbg_targyakCellClick(); }));
    connect(ds_osztalyok, &db::Dataset::currentRowChanged, this,
            [this](int row) { ui::guarded([&] { ds_osztalyokAfterScroll(row); }); });
}

void Toszt_tan_form::prepareOpen() {
    osztalyok_combo_frissit();
    oszt_tan_nullaz();
    ui::setHeading(Label2, QString(), kSubjectsGrid);
    ds_targyak->close(); // no earlier class's subjects under an empty heading
}

void Toszt_tan_form::osztalyok_combo_frissit() {
    {
        const QScopedValueRollback<bool> quiet(reloading_, true);
        ds_osztalyok->close();
        ds_osztalyok->forgetPosition(); // reloaded, the list starts at the first class
        ds_osztalyok->setSelectSQL(kClassSelect);
        ds_osztalyok->open();
    }
    QStringList lines;
    main_form->query(false, kSubjects, {}, lines);
    main_form->combo_targyak_feltolt(combo_targyak, lines);
}

void Toszt_tan_form::oszt_tan_nullaz() {
    edit_osztaly->clear();
    combo_targyak->clearChoice();
    combo_tanar->clearChoice();
    edit_targy->clear();
    edit_tanar->clear();
    edit_osztaly_2->clear();
}

void Toszt_tan_form::osztaly_dobozok_nullaz() {
    ui::setHeading(Label2, QString(), kSubjectsGrid);
    edit_osztaly->clear();
    edit_osztaly_2->clear();
}

void Toszt_tan_form::targyak_meghataroz() {
    if (!ds_osztalyok->isOpen()) {
        const QScopedValueRollback<bool> quiet(reloading_, true);
        ds_osztalyok->open();
    }
    if (ds_osztalyok->isEmpty()) return;
    ds_targyak->close();
    ds_targyak->setSelectSQL(QString());
    ds_targyak->setSelectSQL(DM->sqlText(QStringLiteral("dataset_osztalyok_tantargyai.sql")));
    ds_targyak->setFirstParam(db::toInt(db::displayText(ds_osztalyok->fieldByName(QStringLiteral("ID")))));
    ds_targyak->open();
    const QString evfolyam = db::displayText(ds_osztalyok->fieldByName(QStringLiteral("Évfolyam")));
    const QString osztaly = db::displayText(ds_osztalyok->fieldByName(QStringLiteral("Osztály")));
    ui::setHeading(
        Label2, evfolyam + QStringLiteral(".") + osztaly + QStringLiteral("  osztály tantárgyai és oktatói:"),
        kSubjectsGrid);
    edit_osztaly->setText(evfolyam + QStringLiteral(". ") + osztaly);
    edit_osztaly_2->setText(evfolyam + QStringLiteral(". ") + osztaly);
}

void Toszt_tan_form::FormActivate() {
    // An activation is nobody's request: a lost connection waits for the next action.
    if (DM->dbTanulo.isLost()) return;
    targyak_meghataroz();
}

void Toszt_tan_form::dbg_osztalyokCellClick() {
    targyak_meghataroz();
}

void Toszt_tan_form::ds_osztalyokAfterScroll(int row) {
    if (reloading_ || row < 0 || !isVisible()) return;
    // Emptied first: should the rebuild fail, no other class stays in the boxes.
    osztaly_dobozok_nullaz();
    ds_targyak->close();
    targyak_meghataroz();
}

void Toszt_tan_form::dbg_targyakCellClick() {
    if (ds_targyak->isEmpty()) return;
    edit_targy->setText(db::displayText(ds_targyak->fieldByName(QStringLiteral("Tantárgy neve"))));
    edit_tanar->setText(db::displayText(ds_targyak->fieldByName(QStringLiteral("Tanár neve"))));
}

void Toszt_tan_form::combo_targyakChange() {
    const int targy = ui::itemId(combo_targyak->currentText());
    QStringList lines;
    main_form->query(true, QStringLiteral("dataset_targyak_tanarai.sql"), {targy}, lines);
    main_form->combo_targyak_feltolt(combo_tanar, lines);
}

void Toszt_tan_form::osztaly_ujrakeres(int id) {
    // Until the class is found and shown again, nothing names it: no button can act
    // on a class other than the one on screen.
    osztaly_dobozok_nullaz();
    ds_targyak->close();
    osztalyok_combo_frissit();
    {
        const QScopedValueRollback<bool> quiet(reloading_, true);
        // The search ends with the list; a class gone meanwhile leaves the first one.
        if (!ds_osztalyok->locate(QStringLiteral("id"), id) && !ds_osztalyok->isEmpty())
            ds_osztalyok->setCurrentRow(0);
    }
    targyak_meghataroz();
}

void Toszt_tan_form::Button2Click() {
    if (edit_osztaly->text().isEmpty() || combo_targyak->currentText().isEmpty() ||
        combo_tanar->currentText().isEmpty()) {
        ui::warning(kMissing);
        return;
    }
    const int targy = ui::itemId(combo_targyak->currentText());
    const int tanar = ui::itemId(combo_tanar->currentText());
    const int osztaly = db::toInt(db::displayText(ds_osztalyok->fieldByName(QStringLiteral("ID"))));
    if (main_form->StoredProc(QStringLiteral("PRC_TARGY_HOZZAADASA_OSZTALYHOZ"), {targy, osztaly, tanar})) {
        ui::information(QStringLiteral("Sikeres tárgyfelvétel"));
        oszt_tan_nullaz();
    }
    osztaly_ujrakeres(osztaly);
}

bool Toszt_tan_form::lookupId(const QString& sql, const QString& value, int& id) {
    QStringList lines;
    main_form->query(false, sql, {value}, lines);
    if (lines.isEmpty()) return false;
    id = db::toInt(lines.first().section(QLatin1Char(';'), 0, 0));
    return true;
}

void Toszt_tan_form::Button3Click() {
    if (edit_osztaly_2->text().isEmpty() || edit_targy->text().isEmpty() || edit_tanar->text().isEmpty()) {
        ui::warning(kMissing);
        return;
    }
    int targy = 0;
    int tanar = 0;
    QString gone;
    if (!lookupId(kSubjectId, edit_targy->text(), targy))
        gone = ui::aAz(edit_targy->text(), true) + QStringLiteral(" tantárgy nem található az adatbázisban!");
    else if (!lookupId(kTeacherId, edit_tanar->text(), tanar))
        gone = ui::aAz(edit_tanar->text(), true) + QStringLiteral(" tanár nem található az adatbázisban!");
    if (!gone.isEmpty()) {
        // Nothing is removed; the stale row is let go and the class shown as it is now.
        ui::warning(gone + kGone);
        edit_targy->clear();
        edit_tanar->clear();
        targyak_meghataroz();
        return;
    }
    const int osztaly = db::toInt(db::displayText(ds_osztalyok->fieldByName(QStringLiteral("id"))));
    if (main_form->StoredProc(QStringLiteral("PRC_TARGY_TORLESE_OSZTALYTOL"), {targy, osztaly, tanar}))
        oszt_tan_nullaz();
    osztaly_ujrakeres(osztaly);
}

void Toszt_tan_form::Button1Click() {
    close();
}

void Toszt_tan_form::FormClose() {
    main_form->childClosed();
}
