#include "lekerdezesek__form.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QStandardItemModel>

#include "Lekerdezes.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "db/Values.h"
#include "fiokok/Fiok.h"
#include "main/main__form.h"
#include "office/Tanev.h"
#include "output/Xlsx.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Nevelo.h"
#include "ui/Widgets.h"

Tlekerdezesek_form* lekerdezesek_form = nullptr;

namespace {

const QString kClasses = QStringLiteral(
    "select id, osztaly_szam || '.' || osztaly_betu from table_osztaly order by osztaly_szam, osztaly_betu");
const QString kTeachers = QStringLiteral("select id, nev from table_tanar order by nev");
// A school year runs from 1 September.
const QString kLeaverYears = QStringLiteral(
    "select distinct extract(year from dateadd(-8 month to kilepes_datum)) from table_diak_archiv");
constexpr int kPickerTop = 36;

// Exports fetch every row and lay out pages: the user sees that it works.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

ui::IdComboBox* picker(QWidget* parent, const QString& name, const QRect& r) {
    auto* c = ui::idCombo(parent, name, ui::arial(12), r);
    c->setMaxVisibleItems(20);
    return c;
}

} // namespace

Tlekerdezesek_form::Tlekerdezesek_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("lekerdezesek_form"));
    setWindowTitle(QStringLiteral("Lekérdezések"));
    setClientSize(760, 542);

    trLekerdezes = new db::Transaction(DM->dbTanulo, this, db::Transaction::Access::ReadOnly);
    trLekerdezes->setObjectName(QStringLiteral("trLekerdezes"));
    ds_eredmeny = new db::Dataset(DM->dbTanulo, *trLekerdezes, this);
    ds_eredmeny->setObjectName(QStringLiteral("ds_eredmeny"));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 760, 542);

    // The query and what it needs.
    ui::bevel(this, QRect(4, 4, 752, 62));
    Label1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Lekérdezés:"), ui::arial(12),
                       QRect(12, 10, 86, 20));
    combo_lekerdezes = new QComboBox(this);
    combo_lekerdezes->setObjectName(QStringLiteral("combo_lekerdezes"));
    combo_lekerdezes->setFont(ui::arial(12));
    combo_lekerdezes->setGeometry(100, 9, 400, 22);
    combo_lekerdezes->setMaxVisibleItems(20);
    ui::nameBy(Label1, combo_lekerdezes);
    label_tanev =
        ui::label(this, QStringLiteral("label_tanev"), QString(), ui::arial(12), QRect(516, 10, 232, 20));
    label_tanev->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2 = ui::label(this, QStringLiteral("Label2"), QStringLiteral("Osztály:"), ui::arial(12),
                       QRect(12, kPickerTop + 1, 62, 20));
    combo_osztaly = picker(this, QStringLiteral("combo_osztaly"), QRect(76, kPickerTop, 110, 22));
    ui::nameBy(Label2, combo_osztaly);
    Label3 = ui::label(this, QStringLiteral("Label3"), QStringLiteral("Tanár:"), ui::arial(12),
                       QRect(200, kPickerTop + 1, 50, 20));
    combo_tanar = picker(this, QStringLiteral("combo_tanar"), QRect(252, kPickerTop, 248, 22));
    ui::nameBy(Label3, combo_tanar);
    Label6 = ui::label(this, QStringLiteral("Label6"), QStringLiteral("Tanév:"), ui::arial(12),
                       QRect(514, kPickerTop + 1, 50, 20));
    combo_tanev = new QComboBox(this);
    combo_tanev->setObjectName(QStringLiteral("combo_tanev"));
    combo_tanev->setFont(ui::arial(12));
    combo_tanev->setGeometry(566, kPickerTop, 110, 22);
    ui::nameBy(Label6, combo_tanev);
    Label7 = ui::label(this, QStringLiteral("Label7"), QStringLiteral("Nap:"), ui::arial(12),
                       QRect(514, kPickerTop + 1, 36, 20));
    edit_nap = new QLineEdit(this);
    edit_nap->setObjectName(QStringLiteral("edit_nap"));
    edit_nap->setFont(ui::arial(12, false));
    edit_nap->setGeometry(552, kPickerTop, 100, 22);
    edit_nap->setMaxLength(11);
    ui::nameBy(Label7, edit_nap);

    // The result.
    ui::bevel(this, QRect(4, 70, 752, 402));
    dbg_eredmeny = ui::grid(this, QStringLiteral("dbg_eredmeny"), QRect(10, 76, 740, 370));
    dbg_eredmeny->setDataset(ds_eredmeny);
    dbg_eredmeny->setAccessibleName(QStringLiteral("Lekérdezés eredménye"));
    label_sorok =
        ui::label(this, QStringLiteral("label_sorok"), QString(), ui::arial(12), QRect(12, 450, 736, 18));

    // Handing it over.
    ui::bevel(this, QRect(4, 476, 752, 34));
    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("Nyomtatás…"), ui::arial(12),
                         QRect(10, 480, 150, 26), true);
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("Mentés PDF-be…"), ui::arial(12),
                         QRect(166, 480, 150, 26), true);
    Button3 = ui::button(this, QStringLiteral("Button3"), QStringLiteral("Mentés CSV-be…"), ui::arial(12),
                         QRect(322, 480, 150, 26), true);
    Button5 = ui::button(this, QStringLiteral("Button5"), QStringLiteral("Mentés Excelbe…"), ui::arial(12),
                         QRect(478, 480, 150, 26), true);

    Button4 = ui::button(this, QStringLiteral("Button4"), QStringLiteral("bezárás"), ui::arial(12),
                         QRect(311, 514, 137, 24));

    QWidget* order[] = {combo_lekerdezes, combo_osztaly, combo_tanar, combo_tanev, edit_nap, dbg_eredmeny,
                        Button1,          Button2,       Button3,     Button5,     Button4};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    // Only the user's choices run a query; refilling the lists does not.
    connect(combo_lekerdezes, &QComboBox::activated, this, ui::guard([this] { combo_lekerdezesChange(); }));
    connect(combo_osztaly, &QComboBox::activated, this, ui::guard([this] { combo_valasztoChange(); }));
    connect(combo_tanar, &QComboBox::activated, this, ui::guard([this] { combo_valasztoChange(); }));
    connect(combo_tanev, &QComboBox::activated, this, ui::guard([this] { combo_valasztoChange(); }));
    connect(edit_nap, &QLineEdit::returnPressed, this, ui::guard([this] { combo_valasztoChange(); }));
    connect(ds_eredmeny, &QAbstractItemModel::rowsInserted, this, [this] { sorok_kiir(); });
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
    connect(Button5, &QPushButton::clicked, this, ui::guard([this] { Button5Click(); }));

    valasztok_mutat({});
    eredmeny_nullaz();
}

