#include "TestWorkbook.h"

#include <QFile>
#include <QRegularExpression>
#include <cstdlib>
#include <cstring>
#include <zip.h>

#include "import/Beolvasas.h"

namespace testing {

QList<QStringList> readSheet(const QString& path) {
    QString sheet;
    int error = 0;
    if (zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error)) {
        zip_stat_t st;
        if (zip_file_t* f = zip_stat(z, "xl/worksheets/sheet1.xml", 0, &st) == 0
                                ? zip_fopen(z, "xl/worksheets/sheet1.xml", 0)
                                : nullptr) {
            QByteArray bytes(static_cast<qsizetype>(st.size), '\0');
            if (zip_fread(f, bytes.data(), st.size) == static_cast<zip_int64_t>(st.size))
                sheet = QString::fromUtf8(bytes);
            zip_fclose(f);
        }
        zip_discard(z);
    }
    QList<QStringList> rows;
    static const QRegularExpression rowElement(QStringLiteral("<row [^>]*>(.*?)</row>"));
    static const QRegularExpression cellElement(
        QStringLiteral("<c [^>]*?(?:/>|>(?:<is><t[^>]*>(.*?)</t></is>|<v>(.*?)</v>)?</c>)"));
    for (const auto& row : rowElement.globalMatch(sheet)) {
        QStringList cells;
        for (const auto& cell : cellElement.globalMatch(row.captured(1))) {
            QString text = cell.captured(1).isNull() ? cell.captured(2) : cell.captured(1);
            text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
                .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
                .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
                .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
            cells << text;
        }
        rows << cells;
    }
    return rows;
}

bool writeZip(const QString& path, const QList<std::pair<QString, QByteArray>>& entries) {
    QFile::remove(path);
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) return false;
    for (const auto& [name, bytes] : entries) {
        // libzip reads the buffer when the archive is closed, then frees it.
        void* copy = std::malloc(size_t(bytes.size()));
        std::memcpy(copy, bytes.constData(), size_t(bytes.size()));
        zip_source_t* source = zip_source_buffer_create(copy, zip_uint64_t(bytes.size()), 1, nullptr);
        if (!source) std::free(copy);
        if (!source || zip_file_add(z, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            zip_discard(z);
            return false;
        }
    }
    return zip_close(z) == 0;
}

namespace {
QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}
QString column(int c) {
    QString name;
    for (++c; c > 0; c = (c - 1) / 26)
        name.prepend(QChar(u'A' + (c - 1) % 26));
    return name;
}
} // namespace

QByteArray textRow(int row, const QStringList& texts) {
    QString xml = QStringLiteral("<row r=\"%1\">").arg(row);
    for (int c = 0; c < texts.size(); ++c)
        xml += QStringLiteral("<c r=\"%1%2\" t=\"inlineStr\"><is><t>%3</t></is></c>")
                   .arg(column(c))
                   .arg(row)
                   .arg(escaped(texts[c]));
    return (xml + QStringLiteral("</row>")).toUtf8();
}

QString writeWorkbook(const QString& path, const QList<WorkbookPart>& sheets, const QStringList& formats,
                      const QStringList& shared, bool date1904) {
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    const QByteArray ns = " xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    QByteArray book = head + "<workbook" + ns + " xmlns:r=\"" + rel + "\">" +
                      (date1904 ? "<workbookPr date1904=\"1\"/>" : "<workbookPr/>") + "<sheets>";
    QByteArray rels = head + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                             "relationships\">";
    QList<std::pair<QString, QByteArray>> entries;
    for (int i = 0; i < sheets.size(); ++i) {
        const WorkbookPart& s = sheets[i];
        book += QStringLiteral("<sheet name=\"%1\" sheetId=\"%2\"%3 r:id=\"rId%2\"/>")
                    .arg(escaped(s.name))
                    .arg(i + 1)
                    .arg(s.state.isEmpty() ? QString() : QStringLiteral(" state=\"%1\"").arg(s.state))
                    .toUtf8();
        rels += QStringLiteral(
                    "<Relationship Id=\"rId%1\" Type=\"%2/worksheet\" Target=\"worksheets/sheet%1.xml\"/>")
                    .arg(i + 1)
                    .arg(QString::fromUtf8(rel))
                    .toUtf8();
        entries.append(
            {QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1),
             head + s.doctype + "<worksheet" + ns + "><sheetData>" + s.rows + "</sheetData></worksheet>"});
    }
    entries.append({QStringLiteral("xl/workbook.xml"), book + "</sheets></workbook>"});
    entries.append({QStringLiteral("xl/_rels/workbook.xml.rels"), rels + "</Relationships>"});
    QByteArray styles = head + "<styleSheet" + ns + "><numFmts>";
    QByteArray xfs = "<cellXfs><xf numFmtId=\"0\"/>";
    for (int i = 0; i < formats.size(); ++i) {
        styles += QStringLiteral("<numFmt numFmtId=\"%1\" formatCode=\"%2\"/>")
                      .arg(164 + i)
                      .arg(formats[i].toHtmlEscaped())
                      .toUtf8();
        xfs += QStringLiteral("<xf numFmtId=\"%1\"/>").arg(164 + i).toUtf8();
    }
    entries.append(
        {QStringLiteral("xl/styles.xml"), styles + "</numFmts>" + xfs + "</cellXfs></styleSheet>"});
    QByteArray strings = head + "<sst" + ns + ">";
    for (const QString& s : shared)
        strings += "<si><t>" + escaped(s).toUtf8() + "</t></si>";
    entries.append({QStringLiteral("xl/sharedStrings.xml"), strings + "</sst>"});
    return writeZip(path, entries) ? path : QString();
}

bool knownHeading(const QString& heading) {
    return intake::guessField(heading) != intake::Field::None;
}

} // namespace testing
