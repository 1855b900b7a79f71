#pragma once

#include <QLabel>
#include <QPushButton>

#include "ui/ChildWindow.h"

// "Hozzáférési kérelem": what the school holds of one student, for a parent who asks, as a
// PDF to read and an Excel workbook beside it, both from one button.
class Thozzaferes_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Thozzaferes_form(QWidget* parent = nullptr);

    void prepareForStudent(int studentId, const QString& name);
    // Asks where, then writes both files; false when not written.
    bool Button1Click();
    bool ment(const QString& pdfPath);

    QLabel* label_nev;
    QLabel* label_tartalom;
    QPushButton* Button1; // Mentés PDF-be és Excelbe…
    QPushButton* Button2; // bezárás

  protected:
    void FormClose() override;

  private:
    int studentId_ = 0;
    QString name_;
};

extern Thozzaferes_form* hozzaferes_form;
