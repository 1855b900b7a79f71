#include "belepes__form.h"

#include <QLabel>

#include "Fiok.h"
#include "ui/ChildWindow.h"
#include "ui/Widgets.h"

Tbelepes_form::Tbelepes_form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("belepes_form"));
    setWindowTitle(QStringLiteral("Bejelentkezés"));
    setFixedSize(360, 132);
    QLabel* l1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Felhasználónév:"), ui::arial(12),
                           QRect(10, 14, 130, 20));
    e_nev = new QLineEdit(this);
    e_nev->setObjectName(QStringLiteral("e_nev"));
    e_nev->setGeometry(146, 13, 200, 22);
    e_nev->setFont(ui::arial(12, false));
    e_nev->setMaxLength(63);
    ui::nameBy(l1, e_nev);
    QLabel* l2 = ui::label(this, QStringLiteral("Label2"), QStringLiteral("Jelszó:"), ui::arial(12),
                           QRect(10, 46, 130, 20));
    e_jelszo = new QLineEdit(this);
    e_jelszo->setObjectName(QStringLiteral("e_jelszo"));
    e_jelszo->setGeometry(146, 45, 200, 22);
    e_jelszo->setFont(ui::arial(12, false));
    e_jelszo->setEchoMode(QLineEdit::Password);
    e_jelszo->setMaxLength(fiok::kJelszoMax);
    ui::nameBy(l2, e_jelszo);
    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("&Belépés"), ui::arial(12),
                         QRect(146, 88, 96, 28), true);
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("&Mégse"), ui::arial(12),
                         QRect(250, 88, 96, 28), true);
    Button1->setDefault(true);
    setTabOrder(e_nev, e_jelszo);
    setTabOrder(e_jelszo, Button1);
    setTabOrder(Button1, Button2);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}
