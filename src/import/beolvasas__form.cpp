#include "beolvasas__form.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QSignalBlocker>
#include <QWheelEvent>

#include "data/DataModule.h"
#include "db/Error.h"
#include "db/Values.h"
#include "main/main__form.h"
#include "output/Report.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Nevelo.h"
#include "ui/Widgets.h"

Tbeolvasas_form* beolvasas_form = nullptr;

using intake::Field;
using intake::Status;

namespace {
// Shows the rows the chosen filter lets through; the preview does the rest.
class RowFilter : public QSortFilterProxyModel {
  public:
    using Szuro = Tbeolvasas_form::Szuro;
    RowFilter(intake::Preview* preview, QObject* parent) : QSortFilterProxyModel(parent), preview_(preview) {
        setSourceModel(preview);
        setDynamicSortFilter(true);
    }
    void choose(Szuro szuro) {
        szuro_ = szuro;
        invalidateRowsFilter();
    }

  protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override {
        const Status s = preview_->status(row);
        switch (szuro_) {
        case Szuro::Mind:
            return true;
        case Szuro::HibasVagyFigyelmeztetes:
            return s == Status::Error || s == Status::Warning;
        case Szuro::Hibas:
            return s == Status::Error;
        case Szuro::Figyelmeztetes:
            return s == Status::Warning;
        case Szuro::FelvettFigyelmeztetessel:
            return s == Status::Imported && !preview_->reason(row).isEmpty();
        }
        return true;
    }

  private:
    intake::Preview* preview_;
    Szuro szuro_ = Szuro::Mind;
};

// A column's field: the wheel turns it only once it was clicked or tabbed into, else it
// scrolls the list of columns, as a pointer passing over must not remap a column.
class FieldCombo : public QComboBox {
  public:
    FieldCombo() { setFocusPolicy(Qt::StrongFocus); }

  protected:
    void wheelEvent(QWheelEvent* e) override {
        if (hasFocus())
            QComboBox::wheelEvent(e);
        else
            e->ignore();
    }
};

QComboBox* comboBox(QWidget* parent, const QString& name, const QRect& r) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->setFont(ui::arial(12, false));
    c->setGeometry(r);
    return c;
}
} // namespace

