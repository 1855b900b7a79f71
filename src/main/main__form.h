#pragma once

#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QVariantList>
#include <QWidget>
#include <exception>
#include <functional>
#include <utility>
#include <vector>

#include "ui/DataGrid.h"

class QComboBox;
namespace ui {
class ChildWindow;
}

// Positional parameter list: element i is bound to parameter i.
using ibq_parameterek = QVariantList;

// The main window: the student list, and the helpers every window runs SQL through.
class QMenu;

class Tmain_form : public QWidget {
    Q_OBJECT
  public:
    explicit Tmain_form(QWidget* parent = nullptr);

    // Helpers shared by every window.
    QStringList& query(bool fromFile, const QString& sql, const ibq_parameterek& params, QStringList& lines);
    // Runs one modifying statement, commits, reopens the student list; the rows it changed.
    qint64 query_mod(bool fromFile, const QString& sql, const ibq_parameterek& params);
    bool StoredProc(const QString& name, const ibq_parameterek& params);
    void hiba_kiir(const std::exception& error, QString& text);
    static QString hiba_kiir_text(const QString& message);

    void combo_nyelv_feltolt(QComboBox* combo, const QStringList& lines);
    void combo_targyak_feltolt(QComboBox* combo, const QStringList& lines);
    void combo_osztaly_feltolt(QComboBox* combo, const QStringList& lines);
    bool datumellenorzes(const QString& text);
    void akt_tanev();
    void akt_tanev_at(const QDate& today);
    void akt_letszam();
    static QString clockText(const QDateTime& now);
    // The year after a school year's first year; throws on text that is no whole number
    // or whose next year is out of range.
    static int nextYear(const QString& text);
    // The quick search's statement for the box's text, with its parameters by name.
    struct QuickSearch {
        QString sql;
        std::vector<std::pair<QString, QVariant>> params;
    };
    static QuickSearch quickSearch(const QString& text, int nameLength);

    // Handlers.
    void FormCreate();
    void FormActivate();
    void Timer1Timer();
    void edit_akt_tanevChange();
    void Button8Click();
    void Button9Click();
    void Button10Click();
    void edit_gyors_kerChange();
    void Button13Click();
    void Button2Click();
    void Button1Click();
    void Button5Click();
    void Button6Click();
    void Button4Click();
    void Button11Click();
    void Button12Click();
    void Button7Click();
    void Button14Click();
    void Button3Click();
    void tanulo_adatmodositas_form(int id);

    // The window-opening pattern: dim, disable, prepare, centre and show the child.
    // A failing preparation is shown and the main window comes back at once.
    void openChild(ui::ChildWindow* child, const std::function<void()>& prepare);
    // A child's close handler: enable the main window and give it the focus.
    void childClosed();

    static constexpr double kDimmed = 150.0 / 255.0;

    QLabel* Image1;
    QTimer* Timer1;
    QLabel* Label1;
    QLineEdit* edit_akt_tanev;
    QLabel* Label2;
    QLineEdit* edit_akt_tanev2;
    QLabel* label_ido;
    QLabel* Label3;
    QPushButton* Button2;
    QPushButton* Button1;
    QPushButton* Button13;
    QPushButton* Button4;
    QPushButton* Button5;
    QPushButton* Button6;
    QPushButton* Button11;
    QPushButton* Button12;
    QPushButton* Button7;
    QPushButton* Button14;
    // The student list's context menu; the windows that act on one student add to it.
    QMenu* PopupMenu1;
    QPushButton* Button3;
    QLabel* Label4;
    QPushButton* Button8;
    QPushButton* Button9;
    QPushButton* Button10;
    ui::DataGrid* dbg_tanulok;
    QLabel* Label5;
    QLineEdit* edit_gyors_ker;
    QLabel* label_letszam;

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void sortBy(const QString& fileName);
    void restoreAfterChild();

    ui::ChildWindow* openChild_ = nullptr;
};

extern Tmain_form* main_form;
