#include "naplo__form.h"

#include <QCollator>
#include <QDir>
#include <QLocale>
#include <algorithm>
#include <memory>

#include "Tanev.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "db/Values.h"
#include "fiokok/Fiok.h"
#include "main/main__form.h"
#include "output/Report.h"
#include "output/Xlsx.h"
#include "students/TanuloAdatok.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Nevelo.h"
#include "ui/Widgets.h"

Tnaplo_form* naplo_form = nullptr;

namespace {

// What a single student's row can be; the move and the import are events of their own.
const char* const kRowOperations[] = {"felvétel", "módosítás", "törlés", "kilépés", "visszavétel"};
const char* const kEventOperations[] = {"tanévváltás", "tanévváltás visszavonása", "beolvasás",
                                        "hozzáférési kérelem"};
// Every field of the student's own record the log names; the further data's follow.
const char* const kFields[] = {"nev",
                               "diak_cim",
                               "diak_cim_varos",
                               "szul_hely",
                               "szul_ido",
                               "sz_szam",
                               "diak_tel",
                               "anyja_nev",
                               "gondviselo_nev",
                               "gondviselo_cim",
                               "gondviselo_tel",
                               "diak_taj",
                               "diak_OM",
                               "diak_diak",
                               "osztaly_ID",
                               "mj",
                               "tanult_nyelv_ID",
                               "evfolyam",
                               "kilepes_datum",
                               "kilepes_ok",
                               "kilepes_megjegyzes",
                               "fogado_iskola"};

// A date as it reads everywhere else: 2010.05.07.
QString shownValue(const QString& value) {
    return QStringLiteral("iif(m.mezo in ('szul_ido', 'kilepes_datum', 'jogviszony_kezdete') and "
                          "char_length(%1) = 10, replace(%1, '-', '.') || '.', %1)")
        .arg(value);
}

QString oldValue() {
    return shownValue(
        QStringLiteral("coalesce(m.regi, cast(substring(m.regi_hosszu from 1 for 2000) as varchar(2000)))"));
}

QString newValue() {
    return shownValue(
        QStringLiteral("coalesce(m.uj, cast(substring(m.uj_hosszu from 1 for 2000) as varchar(2000)))"));
}

// The workstation as a person names it, its address when it gave none; the person by her
// full name where the school knows it, the login's name beside it.
const QString kWho =
    QStringLiteral("coalesce(nullif(trim(e.kliens_gep), ''), e.kliens_cim) as \"Munkaállomás\", ") +
    tanev::szemelySql(QStringLiteral("e.felhasznalo")) + QStringLiteral(" as \"Felhasználó\"");

const QString kHidden[] = {QStringLiteral("ID"), QStringLiteral("Tanulók"), QStringLiteral("Fajta")};

// The statuses' changes, read only by the roles that read the statuses: a writing
// transaction's changes to one student are one event, told apart by a negative id.
const QString kStatusOperation = QStringLiteral("jogállás");
const QString kStatusName =
    QStringLiteral("coalesce((select d.nev from table_diak d where d.id = b.diak_id), "
                   "(select a.nev from table_diak_archiv a where a.id = b.diak_id), "
                   "b.diak_id)");
const QString kStatusGroup = QStringLiteral("coalesce(b.tranzakcio, -b.id)");
// Who read a student's statuses, as the database recorded it: the head's to see.
const QString kReadOperation = QStringLiteral("megtekintés");
const QString kReadName =
    QString(kStatusName).replace(QStringLiteral("b.diak_id"), QStringLiteral("o.diak_id"));
// a date as it reads everywhere else
QString statusValue(const QString& value) {
    return QStringLiteral(
               "iif(char_length(%1) = 10 and substring(%1 from 5 for 1) = '-' and substring(%1 from 8 "
               "for 1) = '-', replace(%1, '-', '.') || '.', %1)")
        .arg(value);
}

void bindAll(db::Dataset& list, const std::vector<std::pair<QString, QVariant>>& params) {
    list.clearParams();
    for (const auto& [name, value] : params)
        list.setParam(name, value);
}

void bindAll(db::Statement& s, const std::vector<std::pair<QString, QVariant>>& params) {
    for (const auto& [name, value] : params)
        s.setParamByName(name, value);
}

} // namespace

