#include "adatmegorzes__form.h"

#include "Adatmegorzes.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "db/Values.h"
#include "main/main__form.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Widgets.h"

Tadatmegorzes_form* adatmegorzes_form = nullptr;

namespace {
const QString kSoha = QStringLiteral(
    "Soha nem törlődik: a név, a születési hely és idő, az anyja neve, az OM azonosító, a jogviszony "
    "kezdete, a kilépés dátuma és oka, valamint az osztálytörténet – ezeket a bizonyítványok és az "
    "iskola állandó nyilvántartása igényli.");
const QString kMentesek = QStringLiteral(
    "A korábbi mentések a törölt adatokat továbbra is tartalmazzák; a mentések forgatása a leghosszabb "
    "ideig megőrzött mentéssel (12 hónap) együtt szünteti meg őket.");
const QString kNincsIdo = QStringLiteral(
    "Még nincs megőrzési idő megadva, ezért semmi nem törlődik. A megőrzési időket az iskola saját "
    "iratkezelési szabályzata határozza meg.");
const QString kVanIdo = QStringLiteral(
    "A megőrzési időket (a kilépéstől számított években) az iskola saját iratkezelési szabályzata "
    "határozza meg; üres adatkör soha nem törlődik.");
} // namespace

Tadatmegorzes_form::Tadatmegorzes_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("adatmegorzes_form"));
    setWindowTitle(QStringLiteral("Adatmegőrzés"));
    setClientSize(820, 640);
    ui::bevel(this, QRect(4, 4, 812, 336));
    label_szabaly = ui::label(this, QStringLiteral("label_szabaly"), QString(), ui::arial(12, false),
                              QRect(12, 8, 796, 96));
    label_szabaly->setWordWrap(true);
    label_szabaly->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui::label(this, QStringLiteral("Label1"), QStringLiteral("Adatkör"), ui::arial(12),
              QRect(12, 108, 150, 20));
    ui::label(this, QStringLiteral("Label2"), QStringLiteral("Év"), ui::arial(12), QRect(168, 108, 40, 20));
    ui::label(this, QStringLiteral("Label3"), QStringLiteral("Mezők, és ami a határnap előtt törlődne"),
              ui::arial(12), QRect(222, 108, 580, 20));
    int y = 132;
    QList<QWidget*> order;
    for (const adatmegorzes::Kategoria& k : adatmegorzes::kategoriak()) {
        Sor s;
        s.valaszt = new QCheckBox(k.nev, this);
        s.valaszt->setObjectName(QStringLiteral("check_") + k.kod);
        s.valaszt->setFont(ui::arial(12));
        s.valaszt->setGeometry(12, y, 150, 22);
        s.evek = new QLineEdit(this);
        s.evek->setObjectName(QStringLiteral("edit_") + k.kod);
        s.evek->setFont(ui::arial(12, false));
        s.evek->setGeometry(168, y, 44, 21);
        s.evek->setMaxLength(3);
        s.evek->setAccessibleName(QStringLiteral("%1: megőrzési idő (év)").arg(k.nev));
        auto* mezok =
            ui::label(this, QStringLiteral("label_mezok_") + k.kod, k.mezok.join(QStringLiteral(", ")),
                      ui::arial(11, false), QRect(222, y, 586, 20));
        mezok->setWordWrap(true);
        s.elonezet = ui::label(this, QStringLiteral("label_elonezet_") + k.kod, QString(), ui::arial(11),
                               QRect(222, y + 20, 586, 18));
        order << s.valaszt << s.evek;
        sorok.push_back(s);
        y += 42;
    }
    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("Megőrzési idők mentése"),
                         ui::arial(12), QRect(12, 304, 200, 26), true);
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("Előnézet"), ui::arial(12),
                         QRect(222, 304, 140, 26), true);
    Button3 = ui::button(this, QStringLiteral("Button3"), QStringLiteral("Törlés…"), ui::arial(12),
                         QRect(372, 304, 140, 26), true);
    ui::label(this, QStringLiteral("Label4"), QStringLiteral("Eddigi törlések"), ui::arial(12),
              QRect(8, 346, 300, 20));
    dbg_torlesek = ui::grid(this, QStringLiteral("dbg_torlesek"), QRect(4, 368, 812, 228));
    dbg_torlesek->setStretchField(QStringLiteral("Felhasználó"));
    trTorlesek = new db::Transaction(DM->dbTanulo, this, db::Transaction::Access::ReadOnly);
    ds_torlesek = new db::Dataset(DM->dbTanulo, *trTorlesek, this);
    ds_torlesek->setObjectName(QStringLiteral("ds_torlesek"));
    dbg_torlesek->setDataset(ds_torlesek);
    Button4 = ui::button(this, QStringLiteral("Button4"), QStringLiteral("bezárás"), ui::arial(12),
                         QRect(676, 610, 140, 22), true);
    order << Button1 << Button2 << Button3 << dbg_torlesek << Button4;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, [this] { close(); });
    setKeys(Button2, [this] {
        for (const Sor& s : sorok)
            if (s.evek->isModified()) return true;
        return false;
    });
}

