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

Tiskola_adatai_form::Tiskola_adatai_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("iskola_adatai_form"));
    setWindowTitle(QStringLiteral("Az iskola adatai"));
    setClientSize(470, 200);
    ui::bevel(this, QRect(4, 4, 462, 148));
    struct Row {
        QLineEdit** edit;
        const char* name;
        const char* caption;
    };
    const Row rows[] = {{&e_nev, "e_nev", "Az iskola neve:"},
                        {&e_cim, "e_cim", "Címe:"},
                        {&e_om, "e_om", "OM azonosítója:"},
                        {&e_igazgato, "e_igazgato", "Az igazgató neve:"},
                        {&e_kelt_helye, "e_kelt_helye", "Keltezés helye:"}};
    int y = 12;
    QWidget* previous = nullptr;
    for (const Row& r : rows) {
        QLabel* l =
            ui::label(this, QString(), QString::fromUtf8(r.caption), ui::arial(12), QRect(10, y, 140, 20));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(r.name));
        e->setGeometry(156, y, 300, 21);
        e->setFont(ui::arial(12, false));
        ui::nameBy(l, e);
        if (previous) setTabOrder(previous, e);
        previous = e;
        *r.edit = e;
        y += 27;
    }
    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("Mentés"), ui::arial(12),
                         QRect(156, 160, 140, 28), true);
    Button2 = ui::button(this, QStringLiteral("Button2"), QStringLiteral("bezárás"), ui::arial(12),
                         QRect(316, 164, 140, 22), true);
    setTabOrder(previous, Button1);
    setTabOrder(Button1, Button2);
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, [this] { close(); });
    setKeys(Button1, [this] {
        for (QLineEdit* e : {e_nev, e_cim, e_om, e_igazgato, e_kelt_helye})
            if (e->isModified()) return true;
        return false;
    });
}

void Tiskola_adatai_form::prepareOpen() {
    DM->limitToColumns(QStringLiteral("table_iskola"), {{e_nev, QStringLiteral("nev")},
                                                        {e_cim, QStringLiteral("cim")},
                                                        {e_om, QStringLiteral("om_azonosito")},
                                                        {e_igazgato, QStringLiteral("igazgato")},
                                                        {e_kelt_helye, QStringLiteral("kelt_helye")}});
    db::Transaction tr(DM->dbTanulo, nullptr, db::Transaction::Access::ReadOnly);
    db::Statement s(DM->dbTanulo, tr);
    s.prepare(
        QStringLiteral("select nev, cim, om_azonosito, igazgato, kelt_helye from table_iskola where id = 1"));
    s.execute();
    const bool found = s.fetch();
    int c = 0;
    for (QLineEdit* e : {e_nev, e_cim, e_om, e_igazgato, e_kelt_helye})
        e->setText(found ? db::displayText(s.value(c++)) : QString());
    s.closeCursor();
    tr.commit();
}

void Tiskola_adatai_form::Button1Click() {
    const QList<QLineEdit*> boxes{e_nev, e_cim, e_om, e_igazgato, e_kelt_helye};
    for (QLineEdit* e : boxes) {
        const qsizetype at = db::firstUnstorable(e->text());
        if (at >= 0) {
            ui::warning(this,
                        db::unstorableMessage(e->text(), at) + QStringLiteral("\r \rSikertelen mentés."));
            return;
        }
    }
    db::Transaction tr(DM->dbTanulo);
    db::Statement s(DM->dbTanulo, tr);
    s.prepare(QStringLiteral(
        "update or insert into table_iskola (id, nev, cim, om_azonosito, igazgato, kelt_helye) "
        "values (1, :nev, :cim, :om, :igazgato, :kelt) matching (id)"));
    QVariantList values;
    for (QLineEdit* e : boxes)
        values << (e->text().trimmed().isEmpty() ? QVariant() : QVariant(e->text().trimmed()));
    s.bind(values);
    s.execute();
    s.free();
    tr.commit();
    for (QLineEdit* e : boxes)
        e->setModified(false);
    ui::information(this, QStringLiteral("Az iskola adatai elmentve."));
}

void Tiskola_adatai_form::FormClose() {
    main_form->childClosed();
}
