#include "tanar_targy__form.h"

#include "main/main__form.h"

Ttanar_targy_form* tanar_targy_form = nullptr;

Ttanar_targy_form::Ttanar_targy_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("tanar_targy_form"));
    setWindowTitle(QStringLiteral("Tanárok és Tantárgyak"));
    setClientSize(537, 337);
}

void Ttanar_targy_form::prepareOpen() {}

void Ttanar_targy_form::FormClose() { main_form->childClosed(); }