void Tadatmegorzes_form::szabaly(bool vanIdo) {
    label_szabaly->setText((vanIdo ? kVanIdo : kNincsIdo) + QStringLiteral("\n") + kSoha +
                           QStringLiteral("\n") + kMentesek);
}

void Tadatmegorzes_form::torlesek() {
    ds_torlesek->close();
    try {
        trTorlesek->rollback();
    } catch (const db::Error&) {
    }
    ds_torlesek->setSelectSQL(QStringLiteral(
        "select t.mikor as \"Időpont\", coalesce((select f.teljes_nev from table_fiok f where f.felhasznalo "
        "= "
        "t.felhasznalo) || ' (' || trim(t.felhasznalo) || ')', trim(t.felhasznalo)) as \"Felhasználó\", "
        "FN_ADATMEGORZES_NEVE(t.kategoria) as \"Adatkör\", t.hatarnap as \"Határnap\", t.tanulok as "
        "\"Tanulók\" from table_adatmegorzes_torles t order by t.id desc"));
    ds_torlesek->open();
}

void Tadatmegorzes_form::prepareOpen() {
    const QList<std::optional<int>> idok = adatmegorzes::idok(DM->dbTanulo);
    bool vanIdo = false;
    for (size_t i = 0; i < sorok.size(); ++i) {
        const std::optional<int> e = idok.value(static_cast<qsizetype>(i));
        sorok[i].evek->setText(e ? QString::number(*e) : QString());
        sorok[i].evek->setModified(false);
        sorok[i].valaszt->setChecked(false);
        sorok[i].elonezet->clear();
        vanIdo = vanIdo || e.has_value();
    }
    szabaly(vanIdo);
    torlesek();
}

bool Tadatmegorzes_form::idokBeolvasva(std::vector<int>& evek) {
    evek.clear();
    for (size_t i = 0; i < sorok.size(); ++i) {
        const QString hiba = adatmegorzes::idoHiba(sorok[i].evek->text(),
                                                   adatmegorzes::kategoriak()[static_cast<qsizetype>(i)].nev);
        if (!hiba.isEmpty()) {
            ui::warning(this, hiba);
            sorok[i].evek->setFocus();
            return false;
        }
        evek.push_back(sorok[i].evek->text().trimmed().toInt());
    }
    return true;
}

bool Tadatmegorzes_form::Button1Click() {
    std::vector<int> evek;
    if (!idokBeolvasva(evek)) return false;
    QList<std::optional<int>> idok;
    bool vanIdo = false;
    for (int e : evek) {
        idok << (e > 0 ? std::optional<int>(e) : std::nullopt);
        vanIdo = vanIdo || e > 0;
    }
    adatmegorzes::idokMentese(DM->dbTanulo, idok);
    for (Sor& s : sorok) {
        s.evek->setModified(false);
        s.elonezet->clear();
    }
    szabaly(vanIdo);
    ui::information(this, QStringLiteral("A megőrzési idők mentve."));
    return true;
}

