#include "fiokok__form.h"

#include <QHeaderView>

#include "Fiok.h"
#include "data/DataModule.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Text.h"
#include "db/Transaction.h"
#include "main/main__form.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Nevelo.h"
#include "ui/Widgets.h"

Tfiokok_form* fiokok_form = nullptr;

using fiok::Szerep;

namespace {
QLineEdit* edit(QWidget* parent, const QString& name, const QRect& r, bool password = false) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(r);
    e->setFont(ui::arial(12, false));
    if (password) e->setEchoMode(QLineEdit::Password);
    return e;
}

// The server's refusal of a change to an account, told in Hungarian.
[[noreturn]] void refused(const db::DbError& e, const QString& what) {
    if (e.hasCode(isc_no_priv))
        throw db::Error(QStringLiteral("%1 nem sikerült: ehhez nincs jogosultsága a szerveren.").arg(what));
    throw db::Error(QStringLiteral("%1 nem sikerült: a szerver elutasította.").arg(what));
}
} // namespace

Tfiokok_form::Tfiokok_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("fiokok_form"));
    setWindowTitle(QStringLiteral("Felhasználói fiókok"));
    setClientSize(640, 520);
    label_ki = ui::label(this, QStringLiteral("label_ki"), QString(), ui::arial(12), QRect(10, 10, 620, 20));

    ui::bevel(this, QRect(4, 36, 632, 300));
    QLabel* l1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("A fiókok"), ui::arial(12),
                           QRect(10, 42, 300, 20));
    grid_fiokok = new QTableWidget(0, 4, this);
    grid_fiokok->setObjectName(QStringLiteral("grid_fiokok"));
    grid_fiokok->setGeometry(10, 64, 620, 130);
    grid_fiokok->setHorizontalHeaderLabels({QStringLiteral("Felhasználónév"), QStringLiteral("Teljes név"),
                                            QStringLiteral("Szerep"), QStringLiteral("Aktív")});
    grid_fiokok->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grid_fiokok->verticalHeader()->hide();
    grid_fiokok->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_fiokok->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_fiokok->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list for the next control; the arrows move between the accounts
    grid_fiokok->setTabKeyNavigation(false);
    grid_fiokok->setFont(ui::arial(12, false));
    ui::nameBy(l1, grid_fiokok);

    struct Row {
        const char* caption;
        QLineEdit** edit;
        const char* name;
        bool password;
    };
    int y = 202;
    for (const Row& r : {Row{"Felhasználónév:", &e_felhasznalo, "e_felhasznalo", false},
                         Row{"Teljes név:", &e_teljes_nev, "e_teljes_nev", false},
                         Row{"Jelszó:", &e_jelszo1, "e_jelszo1", true},
                         Row{"Jelszó még egyszer:", &e_jelszo2, "e_jelszo2", true}}) {
        QLabel* l =
            ui::label(this, QString(), QString::fromUtf8(r.caption), ui::arial(12), QRect(10, y, 150, 20));
        *r.edit = edit(this, QString::fromLatin1(r.name), QRect(164, y - 1, 220, 22), r.password);
        ui::nameBy(l, *r.edit);
        y += 26;
    }
    e_teljes_nev->setMaxLength(100);

    QLabel* l2 = ui::label(this, QStringLiteral("Label2"), QStringLiteral("Szerep:"), ui::arial(12),
                           QRect(400, 202, 60, 20));
    combo_szerep = new QComboBox(this);
    combo_szerep->setObjectName(QStringLiteral("combo_szerep"));
    combo_szerep->setGeometry(464, 201, 166, 22);
    combo_szerep->setFont(ui::arial(12, false));
    for (Szerep s : {Szerep::Iroda, Szerep::Olvaso, Szerep::Vezeto})
        combo_szerep->addItem(fiok::szerepNev(s), static_cast<int>(s));
    ui::nameBy(l2, combo_szerep);
    ButtonUj = ui::button(this, QStringLiteral("ButtonUj"), QStringLiteral("Ú&j fiók"), ui::arial(12),
                          QRect(400, 230, 230, 26), true);
    ButtonSzerep = ui::button(this, QStringLiteral("ButtonSzerep"), QStringLiteral("Sze&rep módosítása"),
                              ui::arial(12), QRect(400, 262, 230, 26), true);
    ButtonAktiv = ui::button(this, QStringLiteral("ButtonAktiv"), QStringLiteral("&Ki- vagy bekapcsolás"),
                             ui::arial(12), QRect(400, 294, 230, 26), true);
    ButtonJelszo =
        ui::button(this, QStringLiteral("ButtonJelszo"), QStringLiteral("Új jel&szó a kijelöltnek"),
                   ui::arial(12), QRect(10, 306, 374, 26), true);

    ui::bevel(this, QRect(4, 340, 632, 140));
    ui::label(this, QStringLiteral("Label3"), QStringLiteral("Saját jelszó"), ui::arial(12),
              QRect(10, 346, 300, 20));
    y = 372;
    for (const Row& r :
         {Row{"Régi jelszó:", &e_regi, "e_regi", true}, Row{"Új jelszó:", &e_uj1, "e_uj1", true},
          Row{"Új jelszó még egyszer:", &e_uj2, "e_uj2", true}}) {
        QLabel* l =
            ui::label(this, QString(), QString::fromUtf8(r.caption), ui::arial(12), QRect(10, y, 180, 20));
        *r.edit = edit(this, QString::fromLatin1(r.name), QRect(194, y - 1, 190, 22), r.password);
        ui::nameBy(l, *r.edit);
        y += 26;
    }
    // the one limit, told in every box that takes a new password
    for (QLineEdit* e : {e_jelszo1, e_jelszo2, e_uj1, e_uj2})
        e->setPlaceholderText(QStringLiteral("%1–%2 karakter").arg(fiok::kJelszoMin).arg(fiok::kJelszoMax));
    ButtonSajat = ui::button(this, QStringLiteral("ButtonSajat"), QStringLiteral("Saját jelszó &módosítása"),
                             ui::arial(12), QRect(400, 422, 230, 26), true);
    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("bezárás"), ui::arial(12),
                         QRect(490, 488, 140, 24), true);
    QLabel* note = ui::label(this, QStringLiteral("label_vezeto"),
                             QStringLiteral("A vezető szerepű fiók a szerver rendszergazdája is: a szerver "
                                            "minden fiókját kezelheti, a SYSDBA-t is."),
                             ui::arial(10, false), QRect(10, 484, 470, 32));
    note->setWordWrap(true);

    connect(ButtonUj, &QPushButton::clicked, this, ui::guard([this] { ButtonUjClick(); }));
    connect(ButtonSzerep, &QPushButton::clicked, this, ui::guard([this] { ButtonSzerepClick(); }));
    connect(ButtonAktiv, &QPushButton::clicked, this, ui::guard([this] { ButtonAktivClick(); }));
    connect(ButtonJelszo, &QPushButton::clicked, this, ui::guard([this] { ButtonJelszoClick(); }));
    connect(ButtonSajat, &QPushButton::clicked, this, ui::guard([this] { ButtonSajatClick(); }));
    connect(Button1, &QPushButton::clicked, this, [this] { close(); });
    // no default: Enter never makes or changes an account by itself
    setKeys(nullptr, [this] {
        for (QLineEdit* e : {e_felhasznalo, e_teljes_nev, e_jelszo1, e_jelszo2})
            if (e->isModified()) return true;
        return false;
    });
    connect(grid_fiokok, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row < 0) return;
        e_felhasznalo->setText(grid_fiokok->item(row, 0)->text());
        e_teljes_nev->setText(grid_fiokok->item(row, 1)->text());
        combo_szerep->setCurrentIndex(combo_szerep->findText(grid_fiokok->item(row, 2)->text()));
    });
}

