#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "db/Dataset.h"
#include "db/Transaction.h"
#include "output/Report.h"
#include "ui/ChildWindow.h"
#include "ui/DataGrid.h"

// The log of changes the database keeps of the students: every insert, change and delete,
// field by field, with when and from which workstation; for a period, of one student or all.
class Tnaplo_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Tnaplo_form(QWidget* parent = nullptr);

    void prepareOpen();
    void prepareForStudent(int studentId, const QString& name);
    bool Button1Click(); // Listázás
    bool csv_ment(const QString& path);

    QLineEdit* edit_tol;
    QLineEdit* edit_ig;
    QLabel* label_tanulo;
    QComboBox* combo_muvelet; // narrows the log to one operation ("mind": every one)
    QComboBox* combo_mezo;    // and to one field
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5; // Mentés Excelbe…
    ui::DataGrid* dbg_naplo;
    db::Transaction* trNaplo;
    db::Dataset* ds_naplo;

  protected:
    void FormClose() override;

  private:
    void reset(const QDate& from);
    output::Report report();
    int studentId_ = 0;
};

extern Tnaplo_form* naplo_form;
