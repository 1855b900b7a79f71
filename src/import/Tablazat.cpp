#include "Tablazat.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <cmath>
#include <functional>
#include <memory>
#include <zip.h>

#include "db/Error.h"
#include "db/Values.h"

namespace intake {

QStringView Sheet::cell(int row, int column) const {
    const quint32 first = rowStarts_[static_cast<size_t>(row)];
    const quint32 at = first + static_cast<quint32>(column);
    if (column < 0 || at >= rowStarts_[static_cast<size_t>(row) + 1]) return {};
    const quint32 start = at == 0 ? 0 : cellEnds_[at - 1];
    return QStringView(text_).mid(start, cellEnds_[at] - start);
}

qint64 Sheet::memoryBytes() const {
    return text_.capacity() * qint64(sizeof(QChar)) +
           qint64(cellEnds_.capacity() + rowStarts_.capacity() + sourceRows_.capacity()) *
               qint64(sizeof(quint32));
}

void Sheet::beginRow(int sourceRow) {
    rowTextStart_ = static_cast<quint32>(text_.size());
    pendingSourceRow_ = sourceRow;
}

void Sheet::endCell() {
    cellEnds_.push_back(static_cast<quint32>(text_.size()));
}

void Sheet::endRow() {
    const size_t firstCell = rowStarts_.back();
    const bool blank = QStringView(text_).mid(rowTextStart_).trimmed().isEmpty();
    const bool isHeadings = !blank && headings.isEmpty();
    if (isHeadings) {
        for (size_t i = firstCell; i < cellEnds_.size(); ++i) {
            const quint32 start = i == 0 ? 0 : cellEnds_[i - 1];
            headings << QStringView(text_).mid(start, cellEnds_[i] - start).trimmed().toString();
        }
        while (headings.last().isEmpty())
            headings.removeLast();
    }
    if (blank || isHeadings) {
        text_.truncate(rowTextStart_);
        cellEnds_.resize(firstCell);
        return;
    }
    rowStarts_.push_back(static_cast<quint32>(cellEnds_.size()));
    sourceRows_.push_back(static_cast<quint32>(pendingSourceRow_));
}

namespace {

QByteArray readChunk(QFile& file) {
    return file.read(1 << 20);
}

void openFile(QFile& file) {
    if (!file.open(QIODevice::ReadOnly))
        throw db::Error(QStringLiteral("A(z) %1 fájl nem olvasható: %2")
                            .arg(QFileInfo(file.fileName()).fileName(), file.errorString()));
}

QStringDecoder decoderFor(Encoding encoding) {
    return encoding == Encoding::Utf8 ? QStringDecoder(QStringConverter::Utf8)
                                      : QStringDecoder("windows-1250");
}

// Comma-separated values as spreadsheet programs write them: a field in quotes may hold
// the separator, line breaks and doubled quotes; CR LF, LF and CR all end a row.
class CsvParser {
  public:
    CsvParser(Sheet& sheet, QChar separator) : sheet_(sheet), separator_(separator) {}

    void feed(QStringView text) {
        for (const QChar c : text) {
            if (skipLf_) {
                skipLf_ = false;
                if (c == u'\n') continue;
            }
            if (!rowOpen_) {
                sheet_.beginRow(++record_);
                rowOpen_ = true;
            }
            const bool lineEnd = c == u'\n' || c == u'\r';
            switch (state_) {
            case State::Quoted:
                if (c == u'"')
                    state_ = State::QuoteInQuoted;
                else
                    sheet_.appendToCell(c);
                continue;
            case State::QuoteInQuoted:
                if (c == u'"') {
                    sheet_.appendToCell(c);
                    state_ = State::Quoted;
                    continue;
                }
                break;
            case State::FieldStart:
                if (c == u'"') {
                    state_ = State::Quoted;
                    continue;
                }
                break;
            case State::Unquoted:
                break;
            }
            if (c == separator_) {
                sheet_.endCell();
                state_ = State::FieldStart;
            } else if (lineEnd) {
                endRow();
                skipLf_ = c == u'\r';
            } else {
                sheet_.appendToCell(c);
                state_ = State::Unquoted;
            }
        }
    }
    void finish() {
        if (rowOpen_) endRow();
    }

