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
    setClientSize(470, 318);
    ui::bevel(this, QRect(4, 4, 462, 270));
    label_nev =
        ui::label(this, QStringLiteral("label_nev"), QString(), ui::arial(13), QRect(12, 10, 446, 22));
    const auto caption = [this](const char* name, const QString& text, int y) {
        QLabel* l = ui::label(this, QString::fromLatin1(name), text, ui::arial(12), QRect(10, y, 140, 20));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    const auto line = [this](const char* name, const QRect& r) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setFont(ui::arial(12, false));
        e->setGeometry(r);
        return e;
    };
    QLabel* l1 = caption("Label1", QStringLiteral("A kilépés dátuma:"), 42);
    edit_datum = line("edit_datum", QRect(156, 42, 110, 21));
    ui::nameBy(l1, edit_datum);
    QLabel* l2 = caption("Label2", QStringLiteral("Oka:"), 70);
    combo_ok = new QComboBox(this);
    combo_ok->setObjectName(QStringLiteral("combo_ok"));
    combo_ok->setFont(ui::arial(12, false));
    combo_ok->setGeometry(156, 69, 300, 22);
    for (int ok : tanev::okok())
        combo_ok->addItem(tanev::okSzoveg(ok), ok);
    ui::nameBy(l2, combo_ok);
    QLabel* l4 = caption("Label4", QStringLiteral("Fogadó iskola:"), 98);
    edit_iskola = line("edit_iskola", QRect(156, 98, 300, 21));
    edit_iskola->setMaxLength(200);
    ui::nameBy(l4, edit_iskola);
    QLabel* l5 = caption("Label5", QStringLiteral("OM azonosítója:"), 126);
    edit_om = line("edit_om", QRect(156, 126, 80, 21));
    edit_om->setMaxLength(6);
    ui::nameBy(l5, edit_om);
    QLabel* l3 = caption("Label3", QStringLiteral("Megjegyzés:"), 154);
    m_megjegyzes = new QPlainTextEdit(this);
    m_megjegyzes->setObjectName(QStringLiteral("m_megjegyzes"));
    m_megjegyzes->setFont(ui::arial(12, false));
    m_megjegyzes->setGeometry(156, 154, 300, 110);
    m_megjegyzes->setTabChangesFocus(true);
    ui::nameBy(l3, m_megjegyzes);
    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("Kilépés"), ui::arial(12),
                         QRect(156, 282, 140, 28), true);
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("Mégse"), ui::arial(12),
                         QRect(316, 286, 140, 22), true);
    QWidget* order[] = {edit_datum, combo_ok, edit_iskola, edit_om, m_megjegyzes, Button1, Button2};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    // the receiving school only for who went to another school
    connect(combo_ok, &QComboBox::currentIndexChanged, this, [this] {
        const bool school = combo_ok->currentData().toInt() == tanev::Tavozott;
        edit_iskola->setEnabled(school);
        edit_om->setEnabled(school);
    });
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] {
                if (Button1Click()) close();
            }));
    connect(Button2, &QPushButton::clicked, this, [this] { close(); });
    setKeys(Button1, [this] {
        return edit_datum->isModified() || edit_iskola->isModified() || edit_om->isModified() ||
               m_megjegyzes->document()->isModified();
    });
}

void Tkilepes_form::prepareForStudent(int studentId, const QString& name) {
    studentId_ = studentId;
    label_nev->setText(name);
    edit_datum->setText(QDate::currentDate().toString(db::kDateFormat));
    combo_ok->setCurrentIndex(combo_ok->findData(tanev::Tavozott));
    edit_iskola->clear();
    edit_om->clear();
    m_megjegyzes->clear();
    m_megjegyzes->document()->setModified(false);
}

bool Tkilepes_form::Button1Click() {
    const int ok = combo_ok->currentData().toInt();
    const tanev::FogadoIskola iskola = ok == tanev::Tavozott
                                           ? tanev::FogadoIskola{edit_iskola->text(), edit_om->text()}
                                           : tanev::FogadoIskola{};
    const QString problem = tanev::kilepesHiba(edit_datum->text(), ok, m_megjegyzes->toPlainText(), iskola);
    if (!problem.isEmpty()) {
        ui::warning(this, problem);
        return false;
    }
    try {
        tanev::kilep(DM->dbTanulo, studentId_, db::parseDate(edit_datum->text().trimmed()), ok,
                     m_megjegyzes->toPlainText(), iskola);
    } catch (const db::Error& e) {
        QString text;
        main_form->hiba_kiir(e, text);
        ui::error(this, text);
        return false;
    }
    DM->dataset_Tanulok.refresh();
    main_form->akt_letszam();
    ui::information(this, QStringLiteral("%1 kilépett; adatai a kilépett tanulók archívumában maradnak.")
                              .arg(label_nev->text()));
    return true;
}

void Tkilepes_form::FormClose() {
    main_form->childClosed();
}
