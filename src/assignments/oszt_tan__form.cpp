#include "oszt_tan__form.h"

#include "main/main__form.h"

Toszt_tan_form* oszt_tan_form = nullptr;

Toszt_tan_form::Toszt_tan_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("oszt_tan_form"));
    setWindowTitle(QStringLiteral("Osztályok és Tantárgyak"));
    setClientSize(521, 513);
}

void Toszt_tan_form::prepareOpen() {}

void Toszt_tan_form::FormClose() { main_form->childClosed(); }
