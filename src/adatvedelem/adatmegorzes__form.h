#pragma once

#include <QCheckBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <vector>

#include "db/Dataset.h"
#include "db/Transaction.h"
#include "ui/ChildWindow.h"
#include "ui/DataGrid.h"

// "Adatmegőrzés", the head of office's: a period a category of leavers' data, a preview
// of what falls before each cut-off, the clearing, and the record of every clearing.
class Tadatmegorzes_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Tadatmegorzes_form(QWidget* parent = nullptr);

    void prepareOpen();
    bool Button1Click(); // Megőrzési idők mentése
    bool Button2Click(); // Előnézet
    bool Button3Click(); // Törlés

    struct Sor {
        QCheckBox* valaszt; // cleared with the others chosen
        QLineEdit* evek;    // the period, in years after leaving
        QLabel* elonezet;   // how many leavers fall before the cut-off
    };
    std::vector<Sor> sorok; // one a category, in adatmegorzes::kategoriak()'s order
    QLabel* label_szabaly;  // what decides the periods, what is never cleared, the backups
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4; // bezárás
    ui::DataGrid* dbg_torlesek;
    db::Transaction* trTorlesek;
    db::Dataset* ds_torlesek;

  protected:
    void FormClose() override;

  private:
    bool idokBeolvasva(std::vector<int>& evek); // the typed periods (0: none); false when one is wrong
    void szabaly(bool vanIdo);
    void torlesek();
};

extern Tadatmegorzes_form* adatmegorzes_form;
