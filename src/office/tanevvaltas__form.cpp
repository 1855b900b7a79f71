#include "tanevvaltas__form.h"

#include "Tanev.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "db/Values.h"
#include "main/main__form.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Widgets.h"

Ttanevvaltas_form* tanevvaltas_form = nullptr;

namespace {
const QString kOsztalyok = QStringLiteral(
    "select o.id as \"ID\", o.osztaly_szam || '.' || o.osztaly_betu as \"Osztály\", o.osztaly_szak as "
    "\"Tagozat\", t.nev as \"Osztályfőnök\", trim(iif(o.osztaly_szam >= :v, 'kilép (végzett)', "
    "(o.osztaly_szam + 1) "
    "|| '.' || o.osztaly_betu)) as \"Jövőre\", (select count(*) from table_tv_jeloles j join table_diak d on "
    "d.id = j.diak_id where d.osztaly_ID = o.id) as \"Jelölt\" from table_osztaly o left join table_tanar t "
    "on t.id = o.osztalyfonok_id order by o.osztaly_szam, o.osztaly_betu");
// Walks the class's name index: the first screen comes at once whatever the class's size.
const QString kDiakok = QStringLiteral(
    "select d.id as \"ID\", d.nev as \"Név\", d.szul_ido as \"Születési idő\", decode(j.jeloles, 'I', "
    "'évismétlő: ' || o.osztaly_szam || '. évfolyam', 'K', 'kilép: ' || FN_KILEPES_OKA(j.kilepes_ok) || "
    "coalesce(' (' || j.megjegyzes || ')', ''), iif(o.osztaly_szam "
    ">= :v, 'kilép (végzett)', 'továbblép: ' || (o.osztaly_szam + 1) || '.' || o.osztaly_betu)) as "
    "\"Jövőre\" "
    "from table_diak d join table_osztaly o on o.id = d.osztaly_ID left join table_tv_jeloles j on j.diak_id "
    "= d.id where d.osztaly_ID = :o order by d.nev");

QLineEdit* edit(QWidget* parent, const QString& name, const QRect& r) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setFont(ui::arial(12, false));
    e->setGeometry(r);
    return e;
}
} // namespace

