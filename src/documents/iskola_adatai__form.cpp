#include "iskola_adatai__form.h"

#include "data/DataModule.h"
#include "db/Statement.h"
#include "db/Text.h"
#include "db/Transaction.h"
#include "db/Values.h"
#include "main/main__form.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Widgets.h"

Tiskola_adatai_form* iskola_adatai_form = nullptr;

namespace {
// "" or a grade the school can have; anything else is a wrong box
bool gradeOk(const QString& text, int& grade) {
    bool ok = false;
    grade = text.trimmed().toInt(&ok);
    return text.trimmed().isEmpty() || (ok && grade >= 1 && grade <= 14);
}
} // namespace

Tiskola_adatai_form::Tiskola_adatai_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("iskola_adatai_form"));
    setWindowTitle(QStringLiteral("Az iskola adatai"));
    setClientSize(470, 308);
    ui::bevel(this, QRect(4, 4, 462, 256));
    struct Row {
        QLineEdit** edit;
        const char* name;
        const char* caption;
    };
    const Row rows[] = {{&e_nev, "e_nev", "Az iskola neve:"},
                        {&e_cim, "e_cim", "Címe:"},
                        {&e_om, "e_om", "OM azonosítója:"},
                        {&e_igazgato, "e_igazgato", "Az igazgató neve:"},
                        {&e_kelt_helye, "e_kelt_helye", "Keltezés helye:"},
                        {&e_utolso_evfolyam, "e_utolso_evfolyam", "Utolsó évfolyam:"},
                        {nullptr, "combo_alairo", "Aláíró:"},
                        {&e_helyettes_nev, "e_helyettes_nev", "Helyettes neve:"},
                        {&e_helyettes_beosztas, "e_helyettes_beosztas", "Helyettes beosztása:"}};
    int y = 12;
    QWidget* previous = nullptr;
    for (const Row& r : rows) {
        QLabel* l =
            ui::label(this, QString(), QString::fromUtf8(r.caption), ui::arial(12), QRect(10, y, 140, 20));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        QWidget* box = nullptr;
        if (r.edit) {
            auto* e = new QLineEdit(this);
            e->setGeometry(156, y, 300, 21);
            *r.edit = e;
            box = e;
        } else {
            combo_alairo = new QComboBox(this);
            combo_alairo->addItem(QStringLiteral("az igazgató"));
            combo_alairo->addItem(QStringLiteral("helyettes, az igazgató megbízásából"));
            combo_alairo->setGeometry(156, y, 300, 22);
            box = combo_alairo;
        }
        box->setObjectName(QString::fromLatin1(r.name));
        box->setFont(ui::arial(12, false));
        ui::nameBy(l, box);
        if (previous) setTabOrder(previous, box);
        previous = box;
        y += 27;
    }
    e_utolso_evfolyam->setMaxLength(2);
    e_utolso_evfolyam->setToolTip(QStringLiteral(
        "Az iskola legmagasabb évfolyama (például 8 vagy 12): ebből számítható a tanulói jogviszony várható "
        "vége."));
    e_helyettes_beosztas->setPlaceholderText(QStringLiteral("igazgatóhelyettes"));
    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("Mentés"), ui::arial(12),
                         QRect(156, 268, 140, 28), true);
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("bezárás"), ui::arial(12),
                         QRect(316, 268, 140, 28), true);
    setTabOrder(previous, Button1);
    setTabOrder(Button1, Button2);
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, [this] { close(); });
    connect(combo_alairo, &QComboBox::currentIndexChanged, this, [this] { alairoValtozott_ = true; });
    setKeys(Button1, [this] {
        for (QLineEdit* e : boxes())
            if (e->isModified()) return true;
        return alairoValtozott_;
    });
}

QList<QLineEdit*> Tiskola_adatai_form::boxes() const {
    return {e_nev,
            e_cim,
            e_om,
            e_igazgato,
            e_kelt_helye,
            e_helyettes_nev,
            e_helyettes_beosztas,
            e_utolso_evfolyam};
}

