#include "naplo__form.h"

#include <QDir>

#include "Tanev.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "db/Values.h"
#include "main/main__form.h"
#include "output/Report.h"
#include "output/Xlsx.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Widgets.h"

Tnaplo_form* naplo_form = nullptr;

namespace {
// A date as it reads everywhere else: 2010.05.07.
QString shownValue(const QString& value) {
    return QStringLiteral("iif(m.mezo in ('szul_ido', 'kilepes_datum') and char_length(%1) = 10, "
                          "replace(%1, '-', '.') || '.', %1)")
        .arg(value);
}

QString logSql() {
    return QStringLiteral(
               "select n.mikor as \"Időpont\", n.muvelet as \"Művelet\", n.diak_nev as \"Tanuló\", ") +
           tanev::mezoNeveSql(QStringLiteral("m.mezo")) + QStringLiteral(" as \"Adat\", ") +
           shownValue(QStringLiteral("coalesce(m.regi, cast(substring(m.regi_hosszu from 1 for 2000) as "
                                     "varchar(2000)))")) +
           QStringLiteral(" as \"Régi érték\", ") +
           shownValue(QStringLiteral("coalesce(m.uj, cast(substring(m.uj_hosszu from 1 for 2000) as "
                                     "varchar(2000)))")) +
           QStringLiteral(
               // the workstation as a person names it; its address when it gave no name
               " as \"Új érték\", coalesce(nullif(trim(n.kliens_gep), ''), n.kliens_cim) as "
               "\"Munkaállomás\", coalesce(f.teljes_nev || ' (' || trim(n.felhasznalo) || ')', "
               "trim(n.felhasznalo)) as \"Felhasználó\" from table_naplo n left join table_naplo_mezo m on "
               "m.naplo_id = n.id left join table_fiok f on f.felhasznalo = n.felhasznalo "
               "where n.mikor >= :tol and n.mikor < :ig %1 order by n.mikor, n.id, m.mezo");
}
} // namespace

Tnaplo_form::Tnaplo_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("naplo_form"));
    setWindowTitle(QStringLiteral("Változásnapló"));
    setClientSize(860, 540);
    ui::bevel(this, QRect(4, 4, 852, 64));
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
                             QRect(74, 40, 500, 20));
    QLabel* l4 = ui::label(this, QStringLiteral("Label4"), QStringLiteral("Művelet:"), ui::arial(12),
                           QRect(470, 12, 68, 20));
    combo_muvelet = new QComboBox(this);
    combo_muvelet->setObjectName(QStringLiteral("combo_muvelet"));
    combo_muvelet->setFont(ui::arial(12, false));
    combo_muvelet->setGeometry(540, 11, 140, 22);
    ui::nameBy(l4, combo_muvelet);
    QLabel* l5 = ui::label(this, QStringLiteral("Label5"), QStringLiteral("Adat:"), ui::arial(12),
                           QRect(690, 12, 44, 20));
    combo_mezo = new QComboBox(this);
    combo_mezo->setObjectName(QStringLiteral("combo_mezo"));
    combo_mezo->setFont(ui::arial(12, false));
    combo_mezo->setGeometry(736, 11, 116, 22);
    ui::nameBy(l5, combo_mezo);
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("Minden tanuló"), ui::arial(12),
                         QRect(588, 38, 140, 24), true);
    dbg_naplo = ui::grid(this, QStringLiteral("dbg_naplo"), QRect(4, 74, 852, 424));
    dbg_naplo->setStretchField(QStringLiteral("Új érték"));
    trNaplo = new db::Transaction(DM->dbTanulo, this, db::Transaction::Access::ReadOnly);
    ds_naplo = new db::Dataset(DM->dbTanulo, *trNaplo, this);
    ds_naplo->setObjectName(QStringLiteral("ds_naplo"));
    ds_naplo->setFirstScreenBounded(true);
    dbg_naplo->setDataset(ds_naplo);
    Button3 = ui::button(this, QStringLiteral("Button3"), QStringLiteral("Mentés CSV-be…"), ui::arial(12),
                         QRect(4, 506, 160, 26), true);
    Button5 = ui::button(this, QStringLiteral("Button5"), QStringLiteral("Mentés Excelbe…"), ui::arial(12),
                         QRect(172, 506, 160, 26), true);
    Button4 = ui::button(this, QStringLiteral("Button4"), QStringLiteral("bezárás"), ui::arial(12),
                         QRect(716, 508, 140, 22), true);
    QWidget* order[] = {edit_tol, edit_ig,   Button1, combo_muvelet, combo_mezo,
                        Button2,  dbg_naplo, Button3, Button5,       Button4};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] {
                studentId_ = 0;
                label_tanulo->setText(QStringLiteral("mindenki"));
                Button1Click();
            }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] {
                QString path =
                    output::outputs().saveFileName(this, QStringLiteral("Mentés CSV-be"),
                                                   QDir::home().filePath(QStringLiteral("Változásnapló.csv")),
                                                   QStringLiteral("CSV-fájl (*.csv)"));
                if (!path.isEmpty()) csv_ment(path);
            }));
    connect(Button5, &QPushButton::clicked, this, ui::guard([this] {
                QString path = output::outputs().saveFileName(
                    this, QStringLiteral("Mentés Excelbe"),
                    QDir::home().filePath(QStringLiteral("Változásnapló.xlsx")),
                    QStringLiteral("Excel-munkafüzet (*.xlsx)"));
                if (path.isEmpty()) return;
                if (!path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
                    path += QStringLiteral(".xlsx");
                QString error;
                if (!output::writeXlsx(path, report(), error)) ui::error(this, error);
            }));
    for (QComboBox* c : {combo_muvelet, combo_mezo})
        connect(c, &QComboBox::activated, this, ui::guard([this] { Button1Click(); }));
    connect(Button4, &QPushButton::clicked, this, [this] { close(); });
    setKeys(Button1);
}

