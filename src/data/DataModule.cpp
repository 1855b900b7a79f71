#include "DataModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QThread>
#include <QTimer>
#include <utility>

#include "db/Error.h"
#include "db/Statement.h"
#include "fiokok/Fiok.h"
#include "main/connect__form.h"
#include "main/main__form.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Nevelo.h"

TDM* DM = nullptr;
QString TDM::programFolderOverride;

namespace {
const QString kStillUnsettled =
    QStringLiteral("A megszakadt kapcsolat előtt elküldött mentésről még nem tudható, hogy megtörtént-e: "
                   "a kiszolgáló még nem zárta le.\rA program a következő műveletnél újra megnézi; addig "
                   "ne ismételje meg a mentést.");

const QString kNotStoredLater =
    QStringLiteral("A kapcsolat megszakadásakor elküldött mentés nem történt meg: az adatbázis nem tárolta.\r"
                   "Ha az adatok még az ablakban vannak, mentse el őket újra.");
} // namespace

TDM::TDM(QObject* parent)
    : QObject(parent), dbTanulo(this), trTanulo(dbTanulo, this, db::Transaction::Access::ReadOnly),
      dataset_Tanulok(dbTanulo, trTanulo, this), dataset_Tanarok(dbTanulo, trTanulo, this),
      dataset_targyak(dbTanulo, trTanulo, this), dataset_Osztalyok(dbTanulo, trTanulo, this),
      uj_diak_esemeny(this) {
    setObjectName(QStringLiteral("DM"));
    dbTanulo.setObjectName(QStringLiteral("dbTanulo"));
    trTanulo.setObjectName(QStringLiteral("trTanulo"));
    dataset_Tanulok.setObjectName(QStringLiteral("dataset_Tanulok"));
    dataset_Tanarok.setObjectName(QStringLiteral("dataset_Tanarok"));
    dataset_targyak.setObjectName(QStringLiteral("dataset_targyak"));
    dataset_Osztalyok.setObjectName(QStringLiteral("dataset_Osztalyok"));
    datasource_Tanulok.setObjectName(QStringLiteral("datasource_Tanulok"));
    datasource_Tanarok.setObjectName(QStringLiteral("datasource_Tanarok"));
    datasource_targyak.setObjectName(QStringLiteral("datasource_targyak"));
    datasuorce_Osztalyok.setObjectName(QStringLiteral("datasuorce_Osztalyok"));
    uj_diak_esemeny.setObjectName(QStringLiteral("uj_diak_esemeny"));

    dbTanulo.setParams(fiok::beepitettBelepes() + QStringList{QStringLiteral("lc_ctype=WIN1250")});
    datasource_Tanulok.setSourceModel(&dataset_Tanulok);
    datasource_Tanarok.setSourceModel(&dataset_Tanarok);
    datasource_targyak.setSourceModel(&dataset_targyak);
    datasuorce_Osztalyok.setSourceModel(&dataset_Osztalyok);
    dataset_Tanarok.setSelectSQL(QStringLiteral("select * from table_tanar"));
    // A refresh from another copy must not throw the user's selection to the top.
    dataset_Tanulok.setKeyField(QStringLiteral("ID"));
    // Every copy reopens it at every change of a student: each time, a first screen only.
    dataset_Tanulok.setFirstScreenBounded(true);
    if (main_form) main_form->dbg_tanulok->setDataset(&dataset_Tanulok, &datasource_Tanulok);

    uj_diak_esemeny.setEvents({QStringLiteral("diak_modositas"), QStringLiteral("diak_torles"),
                               QStringLiteral("uj_diak"), QStringLiteral("tanevvaltas")});
    connect(&uj_diak_esemeny, &db::EventListener::failed, this, [this] {
        // A server gone takes the events with it: that is told at the next action. Else
        // once: the listener keeps trying in the background.
        dbTanulo.ping();
        if (dbTanulo.isLost() || std::exchange(eventsWarned_, true)) return;
        ui::guarded([&] { eventsFailed(); });
    });
    // Changes made while nobody listened are not told again: the list catches up once.
    connect(&uj_diak_esemeny, &db::EventListener::restored, this, [this] {
        dbTanulo.ping();
        if (started_) requestStudentRefresh();
    });
    // After a lost connection came back, the list and the headcount catch up.
    connect(&dbTanulo, &db::Connection::opened, this, [this] {
        ui::userActionStarted();
        if (!started_) return;
        uj_diak_esemeny.retryNow();
        // A write whose answer was lost is settled before the user goes on, right after
        // the action that brought the connection back.
        if (hasUnsettled())
            QMetaObject::invokeMethod(
                this,
                [this] {
                    ui::guarded([this] {
                        if (settle() == Settled::NotStored) ui::error(kNotStoredLater);
                    });
                },
                Qt::QueuedConnection);
        requestStudentRefresh();
    });
    connect(&uj_diak_esemeny, &db::EventListener::eventAlert, this, [this](const QString& name, int count) {
        bool cancel = false;
        ui::guarded([&] { uj_diak_esemenyEventAlert(name, count, cancel); });
    });
}

