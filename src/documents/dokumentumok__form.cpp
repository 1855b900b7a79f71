#include "dokumentumok__form.h"

#include <QDir>
#include <QPrinter>
#include <QVBoxLayout>

#include "Documents.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "db/Values.h"
#include "main/main__form.h"
#include "office/Tanev.h"
#include "output/Report.h"
#include "output/Xlsx.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Nevelo.h"
#include "ui/Widgets.h"

Tdokumentumok_form* dokumentumok_form = nullptr;

namespace {
const QString kRegister = QStringLiteral(
    "select d.tanev || '/' || (d.tanev + 1) as \"Tanév\", d.sorszam as \"Sorszám\", d.kiadva as \"Kiadva\", "
    "d.sablon as \"Dokumentum\", d.diak_nev as \"Tanuló\", "
    // a void is seen without scrolling
    "iif(e.dokumentum_id is null, '', 'érvénytelenítve: ' || e.ok) as \"Érvénytelenítve\", "
    "coalesce(f.teljes_nev || ' (' || trim(k.felhasznalo) || ')', trim(k.felhasznalo)) as \"Kiadta\", "
    // the workstation as a person names it: its host name, the address and program left out
    "substring(d.munkaallomas from 1 for position(' ' in d.munkaallomas || ' ') - 1) as \"Munkaállomás\", "
    // the technical details (address, program) in the tooltip only
    "d.munkaallomas as \"Munkaállomás részletei\" "
    "from table_kiadott_dokumentum d "
    "left join table_ki_tette k on k.tabla = 'TABLE_KIADOTT_DOKUMENTUM' and k.sor_id = d.id "
    "left join table_fiok f on f.felhasznalo = k.felhasznalo "
    "left join table_dokumentum_ervenytelen e on e.dokumentum_id = d.id "
    "where d.kiadva >= :tol and d.kiadva < :ig and (char_length(cast(:mit as varchar(100))) = 0 or "
    "d.diak_nev containing :mit "
    "or d.sablon containing :mit) order by d.kiadva, d.tanev, d.sorszam");

void setUp(QPrinter& printer, const QString& title) {
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(20, 15, 20, 15), QPageLayout::Millimeter);
    printer.setDocName(title);
    printer.setCreator(ui::kProgramName);
}
} // namespace

