// Documents from templates: the shipped ones filled for demo students, a class at one
// page a student, refused templates, text that looks like markup, and a register whose
// numbers stay consecutive while two copies print at once.
#include <QDir>
#include <QFile>
#include <QPrinter>
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
#include "office/archivum__form.h"
#include "office/evi_ugyek__form.h"
#include "office/kilepes__form.h"
#include "office/naplo__form.h"
#include "office/tanevvaltas__form.h"
#include "output/Report.h"
#include "ui/IdCombo.h"
#include "ui/Nevelo.h"

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

// The answers of the print dialog and the file dialog; "Mégse" is an empty answer.
class Outputs : public output::OutputService {
  public:
    Outputs() { output::setOutputService(this); }
    ~Outputs() override { output::setOutputService(nullptr); }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override {
        ++asked;
        return path;
    }
    bool choosePrinter(QWidget*, QPrinter& printer) override {
        ++asked;
        if (path.isEmpty()) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return true;
    }
    QString path;
    int asked = 0;
};

} // namespace

class DocumentsTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;
    Outputs outputs_;

    int issued() { return value(u"select count(*) from table_kiadott_dokumentum"_s).toInt(); }

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
        QCOMPARE(app_.dialogs.shown.back().window, iskola_adatai_form);
        // "Éves ügyintézés" waits behind its task and comes back when it closes
        QVERIFY(evi_ugyek_form->isVisible() && !evi_ugyek_form->isEnabled());
        iskola_adatai_form->close();
        QCOMPARE(value(u"select nev || '|' || kelt_helye from table_iskola"_s),
                 u"Kőrösi Csoma Sándor Gimnázium|Budapest"_s);
        QVERIFY(evi_ugyek_form->isVisible() && evi_ugyek_form->isEnabled() && !main_form->isEnabled());
        evi_ugyek_form->close();
        QVERIFY(main_form->isEnabled());
    }

    // Who signs and the last grade: bad boxes are refused with the reason and store nothing.
    void theSchoolsSignerAndLastGradeAreChecked_data() {
        QTest::addColumn<QString>("grade");
        QTest::addColumn<int>("signer");
        QTest::addColumn<QString>("deputy");
        QTest::addColumn<QString>("answer"); // empty: saved
        QTest::addColumn<QString>("stored");
        const QString saved = u"Az iskola adatai elmentve."_s;
        QTest::newRow("head, grade 8") << u"8"_s << 0 << QString() << saved << u"0|8|"_s;
        QTest::newRow("deputy named, no grade")
            << QString() << 1 << u"Bodnár István"_s << saved << u"1||Bodnár István"_s;
        QTest::newRow("deputy without a name")
            << u"12"_s << 1 << u"  "_s << u"Ha a helyettes ír alá, adja meg a nevét!"_s << QString();
        QTest::newRow("grade 15")
            << u"15"_s << 0 << QString()
            << u"Az utolsó évfolyam 1 és 14 közötti egész szám lehet, vagy maradjon üresen: 15"_s
            << QString();
        QTest::newRow("grade not a number") << u"1a"_s << 0 << QString()
                                            << u"Az utolsó évfolyam 1 és 14 közötti egész szám lehet, vagy "
                                               "maradjon üresen: 1a"_s
                                            << QString();
    }
    void theSchoolsSignerAndLastGradeAreChecked() {
        QFETCH(QString, grade);
        QFETCH(int, signer);
        QFETCH(QString, deputy);
        QFETCH(QString, answer);
        QFETCH(QString, stored);
        const QString before = value(u"select alairo || '|' || coalesce(utolso_evfolyam, '') || '|' || "
                                     "coalesce(helyettes_nev, '') from table_iskola"_s);
        main_form->openChild(iskola_adatai_form, [] { iskola_adatai_form->prepareOpen(); });
        iskola_adatai_form->e_utolso_evfolyam->setText(grade);
        iskola_adatai_form->combo_alairo->setCurrentIndex(signer);
        iskola_adatai_form->e_helyettes_nev->setText(deputy);
        app_.dialogs.clear();
        iskola_adatai_form->Button1->click();
        QVERIFY2(app_.dialogs.texts().value(0).startsWith(answer), qPrintable(app_.dialogs.texts().value(0)));
        QCOMPARE(app_.dialogs.shown.back().window, iskola_adatai_form);
        QCOMPARE(value(u"select alairo || '|' || coalesce(utolso_evfolyam, '') || '|' || "
                       "coalesce(helyettes_nev, '') from table_iskola"_s),
                 stored.isEmpty() ? before : stored);
        iskola_adatai_form->close();
        QVERIFY(!iskola_adatai_form->isVisible());
        OtherCopy(app_.db.connectionString)
            .run(u"update table_iskola set alairo = 0"_s); // the head signs again
    }

    // Each shipped template for one demo student: every field is there with its value.
    void shippedTemplatesHoldEveryField() {
        const QString folder = scratchFolder(u"docs"_s);
        const int id = value(u"select min(id) from table_diak"_s).toInt();
        // the change is made by a person the school knows by name
        OtherCopy(app_.db.connectionString)
            .run(u"insert into table_fiok (felhasznalo, teljes_nev) values ('SYSDBA', 'Rendszer Gazda')"_s);
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
              u"a nyilvántartásban"_s, u"Osztálytörténet"_s, row[2] + u" – "_s, u"módosítás – Név"_s,
              u" – Rendszer Gazda (SYSDBA)"_s}},
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
        OtherCopy(app_.db.connectionString).run(u"delete from table_fiok"_s);
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
        // the office is told how many numbers the batch takes: "Nem" takes none
        app_.dialogs.clear();
        QVERIFY(!dokumentumok_form->pdf_ment(pdf));
        QCOMPARE(issued(), before);
        QVERIFY2(app_.dialogs.texts().value(0).startsWith(
                     u"%1 dokumentum készül, és %1 iktatószámot kap"_s.arg(students)),
                 qPrintable(app_.dialogs.texts().join(u' ')));
        QCOMPARE(app_.dialogs.shown[0].title, u"Kérdés"_s);
        QCOMPARE(app_.dialogs.shown[0].buttons, ui::DialogButtons::YesNoDefaultNo);
        app_.dialogs.answer(ui::DialogAnswer::Yes);
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
        // and the workstation by its name alone
        const QString station = dokumentumok_form->ds_iktatas->value(before, u"Munkaállomás"_s).toString();
        QVERIFY2(!station.isEmpty() && !station.contains(u' '), qPrintable(station));
        // the technical details in its tooltip, not in a column of their own
        db::Dataset* ds = dokumentumok_form->ds_iktatas;
        const QString details = ds->value(before, u"Munkaállomás részletei"_s).toString();
        QVERIFY2(details.startsWith(station + u' ') && details.size() > station.size() + 1,
                 qPrintable(details));
        QCOMPARE(ds->data(ds->index(before, ds->fieldIndex(u"Munkaállomás"_s)), Qt::ToolTipRole).toString(),
                 details);
        QVERIFY(dokumentumok_form->dbg_iktatas->isColumnHidden(ds->fieldIndex(u"Munkaállomás részletei"_s)));
        // a file that cannot be written takes no number
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        QVERIFY(!dokumentumok_form->pdf_ment(pdf + u"/nincs/ilyen.pdf"_s));
        QCOMPARE(value(u"select count(*) from table_kiadott_dokumentum"_s).toInt(), before + students);
        dokumentumok_form->close();
    }

    // The buttons as the office presses them: "Mégse" in the print or file dialog takes no
    // number and says nothing; an accepted one takes the next number and prints it.
    void theButtonsTakeANumberOnlyWhenAccepted_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("accept");
        QTest::newRow("Nyomtatás, Mégse") << u"Button1"_s << false;
        QTest::newRow("PDF, Mégse") << u"Button2"_s << false;
        QTest::newRow("Nyomtatás") << u"Button1"_s << true;
        QTest::newRow("PDF") << u"Button2"_s << true;
    }
    void theButtonsTakeANumberOnlyWhenAccepted() {
        QFETCH(QString, button);
        QFETCH(bool, accept);
        const int id = value(u"select min(id) from table_diak"_s).toInt();
        main_form->openChild(dokumentumok_form, [&] {
            dokumentumok_form->prepareForStudent(id, u"Kis Ödön"_s, u"01_iskolalatogatasi_igazolas.html"_s);
        });
        const QString pdf = scratchFolder(u"buttons"_s) + u"/kiadott.pdf"_s;
        outputs_.path = accept ? pdf : QString();
        outputs_.asked = 0;
        app_.dialogs.clear();
        const int before = issued();
        const QString next = value(u"select coalesce(max(sorszam), 0) + 1 from table_kiadott_dokumentum "
                                   u"where tanev = :y"_s,
                                   {dokumentumok_form->edit_tanev->text().toInt()});
        dokumentumok_form->findChild<QPushButton*>(button)->click();
        QCOMPARE(outputs_.asked, 1);
        QCOMPARE(issued(), before + (accept ? 1 : 0));
        if (accept) {
            QVERIFY2(app_.dialogs.texts().join(u' ').contains(u"iktatószáma: "_s + next + u"/"_s),
                     qPrintable(app_.dialogs.texts().join(u' ')));
            QVERIFY(pdfText(pdf).contains(u"Iktatószám: "_s + next + u"/"_s));
            QCOMPARE(app_.dialogs.shown.back().title, u"Tájékoztatás"_s);
            QCOMPARE(app_.dialogs.shown.back().window, dokumentumok_form);
        } else {
            QVERIFY2(app_.dialogs.shown.empty(), qPrintable(app_.dialogs.texts().join(u' ')));
            QVERIFY(!QFile::exists(pdf));
        }
        dokumentumok_form->close();
        outputs_.path.clear();
    }

    // The preview shows the documents as they will be, takes no number, and is the
    // window's own: modal to it, closed by Esc.
    void thePreviewTakesNoNumber() {
        const int id = value(u"select min(id) from table_diak"_s).toInt();
        const QString name = value(u"select nev from table_diak where id = :id"_s, {id});
        main_form->openChild(dokumentumok_form, [&] {
            dokumentumok_form->prepareForStudent(id, name, u"01_iskolalatogatasi_igazolas.html"_s);
        });
        const int before = issued();
        dokumentumok_form->combo_cel->setCurrentText(u"utazási kedvezmény igényléséhez"_s);
        dokumentumok_form->Button6->click();
        QDialog* preview = dokumentumok_form->previewDialog;
        QVERIFY(preview && preview->isVisible());
        QCOMPARE(preview->parentWidget(), dokumentumok_form);
        QCOMPARE(preview->windowModality(), Qt::WindowModal);
        const QString text = dokumentumok_form->previewText->toPlainText().simplified();
        for (const QString& e : {u"Iktatószám: kiadáskor"_s, name, u"ISKOLALÁTOGATÁSI IGAZOLÁS"_s,
                                 u"Az igazolást utazási kedvezmény igényléséhez adtam ki."_s})
            QVERIFY2(text.contains(e), qPrintable(e + u" — "_s + text.left(400)));
        QCOMPARE(issued(), before);
        QTest::keyClick(preview, Qt::Key_Escape);
        QVERIFY(!preview->isVisible());
        dokumentumok_form->close();
    }

    // The register lists each document as it is issued, finds by student and by document,
    // and voids one with its reason: the entry and its number stay, the number is never
    // given again.
    void theRegisterVoidsKeepingTheNumber() {
        const int id = value(u"select max(id) from table_diak"_s).toInt();
        const QString name = value(u"select nev from table_diak where id = :id"_s, {id});
        main_form->openChild(dokumentumok_form, [&] {
            dokumentumok_form->prepareForStudent(id, name, u"01_iskolalatogatasi_igazolas.html"_s);
        });
        Tdokumentumok_form* f = dokumentumok_form;
        const int year = f->edit_tanev->text().toInt();
        outputs_.path = scratchFolder(u"void"_s) + u"/igazolas.pdf"_s;
        f->Button2->click();
        QVERIFY(f->ds_iktatas->isOpen());
        f->ds_iktatas->fetchAll();
        QCOMPARE(f->ds_iktatas->rowCount(), issued());
        const int number =
            value(u"select max(sorszam) from table_kiadott_dokumentum where tanev = :y"_s, {year}).toInt();

        // found by a part of the student's name, and by the document's title
        f->edit_kereses->setText(name.mid(1, 5));
        f->ds_iktatas->fetchAll();
        QVERIFY(f->ds_iktatas->rowCount() >= 1 && f->ds_iktatas->rowCount() < issued());
        for (int r = 0; r < f->ds_iktatas->rowCount(); ++r)
            QVERIFY(f->ds_iktatas->value(r, u"Tanuló"_s).toString().contains(name.mid(1, 5)));
        f->edit_kereses->setText(u"adatlap"_s);
        f->ds_iktatas->fetchAll();
        QVERIFY(f->ds_iktatas->rowCount() >= 1);
        for (int r = 0; r < f->ds_iktatas->rowCount(); ++r)
            QCOMPARE(f->ds_iktatas->value(r, u"Dokumentum"_s).toString(), u"Tanulói adatlap"_s);
        f->edit_kereses->setText(name);
        QVERIFY(f->ds_iktatas->locate(u"Sorszám"_s, number));

        // no reason: nothing is voided
        app_.dialogs.clear();
        f->Button5->click();
        QCOMPARE(app_.dialogs.texts(), QStringList{u"Írja be az érvénytelenítés okát!"_s});
        QCOMPARE(value(u"select count(*) from table_dokumentum_ervenytelen"_s), u"0"_s);
        f->edit_ok->setText(u"Elírt születési dátum"_s);
        // the question names the number and the student, and "Nem" is its default
        app_.dialogs.clear();
        f->Button5->click();
        QCOMPARE(app_.dialogs.shown.size(), size_t(1));
        QCOMPARE(app_.dialogs.shown[0].title, u"Kérdés"_s);
        QCOMPARE(app_.dialogs.shown[0].buttons, ui::DialogButtons::YesNoDefaultNo);
        QVERIFY(app_.dialogs.shown[0].text.contains(u"%1/%2/%3"_s.arg(number).arg(year).arg(year + 1)));
        QVERIFY(app_.dialogs.shown[0].text.contains(name));
        QCOMPARE(value(u"select count(*) from table_dokumentum_ervenytelen"_s), u"0"_s);
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        f->Button5->click();
        // told, the reason box emptied, the voided entry chosen
        QVERIFY2(app_.dialogs.texts().last().startsWith(u"A dokumentum érvénytelenítve: %1/"_s.arg(number)),
                 qPrintable(app_.dialogs.texts().last()));
        QCOMPARE(f->edit_ok->text(), QString());
        QCOMPARE(f->ds_iktatas->value(f->ds_iktatas->currentRow(), u"Sorszám"_s).toInt(), number);
        QCOMPARE(rows(u"select d.sorszam, e.ok from table_dokumentum_ervenytelen e join "
                      u"table_kiadott_dokumentum d on d.id = e.dokumentum_id"_s),
                 QStringList{u"%1;Elírt születési dátum;"_s.arg(number)});
        QVERIFY(f->ds_iktatas->locate(u"Sorszám"_s, number));
        QCOMPARE(f->ds_iktatas->value(f->ds_iktatas->currentRow(), u"Érvénytelenítve"_s).toString(),
                 u"érvénytelenítve: Elírt születési dátum"_s);
        // once only
        f->edit_ok->setText(u"Még egyszer"_s);
        f->Button5->click();
        QVERIFY(app_.dialogs.texts().last().startsWith(u"Ez a dokumentum már érvénytelenítve van"_s));
        QCOMPARE(value(u"select count(*) from table_dokumentum_ervenytelen"_s), u"1"_s);

        // the next document gets the next number, never the voided one
        f->Button2->click();
        QCOMPARE(
            value(u"select max(sorszam) from table_kiadott_dokumentum where tanev = :y"_s, {year}).toInt(),
            number + 1);
        QCOMPARE(value(u"select count(*) from table_kiadott_dokumentum where tanev = :y and sorszam = :n"_s,
                       {year, number}),
                 u"1"_s);
        // the register as listed, on paper ("Mégse" prints nothing), as PDF, CSV and Excel
        f->edit_kereses->setText(name);
        const QString folder = scratchFolder(u"register"_s);
        struct Out {
            int button;
            QString file;
        };
        for (const Out& o :
             {Out{0, QString()}, Out{1, u"lista.pdf"_s}, Out{2, u"lista.csv"_s}, Out{3, u"lista.xlsx"_s}}) {
            outputs_.path = o.file.isEmpty() ? QString() : folder + u'/' + o.file;
            outputs_.asked = 0;
            app_.dialogs.clear();
            f->ButtonLista[o.button]->click();
            QCOMPARE(outputs_.asked, 1);
            QVERIFY2(app_.dialogs.shown.empty(), qPrintable(app_.dialogs.texts().join(u' ')));
            if (o.file.isEmpty()) continue;
            QFile file(outputs_.path);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(o.file));
            const QByteArray bytes = file.readAll();
            if (o.file.endsWith(u".csv"_s)) {
                QVERIFY(bytes.contains(u"Érvénytelenítve"_s.toUtf8()));
                QVERIFY(bytes.contains(u"érvénytelenítve: Elírt születési dátum"_s.toUtf8()));
            } else if (o.file.endsWith(u".pdf"_s)) {
                const QString text = pdfText(outputs_.path);
                QVERIFY2(text.contains(u"Kiadott dokumentumok"_s) && text.contains(u"Keresés: "_s + name),
                         qPrintable(text.left(300)));
            } else {
                QVERIFY(bytes.startsWith("PK"));
            }
        }
        f->edit_kereses->clear();
        f->close();
        outputs_.path.clear();
    }

    // A template using the school's data while the school has not given it is not issued:
    // the office is told what is missing and where to give it, before any dialog.
    void missingSchoolDataIsRefused() {
        const int id = value(u"select min(id) from table_diak"_s).toInt();
        OtherCopy school(app_.db.connectionString);
        school.run(u"update table_iskola set igazgato = null, kelt_helye = ''"_s);
        main_form->openChild(dokumentumok_form, [&] {
            dokumentumok_form->prepareForStudent(id, u"Kis Ödön"_s, u"01_iskolalatogatasi_igazolas.html"_s);
        });
        const int before = issued();
        outputs_.asked = 0;
        app_.dialogs.clear();
        for (QPushButton* b : {dokumentumok_form->Button1, dokumentumok_form->Button2})
            b->click();
        QCOMPARE(outputs_.asked, 0);
        QCOMPARE(issued(), before);
        QCOMPARE(app_.dialogs.texts().size(), 2);
        QVERIFY2(app_.dialogs.texts()[0].contains(
                     u"hiányzik az iskola adatai közül: az igazgató neve, a keltezés helye."_s) &&
                     app_.dialogs.texts()[0].contains(u"„Az iskola adatai”"_s),
                 qPrintable(app_.dialogs.texts()[0]));
        dokumentumok_form->close();
        school.run(u"update table_iskola set igazgato = 'Dr. Igaz Gábor', kelt_helye = 'Budapest'"_s);

        // a deputy chosen to sign, with no name given: the same refusal, naming the deputy
        school.run(u"update table_iskola set alairo = 1, helyettes_nev = null"_s);
        main_form->openChild(dokumentumok_form, [&] {
            dokumentumok_form->prepareForStudent(id, u"Kis Ödön"_s, u"01_iskolalatogatasi_igazolas.html"_s);
        });
        app_.dialogs.clear();
        dokumentumok_form->Button2->click();
        QCOMPARE(outputs_.asked, 0);
        QCOMPARE(issued(), before);
        QVERIFY2(app_.dialogs.texts().value(0).contains(
                     u"hiányzik az iskola adatai közül: az aláíró helyettes neve."_s),
                 qPrintable(app_.dialogs.texts().value(0)));
        dokumentumok_form->close();
        school.run(u"update table_iskola set alairo = 0"_s);
    }

    // Compulsory to the end of the school year in which the student turns 16.
    void compulsorySchoolingEndsWithTheYearOfSixteen_data() {
        QTest::addColumn<QDate>("born");
        QTest::addColumn<bool>("compulsory");
        QTest::newRow("15 years old") << QDate(2011, 3, 3) << true;
        QTest::newRow("16 on 1 September") << QDate(2010, 9, 1) << true;
        QTest::newRow("16 on 31 August") << QDate(2010, 8, 31) << false;
        QTest::newRow("16 during the year") << QDate(2011, 8, 31) << true;
        QTest::newRow("18 years old") << QDate(2008, 5, 7) << false;
        QTest::newRow("no birth date") << QDate() << false;
    }
    void compulsorySchoolingEndsWithTheYearOfSixteen() {
        QFETCH(QDate, born);
        QFETCH(bool, compulsory);
        QCOMPARE(documents::compulsory(born, 2026), compulsory);
    }

    // The certificate of a 15- and an 18-year-old, printed with the PDF button: both are
    // enrolled at day school, only the younger one is of compulsory school age.
    void theCertificateStatesCompulsorySchoolingOnlyWhileItLasts() {
        const int id = value(u"select min(id) from table_diak"_s).toInt();
        for (const int age : {15, 18}) {
            const QDate born(2026 - age, 3, 3);
            OtherCopy(app_.db.connectionString)
                .run(u"update table_diak set szul_ido = :d where id = :id"_s, {born, id});
            main_form->openChild(dokumentumok_form, [&] {
                dokumentumok_form->prepareForStudent(id, u"Kis Ödön"_s,
                                                     u"01_iskolalatogatasi_igazolas.html"_s);
            });
            dokumentumok_form->edit_tanev->setText(u"2026"_s);
            const QString purpose = age == 15 ? u"családi pótlék igényléséhez"_s : QString();
            dokumentumok_form->combo_cel->setCurrentText(purpose);
            outputs_.path = scratchFolder(u"age"_s) + u"/igazolas.pdf"_s;
            dokumentumok_form->Button2->click();
            const QString text = pdfText(outputs_.path).simplified();
            QVERIFY2(text.contains(u"a 2026/2027. tanévben iskolánk"_s), qPrintable(text));
            QVERIFY2(text.contains(u"nappali munkarend szerinti tanulói jogviszonyban áll iskolánkkal."_s),
                     qPrintable(text));
            QVERIFY2(text.contains(born.toString(u"yyyy.MM.dd."_s)), qPrintable(text));
            QCOMPARE(text.contains(u"Tankötelezettségét iskolánkban teljesíti."_s), age == 15);
            // the purpose line, "kérésére" when none was given
            const QString line = u"Az igazolást %1 adtam ki."_s.arg(age == 15 ? purpose : u"kérésére"_s);
            QVERIFY2(text.contains(line), qPrintable(text));
            QVERIFY(!text.contains(u"a(z)"_s));
            dokumentumok_form->close();
        }
        outputs_.path.clear();
    }

    // What the certificate states follows the student's record: the schedule, the longer
    // compulsory schooling of an SNI student (never saying why), the postcode, the expected
    // end of the enrolment; who signs follows the school's data.
    void theCertificateFollowsTheRecordAndTheSigner_data() {
        QTest::addColumn<QDate>("born");
        QTest::addColumn<bool>("extended");
        QTest::addColumn<bool>("individual");
        QTest::addColumn<bool>("deputy");
        QTest::addColumn<QString>("compulsory"); // empty: no such sentence
        const QString day = u"Tankötelezettségét iskolánkban teljesíti."_s;
        const QString alone = u"Tankötelezettségét iskolánkban, egyéni munkarend szerint teljesíti."_s;
        QTest::newRow("15, day school") << QDate(2011, 3, 3) << false << false << false << day;
        QTest::newRow("18, individual") << QDate(2008, 3, 3) << false << true << false << QString();
        QTest::newRow("18, SNI extended, deputy signs") << QDate(2008, 3, 3) << true << false << true << day;
        QTest::newRow("17, SNI extended, individual") << QDate(2009, 3, 3) << true << true << false << alone;
        QTest::newRow("23 before the year, SNI extended")
            << QDate(2003, 8, 31) << true << false << true << QString();
        QTest::newRow("23 on 1 September, SNI extended")
            << QDate(2003, 9, 1) << true << false << false << day;
    }
    void theCertificateFollowsTheRecordAndTheSigner() {
        QFETCH(QDate, born);
        QFETCH(bool, extended);
        QFETCH(bool, individual);
        QFETCH(bool, deputy);
        QFETCH(QString, compulsory);
        const int id =
            value(u"select min(d.id) from table_diak d join table_osztaly o on o.id = d.osztaly_ID "
                  "where o.osztaly_szam = 10"_s)
                .toInt();
        OtherCopy other(app_.db.connectionString);
        other.run(u"update table_diak set szul_ido = :d where id = :id"_s, {born, id});
        other.run(
            u"update table_diak_adat set iranyitoszam = '4400', egyeni_munkarend = :e where diak_id = :id"_s,
            {int(individual), id});
        other.run(u"update or insert into table_diak_bizalmas (diak_id, sni, sni_hosszabb, btmn) "
                  "values (:id, :s, :h, 0) matching (diak_id)"_s,
                  {id, int(extended), int(extended)});
        other.run(u"update table_iskola set alairo = :a, helyettes_nev = 'Bodnár István', "
                  "helyettes_beosztas = null, utolso_evfolyam = 12"_s,
                  {int(deputy)});
        const QString head = value(u"select igazgato from table_iskola"_s);
        main_form->openChild(dokumentumok_form, [&] {
            dokumentumok_form->prepareForStudent(id, u"Kis Ödön"_s, u"01_iskolalatogatasi_igazolas.html"_s);
        });
        dokumentumok_form->edit_tanev->setText(u"2026"_s);
        outputs_.path = scratchFolder(u"record"_s) + u"/igazolas.pdf"_s;
        dokumentumok_form->Button2->click();
        dokumentumok_form->close();
        const QString text = pdfText(outputs_.path).simplified();
        outputs_.path.clear();
        other.run(u"update table_iskola set alairo = 0"_s);
        const QString schedule = individual ? u"egyéni"_s : u"nappali"_s;
        QVERIFY2(text.contains(schedule + u" munkarend szerinti tanulói jogviszonyban áll iskolánkkal."_s),
                 qPrintable(text));
        QCOMPARE(text.contains(u"Tankötelezettségét"_s), !compulsory.isEmpty());
        if (!compulsory.isEmpty()) QVERIFY2(text.contains(compulsory), qPrintable(text));
        QVERIFY2(text.contains(u"lakcím: 4400 "_s), qPrintable(text));
        QVERIFY2(text.contains(u"Tanulói jogviszonya várhatóan a 2028/2029. tanév végéig tart."_s),
                 qPrintable(text));
        const QString signer =
            deputy ? u"Bodnár István igazgatóhelyettes az igazgató megbízásából"_s : head + u" igazgató"_s;
        QVERIFY2(text.contains(signer), qPrintable(text));
        // a status is sensitive: the certificate never tells it
        for (const QString& word : {u"SNI"_s, u"sajátos"_s, u"meghosszabb"_s})
            QVERIFY2(!text.contains(word), qPrintable(text));
    }

    // "a" or "az" by the first sound as read aloud.
    void theArticleFollowsTheSound_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("article");
        const std::pair<const char*, const char*> cases[] = {
            {"1", "az"},          {"5", "az"},       {"8", "a"},      {"10", "a"},         {"11", "a"},
            {"50", "az"},         {"100", "a"},      {"500", "az"},   {"1000", "az"},      {"5000", "az"},
            {"250000", "a"},      {"1000000", "az"}, {"0", "a"},      {"1999/2000", "az"}, {"2026/2027", "a"},
            {"10.a", "a"},        {"5.b", "az"},     {"12.c", "a"},   {"Ó utcai", "az"},   {"ablak", "az"},
            {"ágy", "az"},        {"egér", "az"},    {"év", "az"},    {"iskola", "az"},    {"íj", "az"},
            {"olló", "az"},       {"óra", "az"},     {"ökör", "az"},  {"őz", "az"},        {"utca", "az"},
            {"úr", "az"},         {"üveg", "az"},    {"űr", "az"},    {"Árpád", "az"},     {"ŐSZ", "az"},
            {"ÜGY", "az"},        {"Budapest", "a"}, {"Kőrösi", "a"}, {"SZABÓ", "a"},      {"MSZP", "az"},
            {"TV", "a"},          {"SNI", "az"},     {"MÁV", "a"},    {"SPORT", "a"},      {"„Éves”", "az"},
            {"\"Tanulói\"", "a"}, {"(5)", "az"},     {"", "a"},
        };
        for (const auto& [word, article] : cases)
            QTest::newRow(word) << QString::fromUtf8(word) << QString::fromUtf8(article);
    }
    void theArticleFollowsTheSound() {
        QFETCH(QString, word);
        QFETCH(QString, article);
        QCOMPARE(ui::nevelo(word), article);
        QCOMPARE(ui::aAz(word, true), article.front().toUpper() + article.mid(1) + u' ' + word);
    }

    // The database's messages, put together without knowing the word, get theirs too.
    void messagesGetTheirArticles_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const std::pair<const char*, const char*> cases[] = {
            {"azóta megszűnt a(z) eszperantó nyelv", "azóta megszűnt az eszperantó nyelv"},
            {"A(z) 2026/2027. tanév", "A 2026/2027. tanév"},
            {"A(z) 1999/2000. tanév és a(z) 5. azonosítójú tanár",
             "Az 1999/2000. tanév és az 5. azonosítójú tanár"},
            {"nem tanítja a(z) Csillagászat tantárgyat", "nem tanítja a Csillagászat tantárgyat"},
            {"a(z) „Óbuda”", "az „Óbuda”"},
            {"Kaza(z) marad", "Kaza(z) marad"},
            {"(z) nélkül a(z)", "(z) nélkül a(z)"},
            {"semmi", "semmi"},
        };
        for (const auto& [text, shown] : cases)
            QTest::newRow(text) << QString::fromUtf8(text) << QString::fromUtf8(shown);
    }
    void messagesGetTheirArticles() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(ui::nevelokKitoltve(text), shown);
    }

    // A template's {{a field}}, {{Az field}} get the article; a school's "a(z)" stays as written.
    void templatesPutTheArticle() {
        const QString path = writeFile(scratchFolder(u"article"_s) + u"/nevelo.html"_s,
                                       "<title>T</title>{{Az tanev}}|{{a osztaly}}|{{az kelt_helye}}|"
                                       "a(z) {{tanev}}"_ba);
        const documents::Sablon sablon = documents::Sablon::load(path);
        QCOMPARE(
            sablon
                .fill({{u"tanev"_s, u"1999/2000"_s}, {u"osztaly"_s, u"10.a"_s}, {u"kelt_helye"_s, u"Eger"_s}})
                .section(u"</title>"_s, 1),
            u"Az 1999/2000|a 10.a|az Eger|a(z) 1999/2000"_s);
    }

    // The change log narrowed by operation and by field, and saved as Excel.
    void theLogIsNarrowedAndSaved() {
        main_form->openChild(naplo_form, [] { naplo_form->prepareOpen(); });
        QComboBox* operation = naplo_form->combo_muvelet;
        QComboBox* field = naplo_form->combo_mezo;
        QCOMPARE(operation->itemText(0), u"mind"_s);
        QVERIFY(operation->findText(u"módosítás"_s) > 0 && field->findText(u"Név"_s) > 0);
        const QStringList all = fieldValues(naplo_form->ds_naplo, u"Esemény"_s);
        QVERIFY(chooseEntry(operation, u"módosítás"_s));
        const QStringList changes = fieldValues(naplo_form->ds_naplo, u"Esemény"_s);
        QVERIFY(!changes.isEmpty() && changes.size() < all.size());
        QVERIFY(chooseEntry(field, u"Név"_s));
        const QStringList names = fieldValues(naplo_form->ds_naplo, u"Esemény"_s);
        QVERIFY(!names.isEmpty());
        for (const QString& line : names)
            QVERIFY2(changes.contains(line) && line.contains(u"Név"_s), qPrintable(line));
        clickGridRow(naplo_form->dbg_naplo, 0);
        QCOMPARE(sortedSet(fieldValues(naplo_form->ds_reszlet, u"Adat"_s)), QStringList{u"Név"_s});
        QCOMPARE(sortedSet(fieldValues(naplo_form->ds_reszlet, u"Művelet"_s)), QStringList{u"módosítás"_s});
        // dates read as everywhere else
        QVERIFY(chooseEntry(field, u"Születési idő"_s));
        QVERIFY(naplo_form->ds_naplo->rowCount() > 0);
        clickGridRow(naplo_form->dbg_naplo, 0);
        const QStringList dates = fieldValues(naplo_form->ds_reszlet, u"Új érték"_s);
        QVERIFY(!dates.isEmpty());
        static const QRegularExpression date(u"^\\d{4}\\.\\d{2}\\.\\d{2}\\.$"_s);
        for (const QString& d : dates)
            QVERIFY2(date.match(d).hasMatch(), qPrintable(d));

        outputs_.path = scratchFolder(u"log"_s) + u"/naplo.xlsx"_s;
        naplo_form->Button5->click();
        QFile file(outputs_.path);
        QVERIFY(file.open(QIODevice::ReadOnly) && file.read(2) == "PK");
        outputs_.path.clear();
        naplo_form->close();
    }

    // Each new window as the office opens it: Esc closes it, its buttons have Alt letters of
    // their own, Enter presses its default button.
    void newWindowsKeys() {
        const int id = value(u"select min(id) from table_diak"_s).toInt();
        auto task = [](const char* button) {
            return [button] {
                main_form->Button14->click();
                evi_ugyek_form->findChild<QPushButton*>(QString::fromLatin1(button))->click();
            };
        };
        const std::pair<std::function<void()>, ui::ChildWindow*> windows[] = {
            {[] { main_form->Button14->click(); }, evi_ugyek_form},
            {task("ButtonIskola"), iskola_adatai_form},
            {task("ButtonDokumentumok"), dokumentumok_form},
            {task("ButtonTanevvaltas"), tanevvaltas_form},
            {task("ButtonArchivum"), archivum_form},
            {task("ButtonNaplo"), naplo_form},
            {[id] {
                 main_form->openChild(kilepes_form, [id] { kilepes_form->prepareForStudent(id, u"X"_s); });
             },
             kilepes_form},
        };
        for (const auto& [open, window] : windows) {
            open();
            QVERIFY2(window->isVisible() && window->isEnabled(), qPrintable(window->objectName()));
            QString letters;
            for (QPushButton* b : window->findChildren<QPushButton*>()) {
                if (b->window() != window) continue; // a dialog of its own
                const QString text = b->text();
                QVERIFY2(text.count(u'&') == 1, qPrintable(window->objectName() + u": "_s + text));
                const QChar letter = text.at(text.indexOf(u'&') + 1).toLower();
                QVERIFY2(!letters.contains(letter), qPrintable(window->objectName() + u": "_s + text));
                letters += letter;
            }
            QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, Qt::Key_Escape);
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
            if (window != evi_ugyek_form) evi_ugyek_form->close();
            QVERIFY2(main_form->isEnabled(), qPrintable(window->objectName()));
        }

        // Enter never takes a number: in any box it previews; in the reason box it asks to
        // void the chosen entry, "Nem" first
        main_form->openChild(dokumentumok_form, [&] {
            dokumentumok_form->prepareForStudent(id, u"Kis Ödön"_s, u"01_iskolalatogatasi_igazolas.html"_s);
        });
        Tdokumentumok_form* f = dokumentumok_form;
        const int before = issued();
        outputs_.asked = 0;
        for (QWidget* box :
             std::initializer_list<QWidget*>{f->edit_tanev, f->edit_tol, f->edit_ig, f->edit_kereses}) {
            app_.dialogs.clear();
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Return);
            QVERIFY2(f->previewDialog && f->previewDialog->isVisible(), qPrintable(box->objectName()));
            f->previewDialog->close();
        }
        QCOMPARE(outputs_.asked, 0);
        QCOMPARE(issued(), before);
        f->Button3->click();
        f->ds_iktatas->fetchAll();
        if (f->ds_iktatas->rowCount() > 0) {
            f->ds_iktatas->setCurrentRow(0);
            f->edit_ok->setText(u"Enterrel"_s);
            app_.dialogs.clear();
            f->edit_ok->setFocus();
            QTest::keyClick(f->edit_ok, Qt::Key_Return);
            QVERIFY2(!app_.dialogs.shown.empty(), "Enter in the reason box asks nothing");
            QCOMPARE(app_.dialogs.shown.back().buttons, ui::DialogButtons::YesNoDefaultNo);
            QCOMPARE(
                value(u"select count(*) from table_dokumentum_ervenytelen e join table_kiadott_dokumentum d "
                      u"on d.id = e.dokumentum_id where e.ok = 'Enterrel'"_s),
                u"0"_s);
        }
        QCOMPARE(issued(), before);
        f->edit_ok->clear();
        f->close();
    }

    // Esc where something typed would be lost asks first; "Nem" keeps the window.
    void escapeAsksBeforeLosingWhatWasTyped() {
        const int id = value(u"select min(id) from table_diak"_s).toInt();
        main_form->openChild(kilepes_form, [id] { kilepes_form->prepareForStudent(id, u"X"_s); });
        QTest::keyClicks(kilepes_form->m_megjegyzes, u"Kulfoldre koltozik"_s);
        app_.dialogs.clear();
        QTest::keyClick(kilepes_form->m_megjegyzes, Qt::Key_Escape);
        QVERIFY(kilepes_form->isVisible());
        QCOMPARE(app_.dialogs.shown.size(), size_t(1));
        QCOMPARE(app_.dialogs.shown[0].title, u"Kérdés"_s);
        QCOMPARE(app_.dialogs.shown[0].window, kilepes_form);
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        QTest::keyClick(kilepes_form->m_megjegyzes, Qt::Key_Escape);
        QVERIFY(!kilepes_form->isVisible());
        QVERIFY(main_form->isEnabled());
        QCOMPARE(value(u"select count(*) from table_diak where id = :id"_s, {id}), u"1"_s);
    }

    void brokenTemplatesAreRefused_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("said");
        QTest::newRow("no title") << "<html><body>{{nev}}</body></html>"_ba << u"nincs címe"_s;
        QTest::newRow("unclosed") << "<title>T</title>\n<p>{{nev}</p>\n<p>{{kelt}}</p>"_ba
                                  << u"2. sorban lezáratlan"_s;
        QTest::newRow("unknown field")
            << "<title>T</title>{{nincs_ilyen}}"_ba << u"nincs ilyen mező: {{nincs_ilyen}}"_s;
        QTest::newRow("unknown field with article")
            << "<title>T</title>{{az ev}}"_ba << u"nincs ilyen mező: {{az ev}}"_s;
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

    // Moved in June into a year that starts in September: the register's default period
    // still holds that year's documents, and the last twelve months.
    void theRegistersPeriodHoldsTheRegistrysYear() {
        const QDate today = QDate::currentDate();
        const int year = tanev::aktualis(DM->dbTanulo, today) + 1;
        tanev::valt(DM->dbTanulo, year, 12, QDate(year, 6, 20));
        const documents::Sablon sablon = documents::Sablon::load(DM->programFolder + documents::kFolder +
                                                                 u"01_iskolalatogatasi_igazolas.html"_s);
        const int id = value(u"select min(id) from table_diak"_s).toInt();
        const QString name = value(u"select nev from table_diak where id = :id"_s, {id});
        documents::issue(DM->dbTanulo, sablon, year, {id}, today, [](const QStringList&) { return true; });
        const int number =
            value(u"select max(sorszam) from table_kiadott_dokumentum where tanev = :y"_s, {year}).toInt();
        main_form->openChild(dokumentumok_form, [&] {
            dokumentumok_form->prepareForStudent(id, name, u"01_iskolalatogatasi_igazolas.html"_s);
        });
        Tdokumentumok_form* f = dokumentumok_form;
        QCOMPARE(f->edit_tol->text(), today.addYears(-1).toString(u"yyyy.MM.dd."_s));
        QCOMPARE(f->edit_ig->text(), today.toString(u"yyyy.MM.dd."_s));
        f->Button3->click();
        f->edit_kereses->setText(name);
        QVERIFY(f->ds_iktatas->locate(u"Sorszám"_s, number));
        f->close();
    }
};

QTEST_MAIN(DocumentsTest)
#include "test_documents.moc"
