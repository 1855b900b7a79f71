#pragma once

#include "ui/ChildWindow.h"

class Ttanar_targy_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Ttanar_targy_form(QWidget* parent = nullptr);
    // What the main window does before showing it.
    void prepareOpen();

  protected:
    void FormClose() override;
};

extern Ttanar_targy_form* tanar_targy_form;
