#include "Program.h"

#include <QDialog>
#include <QTimer>
#include <csignal>
#include <ibase.h>

#include "Mentes.h"
#include "Trace.h"
#include "Valtozat.h"
#include "adatvedelem/adatmegorzes__form.h"
#include "adatvedelem/hozzaferes__form.h"
#include "assignments/oszt_tan__form.h"
#include "assignments/tanar_targy__form.h"
#include "connect__form.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "db/Values.h"
#include "documents/dokumentumok__form.h"
#include "documents/iskola_adatai__form.h"
#include "fiokok/Fiok.h"
#include "fiokok/fiokok__form.h"
#include "import/beolvasas__form.h"
#include "main__form.h"
#include "office/Tanev.h"
#include "office/archivum__form.h"
#include "office/evi_ugyek__form.h"
#include "office/kilepes__form.h"
#include "office/naplo__form.h"
#include "office/tanevvaltas__form.h"
#include "queries/lekerdezesek__form.h"
#include "reference/osztalyok__form.h"
#include "reference/tanarok__form.h"
#include "reference/tantargyak__form.h"
#include "students/tanulo_adatok__form.h"
#include "students/uj_tanulo__form.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include <QMenu>

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

namespace {
// The documents: from the yearly work for a class, from the student list for one student.
void wireDocuments() {
    evi_ugyek_form->addTask(QStringLiteral("ButtonDokumentumok"), QStringLiteral("Dokumentumok, iktatás"),
                            dokumentumok_form, [] { dokumentumok_form->prepareOpen(); });
    evi_ugyek_form->addTask(QStringLiteral("ButtonIskola"), QStringLiteral("Az iskola adatai"),
                            iskola_adatai_form, [] { iskola_adatai_form->prepareOpen(); });
    const std::pair<const char*, QString> entries[] = {
        {"Igazolás…", QStringLiteral("01_iskolalatogatasi_igazolas.html")},
        {"Adatlap…", QStringLiteral("02_tanuloi_adatlap.html")}};
    for (const auto& [text, file] : entries) {
        main_form->PopupMenu1->addAction(
            QString::fromUtf8(text), main_form, ui::guard([file] {
                main_form->openChild(dokumentumok_form, [file] {
                    db::Dataset& list = DM->dataset_Tanulok;
                    if (list.isEmpty()) throw db::Error(QStringLiteral("Nincs kijelölt tanuló a listában."));
                    dokumentumok_form->prepareForStudent(
                        db::toInt(db::displayText(list.fieldByName(QStringLiteral("ID")))),
                        db::displayText(list.fieldByName(QStringLiteral("Diák neve"))), file);
                });
            }));
    }
}
// The school year's life: the move and the archive from the yearly work, leaving and the
// log from the student list.
void wireSchoolYear() {
    evi_ugyek_form->addTask(QStringLiteral("ButtonTanevvaltas"), QStringLiteral("Tanévváltás"),
                            tanevvaltas_form, [] { tanevvaltas_form->prepareOpen(); });
    evi_ugyek_form->addTask(QStringLiteral("ButtonArchivum"), QStringLiteral("Kilépett tanulók archívuma"),
                            archivum_form, [] { archivum_form->prepareOpen(); });
    evi_ugyek_form->addTask(QStringLiteral("ButtonNaplo"), QStringLiteral("Változásnapló"), naplo_form,
                            [] { naplo_form->prepareOpen(); });
    const auto chosen = [] {
        db::Dataset& list = DM->dataset_Tanulok;
        if (list.isEmpty()) throw db::Error(QStringLiteral("Nincs kijelölt tanuló a listában."));
        return std::pair{db::toInt(db::displayText(list.fieldByName(QStringLiteral("ID")))),
                         db::displayText(list.fieldByName(QStringLiteral("Diák neve")))};
    };
    main_form->PopupMenu1->addAction(QStringLiteral("Tanuló kiléptetése…"), main_form, ui::guard([chosen] {
                                         main_form->openChild(kilepes_form, [chosen] {
                                             const auto [id, name] = chosen();
                                             kilepes_form->prepareForStudent(id, name);
                                         });
                                     }));
    main_form->PopupMenu1->addAction(QStringLiteral("Változásnapló…"), main_form, ui::guard([chosen] {
                                         main_form->openChild(naplo_form, [chosen] {
                                             const auto [id, name] = chosen();
                                             naplo_form->prepareForStudent(id, name);
                                         });
                                     }));
    // from a leaver's record to the data sheet or the log, the archive waiting behind either
    const auto fromLeaver = [](ui::ChildWindow* window, void (*prepare)(int, const QString&)) {
        return ui::guard([window, prepare] {
            const int id = archivum_form->chosenId();
            if (!id) throw db::Error(QStringLiteral("Nincs kijelölt tanuló a listában."));
            const QString name =
                archivum_form->ds_archiv->value(archivum_form->ds_archiv->currentRow(), QStringLiteral("Név"))
                    .toString();
            main_form->openChild(window, [id, name, prepare] { prepare(id, name); });
        });
    };
    QObject::connect(archivum_form->Button2, &QPushButton::clicked, archivum_form,
                     fromLeaver(dokumentumok_form, [](int id, const QString& name) {
                         dokumentumok_form->prepareForLeaver(id, name);
                     }));
    QObject::connect(
        archivum_form->Button3, &QPushButton::clicked, archivum_form,
        fromLeaver(naplo_form, [](int id, const QString& name) { naplo_form->prepareForStudent(id, name); }));
}
// The rest of a student's record: from the student list, and offered after a registration.
void wireFurtherData() {
    main_form->PopupMenu1->addAction(
        QStringLiteral("További adatok…"), main_form, ui::guard([] {
            db::Dataset& list = DM->dataset_Tanulok;
            if (list.isEmpty()) throw db::Error(QStringLiteral("Nincs kijelölt tanuló a listában."));
            const int id = db::toInt(db::displayText(list.fieldByName(QStringLiteral("ID"))));
            const QString name = db::displayText(list.fieldByName(QStringLiteral("Diák neve")));
            main_form->openChild(tanulo_adatok_form,
                                 [id, name] { tanulo_adatok_form->prepareForStudent(id, name); });
        }));
    QObject::connect(uj_tanulo_Form, &Tuj_tanulo_Form::felveve, main_form, [](int id, const QString& name) {
        if (!fiok::szabad(fiok::Szerep::Iroda) || !ui::confirm(uj_tanulo_Form, tanulo_adatok::kKinalas))
            return;
        uj_tanulo_Form->close();
        main_form->openChild(tanulo_adatok_form,
                             [id, name] { tanulo_adatok_form->prepareForStudent(id, name); });
    });
}
// A parent's request for her child's data: from the student list and from the archive.
void wireAccessRequest() {
    hozzaferes_form = new Thozzaferes_form;
    main_form->PopupMenu1->addAction(
        QStringLiteral("Hozzáférési kérelem…"), main_form, ui::guard([] {
            db::Dataset& list = DM->dataset_Tanulok;
            if (list.isEmpty()) throw db::Error(QStringLiteral("Nincs kijelölt tanuló a listában."));
            const int id = db::toInt(db::displayText(list.fieldByName(QStringLiteral("ID"))));
            const QString name = db::displayText(list.fieldByName(QStringLiteral("Diák neve")));
            main_form->openChild(hozzaferes_form,
                                 [id, name] { hozzaferes_form->prepareForStudent(id, name); });
        }));
    QObject::connect(archivum_form->Button8, &QPushButton::clicked, archivum_form, ui::guard([] {
                         const int id = archivum_form->chosenId();
                         if (!id) throw db::Error(QStringLiteral("Nincs kijelölt tanuló a listában."));
                         const QString name =
                             archivum_form->ds_archiv
                                 ->value(archivum_form->ds_archiv->currentRow(), QStringLiteral("Név"))
                                 .toString();
                         main_form->openChild(hozzaferes_form,
                                              [id, name] { hozzaferes_form->prepareForStudent(id, name); });
                     }));
}
} // namespace