void Tfiokok_form::prepareOpen() {
    label_ki->setText(QStringLiteral("Bejelentkezve: %1").arg(fiok::munkamenet().leiras()));
    const bool head = fiok::szabad(Szerep::Vezeto);
    for (QWidget* w :
         std::initializer_list<QWidget*>{grid_fiokok, e_felhasznalo, e_teljes_nev, combo_szerep, e_jelszo1,
                                         e_jelszo2, ButtonUj, ButtonSzerep, ButtonAktiv, ButtonJelszo}) {
        w->setEnabled(true);
        fiok::korlatoz(w, Szerep::Vezeto);
    }
    for (QLineEdit* e : {e_felhasznalo, e_teljes_nev, e_jelszo1, e_jelszo2, e_regi, e_uj1, e_uj2}) {
        e->clear(); // an undoable edit: the box would still count as typed in
        e->setModified(false);
    }
    grid_fiokok->setRowCount(0);
    if (head) reload();
    // a new account is the office's unless the head chooses otherwise
    grid_fiokok->setCurrentCell(-1, -1);
    grid_fiokok->clearSelection();
    combo_szerep->setCurrentIndex(combo_szerep->findData(static_cast<int>(Szerep::Iroda)));
}

void Tfiokok_form::reload() {
    grid_fiokok->setRowCount(0);
    db::Transaction tr(DM->dbTanulo, nullptr, db::Transaction::Access::ReadOnly);
    db::Statement s(DM->dbTanulo, tr);
    s.prepare(QStringLiteral(
        "select trim(p.rdb$user), f.teljes_nev, trim(p.rdb$relation_name), u.sec$active "
        "from rdb$user_privileges p left join table_fiok f on f.felhasznalo = trim(p.rdb$user) "
        "left join sec$users u on u.sec$user_name = p.rdb$user "
        "where p.rdb$privilege = 'M' and p.rdb$user_type = 8 and p.rdb$relation_name in "
        "('KORVANA_VEZETO', 'KORVANA_IRODA', 'KORVANA_OLVASO') order by 1"));
    s.execute();
    while (s.fetch()) {
        const int row = grid_fiokok->rowCount();
        grid_fiokok->insertRow(row);
        const QString cells[] = {s.value(0).toString(), s.value(1).toString(),
                                 fiok::szerepNev(fiok::szerepByRole(s.value(2).toString())),
                                 s.value(3).toBool() ? QStringLiteral("igen") : QStringLiteral("nem")};
        for (int c = 0; c < 4; ++c)
            grid_fiokok->setItem(row, c, new QTableWidgetItem(cells[c]));
    }
    s.closeCursor();
    tr.commit();
}

