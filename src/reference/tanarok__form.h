#pragma once

#include <QLabel>
#include <memory>

#include "RenameTarget.h"
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "ui/ChildWindow.h"
#include "ui/DataGrid.h"

// The teachers window: adds, renames and removes teachers through the database's
// procedures. The add button's caption is its mode.
class Ttanarok_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Ttanarok_form(QWidget* parent = nullptr);

    // What the main window does before showing it.
    void prepareOpen();
    void tanarok_lista_frissit();

    void Button1Click();
    void edit_tanar_nevKeyDown(int key);
    void anrnevnekmdostsa1Click();
    void anrtrlse1Click();
    void Button2Click();

    static inline const QString kAdd = QStringLiteral("Felvétel");
    static inline const QString kModify = QStringLiteral("Módosít");

    QLabel* Image1;
    QLabel* Label1;
    ui::DataGrid* DBGrid1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* edit_tanar_nev;
    QPushButton* Button1;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QPushButton* Button2;
    QMenu* popup_dbg;
    QAction* anrtrlse1;
    QAction* anrnevnekmdostsa1;

  protected:
    void FormClose() override;

  private:
    std::unique_ptr<RenameTarget> renaming_;
};

extern Ttanarok_form* tanarok_form;
