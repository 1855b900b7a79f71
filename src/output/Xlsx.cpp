#include "Xlsx.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>
#include <xlsxwriter.h>

#include "Report.h"
#include "db/Values.h"
#include "ui/Nevelo.h"

namespace output {

namespace {

constexpr int kTextMax = 32767;    // the longest text a cell holds
constexpr double kExactMax = 1e15; // past this a spreadsheet rounds an integer: it goes as text
constexpr double kWidthMin = 8.43; // the spreadsheet's own default
constexpr double kWidthMax = 60;   // a longer text is read in the cell, not across the screen
constexpr int kSheetNameMax = 31;

// A spreadsheet refuses these characters in a sheet's name, and quotes at its ends.
QString sheetNameOf(const QString& name) {
    QString s = name.trimmed();
    for (QChar& c : s)
        if (QStringLiteral("[]:*?/\\").contains(c)) c = u'_';
    if (s.size() > kSheetNameMax)
        s.truncate(s.at(kSheetNameMax - 1).isHighSurrogate() ? kSheetNameMax - 1 : kSheetNameMax);
    while (s.startsWith(u'\''))
        s.remove(0, 1);
    while (s.endsWith(u'\''))
        s.chop(1);
    return s.isEmpty() ? QStringLiteral("Munka1") : s;
}

lxw_datetime excelTime(const QDate& d, const QTime& t) {
    lxw_datetime x{};
    if (d.isValid()) {
        x.year = d.year();
        x.month = d.month();
        x.day = d.day();
    }
    x.hour = t.hour();
    x.min = t.minute();
    x.sec = t.second() + t.msec() / 1000.0;
    return x;
}

// Widths in characters of the longest line, a little over for wide letters.
double widthOf(qsizetype characters) {
    return std::clamp(static_cast<double>(characters) * 1.1 + 2, kWidthMin, kWidthMax);
}
double widthOfText(const QString& text) {
    qsizetype longest = 0;
    for (QStringView line : QStringView(text).split(u'\n'))
        longest = std::max(longest, line.size());
    return widthOf(longest);
}

class Sheet {
  public:
    Sheet(lxw_workbook* book, lxw_worksheet* sheet, int columns)
        : sheet_(sheet), widths_(static_cast<size_t>(columns), kWidthMin) {
        bold_ = workbook_add_format(book);
        format_set_bold(bold_);
        date_ = workbook_add_format(book);
        format_set_num_format(date_, "yyyy.mm.dd.");
        dateTime_ = workbook_add_format(book);
        format_set_num_format(dateTime_, "yyyy.mm.dd. hh:mm:ss");
        time_ = workbook_add_format(book);
        format_set_num_format(time_, "hh:mm:ss");
    }

    lxw_error title(int column, const QString& text) { return text_(0, column, text, bold_); }

    lxw_error put(int row, int column, const QVariant& v) {
        if (v.isNull()) return LXW_NO_ERROR;
        switch (v.typeId()) {
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Float:
        case QMetaType::Double: {
            const double n = v.toDouble();
            if (!std::isfinite(n) || std::abs(n) >= kExactMax) break;
            widen(column, widthOf(QString::number(n, 'g', 15).size()));
            return worksheet_write_number(sheet_, cellRow(row), cellColumn(column), n, nullptr);
        }
        case QMetaType::QDate:
            if (!inRange(v.toDate())) break;
            return stamp(row, column, excelTime(v.toDate(), QTime(0, 0)), date_, 11);
        case QMetaType::QDateTime: {
            const QDateTime t = v.toDateTime();
            if (!inRange(t.date())) break;
            return stamp(row, column, excelTime(t.date(), t.time()), dateTime_, 20);
        }
        case QMetaType::QTime:
            if (!v.toTime().isValid()) break;
            return stamp(row, column, excelTime(QDate(), v.toTime()), time_, 8);
        default:
            break;
        }
        return text_(row, column, db::displayText(v), nullptr);
    }

