#pragma once

#include "ui/ChildWindow.h"

class Tuj_tanulo_Form : public ui::ChildWindow {
    Q_OBJECT
  public:
    explicit Tuj_tanulo_Form(QWidget* parent = nullptr);
    void prepareNew();
    void prepareModify(int id);

  protected:
    void FormClose() override;
};

extern Tuj_tanulo_Form* uj_tanulo_Form;
