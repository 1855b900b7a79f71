#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "TanuloAdatok.h"
#include "ui/ChildWindow.h"

// "További adatok": the rest of one student's record, checked as it is typed. The
// statuses show only to those who may read them.
class Ttanulo_adatok_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Ttanulo_adatok_form(QWidget* parent = nullptr);

    void prepareForStudent(int studentId, const QString& name);
    // The first thing wrong with the boxes, as shown under them; empty when none.
    QString hiba() const;
    // True when saved.
    bool Button1Click();

    QLabel* label_nev;
    QComboBox* combo_nem;
    QLineEdit* edit_irsz;
    QLineEdit* edit_allampolgarsag;
    QLineEdit* edit_kezdete;
    QCheckBox* check_egyeni;
    QCheckBox* check_bejaro;
    QCheckBox* check_kollegista;
    QLineEdit* edit_g_irsz;
    QLineEdit* edit_g_email;
    struct StatuszSor {
        QCheckBox* van;
        QLineEdit* kelte;
        QLineEdit* ervenyes;
    };
    StatuszSor sni, btmn, hh, hhh;
    QCheckBox* check_sni_hosszabb;
    QLabel* label_bizalmas;
    QLabel* label_hiba;
    QPushButton* Button1;
    QPushButton* Button2;

  protected:
    void FormClose() override;

  private:
    tanulo_adatok::Adatok adatok() const;
    void ellenoriz();
    int studentId_ = 0;
    bool bizalmas_ = false;
    tanulo_adatok::Adatok betoltve_; // as opened or last saved: Esc asks only when changed
};

extern Ttanulo_adatok_form* tanulo_adatok_form;
