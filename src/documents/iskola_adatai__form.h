#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/ChildWindow.h"

// The school's own data, kept in the database so that every workstation prints the same
// heading, place and head's name on its documents.
class Tiskola_adatai_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Tiskola_adatai_form(QWidget* parent = nullptr);
    void prepareOpen();
    void Button1Click(); // Mentés

    QLineEdit* e_nev;
    QLineEdit* e_cim;
    QLineEdit* e_om;
    QLineEdit* e_igazgato;
    QLineEdit* e_kelt_helye;
    QLineEdit* e_utolso_evfolyam;
    QComboBox* combo_alairo; // the head, or a deputy on the head's behalf
    QLineEdit* e_helyettes_nev;
    QLineEdit* e_helyettes_beosztas;
    QPushButton* Button1;
    QPushButton* Button2;

  protected:
    void FormClose() override;

  private:
    // the boxes in the order of the table's columns read and written
    QList<QLineEdit*> boxes() const;
    bool alairoValtozott_ = false;
};

extern Tiskola_adatai_form* iskola_adatai_form;
