#include "osztalyok__form.h"

#include "main/main__form.h"

Tosztalyok_form* osztalyok_form = nullptr;

Tosztalyok_form::Tosztalyok_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("osztalyok_form"));
    setWindowTitle(QStringLiteral("Osztályok"));
    setClientSize(695, 388);
}

void Tosztalyok_form::prepareOpen() {}

void Tosztalyok_form::FormClose() { main_form->childClosed(); }