    lxw_error setWidths() {
        for (size_t c = 0; c < widths_.size(); ++c)
            if (const lxw_error e =
                    worksheet_set_column(sheet_, cellColumn(static_cast<int>(c)),
                                         cellColumn(static_cast<int>(c)), widths_[c], nullptr))
                return e;
        return LXW_NO_ERROR;
    }

  private:
    static lxw_row_t cellRow(int row) { return static_cast<lxw_row_t>(row); }
    static lxw_col_t cellColumn(int column) { return static_cast<lxw_col_t>(column); }
    // The spreadsheet's dates begin with 1900; earlier ones stay as text.
    static bool inRange(const QDate& d) { return d.isValid() && d.year() >= 1900 && d.year() <= 9999; }
    lxw_error stamp(int row, int column, lxw_datetime when, lxw_format* format, int characters) {
        widen(column, widthOf(characters));
        return worksheet_write_datetime(sheet_, cellRow(row), cellColumn(column), &when, format);
    }
    void widen(int column, double width) {
        double& w = widths_[static_cast<size_t>(column)];
        w = std::max(w, width);
    }
    lxw_error text_(int row, int column, const QString& text, lxw_format* format) {
        if (text.isEmpty()) return LXW_NO_ERROR;
        widen(column, widthOfText(text));
        // Written as a string, never as a formula: "=1+1" and "+36 …" stay what they are.
        const QByteArray bytes = text.left(kTextMax).toUtf8();
        return worksheet_write_string(sheet_, cellRow(row), cellColumn(column), bytes.constData(), format);
    }

