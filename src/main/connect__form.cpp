#include "connect__form.h"

#include <QGuiApplication>
#include <QScreen>

Tconnect_form* connect_form = nullptr;

Tconnect_form::Tconnect_form(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("connect_form"));
    setWindowTitle(QStringLiteral("Kapcsolódás a Korvana v2.0 adatbázishoz"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(367, 31);
    FormCreate();
}

void Tconnect_form::FormCreate() {
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}
