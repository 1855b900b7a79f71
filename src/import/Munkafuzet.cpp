// Sheets of .xlsx workbooks, read piece by piece straight from the zip.
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>
#include <cmath>
#include <functional>
#include <memory>
#include <zip.h>

#include "Tablazat.h"
#include "TablazatBelso.h"
#include "db/Error.h"
#include "db/Values.h"
#include "output/Report.h"
#include "ui/Nevelo.h"

namespace intake {

namespace {

// More than a cell's worth of text in one piece of XML: nothing but a cell too long.
constexpr qsizetype kMaxTokenBytes = 1 << 20;
// A spreadsheet allows some 64,000 cell formats.
constexpr size_t kMaxStyles = 100'000;

using Zip = std::unique_ptr<zip_t, void (*)(zip_t*)>;

Zip openZip(const QString& path) {
    int err = 0;
    Zip zip(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &err), zip_discard);
    if (!zip) {
        if (!QFileInfo::exists(path))
            throw db::Error(
                QStringLiteral("%1 fájl nem található.").arg(ui::aAz(QFileInfo(path).fileName(), true)));
        throw db::Error(brokenWorkbook(path));
    }
    return zip;
}

// Runs the handler on every token of the workbook's entries, reading piece by piece and
// telling the progress how far it got.
class EntryReader {
  public:
    EntryReader(zip_t* zip, const QString& path, output::Progress* progress)
        : zip_(zip), path_(path), progress_(progress) {}

    qint64 sizeOf(const QString& name) const {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat(zip_, name.toUtf8().constData(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) return 0;
        return static_cast<qint64>(st.size);
    }
    void addToTotal(qint64 bytes) { total_ += bytes; }

    // false when the workbook has no such entry. tooLong gives the message for a piece
    // of XML longer than any cell.
    bool forEachToken(const QString& name, const std::function<void(QXmlStreamReader&)>& handle,
                      const std::function<QString()>& tooLong = {}) {
        zip_file_t* entry = zip_fopen(zip_, name.toUtf8().constData(), 0);
        if (!entry) return false;
        const std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> closer(entry, zip_fclose);
        QXmlStreamReader xml;
        QByteArray buffer(1 << 16, Qt::Uninitialized);
        qsizetype waiting = 0; // bytes given since the last token
        auto more = [&] {
            const zip_int64_t n = zip_fread(entry, buffer.data(), static_cast<zip_uint64_t>(buffer.size()));
            if (n < 0) throw db::Error(brokenWorkbook(path_));
            if (n == 0) return false;
            waiting += n;
            if (waiting > kMaxTokenBytes) throw db::Error(tooLong ? tooLong() : brokenWorkbook(path_));
            xml.addData(buffer.left(static_cast<qsizetype>(n)));
            done_ += n;
            if (progress_ && !progress_->step(kReadingStep, done_, std::max(total_, done_)))
                throw output::Cancelled{};
            return true;
        };
        more();
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.hasError()) {
                if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError && more()) continue;
                throw db::Error(brokenWorkbook(path_));
            }
            waiting = 0;
            // No spreadsheet program declares entities: a text that names one would be
            // read without it.
            if (xml.isDTD() || xml.isEntityReference()) throw db::Error(brokenWorkbook(path_));
            handle(xml);
        }
        return true;
    }

  private:
    zip_t* zip_;
    const QString& path_;
    output::Progress* progress_;
    qint64 done_ = 0;
    qint64 total_ = 0;
};

struct Workbook {
    std::vector<WorkbookSheet> sheets;
    QStringList entries; // each sheet's part in the zip
    bool date1904 = false;
};

Workbook readWorkbook(EntryReader& reader) {
    Workbook book;
    QStringList relations;
    reader.forEachToken(QStringLiteral("xl/workbook.xml"), [&](QXmlStreamReader& x) {
        if (!x.isStartElement()) return;
        if (x.name() == u"workbookPr") {
            const auto v = x.attributes().value(QLatin1String("date1904"));
            book.date1904 = v == u"1" || v == u"true";
        } else if (x.name() == u"sheet") {
            WorkbookSheet s;
            QString relation;
            for (const QXmlStreamAttribute& a : x.attributes()) {
                if (a.name() == u"name")
                    s.name = a.value().toString();
                else if (a.name() == u"state")
                    s.hidden = a.value() != u"visible";
                else if (a.name() == u"id")
                    relation = a.value().toString();
            }
            book.sheets.push_back(s);
            relations << relation;
        }
    });
    QHash<QString, QString> targets;
    reader.forEachToken(QStringLiteral("xl/_rels/workbook.xml.rels"), [&](QXmlStreamReader& x) {
        if (x.isStartElement() && x.name() == u"Relationship")
            targets.insert(x.attributes().value(QLatin1String("Id")).toString(),
                           x.attributes().value(QLatin1String("Target")).toString());
    });
    for (qsizetype i = 0; i < relations.size(); ++i) {
        QString target = targets.value(relations[i]);
        if (target.startsWith(u'/'))
            target = target.mid(1);
        else if (!target.isEmpty())
            target.prepend(QStringLiteral("xl/"));
        else
            target = QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1);
        book.entries << target;
    }
    return book;
}

