#pragma once

#include "ui/ChildWindow.h"

class Tosztalyok_form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Tosztalyok_form(QWidget* parent = nullptr);
    // What the main window does before showing it.
    void prepareOpen();

  protected:
    void FormClose() override;
};

extern Tosztalyok_form* osztalyok_form;