Tnaplo_form::Tnaplo_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("naplo_form"));
    setWindowTitle(QStringLiteral("Változásnapló"));
    setClientSize(1000, 640);
    ui::bevel(this, QRect(4, 4, 992, 64));
    QLabel* l1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Ettől:"), ui::arial(12),
                           QRect(12, 12, 44, 20));
    edit_tol = new QLineEdit(this);
    edit_tol->setObjectName(QStringLiteral("edit_tol"));
    edit_tol->setFont(ui::arial(12, false));
    edit_tol->setGeometry(58, 11, 100, 21);
    ui::nameBy(l1, edit_tol);
    QLabel* l2 = ui::label(this, QStringLiteral("Label2"), QStringLiteral("Eddig:"), ui::arial(12),
                           QRect(170, 12, 48, 20));
    edit_ig = new QLineEdit(this);
    edit_ig->setObjectName(QStringLiteral("edit_ig"));
    edit_ig->setFont(ui::arial(12, false));
    edit_ig->setGeometry(220, 11, 100, 21);
    ui::nameBy(l2, edit_ig);
    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("Listázás"), ui::arial(12),
                         QRect(336, 9, 120, 26), true);
    ui::label(this, QStringLiteral("Label3"), QStringLiteral("Tanuló:"), ui::arial(12),
              QRect(12, 40, 60, 20));
    label_tanulo = ui::label(this, QStringLiteral("label_tanulo"), QString(), ui::arial(12, false),
                             QRect(74, 40, 600, 20));
    QLabel* l4 = ui::label(this, QStringLiteral("Label4"), QStringLiteral("Művelet:"), ui::arial(12),
                           QRect(472, 12, 68, 20));
    combo_muvelet = new QComboBox(this);
    combo_muvelet->setObjectName(QStringLiteral("combo_muvelet"));
    combo_muvelet->setFont(ui::arial(12, false));
    combo_muvelet->setGeometry(542, 11, 210, 22);
    ui::nameBy(l4, combo_muvelet);
    QLabel* l5 = ui::label(this, QStringLiteral("Label5"), QStringLiteral("Adat:"), ui::arial(12),
                           QRect(764, 12, 44, 20));
    combo_mezo = new QComboBox(this);
    combo_mezo->setObjectName(QStringLiteral("combo_mezo"));
    combo_mezo->setFont(ui::arial(12, false));
    combo_mezo->setGeometry(810, 11, 180, 22);
    ui::nameBy(l5, combo_mezo);
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("Minden tanuló"), ui::arial(12),
                         QRect(842, 38, 148, 24), true);
    dbg_naplo = ui::grid(this, QStringLiteral("dbg_naplo"), QRect(4, 74, 992, 300));
    dbg_naplo->setAccessibleName(QStringLiteral("A változások"));
    dbg_naplo->setStretchField(QStringLiteral("Esemény"));
    label_esemeny = ui::label(this, QStringLiteral("label_esemeny"), QString(), ui::arial(12, false),
                              QRect(8, 378, 984, 34));
    label_esemeny->setWordWrap(true);
    label_esemeny->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    dbg_reszlet = ui::grid(this, QStringLiteral("dbg_reszlet"), QRect(4, 416, 992, 180));
    dbg_reszlet->setAccessibleName(QStringLiteral("A kijelölt változás adatai"));
    dbg_reszlet->setStretchField(QStringLiteral("Új érték"));
    ui::setHeading(label_esemeny, QString(), QStringLiteral("Az esemény részletei"));
    trNaplo = new db::Transaction(DM->dbTanulo, this, db::Transaction::Access::ReadOnly);
    ds_naplo = new db::Dataset(DM->dbTanulo, *trNaplo, this);
    ds_naplo->setObjectName(QStringLiteral("ds_naplo"));
    ds_naplo->setFirstScreenBounded(true);
    dbg_naplo->setDataset(ds_naplo);
    dbg_naplo->setHiddenFields({kHidden[0], kHidden[1], kHidden[2]});
    ds_reszlet = new db::Dataset(DM->dbTanulo, *trNaplo, this);
    ds_reszlet->setObjectName(QStringLiteral("ds_reszlet"));
    ds_reszlet->setFirstScreenBounded(true);
    dbg_reszlet->setDataset(ds_reszlet);
    Button3 = ui::button(this, QStringLiteral("Button3"), QStringLiteral("Mentés CSV-be…"), ui::arial(12),
                         QRect(4, 606, 160, 26), true);
    Button5 = ui::button(this, QStringLiteral("Button5"), QStringLiteral("Mentés Excelbe…"), ui::arial(12),
                         QRect(172, 606, 160, 26), true);
    Button4 = ui::button(this, QStringLiteral("Button4"), QStringLiteral("bezárás"), ui::arial(12),
                         QRect(856, 608, 140, 22), true);
    QWidget* order[] = {edit_tol,  edit_ig,     Button1, combo_muvelet, combo_mezo, Button2,
                        dbg_naplo, dbg_reszlet, Button3, Button5,       Button4};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] {
                studentId_ = 0;
                label_tanulo->setText(QStringLiteral("mindenki"));
                Button1Click();
            }));
    const auto ask = [this](const QString& caption, const QString& file, const QString& filter,
                            const QString& suffix) {
        QString path = output::outputs().saveFileName(this, caption, QDir::home().filePath(file), filter);
        if (!path.isEmpty() && !path.endsWith(suffix, Qt::CaseInsensitive)) path += suffix;
        return path;
    };
    connect(Button3, &QPushButton::clicked, this, ui::guard([this, ask] {
                const QString path = ask(QStringLiteral("Mentés CSV-be"), QStringLiteral("Változásnapló.csv"),
                                         QStringLiteral("CSV-fájl (*.csv)"), QStringLiteral(".csv"));
                if (!path.isEmpty()) csv_ment(path);
            }));
    connect(Button5, &QPushButton::clicked, this, ui::guard([this, ask] {
                const QString path =
                    ask(QStringLiteral("Mentés Excelbe"), QStringLiteral("Változásnapló.xlsx"),
                        QStringLiteral("Excel-munkafüzet (*.xlsx)"), QStringLiteral(".xlsx"));
                if (!path.isEmpty()) xlsx_ment(path);
            }));
    for (QComboBox* c : {combo_muvelet, combo_mezo})
        connect(c, &QComboBox::activated, this, ui::guard([this] { Button1Click(); }));
    connect(ds_naplo, &db::Dataset::currentRowChanged, this, ui::guard([this] { showDetail(); }));
    connect(Button4, &QPushButton::clicked, this, [this] { close(); });

    // What the log holds to narrow by: every operation, every field, known beforehand, so
    // that the window never reads the whole log to offer them.
    combo_muvelet->addItem(QStringLiteral("mind"));
    for (const char* m : kRowOperations)
        combo_muvelet->addItem(QString::fromUtf8(m), QString::fromUtf8(m));
    for (const char* m : kEventOperations)
        combo_muvelet->addItem(QString::fromUtf8(m), QString::fromUtf8(m));
    setKeys(Button1);
}