QString Tfiokok_form::chosen() const {
    const int row = grid_fiokok->currentRow();
    if (row < 0) throw db::Error(QStringLiteral("Nincs kijelölt fiók a listában."));
    return grid_fiokok->item(row, 0)->text();
}

QString Tfiokok_form::newPassword(QLineEdit* first, QLineEdit* second) {
    const QString p = first->text();
    if (p != second->text()) throw db::Error(QStringLiteral("A két jelszó nem egyezik."));
    if (const QString why = fiok::jelszoHiba(p); !why.isEmpty()) throw db::Error(why);
    if (db::firstUnstorable(p) >= 0)
        throw db::Error(
            QStringLiteral("A jelszóban olyan karakter áll, amelyet az adatbázis nem tud tárolni."));
    return p;
}

void Tfiokok_form::run(const QStringList& statements, const QString& what) {
    db::Transaction tr(DM->dbTanulo);
    try {
        db::Statement s(DM->dbTanulo, tr);
        for (const QString& sql : statements) {
            s.prepare(sql, db::Statement::Markers::Positional);
            s.execute();
        }
        s.free();
        tr.commit();
    } catch (const db::DbError& e) {
        if (tr.isActive()) tr.rollback();
        refused(e, what);
    } catch (...) {
        if (tr.isActive()) tr.rollback();
        throw;
    }
}

QStringList Tfiokok_form::column(const QString& sql, const QString& user) {
    db::Transaction tr(DM->dbTanulo, nullptr, db::Transaction::Access::ReadOnly);
    db::Statement s(DM->dbTanulo, tr);
    s.prepare(sql, db::Statement::Markers::Positional);
    s.bind({user});
    s.execute();
    QStringList values;
    while (s.fetch())
        values << s.value(0).toString().trimmed();
    s.closeCursor();
    tr.commit();
    return values;
}

