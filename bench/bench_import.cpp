// Times the intake of a generated file of 10,000 students in one run: the preview's first
// screen beside the check of the whole file, at a large and a small school (the duplicate
// lookups must not grow with the registry); and the import (its lock and re-check
// included) beside the floor: the same rows already on the server, in a global temporary
// table filled before the clock starts, stored by one INSERT … SELECT in one transaction,
// triggers and indexes included; and beside the same rows inserted one by one by a bare
// prepared statement in one transaction. Medians of the repeats, with ratios.
//   bench_import LARGE_CONNECTION_STRING SMALL_CONNECTION_STRING [REPEATS] [ROWS]
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "attach.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "import/Beolvasas.h"
#include "students/TanuloAdatok.h"
#include "timing.h"

namespace {
// the school year for the whole file, the rest as the window leaves it
intake::Defaults wholeFileYear() {
    intake::Defaults d;
    d.year = 2025;
    return d;
}

QString withCheckDigit(const QString& digits, const std::function<int(int, int)>& weight, int modulo) {
    int sum = 0;
    for (int i = 0; i < digits.size(); ++i)
        sum += digits[i].digitValue() * weight(i, digits.size());
    return digits + QString::number(sum % modulo % 10);
}

// A file as the admission system exports it: UTF-8 with a byte-order mark, ";", the
// class and the language in columns.
void writeFile(const QString& path, int rows) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write the file");
    f.write("\xEF\xBB\xBF");
    f.write(QStringLiteral("Tanuló neve;Születési idő;Születési hely;Lakcím;Város;Anyja neve;Gondviselő neve;"
                           "Osztály;Tanult nyelv;TAJ szám;OM azonosító\r\n")
                .toUtf8());
    for (int i = 0; i < rows; ++i) {
        const QString taj = withCheckDigit(
            QStringLiteral("9%1").arg(i, 7, 10, QLatin1Char('0')),
            [](int at, int) { return at % 2 == 0 ? 3 : 7; }, 10);
        const QString om =
            QStringLiteral("79%1").arg(i, 9, 10, QLatin1Char('0')); // check digit left as it is
        f.write(QStringLiteral("Beolvasott Őrs %1;2011.%2.%3.;Győr;Fő utca %1.;Győr;Anya Éva;Szülő Ödön;9.a;"
                               "angol;%4;%5\r\n")
                    .arg(i)
                    .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                    .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                    .arg(taj.left(3) + QLatin1Char(' ') + taj.mid(3, 3) + QLatin1Char(' ') + taj.mid(6), om)
                    .toUtf8());
    }
}

// The same, with the further data as the admission system gives them: sex, postcode,
// citizenship, enrolment, and a status with its dates for every fifth student.
void writeFurtherFile(const QString& path, int rows) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write the file");
    f.write("\xEF\xBB\xBF");
    f.write(QStringLiteral("Tanuló neve;Születési idő;Születési hely;Lakcím;Város;Anyja neve;Gondviselő neve;"
                           "Osztály;Tanult nyelv;Neme;Irányítószám;Állampolgárság;Jogviszony kezdete;SNI;"
                           "SNI határozat kelte;SNI felülvizsgálat;HH;HH határozat kelte;HH érvényes\r\n")
                .toUtf8());
    for (int i = 0; i < rows; ++i) {
        const bool status = i % 5 == 0;
        f.write(
            QStringLiteral("Beolvasott Tovább %1;2011.%2.%3.;Győr;Fő utca %1.;Győr;Anya Éva;Szülő Ödön;9.a;"
                           "angol;%4;%5;magyar;2025.09.01.;%6;%7;%8;%9\r\n")
                .arg(i)
                .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                .arg(i % 2 ? QStringLiteral("L") : QStringLiteral("F"))
                .arg(9000 + i % 999)
                .arg(status && i % 2 ? QStringLiteral("x") : QString())
                .arg(status && i % 2 ? QStringLiteral("2024.05.10.;2027.05.10.") : QStringLiteral(";"))
                .arg(status && !(i % 2) ? QStringLiteral("igen") : QString())
                .arg(status && !(i % 2) ? QStringLiteral("2025.01.15.;2026.01.15.") : QStringLiteral(";"))
                .toUtf8());
    }
}

struct School {
    db::Connection connection;
    explicit School(const QString& name) { attach(connection, name); }
    // Positional: the text goes to the server as it is (an execute block's :variables too).
    void run(const QString& sql, db::Statement::Markers markers = db::Statement::Markers::Named) {
        db::Transaction tr(connection);
        db::Statement s(connection, tr);
        s.prepare(sql, markers);
        s.execute();
        s.free();
        tr.commit();
    }
    void removeImported() {
        run(QStringLiteral("delete from table_diak where nev starting with 'Beolvasott '"));
    }
};

