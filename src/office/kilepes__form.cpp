#include "kilepes__form.h"

#include "Tanev.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "db/Values.h"
#include "main/main__form.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Widgets.h"

Tkilepes_form* kilepes_form = nullptr;

Tkilepes_form::Tkilepes_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("kilepes_form"));
    setWindowTitle(QStringLiteral("Tanuló kilépése"));
    setClientSize(470, 270);
    ui::bevel(this, QRect(4, 4, 462, 222));
    label_nev =
        ui::label(this, QStringLiteral("label_nev"), QString(), ui::arial(13), QRect(12, 10, 446, 22));
    QLabel* l1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("A kilépés dátuma:"), ui::arial(12),
                           QRect(10, 42, 140, 20));
    l1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit_datum = new QLineEdit(this);
    edit_datum->setObjectName(QStringLiteral("edit_datum"));
    edit_datum->setFont(ui::arial(12, false));
    edit_datum->setGeometry(156, 42, 110, 21);
    ui::nameBy(l1, edit_datum);
    QLabel* l2 = ui::label(this, QStringLiteral("Label2"), QStringLiteral("Oka:"), ui::arial(12),
                           QRect(10, 70, 140, 20));
    l2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    combo_ok = new QComboBox(this);
    combo_ok->setObjectName(QStringLiteral("combo_ok"));
    combo_ok->setFont(ui::arial(12, false));
    combo_ok->setGeometry(156, 69, 300, 22);
    for (int ok : {tanev::Vegzett, tanev::Tavozott, tanev::Egyeb})
        combo_ok->addItem(tanev::okSzoveg(ok), ok);
    ui::nameBy(l2, combo_ok);
    QLabel* l3 = ui::label(this, QStringLiteral("Label3"), QStringLiteral("Megjegyzés:"), ui::arial(12),
                           QRect(10, 98, 140, 20));
    l3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_megjegyzes = new QPlainTextEdit(this);
    m_megjegyzes->setObjectName(QStringLiteral("m_megjegyzes"));
    m_megjegyzes->setFont(ui::arial(12, false));
    m_megjegyzes->setGeometry(156, 98, 300, 118);
    m_megjegyzes->setTabChangesFocus(true);
    ui::nameBy(l3, m_megjegyzes);
    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("Kilépés"), ui::arial(12),
                         QRect(156, 234, 140, 28), true);
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("Mégsem"), ui::arial(12),
                         QRect(316, 238, 140, 22), true);
    setTabOrder(edit_datum, combo_ok);
    setTabOrder(combo_ok, m_megjegyzes);
    setTabOrder(m_megjegyzes, Button1);
    setTabOrder(Button1, Button2);
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] {
                if (Button1Click()) close();
            }));
    connect(Button2, &QPushButton::clicked, this, [this] { close(); });
}

void Tkilepes_form::prepareForStudent(int studentId, const QString& name) {
    studentId_ = studentId;
    label_nev->setText(name);
    edit_datum->setText(QDate::currentDate().toString(db::kDateFormat));
    combo_ok->setCurrentIndex(1);
    m_megjegyzes->clear();
}

bool Tkilepes_form::Button1Click() {
    const int ok = combo_ok->currentData().toInt();
    const QString problem = tanev::kilepesHiba(edit_datum->text(), ok, m_megjegyzes->toPlainText());
    if (!problem.isEmpty()) {
        ui::warning(problem);
        return false;
    }
    try {
        tanev::kilep(DM->dbTanulo, studentId_, db::parseDate(edit_datum->text().trimmed()), ok,
                     m_megjegyzes->toPlainText());
    } catch (const db::Error& e) {
        QString text;
        main_form->hiba_kiir(e, text);
        ui::error(text);
        return false;
    }
    DM->dataset_Tanulok.refresh();
    main_form->akt_letszam();
    ui::information(QStringLiteral("%1 kilépett; adatai a kilépett tanulók archívumában maradnak.")
                        .arg(label_nev->text()));
    return true;
}

void Tkilepes_form::FormClose() {
    main_form->childClosed();
}