Tdokumentumok_form::Tdokumentumok_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("dokumentumok_form"));
    setWindowTitle(QStringLiteral("Dokumentumok"));
    setClientSize(640, 602);

    ui::bevel(this, QRect(4, 4, 632, 162));
    QLabel* l1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Dokumentum:"), ui::arial(12),
                           QRect(10, 12, 110, 20));
    combo_sablon = new QComboBox(this);
    combo_sablon->setObjectName(QStringLiteral("combo_sablon"));
    combo_sablon->setFont(ui::arial(12));
    combo_sablon->setGeometry(124, 11, 300, 22);
    ui::nameBy(l1, combo_sablon);
    QLabel* l2 = ui::label(this, QStringLiteral("Label2"), QStringLiteral("Tanév:"), ui::arial(12),
                           QRect(440, 12, 50, 20));
    edit_tanev = new QLineEdit(this);
    edit_tanev->setObjectName(QStringLiteral("edit_tanev"));
    edit_tanev->setFont(ui::arial(12, false));
    edit_tanev->setGeometry(494, 11, 50, 21);
    edit_tanev->setMaxLength(4);
    ui::nameBy(l2, edit_tanev);
    label_tanev2 =
        ui::label(this, QStringLiteral("label_tanev2"), QString(), ui::arial(12), QRect(548, 12, 80, 20));

    rb_tanulo = new QRadioButton(this);
    rb_tanulo->setObjectName(QStringLiteral("rb_tanulo"));
    rb_tanulo->setFont(ui::arial(12));
    rb_tanulo->setGeometry(12, 44, 612, 22);
    rb_osztaly = new QRadioButton(QStringLiteral("Egy egész osztály, tanulónként egy oldal:"), this);
    rb_osztaly->setObjectName(QStringLiteral("rb_osztaly"));
    rb_osztaly->setFont(ui::arial(12));
    rb_osztaly->setGeometry(12, 72, 330, 22);
    combo_osztaly =
        ui::idCombo(this, QStringLiteral("combo_osztaly"), ui::arial(12), QRect(346, 72, 110, 22));
    combo_osztaly->setAccessibleName(QStringLiteral("Osztály"));
    QLabel* l8 = ui::label(this, QStringLiteral("Label8"), QStringLiteral("A kiadás célja:"), ui::arial(12),
                           QRect(12, 101, 120, 20));
    combo_cel = new QComboBox(this);
    combo_cel->setObjectName(QStringLiteral("combo_cel"));
    combo_cel->setFont(ui::arial(12, false));
    combo_cel->setGeometry(134, 100, 490, 22);
    combo_cel->setEditable(true);
    combo_cel->setInsertPolicy(QComboBox::NoInsert);
    combo_cel->addItems({QString(), QStringLiteral("családi pótlék igényléséhez"),
                         QStringLiteral("utazási kedvezmény igényléséhez"),
                         QStringLiteral("diákigazolvány igényléséhez")});
    ui::nameBy(l8, combo_cel);
    Button6 = ui::button(this, QStringLiteral("Button6"), QStringLiteral("Előnézet…"), ui::arial(12),
                         QRect(24, 130, 190, 28), true);
    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("Nyomtatás…"), ui::arial(12),
                         QRect(226, 130, 190, 28), true);
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("Mentés PDF-be…"), ui::arial(12),
                         QRect(428, 130, 196, 28), true);

    ui::bevel(this, QRect(4, 170, 632, 394));
    ui::label(this, QStringLiteral("Label3"), QStringLiteral("Kiadott dokumentumok"), ui::arial(13),
              QRect(12, 176, 300, 20));
    QLabel* l4 = ui::label(this, QStringLiteral("Label4"), QStringLiteral("Ettől:"), ui::arial(12),
                           QRect(12, 204, 44, 20));
    edit_tol = new QLineEdit(this);
    edit_tol->setObjectName(QStringLiteral("edit_tol"));
    edit_tol->setFont(ui::arial(12, false));
    edit_tol->setGeometry(58, 203, 100, 21);
    edit_tol->setMaxLength(11);
    ui::nameBy(l4, edit_tol);
    QLabel* l5 = ui::label(this, QStringLiteral("Label5"), QStringLiteral("Eddig:"), ui::arial(12),
                           QRect(172, 204, 50, 20));
    edit_ig = new QLineEdit(this);
    edit_ig->setObjectName(QStringLiteral("edit_ig"));
    edit_ig->setFont(ui::arial(12, false));
    edit_ig->setGeometry(224, 203, 100, 21);
    edit_ig->setMaxLength(11);
    ui::nameBy(l5, edit_ig);
    Button3 = ui::button(this, QStringLiteral("Button3"), QStringLiteral("Listázás"), ui::arial(12),
                         QRect(336, 201, 100, 25), true);
    QLabel* l6 = ui::label(this, QStringLiteral("Label6"), QStringLiteral("Tanuló, dokumentum:"),
                           ui::arial(12), QRect(444, 182, 186, 18));
    edit_kereses = new QLineEdit(this);
    edit_kereses->setObjectName(QStringLiteral("edit_kereses"));
    edit_kereses->setFont(ui::arial(12, false));
    edit_kereses->setGeometry(444, 203, 186, 21);
    edit_kereses->setMaxLength(100);
    ui::nameBy(l6, edit_kereses);
    trIktatas = new db::Transaction(DM->dbTanulo, this, db::Transaction::Access::ReadOnly);
    ds_iktatas = new db::Dataset(DM->dbTanulo, *trIktatas, this);
    ds_iktatas->setObjectName(QStringLiteral("ds_iktatas"));
    dbg_iktatas = ui::grid(this, QStringLiteral("dbg_iktatas"), QRect(10, 232, 620, 258));
    dbg_iktatas->setDataset(ds_iktatas);
    ds_iktatas->setToolTipField(QStringLiteral("Munkaállomás"), QStringLiteral("Munkaállomás részletei"));
    dbg_iktatas->setHiddenFields({QStringLiteral("Munkaállomás részletei")});
    dbg_iktatas->setAccessibleName(QStringLiteral("Kiadott dokumentumok"));
    QLabel* l7 = ui::label(this, QStringLiteral("Label7"), QStringLiteral("Érvénytelenítés oka:"),
                           ui::arial(12), QRect(12, 502, 150, 20));
    edit_ok = new QLineEdit(this);
    edit_ok->setObjectName(QStringLiteral("edit_ok"));
    edit_ok->setFont(ui::arial(12, false));
    edit_ok->setGeometry(164, 501, 300, 21);
    edit_ok->setMaxLength(300);
    ui::nameBy(l7, edit_ok);
    Button5 = ui::button(this, QStringLiteral("Button5"), QStringLiteral("Érvénytelenítés"), ui::arial(12),
                         QRect(474, 499, 156, 25), true);
    const char* const listButtons[] = {"Lista nyomtatása…", "Lista PDF-be…", "Lista CSV-be…",
                                       "Lista Excelbe…"};
    for (int i = 0; i < 4; ++i)
        ButtonLista[i] =
            ui::button(this, QStringLiteral("ButtonLista%1").arg(i + 1), QString::fromUtf8(listButtons[i]),
                       ui::arial(12), QRect(12 + i * 156, 532, 150, 25), true);
    Button4 = ui::button(this, QStringLiteral("Button4"), QStringLiteral("bezárás"), ui::arial(12),
                         QRect(250, 570, 140, 24), true);

    QWidget* order[] = {combo_sablon,   edit_tanev,     rb_tanulo, rb_osztaly, combo_osztaly,  combo_cel,
                        Button6,        Button1,        Button2,   edit_tol,   edit_ig,        Button3,
                        edit_kereses,   dbg_iktatas,    edit_ok,   Button5,    ButtonLista[0], ButtonLista[1],
                        ButtonLista[2], ButtonLista[3], Button4};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(edit_tanev, &QLineEdit::textChanged, this, [this](const QString& t) {
        bool ok = false;
        const int year = t.toInt(&ok);
        label_tanev2->setText(ok && t.size() == 4 ? QStringLiteral("/ %1").arg(year + 1) : QString());
    });
    connect(combo_osztaly, &QComboBox::activated, this, [this] { rb_osztaly->setChecked(true); });
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, [this] { close(); });
    connect(Button5, &QPushButton::clicked, this, ui::guard([this] { Button5Click(); }));
    connect(Button6, &QPushButton::clicked, this, ui::guard([this] { elonezet(); }));
    connect(ButtonLista[0], &QPushButton::clicked, this, ui::guard([this] { lista(Lista::Nyomtatas); }));
    connect(ButtonLista[1], &QPushButton::clicked, this, ui::guard([this] { lista(Lista::Pdf); }));
    connect(ButtonLista[2], &QPushButton::clicked, this, ui::guard([this] { lista(Lista::Csv); }));
    connect(ButtonLista[3], &QPushButton::clicked, this, ui::guard([this] { lista(Lista::Excel); }));
    connect(edit_kereses, &QLineEdit::textChanged, this, ui::guard([this] {
                if (ds_iktatas->isOpen()) iktatas_listaz();
            }));
    // Enter takes no number: it previews; in the reason box it voids, after a question
    setKeys(Button6);
    setEnterFor(edit_ok, Button5);
}

