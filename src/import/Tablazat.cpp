#include "Tablazat.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>
#include <memory>
#include <zip.h>

#include "TablazatBelso.h"
#include "db/Error.h"
#include "output/Report.h"
#include "ui/Nevelo.h"

namespace intake {

// ---- the sheet ----

QStringView Sheet::cell(int row, int column) const {
    const quint32 first = rowStarts_[static_cast<size_t>(row)];
    const quint32 at = first + static_cast<quint32>(column);
    if (column < 0 || at >= rowStarts_[static_cast<size_t>(row) + 1]) return {};
    const quint32 start = at == 0 ? 0 : cellEnds_[at - 1];
    return QStringView(text_).mid(start, cellEnds_[at] - start);
}

CellKind Sheet::kind(int row, int column) const {
    const quint32 at = rowStarts_[static_cast<size_t>(row)] + static_cast<quint32>(column);
    if (kinds_.empty() || column < 0 || at >= rowStarts_[static_cast<size_t>(row) + 1]) return CellKind::Text;
    return kinds_[at];
}

qint64 Sheet::memoryBytes() const {
    return text_.capacity() * qint64(sizeof(QChar)) + qint64(kinds_.capacity()) +
           qint64(cellEnds_.capacity() + rowStarts_.capacity() + sourceRows_.capacity()) *
               qint64(sizeof(quint32));
}

void Sheet::checkMemory() const {
    if (memoryBytes() > kMaxSheetBytes) throw db::Error(tooBig(pendingSourceRow_));
}

void Sheet::beginRow(int sourceRow) {
    if (++rowsBegun_ > kMaxRows) throw db::Error(tooManyRows());
    rowTextStart_ = static_cast<quint32>(text_.size());
    pendingSourceRow_ = sourceRow;
    pendingColumn_ = 0;
}

void Sheet::appendToCell(QStringView text) {
    const qsizetype size = text_.size() + text.size();
    if (size - cellStart() > kMaxCellLength) throw db::Error(cellTooLong(pendingSourceRow_));
    if (size > text_.capacity()) {
        // Grown by hand so that the buffer itself never passes the ceiling.
        constexpr qsizetype most = kMaxSheetBytes / qsizetype(sizeof(QChar));
        if (size > most) throw db::Error(tooBig(pendingSourceRow_));
        text_.reserve(std::max(size, std::min(most, std::max<qsizetype>(4096, text_.capacity() * 2))));
    }
    text_.append(text);
}

void Sheet::replacePendingCell(const QString& text) {
    text_.truncate(cellStart());
    appendToCell(text);
}

void Sheet::endCell(CellKind kind) {
    const int column = pendingColumn_++;
    if (column >= kMaxColumns) {
        // Empty cells past the edge cost nothing and say nothing.
        if (pendingCell().trimmed().isEmpty()) {
            text_.truncate(cellStart());
            return;
        }
        throw db::Error(tooWide(pendingSourceRow_, column));
    }
    if (kind != CellKind::Text && kinds_.empty()) kinds_.assign(cellEnds_.size(), CellKind::Text);
    cellEnds_.push_back(static_cast<quint32>(text_.size()));
    if (!kinds_.empty()) kinds_.push_back(kind);
}

void Sheet::endRow() {
    const size_t firstCell = rowStarts_.back();
    if (QStringView(text_).mid(rowTextStart_).trimmed().isEmpty()) {
        text_.truncate(rowTextStart_);
        cellEnds_.resize(firstCell);
        if (!kinds_.empty()) kinds_.resize(firstCell);
        return;
    }
    rowStarts_.push_back(static_cast<quint32>(cellEnds_.size()));
    sourceRows_.push_back(static_cast<quint32>(pendingSourceRow_));
    checkMemory();
}

int Sheet::findHeadingRow(const HeadingTest& isHeading) const {
    // A title is a line or a few; the headings are never far down.
    constexpr int kSearchedRows = 100;
    for (int r = 0; r < std::min(rowCount(), kSearchedRows); ++r) {
        int known = 0;
        for (quint32 c = 0; c < rowStarts_[size_t(r) + 1] - rowStarts_[size_t(r)]; ++c)
            if (isHeading(cell(r, int(c)).trimmed().toString()) && ++known == 2) return r;
    }
    return 0;
}

void Sheet::finish(const HeadingTest& isHeading, int chosenRow) {
    headings.clear();
    headingRow_ = 0;
    if (rowCount() == 0) return;
    int h = 0;
    if (chosenRow > 0) {
        h = rowCount() - 1;
        for (int r = 0; r < rowCount(); ++r)
            if (sourceRow(r) >= chosenRow) {
                h = r;
                break;
            }
    } else if (isHeading) {
        h = findHeadingRow(isHeading);
    }
    const quint32 cells = rowStarts_[size_t(h) + 1] - rowStarts_[size_t(h)];
    for (quint32 c = 0; c < cells; ++c)
        headings << cell(h, int(c)).trimmed().toString();
    while (headings.last().isEmpty())
        headings.removeLast();
    headingRow_ = sourceRow(h);

    // The heading row and what stands above it go.
    const quint32 firstCell = rowStarts_[size_t(h) + 1];
    const quint32 firstText = cellEnds_[firstCell - 1];
    text_.remove(0, firstText);
    cellEnds_.erase(cellEnds_.begin(), cellEnds_.begin() + firstCell);
    for (quint32& e : cellEnds_)
        e -= firstText;
    if (!kinds_.empty()) kinds_.erase(kinds_.begin(), kinds_.begin() + firstCell);
    rowStarts_.erase(rowStarts_.begin(), rowStarts_.begin() + h + 1);
    for (quint32& s : rowStarts_)
        s -= firstCell;
    sourceRows_.erase(sourceRows_.begin(), sourceRows_.begin() + h + 1);
}

// ---- the messages ----

namespace {
QString name(const QString& path) {
    return QFileInfo(path).fileName();
}
} // namespace

QString cellTooLong(int row) {
    return QStringLiteral("A fájl %1 egy cella hosszabb %2 karakternél, amennyit egy táblázat cellája "
                          "megenged. A fájl nem olvasható be.")
        .arg(row > 0 ? QStringLiteral("%1. sorában").arg(row) : QStringLiteral("egyik sorában"))
        .arg(kMaxCellLength);
}

QString tooManyStrings() {
    return QStringLiteral("A fájl több szöveget tart, mint amennyi egy beolvasásba fér (legfeljebb %1 "
                          "különböző szöveg, összesen %2 millió karakter). A fájl nem olvasható be; ossza "
                          "több fájlra.")
        .arg(kMaxSharedStrings)
        .arg(kMaxSharedCharacters / 1'000'000);
}

QString tooWide(int row, int column) {
    return QStringLiteral("A fájl %1. sorában %2. oszlopban is van adat; a beolvasás legfeljebb %3 "
                          "oszlopot kezel. A fájl nem olvasható be.")
        .arg(row)
        .arg(ui::aAz(QString::number(column + 1)))
        .arg(kMaxColumns);
}

QString tooManyRows() {
    return QStringLiteral("A fájl több mint %1 sort tart (az üreseket is számolva); egy beolvasás legfeljebb "
                          "ennyit kezel. A fájl nem olvasható be; törölje az üres sorokat, vagy ossza több "
                          "fájlra.")
        .arg(QLocale(QLocale::Hungarian).toString(kMaxRows));
}

QString tooBig(int row) {
    return QStringLiteral("A fájl túl sok adatot tart (a %1. soráig több mint %2 MB-ot). A fájl nem "
                          "olvasható be; ossza több fájlra.")
        .arg(row)
        .arg(kMaxSheetBytes >> 20);
}

QString unreadable(const QString& path, const QString& why) {
    return QStringLiteral("%1 fájl nem olvasható: %2").arg(ui::aAz(name(path), true), why);
}

QString brokenWorkbook(const QString& path) {
    return QStringLiteral("%1 fájl nem olvasható Excel-munkafüzetként (.xlsx).")
        .arg(ui::aAz(name(path), true));
}

namespace {

// What the file seems to be, and what the office can do about it.
db::Error notASheet(const QString& path, const QString& what, const QString& advice = {}) {
    return db::Error(QStringLiteral("%1 %2, így nem olvasható be. %3")
                         .arg(ui::aAz(name(path), true), what,
                              advice.isEmpty()
                                  ? QStringLiteral("Táblázatot Excel-munkafüzetként (.xlsx) vagy "
                                                   "CSV-fájlként lehet beolvasni.")
                                  : advice));
}

const QString kSaveAs =
    QStringLiteral("Nyissa meg a táblázatkezelővel, és mentse Excel-munkafüzetként (.xlsx) "
                   "vagy CSV-fájlként.");

QByteArray readChunk(QFile& file) {
    return file.read(1 << 20);
}

void openFile(QFile& file) {
    if (!file.open(QIODevice::ReadOnly)) throw db::Error(unreadable(file.fileName(), file.errorString()));
}

void step(output::Progress* progress, qint64 done, qint64 total) {
    if (progress && !progress->step(kReadingStep, done, total)) throw output::Cancelled{};
}

QStringDecoder decoderFor(Encoding encoding) {
    return encoding == Encoding::Utf8 ? QStringDecoder(QStringConverter::Utf8)
                                      : QStringDecoder("windows-1250");
}

// What a spreadsheet program writes in place of a value it could not work out, in
// English and in a Hungarian spreadsheet.
bool isErrorDisplay(QStringView text) {
    static const QStringList codes = {
        QStringLiteral("#N/A"),        QStringLiteral("#VALUE!"),    QStringLiteral("#REF!"),
        QStringLiteral("#DIV/0!"),     QStringLiteral("#NAME?"),     QStringLiteral("#NUM!"),
        QStringLiteral("#NULL!"),      QStringLiteral("#SPILL!"),    QStringLiteral("#CALC!"),
        QStringLiteral("#HIÁNYZIK"),   QStringLiteral("#ÉRTÉK!"),    QStringLiteral("#HIV!"),
        QStringLiteral("#ZÉRÓOSZTÓ!"), QStringLiteral("#NÉV?"),      QStringLiteral("#SZÁM!"),
        QStringLiteral("#NULLA!"),     QStringLiteral("#KIÖMLÖTT!"), QStringLiteral("#SZÁMÍTÁS!")};
    if (text.startsWith(u'#')) return codes.contains(text.trimmed().toString(), Qt::CaseInsensitive);
    // An OpenOffice-type program's own error numbers.
    return text.size() == 7 && text.startsWith(u"Err:") && text.mid(4).toInt() > 0;
}

// ="text" is a formula giving the text: a spreadsheet shows the text, so it is the value.
bool unwrapFormulaText(QStringView cell, QString& out) {
    if (cell.size() < 3 || !cell.startsWith(u"=\"") || !cell.endsWith(u'"')) return false;
    const QStringView inner = cell.mid(2, cell.size() - 3);
    out.clear();
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (inner[i] == u'"') {
            if (i + 1 >= inner.size() || inner[i + 1] != u'"') return false; // not one text
            ++i;
        }
        out += inner[i];
    }
    return true;
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
                endCell();
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
    void endCell() {
        const QStringView cell = sheet_.pendingCell();
        CellKind kind = CellKind::Text;
        if (unwrapFormulaText(cell, scratch_)) {
            sheet_.replacePendingCell(scratch_);
        } else if (isErrorDisplay(cell)) {
            kind = CellKind::Error;
        } else if (cell.startsWith(u'\'')) {
            const QString text = output::csvText(cell.toString());
            if (text.size() != cell.size()) sheet_.replacePendingCell(text);
        }
        sheet_.endCell(kind);
    }
    void endRow() {
        endCell();
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
    QString scratch_;
};

constexpr QChar kSeparators[] = {u';', u'\t', u','};

// The one the first line with any of them holds most of outside quotes.
QChar separatorOf(QStringView text) {
    int counts[3] = {0, 0, 0};
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"') quoted = !quoted;
        if (quoted) continue;
        if ((c == u'\n' || c == u'\r') && counts[0] + counts[1] + counts[2] > 0) break;
        for (int i = 0; i < 3; ++i)
            if (c == kSeparators[i]) ++counts[i];
    }
    int best = 0;
    for (int i = 1; i < 3; ++i)
        if (counts[i] > counts[best]) best = i;
    return kSeparators[best];
}

// The separator that splits a row of the head into the most known headings (two at least).
bool separatorByHeadings(QStringView head, const HeadingTest& isHeading, QChar& separator) {
    int bestKnown = 1;
    int bestRow = 0;
    for (const QChar candidate : kSeparators) {
        Sheet sheet;
        try {
            CsvParser parser(sheet, candidate);
            parser.feed(head);
            parser.finish();
        } catch (const db::Error&) {
            continue; // split wrongly, a line may look too wide
        }
        sheet.finish(isHeading);
        const auto known = std::count_if(sheet.headings.cbegin(), sheet.headings.cend(), isHeading);
        if (known > bestKnown || (known == bestKnown && known > 1 && sheet.headingRow() < bestRow)) {
            bestKnown = static_cast<int>(known);
            bestRow = sheet.headingRow();
            separator = candidate;
        }
    }
    return bestKnown > 1;
}

} // namespace