TDM::WriteScope::WriteScope() {
    DM->trTanulo.beginWrite();
}

TDM::WriteScope::~WriteScope() {
    if (!DM->trTanulo.isWriting()) return;
    try {
        DM->trTanulo.rollback();
    } catch (const db::Error&) {
    }
}

TDM::~TDM() {
    uj_diak_esemeny.unregisterEvents();
    // Lists are closed before the attachment goes.
    try {
        dbTanulo.close();
    } catch (const db::Error&) {
    }
}

QString TDM::readTextFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw db::Error(QStringLiteral("%1 fájl nem olvasható: %2")
                            .arg(ui::aAz(QDir::toNativeSeparators(path), true), file.errorString()));
    return QString::fromLocal8Bit(file.readAll());
}

QString TDM::sqlText(const QString& fileName) const {
    return readTextFile(programFolder + QStringLiteral("sqls/") + fileName);
}

bool TDM::DataModuleCreate() {
    programFolder =
        programFolderOverride.isEmpty() ? QCoreApplication::applicationDirPath() : programFolderOverride;
    if (!programFolder.endsWith(QLatin1Char('/'))) programFolder += QLatin1Char('/');

    connect_form->resize(300, connect_form->height());
    connect_form->show();
    QCoreApplication::processEvents();

    // The program has no way on without its database file name: say which file is wrong.
    const QString srcPath = programFolder + QStringLiteral("database.src");
    QString src;
    try {
        src = readTextFile(srcPath);
    } catch (const db::Error& e) {
        connect_form->hide();
        ui::error(e.message() + QStringLiteral("\r\ra program futása le fog állni."));
        return false;
    }
    if (src.isEmpty()) {
        connect_form->hide();
        ui::error(QStringLiteral(
                      "%1 fájl üres: nem tartalmazza az adatbázis nevét.\r\ra program futása le fog állni.")
                      .arg(ui::aAz(QDir::toNativeSeparators(srcPath), true)));
        return false;
    }
    QString firstLine = src.section(QLatin1Char('\n'), 0, 0);
    if (firstLine.endsWith(QLatin1Char('\r'))) firstLine.chop(1);
    dbTanulo.setDatabaseName(firstLine);

    bool connected = false;
    try {
        connected = !firstLine.isEmpty() && fiok::belep(dbTanulo);
    } catch (const std::exception&) {
        connected = false;
    }
    if (!connected) {
        connect_form->hide();
        ui::error(QStringLiteral(
            "Nem lehet kapcsolódni a Korvana v2.0 adatbázishoz!\r\ra program futása le fog állni."));
        return false;
    }
    connect_form->hide();

    try {
        const QString refused = fiok::szerepetVesz(dbTanulo);
        if (!refused.isEmpty()) {
            // the accounts' own refusal: a Hungarian box, its sentences capitalised
            ui::error(nullptr, refused + QStringLiteral("\r\rA program futása le fog állni."));
            return false;
        }
        trTanulo.start();
        dataset_Tanulok.setSelectSQL(sqlText(QStringLiteral("dataset_Tanulo_SelectSQL.sql")));
        dataset_Tanulok.open();
        // In the background: the window never waits for the events' port.
        uj_diak_esemeny.setDatabase(dbTanulo.databaseName(), dbTanulo.params());
        uj_diak_esemeny.registerEvents();
        main_form->akt_letszam();
    } catch (const std::exception& e) {
        ui::error(ui::errorText(db::userText(e)) + QStringLiteral("\r\ra program futása le fog állni."));
        return false;
    }
    started_ = true;
    main_form->show();
    main_form->activateWindow();
    return true;
}

// the client library's own words are English: the office is told what they mean
void TDM::eventsFailed() {
    ui::warning(main_form,
                QStringLiteral("Az adatbázis értesítései nem érhetők el, ezért a tanulók listája nem követi "
                               "automatikusan a többi gépen végzett változásokat."));
}

void TDM::uj_diak_esemenyEventAlert(const QString& EventName, int, bool&) {
    // a move or its undo made on another copy: this one takes the registry's year at once
    if (EventName == QLatin1String("tanevvaltas")) main_form->akt_tanev();
    for (const char* name : {"uj_diak", "diak_modositas", "diak_torles", "tanevvaltas"})
        if (EventName == QLatin1String(name)) requestStudentRefresh();
}

namespace {
constexpr int kRecountDelayMs = 10;
}

