#pragma once

#include <QIdentityProxyModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "db/Dataset.h"
#include "ui/ChildWindow.h"
#include "ui/DataGrid.h"
#include "ui/IdCombo.h"

// The class-subject window: which subjects each class has and who teaches each of
// them there. The class boxes always belong to the current row of the class list.
class Toszt_tan_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Toszt_tan_form(QWidget* parent = nullptr);

    // What the main window does before showing it.
    void prepareOpen();

    void osztalyok_combo_frissit();
    void oszt_tan_nullaz();
    void targyak_meghataroz();

    // Handlers.
    void FormActivate() override;
    void FormClose() override;
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void combo_targyakChange();
    void dbg_osztalyokCellClick();
    void dbg_targyakCellClick();
    // The current class row moved (click, keys, code).
    void ds_osztalyokAfterScroll(int row);

    static inline const QString kClassSelect = QStringLiteral(
        "select table_osztaly.id, table_osztaly.osztaly_szam AS \"Évfolyam\", table_osztaly.osztaly_betu AS "
        "\"Osztály\", table_osztaly.osztaly_szak AS \"tagozat/szak/képzés\" from table_osztaly order by "
        "table_osztaly.osztaly_szam DESC, table_osztaly.osztaly_betu ASC");

    db::Dataset* ds_osztalyok;
    db::Dataset* ds_targyak;
    QIdentityProxyModel* dsource_Osztalyok;
    QIdentityProxyModel* dsource_Targyak;

    QLabel* Image1;
    QLabel* Label1;
    ui::DataGrid* dbg_osztalyok;
    QLabel* Label2;
    ui::DataGrid* dbg_targyak;
    QLabel* Label3;
    QLabel* Label4;
    QLineEdit* edit_osztaly;
    QLabel* Label5;
    ui::IdComboBox* combo_targyak;
    QLabel* Label6;
    ui::IdComboBox* combo_tanar;
    QPushButton* Button2;
    QLabel* Label7;
    QLabel* Label8;
    QLineEdit* edit_osztaly_2;
    QLabel* Label9;
    QLineEdit* edit_targy;
    QLabel* Label10;
    QLineEdit* edit_tanar;
    QPushButton* Button3;
    QPushButton* Button1;

  private:
    // After a change: the lists again, the same class current (or the first one when
    // it is gone) and its subjects shown.
    void osztaly_ujrakeres(int id);
    void osztaly_dobozok_nullaz();
    // The id in the first row of a one-column lookup; false when it found no row.
    bool lookupId(const QString& sql, const QString& value, int& id);

    bool reloading_ = false; // row moves of a reload are not the user's
};

extern Toszt_tan_form* oszt_tan_form;
