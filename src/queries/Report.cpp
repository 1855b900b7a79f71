#include "Report.h"

#include <algorithm>

#include <QFileDialog>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <vector>

#include "db/Dataset.h"
#include "db/Values.h"
#include "ui/Dialogs.h"

namespace queries {

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

} // namespace

Report Report::of(db::Dataset& list, const QString& title, const QStringList& details) {
    list.fetchAll();
    Report r{title, details, {}, {}, {}};
    for (int c = 0; c < list.columnCount(); ++c) {
        r.headers << list.fieldName(c);
        r.numeric << isNumber(list, c);
    }
    r.rows.reserve(list.rowCount());
    for (int row = 0; row < list.rowCount(); ++row) {
        QStringList fields;
        for (int c = 0; c < list.columnCount(); ++c)
            fields << db::displayText(list.value(row, c));
        r.rows << fields;
    }
    return r;
}

// ---- CSV ----

QString csvField(const QString& value) {
    const bool quoted = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('"')) ||
                        value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')) ||
                        (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!quoted) return value;
    QString text = value;
    text.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QByteArray csvContent(const Report& report) {
    QString text;
    auto line = [&text](const QStringList& fields) {
        QStringList out;
        for (const QString& f : fields)
            out << csvField(f);
        text += out.join(QLatin1Char(';')) + QLatin1String("\r\n");
    };
    line(report.headers);
    for (const QStringList& row : report.rows)
        line(row);
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

bool writeCsv(const QString& path, const Report& report, QString& error) {
    // Written aside and renamed at the end: a failure never leaves half a file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    file.write(csvContent(report));
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
        for (const QStringList& row : r.rows)
            widest = qMax(widest, textWidth(body, row.value(c)) + pad);
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

// The report laid out on pages of one size, then painted page by page.
class Sheet {
  public:
    Sheet(const Report& r, const QPaintDevice* device, QSizeF area) : r_(r), device_(device), area_(area) {
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
        widths_ = fit(w, area.width());

        headHeight_ = QFontMetricsF(head_, device).height() + 2 * pad_;
        for (const QStringList& row : r.rows) {
            qreal h = bm.height();
            for (int c = 0; c < r.headers.size(); ++c)
                h = qMax(h, wrapped(bm, row.value(c), widths_[static_cast<size_t>(c)]).height());
            rowHeights_.push_back(h + 2 * pad_);
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
        const auto [first, end] = pages_[static_cast<size_t>(page)];
        for (int i = first; i < end; ++i) {
            const qreal h = rowHeights_[static_cast<size_t>(i)];
            x = 0;
            for (int c = 0; c < r_.headers.size(); ++c) {
                const QRectF cell(x, y, widths_[static_cast<size_t>(c)], h);
                p.drawRect(cell);
                p.save();
                p.setClipRect(cell);
                const Qt::Alignment align = r_.numeric.value(c) ? Qt::AlignRight : Qt::AlignLeft;
                p.drawText(cell.adjusted(pad_, pad_, -pad_, -pad_), align | Qt::AlignTop | Qt::TextWordWrap,
                           r_.rows.at(i).value(c));
                p.restore();
                x += cell.width();
            }
            y += h;
        }
        if (r_.rows.isEmpty())
            p.drawText(QRectF(0, y + pad_, w, headHeight_), Qt::AlignLeft,
                       QStringLiteral("Nincs megjeleníthető sor."));

        p.setFont(small_);
        p.drawText(QRectF(0, area_.height() - foot_, w, foot_), Qt::AlignHCenter | Qt::AlignBottom,
                   QStringLiteral("%1. oldal / %2").arg(page + 1).arg(pageCount()));
    }

  private:
    QString detailsLine() const { return r_.details.join(QStringLiteral("     ")); }

    static QRectF wrapped(const QFontMetricsF& fm, const QString& text, qreal width) {
        return fm.boundingRect(QRectF(0, 0, width, 1e9), Qt::TextWordWrap, text);
    }

    // Rows go on a page while they fit whole; a row taller than a page gets one to itself.
    void paginate() {
        const int n = static_cast<int>(rowHeights_.size());
        const qreal bottom = area_.height() - foot_;
        int i = 0;
        do {
            qreal y = (pages_.empty() ? firstTop_ : otherTop_) + headHeight_;
            const int start = i;
            while (i < n && (i == start || y + rowHeights_[static_cast<size_t>(i)] <= bottom))
                y += rowHeights_[static_cast<size_t>(i++)];
            pages_.emplace_back(start, i);
        } while (i < n);
    }

    const Report& r_;
    const QPaintDevice* device_;
    QSizeF area_;
    QFont body_, head_, title_, details_, small_;
    qreal pad_ = 0;
    std::vector<qreal> widths_;
    qreal headHeight_ = 0;
    std::vector<qreal> rowHeights_;
    qreal firstTop_ = 0, otherTop_ = 0, foot_ = 0;
    std::vector<std::pair<int, int>> pages_; // rows [first, end) of each page
};

class StandardOutputs : public OutputService {
  public:
    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                         const QString& filter) override {
        return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
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

bool printReport(QPrinter& printer, const Report& report) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const Sheet sheet(report, &printer, QSizeF(printer.width(), printer.height()));
    for (int page = 0; page < sheet.pageCount(); ++page) {
        if (page > 0 && !printer.newPage()) {
            painter.end();
            return false;
        }
        sheet.paint(painter, page);
    }
    return painter.end();
}

bool writePdf(const QString& path, const Report& report, QString& error) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    setUpPrinter(printer, report);
    if (printReport(printer, report)) return true;
    error = QStringLiteral("a fájl nem hozható létre, vagy nem írható");
    return false;
}

OutputService& outputs() {
    static StandardOutputs standard;
    return currentOutputs ? *currentOutputs : standard;
}

void setOutputService(OutputService* service) {
    currentOutputs = service;
}

} // namespace queries
