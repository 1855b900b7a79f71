#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/ChildWindow.h"

// A student leaves the registry: the date, the reason and a note; the record goes to the
// leavers' archive whole.
class Tkilepes_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Tkilepes_form(QWidget* parent = nullptr);

    void prepareForStudent(int studentId, const QString& name);
    // True when the student left.
    bool Button1Click();

    QLabel* label_nev;
    QLineEdit* edit_datum;
    QComboBox* combo_ok;
    QLineEdit* edit_iskola;
    QLineEdit* edit_om;
    QPlainTextEdit* m_megjegyzes;
    QPushButton* Button1;
    QPushButton* Button2;

  protected:
    void FormClose() override;

  private:
    int studentId_ = 0;
};

extern Tkilepes_form* kilepes_form;