void Tlekerdezesek_form::prepareOpen() {
    eredmeny_nullaz();
    valasztok_mutat({});
    lekerdezesek_feltolt();
    valasztok_feltolt();
    label_tanev->setText(QStringLiteral("Aktuális tanév: ") + tanev());
}

void Tlekerdezesek_form::lekerdezesek_feltolt() {
    combo_lekerdezes->clear();
    const QString folder = DM->programFolder + QStringLiteral("sqls/") + queries::kFolder;
    const QStringList usable = fiok::hasznalhato(DM->dbTanulo);
    auto* items = qobject_cast<QStandardItemModel*>(combo_lekerdezes->model());
    for (const queries::QueryFile& q : queries::listQueries(folder)) {
        combo_lekerdezes->addItem(q.title, q.fileName);
        // what the role may not read is out of reach, not refused once chosen
        QFile file(folder + u'/' + q.fileName);
        if (!items || !file.open(QIODevice::ReadOnly)) continue;
        if (!fiok::tiltottNevek(QString::fromUtf8(file.readAll()), usable).isEmpty()) {
            QStandardItem* item = items->item(combo_lekerdezes->count() - 1);
            item->setEnabled(false);
            item->setToolTip(fiok::korlatMiatt(fiok::Szerep::Iroda));
        }
    }
    combo_lekerdezes->setCurrentIndex(-1);
    label_sorok->setText(
        combo_lekerdezes->count() == 0
            ? QStringLiteral("Nincs lekérdezés %1 mappában.").arg(ui::aAz(QDir::toNativeSeparators(folder)))
            : QStringLiteral("Válasszon lekérdezést!"));
}

