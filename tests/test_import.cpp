// Students read from spreadsheets: code pages, separators and workbooks read back, the
// headings matched, every kind of faulty row found before anything is written, and an
// import that stores all ready rows or nothing, once.
#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QWheelEvent>
#include <QtTest>
#include <functional>
#include <utility>
#include <xlsxwriter.h>

#include "TestSupport.h"
#include "TestWorkbook.h"
#include "data/DataModule.h"
#include "db/Error.h"
#include "db/EventListener.h"
#include "import/Beolvasas.h"
#include "import/Tarolas.h"
#include "import/beolvasas__form.h"
#include "main/main__form.h"
#include "office/evi_ugyek__form.h"
#include "office/naplo__form.h"
#include "output/Report.h"
#include "output/Xlsx.h"

using namespace testing;
using namespace Qt::StringLiterals;
using intake::Field;
using intake::Status;

namespace {
// the school year for the whole file, the rest as the window leaves it
intake::Defaults wholeFileYear() {
    intake::Defaults d;
    d.year = 2026;
    return d;
}

// a file of the given bytes in a folder that holds others too
QString writeIn(const QString& folder, const QString& name, const QByteArray& bytes) {
    QFile f(folder + u"/"_s + name);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return f.fileName();
}

QString writeFile(const QString& name, const QByteArray& bytes) {
    return writeIn(scratchFolder(u"import"_s), name, bytes);
}

// Identifiers whose check digits are right, a different one for each seed.
QString validTaj(int seed) {
    const QString s = u"%1"_s.arg(seed, 8, 10, QLatin1Char('0'));
    int sum = 0;
    for (int i = 0; i < 8; ++i)
        sum += s[i].digitValue() * (i % 2 == 0 ? 3 : 7);
    return s + QString::number(sum % 10);
}
QString validOm(int seed) {
    for (int k = 0;; ++k) {
        const QString s = u"7%1"_s.arg(seed * 10 + k, 9, 10, QLatin1Char('0'));
        int sum = 0;
        for (int i = 0; i < 10; ++i)
            sum += s[i].digitValue() * (i + 1);
        if (sum % 11 < 10) return s + QString::number(sum % 11);
    }
}

const QString kHeadings =
    u"Név;Születési idő;Születési hely;Lakcím;Város;Gondviselő neve;Osztály;Tanult nyelv;"
    u"TAJ szám;OM azonosító"_s;
// A row of kHeadings that passes every check, with the fields given replacing its own.
QString row(const QString& name, int seed, const QHash<QString, QString>& change = {}) {
    QStringList f = {name,     u"2011.06.18."_s, u"Pécs"_s,      u"Fő utca 1."_s, u"Pécs"_s, u"Szülő Anna"_s,
                     u"9.a"_s, u"angol"_s,       validTaj(seed), validOm(seed)};
    const QStringList heads = kHeadings.split(u';');
    for (auto it = change.cbegin(); it != change.cend(); ++it)
        f[heads.indexOf(it.key())] = it.value();
    return f.join(u';');
}
// "7585 9874 318": an identifier as offices write it.
QString grouped(const QString& id) {
    return id.left(4) + u" "_s + id.mid(4, 4) + u" "_s + id.mid(8);
}
QByteArray csv(const QStringList& rows) {
    return ("\xEF\xBB\xBF" + (kHeadings + u"\r\n"_s + rows.join(u"\r\n"_s)).toUtf8());
}

class FakeOutputs : public output::OutputService {
  public:
    FakeOutputs() { output::setOutputService(this); }
    ~FakeOutputs() override { output::setOutputService(nullptr); }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return path; }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return openPath;
    }
    QString openPath; // what "Tallózás…" is answered
    bool choosePrinter(QWidget*, QPrinter&) override { return false; }
    class Stopping : public output::Progress {
      public:
        explicit Stopping(FakeOutputs& o) : o_(o) {}
        bool step(const QString& what, qint64 done, qint64) override {
            if (what != o_.cancelOn) return true;
            const int step = o_.steps++;
            return step != o_.cancelAt && (o_.cancelAtRow < 0 || done < o_.cancelAtRow);
        }

      private:
        FakeOutputs& o_;
    };
    std::unique_ptr<output::Progress> progress(QWidget*) override {
        return std::make_unique<Stopping>(*this);
    }
    QString path;
    QString cancelOn = u"Tanulók felvétele…"_s;
    int cancelAt = -1;
    int cancelAtRow = -1; // stops at the first step this far
    int steps = 0;
};

// A progress that runs something once, at the last step of the one named.
class AtStep : public output::Progress {
  public:
    AtStep(QString what, std::function<void()> then) : what_(std::move(what)), then_(std::move(then)) {}
    bool step(const QString& what, qint64 done, qint64 total) override {
        if (what == what_ && done == total && then_) std::exchange(then_, {})();
        return true;
    }

  private:
    QString what_;
    std::function<void()> then_;
};

} // namespace

class ImportTest : public QObject {
    Q_OBJECT
    ProgramFixture app_;
    std::unique_ptr<OtherCopy> other_;
    FakeOutputs outputs_;

    int students() { return other_->first(u"select count(*) from table_diak"_s).toInt(); }
    intake::Preview* open(const QString& path) {
        beolvasas_form->megnyit(path);
        beolvasas_form->preview->checkAll();
        return beolvasas_form->preview;
    }
    int rowOf(const QString& name) {
        const intake::Sheet& s = beolvasas_form->preview->sheet();
        for (int r = 0; r < s.rowCount(); ++r)
            if (s.cell(r, 0) == name) return r;
        return -1;
    }

  private slots:
    void initTestCase() {
        QVERIFY(app_.start(u"import"_s, {u"--demo"_s}));
        other_ = std::make_unique<OtherCopy>(app_.db.connectionString);
        main_form->Button14->click();
        evi_ugyek_form->findChild<QPushButton*>(u"ButtonBeolvasas"_s)->click();
        QVERIFY(beolvasas_form->isVisible());
        QCOMPARE(beolvasas_form->edit_tanev->text(), main_form->edit_akt_tanev->text());
    }
    void cleanupTestCase() {
        other_.reset();
        app_.stop();
    }
    void init() { app_.dialogs.clear(); }

