#include "Guard.h"

#include <QApplication>

#include "ChildWindow.h"
#include "Dialogs.h"
#include "db/Error.h"

namespace ui {

QString errorText(const QString& message) {
    QString text = message.trimmed();
    if (!text.isEmpty() && text.back() > QLatin1Char('.')) text += QLatin1Char('.');
    return text;
}

namespace {
// The new window the user is working in, whose boxes stay on top of it; null elsewhere.
QWidget* newWindowAtWork() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w) w = QApplication::activeWindow();
    auto* child = qobject_cast<ChildWindow*>(w);
    return child && child->ownsDialogs() && child->isVisible() ? child : nullptr;
}
void showError(const QString& text) {
    if (QWidget* w = newWindowAtWork())
        error(w, text);
    else
        programError(text);
}
} // namespace

void showException(const std::exception& e) {
    showError(errorText(db::userText(e)));
}

void showUnknownException() {
    showError(QStringLiteral("Ismeretlen hiba történt."));
}

} // namespace ui
