#include "Program.h"

#include <QDialog>
#include <QTimer>
#include <csignal>
#include <ibase.h>

#include "assignments/oszt_tan__form.h"
#include "assignments/tanar_targy__form.h"
#include "connect__form.h"
#include "data/DataModule.h"
#include "main__form.h"
#include "office/evi_ugyek__form.h"
#include "queries/lekerdezesek__form.h"
#include "reference/osztalyok__form.h"
#include "reference/tanarok__form.h"
#include "reference/tantargyak__form.h"
#include "students/uj_tanulo__form.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"

namespace {

volatile std::sig_atomic_t terminationRequested = 0;

extern "C" void onTerminationSignal(int) {
    terminationRequested = 1;
}

// The client library answers SIGTERM and SIGINT with a shutdown on its own thread,
// which tears the attachment down under an open list. Refuse that and end the
// program through its own close instead.
int onClientShutdown(const int reason, const int, void*) {
    if (reason != fb_shutrsn_signal) return 0;
    terminationRequested = 1;
    return 1;
}

} // namespace

KorvanaApplication::KorvanaApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("korvana_v20"));
    setApplicationDisplayName(QString());
    takeTerminationSignals();
    ISC_STATUS_ARRAY status;
    fb_shutdown_callback(status, onClientShutdown, fb_shut_confirmation, nullptr);
    // The request is only noted where it arrives; the event loop ends the program.
    auto* watch = new QTimer(this);
    watch->setInterval(200);
    connect(watch, &QTimer::timeout, this, [] {
        if (terminationRequested) endForTermination();
    });
    watch->start();
}

void KorvanaApplication::endForTermination() {
    // A dialog open now (or shown by what runs after it) must not hold the end up;
    // before the main loop runs (a start-up message), quit() alone would not end it.
    ui::setEnding();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible()) dialog->reject();
    // Not quit(): that asks every window to close first, and the main window refuses
    // while a child window is open.
    QCoreApplication::exit(0);
}

void KorvanaApplication::takeTerminationSignals() {
    std::signal(SIGTERM, onTerminationSignal);
    std::signal(SIGINT, onTerminationSignal);
}

bool KorvanaApplication::terminationPending() {
    return terminationRequested != 0;
}

bool KorvanaApplication::notify(QObject* receiver, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::Close:
        ui::userActionStarted();
        break;
    default:
        break;
    }
    bool result = false;
    ui::guarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}

namespace program {

bool createAll() {
    main_form = new Tmain_form;
    connect_form = new Tconnect_form;
    DM = new TDM;
    DM->uj_diak_esemeny.setAfterAttach([] { KorvanaApplication::takeTerminationSignals(); });
    if (!DM->DataModuleCreate()) return false;
    // The client library takes the termination signals at every attachment; take them back.
    KorvanaApplication::takeTerminationSignals();
    QObject::connect(&DM->dbTanulo, &db::Connection::opened,
                     [] { KorvanaApplication::takeTerminationSignals(); });
    uj_tanulo_Form = new Tuj_tanulo_Form;
    tanarok_form = new Ttanarok_form;
    tantargyak_form = new Ttantargyak_form;
    osztalyok_form = new Tosztalyok_form;
    tanar_targy_form = new Ttanar_targy_form;
    oszt_tan_form = new Toszt_tan_form;
    lekerdezesek_form = new Tlekerdezesek_form;
    evi_ugyek_form = new Tevi_ugyek_form;
    return true;
}

template <typename T> void destroy(T*& p) {
    delete p;
    p = nullptr;
}

void destroyAll() {
    destroy(evi_ugyek_form);
    destroy(lekerdezesek_form);
    destroy(oszt_tan_form);
    destroy(tanar_targy_form);
    destroy(osztalyok_form);
    destroy(tantargyak_form);
    destroy(tanarok_form);
    destroy(uj_tanulo_Form);
    destroy(DM);
    destroy(connect_form);
    destroy(main_form);
}

} // namespace program