// Every shared text once, in one buffer.
class SharedStrings {
  public:
    QStringView at(int i) const {
        if (i < 0 || size_t(i) >= ends_.size()) return {};
        const quint32 start = i == 0 ? 0 : ends_[size_t(i) - 1];
        return QStringView(text_).mid(start, ends_[size_t(i)] - start);
    }
    void read(EntryReader& reader) {
        int phonetic = 0;
        bool inText = false;
        quint32 start = 0;
        reader.forEachToken(
            QStringLiteral("xl/sharedStrings.xml"),
            [&](QXmlStreamReader& x) {
                if (x.isStartElement()) {
                    if (x.name() == u"si")
                        start = quint32(text_.size());
                    else if (x.name() == u"rPh")
                        ++phonetic;
                    else if (x.name() == u"t")
                        inText = phonetic == 0;
                } else if (x.isEndElement()) {
                    if (x.name() == u"si") {
                        if (ends_.size() >= size_t(kMaxSharedStrings)) throw db::Error(tooManyStrings());
                        ends_.push_back(quint32(text_.size()));
                    } else if (x.name() == u"rPh") {
                        --phonetic;
                    } else if (x.name() == u"t") {
                        inText = false;
                    }
                } else if (inText && x.isCharacters()) {
                    if (text_.size() + x.text().size() - start > kMaxCellLength)
                        throw db::Error(cellTooLong(0));
                    if (text_.size() + x.text().size() > kMaxSharedCharacters)
                        throw db::Error(tooManyStrings());
                    text_ += x.text();
                }
            },
            [] { return cellTooLong(0); });
    }

    int count() const { return static_cast<int>(ends_.size()); }

  private:
    QString text_;
    std::vector<quint32> ends_;
};

// How a cell style shows a number.
struct NumberShape {
    enum { General, Date, Pattern } kind = General;
    QString code;
};

bool isDateFormat(int id, const QString& code) {
    if ((id >= 14 && id <= 17) || id == 22) return true;
    if (code.isEmpty()) return false;
    // Quoted text, [colours] and escaped characters say nothing about the kind.
    QString plain;
    bool quoted = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == u'"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == u'\\' || c == u'_' || c == u'*')
            ++i;
        else if (c == u'[')
            i = std::max(i, code.indexOf(u']', i));
        else
            plain += c.toLower();
    }
    return plain.contains(u'd') || plain.contains(u'y');
}

// The format's sections (positive; negative; zero; text), split outside quotes.
QStringList sections(const QString& code) {
    QStringList out{QString()};
    bool quoted = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == u'"') quoted = !quoted;
        if (!quoted && c == u'\\' && i + 1 < code.size()) {
            out.last() += c;
            out.last() += code.at(++i);
        } else if (!quoted && c == u';') {
            out << QString();
        } else {
            out.last() += c;
        }
    }
    return out;
}

// A whole number under a format made of digit places and literal text, as a spreadsheet
// shows it: "000000000" pads to nine digits, "\"06\"0" puts 06 before it. False for any
// other format or number: then the shown text is not known.
bool shownAs(const QString& code, double value, QString& out) {
    if (value < 0 || value >= 1e15 || value != std::floor(value)) return false;
    const QStringList parts = sections(code);
    const QString section = value == 0 && parts.size() >= 3 ? parts[2] : parts[0];
    // Pieces: a digit place ('0' or '#') or literal text.
    QList<std::pair<QChar, QString>> pieces;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section.at(i);
        if (c == u'0' || c == u'#') {
            pieces.append({c, {}});
        } else if (c == u'"') {
            const qsizetype end = section.indexOf(u'"', i + 1);
            if (end < 0) return false;
            pieces.append({QChar(), section.mid(i + 1, end - i - 1)});
            i = end;
        } else if (c == u'\\' && i + 1 < section.size()) {
            pieces.append({QChar(), QString(section.at(++i))});
        } else if (c == u'[') {
            // A colour changes nothing, nor does a language ([$-40E]: "$-" and a locale
            // alone); a condition or a currency ([$€-40E], [$Ft]) does.
            const qsizetype end = section.indexOf(u']', i);
            const bool localeOnly = section.mid(i + 1, 2) == u"$-";
            if (end < 0 ||
                (!localeOnly && i + 1 < section.size() && QStringLiteral("$<>=").contains(section.at(i + 1))))
                return false;
            i = end;
        } else if (QStringLiteral("$-+():!^&'~{}<>= ").contains(c)) {
            pieces.append({QChar(), QString(c)});
        } else {
            return false; // decimals, thousands, per cent, exponent, fractions, text, dates
        }
    }
    QString digits = value == 0 ? QString() : QString::number(qint64(value));
    const auto places =
        std::count_if(pieces.cbegin(), pieces.cend(), [](const auto& p) { return !p.first.isNull(); });
    // Filled from the right; the leftmost place takes all the digits left over.
    QStringList shown;
    qsizetype place = 0;
    for (auto it = pieces.crbegin(); it != pieces.crend(); ++it) {
        if (it->first.isNull()) {
            shown.prepend(it->second);
            continue;
        }
        ++place;
        QString here;
        if (place == places) {
            here = digits;
        } else if (!digits.isEmpty()) {
            here = digits.right(1);
            digits.chop(1);
        }
        if (here.isEmpty() && it->first == u'0') here = QStringLiteral("0");
        shown.prepend(here);
    }
    out = shown.join(QString());
    return true;
}