Tbeolvasas_form::Tbeolvasas_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("beolvasas_form"));
    setWindowTitle(QStringLiteral("Tanulók beolvasása"));
    setClientSize(900, 624);

    ui::bevel(this, QRect(4, 4, 892, 66));
    QLabel* l1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Fájl:"), ui::arial(12),
                           QRect(10, 12, 96, 20));
    e_fajl = ui::readOnlyEdit(this, QStringLiteral("e_fajl"), ui::arial(12, false), QRect(110, 11, 640, 22));
    ui::nameBy(l1, e_fajl);
    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("Tallózás…"), ui::arial(12),
                         QRect(760, 9, 128, 26), true);
    QLabel* l2 = ui::label(this, QStringLiteral("Label2"), QStringLiteral("Kódlap:"), ui::arial(12),
                           QRect(10, 41, 60, 20));
    combo_kodlap = comboBox(this, QStringLiteral("combo_kodlap"), QRect(72, 40, 136, 22));
    combo_kodlap->addItem(QStringLiteral("UTF-8"), static_cast<int>(intake::Encoding::Utf8));
    combo_kodlap->addItem(QStringLiteral("Windows-1250"), static_cast<int>(intake::Encoding::Win1250));
    ui::nameBy(l2, combo_kodlap);
    QLabel* l3 = ui::label(this, QStringLiteral("Label3"), QStringLiteral("Elválasztó:"), ui::arial(12),
                           QRect(218, 41, 84, 20));
    combo_elvalaszto = comboBox(this, QStringLiteral("combo_elvalaszto"), QRect(304, 40, 160, 22));
    combo_elvalaszto->addItem(QStringLiteral("pontosvessző ( ; )"), QStringLiteral(";"));
    combo_elvalaszto->addItem(QStringLiteral("vessző ( , )"), QStringLiteral(","));
    combo_elvalaszto->addItem(QStringLiteral("tabulátor"), QStringLiteral("\t"));
    ui::nameBy(l3, combo_elvalaszto);
    QLabel* l9 = ui::label(this, QStringLiteral("Label9"), QStringLiteral("Munkalap:"), ui::arial(12),
                           QRect(474, 41, 76, 20));
    combo_munkalap = comboBox(this, QStringLiteral("combo_munkalap"), QRect(552, 40, 160, 22));
    ui::nameBy(l9, combo_munkalap);
    QLabel* l10 = ui::label(this, QStringLiteral("Label10"), QStringLiteral("Fejléc sora:"), ui::arial(12),
                            QRect(722, 41, 92, 20));
    spin_fejlec = new QSpinBox(this);
    spin_fejlec->setObjectName(QStringLiteral("spin_fejlec"));
    spin_fejlec->setFont(ui::arial(12, false));
    spin_fejlec->setGeometry(816, 40, 72, 22);
    spin_fejlec->setRange(1, 1);
    // Read again when the number is given, not at each digit typed.
    spin_fejlec->setKeyboardTracking(false);
    ui::nameBy(l10, spin_fejlec);

    ui::bevel(this, QRect(4, 74, 892, 176));
    QLabel* l4 =
        ui::label(this, QStringLiteral("Label4"), QStringLiteral("A fájl oszlopai és a tanuló adatai"),
                  ui::arial(12), QRect(10, 80, 500, 20));
    grid_oszlopok = new QTableWidget(0, 2, this);
    grid_oszlopok->setObjectName(QStringLiteral("grid_oszlopok"));
    grid_oszlopok->setGeometry(10, 102, 520, 142);
    grid_oszlopok->setHorizontalHeaderLabels({QStringLiteral("Oszlop a fájlban"), QStringLiteral("Adat")});
    grid_oszlopok->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grid_oszlopok->verticalHeader()->hide();
    grid_oszlopok->verticalHeader()->setDefaultSectionSize(24);
    grid_oszlopok->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_oszlopok->setFont(ui::arial(12, false));
    ui::nameBy(l4, grid_oszlopok);

    ui::label(this, QStringLiteral("Label5"), QStringLiteral("Az egész fájlra, ha nincs oszlopa:"),
              ui::arial(12), QRect(544, 80, 344, 20));
    QLabel* l6 = ui::label(this, QStringLiteral("Label6"), QStringLiteral("Osztály:"), ui::arial(12),
                           QRect(544, 107, 110, 20));
    combo_osztaly = comboBox(this, QStringLiteral("combo_osztaly"), QRect(660, 106, 228, 22));
    ui::nameBy(l6, combo_osztaly);
    QLabel* l7 = ui::label(this, QStringLiteral("Label7"), QStringLiteral("Tanult nyelv:"), ui::arial(12),
                           QRect(544, 135, 110, 20));
    combo_nyelv = comboBox(this, QStringLiteral("combo_nyelv"), QRect(660, 134, 228, 22));
    ui::nameBy(l7, combo_nyelv);
    QLabel* l8 = ui::label(this, QStringLiteral("Label8"), QStringLiteral("Tanév:"), ui::arial(12),
                           QRect(544, 163, 110, 20));
    edit_tanev = new QLineEdit(this);
    edit_tanev->setObjectName(QStringLiteral("edit_tanev"));
    edit_tanev->setFont(ui::arial(12, false));
    edit_tanev->setGeometry(660, 162, 60, 22);
    edit_tanev->setMaxLength(4);
    ui::nameBy(l8, edit_tanev);
    label_tanev2 =
        ui::label(this, QStringLiteral("label_tanev2"), QString(), ui::arial(12), QRect(726, 163, 80, 20));
    Button3 = ui::button(this, QStringLiteral("Button3"), QStringLiteral("Hiányzó osztályok felvétele…"),
                         ui::arial(12), QRect(544, 208, 344, 28), true);

    ui::bevel(this, QRect(4, 254, 892, 330));
    label_allapot =
        ui::label(this, QStringLiteral("label_allapot"), QString(), ui::arial(12), QRect(10, 260, 600, 20));
    QLabel* l12 = ui::label(this, QStringLiteral("Label12"), QStringLiteral("Mutat:"), ui::arial(12),
                            QRect(616, 260, 52, 20));
    combo_szuro = comboBox(this, QStringLiteral("combo_szuro"), QRect(670, 258, 218, 22));
    combo_szuro->addItem(QStringLiteral("minden sort"), static_cast<int>(Szuro::Mind));
    combo_szuro->addItem(QStringLiteral("hibát vagy figyelmeztetést"),
                         static_cast<int>(Szuro::HibasVagyFigyelmeztetes));
    combo_szuro->addItem(QStringLiteral("csak a hibásakat"), static_cast<int>(Szuro::Hibas));
    combo_szuro->addItem(QStringLiteral("csak a figyelmeztetéseket"),
                         static_cast<int>(Szuro::Figyelmeztetes));
    combo_szuro->addItem(QStringLiteral("figyelmeztetéssel felvetteket"),
                         static_cast<int>(Szuro::FelvettFigyelmeztetessel));
    ui::nameBy(l12, combo_szuro);
    grid_elonezet = new QTableView(this);
    grid_elonezet->setObjectName(QStringLiteral("grid_elonezet"));
    grid_elonezet->setGeometry(10, 284, 880, 250);
    grid_elonezet->setFont(ui::arial(12, false));
    grid_elonezet->verticalHeader()->hide();
    grid_elonezet->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_elonezet->verticalHeader()->setDefaultSectionSize(20);
    grid_elonezet->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_elonezet->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_elonezet->setAccessibleName(QStringLiteral("A fájl sorai"));
    preview = new intake::Preview(DM->dbTanulo, this);
    sorok = new RowFilter(preview, this);
    grid_elonezet->setModel(sorok);
    label_ok =
        ui::label(this, QStringLiteral("label_ok"), QString(), ui::arial(12, false), QRect(10, 538, 880, 42));
    label_ok->setWordWrap(true);
    label_ok->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label_ok->setTextInteractionFlags(Qt::TextSelectableByMouse);

    Button4 = ui::button(this, QStringLiteral("Button4"), QStringLiteral("Beolvasás"), ui::arial(12),
                         QRect(10, 590, 200, 28), true);
    Button5 = ui::button(this, QStringLiteral("Button5"), QStringLiteral("Kimaradt sorok mentése…"),
                         ui::arial(12), QRect(220, 590, 240, 28), true);
    Button7 = ui::button(this, QStringLiteral("Button7"), QStringLiteral("Figyelmeztetések mentése…"),
                         ui::arial(12), QRect(470, 590, 240, 28), true);
    Button6 = ui::button(this, QStringLiteral("Button6"), QStringLiteral("bezárás"), ui::arial(12),
                         QRect(748, 590, 140, 28), true);

    QWidget* order[] = {Button1,     combo_kodlap,  combo_elvalaszto, combo_munkalap,
                        spin_fejlec, grid_oszlopok, combo_osztaly,    combo_nyelv,
                        edit_tanev,  Button3,       combo_szuro,      grid_elonezet,
                        Button4,     Button5,       Button7,          Button6};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
    connect(Button5, &QPushButton::clicked, this, ui::guard([this] { Button5Click(); }));
    connect(Button7, &QPushButton::clicked, this, ui::guard([this] { Button7Click(); }));
    connect(combo_szuro, &QComboBox::currentIndexChanged, this, [this] {
        static_cast<RowFilter*>(sorok)->choose(static_cast<Szuro>(combo_szuro->currentData().toInt()));
        showReason();
    });
    connect(grid_elonezet->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { showReason(); });
    connect(preview, &QAbstractItemModel::dataChanged, this, [this] { showReason(); });
    connect(Button6, &QPushButton::clicked, this, [this] { close(); });
    // a file read and set up but not yet imported is work that Esc would lose
    setKeys(Button4, [this] { return !path_.isEmpty() && !imported_; });
    for (QComboBox* c : {combo_kodlap, combo_elvalaszto, combo_munkalap})
        connect(c, &QComboBox::activated, this, ui::guard([this] { reread(0); }));
    connect(spin_fejlec, &QSpinBox::valueChanged, this, ui::guard([this] { reread(spin_fejlec->value()); }));
    for (QComboBox* c : {combo_osztaly, combo_nyelv})
        connect(c, &QComboBox::currentIndexChanged, this,
                ui::guard([this] { preview->setDefaults(defaults()); }));
    connect(edit_tanev, &QLineEdit::textChanged, this, ui::guard([this] {
                const int year = defaults().year;
                label_tanev2->setText(year ? QStringLiteral("/ %1").arg(year + 1) : QString());
                preview->setDefaults(defaults());
            }));
    connect(preview, &intake::Preview::progressed, this, [this] { showState(); });
    // A click anywhere on a row's tick box cell turns it.
    connect(grid_elonezet, &QTableView::clicked, this, [this](const QModelIndex& shown) {
        const QModelIndex i = sorok->mapToSource(shown);
        if (i.column() != 0 || !(preview->flags(i) & Qt::ItemIsUserCheckable)) return;
        preview->setIncluded(i.row(), !preview->isIncluded(i.row()));
    });
}

