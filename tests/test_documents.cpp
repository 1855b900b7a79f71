// Documents from templates: the shipped ones filled for demo students, a class at one
// page a student, refused templates, text that looks like markup, and a register whose
// numbers stay consecutive while two copies print at once.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QtTest>

#include "TestSupport.h"
#include "data/DataModule.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "db/Transaction.h"
#include "documents/Documents.h"
#include "documents/Sablon.h"
#include "documents/dokumentumok__form.h"
#include "documents/iskola_adatai__form.h"
#include "main/main__form.h"
#include "office/Tanev.h"
#include "office/evi_ugyek__form.h"
#include "ui/IdCombo.h"

using namespace testing;
using namespace Qt::StringLiterals;

namespace {

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}
int pdfPages(const QString& pdf) {
    QProcess p;
    p.start(u"pdfinfo"_s, {pdf});
    p.waitForFinished(60000);
    static const QRegularExpression re(u"Pages:\\s+(\\d+)"_s);
    return re.match(QString::fromUtf8(p.readAllStandardOutput())).captured(1).toInt();
}
QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write(bytes);
    return path;
}

} // namespace

class DocumentsTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;

  private slots:
    void initTestCase() { QVERIFY(app_.start(u"documents"_s, {u"--demo"_s})); }
    void cleanupTestCase() { app_.stop(); }

    void theSchoolsDataIsKept() {
        main_form->Button14->click();
        evi_ugyek_form->findChild<QPushButton*>(u"ButtonIskola"_s)->click();
        QVERIFY(iskola_adatai_form->isVisible());
        iskola_adatai_form->e_nev->setText(u"Kőrösi Csoma Sándor Gimnázium"_s);
        iskola_adatai_form->e_cim->setText(u"1111 Budapest, Fő utca 1."_s);
        iskola_adatai_form->e_om->setText(u"035221"_s);
        iskola_adatai_form->e_igazgato->setText(u"Dr. Igaz Gábor"_s);
        iskola_adatai_form->e_kelt_helye->setText(u"Budapest"_s);
        iskola_adatai_form->Button1->click();
        QCOMPARE(app_.dialogs.texts().last(), u"Az iskola adatai elmentve."_s);
        iskola_adatai_form->close();
        QCOMPARE(value(u"select nev || '|' || kelt_helye from table_iskola"_s),
                 u"Kőrösi Csoma Sándor Gimnázium|Budapest"_s);
        QVERIFY(main_form->isEnabled());
    }

    // Each shipped template for one demo student: every field is there with its value.
    void shippedTemplatesHoldEveryField() {
        const QString folder = scratchFolder(u"docs"_s);
        const int id = value(u"select min(id) from table_diak"_s).toInt();
        OtherCopy(app_.db.connectionString)
            .run(u"update table_diak set nev = :n where id = :id"_s, {u"Kis <b>&\"Öcsi\"</b> Ödön"_s, id});
        const QStringList row =
            rows(u"select d.szul_hely, d.anyja_nev, o.osztaly_szam || '.' || o.osztaly_betu, "
                 u"d.diak_taj from table_diak d join table_osztaly o on o.id = d.osztaly_ID "
                 u"where d.id = :id"_s,
                 {id})
                .value(0)
                .split(u';');
        const QString year = documents::schoolYearText(tanev::aktualis(DM->dbTanulo, QDate::currentDate()));
        struct Case {
            QString file;
            QStringList expected;
        };
        const Case cases[] = {
            {u"01_iskolalatogatasi_igazolas.html"_s,
             {u"ISKOLALÁTOGATÁSI IGAZOLÁS"_s, u"Kis <b>&\"Öcsi\"</b> Ödön"_s, row[0], row[1], row[2], year,
              u"Kőrösi Csoma Sándor Gimnázium"_s, u"Dr. Igaz Gábor"_s, u"P. H."_s,
              u"Budapest, "_s + QDate::currentDate().toString(u"yyyy.MM.dd."_s)}},
            {u"02_tanuloi_adatlap.html"_s,
             {u"TANULÓI ADATLAP"_s, u"Kis <b>&\"Öcsi\"</b> Ödön"_s, row[0], row[1], row[3],
              u"a nyilvántartásban"_s, u"Osztálytörténet"_s, row[2] + u" – "_s, u"módosítás – Név"_s}},
        };
        int number = 0;
        for (const Case& c : cases) {
            main_form->openChild(dokumentumok_form,
                                 [&] { dokumentumok_form->prepareForStudent(id, u"Kis Ödön"_s, c.file); });
            QCOMPARE(dokumentumok_form->combo_sablon->currentData().toString(), c.file);
            const QString pdf = folder + u"/"_s + c.file + u".pdf"_s;
            QVERIFY(dokumentumok_form->pdf_ment(pdf));
            ++number;
            const QString text = pdfText(pdf).simplified();
            for (const QString& e : c.expected)
                QVERIFY2(text.contains(e.simplified()), qPrintable(e + u" — "_s + text.left(400)));
            QVERIFY2(text.contains(u"%1/%2"_s.arg(number).arg(year)), qPrintable(text.left(400)));
            // a certificate is one page; a data sheet grows with the student's past
            if (c.file.startsWith(u"01"_s)) QCOMPARE(pdfPages(pdf), 1);
            dokumentumok_form->close();
        }
        QCOMPARE(value(u"select count(*) from table_kiadott_dokumentum where diak_id = :id"_s, {id}).toInt(),
                 2);
    }

    // A leaver: from the archive, the data sheet with the leaving and the history; never a
    // certificate of attendance.
    void aLeaverGetsOnlyTheDataSheet() {
        const int id = value(u"select max(id) from table_diak"_s).toInt();
        const QString name = value(u"select nev from table_diak where id = :id"_s, {id});
        const QDate left = QDate::currentDate();
        tanev::kilep(DM->dbTanulo, id, left, tanev::Tavozott, u"Szegedre költözött."_s);
        main_form->openChild(dokumentumok_form, [&] { dokumentumok_form->prepareForLeaver(id, name); });
        QCOMPARE(dokumentumok_form->combo_sablon->count(), 1);
        QCOMPARE(dokumentumok_form->combo_sablon->currentData().toString(), u"02_tanuloi_adatlap.html"_s);
        QVERIFY(!dokumentumok_form->rb_osztaly->isEnabled());
        const QString pdf = scratchFolder(u"leaver"_s) + u"/adatlap.pdf"_s;
        QVERIFY(dokumentumok_form->pdf_ment(pdf));
        const QString text = pdfText(pdf).simplified();
        for (const QString& e :
             {name, u"kilépett"_s, left.toString(u"yyyy.MM.dd."_s), u"másik iskolába távozott"_s,
              u"Szegedre költözött."_s, u"– kilépés –"_s, u"Kilépés oka"_s})
            QVERIFY2(text.contains(e), qPrintable(e + u" — "_s + text.left(600)));
        dokumentumok_form->close();

        const documents::Sablon certificate = documents::Sablon::load(DM->programFolder + documents::kFolder +
                                                                      u"01_iskolalatogatasi_igazolas.html"_s);
        QString refused;
        try {
            documents::issue(DM->dbTanulo, certificate, 2026, {id}, QDate::currentDate(),
                             [](const QStringList&) { return true; });
        } catch (const db::Error& e) {
            refused = e.message();
        }
        QVERIFY2(refused.contains(u"csak adatlap"_s), qPrintable(refused));
    }

    // A whole class: one PDF, one page a student, consecutive numbers; a cancelled file
    // choice takes none.
    void aClassMakesOnePageAStudent() {
        const int cls =
            value(u"select first 1 osztaly_ID from table_diak group by osztaly_ID order by count(*) desc"_s)
                .toInt();
        const int students = value(u"select count(*) from table_diak where osztaly_ID = :o"_s, {cls}).toInt();
        const int before = value(u"select count(*) from table_kiadott_dokumentum"_s).toInt();
        main_form->openChild(dokumentumok_form, [] { dokumentumok_form->prepareOpen(); });
        QVERIFY(!dokumentumok_form->rb_tanulo->isEnabled());
        ui::IdComboBox* classes = dokumentumok_form->combo_osztaly;
        for (int i = 0; i < classes->count(); ++i)
            if (ui::itemId(classes->itemText(i)) == cls) classes->setCurrentIndex(i);
        QVERIFY(classes->chosenId() == cls);
        const QString pdf = scratchFolder(u"docs-class"_s) + u"/osztaly.pdf"_s;
        QVERIFY(dokumentumok_form->pdf_ment(pdf));
        QCOMPARE(pdfPages(pdf), students);
        QCOMPARE(value(u"select count(*) from table_kiadott_dokumentum"_s).toInt(), before + students);
        QCOMPARE(value(u"select max(sorszam) - min(sorszam) + 1 - count(*) from table_kiadott_dokumentum"_s),
                 u"0"_s);
        // the register lists them
        dokumentumok_form->Button3->click();
        dokumentumok_form->ds_iktatas->fetchAll();
        QCOMPARE(dokumentumok_form->ds_iktatas->rowCount(), before + students);
        // each entry names who issued it, as the database knows her
        QCOMPARE(dokumentumok_form->ds_iktatas->value(before, u"Kiadta"_s).toString(), u"SYSDBA"_s);
        // a file that cannot be written takes no number
        QVERIFY(!dokumentumok_form->pdf_ment(pdf + u"/nincs/ilyen.pdf"_s));
        QCOMPARE(value(u"select count(*) from table_kiadott_dokumentum"_s).toInt(), before + students);
        dokumentumok_form->close();
    }

    void brokenTemplatesAreRefused_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("said");
        QTest::newRow("no title") << "<html><body>{{nev}}</body></html>"_ba << u"nincs címe"_s;
        QTest::newRow("unclosed") << "<title>T</title>\n<p>{{nev}</p>\n<p>{{kelt}}</p>"_ba
                                  << u"2. sorban lezáratlan"_s;
        QTest::newRow("unknown field")
            << "<title>T</title>{{nincs_ilyen}}"_ba << u"nincs ilyen mező: {{nincs_ilyen}}"_s;
        QTest::newRow("not utf-8") << "<title>T\xe1rgy</title>{{nev}}"_ba << u"nem UTF-8"_s;
    }
    void brokenTemplatesAreRefused() {
        QFETCH(QByteArray, content);
        QFETCH(QString, said);
        const QString path = writeFile(scratchFolder(u"bad-template"_s) + u"/rossz.html"_s, content);
        try {
            documents::Sablon::load(path);
            QFAIL("a broken template was taken");
        } catch (const db::Error& e) {
            QVERIFY2(e.message().contains(said) && e.message().contains(u"rossz.html"_s),
                     qPrintable(e.message()));
        }
    }

    // Two copies print at once: each number once, none left out.
    void twoCopiesNumberConsecutively() {
        const documents::Sablon sablon = documents::Sablon::load(DM->programFolder + documents::kFolder +
                                                                 u"01_iskolalatogatasi_igazolas.html"_s);
        const int id = value(u"select min(id) from table_diak"_s).toInt();
        constexpr int kEach = 15;
        const int year = 2031;
        auto copy = [&] {
            db::Connection c;
            attach(c, app_.db.connectionString);
            for (int i = 0; i < kEach; ++i)
                documents::issue(c, sablon, year, {id}, QDate::currentDate(), [](const QStringList&) {
                    QThread::msleep(5); // the print takes a moment while the number is held
                    return true;
                });
        };
        QThread* a = QThread::create(copy);
        QThread* b = QThread::create(copy);
        a->start();
        b->start();
        QVERIFY(a->wait(120000) && b->wait(120000));
        delete a;
        delete b;
        QCOMPARE(rows(u"select count(*), count(distinct sorszam), min(sorszam), max(sorszam) from "
                      u"table_kiadott_dokumentum where tanev = :y"_s,
                      {year}),
                 QStringList{u"%1;%1;1;%1;"_s.arg(2 * kEach)});
    }
};

QTEST_MAIN(DocumentsTest)
#include "test_documents.moc"