struct Checked {
    double firstScreen = 0, whole = 0;
    qint64 memory = 0;
};

Checked check(School& school, intake::Preview& preview, const QString& path) {
    Checked c;
    QElapsedTimer t;
    t.start();
    intake::Sheet sheet = intake::readCsv(path, intake::detectCsv(path));
    c.memory = sheet.memoryBytes();
    const intake::Mapping mapping =
        intake::guessMapping(sheet.headings, intake::rememberedMappings(school.connection));
    preview.setSheet(std::move(sheet), mapping, wholeFileYear());
    c.firstScreen = static_cast<double>(t.nsecsElapsed()) / 1e6;
    preview.checkAll();
    c.whole = static_cast<double>(t.nsecsElapsed()) / 1e6;
    return c;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is known
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_import LARGE SMALL [REPEATS] [ROWS]\n");
        return 2;
    }
    const int repeats = argc > 3 ? std::atoi(argv[3]) : 5;
    const int rows = argc > 4 ? std::atoi(argv[4]) : 10000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("felvettek.csv"));
    writeFile(path, rows);
    School large(QString::fromLocal8Bit(argv[1])), small(QString::fromLocal8Bit(argv[2]));
    large.removeImported();
    intake::Preview preview(large.connection), smallPreview(small.connection);

    // The floor's rows, built before its clock starts: what the statement is given.
    std::vector<QVariantList> floorRows;
    {
        const Checked c = check(large, preview, path);
        const intake::Preview::Counts n = preview.counts();
        std::printf(
            "file: %d rows, %lld bytes; kept in memory: %lld bytes; ready %d, warnings %d, errors %d\n", rows,
            static_cast<long long>(QFile(path).size()), static_cast<long long>(c.memory), n.ready, n.warnings,
            n.errors);
        db::Transaction tr(large.connection, nullptr, db::Transaction::Access::ReadOnly);
        db::Statement s(large.connection, tr);
        s.prepare(QStringLiteral("select (select min(id) from table_osztaly where osztaly_szam = 9 and "
                                 "upper(osztaly_betu) = 'A'), (select id from table_nyelv where nyelv_nev = "
                                 "'angol') from rdb$database"));
        s.execute();
        s.fetch();
        const int classId = s.value(0).toInt(), languageId = s.value(1).toInt();
        s.free();
        tr.commit();
        const intake::Sheet& sheet = preview.sheet();
        for (int r = 0; r < sheet.rowCount(); ++r) {
            if (!preview.isIncluded(r)) continue; // a generated identifier the school already has
            auto cell = [&](int c) { return QVariant(sheet.cell(r, c).toString()); };
            floorRows.push_back({cell(0), cell(3), cell(4), cell(2), intake::parseDate(sheet.cell(r, 1)),
                                 QString(), QString(), cell(5), cell(6), cell(3), QString(), cell(9),
                                 cell(10), QString(), classId, QString(), languageId, 2025});
        }
    }
    const QString columns = QStringLiteral(
        "nev, diak_cim, diak_cim_varos, szul_hely, szul_ido, sz_szam, diak_tel, anyja_nev, gondviselo_nev, "
        "gondviselo_cim, gondviselo_tel, diak_taj, diak_OM, diak_diak, osztaly_ID, mj, tanult_nyelv_ID, "
        "evfolyam");
    // The floor's table: the rows on the server before its clock starts.
    large.run(QStringLiteral(
        "execute block as begin if (not exists(select 1 from rdb$relations where rdb$relation_name = "
        "'BENCH_BEOLVASAS')) then execute statement 'create global temporary table bench_beolvasas (nev "
        "varchar(100), diak_cim varchar(150), diak_cim_varos varchar(100), szul_hely varchar(100), szul_ido "
        "date, sz_szam varchar(20), diak_tel varchar(30), anyja_nev varchar(100), gondviselo_nev "
        "varchar(100), "
        "gondviselo_cim varchar(150), gondviselo_tel varchar(30), diak_taj varchar(20), diak_OM varchar(20), "
        "diak_diak varchar(20), osztaly_ID integer, mj blob sub_type text, tanult_nyelv_ID integer, evfolyam "
        "integer) on commit preserve rows'; end"));
    {
        db::Transaction tr(large.connection);
        db::Statement st(large.connection, tr);
        st.prepare(QStringLiteral("delete from bench_beolvasas"));
        st.execute();
        st.prepare(
            QStringLiteral("insert into bench_beolvasas(%1) values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                           "?, ?, ?, ?, ?, ?)")
                .arg(columns));
        for (const QVariantList& values : floorRows) {
            st.bind(values);
            st.execute();
        }
        st.free();
        tr.commit();
    }
    const QString insert = QStringLiteral(
        "insert into table_diak(nev, diak_cim, diak_cim_varos, szul_hely, szul_ido, sz_szam, diak_tel, "
        "anyja_nev, "
        "gondviselo_nev, gondviselo_cim, gondviselo_tel, diak_taj, diak_OM, diak_diak, osztaly_ID, mj, "
        "tanult_nyelv_ID, evfolyam) values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");

    std::vector<double> tFirst, tWhole, tFirstSmall, tWholeSmall, tImport, tFloor, tServer;
    for (int r = 0; r < repeats + 1; ++r) { // the first round warms up
        const Checked l = check(large, preview, path);
        const Checked s = check(small, smallPreview, path);
        const double imp = timeMs([&] {
            if (preview.importRows() != static_cast<int>(floorRows.size()))
                throw std::runtime_error("the import and the bare insert took different rows");
        });
        large.removeImported();
        const double floor = timeMs([&] {
            db::Transaction tr(large.connection);
            db::Statement st(large.connection, tr);
            st.prepare(insert);
            for (const QVariantList& values : floorRows) {
                st.bind(values);
                st.execute();
            }
            st.free();
            tr.commit();
        });
        large.removeImported();
        const double server = timeMs([&] {
            db::Transaction tr(large.connection);
            db::Statement st(large.connection, tr);
            st.prepare(
                QStringLiteral("insert into table_diak(%1) select %1 from bench_beolvasas").arg(columns));
            st.execute();
            st.free();
            tr.commit();
        });
        large.removeImported();
        if (r == 0) continue;
        tServer.push_back(server);
        tFirst.push_back(l.firstScreen);
        tWhole.push_back(l.whole);
        tFirstSmall.push_back(s.firstScreen);
        tWholeSmall.push_back(s.whole);
        tImport.push_back(imp);
        tFloor.push_back(floor);
    }
    // The intake with further data beside its floor: the same rows, already on the server
    // in a global temporary table filled before the clock starts, stored into the same
    // tables by one statement, row by row as the registration's triggers want them.
    const QString furtherPath = dir.filePath(QStringLiteral("tovabbi.csv"));
    writeFurtherFile(furtherPath, rows);
    intake::Preview further(large.connection);
    check(large, further, furtherPath);
    if (further.counts().included != rows) {
        std::fprintf(stderr, "further data: %d of %d rows ready\n", further.counts().included, rows);
        return 1;
    }
    const QStringList diakTypes = {
        QStringLiteral("varchar(100)"),       QStringLiteral("varchar(150)"), QStringLiteral("varchar(100)"),
        QStringLiteral("varchar(100)"),       QStringLiteral("date"),         QStringLiteral("varchar(20)"),
        QStringLiteral("varchar(30)"),        QStringLiteral("varchar(100)"), QStringLiteral("varchar(100)"),
        QStringLiteral("varchar(150)"),       QStringLiteral("varchar(30)"),  QStringLiteral("varchar(20)"),
        QStringLiteral("varchar(20)"),        QStringLiteral("varchar(20)"),  QStringLiteral("integer"),
        QStringLiteral("blob sub_type text"), QStringLiteral("integer"),      QStringLiteral("integer")};
    const auto& adat = tanulo_adatok::adatOszlopok();
    const auto& bizalmas = tanulo_adatok::bizalmasOszlopok();
    const QStringList types =
        diakTypes + adat.tipusok + QStringList{QStringLiteral("smallint")} + bizalmas.tipusok;
    QStringList gttColumns, vars, declares;
    for (qsizetype i = 0; i < types.size(); ++i) {
        gttColumns << QStringLiteral("c%1 %2").arg(i).arg(types[i]);
        vars << QStringLiteral(":v%1").arg(i);
        declares << QStringLiteral("declare v%1 %2;").arg(i).arg(types[i]);
    }
    large.run(
        QStringLiteral("execute block as begin if (not exists(select 1 from rdb$relations where "
                       "rdb$relation_name = 'BENCH_BEOLVASAS_TOVABBI')) then execute statement 'create "
                       "global temporary table bench_beolvasas_tovabbi (k integer, %1) on commit preserve "
                       "rows'; end")
            .arg(gttColumns.join(QStringLiteral(", "))));
    {
        intake::Reference reference;
        db::Transaction tr(large.connection);
        reference.load(large.connection, tr);
        db::Statement st(large.connection, tr);
        st.prepare(QStringLiteral("delete from bench_beolvasas_tovabbi"));
        st.execute();
        QStringList marks{QStringLiteral("?")};
        for (qsizetype i = 0; i < types.size(); ++i)
            marks << QStringLiteral("?");
        st.prepare(QStringLiteral("insert into bench_beolvasas_tovabbi values(%1)").arg(marks.join(u',')),
                   db::Statement::Markers::Positional);
        const intake::Sheet& sheet = further.sheet();
        for (int r = 0; r < sheet.rowCount(); ++r) {
            const intake::Row row = intake::readRow(sheet, r, further.mapping(), wholeFileYear(), reference);
            QVariantList values{r};
            for (int f = 0; f < intake::kTextFields - 1; ++f)
                values << (static_cast<intake::Field>(f) == intake::Field::SzulIdo
                               ? QVariant(row.birth)
                               : QVariant(row.text[static_cast<size_t>(f)]));
            values << row.classId << row.text[static_cast<size_t>(intake::Field::Mj)] << row.languageId
                   << row.year << tanulo_adatok::adatErtekek(row.adatok) << int(row.vanBizalmas)
                   << tanulo_adatok::bizalmasErtekek(row.adatok);
            st.bind(values);
            st.execute();
        }
        st.free();
        tr.commit();
    }
    const qsizetype nDiak = diakTypes.size(), nAdat = adat.nevek.size();
    const QString floorBlock =
        QStringLiteral(
            "execute block as declare i integer; %1 begin for select %2 from bench_beolvasas_tovabbi "
            "order by k into %3 do begin insert into table_diak(%4) values(%5) returning id into :i; "
            "update or insert into table_diak_adat(diak_id, %6) values(:i, %7) matching(diak_id); "
            "if (%8 = 1) then update or insert into table_diak_bizalmas(diak_id, %9) values(:i, %10) "
            "matching(diak_id); end end")
            .arg(declares.join(u' '),
                 QStringList(gttColumns)
                     .replaceInStrings(QRegularExpression(QStringLiteral(" .*$")), QString())
                     .join(u','),
                 vars.join(u','), columns, vars.mid(0, nDiak).join(u','), adat.nevek.join(u','),
                 vars.mid(nDiak, nAdat).join(u','), vars.at(nDiak + nAdat), bizalmas.nevek.join(u','))
            .arg(vars.mid(nDiak + nAdat + 1).join(u','));
    std::vector<double> tFurther, tFurtherFloor;
    for (int r = 0; r < repeats + 1; ++r) {
        further.recheck();
        further.checkAll();
        const double imp = timeMs([&] {
            if (further.importRows() != rows) throw std::runtime_error("the further data's import lost rows");
        });
        large.removeImported();
        const double floor = timeMs([&] { large.run(floorBlock, db::Statement::Markers::Positional); });
        large.removeImported();
        if (r == 0) continue;
        tFurther.push_back(imp);
        tFurtherFloor.push_back(floor);
    }

    const double mf = median(tFirst), mw = median(tWhole), mfs = median(tFirstSmall),
                 mws = median(tWholeSmall), mi = median(tImport), mfl = median(tFloor), ms = median(tServer);
    std::printf("preview, first screen, large school:  %8.1f ms  (%.1f%% of the whole check)\n", mf,
                100.0 * mf / mw);
    std::printf("check of the whole file, large school: %8.1f ms  (%.2fx the small school)\n", mw, mw / mws);
    std::printf("preview, first screen, small school:  %8.1f ms\n", mfs);
    std::printf("check of the whole file, small school: %8.1f ms\n", mws);
    std::printf("import of %d rows:                  %8.1f ms  (%.2fx the server's floor, limit 2x; "
                "%.2fx the bare insert)\n",
                static_cast<int>(floorRows.size()), mi, mi / ms, mi / mfl);
    std::printf("floor: INSERT ... SELECT on the server: %8.1f ms\n", ms);
    std::printf("bare prepared insert, one transaction: %8.1f ms  (%.2fx the server's floor)\n", mfl,
                mfl / ms);
    const double mt = median(tFurther), mtf = median(tFurtherFloor);
    std::printf("import of %d rows with further data: %8.1f ms  (%.2fx its floor, limit 2x)\n", rows, mt,
                mt / mtf);
    std::printf("floor: the same rows and further data stored on the server: %8.1f ms\n", mtf);
    return 0;
}