void TDM::requestStudentRefresh() {
    refreshPending_ = true;
    // The main window is disabled exactly while a child window is open: the refresh
    // waits until it is enabled again.
    if (!main_form->isEnabled() || refreshQueued_) return;
    // Notifications that arrive together (or while a refresh runs) make one refresh.
    refreshQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            refreshQueued_ = false;
            bool refreshed = false;
            ui::guarded([&] { refreshed = refreshStudentsIfPending(); });
            if (!refreshed) return;
            // The headcount beside the list must tell the same; it is read once the
            // grid has shown the change, so the list comes first (a timer of zero would
            // run before the grid's paint, which is also queued).
            QTimer::singleShot(kRecountDelayMs, this, [] { ui::guarded([] { main_form->akt_letszam(); }); });
        },
        Qt::QueuedConnection);
}

bool TDM::refreshStudentsIfPending() {
    if (!refreshPending_ || !main_form->isEnabled()) return false;
    // Nobody asked for this refresh: a lost connection or a list that failed waits
    // for the user's next action instead of failing again on every notification.
    if (dbTanulo.isLost() || !dbTanulo.isConnected() || dataset_Tanulok.failed()) return false;
    refreshPending_ = false;
    dataset_Tanulok.close();
    dataset_Tanulok.open();
    return true;
}

TDM::Settled TDM::settle(bool runStored) {
    if (!unsettled_ || settling_) return Settled::Nothing;
    settling_ = true;
    const struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{settling_};
    if (dbTanulo.isLost() || !dbTanulo.isConnected()) dbTanulo.reconnect();

    // A commit may still be under way while the server holds the old transaction: only
    // once it has let go is the answer final.
    db::Transaction look(dbTanulo, nullptr, db::Transaction::Access::ReadOnly);
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        db::Statement held(dbTanulo, look);
        held.prepare(QStringLiteral("select count(*) from mon$transactions where mon$transaction_id = :t"));
        held.bind({unsettled_->transactionId});
        held.execute();
        const bool stillHeld = held.fetch() && held.value(0).toLongLong() > 0;
        held.closeCursor();
        look.commit(); // the monitoring tables are read anew in every transaction
        if (!stillHeld) break;
        if (waited.elapsed() > kSettleWaitMs) throw db::Error(kStillUnsettled);
        QThread::msleep(200);
    }
    const bool stored = unsettled_->wasStored(look);
    look.commit();
    const UnsettledWrite write = std::move(*unsettled_);
    unsettled_.reset();
    if (!stored) return Settled::NotStored;
    if (runStored && write.stored) write.stored();
    return Settled::Stored;
}

std::function<bool(db::Transaction&)>
UnsettledWrite::rowExists(const QString& sql, std::vector<std::pair<QString, QVariant>> params) {
    return [sql, params = std::move(params)](db::Transaction& tr) {
        db::Statement lookup(tr.connection(), tr);
        lookup.prepare(sql);
        for (const auto& [name, value] : params)
            lookup.setParamByName(name, value);
        lookup.execute();
        const bool found = lookup.fetch();
        lookup.closeCursor();
        return found;
    };
}

bool TDM::settleLostCommit(UnsettledWrite write) {
    setUnsettled(std::move(write));
    Settled outcome = Settled::Nothing;
    try {
        outcome = settle(false);
    } catch (const db::Error& e) {
        // Still away: the next action settles it first.
        ui::error(db::userText(e));
        return false;
    }
    if (outcome == Settled::Stored) return true;
    ui::error(db::kConnectionLostText);
    return false;
}

int TDM::columnLength(const QString& table, const QString& column) {
    const QString key = table.toUpper();
    if (!columnLengths_.contains(key)) {
        db::Statement lookup(dbTanulo, trTanulo);
        lookup.prepare(QStringLiteral(
            "select trim(rf.rdb$field_name), coalesce(f.rdb$character_length, 0) from rdb$relation_fields rf "
            "join rdb$fields f on f.rdb$field_name = rf.rdb$field_source where rf.rdb$relation_name = :t"));
        lookup.setParam(0, key);
        lookup.execute();
        QHash<QString, int> lengths;
        while (lookup.fetch())
            lengths.insert(lookup.value(0).toString(), lookup.value(1).toInt());
        if (lengths.isEmpty()) throw db::Error(QStringLiteral("Ismeretlen tábla: %1").arg(table));
        columnLengths_.insert(key, lengths);
    }
    const QHash<QString, int>& lengths = columnLengths_[key];
    const auto it = lengths.constFind(column.toUpper());
    if (it == lengths.constEnd())
        throw db::Error(QStringLiteral("Ismeretlen mező: %1.%2").arg(table, column));
    return it.value();
}

void TDM::limitToColumns(const QString& table, const std::vector<std::pair<QLineEdit*, QString>>& boxes) {
    for (const auto& [box, column] : boxes) {
        const int length = columnLength(table, column);
        if (length > 0) box->setMaxLength(length);
    }
}
