#pragma once

#include <QLabel>
#include <QPushButton>
#include <functional>
#include <vector>

#include "ui/ChildWindow.h"

// The office's yearly work: one window whose column of buttons leads to the windows of
// the work done once a year or now and then (the year-end move, the leavers, the intake,
// the school's own data, the register of documents). Each such window adds its button.
class Tevi_ugyek_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Tevi_ugyek_form(QWidget* parent = nullptr);

    // A button under the others; pressing it opens the window that prepare() readies
    // (the common opening pattern), in place of this one.
    QPushButton* addTask(const QString& name, const QString& text, ui::ChildWindow* window,
                         std::function<void()> prepare);
    void prepareOpen() {}

    QLabel* Label1;
    QLabel* label_ki;     // who is logged in
    QPushButton* Button1; // bezárás

  protected:
    void FormClose() override;

  private:
    void layOut();
    std::vector<QPushButton*> tasks_;
};

extern Tevi_ugyek_form* evi_ugyek_form;
