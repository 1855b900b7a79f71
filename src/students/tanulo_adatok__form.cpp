#include "tanulo_adatok__form.h"

#include "data/DataModule.h"
#include "db/Error.h"
#include "db/Values.h"
#include "fiokok/Fiok.h"
#include "main/main__form.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Widgets.h"

Ttanulo_adatok_form* tanulo_adatok_form = nullptr;

namespace {
QString datumSzoveg(const QDate& d) {
    return d.isValid() ? d.toString(db::kDateFormat) : QString();
}
QDate datumBol(const QLineEdit* e) {
    return QDate::fromString(e->text().trimmed(), db::kDateFormat);
}
} // namespace

Ttanulo_adatok_form::Ttanulo_adatok_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("tanulo_adatok_form"));
    setWindowTitle(QStringLiteral("További adatok"));
    setClientSize(560, 528);
    ui::bevel(this, QRect(4, 4, 552, 474));
    label_nev =
        ui::label(this, QStringLiteral("label_nev"), QString(), ui::arial(13), QRect(12, 10, 536, 22));
    const auto caption = [this](const char* name, const QString& text, int y) {
        QLabel* l = ui::label(this, QString::fromLatin1(name), text, ui::arial(12), QRect(10, y, 200, 20));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    const auto line = [this](const char* name, const QRect& r, int max) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setFont(ui::arial(12, false));
        e->setGeometry(r);
        e->setMaxLength(max);
        connect(e, &QLineEdit::textChanged, this, [this] { ellenoriz(); });
        return e;
    };
    const auto check = [this](const char* name, const QString& text, const QRect& r) {
        auto* c = new QCheckBox(text, this);
        c->setObjectName(QString::fromLatin1(name));
        c->setFont(ui::arial(12));
        c->setGeometry(r);
        connect(c, &QCheckBox::toggled, this, [this] { ellenoriz(); });
        return c;
    };
    QLabel* l1 = caption("Label1", QStringLiteral("Neme:"), 40);
    combo_nem = new QComboBox(this);
    combo_nem->setObjectName(QStringLiteral("combo_nem"));
    combo_nem->setFont(ui::arial(12, false));
    combo_nem->setGeometry(216, 39, 150, 22);
    combo_nem->addItem(QStringLiteral("nincs megadva"), QString());
    combo_nem->addItem(QStringLiteral("fiú"), QStringLiteral("F"));
    combo_nem->addItem(QStringLiteral("lány"), QStringLiteral("L"));
    ui::nameBy(l1, combo_nem);
    QLabel* l2 = caption("Label2", QStringLiteral("Irányítószám:"), 68);
    edit_irsz = line("edit_irsz", QRect(216, 68, 60, 21), 4);
    ui::nameBy(l2, edit_irsz);
    QLabel* l3 = caption("Label3", QStringLiteral("Állampolgárság:"), 96);
    edit_allampolgarsag = line("edit_allampolgarsag", QRect(216, 96, 330, 21), 100);
    ui::nameBy(l3, edit_allampolgarsag);
    QLabel* l4 = caption("Label4", QStringLiteral("Jogviszony kezdete:"), 124);
    edit_kezdete = line("edit_kezdete", QRect(216, 124, 110, 21), 11);
    ui::nameBy(l4, edit_kezdete);
    check_egyeni = check("check_egyeni", QStringLiteral("Egyéni munkarend"), QRect(216, 152, 170, 22));
    check_bejaro = check("check_bejaro", QStringLiteral("Bejáró"), QRect(392, 152, 80, 22));
    check_kollegista = check("check_kollegista", QStringLiteral("Kollégista"), QRect(216, 178, 170, 22));
    QLabel* l5 = caption("Label5", QStringLiteral("Gondviselő irányítószáma:"), 206);
    edit_g_irsz = line("edit_g_irsz", QRect(216, 206, 60, 21), 4);
    ui::nameBy(l5, edit_g_irsz);
    QLabel* l6 = caption("Label6", QStringLiteral("Gondviselő e-mail címe:"), 234);
    edit_g_email = line("edit_g_email", QRect(216, 234, 330, 21), 100);
    ui::nameBy(l6, edit_g_email);

    label_bizalmas =
        ui::label(this, QStringLiteral("label_bizalmas"), QStringLiteral("Sajátos helyzet (bizalmas adat)"),
                  ui::arial(12), QRect(12, 266, 300, 20));
    ui::label(this, QStringLiteral("Label7"), QStringLiteral("Határozat kelte"), ui::arial(11),
              QRect(216, 288, 120, 18));
    ui::label(this, QStringLiteral("Label8"), QStringLiteral("Érvényes / felülvizsgálat"), ui::arial(11),
              QRect(346, 288, 200, 18));
    const auto sor = [&](const char* name, const QString& text, int y) {
        const QString n = QString::fromLatin1(name);
        StatuszSor s;
        s.van = check(qPrintable(QStringLiteral("check_") + n), text, QRect(20, y, 180, 22));
        s.kelte = line(qPrintable(QStringLiteral("edit_") + n + QStringLiteral("_kelte")),
                       QRect(216, y, 110, 21), 11);
        s.ervenyes = line(qPrintable(QStringLiteral("edit_") + n + QStringLiteral("_ervenyes")),
                          QRect(346, y, 110, 21), 11);
        s.kelte->setAccessibleName(text + QStringLiteral(": határozat kelte"));
        s.ervenyes->setAccessibleName(text + QStringLiteral(": érvényes"));
        return s;
    };
    sni = sor("sni", QStringLiteral("SNI"), 310);
    btmn = sor("btmn", QStringLiteral("BTMN"), 338);
    hh = sor("hh", QStringLiteral("HH"), 366);
    hhh = sor("hhh", QStringLiteral("HHH"), 394);
    check_sni_hosszabb =
        check("check_sni_hosszabb", QStringLiteral("SNI: tankötelezettsége a 23. életévéig meghosszabbítva"),
              QRect(20, 422, 520, 22));
    // the extension belongs to the SNI status: gone with it
    connect(sni.van, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) check_sni_hosszabb->setChecked(false);
        check_sni_hosszabb->setEnabled(on && bizalmas_);
    });
    label_hiba =
        ui::label(this, QStringLiteral("label_hiba"), QString(), ui::arial(11), QRect(12, 448, 536, 28));
    label_hiba->setWordWrap(true);
    label_hiba->setStyleSheet(QStringLiteral("color: #b00000"));
    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("Mentés"), ui::arial(12),
                         QRect(250, 490, 140, 28), true);
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("Mégse"), ui::arial(12),
                         QRect(406, 490, 140, 28), true);
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] {
                if (Button1Click()) close();
            }));
    connect(Button2, &QPushButton::clicked, this, [this] { close(); });
    setKeys(Button1, [this] { return adatok() != betoltve_; });
}

