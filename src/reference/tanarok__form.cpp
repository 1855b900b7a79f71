#include "tanarok__form.h"

#include "main/main__form.h"

Ttanarok_form* tanarok_form = nullptr;

Ttanarok_form::Ttanarok_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("tanarok_form"));
    setWindowTitle(QStringLiteral("Taanárok karbantartása"));
    setClientSize(306, 321);
}

void Ttanarok_form::prepareOpen() {}

void Ttanarok_form::FormClose() { main_form->childClosed(); }