Ttanevvaltas_form::Ttanevvaltas_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("tanevvaltas_form"));
    setWindowTitle(QStringLiteral("Tanévváltás"));
    setClientSize(860, 600);

    ui::bevel(this, QRect(4, 4, 852, 92));
    QLabel* l1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Végzős évfolyam:"), ui::arial(12),
                           QRect(10, 12, 130, 20));
    spin_vegzos = new QSpinBox(this);
    spin_vegzos->setObjectName(QStringLiteral("spin_vegzos"));
    spin_vegzos->setFont(ui::arial(12, false));
    spin_vegzos->setRange(1, 13);
    spin_vegzos->setGeometry(142, 11, 56, 22);
    ui::nameBy(l1, spin_vegzos);
    QLabel* l2 = ui::label(this, QStringLiteral("Label2"), QStringLiteral("Az új tanév:"), ui::arial(12),
                           QRect(220, 12, 96, 20));
    edit_uj_tanev = edit(this, QStringLiteral("edit_uj_tanev"), QRect(318, 11, 50, 21));
    edit_uj_tanev->setMaxLength(4);
    ui::nameBy(l2, edit_uj_tanev);
    label_uj_tanev2 =
        ui::label(this, QStringLiteral("label_uj_tanev2"), QString(), ui::arial(12), QRect(372, 12, 100, 20));
    QLabel* l3 = ui::label(this, QStringLiteral("Label3"), QStringLiteral("A kilépés dátuma:"), ui::arial(12),
                           QRect(490, 12, 136, 20));
    edit_datum = edit(this, QStringLiteral("edit_datum"), QRect(628, 11, 100, 21));
    ui::nameBy(l3, edit_datum);
    label_allapot = ui::label(this, QStringLiteral("label_allapot"), QString(), ui::arial(12, false),
                              QRect(10, 40, 840, 50));
    label_allapot->setWordWrap(true);
    label_allapot->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    dbg_osztalyok = ui::grid(this, QStringLiteral("dbg_osztalyok"), QRect(4, 102, 400, 400));
    dbg_osztalyok->setAccessibleName(QStringLiteral("Az osztályok a tanévváltás után"));
    dbg_osztalyok->setStretchField(QStringLiteral("Tagozat"));
    dbg_diakok = ui::grid(this, QStringLiteral("dbg_diakok"), QRect(410, 102, 446, 400));
    dbg_diakok->setAccessibleName(QStringLiteral("A kijelölt osztály tanulói"));
    dbg_diakok->setStretchField(QStringLiteral("Jövőre"));
    trTanevvaltas = new db::Transaction(DM->dbTanulo, this, db::Transaction::Access::ReadOnly);
    ds_osztalyok = new db::Dataset(DM->dbTanulo, *trTanevvaltas, this);
    ds_osztalyok->setObjectName(QStringLiteral("ds_osztalyok"));
    ds_osztalyok->setKeyField(QStringLiteral("ID"));
    ds_diakok = new db::Dataset(DM->dbTanulo, *trTanevvaltas, this);
    ds_diakok->setObjectName(QStringLiteral("ds_diakok"));
    ds_diakok->setKeyField(QStringLiteral("ID"));
    ds_diakok->setFirstScreenBounded(true);
    dbg_osztalyok->setDataset(ds_osztalyok);
    dbg_diakok->setDataset(ds_diakok);

    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("Évismétlő"), ui::arial(12),
                         QRect(410, 508, 110, 26), true);
    Button3 = ui::button(this, QStringLiteral("Button3"), QStringLiteral("Jelölés törlése"), ui::arial(12),
                         QRect(526, 508, 140, 26), true);
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("Kilép:"), ui::arial(12),
                         QRect(410, 540, 70, 26), true);
    // a drop-down is read by its label (its own name would be its current choice)
    QLabel* lOk = ui::label(this, QStringLiteral("LabelOk"), QStringLiteral("Oka:"), ui::arial(12, false),
                            QRect(486, 544, 40, 20));
    combo_ok = new QComboBox(this);
    combo_ok->setObjectName(QStringLiteral("combo_ok"));
    combo_ok->setFont(ui::arial(12, false));
    combo_ok->setGeometry(528, 542, 328, 22);
    ui::nameBy(lOk, combo_ok);
    for (int ok : tanev::okok())
        combo_ok->addItem(tanev::okSzoveg(ok), ok);
    edit_megjegyzes = edit(this, QStringLiteral("edit_megjegyzes"), QRect(410, 572, 296, 22));
    edit_megjegyzes->setPlaceholderText(QStringLiteral("megjegyzés"));
    edit_megjegyzes->setAccessibleName(QStringLiteral("Megjegyzés a kilépéshez"));
    Button4 = ui::button(this, QStringLiteral("Button4"), QStringLiteral("Tanévváltás végrehajtása"),
                         ui::arial(12), QRect(4, 508, 260, 28), true);
    Button5 =
        ui::button(this, QStringLiteral("Button5"), QStringLiteral("Az utolsó tanévváltás visszavonása"),
                   ui::arial(12), QRect(4, 540, 300, 26), true);
    Button6 = ui::button(this, QStringLiteral("Button6"), QStringLiteral("bezárás"), ui::arial(12),
                         QRect(716, 572, 140, 22), true);
    QWidget* order[] = {spin_vegzos, edit_uj_tanev, edit_datum, dbg_osztalyok, dbg_diakok,
                        Button1,     Button3,       Button2,    combo_ok,      edit_megjegyzes,
                        Button4,     Button5,       Button6};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(spin_vegzos, &QSpinBox::editingFinished, this, ui::guard([this] {
                tanev::vegzosMent(DM->dbTanulo, spin_vegzos->value());
                osztalyok_listaz();
            }));
    connect(edit_uj_tanev, &QLineEdit::textChanged, this, [this] {
        const int year = ujTanev(true);
        label_uj_tanev2->setText(year ? QStringLiteral("/ %1").arg(year + 1) : QString());
    });
    connect(ds_osztalyok, &db::Dataset::currentRowChanged, this, ui::guard([this] { diakok_listaz(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { jelol(u'I'); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { jelol(u'K'); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { jelol(QChar()); }));
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
    connect(Button5, &QPushButton::clicked, this, ui::guard([this] { Button5Click(); }));
    connect(Button6, &QPushButton::clicked, this, [this] { close(); });
    // no default: Enter never starts the move
    setKeys(nullptr, [this] { return edit_megjegyzes->isModified() || edit_datum->isModified(); });
}

int Ttanevvaltas_form::ujTanev(bool quiet) const {
    bool ok = false;
    const int year = edit_uj_tanev->text().toInt(&ok);
    if (ok && edit_uj_tanev->text().size() == 4 && year > 1900) return year;
    if (!quiet)
        ui::warning(const_cast<Ttanevvaltas_form*>(this),
                    QStringLiteral("Az új tanév kezdő éve négy számjegy, például 2027."));
    return 0;
}

void Ttanevvaltas_form::prepareOpen() {
    closeLists();
    const int vegzos = tanev::vegzosEvfolyam(DM->dbTanulo);
    spin_vegzos->setValue(vegzos ? vegzos : 12);
    edit_uj_tanev->setText(QString::number(tanev::kovetkezoTanev(DM->dbTanulo, QDate::currentDate())));
    edit_datum->setText(QDate::currentDate().toString(db::kDateFormat));
    edit_megjegyzes->clear();
    combo_ok->setCurrentIndex(0);
    osztalyok_listaz();
    allapot_mutat();
}

void Ttanevvaltas_form::closeLists() {
    ds_diakok->close();
    ds_osztalyok->close();
    try {
        trTanevvaltas->rollback(); // read anew: what others changed since is shown too
    } catch (const db::Error&) {
    }
}

void Ttanevvaltas_form::osztalyok_listaz() {
    closeLists();
    ds_osztalyok->setSelectSQL(kOsztalyok);
    ds_osztalyok->clearParams();
    ds_osztalyok->setParam(QStringLiteral("v"), spin_vegzos->value());
    ds_osztalyok->open();
    diakok_listaz();
}

void Ttanevvaltas_form::diakok_listaz() {
    ds_diakok->close();
    if (!ds_osztalyok->isOpen() || ds_osztalyok->currentRow() < 0) return;
    ds_diakok->setSelectSQL(kDiakok);
    ds_diakok->clearParams();
    ds_diakok->setParam(QStringLiteral("v"), spin_vegzos->value());
    ds_diakok->setParam(QStringLiteral("o"),
                        ds_osztalyok->value(ds_osztalyok->currentRow(), QStringLiteral("ID")).toInt());
    ds_diakok->open();
}

void Ttanevvaltas_form::allapot_mutat() {
    const std::optional<tanev::Allapot> a = tanev::utolso(DM->dbTanulo);
    label_allapot->setText(tanev::allapotSzoveg(a));
    // never offered when it would be refused
    Button5->setEnabled(a && a->visszavonhato);
}

bool Ttanevvaltas_form::jelol(QChar jeloles) {
    if (!ds_diakok->isOpen() || ds_diakok->currentRow() < 0) {
        ui::warning(this, QStringLiteral("Nincs kijelölt tanuló a listában."));
        return false;
    }
    const int ok = jeloles == u'K' ? combo_ok->currentData().toInt() : 0;
    if (jeloles == u'K') {
        const QString problem = tanev::kilepesHiba(edit_datum->text(), ok, edit_megjegyzes->text());
        if (!problem.isEmpty()) {
            ui::warning(this, problem);
            return false;
        }
    }
    const int id = ds_diakok->value(ds_diakok->currentRow(), QStringLiteral("ID")).toInt();
    tanev::jelol(DM->dbTanulo, id, jeloles, ok, jeloles == u'K' ? edit_megjegyzes->text() : QString());
    const int classRow = ds_osztalyok->currentRow();
    ds_diakok->close();
    ds_osztalyok->close();
    try {
        trTanevvaltas->rollback();
    } catch (const db::Error&) {
    }
    ds_osztalyok->open();
    if (classRow >= 0 && classRow < ds_osztalyok->rowCount()) ds_osztalyok->setCurrentRow(classRow);
    diakok_listaz();
    ds_diakok->locate(QStringLiteral("ID"), id);
    return true;
}

bool Ttanevvaltas_form::Button4Click() {
    const int year = ujTanev();
    if (!year) return false;
    const QDate datum = db::parseDate(edit_datum->text().trimmed());
    if (!datum.isValid()) {
        ui::warning(this, QStringLiteral("A kilépés dátuma nem megfelelő: %1\r(Helyes formátum: ÉÉÉÉ.HH.NN.)")
                              .arg(edit_datum->text().trimmed()));
        return false;
    }
    const int vegzos = spin_vegzos->value();
    // the move belongs to the school year's end; at any other time one Enter must not make it
    const bool season = datum >= QDate(datum.year(), 6, 15) && datum <= QDate(datum.year(), 8, 31);
    const QString warning =
        season ? QString()
               : QStringLiteral(
                     "Figyelem: a tanévváltás ideje a tanév vége (június 15. és augusztus 31. között), "
                     "a végzősök kilépésének dátuma pedig most %1.\r\r")
                     .arg(datum.toString(db::kDateFormat));
    const QString question =
        warning + QStringLiteral("Végrehajtja a tanévváltást a %1. tanévre?\r\r"
                                 "A %2. évfolyam osztályai megszűnnek, tanulóik végzettként az archívumba "
                                 "kerülnek (az évismétlők kivételével); a többi osztály egy évfolyammal "
                                 "feljebb lép, a megjelölt tanulók évet ismételnek vagy kilépnek.\r"
                                 "Az utolsó tanévváltás visszavonható, amíg az adatok nem változnak.")
                      .arg(tanev::tanevSzoveg(year))
                      .arg(vegzos);
    if (!(season ? ui::confirm(this, question) : ui::confirmDefaultNo(this, question))) return false;
    tanev::Eredmeny e;
    try {
        tanev::vegzosMent(DM->dbTanulo, vegzos);
        e = tanev::valt(DM->dbTanulo, year, vegzos, datum);
    } catch (const db::Error& err) {
        QString text;
        main_form->hiba_kiir(err, text);
        ui::error(this, QStringLiteral("A tanévváltás nem történt meg; az adatok változatlanok.\r\r") + text);
        prepareOpen();
        return false;
    }
    DM->dataset_Tanulok.refresh();
    main_form->akt_letszam();
    main_form->akt_tanev();
    prepareOpen();
    ui::information(
        this, QStringLiteral("A tanévváltás megtörtént (%1).\r\r%2 tanuló lépett tovább, %3 ismétel évet, "
                             "%4 kilépett (archívumba került).")
                  .arg(tanev::tanevSzoveg(year))
                  .arg(e.tovabblepett)
                  .arg(e.ismetel)
                  .arg(e.kilepett));
    return true;
}

bool Ttanevvaltas_form::Button5Click() {
    const std::optional<tanev::Allapot> a = tanev::utolso(DM->dbTanulo);
    if (!a) {
        ui::warning(this, QStringLiteral("Nincs visszavonható tanévváltás."));
        return false;
    }
    if (!a->visszavonhato) {
        ui::warning(this, tanev::allapotSzoveg(a));
        return false;
    }
    if (!ui::confirm(this, QStringLiteral(
                               "Visszavonja a %1. tanévre történt tanévváltást?\r\rMinden osztály, tanuló és "
                               "kilépett tanuló visszakerül oda, ahol a váltás előtt volt.")
                               .arg(tanev::tanevSzoveg(a->ujTanev))))
        return false;
    try {
        tanev::visszavon(DM->dbTanulo, a->id);
    } catch (const db::Error& err) {
        QString text;
        main_form->hiba_kiir(err, text);
        ui::error(this, text);
        prepareOpen();
        return false;
    }
    DM->dataset_Tanulok.refresh();
    main_form->akt_letszam();
    main_form->akt_tanev();
    prepareOpen();
    ui::information(this,
                    QStringLiteral("A tanévváltás visszavonva: minden a váltás előtti állapotba került."));
    return true;
}

void Ttanevvaltas_form::FormClose() {
    closeLists();
    main_form->childClosed();
}