void Tbeolvasas_form::fillReference() {
    const QSignalBlocker b1(combo_osztaly), b2(combo_nyelv);
    const int classId = combo_osztaly->currentData().toInt();
    const int languageId = combo_nyelv->currentData().toInt();
    QStringList lines;
    combo_osztaly->clear();
    combo_osztaly->addItem(QStringLiteral("(az oszlopaiból)"), 0);
    main_form->query(false,
                     QStringLiteral("select id, osztaly_szam || '.' || osztaly_betu from table_osztaly "
                                    "order by osztaly_szam, osztaly_betu"),
                     {}, lines);
    for (const QString& line : lines)
        combo_osztaly->addItem(line.section(QLatin1Char(';'), 1, 1),
                               line.section(QLatin1Char(';'), 0, 0).toInt());
    combo_nyelv->clear();
    combo_nyelv->addItem(QStringLiteral("(az oszlopából)"), 0);
    main_form->query(false, QStringLiteral("select id, nyelv_nev from table_nyelv order by nyelv_nev"), {},
                     lines);
    for (const QString& line : lines)
        combo_nyelv->addItem(line.section(QLatin1Char(';'), 1, 1),
                             line.section(QLatin1Char(';'), 0, 0).toInt());
    combo_osztaly->setCurrentIndex(std::max(0, combo_osztaly->findData(classId)));
    combo_nyelv->setCurrentIndex(std::max(0, combo_nyelv->findData(languageId)));
}

