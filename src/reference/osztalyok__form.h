#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "ui/ChildWindow.h"
#include "ui/DataGrid.h"
#include "ui/IdCombo.h"

// The classes window: registers classes, modifies their track (szak) and class
// teacher, and removes them, through the database's procedures. The add button's
// caption is its mode; in modify mode the class is the one chosen from the menu.
class Tosztalyok_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Tosztalyok_form(QWidget* parent = nullptr);

    // What the main window does before showing it.
    void prepareOpen();
    void tanarok_combo_frissit();
    void osztalyok_frissit();
    void osztalyok_nullaz();

    void Button2Click();
    void KijelltMdostsa1Click();
    void KijelltTrlse1Click();
    void Button1Click();

    static inline const QString kAdd = QStringLiteral("Felvesz");
    static inline const QString kModify = QStringLiteral("Módosít");

    int kijelolt_osztaly_id = 0;

    QLabel* Image1;
    ui::DataGrid* DBGrid1;
    QLabel* Label1;
    QLabel* Label5;
    ui::IdComboBox* combo_tanarok;
    QLabel* Label2;
    QLineEdit* edit_evf;
    QLabel* Label4;
    QLineEdit* edit_szak;
    QLabel* Label3;
    QLineEdit* edit_oszt;
    QPushButton* Button2;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QPushButton* Button1;
    QMenu* PopupMenu1;
    QAction* KijelltMdostsa1;
    QAction* KijelltTrlse1;

  protected:
    void FormClose() override;
};

extern Tosztalyok_form* osztalyok_form;