std::vector<NumberShape> readStyles(EntryReader& reader, const QString& path) {
    static const QHash<int, QString> builtIn = {{1, QStringLiteral("0")}};
    QHash<int, QString> codes;
    bool inCellXfs = false;
    std::vector<int> formats;
    reader.forEachToken(QStringLiteral("xl/styles.xml"), [&](QXmlStreamReader& x) {
        if (x.isStartElement()) {
            if (x.name() == u"numFmt" && size_t(codes.size()) < kMaxStyles)
                codes.insert(x.attributes().value(QLatin1String("numFmtId")).toInt(),
                             x.attributes().value(QLatin1String("formatCode")).toString());
            else if (x.name() == u"cellXfs")
                inCellXfs = true;
            else if (inCellXfs && x.name() == u"xf") {
                if (formats.size() >= kMaxStyles) throw db::Error(brokenWorkbook(path));
                formats.push_back(x.attributes().value(QLatin1String("numFmtId")).toInt());
            }
        } else if (x.isEndElement() && x.name() == u"cellXfs") {
            inCellXfs = false;
        }
    });
    std::vector<NumberShape> shapes;
    for (int id : formats) {
        const QString code = codes.contains(id) ? codes.value(id) : builtIn.value(id);
        NumberShape s;
        if (isDateFormat(id, code))
            s.kind = NumberShape::Date;
        else if (!code.isEmpty() && code != u"General") {
            s.kind = NumberShape::Pattern;
            s.code = code;
        }
        shapes.push_back(s);
    }
    return shapes;
}

QString numberText(const QString& v) {
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok) return v;
    if (d == std::floor(d) && std::fabs(d) < 9007199254740992.0)
        return QString::number(static_cast<qint64>(d));
    return QString::number(d, 'g', 15);
}

int columnOf(QStringView reference) {
    int column = 0;
    for (const QChar c : reference) {
        if (c < u'A' || c > u'Z') break;
        column = column * 26 + (c.unicode() - u'A' + 1);
        if (column > 1 << 20) break; // no sheet is that wide
    }
    return column - 1;
}

// A cell's text and kind from its type, style and stored value.
class CellReader {
  public:
    CellReader(const SharedStrings& shared, std::vector<NumberShape> shapes, bool date1904,
               const QString& path)
        : shared_(shared), shapes_(std::move(shapes)), date1904_(date1904), path_(path) {}

    CellKind read(const QString& type, int style, const QString& value, QString& text) const {
        if (type == u"s") {
            // an index no text has is a broken workbook, not an empty cell
            bool ok = false;
            const int i = value.toInt(&ok);
            if (!ok || i < 0 || i >= shared_.count()) throw db::Error(brokenWorkbook(path_));
            text = shared_.at(i).toString();
        } else if (type == u"b") {
            text = value == u"1" ? QStringLiteral("igaz") : QStringLiteral("hamis");
        } else if (type == u"e") {
            text = value;
            return CellKind::Error;
        } else if (type == u"d") {
            const QDate d = QDate::fromString(value.left(10), Qt::ISODate);
            text = d.isValid() ? d.toString(db::kDateFormat) : value;
        } else if (type.isEmpty() || type == u"n") {
            const NumberShape shape =
                style >= 0 && size_t(style) < shapes_.size() ? shapes_[size_t(style)] : NumberShape();
            bool ok = false;
            const double number = value.toDouble(&ok);
            const bool shown =
                ok && ((shape.kind == NumberShape::Date && dateOf(number, text)) ||
                       (shape.kind == NumberShape::Pattern && shownAs(shape.code, number, text)));
            if (!shown) {
                text = numberText(value);
                return CellKind::Number;
            }
        } else {
            text = value; // a formula's text, a text of its own
        }
        return CellKind::Text;
    }

