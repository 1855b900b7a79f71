#pragma once

#include "ui/ChildWindow.h"

class Ttanarok_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Ttanarok_form(QWidget* parent = nullptr);
    // What the main window does before showing it.
    void prepareOpen();

  protected:
    void FormClose() override;
};

extern Ttanarok_form* tanarok_form;