    lxw_worksheet* sheet_;
    std::vector<double> widths_;
    lxw_format* bold_;
    lxw_format* date_;
    lxw_format* dateTime_;
    lxw_format* time_;
};

const QString kUnwritable = QStringLiteral("a fájl nem hozható létre, vagy nem írható");

// The reason it failed, empty when written; the file at part is the library's to write.
QString writeBook(const QString& part, const QString& sheetName, const QStringList& titles, int rowCount,
                  const std::function<QVariant(int, int)>& cell, Progress* progress) {
    const QByteArray file = QFile::encodeName(part);
    QByteArray tmp = QFile::encodeName(QDir::tempPath());
    // Constant memory: each row goes to a temporary file as it is written.
    lxw_workbook_options options{LXW_TRUE, tmp.data(), LXW_FALSE};
    // Freed unclosed, leaving no half file, when anything stops the writing.
    std::unique_ptr<lxw_workbook, void (*)(lxw_workbook*)> book(workbook_new_opt(file.constData(), &options),
                                                                lxw_workbook_free);
    if (!book) return kUnwritable;
    const QByteArray name = sheetNameOf(sheetName).toUtf8();
    lxw_worksheet* ws = workbook_add_worksheet(book.get(), name.constData());
    if (!ws) return kUnwritable;
    Sheet sheet(book.get(), ws, static_cast<int>(titles.size()));
    lxw_error failed = LXW_NO_ERROR;
    for (int c = 0; c < titles.size() && !failed; ++c)
        failed = sheet.title(c, titles.at(c));
    worksheet_freeze_panes(ws, 1, 0);
    for (int row = 0; row < rowCount && !failed; ++row) {
        if (row % 500 == 0 && progress && !progress->step(QStringLiteral("Excel-fájl írása…"), row, rowCount))
            throw Cancelled{};
        for (int c = 0; c < titles.size() && !failed; ++c)
            failed = sheet.put(row + 1, c, cell(row, c));
    }
    if (!failed) failed = sheet.setWidths();
    if (failed) return kUnwritable;
    // Closing writes the file and frees the workbook, whatever it answers.
    return workbook_close(book.release()) == LXW_NO_ERROR ? QString() : kUnwritable;
}

// Several sheets, each small enough to be held whole.
QString writeBook(const QString& part, const QList<output::Sheet>& sheets) {
    const QByteArray file = QFile::encodeName(part);
    QByteArray tmp = QFile::encodeName(QDir::tempPath());
    lxw_workbook_options options{LXW_TRUE, tmp.data(), LXW_FALSE};
    std::unique_ptr<lxw_workbook, void (*)(lxw_workbook*)> book(workbook_new_opt(file.constData(), &options),
                                                                lxw_workbook_free);
    if (!book) return kUnwritable;
    for (const output::Sheet& data : sheets) {
        const QByteArray name = sheetNameOf(data.name).toUtf8();
        lxw_worksheet* ws = workbook_add_worksheet(book.get(), name.constData());
        if (!ws) return kUnwritable;
        Sheet sheet(book.get(), ws, static_cast<int>(data.titles.size()));
        lxw_error failed = LXW_NO_ERROR;
        for (int c = 0; c < data.titles.size() && !failed; ++c)
            failed = sheet.title(c, data.titles.at(c));
        worksheet_freeze_panes(ws, 1, 0);
        for (int row = 0; row < data.rows.size() && !failed; ++row)
            for (int c = 0; c < data.titles.size() && !failed; ++c)
                failed = sheet.put(row + 1, c, data.rows.at(row).value(c));
        if (!failed) failed = sheet.setWidths();
        if (failed) return kUnwritable;
    }
    return workbook_close(book.release()) == LXW_NO_ERROR ? QString() : kUnwritable;
}

// The reason it cannot be written at all, before anything is.
QString tooLarge(int rowCount, qsizetype columns) {
    if (rowCount + 1 > LXW_ROW_MAX)
        return QStringLiteral("%1 sor nem fér el egy munkalapon (legfeljebb %2)")
            .arg(rowCount)
            .arg(LXW_ROW_MAX - 1);
    if (columns > LXW_COL_MAX)
        return QStringLiteral("%1 oszlop nem fér el egy munkalapon (legfeljebb %2)")
            .arg(columns)
            .arg(LXW_COL_MAX);
    return {};
}

QString writeSheet(const QString& path, const QString& sheetName, const QStringList& titles, int rowCount,
                   const std::function<QVariant(int, int)>& cell, Progress* progress) {
    QString reason = tooLarge(rowCount, titles.size());
    if (!reason.isEmpty()) return reason;
    writeAside(path, reason, [&](const QString& part) {
        reason = writeBook(part, sheetName, titles, rowCount, cell, progress);
        return reason.isEmpty();
    });
    return reason;
}

} // namespace

QString writeXlsx(const QString& path, const QString& sheetName, const QStringList& titles, int rowCount,
                  const std::function<QVariant(int row, int column)>& cell, Progress* progress) {
    const QString reason = writeSheet(path, sheetName, titles, rowCount, cell, progress);
    if (reason.isEmpty()) return {};
    return QStringLiteral("%1 fájl mentése nem sikerült: %2.")
        .arg(ui::aAz(QDir::toNativeSeparators(path), true), reason);
}

bool writeXlsx(const QString& path, const RowStream& rows, QString& error, Progress* progress) {
    if (rows.rowCount > std::numeric_limits<int>::max()) {
        error = tooLarge(std::numeric_limits<int>::max(), rows.headers.size());
        return false;
    }
    QVariantList current;
    int at = -1;
    error = writeSheet(
        path, rows.title, rows.headers, static_cast<int>(rows.rowCount),
        [&](int row, int column) {
            // the writer asks row by row, column by column
            while (at < row) {
                current.clear();
                if (!rows.next(current)) current.clear();
                ++at;
            }
            return current.value(column);
        },
        progress);
    return error.isEmpty();
}

bool writeXlsx(const QString& path, const Report& report, QString& error, Progress* progress) {
    error = writeSheet(
        path, report.title, report.headers, report.rowCount(),
        [&report](int row, int column) { return report.value(row, column); }, progress);
    return error.isEmpty();
}

bool writeXlsx(const QString& path, const QList<output::Sheet>& sheets, QString& error) {
    for (const output::Sheet& sheet : sheets)
        if (error = tooLarge(static_cast<int>(sheet.rows.size()), sheet.titles.size()); !error.isEmpty())
            return false;
    writeAside(path, error, [&](const QString& part) {
        error = writeBook(part, sheets);
        return error.isEmpty();
    });
    return error.isEmpty();
}

} // namespace output