  private:
    // The 1900 system counts a 29 February 1900 that never was: serials before it are a day
    // further from the base than the later ones, and the day itself is no date.
    bool dateOf(double number, QString& text) const {
        const auto serial = static_cast<qint64>(std::floor(number));
        QDate date;
        if (date1904_)
            date = QDate(1904, 1, 1).addDays(serial);
        else if (serial >= 61)
            date = QDate(1899, 12, 30).addDays(serial);
        else if (serial >= 1 && serial < 60)
            date = QDate(1899, 12, 31).addDays(serial);
        if (!date.isValid() || serial < 0) return false;
        text = date.toString(db::kDateFormat);
        return true;
    }

    const SharedStrings& shared_;
    std::vector<NumberShape> shapes_;
    bool date1904_;
    const QString& path_;
};

} // namespace

int firstVisibleSheet(const std::vector<WorkbookSheet>& sheets) {
    for (size_t i = 0; i < sheets.size(); ++i)
        if (!sheets[i].hidden) return static_cast<int>(i);
    return 0;
}

std::vector<WorkbookSheet> workbookSheets(const QString& path) {
    const Zip zip = openZip(path);
    EntryReader reader(zip.get(), path, nullptr);
    return readWorkbook(reader).sheets;
}

Sheet readXlsx(const QString& path, const ReadOptions& options) {
    const Zip zip = openZip(path);
    EntryReader reader(zip.get(), path, options.progress);
    const Workbook book = readWorkbook(reader);
    const int chosen = options.sheet >= 0 ? options.sheet : firstVisibleSheet(book.sheets);
    const QString entry =
        chosen < book.entries.size() ? book.entries[chosen] : QStringLiteral("xl/worksheets/sheet1.xml");
    reader.addToTotal(reader.sizeOf(QStringLiteral("xl/sharedStrings.xml")) + reader.sizeOf(entry));

    SharedStrings shared;
    shared.read(reader);
    const CellReader cells(shared, readStyles(reader, path), book.date1904, path);

    Sheet sheet;
    int sourceRow = 0;
    int column = 0;   // cells given to the sheet in this row
    int position = 0; // where a cell without a reference stands
    bool rowOpen = false;
    QString type;
    int style = 0;
    int cellColumn = 0;
    QString value;
    QString text;
    bool inValue = false;
    int phonetic = 0;
    const bool found = reader.forEachToken(
        entry,
        [&](QXmlStreamReader& x) {
            if (x.isStartElement()) {
                const auto name = x.name();
                if (name == u"row") {
                    const int r = x.attributes().value(QLatin1String("r")).toInt();
                    // rows come in order, each once, in every workbook a program writes
                    if (r > 0 && r <= sourceRow) throw db::Error(brokenWorkbook(path));
                    sourceRow = r > 0 ? r : sourceRow + 1;
                    sheet.beginRow(sourceRow);
                    rowOpen = true;
                    column = 0;
                    position = 0;
                } else if (name == u"c" && rowOpen) {
                    const QXmlStreamAttributes a = x.attributes();
                    type = a.value(QLatin1String("t")).toString();
                    style = a.value(QLatin1String("s")).toInt();
                    const auto ref = a.value(QLatin1String("r"));
                    cellColumn = ref.isEmpty() ? position : columnOf(ref);
                    // a cell left of or on one already read would shift the later values
                    if (cellColumn < position) throw db::Error(brokenWorkbook(path));
                    position = cellColumn + 1;
                    value.clear();
                } else if (name == u"rPh") {
                    ++phonetic;
                } else if (name == u"v" || (name == u"t" && phonetic == 0)) {
                    inValue = true;
                }
            } else if (x.isCharacters() && inValue) {
                value += x.text();
                if (value.size() > kMaxCellLength) throw db::Error(cellTooLong(sourceRow));
            } else if (x.isEndElement()) {
                const auto name = x.name();
                if (name == u"v" || name == u"t") {
                    inValue = false;
                } else if (name == u"rPh") {
                    --phonetic;
                } else if (name == u"c" && rowOpen && !value.isEmpty()) {
                    // A cell without a value (a format alone) neither widens nor fills.
                    if (cellColumn >= kMaxColumns) throw db::Error(tooWide(sourceRow, cellColumn));
                    for (; column < cellColumn; ++column)
                        sheet.endCell();
                    const CellKind kind = cells.read(type, style, value, text);
                    sheet.appendToCell(text);
                    sheet.endCell(kind);
                    ++column;
                } else if (name == u"row" && rowOpen) {
                    sheet.endRow();
                    rowOpen = false;
                }
            }
        },
        [&] { return cellTooLong(sourceRow); });
    if (!found) throw db::Error(brokenWorkbook(path));
    sheet.finish(options.isHeading, options.headingRow);
    return sheet;
}

} // namespace intake
