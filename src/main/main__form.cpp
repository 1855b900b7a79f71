#include "main__form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QFrame>
#include <QGuiApplication>
#include <QHash>
#include <QHeaderView>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <limits>

#include "assignments/oszt_tan__form.h"
#include "assignments/tanar_targy__form.h"
#include "data/DataModule.h"
#include "data/Letszam.h"
#include "data/Oktoberi.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/StoredProcedure.h"
#include "db/Text.h"
#include "db/Values.h"
#include "office/Tanev.h"
#include "office/evi_ugyek__form.h"
#include "queries/lekerdezesek__form.h"
#include "reference/osztalyok__form.h"
#include "reference/tanarok__form.h"
#include "reference/tantargyak__form.h"
#include "students/uj_tanulo__form.h"
#include "ui/ChildWindow.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Nevelo.h"
#include "ui/Widgets.h"

Tmain_form* main_form = nullptr;

namespace {

const QString kQuickSearchColumns = QStringLiteral(
    "SELECT table_diak.ID, table_diak.nev AS \"Diák Neve\", table_osztaly.osztaly_szam AS \"Évfolyam\", "
    "table_osztaly.osztaly_betu AS \"Osztály\" FROM table_diak INNER JOIN table_osztaly ON "
    "table_diak.osztaly_ID = table_osztaly.ID");
// The database's own order, streamed: the first screen never waits for the whole table.
const QString kQuickSearchAll =
    kQuickSearchColumns + QStringLiteral(" PLAN JOIN (table_diak NATURAL, table_osztaly INDEX (pk_osztaly))");
// Text that no name can hold matches no student.
const QString kQuickSearchNone = kQuickSearchColumns + QStringLiteral(" where 1 = 0");

// LIKE with a parameter cannot use an index; bounds on the name index around the text
// before the first wildcard can, and walking that index streams the matches in name
// order. The bounds are whole-key comparisons: the Hungarian collation's own prefix search
// (STARTING WITH) loses names whose first letters form one letter with the next (Cs, Sz).
// The upper bound gets U+FFFF, which sorts after every letter, appended on the server,
// since the connection's WIN1250 cannot carry it. The pattern is cast so that a box as
// long as the column still takes its "%".
QString quickSearchLike(int nameLength) {
    return kQuickSearchColumns +
           QStringLiteral(
               " where table_diak.nev >= :tol and table_diak.nev < CAST(:ig AS VARCHAR(%1) CHARACTER "
               "SET UTF8) || CAST(x'EFBFBF' AS VARCHAR(1) CHARACTER SET UTF8) and table_diak.nev LIKE "
               "CAST(:nev AS VARCHAR(%2)) PLAN JOIN (table_diak ORDER ix_diak_nev, table_osztaly INDEX "
               "(pk_osztaly)) ORDER BY table_diak.nev")
               .arg(nameLength + 2)
               .arg(nameLength + 1);
}

// Every name that begins with the prefix sorts before this text followed by U+FFFF. In the
// Hungarian alphabet c, d, g, l, n, s, t and z may start a letter of two or three (cs, dzs,
// ...), each sorting right after its first one: the upper end of names that go on from such
// a trailing letter is its last, longest letter.
QString upperEnd(const QString& prefix) {
    static const QHash<QChar, QString> longest = {
        {QLatin1Char('c'), QStringLiteral("cs")}, {QLatin1Char('d'), QStringLiteral("dzs")},
        {QLatin1Char('g'), QStringLiteral("gy")}, {QLatin1Char('l'), QStringLiteral("ly")},
        {QLatin1Char('n'), QStringLiteral("ny")}, {QLatin1Char('s'), QStringLiteral("sz")},
        {QLatin1Char('t'), QStringLiteral("ty")}, {QLatin1Char('z'), QStringLiteral("zs")}};
    qsizetype end = prefix.size();
    while (end > 0 && longest.contains(prefix.at(end - 1).toLower()))
        --end;
    if (end == prefix.size()) return prefix;
    return prefix.left(end) + longest.value(prefix.at(end).toLower());
}

// The part of a LIKE pattern before its first wildcard.
QString literalPrefix(const QString& pattern) {
    qsizetype end = 0;
    while (end < pattern.size() && pattern.at(end) != QLatin1Char('%') && pattern.at(end) != QLatin1Char('_'))
        ++end;
    return pattern.left(end);
}

// What each procedure leaves behind when it was carried out, with its inputs as :p1,
// :p2, ... in their order: names and keys are unique, so the result can be looked up.
const QHash<QString, QString>& procedureEffects() {
    static const QString exists = QStringLiteral("select 1 from rdb$database where exists (%1)");
    static const QString gone = QStringLiteral("select 1 from rdb$database where not exists (%1)");
    static const QHash<QString, QString> effects{
        {QStringLiteral("PRC_TANAR_FELVETEL"),
         exists.arg(QStringLiteral("select 1 from table_tanar where nev = trim(cast(:p1 as varchar(1000))) "
                                   "and (cast(:p2 as integer) = -1 or id = :p2)"))},
        {QStringLiteral("PRC_TANAR_ELTAVOLITAS"),
         gone.arg(QStringLiteral("select 1 from table_tanar where id = :p1"))},
        {QStringLiteral("PRC_TARGY_FELVETELE"),
         exists.arg(QStringLiteral("select 1 from table_targy where targy_nev = trim(cast(:p2 as "
                                   "varchar(1000))) and (cast(:p1 as integer) = -1 or id = :p1)"))},
        {QStringLiteral("PRC_TARGY_TORLESE_TARGYAK_KOZUL"),
         gone.arg(QStringLiteral("select 1 from table_targy where id = :p1"))},
        {QStringLiteral("PRC_OSZTALY_FELVETELE"),
         exists.arg(QStringLiteral(
             "select 1 from table_osztaly where (id = :p4 or cast(:p4 as integer) = -1 and osztaly_szam = "
             "cast(trim(cast(:p5 as varchar(10))) as integer) and upper(osztaly_betu) = "
             "upper(trim(cast(:p3 as varchar(1000))))) and osztaly_szak is not distinct from "
             "nullif(trim(coalesce(cast(:p2 as varchar(1000)), '')), '') and osztalyfonok_id is not "
             "distinct from cast(:p1 as integer)"))},
        {QStringLiteral("PRC_OSZTALY_TORLESE"),
         gone.arg(QStringLiteral("select 1 from table_osztaly where id = :p1"))},
        {QStringLiteral("PRC_TARGY_HOZZAADASA_TANARHOZ"),
         exists.arg(
             QStringLiteral("select 1 from table_tanar_targy where targy_id = :p1 and tanar_id = :p2"))},
        {QStringLiteral("PRC_TARGY_ELVETELE_TANARTOL"),
         gone.arg(QStringLiteral("select 1 from table_tanar_targy where tanar_id = :p1 and targy_id = :p2"))},
        {QStringLiteral("PRC_TARGY_HOZZAADASA_OSZTALYHOZ"),
         exists.arg(QStringLiteral("select 1 from table_osztaly_targy where targy_id = :p1 and osztaly_id = "
                                   ":p2 and tanar_id = :p3"))},
        {QStringLiteral("PRC_TARGY_TORLESE_OSZTALYTOL"),
         gone.arg(QStringLiteral("select 1 from table_osztaly_targy where targy_id = :p1 and osztaly_id = "
                                 ":p2 and tanar_id = :p3"))},
    };
    return effects;
}

std::function<bool(db::Transaction&)> procedureDone(const QString& name, const ibq_parameterek& params) {
    const QString sql = procedureEffects().value(name.toUpper());
    if (sql.isEmpty()) return {};
    std::vector<std::pair<QString, QVariant>> named;
    for (int i = 0; i < params.size(); ++i)
        named.emplace_back(QStringLiteral("p%1").arg(i + 1), params.at(i));
    return UnsettledWrite::rowExists(sql, std::move(named));
}

QString idTagged(const QString& label, int spaces, const QString& id) {
    return label + QString(spaces, QLatin1Char(' ')) + QStringLiteral("ID:") + id;
}

} // namespace

