#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "db/Dataset.h"
#include "db/Transaction.h"
#include "ui/ChildWindow.h"
#include "ui/DataGrid.h"

// The year-end move: a preview of every class with its grade next year and its students,
// where single students are marked as repeating or leaving; then the move in one step, and
// the undo of the last one while nothing has changed since.
class Ttanevvaltas_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Ttanevvaltas_form(QWidget* parent = nullptr);

    void prepareOpen();
    void osztalyok_listaz();
    void diakok_listaz();
    void allapot_mutat();
    bool jelol(QChar jeloles); // Button1 'I', Button2 'K', Button3 none
    bool Button4Click();       // the move
    bool Button5Click();       // the undo

    QSpinBox* spin_vegzos;
    QLineEdit* edit_uj_tanev;
    QLabel* label_uj_tanev2;
    QLineEdit* edit_datum;
    QLabel* label_allapot;
    ui::DataGrid* dbg_osztalyok;
    ui::DataGrid* dbg_diakok;
    QComboBox* combo_ok;
    QLineEdit* edit_megjegyzes;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5;
    QPushButton* Button6;
    db::Transaction* trTanevvaltas;
    db::Dataset* ds_osztalyok;
    db::Dataset* ds_diakok;

  protected:
    void FormClose() override;

  private:
    void closeLists();
    int ujTanev(bool quiet = false) const;
};

extern Ttanevvaltas_form* tanevvaltas_form;
