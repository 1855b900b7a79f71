#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <vector>

#include "Beolvasas.h"
#include "ui/ChildWindow.h"

// Students from a spreadsheet (CSV or .xlsx): the file's columns matched to the fields,
// what the whole file gets when its columns do not say, a preview with every row's
// state, and the ready rows stored in one step.
class Tbeolvasas_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Tbeolvasas_form(QWidget* parent = nullptr);

    void prepareOpen();
    // Reads the file as what its first bytes say it is: the first visible sheet of a
    // workbook, a CSV file in the code page and with the separator detected (then shown);
    // the heading row is the first holding known headings. Under the progress bar.
    void megnyit(const QString& path);

    void Button1Click(); // Tallózás…
    void Button3Click(); // Hiányzó osztályok felvétele…
    void Button4Click(); // Beolvasás
    void Button5Click(); // Kimaradt sorok mentése…
    void Button7Click(); // Figyelmeztetések mentése…

    QLineEdit* e_fajl;
    QPushButton* Button1;
    QComboBox* combo_kodlap;
    QComboBox* combo_elvalaszto;
    QComboBox* combo_munkalap; // the workbook's sheets
    QSpinBox* spin_fejlec;     // the heading row, as the spreadsheet counts
    QTableWidget* grid_oszlopok;
    QComboBox* combo_osztaly;
    QComboBox* combo_nyelv;
    QLineEdit* edit_tanev;
    QLabel* label_tanev2;
    QPushButton* Button3;
    QLabel* label_allapot;
    QComboBox* combo_szuro; // which rows the list shows
    QTableView* grid_elonezet;
    QLabel* label_ok; // the whole reason of the current row
    QPushButton* Button4;
    QPushButton* Button5;
    QPushButton* Button7;
    QPushButton* Button6; // bezárás
    intake::Preview* preview;
    // The rows shown, as combo_szuro narrows them.
    QSortFilterProxyModel* sorok;
    enum class Szuro { Mind, HibasVagyFigyelmeztetes, Hibas, Figyelmeztetes, FelvettFigyelmeztetessel };

    // The combo of the file's column that chooses its field.
    QComboBox* mezoCombo(int column) const;

  protected:
    void FormClose() override;

  private:
    // The same file again with the choices in the window; headingRow 0: found again.
    void reread(int headingRow);
    void showSheet(intake::Sheet sheet);
    void showChoices();
    void fillReference();
    void fillMapping();
    void mappingChanged(int column);
    // The order of the file's slash dates, asked once when the file does not settle it.
    void askDateOrder();
    intake::Defaults defaults() const;
    void showState();
    void showReason();
    // The rows chosen saved where the office says, as CSV or .xlsx.
    void saveRows(intake::Preview::Rows which, int count, const QString& none, const QString& title,
                  const QString& suffix, const QString& done);
    QString path_;
    bool imported_ = false;
    // What the shown sheet was read with.
    intake::FileKind kind_ = intake::FileKind::Csv;
    intake::CsvFormat format_;
    int sheetIndex_ = 0;
    intake::DateOrder dateOrder_ = intake::DateOrder::Unsettled;
    QDate serverToday_; // read as the window opens
};

extern Tbeolvasas_form* beolvasas_form;