bool Tnaplo_form::statuses() const {
    return fiok::szabad(fiok::Szerep::Iroda);
}

bool Tnaplo_form::statusField() const {
    return tanulo_adatok::bizalmasOszlopok().nevek.contains(combo_mezo->currentData().toString());
}

bool Tnaplo_form::listsEvents() const {
    const QString operation = combo_muvelet->currentData().toString();
    return operation != kStatusOperation && operation != kReadOperation && !statusField();
}

bool Tnaplo_form::listsReads() const {
    return fiok::szabad(fiok::Szerep::Vezeto) && combo_mezo->currentIndex() <= 0 &&
           (combo_muvelet->currentIndex() <= 0 || combo_muvelet->currentData().toString() == kReadOperation);
}

QString Tnaplo_form::readWhere() const {
    return QStringLiteral("o.mikor >= :tol and o.mikor < :ig") +
           (studentId_ ? QStringLiteral(" and o.diak_id = :d") : QString());
}

bool Tnaplo_form::listsStatuses() const {
    if (!statuses()) return false;
    const QString operation = combo_muvelet->currentData().toString();
    return (combo_muvelet->currentIndex() <= 0 || operation == kStatusOperation) &&
           (combo_mezo->currentIndex() <= 0 || statusField());
}

QString Tnaplo_form::statusWhere(Params& params, bool events) const {
    QString where = QStringLiteral("b.mikor >= :tol and b.mikor < :ig");
    if (studentId_) where += QStringLiteral(" and b.diak_id = :d");
    if (combo_mezo->currentIndex() > 0) {
        // an event is listed whole when it has the field; its rows are the field's alone
        where += events
                     ? QStringLiteral(" and exists (select 1 from table_naplo_bizalmas x where x.diak_id = "
                                      "b.diak_id and coalesce(x.tranzakcio, -x.id) = %1 and x.mezo = :mezo)")
                           .arg(kStatusGroup)
                     : QStringLiteral(" and b.mezo = :mezo");
        if (std::none_of(params.begin(), params.end(), [](const auto& p) { return p.first == u"mezo"; }))
            params.emplace_back(QStringLiteral("mezo"), combo_mezo->currentData());
    }
    return where;
}