void Tlekerdezesek_form::valasztok_feltolt() {
    QStringList lines;
    // Rows of an id and a label, as the subject filler takes them.
    main_form->combo_targyak_feltolt(combo_osztaly, main_form->query(false, kClasses, {}, lines));
    main_form->combo_targyak_feltolt(combo_tanar, main_form->query(false, kTeachers, {}, lines));
    // the school years that have leavers, and the program's own
    combo_tanev->clear();
    for (const QString& line : main_form->query(false, kLeaverYears, {}, lines))
        tanev_felvesz(line.section(QLatin1Char(';'), 0, 0).toInt());
    tanev_valaszt(db::toInt(main_form->edit_akt_tanev->text()));
    // the day of the October statistics of the program's school year
    const int year = db::toInt(main_form->edit_akt_tanev->text());
    edit_nap->setText(year >= 1900 && year <= 2999 ? QDate(year, 10, 1).toString(db::kDateFormat)
                                                   : QString());
}

void Tlekerdezesek_form::tanev_felvesz(int year) {
    int at = 0;
    while (at < combo_tanev->count() && combo_tanev->itemData(at).toInt() > year)
        ++at;
    if (at < combo_tanev->count() && combo_tanev->itemData(at).toInt() == year) return;
    combo_tanev->insertItem(at, tanev::tanevSzoveg(year), year);
}

void Tlekerdezesek_form::tanev_valaszt(int year) {
    if (year < 1900 || year > 2999) return; // the main window's box holds no year
    tanev_felvesz(year);
    combo_tanev->setCurrentIndex(combo_tanev->findData(year));
}

void Tlekerdezesek_form::eredmeny_nullaz() {
    ds_eredmeny->close();
    // A result let go of ends its reading; there is nothing in it to keep.
    try {
        trLekerdezes->rollback();
    } catch (const db::Error&) {
    }
    title_.clear();
    details_.clear();
    choices_.clear();
    label_sorok->clear();
    for (QPushButton* b : {Button1, Button2, Button3, Button5})
        b->setEnabled(false);
}

bool Tlekerdezesek_form::valasztok_mutat(const QStringList& params) {
    const bool osztaly = params.contains(queries::kClassParam);
    const bool tanar = params.contains(queries::kTeacherParam);
    const bool ev = params.contains(queries::kYearParam);
    const bool nap = params.contains(queries::kDayParam);
    int x = 12;
    auto place = [&](bool shown, QLabel* label, QWidget* combo) {
        label->setVisible(shown);
        combo->setVisible(shown);
        if (!shown) return;
        label->move(x, label->y());
        x += label->width() + 2;
        combo->move(x, combo->y());
        x += combo->width() + 14;
    };
    place(osztaly, Label2, combo_osztaly);
    place(tanar, Label3, combo_tanar);
    place(ev, Label6, combo_tanev);
    place(nap, Label7, edit_nap);
    if (osztaly && combo_osztaly->currentIndex() < 0) {
        label_sorok->setText(QStringLiteral("Válasszon osztályt!"));
        return false;
    }
    if (tanar && combo_tanar->currentIndex() < 0) {
        label_sorok->setText(QStringLiteral("Válasszon tanárt!"));
        return false;
    }
    if (nap && !QDate::fromString(edit_nap->text().trimmed(), db::kDateFormat).isValid()) {
        label_sorok->setText(QStringLiteral("A nap nem létező dátum: %1 (helyes formátum: ÉÉÉÉ.HH.NN.)")
                                 .arg(edit_nap->text().trimmed()));
        return false;
    }
    return true;
}

QString Tlekerdezesek_form::tanev() const {
    return main_form->edit_akt_tanev->text() + QLatin1Char('/') + main_form->edit_akt_tanev2->text();
}

