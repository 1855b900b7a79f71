#include "Documents.h"

#include <QAbstractTextDocumentLayout>
#include <QDateTime>
#include <QPainter>
#include <QPrinter>
#include <QRandomGenerator>
#include <QTextDocument>
#include <QThread>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "db/Values.h"
#include "fiokok/Fiok.h"
#include "office/Tanev.h"
#include "students/TanuloAdatok.h"
#include "ui/Nevelo.h"

namespace documents {

QString schoolYearText(int year) {
    return QStringLiteral("%1/%2").arg(year).arg(year + 1);
}

bool compulsory(const QDate& born, int year, int untilAge) {
    return born.isValid() && born.addYears(untilAge) >= QDate(year, 9, 1);
}

void addSchoolYearFields(QHash<QString, QString>& f, int year) {
    f.insert(QStringLiteral("tanev"), schoolYearText(year));
    const bool individual = f.value(QStringLiteral("egyeni_munkarend")) == QLatin1String("igen");
    f.insert(QStringLiteral("munkarend"),
             individual ? QStringLiteral("egyéni munkarend") : QStringLiteral("nappali munkarend"));
    const QDate born = QDate::fromString(f.value(QStringLiteral("szul_ido")), db::kDateFormat);
    const bool extended = f.value(QStringLiteral("sni_hosszabb")) == QLatin1String("igen");
    f.insert(QStringLiteral("tankotelezettseg"),
             !compulsory(born, year, extended ? 23 : 16) ? QString()
             : individual
                 ? QStringLiteral("Tankötelezettségét iskolánkban, egyéni munkarend szerint teljesíti.")
                 : QStringLiteral("Tankötelezettségét iskolánkban teljesíti."));
    // the final grade reached in as many years as grades are left
    bool gradeKnown = false, lastKnown = false;
    const int grade = f.value(QStringLiteral("osztaly_szam")).toInt(&gradeKnown);
    const int last = f.value(QStringLiteral("utolso_evfolyam")).toInt(&lastKnown);
    const bool enrolled = f.value(QStringLiteral("kilepes_datum")).isEmpty();
    f.insert(QStringLiteral("jogviszony_vege"),
             enrolled && gradeKnown && lastKnown && grade <= last
                 ? QStringLiteral("Tanulói jogviszonya várhatóan %1. tanév végéig tart.")
                       .arg(ui::aAz(schoolYearText(year + last - grade)))
                 : QString());
}

namespace {

const QString kStudent = QStringLiteral(
    "select d.id, d.nev, d.diak_cim, d.diak_cim_varos, d.szul_hely, d.szul_ido, d.sz_szam, d.diak_tel, "
    "d.anyja_nev, d.gondviselo_nev, d.gondviselo_cim, d.gondviselo_tel, d.diak_taj, d.diak_OM, d.diak_diak, "
    "d.mj, ny.nyelv_nev, d.evfolyam, o.osztaly_szam, o.osztaly_betu, o.osztaly_szak, t.nev, "
    "i.nev, i.cim, i.om_azonosito, i.igazgato, i.kelt_helye "
    "from table_diak d left join table_osztaly o on o.id = d.osztaly_ID "
    "left join table_nyelv ny on ny.id = d.tanult_nyelv_ID left join table_tanar t on t.id = "
    "o.osztalyfonok_id "
    "left join table_iskola i on i.id = 1 where d.id = :id");

} // namespace

namespace {

// A leaver's record from the archive: the same columns, the class as it was when leaving.
const QString kLeaver = QStringLiteral(
    "select a.id, a.nev, a.diak_cim, a.diak_cim_varos, a.szul_hely, a.szul_ido, a.sz_szam, a.diak_tel, "
    "a.anyja_nev, a.gondviselo_nev, a.gondviselo_cim, a.gondviselo_tel, a.diak_taj, a.diak_OM, a.diak_diak, "
    "a.mj, ny.nyelv_nev, a.evfolyam, a.utolso_osztaly_szam, a.utolso_osztaly_betu, a.utolso_osztaly_szak, "
    "cast(null as varchar(1)), i.nev, i.cim, i.om_azonosito, i.igazgato, i.kelt_helye, a.kilepes_datum, "
    "FN_KILEPES_OKA(a.kilepes_ok), a.kilepes_megjegyzes, FN_ADATAI_TOROLVE(a.id) "
    "from table_diak_archiv a left join table_nyelv ny on ny.id = a.tanult_nyelv_ID "
    "left join table_iskola i on i.id = 1 where a.id = :id");

// Who signs for the school: the head, or a deputy on the head's behalf; and the school's
// last grade.
void schoolSigner(db::Transaction& tr, QHash<QString, QString>& f) {
    db::Statement s(tr.connection(), tr);
    s.prepare(QStringLiteral(
        "select alairo, helyettes_nev, helyettes_beosztas, utolso_evfolyam from table_iskola where id = 1"));
    s.execute();
    const bool found = s.fetch();
    const bool deputy = found && s.value(0).toInt() == 1;
    const QString deputyTitle = found ? db::displayText(s.value(2)).trimmed() : QString();
    f.insert(QStringLiteral("alairo"),
             deputy ? db::displayText(s.value(1)).trimmed() : f.value(QStringLiteral("igazgato")).trimmed());
    f.insert(QStringLiteral("alairo_beosztas"), !deputy                 ? QStringLiteral("igazgató")
                                                : deputyTitle.isEmpty() ? QStringLiteral("igazgatóhelyettes")
                                                                        : deputyTitle);
    f.insert(QStringLiteral("megbizasbol"), deputy ? QStringLiteral("az igazgató megbízásából") : QString());
    f.insert(QStringLiteral("utolso_evfolyam"), found ? db::displayText(s.value(3)) : QString());
    s.closeCursor();
}

// One line a row of what the select returns, its columns joined by " – ".
QString lines(db::Transaction& tr, const QString& sql, int studentId) {
    db::Statement s(tr.connection(), tr);
    s.prepare(sql);
    s.bind({studentId});
    s.execute();
    QStringList out;
    while (s.fetch()) {
        QStringList cells;
        for (int c = 0; c < s.columnCount(); ++c)
            if (!s.isNull(c) && !db::displayText(s.value(c)).isEmpty()) cells << db::displayText(s.value(c));
        out << cells.join(QStringLiteral(" – "));
    }
    s.closeCursor();
    return out.join(QLatin1Char('\n'));
}

} // namespace

QHash<QString, QString> studentFields(db::Transaction& tr, int studentId, bool statuses) {
    db::Statement s(tr.connection(), tr);
    s.prepare(kStudent);
    s.bind({studentId});
    s.execute();
    bool leaver = false;
    if (!s.fetch()) {
        s.closeCursor();
        s.prepare(kLeaver);
        s.bind({studentId});
        s.execute();
        if (!s.fetch())
            throw db::Error(
                QStringLiteral("A tanuló (ID: %1) már nem szerepel az adatbázisban.").arg(studentId));
        leaver = true;
    }
    static const char* const names[] = {"id",
                                        "nev",
                                        "diak_cim",
                                        "diak_cim_varos",
                                        "szul_hely",
                                        "szul_ido",
                                        "sz_szam",
                                        "diak_tel",
                                        "anyja_nev",
                                        "gondviselo_nev",
                                        "gondviselo_cim",
                                        "gondviselo_tel",
                                        "diak_taj",
                                        "diak_om",
                                        "diak_diak",
                                        "mj",
                                        "tanult_nyelv",
                                        "evfolyam",
                                        "osztaly_szam",
                                        "osztaly_betu",
                                        "osztaly_szak",
                                        "osztalyfonok",
                                        "iskola_nev",
                                        "iskola_cim",
                                        "iskola_om",
                                        "igazgato",
                                        "kelt_helye",
                                        "kilepes_datum",
                                        "kilepes_ok",
                                        "kilepes_megjegyzes",
                                        "adatai_torolve"};
    QHash<QString, QString> f;
    for (int c = 0; c < s.columnCount() && c < static_cast<int>(std::size(names)); ++c)
        f.insert(QString::fromLatin1(names[c]), db::displayText(s.value(c)));
    s.closeCursor();
    schoolSigner(tr, f);
    f.insert(QStringLiteral("allapot"), leaver ? QStringLiteral("kilépett (a kilépett tanulók archívumában)")
                                               : QStringLiteral("a nyilvántartásban"));
    // what the school's periods have cleared of a leaver
    if (const QString torolve = f.take(QStringLiteral("adatai_torolve")); !torolve.isEmpty())
        f[QStringLiteral("allapot")] += QStringLiteral("; ") + torolve;
    if (!f.value(QStringLiteral("evfolyam")).isEmpty())
        f[QStringLiteral("evfolyam")] = schoolYearText(f.value(QStringLiteral("evfolyam")).toInt());
    if (!f.value(QStringLiteral("osztaly_szam")).isEmpty())
        f.insert(QStringLiteral("osztaly"), f.value(QStringLiteral("osztaly_szam")) + QLatin1Char('.') +
                                                f.value(QStringLiteral("osztaly_betu")));
    tanulo_adatok::sablonMezok(tr, studentId, statuses && fiok::szabad(fiok::Szerep::Iroda), f);
    f.insert(QStringLiteral("osztalytortenet"),
             lines(tr,
                   QStringLiteral(
                       "select tanev || '/' || (tanev + 1), osztaly_szam || '.' || osztaly_betu, esemeny, "
                       "cast(mikor as date) from table_osztaly_tortenet where diak_id = :id "
                       "order by tanev, id"),
                   studentId));
    f.insert(
        QStringLiteral("valtozasnaplo"),
        lines(tr,
              QStringLiteral("select n.mikor, n.muvelet, (select list(") +
                  tanev::mezoNeveSql(QStringLiteral("m.mezo")) +
                  QStringLiteral(", ', ') from table_naplo_mezo m where m.naplo_id = n.id), "
                                 "trim(coalesce(n.kliens_gep, '') || ' ' || coalesce(n.kliens_cim, '')), ") +
                  tanev::szemelySql(QStringLiteral("n.felhasznalo")) +
                  QStringLiteral(" from table_naplo n where n.diak_id = :id order by n.mikor, n.id"),
              studentId));
    return f;
}

QStringList missingSchoolData(const Sablon& sablon, const QHash<QString, QString>& fields) {
    static const std::pair<const char*, const char*> school[] = {{"iskola_nev", "az iskola neve"},
                                                                 {"iskola_cim", "az iskola címe"},
                                                                 {"iskola_om", "az iskola OM azonosítója"},
                                                                 {"igazgato", "az igazgató neve"},
                                                                 {"kelt_helye", "a keltezés helye"}};
    const QStringList used = sablon.fields();
    const bool signs = used.contains(QLatin1String("alairo"));
    const bool deputy = !fields.value(QStringLiteral("megbizasbol")).isEmpty();
    QStringList missing;
    for (const auto& [field, name] : school) {
        const QString f = QLatin1String(field);
        const bool needed = used.contains(f) || (f == QLatin1String("igazgato") && signs && !deputy);
        if (needed && fields.value(f).trimmed().isEmpty()) missing << QString::fromUtf8(name);
    }
    if (signs && deputy && fields.value(QStringLiteral("alairo")).isEmpty())
        missing << QStringLiteral("az aláíró helyettes neve");
    return missing;
}

QString missingSchoolDataText(const QStringList& missing) {
    return QStringLiteral("A dokumentum nem adható ki, mert hiányzik az iskola adatai közül: %1.\r\rPótolja "
                          "az „Éves ügyintézés” ablak „Az iskola adatai” gombjával.")
        .arg(missing.join(QStringLiteral(", ")));
}

QList<int> classStudents(db::Transaction& tr, int classId) {
    db::Statement s(tr.connection(), tr);
    s.prepare(QStringLiteral("select id from table_diak where osztaly_ID = :o order by nev, id"));
    s.bind({classId});
    s.execute();
    QList<int> ids;
    while (s.fetch())
        ids << s.value(0).toInt();
    return ids;
}

bool render(QPrinter& printer, const QStringList& htmls) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    bool first = true;
    for (const QString& html : htmls) {
        QTextDocument doc;
        doc.documentLayout()->setPaintDevice(&printer);
        QFont base(QStringLiteral("Liberation Serif"));
        base.setPointSizeF(11);
        doc.setDefaultFont(base);
        doc.setHtml(html);
        doc.setPageSize(page.size());
        for (int p = 0; p < doc.pageCount(); ++p) {
            if (!first && !printer.newPage()) {
                painter.end();
                return false;
            }
            first = false;
            painter.save();
            painter.translate(0, -p * page.height());
            doc.drawContents(&painter, QRectF(0, p * page.height(), page.width(), page.height()));
            painter.restore();
        }
    }
    return painter.end();
}