void Tdokumentumok_form::reset() {
    combo_cel->setCurrentIndex(0);
    rb_osztaly->setEnabled(true);
    combo_osztaly->setEnabled(true);
    ds_iktatas->close();
    try {
        trIktatas->rollback();
    } catch (const db::Error&) {
    }
    const QDate today = QDate::currentDate();
    const int year = tanev::aktualis(DM->dbTanulo, today);
    edit_tanev->setText(QString::number(year));
    // The register's default period holds the registry's year (a move in June starts it
    // early: its first document counts) and the last twelve months, whichever is longer.
    QDate from = std::min(QDate(year, 9, 1), today.addYears(-1));
    QStringList first;
    main_form->query(false,
                     QStringLiteral("select cast(min(kiadva) as date) from table_kiadott_dokumentum where "
                                    "tanev = :t"),
                     {year}, first);
    const QDate firstOfYear =
        first.isEmpty() ? QDate() : QDate::fromString(first.first().chopped(1), db::kDateFormat);
    if (firstOfYear.isValid()) from = std::min(from, firstOfYear);
    edit_tol->setText(from.toString(db::kDateFormat));
    edit_ig->setText(today.toString(db::kDateFormat));
    QStringList lines;
    main_form->combo_targyak_feltolt(
        combo_osztaly, main_form->query(false,
                                        QStringLiteral("select id, osztaly_szam || '.' || osztaly_betu from "
                                                       "table_osztaly order by osztaly_szam, osztaly_betu"),
                                        {}, lines));
}

