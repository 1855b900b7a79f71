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

namespace documents {

int schoolYearOn(const QDate& day) {
    return day.month() >= 9 ? day.year() : day.year() - 1;
}

QString schoolYearText(int year) {
    return QStringLiteral("%1/%2").arg(year).arg(year + 1);
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

QHash<QString, QString> studentFields(db::Transaction& tr, int studentId) {
    db::Statement s(tr.connection(), tr);
    s.prepare(kStudent);
    s.bind({studentId});
    s.execute();
    if (!s.fetch())
        throw db::Error(QStringLiteral("A tanuló (ID: %1) már nem szerepel az adatbázisban.").arg(studentId));
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
                                        "kelt_helye"};
    QHash<QString, QString> f;
    for (int c = 0; c < static_cast<int>(std::size(names)); ++c)
        f.insert(QString::fromLatin1(names[c]), db::displayText(s.value(c)));
    s.closeCursor();
    if (!f.value(QStringLiteral("evfolyam")).isEmpty())
        f[QStringLiteral("evfolyam")] = schoolYearText(f.value(QStringLiteral("evfolyam")).toInt());
    if (!f.value(QStringLiteral("osztaly_szam")).isEmpty())
        f.insert(QStringLiteral("osztaly"), f.value(QStringLiteral("osztaly_szam")) + QLatin1Char('.') +
                                                f.value(QStringLiteral("osztaly_betu")));
    return f;
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

int issue(db::Connection& connection, const Sablon& sablon, int year, const QList<int>& students,
          const QDate& day, const std::function<bool(const QStringList&)>& output) {
    constexpr int kTries = 200;
    for (int attempt = 1;; ++attempt) {
        db::Transaction tr(connection);
        try {
            tr.start();
            QStringList htmls;
            int firstNumber = 0;
            for (int id : students) {
                QHash<QString, QString> f = studentFields(tr, id);
                db::Statement take(connection, tr);
                take.prepare(QStringLiteral(
                    "select sorszam from PRC_DOKUMENTUM_IKTATASA(:tanev, :sablon, :diak, :nev)"));
                take.bind({year, sablon.title, id, f.value(QStringLiteral("nev"))});
                take.execute();
                take.fetch();
                const int number = take.value(0).toInt();
                take.closeCursor();
                if (!firstNumber) firstNumber = number;
                f.insert(QStringLiteral("tanev"), schoolYearText(year));
                f.insert(QStringLiteral("kelt"), day.toString(db::kDateFormat));
                f.insert(QStringLiteral("iktatoszam"),
                         QStringLiteral("%1/%2").arg(number).arg(schoolYearText(year)));
                f.insert(QStringLiteral("sablon"), sablon.title);
                f.insert(QStringLiteral("keszult"),
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy.MM.dd. HH:mm")));
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