Tmain_form::Tmain_form(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("main_form"));
    setWindowTitle(QStringLiteral("Korvana v2.0"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
    setFixedSize(624, 419);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 624, 419);
    Image1->setPixmap(QPixmap(QStringLiteral(":/hatter.png")));

    ui::bevel(this, QRect(8, 8, 176, 403));    // operations
    ui::bevel(this, QRect(192, 8, 254, 30));   // school year
    ui::bevel(this, QRect(452, 8, 164, 30));   // clock
    ui::bevel(this, QRect(192, 44, 424, 24));  // sorting
    ui::bevel(this, QRect(192, 372, 200, 39)); // quick search
    ui::bevel(this, QRect(398, 372, 218, 39)); // headcount
    ui::bevel(this, QRect(16, 14, 160, 24));   // small frame of the column title

    Label1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Aktuális tanév:"), ui::arial(12),
                       QRect(200, 14, 112, 18));
    edit_akt_tanev = new QLineEdit(this);
    edit_akt_tanev->setObjectName(QStringLiteral("edit_akt_tanev"));
    edit_akt_tanev->setGeometry(318, 13, 38, 20);
    edit_akt_tanev->setFrame(false);
    edit_akt_tanev->setFont(ui::arial(12));
    Label2 =
        ui::label(this, QStringLiteral("Label2"), QStringLiteral("/"), ui::arial(24), QRect(361, 8, 14, 28));
    edit_akt_tanev2 = new QLineEdit(this);
    edit_akt_tanev2->setObjectName(QStringLiteral("edit_akt_tanev2"));
    edit_akt_tanev2->setGeometry(378, 13, 38, 20);
    edit_akt_tanev2->setFrame(false);
    edit_akt_tanev2->setFont(ui::arial(12));
    edit_akt_tanev2->setReadOnly(true);
    ui::nameBy(Label1, edit_akt_tanev);
    edit_akt_tanev2->setAccessibleName(QStringLiteral("Aktuális tanév második éve"));
    label_ido =
        ui::label(this, QStringLiteral("label_ido"), QString(), ui::arial(12), QRect(458, 14, 154, 18));
    label_ido->setAlignment(Qt::AlignCenter);

    Label3 = ui::label(this, QStringLiteral("Label3"), QStringLiteral("Műveletek"), ui::arial(13),
                       QRect(18, 16, 156, 20));
    Label3->setAlignment(Qt::AlignCenter);
    const int x = 16, w = 160, h = 30, gap = 4;
    int y = 46;
    auto next = [&](int height) {
        const QRect r(x, y, w, height);
        y += height + gap;
        return r;
    };
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("Új tanuló felvétele"),
                         ui::arial(12), next(h), true);
    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("Kijelöltről Infó és Módosít."),
                         ui::arial(12), next(h), true);
    Button13 = ui::button(this, QStringLiteral("Button13"), QStringLiteral("Kijelölt tanuló törlése"),
                          ui::arial(12), next(h), false);
    Button4 = ui::button(this, QStringLiteral("Button4"), QStringLiteral("Osztályok karbantártása"),
                         ui::arial(12), next(h), true);
    Button5 = ui::button(this, QStringLiteral("Button5"), QStringLiteral("Tanárok karbantartása"),
                         ui::arial(12), next(h), true);
    Button6 = ui::button(this, QStringLiteral("Button6"), QStringLiteral("Tantárgyak karbantartása"),
                         ui::arial(12), next(h), true);
    Button11 = ui::button(this, QStringLiteral("Button11"), QStringLiteral("Tanárok és Tantárgyak"),
                          ui::arial(12), next(h), false);
    Button12 = ui::button(this, QStringLiteral("Button12"), QStringLiteral("Osztályok és tantárgyak"),
                          ui::arial(12), next(h), false);
    Button7 = ui::button(this, QStringLiteral("Button7"), QStringLiteral("Lekérdezések"), ui::arial(12),
                         next(h), true);
    // The free room above "Kilépés" holds the way to the office's yearly work.
    Button14 = ui::button(this, QStringLiteral("Button14"), QStringLiteral("Éves ügyintézés"), ui::arial(12),
                          QRect(x, y, w, 26), true);
    Button3 = ui::button(this, QStringLiteral("Button3"), QStringLiteral("Kilépés"), ui::arial(12),
                         QRect(x, 383, w, 21), true);

    Label4 = ui::label(this, QStringLiteral("Label4"), QStringLiteral("rendezés:"), ui::arial(11),
                       QRect(198, 48, 60, 16));
    Button8 = ui::button(this, QStringLiteral("Button8"), QStringLiteral("név szerint"), ui::arial(12),
                         QRect(258, 47, 96, 18), true);
    Button9 = ui::button(this, QStringLiteral("Button9"), QStringLiteral("évf. és oszt. szerint"),
                         ui::arial(12), QRect(356, 47, 128, 18), true);
    Button10 = ui::button(this, QStringLiteral("Button10"), QStringLiteral("oszt. és évf. szerint"),
                          ui::arial(12), QRect(486, 47, 126, 18), true);
    for (QPushButton* b : {Button8, Button9, Button10})
        b->setFont(ui::arial(11));

    dbg_tanulok = new ui::DataGrid(this);
    dbg_tanulok->setObjectName(QStringLiteral("dbg_tanulok"));
    dbg_tanulok->setGeometry(190, 74, 428, 291);
    dbg_tanulok->setFont(ui::arial(11));
    dbg_tanulok->setTabKeyNavigation(true);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->setFont(ui::arial(12, false));
    dbg_tanulok->setPopupMenu(PopupMenu1);
    dbg_tanulok->setStretchField(QStringLiteral("Diák neve"));
    QFont title(QStringLiteral("MS Sans Serif"));
    title.setPixelSize(11);
    dbg_tanulok->horizontalHeader()->setFont(title);
    dbg_tanulok->setAccessibleName(QStringLiteral("Tanulók listája"));

    Label5 = ui::label(this, QStringLiteral("Label5"), QStringLiteral("Gyorskeresés név alapján:"),
                       ui::arial(11), QRect(198, 375, 190, 14));
    edit_gyors_ker = new QLineEdit(this);
    edit_gyors_ker->setObjectName(QStringLiteral("edit_gyors_ker"));
    edit_gyors_ker->setGeometry(198, 389, 114, 20);
    edit_gyors_ker->setFont(ui::arial(11));
    edit_gyors_ker->setFrame(false);
    edit_gyors_ker->setCursor(Qt::IBeamCursor);
    ui::nameBy(Label5, edit_gyors_ker);
    label_letszam =
        ui::label(this, QStringLiteral("label_letszam"), QString(), ui::arial(12), QRect(404, 382, 206, 20));
    label_letszam->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // Tab order as the office is used to it.
    QWidget* order[] = {Button2,        Button1,         Button13,    Button4,  Button5, Button6,
                        Button11,       Button12,        Button7,     Button14, Button3, edit_gyors_ker,
                        edit_akt_tanev, edit_akt_tanev2, dbg_tanulok, Button8,  Button9, Button10};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, ui::guard([this] { Timer1Timer(); }));
    connect(edit_akt_tanev, &QLineEdit::textChanged, this, ui::guard([this] { edit_akt_tanevChange(); }));
    connect(edit_gyors_ker, &QLineEdit::textChanged, this, ui::guard([this] { edit_gyors_kerChange(); }));
    connect(Button8, &QPushButton::clicked, this, ui::guard([this] { Button8Click(); }));
    connect(Button9, &QPushButton::clicked, this, ui::guard([this] { Button9Click(); }));
    connect(Button10, &QPushButton::clicked, this, ui::guard([this] { Button10Click(); }));
    connect(Button13, &QPushButton::clicked, this, ui::guard([this] { Button13Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button5, &QPushButton::clicked, this, ui::guard([this] { Button5Click(); }));
    connect(Button6, &QPushButton::clicked, this, ui::guard([this] { Button6Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
    connect(Button11, &QPushButton::clicked, this, ui::guard([this] { Button11Click(); }));
    connect(Button12, &QPushButton::clicked, this, ui::guard([this] { Button12Click(); }));
    connect(Button7, &QPushButton::clicked, this, ui::guard([this] { Button7Click(); }));
    connect(Button14, &QPushButton::clicked, this, ui::guard([this] { Button14Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    Timer1->start();
    ui::guarded([this] { FormCreate(); });
}

void Tmain_form::FormCreate() {
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect area = s->availableGeometry();
        move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    label_ido->setText(clockText(QDateTime::currentDateTime()));
    akt_tanev();
}

QString Tmain_form::clockText(const QDateTime& now) {
    return now.date().toString(db::kDateFormat) + QStringLiteral("  ") + now.time().toString(db::kTimeFormat);
}

void Tmain_form::Timer1Timer() {
    label_ido->setText(clockText(QDateTime::currentDateTime()));
}

void Tmain_form::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible() && isEnabled() && DM)
        ui::guarded([this] { FormActivate(); });
}

void Tmain_form::closeEvent(QCloseEvent* event) {
    // While a child window is open the main window takes no input, its close included:
    // quitting now would lose what the child holds.
    if (openChild_ && openChild_->isVisible()) {
        event->ignore();
        openChild_->raise();
        openChild_->activateWindow();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

void Tmain_form::FormActivate() {
    // An activation is nobody's request: a lost connection or a list that failed waits
    // for the user's next action, so a failure is never shown again and again.
    if (DM->dbTanulo.isConnected() && !DM->dbTanulo.isLost()) {
        DM->refreshStudentsIfPending();
        if (!DM->dataset_Tanulok.failed()) DM->dataset_Tanulok.open();
        akt_letszam();
    }
    setWindowOpacity(1.0);
}

// ---- helpers ----

QStringList& Tmain_form::query(bool fromFile, const QString& sql, const ibq_parameterek& params,
                               QStringList& lines) {
    db::Statement statement(DM->dbTanulo, DM->trTanulo);
    statement.prepare(fromFile ? DM->sqlText(sql) : sql);
    if (!params.isEmpty()) statement.bind(params);
    statement.execute();
    QStringList result;
    while (statement.fetch()) {
        QString line;
        for (int c = 0; c < statement.columnCount(); ++c)
            line += db::displayText(statement.value(c)) + QLatin1Char(';');
        result << line;
    }
    lines = result; // a failure above leaves the caller's list as it was
    return lines;
}

qint64 Tmain_form::query_mod(bool fromFile, const QString& sql, const ibq_parameterek& params) {
    qint64 affected = 0;
    {
        // Written in a transaction of its own, ended before the user hears of it.
        const TDM::WriteScope write;
        db::Statement statement(DM->dbTanulo, DM->trTanulo);
        statement.prepare(fromFile ? DM->sqlText(sql) : sql);
        statement.bind(params);
        statement.execute();
        affected = statement.rowsAffected();
        DM->trTanulo.commit();
    }
    DM->dataset_Tanulok.open();
    return affected;
}

bool Tmain_form::StoredProc(const QString& name, const ibq_parameterek& params) {
    const TDM::WriteScope write;
    db::StoredProcedure call(DM->dbTanulo, DM->trTanulo);
    call.setName(name);
    call.prepare();
    if (params.size() > call.inputNames().size()) call.bind(params); // too many values: not guarded
    try {
        call.bind(params);
        call.execute();
        DM->trTanulo.commit();
        return true;
    } catch (const db::CommitUnknown& e) {
        call.close();
        UnsettledWrite w;
        w.transactionId = e.transactionId();
        w.wasStored = procedureDone(name, params);
        if (!w.wasStored) {
            // Nothing to look for: say so, so that nobody repeats it blindly.
            ui::error(QStringLiteral("%1 eljárás eredménye a kapcsolat megszakadása miatt nem ismert.\r"
                                     "Nézze meg a listában, megtörtént-e.")
                          .arg(ui::aAz(name, true)));
            return false;
        }
        w.stored = [] {
            ui::information(QStringLiteral("A kapcsolat megszakadásakor elküldött módosítás megtörtént."));
        };
        return DM->settleLostCommit(std::move(w));
    } catch (const db::Error& e) {
        QString text;
        hiba_kiir(e, text);
        call.close();
        DM->trTanulo.rollback();
        ui::error(QStringLiteral("H I B A    T Ö R T É N T ! \r \r") + text);
        return false;
    }
}

QString Tmain_form::hiba_kiir_text(const QString& message) {
    const qsizetype first = message.indexOf(QLatin1Char('\\'));
    const qsizetype second = first < 0 ? -1 : message.indexOf(QLatin1Char('\\'), first + 1);
    // Not one of the database's own refusals: the whole message says most.
    if (second < 0) return message.trimmed();
    return message.mid(first + 1, second - first - 1);
}

void Tmain_form::hiba_kiir(const std::exception& error, QString& text) {
    const auto* e = dynamic_cast<const db::Error*>(&error);
    const QString message = e ? e->message() : QString::fromUtf8(error.what());
    // The procedures' own refusals stand between backslashes; anything else (a lost
    // connection, a conflict, a value too long) gets its Hungarian explanation.
    text = message.count(QLatin1Char('\\')) >= 2 ? ui::nevelokKitoltve(hiba_kiir_text(message))
                                                 : db::userText(error).trimmed();
}

void Tmain_form::combo_nyelv_feltolt(QComboBox* combo, const QStringList& lines) {
    combo->clear();
    for (const QString& line : lines) {
        const qsizetype semi = line.indexOf(QLatin1Char(';'));
        const QString id = semi < 0 ? line : line.left(semi);
        QString rest = semi < 0 ? QString() : line.mid(semi + 1);
        if (!rest.isEmpty()) rest.chop(1); // the row line's closing ";"
        combo->addItem(idTagged(rest, 98, id));
    }
    combo->setCurrentIndex(-1);
}

void Tmain_form::combo_targyak_feltolt(QComboBox* combo, const QStringList& lines) {
    combo_nyelv_feltolt(combo, lines);
}

void Tmain_form::combo_osztaly_feltolt(QComboBox* combo, const QStringList& lines) {
    combo->clear();
    for (const QString& line : lines) {
        const QStringList f = line.split(QLatin1Char(';'));
        combo->addItem(idTagged(f.value(1) + QLatin1Char(' ') + f.value(2), 96, f.value(0)));
    }
    combo->setCurrentIndex(-1);
}

bool Tmain_form::datumellenorzes(const QString& text) {
    const bool ok = text.size() == 11 && text.at(4) == QLatin1Char('.') && text.at(7) == QLatin1Char('.') &&
                    text.at(10) == QLatin1Char('.');
    if (!ok) ui::warning(QStringLiteral("Helytelen DátumFormátum!\r \rHelyes formátum:  ÉÉÉÉ.HH.NN."));
    return ok;
}

void Tmain_form::akt_tanev() {
    akt_tanev_at(QDate::currentDate());
}

void Tmain_form::akt_tanev_at(const QDate& today) {
    // The school year the registry was last moved into; before the first move (or with no
    // database yet) it turns on 1 October.
    int year = tanev::datumSzerint(today);
    if (DM && DM->dbTanulo.isConnected()) year = tanev::aktualis(DM->dbTanulo, today);
    edit_akt_tanev->setText(QString::number(year));
    edit_akt_tanev2->setText(QString::number(year + 1));
}

void Tmain_form::akt_letszam() {
    const letszam::Reading reading = letszam::read(DM->dbTanulo);
    label_letszam->setText(QString::number(reading.students) + QStringLiteral(" diák nyílvántartva"));
    if (reading.rows > letszam::kFoldAbove) letszam::fold(DM->dbTanulo);
    // the October statistics' counts, kept short the same way
    oktoberi::fold(DM->dbTanulo);
}

// ---- the student list ----

void Tmain_form::edit_akt_tanevChange() {
    if (edit_akt_tanev->text().isEmpty()) return;
    edit_akt_tanev2->setText(QString::number(Tmain_form::nextYear(edit_akt_tanev->text())));
}

int Tmain_form::nextYear(const QString& text) {
    const int year = db::toInt(text);
    if (year == std::numeric_limits<int>::max()) throw db::ConversionError(text);
    return year + 1;
}

void Tmain_form::sortBy(const QString& fileName) {
    db::Dataset& list = DM->dataset_Tanulok;
    list.close();
    list.setSelectSQL(DM->sqlText(fileName));
    list.clearParams();
    list.open();
}

void Tmain_form::Button8Click() {
    sortBy(QStringLiteral("dataset_Tanulo_SelectSQL3.sql"));
}
void Tmain_form::Button9Click() {
    sortBy(QStringLiteral("dataset_Tanulo_SelectSQL2.sql"));
}
void Tmain_form::Button10Click() {
    sortBy(QStringLiteral("dataset_Tanulo_SelectSQL4.sql"));
}

void Tmain_form::edit_gyors_kerChange() {
    db::Dataset& list = DM->dataset_Tanulok;
    list.close();
    list.setSelectSQL(QString());
    list.clearParams();
    const QuickSearch search = quickSearch(
        edit_gyors_ker->text(), DM->columnLength(QStringLiteral("table_diak"), QStringLiteral("nev")));
    list.setSelectSQL(search.sql);
    // The parameters stay with the list, so every reopening searches what the box shows.
    for (const auto& [name, value] : search.params)
        list.setParam(name, value);
    list.open();
}

Tmain_form::QuickSearch Tmain_form::quickSearch(const QString& text, int nameLength) {
    if (text.isEmpty()) return {kQuickSearchAll, {}};
    // A search is not a store: such text matches no name, and that is no error.
    if (text.size() > nameLength || db::firstUnstorable(text) >= 0) return {kQuickSearchNone, {}};
    const QString prefix = literalPrefix(text);
    return {quickSearchLike(nameLength),
            {{QStringLiteral("tol"), prefix},
             {QStringLiteral("ig"), upperEnd(prefix)},
             {QStringLiteral("nev"), text + QLatin1Char('%')}}};
}

void Tmain_form::Button13Click() {
    db::Dataset& list = DM->dataset_Tanulok;
    if (list.isEmpty()) return;
    const int id = db::toInt(db::displayText(list.fieldByName(QStringLiteral("ID"))));
    const QString question =
        QStringLiteral("Valóban törli a következő tanulót?\r\rID: ") + QString::number(id) +
        QStringLiteral("\rNév: ") + db::displayText(list.fieldByName(QStringLiteral("Diák neve"))) +
        QStringLiteral("\rOsztály: ") + db::displayText(list.fieldByName(QStringLiteral("Évfolyam"))) +
        QLatin1Char('.') + db::displayText(list.fieldByName(QStringLiteral("Osztály")));
    if (!ui::informationYesNo(question)) return;
    qint64 deleted = 0;
    try {
        deleted = query_mod(false, QStringLiteral("DELETE from table_diak WHERE table_diak.id = :id"),
                            ibq_parameterek{id});
    } catch (const db::CommitUnknown& e) {
        UnsettledWrite w;
        w.transactionId = e.transactionId();
        w.wasStored = UnsettledWrite::rowExists(
            QStringLiteral(
                "select 1 from rdb$database where not exists (select 1 from table_diak where id = :id)"),
            {{QStringLiteral("id"), id}});
        w.stored = [this] {
            ui::information(QStringLiteral("Sikeres Törlés!"));
            akt_letszam();
        };
        if (!DM->settleLostCommit(std::move(w))) return;
        DM->dataset_Tanulok.open();
        deleted = 1;
    }
    if (deleted == 0) {
        // Another copy got there first: nothing changed, and the list now shows that.
        ui::warning(
            QStringLiteral("A tanulót időközben egy másik felhasználó már törölte.\r\rA lista frissült."));
        akt_letszam();
        return;
    }
    ui::information(QStringLiteral("Sikeres Törlés!"));
    akt_letszam();
}

void Tmain_form::Button3Click() {
    // The program ends even when the detach fails.
    ui::guarded([] { DM->dbTanulo.close(); });
    QCoreApplication::quit();
}

// ---- opening the other windows ----

namespace {
// The windows that opened the current one ("Éves ügyintézés" its task, the archive a
// leaver's log) and wait behind it, the last one on top.
QList<QPointer<ui::ChildWindow>> waiting;
} // namespace

void Tmain_form::openChild(ui::ChildWindow* child, const std::function<void()>& prepare) {
    if (openChild_ && openChild_ != child && openChild_->isVisible()) {
        waiting << openChild_;
        openChild_->setEnabled(false);
    }
    openChild_ = child;
    setWindowOpacity(kDimmed);
    setEnabled(false);
    const bool prepared = ui::guarded([&] { prepare(); });
    if (!prepared) {
        // The error has been shown; the main window is never left disabled.
        child->hide();
        restoreAfterChild();
        return;
    }
    child->centreOnScreen();
    child->show();
    child->raise();
    child->activateWindow();
}

void Tmain_form::restoreAfterChild() {
    while (!waiting.isEmpty()) {
        ui::ChildWindow* back = waiting.takeLast();
        if (!back || !back->isVisible()) continue;
        openChild_ = back;
        back->setEnabled(true);
        back->raise();
        back->activateWindow();
        return;
    }
    openChild_ = nullptr;
    setEnabled(true);
    activateWindow();
    raise();
    // Closing a child is the user's action: a failed list or a lost connection is tried again.
    ui::guarded([this] {
        DM->dataset_Tanulok.clearFailed();
        DM->refreshStudentsIfPending(); // does nothing on a lost connection
        DM->dataset_Tanulok.open();
        akt_letszam();
    });
    setWindowOpacity(1.0);
}

void Tmain_form::childClosed() {
    restoreAfterChild();
}

void Tmain_form::Button2Click() {
    openChild(uj_tanulo_Form, [] { uj_tanulo_Form->prepareNew(); });
}

void Tmain_form::Button1Click() {
    openChild(uj_tanulo_Form, [this] {
        db::Dataset& list = DM->dataset_Tanulok;
        if (list.isEmpty()) throw db::Error(QStringLiteral("Nincs kijelölt tanuló a listában."));
        tanulo_adatmodositas_form(db::toInt(db::displayText(list.fieldByName(QStringLiteral("ID")))));
    });
}

// Fills the record window for the student; the opening pattern shows it.
void Tmain_form::tanulo_adatmodositas_form(int id) {
    uj_tanulo_Form->prepareModify(id);
}

void Tmain_form::Button5Click() {
    openChild(tanarok_form, [] { tanarok_form->prepareOpen(); });
}

void Tmain_form::Button6Click() {
    openChild(tantargyak_form, [] { tantargyak_form->prepareOpen(); });
}

void Tmain_form::Button4Click() {
    openChild(osztalyok_form, [] { osztalyok_form->prepareOpen(); });
}

void Tmain_form::Button11Click() {
    openChild(tanar_targy_form, [] { tanar_targy_form->prepareOpen(); });
}

void Tmain_form::Button12Click() {
    openChild(oszt_tan_form, [] { oszt_tan_form->prepareOpen(); });
}

void Tmain_form::Button7Click() {
    openChild(lekerdezesek_form, [] { lekerdezesek_form->prepareOpen(); });
}

void Tmain_form::Button14Click() {
    openChild(evi_ugyek_form, [] { evi_ugyek_form->prepareOpen(); });
}
