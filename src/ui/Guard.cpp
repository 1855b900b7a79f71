#include "Guard.h"

#include "Dialogs.h"
#include "db/Error.h"

namespace ui {

QString errorText(const QString& message) {
    QString text = message.trimmed();
    if (!text.isEmpty() && text.back() > QLatin1Char('.')) text += QLatin1Char('.');
    return text;
}

void showException(const std::exception& e) {
    programError(errorText(db::userText(e)));
}

void showUnknownException() {
    programError(QStringLiteral("Ismeretlen hiba történt."));
}

} // namespace ui