const QString kReadingStep = QStringLiteral("A táblázat beolvasása…");

CsvFormat detectCsv(const QString& path, const HeadingTest& isHeading, output::Progress* progress) {
    QFile file(path);
    openFile(file);
    CsvFormat format;
    QStringDecoder utf8(QStringConverter::Utf8);
    QByteArray head;
    // The whole file: one foreign letter far down makes it Windows-1250.
    for (QByteArray chunk = readChunk(file); !chunk.isEmpty(); chunk = readChunk(file)) {
        if (head.isEmpty()) head = chunk.left(1 << 16);
        const QString decoded = utf8.decode(chunk); // decoded only when taken
        if (utf8.hasError()) break;
        step(progress, file.pos(), file.size());
    }
    format.encoding = utf8.hasError() ? Encoding::Win1250 : Encoding::Utf8;
    QStringDecoder decoder = decoderFor(format.encoding);
    const QString text = decoder.decode(head);
    if (!isHeading || !separatorByHeadings(text, isHeading, format.separator))
        format.separator = separatorOf(text);
    return format;
}

Sheet readCsv(const QString& path, const CsvFormat& format, const ReadOptions& options) {
    QFile file(path);
    openFile(file);
    Sheet sheet;
    CsvParser parser(sheet, format.separator);
    QStringDecoder decoder = decoderFor(format.encoding);
    for (QByteArray chunk = readChunk(file); !chunk.isEmpty(); chunk = readChunk(file)) {
        parser.feed(QString(decoder.decode(chunk)));
        step(options.progress, file.pos(), file.size());
    }
    if (file.error() != QFileDevice::NoError) throw db::Error(unreadable(path, file.errorString()));
    parser.finish();
    sheet.finish(options.isHeading, options.headingRow);
    return sheet;
}