  private:
    void endRow() {
        sheet_.endCell();
        sheet_.endRow();
        rowOpen_ = false;
        state_ = State::FieldStart;
    }
    enum class State { FieldStart, Unquoted, Quoted, QuoteInQuoted };
    Sheet& sheet_;
    QChar separator_;
    State state_ = State::FieldStart;
    bool rowOpen_ = false;
    bool skipLf_ = false;
    int record_ = 0;
};

QChar separatorOf(QStringView text) {
    const QChar candidates[] = {u';', u'\t', u','};
    int counts[3] = {0, 0, 0};
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"') quoted = !quoted;
        if (quoted) continue;
        if (c == u'\n' || c == u'\r') break;
        for (int i = 0; i < 3; ++i)
            if (c == candidates[i]) ++counts[i];
    }
    int best = 0;
    for (int i = 1; i < 3; ++i)
        if (counts[i] > counts[best]) best = i;
    return candidates[best];
}

} // namespace

CsvFormat detectCsv(const QString& path) {
    QFile file(path);
    openFile(file);
    CsvFormat format;
    QStringDecoder utf8(QStringConverter::Utf8);
    QByteArray head;
    for (QByteArray chunk = readChunk(file); !chunk.isEmpty(); chunk = readChunk(file)) {
        if (head.isEmpty()) head = chunk.left(1 << 16);
        const QString decoded = utf8.decode(chunk); // decoded only when taken
        if (utf8.hasError()) break;
    }
    format.encoding = utf8.hasError() ? Encoding::Win1250 : Encoding::Utf8;
    QStringDecoder decoder = decoderFor(format.encoding);
    format.separator = separatorOf(QString(decoder.decode(head)));
    return format;
}

Sheet readCsv(const QString& path, const CsvFormat& format) {
    QFile file(path);
    openFile(file);
    Sheet sheet;
    CsvParser parser(sheet, format.separator);
    QStringDecoder decoder = decoderFor(format.encoding);
    for (QByteArray chunk = readChunk(file); !chunk.isEmpty(); chunk = readChunk(file))
        parser.feed(QString(decoder.decode(chunk)));
    if (file.error() != QFileDevice::NoError)
        throw db::Error(QStringLiteral("A(z) %1 fájl nem olvasható: %2")
                            .arg(QFileInfo(path).fileName(), file.errorString()));
    parser.finish();
    return sheet;
}

// ---- xlsx ----

namespace {

QString brokenWorkbook(const QString& path) {
    return QStringLiteral("A(z) %1 fájl nem olvasható Excel-munkafüzetként (.xlsx).")
        .arg(QFileInfo(path).fileName());
}

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
using Zip = std::unique_ptr<zip_t, ZipCloser>;

// Runs handle on every token of an entry, reading it piece by piece; false when the
// workbook has no such entry.
bool forEachToken(zip_t* zip, const QString& name, const QString& path,
                  const std::function<void(QXmlStreamReader&)>& handle) {
    zip_file_t* entry = zip_fopen(zip, name.toUtf8().constData(), 0);
    if (!entry) return false;
    const std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> closer(entry, zip_fclose);
    QXmlStreamReader xml;
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    auto more = [&] {
        const zip_int64_t n = zip_fread(entry, buffer.data(), static_cast<zip_uint64_t>(buffer.size()));
        if (n < 0) throw db::Error(brokenWorkbook(path));
        if (n > 0) xml.addData(buffer.left(static_cast<qsizetype>(n)));
        return n > 0;
    };
    more();
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.hasError()) {
            if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError && more()) continue;
            throw db::Error(brokenWorkbook(path));
        }
        handle(xml);
    }
    return true;
}

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
    }
    return column - 1;
}

} // namespace

bool isXlsx(const QString& path) {
    return path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive);
}