void Tnaplo_form::reset(const QDate& from) {
    // the statuses' changes for the roles that may read them, and never for another
    const int statusItem = combo_muvelet->findData(kStatusOperation);
    if (statuses() && statusItem < 0)
        combo_muvelet->addItem(QStringLiteral("jogállás módosítása"), kStatusOperation);
    else if (!statuses() && statusItem >= 0)
        combo_muvelet->removeItem(statusItem);
    const bool head = fiok::szabad(fiok::Szerep::Vezeto);
    const int readItem = combo_muvelet->findData(kReadOperation);
    if (head && readItem < 0)
        combo_muvelet->addItem(QStringLiteral("Jogállás megtekintése"), kReadOperation);
    else if (!head && readItem >= 0)
        combo_muvelet->removeItem(readItem);
    if (combo_mezo->count() > 0 && statuses() != (combo_mezo->findData(QStringLiteral("sni")) >= 0))
        combo_mezo->clear();
    if (combo_mezo->count() == 0) {
        // the fields by the names the database gives them, in Hungarian order
        db::Transaction tr(DM->dbTanulo, nullptr, db::Transaction::Access::ReadOnly);
        db::Statement s(DM->dbTanulo, tr);
        s.prepare(QStringLiteral("select ") + tanev::mezoNeveSql(QStringLiteral("cast(:m as varchar(31))")) +
                  QStringLiteral(" from rdb$database"));
        std::vector<std::pair<QString, QString>> fields;
        QStringList names;
        for (const char* f : kFields)
            names << QString::fromLatin1(f);
        names << tanulo_adatok::adatOszlopok().nevek;
        if (statuses()) names << tanulo_adatok::bizalmasOszlopok().nevek;
        for (const QString& f : names) {
            s.setParamByName(QStringLiteral("m"), f);
            s.execute();
            if (s.fetch()) fields.emplace_back(db::displayText(s.value(0)), f);
            s.closeCursor();
        }
        s.free();
        tr.commit();
        QCollator hungarian{QLocale(QLocale::Hungarian, QLocale::Hungary)};
        std::sort(fields.begin(), fields.end(),
                  [&](const auto& a, const auto& b) { return hungarian.compare(a.first, b.first) < 0; });
        combo_mezo->addItem(QStringLiteral("mind"));
        for (const auto& [name, code] : fields)
            combo_mezo->addItem(name, code);
    }
    combo_muvelet->setCurrentIndex(0);
    combo_mezo->setCurrentIndex(0);
    edit_tol->setText(from.toString(db::kDateFormat));
    edit_ig->setText(QDate::currentDate().toString(db::kDateFormat));
}