void Tbeolvasas_form::prepareOpen() {
    path_.clear();
    e_fajl->clear();
    {
        const QSignalBlocker b(edit_tanev);
        edit_tanev->setText(main_form->edit_akt_tanev->text());
        label_tanev2->setText(QStringLiteral("/ %1").arg(main_form->edit_akt_tanev2->text()));
    }
    QStringList today;
    main_form->query(false, QStringLiteral("select current_date from rdb$database"), {}, today);
    serverToday_ = today.isEmpty() ? QDate() : QDate::fromString(today.first().chopped(1), db::kDateFormat);
    combo_osztaly->setCurrentIndex(-1);
    fillReference();
    combo_osztaly->setCurrentIndex(0);
    combo_nyelv->setCurrentIndex(0);
    combo_munkalap->clear();
    combo_munkalap->setEnabled(false);
    spin_fejlec->setEnabled(false);
    preview->setSheet({}, {}, defaults());
    fillMapping();
}

intake::Defaults Tbeolvasas_form::defaults() const {
    intake::Defaults d;
    d.classId = combo_osztaly->currentData().toInt();
    d.languageId = combo_nyelv->currentData().toInt();
    bool ok = false;
    const int year = edit_tanev->text().toInt(&ok);
    d.year = ok && edit_tanev->text().size() == 4 && year >= 1900 ? year : 0;
    d.dateOrder = dateOrder_;
    d.today = serverToday_;
    return d;
}

void Tbeolvasas_form::Button1Click() {
    const QString path = output::outputs().openFileName(
        this, QStringLiteral("Táblázat megnyitása"), QFileInfo(path_).absolutePath(),
        QStringLiteral("Táblázatok (*.csv *.txt *.xlsx);;Minden fájl (*)"));
    if (!path.isEmpty()) megnyit(path);
}

namespace {
bool knownHeading(const QString& heading) {
    return intake::guessField(heading) != Field::None;
}
} // namespace