bool Tadatmegorzes_form::Button2Click() {
    // the periods as saved: the preview tells what a clearing would do
    if (std::any_of(sorok.begin(), sorok.end(), [](const Sor& s) { return s.evek->isModified(); })) {
        ui::warning(this, QStringLiteral("Előbb mentse a megőrzési időket!"));
        return false;
    }
    const QList<std::optional<int>> idok = adatmegorzes::idok(DM->dbTanulo);
    const QDate ma = QDate::currentDate();
    for (size_t i = 0; i < sorok.size(); ++i) {
        const std::optional<int> e = idok.value(static_cast<qsizetype>(i));
        if (!e) {
            sorok[i].elonezet->setText(QStringLiteral("nincs megőrzési idő: nem törlődik"));
            continue;
        }
        const QDate h = adatmegorzes::hatarnap(*e, ma);
        try {
            const int n = adatmegorzes::elonezet(
                DM->dbTanulo, adatmegorzes::kategoriak()[static_cast<qsizetype>(i)].kod, h);
            sorok[i].elonezet->setText(QStringLiteral("%1 kilépett tanuló (kilépett %2 előtt)")
                                           .arg(n)
                                           .arg(h.toString(db::kDateFormat)));
        } catch (const db::Error& ex) {
            sorok[i].elonezet->setText(ex.message());
        }
    }
    return true;
}

bool Tadatmegorzes_form::Button3Click() {
    if (std::any_of(sorok.begin(), sorok.end(), [](const Sor& s) { return s.evek->isModified(); })) {
        ui::warning(this, QStringLiteral("Előbb mentse a megőrzési időket!"));
        return false;
    }
    const QList<std::optional<int>> idok = adatmegorzes::idok(DM->dbTanulo);
    const QDate ma = QDate::currentDate();
    QList<adatmegorzes::Torles> mit;
    QStringList nevek, sorokSzoveg;
    for (size_t i = 0; i < sorok.size(); ++i) {
        if (!sorok[i].valaszt->isChecked()) continue;
        const adatmegorzes::Kategoria& k = adatmegorzes::kategoriak()[static_cast<qsizetype>(i)];
        const std::optional<int> e = idok.value(static_cast<qsizetype>(i));
        if (!e) {
            ui::warning(this,
                        QStringLiteral("%1: nincs megőrzési idő megadva, ezért nem törölhető.").arg(k.nev));
            return false;
        }
        const QDate h = adatmegorzes::hatarnap(*e, ma);
        mit << adatmegorzes::Torles{k.kod, h};
        nevek << k.nev;
        sorokSzoveg << QStringLiteral("%1: %2 kilépett tanuló (kilépett %3 előtt)")
                           .arg(k.nev)
                           .arg(adatmegorzes::elonezet(DM->dbTanulo, k.kod, h))
                           .arg(h.toString(db::kDateFormat));
    }
    if (mit.isEmpty()) {
        ui::warning(this, QStringLiteral("Jelölje ki, melyik adatkört törölje!"));
        return false;
    }
    if (!ui::confirmDefaultNo(this,
                              QStringLiteral("A kijelölt adatok törlése:\r%1\r\rA törlés nem vonható "
                                             "vissza (a korábbi mentések még tartalmazzák az adatokat). "
                                             "Törli?")
                                  .arg(sorokSzoveg.join(QStringLiteral("\r")))))
        return false;
    QList<int> db;
    try {
        db = adatmegorzes::torol(DM->dbTanulo, mit);
    } catch (const db::Error& e) {
        QString text;
        main_form->hiba_kiir(e, text);
        ui::error(this, text);
        return false;
    }
    QStringList eredmeny;
    for (qsizetype i = 0; i < nevek.size(); ++i)
        eredmeny << QStringLiteral("%1: %2 tanuló").arg(nevek[i]).arg(db.value(i));
    for (Sor& s : sorok) {
        s.valaszt->setChecked(false);
        s.elonezet->clear();
    }
    torlesek();
    ui::information(this, QStringLiteral("Törölve – %1.").arg(eredmeny.join(QStringLiteral(", "))));
    return true;
}

void Tadatmegorzes_form::FormClose() {
    ds_torlesek->close();
    try {
        trTorlesek->rollback();
    } catch (const db::Error&) {
    }
    main_form->childClosed();
}