void Tiskola_adatai_form::prepareOpen() {
    DM->limitToColumns(QStringLiteral("table_iskola"),
                       {{e_nev, QStringLiteral("nev")},
                        {e_cim, QStringLiteral("cim")},
                        {e_om, QStringLiteral("om_azonosito")},
                        {e_igazgato, QStringLiteral("igazgato")},
                        {e_kelt_helye, QStringLiteral("kelt_helye")},
                        {e_helyettes_nev, QStringLiteral("helyettes_nev")},
                        {e_helyettes_beosztas, QStringLiteral("helyettes_beosztas")}});
    db::Transaction tr(DM->dbTanulo, nullptr, db::Transaction::Access::ReadOnly);
    db::Statement s(DM->dbTanulo, tr);
    s.prepare(QStringLiteral("select nev, cim, om_azonosito, igazgato, kelt_helye, helyettes_nev, "
                             "helyettes_beosztas, utolso_evfolyam, alairo from table_iskola where id = 1"));
    s.execute();
    const bool found = s.fetch();
    int c = 0;
    for (QLineEdit* e : boxes())
        e->setText(found ? db::displayText(s.value(c++)) : QString());
    combo_alairo->setCurrentIndex(found && s.value(8).toInt() == 1 ? 1 : 0);
    alairoValtozott_ = false;
    s.closeCursor();
    tr.commit();
}

void Tiskola_adatai_form::Button1Click() {
    const QList<QLineEdit*> all = boxes();
    for (QLineEdit* e : all) {
        const qsizetype at = db::firstUnstorable(e->text());
        if (at >= 0) {
            ui::warning(this,
                        db::unstorableMessage(e->text(), at) + QStringLiteral("\r \rSikertelen mentés."));
            return;
        }
    }
    int grade = 0;
    if (!gradeOk(e_utolso_evfolyam->text(), grade)) {
        ui::warning(this, QStringLiteral("Az utolsó évfolyam 1 és 14 közötti egész szám lehet, vagy maradjon "
                                         "üresen: %1\r \rSikertelen mentés.")
                              .arg(e_utolso_evfolyam->text().trimmed()));
        e_utolso_evfolyam->setFocus();
        return;
    }
    const bool deputy = combo_alairo->currentIndex() == 1;
    if (deputy && e_helyettes_nev->text().trimmed().isEmpty()) {
        ui::warning(this, QStringLiteral("Ha a helyettes ír alá, adja meg a nevét!\r \rSikertelen mentés."));
        e_helyettes_nev->setFocus();
        return;
    }
    db::Transaction tr(DM->dbTanulo);
    db::Statement s(DM->dbTanulo, tr);
    s.prepare(QStringLiteral(
        "update or insert into table_iskola (id, nev, cim, om_azonosito, igazgato, kelt_helye, "
        "helyettes_nev, "
        "helyettes_beosztas, utolso_evfolyam, alairo) values (1, :nev, :cim, :om, :igazgato, :kelt, :hnev, "
        ":hbeo, :utolso, :alairo) matching (id)"));
    QVariantList values;
    for (QLineEdit* e : all)
        if (e != e_utolso_evfolyam)
            values << (e->text().trimmed().isEmpty() ? QVariant() : QVariant(e->text().trimmed()));
    values << (e_utolso_evfolyam->text().trimmed().isEmpty() ? QVariant() : QVariant(grade)) << int(deputy);
    s.bind(values);
    s.execute();
    s.free();
    tr.commit();
    for (QLineEdit* e : all)
        e->setModified(false);
    alairoValtozott_ = false;
    ui::information(this, QStringLiteral("Az iskola adatai elmentve."));
}

void Tiskola_adatai_form::FormClose() {
    main_form->childClosed();
}