void Tnaplo_form::prepareOpen() {
    studentId_ = 0;
    label_tanulo->setText(QStringLiteral("mindenki"));
    reset(QDate::currentDate().addDays(-30));
    Button1Click();
}

void Tnaplo_form::prepareForStudent(int studentId, const QString& name) {
    studentId_ = studentId;
    label_tanulo->setText(QStringLiteral("%1 (azonosító: %2)").arg(name).arg(studentId));
    reset(QDate(2000, 1, 1));
    Button1Click();
}

QString Tnaplo_form::eventSource() const {
    // One student's events are found through that student's rows, never by reading the period.
    return studentId_
               ? QStringLiteral("(select distinct x.esemeny_id from table_naplo x where x.diak_id = :d) s "
                                "join table_naplo_esemeny e on e.id = s.esemeny_id")
               : QStringLiteral("table_naplo_esemeny e");
}

void Tnaplo_form::periodParams(Params& params) const {
    params.clear();
    params.emplace_back(QStringLiteral("tol"), QDateTime(from_, QTime(0, 0)));
    params.emplace_back(QStringLiteral("ig"), QDateTime(to_.addDays(1), QTime(0, 0)));
    if (studentId_) params.emplace_back(QStringLiteral("d"), studentId_);
}

QString Tnaplo_form::eventWhere(Params& params) const {
    QString where = QStringLiteral("e.mikor >= :tol and e.mikor < :ig");
    periodParams(params);
    if (combo_muvelet->currentIndex() > 0) {
        // the move and the import by their own name; the others also inside a larger event
        where +=
            QStringLiteral(" and (e.fajta = :muvelet or position(',' || cast(:muvelet as varchar(30)) || "
                           "',' in e.muveletek) > 0)");
        params.emplace_back(QStringLiteral("muvelet"), combo_muvelet->currentData());
    }
    if (combo_mezo->currentIndex() > 0) {
        where += QStringLiteral(" and position(',' || cast(:mezo as varchar(31)) || ',' in e.mezok) > 0");
        params.emplace_back(QStringLiteral("mezo"), combo_mezo->currentData());
    }
    return where;
}

QString Tnaplo_form::rowWhere(Params& params) const {
    QString where;
    if (studentId_) where += QStringLiteral(" and n.diak_id = :d");
    const QString operation = combo_muvelet->currentData().toString();
    for (const char* m : kRowOperations)
        if (operation == QString::fromUtf8(m)) {
            where += QStringLiteral(" and n.muvelet = :muvelet");
            params.emplace_back(QStringLiteral("muvelet"), operation);
        }
    if (combo_mezo->currentIndex() > 0) {
        where += QStringLiteral(" and m.mezo = :mezo");
        params.emplace_back(QStringLiteral("mezo"), combo_mezo->currentData());
    }
    return where;
}

