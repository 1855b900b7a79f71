#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "ui/ChildWindow.h"

// The people who may log in: for the head of office, the accounts that hold a school role
// (added, given another role, switched off or on, given a new password); for everyone, her
// own password. The server keeps the accounts; the school database their full names.
class Tfiokok_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Tfiokok_form(QWidget* parent = nullptr);
    void prepareOpen();

    void ButtonUjClick();     // Új fiók
    void ButtonSzerepClick(); // Szerep módosítása
    void ButtonAktivClick();  // Kikapcsolás / bekapcsolás
    void ButtonJelszoClick(); // Új jelszó a kijelölt fióknak
    void ButtonSajatClick();  // Saját jelszó módosítása

    QLabel* label_ki;
    QTableWidget* grid_fiokok;
    QLineEdit* e_felhasznalo;
    QLineEdit* e_teljes_nev;
    QComboBox* combo_szerep;
    QLineEdit* e_jelszo1;
    QLineEdit* e_jelszo2;
    QPushButton* ButtonUj;
    QPushButton* ButtonSzerep;
    QPushButton* ButtonAktiv;
    QPushButton* ButtonJelszo;
    QLineEdit* e_regi;
    QLineEdit* e_uj1;
    QLineEdit* e_uj2;
    QPushButton* ButtonSajat;
    QPushButton* Button1; // bezárás

  protected:
    void FormClose() override;

  private:
    void reload();
    QString chosen() const; // the user name of the chosen row; throws when none
    // The new password typed twice, checked; throws with the reason.
    static QString newPassword(QLineEdit* first, QLineEdit* second);
    // Runs the statements in one transaction; the server's refusal told as what failed.
    void run(const QStringList& statements, const QString& what);
    static QStringList column(const QString& sql, const QString& user); // one value a row
    // Throws when the account is the last active head, whom no one could replace.
    static void keepOneHead(const QString& name);
};

extern Tfiokok_form* fiokok_form;