    void readsCodePagesAndSeparators_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<int>("headingRow");
        QTest::addColumn<QString>("cell"); // the last row, column 2
        QTest::newRow("UTF-8 BOM ;") << "\xEF\xBB\xBFN\xC3\xA9v;C\xC3\xADm\r\nx;\xC5\x90rs \xC5\xB0rs\r\n"_ba
                                     << int(intake::Encoding::Utf8) << u";"_s << 1 << u"Őrs Űrs"_s;
        QTest::newRow("UTF-8 , quoted") << "Név,Cím\n\"Kis, Pál\",\"a \"\"b\"\"\nc\"\n"_ba
                                        << int(intake::Encoding::Utf8) << u","_s << 1 << u"a \"b\"\nc"_s;
        QTest::newRow("1250 tab") << QByteArray(
                                         QStringEncoder("windows-1250").encode(u"Név\tCím\r\nx\tŐz ű\r\n"_s))
                                  << int(intake::Encoding::Win1250) << u"\t"_s << 1 << u"Őz ű"_s;
        QTest::newRow("header counts, not data")
            << "A;B,C\n1;2,3\n"_ba << int(intake::Encoding::Utf8) << u";"_s << 1 << u"2,3"_s;
        // The code page is decided by the whole file, not by its first part.
        QByteArray big = "Név;Cím\r\n";
        while (big.size() < (1 << 20) + 100)
            big += "Kis Pal;Fo utca 1.\r\n";
        big += QStringEncoder("windows-1250").encode(u"Kis Pál;Fő utca 2.\r\n"_s);
        QTest::newRow("1250 past 1 MiB")
            << big << int(intake::Encoding::Win1250) << u";"_s << 1 << u"Fő utca 2."_s;
        // Empty cells past the widest intake are no data.
        QTest::newRow("empty cells past the edge") << "Név;Cím\r\nx;y" + QByteArray(300, ';') + "\r\n"
                                                   << int(intake::Encoding::Utf8) << u";"_s << 1 << u"y"_s;
        // A title line above the headings neither heads the columns nor gives the separator.
        QTest::newRow("title, then headings")
            << "Tanulók névsora, 2026. szeptember, 9.a\r\n\r\nNév;Születési idő;Osztály\r\nKis Pál;2011.06.18.;9.a\r\n"_ba
            << int(intake::Encoding::Utf8) << u";"_s << 3 << u"2011.06.18."_s;
    }
    void readsCodePagesAndSeparators() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        QFETCH(QString, separator);
        QFETCH(int, headingRow);
        QFETCH(QString, cell);
        const QString path = writeFile(u"t.csv"_s, bytes);
        const intake::CsvFormat f = intake::detectCsv(path, knownHeading);
        QCOMPARE(int(f.encoding), encoding);
        QCOMPARE(QString(f.separator), separator);
        const intake::Sheet s = intake::readCsv(path, f, {knownHeading});
        QCOMPARE(s.headingRow(), headingRow);
        QCOMPARE(s.cell(s.rowCount() - 1, 1).toString(), cell);
        // The window shows what it found.
        beolvasas_form->megnyit(path);
        QCOMPARE(beolvasas_form->combo_kodlap->currentData().toInt(), int(f.encoding));
        QCOMPARE(beolvasas_form->combo_elvalaszto->currentData().toString(), QString(f.separator));
        QCOMPARE(beolvasas_form->spin_fejlec->value(), headingRow);
        QCOMPARE(beolvasas_form->preview->sheet().rowCount(), s.rowCount());
    }

    // The user's choices read the file again; a file that cannot be read is told so.
    void rereadsWithTheChosenSeparator() {
        beolvasas_form->megnyit(writeFile(u"valaszt.csv"_s, "N\xC3\xA9v;C\xC3\xADm,V\xC3\xA1ros\nx;y,z\n"));
        QCOMPARE(beolvasas_form->preview->sheet().columnCount(), 2);
        QComboBox* separator = beolvasas_form->combo_elvalaszto;
        separator->setCurrentIndex(separator->findData(u","_s));
        emit separator->activated(separator->currentIndex());
        QCOMPARE(beolvasas_form->preview->sheet().headings, (QStringList{u"Név;Cím"_s, u"Város"_s}));
        QCOMPARE(beolvasas_form->grid_oszlopok->rowCount(), 2);
        QVERIFY_THROWS_EXCEPTION(db::Error, intake::detectCsv(u"/nincs/ilyen.csv"_s));

        // The heading row, one down and back, as the spreadsheet counts rows.
        beolvasas_form->megnyit(
            writeFile(u"fejlec.csv"_s, "Névsor\nNév;Osztály\nKis Pál;9.a\nNagy Éva;9.b\n"));
        QSpinBox* heading = beolvasas_form->spin_fejlec;
        QCOMPARE(heading->value(), 2);
        QTest::keyClick(heading, Qt::Key_Up);
        const intake::Sheet& s = beolvasas_form->preview->sheet();
        QCOMPARE(s.headings, (QStringList{u"Kis Pál"_s, u"9.a"_s}));
        QCOMPARE(s.rowCount(), 1);
        QCOMPARE(s.sourceRow(0), 4);
        QCOMPARE(beolvasas_form->grid_oszlopok->item(0, 0)->text(), u"Kis Pál"_s);
        QTest::keyClick(heading, Qt::Key_Down);
        QCOMPARE(beolvasas_form->preview->sheet().rowCount(), 2);
        QCOMPARE(heading->maximum(), 4);
    }

    void readsTheFirstSheetOfAWorkbook() {
        const QString path = scratchFolder(u"import"_s) + u"/t.xlsx"_s;
        lxw_workbook* wb = workbook_new(path.toUtf8().constData());
        lxw_worksheet* ws = workbook_add_worksheet(wb, "Tanulók");
        workbook_add_worksheet(wb, "Más");
        lxw_format* date = workbook_add_format(wb);
        format_set_num_format(date, "yyyy.mm.dd.");
        worksheet_write_string(ws, 0, 0, "Név", nullptr);
        worksheet_write_string(ws, 0, 1, "Születési idő", nullptr);
        worksheet_write_string(ws, 0, 3, "OM azonosító", nullptr);
        worksheet_write_string(ws, 2, 0, "Őri Űrsula", nullptr);
        lxw_datetime birth = {2011, 6, 18, 0, 0, 0};
        worksheet_write_datetime(ws, 2, 1, &birth, date);
        worksheet_write_number(ws, 2, 3, 72345678901.0, nullptr);
        worksheet_write_boolean(ws, 2, 4, 1, nullptr);
        QCOMPARE(workbook_close(wb), LXW_NO_ERROR);

        const intake::Sheet s = intake::readXlsx(path);
        QCOMPARE(s.headings, (QStringList{u"Név"_s, u"Születési idő"_s, QString(), u"OM azonosító"_s}));
        QCOMPARE(s.rowCount(), 1); // the empty row between is dropped
        QCOMPARE(s.sourceRow(0), 3);
        QCOMPARE(s.cell(0, 0), u"Őri Űrsula"_s);
        QCOMPARE(s.cell(0, 1), u"2011.06.18."_s);
        QCOMPARE(s.cell(0, 2), u""_s);
        QCOMPARE(s.cell(0, 3), u"72345678901"_s);
        QCOMPARE(s.cell(0, 4), u"igaz"_s);
        // A number in General format may not be what the office sees; the rest are.
        const intake::CellKind kinds[] = {intake::CellKind::Text, intake::CellKind::Text,
                                          intake::CellKind::Text, intake::CellKind::Number,
                                          intake::CellKind::Text, intake::CellKind::Text};
        for (int c = 0; c < int(std::size(kinds)); ++c)
            QVERIFY2(s.kind(0, c) == kinds[c], qPrintable(QString::number(c)));
        const QString broken = writeFile(u"rossz.xlsx"_s, "nem zip");
        QVERIFY_THROWS_EXCEPTION(db::Error, intake::readXlsx(broken));
    }

    // A hidden sheet of lists is not the data; every sheet can still be chosen.
    void readsTheFirstVisibleSheet_data() {
        QTest::addColumn<QString>("state"); // of the first sheet
        QTest::addColumn<int>("shown");
        QTest::newRow("hidden") << u"hidden"_s << 1;
        QTest::newRow("very hidden") << u"veryHidden"_s << 1;
        QTest::newRow("visible") << u"visible"_s << 0;
    }
    void readsTheFirstVisibleSheet() {
        QFETCH(QString, state);
        QFETCH(int, shown);
        const QString path = writeWorkbook(
            scratchFolder(u"lapok"_s) + u"/lapok.xlsx"_s,
            {{u"Listák"_s, textRow(1, {u"Osztály"_s, u"Nyelv"_s}) + textRow(2, {u"9.a"_s, u"angol"_s}),
              state},
             {u"Tanulók"_s, textRow(1, {u"Név"_s, u"Osztály"_s}) + textRow(2, {u"Kis Pál"_s, u"9.b"_s})}});
        beolvasas_form->megnyit(path);
        QComboBox* sheets = beolvasas_form->combo_munkalap;
        QCOMPARE(sheets->currentIndex(), shown);
        QCOMPARE(beolvasas_form->preview->sheet().cell(0, 1), shown ? u"9.b"_s : u"angol"_s);
        QCOMPARE(sheets->itemText(0), state == u"visible"_s ? u"Listák"_s : u"Listák (rejtett)"_s);
        QCOMPARE(sheets->itemText(1), u"Tanulók"_s);
        QVERIFY(!beolvasas_form->combo_elvalaszto->isEnabled());
        sheets->setCurrentIndex(1 - shown);
        emit sheets->activated(1 - shown);
        QCOMPARE(beolvasas_form->preview->sheet().cell(0, 1), shown ? u"angol"_s : u"9.b"_s);
        QCOMPARE(beolvasas_form->preview->sheet().headings.first(), shown ? u"Osztály"_s : u"Név"_s);
    }

    // Numbers under digit formats as shown, dates in either date system, error values marked.
    void readsCellsAsTheSpreadsheetShowsThem_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        const QString dir = scratchFolder(u"cellak"_s);
        auto book = [&](const char* tag, const QByteArray& cell, const QString& format,
                        bool date1904 = false) {
            return writeWorkbook(
                dir + u"/"_s + QString::fromLatin1(tag) + u".xlsx"_s,
                {{u"Munka1"_s, textRow(1, {u"Név"_s, u"Érték"_s}) +
                                   "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>x</t></is></c>" + cell +
                                   "</row>"}},
                {format}, {u"szöveg"_s}, date1904);
        };
        const int text = int(intake::CellKind::Text), number = int(intake::CellKind::Number),
                  error = int(intake::CellKind::Error);
        const struct {
            const char* tag;
            QByteArray cell;
            QString format;
            bool date1904;
            QString text;
            int kind;
        } cases[] = {
            {"zero padded TAJ", R"(<c r="B2" s="1"><v>12345675</v></c>)", u"000000000"_s, false,
             u"012345675"_s, text},
            {"quoted zero", R"(<c r="B2" s="1"><v>6301234567</v></c>)", u"\"0\"0"_s, false, u"06301234567"_s,
             text},
            {"escaped zero", R"(<c r="B2" s="1"><v>6301234567</v></c>)", u"\\0#"_s, false, u"06301234567"_s,
             text},
            {"quoted prefix", R"(<c r="B2" s="1"><v>301234567</v></c>)", u"\"06\"0"_s, false,
             u"06301234567"_s, text},
            {"groups", R"(<c r="B2" s="1"><v>12345675</v></c>)", u"000 000 000"_s, false, u"012 345 675"_s,
             text},
            {"whole number", R"(<c r="B2" s="1"><v>12345675</v></c>)", u"0"_s, false, u"12345675"_s, text},
            {"General", R"(<c r="B2"><v>12345675</v></c>)", u"0"_s, false, u"12345675"_s, number},
            {"decimals", R"(<c r="B2" s="1"><v>3.5</v></c>)", u"0.00"_s, false, u"3.5"_s, number},
            {"negative", R"(<c r="B2" s="1"><v>-12</v></c>)", u"000"_s, false, u"-12"_s, number},
            {"date", R"(<c r="B2" s="1"><v>40712</v></c>)", u"yyyy.mm.dd."_s, false, u"2011.06.18."_s, text},
            {"date 1904", R"(<c r="B2" s="1"><v>39250</v></c>)", u"yyyy.mm.dd."_s, true, u"2011.06.18."_s,
             text},
            {"error", R"(<c r="B2" t="e"><v>#N/A</v></c>)", u"0"_s, false, u"#N/A"_s, error},
            {"formula error", R"(<c r="B2" t="e"><f>VLOOKUP(A2,Listák!A:B,2,0)</f><v>#VALUE!</v></c>)",
             u"0"_s, false, u"#VALUE!"_s, error},
            {"formula text", R"(<c r="B2" t="str"><f>A2&amp;"y"</f><v>xy</v></c>)", u"0"_s, false, u"xy"_s,
             text},
            {"shared text", R"(<c r="B2" t="s"><v>0</v></c>)", u"0"_s, false, u"szöveg"_s, text},
            // "[$-40E]" names a language, not a currency
            {"language tag", R"(<c r="B2" s="1"><v>12345675</v></c>)", u"[$-40E]000000000"_s, false,
             u"012345675"_s, text},
            {"language tag, groups", R"(<c r="B2" s="1"><v>63950629</v></c>)", u"[$-409]000\\ 000\\ 000"_s,
             false, u"063 950 629"_s, text},
            {"currency", R"(<c r="B2" s="1"><v>12</v></c>)", u"[$€-40E]0"_s, false, u"12"_s, number},
            // the 1900 system's serials before its 29 February that never was
            {"serial 1", R"(<c r="B2" s="1"><v>1</v></c>)", u"yyyy.mm.dd."_s, false, u"1900.01.01."_s, text},
            {"serial 59", R"(<c r="B2" s="1"><v>59</v></c>)", u"yyyy.mm.dd."_s, false, u"1900.02.28."_s,
             text},
            {"serial 60", R"(<c r="B2" s="1"><v>60</v></c>)", u"yyyy.mm.dd."_s, false, u"60"_s, number},
            {"serial 61", R"(<c r="B2" s="1"><v>61</v></c>)", u"yyyy.mm.dd."_s, false, u"1900.03.01."_s,
             text},
        };
        for (const auto& c : cases)
            QTest::newRow(c.tag) << book(c.tag, c.cell, c.format, c.date1904) << c.text << c.kind;
        // What a CSV file holds is what the spreadsheet showed.
        const std::pair<QByteArray, int> fields[] = {{"#HIÁNYZIK", error},
                                                     {"#N/A", error},
                                                     {"Err:502", error},
                                                     {"\"=\"\"0012\"\"\"", text},
                                                     {"'0012", text}};
        const QString csvTexts[] = {u"#HIÁNYZIK"_s, u"#N/A"_s, u"Err:502"_s, u"0012"_s, u"'0012"_s};
        for (int i = 0; i < int(std::size(fields)); ++i) {
            const QString path = dir + u"/mezo%1.csv"_s.arg(i);
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("N\xC3\xA9v;\xC3\x89rt\xC3\xA9k\r\nx;" + fields[i].first + "\r\n");
            QTest::newRow(fields[i].first.constData()) << path << csvTexts[i] << fields[i].second;
        }
    }
    void readsCellsAsTheSpreadsheetShowsThem() {
        QFETCH(QString, path);
        QFETCH(QString, text);
        QFETCH(int, kind);
        beolvasas_form->megnyit(path);
        const intake::Sheet& s = beolvasas_form->preview->sheet();
        QCOMPARE(s.cell(0, 1).toString(), text);
        QCOMPARE(int(s.kind(0, 1)), kind);
        QCOMPARE(int(s.kind(0, 0)), int(intake::CellKind::Text));
    }

    // A workbook a spreadsheet program saved, its TAJ numbers under formats made with an
    // explicit language ("[$-40E]000000000", "[$-409]000\ 000\ 000"): stored as shown.
    void readsTheLanguageTaggedFormatsOfASpreadsheetProgram() {
        const QString path = sourceDir() + u"/tests/data/taj_nyelvi_formatum.xlsx"_s;
        const intake::Sheet s = intake::readXlsx(path, {knownHeading});
        QCOMPARE(s.rowCount(), 2);
        QCOMPARE(s.cell(0, 1).toString(), u"012345675"_s);
        QCOMPARE(int(s.kind(0, 1)), int(intake::CellKind::Text));
        QCOMPARE(s.cell(1, 1).toString(), u"063 950 629"_s);
        QCOMPARE(int(s.kind(1, 1)), int(intake::CellKind::Text));
    }

    // What the program writes for a spreadsheet comes back as it was typed.
    void readsBackTheProgramsOwnFiles() {
        const QStringList values = {u"+36 30 123 4567"_s,
                                    u"-"_s,
                                    u"0012"_s,
                                    u"=SUM(A1)"_s,
                                    u"@név"_s,
                                    u"'alma"_s,
                                    u"=\"x\"\"y\""_s,
                                    u"-"_s + QString(300, u'x')};
        const QString dir = scratchFolder(u"vissza"_s);
        QByteArray csv = "\xEF\xBB\xBFN\xC3\xA9v;Telefon\r\n";
        for (const QString& v : values)
            csv += (u"Kis Pál;"_s + output::csvField(v) + u"\r\n"_s).toUtf8();
        QFile f(dir + u"/vissza.csv"_s);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(csv);
        f.close();
        QCOMPARE(output::writeXlsx(dir + u"/vissza.xlsx"_s, u"Kimaradt sorok"_s, {u"Név"_s, u"Telefon"_s},
                                   int(values.size()),
                                   [&](int r, int c) { return QVariant(c ? values[r] : u"Kis Pál"_s); }),
                 QString());
        for (const QString& name : {u"vissza.csv"_s, u"vissza.xlsx"_s}) {
            beolvasas_form->megnyit(dir + u"/"_s + name);
            const intake::Sheet& s = beolvasas_form->preview->sheet();
            QCOMPARE(s.rowCount(), int(values.size()));
            for (int r = 0; r < s.rowCount(); ++r)
                QCOMPARE(s.cell(r, 1).toString(), values[r]);
        }
    }

    // No file, however made, takes more than a cell's, a width's or a memory's ceiling.
    void refusesFilesPastTheCeilings_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        const QString dir = scratchFolder(u"nagy"_s);
        const QByteArray heading = textRow(1, {u"Név"_s, u"Osztály"_s});
        QTest::newRow("one huge cell")
            << writeWorkbook(dir + u"/cella.xlsx"_s,
                             {{u"Munka1"_s, heading + textRow(2, {QString(20'000'000, u'x')})}})
            << u"A fájl 2. sorában egy cella hosszabb 32767 karakternél"_s;
        QTest::newRow("long cell") << writeWorkbook(
                                          dir + u"/hosszu.xlsx"_s,
                                          {{u"Munka1"_s, heading + textRow(2, {QString(32'768, u'x')})}})
                                   << u"A fájl 2. sorában egy cella hosszabb 32767 karakternél"_s;
        QTest::newRow("long shared text")
            << writeWorkbook(dir + u"/kozos.xlsx"_s, {{u"Munka1"_s, heading}}, {}, {QString(40'000, u'x')})
            << u"egy cella hosszabb 32767 karakternél"_s;
        QByteArray far;
        for (int r = 2; r < 30'000; ++r)
            far += QStringLiteral("<row r=\"%1\"><c r=\"XFD%1\"><v>1</v></c></row>").arg(r).toUtf8();
        QTest::newRow("column XFD") << writeWorkbook(dir + u"/szeles.xlsx"_s, {{u"Munka1"_s, heading + far}})
                                    << u"A fájl 2. sorában a 16384. oszlopban is van adat; a beolvasás "
                                       u"legfeljebb 256 oszlopot kezel."_s;
        QTest::newRow("shared texts past the ceiling")
            << writeWorkbook(dir + u"/szovegek.xlsx"_s, {{u"Munka1"_s, heading}}, {},
                             QList<QString>(1200, QString(30'000, u'x')))
            << u"A fájl több szöveget tart, mint amennyi egy beolvasásba fér"_s;
        // Small in the file, each cell a copy of one long shared text.
        QByteArray copies;
        for (int r = 2; r < 10'000; ++r)
            copies += QStringLiteral("<row r=\"%1\"><c r=\"A%1\" t=\"s\"><v>0</v></c></row>").arg(r).toUtf8();
        QTest::newRow("copies of a shared text")
            << writeWorkbook(dir + u"/masolat.xlsx"_s, {{u"Munka1"_s, heading + copies}}, {},
                             {QString(30'000, u'x')})
            << u"A fájl túl sok adatot tart"_s;
        QTest::newRow("CSV long cell")
            << writeIn(dir, u"hosszu.csv"_s, "Név;Osztály\r\nx;" + QByteArray(40'000, 'y'))
            << u"A fájl 2. sorában egy cella hosszabb"_s;
        QTest::newRow("CSV wide") << writeIn(dir, u"szeles.csv"_s,
                                             "Név;Osztály\r\n" + QByteArray(300, ';') + "x\r\n")
                                  << u"a 301. oszlopban is van adat"_s;
        // one past each ceiling
        QTest::newRow("CSV column 257")
            << writeIn(dir, u"257.csv"_s, "Név;Osztály\r\n" + QByteArray(256, ';') + "x\r\n")
            << u"a 257. oszlopban is van adat"_s;
        QTest::newRow("column 257")
            << writeWorkbook(dir + u"/257.xlsx"_s,
                             {{u"Munka1"_s, heading + "<row r=\"2\"><c r=\"IW2\"><v>1</v></c></row>"}})
            << u"a 257. oszlopban is van adat"_s;
        QTest::newRow("CSV cell 32768")
            << writeIn(dir, u"32768.csv"_s, "Név;Osztály\r\nx;" + QByteArray(32'768, 'y'))
            << u"A fájl 2. sorában egy cella hosszabb 32767 karakternél"_s;
        QByteArray emptyRows;
        for (int r = 2; r <= intake::kMaxRows + 1; ++r)
            emptyRows += QStringLiteral("<row r=\"%1\"/>").arg(r).toUtf8();
        QTest::newRow("rows past the ceiling")
            << writeWorkbook(dir + u"/uressorok.xlsx"_s, {{u"Munka1"_s, heading + emptyRows}})
            << u"A fájl több mint 100\u00a0000 sort tart (az üreseket is számolva)"_s;
        QTest::newRow("CSV rows past the ceiling")
            << writeIn(dir, u"uressorok.csv"_s, "Név;Osztály\r\n" + QByteArray(intake::kMaxRows, '\n'))
            << u"A fájl több mint 100\u00a0000 sort tart"_s;
        // What no spreadsheet program writes is refused, not read by guesswork.
        const QString broken = u"fájl nem olvasható Excel-munkafüzetként (.xlsx)."_s;
        const std::pair<const char*, QByteArray> malformed[] = {
            {"cells out of order",
             R"(<row r="2"><c r="B2" t="inlineStr"><is><t>b</t></is></c><c r="A2" t="inlineStr"><is><t>a</t></is></c></row>)"},
            {"cell repeated",
             R"(<row r="2"><c r="A2" t="inlineStr"><is><t>a</t></is></c><c r="A2" t="inlineStr"><is><t>b</t></is></c></row>)"},
            {"row repeated",
             R"(<row r="2"><c r="A2" t="inlineStr"><is><t>a</t></is></c></row><row r="2"><c r="B2"><v>1</v></c></row>)"},
            {"shared index out of range", R"(<row r="2"><c r="A2" t="s"><v>1</v></c></row>)"},
            {"shared index not a number", R"(<row r="2"><c r="A2" t="s"><v>x</v></c></row>)"},
        };
        for (const auto& [tag, rows] : malformed)
            QTest::newRow(tag) << writeWorkbook(dir + u"/"_s + QString::fromLatin1(tag) + u".xlsx"_s,
                                                {{u"Munka1"_s, heading + rows}}, {}, {u"egy"_s})
                               << broken;
        QTest::newRow("external entity")
            << writeWorkbook(
                   dir + u"/entitas.xlsx"_s,
                   {{u"Munka1"_s,
                     heading +
                         R"(<row r="2"><c r="A2" t="inlineStr"><is><t>Kis &kulso; Pál</t></is></c></row>)",
                     {},
                     "<!DOCTYPE worksheet [<!ENTITY kulso SYSTEM \"file:/etc/hostname\">]>"}})
            << broken;
    }

    // Exactly at each ceiling a file is read whole.
    void readsUpToTheCeilings_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("column"); // of the last row's last cell
        QTest::addColumn<int>("length"); // of that cell
        const QString dir = scratchFolder(u"hatar"_s);
        const QByteArray heading = textRow(1, {u"Név"_s, u"Osztály"_s});
        QTest::newRow("CSV column 256")
            << writeIn(dir, u"256.csv"_s, "Név;Osztály\r\n" + QByteArray(255, ';') + "x\r\n") << 1 << 255
            << 1;
        QTest::newRow("column 256")
            << writeWorkbook(dir + u"/256.xlsx"_s,
                             {{u"Munka1"_s, heading + "<row r=\"2\"><c r=\"IV2\"><v>1</v></c></row>"}})
            << 1 << 255 << 1;
        QTest::newRow("CSV cell 32767")
            << writeIn(dir, u"32767.csv"_s, "Név;Osztály\r\nx;" + QByteArray(32'767, 'y')) << 1 << 1
            << 32'767;
        QTest::newRow("cell 32767")
            << writeWorkbook(dir + u"/32767.xlsx"_s,
                             {{u"Munka1"_s, heading + textRow(2, {u"x"_s, QString(32'767, u'y')})}})
            << 1 << 1 << 32'767;
        QTest::newRow("shared text 32767")
            << writeWorkbook(dir + u"/kozos32767.xlsx"_s,
                             {{u"Munka1"_s, heading + R"(<row r="2"><c r="B2" t="s"><v>0</v></c></row>)"}},
                             {}, {QString(32'767, u'y')})
            << 1 << 1 << 32'767;
        QByteArray many = "Név;Osztály\r\n";
        for (int r = 2; r <= intake::kMaxRows; ++r)
            many += "x;9.a\r\n";
        QTest::newRow("CSV rows at the ceiling")
            << writeIn(dir, u"sorok.csv"_s, many) << intake::kMaxRows - 1 << 1 << 3;
    }
    void readsUpToTheCeilings() {
        QFETCH(QString, path);
        QFETCH(int, rows);
        QFETCH(int, column);
        QFETCH(int, length);
        intake::Sheet s;
        try {
            s = intake::fileKind(path) == intake::FileKind::Xlsx
                    ? intake::readXlsx(path, {knownHeading})
                    : intake::readCsv(path, intake::detectCsv(path), {knownHeading});
        } catch (const db::Error& e) {
            QFAIL(qPrintable(e.message()));
        }
        QCOMPARE(s.rowCount(), rows);
        QCOMPARE(s.cell(rows - 1, column).size(), length);
        QVERIFY(s.cell(rows - 1, column + 1).isEmpty());
    }
    void refusesFilesPastTheCeilings() {
        QFETCH(QString, path);
        QFETCH(QString, message);
        try {
            beolvasas_form->megnyit(path);
            QFAIL("read");
        } catch (const db::Error& e) {
            QVERIFY2(e.message().contains(message), qPrintable(e.message()));
        }
    }

    // "Mégse" stops the reading; the file shown before stays.
    void stopsReadingWhenCancelled() {
        const QString first = writeFile(u"elso.csv"_s, "Név;Osztály\r\nKis Pál;9.a\r\n");
        beolvasas_form->megnyit(first);
        const QString dir = scratchFolder(u"megse"_s);
        const QString book = writeWorkbook(
            dir + u"/m.xlsx"_s, {{u"Munka1"_s, textRow(1, {u"Név"_s}) + textRow(2, {u"Nagy Éva"_s})}});
        outputs_.cancelOn = intake::kReadingStep;
        for (const QString& path : {book, writeFile(u"masodik.csv"_s, "Név;Osztály\r\nNagy Éva;9.b\r\n")}) {
            outputs_.steps = 0;
            outputs_.cancelAt = 0;
            beolvasas_form->megnyit(path);
            QCOMPARE(outputs_.steps, 1);
            QCOMPARE(beolvasas_form->preview->sheet().cell(0, 0), u"Kis Pál"_s);
            QCOMPARE(beolvasas_form->e_fajl->text(), QDir::toNativeSeparators(first));
        }
        // Stopped while read again with another separator: the choice shown goes back.
        QComboBox* separator = beolvasas_form->combo_elvalaszto;
        outputs_.steps = 0;
        separator->setCurrentIndex(separator->findData(u","_s));
        emit separator->activated(separator->currentIndex());
        QCOMPARE(separator->currentData().toString(), u";"_s);
        QCOMPARE(beolvasas_form->preview->sheet().columnCount(), 2);
        outputs_.cancelAt = -1;
        outputs_.cancelOn = u"Tanulók felvétele…"_s;
    }

    // Decided by the first bytes, whatever the name; what is no sheet is told what to be saved as.
    void recognisesFilesByTheirContent_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message"); // empty: read
        const QString dir = scratchFolder(u"fajtak"_s);
        const QByteArray ole = QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0');
        QTest::newRow(".xls") << writeIn(dir, u"regi.xls"_s, ole)
                              << u"régi formátumú Excel-munkafüzet (.xls), vagy "
                                 u"jelszóval védett munkafüzet"_s;
        QTest::newRow("protected .xlsx") << writeIn(dir, u"vedett.xlsx"_s, ole) << u"jelszóval védett"_s;
        QString ods = dir + u"/t.ods"_s;
        QVERIFY(writeZip(ods, {{u"mimetype"_s, "application/vnd.oasis.opendocument.spreadsheet"},
                               {u"content.xml"_s, "<x/>"}}));
        QTest::newRow(".ods") << ods << u"OpenDocument-táblázat (.ods)"_s;
        QString other = dir + u"/mas.xlsx"_s;
        QVERIFY(writeZip(other, {{u"word/document.xml"_s, "<x/>"}}));
        QTest::newRow("other zip") << other << u"tömörített (zip) fájl, de nem Excel-munkafüzet"_s;
        QTest::newRow("PDF") << writeIn(dir, u"lista.csv"_s, "%PDF-1.4\n%\xE2\xE3\n1 0 obj")
                             << u"PDF-dokumentum"_s;
        QTest::newRow("image") << writeIn(dir, u"kep.csv"_s, "\x89PNG\r\n\x1A\n") << u"kép"_s;
        QTest::newRow("binary") << writeIn(dir, u"adat.txt"_s, QByteArray("N\xE9v;\0\0\x01", 7))
                                << u"nem szöveges"_s;
        QTest::newRow("UTF-16") << writeIn(dir, u"unicode.txt"_s, "\xFF\xFEN\0;\0") << u"UTF-16"_s;
        const QString book =
            writeWorkbook(dir + u"/munkafuzet.xlsx"_s,
                          {{u"Munka1"_s, textRow(1, {u"Név"_s}) + textRow(2, {u"Kis Pál"_s})}});
        QVERIFY(QFile::copy(book, dir + u"/munkafuzet.csv"_s));
        QTest::newRow("workbook named .csv") << dir + u"/munkafuzet.csv"_s << QString();
        QTest::newRow("CSV named .xlsx")
            << writeIn(dir, u"szoveg.xlsx"_s, "Név;Osztály\r\nKis Pál;9.a\r\n") << QString();
    }
    void recognisesFilesByTheirContent() {
        QFETCH(QString, path);
        QFETCH(QString, message);
        try {
            beolvasas_form->megnyit(path);
            QVERIFY2(message.isEmpty(), "read");
            QCOMPARE(beolvasas_form->preview->sheet().cell(0, 0), u"Kis Pál"_s);
        } catch (const db::Error& e) {
            QVERIFY2(!message.isEmpty() && e.message().contains(message), qPrintable(e.message()));
            QVERIFY2(e.message().contains(u"Excel-munkafüzetként (.xlsx) vagy CSV-fájlként"_s),
                     qPrintable(e.message()));
        }
    }

    void matchesHeadingsAndReadsValues() {
        const std::pair<const char*, Field> headings[] = {{"Név", Field::Nev},
                                                          {"Tanuló neve", Field::Nev},
                                                          {"SZÜLETÉSI IDŐ", Field::SzulIdo},
                                                          {"Születési dátum", Field::SzulIdo},
                                                          {"Születési hely", Field::SzulHely},
                                                          {"Anyja neve", Field::AnyjaNev},
                                                          {"TAJ", Field::Taj},
                                                          {"TAJ-szám", Field::Taj},
                                                          {"Oktatási azonosító", Field::Om},
                                                          {"Lakcím", Field::Cim},
                                                          {"Város", Field::Varos},
                                                          {"Telefon", Field::DiakTel},
                                                          {"Gondviselő neve", Field::GondNev},
                                                          {"Évfolyam", Field::OsztalySzam},
                                                          {"Tanév", Field::Tanev},
                                                          {"Osztály", Field::Osztaly},
                                                          {"Tanult nyelv", Field::Nyelv},
                                                          {"Cipőméret", Field::None}};
        for (const auto& [h, f] : headings)
            QVERIFY2(intake::guessField(QString::fromUtf8(h)) == f, h);
        // A field comes from one column; a remembered choice goes before the guess.
        const intake::Mapping m =
            intake::guessMapping({u"Név"_s, u"Tanuló neve"_s, u"Cipőméret"_s}, {{u"cipomeret"_s, Field::Mj}});
        QVERIFY(m == (intake::Mapping{Field::Nev, Field::None, Field::Mj}));

        const std::pair<const char*, QDate> dates[] = {{"2011.06.18.", {2011, 6, 18}},
                                                       {"2011.06.18", {2011, 6, 18}},
                                                       {"2011-06-18", {2011, 6, 18}},
                                                       {"18/06/2011", {2011, 6, 18}},
                                                       {"2011.6.8.", {2011, 6, 8}},
                                                       {"2011.02.30.", {}},
                                                       {"18.06.2011", {}},
                                                       {"06/18/2011", {}},
                                                       {"tegnap", {}}};
        for (const auto& [text, date] : dates)
            QVERIFY2(intake::parseDate(QString::fromUtf8(text)) == date, text);

        const std::pair<const char*, const char*> classes[] = {{"9.A", "9.A"},  {"9/A", "9.A"},
                                                               {"9. A", "9.A"}, {"10b", "10.b"},
                                                               {"9.", nullptr}, {"9.A.B", nullptr}};
        for (const auto& [text, expected] : classes) {
            intake::ClassName c;
            QVERIFY2(intake::parseClass(QString::fromUtf8(text), c) == (expected != nullptr), text);
            if (expected) QCOMPARE(c.text(), QString::fromUtf8(expected));
        }
    }

    // The first screen is checked at once, the rest while the event loop runs.
    void checksTheFirstScreenFirst() {
        QStringList lines;
        for (int i = 0; i < 2000; ++i)
            lines << row(u"Sokadik %1"_s.arg(i), 1000 + i);
        beolvasas_form->megnyit(writeFile(u"sok.csv"_s, csv(lines)));
        intake::Preview* p = beolvasas_form->preview;
        QVERIFY(p->checkedRows() >= 30);
        QVERIFY(!p->isChecked());
        QCOMPARE(p->status(1999), Status::Unchecked);
        QVERIFY(beolvasas_form->label_allapot->text().contains(u"ellenőrzés"_s));
        QTRY_VERIFY(p->isChecked());
        QCOMPARE(p->counts().ready, 2000);
    }

    // Every kind of faulty row in one file, beside the registry and one another.
    void findsEveryFaultBeforeWriting() {
        other_->run(
            u"insert into table_diak (nev, szul_ido, diak_taj, diak_OM) values ('Bent Béla', '2010-01-02', "
            u"?, ?)"_s,
            {validTaj(900), validOm(900)});
        const QString taj901 = validTaj(901);
        other_->run(u"insert into table_diak (nev, diak_taj) values ('Bent Bea', ?)"_s,
                    {taj901.left(3) + u" "_s + taj901.mid(3, 3) + u"-"_s + taj901.mid(6)});
        other_->run(u"insert into table_diak_archiv (id, nev, szul_ido, diak_taj, diak_OM, kilepes_datum, "
                    u"kilepes_ok) "
                    u"values (-1, 'Régi Rita', '2009-05-06', ?, ?, '2024-06-30', 1)"_s,
                    {validTaj(902), validOm(902)});
        const QString badTaj = validTaj(5).left(8) + QString::number((validTaj(5).right(1).toInt() + 1) % 10);
        struct Case {
            QString line;
            Status status;
            QString reason;
            bool included;
        };
        const Case cases[] = {
            {row(u"Jó Júlia"_s, 1), Status::Ready, {}, true},
            {row(u"Város Nélkül"_s, 2, {{u"Város"_s, {}}}), Status::Error, u"Hiányzó kötelező adat: Város"_s,
             false},
            {row(u"Rossz Dátum"_s, 3, {{u"Születési idő"_s, u"2011.02.30."_s}}), Status::Error,
             u"A születési idő nem dátum: 2011.02.30."_s, false},
            {row(u"Nincs Osztály"_s, 4, {{u"Osztály"_s, u"9/X"_s}}), Status::Error,
             u"Nincs ilyen osztály: 9.X."_s, false},
            {row(u"Nincs Nyelv"_s, 6, {{u"Tanult nyelv"_s, u"klingon"_s}}), Status::Error,
             u"Nincs ilyen tanult nyelv: klingon"_s, false},
            {row(QString(101, u'H'), 7), Status::Error, u"túl hosszú: 101 karakter, legfeljebb 100"_s, false},
            {row(u"Жанна Орос"_s, 8), Status::Error, u"nem tárolható az adatbázisban"_s, false},
            {row(u"Rossz Taj"_s, 5, {{u"TAJ szám"_s, badTaj}}), Status::Warning,
             u"ellenőrző számjegye hibás"_s, true},
            {row(u"Om Bent"_s, 900), Status::Error, u"Ez az OM azonosító már szerepel a nyilvántartásban."_s,
             false},
            {row(u"Taj Bent"_s, 901), Status::Error, u"Ez a TAJ-szám már szerepel a nyilvántartásban."_s,
             false},
            {row(u"Om Archív"_s, 902), Status::Error, u"Ez az OM azonosító már szerepel az archívumban."_s,
             false},
            {row(u"Régi Rita"_s, 12, {{u"Születési idő"_s, u"2009-05-06"_s}}), Status::Warning,
             u"Ugyanilyen nevű és születési idejű tanuló már szerepel az archívumban."_s, false},
            {row(u"Om Kétszer"_s, 10, {{u"OM azonosító"_s, validOm(1)}}), Status::Error,
             u"Ez az OM azonosító a fájl 2. sorában is szerepel."_s, false},
            {row(u"Bent Béla"_s, 11, {{u"Születési idő"_s, u"02/01/2010"_s}}), Status::Warning,
             u"Ugyanilyen nevű és születési idejű tanuló már szerepel a nyilvántartásban. Csak bejelölve "
             u"kerül be."_s,
             false},
            // OM numbers are compared by their digits, however they are grouped.
            {row(u"Om Tagolt"_s, 13, {{u"OM azonosító"_s, grouped(validOm(13))}}), Status::Ready, {}, true},
            {row(u"Om Tagoltan Bent"_s, 14, {{u"OM azonosító"_s, grouped(validOm(900))}}), Status::Error,
             u"Ez az OM azonosító már szerepel a nyilvántartásban."_s, false},
            {row(u"Om Kötőjellel Archív"_s, 15, {{u"OM azonosító"_s, validOm(902).insert(4, u'-')}}),
             Status::Error, u"Ez az OM azonosító már szerepel az archívumban."_s, false},
            {row(u"Om Tagoltan Kétszer"_s, 16, {{u"OM azonosító"_s, validOm(13)}}), Status::Error,
             u"Ez az OM azonosító a fájl 16. sorában is szerepel."_s, false},
            // A row that cannot be ticked is not told to be ticked.
            {row(u"Bent Béla"_s, 17, {{u"Születési idő"_s, u"02/01/2010"_s}, {u"Város"_s, {}}}),
             Status::Error,
             u"Hiányzó kötelező adat: Város. Ugyanilyen nevű és születési idejű tanuló már szerepel a "
             u"nyilvántartásban. Ugyanilyen nevű és születési idejű tanuló a fájl 15. sorában is szerepel."_s,
             false},
            // A name is the same name in capitals, in the file and in the registry.
            {row(u"JÓ JÚLIA"_s, 18), Status::Warning,
             u"Ugyanilyen nevű és születési idejű tanuló a fájl 2. sorában is szerepel. Csak bejelölve kerül be."_s,
             false},
            {row(u"BENT BÉLA"_s, 19, {{u"Születési idő"_s, u"2010.01.02."_s}}), Status::Warning,
             u"Ugyanilyen nevű és születési idejű tanuló már szerepel a nyilvántartásban."_s, false},
            {row(u"bent béla"_s, 20, {{u"Születési idő"_s, u"2010.01.03."_s}}), Status::Ready, {}, true},
            // What a spreadsheet made of an identifier is no identifier: refused, the cell named.
            {row(u"Om Lebegő"_s, 21, {{u"OM azonosító"_s, u"7.4689E+10"_s}}), Status::Error,
             u"Az \"OM azonosító\" oszlopban álló érték (7.4689E+10) nem OM azonosító, mert nem 11 számjegy."_s,
             false},
            {row(u"Om Lebegő Másik"_s, 22, {{u"OM azonosító"_s, u"7.4689E+10"_s}}), Status::Error,
             u"Az \"OM azonosító\" oszlopban álló érték (7.4689E+10) nem OM azonosító, mert nem 11 számjegy. "
             u"Ha a "
             u"táblázat alakította számmá, írja be szövegként az eredetiről."_s,
             false},
            {row(u"Om Vesszős"_s, 23, {{u"OM azonosító"_s, u"7,23457E+10"_s}}), Status::Error,
             u"(7,23457E+10) nem OM azonosító"_s, false},
            {row(u"Om Tizedes"_s, 24, {{u"OM azonosító"_s, u"70000002048.0"_s}}), Status::Error,
             u"(70000002048.0) nem OM azonosító"_s, false},
            {row(u"Om Rövid"_s, 25, {{u"OM azonosító"_s, validOm(25).left(10)}}), Status::Error,
             u"nem OM azonosító, mert nem 11 számjegy"_s, false},
            {row(u"Taj Lebegő"_s, 26, {{u"TAJ szám"_s, u"1.23456789E+8"_s}}), Status::Error,
             u"A \"TAJ szám\" oszlopban álló érték (1.23456789E+8) nem TAJ-szám, mert nem 9 számjegy."_s,
             false},
            // a zero lost in a text cell is not guessed back
            {row(u"Taj Rövid"_s, 27, {{u"TAJ szám"_s, validTaj(27).mid(1)}}), Status::Error,
             u"nem TAJ-szám, mert nem 9 számjegy"_s, false},
        };
        QStringList lines;
        for (const Case& c : cases)
            lines << c.line;
        const int before = students();
        intake::Preview* p = open(writeFile(u"hibak.csv"_s, csv(lines)));
        // "02/01/2010" alone does not tell which is the day: asked once, answered "Nem" (day first)
        QCOMPARE(app_.dialogs.shown.size(), size_t(1));
        QVERIFY2(app_.dialogs.shown[0].text.contains(u"02/01/2010: 2010. január 2. vagy 2010. február 1."_s),
                 qPrintable(app_.dialogs.shown[0].text));
        app_.dialogs.clear();
        QCOMPARE(p->sheet().rowCount(), int(std::size(cases)));
        for (int r = 0; r < int(std::size(cases)); ++r) {
            const Case& c = cases[r];
            QVERIFY2(p->status(r) == c.status,
                     qPrintable(p->sheet().cell(r, 0).toString() + u": "_s + p->reason(r)));
            QVERIFY2(c.reason.isEmpty() ? p->reason(r).isEmpty() : p->reason(r).contains(c.reason),
                     qPrintable(p->reason(r)));
            // The whole reason shows under the list for the row chosen.
            beolvasas_form->grid_elonezet->setCurrentIndex(beolvasas_form->sorok->index(r, 1));
            QCOMPARE(
                beolvasas_form->label_ok->text(),
                u"A fájl %1. sora: %2"_s.arg(r + 2).arg(c.reason.isEmpty() ? u"rendben."_s : p->reason(r)));
            QCOMPARE(p->isIncluded(r), c.included);
        }
        QCOMPARE(students(), before); // checking writes nothing
        // two OMs that rounded to the same text are not each other's duplicates
        QVERIFY(!p->reason(rowOf(u"Om Lebegő Másik"_s)).contains(u"is szerepel"_s));

        // The missing class is offered, created by the classes' own procedure, and the row is then ready.
        QVERIFY(beolvasas_form->Button3->isEnabled());
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        beolvasas_form->Button3->click();
        QVERIFY(app_.dialogs.shown.at(0).text.contains(u"9.X"_s));
        // Written as the school writes its classes: "9.x" beside "9.a".
        QCOMPARE(other_->all(u"select osztaly_betu from table_osztaly where osztaly_szam = 9 and "
                             u"upper(osztaly_betu) = 'X'"_s),
                 QStringList{u"x"_s});
        p->checkAll();
        QCOMPARE(p->status(rowOf(u"Nincs Osztály"_s)), Status::Ready);
        QVERIFY(!beolvasas_form->Button3->isEnabled());

        // The list narrowed to what needs a look.
        QComboBox* filter = beolvasas_form->combo_szuro;
        const std::pair<int, int> shown[] = {{1, 25}, {2, 20}, {3, 5}, {0, int(std::size(cases))}};
        for (const auto& [choice, rows] : shown) {
            filter->setCurrentIndex(choice);
            QCOMPARE(beolvasas_form->sorok->rowCount(), rows);
        }

        // A ticked warning goes in; errors never do; the rest is saved with its reasons.
        p->setIncluded(rowOf(u"Bent Béla"_s), true);
        QVERIFY(!beolvasas_form->Button7->isEnabled());
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        beolvasas_form->Button4->click();
        QCOMPARE(students(), before + 6);
        QCOMPARE(app_.dialogs.texts().last(),
                 u"6 tanuló felvéve, 23 sor kimaradt.\r \rA kimaradt sorok okukkal "
                 u"együtt menthetők (Kimaradt sorok mentése…), javítás után újra "
                 u"beolvashatók."_s);
        // The rows that went in with a warning, listed and saved.
        filter->setCurrentIndex(4);
        QCOMPARE(beolvasas_form->sorok->rowCount(), 2);
        outputs_.path = scratchFolder(u"import"_s) + u"/figyelmeztetesek.csv"_s;
        beolvasas_form->Button7->click();
        const intake::Sheet warned = intake::readCsv(outputs_.path, intake::detectCsv(outputs_.path));
        QCOMPARE(warned.headings.last(), u"Figyelmeztetés"_s);
        QCOMPARE(warned.rowCount(), 2);
        QCOMPARE(warned.cell(0, 0), u"Rossz Taj"_s);
        QCOMPARE(warned.cell(1, 0), u"Bent Béla"_s);
        filter->setCurrentIndex(0);
        for (const QString& name : {u"kimaradt.csv"_s, u"kimaradt.xlsx"_s}) {
            outputs_.path = scratchFolder(u"import"_s) + u"/"_s + name;
            beolvasas_form->Button5->click();
            const intake::Sheet left = intake::isXlsx(name)
                                           ? intake::readXlsx(outputs_.path)
                                           : intake::readCsv(outputs_.path, intake::detectCsv(outputs_.path));
            QCOMPARE(left.rowCount(), 23);
            QCOMPARE(left.headings.last(), u"Kimaradás oka"_s);
            QCOMPARE(left.cell(0, 0), u"Város Nélkül"_s);
            QCOMPARE(left.cell(0, 10), u"Hiányzó kötelező adat: Város."_s);
        }
        // Read again, the reason column is no field.
        QCOMPARE(open(outputs_.path)->mapping().back(), Field::None);
    }

    // All rows in one transaction, the other copies told once; the same file again adds nobody.
    void importsOnceAndOnlyOnce() {
        const QString path = writeFile(
            u"harom.csv"_s,
            csv({row(u"Első Ede"_s, 21), row(u"Második Mária"_s, 22), row(u"Harmadik Hugó"_s, 23)}));
        open(path);
        const int before = students();
        QSignalSpy alerts(&DM->uj_diak_esemeny, &db::EventListener::eventAlert);
        QTest::qWait(300); // what earlier tests wrote is told first
        alerts.clear();
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        beolvasas_form->Button4->click();
        QCOMPARE(students(), before + 3);
        QTRY_COMPARE(alerts.count(), 1);
        QTest::qWait(300);
        QCOMPARE(alerts.count(), 1);
        QCOMPARE(alerts.at(0).at(0).toString(), u"uj_diak"_s);
        QCOMPARE(alerts.at(0).at(1).toInt(), 3);
        QCOMPARE(other_->first(u"select szul_hely || evfolyam from table_diak where nev = 'Első Ede'"_s)
                     .toString(),
                 u"Pécs"_s + main_form->edit_akt_tanev->text());

        // the whole import is one line of the log, opening to its students
        main_form->openChild(naplo_form, [] { naplo_form->prepareOpen(); });
        const QStringList events = fieldValues(naplo_form->ds_naplo, u"Esemény"_s);
        QCOMPARE(events.last(), u"Beolvasás: 3 tanuló felvéve"_s);
        clickGridRow(naplo_form->dbg_naplo, static_cast<int>(events.size()) - 1);
        QCOMPARE(sortedSet(fieldValues(naplo_form->ds_reszlet, u"Tanuló"_s)),
                 sortedSet({u"Első Ede"_s, u"Második Mária"_s, u"Harmadik Hugó"_s}));
        QCOMPARE(sortedSet(fieldValues(naplo_form->ds_reszlet, u"Művelet"_s)), QStringList{u"felvétel"_s});
        naplo_form->close();
        QVERIFY(beolvasas_form->isVisible() && beolvasas_form->isEnabled());

        intake::Preview* p = open(path);
        QCOMPARE(p->counts().errors, 3);
        QVERIFY(!beolvasas_form->Button4->isEnabled());
        QCOMPARE(p->importRows(), 0);
        QCOMPARE(students(), before + 3);
    }

    void leavesNothingWhenStoppedOrRefused() {
        const int before = students();
        // Stopped while storing, past the first hundred rows.
        QStringList many;
        for (int i = 0; i < 150; ++i)
            many << row(u"Százötven %1"_s.arg(i), 3000 + i);
        open(writeFile(u"szazotven.csv"_s, csv(many)));
        outputs_.cancelAtRow = 100;
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        beolvasas_form->Button4->click();
        outputs_.cancelAtRow = -1;
        QCOMPARE(app_.dialogs.texts().last(), u"A beolvasás megszakadt; egyetlen tanuló sem került be."_s);
        QCOMPARE(students(), before);

        // A row refused by the database midway: its class went away after the check.
        const QString path =
            writeFile(u"negy.csv"_s, csv({row(u"Negyedik Nóra"_s, 31), row(u"Ötödik Ödön"_s, 32),
                                          row(u"Hatodik Hédi"_s, 33, {{u"Osztály"_s, u"13.q"_s}}),
                                          row(u"Hetedik Hella"_s, 34)}));
        other_->run(u"execute procedure PRC_OSZTALY_FELVETELE(null, null, 'q', -1, '13')"_s);
        intake::Preview* p = open(path);
        QCOMPARE(p->counts().included, 4);
        other_->run(u"delete from table_osztaly where osztaly_szam = 13 and osztaly_betu = 'q'"_s);
        app_.dialogs.clear();
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        beolvasas_form->Button4->click();
        QCOMPARE(app_.dialogs.shown.size(), size_t(2)); // the question, then one error
        QCOMPARE(students(), before);
        QVERIFY(beolvasas_form->isEnabled());
        QCOMPARE(p->counts().imported, 0);
    }

    // The file's values when its columns lack them, and a mapping kept for next time.
    void usesWholeFileValuesAndRemembersTheMapping() {
        const QByteArray file =
            "Tanuló neve;Mikor született;Születési hely;Lakcím;Város;Gondviselő neve;Évfolyam;"
            "Betűjel\nEgész Fájl;2012-03-04;Győr;Híd u. 2.;Győr;Szülő Sára;;\n"
            "Saját Osztály;2012-03-05;Győr;Híd u. 3.;Győr;Szülő Sára;11;c\n";
        intake::Preview* p = open(writeFile(u"egesz.csv"_s, file));
        QCOMPARE(p->mapping()[1], Field::None);
        QVERIFY(p->reason(0).contains(u"Hiányzó kötelező adat: Születési idő, Osztály, Tanult nyelv"_s));
        QComboBox* combo = beolvasas_form->mezoCombo(1);
        combo->setCurrentIndex(combo->findData(int(Field::SzulIdo)));
        emit combo->activated(combo->currentIndex());
        beolvasas_form->combo_osztaly->setCurrentIndex(beolvasas_form->combo_osztaly->findText(u"10.b"_s));
        beolvasas_form->combo_nyelv->setCurrentIndex(beolvasas_form->combo_nyelv->findText(u"német"_s));
        beolvasas_form->edit_tanev->setText(u"2031"_s);
        p->checkAll();
        QCOMPARE(p->counts().ready, 2);
        QCOMPARE(p->importRows(), 2);
        // The "Évfolyam" column is the grade of the class, beside its letter.
        const QString sql =
            u"select o.osztaly_szam || o.osztaly_betu || n.nyelv_nev || d.evfolyam from table_diak d "
            u"join table_osztaly o on o.id = d.osztaly_ID join table_nyelv n on n.id = "
            u"d.tanult_nyelv_ID where d.nev = ?"_s;
        QCOMPARE(other_->first(sql, {u"Egész Fájl"_s}).toString(), u"10bnémet2031"_s);
        QCOMPARE(other_->first(sql, {u"Saját Osztály"_s}).toString(), u"11cnémet2031"_s);
        // Next time the heading brings its field by itself.
        QCOMPARE(open(writeFile(u"egesz2.csv"_s, file))->mapping()[1], Field::SzulIdo);
    }

    // A colleague's import, running or done, never lets the same student in twice.
    void anotherWorkstationImportsTheSameFile() {
        const QString path = writeFile(
            u"ketgep.csv"_s, csv({row(u"Gép Egy"_s, 41), row(u"Gép Kettő"_s, 42), row(u"Gép Három"_s, 43)}));
        intake::Preview* ours = open(path);
        const int before = students();
        // Another import holds the lock: told at once, nothing stored.
        other_->exec(u"update table_beolvasas_zar set ido = current_timestamp where id = 1"_s);
        app_.dialogs.clear();
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        beolvasas_form->Button4->click();
        other_->rollback();
        QVERIFY(
            app_.dialogs.texts().last().startsWith(u"Egy másik munkaállomás éppen tanulókat olvas be."_s));
        QCOMPARE(students(), before);
        QCOMPARE(ours->counts().included, 3);

        // The colleague, on a connection of her own, imports the first row with its OM grouped.
        db::Connection connection;
        attach(connection, app_.db.connectionString);
        QStringList lines = {row(u"Gép Egy"_s, 41, {{u"OM azonosító"_s, grouped(validOm(41))}})};
        intake::Preview theirs(connection);
        const QString theirFile = writeFile(u"ketgep2.csv"_s, csv(lines));
        intake::Sheet sheet = intake::readCsv(theirFile, intake::detectCsv(theirFile));
        const intake::Mapping mapping = intake::guessMapping(sheet.headings, {});
        theirs.setSheet(std::move(sheet), mapping, wholeFileYear());
        theirs.checkAll();
        QCOMPARE(theirs.importRows(), 1);

        // Ours, checked before, stores none and names the row that is now a duplicate.
        app_.dialogs.clear();
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        beolvasas_form->Button4->click();
        QCOMPARE(students(), before + 1);
        QCOMPARE(app_.dialogs.texts().last(),
                 u"Ellenőrzés óta 1 sor tanulója bekerült a nyilvántartásba vagy az archívumba (a fájl 2. "
                 u"sora), ezért egyetlen tanuló sem került be.\r \rEzek a sorok most hibásként látszanak; a "
                 u"többi a „Beolvasás” gombbal újra beolvasható."_s);
        QCOMPARE(ours->status(0), Status::Error);
        QVERIFY2(ours->reason(0).startsWith(u"Ez az OM azonosító időközben bekerült a nyilvántartásba. Ez a "
                                            u"TAJ-szám időközben bekerült a nyilvántartásba."_s),
                 qPrintable(ours->reason(0)));
        QVERIFY(!ours->isIncluded(0));
        // Pressed again, the rest go in.
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        beolvasas_form->Button4->click();
        QCOMPARE(students(), before + 3);
        QCOMPARE(other_->first(u"select count(*) from table_diak where nev starting with 'Gép '"_s).toInt(),
                 3);
    }

    // A file without identifiers: a student is her name and birth date, in capitals or not.
    // Imported by two workstations one after the other, or at once, every student goes in once.
    void importsAFileWithoutIdentifiersOnce() {
        QByteArray file =
            "Név;Születési idő;Születési hely;Lakcím;Város;Gondviselő neve;Osztály;Tanult nyelv\n";
        QStringList names;
        for (int i = 0; i < 12; ++i) {
            names << u"Névtelen Éva %1"_s.arg(QChar(u'A' + i));
            file += u"%1;2011.05.%2.;Pécs;Fő utca 1.;Pécs;Szülő Anna;9.a;angol\n"_s.arg(names.last())
                        .arg(i + 1, 2, 10, QLatin1Char('0'))
                        .toUtf8();
        }
        const QString path = writeFile(u"nevtelen.csv"_s, file);
        auto stored = [&] {
            return other_
                ->first(u"select count(*) from table_diak where upper(nev) starting with 'NÉVTELEN ÉVA '"_s)
                .toInt();
        };
        auto theirs = [&](db::Connection& connection) {
            auto preview = std::make_unique<intake::Preview>(connection);
            intake::Sheet sheet = intake::readCsv(path, intake::detectCsv(path));
            const intake::Mapping mapping = intake::guessMapping(sheet.headings, {});
            preview->setSheet(std::move(sheet), mapping, wholeFileYear());
            preview->checkAll();
            return preview;
        };

        // The colleague's import holds the lock; she stores the students in capitals meanwhile.
        intake::Preview* ours = open(path);
        QCOMPARE(ours->counts().included, 12);
        other_->exec(u"update table_beolvasas_zar set ido = current_timestamp where id = 1"_s);
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        beolvasas_form->Button4->click();
        QVERIFY(
            app_.dialogs.texts().last().startsWith(u"Egy másik munkaállomás éppen tanulókat olvas be."_s));
        for (int i = 0; i < 12; ++i)
            other_->exec(u"insert into table_diak (nev, szul_ido) values (?, ?)"_s,
                         {names[i].toUpper(), QDate(2011, 5, i + 1)});
        other_->commit();
        // "Beolvasás" again, as the message says: nobody twice, and a message that fits the screen.
        app_.dialogs.clear();
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        beolvasas_form->Button4->click();
        QCOMPARE(stored(), 12);
        QCOMPARE(
            app_.dialogs.texts().last(),
            u"Ellenőrzés óta 12 sor tanulója bekerült a nyilvántartásba vagy az archívumba (a fájl 2., 3., "
            u"4., 5., 6., 7., 8., 9., 10., 11. és még 2 sora), ezért egyetlen tanuló sem került be.\r \r"
            u"Ezek a sorok most hibásként látszanak; a többi a „Beolvasás” gombbal újra beolvasható. A "
            u"sorok listája okukkal együtt a „Kimaradt sorok mentése…” gombbal menthető."_s);
        QCOMPARE(ours->reason(11),
                 u"Ugyanilyen nevű és születési idejű tanuló időközben bekerült a nyilvántartásba."_s);
        QCOMPARE(ours->counts().included, 0);

        // A colleague imports the file after our dry run.
        other_->run(u"delete from table_diak where upper(nev) starting with 'NÉVTELEN ÉVA '"_s);
        ours = open(path);
        db::Connection connection;
        attach(connection, app_.db.connectionString);
        QCOMPARE(theirs(connection)->importRows(), 12);
        app_.dialogs.clear();
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        beolvasas_form->Button4->click();
        QCOMPARE(stored(), 12);
        QCOMPARE(ours->counts().errors, 12);

        // Both at once: hers starts once ours has looked every student up again. Ours holds
        // the lock by then, so hers is told to wait; had ours looked before locking, hers
        // would have gone in unseen.
        other_->run(u"delete from table_diak where upper(nev) starting with 'NÉVTELEN ÉVA '"_s);
        ours = open(path);
        const auto hers = theirs(connection);
        QString hersTold;
        AtStep atOnce(intake::kRecheckStep, [&] {
            try {
                hers->importRows();
            } catch (const db::Error& e) {
                hersTold = e.message();
            }
        });
        QCOMPARE(ours->importRows(&atOnce), 12);
        QVERIFY2(hersTold.startsWith(u"Egy másik munkaállomás éppen tanulókat olvas be."_s),
                 qPrintable(hersTold));
        QCOMPARE(stored(), 12);
        // and pressed again, hers finds them all
        hers->recheck();
        hers->checkAll();
        QCOMPARE(hers->counts().included, 0);
    }

    // A wheel notch over a column's field scrolls the list; it turns the field only once the
    // combo was chosen. The choice is kept for later files only by an import that succeeds.
    void turnsAFieldOnlyWhenChosenAndKeepsItOnlyWhenImported() {
        const QString path = writeFile(u"kerek.csv"_s, csv({row(u"Kerék Klára"_s, 81)}));
        intake::Preview* p = open(path);
        constexpr int taj = 8, om = 9;
        QComboBox* combo = beolvasas_form->mezoCombo(taj);
        auto wheel = [&] {
            QWheelEvent e(QPointF(5, 5), combo->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(combo, &e);
        };
        beolvasas_form->activateWindow();
        beolvasas_form->grid_elonezet->setFocus();
        wheel();
        QCOMPARE(combo->currentData().toInt(), int(Field::Taj));
        QCOMPARE(p->mapping()[taj], Field::Taj);
        QCOMPARE(p->status(0), Status::Ready);
        combo->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(combo->hasFocus());
        wheel(); // the next field, which the OM column gives up
        QCOMPARE(p->mapping()[taj], Field::Om);
        QCOMPARE(p->mapping()[om], Field::None);

        auto leaveOutOm = [&] {
            QComboBox* c = beolvasas_form->mezoCombo(om);
            c->setCurrentIndex(c->findData(int(Field::None)));
            emit c->activated(c->currentIndex());
        };
        // Not imported, or refused: the next file is guessed as before.
        p = open(path);
        QCOMPARE(p->mapping()[taj], Field::Taj);
        leaveOutOm();
        other_->exec(u"update table_beolvasas_zar set ido = current_timestamp where id = 1"_s);
        app_.dialogs.clear();
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        beolvasas_form->Button4->click();
        other_->rollback();
        QVERIFY(app_.dialogs.texts().last().startsWith(u"Egy másik munkaállomás"_s));
        QCOMPARE(open(path)->mapping()[om], Field::Om);
        // Imported: kept.
        leaveOutOm();
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        beolvasas_form->Button4->click();
        QCOMPARE(other_->first(u"select count(*) from table_diak where nev = 'Kerék Klára'"_s).toInt(), 1);
        QCOMPARE(open(path)->mapping()[om], Field::None);
        other_->run(u"delete from table_beolvasas_oszlop where fejlec = 'omazonosito'"_s);
    }

    // Every value the import stores is judged storable while checking, not when storing.
    void refusesWhatCannotBeStoredWhileChecking() {
        const std::pair<QByteArray, QString> cases[] = {
            {"anya@example.hu", {}},
            {"anya\x0B@example.hu", u"vezérlőkarakter nem tárolható az adatbázisban"_s},
            {"anya\t@example.hu", u"vezérlőkarakter nem tárolható az adatbázisban"_s},
            {"an\x01ya@example.hu", u"vezérlőkarakter nem tárolható az adatbázisban"_s},
        };
        QByteArray file =
            "Név;Születési idő;Születési hely;Lakcím;Gondviselő neve;Osztály;Tanult nyelv;Tanév;"
            "Gondviselő e-mail\n";
        for (int i = 0; i < int(std::size(cases)); ++i)
            file +=
                u"Tárol %1;2012-03-04;Szeged;6720 Szeged, Kárász utca 1.;Szülő Sára;9.a;angol;2026;"_s.arg(i)
                    .toUtf8() +
                cases[i].first + "\n";
        intake::Preview* p = open(writeFile(u"tarolhato.csv"_s, file));
        for (int i = 0; i < int(std::size(cases)); ++i) {
            QCOMPARE(p->status(i), cases[i].second.isEmpty() ? Status::Ready : Status::Error);
            QVERIFY2(p->reason(i).contains(cases[i].second), qPrintable(p->reason(i)));
            if (!cases[i].second.isEmpty())
                QVERIFY2(p->reason(i).startsWith(u"A \"Gondviselő e-mail\" oszlopban:"_s),
                         qPrintable(p->reason(i)));
        }
        QCOMPARE(p->importRows(), 1);
        QCOMPARE(other_->first(u"select count(*) from table_diak where nev starting with 'Tárol '"_s).toInt(),
                 1);
    }

    // Slash dates in the order the file itself shows; asked once when it does not; never mixed.
    void readsSlashDatesInTheFilesOrder_data() {
        QTest::addColumn<QStringList>("dates");
        QTest::addColumn<int>("answer");         // -1: nothing asked; else "Igen" (month first) or "Nem"
        QTest::addColumn<QStringList>("stored"); // empty: refused
        QTest::newRow("day first") << QStringList{u"6/3/2011"_s, u"13/6/2011"_s} << -1
                                   << QStringList{u"2011-03-06"_s, u"2011-06-13"_s};
        QTest::newRow("month first") << QStringList{u"6/3/2011"_s, u"6/9/2011"_s, u"6/12/2011"_s,
                                                    u"6/13/2011"_s}
                                     << -1
                                     << QStringList{u"2011-06-03"_s, u"2011-06-09"_s, u"2011-06-12"_s,
                                                    u"2011-06-13"_s};
        QTest::newRow("asked, month first") << QStringList{u"6/3/2011"_s, u"6/9/2011"_s, u"5/5/2011"_s} << 1
                                            << QStringList{u"2011-06-03"_s, u"2011-06-09"_s, u"2011-05-05"_s};
        QTest::newRow("asked, day first") << QStringList{u"6/3/2011"_s, u"6/9/2011"_s} << 0
                                          << QStringList{u"2011-03-06"_s, u"2011-09-06"_s};
        QTest::newRow("mixed") << QStringList{u"13/6/2011"_s, u"6/13/2011"_s, u"5/5/2011"_s} << -1
                               << QStringList{QString(), QString(), u"2011-05-05"_s};
    }
    void readsSlashDatesInTheFilesOrder() {
        QFETCH(QStringList, dates);
        QFETCH(int, answer);
        QFETCH(QStringList, stored);
        const QString prefix = u"Perjel %1 "_s.arg(QString::fromLatin1(QTest::currentDataTag()));
        QByteArray file =
            "Név;Születési idő;Születési hely;Lakcím;Város;Gondviselő neve;Osztály;Tanult nyelv\n";
        for (int i = 0; i < dates.size(); ++i)
            file += u"%1%2;%3;Pécs;Fő utca 1.;Pécs;Szülő Anna;9.a;angol\n"_s.arg(prefix)
                        .arg(i)
                        .arg(dates[i])
                        .toUtf8();
        if (answer >= 0) app_.dialogs.answer(answer ? ui::DialogAnswer::Yes : ui::DialogAnswer::No);
        intake::Preview* p = open(writeFile(u"perjel.csv"_s, file));
        QCOMPARE(app_.dialogs.shown.size(), size_t(answer >= 0 ? 1 : 0));
        if (answer >= 0)
            QVERIFY2(app_.dialogs.shown[0].text.contains(
                         u"6/3/2011: 2011. március 6. vagy 2011. június 3.\r6/9/2011: "
                         u"2011. szeptember 6. vagy 2011. június 9."_s),
                     qPrintable(app_.dialogs.shown[0].text));
        QStringList expected;
        for (int i = 0; i < dates.size(); ++i) {
            if (stored[i].isEmpty()) {
                QCOMPARE(p->status(i), Status::Error);
                QVERIFY2(p->reason(i).contains(u"hol nap/hónap/év, hol hónap/nap/év sorrendűek"_s),
                         qPrintable(p->reason(i)));
            } else {
                QVERIFY2(p->status(i) == Status::Ready, qPrintable(p->reason(i)));
                expected << stored[i];
            }
        }
        QCOMPARE(p->importRows(), int(expected.size()));
        QCOMPARE(other_->all(u"select szul_ido from table_diak where nev starting with ? order by nev"_s,
                             {prefix}),
                 expected);
    }

    // A spreadsheet's error value is no data; a number where digits count may have lost a zero.
    void judgesCellsThatHoldNoText() {
        auto rowOf = [](int r, const QString& name, const QByteArray& identifiers) {
            QByteArray xml = textRow(r, {name, u"2011.06.18."_s, u"Pécs"_s, u"Fő utca 1."_s, u"Pécs"_s,
                                         u"Szülő Anna"_s, u"9.a"_s, u"angol"_s});
            return xml.insert(xml.lastIndexOf("</row>"), identifiers);
        };
        const QByteArray taj = validTaj(1234567).toLatin1(); // "0…": its zero shows only by format
        const QByteArray taj2 = validTaj(2345678).toLatin1();
        QByteArray wrongZero = taj.mid(1);
        wrongZero.back() = char('0' + (wrongZero.back() - '0' + 1) % 10);
        const QString path = writeWorkbook(
            scratchFolder(u"cellak"_s) + u"/azonositok.xlsx"_s,
            {{u"Tanulók"_s,
              textRow(1, kHeadings.split(u';')) +
                  rowOf(2, u"Szám Taj"_s, "<c r=\"I2\"><v>" + taj.mid(1) + "</v></c>") +
                  rowOf(3, u"Hiba Om"_s, "<c r=\"J3\" t=\"e\"><f>VLOOKUP(A3,B:C,2,0)</f><v>#N/A</v></c>") +
                  rowOf(4, u"Formázott Taj"_s, "<c r=\"I4\" s=\"1\"><v>" + taj2.mid(1) + "</v></c>") +
                  rowOf(5, u"Rossz Számtaj"_s, "<c r=\"I5\"><v>" + wrongZero + "</v></c>") +
                  rowOf(6, u"Szám Om"_s, "<c r=\"J6\"><v>" + validOm(6262).toLatin1() + "</v></c>")}},
            {u"000000000"_s});
        intake::Preview* p = open(path);
        // the zero a General cell dropped comes back only when the check digit then holds
        QVERIFY2(p->status(0) == Status::Warning, qPrintable(p->reason(0)));
        QCOMPARE(p->reason(0), u"A TAJ-szám kezdő nulláját a táblázat elhagyta (%1); az ellenőrző számjegy "
                               u"alapján visszakerült: %2."_s.arg(QString::fromLatin1(taj.mid(1)),
                                                                  QString::fromLatin1(taj)));
        QCOMPARE(p->status(1), Status::Error);
        QCOMPARE(p->reason(1),
                 u"Az \"OM azonosító\" oszlopban a táblázat hibaértéke áll (#N/A), nem adat."_s);
        QCOMPARE(p->status(2), Status::Ready);
        QCOMPARE(p->status(3), Status::Error);
        QVERIFY2(p->reason(3).startsWith(u"A \"TAJ szám\" oszlopban álló érték (%1) nem TAJ-szám"_s.arg(
                     QString::fromLatin1(wrongZero))),
                 qPrintable(p->reason(3)));
        QCOMPARE(p->status(4), Status::Ready); // eleven digits from 7: no zero to lose
        QCOMPARE(p->importRows(), 3);
        QCOMPARE(other_->all(u"select diak_taj from table_diak where nev in ('Szám Taj', 'Formázott Taj') "
                             u"order by nev desc"_s),
                 (QStringList{QString::fromLatin1(taj), QString::fromLatin1(taj2)}));
    }

    // The further data by their usual headings and the values offices write; what cannot be
    // read keeps the row out with the reason.
    void readsFurtherData() {
        const QByteArray file =
            "Név;Születési idő;Születési hely;Lakcím;Gondviselő neve;Osztály;Tanult nyelv;Tanév;Neme;"
            "Irányítószám;Állampolgárság;SNI;BTMN;HH;HHH;Jogviszony kezdete;Bejáró;Kollégista;Gondviselő "
            "e-mail\n"
            "Adat Anna;2012-03-04;Szeged;6720 Szeged, Kárász utca 1.;Szülő "
            "Sára;9.a;angol;2026;L;6721;magyar, "
            "román;x;;igen;igen;2025.09.01.;x;nem;anya@example.hu\n"
            "Adat Béla;2012-03-05;Szeged;6720 Szeged, Kárász utca 2.;Szülő "
            "Sára;9.a;angol;2026;fiú;;;;x;;;;;;\n"
            "Adat Rossz;2012-03-06;Szeged;6720 Szeged, Kárász utca 3.;Szülő "
            "Sára;9.a;angol;2026;Q;67;;x;x;talán;;"
            "2025.02.30.;;;a@b@c\n";
        intake::Preview* p = open(writeFile(u"tovabbi.csv"_s, file));
        // an empty enrolment takes the server's date, as the record window does
        QCOMPARE(p->defaults().today.toString(Qt::ISODate),
                 other_->all(u"select cast(current_date as varchar(10)) from rdb$database"_s).value(0));
        const Field expected[] = {
            Field::Nem,      Field::Iranyitoszam, Field::Allampolgarsag,    Field::Sni,    Field::Btmn,
            Field::Hh,       Field::Hhh,          Field::JogviszonyKezdete, Field::Bejaro, Field::Kollegista,
            Field::GondEmail};
        for (size_t i = 0; i < std::size(expected); ++i)
            QCOMPARE(p->mapping()[8 + i], expected[i]);
        QCOMPARE(p->status(0), Status::Ready);
        QCOMPARE(p->status(1), Status::Ready);
        QCOMPARE(p->status(2), Status::Error);
        for (const QString& reason :
             {u"A nem nem értelmezhető: Q (jó: F, L, fiú, lány)."_s, u"Az irányítószám négy számjegy: 67."_s,
              u"A \"HH (hátrányos helyzetű)\" oszlopban igen, nem, x vagy üres állhat: talán."_s,
              u"A jogviszony kezdete nem dátum: 2025.02.30. (jó például: 2025.09.01.)."_s,
              u"SNI és BTMN egyszerre nem adható meg: a kettő kizárja egymást."_s})
            QVERIFY2(p->reason(2).contains(reason), qPrintable(p->reason(2)));
        QCOMPARE(p->importRows(), 2);
        QCOMPARE(other_->all(
                     u"select d.nev || '|' || coalesce(a.nem, '-') || '|' || a.iranyitoszam || '|' || "
                     u"a.allampolgarsag || '|' || a.jogviszony_kezdete || '|' || a.bejaro || a.kollegista "
                     u"|| '|' || coalesce(a.gondviselo_email, '-') || '|' || coalesce(b.sni || b.btmn || "
                     u"b.hh || b.hhh, '-') from table_diak d join table_diak_adat a on a.diak_id = d.id "
                     u"left join table_diak_bizalmas b on b.diak_id = d.id where d.nev starting with 'Adat ' "
                     u"order by d.nev"_s),
                 (QStringList{u"Adat Anna|L|6721|magyar, román|2025-09-01|10|anya@example.hu|1011"_s,
                              u"Adat Béla|F|6720|magyar|%1|00|-|0100"_s.arg(
                                  QDate::currentDate().toString(Qt::ISODate))}));
        // part of the registration, not a change of it
        QCOMPARE(other_->all(u"select count(*) from table_naplo where muvelet = 'módosítás' and diak_nev "
                             u"starting with 'Adat '"_s),
                 QStringList{u"0"_s});
    }

    // The statuses' decision and end dates by their usual headings; a date that is no date,
    // one without its status and an end before the decision keep the row out.
    void readsStatusDates() {
        const QByteArray file =
            "Név;Születési idő;Születési hely;Lakcím;Gondviselő neve;Osztály;Tanult nyelv;Tanév;SNI;SNI "
            "határozat kelte;SNI felülvizsgálat;HHH;HHH határozat dátuma;BTMN;BTMN érvényes\n"
            "Dátum Dóra;2012-03-04;Szeged;6720 Szeged, Kárász utca 1.;Szülő "
            "Sára;9.a;angol;2026;x;2024.05.10.;"
            "2027-05-10;igen;2025.01.15.;;\n"
            "Dátum Rossz;2012-03-05;Szeged;6720 Szeged, Kárász utca 2.;Szülő "
            "Sára;9.a;angol;2026;x;2024.13.01.;"
            ";;;;\n"
            "Dátum Nélkül;2012-03-06;Szeged;6720 Szeged, Kárász utca 3.;Szülő Sára;9.a;angol;2026;;;;;;;"
            "2026.06.30.\n"
            "Dátum Fordított;2012-03-07;Szeged;6720 Szeged, Kárász utca 4.;Szülő Sára;9.a;angol;2026;x;"
            "2025.05.10.;2024.05.10.;;;;\n";
        intake::Preview* p = open(writeFile(u"datumok.csv"_s, file));
        const Field expected[] = {Field::Sni,      Field::SniKelte, Field::SniErvenyes, Field::Hhh,
                                  Field::HhhKelte, Field::Btmn,     Field::BtmnErvenyes};
        for (size_t i = 0; i < std::size(expected); ++i)
            QCOMPARE(p->mapping()[8 + i], expected[i]);
        const std::pair<int, QString> refused[] = {
            {1, u"Az \"SNI: határozat kelte\" nem dátum: 2024.13.01. (jó például: 2025.09.01.)."_s},
            {2, u"BTMN: dátum csak megjelölt helyzethez adható meg."_s},
            {3, u"SNI: az érvényesség vége nem lehet korábbi a határozat kelténél!"_s}};
        QCOMPARE(p->status(0), Status::Ready);
        for (const auto& [row, reason] : refused) {
            QCOMPARE(p->status(row), Status::Error);
            QVERIFY2(p->reason(row).contains(reason), qPrintable(p->reason(row)));
        }
        QCOMPARE(p->importRows(), 1);
        QCOMPARE(
            other_
                ->first(u"select b.sni || '|' || b.sni_kelte || '|' || b.sni_ervenyes || '|' || b.hhh || "
                        u"'|' || b.hhh_kelte || '|' || coalesce(b.hhh_ervenyes, '-') || '|' || b.hh from "
                        u"table_diak d join table_diak_bizalmas b on b.diak_id = d.id where d.nev = "
                        u"'Dátum Dóra'"_s)
                .toString(),
            u"1|2024-05-10|2027-05-10|1|2025-01-15|-|0"_s);
    }

    // An intake with sex, postcode and statuses is stored in blocks like any other: every row
    // with its own further data, the statuses only where given, none of it logged apart.
    void storesManyRowsWithFurtherDataInBlocks() {
        QStringList lines{
            u"Név;Születési idő;Születési hely;Lakcím;Gondviselő neve;Osztály;Tanult nyelv;Tanév;"
            u"Neme;Irányítószám;SNI;SNI határozat kelte"_s};
        constexpr int kRows = 230; // more than two blocks, the last one short
        for (int i = 0; i < kRows; ++i)
            lines
                << u"Blokk %1;2012-03-04;Szeged;6720 Szeged, Kárász utca %1.;Szülő Sára;9.a;angol;2026;%2;%3;%4;%5"_s
                       .arg(i)
                       .arg(i % 2 ? u"L"_s : u"F"_s)
                       .arg(1000 + i)
                       .arg(i % 10 == 0 ? u"x"_s : QString())
                       .arg(i % 10 == 0 ? u"2025.01.%1."_s.arg(1 + i / 10, 2, 10, QLatin1Char('0'))
                                        : QString());
        intake::Preview* p = open(writeFile(u"blokkok.csv"_s, lines.join(u"\n"_s).toUtf8()));
        const qint64 logMark = other_->first(u"select gen_id(gen_naplo, 0) from rdb$database"_s).toLongLong();
        QCOMPARE(p->importRows(), kRows);
        QCOMPARE(
            other_
                ->first(u"select count(*) || '|' || sum(iif(a.nem = 'L', 1, 0)) || '|' || "
                        u"sum(iif(a.iranyitoszam = 1000 + cast(substring(d.nev from 7) as integer), 1, 0)) "
                        u"from table_diak d join table_diak_adat a on a.diak_id = d.id where d.nev "
                        u"starting with 'Blokk '"_s)
                .toString(),
            u"230|115|230"_s);
        QCOMPARE(
            other_->all(u"select substring(d.nev from 7) || ':' || b.sni_kelte from table_diak d join "
                        u"table_diak_bizalmas b on b.diak_id = d.id where d.nev starting with 'Blokk ' and "
                        u"b.sni = 1 order by 1 rows 3"_s),
            (QStringList{u"0:2025-01-01"_s, u"10:2025-01-02"_s, u"100:2025-01-11"_s}));
        QCOMPARE(
            other_
                ->first(u"select count(*) from table_diak d join table_diak_bizalmas b on b.diak_id = d.id "
                        u"where d.nev starting with 'Blokk '"_s)
                .toInt(),
            23);
        QCOMPARE(other_
                     ->first(u"select count(*) from table_naplo where id > :m and muvelet <> 'felvétel'"_s,
                             {logMark})
                     .toInt(),
                 0);
    }

    // An address in one cell split into town and street; the guardian's address whole.
    void readsWholeAddresses() {
        const QByteArray file =
            "Név;Születési idő;Születési hely;Lakcím;Irányítószám;Gondviselő neve;Osztály;Tanult "
            "nyelv;Tanév\n"
            "Cím Egyben;2012-03-04;Kecskemét;6000 Kecskemét, Petőfi Sándor utca 10.;6000;Szülő "
            "Sára;9.a;angol;"
            "2026\n"
            "Cím Másik;2012-03-05;Szeged;6720  Szeged,Kárász utca 1.;6720;Szülő Sára;9.a;angol;2026\n"
            "Cím Rossz;2012-03-06;Szeged;Kárász utca 2.;6720;Szülő Sára;9.a;angol;2026\n"
            // the street first, a "H-" before the postcode: each part placed, the postcode kept
            "Cím Fordított;2012-03-07;Szeged;Kárász utca 5., 6720 Szeged;;Szülő Sára;9.a;angol;2026\n"
            "Cím Előtaggal;2012-03-08;Kecskemét;H-6000 Kecskemét, Fő utca 5.;;Szülő Sára;9.a;angol;2026\n"
            // nothing tells the town from the street: a guess shown, not stored unless ticked
            "Cím Kétes;2012-03-09;Kecskemét;Kecskemét, Fő utca;6000;Szülő Sára;9.a;angol;2026\n";
        intake::Preview* p = open(writeFile(u"lakcim.csv"_s, file));
        QCOMPARE(p->mapping()[3], Field::Lakcim);
        QCOMPARE(p->mapping()[4], Field::Iranyitoszam);
        QCOMPARE(beolvasas_form->mezoCombo(4)->currentText(), u"Irányítószám"_s);
        QCOMPARE(p->status(0), Status::Ready);
        QCOMPARE(p->status(1), Status::Ready);
        QCOMPARE(p->status(2), Status::Error);
        QVERIFY2(p->reason(2).startsWith(u"A lakcím nem bontható irányítószámra, városra és utcára"_s),
                 qPrintable(p->reason(2)));
        QCOMPARE(p->status(3), Status::Ready);
        QCOMPARE(p->status(4), Status::Ready);
        QCOMPARE(p->status(5), Status::Warning);
        QCOMPARE(p->reason(5),
                 u"A lakcímből nem dönthető el, melyik rész a város: városnak „Kecskemét”, utcának "
                 u"„Fő utca” kerülne be. Csak bejelölve kerül be."_s);
        QVERIFY(!p->isIncluded(5));
        QCOMPARE(p->importRows(), 4);
        QCOMPARE(other_->all(u"select diak_cim || '|' || diak_cim_varos || '|' || gondviselo_cim from "
                             u"table_diak where nev starting with 'Cím ' order by nev"_s),
                 (QStringList{u"Petőfi Sándor utca 10.|Kecskemét|Kecskemét, Petőfi Sándor utca 10."_s,
                              u"Fő utca 5.|Kecskemét|Kecskemét, Fő utca 5."_s,
                              u"Kárász utca 5.|Szeged|Szeged, Kárász utca 5."_s,
                              u"Kárász utca 1.|Szeged|Szeged, Kárász utca 1."_s}));
        // the postcode is kept with the further data, from its column or from the address
        QCOMPARE(other_->all(u"select a.iranyitoszam from table_diak d join table_diak_adat a on a.diak_id = "
                             u"d.id where d.nev starting with 'Cím ' order by d.nev"_s),
                 (QStringList{u"6000"_s, u"6000"_s, u"6720"_s, u"6720"_s}));

        // A guardian's address that would not fit with its town: the street alone, and a warning.
        p = open(writeFile(
            u"hosszu.csv"_s,
            csv({row(u"Hosszú Cím"_s, 61, {{u"Lakcím"_s, QString(146, u'h')}}), row(u"Rövid Cím"_s, 62)})));
        QVERIFY2(p->status(0) == Status::Warning, qPrintable(p->reason(0)));
        QCOMPARE(p->reason(0),
                 u"A gondviselő címe a várossal együtt nem fér el (152 karakter, legfeljebb 150): "
                 u"város nélkül került be."_s);
        QCOMPARE(p->importRows(), 2);
        QCOMPARE(
            other_->all(u"select char_length(gondviselo_cim) from table_diak where nev in ('Hosszú Cím', "
                        u"'Rövid Cím') order by nev"_s),
            (QStringList{u"146"_s, u"16"_s}));
    }

    // The window as the office uses it: "Tallózás…" reads the file chosen; a file that cannot
    // be read is told over the window with a Hungarian title; Enter presses "Beolvasás"; Esc
    // asks before losing a file set up but not imported, and not after.
    void theWindowsButtonsAndKeys() {
        const QString broken = writeFile(u"rossz.xlsx"_s, "PK\x03\x04 nem munkafüzet");
        outputs_.openPath = broken;
        beolvasas_form->Button1->click();
        QCOMPARE(app_.dialogs.shown.size(), size_t(1));
        QCOMPARE(app_.dialogs.shown[0].kind, ui::DialogKind::Error);
        QCOMPARE(app_.dialogs.shown[0].title, u"Hiba"_s);
        QCOMPARE(app_.dialogs.shown[0].window, beolvasas_form);
        QVERIFY2(app_.dialogs.shown[0].text.startsWith(u"A rossz.xlsx fájl"_s),
                 qPrintable(app_.dialogs.shown[0].text));

        outputs_.openPath = writeFile(u"billentyu.csv"_s, csv({row(u"Billentyű Béla"_s, 71)}));
        app_.dialogs.clear();
        beolvasas_form->Button1->click();
        QVERIFY(app_.dialogs.shown.empty());
        QCOMPARE(beolvasas_form->preview->sheet().rowCount(), 1);
        const int before = students();
        beolvasas_form->activateWindow();
        QTest::keyClick(beolvasas_form, Qt::Key_Escape); // "Nem": the work stays
        QCOMPARE(app_.dialogs.shown.size(), size_t(1));
        QCOMPARE(app_.dialogs.shown[0].title, u"Kérdés"_s);
        QVERIFY(beolvasas_form->isVisible());
        beolvasas_form->grid_elonezet->setFocus();
        QTest::keyClick(beolvasas_form, Qt::Key_Return); // "Beolvasás", answered "Nem"
        QCOMPARE(app_.dialogs.shown.back().text, u"1 tanuló felvétele egy lépésben.\r \rFolytatja?"_s);
        QCOMPARE(students(), before);
        app_.dialogs.answer(ui::DialogAnswer::Yes);
        QTest::keyClick(beolvasas_form, Qt::Key_Return);
        QCOMPARE(students(), before + 1);
        app_.dialogs.clear();
        QTest::keyClick(beolvasas_form, Qt::Key_Escape); // imported: nothing to lose
        QVERIFY(!beolvasas_form->isVisible());
        QCOMPARE(app_.dialogs.shown.size(), size_t(0));
        outputs_.openPath.clear();
    }
};

QTEST_MAIN(ImportTest)
#include "test_import.moc"
