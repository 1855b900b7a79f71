// The October statistics through the queries window, against a school made by hand with
// students arriving and leaving on both sides of 1 October; every count worked out by hand.
#include <QtTest>

#include "TestSupport.h"
#include "data/DataModule.h"
#include "db/Values.h"
#include "main/main__form.h"
#include "queries/Lekerdezes.h"
#include "queries/lekerdezesek__form.h"

using namespace testing;
using namespace Qt::StringLiterals;

namespace {

const QString kTitle = u"Októberi statisztika (október 1-jei állapot)"_s;

// The school on 1 October 2025. Each student: id, sex (- none), enrolment start (- none),
// citizenship, flags (e: individual schedule, b: commuter, k: boarder), statuses as
// "NAME from..until", the class history as "date:grade" and, for a leaver, date and reason.
struct Student {
    int id;
    const char* nem;
    const char* kezdete;
    const char* allampolgarsag;
    const char* jelzok;
    QStringList statuszok;
    QStringList tortenet;
    const char* kilepes = nullptr;
    int ok = 0;
};
const Student kSchool[] = {
    // grade 10 on the day (moved up in June), SNI since before it: counted
    {9001,
     "L",
     "2024-09-01",
     "magyar",
     "b",
     {u"sni 2024-01-01.."_s},
     {u"2024-09-01:9"_s, u"2025-06-20:10"_s}},
    // BTMN decided the day after, HH ended the day before: neither counts
    {9002,
     "F",
     "2025-09-01",
     "magyar",
     "k",
     {u"btmn 2025-10-02.."_s, u"hh 2025-01-01..2025-09-30"_s},
     {u"2025-09-01:9"_s}},
    // no sex, no enrolment date (there before the program), moved to grade 10 after the day: grade 9
    {9003, "-", "-", "román", "", {u"hhh 2025-03-01..2026-03-01"_s}, {u"2025-09-01:9"_s, u"2025-11-15:10"_s}},
    // enrolled the day after: not counted
    {9004, "L", "2025-10-02", "magyar", "", {}, {u"2025-10-02:9"_s}},
    // enrolled on the day, two citizenships one of them Hungarian: counted, not foreign
    {9005, "L", "2025-10-01", "magyar, német", "e", {}, {u"2025-10-01:10"_s}},
    // left after the day: counted in grade 10, not among the year's leavers
    {9006, "L", "2023-09-01", "magyar", "", {}, {u"2023-09-01:9"_s, u"2024-06-20:10"_s}, "2025-10-15", 2},
    // left before the day, within the year: a leaver, not counted
    {9007, "F", "2023-09-01", "magyar", "", {}, {u"2023-09-01:9"_s}, "2025-09-15", 2},
    {9008, "L", "2021-09-01", "magyar", "", {}, {u"2021-09-01:9"_s}, "2025-06-15", 1},
    // left on the day: not counted, a leaver of this year
    {9011, "-", "2022-09-01", "magyar", "", {}, {u"2022-09-01:9"_s}, "2025-10-01", 4},
    // left on the day a year before and earlier: last year's leavers
    {9010, "F", "2022-09-01", "magyar", "", {}, {u"2022-09-01:9"_s}, "2024-10-01", 2},
    {9009, "F", "2022-09-01", "magyar", "", {}, {u"2022-09-01:9"_s}, "2024-09-30", 2},
};
// What the statistics show for it: row label, students, girls, sex not recorded, then each
// of SNI, BTMN, HH, HHH, foreign, individual schedule, commuter, boarder with its girls.
const QStringList kExpected = {
    u"9. évfolyam|2|0|1|0|0|0|0|1|0|1|0|1|0|0|0|0|0|1|0"_s,
    u"10. évfolyam|3|3|0|1|1|0|0|0|0|0|0|0|0|1|1|1|1|0|0"_s,
    u"kilépett: végzett|1|1|0||||||||||||||||"_s,
    u"kilépett: másik iskolába távozott|1|0|0||||||||||||||||"_s,
    u"kilépett: külföldre távozott|1|0|1||||||||||||||||"_s,
};

QVariant sqlValue(const char* text) {
    return QString::fromUtf8(text) == u"-"_s ? QVariant() : QVariant(QString::fromUtf8(text));
}

void build(OtherCopy& db) {
    db.run(u"delete from table_diak"_s);
    db.run(u"delete from table_diak_archiv"_s);
    for (const Student& s : kSchool) {
        const QString name = u"Kézi Tanuló %1"_s.arg(s.id);
        const int now = s.tortenet.last().section(u':', 1).toInt(); // the grade the history ends in
        if (s.kilepes) {
            db.run(u"insert into table_diak_archiv (id, nev, kilepes_datum, kilepes_ok, utolso_osztaly_szam, "
                   u"utolso_osztaly_betu) values (:i, :n, :k, :o, :g, 'a')"_s,
                   {s.id, name, QString::fromLatin1(s.kilepes), s.ok, now});
            db.run(u"insert into table_diak_adat (diak_id) values (:i)"_s, {s.id});
        } else {
            db.run(u"insert into table_diak (id, nev, osztaly_ID) values (:i, :n, (select min(id) from "
                   u"table_osztaly where osztaly_szam = :g))"_s,
                   {s.id, name, now});
        }
        const QString jelzok = QString::fromLatin1(s.jelzok);
        db.run(u"update table_diak_adat set nem = :n, jogviszony_kezdete = :k, allampolgarsag = :a, "
               "egyeni_munkarend = :e, bejaro = :b, kollegista = :ko where diak_id = :i"_s,
               {sqlValue(s.nem), sqlValue(s.kezdete), QString::fromUtf8(s.allampolgarsag),
                int(jelzok.contains(u'e')), int(jelzok.contains(u'b')), int(jelzok.contains(u'k')), s.id});
        for (const QString& st : s.statuszok) {
            const QString what = st.section(u' ', 0, 0);
            const QString from = st.section(u' ', 1).section(u".."_s, 0, 0);
            const QString until = st.section(u".."_s, 1);
            db.run(u"update or insert into table_diak_bizalmas (diak_id, %1, %1_kelte, %1_ervenyes) "
                   "values (:i, 1, :k, :e) matching (diak_id)"_s.arg(what),
                   {s.id, from, until.isEmpty() ? QVariant() : QVariant(until)});
        }
        // as the program writes it: the enrolment, the moves, the leaving
        db.run(u"delete from table_osztaly_tortenet where diak_id = :i"_s, {s.id});
        QStringList rows = s.tortenet;
        if (s.kilepes) rows << QString::fromLatin1(s.kilepes) + u':' + QString::number(now);
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const QString event = i == 0                              ? u"beiratkozás"_s
                                  : s.kilepes && i == rows.size() - 1 ? u"kilépés"_s
                                                                      : u"tanévváltás"_s;
            db.run(
                u"insert into table_osztaly_tortenet (diak_id, osztaly_szam, osztaly_betu, esemeny, mikor) "
                "values (:i, :g, 'a', :e, :m)"_s,
                {s.id, rows[i].section(u':', 1).toInt(), event, rows[i].section(u':', 0, 0)});
        }
    }
}

} // namespace

class OktoberiTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;

  private slots:
    void initTestCase() { QVERIFY(app_.start(u"oktoberi"_s, {u"--students"_s, u"3"_s})); }
    void cleanupTestCase() { app_.stop(); }

    void asOfTheFirstOfOctober() {
        OtherCopy db(app_.db.connectionString);
        build(db);
        const QString folder = DM->programFolder + u"sqls/"_s + queries::kFolder;
        QDir().mkpath(folder);
        QVERIFY(QFile::copy(sourceDir() + u"/sqls/"_s + queries::kFolder + u"09_oktoberi_statisztika.sql"_s,
                            folder + u"09_oktoberi_statisztika.sql"_s));
        main_form->Button7->click();
        Tlekerdezesek_form* f = lekerdezesek_form;
        QVERIFY(f->isVisible());
        const int q = f->combo_lekerdezes->findText(kTitle);
        QVERIFY(q >= 0);
        f->combo_lekerdezes->setCurrentIndex(q);
        emit f->combo_lekerdezes->activated(q);
        // 1 October of the program's school year, or another day typed and entered
        QVERIFY(!f->edit_nap->isHidden() && f->combo_tanev->isHidden());
        QCOMPARE(f->edit_nap->text(), u"%1.10.01."_s.arg(main_form->edit_akt_tanev->text()));
        f->edit_nap->clear();
        QTest::keyClicks(f->edit_nap, u"2025.10.32."_s);
        QTest::keyClick(f->edit_nap, Qt::Key_Return);
        QVERIFY(!f->ds_eredmeny->isOpen());
        QCOMPARE(f->label_sorok->text(),
                 u"A nap nem létező dátum: 2025.10.32. (helyes formátum: ÉÉÉÉ.HH.NN.)"_s);
        f->edit_nap->clear();
        QTest::keyClicks(f->edit_nap, u"2025.10.01."_s);
        QTest::keyClick(f->edit_nap, Qt::Key_Return);
        db::Dataset* list = f->ds_eredmeny;
        QVERIFY(list->isOpen());
        list->fetchAll();
        QStringList shown;
        for (int r = 0; r < list->rowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < list->columnCount(); ++c)
                row << db::displayText(list->value(r, c));
            shown << row.join(u'|');
        }
        QCOMPARE(shown, kExpected);
        QCOMPARE(list->fieldName(2), u"Ebből lány"_s);
        QVERIFY(app_.dialogs.shown.empty());
        f->Button4->click();
    }
};

QTEST_MAIN(OktoberiTest)
#include "test_oktoberi.moc"
