#pragma once

#include <QIdentityProxyModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVariant>

#include "db/Dataset.h"
#include "ui/ChildWindow.h"
#include "ui/DataGrid.h"
#include "ui/IdCombo.h"

// The teacher-subject window: which subjects each teacher teaches. The subject side
// always belongs to the current row of the teacher list, so what is shown and what
// a button acts on are the same teacher.
class Ttanar_targy_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Ttanar_targy_form(QWidget* parent = nullptr);

    // What the main window does before showing it.
    void prepareOpen();

    void tanarok_frissit();
    void tanar_targy_nullaz();
    void targyak_meghataroz();
    void combo_targyak_feltolt1();
    void combo_targyak_feltolt2();

    // Handlers.
    void FormActivate() override;
    void FormClose() override;
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void DBGrid1CellClick();
    // The current teacher row moved (click, keys, code).
    void ds_tanarokAfterScroll(int row);

    static inline const QString kTeacherSelect =
        QStringLiteral("select id, nev AS \"Tanár neve\" from table_tanar order by nev asc");

    db::Dataset* ds_tanarok;
    db::Dataset* ds_targyak;
    QIdentityProxyModel* dsource_tanarok;
    QIdentityProxyModel* dsource_targyak;

    QLabel* Image1;
    QLabel* Label1;
    ui::DataGrid* DBGrid1;
    QLabel* Label2;
    ui::DataGrid* DBGrid2;
    QLabel* Label3;
    QLineEdit* edit_tanar_nev;
    QLabel* Label4;
    ui::IdComboBox* combo_targyak;
    QPushButton* Button2;
    QLabel* Label5;
    QLineEdit* edit_tanar_nev2;
    QLabel* Label6;
    QLabel* Label7;
    ui::IdComboBox* combo_targyak2;
    QPushButton* Button3;
    QPushButton* Button1;

  private:
    // After a change: the list again, the same teacher current (or the first one when
    // it is gone) and its subject side rebuilt.
    void tanar_ujrakeres(const QVariant& id);
    void fillCombo(const QString& fileName, QComboBox* combo);

    bool reloading_ = false; // row moves of a reload are not the user's
};

extern Ttanar_targy_form* tanar_targy_form;
