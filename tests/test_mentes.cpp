// The warning of old backups, from what korvana-szerver recorded in the school database: at
// start-up and when "Éves ügyintézés" is pressed; and the start-up's word on a database
// whose upgrades are not the program's. On the whole program.
#include <QtTest>

#include "TestSupport.h"
#include "main/main__form.h"
#include "office/evi_ugyek__form.h"

using namespace Qt::StringLiterals;
using testing::ProgramFixture;

class MentesTest : public QObject {
    Q_OBJECT
    testing::TestDatabase shared_;

    // the warnings of the dialogs shown since the last clear
    static QStringList warnings(const testing::FakeDialogs& dialogs) {
        QStringList texts;
        for (const auto& d : dialogs.shown)
            if (d.kind == ui::DialogKind::Warning) texts << d.text;
        return texts;
    }

  private slots:
    void initTestCase() { shared_ = testing::createDatabase(QStringLiteral("mentes")); }

    // rows: "verified,minutes ago" each, as the server's command records them; the
    // database's first use so many minutes ago, and what it is (table_adatbazis)
    void warnsOfOldBackups_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("usedMinutes"); // since the first use
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected"); // a part of the warning; empty for none
        const QString old = QStringLiteral("legutóbbi ellenőrzött mentése 5 napja készült");
        const QString iskolai = QStringLiteral("iskolai");
        QTest::newRow("nincs feljegyzett mentés, ma kezdték") << QStringList{} << 0 << iskolai << QString();
        QTest::newRow("nincs feljegyzett mentés, épp három napja")
            << QStringList{} << 4310 << iskolai << QString();
        QTest::newRow("nincs feljegyzett mentés, négy napja használják")
            << QStringList{} << 5770 << iskolai
            << QStringLiteral("még nem készült ellenőrzött mentés, pedig 4 napja használják");
        QTest::newRow("tegnapi ellenőrzött") << QStringList{u"1,1440"_s} << 43200 << iskolai << QString();
        QTest::newRow("épp három napos") << QStringList{u"1,4310"_s} << 43200 << iskolai << QString();
        QTest::newRow("öt napos") << QStringList{u"1,7250"_s} << 43200 << iskolai << old;
        QTest::newRow("öt napos, azóta csak hibás")
            << QStringList{u"1,7250"_s, u"0,1440"_s, u"0,10"_s} << 43200 << iskolai << old;
        QTest::newRow("régi hibás, friss ellenőrzött")
            << QStringList{u"0,9000"_s, u"1,60"_s} << 43200 << iskolai << QString();
        QTest::newRow("csak hibás, tegnap kezdték") << QStringList{u"0,60"_s} << 1440 << iskolai << QString();
        QTest::newRow("soha nem ellenőrzött")
            << QStringList{u"0,60"_s} << 7210 << iskolai
            << QStringLiteral("még nem készült ellenőrzött mentés, pedig 5 napja használják");
        QTest::newRow("bemutató, öt napos")
            << QStringList{u"1,7250"_s} << 43200 << u"bemutato"_s << QString();
        QTest::newRow("bemutató, soha") << QStringList{} << 43200 << u"bemutato"_s << QString();
        QTest::newRow("fejlesztői, soha") << QStringList{u"0,60"_s} << 43200 << u"fejlesztoi"_s << QString();
    }
    void warnsOfOldBackups() {
        QFETCH(QStringList, rows);
        QFETCH(int, usedMinutes);
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        {
            testing::OtherCopy office(shared_.connectionString);
            office.run(QStringLiteral("delete from table_mentes"));
            office.run(QStringLiteral("update table_adatbazis set jelleg = ?, "
                                      "elso_hasznalat = dateadd(? minute to current_timestamp)"),
                       {kind, -usedMinutes});
            for (const QString& row : rows) {
                const QStringList parts = row.split(QLatin1Char(','));
                office.run(QStringLiteral("insert into table_mentes (ido, fajl, meret, ellenorizve) values "
                                          "(dateadd(? minute to current_timestamp), 'korvana.fbk', 1, ?)"),
                           {-parts[1].toInt(), parts[0].toInt()});
            }
        }
        ProgramFixture app;
        QVERIFY(app.startWithSrc(QStringLiteral("mentes"), shared_.connectionString + QLatin1Char('\n')));
        const QStringList atStart = warnings(app.dialogs);
        app.dialogs.clear();
        QTest::mouseClick(main_form->Button14, Qt::LeftButton);
        QVERIFY(evi_ugyek_form->isVisible());
        const QStringList atYearly = warnings(app.dialogs);
        evi_ugyek_form->close();
        if (expected.isEmpty()) {
            QCOMPARE(atStart, QStringList{});
            QCOMPARE(atYearly, QStringList{});
            return;
        }
        QCOMPARE(atStart.size(), 1);
        QVERIFY2(atStart[0].contains(expected), qPrintable(atStart[0]));
        QVERIFY(atStart[0].contains(QStringLiteral("sudo korvana-szerver allapot")));
        QCOMPARE(atYearly, atStart);
        QVERIFY(main_form->isVisible());
        QCOMPARE(testing::layoutProblem(main_form), QString());
    }

    void tellsAVersionMismatch_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("expected"); // a part of the warning; empty for none
        QTest::newRow("egyezik") << QString() << QString();
        QTest::newRow("hiányzó frissítés") << u"delete from table_frissites where nev = '080_mentes'"_s
                                           << u"Az adatbázis régebbi, mint ez a program: a szerveren még nem "
                                              "futott le a frissítése (hiányzik: 080_mentes)."_s;
        QTest::newRow("ismeretlen frissítés")
            << u"insert into table_frissites (nev) values ('999_jovobeli')"_s
            << u"Ezen a gépen a program régebbi, mint az adatbázis (az adatbázis frissítései közül ezeket "
               "nem ismeri: 999_jovobeli)."_s;
        QTest::newRow("a feljegyzés előtti adatbázis")
            << u"drop table table_frissites"_s
            << u"Az adatbázis régebbi, mint ez a program: a szerveren még nem futott le a frissítése. "_s;
    }
    void tellsAVersionMismatch() {
        QFETCH(QString, change);
        QFETCH(QString, expected);
        const auto db = testing::createDatabase(u"valtozat"_s);
        if (!change.isEmpty()) testing::OtherCopy(db.connectionString).run(change);
        ProgramFixture app;
        QVERIFY(app.startWithSrc(u"valtozat"_s, db.connectionString + QLatin1Char('\n')));
        const QStringList shown = warnings(app.dialogs);
        if (expected.isEmpty()) {
            QCOMPARE(shown, QStringList{});
            return;
        }
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains(expected), qPrintable(shown[0]));
        QVERIFY(main_form->isVisible());
    }

    // a database not yet upgraded records no backups: nothing to say, nothing fails
    void oldDatabaseSaysNothing() {
        {
            testing::OtherCopy office(shared_.connectionString);
            office.run(QStringLiteral("drop table table_mentes"));
        }
        ProgramFixture app;
        QVERIFY(app.startWithSrc(QStringLiteral("regi"), shared_.connectionString + QLatin1Char('\n')));
        QCOMPARE(app.dialogs.texts(), QStringList{});
        QTest::mouseClick(main_form->Button14, Qt::LeftButton);
        QCOMPARE(app.dialogs.texts(), QStringList{});
        evi_ugyek_form->close();
    }
};

QTEST_MAIN(MentesTest)
#include "test_mentes.moc"