void Tdokumentumok_form::sablonok_feltolt(const QString& chosenFile, bool leaversOnly) {
    combo_sablon->clear();
    QStringList problems;
    for (const documents::Sablon& s :
         documents::listSablonok(DM->programFolder + documents::kFolder, &problems))
        if (!leaversOnly || s.forLeavers) combo_sablon->addItem(s.title, s.fileName);
    const int at = combo_sablon->findData(chosenFile);
    combo_sablon->setCurrentIndex(at >= 0 ? at : (combo_sablon->count() ? 0 : -1));
    if (!problems.isEmpty()) ui::warning(this, problems.join(QLatin1Char('\r')));
}

void Tdokumentumok_form::prepareForStudent(int studentId, const QString& name, const QString& sablonFile) {
    reset();
    studentId_ = studentId;
    rb_tanulo->setText(QStringLiteral("A kijelölt tanuló: %1").arg(name));
    rb_tanulo->setEnabled(true);
    rb_tanulo->setChecked(true);
    sablonok_feltolt(sablonFile);
}

void Tdokumentumok_form::prepareForLeaver(int studentId, const QString& name) {
    reset();
    studentId_ = studentId;
    rb_tanulo->setText(QStringLiteral("A kilépett tanuló: %1").arg(name));
    rb_tanulo->setEnabled(true);
    rb_tanulo->setChecked(true);
    rb_osztaly->setEnabled(false);
    combo_osztaly->setEnabled(false);
    sablonok_feltolt(QString(), true);
}

void Tdokumentumok_form::prepareOpen() {
    reset();
    studentId_ = 0;
    rb_tanulo->setText(QStringLiteral("A kijelölt tanuló: (a tanulók listájának helyi menüjéből)"));
    rb_tanulo->setEnabled(false);
    rb_osztaly->setChecked(true);
    sablonok_feltolt(QString());
}

std::optional<Tdokumentumok_form::Job> Tdokumentumok_form::job() {
    if (combo_sablon->currentIndex() < 0) {
        ui::warning(this,
                    QStringLiteral("Nincs választható dokumentumsablon %1 mappában.")
                        .arg(ui::aAz(QDir::toNativeSeparators(DM->programFolder + documents::kFolder))));
        return {};
    }
    bool ok = false;
    const int year = edit_tanev->text().toInt(&ok);
    if (!ok || edit_tanev->text().size() != 4 || year < 1900) {
        ui::warning(this, QStringLiteral("A tanév kezdő éve négy számjegy, például %1.")
                              .arg(tanev::aktualis(DM->dbTanulo, QDate::currentDate())));
        return {};
    }
    // Read at each use: a template edited meanwhile is used as it is now.
    const documents::Sablon sablon = documents::Sablon::load(DM->programFolder + documents::kFolder +
                                                             combo_sablon->currentData().toString());
    QList<int> students;
    if (rb_tanulo->isChecked()) {
        students << studentId_;
    } else {
        if (combo_osztaly->currentIndex() < 0) {
            ui::warning(this, QStringLiteral("Válasszon osztályt!"));
            return {};
        }
        db::Transaction tr(DM->dbTanulo, nullptr, db::Transaction::Access::ReadOnly);
        students = documents::classStudents(tr, combo_osztaly->chosenId());
        tr.commit();
        if (students.isEmpty()) {
            ui::warning(this, QStringLiteral("Az osztálynak nincs tanulója."));
            return {};
        }
    }
    {
        db::Transaction tr(DM->dbTanulo, nullptr, db::Transaction::Access::ReadOnly);
        const QStringList missing =
            documents::missingSchoolData(sablon, documents::studentFields(tr, students.first(), false));
        tr.commit();
        if (!missing.isEmpty()) {
            ui::warning(this, documents::missingSchoolDataText(missing));
            return {};
        }
    }
    if (students.size() > 1 &&
        !ui::confirmDefaultNo(
            this, QStringLiteral("%1 dokumentum készül, és %1 iktatószámot kap %2. tanévben (%3).\r\r"
                                 "Kiadja őket?")
                      .arg(students.size())
                      .arg(ui::aAz(documents::schoolYearText(year)), sablon.title)))
        return {};
    return Job{sablon, year, students};
}

