#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVariant>
#include <vector>

namespace db {
class Transaction;
}

#include "ui/ChildWindow.h"
#include "ui/IdCombo.h"

// The student record window: registers a new student, or shows and modifies one.
// The mode is the save button's caption.
class Tuj_tanulo_Form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Tuj_tanulo_Form(QWidget* parent = nullptr);

    // What the main window's two openers do before showing it.
    void prepareNew();
    void prepareModify(int id);

    void nullaz();
    void Button1Click();
    void Button2Click();
    void edit_akt_tanevChange();
    void e_cimChange();

    static inline const QString kRegister = QStringLiteral("Tanuló felvétele");
    static inline const QString kModify = QStringLiteral("Adatok módosítása");

    QLabel* Image1;
    QLineEdit* e_nev;
    QLineEdit* e_cim;
    QLineEdit* e_varos;
    QLineEdit* e_szul_ido;
    QLineEdit* e_szul_hely;
    QLineEdit* e_sz_szam;
    QLineEdit* e_tanulo_tel;
    QLineEdit* e_taj;
    QLineEdit* e_OM;
    QLineEdit* e_diak;
    QLineEdit* e_anyja_nev;
    QLineEdit* e_gond_nev;
    QLineEdit* e_gond_cim;
    QLineEdit* e_gond_tel;
    ui::IdComboBox* combo_nyelv;
    QPlainTextEdit* m_mj;
    QPushButton* Button1;
    ui::IdComboBox* combo_osztaly;
    QPushButton* Button2;
    QLineEdit* edit_akt_tanev;
    QLineEdit* edit_akt_tanev2;
    QLabel* label_osztaly;
    QLabel* label_nyelv;
    QLabel* Label20;
    QLabel* label_ID;

  signals:
    // A new student is stored (after the user is told so): the rest of the record may follow.
    void felveve(int id, const QString& name);

  protected:
    void FormClose() override;

  private:
    // The texts in table column order (nev ... diak_diak), then the note.
    QStringList columnTexts() const;
    bool checkEncodable();
    bool yearStillCurrent();
    void limitBoxes();
    // Points out a TAJ or OM number that fails its check; left: the user has just left the box.
    void markIdentifier(QLineEdit* box, bool left);
    // False (the user told) when the student changed or vanished since the window opened.
    bool stillAsOpened(int id);
    std::vector<QVariant> readStudent(int id, bool lock);
    static std::vector<QVariant> readStudentIn(int id, db::Transaction& tr, bool lock = false);
    // What follows a save: the message, the list and headcount, the boxes emptied. fresh:
    // the usual path, which attaches anew; a save settled later keeps the connection.
    void saved(bool modify, const QStringList& texts, int id, bool fresh);

    std::vector<QVariant> opened_; // the row as it was shown, for the modification check
    QString lastAddress_;          // the student's address before its latest change
    // the registry's year when the window opened, to see whether another copy moved it since
    int registryYear_ = 0;
};

extern Tuj_tanulo_Form* uj_tanulo_Form;