bool Tnaplo_form::Button1Click() {
    const QDate from = db::parseDate(edit_tol->text().trimmed());
    const QDate to = db::parseDate(edit_ig->text().trimmed());
    if (!from.isValid() || !to.isValid()) {
        ui::warning(this, QStringLiteral("Az időszak kezdete és vége dátum, például %1")
                              .arg(QDate::currentDate().toString(db::kDateFormat)));
        return false;
    }
    from_ = from;
    to_ = to;
    ds_reszlet->close();
    ds_naplo->close();
    try {
        trNaplo->rollback(); // read anew: what changed since is listed too
    } catch (const db::Error&) {
    }
    tanev::naploOsszevon(DM->dbTanulo);
    Params params;
    QStringList parts;
    if (listsEvents())
        parts << QStringLiteral("select e.mikor as \"Időpont\", cast(e.osszegzes as varchar(500)) as "
                                "\"Esemény\", ") +
                     kWho +
                     QStringLiteral(", e.id as \"ID\", e.tanulok as \"Tanulók\", 'e' as \"Fajta\" from ") +
                     eventSource() + QStringLiteral(" where ") + eventWhere(params);
    if (listsStatuses()) {
        if (!listsEvents()) periodParams(params);
        parts
            << QStringLiteral(
                   "select min(b.mikor) as \"Időpont\", cast(left('Jogállás módosítása: ' || "
                   "max(%1) || ' – ' || list(distinct FN_NAPLO_MEZO_NEVE(b.mezo), ', '), 500) as "
                   "varchar(500)) as \"Esemény\", coalesce(nullif(trim(max(b.kliens_gep)), ''), "
                   "max(b.kliens_cim)) as \"Munkaállomás\", %2 as \"Felhasználó\", -min(b.id) as "
                   "\"ID\", 1 as \"Tanulók\", 'j' as \"Fajta\" from table_naplo_bizalmas b where %3 group by "
                   "b.diak_id, %4")
                   .arg(kStatusName, tanev::szemelySql(QStringLiteral("max(b.felhasznalo)")),
                        statusWhere(params, true), kStatusGroup);
    }
    if (listsReads()) {
        if (!listsEvents() && !listsStatuses()) periodParams(params);
        parts << QStringLiteral(
                     "select o.mikor as \"Időpont\", cast(left('Jogállás megtekintése: ' || %1, 500) "
                     "as varchar(500)) as \"Esemény\", coalesce(nullif(trim(o.kliens_gep), ''), "
                     "o.kliens_cim) as \"Munkaállomás\", %2 as \"Felhasználó\", o.id as \"ID\", 1 "
                     "as \"Tanulók\", 'o' as \"Fajta\" from table_jogallas_olvasas o where %3")
                     .arg(kReadName, tanev::szemelySql(QStringLiteral("o.felhasznalo")), readWhere());
    }
    // events alone come in their index's order; with the statuses' they are sorted together
    ds_naplo->setSelectSQL(parts.size() == 1 && listsEvents()
                               ? parts.first() + QStringLiteral(" order by e.mikor, e.id")
                               : parts.join(QStringLiteral(" union all ")) +
                                     QStringLiteral(" order by 1, 5"));
    bindAll(*ds_naplo, params);
    ds_naplo->open();
    return true;
}

