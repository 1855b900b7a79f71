// Data protection: every path that shows a student's statuses leaves one read row, which
// the head sees in the change log; the leavers' data cleared by category after the
// school's periods.
#include <QProcess>
#include <QtTest>

#include "TestSupport.h"
#include "adatvedelem/Adatmegorzes.h"
#include "adatvedelem/Hozzaferes.h"
#include "adatvedelem/adatmegorzes__form.h"
#include "adatvedelem/hozzaferes__form.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "documents/dokumentumok__form.h"
#include "main/main__form.h"
#include "office/Tanev.h"
#include "office/archivum__form.h"
#include "office/evi_ugyek__form.h"
#include "office/naplo__form.h"
#include "students/tanulo_adatok__form.h"

using namespace testing;
using namespace Qt::StringLiterals;

class AdatvedelemTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;
    SaveAnswers saves_;

    OtherCopy other() { return OtherCopy(app_.db.connectionString); }
    QString lastText() const {
        return app_.dialogs.shown.empty() ? QString() : app_.dialogs.shown.back().text;
    }
    int reads(int id) {
        return other()
            .first(u"select count(*) from table_jogallas_olvasas where diak_id = :d"_s, {id})
            .toInt();
    }
    int studentOf(int nth) {
        return other().first(u"select id from table_diak order by id rows %1 to %1"_s.arg(nth)).toInt();
    }
    QString nameOf(int id) {
        return other().first(u"select nev from table_diak where id = :d"_s, {id}).toString();
    }

    // Every field a category names, and what is never cleared, of one student as one line.
    static QString kept() {
        return u"a.nev || '|' || coalesce(a.szul_hely, '') || '|' || coalesce(cast(a.szul_ido as "
               u"varchar(10)), '') || '|' || "
               "coalesce(a.anyja_nev, '') || '|' || coalesce(a.diak_OM, '') || '|' || a.kilepes_datum || '|' "
               "|| "
               "a.kilepes_ok || '|' || coalesce(cast(d.jogviszony_kezdete as varchar(10)), '') || '|' || "
               "coalesce(a.diak_taj, '') || "
               "'|' || coalesce(a.gondviselo_nev, '')"_s;
    }
    static QString category(const QString& code) {
        if (code == u"kapcsolat")
            return u"coalesce(a.diak_tel, '') || coalesce(a.gondviselo_tel, '') || coalesce(a.diak_cim, '') "
                   u"|| "
                   "coalesce(a.diak_cim_varos, '') || coalesce(a.gondviselo_cim, '') || "
                   "coalesce(d.iranyitoszam, "
                   "'') || coalesce(d.gondviselo_irsz, '') || coalesce(d.gondviselo_email, '')"_s;
        if (code == u"jogallasok")
            return u"coalesce(cast(nullif(b.sni + b.btmn + b.hh + b.hhh + b.sni_hosszabb, 0) as varchar(5)), "
                   u"'') || "
                   "coalesce(cast(b.sni_kelte as varchar(10)), '') || coalesce(cast(b.hh_kelte as varchar(10)), '') || coalesce(cast(b.hhh_ervenyes as varchar(10)), '')"_s;
        if (code == u"tovabbi")
            return u"coalesce(d.allampolgarsag, '') || coalesce(cast(nullif(d.bejaro + d.kollegista + "
                   "d.egyeni_munkarend, 0) as varchar(5)), '')"_s;
        return u"coalesce(cast(a.mj as varchar(100)), '') || coalesce(a.kilepes_megjegyzes, '')"_s;
    }
    QString column(const QString& expression, int id) {
        return other()
            .first(u"select "_s + expression +
                       u" from table_diak_archiv a join table_diak_adat d on d.diak_id = a.id join "
                       "table_diak_bizalmas b on b.diak_id = a.id where a.id = :d"_s,
                   {id})
            .toString();
    }
    // A student with something in every category and in the log of each, who left years ago.
    int oldLeaver(int nth) {
        const int id = studentOf(nth);
        OtherCopy c = other();
        c.run(u"update table_diak set diak_tel = '+36 1 555 0101', gondviselo_tel = '+36 30 1', diak_cim = "
              "'Fő utca 1.', diak_cim_varos = 'Eger', gondviselo_cim = 'Kossuth utca 2.', mj = 'Allergiás.' "
              "where id = :d"_s,
              {id});
        c.run(
            u"update table_diak_adat set iranyitoszam = '3300', gondviselo_irsz = '3301', gondviselo_email = "
            "'szulo@example.hu', allampolgarsag = 'ukrán', bejaro = 1, kollegista = 1 where diak_id = :d"_s,
            {id});
        c.run(u"update or insert into table_diak_bizalmas (diak_id, sni, sni_kelte, btmn, hhh, hhh_ervenyes) "
              "values (:d, 1, '2020-01-02', 0, 1, '2030-01-01') matching (diak_id)"_s,
              {id});
        tanev::kilep(DM->dbTanulo, id, QDate::currentDate(), tanev::Tavozott, u"Pécsre költözött."_s);
        c.run(u"update table_diak_archiv set kilepes_datum = '2019-06-15' where id = :d"_s, {id});
        tanev::naploOsszevon(DM->dbTanulo);
        return id;
    }
    // The periods typed into the window and saved by its button; empty: none.
    void setPeriods(const QStringList& years) {
        openWindow();
        for (size_t i = 0; i < adatmegorzes_form->sorok.size(); ++i) {
            QLineEdit* e = adatmegorzes_form->sorok[i].evek;
            e->selectAll();
            QTest::keyClick(e, Qt::Key_Delete);
            const QString text = years.value(static_cast<qsizetype>(i));
            if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 128; }))
                QTest::keyClicks(e, text);
            else
                e->insert(text); // as a paste: the test keyboard has no such keys
        }
        adatmegorzes_form->Button1->click();
    }
    void openWindow() {
        if (adatmegorzes_form->isVisible()) return;
        main_form->Button14->click();
        evi_ugyek_form->findChild<QPushButton*>(u"ButtonAdatmegorzes"_s)->click();
        QVERIFY(adatmegorzes_form->isVisible());
    }
    static int index(const QString& code) {
        for (qsizetype i = 0; i < adatmegorzes::kategoriak().size(); ++i)
            if (adatmegorzes::kategoriak()[i].kod == code) return static_cast<int>(i);
        return -1;
    }

  private slots:
    void initTestCase() { QVERIFY(app_.start(u"adatvedelem"_s, {u"--demo"_s})); }
    void cleanupTestCase() { app_.stop(); }
    void cleanup() {
        for (QWidget* w : {static_cast<QWidget*>(tanulo_adatok_form),
                           static_cast<QWidget*>(dokumentumok_form), static_cast<QWidget*>(naplo_form),
                           static_cast<QWidget*>(adatmegorzes_form), static_cast<QWidget*>(archivum_form),
                           static_cast<QWidget*>(evi_ugyek_form), static_cast<QWidget*>(hozzaferes_form)})
            if (w->isVisible()) w->close();
        app_.dialogs.clear();
        saves_.path.clear();
    }

    // The new windows, and the archive with its new button, as laid out: nothing outside,
    // nothing overlapping, every text whole.
    void windowsAreLaidOut() {
        openWindow();
        QString problem = layoutProblem(adatmegorzes_form);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        adatmegorzes_form->close();
        QVERIFY(DM->dataset_Tanulok.locate(u"ID"_s, studentOf(5), 1000000));
        triggerStudentMenu(u"Hozzáférési kérelem…"_s);
        problem = layoutProblem(hozzaferes_form);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        hozzaferes_form->close();
        main_form->openChild(archivum_form, [] { archivum_form->prepareOpen(); });
        problem = layoutProblem(archivum_form);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        archivum_form->close();
    }

    // Each way the program shows the statuses: one read row for the student, in the name
    // of the login; the check before a document reads none of its own.
    void everyPathThatShowsTheStatusesLeavesOneRead_data() {
        QTest::addColumn<int>("path");
        QTest::newRow("További adatok") << 0;
        QTest::newRow("igazolás előnézete") << 1;
        QTest::newRow("igazolás PDF-be") << 2;
        QTest::newRow("adatlap PDF-be") << 3;
    }
    void everyPathThatShowsTheStatusesLeavesOneRead() {
        QFETCH(int, path);
        const int id = studentOf(10 + path);
        const QString name = nameOf(id);
        other().run(
            u"update or insert into table_diak_bizalmas (diak_id, sni, sni_kelte, btmn) values (:d, 1, "
            "'2024-05-06', 0) matching (diak_id)"_s,
            {id});
        const int before = reads(id);
        const QString pdf = scratchFolder(u"olvasas-%1"_s.arg(path)) + u"/dok.pdf"_s;
        saves_.path = pdf;
        switch (path) {
        case 0:
            QVERIFY(DM->dataset_Tanulok.locate(u"ID"_s, id, 1000000));
            triggerStudentMenu(u"További adatok…"_s);
            QVERIFY(tanulo_adatok_form->isVisible());
            QVERIFY(tanulo_adatok_form->findChild<QCheckBox*>(u"check_sni"_s)->isChecked());
            break;
        case 1:
        case 2:
            main_form->openChild(dokumentumok_form, [&] {
                dokumentumok_form->prepareForStudent(id, name, u"01_iskolalatogatasi_igazolas.html"_s);
            });
            (path == 1 ? dokumentumok_form->Button6 : dokumentumok_form->Button2)->click();
            break;
        case 3:
            main_form->openChild(dokumentumok_form, [&] {
                dokumentumok_form->prepareForStudent(id, name, u"02_tanuloi_adatlap.html"_s);
            });
            dokumentumok_form->Button2->click();
            break;
        }
        if (path >= 2) QVERIFY2(QFile::exists(pdf), qPrintable(app_.dialogs.texts().join(u' ')));
        QCOMPARE(reads(id), before + 1);
        QCOMPARE(other()
                     .first(u"select felhasznalo from table_jogallas_olvasas where diak_id = :d order by id "
                            "desc rows 1"_s,
                            {id})
                     .toString(),
                 u"SYSDBA"_s);
    }

    // The head narrows the change log to the reads: who read whose statuses, and when.
    void theHeadSeesTheReadsInTheLog() {
        const int id = studentOf(30);
        const QString name = nameOf(id);
        QVERIFY(DM->dataset_Tanulok.locate(u"ID"_s, id, 1000000));
        triggerStudentMenu(u"További adatok…"_s);
        tanulo_adatok_form->close();
        main_form->openChild(naplo_form, [&] { naplo_form->prepareForStudent(id, name); });
        QVERIFY(chooseEntry(naplo_form->combo_muvelet, u"Jogállás megtekintése"_s));
        const QStringList events = fieldValues(naplo_form->ds_naplo, u"Esemény"_s);
        QCOMPARE(events, QStringList{u"Jogállás megtekintése: "_s + name});
        QCOMPARE(fieldValues(naplo_form->ds_naplo, u"Felhasználó"_s), QStringList{u"SYSDBA"_s});
        clickGridRow(naplo_form->dbg_naplo, 0); // a read has no fields to open
        QVERIFY(!naplo_form->ds_reszlet->isOpen());
        // among every kind of event too, and in the saved file
        QVERIFY(chooseEntry(naplo_form->combo_muvelet, u"mind"_s));
        QVERIFY(
            fieldValues(naplo_form->ds_naplo, u"Esemény"_s).contains(u"Jogállás megtekintése: "_s + name));
        // a field chosen leaves the reads out: they name none
        QVERIFY(chooseEntry(naplo_form->combo_mezo, u"Név"_s));
        QVERIFY(
            !fieldValues(naplo_form->ds_naplo, u"Esemény"_s).contains(u"Jogállás megtekintése: "_s + name));
        naplo_form->close();
    }

    // Until the office sets a period nothing is cleared, and the window says who decides.
    void withoutPeriodsNothingIsCleared() {
        setPeriods({});
        QVERIFY(adatmegorzes_form->label_szabaly->text().contains(u"iratkezelési szabályzata"_s));
        QVERIFY(adatmegorzes_form->label_szabaly->text().contains(u"12 hónap"_s));
        adatmegorzes_form->sorok[0].valaszt->setChecked(true);
        app_.dialogs.clear();
        adatmegorzes_form->Button3->click();
        QVERIFY2(lastText().contains(u"nincs megőrzési idő"_s), qPrintable(lastText()));
        QCOMPARE(other().first(u"select count(*) from table_adatmegorzes_torles"_s).toInt(), 0);
        // a period is whole years, or nothing
        app_.dialogs.clear();
        setPeriods({u"két év"_s});
        QVERIFY2(lastText().contains(u"1 és 100 közötti egész szám"_s), qPrintable(lastText()));
        QCOMPARE(other().first(u"select count(*) from table_adatmegorzes where evek is not null"_s).toInt(),
                 0);
    }

    // One category cleared by the window: its fields of every leaver before the cut-off,
    // and nothing else; no row lost; the log's values of those fields replaced; the
    // clearing recorded; the leaver's archive row and data sheet say what went.
    void clearingByCategory_data() {
        QTest::addColumn<QString>("code");
        for (const char* c : {"kapcsolat", "jogallasok", "tovabbi", "megjegyzes"})
            QTest::newRow(c) << QString::fromLatin1(c);
    }
    void clearingByCategory() {
        QFETCH(QString, code);
        const int leaver = oldLeaver(40 + index(code) * 2);
        const int current = studentOf(41 + index(code) * 2);
        const QString leaverKept = column(kept(), leaver);
        QStringList otherCategories;
        for (const adatmegorzes::Kategoria& k : adatmegorzes::kategoriak())
            if (k.kod != code) otherCategories << column(category(k.kod), leaver);
        QVERIFY(!column(category(code), leaver).isEmpty());
        const QString rows = other()
                                 .first(u"select (select count(*) from table_diak_archiv) || '/' || (select "
                                        "count(*) from table_diak_adat) || '/' || (select count(*) from "
                                        "table_diak_bizalmas) || '/' || (select count(*) from "
                                        "table_osztaly_tortenet) from rdb$database"_s)
                                 .toString();
        const QString currentBefore =
            other().all(u"select * from table_diak where id = :d"_s, {current}).join(u';');
        QStringList periods{u""_s, u""_s, u""_s, u""_s};
        periods[index(code)] = u"5"_s;
        setPeriods(periods);
        // the preview counts and changes nothing
        adatmegorzes_form->Button2->click();
        const QString preview = adatmegorzes_form->sorok[static_cast<size_t>(index(code))].elonezet->text();
        QVERIFY2(preview.contains(QDate::currentDate().addYears(-5).toString(u"yyyy.MM.dd."_s)),
                 qPrintable(preview));
        const int shown = preview.section(u' ', 0, 0).toInt();
        QVERIFY2(shown >= 1, qPrintable(preview));
        QVERIFY(!column(category(code), leaver).isEmpty());

        adatmegorzes_form->sorok[static_cast<size_t>(index(code))].valaszt->setChecked(true);
        app_.dialogs.clear();
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        adatmegorzes_form->Button3->click();
        QVERIFY2(lastText().startsWith(u"Törölve"_s), qPrintable(app_.dialogs.texts().join(u" / "_s)));

        QCOMPARE(column(category(code), leaver), QString());
        QCOMPARE(column(kept(), leaver), leaverKept);
        QStringList otherAfter;
        for (const adatmegorzes::Kategoria& k : adatmegorzes::kategoriak())
            if (k.kod != code) otherAfter << column(category(k.kod), leaver);
        QCOMPARE(otherAfter, otherCategories);
        QCOMPARE(
            other()
                .first(u"select (select count(*) from table_diak_archiv) || '/' || (select count(*) from "
                       "table_diak_adat) || '/' || (select count(*) from table_diak_bizalmas) || '/' || "
                       "(select count(*) from table_osztaly_tortenet) from rdb$database"_s)
                .toString(),
            rows);
        QCOMPARE(other().all(u"select * from table_diak where id = :d"_s, {current}).join(u';'),
                 currentBefore);

        // the log keeps that the fields changed, not what they held
        const QString logged =
            code == u"jogallasok"
                ? u"select count(*) from table_naplo_bizalmas where diak_id = :d and (regi <> :t or uj <> :t)"_s
                : u"select count(*) from table_naplo n join table_naplo_mezo m on m.naplo_id = n.id where "
                  "n.diak_id = :d and m.mezo in ('diak_tel', 'diak_cim', 'iranyitoszam', 'gondviselo_email', "
                  "'bejaro', 'allampolgarsag', 'mj', 'kilepes_megjegyzes') and (m.regi <> :t or m.uj <> :t) "
                  "and "
                  "(cast(:c as varchar(20)) = 'kapcsolat' and m.mezo in ('diak_tel', 'diak_cim', "
                  "'iranyitoszam', 'gondviselo_email') "
                  "or cast(:c as varchar(20)) = 'tovabbi' and m.mezo in ('bejaro', 'allampolgarsag') or "
                  "cast(:c as varchar(20)) = 'megjegyzes' and "
                  "m.mezo in ('mj', 'kilepes_megjegyzes'))"_s;
        const QString gone = u"törölve (adatmegőrzés)"_s;
        QCOMPARE(other()
                     .first(logged, code == u"jogallasok"
                                        ? QVariantList{leaver, gone, gone}
                                        : QVariantList{leaver, gone, gone, code, code, code})
                     .toInt(),
                 0);
        QVERIFY(
            other()
                .first(
                    u"select (select count(*) from table_naplo_bizalmas where regi = :t or uj = :t) + "
                    "(select count(*) from table_naplo_mezo where regi = :t or uj = :t) from rdb$database"_s,
                    {gone, gone, gone, gone})
                .toInt() > 0);
        // the name's changes are the log's still
        QVERIFY(other()
                    .first(u"select count(*) from table_naplo n join table_naplo_mezo m on m.naplo_id = n.id "
                           "where m.uj = 'törölve (adatmegőrzés)' and m.mezo in ('nev', 'szul_ido', "
                           "'anyja_nev', 'kilepes_datum')"_s)
                    .toInt() == 0);

        // the record, in the window too
        QCOMPARE(
            other()
                .first(u"select felhasznalo || '|' || kategoria || '|' || hatarnap || '|' || tanulok from "
                       "table_adatmegorzes_torles order by id desc rows 1"_s)
                .toString(),
            u"SYSDBA|%1|%2|%3"_s.arg(code, QDate::currentDate().addYears(-5).toString(Qt::ISODate))
                .arg(shown));
        QCOMPARE(fieldValues(adatmegorzes_form->ds_torlesek, u"Adatkör"_s).value(0),
                 adatmegorzes::kategoriak()[index(code)].nev);
        // a second clearing finds nothing left of her
        QCOMPARE(adatmegorzes::elonezet(DM->dbTanulo, code, QDate::currentDate().addYears(-5)), 0);

        const QString line = u"Adatai törölve: %1 (%2)"_s.arg(QDate::currentDate().toString(u"yyyy.MM.dd."_s),
                                                              adatmegorzes::kategoriak()[index(code)].nev);
        QCOMPARE(other().first(u"select FN_ADATAI_TOROLVE(:d) from rdb$database"_s, {leaver}).toString(),
                 line);
        main_form->openChild(archivum_form, [] { archivum_form->prepareOpen(); });
        QVERIFY(archivum_form->ds_archiv->locate(u"ID"_s, leaver, 1000000));
        QVERIFY2(archivum_form->m_adatok->toPlainText().contains(line),
                 qPrintable(archivum_form->m_adatok->toPlainText()));
        archivum_form->close();
    }

    // The database's own refusals: no period, a cut-off in the current school year or later
    // than the period allows; the students in the registry are never candidates.
    void clearingIsRefused_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QDate>("cutOff");
        QTest::addColumn<QString>("message");
        const QDate today = QDate::currentDate();
        QTest::newRow("nincs ideje") << u"megjegyzes"_s << today.addYears(-20) << u"nincs megőrzési idő"_s;
        QTest::newRow("a tanévben") << u"kapcsolat"_s << today << u"aktuális tanév kezdete előtt"_s;
        QTest::newRow("az időnél később")
            << u"kapcsolat"_s << today.addYears(-2) << u"megőrzési idő (3 év)"_s;
    }
    void clearingIsRefused() {
        QFETCH(QString, code);
        QFETCH(QDate, cutOff);
        QFETCH(QString, message);
        setPeriods({u"3"_s});
        const int records = other().first(u"select count(*) from table_adatmegorzes_torles"_s).toInt();
        QString refused;
        try {
            adatmegorzes::torol(DM->dbTanulo, {{code, cutOff}});
        } catch (const db::Error& e) {
            refused = e.message();
        }
        QVERIFY2(refused.contains(message), qPrintable(refused));
        QCOMPARE(other().first(u"select count(*) from table_adatmegorzes_torles"_s).toInt(), records);
    }

    // Re-admitted after the clearing: the cleared fields stay empty, can be typed again, and
    // her record no longer says they were cleared; leaving again makes her a new leaver.
    void aReadmittedLeaverAfterTheClearing() {
        const int id = oldLeaver(60);
        setPeriods({u"2"_s});
        adatmegorzes::torol(DM->dbTanulo, {{u"kapcsolat"_s, QDate::currentDate().addYears(-2)}});
        QVERIFY(!other().first(u"select FN_ADATAI_TOROLVE(:d) from rdb$database"_s, {id}).isNull());
        const int cls = other().first(u"select min(id) from table_osztaly"_s).toInt();
        tanev::visszavesz(DM->dbTanulo, id, cls, tanev::aktualis(DM->dbTanulo, QDate::currentDate()));
        QCOMPARE(
            other()
                .first(u"select coalesce(diak_tel, '') || coalesce(diak_cim, '') from table_diak where id = "
                       ":d"_s,
                       {id})
                .toString(),
            QString());
        QVERIFY(other().first(u"select FN_ADATAI_TOROLVE(:d) from rdb$database"_s, {id}).isNull());
        other().run(u"update table_diak set diak_tel = '+36 1 777' where id = :d"_s, {id});
        QCOMPARE(other().first(u"select diak_tel from table_diak where id = :d"_s, {id}).toString(),
                 u"+36 1 777"_s);
        tanev::kilep(DM->dbTanulo, id, QDate::currentDate(), tanev::Tavozott, u"Újra elment."_s);
        other().run(u"update table_diak_archiv set kilepes_datum = '2019-09-01' where id = :d"_s, {id});
        QVERIFY(other().first(u"select FN_ADATAI_TOROLVE(:d) from rdb$database"_s, {id}).isNull());
        QVERIFY(adatmegorzes::elonezet(DM->dbTanulo, u"kapcsolat"_s, QDate::currentDate().addYears(-2)) >= 1);
    }

    // A parent's request, from the student list for a current student and from the archive
    // for a leaver: one button writes both files; each part is in both; the footing names
    // when and who; the read of her statuses and the making of the files are logged.
    void theRequestIsAnsweredWithTwoFiles_data() {
        QTest::addColumn<bool>("leaver");
        QTest::newRow("a nyilvántartásból") << false;
        QTest::newRow("az archívumból") << true;
    }
    void theRequestIsAnsweredWithTwoFiles() {
        QFETCH(bool, leaver);
        const int id = leaver ? oldLeaver(70) : studentOf(71);
        const QString name = other()
                                 .first(u"select nev from table_diak where id = :d union all select nev from "
                                        "table_diak_archiv where id = :d"_s,
                                        {id, id})
                                 .toString();
        const int readsBefore = reads(id);
        if (leaver) {
            main_form->openChild(archivum_form, [] { archivum_form->prepareOpen(); });
            QVERIFY(archivum_form->ds_archiv->locate(u"ID"_s, id, 1000000));
            archivum_form->Button8->click();
        } else {
            QVERIFY(DM->dataset_Tanulok.locate(u"ID"_s, id, 1000000));
            triggerStudentMenu(u"Hozzáférési kérelem…"_s);
        }
        QVERIFY(hozzaferes_form->isVisible());
        const QString folder = scratchFolder(u"kerelem-%1"_s.arg(int(leaver)));
        saves_.path = folder + u"/kerelem"_s;
        app_.dialogs.clear();
        hozzaferes_form->Button1->click();
        QVERIFY2(QFile::exists(folder + u"/kerelem.pdf"_s) && QFile::exists(folder + u"/kerelem.xlsx"_s),
                 qPrintable(app_.dialogs.texts().join(u" / "_s)));
        QProcess p;
        p.start(u"pdftotext"_s, {u"-layout"_s, folder + u"/kerelem.pdf"_s, u"-"_s});
        p.waitForFinished(60000);
        const QString text = QString::fromUtf8(p.readAllStandardOutput()).simplified();
        QStringList parts;
        for (const char* part : {"Adatok", "Jogállások", "Osztálytörténet", "Dokumentumok", "Változásnapló",
                                 "Jogállás megtekintései", "Egyéb"})
            parts << QString::fromUtf8(part);
        for (const QString& e : parts + QStringList{name, u"Készítette: SYSDBA"_s})
            QVERIFY2(text.contains(e), qPrintable(e + u" — "_s + text.left(300)));
        p.start(u"unzip"_s, {u"-p"_s, folder + u"/kerelem.xlsx"_s, u"xl/workbook.xml"_s});
        p.waitForFinished(60000);
        const QString book = QString::fromUtf8(p.readAllStandardOutput());
        for (const QString& e : parts + QStringList{u"Készült"_s})
            QVERIFY2(book.contains(u"name=\""_s + e + u"\""_s), qPrintable(e + u" — "_s + book));
        QCOMPARE(reads(id), readsBefore + 1);
        QCOMPARE(
            other()
                .first(
                    u"select count(*) from table_naplo_esemeny where diak_id = :d and fajta = 'hozzáférési "
                    "kérelem' and felhasznalo = 'SYSDBA'"_s,
                    {id})
                .toInt(),
            1);
        hozzaferes_form->close();
        if (leaver) archivum_form->close();
    }

    // Every table that names a student is read into the file, or holds only a copy of what
    // a part shows; and a column added to a student's table is in the file at once.
    void everyTableAboutTheStudentIsInTheFile() {
        const QStringList named = other().all(
            u"select distinct trim(f.rdb$relation_name) from rdb$relation_fields f join rdb$relations r on "
            "r.rdb$relation_name = f.rdb$relation_name where coalesce(r.rdb$system_flag, 0) = 0 and "
            "f.rdb$field_name = 'DIAK_ID' order by 1"_s);
        QVERIFY(named.size() >= 10);
        QStringList copies;
        for (const auto& [table, why] : hozzaferes::masolatok())
            copies << table;
        for (const QString& t : named)
            QVERIFY2(hozzaferes::tablak().contains(t) || copies.contains(t), qPrintable(t));

        const int id = studentOf(72);
        other().run(u"alter table table_diak_adat add proba_oszlop varchar(40)"_s);
        other().run(u"update table_diak_adat set proba_oszlop = 'Próba-érték-41' where diak_id = :d"_s, {id});
        const hozzaferes::Kerelem k = hozzaferes::osszegyujt(DM->dbTanulo, id);
        const QString folder = scratchFolder(u"kerelem-oszlop"_s);
        QString error;
        QVERIFY2(hozzaferes::ment(DM->dbTanulo, k, folder + u"/k.pdf"_s, folder + u"/k.xlsx"_s, error),
                 qPrintable(error));
        QProcess p;
        p.start(u"unzip"_s, {u"-p"_s, folder + u"/k.xlsx"_s, u"xl/worksheets/sheet1.xml"_s});
        p.waitForFinished(60000);
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).contains(u"Próba-érték-41"_s));
        other().run(u"alter table table_diak_adat drop proba_oszlop"_s);
    }
};

QTEST_MAIN(AdatvedelemTest)
#include "test_adatvedelem.moc"
