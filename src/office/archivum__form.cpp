#include "archivum__form.h"

#include <QDir>
#include <QPrinter>

#include "Tanev.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Values.h"
#include "documents/Documents.h"
#include "main/main__form.h"
#include "output/Report.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Nevelo.h"
#include "ui/Widgets.h"

Tarchivum_form* archivum_form = nullptr;

namespace {

const QString kColumns = QStringLiteral(
    "select a.id as \"ID\", a.nev as \"Név\", a.szul_ido as \"Születési idő\", "
    "a.utolso_osztaly_szam || '.' || a.utolso_osztaly_betu as \"Utolsó osztály\", "
    "a.kilepes_datum as \"Kilépés\", FN_KILEPES_OKA(a.kilepes_ok) as \"Oka\" from table_diak_archiv a");
// Bounds on the name index, as the main list's quick search uses them.
QString searchSql(int nameLength) {
    return kColumns +
           QStringLiteral(" where a.nev >= :tol and a.nev < CAST(:ig AS VARCHAR(%1) CHARACTER SET "
                          "UTF8) || CAST(x'EFBFBF' AS VARCHAR(1) CHARACTER SET UTF8) and a.nev LIKE "
                          "CAST(:nev AS VARCHAR(%2)) order by a.nev, a.id")
               .arg(nameLength + 2)
               .arg(nameLength + 1);
}

QString row(const QString& caption, const QString& value) {
    return QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
        .arg(caption.toHtmlEscaped(),
             value.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")));
}

} // namespace

QString osztalytortenet_html(db::Transaction& tr, int studentId) {
    db::Statement s(tr.connection(), tr);
    s.prepare(
        QStringLiteral("select mikor, esemeny, tanev, osztaly_szam, osztaly_betu from table_osztaly_tortenet "
                       "where diak_id = :d order by tanev, id"));
    s.bind({studentId});
    s.execute();
    QString html;
    while (s.fetch()) {
        const QString tanev = s.isNull(2) ? QString() : tanev::tanevSzoveg(s.value(2).toInt());
        const QString osztaly =
            s.isNull(3) ? QStringLiteral("–")
                        : QStringLiteral("%1.%2").arg(s.value(3).toInt()).arg(db::displayText(s.value(4)));
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td></tr>")
                    .arg(s.value(0).toDateTime().toString(QStringLiteral("yyyy.MM.dd.")),
                         db::displayText(s.value(1)).toHtmlEscaped(), tanev, osztaly.toHtmlEscaped());
    }
    s.closeCursor();
    if (html.isEmpty()) return {};
    return QStringLiteral("<table cellspacing=0 cellpadding=3 border=1><tr><th>Dátum</th><th>Esemény</th>"
                          "<th>Tanév</th><th>Osztály</th></tr>") +
           html + QStringLiteral("</table>");
}

Tarchivum_form::Tarchivum_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("archivum_form"));
    setWindowTitle(QStringLiteral("Kilépett tanulók archívuma"));
    setClientSize(820, 560);

    ui::bevel(this, QRect(4, 4, 812, 272));
    QLabel* l1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Keresés névre:"), ui::arial(12),
                           QRect(10, 12, 110, 20));
    edit_kereses = new QLineEdit(this);
    edit_kereses->setObjectName(QStringLiteral("edit_kereses"));
    edit_kereses->setFont(ui::arial(12, false));
    edit_kereses->setGeometry(124, 11, 240, 21);
    ui::nameBy(l1, edit_kereses);
    dbg_archiv = ui::grid(this, QStringLiteral("dbg_archiv"), QRect(10, 40, 800, 228));
    dbg_archiv->setAccessibleName(QStringLiteral("A kilépett tanulók"));
    dbg_archiv->setStretchField(QStringLiteral("Név"));
    trArchiv = new db::Transaction(DM->dbTanulo, this, db::Transaction::Access::ReadOnly);
    ds_archiv = new db::Dataset(DM->dbTanulo, *trArchiv, this);
    ds_archiv->setObjectName(QStringLiteral("ds_archiv"));
    ds_archiv->setFirstScreenBounded(true);
    ds_archiv->setKeyField(QStringLiteral("ID"));
    dbg_archiv->setDataset(ds_archiv);

    ui::bevel(this, QRect(4, 280, 520, 276));
    m_adatok = new QTextBrowser(this);
    m_adatok->setObjectName(QStringLiteral("m_adatok"));
    m_adatok->setGeometry(10, 286, 508, 264);
    m_adatok->setAccessibleName(QStringLiteral("A kijelölt tanuló adatai"));

    ui::bevel(this, QRect(528, 280, 288, 276));
    ui::label(this, QStringLiteral("Label2"), QStringLiteral("Visszavétel"), ui::arial(13),
              QRect(536, 286, 270, 20));
    QLabel* l3 = ui::label(this, QStringLiteral("Label3"), QStringLiteral("Osztály:"), ui::arial(12),
                           QRect(536, 314, 70, 20));
    combo_osztaly =
        ui::idCombo(this, QStringLiteral("combo_osztaly"), ui::arial(12), QRect(610, 313, 130, 22));
    ui::nameBy(l3, combo_osztaly);
    QLabel* l4 = ui::label(this, QStringLiteral("Label4"), QStringLiteral("Tanév:"), ui::arial(12),
                           QRect(536, 342, 70, 20));
    edit_tanev = new QLineEdit(this);
    edit_tanev->setObjectName(QStringLiteral("edit_tanev"));
    edit_tanev->setFont(ui::arial(12, false));
    edit_tanev->setGeometry(610, 341, 50, 21);
    edit_tanev->setMaxLength(4);
    ui::nameBy(l4, edit_tanev);
    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("Visszavétel"), ui::arial(12),
                         QRect(610, 368, 160, 26), true);
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("Adatlap…"), ui::arial(12),
                         QRect(536, 408, 136, 26), true);
    Button3 = ui::button(this, QStringLiteral("Button3"), QStringLiteral("Változásnapló…"), ui::arial(12),
                         QRect(676, 408, 136, 26), true);
    Button4 = ui::button(this, QStringLiteral("Button4"), QStringLiteral("Nyomtatás…"), ui::arial(12),
                         QRect(536, 440, 136, 26), true);
    Button5 = ui::button(this, QStringLiteral("Button5"), QStringLiteral("Mentés PDF-be…"), ui::arial(12),
                         QRect(676, 440, 136, 26), true);
    Button6 = ui::button(this, QStringLiteral("Button6"), QStringLiteral("Mentés CSV-be…"), ui::arial(12),
                         QRect(676, 472, 136, 26), true);
    Button8 = ui::button(this, QStringLiteral("Button8"), QStringLiteral("Hozzáférés…"), ui::arial(12),
                         QRect(536, 472, 136, 26), true);
    Button7 = ui::button(this, QStringLiteral("Button7"), QStringLiteral("bezárás"), ui::arial(12),
                         QRect(676, 526, 136, 22), true);
    QWidget* order[] = {edit_kereses, dbg_archiv, m_adatok, combo_osztaly, edit_tanev, Button1, Button2,
                        Button3,      Button4,    Button5,  Button6,       Button8,    Button7};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(edit_kereses, &QLineEdit::textChanged, this, ui::guard([this] { edit_keresesChange(); }));
    connect(ds_archiv, &db::Dataset::currentRowChanged, this, ui::guard([this] { adatok_mutat(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
    connect(Button5, &QPushButton::clicked, this, ui::guard([this] {
                const QString path = output::outputs().saveFileName(
                    this, QStringLiteral("Mentés PDF-be"),
                    QDir::home().filePath(QStringLiteral("Kilépett tanulók.pdf")),
                    QStringLiteral("PDF-fájl (*.pdf)"));
                if (!path.isEmpty()) pdf_ment(path);
            }));
    connect(Button6, &QPushButton::clicked, this, ui::guard([this] {
                const QString path = output::outputs().saveFileName(
                    this, QStringLiteral("Mentés CSV-be"),
                    QDir::home().filePath(QStringLiteral("Kilépett tanulók.csv")),
                    QStringLiteral("CSV-fájl (*.csv)"));
                if (!path.isEmpty()) csv_ment(path);
            }));
    connect(Button7, &QPushButton::clicked, this, [this] { close(); });
    setKeys(Button2);
}

int Tarchivum_form::chosenId() const {
    if (!ds_archiv->isOpen() || ds_archiv->currentRow() < 0) return 0;
    return ds_archiv->value(ds_archiv->currentRow(), QStringLiteral("ID")).toInt();
}

void Tarchivum_form::prepareOpen() {
    QStringList lines;
    main_form->combo_targyak_feltolt(
        combo_osztaly,
        main_form->query(
            false,
            QStringLiteral("select id, osztaly_szam || '.' || osztaly_betu from table_osztaly order "
                           "by osztaly_szam, osztaly_betu"),
            {}, lines));
    edit_tanev->setText(QString::number(tanev::aktualis(DM->dbTanulo, QDate::currentDate())));
    edit_kereses->blockSignals(true);
    edit_kereses->clear();
    edit_kereses->blockSignals(false);
    edit_keresesChange();
}

void Tarchivum_form::edit_keresesChange() {
    ds_archiv->close();
    try {
        trArchiv->rollback(); // read anew: who left since is listed too
    } catch (const db::Error&) {
    }
    ds_archiv->clearParams();
    const QString text = edit_kereses->text();
    const int length = DM->columnLength(QStringLiteral("table_diak_archiv"), QStringLiteral("nev"));
    const Tmain_form::QuickSearch search = Tmain_form::quickSearch(text, length);
    if (text.isEmpty()) {
        ds_archiv->setSelectSQL(kColumns + QStringLiteral(" order by a.nev, a.id"));
    } else if (search.params.empty()) {
        ds_archiv->setSelectSQL(kColumns + QStringLiteral(" where 1 = 0"));
    } else {
        ds_archiv->setSelectSQL(searchSql(length));
        for (const auto& [name, value] : search.params)
            ds_archiv->setParam(name, value);
    }
    ds_archiv->open();
    adatok_mutat();
}

void Tarchivum_form::adatok_mutat() {
    const int id = chosenId();
    if (!id) {
        m_adatok->clear();
        return;
    }
    db::Transaction tr(DM->dbTanulo, nullptr, db::Transaction::Access::ReadOnly);
    db::Statement s(DM->dbTanulo, tr);
    s.prepare(QStringLiteral(
        "select a.nev, a.szul_hely, a.szul_ido, a.anyja_nev, a.diak_cim_varos, a.diak_cim, a.diak_tel, "
        "a.gondviselo_nev, a.gondviselo_cim, a.gondviselo_tel, a.diak_taj, a.diak_OM, a.diak_diak, "
        "a.sz_szam, "
        "n.nyelv_nev, a.evfolyam, a.utolso_osztaly_szam || '.' || a.utolso_osztaly_betu, "
        "a.utolso_osztaly_szak, "
        "a.kilepes_datum, a.kilepes_ok, a.kilepes_megjegyzes, a.mj, "
        "trim(coalesce(a.fogado_iskola, '') || coalesce(' (OM ' || a.fogado_om || ')', '')), "
        "FN_ADATAI_TOROLVE(a.id) "
        "from table_diak_archiv a "
        "left join table_nyelv n on n.id = a.tanult_nyelv_ID where a.id = :id"));
    s.bind({id});
    s.execute();
    if (!s.fetch()) {
        m_adatok->setHtml(QStringLiteral("<p>A tanulót időközben visszavették vagy törölték.</p>"));
        return;
    }
    const char* captions[] = {"Név",
                              "Születési hely",
                              "Születési idő",
                              "Anyja neve",
                              "Város",
                              "Lakcím",
                              "Telefon",
                              "Gondviselő neve",
                              "Gondviselő címe",
                              "Gondviselő telefonja",
                              "TAJ szám",
                              "OM azonosító",
                              "Diákigazolvány",
                              "Személyi igazolvány",
                              "Tanult nyelv",
                              "Utolsó tanév",
                              "Utolsó osztály",
                              "Tagozat/szak",
                              "Kilépés dátuma",
                              "Kilépés oka",
                              "Megjegyzés a kilépéshez",
                              "Megjegyzés",
                              "Fogadó iskola"};
    QString html = QStringLiteral("<table cellspacing=0 cellpadding=2>");
    for (int c = 0; c < 23; ++c) {
        QString value = db::displayText(s.value(c));
        if (c == 15 && !s.isNull(c)) value = tanev::tanevSzoveg(s.value(c).toInt());
        if (c == 19) value = tanev::okSzoveg(s.value(c).toInt());
        if (c == 22 && value.isEmpty()) continue;
        html += row(QString::fromUtf8(captions[c]), value);
    }
    // what the school's periods have cleared of her
    const QString torolve = s.isNull(23) ? QString() : db::displayText(s.value(23));
    s.closeCursor();
    if (!torolve.isEmpty()) html += row(QStringLiteral("Adatmegőrzés"), torolve);
    html += QStringLiteral("</table><p><b>Osztálytörténet</b></p>") + osztalytortenet_html(tr, id);
    tr.commit();
    m_adatok->setHtml(html);
}

bool Tarchivum_form::Button1Click() {
    const int id = chosenId();
    if (!id) {
        ui::warning(this, QStringLiteral("Nincs kijelölt tanuló a listában."));
        return false;
    }
    if (combo_osztaly->currentIndex() < 0) {
        ui::warning(this, QStringLiteral("Válassza ki, melyik osztályba kerül vissza a tanuló!"));
        return false;
    }
    bool ok = false;
    const int year = edit_tanev->text().toInt(&ok);
    if (!ok || edit_tanev->text().size() != 4 || year < 1900) {
        ui::warning(this, QStringLiteral("A tanév kezdő éve négy számjegy, például %1.")
                              .arg(tanev::aktualis(DM->dbTanulo, QDate::currentDate())));
        return false;
    }
    const QString name = ds_archiv->value(ds_archiv->currentRow(), QStringLiteral("Név")).toString();
    if (!ui::confirm(this, QStringLiteral("Visszaveszi a következő tanulót %1 osztályba, %2. tanévre?\r\r%3")
                               .arg(ui::aAz(ui::itemLabel(combo_osztaly->currentText())),
                                    ui::aAz(tanev::tanevSzoveg(year)), name)))
        return false;
    try {
        tanev::visszavesz(DM->dbTanulo, id, combo_osztaly->chosenId(), year);
    } catch (const db::Error& e) {
        QString text;
        main_form->hiba_kiir(e, text);
        ui::error(this, text);
        edit_keresesChange();
        return false;
    }
    DM->dataset_Tanulok.refresh();
    main_form->akt_letszam();
    edit_keresesChange();
    ui::information(this, QStringLiteral("%1 visszakerült a nyilvántartásba.").arg(name));
    return true;
}

namespace {
output::Report archiveReport(db::Dataset& list, const QString& search) {
    QStringList details;
    if (!search.isEmpty()) details << QStringLiteral("Keresés: %1").arg(search);
    details << QStringLiteral("Készült: %1").arg(QDate::currentDate().toString(db::kDateFormat));
    output::Report r = output::Report::of(list, QStringLiteral("Kilépett tanulók"), details);
    return r;
}
} // namespace

void Tarchivum_form::Button4Click() {
    const output::Report r = archiveReport(*ds_archiv, edit_kereses->text());
    QPrinter printer(QPrinter::HighResolution);
    output::setUpPrinter(printer, r);
    if (!output::outputs().choosePrinter(this, printer)) return;
    if (!output::printReport(printer, r))
        ui::error(this, QStringLiteral("A nyomtatás nem sikerült: a nyomtató nem érhető el."));
}

bool Tarchivum_form::pdf_ment(const QString& path) {
    QString error;
    if (output::writePdf(path, archiveReport(*ds_archiv, edit_kereses->text()), error)) return true;
    ui::error(this, error);
    return false;
}

bool Tarchivum_form::csv_ment(const QString& path) {
    QString error;
    if (output::writeCsv(path, archiveReport(*ds_archiv, edit_kereses->text()), error)) return true;
    ui::error(this, error);
    return false;
}

void Tarchivum_form::FormClose() {
    ds_archiv->close();
    try {
        trArchiv->rollback();
    } catch (const db::Error&) {
    }
    main_form->childClosed();
}