namespace {

// The student's fields, refused when the school's data the template uses is missing or
// when a leaver would get what only a student in the registry may.
QHash<QString, QString> checkedFields(db::Transaction& tr, const Sablon& sablon, int id) {
    QHash<QString, QString> f = studentFields(tr, id);
    if (const QStringList missing = missingSchoolData(sablon, f); !missing.isEmpty())
        throw db::Error(missingSchoolDataText(missing));
    if (!f.value(QStringLiteral("kilepes_datum")).isEmpty() && !sablon.forLeavers)
        throw db::Error(
            QStringLiteral("%1 kilépett tanuló: %2 nem adható ki neki, csak adatlap.")
                .arg(f.value(QStringLiteral("nev")), ui::aAz(QStringLiteral("„%1”").arg(sablon.title))));
    return f;
}

void addDocumentFields(QHash<QString, QString>& f, const Sablon& sablon, int year, const QDate& day,
                       const QHash<QString, QString>& extra, const QString& number) {
    addSchoolYearFields(f, year);
    f.insert(QStringLiteral("cel"), QStringLiteral("kérésére"));
    for (auto e = extra.begin(); e != extra.end(); ++e)
        if (!e.value().trimmed().isEmpty()) f.insert(e.key(), e.value().trimmed());
    f.insert(QStringLiteral("kelt"), day.toString(db::kDateFormat));
    f.insert(QStringLiteral("iktatoszam"), number);
    f.insert(QStringLiteral("sablon"), sablon.title);
    f.insert(QStringLiteral("keszult"),
             QDateTime::currentDateTime().toString(QStringLiteral("yyyy.MM.dd. HH:mm")));
}

} // namespace