void Tbeolvasas_form::megnyit(const QString& path) {
    const intake::FileKind kind = intake::fileKind(path);
    const auto progress = output::outputs().progress(this);
    intake::ReadOptions options{knownHeading, 0, -1, progress.get()};
    intake::CsvFormat format;
    std::vector<intake::WorkbookSheet> sheets;
    intake::Sheet sheet;
    try {
        if (kind == intake::FileKind::Xlsx) {
            sheets = intake::workbookSheets(path);
            options.sheet = intake::firstVisibleSheet(sheets);
            sheet = intake::readXlsx(path, options);
        } else {
            format = intake::detectCsv(path, knownHeading, progress.get());
            sheet = intake::readCsv(path, format, options);
        }
    } catch (const output::Cancelled&) {
        return; // the file shown before stays
    }
    if (sheet.headings.isEmpty())
        throw db::Error(QStringLiteral("%1 fájlban nincs egyetlen sor sem.")
                            .arg(ui::aAz(QFileInfo(path).fileName(), true)));
    kind_ = kind;
    format_ = format;
    sheetIndex_ = std::max(0, options.sheet);
    {
        const QSignalBlocker b(combo_munkalap);
        combo_munkalap->clear();
        for (const intake::WorkbookSheet& s : sheets)
            combo_munkalap->addItem(s.hidden ? QStringLiteral("%1 (rejtett)").arg(s.name) : s.name);
    }
    path_ = path;
    imported_ = false;
    dateOrder_ = intake::DateOrder::Unsettled; // asked anew for another file
    e_fajl->setText(QDir::toNativeSeparators(path));
    fillReference();
    showSheet(std::move(sheet));
    QHeaderView* h = grid_elonezet->horizontalHeader();
    h->resizeSection(0, 30);
    h->resizeSection(1, 44);
    h->resizeSection(2, 110);
    h->resizeSection(3, 320);
    for (int c = intake::Preview::kFixedColumns; c < preview->columnCount(); ++c)
        h->resizeSection(c, 130);
}

void Tbeolvasas_form::showChoices() {
    const bool csv = kind_ == intake::FileKind::Csv;
    const QSignalBlocker b1(combo_kodlap), b2(combo_elvalaszto), b3(combo_munkalap), b4(spin_fejlec);
    combo_kodlap->setCurrentIndex(csv ? combo_kodlap->findData(static_cast<int>(format_.encoding)) : -1);
    combo_elvalaszto->setCurrentIndex(csv ? combo_elvalaszto->findData(QString(format_.separator)) : -1);
    combo_munkalap->setCurrentIndex(csv ? -1 : sheetIndex_);
    combo_kodlap->setEnabled(csv);
    combo_elvalaszto->setEnabled(csv);
    combo_munkalap->setEnabled(!csv);
    spin_fejlec->setEnabled(true);
    const intake::Sheet& sheet = preview->sheet();
    const int last = sheet.rowCount() > 0 ? sheet.sourceRow(sheet.rowCount() - 1) : sheet.headingRow();
    spin_fejlec->setRange(1, std::max(1, last));
    spin_fejlec->setValue(std::max(1, sheet.headingRow()));
}

void Tbeolvasas_form::showSheet(intake::Sheet sheet) {
    // Other headings: guessed again, the remembered choices first.
    const intake::Mapping mapping =
        intake::guessMapping(sheet.headings, intake::rememberedMappings(DM->dbTanulo), &sheet);
    preview->setSheet(std::move(sheet), mapping, defaults());
    fillMapping();
    showChoices();
    askDateOrder();
}

void Tbeolvasas_form::askDateOrder() {
    const intake::SlashDates& dates = preview->slashDates();
    if (dates.order != intake::DateOrder::Unsettled || dateOrder_ != intake::DateOrder::Unsettled) return;
    const QLocale hu(QLocale::Hungarian);
    QStringList both;
    for (const QString& e : dates.examples) {
        const QStringList p = e.split(u'/');
        const int a = p[0].toInt(), b = p[1].toInt(), y = p[2].toInt();
        both << QStringLiteral("%1: %2 vagy %3")
                    .arg(e, hu.toString(QDate(y, b, a), QStringLiteral("yyyy. MMMM d.")),
                         hu.toString(QDate(y, a, b), QStringLiteral("yyyy. MMMM d.")));
    }
    // Once for the whole file: one order for all its dates.
    dateOrder_ =
        ui::confirm(this, QStringLiteral("A fájl dátumai kétféleképpen is olvashatók, például:\r%1\r \r"
                                         "Hónap/nap/év sorrendben (amerikai módon) írták a fájl "
                                         "dátumait? Ha nem, nap/hónap/év sorrendben olvasom őket.")
                              .arg(both.join(u'\r')))
            ? intake::DateOrder::MonthFirst
            : intake::DateOrder::DayFirst;
    preview->setDefaults(defaults());
}

