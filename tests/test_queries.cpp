// The queries window on the whole program and a real database: the shipped queries,
// the pickers, refused files, and what it prints and saves.
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>
#include <zip.h>

#include "TestSupport.h"
#include "data/DataModule.h"
#include "db/Transaction.h"
#include "db/Values.h"
#include "main/main__form.h"
#include "output/Xlsx.h"
#include "queries/Lekerdezes.h"
#include "queries/lekerdezesek__form.h"

using namespace Qt::StringLiterals;
using testing::ProgramFixture;
using testing::rows;
using testing::value;
using ui::DialogKind;

namespace {

const QStringList kShipped{u"Osztálynévsor"_s,
                           u"Létszám osztályonként"_s,
                           u"Létszám évfolyamonként és nyelvenként"_s,
                           u"Tantárgyfelosztás"_s,
                           u"Tantárgyfelosztás egy tanárra"_s,
                           u"Születésnapok a következő 30 napban"_s,
                           u"Osztálytörténet (a választott osztály tanulói)"_s,
                           u"Kilépett tanulók a választott tanévben"_s,
                           u"Októberi statisztika (október 1-jei állapot)"_s,
                           u"Osztálynévsor nemmel és irányítószámmal"_s};
const QStringList kClassListColumns{
    u"Ssz."_s,         u"Név"_s,    u"Születési hely"_s, u"Születési idő"_s, u"TAJ szám"_s,
    u"OM azonosító"_s, u"Lakcím"_s, u"Anyja neve"_s,     u"Gondviselő"_s,    u"Telefon"_s};

QString folder() {
    return DM->programFolder + u"sqls/"_s + queries::kFolder;
}

// The program with the shipped query files in its folder, the window open.
bool start(ProgramFixture& app, const QString& name, const QStringList& options) {
    if (!app.start(name, options)) return false;
    QDir().mkpath(folder());
    const QDir shipped(testing::sourceDir() + u"/sqls/"_s + queries::kFolder);
    for (const QString& f : shipped.entryList({u"*.sql"_s}, QDir::Files))
        QFile::copy(shipped.filePath(f), folder() + f);
    main_form->Button7->click();
    return lekerdezesek_form->isVisible();
}

void addQuery(const QString& file, const QString& text) {
    QFile f(folder() + file);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.toUtf8());
    f.close();
    lekerdezesek_form->lekerdezesek_feltolt();
}

// Chooses as the user does: the item, then its activation.
void pick(QComboBox* combo, int index) {
    QVERIFY(index >= 0);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}
void choose(const QString& title) {
    pick(lekerdezesek_form->combo_lekerdezes, lekerdezesek_form->combo_lekerdezes->findText(title));
}
void pickId(ui::IdComboBox* combo, int id) {
    for (int i = 0; i < combo->count(); ++i)
        if (ui::itemId(combo->itemText(i)) == id) return pick(combo, i);
    QFAIL(qPrintable(u"no item with id %1"_s.arg(id)));
}

// What the grid shows, every row fetched; the column titles first when asked.
QList<QStringList> grid(bool titles = false) {
    db::Dataset* list = lekerdezesek_form->ds_eredmeny;
    list->fetchAll();
    QList<QStringList> out;
    for (int r = titles ? -1 : 0; r < list->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < list->columnCount(); ++c)
            row << (r < 0 ? list->fieldName(c) : db::displayText(list->value(r, c)));
        out << row;
    }
    return out;
}
QStringList column(int c) {
    QStringList out;
    for (const QStringList& row : grid())
        out << row.value(c);
    return out;
}
QStringList firstFields(const QStringList& lines) {
    QStringList out;
    for (const QString& l : lines)
        out << l.section(u';', 0, 0);
    return out;
}
int count(const QString& sql, const QVariantList& params = {}) {
    return value(sql, params).toInt();
}
// Name and count pairs of a two-column select.
QMap<QString, int> counts(const QString& sql) {
    QMap<QString, int> out;
    for (const QString& line : rows(sql))
        out[line.section(u';', 0, 0)] = line.section(u';', 1, 1).toInt();
    return out;
}
int largestClass() {
    return value(u"select first 1 osztaly_ID from table_diak group by osztaly_ID order by count(*) desc"_s)
        .toInt();
}