namespace {
// What the person's role may not use is out of reach; the database refuses it anyway.
void limitToRole() {
    using fiok::Szerep;
    evi_ugyek_form->label_ki->setText(QStringLiteral("Bejelentkezve: %1").arg(fiok::munkamenet().leiras()));
    for (QWidget* w : std::initializer_list<QWidget*>{
             main_form->Button2, main_form->Button13, tanarok_form->Button1, tantargyak_form->Button2,
             osztalyok_form->Button2, tanar_targy_form->Button2, tanar_targy_form->Button3,
             oszt_tan_form->Button2, oszt_tan_form->Button3})
        fiok::korlatoz(w, Szerep::Iroda);
    // what writes is the office's: saving a record, issuing and voiding documents, leaving,
    // re-admission; looking, listing and previewing stay
    for (QWidget* w : std::initializer_list<QWidget*>{uj_tanulo_Form->Button1, kilepes_form->Button1,
                                                      archivum_form->Button1, dokumentumok_form->Button1,
                                                      dokumentumok_form->Button2, dokumentumok_form->Button5,
                                                      beolvasas_form->Button3, beolvasas_form->Button4})
        fiok::korlatoz(w, Szerep::Iroda);
    for (QWidget* w : std::initializer_list<QWidget*>{tanevvaltas_form->Button1, tanevvaltas_form->Button2,
                                                      tanevvaltas_form->Button3, tanevvaltas_form->Button4,
                                                      tanevvaltas_form->Button5, iskola_adatai_form->Button1,
                                                      fiokok_form->ButtonUj, fiokok_form->ButtonSzerep,
                                                      fiokok_form->ButtonAktiv, fiokok_form->ButtonJelszo})
        fiok::korlatoz(w, Szerep::Vezeto);
    fiok::korlatoz(tanulo_adatok_form->Button1, Szerep::Iroda);
    for (QAction* a : {tanarok_form->anrtrlse1, tanarok_form->anrnevnekmdostsa1,
                       tantargyak_form->antrgyTrlse1, tantargyak_form->antrgynevnekmdostsa1,
                       osztalyok_form->KijelltMdostsa1, osztalyok_form->KijelltTrlse1})
        fiok::korlatoz(a, Szerep::Iroda);
    main_form->PopupMenu1->setToolTipsVisible(true);
    for (QAction* a : main_form->PopupMenu1->actions())
        if (a->text() == QStringLiteral("Tanuló kiléptetése…") ||
            a->text() == QStringLiteral("Hozzáférési kérelem…"))
            fiok::korlatoz(a, Szerep::Iroda);
    fiok::korlatoz(archivum_form->Button8, Szerep::Iroda);
    fiok::korlatoz(hozzaferes_form->Button1, Szerep::Iroda);
    for (QWidget* w : {adatmegorzes_form->Button1, adatmegorzes_form->Button2, adatmegorzes_form->Button3})
        fiok::korlatoz(w, Szerep::Vezeto);
    const std::pair<const char*, Szerep> tasks[] = {{"ButtonTanevvaltas", Szerep::Vezeto},
                                                    {"ButtonIskola", Szerep::Vezeto},
                                                    {"ButtonAdatmegorzes", Szerep::Vezeto},
                                                    {"ButtonBeolvasas", Szerep::Iroda},
                                                    {"ButtonDokumentumok", Szerep::Iroda}};
    for (const auto& [name, role] : tasks)
        if (auto* b = evi_ugyek_form->findChild<QPushButton*>(QString::fromLatin1(name)))
            fiok::korlatoz(b, role);
}
} // namespace