void Tbeolvasas_form::reread(int headingRow) {
    if (path_.isEmpty()) return;
    const auto progress = output::outputs().progress(this);
    intake::ReadOptions options{knownHeading, headingRow, combo_munkalap->currentIndex(), progress.get()};
    intake::CsvFormat format;
    if (kind_ == intake::FileKind::Csv) {
        format.encoding = static_cast<intake::Encoding>(combo_kodlap->currentData().toInt());
        format.separator = combo_elvalaszto->currentData().toString().at(0);
    }
    intake::Sheet sheet;
    try {
        sheet = kind_ == intake::FileKind::Xlsx ? intake::readXlsx(path_, options)
                                                : intake::readCsv(path_, format, options);
    } catch (const output::Cancelled&) {
        showChoices(); // back to what is shown
        return;
    } catch (...) {
        showChoices();
        throw;
    }
    format_ = format;
    sheetIndex_ = std::max(0, options.sheet);
    showSheet(std::move(sheet));
}

QComboBox* Tbeolvasas_form::mezoCombo(int column) const {
    return qobject_cast<QComboBox*>(grid_oszlopok->cellWidget(column, 1));
}

void Tbeolvasas_form::fillMapping() {
    const intake::Sheet& sheet = preview->sheet();
    grid_oszlopok->setRowCount(sheet.columnCount());
    for (int c = 0; c < sheet.columnCount(); ++c) {
        const QString heading =
            preview->headerData(c + intake::Preview::kFixedColumns, Qt::Horizontal, Qt::DisplayRole)
                .toString();
        grid_oszlopok->setItem(c, 0, new QTableWidgetItem(heading));
        auto* combo = new FieldCombo;
        combo->setFont(ui::arial(12, false));
        combo->setAccessibleName(heading);
        combo->addItem(intake::fieldCaption(Field::None), static_cast<int>(Field::None));
        for (int f = 0; f < intake::kFieldCount; ++f)
            combo->addItem(intake::fieldCaption(static_cast<Field>(f)), f);
        combo->setCurrentIndex(combo->findData(static_cast<int>(preview->mapping()[static_cast<size_t>(c)])));
        connect(combo, &QComboBox::activated, this, ui::guard([this, c] { mappingChanged(c); }));
        grid_oszlopok->setCellWidget(c, 1, combo);
    }
}

void Tbeolvasas_form::mappingChanged(int column) {
    intake::Mapping mapping = preview->mapping();
    const auto chosen = static_cast<Field>(mezoCombo(column)->currentData().toInt());
    mapping[static_cast<size_t>(column)] = chosen;
    // A field comes from one column: the one that had it gives it up.
    for (size_t c = 0; c < mapping.size(); ++c)
        if (static_cast<int>(c) != column && chosen != Field::None && mapping[c] == chosen) {
            mapping[c] = Field::None;
            QComboBox* other = mezoCombo(static_cast<int>(c));
            const QSignalBlocker b(other);
            other->setCurrentIndex(other->findData(static_cast<int>(Field::None)));
        }
    preview->setMapping(mapping);
    askDateOrder(); // a column newly taken as a date may hold slash dates
}

void Tbeolvasas_form::showState() {
    const intake::Preview::Counts c = preview->counts();
    const int rows = preview->sheet().rowCount();
    QString text;
    if (!path_.isEmpty()) {
        text = QStringLiteral("%1 sor: %2 rendben, %3 figyelmeztetés, %4 hibás; beolvasásra kijelölve: %5")
                   .arg(rows)
                   .arg(c.ready)
                   .arg(c.warnings)
                   .arg(c.errors)
                   .arg(c.included);
        if (c.imported) text += QStringLiteral("; felvéve: %1").arg(c.imported);
        if (c.importedWithWarning)
            text += QStringLiteral(", ebből figyelmeztetéssel: %1").arg(c.importedWithWarning);
        if (!preview->isChecked())
            text += QStringLiteral(" (ellenőrzés: %1 / %2)").arg(preview->checkedRows()).arg(rows);
    }
    label_allapot->setText(text);
    label_allapot->setToolTip(text);
    Button3->setEnabled(!preview->missingClasses().isEmpty());
    Button4->setEnabled(rows > 0 && (!preview->isChecked() || c.included > 0));
    Button5->setEnabled(rows > 0);
    Button7->setEnabled(c.importedWithWarning > 0);
}

