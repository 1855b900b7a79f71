#include "uj_tanulo__form.h"

#include <QFrame>
#include <QSignalBlocker>
#include <optional>
#include <utility>

#include "data/Azonosito.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Text.h"
#include "db/Values.h"
#include "main/main__form.h"
#include "office/Tanev.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Nevelo.h"
#include "ui/Widgets.h"

Tuj_tanulo_Form* uj_tanulo_Form = nullptr;

namespace {

const QString kColumns = QStringLiteral(
    "nev, diak_cim, diak_cim_varos, szul_hely, szul_ido, sz_szam, diak_tel, anyja_nev, gondviselo_nev, "
    "gondviselo_cim, gondviselo_tel, diak_taj, diak_OM, diak_diak, osztaly_ID, mj, tanult_nyelv_ID, "
    "evfolyam");
const QString kInsert = QStringLiteral("insert into table_diak(%1) values(:nev, :diak_cim, :diak_cim_varos, "
                                       ":szul_hely, :szul_ido, :sz_szam, "
                                       ":diak_tel, :anyja_nev, :gondviselo_nev, :gondviselo_cim, "
                                       ":gondviselo_tel, :diak_taj, :diak_OM, :diak_diak, "
                                       ":oszt_ID, :mj, :nye_id, :evfolyam)")
                            .arg(kColumns);
const QString kUpdate = QStringLiteral(
    "UPDATE table_diak SET nev = :nev, diak_cim = :diak_cim, diak_cim_varos = :diak_cim_varos, "
    "szul_hely = :szul_hely, szul_ido = :szul_ido, sz_szam = :sz_szam, diak_tel = :diak_tel, "
    "anyja_nev = :anyja_nev, gondviselo_nev = :gondviselo_nev, gondviselo_cim = :gondviselo_cim, "
    "gondviselo_tel = :gondviselo_tel, diak_taj = :diak_taj, diak_OM = :diak_OM, diak_diak = :diak_diak, "
    "osztaly_ID = :oszt_ID, mj = :mj, tanult_nyelv_ID = :nye_id, evfolyam = :evfolyam WHERE table_diak.id = "
    ":diak_id");
const QString kSelect =
    QStringLiteral("select id, %1 from table_diak where table_diak.id = :id").arg(kColumns);

const QString kMandatory = QStringLiteral(
    "Nem töltött ki minden kötelező mezőt! \r \rKötelezően kitőltendő mezők:\rTanuló neve, címe, címe_város, "
    "születési helye és ideje,\rGondviselő neve, címe,\rTanult nyelv és Osztály,\rAktuális tanév. \r "
    "\rSikertelen "
    "felvétel.");

// A memo holds its lines as Windows does: CR LF between them.
QString memoToStored(const QString& text) {
    QString t = text;
    return t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}
QString storedToMemo(const QString& text) {
    QString t = text;
    return t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QLabel* makeLabel(QWidget* parent, const QString& text, const QRect& r,
                  Qt::Alignment align = Qt::AlignRight | Qt::AlignVCenter) {
    auto* l = new QLabel(text, parent);
    l->setFont(ui::arial(13));
    l->setGeometry(r);
    l->setAlignment(align);
    return l;
}

} // namespace

Tuj_tanulo_Form::Tuj_tanulo_Form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("uj_tanulo_Form"));
    setWindowTitle(QStringLiteral("Új tanuló Felvétele"));
    setClientSize(385, 611);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 385, 611);

    ui::bevel(this, QRect(4, 4, 377, 394));
    ui::bevel(this, QRect(4, 402, 377, 40));
    ui::bevel(this, QRect(4, 446, 377, 94));
    ui::bevel(this, QRect(4, 544, 168, 40));
    ui::bevel(this, QRect(4, 587, 168, 22));
    ui::bevel(this, QRect(176, 544, 205, 40));
    ui::bevel(this, QRect(176, 587, 205, 22));

    struct Row {
        QLineEdit** edit;
        const char* name;
        const char* caption;
    };
    const Row rows[] = {
        {&e_nev, "e_nev", "Név:"},
        {&e_cim, "e_cim", "Teljes cím:"},
        {&e_varos, "e_varos", "Város:"},
        {&e_szul_ido, "e_szul_ido", "Születési idő (ÉÉÉÉ.HH.NN.):"},
        {&e_szul_hely, "e_szul_hely", "Születési hely:"},
        {&e_sz_szam, "e_sz_szam", "Személyigazolvány száma:"},
        {&e_tanulo_tel, "e_tanulo_tel", "Tanuló telefonszáma:"},
        {&e_taj, "e_taj", "TAJ száma:"},
        {&e_OM, "e_OM", "OM azonosítója:"},
        {&e_diak, "e_diak", "Diákigazolvány száma:"},
        {&e_anyja_nev, "e_anyja_nev", "Anyja neve:"},
        {&e_gond_nev, "e_gond_nev", "Gondviselő neve:"},
        {&e_gond_cim, "e_gond_cim", "Gondviselő címe:"},
        {&e_gond_tel, "e_gond_tel", "Gondviselő telefonszáma:"},
    };
    int y = 10;
    for (const Row& r : rows) {
        QLabel* l = makeLabel(this, QString::fromUtf8(r.caption), QRect(8, y, 200, 20));
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(r.name));
        e->setGeometry(212, y, 163, 20);
        e->setFont(ui::arial(12, false));
        e->setFrame(true);
        ui::nameBy(l, e);
        *r.edit = e;
        y += 24;
    }
    QLabel* nyelv = makeLabel(this, QStringLiteral("Tanult nyelv:"), QRect(8, y, 200, 20));
    combo_nyelv = ui::idCombo(this, QStringLiteral("combo_nyelv"), ui::arial(11), QRect(212, y, 163, 21));
    ui::nameBy(nyelv, combo_nyelv);
    y += 24;
    QLabel* osztaly = makeLabel(this, QStringLiteral("Osztály:"), QRect(8, y, 200, 20));
    combo_osztaly =
        ui::idCombo(this, QStringLiteral("combo_osztaly"), ui::arial(11), QRect(212, y, 163, 21), 14);
    ui::nameBy(osztaly, combo_osztaly);

    label_osztaly = new QLabel(QStringLiteral("label_osztaly"), this);
    label_osztaly->setObjectName(QStringLiteral("label_osztaly"));
    label_osztaly->setFont(ui::arial(12));
    label_osztaly->setGeometry(12, 405, 350, 17);
    label_nyelv = new QLabel(QStringLiteral("label_nyelv"), this);
    label_nyelv->setObjectName(QStringLiteral("label_nyelv"));
    label_nyelv->setFont(ui::arial(12));
    label_nyelv->setGeometry(12, 422, 350, 17);

    QLabel* megjegyzes = makeLabel(this, QStringLiteral("Megjegyzés:"), QRect(12, 449, 200, 18),
                                   Qt::AlignLeft | Qt::AlignVCenter);
    m_mj = new QPlainTextEdit(this);
    m_mj->setObjectName(QStringLiteral("m_mj"));
    m_mj->setGeometry(12, 468, 361, 66);
    m_mj->setFont(ui::arial(11));
    m_mj->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_mj->setTabChangesFocus(true);
    ui::nameBy(megjegyzes, m_mj);

    QLabel* tanev = makeLabel(this, QStringLiteral("Aktuális évfolyam:"), QRect(8, 546, 160, 16),
                              Qt::AlignLeft | Qt::AlignVCenter);
    edit_akt_tanev = new QLineEdit(this);
    edit_akt_tanev->setObjectName(QStringLiteral("edit_akt_tanev"));
    edit_akt_tanev->setGeometry(30, 562, 38, 19);
    edit_akt_tanev->setFont(ui::arial(12, false));
    ui::nameBy(tanev, edit_akt_tanev);
    auto* slash = new QLabel(QStringLiteral("/"), this);
    slash->setFont(ui::arial(20));
    slash->setGeometry(74, 558, 12, 24);
    edit_akt_tanev2 = new QLineEdit(this);
    edit_akt_tanev2->setObjectName(QStringLiteral("edit_akt_tanev2"));
    edit_akt_tanev2->setGeometry(90, 562, 38, 19);
    edit_akt_tanev2->setFont(ui::arial(12, false));
    edit_akt_tanev2->setReadOnly(true);
    edit_akt_tanev2->setAccessibleName(QStringLiteral("Aktuális tanév második éve"));

    Label20 = new QLabel(QStringLiteral("ID:"), this);
    Label20->setObjectName(QStringLiteral("Label20"));
    Label20->setFont(ui::arial(12));
    Label20->setGeometry(10, 589, 24, 18);
    label_ID = new QLabel(QStringLiteral("label_ID"), this);
    label_ID->setObjectName(QStringLiteral("label_ID"));
    label_ID->setFont(ui::arial(12));
    label_ID->setGeometry(36, 589, 130, 18);

    Button1 = new QPushButton(kRegister, this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFont(ui::arial(12));
    Button1->setGeometry(182, 549, 193, 30);
    Button2 = new QPushButton(QStringLiteral("bezárás"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setFont(ui::arial(11));
    Button2->setGeometry(182, 589, 193, 18);

    QWidget* order[] = {e_nev,        e_cim,          e_varos,        e_szul_ido, e_szul_hely, e_sz_szam,
                        e_tanulo_tel, e_taj,          e_OM,           e_diak,     e_anyja_nev, e_gond_nev,
                        e_gond_cim,   e_gond_tel,     combo_nyelv,    m_mj,       Button1,     combo_osztaly,
                        Button2,      edit_akt_tanev, edit_akt_tanev2};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    for (QWidget* hidden : std::initializer_list<QWidget*>{label_osztaly, label_nyelv, label_ID, Label20})
        hidden->hide();

    connect(e_cim, &QLineEdit::textChanged, this, ui::guard([this] { e_cimChange(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(edit_akt_tanev, &QLineEdit::textChanged, this, ui::guard([this] { edit_akt_tanevChange(); }));
    for (QLineEdit* box : {e_taj, e_OM}) {
        connect(box, &QLineEdit::textChanged, this, [this, box] { markIdentifier(box, false); });
        connect(box, &QLineEdit::editingFinished, this, [this, box] { markIdentifier(box, true); });
    }
}

// Pointed out, never refused: the office may have to keep what a paper says until it is
// corrected. A number half typed is not nagged about until the box is left; a loaded one
// at once; a correction clears the mark as it is typed.
void Tuj_tanulo_Form::markIdentifier(QLineEdit* box, bool left) {
    const QString fault = box == e_taj ? azonosito::tajHiba(box->text()) : azonosito::omHiba(box->text());
    const bool marked = !box->toolTip().isEmpty();
    if (!fault.isEmpty() && !marked && !left && box->hasFocus()) return;
    box->setToolTip(fault);
    if (fault.isEmpty()) {
        box->setPalette(QPalette()); // the window's own again
        return;
    }
    QPalette p = box->palette();
    p.setColor(QPalette::Base, QColor(255, 218, 218));
    box->setPalette(p);
}

// The guardian's address follows the student's while it is empty or still the same as
// the student's was; one that was typed or loaded differently is the guardian's own.
void Tuj_tanulo_Form::e_cimChange() {
    const QString guardian = e_gond_cim->text();
    if (guardian.isEmpty() || guardian == lastAddress_) e_gond_cim->setText(e_cim->text());
    lastAddress_ = e_cim->text();
}

void Tuj_tanulo_Form::edit_akt_tanevChange() {
    if (edit_akt_tanev->text().isEmpty()) return;
    edit_akt_tanev2->setText(QString::number(Tmain_form::nextYear(edit_akt_tanev->text())));
}

void Tuj_tanulo_Form::nullaz() {
    for (QLineEdit* e : {e_nev, e_cim, e_varos, e_szul_ido, e_szul_hely, e_sz_szam, e_tanulo_tel, e_taj, e_OM,
                         e_diak, e_anyja_nev, e_gond_nev, e_gond_cim, e_gond_tel})
        e->clear();
    combo_nyelv->clearAll();
    combo_osztaly->clearAll();
    m_mj->clear();
}

void Tuj_tanulo_Form::limitBoxes() {
    DM->limitToColumns(QStringLiteral("table_diak"), {{e_nev, QStringLiteral("nev")},
                                                      {e_cim, QStringLiteral("diak_cim")},
                                                      {e_varos, QStringLiteral("diak_cim_varos")},
                                                      {e_szul_hely, QStringLiteral("szul_hely")},
                                                      {e_sz_szam, QStringLiteral("sz_szam")},
                                                      {e_tanulo_tel, QStringLiteral("diak_tel")},
                                                      {e_anyja_nev, QStringLiteral("anyja_nev")},
                                                      {e_gond_nev, QStringLiteral("gondviselo_nev")},
                                                      {e_gond_cim, QStringLiteral("gondviselo_cim")},
                                                      {e_gond_tel, QStringLiteral("gondviselo_tel")},
                                                      {e_taj, QStringLiteral("diak_taj")},
                                                      {e_OM, QStringLiteral("diak_OM")},
                                                      {e_diak, QStringLiteral("diak_diak")}});
    e_szul_ido->setMaxLength(11); // ÉÉÉÉ.HH.NN.
}

void Tuj_tanulo_Form::prepareNew() {
    limitBoxes();
    nullaz();
    for (QWidget* hidden : std::initializer_list<QWidget*>{label_osztaly, label_nyelv, label_ID, Label20})
        hidden->hide();
    Button1->setText(kRegister);
    setWindowTitle(QStringLiteral("Új tanuló felvétele"));
    opened_.clear();
    {
        // The change handler runs here, not through the guard: a year that is not a
        // number stops the opening.
        const QSignalBlocker quiet(edit_akt_tanev);
        edit_akt_tanev->setText(main_form->edit_akt_tanev->text());
    }
    registryYear_ = tanev::aktualis(DM->dbTanulo, QDate::currentDate());
    edit_akt_tanevChange();
    edit_akt_tanev2->setText(main_form->edit_akt_tanev2->text());
    QStringList lines;
    main_form->query(false, QStringLiteral("select * from table_nyelv"), {}, lines);
    main_form->combo_nyelv_feltolt(combo_nyelv, lines);
    main_form->query(false, QStringLiteral("select * from table_osztaly"), {}, lines);
    main_form->combo_osztaly_feltolt(combo_osztaly, lines);
}

std::vector<QVariant> Tuj_tanulo_Form::readStudent(int id, bool lock) {
    return readStudentIn(id, DM->trTanulo, lock);
}

std::vector<QVariant> Tuj_tanulo_Form::readStudentIn(int id, db::Transaction& tr, bool lock) {
    db::Statement s(DM->dbTanulo, tr);
    s.prepare(kSelect + (lock ? QStringLiteral(" for update with lock") : QString()));
    s.bind({id});
    s.execute();
    std::vector<QVariant> row;
    if (s.fetch())
        for (int c = 0; c < s.columnCount(); ++c)
            row.push_back(s.value(c));
    s.closeCursor();
    return row;
}

void Tuj_tanulo_Form::prepareModify(int id) {
    limitBoxes();
    // Each column goes to its own box, whatever its text holds.
    const std::vector<QVariant> row = readStudent(id, false);
    if (row.empty())
        throw db::Error(
            QStringLiteral("A tanuló (ID: %1) már nem szerepel az adatbázisban: időközben törölték.")
                .arg(id));
    enum { kNev = 1, kSzulIdo = 5, kOsztaly = 15, kMj = 16, kNyelv = 17, kEvfolyam = 18 };
    for (int c : {kOsztaly, kNyelv, kEvfolyam})
        if (row[static_cast<size_t>(c)].isNull())
            throw db::Error(QStringLiteral("A tanuló (ID: %1) adatai hiányosak: nincs megadva %2.")
                                .arg(id)
                                .arg(c == kOsztaly ? QStringLiteral("az osztálya")
                                     : c == kNyelv ? QStringLiteral("a tanult nyelve")
                                                   : QStringLiteral("az évfolyama")));
    const int classId = db::toInt(db::displayText(row[kOsztaly]));
    const int languageId = db::toInt(db::displayText(row[kNyelv]));

    QStringList lines;
    main_form->query(false,
                     QStringLiteral("select * from table_osztaly where table_osztaly.id = :osztaly_id"),
                     {classId}, lines);
    if (lines.isEmpty())
        throw db::Error(QStringLiteral("A tanuló osztálya (ID: %1) nem található.").arg(classId));
    main_form->combo_osztaly_feltolt(combo_osztaly, lines);
    const QString classLine = QStringLiteral("Jelenlegi osztály:  ") + combo_osztaly->itemText(0);
    main_form->query(false, QStringLiteral("select * from table_nyelv where table_nyelv.id = :nyelv_id"),
                     {languageId}, lines);
    if (lines.isEmpty())
        throw db::Error(QStringLiteral("A tanuló nyelve (ID: %1) nem található.").arg(languageId));
    main_form->combo_nyelv_feltolt(combo_nyelv, lines);
    const QString languageLine = QStringLiteral("Tanult nyelv:  ") + combo_nyelv->itemText(0);

    combo_osztaly->clearAll();
    combo_nyelv->clearAll();
    main_form->query(false, QStringLiteral("select * from table_osztaly"), {}, lines);
    main_form->combo_osztaly_feltolt(combo_osztaly, lines);
    main_form->query(false, QStringLiteral("select * from table_nyelv"), {}, lines);
    main_form->combo_nyelv_feltolt(combo_nyelv, lines);

    // Only now, with everything read, does the window change: no partial data is ever shown.
    label_osztaly->setText(classLine);
    label_osztaly->setFixedWidth(350);
    label_nyelv->setText(languageLine);
    label_nyelv->setFixedWidth(350);
    for (QWidget* shown : std::initializer_list<QWidget*>{label_osztaly, label_nyelv, label_ID, Label20})
        shown->show();
    QLineEdit* boxes[] = {e_nev,      e_cim,        e_varos,     e_szul_hely, e_szul_ido,
                          e_sz_szam,  e_tanulo_tel, e_anyja_nev, e_gond_nev,  e_gond_cim,
                          e_gond_tel, e_taj,        e_OM,        e_diak};
    for (int i = 0; i < 14; ++i)
        boxes[i]->setText(db::displayText(row[static_cast<size_t>(kNev + i)]));
    const QString year = db::displayText(row[kEvfolyam]);
    edit_akt_tanev->setText(year);
    edit_akt_tanev2->setText(QString::number(Tmain_form::nextYear(year)));
    m_mj->setPlainText(storedToMemo(db::displayText(row[kMj])));
    Button1->setText(kModify);
    label_ID->setText(QString::number(id));
    setWindowTitle(QStringLiteral("Információs és/vagy Módosítás"));
    opened_ = row;
    Q_UNUSED(kSzulIdo);
}

QStringList Tuj_tanulo_Form::columnTexts() const {
    return {e_nev->text(),      e_cim->text(),      e_varos->text(),      e_szul_hely->text(),
            e_szul_ido->text(), e_sz_szam->text(),  e_tanulo_tel->text(), e_anyja_nev->text(),
            e_gond_nev->text(), e_gond_cim->text(), e_gond_tel->text(),   e_taj->text(),
            e_OM->text(),       e_diak->text(),     m_mj->toPlainText()};
}

bool Tuj_tanulo_Form::checkEncodable() {
    const QStringList captions = {QStringLiteral("Név"),
                                  QStringLiteral("Teljes cím"),
                                  QStringLiteral("Város"),
                                  QStringLiteral("Születési hely"),
                                  QStringLiteral("Születési idő"),
                                  QStringLiteral("Személyigazolvány száma"),
                                  QStringLiteral("Tanuló telefonszáma"),
                                  QStringLiteral("Anyja neve"),
                                  QStringLiteral("Gondviselő neve"),
                                  QStringLiteral("Gondviselő címe"),
                                  QStringLiteral("Gondviselő telefonszáma"),
                                  QStringLiteral("TAJ száma"),
                                  QStringLiteral("OM azonosítója"),
                                  QStringLiteral("Diákigazolvány száma"),
                                  QStringLiteral("Megjegyzés")};
    const QStringList texts = columnTexts();
    for (int i = 0; i < texts.size(); ++i) {
        const qsizetype at = db::firstUnstorable(texts.at(i));
        if (at < 0) continue;
        ui::warning(
            QStringLiteral("%1 mezőben: %2\r \rSikertelen mentés.")
                .arg(ui::aAz(u'"' + captions.at(i) + u'"', true), db::unstorableMessage(texts.at(i), at)));
        return false;
    }
    return true;
}

bool Tuj_tanulo_Form::stillAsOpened(int id) {
    std::vector<QVariant> now;
    try {
        now = readStudent(id, true);
    } catch (const db::DbError& e) {
        if (!e.isConflict()) throw;
        DM->trTanulo.rollback();
        ui::warning(
            QStringLiteral("A tanuló adatait éppen egy másik felhasználó módosítja.\r \rA módosítás nem "
                           "történt meg; próbálja újra később."));
        return false;
    }
    if (now.empty()) {
        DM->trTanulo.rollback();
        ui::warning(QStringLiteral(
            "A tanulót időközben egy másik felhasználó törölte.\r \rA módosítás nem történt meg."));
        return false;
    }
    bool same = now.size() == opened_.size();
    for (size_t i = 0; same && i < now.size(); ++i)
        same = db::displayText(now[i]) == db::displayText(opened_[i]);
    if (!same) {
        DM->trTanulo.rollback();
        ui::warning(
            QStringLiteral("A tanuló adatait a megnyitás óta egy másik felhasználó megváltoztatta.\r \rA "
                           "módosítás nem történt meg. Zárja be az ablakot, és nyissa meg újra a tanulót."));
        return false;
    }
    return true;
}

// The registry's year is read again before a new student is stored: another copy may have
// moved it since this window opened. A year the user left as it came follows the registry,
// and the user sees the classes (which moved too) before saving again; a year she chose
// herself stays hers.
// Read in the save's own transaction: nothing is committed before the save.
bool Tuj_tanulo_Form::yearStillCurrent() {
    QStringList moved;
    main_form->query(false, QStringLiteral("select max(aktiv_tanev) from table_tanevvaltas"), {}, moved);
    const QString last = moved.value(0).chopped(1);
    const int registry = last.isEmpty() ? tanev::datumSzerint(QDate::currentDate()) : db::toInt(last);
    if (registry == registryYear_) return true;
    const int was = std::exchange(registryYear_, registry);
    const QString now = QString::number(registry);
    main_form->edit_akt_tanev->setText(now);
    if (edit_akt_tanev->text() != QString::number(was)) return true;
    QStringList lines;
    main_form->query(false, QStringLiteral("select * from table_osztaly"), {}, lines);
    DM->trTanulo.rollback(); // nothing held while the user reads the message
    const int classId = ui::itemId(combo_osztaly->currentText());
    edit_akt_tanev->setText(now);
    main_form->combo_osztaly_feltolt(combo_osztaly, lines);
    for (int i = 0; i < combo_osztaly->count(); ++i)
        if (ui::itemId(combo_osztaly->itemText(i)) == classId) combo_osztaly->setCurrentIndex(i);
    ui::warning(this, QStringLiteral("A nyilvántartás időközben %1. tanévbe lépett (tanévváltás egy másik "
                                     "gépen).\r\rA tanuló ebbe a tanévbe kerül, az osztályok is "
                                     "továbbléptek. Ellenőrizze az osztályt, majd mentse újra.")
                          .arg(ui::aAz(tanev::tanevSzoveg(db::toInt(now)))));
    return false;
}

void Tuj_tanulo_Form::Button1Click() {
    // A save whose answer was lost is settled before anything is saved again.
    if (DM->hasUnsettled() && DM->settle() == TDM::Settled::Stored) return;
    const bool dateOk = main_form->datumellenorzes(e_szul_ido->text());
    bool filled = true;
    for (const QString& t : {e_nev->text(), e_cim->text(), e_varos->text(), e_szul_hely->text(),
                             e_gond_nev->text(), e_gond_cim->text(), combo_nyelv->currentText(),
                             combo_osztaly->currentText(), edit_akt_tanev->text()})
        if (t.isEmpty()) filled = false;
    if (!filled) ui::warning(kMandatory);
    if (!dateOk || !filled) return;

    const QDate birth = QDate::fromString(e_szul_ido->text(), db::kDateFormat);
    if (!birth.isValid()) {
        ui::warning(
            QStringLiteral("Nem létező dátum: %1\r \rHelyes formátum:  ÉÉÉÉ.HH.NN.").arg(e_szul_ido->text()));
        return;
    }
    if (!checkEncodable()) return;
    const bool modify = Button1->text() == kModify;
    if (modify &&
        !ui::confirm(QStringLiteral("Valóban akar módosítani?\r \rYes :módosítás\rNo :nincs módosítás")))
        return;

    const int languageId = ui::itemId(combo_nyelv->currentText());
    const int classId = ui::itemId(combo_osztaly->currentText());
    const int year = db::toInt(edit_akt_tanev->text());
    const int id = modify ? db::toInt(label_ID->text()) : -1;
    const QStringList t = columnTexts();
    QVariantList values;
    for (int i = 0; i < 14; ++i)
        values << (i == 4 ? QVariant(birth) : QVariant(t.at(i)));
    values << classId << memoToStored(t.at(14)) << languageId << year;
    if (modify) values << id;

    // From here to the answer, one short read-write transaction; the record is read again
    // in it, with a lock, to see that nobody changed it since it was opened.
    const TDM::WriteScope write;
    if (modify && !stillAsOpened(id)) return;
    if (!modify && !yearStillCurrent()) return;
    std::optional<UnsettledWrite> unsettled;
    int newId = id;
    try {
        db::Statement statement(DM->dbTanulo, DM->trTanulo);
        // The new row's id comes back before the commit, so that a lost answer can be looked up.
        statement.prepare(modify ? kUpdate : kInsert + QStringLiteral(" returning id"));
        statement.bind(values);
        statement.execute();
        if (modify && statement.rowsAffected() != 1) {
            DM->trTanulo.rollback();
            ui::warning(QStringLiteral(
                "A tanulót időközben egy másik felhasználó törölte.\r \rA módosítás nem történt meg."));
            return;
        }
        const int rowId = modify ? id : statement.value(0).toInt();
        newId = rowId;
        // The row as this save leaves it: a lost answer is settled by finding it so.
        const std::vector<QVariant> written = modify ? readStudent(id, false) : std::vector<QVariant>{};
        try {
            DM->trTanulo.commit();
        } catch (const db::CommitUnknown& e) {
            UnsettledWrite w;
            w.transactionId = e.transactionId();
            if (modify) {
                w.wasStored = [rowId, written](db::Transaction& tr) {
                    const std::vector<QVariant> now = readStudentIn(rowId, tr);
                    if (now.size() != written.size()) return false;
                    for (size_t i = 0; i < now.size(); ++i)
                        if (db::displayText(now[i]) != db::displayText(written[i])) return false;
                    return true;
                };
            } else {
                w.wasStored =
                    UnsettledWrite::rowExists(QStringLiteral("select 1 from table_diak where id = :id"),
                                              {{QStringLiteral("id"), rowId}});
            }
            w.stored = [this, modify, texts = columnTexts(), rowId] { saved(modify, texts, rowId, false); };
            unsettled = std::move(w);
        }
    } catch (...) {
        // A refused statement must not keep the student's row locked for the other copies.
        try {
            DM->trTanulo.rollback();
        } catch (const db::Error&) {
        }
        throw;
    }
    // A lost answer: told once it is known what happened, and never stored twice.
    if (unsettled) {
        if (DM->settleLostCommit(std::move(*unsettled))) saved(modify, columnTexts(), id, false);
        return;
    }
    saved(modify, columnTexts(), newId, true);
}

void Tuj_tanulo_Form::saved(bool modify, const QStringList& texts, int id, bool fresh) {
    // Saved. Whatever the reconnection does, the user is told so and the boxes are
    // emptied, so that a second press cannot store the student twice.
    ui::guarded([fresh] {
        if (fresh) {
            DM->dbTanulo.close();
            DM->dbTanulo.open(); // the student events are registered again with it
        }
        DM->dataset_Tanulok.open();
    });
    // A save settled later may find the window showing something else: that stays.
    const bool shown = isVisible() && columnTexts() == texts &&
                       (!modify || (Button1->text() == kModify && label_ID->text() == QString::number(id)));
    const QString name = texts.value(0);
    if (!modify) {
        ui::information(name + QStringLiteral(" tanuló az adatbázisba sikeresen felvéve!"));
        if (DM->dbTanulo.isConnected()) ui::guarded([] { main_form->akt_letszam(); });
        if (id > 0 && DM->dbTanulo.isConnected()) emit felveve(id, name);
    } else {
        ui::information(name + QStringLiteral(" tanuló Módosítása sikeresen megtörtént!"));
        if (shown) close();
    }
    if (shown || fresh) nullaz();
}

void Tuj_tanulo_Form::Button2Click() {
    close();
}

void Tuj_tanulo_Form::FormClose() {
    main_form->childClosed();
}