void Tlekerdezesek_form::lekerdezes_futtat() {
    const int index = combo_lekerdezes->currentIndex();
    if (index < 0) return;
    const QString title = combo_lekerdezes->itemText(index);
    const QString file = combo_lekerdezes->itemData(index).toString();
    eredmeny_nullaz();
    const QString failed = QStringLiteral("A lekérdezés nem futtatható.");
    try {
        // Read at each run: a file changed meanwhile runs as it is now.
        const QString sql = queries::statementOf(DM->sqlText(queries::kFolder + file));
        const QStringList params = queries::parameterNames(sql);
        const QStringList unknown = queries::unknownParameters(params);
        if (!unknown.isEmpty()) {
            valasztok_mutat({});
            label_sorok->setText(failed);
            ui::warning(QStringLiteral("%1 lekérdezés (%2) ismeretlen paramétert használ: :%3\r\r"
                                       "Használható paraméterek: :%4 (osztály), :%5 (tanár), :%6 (aktuális "
                                       "tanév), :%7 (nap).\rA lekérdezés nem fut le.")
                            .arg(ui::aAz(QStringLiteral("„%1”").arg(title), true), file,
                                 unknown.join(QStringLiteral(", :")), queries::kClassParam,
                                 queries::kTeacherParam, queries::kYearParam, queries::kDayParam));
            return;
        }
        if (!valasztok_mutat(params)) return;
        // Prepared only, never run, unless the server calls it a plain select.
        if (!queries::isPlainSelect(*trLekerdezes, sql)) {
            label_sorok->setText(failed);
            ui::warning(QStringLiteral("%1 lekérdezés (%2) nem egyszerű SELECT utasítás, ezért nem fut "
                                       "le.\r\rEz az ablak csak olvas az adatbázisból, semmit nem módosít.")
                            .arg(ui::aAz(QStringLiteral("„%1”").arg(title), true), file));
            return;
        }
        ds_eredmeny->setSelectSQL(sql);
        ds_eredmeny->clearParams();
        QStringList details, choices;
        if (params.contains(queries::kClassParam)) {
            ds_eredmeny->setParam(queries::kClassParam, combo_osztaly->chosenId());
            choices << ui::itemLabel(combo_osztaly->currentText());
            details << QStringLiteral("Osztály: ") + choices.last();
        }
        if (params.contains(queries::kTeacherParam)) {
            ds_eredmeny->setParam(queries::kTeacherParam, combo_tanar->chosenId());
            choices << ui::itemLabel(combo_tanar->currentText());
            details << QStringLiteral("Tanár: ") + choices.last();
        }
        if (params.contains(queries::kYearParam)) {
            ds_eredmeny->setParam(queries::kYearParam, combo_tanev->currentData().toInt());
            details << QStringLiteral("Tanév: ") + combo_tanev->currentText();
        } else {
            details << QStringLiteral("Tanév: ") + tanev();
        }
        if (params.contains(queries::kDayParam)) {
            ds_eredmeny->setParam(queries::kDayParam,
                                  QDate::fromString(edit_nap->text().trimmed(), db::kDateFormat));
            details << QStringLiteral("Nap: ") + edit_nap->text().trimmed();
        }
        ds_eredmeny->open();
        title_ = title;
        details_ = details;
        choices_ = choices;
    } catch (const db::Error& e) {
        eredmeny_nullaz();
        label_sorok->setText(failed);
        throw db::Error(QStringLiteral("%1 lekérdezés (%2) nem futtatható:\r\r%3")
                            .arg(ui::aAz(QStringLiteral("„%1”").arg(title), true), file, db::userText(e)));
    }
    sorok_kiir();
    for (QPushButton* b : {Button1, Button2, Button3, Button5})
        b->setEnabled(true);
}

void Tlekerdezesek_form::sorok_kiir() {
    if (!ds_eredmeny->isOpen()) return;
    const int n = ds_eredmeny->rowCount();
    label_sorok->setText(
        ds_eredmeny->canFetchMore()
            ? QStringLiteral("Sorok száma: legalább %1 (a többi görgetéskor töltődik be)").arg(n)
            : QStringLiteral("Sorok száma: %1").arg(n));
}

output::Report Tlekerdezesek_form::jelentes(output::Progress* progress) {
    if (!ds_eredmeny->isOpen()) throw db::Error(QStringLiteral("Nincs megjeleníthető eredmény."));
    const WaitCursor wait;
    const output::Report r =
        output::Report::of(*ds_eredmeny, title_,
                           details_ + QStringList{QStringLiteral("Nyomtatás dátuma: ") +
                                                  QDate::currentDate().toString(db::kDateFormat)},
                           progress);
    sorok_kiir();
    return r;
}

bool Tlekerdezesek_form::pdf_ment(const QString& path) {
    return ment(path, QStringLiteral("A PDF-fájl"), output::writePdf);
}