void Tfiokok_form::keepOneHead(const QString& name) {
    const QString heads =
        QStringLiteral("select p.rdb$user from rdb$user_privileges p join sec$users u on u.sec$user_name = "
                       "p.rdb$user where p.rdb$relation_name = 'KORVANA_VEZETO' and p.rdb$privilege = 'M' "
                       "and p.rdb$user_type = 8 and u.sec$active and p.rdb$user <> ?");
    const bool isHead = column(QStringLiteral("select rdb$relation_name from rdb$user_privileges where "
                                              "rdb$user = ? and rdb$privilege = 'M' and rdb$user_type = 8"),
                               name)
                            .contains(QStringLiteral("KORVANA_VEZETO"));
    if (isHead && column(heads, name).isEmpty())
        throw db::Error(QStringLiteral("%1 fiók az iskola utolsó aktív vezetője: előbb adjon vezető szerepet "
                                       "valaki másnak, különben senki sem kezelhetné a fiókokat.")
                            .arg(ui::aAz(name, true)));
}

void Tfiokok_form::ButtonUjClick() {
    const QString name = e_felhasznalo->text().trimmed().toUpper();
    if (const QString why = fiok::felhasznaloNevHiba(name); !why.isEmpty()) throw db::Error(why);
    const QString fullName = e_teljes_nev->text().simplified();
    if (fullName.isEmpty()) throw db::Error(QStringLiteral("Adja meg a fiók tulajdonosának teljes nevét."));
    if (db::firstUnstorable(fullName) >= 0)
        throw db::Error(db::unstorableMessage(fullName, db::firstUnstorable(fullName)));
    const QString password = newPassword(e_jelszo1, e_jelszo2);
    const auto role = static_cast<Szerep>(combo_szerep->currentData().toInt());
    {
        db::Transaction tr(DM->dbTanulo, nullptr, db::Transaction::Access::ReadOnly);
        db::Statement s(DM->dbTanulo, tr);
        s.prepare(QStringLiteral("select count(*) from sec$users where sec$user_name = ?"));
        s.bind({name});
        s.execute();
        s.fetch();
        const bool taken = s.value(0).toInt() > 0;
        s.closeCursor();
        tr.commit();
        if (taken)
            throw db::Error(
                QStringLiteral("Már van %1 nevű fiók a szerveren: válasszon másik felhasználónevet.")
                    .arg(name));
    }
    // The account lives on the server: it is made first, then given its role here.
    run({QStringLiteral("create user %1 password %2 using plugin Srp%3")
             .arg(name, fiok::literal(password),
                  role == Szerep::Vezeto ? QStringLiteral(" grant admin role") : QString())},
        QStringLiteral("A fiók létrehozása"));
    QStringList grants{QStringLiteral("grant %1 to %2").arg(fiok::szerepRole(role), name)};
    if (role == Szerep::Vezeto) grants << QStringLiteral("grant rdb$admin to %1").arg(name);
    grants << QStringLiteral("update or insert into table_fiok (felhasznalo, teljes_nev) values (%1, %2) "
                             "matching (felhasznalo)")
                  .arg(fiok::literal(name), fiok::literal(fullName));
    run(grants, QStringLiteral("A fiók szerepének megadása"));
    reload();
    for (QLineEdit* e : {e_felhasznalo, e_teljes_nev, e_jelszo1, e_jelszo2}) {
        e->clear(); // an undoable edit: the box would still count as typed in
        e->setModified(false);
    }
    ui::information(
        this, QStringLiteral("%1 fiók elkészült (%2).").arg(ui::aAz(name, true), fiok::szerepNev(role)));
}