void Ttanulo_adatok_form::prepareForStudent(int studentId, const QString& name) {
    studentId_ = studentId;
    bizalmas_ = fiok::szabad(fiok::Szerep::Iroda);
    label_nev->setText(name);
    const tanulo_adatok::Adatok a = tanulo_adatok::beolvas(DM->dbTanulo, studentId, bizalmas_);
    combo_nem->setCurrentIndex(std::max(0, combo_nem->findData(a.nem)));
    edit_irsz->setText(a.iranyitoszam);
    edit_allampolgarsag->setText(a.allampolgarsag);
    edit_kezdete->setText(datumSzoveg(a.kezdete));
    check_egyeni->setChecked(a.egyeniMunkarend);
    check_bejaro->setChecked(a.bejaro);
    check_kollegista->setChecked(a.kollegista);
    edit_g_irsz->setText(a.gondviseloIrsz);
    edit_g_email->setText(a.gondviseloEmail);
    const std::pair<StatuszSor*, const tanulo_adatok::Statusz*> sorok[] = {
        {&sni, &a.sni}, {&btmn, &a.btmn}, {&hh, &a.hh}, {&hhh, &a.hhh}};
    for (const auto& [s, v] : sorok) {
        s->van->setChecked(v->van);
        s->kelte->setText(datumSzoveg(v->kelte));
        s->ervenyes->setText(datumSzoveg(v->ervenyes));
        for (QWidget* w : {static_cast<QWidget*>(s->van), static_cast<QWidget*>(s->kelte),
                           static_cast<QWidget*>(s->ervenyes)})
            w->setEnabled(bizalmas_);
        // not read is not "none": the role is told so in every box of the status
        s->van->setTristate(!bizalmas_);
        if (!bizalmas_) s->van->setCheckState(Qt::PartiallyChecked);
        s->van->setToolTip(bizalmas_ ? QString() : QString::fromUtf8(fiok::kNemLathato));
        for (QLineEdit* e : {s->kelte, s->ervenyes})
            e->setPlaceholderText(bizalmas_ ? QString() : QString::fromUtf8(fiok::kNemLathato));
    }
    check_sni_hosszabb->setChecked(a.sniHosszabb);
    check_sni_hosszabb->setEnabled(bizalmas_ && a.sni.van);
    label_bizalmas->setText(bizalmas_ ? QStringLiteral("Sajátos helyzet (bizalmas adat)")
                                      : QStringLiteral("Sajátos helyzet: csak az iroda láthatja"));
    fiok::korlatoz(Button1, fiok::Szerep::Iroda);
    betoltve_ = adatok();
    ellenoriz();
}

