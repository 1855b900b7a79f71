#include "Report.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTextLayout>
#include <climits>
#include <filesystem>
#include <vector>

#include "db/Dataset.h"
#include "db/Values.h"
#include "ui/Dialogs.h"

namespace output {

namespace {

// Counts and amounts line up on the right; codes made of digits are text to the database.
bool isNumber(const db::Dataset& list, int column) {
    for (int row = 0; row < list.rowCount(); ++row) {
        const QVariant v = list.value(row, column);
        if (v.isNull()) continue;
        switch (v.typeId()) {
        case QMetaType::Short:
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Float:
        case QMetaType::Double:
            return true;
        default:
            return false;
        }
    }
    return false;
}

bool stepped(Progress* progress, const QString& what, qint64 done, qint64 total) {
    return !progress || progress->step(what, done, total);
}

} // namespace

int Report::rowCount() const {
    return list ? list->rowCount() : static_cast<int>(rows.size());
}

QVariant Report::value(int row, int column) const {
    return list ? list->value(row, column) : QVariant(rows.at(row).value(column));
}

QString Report::cell(int row, int column) const {
    return list ? db::displayText(list->value(row, column)) : rows.at(row).value(column);
}

Report Report::of(db::Dataset& list, const QString& title, const QStringList& details, Progress* progress) {
    const bool whole = list.fetchAll(
        [progress](qint64 rows) { return stepped(progress, QStringLiteral("Sorok beolvasása…"), rows, 0); });
    if (!whole) throw Cancelled{};
    Report r{title, details, {}, {}, {}, &list};
    for (int c = 0; c < list.columnCount(); ++c) {
        r.headers << list.fieldName(c);
        r.numeric << isNumber(list, c);
    }
    return r;
}

// ---- CSV ----

namespace {
// Excel's own limit for a text inside a formula.
constexpr qsizetype kFormulaTextMax = 255;

bool looksLikeFormula(const QString& value) {
    return !value.isEmpty() && QStringLiteral("=+-@").contains(value.front());
}
} // namespace

QString csvField(const QString& value, bool number) {
    QString text = value;
    if (!number && looksLikeFormula(value)) {
        // ="…" shows exactly the text; a text too long for that keeps a leading apostrophe.
        text = value.size() <= kFormulaTextMax
                   ? QStringLiteral("=\"") + QString(value).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                         QLatin1Char('"')
                   : QLatin1Char('\'') + value;
    }
    const bool quoted = text.contains(QLatin1Char(';')) || text.contains(QLatin1Char('"')) ||
                        text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
                        (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quoted) return text;
    text.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString csvText(const QString& field) {
    if (field.startsWith(QLatin1String("=\"")) && field.endsWith(QLatin1Char('"')) && field.size() >= 3) {
        const QString inner = field.mid(2, field.size() - 3);
        if (looksLikeFormula(inner))
            return QString(inner).replace(QLatin1String("\"\""), QLatin1String("\""));
    }
    if (field.size() > kFormulaTextMax + 1 && field.startsWith(QLatin1Char('\'')) &&
        looksLikeFormula(field.mid(1)))
        return field.mid(1);
    return field;
}

namespace {
QByteArray csvLine(const QStringList& fields, const QList<bool>& numeric) {
    QStringList out;
    for (int c = 0; c < fields.size(); ++c)
        out << csvField(fields.at(c), numeric.value(c));
    return (out.join(QLatin1Char(';')) + QLatin1String("\r\n")).toUtf8();
}

QStringList rowOf(const Report& report, int row) {
    QStringList fields;
    for (int c = 0; c < report.headers.size(); ++c)
        fields << report.cell(row, c);
    return fields;
}
} // namespace

QByteArray csvContent(const Report& report) {
    QByteArray bytes("\xEF\xBB\xBF");
    bytes += csvLine(report.headers, {});
    for (int row = 0; row < report.rowCount(); ++row)
        bytes += csvLine(rowOf(report, row), report.numeric);
    return bytes;
}

bool writeCsv(const QString& path, const Report& report, QString& error, Progress* progress) {
    // Written aside and renamed at the end: a failure never leaves half a file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    file.write("\xEF\xBB\xBF");
    file.write(csvLine(report.headers, {}));
    const int n = report.rowCount();
    for (int row = 0; row < n; ++row) {
        if (row % 500 == 0 && !stepped(progress, QStringLiteral("CSV-fájl írása…"), row, n)) {
            file.cancelWriting();
            throw Cancelled{};
        }
        file.write(csvLine(rowOf(report, row), report.numeric));
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

bool writeCsv(const QString& path, const RowStream& rows, QString& error, Progress* progress) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    file.write("\xEF\xBB\xBF");
    file.write(csvLine(rows.headers, {}));
    QVariantList row;
    QStringList fields;
    QList<bool> numeric;
    for (qint64 done = 0;; ++done) {
        if (done % 500 == 0 && !stepped(progress, QStringLiteral("CSV-fájl írása…"), done, rows.rowCount)) {
            file.cancelWriting();
            throw Cancelled{};
        }
        row.clear();
        if (!rows.next(row)) break;
        fields.clear();
        numeric.clear();
        for (const QVariant& v : row) {
            fields << db::displayText(v);
            numeric << (!v.isNull() && (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong ||
                                        v.typeId() == QMetaType::Short || v.typeId() == QMetaType::Double));
        }
        file.write(csvLine(fields, numeric));
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

// ---- print ----

namespace {

constexpr qreal kBodyMaxPt = 9.0;
constexpr qreal kBodyMinPt = 7.0;
constexpr qreal kMarginMm = 12.0;

QFont arialPt(qreal points, bool bold = false) {
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// The width a cell's text takes unwrapped: its longest line.
qreal textWidth(const QFontMetricsF& fm, const QString& text) {
    qreal w = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        w = qMax(w, fm.horizontalAdvance(line));
    return w;
}

// A cell's text broken into the lines it is painted in: measured and painted the same
// way, so that no line is lost between the two.
QStringList wrapLines(const QFont& font, const QPaintDevice* device, const QString& text, qreal width) {
    QStringList out;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font, const_cast<QPaintDevice*>(device));
        layout.setTextOption(option);
        layout.beginLayout();
        const qsizetype before = out.size();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            out << paragraph.mid(line.textStart(), line.textLength());
        }
        layout.endLayout();
        if (out.size() == before) out << QString();
    }
    return out;
}

struct Widths {
    std::vector<qreal> natural; // every cell on one line
    std::vector<qreal> minimum; // the column title on one line
    qreal total() const {
        qreal sum = 0;
        for (qreal w : natural)
            sum += w;
        return sum;
    }
};

qreal paddingFor(const QFontMetricsF& body) {
    return body.height() * 0.25;
}

Widths measure(const Report& r, qreal bodyPt, const QPaintDevice* device) {
    const QFontMetricsF head(arialPt(bodyPt, true), device);
    const QFontMetricsF body(arialPt(bodyPt), device);
    const qreal pad = 2 * paddingFor(body);
    Widths w;
    for (int c = 0; c < r.headers.size(); ++c) {
        const qreal title = head.horizontalAdvance(r.headers.at(c)) + pad;
        qreal widest = title;
        for (int row = 0; row < r.rowCount(); ++row)
            widest = qMax(widest, textWidth(body, r.cell(row, c)) + pad);
        w.natural.push_back(widest);
        w.minimum.push_back(title);
    }
    return w;
}

// A table wider than the page: the narrow columns keep their width and the wide ones
// share what is left, none narrower than its title. A narrower one fills the page.
std::vector<qreal> fit(const Widths& w, qreal available) {
    std::vector<qreal> out = w.natural;
    const qreal total = w.total();
    if (total <= 0) return out;
    if (total <= available) {
        for (qreal& x : out)
            x *= available / total;
        return out;
    }
    std::vector<size_t> order(out.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return w.natural[a] < w.natural[b]; });
    qreal left = available;
    for (size_t k = 0; k < order.size(); ++k) {
        const size_t c = order[k];
        const qreal share = left / static_cast<qreal>(order.size() - k);
        out[c] = qMax(qMin(w.natural[c], share), w.minimum[c]);
        left -= out[c];
    }
    return out;
}

// The report laid out on pages of one size, then painted page by page. A page holds
// pieces of rows: whole rows, or the lines of a row taller than a page that fit on it.
class Sheet {
  public:
    Sheet(const Report& r, const QPaintDevice* device, QSizeF area, Progress* progress)
        : r_(r), device_(device), area_(area) {
        qreal pt = kBodyMaxPt;
        Widths w = measure(r, pt, device);
        // Smaller type before wrapped cells, down to what still reads well.
        while (w.total() > area.width() && pt > kBodyMinPt) {
            pt -= 0.5;
            w = measure(r, pt, device);
        }
        body_ = arialPt(pt);
        head_ = arialPt(pt, true);
        title_ = arialPt(14, true);
        details_ = arialPt(9);
        small_ = arialPt(7.5);
        const QFontMetricsF bm(body_, device);
        pad_ = paddingFor(bm);
        line_ = bm.lineSpacing();
        widths_ = fit(w, area.width());

        headHeight_ = QFontMetricsF(head_, device).height() + 2 * pad_;
        const int n = r.rowCount();
        rowLines_.reserve(static_cast<size_t>(n));
        for (int row = 0; row < n; ++row) {
            if (row % 500 == 0 && !stepped(progress, QStringLiteral("Oldalak tördelése…"), row, n))
                throw Cancelled{};
            qsizetype lines = 1;
            for (int c = 0; c < r.headers.size(); ++c)
                lines = qMax(lines, cellLines(row, c).size());
            rowLines_.push_back(static_cast<int>(lines));
        }
        const qreal gap = bm.height() * 0.6;
        firstTop_ = QFontMetricsF(title_, device).height() +
                    wrapped(QFontMetricsF(details_, device), detailsLine(), area.width()).height() + gap;
        otherTop_ = QFontMetricsF(small_, device).height() + gap;
        foot_ = QFontMetricsF(small_, device).height() + gap;
        paginate();
    }

    int pageCount() const { return static_cast<int>(pages_.size()); }

    void paint(QPainter& p, int page) const {
        const qreal w = area_.width();
        p.setPen(QPen(Qt::black, device_->logicalDpiX() * 0.6 / 72.0));
        qreal y = 0;
        if (page == 0) {
            p.setFont(title_);
            const qreal th = QFontMetricsF(title_, device_).height();
            p.drawText(QRectF(0, 0, w, th), Qt::AlignLeft | Qt::AlignVCenter, r_.title);
            p.setFont(details_);
            const QRectF d = wrapped(QFontMetricsF(details_, device_), detailsLine(), w);
            p.drawText(QRectF(0, th, w, d.height()), Qt::AlignLeft | Qt::TextWordWrap, detailsLine());
            y = firstTop_;
        } else {
            // Pages that get separated still say what they belong to.
            p.setFont(small_);
            p.drawText(QRectF(0, 0, w, QFontMetricsF(small_, device_).height()), Qt::AlignLeft,
                       r_.title + QStringLiteral(" – ") + detailsLine());
            y = otherTop_;
        }

        p.setFont(head_);
        qreal x = 0;
        for (int c = 0; c < r_.headers.size(); ++c) {
            const QRectF cell(x, y, widths_[static_cast<size_t>(c)], headHeight_);
            p.fillRect(cell, QColor(225, 225, 225));
            p.drawRect(cell);
            p.drawText(cell.adjusted(pad_, pad_, -pad_, -pad_), Qt::AlignLeft | Qt::AlignVCenter,
                       r_.headers.at(c));
            x += cell.width();
        }
        y += headHeight_;

        p.setFont(body_);
        const QFontMetricsF fm(body_, device_);
        for (const Piece& piece : pages_[static_cast<size_t>(page)]) {
            const qreal h = piece.lines * line_ + 2 * pad_;
            x = 0;
            for (int c = 0; c < r_.headers.size(); ++c) {
                const qreal cw = widths_[static_cast<size_t>(c)];
                p.drawRect(QRectF(x, y, cw, h));
                const QStringList lines = cellLines(piece.row, c);
                const bool right = r_.numeric.value(c);
                for (int i = 0; i < piece.lines; ++i) {
                    const QString text = lines.value(piece.firstLine + i);
                    if (text.isEmpty()) continue;
                    const qreal tx = right ? x + cw - pad_ - fm.horizontalAdvance(text) : x + pad_;
                    p.drawText(QPointF(tx, y + pad_ + i * line_ + fm.ascent()), text);
                }
                x += cw;
            }
            y += h;
        }
        if (r_.rowCount() == 0)
            p.drawText(QRectF(0, y + pad_, w, headHeight_), Qt::AlignLeft,
                       QStringLiteral("Nincs megjeleníthető sor."));

        p.setFont(small_);
        p.drawText(QRectF(0, area_.height() - foot_, w, foot_), Qt::AlignHCenter | Qt::AlignBottom,
                   QStringLiteral("%1. oldal / %2").arg(page + 1).arg(pageCount()));
    }

  private:
    struct Piece {
        int row;
        int firstLine;
        int lines;
    };

    QString detailsLine() const { return r_.details.join(QStringLiteral("     ")); }

    QStringList cellLines(int row, int column) const {
        return wrapLines(body_, device_, r_.cell(row, column),
                         widths_[static_cast<size_t>(column)] - 2 * pad_);
    }

    static QRectF wrapped(const QFontMetricsF& fm, const QString& text, qreal width) {
        return fm.boundingRect(QRectF(0, 0, width, 1e9), Qt::TextWordWrap, text);
    }

    // Rows go on a page while they fit whole; a row that fits on no page goes on in
    // pieces of whole lines, from one page to the next.
    void paginate() {
        const qreal bottom = area_.height() - foot_;
        auto newPage = [&] {
            pages_.emplace_back();
            return (pages_.size() == 1 ? firstTop_ : otherTop_) + headHeight_;
        };
        qreal y = newPage();
        for (size_t row = 0; row < rowLines_.size(); ++row) {
            const int total = rowLines_[row];
            const qreal whole = total * line_ + 2 * pad_;
            if (y + whole > bottom && whole <= bottom - newTop() && !pages_.back().empty()) y = newPage();
            for (int line = 0; line < total;) {
                int room = static_cast<int>((bottom - y - 2 * pad_) / line_);
                if (room < 1) {
                    if (!pages_.back().empty()) {
                        y = newPage();
                        continue;
                    }
                    room = 1; // a page smaller than a line still moves on
                }
                const int take = qMin(room, total - line);
                pages_.back().push_back({static_cast<int>(row), line, take});
                y += take * line_ + 2 * pad_;
                line += take;
                if (line < total) y = newPage();
            }
        }
    }

    qreal newTop() const { return otherTop_ + headHeight_; }

    const Report& r_;
    const QPaintDevice* device_;
    QSizeF area_;
    QFont body_, head_, title_, details_, small_;
    qreal pad_ = 0;
    qreal line_ = 0;
    std::vector<qreal> widths_;
    qreal headHeight_ = 0;
    std::vector<int> rowLines_;
    qreal firstTop_ = 0, otherTop_ = 0, foot_ = 0;
    std::vector<std::vector<Piece>> pages_;
};

// Shown only when the work takes long enough to be noticed.
class ProgressWindow : public Progress {
  public:
    explicit ProgressWindow(QWidget* parent) : dialog_(parent) {
        dialog_.setWindowTitle(ui::kProgramName);
        dialog_.setCancelButtonText(QStringLiteral("Mégse"));
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setMinimumDuration(700);
        dialog_.setAutoReset(false);
        dialog_.setAutoClose(false);
        dialog_.setValue(0);
    }
    bool step(const QString& what, qint64 done, qint64 total) override {
        dialog_.setLabelText(what);
        // A total not known yet shows as a moving bar.
        const int max = total > 0 ? static_cast<int>(qMin<qint64>(total, INT_MAX)) : 0;
        if (dialog_.maximum() != max) dialog_.setRange(0, max);
        dialog_.setValue(max > 0 ? static_cast<int>(qMin<qint64>(done, max)) : 0);
        QCoreApplication::processEvents();
        return !dialog_.wasCanceled();
    }

  private:
    QProgressDialog dialog_;
};

QString lastFolder; // of this run only: the program keeps no settings

class StandardOutputs : public OutputService {
  public:
    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                         const QString& filter) override {
        const QString path = QFileDialog::getSaveFileName(parent, caption, startPath(suggested), filter);
        rememberFolder(path);
        return path;
    }
    bool choosePrinter(QWidget* parent, QPrinter& printer) override {
        QPrintDialog dialog(&printer, parent);
        dialog.setWindowTitle(QStringLiteral("Nyomtatás"));
        return dialog.exec() == QDialog::Accepted;
    }
};

OutputService* currentOutputs = nullptr;

} // namespace

QPageLayout::Orientation orientationFor(const Report& report) {
    // Measured in points: a 72 dpi image stands in for the paper.
    QImage points(1, 1, QImage::Format_Mono);
    points.setDotsPerMeterX(qRound(72 / 0.0254));
    points.setDotsPerMeterY(qRound(72 / 0.0254));
    const QPageLayout portrait(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                               QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                               QPageLayout::Millimeter);
    const qreal width = portrait.paintRect(QPageLayout::Point).width();
    return measure(report, kBodyMaxPt, &points).total() > width ? QPageLayout::Landscape
                                                                : QPageLayout::Portrait;
}

void setUpPrinter(QPrinter& printer, const Report& report) {
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(orientationFor(report));
    printer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
    printer.setDocName(report.title);
    printer.setCreator(ui::kProgramName);
}

bool printReport(QPrinter& printer, const Report& report, Progress* progress) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    try {
        const Sheet sheet(report, &printer, QSizeF(printer.width(), printer.height()), progress);
        for (int page = 0; page < sheet.pageCount(); ++page) {
            if (!stepped(progress, QStringLiteral("Oldalak nyomtatása…"), page, sheet.pageCount()))
                throw Cancelled{};
            if (page > 0 && !printer.newPage()) {
                painter.end();
                return false;
            }
            sheet.paint(painter, page);
        }
    } catch (const Cancelled&) {
        printer.abort();
        painter.end();
        throw;
    }
    return painter.end();
}

