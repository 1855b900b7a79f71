#include "uj_tanulo__form.h"

#include "main/main__form.h"

Tuj_tanulo_Form* uj_tanulo_Form = nullptr;

Tuj_tanulo_Form::Tuj_tanulo_Form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("uj_tanulo_Form"));
    setWindowTitle(QStringLiteral("Új tanuló Felvétele"));
    setClientSize(385, 611);
}

void Tuj_tanulo_Form::prepareNew() {}
void Tuj_tanulo_Form::prepareModify(int) {}

void Tuj_tanulo_Form::FormClose() { main_form->childClosed(); }
