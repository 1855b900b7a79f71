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
#include "ui/IdCombo.h"

// The queries window: runs the select statements of the queries folder, shows the
// result and prints it or saves it as PDF, CSV or an Excel workbook. It only reads the database.
class Tlekerdezesek_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Tlekerdezesek_form(QWidget* parent = nullptr);

    // What the main window does before showing it.
    void prepareOpen();

    void lekerdezesek_feltolt();
    void valasztok_feltolt();
    void eredmeny_nullaz();
    // Runs the chosen query once the pickers it needs are set.
    void lekerdezes_futtat();

    // The shown result, every row, with the title that goes above it.
    // Throws output::Cancelled when the user stopped the reading.
    output::Report jelentes(output::Progress* progress = nullptr);
    // Saving to a given place; false (the user told why) when it could not be written.
    bool pdf_ment(const QString& path);
    bool csv_ment(const QString& path);
    bool xlsx_ment(const QString& path);

    // Handlers.
    void combo_lekerdezesChange();
    void combo_valasztoChange();
    void tanev_felvesz(int year);
    void tanev_valaszt(int year);
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();

    // Queries read in a read-only transaction of their own: nothing they try is written,
    // nor committed later by someone else's save.
    db::Transaction* trLekerdezes;
    db::Dataset* ds_eredmeny;

    QLabel* Image1;
    QLabel* Label1;
    QComboBox* combo_lekerdezes;
    QLabel* label_tanev;
    QLabel* Label2;
    ui::IdComboBox* combo_osztaly;
    QLabel* Label3;
    ui::IdComboBox* combo_tanar;
    QLabel* Label6;
    QComboBox* combo_tanev; // the queries that take a school year
    QLabel* Label7;
    QLineEdit* edit_nap; // the queries that take a day
    ui::DataGrid* dbg_eredmeny;
    QLabel* label_sorok;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5;

  protected:
    void FormClose() override;

  private:
    using Writer = bool (*)(const QString& path, const output::Report& report, QString& error,
                            output::Progress* progress);
    bool ment(const QString& path, const QString& kind, Writer write);
    // Shows the pickers the parameters need, left to right; false while one is unchosen.
    bool valasztok_mutat(const QStringList& params);
    void sorok_kiir();
    QString fajlnev_javaslat(const QString& suffix) const;
    QString tanev() const;

    QString title_;       // of the result shown
    QStringList details_; // what was chosen for it, and the school year
    QStringList choices_; // the labels of the chosen class or teacher
};

extern Tlekerdezesek_form* lekerdezesek_form;