bool Tdokumentumok_form::kiad(const Job& job, const std::function<bool(const QStringList&)>& output) {
    const QList<int>& students = job.students;
    const int year = job.year;
    const int first = documents::issue(DM->dbTanulo, job.sablon, year, students, QDate::currentDate(), output,
                                       {{QStringLiteral("cel"), combo_cel->currentText()}});
    ui::information(this, students.size() == 1
                              ? QStringLiteral("A dokumentum elkészült, iktatószáma: %1/%2.")
                                    .arg(first)
                                    .arg(documents::schoolYearText(year))
                              : QStringLiteral("%1 dokumentum készült, iktatószámuk: %2–%3/%4.")
                                    .arg(students.size())
                                    .arg(first)
                                    .arg(first + students.size() - 1)
                                    .arg(documents::schoolYearText(year)));
    // the register shows it at once, up to today
    if (QDate::fromString(edit_ig->text(), db::kDateFormat) < QDate::currentDate())
        edit_ig->setText(QDate::currentDate().toString(db::kDateFormat));
    edit_ok->clear(); // a reason typed before belongs to no document of this issue
    iktatas_listaz();
    valaszt(year, first);
    return true;
}

void Tdokumentumok_form::valaszt(int year, int number) {
    if (!ds_iktatas->isOpen()) return;
    ds_iktatas->fetchAll();
    const QString tanev = documents::schoolYearText(year);
    for (int r = ds_iktatas->rowCount() - 1; r >= 0; --r)
        if (ds_iktatas->value(r, QStringLiteral("Sorszám")).toInt() == number &&
            ds_iktatas->value(r, QStringLiteral("Tanév")).toString() == tanev) {
            ds_iktatas->setCurrentRow(r);
            return;
        }
}

bool Tdokumentumok_form::pdf_ment(const QString& path) {
    const std::optional<Job> j = job();
    return j && pdfFor(*j, path);
}

bool Tdokumentumok_form::pdfFor(const Job& job, const QString& path) {
    QString failure;
    auto write = [&](const QStringList& htmls) {
        return output::writePdfAside(path, failure, [&](QPrinter& printer) {
            setUp(printer, combo_sablon->currentText());
            return documents::render(printer, htmls);
        });
    };
    try {
        return kiad(job, write);
    } catch (const db::Error& e) {
        if (failure.isEmpty()) throw;
        ui::error(this, QStringLiteral("%1 fájl mentése nem sikerült: %2.")
                            .arg(ui::aAz(QDir::toNativeSeparators(path), true), failure));
        return false;
    }
}

bool Tdokumentumok_form::nyomtat() {
    const std::optional<Job> j = job();
    if (!j) return false;
    QPrinter printer(QPrinter::HighResolution);
    setUp(printer, combo_sablon->currentText());
    // the number is taken only once the print dialog was answered
    if (!output::outputs().choosePrinter(this, printer)) return false;
    bool failed = false;
    try {
        return kiad(*j,
                    [&](const QStringList& htmls) { return !(failed = !documents::render(printer, htmls)); });
    } catch (const db::Error&) {
        if (!failed) throw;
        ui::error(this, QStringLiteral("A nyomtatás nem sikerült: a nyomtató nem érhető el."));
        return false;
    }
}