void Tbeolvasas_form::showReason() {
    const QModelIndex i = sorok->mapToSource(grid_elonezet->currentIndex());
    QString text;
    if (i.isValid()) {
        const QString why = preview->reason(i.row());
        text = QStringLiteral("A fájl %1. sora: %2")
                   .arg(preview->sheet().sourceRow(i.row()))
                   .arg(why.isEmpty()
                            ? preview->data(preview->index(i.row(), 2), Qt::DisplayRole).toString() + u'.'
                            : why);
    }
    label_ok->setText(text);
}

void Tbeolvasas_form::Button3Click() {
    QStringList names;
    for (const intake::ClassName& c : preview->missingClasses())
        names << c.text();
    if (names.isEmpty()) return;
    if (!ui::confirm(this,
                     QStringLiteral("A fájl olyan osztályokat nevez meg, amelyek nincsenek meg:\r%1\r \r"
                                    "Felveszi ezeket az osztályokat?")
                         .arg(names.join(QStringLiteral(", ")))))
        return;
    preview->createMissingClasses();
    fillReference();
    ui::information(this, QStringLiteral("Az osztályok felvéve: %1").arg(names.join(QStringLiteral(", "))));
}

void Tbeolvasas_form::Button4Click() {
    if (path_.isEmpty()) {
        ui::warning(this, QStringLiteral("Válassza ki a beolvasandó fájlt!"));
        return;
    }
    try {
        preview->checkAll(output::outputs().progress(this).get());
    } catch (const output::Cancelled&) {
        return;
    }
    const int count = preview->counts().included;
    if (count == 0) {
        ui::warning(this, QStringLiteral("Nincs beolvasható sor: minden sor hibás vagy ki van hagyva."));
        return;
    }
    if (!ui::confirm(this, QStringLiteral("%1 tanuló felvétele egy lépésben.\r \rFolytatja?").arg(count)))
        return;
    int stored = 0;
    try {
        // A bar of its own, made after the question: it must not show up beside it.
        stored = preview->importRows(output::outputs().progress(this).get());
    } catch (const output::Cancelled&) {
        ui::information(this, QStringLiteral("A beolvasás megszakadt; egyetlen tanuló sem került be."));
        return;
    }
    imported_ = true;
    DM->requestStudentRefresh();
    ui::guarded([] { main_form->akt_letszam(); });
    const int left = preview->leftOutCount();
    ui::information(
        this, QStringLiteral("%1 tanuló felvéve, %2 sor kimaradt.%3")
                  .arg(stored)
                  .arg(left)
                  .arg(left ? QStringLiteral("\r \rA kimaradt sorok okukkal együtt menthetők "
                                             "(Kimaradt sorok mentése…), javítás után újra beolvashatók.")
                            : QString()));
}

void Tbeolvasas_form::Button5Click() {
    saveRows(intake::Preview::Rows::LeftOut, preview->leftOutCount(), QStringLiteral("Nincs kimaradt sor."),
             QStringLiteral("Kimaradt sorok mentése"), QStringLiteral("_kimaradt.csv"),
             QStringLiteral("%1 kimaradt sor mentve:\r%2"));
}

void Tbeolvasas_form::Button7Click() {
    saveRows(intake::Preview::Rows::ImportedWithWarning, preview->counts().importedWithWarning,
             QStringLiteral("Nincs figyelmeztetéssel felvett sor."),
             QStringLiteral("Figyelmeztetéssel felvett sorok mentése"),
             QStringLiteral("_figyelmeztetesek.csv"),
             QStringLiteral("%1 figyelmeztetéssel felvett sor mentve:\r%2"));
}

void Tbeolvasas_form::saveRows(intake::Preview::Rows which, int count, const QString& none,
                               const QString& title, const QString& suffix, const QString& done) {
    if (path_.isEmpty() || count == 0) {
        ui::information(this, none);
        return;
    }
    const QFileInfo source(path_);
    const QString path = output::outputs().saveFileName(
        this, title, source.absolutePath() + QLatin1Char('/') + source.completeBaseName() + suffix,
        QStringLiteral("CSV-fájl (*.csv);;Excel-munkafüzet (*.xlsx)"));
    if (path.isEmpty()) return;
    const QString error = preview->saveRows(path, which);
    if (!error.isEmpty()) {
        ui::warning(this, QStringLiteral("A fájl nem menthető: %1").arg(error));
        return;
    }
    ui::information(this, done.arg(count).arg(QDir::toNativeSeparators(path)));
}

void Tbeolvasas_form::FormClose() {
    main_form->childClosed();
}