bool writeAside(const QString& path, QString& error, const std::function<bool(const QString& part)>& write) {
    // Written aside and renamed when whole: a failure leaves no half file and an older
    // file of that name stays as it was.
    const QFileInfo target(path);
    QTemporaryFile part(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                        QStringLiteral(".XXXXXX.part"));
    if (!part.open()) {
        error = part.errorString();
        return false;
    }
    part.close();
    const bool written = write(part.fileName());
    // The temporary file is the owner's alone; the saved one is as any other they save.
    QFile::setPermissions(part.fileName(), target.exists()
                                               ? target.permissions()
                                               : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                                     QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther);
    std::error_code failed;
    if (written && QFileInfo(part.fileName()).size() > 0)
        std::filesystem::rename(std::filesystem::path(part.fileName().toStdU16String()),
                                std::filesystem::path(path.toStdU16String()), failed);
    if (!written || failed) {
        if (error.isEmpty()) error = QStringLiteral("a fájl nem hozható létre, vagy nem írható");
        return false;
    }
    part.setAutoRemove(false);
    return true;
}

bool writePdfAside(const QString& path, QString& error, const std::function<bool(QPrinter&)>& paint) {
    return writeAside(path, error, [&paint](const QString& part) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(part);
        return paint(printer);
    });
}

