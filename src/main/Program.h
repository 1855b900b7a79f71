#pragma once

#include <QApplication>

// The application: no exception ever crosses a Qt frame.
class KorvanaApplication : public QApplication {
  public:
    KorvanaApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
    // SIGTERM and SIGINT end the program through its normal close.
    static void takeTerminationSignals();
    static bool terminationPending();
    // Ends the program's event loop whatever is open: a dialog, a child window.
    static void endForTermination();
};

namespace program {
// Creates every window and the data module in their order; false when the start-up
// failed and the program must end.
bool createAll();
// Destroys what createAll made (the program ends).
void destroyAll();
} // namespace program
