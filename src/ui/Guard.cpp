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
    if (const auto* dbe = dynamic_cast<const db::Error*>(&e))
        programError(errorText(dbe->message()));
    else
        programError(errorText(QString::fromUtf8(e.what())));
}

void showUnknownException() {
    programError(QStringLiteral("Ismeretlen hiba történt."));
}

} // namespace ui
