#include "tantargyak__form.h"

#include "main/main__form.h"

Ttantargyak_form* tantargyak_form = nullptr;

Ttantargyak_form::Ttantargyak_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("tantargyak_form"));
    setWindowTitle(QStringLiteral("Tantárgyak"));
    setClientSize(250, 391);
}

void Ttantargyak_form::prepareOpen() {}

void Ttantargyak_form::FormClose() { main_form->childClosed(); }