void Tdokumentumok_form::iktatas_listaz() {
    const QDate from = QDate::fromString(edit_tol->text(), db::kDateFormat);
    const QDate to = QDate::fromString(edit_ig->text(), db::kDateFormat);
    if (!from.isValid() || !to.isValid()) {
        ui::warning(this, QStringLiteral("Helytelen DátumFormátum!\r \rHelyes formátum:  ÉÉÉÉ.HH.NN."));
        return;
    }
    ds_iktatas->close();
    ds_iktatas->setSelectSQL(kRegister);
    ds_iktatas->clearParams();
    ds_iktatas->setParam(QStringLiteral("tol"), QDateTime(from, QTime(0, 0)));
    ds_iktatas->setParam(QStringLiteral("ig"), QDateTime(to.addDays(1), QTime(0, 0)));
    ds_iktatas->setParam(QStringLiteral("mit"), edit_kereses->text().trimmed());
    try {
        trIktatas->rollback(); // read anew: what others issued since is shown too
    } catch (const db::Error&) {
    }
    ds_iktatas->open();
}

void Tdokumentumok_form::Button1Click() {
    nyomtat();
}

void Tdokumentumok_form::Button2Click() {
    const std::optional<Job> j = job();
    if (!j) return;
    QString suggested = combo_sablon->currentText();
    if (rb_tanulo->isChecked())
        suggested += QLatin1Char(' ') + rb_tanulo->text().section(QStringLiteral(": "), 1);
    else if (combo_osztaly->currentIndex() >= 0)
        suggested += QLatin1Char(' ') + ui::itemLabel(combo_osztaly->currentText());
    for (QChar& c : suggested)
        if (QStringLiteral("\\/:*?\"<>|").contains(c)) c = QLatin1Char('_');
    QString path = output::outputs().saveFileName(this, QStringLiteral("Mentés PDF-be"),
                                                  QDir::home().filePath(suggested + QStringLiteral(".pdf")),
                                                  QStringLiteral("PDF-fájl (*.pdf)"));
    if (path.isEmpty()) return;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");
    pdfFor(*j, path);
}

void Tdokumentumok_form::Button3Click() {
    iktatas_listaz();
}

void Tdokumentumok_form::Button5Click() {
    if (!ds_iktatas->isOpen() || ds_iktatas->isEmpty()) {
        ui::warning(this, QStringLiteral("Nincs kijelölt dokumentum a listában."));
        return;
    }
    const int row = ds_iktatas->currentRow();
    const QString year = ds_iktatas->value(row, QStringLiteral("Tanév")).toString();
    const int number = ds_iktatas->value(row, QStringLiteral("Sorszám")).toInt();
    const QString what = QStringLiteral("%1/%2 – %3, %4")
                             .arg(number)
                             .arg(year, ds_iktatas->value(row, QStringLiteral("Dokumentum")).toString(),
                                  ds_iktatas->value(row, QStringLiteral("Tanuló")).toString());
    if (!ds_iktatas->value(row, QStringLiteral("Érvénytelenítve")).toString().isEmpty()) {
        ui::warning(this, QStringLiteral("Ez a dokumentum már érvénytelenítve van: %1.").arg(what));
        return;
    }
    const QString reason = edit_ok->text().trimmed();
    if (reason.isEmpty()) {
        ui::warning(this, QStringLiteral("Írja be az érvénytelenítés okát!"));
        edit_ok->setFocus();
        return;
    }
    if (!ui::confirmDefaultNo(this,
                              QStringLiteral("Érvényteleníti a dokumentumot?\r\r%1\rOka: %2\r\rAz iktatószám "
                                             "megmarad, és többé nem adható ki.")
                                  .arg(what, reason)))
        return;
    db::Transaction tr(DM->dbTanulo);
    try {
        db::Statement s(DM->dbTanulo, tr);
        s.prepare(QStringLiteral("execute procedure PRC_DOKUMENTUM_ERVENYTELENITESE(:tanev, :sorszam, :ok)"));
        s.bind({year.left(4).toInt(), number, reason});
        s.execute();
        s.free();
        tr.commit();
    } catch (const db::Error&) {
        try {
            tr.rollback();
        } catch (const db::Error&) {
        }
        throw;
    }
    edit_ok->clear();
    iktatas_listaz();
    valaszt(year.left(4).toInt(), number);
    ui::information(this, QStringLiteral("A dokumentum érvénytelenítve: %1.").arg(what));
}