void Tnaplo_form::showDetail() {
    ds_reszlet->close();
    const int row = ds_naplo->currentRow();
    if (!ds_naplo->isOpen() || row < 0) {
        ui::setHeading(label_esemeny, QString(), QStringLiteral("Az esemény részletei"));
        return;
    }
    const QString summary = ds_naplo->value(row, QStringLiteral("Esemény")).toString();
    ui::setHeading(label_esemeny,
                   QStringLiteral("%1 – %2").arg(
                       db::displayText(ds_naplo->value(row, QStringLiteral("Időpont"))), summary),
                   QStringLiteral("Az esemény részletei"));
    if (ds_naplo->value(row, QStringLiteral("Fajta")).toString() == u"o") return; // a read changes nothing
    Params params{{QStringLiteral("e"), ds_naplo->value(row, QStringLiteral("ID"))}};
    if (ds_naplo->value(row, QStringLiteral("ID")).toLongLong() < 0) {
        // a change of the statuses: its fields, as the status log keeps them
        ds_reszlet->setSelectSQL(
            QStringLiteral(
                "select %1 as \"Tanuló\", cast('jogállás' as varchar(12)) as \"Művelet\", "
                "FN_NAPLO_MEZO_NEVE(b.mezo) as \"Adat\", %2 as \"Régi érték\", %3 as \"Új érték\" "
                "from table_naplo_bizalmas k join table_naplo_bizalmas b on b.diak_id = k.diak_id and "
                "%4 = coalesce(k.tranzakcio, -k.id) where k.id = -:e order by b.id")
                .arg(kStatusName, statusValue(QStringLiteral("b.regi")), statusValue(QStringLiteral("b.uj")),
                     kStatusGroup));
        bindAll(*ds_reszlet, params);
        dbg_reszlet->setHiddenFields({QStringLiteral("Tanuló"), QStringLiteral("Művelet")});
        ds_reszlet->open();
        return;
    }
    if (studentId_) params.emplace_back(QStringLiteral("d"), studentId_);
    const QString where = rowWhere(params);
    ds_reszlet->setSelectSQL(
        QStringLiteral("select n.diak_nev as \"Tanuló\", n.muvelet as \"Művelet\", ") +
        tanev::mezoNeveSql(QStringLiteral("m.mezo")) + QStringLiteral(" as \"Adat\", ") + oldValue() +
        QStringLiteral(" as \"Régi érték\", ") + newValue() +
        // an outer join keeps the event's rows first, read along their index a
        // screen at a time however many students it has
        QStringLiteral(" as \"Új érték\" from table_naplo n left join table_naplo_mezo m on "
                       "m.naplo_id = n.id where n.esemeny_id = :e and m.mezo is not null") +
        where + QStringLiteral(" order by n.esemeny_id, n.id"));
    bindAll(*ds_reszlet, params);
    // a single student's event opens straight to its fields
    const bool several = !studentId_ && ds_naplo->value(row, QStringLiteral("Tanulók")).toInt() > 1;
    dbg_reszlet->setHiddenFields(several ? QStringList()
                                         : QStringList{QStringLiteral("Tanuló"), QStringLiteral("Művelet")});
    ds_reszlet->open();
}

bool Tnaplo_form::csv_ment(const QString& path) {
    return save(path, false);
}

bool Tnaplo_form::xlsx_ment(const QString& path) {
    return save(path, true);
}

