#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>

#include "db/Dataset.h"
#include "db/Transaction.h"
#include "ui/ChildWindow.h"
#include "ui/DataGrid.h"
#include "ui/IdCombo.h"

// The leavers' archive: searched by name, each record shown read-only with its class
// history, the list printed or saved, and a leaver taken back into a chosen class.
class Tarchivum_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Tarchivum_form(QWidget* parent = nullptr);

    void prepareOpen();
    void edit_keresesChange();
    void adatok_mutat(); // the chosen leaver's record and history into m_adatok
    bool Button1Click(); // Visszavétel
    void Button4Click(); // Nyomtatás…
    bool pdf_ment(const QString& path);
    bool csv_ment(const QString& path);
    int chosenId() const;

    QLineEdit* edit_kereses;
    ui::DataGrid* dbg_archiv;
    QTextBrowser* m_adatok;
    ui::IdComboBox* combo_osztaly;
    QLineEdit* edit_tanev;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5;
    QPushButton* Button6;
    QPushButton* Button7;
    QPushButton* Button8; // Hozzáférés…: what the school holds of her, for a request
    db::Transaction* trArchiv;
    db::Dataset* ds_archiv;

  protected:
    void FormClose() override;
};

extern Tarchivum_form* archivum_form;

// The class history of a student, active or archived, as an HTML table (empty when none).
QString osztalytortenet_html(db::Transaction& tr, int studentId);