bool Tlekerdezesek_form::csv_ment(const QString& path) {
    return ment(path, QStringLiteral("A CSV-fájl"), output::writeCsv);
}

bool Tlekerdezesek_form::xlsx_ment(const QString& path) {
    return ment(path, QStringLiteral("Az Excel-fájl"), output::writeXlsx);
}

bool Tlekerdezesek_form::ment(const QString& path, const QString& kind, Writer write) {
    QString error;
    bool written = false;
    try {
        const std::unique_ptr<output::Progress> progress = output::outputs().progress(this);
        const output::Report r = jelentes(progress.get());
        const WaitCursor wait;
        written = write(path, r, error, progress.get());
    } catch (const output::Cancelled&) {
        return false; // the user stopped it: nothing was written
    }
    const QString shown = QDir::toNativeSeparators(path);
    if (!written) {
        ui::error(this, QStringLiteral("%1 fájl mentése nem sikerült: %2.").arg(ui::aAz(shown, true), error));
        return false;
    }
    ui::information(this, QStringLiteral("%1 elkészült:\r%2").arg(kind, shown));
    return true;
}

QString Tlekerdezesek_form::fajlnev_javaslat(const QString& suffix) const {
    QString name = title_;
    for (const QString& c : choices_)
        name += QLatin1Char(' ') + c;
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (QChar& c : name)
        if (forbidden.contains(c)) c = QLatin1Char('_');
    return QDir::home().filePath(name + suffix);
}

void Tlekerdezesek_form::combo_lekerdezesChange() {
    // a query taking a school year starts from the program's
    tanev_valaszt(db::toInt(main_form->edit_akt_tanev->text()));
    lekerdezes_futtat();
}

void Tlekerdezesek_form::combo_valasztoChange() {
    lekerdezes_futtat();
}

void Tlekerdezesek_form::Button1Click() {
    try {
        std::unique_ptr<output::Progress> progress = output::outputs().progress(this);
        const output::Report r = jelentes(progress.get());
        progress.reset();
        QPrinter printer(QPrinter::HighResolution);
        output::setUpPrinter(printer, r);
        if (!output::outputs().choosePrinter(this, printer)) return;
        progress = output::outputs().progress(this);
        const WaitCursor wait;
        if (!output::printReport(printer, r, progress.get()))
            ui::error(QStringLiteral("A nyomtatás nem sikerült: a nyomtató nem érhető el."));
    } catch (const output::Cancelled&) {
        // stopped by the user: nothing more is printed
    }
}

namespace {
// The file the user names, with the suffix added when left off; empty when cancelled.
QString askPath(QWidget* parent, const QString& caption, const QString& suggested, const QString& filter,
                const QString& suffix) {
    QString path = output::outputs().saveFileName(parent, caption, suggested, filter);
    if (!path.isEmpty() && !path.endsWith(suffix, Qt::CaseInsensitive)) path += suffix;
    return path;
}
} // namespace

void Tlekerdezesek_form::Button2Click() {
    const QString path =
        askPath(this, QStringLiteral("Mentés PDF-be"), fajlnev_javaslat(QStringLiteral(".pdf")),
                QStringLiteral("PDF-fájl (*.pdf)"), QStringLiteral(".pdf"));
    if (!path.isEmpty()) pdf_ment(path);
}

void Tlekerdezesek_form::Button3Click() {
    const QString path =
        askPath(this, QStringLiteral("Mentés CSV-be"), fajlnev_javaslat(QStringLiteral(".csv")),
                QStringLiteral("CSV-fájl (*.csv)"), QStringLiteral(".csv"));
    if (!path.isEmpty()) csv_ment(path);
}

void Tlekerdezesek_form::Button5Click() {
    const QString path =
        askPath(this, QStringLiteral("Mentés Excelbe"), fajlnev_javaslat(QStringLiteral(".xlsx")),
                QStringLiteral("Excel-munkafüzet (*.xlsx)"), QStringLiteral(".xlsx"));
    if (!path.isEmpty()) xlsx_ment(path);
}

void Tlekerdezesek_form::Button4Click() {
    close();
}

void Tlekerdezesek_form::FormClose() {
    // No cursor stays open on the shared transaction behind a hidden window.
    eredmeny_nullaz();
    main_form->childClosed();
}
