// The change log as the office reads it: one line an event with its summary, opening below
// to its students and fields; the year-end move and an operation on many students one line
// each; narrowed by operation and field through the drop-downs; saved as CSV and Excel;
// a leaver's log opened from the archive, which waits behind it.
#include <QtTest>

#include <QScrollBar>
#include <functional>

#include "TestSupport.h"
#include "TestWorkbook.h"
#include "data/DataModule.h"
#include "db/Values.h"
#include "main/main__form.h"
#include "office/Tanev.h"
#include "office/archivum__form.h"
#include "office/evi_ugyek__form.h"
#include "office/naplo__form.h"
#include "office/tanevvaltas__form.h"

using namespace testing;
using namespace Qt::StringLiterals;

namespace {
void openTask(const char* button) {
    main_form->Button14->click();
    evi_ugyek_form->findChild<QPushButton*>(QString::fromLatin1(button))->click();
}
QString today() {
    return QDate::currentDate().toString(db::kDateFormat);
}
} // namespace

class NaploTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;
    std::unique_ptr<OtherCopy> other_;
    SaveAnswers files_;

    QVariant first(const QString& sql, const QVariantList& params = {}) { return other_->first(sql, params); }
    int classId(const QString& name) {
        return first(u"select id from table_osztaly where osztaly_szam || '.' || osztaly_betu = :n"_s, {name})
            .toInt();
    }
    // The log lists anew, as "Listázás" does; the summaries of its lines.
    QStringList listed() {
        naplo_form->Button1->click();
        return fieldValues(naplo_form->ds_naplo, u"Esemény"_s);
    }
    // The line clicked open; the fields below it.
    QStringList opened(int row) {
        clickGridRow(naplo_form->dbg_naplo, row);
        return fieldValues(naplo_form->ds_reszlet, u"Adat"_s);
    }

  private slots:
    void initTestCase() {
        QVERIFY(app_.start(u"naplo"_s, {u"--demo"_s}));
        other_ = std::make_unique<OtherCopy>(app_.db.connectionString);
        other_->run(u"insert into table_osztaly (osztaly_szam, osztaly_betu) values (5, 'a')"_s);
    }
    void cleanupTestCase() {
        other_.reset();
        app_.stop();
    }
    void init() { app_.dialogs.clear(); }

    // Every kind of a single student's event: one line whose summary says what happened,
    // opening to exactly the fields it touched.
    void eachEventIsOneLineOpeningToItsFields() {
        const int year = tanev::aktualis(DM->dbTanulo, QDate::currentDate());
        int id = 0;
        struct Case {
            const char* name;
            std::function<void()> act;
            QString summary;
            QStringList fields;
        };
        const Case cases[] = {
            {"felvétel",
             [&] {
                 other_->run(u"insert into table_diak (nev, diak_tel, osztaly_ID, evfolyam) "
                             "values ('Napló Nóra', '+36 1 555 0000', :o, :y)"_s,
                             {classId(u"9.a"_s), year});
                 id = first(u"select id from table_diak where nev = 'Napló Nóra'"_s).toInt();
             },
             u"Felvétel: Napló Nóra, a 9.a osztályba"_s,
             {u"Név"_s, u"Telefon"_s, u"Osztály"_s, u"Tanév"_s}},
            {"módosítás",
             [&] {
                 other_->run(u"update table_diak set diak_tel = '+36 1 555 1111', diak_cim = 'Fő utca 2.' "
                             "where id = :id"_s,
                             {id});
             },
             u"Módosítás: Napló Nóra – Lakcím, Telefon"_s,
             {u"Lakcím"_s, u"Telefon"_s}},
            {"további adat",
             [&] {
                 other_->run(u"update table_diak_adat set allampolgarsag = 'német' where diak_id = :id"_s,
                             {id});
             },
             u"Módosítás: Napló Nóra – Állampolgárság"_s,
             {u"Állampolgárság"_s}},
            {"osztályváltás",
             [&] {
                 other_->run(u"update table_diak set osztaly_ID = :o where id = :id"_s,
                             {classId(u"9.b"_s), id});
             },
             u"Osztályváltás: Napló Nóra, a 9.a osztályból a 9.b osztályba"_s,
             {u"Osztály"_s}},
            {"kilépés",
             [&] {
                 tanev::kilep(DM->dbTanulo, id, QDate::currentDate(), tanev::Tavozott, {},
                              {u"Kodály Zoltán Gimnázium"_s, u"123456"_s});
             },
             u"Kilépés: Napló Nóra, a 9.b osztályból – %1, másik iskolába távozott"_s.arg(today()),
             {u"Kilépés dátuma"_s, u"Kilépés oka"_s, u"Fogadó iskola"_s, u"Osztály"_s}},
            {"visszavétel",
             [&] { tanev::visszavesz(DM->dbTanulo, id, classId(u"5.a"_s), year); },
             u"Visszavétel: Napló Nóra, az 5.a osztályba, %1/%2. tanév"_s.arg(year).arg(year + 1),
             {u"Osztály"_s, u"Tanév"_s}},
            {"törlés",
             [&] { other_->run(u"delete from table_diak where id = :id"_s, {id}); },
             u"Törlés: Napló Nóra, az 5.a osztályból"_s,
             {u"Név"_s, u"Lakcím"_s, u"Telefon"_s, u"Osztály"_s, u"Tanév"_s}},
        };
        openTask("ButtonNaplo");
        QVERIFY(naplo_form->isVisible());
        for (const Case& c : cases) {
            const int before = listed().size();
            c.act();
            const QStringList lines = listed();
            QVERIFY2(lines.size() == before + 1, qPrintable(QString::fromUtf8(c.name) + lines.join(u'|') +
                                                            app_.dialogs.texts().join(u'|')));
            QCOMPARE(lines.last(), c.summary);
            QCOMPARE(sortedSet(opened(static_cast<int>(lines.size()) - 1)), sortedSet(c.fields));
            QVERIFY2(naplo_form->label_esemeny->text().endsWith(c.summary), c.name);
            // one student's event: no student column beside the fields
            QVERIFY(naplo_form->dbg_reszlet->isColumnHidden(0));
        }
        // a date reads as everywhere else
        const QStringList fields = opened(static_cast<int>(listed().size()) - 3);
        QCOMPARE(naplo_form->ds_reszlet->value(fields.indexOf(u"Kilépés dátuma"_s), u"Új érték"_s).toString(),
                 today());
        // a summary longer than its column is cut there, and read whole below the list
        other_->run(
            u"update table_diak set nev = nev || ' Kiss-Szabó-Nagy Terézia Anna', diak_cim = 'Hosszú utca "
            u"1.', "
            "diak_cim_varos = 'Hódmezővásárhely', szul_hely = 'Sátoraljaújhely', anyja_nev = 'Anyja Neve', "
            "gondviselo_nev = 'Gondviselő Neve', gondviselo_cim = 'Gondviselő utca 2.', "
            "gondviselo_tel = '+36 1 999 9999' where id = (select min(id) from table_diak)"_s);
        const QStringList lines = listed();
        clickGridRow(naplo_form->dbg_naplo, static_cast<int>(lines.size()) - 1);
        QVERIFY(lines.last().size() > 150);
        QVERIFY(naplo_form->label_esemeny->text().endsWith(lines.last()));
        for (ui::DataGrid* grid : {naplo_form->dbg_naplo, naplo_form->dbg_reszlet})
            QVERIFY2(!grid->horizontalScrollBar()->isVisible(), qPrintable(grid->objectName()));
        naplo_form->close();
        evi_ugyek_form->close();
        QVERIFY(main_form->isEnabled());
    }

    // Many students in one go read as one line: by another tool, the year-end move and its
    // undo; each opens to its students, read a screen at a time.
    void anOperationOnManyStudentsIsOneEvent() {
        openTask("ButtonNaplo");
        const int before = listed().size();
        const QStringList moved = other_->all(u"select first 3 nev from table_diak where osztaly_ID = :o "
                                              "order by id"_s,
                                              {classId(u"10.a"_s)});
        other_->run(u"update table_diak set osztaly_ID = :b where id in (select first 3 id from table_diak "
                    "where osztaly_ID = :a order by id)"_s,
                    {classId(u"10.b"_s), classId(u"10.a"_s)});
        QStringList lines = listed();
        QCOMPARE(lines.size(), before + 1);
        QCOMPARE(lines.last(), u"Osztályváltás: 3 tanuló"_s);
        opened(static_cast<int>(lines.size()) - 1);
        QCOMPARE(sortedSet(fieldValues(naplo_form->ds_reszlet, u"Tanuló"_s)), sortedSet(moved));
        QVERIFY(!naplo_form->dbg_reszlet->isColumnHidden(0));
        naplo_form->close();
        evi_ugyek_form->close();

        openTask("ButtonTanevvaltas");
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        tanevvaltas_form->Button4->click();
        QVERIFY2(app_.dialogs.texts().join(u' ').contains(u"A tanévváltás megtörtént"_s),
                 qPrintable(app_.dialogs.texts().join(u'|')));
        const QStringList counts =
            other_
                ->all(
                    u"select t.uj_tanev, t.tovabblepett, (select count(*) from table_diak_archiv a where "
                    "a.tanevvaltas_id = t.id and a.kilepes_ok = 1), t.tovabblepett + t.ismetel + t.kilepett "
                    "from table_tanevvaltas t where t.visszavonva is null order by t.id desc rows 1"_s)
                .first()
                .split(u'|');
        const int newYear = counts[0].toInt();
        tanevvaltas_form->close();
        evi_ugyek_form->close();

        openTask("ButtonNaplo");
        lines = listed();
        QCOMPARE(lines.size(), before + 2);
        QCOMPARE(lines.last(), u"Tanévváltás %1/%2: %3 tanuló lépett feljebb, %4 végzett"_s.arg(newYear)
                                   .arg(newYear + 1)
                                   .arg(counts[1], counts[2]));
        clickGridRow(naplo_form->dbg_naplo, static_cast<int>(lines.size()) - 1);
        // a screen of its rows at first, the rest as the grid scrolls
        QVERIFY(naplo_form->ds_reszlet->fetchedRows() < counts[3].toInt());
        QVERIFY(fieldValues(naplo_form->ds_reszlet, u"Művelet"_s).contains(u"kilépés"_s));
        QCOMPARE(sortedSet(fieldValues(naplo_form->ds_reszlet, u"Tanuló"_s)).size(),
                 first(u"select count(distinct n.diak_nev) from table_naplo n join table_naplo_esemeny e on "
                       "e.id = n.esemeny_id where e.fajta = 'tanévváltás'"_s)
                     .toInt());
        naplo_form->close();
        evi_ugyek_form->close();

        // a graduate's log from the archive: the archive waits behind it, and the move opens
        // to that student's own fields alone
        const QStringList graduate =
            other_
                ->all(u"select first 1 id, nev from table_diak_archiv where kilepes_ok = 1 and "
                      "tanevvaltas_id is not null order by id"_s)
                .first()
                .split(u'|');
        openTask("ButtonArchivum");
        archivum_form->edit_kereses->setText(graduate[1]);
        QVERIFY(archivum_form->ds_archiv->locate(u"ID"_s, graduate[0].toInt()));
        archivum_form->Button3->click();
        QVERIFY(naplo_form->isVisible());
        QVERIFY(archivum_form->isVisible() && !archivum_form->isEnabled());
        QCOMPARE(naplo_form->label_tanulo->text(), u"%1 (azonosító: %2)"_s.arg(graduate[1], graduate[0]));
        lines = fieldValues(naplo_form->ds_naplo, u"Esemény"_s);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.first(), u"Felvétel: 500 tanuló"_s);
        QVERIFY2(lines.last().startsWith(u"Tanévváltás %1/"_s.arg(newYear)), qPrintable(lines.join(u'|')));
        QCOMPARE(sortedSet(opened(static_cast<int>(lines.size()) - 1)),
                 sortedSet({u"Kilépés dátuma"_s, u"Kilépés oka"_s, u"Osztály"_s}));
        QCOMPARE(sortedSet(fieldValues(naplo_form->ds_reszlet, u"Tanuló"_s)), QStringList{graduate[1]});
        naplo_form->close();
        QVERIFY(archivum_form->isVisible() && archivum_form->isEnabled());
        archivum_form->close();
        evi_ugyek_form->close();

        openTask("ButtonTanevvaltas");
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        QVERIFY(tanevvaltas_form->Button5->isEnabled());
        tanevvaltas_form->Button5->click();
        tanevvaltas_form->close();
        evi_ugyek_form->close();
        openTask("ButtonNaplo");
        lines = listed();
        QCOMPARE(lines.size(), before + 3);
        QCOMPARE(lines.last(), u"Tanévváltás visszavonása (%1/%2): %3 tanuló visszaállítva"_s.arg(newYear)
                                   .arg(newYear + 1)
                                   .arg(counts[3]));
        naplo_form->close();
        evi_ugyek_form->close();
    }

    // The drop-downs narrow the events and what they open to; the files hold one line a
    // field row, each with its event's summary, exactly as narrowed.
    void narrowedAndSaved() {
        openTask("ButtonNaplo");
        QVERIFY(chooseEntry(naplo_form->combo_muvelet, u"kilépés"_s));
        QStringList lines = fieldValues(naplo_form->ds_naplo, u"Esemény"_s);
        QVERIFY(lines.size() >= 2);
        for (const QString& l : lines)
            QVERIFY2(l.startsWith(u"Kilépés"_s) || l.startsWith(u"Tanévváltás "_s) ||
                         l.startsWith(u"Több művelet"_s),
                     qPrintable(l));
        // a larger event opens to its leavers alone
        const qsizetype move = lines.indexOf(QRegularExpression(u"Tanévváltás .*"_s));
        QVERIFY2(move >= 0, qPrintable(lines.join(u'|')));
        opened(static_cast<int>(move));
        QCOMPARE(sortedSet(fieldValues(naplo_form->ds_reszlet, u"Művelet"_s)), QStringList{u"kilépés"_s});

        QVERIFY(chooseEntry(naplo_form->combo_mezo, u"Fogadó iskola"_s));
        lines = fieldValues(naplo_form->ds_naplo, u"Esemény"_s);
        QCOMPARE(lines,
                 QStringList{
                     u"Kilépés: Napló Nóra, a 9.b osztályból – %1, másik iskolába távozott"_s.arg(today())});
        QCOMPARE(opened(0), QStringList{u"Fogadó iskola"_s});
        QCOMPARE(naplo_form->ds_reszlet->value(0, u"Új érték"_s).toString(),
                 u"Kodály Zoltán Gimnázium (OM 123456)"_s);

        // the period: none of it after today, and a date that is no date says so
        naplo_form->edit_tol->setText(QDate::currentDate().addDays(1).toString(db::kDateFormat));
        QCOMPARE(listed(), QStringList());
        QVERIFY(naplo_form->ds_reszlet->fetchedRows() == 0 && naplo_form->label_esemeny->text().isEmpty());
        naplo_form->edit_tol->setText(u"tegnap"_s);
        naplo_form->Button1->click();
        QVERIFY(app_.dialogs.texts().last().startsWith(u"Az időszak kezdete és vége dátum"_s));
        naplo_form->edit_tol->setText(QDate::currentDate().addDays(-30).toString(db::kDateFormat));

        QVERIFY(chooseEntry(naplo_form->combo_mezo, u"mind"_s));
        QVERIFY(chooseEntry(naplo_form->combo_muvelet, u"módosítás"_s));
        const QStringList changes = fieldValues(naplo_form->ds_naplo, u"Esemény"_s);
        const int expected =
            first(
                u"select count(*) from table_naplo_esemeny e join table_naplo n on n.esemeny_id = e.id join "
                "table_naplo_mezo m on m.naplo_id = n.id where n.muvelet = 'módosítás' and e.mikor >= :t"_s,
                {QDateTime(QDate::currentDate().addDays(-30), QTime(0, 0))})
                .toInt();
        QVERIFY(expected > 0);

        const QString folder = scratchFolder(u"naplo-files"_s);
        files_.path = folder + u"/naplo"_s;
        naplo_form->Button3->click();
        QFile csv(folder + u"/naplo.csv"_s);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray bytes = csv.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QStringList csvLines = QString::fromUtf8(bytes.mid(3)).split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(csvLines.takeFirst(),
                 u"Időpont;Esemény;Tanuló;Művelet;Adat;Régi érték;Új érték;Munkaállomás;Felhasználó"_s);
        QCOMPARE(csvLines.size(), expected);
        for (const QString& line : csvLines) {
            const QStringList f = line.split(u';');
            QVERIFY2(f.value(3) == u"módosítás"_s && changes.contains(f.value(1)), qPrintable(line));
        }
        QVERIFY(app_.dialogs.texts().contains(u"A CSV-fájl elkészült:\r"_s +
                                              QDir::toNativeSeparators(csv.fileName())));

        naplo_form->Button5->click();
        const QList<QStringList> sheet = readSheet(folder + u"/naplo.xlsx"_s);
        QCOMPARE(sheet.size(), expected + 1);
        QCOMPARE(sheet.first().mid(0, 5),
                 QStringList({u"Időpont"_s, u"Esemény"_s, u"Tanuló"_s, u"Művelet"_s, u"Adat"_s}));
        for (qsizetype r = 1; r < sheet.size(); ++r)
            QVERIFY2(sheet[r].value(3) == u"módosítás"_s && changes.contains(sheet[r].value(1)),
                     qPrintable(sheet[r].join(u'|')));
        files_.path.clear();
        naplo_form->close();
        evi_ugyek_form->close();
    }
};

QTEST_MAIN(NaploTest)
#include "test_naplo.moc"
