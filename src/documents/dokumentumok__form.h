#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <optional>

#include "Sablon.h"

#include "db/Dataset.h"
#include "db/Transaction.h"
#include "ui/ChildWindow.h"
#include "ui/DataGrid.h"
#include "ui/IdCombo.h"

// Documents for a student or a whole class, filled in from the templates of the sablonok
// folder, printed or saved as PDF and recorded with their registration numbers; below,
// the register of the documents issued in a period.
class Tdokumentumok_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Tdokumentumok_form(QWidget* parent = nullptr);

    // For one student, with the template of that file chosen (a missing one: the first).
    void prepareForStudent(int studentId, const QString& name, const QString& sablonFile);
    // For a leaver from the archive: only the templates marked for leavers (the data sheet).
    void prepareForLeaver(int studentId, const QString& name);
    // For a class, chosen in the window.
    void prepareOpen();

    // The chosen template for the chosen students, to a PDF file or the printer; false
    // (the user told why) when nothing was issued.
    bool pdf_ment(const QString& path);
    bool nyomtat();
    void iktatas_listaz();
    // chooses the register's row of a school year's number, when it is listed
    void valaszt(int year, int number);

    void Button1Click(); // Nyomtatás…
    void Button2Click(); // Mentés PDF-be…
    void Button3Click(); // Listázás
    void Button5Click(); // Érvénytelenítés: the chosen document void, its number kept
    enum class Lista { Nyomtatas, Pdf, Csv, Excel };
    void lista(Lista how); // the register as listed
    void elonezet();

    QComboBox* combo_sablon;
    QComboBox* combo_cel; // what the document is for, chosen or typed; may stay empty
    QLineEdit* edit_tanev;
    QLabel* label_tanev2;
    QRadioButton* rb_tanulo;
    QRadioButton* rb_osztaly;
    ui::IdComboBox* combo_osztaly;
    QPushButton* Button1;
    QPushButton* Button2;
    QLineEdit* edit_tol;
    QLineEdit* edit_ig;
    QPushButton* Button3;
    QLineEdit* edit_kereses; // a student's name or a document's title, in part
    ui::DataGrid* dbg_iktatas;
    QLineEdit* edit_ok;
    QPushButton* Button5;
    QPushButton* Button6; // Előnézet…: the documents as they would be, taking no number
    QDialog* previewDialog = nullptr;
    QTextBrowser* previewText = nullptr;
    QPushButton* ButtonLista[4]; // the register printed, as PDF, CSV and Excel
    QPushButton* Button4;
    db::Transaction* trIktatas;
    db::Dataset* ds_iktatas;

  protected:
    void FormClose() override;

  private:
    void sablonok_feltolt(const QString& chosenFile, bool leaversOnly = false);
    void reset();
    struct Job {
        documents::Sablon sablon;
        int year = 0;
        QList<int> students;
    };
    // What the choices ask for, checked and, for more than one, confirmed before any
    // print or file dialog; nothing when the user was told why not.
    std::optional<Job> job();
    bool kiad(const Job& job, const std::function<bool(const QStringList&)>& output);
    bool pdfFor(const Job& job, const QString& path);
    int studentId_ = 0;
};

extern Tdokumentumok_form* dokumentumok_form;