void Tdokumentumok_form::lista(Lista how) {
    iktatas_listaz(); // as it is now
    if (!ds_iktatas->isOpen()) return;
    QStringList details{QStringLiteral("Időszak: %1 – %2").arg(edit_tol->text(), edit_ig->text())};
    if (!edit_kereses->text().trimmed().isEmpty())
        details << QStringLiteral("Keresés: %1").arg(edit_kereses->text().trimmed());
    details << QStringLiteral("Készült: %1").arg(QDate::currentDate().toString(db::kDateFormat));
    const output::Report r = output::Report::of(*ds_iktatas, QStringLiteral("Kiadott dokumentumok"), details);
    QString error;
    if (how == Lista::Nyomtatas) {
        QPrinter printer(QPrinter::HighResolution);
        output::setUpPrinter(printer, r);
        if (!output::outputs().choosePrinter(this, printer)) return;
        if (!output::printReport(printer, r))
            ui::error(this, QStringLiteral("A nyomtatás nem sikerült: a nyomtató nem érhető el."));
        return;
    }
    static const char* const kinds[][2] = {{"", ""},
                                           {".pdf", "PDF-fájl (*.pdf)"},
                                           {".csv", "CSV-fájl (*.csv)"},
                                           {".xlsx", "Excel-munkafüzet (*.xlsx)"}};
    const QString suffix = QString::fromLatin1(kinds[static_cast<int>(how)][0]);
    QString path =
        output::outputs().saveFileName(this, QStringLiteral("Mentés"),
                                       QDir::home().filePath(QStringLiteral("Kiadott dokumentumok") + suffix),
                                       QString::fromUtf8(kinds[static_cast<int>(how)][1]));
    if (path.isEmpty()) return;
    if (!path.endsWith(suffix, Qt::CaseInsensitive)) path += suffix;
    const bool written = how == Lista::Pdf   ? output::writePdf(path, r, error)
                         : how == Lista::Csv ? output::writeCsv(path, r, error)
                                             : output::writeXlsx(path, r, error);
    if (!written)
        ui::error(this, QStringLiteral("%1 fájl mentése nem sikerült: %2.")
                            .arg(ui::aAz(QDir::toNativeSeparators(path), true), error));
}

void Tdokumentumok_form::elonezet() {
    const std::optional<Job> j = job();
    if (!j) return;
    const QStringList htmls =
        documents::preview(DM->dbTanulo, j->sablon, j->year, j->students, QDate::currentDate(),
                           {{QStringLiteral("cel"), combo_cel->currentText()}});
    if (!previewDialog) {
        previewDialog = new QDialog(this);
        previewDialog->setObjectName(QStringLiteral("previewDialog"));
        previewDialog->setWindowModality(Qt::WindowModal);
        previewDialog->resize(660, 720);
        auto* layout = new QVBoxLayout(previewDialog);
        previewText = new QTextBrowser(previewDialog);
        previewText->setObjectName(QStringLiteral("previewText"));
        previewText->setAccessibleName(QStringLiteral("Előnézet"));
        layout->addWidget(previewText);
        auto* close = new QPushButton(QStringLiteral("&bezárás"), previewDialog);
        close->setObjectName(QStringLiteral("previewClose"));
        close->setDefault(true);
        layout->addWidget(close, 0, Qt::AlignHCenter);
        connect(close, &QPushButton::clicked, previewDialog, &QDialog::accept);
    }
    previewDialog->setWindowTitle(QStringLiteral("Előnézet – %1").arg(j->sablon.title));
    QFont base(QStringLiteral("Liberation Serif"));
    base.setPointSizeF(11);
    previewText->document()->setDefaultFont(base);
    // one document after another, as the pages will follow
    previewText->setHtml(htmls.join(QStringLiteral("<hr>")));
    previewDialog->open();
}

void Tdokumentumok_form::FormClose() {
    if (previewDialog) previewDialog->close();
    ds_iktatas->close();
    try {
        trIktatas->rollback();
    } catch (const db::Error&) {
    }
    main_form->childClosed();
}
