#include "hozzaferes__form.h"

#include <QDir>

#include "Hozzaferes.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "main/main__form.h"
#include "output/Report.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Nevelo.h"
#include "ui/Widgets.h"

Thozzaferes_form* hozzaferes_form = nullptr;

Thozzaferes_form::Thozzaferes_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("hozzaferes_form"));
    setWindowTitle(QStringLiteral("Hozzáférési kérelem"));
    setClientSize(520, 250);
    ui::bevel(this, QRect(4, 4, 512, 200));
    label_nev =
        ui::label(this, QStringLiteral("label_nev"), QString(), ui::arial(13), QRect(12, 10, 496, 22));
    label_tartalom = ui::label(
        this, QStringLiteral("label_tartalom"),
        QStringLiteral("A tanuló minden tárolt adata: személyes és további adatai, jogállásai a határozatok "
                       "keltével, osztálytörténete, a kiadott dokumentumok iktatószámmal és "
                       "érvénytelenítéssel, a változásnapló róla szóló eseményei (ki végezte), és hogy ki "
                       "tekintette meg a jogállásait. Egy PDF-fájl a szülőnek, és mellé egy Excel-munkafüzet "
                       "(részenként egy munkalap), mindkettő a készítés idejével és a készítő nevével. A "
                       "készítés a változásnaplóba kerül."),
        ui::arial(12, false), QRect(12, 38, 496, 160));
    label_tartalom->setWordWrap(true);
    label_tartalom->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("Mentés PDF-be és Excelbe…"),
                         ui::arial(12), QRect(12, 214, 260, 26), true);
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("bezárás"), ui::arial(12),
                         QRect(376, 218, 140, 22), true);
    setTabOrder(Button1, Button2);
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, [this] { close(); });
    setKeys(Button1);
}

void Thozzaferes_form::prepareForStudent(int studentId, const QString& name) {
    studentId_ = studentId;
    name_ = name;
    label_nev->setText(QStringLiteral("%1 (azonosító: %2)").arg(name).arg(studentId));
}

bool Thozzaferes_form::Button1Click() {
    QString path = output::outputs().saveFileName(
        this, QStringLiteral("Mentés PDF-be és Excelbe"),
        QDir::home().filePath(QStringLiteral("%1 – tárolt adatok.pdf").arg(name_)),
        QStringLiteral("PDF-fájl (*.pdf)"));
    if (path.isEmpty()) return false;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");
    return ment(path);
}

bool Thozzaferes_form::ment(const QString& pdfPath) {
    const QString xlsxPath = pdfPath.left(pdfPath.size() - 4) + QStringLiteral(".xlsx");
    QString error;
    const hozzaferes::Kerelem k = hozzaferes::osszegyujt(DM->dbTanulo, studentId_);
    if (!hozzaferes::ment(DM->dbTanulo, k, pdfPath, xlsxPath, error)) {
        ui::error(this, QStringLiteral("A fájlok mentése nem sikerült: %1.").arg(error));
        return false;
    }
    ui::information(this, QStringLiteral("Elkészült:\r%1\r%2")
                              .arg(QDir::toNativeSeparators(pdfPath), QDir::toNativeSeparators(xlsxPath)));
    return true;
}

void Thozzaferes_form::FormClose() {
    main_form->childClosed();
}