Sheet readXlsx(const QString& path) {
    int err = 0;
    Zip zip(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &err));
    if (!zip) {
        if (!QFileInfo::exists(path))
            throw db::Error(QStringLiteral("A(z) %1 fájl nem található.").arg(QFileInfo(path).fileName()));
        throw db::Error(brokenWorkbook(path));
    }

    // The first sheet, as the workbook lists them.
    QString firstRel;
    forEachToken(zip.get(), QStringLiteral("xl/workbook.xml"), path, [&](QXmlStreamReader& x) {
        if (firstRel.isEmpty() && x.isStartElement() && x.name() == u"sheet")
            for (const QXmlStreamAttribute& a : x.attributes())
                if (a.name() == u"id") firstRel = a.value().toString();
    });
    QString sheetEntry;
    forEachToken(zip.get(), QStringLiteral("xl/_rels/workbook.xml.rels"), path, [&](QXmlStreamReader& x) {
        if (x.isStartElement() && x.name() == u"Relationship" &&
            x.attributes().value(QLatin1String("Id")) == firstRel)
            sheetEntry = x.attributes().value(QLatin1String("Target")).toString();
    });
    if (sheetEntry.startsWith(u'/'))
        sheetEntry = sheetEntry.mid(1);
    else if (!sheetEntry.isEmpty())
        sheetEntry.prepend(QStringLiteral("xl/"));
    else
        sheetEntry = QStringLiteral("xl/worksheets/sheet1.xml");

    QStringList shared;
    {
        QString text;
        int phonetic = 0;
        bool inText = false;
        forEachToken(zip.get(), QStringLiteral("xl/sharedStrings.xml"), path, [&](QXmlStreamReader& x) {
            if (x.isStartElement()) {
                if (x.name() == u"si")
                    text.clear();
                else if (x.name() == u"rPh")
                    ++phonetic;
                else if (x.name() == u"t")
                    inText = phonetic == 0;
            } else if (x.isEndElement()) {
                if (x.name() == u"si")
                    shared << text;
                else if (x.name() == u"rPh")
                    --phonetic;
                else if (x.name() == u"t")
                    inText = false;
            } else if (inText && x.isCharacters()) {
                text += x.text();
            }
        });
    }

    // Which cell styles show a date.
    std::vector<bool> dateStyles;
    {
        QHash<int, QString> codes;
        bool inCellXfs = false;
        std::vector<int> styleFormats;
        forEachToken(zip.get(), QStringLiteral("xl/styles.xml"), path, [&](QXmlStreamReader& x) {
            if (x.isStartElement()) {
                if (x.name() == u"numFmt")
                    codes.insert(x.attributes().value(QLatin1String("numFmtId")).toInt(),
                                 x.attributes().value(QLatin1String("formatCode")).toString());
                else if (x.name() == u"cellXfs")
                    inCellXfs = true;
                else if (inCellXfs && x.name() == u"xf")
                    styleFormats.push_back(x.attributes().value(QLatin1String("numFmtId")).toInt());
            } else if (x.isEndElement() && x.name() == u"cellXfs") {
                inCellXfs = false;
            }
        });
        for (int id : styleFormats)
            dateStyles.push_back(isDateFormat(id, codes.value(id)));
    }

    Sheet sheet;
    int sourceRow = 0;
    int column = 0;
    bool rowOpen = false;
    QString type;
    int style = 0;
    int cellColumn = 0;
    QString value;
    bool inValue = false;
    auto pad = [&](int to) {
        for (; column < to; ++column)
            sheet.endCell();
    };
    const bool found = forEachToken(zip.get(), sheetEntry, path, [&](QXmlStreamReader& x) {
        if (x.isStartElement()) {
            const auto name = x.name();
            if (name == u"row") {
                const int r = x.attributes().value(QLatin1String("r")).toInt();
                sourceRow = r > 0 ? r : sourceRow + 1;
                sheet.beginRow(sourceRow);
                rowOpen = true;
                column = 0;
            } else if (name == u"c" && rowOpen) {
                const QXmlStreamAttributes a = x.attributes();
                type = a.value(QLatin1String("t")).toString();
                style = a.value(QLatin1String("s")).toInt();
                const auto ref = a.value(QLatin1String("r"));
                cellColumn = ref.isEmpty() ? column : std::max(column, columnOf(ref));
                value.clear();
            } else if (name == u"v" || name == u"t") {
                inValue = true;
            }
        } else if (x.isCharacters() && inValue) {
            value += x.text();
        } else if (x.isEndElement()) {
            const auto name = x.name();
            if (name == u"v" || name == u"t") {
                inValue = false;
            } else if (name == u"c" && rowOpen) {
                pad(cellColumn);
                QString text;
                if (type == u"s") {
                    text = shared.value(value.toInt());
                } else if (type == u"b") {
                    text = value == u"1" ? QStringLiteral("igaz") : QStringLiteral("hamis");
                } else if (type.isEmpty() || type == u"n") {
                    const bool isDate = style >= 0 && static_cast<size_t>(style) < dateStyles.size() &&
                                        dateStyles[static_cast<size_t>(style)];
                    bool ok = false;
                    const double serial = value.toDouble(&ok);
                    if (isDate && ok)
                        text = QDate(1899, 12, 30)
                                   .addDays(static_cast<qint64>(std::floor(serial)))
                                   .toString(db::kDateFormat);
                    else
                        text = numberText(value);
                } else {
                    text = value;
                }
                sheet.appendToCell(text);
                sheet.endCell();
                ++column;
            } else if (name == u"row" && rowOpen) {
                sheet.endRow();
                rowOpen = false;
            }
        }
    });
    if (!found) throw db::Error(brokenWorkbook(path));
    return sheet;
}

} // namespace intake