bool createAll() {
    main_form = new Tmain_form;
    connect_form = new Tconnect_form;
    DM = new TDM;
    DM->uj_diak_esemeny.setAfterAttach([] { KorvanaApplication::takeTerminationSignals(); });
    trace::install();
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
    iskola_adatai_form = new Tiskola_adatai_form;
    dokumentumok_form = new Tdokumentumok_form;
    tanevvaltas_form = new Ttanevvaltas_form;
    archivum_form = new Tarchivum_form;
    kilepes_form = new Tkilepes_form;
    naplo_form = new Tnaplo_form;
    beolvasas_form = new Tbeolvasas_form;
    wireDocuments();
    wireSchoolYear();
    tanulo_adatok_form = new Ttanulo_adatok_form;
    wireFurtherData();
    // the school year the registry is in, and once a word if it should have moved on
    ui::guarded([] {
        main_form->akt_tanev();
        const QString late = tanev::elmaradtValtas(DM->dbTanulo, QDate::currentDate());
        if (!late.isEmpty()) ui::information(late);
    });
    evi_ugyek_form->addTask(QStringLiteral("ButtonBeolvasas"),
                            QStringLiteral("Tanulók beolvasása táblázatból"), beolvasas_form,
                            [] { beolvasas_form->prepareOpen(); });
    fiokok_form = new Tfiokok_form;
    evi_ugyek_form->addTask(QStringLiteral("ButtonFiokok"), QStringLiteral("Felhasználói fiókok, jelszó"),
                            fiokok_form, [] { fiokok_form->prepareOpen(); });
    adatmegorzes_form = new Tadatmegorzes_form;
    wireAccessRequest();
    evi_ugyek_form->addTask(QStringLiteral("ButtonAdatmegorzes"), QStringLiteral("Adatmegőrzés"),
                            adatmegorzes_form, [] { adatmegorzes_form->prepareOpen(); });
    limitToRole();
    // Old backups are told to the head of office at start-up and whenever the yearly work opens.
    QObject::connect(main_form->Button14, &QPushButton::clicked, main_form, ui::guard([] {
                         if (fiok::szabad(fiok::Szerep::Vezeto)) mentes::figyelmeztetHaRegi(DM->dbTanulo);
                     }));
    valtozat::figyelmeztetHaElter(DM->dbTanulo);
    if (fiok::szabad(fiok::Szerep::Vezeto)) mentes::figyelmeztetHaRegi(DM->dbTanulo);
    return true;
}

template <typename T> void destroy(T*& p) {
    delete p;
    p = nullptr;
}

void destroyAll() {
    destroy(tanulo_adatok_form);
    destroy(fiokok_form);
    destroy(adatmegorzes_form);
    destroy(hozzaferes_form);
    destroy(beolvasas_form);
    destroy(naplo_form);
    destroy(kilepes_form);
    destroy(archivum_form);
    destroy(tanevvaltas_form);
    destroy(dokumentumok_form);
    destroy(iskola_adatai_form);
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