void Tfiokok_form::ButtonSzerepClick() {
    const QString name = chosen();
    const auto role = static_cast<Szerep>(combo_szerep->currentData().toInt());
    if (role != Szerep::Vezeto) keepOneHead(name);
    // Each role it holds is revoked in the name of whoever granted it: another head, or
    // the script that turned the accounts on.
    QStringList change;
    for (const QString& held :
         column(QStringLiteral("select trim(rdb$relation_name) || ' ' || trim(rdb$grantor) from "
                               "rdb$user_privileges where rdb$user = ? and rdb$privilege = 'M' and "
                               "rdb$user_type = 8"),
                name)) {
        const QString r = held.section(u' ', 0, 0), grantor = held.section(u' ', 1);
        if (r.startsWith(QStringLiteral("KORVANA_")) || r == QStringLiteral("RDB$ADMIN"))
            change << QStringLiteral("revoke %1 from %2 granted by \"%3\"").arg(r, name, grantor);
    }
    change << QStringLiteral("grant %1 to %2").arg(fiok::szerepRole(role), name);
    if (role == Szerep::Vezeto) change << QStringLiteral("grant rdb$admin to %1").arg(name);
    run(change, QStringLiteral("A szerep módosítása"));
    run({QStringLiteral("alter user %1 %2 admin role")
             .arg(name, role == Szerep::Vezeto ? QStringLiteral("grant") : QStringLiteral("revoke"))},
        QStringLiteral("A szerver rendszergazdai jogának módosítása"));
    reload();
    ui::information(this, QStringLiteral("%1 fiók szerepe: %2. A következő belépéskor lép életbe.")
                              .arg(ui::aAz(name, true), fiok::szerepNev(role)));
}

void Tfiokok_form::ButtonAktivClick() {
    const QString name = chosen();
    if (name == fiok::munkamenet().felhasznalo)
        throw db::Error(QStringLiteral("A saját fiókját nem kapcsolhatja ki."));
    const bool active = grid_fiokok->item(grid_fiokok->currentRow(), 3)->text() == QStringLiteral("igen");
    if (active) keepOneHead(name);
    run({QStringLiteral("alter user %1 %2")
             .arg(name, active ? QStringLiteral("inactive") : QStringLiteral("active"))},
        QStringLiteral("A fiók ki- vagy bekapcsolása"));
    reload();
    ui::information(this, active
                              ? QStringLiteral("%1 fiók kikapcsolva: nem léphet be, a korábbi bejegyzései a "
                                               "nevét viselik.")
                                    .arg(ui::aAz(name, true))
                              : QStringLiteral("%1 fiók újra beléphet.").arg(ui::aAz(name, true)));
}

void Tfiokok_form::ButtonJelszoClick() {
    const QString name = chosen();
    const QString password = newPassword(e_jelszo1, e_jelszo2);
    run({QStringLiteral("alter user %1 password %2").arg(name, fiok::literal(password))},
        QStringLiteral("Az új jelszó megadása"));
    for (QLineEdit* e : {e_jelszo1, e_jelszo2}) {
        e->clear();
        e->setModified(false);
    }
    ui::information(this, QStringLiteral("%1 fiók új jelszót kapott.").arg(ui::aAz(name, true)));
}

void Tfiokok_form::ButtonSajatClick() {
    const QString password = newPassword(e_uj1, e_uj2);
    // The old password is proved by a trial attachment of its own.
    {
        db::Connection trial;
        trial.setDatabaseName(DM->dbTanulo.databaseName());
        trial.setParams({QStringLiteral("user_name=") + fiok::munkamenet().felhasznalo,
                         QStringLiteral("password=") + e_regi->text(), QStringLiteral("lc_ctype=WIN1250")});
        try {
            trial.open();
            trial.close();
        } catch (const db::DbError& e) {
            if (!e.hasCode(isc_login)) throw;
            throw db::Error(QStringLiteral("A régi jelszó nem megfelelő."));
        }
    }
    run({QStringLiteral("alter current user set password %1").arg(fiok::literal(password))},
        QStringLiteral("A jelszó módosítása"));
    // Kept for the attachment made again after a lost connection, and for the events'.
    QStringList params;
    for (const QString& p : DM->dbTanulo.params())
        params << (p.startsWith(QStringLiteral("password="), Qt::CaseInsensitive)
                       ? QStringLiteral("password=") + password
                       : p);
    DM->dbTanulo.setParams(params);
    DM->uj_diak_esemeny.setDatabase(DM->dbTanulo.databaseName(), params);
    for (QLineEdit* e : {e_regi, e_uj1, e_uj2}) {
        e->clear(); // an undoable edit: the box would still count as typed in
        e->setModified(false);
    }
    ui::information(this, QStringLiteral("A jelszava megváltozott."));
}

void Tfiokok_form::FormClose() {
    main_form->childClosed();
}
