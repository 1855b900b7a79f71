#include "db/Error.h"
#include "main/Program.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"

int main(int argc, char** argv) {
    KorvanaApplication app(argc, argv);
    ui::loadQtTranslations();
    bool started = false;
    // Whatever fails while the program starts is told and ends it cleanly.
    try {
        started = program::createAll();
    } catch (const std::exception& e) {
        ui::error(ui::errorText(db::userText(e)) + QStringLiteral("\r\ra program futása le fog állni."));
    } catch (...) {
        ui::error(QStringLiteral("Ismeretlen hiba történt.\r\ra program futása le fog állni."));
    }
    if (!started) {
        program::destroyAll();
        return 1;
    }
    const int code = app.exec();
    program::destroyAll();
    return code;
}
