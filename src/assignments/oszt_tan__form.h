#pragma once

#include "ui/ChildWindow.h"

class Toszt_tan_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Toszt_tan_form(QWidget* parent = nullptr);
    // What the main window does before showing it.
    void prepareOpen();

  protected:
    void FormClose() override;
};

extern Toszt_tan_form* oszt_tan_form;