void checkVisibleLayout() {
    const QString problem = testing::layoutProblem(lekerdezesek_form);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QList<QStringList> parseCsv(const QString& text) {
    static const QRegularExpression field(u"(\"(?:[^\"]|\"\")*\"|[^;\r\n\"]*)(;|\r\n)"_s);
    QList<QStringList> out{{}};
    for (const QRegularExpressionMatch& m : field.globalMatch(text)) {
        QString v = m.captured(1);
        if (v.startsWith(u'"')) v = v.mid(1, v.size() - 2).replace(u"\"\""_s, u"\""_s);
        out.last() << output::csvText(v);
        if (m.captured(2) == "\r\n"_L1) out << QStringList();
    }
    out.removeLast();
    return out;
}

QString run(const QString& program, const QStringList& args) {
    const QString exe = QStandardPaths::findExecutable(program);
    if (exe.isEmpty()) return u"<%1 missing: poppler-utils is installed by ./test.sh>"_s.arg(program);
    QProcess p;
    p.start(exe, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}
int pages(const QString& pdf) {
    static const QRegularExpression re(u"Pages:\\s+(\\d+)"_s);
    return re.match(run(u"pdfinfo"_s, {pdf})).captured(1).toInt();
}

// What a spreadsheet program reads from a written workbook.
class Workbook {
  public:
    explicit Workbook(const QString& file) {
        int error = 0;
        if (zip_t* z = zip_open(QFile::encodeName(file).constData(), ZIP_RDONLY, &error)) {
            sheet = member(z, "xl/worksheets/sheet1.xml");
            book = member(z, "xl/workbook.xml");
            styles = member(z, "xl/styles.xml");
            zip_discard(z);
        }
    }
    // The cell's element; empty when nothing was written there.
    QString cell(const QString& ref) const {
        return match(u"<c r=\"%1\"[^>]*(/>|>.*?</c>)"_s.arg(ref), sheet, 0);
    }
    QString text(const QString& ref) const {
        return match(u"t=\"inlineStr\"><is><t[^>]*>(.*?)</t>"_s, cell(ref));
    }
    // A number's or a date's value; empty for text.
    QString number(const QString& ref) const { return match(u"^<c [^t]*><v>(.*?)</v>"_s, cell(ref)); }
    // The number format of the cell's style; empty for the general one.
    QString format(const QString& ref) const {
        return match(u"numFmtId=\"%1\" formatCode=\"([^\"]*)\""_s.arg(style(ref, u"numFmtId"_s)), styles);
    }
    bool bold(const QString& ref) const {
        const QString fonts = match(u"<fonts [^>]*>(.*?)</fonts>"_s, styles);
        return fonts.split(u"</font>"_s).value(style(ref, u"fontId"_s).toInt()).contains(u"<b/>"_s);
    }
    int rows() const { return static_cast<int>(sheet.count(u"<row "_s)); }
    QString sheet, book, styles;

  private:
    static QString member(zip_t* z, const char* name) {
        zip_stat_t st;
        zip_file_t* f = zip_stat(z, name, 0, &st) == 0 ? zip_fopen(z, name, 0) : nullptr;
        if (!f) return {};
        QByteArray bytes(static_cast<qsizetype>(st.size), '\0');
        const bool whole = zip_fread(f, bytes.data(), st.size) == static_cast<zip_int64_t>(st.size);
        zip_fclose(f);
        return whole ? QString::fromUtf8(bytes) : QString();
    }
    static QString match(const QString& pattern, const QString& in, int group = 1) {
        return QRegularExpression(pattern).match(in).captured(group);
    }
    // An attribute of the cell's style: the s-th of the cell formats.
    QString style(const QString& ref, const QString& attribute) const {
        const QString xfs = match(u"<cellXfs [^>]*>(.*?)</cellXfs>"_s, styles);
        const QString xf = xfs.split(u"<xf "_s).value(match(u" s=\"(\\d+)\""_s, cell(ref)).toInt() + 1);
        return match(u"%1=\"(\\d+)\""_s.arg(attribute), xf);
    }
};

// Gives the file dialogs' and the print dialog's answers.
class FakeOutputs : public output::OutputService {
  public:
    FakeOutputs() { output::setOutputService(this); }
    ~FakeOutputs() override { output::setOutputService(nullptr); }
    QString saveFileName(QWidget*, const QString&, const QString& suggested, const QString&) override {
        suggestions << suggested;
        return path;
    }
    bool choosePrinter(QWidget*, QPrinter& printer) override {
        if (!accept) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return true;
    }
    // Long work stops at the given step (-1: never), and every step is counted.
    class Stopping : public output::Progress {
      public:
        explicit Stopping(FakeOutputs& o) : o_(o) {}
        bool step(const QString&, qint64, qint64) override { return o_.cancelAt != o_.steps++; }

      private:
        FakeOutputs& o_;
    };
    std::unique_ptr<output::Progress> progress(QWidget*) override {
        return std::make_unique<Stopping>(*this);
    }
    QString path;
    bool accept = true; // the print dialog's answer
    QStringList suggestions;
    int cancelAt = -1;
    int steps = 0;
};

} // namespace

class QueriesTest : public QObject {
    Q_OBJECT

  private slots:
    void opensFromTheMainWindowAndClosesBack() {
        ProgramFixture app;
        QVERIFY(start(app, u"look"_s, {u"--students"_s, u"3"_s}));
        Tlekerdezesek_form* f = lekerdezesek_form;
        QVERIFY(!main_form->isEnabled());
        QCOMPARE(main_form->windowOpacity(), Tmain_form::kDimmed);
        QStringList titles;
        for (int i = 0; i < f->combo_lekerdezes->count(); ++i)
            titles << f->combo_lekerdezes->itemText(i);
        QCOMPARE(titles, kShipped);
        QCOMPARE(f->combo_lekerdezes->currentIndex(), -1);
        QVERIFY(f->combo_osztaly->isHidden() && f->combo_tanar->isHidden());
        for (QPushButton* b : {f->Button1, f->Button2, f->Button3, f->Button5})
            QVERIFY(!b->isEnabled());
        QCOMPARE(f->label_tanev->text(), u"Aktuális tanév: %1/%2"_s.arg(main_form->edit_akt_tanev->text(),
                                                                        main_form->edit_akt_tanev2->text()));
        checkVisibleLayout();
        QVERIFY(app.dialogs.shown.empty());

        choose(kShipped[1]);
        QVERIFY(f->ds_eredmeny->isOpen());
        QVERIFY(f->Button1->isEnabled());
        f->Button4->click();
        QVERIFY(!f->isVisible());
        QVERIFY(!f->ds_eredmeny->isOpen()); // no cursor left behind the hidden window
        QVERIFY(main_form->isEnabled());
        QCOMPARE(main_form->windowOpacity(), 1.0);
    }

    void shippedQueriesReturnWhatTheDatabaseHolds() {
        ProgramFixture app;
        QVERIFY(start(app, u"shipped"_s, {u"--demo"_s}));
        Tlekerdezesek_form* f = lekerdezesek_form;
        QSignalSpy ended(&DM->trTanulo, &db::Transaction::ending);
        const int students = count(u"select count(*) from table_diak"_s);

        // the class list: the class's students in name order
        const int cls = largestClass();
        choose(kShipped[0]);
        pickId(f->combo_osztaly, cls);
        QCOMPARE(grid(true)[0], kClassListColumns);
        QCOMPARE(column(1),
                 firstFields(
                     rows(u"select nev from table_diak where osztaly_ID = :id order by nev, id"_s, {cls})));
        QVERIFY(QRegularExpression(u"^\\d{4}\\.\\d\\d\\.\\d\\d\\.$"_s).match(grid()[0][3]).hasMatch());

        // headcount by class: every class, rows adding up to the total row
        choose(kShipped[1]);
        QList<QStringList> result = grid();
        QCOMPARE(result.size(), count(u"select count(*) from table_osztaly"_s) + 1);
        QCOMPARE(result.last()[0], u"Összesen"_s);
        QCOMPARE(result.last()[3].toInt(), students);
        int sum = 0;
        for (const QStringList& row : result.mid(0, result.size() - 1))
            sum += row[3].toInt();
        QCOMPARE(sum, students);
        QCOMPARE(result[0][2], value(u"select t.nev from table_osztaly o join table_tanar t on "
                                     u"t.id = o.osztalyfonok_id order by o.osztaly_szam, o.osztaly_betu"_s));
        // boys, girls and the unrecorded add up to each row's count
        for (const QStringList& row : result)
            QCOMPARE(row[4].toInt() + row[5].toInt() + row[6].toInt(), row[3].toInt());
        QCOMPARE(result.last()[5].toInt(),
                 count(u"select count(*) from table_diak d join table_diak_adat a on a.diak_id = d.id "
                       u"where a.nem = 'L'"_s));

        // by grade and language: each grade and the school add up, and match the tables
        choose(kShipped[2]);
        QMap<QString, int> sums, totals, languages;
        for (const QStringList& row : grid()) {
            (row[1] == u"összesen"_s ? totals[row[0]] : sums[row[0]]) += row[2].toInt();
            if (row[0] == u"Összesen"_s && row[1] != u"összesen"_s) languages[row[1]] = row[2].toInt();
        }
        QCOMPARE(sums, totals);
        QCOMPARE(totals.take(u"Összesen"_s), students);
        QCOMPARE(totals, counts(u"select o.osztaly_szam || '. évfolyam', count(*) from table_diak d join "
                                u"table_osztaly o on o.id = d.osztaly_ID group by 1"_s));
        QCOMPARE(languages, counts(u"select n.nyelv_nev, count(*) from table_diak d join table_nyelv n on "
                                   u"n.id = d.tanult_nyelv_ID group by 1"_s));

        // the teaching plan, whole and for one teacher
        choose(kShipped[3]);
        QCOMPARE(grid(true)[0], (QStringList{u"Osztály"_s, u"Tantárgy"_s, u"Tanár"_s}));
        QCOMPARE(grid().size(), count(u"select count(*) from table_osztaly_targy"_s));
        const int teacher = value(u"select first 1 tanar_id from table_osztaly_targy group by 1 order by "
                                  u"count(*) desc"_s)
                                .toInt();
        choose(kShipped[4]);
        pickId(f->combo_tanar, teacher);
        QCOMPARE(grid().size(),
                 count(u"select count(*) from table_osztaly_targy where tanar_id = :t"_s, {teacher}));
        QVERIFY(grid().size() > 1);

        // birthdays: today and the next 30 days, 29 February falling on the 28th
        const QDate today = QDate::currentDate();
        auto inYear = [](QDate born, int year) {
            const QDate d(year, born.month(), born.day());
            return d.isValid() ? d : QDate(year, born.month(), 28);
        };
        QStringList expected;
        for (const QString& line :
             rows(u"select nev, szul_ido from table_diak where szul_ido is not null"_s)) {
            const QDate born = db::parseDate(line.section(u';', 1, 1));
            QDate next = inYear(born, today.year());
            if (next < today) next = inYear(born, today.year() + 1);
            if (next <= today.addDays(30))
                expected << next.toString(db::kDateFormat) + u' ' + line.section(u';', 0, 0);
        }
        choose(kShipped[5]);
        QStringList got;
        for (const QStringList& row : grid())
            got << row[0] + u' ' + row[1];
        expected.sort();
        got.sort();
        QCOMPARE(got, expected);
        QVERIFY(!got.isEmpty());

        // the class history: every row of the class's students, each student's years in order
        choose(kShipped[6]);
        pickId(f->combo_osztaly, cls);
        QCOMPARE(grid().size(),
                 count(u"select count(*) from table_osztaly_tortenet t join table_diak d on d.id = "
                       u"t.diak_id where d.osztaly_ID = %1"_s.arg(cls)));
        QCOMPARE(column(2).filter(u"."_s).size(), grid().size());
        // the leavers of a school year: the program's first, then one chosen in the window
        const QString leavers =
            u"select count(*) from table_diak_archiv where kilepes_datum >= '%1-09-01' and "
            u"kilepes_datum < '%2-09-01'"_s;
        choose(kShipped[7]);
        QVERIFY(!f->combo_tanev->isHidden() && f->combo_osztaly->isHidden() && f->combo_tanar->isHidden());
        QCOMPARE(f->combo_tanev->currentText(),
                 main_form->edit_akt_tanev->text() + u'/' + main_form->edit_akt_tanev2->text());
        QCOMPARE(grid().size(),
                 count(leavers.arg(main_form->edit_akt_tanev->text(), main_form->edit_akt_tanev2->text())));
        const int earliest = count(u"select min(extract(year from dateadd(-8 month to kilepes_datum))) from "
                                   u"table_diak_archiv"_s);
        QVERIFY(earliest < main_form->edit_akt_tanev->text().toInt());
        pick(f->combo_tanev, f->combo_tanev->findData(earliest));
        QCOMPARE(grid().size(), count(leavers.arg(earliest).arg(earliest + 1)));
        QVERIFY(!grid().isEmpty());
        checkVisibleLayout();

        // the grid fetches as it scrolls; what is handed over has every row
        addQuery(u"mind.sql"_s, u"-- Mind\nselect nev from table_diak"_s);
        choose(u"Mind"_s);
        QCOMPARE(f->ds_eredmeny->rowCount(), db::Dataset::kBatch);
        QCOMPARE(f->label_sorok->text(),
                 u"Sorok száma: legalább %1 (a többi görgetéskor töltődik be)"_s.arg(db::Dataset::kBatch));
        QCOMPARE(f->jelentes().rowCount(), students);
        QCOMPARE(f->label_sorok->text(), u"Sorok száma: %1"_s.arg(students));

        QVERIFY(app.dialogs.shown.empty());
        QCOMPARE(ended.count(), 0); // nothing committed or rolled back
    }

    void pickerFollowsTheParameter() {
        ProgramFixture app;
        QVERIFY(start(app, u"picker"_s, {u"--students"_s, u"40"_s}));
        Tlekerdezesek_form* f = lekerdezesek_form;

        choose(kShipped[0]);
        QVERIFY(!f->combo_osztaly->isHidden() && f->combo_tanar->isHidden());
        QVERIFY(!f->ds_eredmeny->isOpen());
        QCOMPARE(f->label_sorok->text(), u"Válasszon osztályt!"_s);
        QVERIFY(!f->Button2->isEnabled());
        checkVisibleLayout();

        choose(kShipped[4]);
        QVERIFY(f->combo_osztaly->isHidden() && !f->combo_tanar->isHidden());
        QCOMPARE(f->Label3->x(), f->Label2->x()); // the one picker stands first
        QCOMPARE(f->label_sorok->text(), u"Válasszon tanárt!"_s);
        checkVisibleLayout();

        choose(kShipped[1]);
        QVERIFY(f->combo_osztaly->isHidden() && f->combo_tanar->isHidden());
        QVERIFY(f->ds_eredmeny->isOpen()); // nothing to pick: it runs at once

        // the school year comes from the main window; a file without a title line is named by its file
        addQuery(u"tanev.sql"_s, u"select count(*) as \"Db\" from table_diak where evfolyam = :TANEV"_s);
        choose(u"tanev"_s);
        QVERIFY(f->combo_osztaly->isHidden() && f->combo_tanar->isHidden());
        const int year = main_form->edit_akt_tanev->text().toInt();
        QCOMPARE(grid()[0][0].toInt(),
                 count(u"select count(*) from table_diak where evfolyam = :y"_s, {year}));
        QVERIFY(grid()[0][0].toInt() > 0);
        main_form->edit_akt_tanev->setText(QString::number(year - 5));
        choose(u"tanev"_s);
        QCOMPARE(grid()[0][0], u"0"_s);

        // both pickers, side by side; the result waits for both choices
        addQuery(u"ketto.sql"_s, u"-- Kettő\nselect count(*) from table_osztaly_targy where osztaly_id = "
                                 u":osztaly_id and tanar_id = :tanar_id"_s);
        f->valasztok_feltolt(); // no earlier choice
        choose(u"Kettő"_s);
        QVERIFY(!f->combo_osztaly->isHidden() && !f->combo_tanar->isHidden());
        checkVisibleLayout();
        const QStringList pair =
            rows(u"select first 1 osztaly_id, tanar_id from table_osztaly_targy"_s)[0].split(u';');
        pickId(f->combo_osztaly, pair[0].toInt());
        QVERIFY(!f->ds_eredmeny->isOpen());
        pickId(f->combo_tanar, pair[1].toInt());
        QCOMPARE(grid()[0][0], value(u"select count(*) from table_osztaly_targy where osztaly_id = :o and "
                                     u"tanar_id = :t"_s,
                                     {pair[0].toInt(), pair[1].toInt()}));
        QVERIFY(grid()[0][0].toInt() > 0);
        QVERIFY(app.dialogs.shown.empty());
    }

    void badFilesAreRefusedAndTheWindowStaysUsable() {
        ProgramFixture app;
        QVERIFY(start(app, u"bad"_s, {u"--students"_s, u"40"_s}));
        Tlekerdezesek_form* f = lekerdezesek_form;
        QSignalSpy ended(&DM->trTanulo, &db::Transaction::ending);
        const QString before = rows(u"select count(*), max(nev) from table_diak"_s).join(u'|');
        auto usable = [&] {
            app.dialogs.clear();
            choose(kShipped[1]);
            QVERIFY(f->ds_eredmeny->isOpen());
            QVERIFY(f->Button3->isEnabled());
            QVERIFY(app.dialogs.shown.empty());
        };
        auto refused = [&](const QString& title, DialogKind kind, const QString& part) {
            app.dialogs.clear();
            choose(title);
            QCOMPARE(app.dialogs.shown.size(), size_t(1)); // said once
            QCOMPARE(app.dialogs.shown[0].kind, kind);
            QVERIFY2(app.dialogs.shown[0].text.contains(part), qPrintable(app.dialogs.shown[0].text));
            QVERIFY2(app.dialogs.shown[0].text.contains(u"„%1”"_s.arg(title)), qPrintable(title));
            QVERIFY(!f->ds_eredmeny->isOpen());
            QVERIFY(!f->Button1->isEnabled() && !f->Button2->isEnabled() && !f->Button3->isEnabled());
            QCOMPARE(f->label_sorok->text(), u"A lekérdezés nem futtatható."_s);
            usable();
        };

        addQuery(u"hibas.sql"_s, u"-- Hibás\nselect nincs_ilyen from table_diak"_s);
        refused(u"Hibás"_s, DialogKind::Error, u"NINCS_ILYEN"_s);

        addQuery(u"ismeretlen.sql"_s, u"-- Ismeretlen\nselect * from table_diak where id = :diak_id"_s);
        refused(u"Ismeretlen"_s, DialogKind::Warning, u"ismeretlen paramétert használ: :diak_id"_s);

        // the server's word decides, whatever the text looks like
        const QString notSelect = u"nem egyszerű SELECT utasítás"_s;
        addQuery(u"torles.sql"_s, u"-- Törlés\ndelete from table_diak"_s);
        refused(u"Törlés"_s, DialogKind::Warning, notSelect);
        addQuery(u"alcazott.sql"_s, u"-- Álcázott\n/* select */ update table_diak set nev = 'x' || nev"_s);
        refused(u"Álcázott"_s, DialogKind::Warning, notSelect);
        addQuery(u"zarolo.sql"_s, u"-- Zároló\nselect * from table_diak with lock"_s);
        refused(u"Zároló"_s, DialogKind::Warning, notSelect);
        addQuery(u"eljaras.sql"_s, u"-- Eljárás\nexecute procedure PRC_TANAR_ELTAVOLITAS(1)"_s);
        refused(u"Eljárás"_s, DialogKind::Warning, notSelect);

        // a select that writes all the same is refused by the server, and leaves nothing behind
        // for the next save to commit
        addQuery(u"blokk.sql"_s,
                 u"-- Blokk\nexecute block returns (n integer) as begin delete from table_diak; "
                 u"n = 1; suspend; end"_s);
        refused(u"Blokk"_s, DialogKind::Error, u"a lekérdezések csak olvashatnak"_s);

        // a file gone since the list was filled
        addQuery(u"eltunt.sql"_s, u"-- Eltűnt\nselect 1 from rdb$database"_s);
        QVERIFY(QFile::remove(folder() + u"eltunt.sql"_s));
        refused(u"Eltűnt"_s, DialogKind::Error, u"eltunt.sql"_s);

        // a closing semicolon is no fault
        addQuery(u"pontosvesszo.sql"_s, u"-- Pontosvessző\nselect count(*) from table_diak;\n"_s);
        app.dialogs.clear();
        choose(u"Pontosvessző"_s);
        QCOMPARE(grid()[0][0], u"40"_s);
        QVERIFY(app.dialogs.shown.empty());

        QCOMPARE(rows(u"select count(*), max(nev) from table_diak"_s).join(u'|'), before);
        QCOMPARE(ended.count(), 0);
        DM->trTanulo.commit(); // the next save of the shared transaction
        QCOMPARE(
            testing::OtherCopy(app.db.connectionString).first(u"select count(*) from table_diak"_s).toInt(),
            40);
    }

    // A file dialog opens in the folder the user chose last, else in her documents, never in
    // the home folder's root; a folder the caller names is kept.
    void fileDialogsStartWhereTheUserWorks() {
        const QString home = QDir::homePath();
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        const QString first = QDir(documents).exists() ? documents : home;
        QCOMPARE(output::startPath(home + u"/lista.pdf"_s), first + u"/lista.pdf"_s);
        QCOMPARE(output::startPath(QString()), first);
        const QString chosen = testing::scratchFolder(u"dialogs"_s);
        output::rememberFolder(chosen + u"/elozo.xlsx"_s);
        QCOMPARE(output::startPath(home + u"/lista.pdf"_s), chosen + u"/lista.pdf"_s);
        QCOMPARE(output::startPath(u"/srv/iskola/lista.pdf"_s), u"/srv/iskola/lista.pdf"_s);
    }

    void csvRoundTripsTheGrid() {
        ProgramFixture app;
        QVERIFY(start(app, u"csv"_s, {u"--students"_s, u"40"_s}));
        Tlekerdezesek_form* f = lekerdezesek_form;
        const int cls = largestClass();
        testing::OtherCopy other(app.db.connectionString);
        other.run(u"insert into table_diak (nev, szul_ido, szul_hely, osztaly_ID, diak_cim_varos, diak_cim) "
                  u"values (:n, :d, :h, :o, :v, :c)"_s,
                  {u"Kovács \"Öcsi\"; Ödön"_s, QDate(2010, 2, 28), u" Győr"_s, cls, u"Őrbottyán"_s,
                   u"Fő utca 1.\n2. emelet"_s});
        // what a spreadsheet would run as a formula opens as the text it is
        other.run(
            u"insert into table_diak (nev, szul_hely, osztaly_ID, anyja_nev, gondviselo_tel) "
            u"values (:n, :h, :o, :a, :t)"_s,
            {u"=HYPERLINK(\"http://x\";\"y\")"_s, u"Pécs;Baranya"_s, cls, u"@Anya"_s, u"-36 30 123 4567"_s});

        choose(kShipped[0]);
        pickId(f->combo_osztaly, cls);
        const QString path = testing::scratchFolder(u"csv-out"_s) + u"/nevsor.csv"_s;
        QVERIFY(f->csv_ment(path));
        QCOMPARE(app.dialogs.texts(),
                 QStringList{u"A CSV-fájl elkészült:\r"_s + QDir::toNativeSeparators(path)});
        QCOMPARE(app.dialogs.shown[0].kind, DialogKind::Information);
        QCOMPARE(app.dialogs.shown[0].title, u"Tájékoztatás"_s);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QString text = QString::fromUtf8(bytes.mid(3));
        QVERIFY(text.startsWith(kClassListColumns.join(u';') + u"\r\n"_s));
        QVERIFY(text.contains(u"\"Kovács \"\"Öcsi\"\"; Ödön\";\" Győr\";2010.02.28.;"_s));
        QVERIFY(text.contains(u";\"Pécs;Baranya\";"_s));
        QVERIFY(text.contains(u";\"=\"\"=HYPERLINK(\"\"\"\"http://x\"\"\"\";\"\"\"\"y\"\"\"\")\"\"\";"_s));
        QVERIFY(text.contains(u";\"=\"\"@Anya\"\"\";"_s));
        QVERIFY(text.contains(u";\"=\"\"-36 30 123 4567\"\"\"\r\n"_s));
        QCOMPARE(parseCsv(text), grid(true));
        QVERIFY(column(1).contains(u"Kovács \"Öcsi\"; Ödön"_s));

        // the button asks for the place and adds the suffix; a place that cannot be written is said so
        FakeOutputs outputs;
        outputs.path = testing::scratchFolder(u"csv-button"_s) + u"/lista"_s;
        app.dialogs.clear();
        f->Button3->click();
        QVERIFY(QFile::exists(outputs.path + u".csv"_s));
        QVERIFY(outputs.suggestions.value(0).endsWith(
            u"Osztálynévsor %1.csv"_s.arg(ui::itemLabel(f->combo_osztaly->currentText()))));
        // as a workbook, each column as the database typed it, what looks like a formula too
        outputs.path = testing::scratchFolder(u"xlsx-button"_s) + u"/lista"_s;
        app.dialogs.clear();
        f->Button5->click();
        const QString xlsx = outputs.path + u".xlsx"_s;
        QCOMPARE(app.dialogs.texts(),
                 QStringList{u"Az Excel-fájl elkészült:\r"_s + QDir::toNativeSeparators(xlsx)});
        const Workbook w(xlsx);
        const QList<QStringList> shown = grid(true);
        QCOMPARE(w.rows(), shown.size());
        QCOMPARE(w.number(u"A2"_s), shown[1][0]);
        const auto row = [](const QString& name) { return static_cast<int>(column(1).indexOf(name)) + 2; };
        const int dated = row(u"Kovács \"Öcsi\"; Ödön"_s), odd = row(u"=HYPERLINK(\"http://x\";\"y\")"_s);
        QCOMPARE(w.number(u"D%1"_s.arg(dated)), u"40237"_s); // 2010.02.28.
        QCOMPARE(w.format(u"D%1"_s.arg(dated)), u"yyyy.mm.dd."_s);
        QVERIFY(!shown.last()[4].isEmpty());
        QCOMPARE(w.text(u"E%1"_s.arg(shown.size())), shown.last()[4]); // the TAJ's digits
        QCOMPARE(w.text(u"B%1"_s.arg(odd)), u"=HYPERLINK(\"http://x\";\"y\")"_s);
        QCOMPARE(w.text(u"J%1"_s.arg(odd)), u"-36 30 123 4567"_s);
        app.dialogs.clear();
        QVERIFY(!f->csv_ment(outputs.path + u"/nincs/ilyen/mappa.csv"_s));
        QCOMPARE(app.dialogs.shown.size(), size_t(1));
        QCOMPARE(app.dialogs.shown[0].kind, DialogKind::Error);
        QVERIFY(app.dialogs.shown[0].text.contains(u"mentése nem sikerült"_s));
    }

    // Each cell as its type: text stays text whatever it begins with, numbers and dates
    // are a spreadsheet's own; the titles bold and frozen, the columns as wide as they need.
    void xlsxKeepsTheTypes() {
        const QStringList titles{u"Név"_s, u"Szám"_s, u"Dátum"_s, u"Időpont"_s, u"Képlet"_s, u"Telefon"_s};
        const QList<QVariantList> cells{
            {u"Kovács Ödön Bálint"_s, 42, QDate(2010, 2, 28), QDateTime(QDate(2026, 1, 2), QTime(10, 11, 12)),
             u"=1+1"_s, u"+36 30 123 4567"_s},
            {QVariant(), 3.5, QDate(1899, 12, 31), QVariant(), QVariant(), qint64(1234567890123456789)}};
        const QString folder = testing::scratchFolder(u"xlsx-types"_s);
        const QString path = folder + u"/lista.xlsx"_s;
        QCOMPARE(output::writeXlsx(path, u"Lista: [1]"_s, titles, static_cast<int>(cells.size()),
                                   [&](int row, int c) { return cells[row][c]; }),
                 QString());
        QVERIFY(QFileInfo(path).permissions() & QFile::ReadGroup); // not the private temporary file's
        const Workbook w(path);
        QCOMPARE(w.rows(), 3);
        QCOMPARE(w.text(u"F1"_s), titles[5]);
        QVERIFY(w.bold(u"F1"_s) && !w.bold(u"F2"_s));
        QVERIFY(w.sheet.contains(
            u"<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>"_s));
        QVERIFY(w.book.contains(u"name=\"Lista_ _1_\""_s)); // what a sheet name cannot hold

        QCOMPARE(w.text(u"A2"_s), u"Kovács Ödön Bálint"_s);
        QCOMPARE(w.number(u"B2"_s), u"42"_s);
        QCOMPARE(w.number(u"B3"_s), u"3.5"_s);
        QCOMPARE(w.number(u"C2"_s), u"40237"_s); // 2010.02.28. counted from 1900
        QCOMPARE(w.format(u"C2"_s), u"yyyy.mm.dd."_s);
        QVERIFY(w.number(u"D2"_s).startsWith(u"46024.4244"_s));
        QCOMPARE(w.format(u"D2"_s), u"yyyy.mm.dd. hh:mm:ss"_s);
        QCOMPARE(w.text(u"E2"_s), u"=1+1"_s);
        QVERIFY(!w.sheet.contains(u"<f>"_s)); // no formula anywhere
        QCOMPARE(w.text(u"F2"_s), u"+36 30 123 4567"_s);
        // what a spreadsheet would round or cannot date stays as it was, as text
        QCOMPARE(w.text(u"F3"_s), u"1234567890123456789"_s);
        QCOMPARE(w.text(u"C3"_s), u"1899.12.31."_s);
        QCOMPARE(w.cell(u"A3"_s), QString()); // null: an empty cell

        static const QRegularExpression col(u"<col min=\"(\\d+)\" max=\"\\d+\" width=\"([\\d.]+)\""_s);
        QMap<int, double> widths;
        for (const QRegularExpressionMatch& m : col.globalMatch(w.sheet))
            widths[m.captured(1).toInt()] = m.captured(2).toDouble();
        QCOMPARE(widths.size(), titles.size());
        QVERIFY(widths[1] >= 18); // the longest name
        QVERIFY(widths[2] < widths[1]);

        // a place that cannot be written is said so, and nothing is left behind
        const QString nowhere = folder + u"/nincs/ilyen.xlsx"_s;
        QVERIFY(output::writeXlsx(nowhere, u"x"_s, titles, 0, [](int, int) {
                    return QVariant();
                }).startsWith(u"A %1 fájl mentése nem sikerült: "_s.arg(QDir::toNativeSeparators(nowhere))));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{u"lista.xlsx"_s});
    }

    // Wrapped cells and a row taller than a page: every word reaches the paper, and a
    // cancelled export leaves nothing and says nothing.
    void everyWordOfEveryCellIsPrinted() {
        output::Report r;
        r.title = u"Próba"_s;
        for (int c = 0; c < 12; ++c) {
            r.headers << u"Oszlop %1"_s.arg(c);
            r.numeric << false;
        }
        QStringList words;
        auto cellText = [&](int row, int c, int count) {
            QStringList cell;
            for (int i = 0; i < count; ++i)
                cell << u"s%1o%2w%3"_s.arg(row).arg(c).arg(i);
            words << cell;
            return cell.join(u' ');
        };
        for (int row = 0; row < 40; ++row) {
            QStringList fields;
            for (int c = 0; c < 12; ++c)
                fields << cellText(row, c, c == 5 && row == 7 ? 900 : 1 + (row * 7 + c * 3) % 9);
            r.rows << fields;
        }
        const QString folder = testing::scratchFolder(u"pdf-words"_s);
        const QString path = folder + u"/szavak.pdf"_s;
        QFile older(path);
        QVERIFY(older.open(QIODevice::WriteOnly) && older.write("régi") == 5);
        older.close();
        QString error;
        QVERIFY2(output::writePdf(path, r, error), qPrintable(error));
        QVERIFY(pages(path) > 2);
        const QStringList printed =
            run(u"pdftotext"_s, {path, u"-"_s}).split(QRegularExpression(u"\\s+"_s), Qt::SkipEmptyParts);
        const QSet<QString> got(printed.begin(), printed.end());
        QStringList lost;
        for (const QString& w : words)
            if (!got.contains(w)) lost << w;
        QVERIFY2(lost.isEmpty(), qPrintable(u"%1 lost: "_s.arg(lost.size()) + lost.mid(0, 10).join(u' ')));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{u"szavak.pdf"_s});

        // stopped half-way: the older file stays whole, nothing else is left
        const QByteArray before = [&] {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        FakeOutputs outputs;
        outputs.cancelAt = 3;
        std::unique_ptr<output::Progress> stopping = outputs.progress(nullptr);
        QVERIFY_THROWS_EXCEPTION(output::Cancelled, output::writePdf(path, r, error, stopping.get()));
        outputs.cancelAt = outputs.steps = 0;
        QVERIFY_THROWS_EXCEPTION(output::Cancelled, output::writeCsv(path, r, error, stopping.get()));
        outputs.cancelAt = outputs.steps = 0;
        QVERIFY_THROWS_EXCEPTION(output::Cancelled, output::writeXlsx(path, r, error, stopping.get()));
        QFile after(path);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{u"szavak.pdf"_s});
    }

    void pdfOfTheLargestClassBreaksAcrossPages() {
        ProgramFixture app;
        QVERIFY(start(app, u"pdf"_s, {u"--demo"_s}));
        Tlekerdezesek_form* f = lekerdezesek_form;
        const int cls = largestClass();
        testing::OtherCopy other(app.db.connectionString);
        // twice as many: longer than any page
        other.run(
            u"insert into table_diak (nev, szul_ido, szul_hely, osztaly_ID, diak_cim_varos, diak_cim, "
            u"anyja_nev, gondviselo_nev, gondviselo_tel, diak_taj, diak_OM) select 'Új ' || nev, szul_ido, "
            u"szul_hely, osztaly_ID, diak_cim_varos, diak_cim, anyja_nev, gondviselo_nev, gondviselo_tel, "
            u"diak_taj, diak_OM from table_diak where osztaly_ID = :o"_s,
            {cls});

        choose(kShipped[0]);
        pickId(f->combo_osztaly, cls);
        const QStringList names = column(1);
        QVERIFY(names.size() >= 60);
        QCOMPARE(output::orientationFor(f->jelentes()), QPageLayout::Landscape);
        const QString path = testing::scratchFolder(u"pdf-out"_s) + u"/nevsor.pdf"_s;
        QVERIFY(f->pdf_ment(path));
        QCOMPARE(app.dialogs.texts(),
                 QStringList{u"A PDF-fájl elkészült:\r"_s + QDir::toNativeSeparators(path)});

        const int n = pages(path);
        QVERIFY2(n > 1, qPrintable(QString::number(n)));
        const QString text = run(u"pdftotext"_s, {u"-layout"_s, path, u"-"_s});
        QVERIFY2(text.contains(u"Osztálynévsor"_s), qPrintable(text.left(300)));
        QVERIFY(text.contains(u"Osztály: "_s + ui::itemLabel(f->combo_osztaly->currentText())));
        QVERIFY(text.contains(
            u"Tanév: %1/%2"_s.arg(main_form->edit_akt_tanev->text(), main_form->edit_akt_tanev2->text())));
        QVERIFY(text.contains(u"Nyomtatás dátuma: "_s + QDate::currentDate().toString(db::kDateFormat)));
        for (const QString& title : kClassListColumns) // the column titles on every page
            QCOMPARE(text.count(QRegularExpression(QRegularExpression::escape(title) + u"(?!\\w)"_s,
                                                   QRegularExpression::UseUnicodePropertiesOption)),
                     n);
        for (const QString& name : names)
            QVERIFY2(text.contains(name), qPrintable(name));
        QVERIFY(text.contains(u"1. oldal / %1"_s.arg(n)));
        QVERIFY(text.contains(u"%1. oldal / %1"_s.arg(n)));

        // printing goes the same way; a cancelled print dialog prints nothing
        FakeOutputs outputs;
        outputs.path = testing::scratchFolder(u"pdf-print"_s) + u"/nyomtatas.pdf"_s;
        outputs.accept = false;
        f->Button1->click();
        QVERIFY(!QFile::exists(outputs.path));
        outputs.accept = true;
        f->Button1->click();
        QCOMPARE(pages(outputs.path), n);

        // a short one fits upright; a file that cannot be written is said so
        choose(kShipped[1]);
        QCOMPARE(output::orientationFor(f->jelentes()), QPageLayout::Portrait);
        app.dialogs.clear();
        QVERIFY(!f->pdf_ment(path + u"/nincs.pdf"_s));
        QCOMPARE(app.dialogs.shown.size(), size_t(1));
        QCOMPARE(app.dialogs.shown[0].kind, DialogKind::Error);
    }
};

QTEST_MAIN(QueriesTest)
#include "test_queries.moc"
