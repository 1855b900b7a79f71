#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

// Asked only when the server refuses the program's own login: the person's user name and
// password. The password stays in memory, never in a file.
class Tbelepes_form : public QDialog {
    Q_OBJECT
  public:
    explicit Tbelepes_form(QWidget* parent = nullptr);

    QLineEdit* e_nev;
    QLineEdit* e_jelszo;
    QPushButton* Button1; // Belépés
    QPushButton* Button2; // Mégse
};