QStringList preview(db::Connection& connection, const Sablon& sablon, int year, const QList<int>& students,
                    const QDate& day, const QHash<QString, QString>& extra) {
    db::Transaction tr(connection); // the statuses' read is recorded
    QStringList htmls;
    for (int id : students) {
        QHash<QString, QString> f = checkedFields(tr, sablon, id);
        addDocumentFields(f, sablon, year, day, extra, QStringLiteral("kiadáskor"));
        htmls << sablon.fill(f);
    }
    tr.commit();
    return htmls;
}

int issue(db::Connection& connection, const Sablon& sablon, int year, const QList<int>& students,
          const QDate& day, const std::function<bool(const QStringList&)>& output,
          const QHash<QString, QString>& extra) {
    constexpr int kTries = 200;
    tanev::naploOsszevon(connection); // the data sheet lists the log up to now
    for (int attempt = 1;; ++attempt) {
        db::Transaction tr(connection);
        try {
            tr.start();
            QStringList htmls;
            int firstNumber = 0;
            for (int id : students) {
                QHash<QString, QString> f = checkedFields(tr, sablon, id);
                db::Statement take(connection, tr);
                take.prepare(QStringLiteral(
                    "select sorszam from PRC_DOKUMENTUM_IKTATASA(:tanev, :sablon, :diak, :nev)"));
                take.bind({year, sablon.title, id, f.value(QStringLiteral("nev"))});
                take.execute();
                take.fetch();
                const int number = take.value(0).toInt();
                take.closeCursor();
                if (!firstNumber) firstNumber = number;
                addDocumentFields(f, sablon, year, day, extra,
                                  QStringLiteral("%1/%2").arg(number).arg(schoolYearText(year)));
                htmls << sablon.fill(f);
            }
            if (!output(htmls)) {
                tr.rollback();
                throw db::Error(
                    QStringLiteral("A dokumentum nem készült el, ezért nem kapott iktatószámot."));
            }
            tr.commit();
            return firstNumber;
        } catch (const db::DbError& e) {
            try {
                tr.rollback();
            } catch (const db::Error&) {
            }
            // Another copy holds the year's counter for a moment: its numbers come first.
            const bool busy = e.isConflict() || e.hasCode(isc_unique_key_violation) || e.hasCode(isc_no_dup);
            if (!busy || attempt >= kTries) throw;
            QThread::msleep(10 + QRandomGenerator::global()->bounded(40));
        }
    }
}

} // namespace documents
