#pragma once

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <utility>
#include <vector>

#include "db/Dataset.h"
#include "db/Transaction.h"
#include "ui/ChildWindow.h"
#include "ui/DataGrid.h"

// The log of changes the database keeps of the students, one line an event: a student's
// registration, change, leaving, re-admission or deletion, the year-end move, an import.
// The chosen event opens below to its students and their fields; for a period, of one
// student or all, narrowed by operation and field, saved as CSV or Excel.
class Tnaplo_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Tnaplo_form(QWidget* parent = nullptr);

    void prepareOpen();
    void prepareForStudent(int studentId, const QString& name);
    bool Button1Click(); // Listázás
    // One line a field row, with its event's summary; false when not written.
    bool csv_ment(const QString& path);
    bool xlsx_ment(const QString& path);

    QLineEdit* edit_tol;
    QLineEdit* edit_ig;
    QLabel* label_tanulo;
    QComboBox* combo_muvelet; // narrows the log to one operation ("mind": every one)
    QComboBox* combo_mezo;    // and to one field
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3; // Mentés CSV-be…
    QPushButton* Button4;
    QPushButton* Button5;      // Mentés Excelbe…
    ui::DataGrid* dbg_naplo;   // the events
    QLabel* label_esemeny;     // the chosen event's summary, whole
    ui::DataGrid* dbg_reszlet; // its students' field rows
    db::Transaction* trNaplo;
    db::Dataset* ds_naplo;
    db::Dataset* ds_reszlet;

  protected:
    void FormClose() override;

  private:
    using Params = std::vector<std::pair<QString, QVariant>>;
    void reset(const QDate& from);
    // The conditions the window's choices make, on the events (e) and on their rows (n, m).
    void periodParams(Params& params) const; // the period, and the student when there is one
    QString eventWhere(Params& params) const;
    QString rowWhere(Params& params) const;
    QString eventSource() const;
    bool statuses() const;      // the role reads the statuses and their changes
    bool statusField() const;   // the field chosen is a status's
    bool listsEvents() const;   // the narrowing leaves the log's own events in
    bool listsStatuses() const; // … and the statuses' changes
    bool listsReads() const;    // … and the reads of the statuses (the head's)
    QString readWhere() const;
    QString statusWhere(Params& params, bool events) const; // events: whole; else their rows
    void showDetail();
    bool save(const QString& path, bool excel);
    QDate from_;
    QDate to_;
    int studentId_ = 0;
};

extern Tnaplo_form* naplo_form;