bool writePdf(const QString& path, const Report& report, QString& error, Progress* progress) {
    return writePdfAside(path, error, [&](QPrinter& printer) {
        setUpPrinter(printer, report);
        return printReport(printer, report, progress);
    });
}

QString startPath(const QString& suggested) {
    const QFileInfo info(suggested);
    QString folder = suggested.isEmpty() || !info.isAbsolute() ? QString()
                     : info.isDir()                            ? info.absoluteFilePath()
                                                               : info.absolutePath();
    const QString name = info.isDir() ? QString() : info.fileName();
    if (folder.isEmpty() || QDir(folder) == QDir::home()) {
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        folder = !lastFolder.isEmpty() && QDir(lastFolder).exists() ? lastFolder
                 : QDir(documents).exists()                         ? documents
                                                                    : QDir::homePath();
    }
    return name.isEmpty() ? folder : QDir(folder).filePath(name);
}

void rememberFolder(const QString& chosen) {
    if (!chosen.isEmpty()) lastFolder = QFileInfo(chosen).absolutePath();
}

QString OutputService::openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                    const QString& filter) {
    const QString path = QFileDialog::getOpenFileName(parent, caption, startPath(folder), filter);
    rememberFolder(path);
    return path;
}

std::unique_ptr<Progress> OutputService::progress(QWidget* parent) {
    return std::make_unique<ProgressWindow>(parent);
}

OutputService& outputs() {
    static StandardOutputs standard;
    return currentOutputs ? *currentOutputs : standard;
}

void setOutputService(OutputService* service) {
    currentOutputs = service;
}

} // namespace output
