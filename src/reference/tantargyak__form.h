#pragma once

#include <QLabel>
#include <memory>

#include "RenameTarget.h"
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "ui/ChildWindow.h"
#include "ui/DataGrid.h"

// The subjects window: registers, renames and removes subjects through the database's
// procedures. The add button's caption is its mode.
class Ttantargyak_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Ttantargyak_form(QWidget* parent = nullptr);

    // What the main window does before showing it.
    void prepareOpen();
    void targyak_frissit();

    void Button2Click();
    void edit_targy_nevKeyDown(int key);
    void antrgynevnekmdostsa1Click();
    void antrgyTrlse1Click();
    void Button1Click();

    static inline const QString kAdd = QStringLiteral("Felvesz");
    static inline const QString kModify = QStringLiteral("Módosít");

    QLabel* Image1;
    QLabel* Label1;
    ui::DataGrid* DBGrid1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* edit_targy_nev;
    QPushButton* Button2;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QPushButton* Button1;
    QMenu* PopupMenu1;
    QAction* antrgyTrlse1;
    QAction* antrgynevnekmdostsa1;

  protected:
    void FormClose() override;

  private:
    std::unique_ptr<RenameTarget> renaming_;
};

extern Ttantargyak_form* tantargyak_form;
