#include "main/Program.h"

int main(int argc, char** argv) {
    KorvanaApplication app(argc, argv);
    if (!program::createAll()) {
        program::destroyAll();
        return 1;
    }
    const int code = app.exec();
    program::destroyAll();
    return code;
}