bool Tnaplo_form::save(const QString& path, bool excel) {
    if (!ds_naplo->isOpen() && !Button1Click()) return false;
    Params params;
    // Outer joins keep the events first: read in order along their index, never sorted,
    // whatever the period holds.
    QStringList froms, selects;
    if (listsEvents()) {
        froms << QStringLiteral(" from ") + eventSource() +
                     QStringLiteral(
                         " left join table_naplo n on n.esemeny_id = e.id left join table_naplo_mezo m "
                         "on m.naplo_id = n.id where m.mezo is not null and ") +
                     eventWhere(params) + rowWhere(params);
        selects << QStringLiteral("select e.mikor as \"Időpont\", cast(e.osszegzes as varchar(500)) as "
                                  "\"Esemény\", n.diak_nev as \"Tanuló\", n.muvelet as \"Művelet\", ") +
                       tanev::mezoNeveSql(QStringLiteral("m.mezo")) + QStringLiteral(" as \"Adat\", ") +
                       oldValue() + QStringLiteral(" as \"Régi érték\", ") + newValue() +
                       QStringLiteral(" as \"Új érték\", ") + kWho + froms.last() +
                       QStringLiteral(" order by e.mikor, e.id");
    }
    if (listsStatuses()) {
        if (!listsEvents()) periodParams(params);
        froms << QStringLiteral(" from table_naplo_bizalmas b where ") + statusWhere(params, false);
        // the statuses' rows after the events', each in the order they were written
        selects << QStringLiteral(
                       "select b.mikor as \"Időpont\", cast('Jogállás módosítása: ' || %1 as "
                       "varchar(500)) as \"Esemény\", cast(%1 as varchar(100)) as \"Tanuló\", "
                       "cast('jogállás' as varchar(12)) as \"Művelet\", FN_NAPLO_MEZO_NEVE(b.mezo) as "
                       "\"Adat\", %2 as \"Régi érték\", %3 as \"Új érték\", "
                       "coalesce(nullif(trim(b.kliens_gep), ''), b.kliens_cim) as \"Munkaállomás\", "
                       "%4 as \"Felhasználó\"")
                           .arg(kStatusName, statusValue(QStringLiteral("b.regi")),
                                statusValue(QStringLiteral("b.uj")),
                                tanev::szemelySql(QStringLiteral("b.felhasznalo"))) +
                       froms.last() + QStringLiteral(" order by b.id");
    }
    if (listsReads()) {
        if (!listsEvents() && !listsStatuses()) periodParams(params);
        froms << QStringLiteral(" from table_jogallas_olvasas o where ") + readWhere();
        selects << QStringLiteral(
                       "select o.mikor as \"Időpont\", cast('Jogállás megtekintése: ' || %1 as "
                       "varchar(500)) as \"Esemény\", cast(%1 as varchar(100)) as \"Tanuló\", "
                       "cast('megtekintés' as varchar(12)) as \"Művelet\", cast('jogállások' as "
                       "varchar(100)) as \"Adat\", cast(null as varchar(10)) as \"Régi érték\", "
                       "cast(null as varchar(10)) as \"Új érték\", coalesce(nullif(trim("
                       "o.kliens_gep), ''), o.kliens_cim) as \"Munkaállomás\", %2 as \"Felhasználó\"")
                           .arg(kReadName, tanev::szemelySql(QStringLiteral("o.felhasznalo"))) +
                       froms.last() + QStringLiteral(" order by o.id");
    }
    QStringList counted, parts;
    for (const QString& f : froms)
        counted << QStringLiteral("(select count(*)") + f + u')';
    for (const QString& p : selects)
        parts << QStringLiteral("select * from (") + p + u')';
    const QString countSql = QStringLiteral("select ") + counted.join(QStringLiteral(" + ")) +
                             QStringLiteral(" from rdb$database");
    const QString sql = parts.join(QStringLiteral(" union all "));
    QString error;
    bool written = false;
    try {
        const std::unique_ptr<output::Progress> progress = output::outputs().progress(this);
        // a snapshot: the count and the rows are of the same moment, read as they are written
        db::Transaction tr(DM->dbTanulo, nullptr, db::Transaction::Access::ReadOnly);
        tr.setSnapshot(true);
        tr.start();
        db::Statement count(DM->dbTanulo, tr);
        count.prepare(countSql);
        bindAll(count, params);
        count.execute();
        const qint64 total = count.fetch() ? count.value(0).toLongLong() : 0;
        count.free();
        db::Statement rows(DM->dbTanulo, tr);
        rows.prepare(sql);
        bindAll(rows, params);
        rows.execute();
        output::RowStream stream{QStringLiteral("Változásnapló"), {}, total, [&rows](QVariantList& row) {
                                     if (!rows.fetch()) return false;
                                     for (int c = 0; c < rows.columnCount(); ++c)
                                         row << rows.value(c);
                                     return true;
                                 }};
        for (int c = 0; c < rows.columnCount(); ++c)
            stream.headers << rows.columnName(c);
        written = excel ? output::writeXlsx(path, stream, error, progress.get())
                        : output::writeCsv(path, stream, error, progress.get());
        rows.free();
        tr.commit();
    } catch (const output::Cancelled&) {
        return false; // the user stopped it: nothing was written
    }
    const QString shown = QDir::toNativeSeparators(path);
    if (!written) {
        ui::error(this, QStringLiteral("%1 fájl mentése nem sikerült: %2.").arg(ui::aAz(shown, true), error));
        return false;
    }
    ui::information(this,
                    QStringLiteral("%1 elkészült:\r%2")
                        .arg(excel ? QStringLiteral("Az Excel-fájl") : QStringLiteral("A CSV-fájl"), shown));
    return true;
}

void Tnaplo_form::FormClose() {
    ds_reszlet->close();
    ds_naplo->close();
    try {
        trNaplo->rollback();
    } catch (const db::Error&) {
    }
    main_form->childClosed();
}
