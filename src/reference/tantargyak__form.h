#pragma once

#include "ui/ChildWindow.h"

class Ttantargyak_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Ttantargyak_form(QWidget* parent = nullptr);
    // What the main window does before showing it.
    void prepareOpen();

  protected:
    void FormClose() override;
};

extern Ttantargyak_form* tantargyak_form;