bool isXlsx(const QString& path) {
    return path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive);
}

FileKind fileKind(const QString& path) {
    QFile file(path);
    openFile(file);
    const QByteArray head = file.read(1 << 16);
    file.close();
    if (head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        throw notASheet(path,
                        QStringLiteral("régi formátumú Excel-munkafüzet (.xls), vagy jelszóval védett "
                                       "munkafüzet"),
                        QStringLiteral("Nyissa meg a táblázatkezelővel (ha jelszót kér, adja meg), és mentse "
                                       "jelszó nélkül Excel-munkafüzetként (.xlsx) vagy CSV-fájlként."));
    if (head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06")) {
        int err = 0;
        const std::unique_ptr<zip_t, void (*)(zip_t*)> zip(
            zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &err), zip_discard);
        if (!zip) throw db::Error(brokenWorkbook(path));
        if (zip_name_locate(zip.get(), "xl/workbook.xml", 0) >= 0) return FileKind::Xlsx;
        QByteArray mime(128, '\0');
        if (zip_file_t* entry = zip_fopen(zip.get(), "mimetype", 0)) {
            mime.truncate(std::max<zip_int64_t>(0, zip_fread(entry, mime.data(), zip_uint64_t(mime.size()))));
            zip_fclose(entry);
        }
        if (mime.startsWith("application/vnd.oasis.opendocument.spreadsheet"))
            throw notASheet(path, QStringLiteral("OpenDocument-táblázat (.ods)"), kSaveAs);
        throw notASheet(path, QStringLiteral("tömörített (zip) fájl, de nem Excel-munkafüzet"));
    }
    if (head.startsWith("%PDF")) throw notASheet(path, QStringLiteral("PDF-dokumentum, nem táblázat"));
    if (head.startsWith("\x89PNG") || head.startsWith("\xFF\xD8\xFF") || head.startsWith("GIF8"))
        throw notASheet(path, QStringLiteral("kép, nem táblázat"));
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF"))
        throw notASheet(path, QStringLiteral("Unicode (UTF-16) szövegfájl"), kSaveAs);
    if (head.contains('\0')) throw notASheet(path, QStringLiteral("nem szöveges fájl, nem táblázat"));
    return FileKind::Csv;
}

} // namespace intake