void Tnaplo_form::reset(const QDate& from) {
    // what the log holds to narrow by: every operation, every field
    db::Transaction tr(DM->dbTanulo, nullptr, db::Transaction::Access::ReadOnly);
    const std::pair<QComboBox*, QString> choices[] = {
        {combo_muvelet, QStringLiteral("select distinct muvelet, muvelet from table_naplo order by 1")},
        {combo_mezo, QStringLiteral("select distinct m.mezo, ") +
                         tanev::mezoNeveSql(QStringLiteral("m.mezo")) +
                         QStringLiteral(" from table_naplo_mezo m order by 2")}};
    for (const auto& [combo, sql] : choices) {
        combo->clear();
        combo->addItem(QStringLiteral("mind"));
        db::Statement s(DM->dbTanulo, tr);
        s.prepare(sql);
        s.execute();
        while (s.fetch())
            combo->addItem(db::displayText(s.value(1)), db::displayText(s.value(0)));
        s.closeCursor();
    }
    tr.commit();
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

bool Tnaplo_form::Button1Click() {
    const QDate from = db::parseDate(edit_tol->text().trimmed());
    const QDate to = db::parseDate(edit_ig->text().trimmed());
    if (!from.isValid() || !to.isValid()) {
        ui::warning(this, QStringLiteral("Az időszak kezdete és vége dátum, például %1")
                              .arg(QDate::currentDate().toString(db::kDateFormat)));
        return false;
    }
    ds_naplo->close();
    try {
        trNaplo->rollback(); // read anew: what changed since is listed too
    } catch (const db::Error&) {
    }
    tanev::naploOsszevon(DM->dbTanulo);
    QString where = studentId_ ? QStringLiteral("and n.diak_id = :d") : QString();
    if (combo_muvelet->currentIndex() > 0) where += QStringLiteral(" and n.muvelet = :muvelet");
    if (combo_mezo->currentIndex() > 0) where += QStringLiteral(" and m.mezo = :mezo");
    ds_naplo->setSelectSQL(logSql().arg(where));
    ds_naplo->clearParams();
    ds_naplo->setParam(QStringLiteral("tol"), QDateTime(from, QTime(0, 0)));
    ds_naplo->setParam(QStringLiteral("ig"), QDateTime(to.addDays(1), QTime(0, 0)));
    if (studentId_) ds_naplo->setParam(QStringLiteral("d"), studentId_);
    if (combo_muvelet->currentIndex() > 0)
        ds_naplo->setParam(QStringLiteral("muvelet"), combo_muvelet->currentData());
    if (combo_mezo->currentIndex() > 0) ds_naplo->setParam(QStringLiteral("mezo"), combo_mezo->currentData());
    ds_naplo->open();
    return true;
}

output::Report Tnaplo_form::report() {
    QStringList details{label_tanulo->text(),
                        QStringLiteral("%1 – %2").arg(edit_tol->text(), edit_ig->text())};
    if (combo_muvelet->currentIndex() > 0)
        details << QStringLiteral("Művelet: %1").arg(combo_muvelet->currentText());
    if (combo_mezo->currentIndex() > 0) details << QStringLiteral("Adat: %1").arg(combo_mezo->currentText());
    return output::Report::of(*ds_naplo, QStringLiteral("Változásnapló"), details);
}

bool Tnaplo_form::csv_ment(const QString& path) {
    QString error;
    if (output::writeCsv(path, report(), error)) return true;
    ui::error(this, error);
    return false;
}

void Tnaplo_form::FormClose() {
    ds_naplo->close();
    try {
        trNaplo->rollback();
    } catch (const db::Error&) {
    }
    main_form->childClosed();
}