QString Ttanulo_adatok_form::hiba() const {
    using namespace tanulo_adatok;
    QStringList hibak{irszHiba(edit_irsz->text(), QStringLiteral("Az irányítószám")),
                      allampolgarsagHiba(edit_allampolgarsag->text()),
                      datumHiba(edit_kezdete->text(), QStringLiteral("A jogviszony kezdete")),
                      irszHiba(edit_g_irsz->text(), QStringLiteral("A gondviselő irányítószáma")),
                      emailHiba(edit_g_email->text())};
    const std::pair<const StatuszSor*, QString> sorok[] = {{&sni, QStringLiteral("SNI")},
                                                           {&btmn, QStringLiteral("BTMN")},
                                                           {&hh, QStringLiteral("HH")},
                                                           {&hhh, QStringLiteral("HHH")}};
    for (const auto& [s, nev] : sorok) {
        hibak << datumHiba(s->kelte->text(), nev + QStringLiteral(": a határozat kelte"))
              << datumHiba(s->ervenyes->text(), nev + QStringLiteral(": az érvényesség vége"));
        if (!s->van->isChecked() &&
            !(s->kelte->text().trimmed().isEmpty() && s->ervenyes->text().trimmed().isEmpty()))
            hibak << nev + QStringLiteral(": dátum csak megjelölt helyzethez adható meg.");
    }
    hibak << osszefuggesHiba(adatok());
    for (const QString& h : hibak)
        if (!h.isEmpty()) return h;
    return {};
}

tanulo_adatok::Adatok Ttanulo_adatok_form::adatok() const {
    tanulo_adatok::Adatok a;
    a.nem = combo_nem->currentData().toString();
    a.iranyitoszam = edit_irsz->text().trimmed();
    a.allampolgarsag = edit_allampolgarsag->text().trimmed();
    a.kezdete = datumBol(edit_kezdete);
    a.egyeniMunkarend = check_egyeni->isChecked();
    a.bejaro = check_bejaro->isChecked();
    a.kollegista = check_kollegista->isChecked();
    a.gondviseloIrsz = edit_g_irsz->text().trimmed();
    a.gondviseloEmail = edit_g_email->text().trimmed();
    const std::pair<const StatuszSor*, tanulo_adatok::Statusz*> sorok[] = {
        {&sni, &a.sni}, {&btmn, &a.btmn}, {&hh, &a.hh}, {&hhh, &a.hhh}};
    for (const auto& [s, v] : sorok)
        *v = {s->van->isChecked(), datumBol(s->kelte), datumBol(s->ervenyes)};
    a.sniHosszabb = check_sni_hosszabb->isChecked();
    return a;
}

void Ttanulo_adatok_form::ellenoriz() {
    label_hiba->setText(hiba());
}

bool Ttanulo_adatok_form::Button1Click() {
    const QString problem = hiba();
    if (!problem.isEmpty()) {
        ui::warning(this, problem);
        return false;
    }
    try {
        tanulo_adatok::ment(DM->dbTanulo, studentId_, adatok(), bizalmas_);
        betoltve_ = adatok();
    } catch (const db::Error& e) {
        QString text;
        main_form->hiba_kiir(e, text);
        ui::error(this, text);
        return false;
    }
    ui::information(this, QStringLiteral("%1 további adatai elmentve.").arg(label_nev->text()));
    return true;
}

void Ttanulo_adatok_form::FormClose() {
    main_form->childClosed();
}
