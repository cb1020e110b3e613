// .xlsx workbooks read as the zip of XML parts they are: the package's
// relationships name the workbook, the workbook's first <sheet> and its
// relationship name the worksheet; shared strings and the cell formats
// (to know a date) come from their own parts. The zip is read from memory.
#include "allowance/import/SheetReader.h"

#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

#include <unzip.h>

#include <cstring>

namespace sheet {

namespace {

// ---- the zip, from memory

struct MemoryFile {
    const QByteArray* bytes = nullptr;
    qint64 pos = 0;
};

voidpf memOpen(voidpf opaque, const void*, int) {
    return opaque;
}
uLong memRead(voidpf, voidpf stream, void* buf, uLong size) {
    auto* f = static_cast<MemoryFile*>(stream);
    const qint64 left = qMax<qint64>(0, f->bytes->size() - f->pos);
    const qint64 n = qMin<qint64>(left, qint64(size));
    if (n > 0)
        std::memcpy(buf, f->bytes->constData() + f->pos, size_t(n));
    f->pos += n;
    return uLong(n);
}
uLong memWrite(voidpf, voidpf, const void*, uLong) {
    return 0;
}
ZPOS64_T memTell(voidpf, voidpf stream) {
    return ZPOS64_T(static_cast<MemoryFile*>(stream)->pos);
}
long memSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* f = static_cast<MemoryFile*>(stream);
    qint64 base = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        base = 0;
        break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        base = f->pos;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        base = f->bytes->size();
        break;
    default:
        return -1;
    }
    if (offset > ZPOS64_T(limits::fileBytes))
        return -1;
    const qint64 to = base + qint64(offset);
    if (to < 0 || to > f->bytes->size())
        return -1;
    f->pos = to;
    return 0;
}
int memClose(voidpf, voidpf) {
    return 0;
}
int memError(voidpf, voidpf) {
    return 0;
}

class ZipArchive {
public:
    explicit ZipArchive(const QByteArray& bytes) {
        m_file.bytes = &bytes;
        zlib_filefunc64_def fns{};
        fns.zopen64_file = memOpen;
        fns.zread_file = memRead;
        fns.zwrite_file = memWrite;
        fns.ztell64_file = memTell;
        fns.zseek64_file = memSeek;
        fns.zclose_file = memClose;
        fns.zerror_file = memError;
        fns.opaque = &m_file;
        m_zip = unzOpen2_64("workbook", &fns);
        if (!m_zip)
            throw SheetError{QStringLiteral("not a zip archive")};
        unz_global_info64 info{};
        if (unzGetGlobalInfo64(m_zip, &info) != UNZ_OK || info.number_entry > ZPOS64_T(limits::zipEntries))
            throw SheetError{QStringLiteral("the archive's directory is damaged or too large")};
    }
    ~ZipArchive() {
        if (m_zip)
            unzClose(m_zip);
    }
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool contains(const QString& name) {
        return unzLocateFile(m_zip, name.toUtf8().constData(), 2) == UNZ_OK;
    }

    // The unpacked entry; bounded by its stated size and by limits::zipEntryBytes.
    QByteArray read(const QString& name) {
        if (unzLocateFile(m_zip, name.toUtf8().constData(), 2) != UNZ_OK)
            throw SheetError{QStringLiteral("the part %1 is missing").arg(name)};
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(m_zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            throw SheetError{QStringLiteral("the part %1 is damaged").arg(name)};
        if (info.uncompressed_size > ZPOS64_T(limits::zipEntryBytes))
            throw SheetError{QStringLiteral("the part %1 is too large").arg(name)};
        if (unzOpenCurrentFile(m_zip) != UNZ_OK)
            throw SheetError{QStringLiteral("the part %1 cannot be unpacked").arg(name)};
        QByteArray out;
        const qint64 expected = qint64(info.uncompressed_size);
        out.reserve(qsizetype(qMin<qint64>(expected, 16 * 1024 * 1024)));
        char buffer[65536];
        int n = 0;
        while ((n = unzReadCurrentFile(m_zip, buffer, sizeof buffer)) > 0) {
            if (out.size() + n > expected) {
                unzCloseCurrentFile(m_zip);
                throw SheetError{QStringLiteral("the part %1 is larger than it says").arg(name)};
            }
            out.append(buffer, n);
        }
        // A damaged stream or a wrong checksum.
        const int closed = unzCloseCurrentFile(m_zip);
        if (n < 0 || closed != UNZ_OK || out.size() != expected)
            throw SheetError{QStringLiteral("the part %1 is damaged").arg(name)};
        return out;
    }

private:
    MemoryFile m_file;
    unzFile m_zip = nullptr;
};

// ---- XML

// A stream reader that refuses documents nested deeper than the limit.
class Xml {
public:
    explicit Xml(const QByteArray& bytes, const QString& part) : m_xml(bytes), m_part(part) {}
    // The next start element, or false at the end of the document.
    bool nextStart() {
        while (!m_xml.atEnd()) {
            const auto token = m_xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (++m_depth > limits::xmlDepth)
                    fail(QStringLiteral("nested too deep"));
                return true;
            }
            if (token == QXmlStreamReader::EndElement)
                --m_depth;
        }
        check();
        return false;
    }
    // Moves past the end of the current element.
    void skip() {
        const int depth = m_depth;
        while (m_depth >= depth && !m_xml.atEnd())
            nextStartOrEnd();
        check();
    }
    // The next start element inside the current element; false at its end.
    bool childOf(int depth) {
        while (!m_xml.atEnd()) {
            const auto token = nextStartOrEnd();
            if (token == QXmlStreamReader::StartElement)
                return true;
            if (token == QXmlStreamReader::EndElement && m_depth < depth)
                return false;
        }
        check();
        return false;
    }
    // The text of the current element (no child elements expected).
    QString text() {
        const QString t = m_xml.readElementText(QXmlStreamReader::IncludeChildElements);
        --m_depth;
        check();
        if (t.size() > limits::cellChars)
            fail(QStringLiteral("a text longer than %1 characters").arg(limits::cellChars));
        return t;
    }
    int depth() const { return m_depth; }
    QStringView name() const { return m_xml.name(); }
    QString attribute(const char* name) const {
        return m_xml.attributes().value(QLatin1String(name)).toString();
    }
    // The relationship id of a <sheet>: "id" in the relationships namespace,
    // whatever prefix the file gives it.
    QString relationshipId() const {
        for (const QXmlStreamAttribute& a : m_xml.attributes())
            if (a.name() == QLatin1String("id") && !a.namespaceUri().isEmpty())
                return a.value().toString();
        return QString();
    }
    [[noreturn]] void fail(const QString& why) const {
        throw SheetError{m_part + QStringLiteral(": ") + why};
    }
    void check() const {
        if (m_xml.hasError())
            fail(m_xml.errorString());
    }

private:
    QXmlStreamReader::TokenType nextStartOrEnd() {
        const auto token = m_xml.readNext();
        if (token == QXmlStreamReader::StartElement && ++m_depth > limits::xmlDepth)
            fail(QStringLiteral("nested too deep"));
        if (token == QXmlStreamReader::EndElement)
            --m_depth;
        return token;
    }
    QXmlStreamReader m_xml;
    QString m_part;
    int m_depth = 0;
};

// "xl/workbook.xml" + "worksheets/sheet1.xml" -> "xl/worksheets/sheet1.xml"
QString resolvePart(const QString& from, const QString& target) {
    QStringList parts;
    if (!target.startsWith(QLatin1Char('/'))) {
        parts = from.split(QLatin1Char('/'));
        parts.removeLast();
    }
    for (const QString& p : target.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (p == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (p != QLatin1String("."))
            parts << p;
    }
    return parts.join(QLatin1Char('/'));
}

QString relsOf(const QString& part) {
    const int slash = int(part.lastIndexOf(QLatin1Char('/')));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

// Relationship id -> target part, and the target of the first relationship of a type.
struct Relationships {
    QHash<QString, QString> byId;
    QString officeDocument;
};

Relationships readRelationships(ZipArchive& zip, const QString& relsPart, const QString& ownerPart) {
    Relationships rels;
    Xml xml(zip.read(relsPart), relsPart);
    while (xml.nextStart()) {
        if (xml.name() != QLatin1String("Relationship"))
            continue;
        if (xml.attribute("TargetMode") == QLatin1String("External"))
            continue;
        const QString target = resolvePart(ownerPart, xml.attribute("Target"));
        rels.byId.insert(xml.attribute("Id"), target);
        if (rels.officeDocument.isEmpty() && xml.attribute("Type").endsWith(QLatin1String("/officeDocument")))
            rels.officeDocument = target;
    }
    return rels;
}

QStringList readSharedStrings(ZipArchive& zip, const QString& part) {
    QStringList strings;
    Xml xml(zip.read(part), part);
    while (xml.nextStart()) {
        if (xml.name() != QLatin1String("si"))
            continue;
        if (strings.size() >= limits::sharedStrings)
            xml.fail(QStringLiteral("too many strings"));
        // Plain <t>, or runs <r><t/></r>; the phonetic guide (<rPh>) is not the text.
        QString text;
        const int depth = xml.depth();
        while (xml.childOf(depth)) {
            if (xml.name() == QLatin1String("t")) {
                text += xml.text();
                if (text.size() > limits::cellChars)
                    xml.fail(QStringLiteral("a string longer than %1 characters").arg(limits::cellChars));
            } else if (xml.name() == QLatin1String("rPh")) {
                xml.skip();
            }
        }
        strings << text;
    }
    return strings;
}

// Whether a number format code shows a date or a time: any of y, m, d, h, s
// outside quoted text, escapes and brackets ("[Red]", "[$-804]").
bool isDateFormatCode(const QString& code) {
    bool inQuote = false;
    int bracket = 0;
    for (int i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (inQuote) {
            inQuote = c != QLatin1Char('"');
            continue;
        }
        if (c == QLatin1Char('"'))
            inQuote = true;
        else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*'))
            ++i;
        else if (c == QLatin1Char('['))
            ++bracket;
        else if (c == QLatin1Char(']'))
            bracket = qMax(0, bracket - 1);
        else if (bracket == 0 && QStringLiteral("ymdhsYMDHS").contains(c))
            return true;
    }
    return false;
}

bool isBuiltInDateFormat(int id) {
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
           (id >= 50 && id <= 58);
}

// Per cell format index (the cell's "s"): whether it shows a date.
QVector<bool> readDateStyles(ZipArchive& zip, const QString& part) {
    QHash<int, bool> customDate;
    QVector<bool> dateStyles;
    Xml xml(zip.read(part), part);
    bool inCellXfs = false;
    int cellXfsDepth = 0;
    while (xml.nextStart()) {
        if (inCellXfs && xml.depth() <= cellXfsDepth)
            inCellXfs = false;
        if (xml.name() == QLatin1String("numFmt")) {
            customDate.insert(xml.attribute("numFmtId").toInt(),
                              isDateFormatCode(xml.attribute("formatCode")));
        } else if (xml.name() == QLatin1String("cellXfs")) {
            inCellXfs = true;
            cellXfsDepth = xml.depth();
        } else if (inCellXfs && xml.name() == QLatin1String("xf") && xml.depth() == cellXfsDepth + 1) {
            if (dateStyles.size() >= 65536)
                xml.fail(QStringLiteral("too many cell formats"));
            const int id = xml.attribute("numFmtId").toInt();
            dateStyles << (customDate.contains(id) ? customDate.value(id) : isBuiltInDateFormat(id));
        }
    }
    return dateStyles;
}

// "AB12" -> 27 (1-based column); 0 when it is not a reference.
int columnOf(const QString& ref) {
    int col = 0;
    int i = 0;
    for (; i < ref.size() && i < 4; ++i) {
        const char16_t c = ref[i].toUpper().unicode();
        if (c < u'A' || c > u'Z')
            break;
        col = col * 26 + (c - u'A' + 1);
    }
    return i > 0 && i < ref.size() && ref[i].isDigit() ? col : 0;
}

bool readWorkbook(ZipArchive& zip, const QString& workbookPart, QString* firstSheetId) {
    bool date1904 = false;
    Xml xml(zip.read(workbookPart), workbookPart);
    while (xml.nextStart()) {
        if (xml.name() == QLatin1String("workbookPr")) {
            const QString v = xml.attribute("date1904");
            date1904 = v == QLatin1String("1") || v == QLatin1String("true");
        } else if (xml.name() == QLatin1String("sheet") && firstSheetId->isEmpty()) {
            // The relationship attribute is r:id in the officeDocument namespace.
            *firstSheetId = xml.relationshipId();
            if (firstSheetId->isEmpty())
                xml.fail(QStringLiteral("the first sheet has no relationship"));
        }
    }
    return date1904;
}

} // namespace

Rows readXlsx(const QByteArray& bytes, int columns) {
    if (bytes.size() > limits::fileBytes)
        throw SheetError{QStringLiteral("the file is larger than %1 bytes").arg(limits::fileBytes)};
    ZipArchive zip(bytes);

    QString workbookPart = QStringLiteral("xl/workbook.xml");
    if (zip.contains(QStringLiteral("_rels/.rels"))) {
        const Relationships root = readRelationships(zip, QStringLiteral("_rels/.rels"), QString());
        if (!root.officeDocument.isEmpty())
            workbookPart = root.officeDocument;
    }
    QString sheetId;
    const bool date1904 = readWorkbook(zip, workbookPart, &sheetId);
    if (sheetId.isEmpty())
        throw SheetError{QStringLiteral("the workbook has no worksheet")};
    const Relationships wbRels = readRelationships(zip, relsOf(workbookPart), workbookPart);
    const QString sheetPart = wbRels.byId.value(sheetId);
    if (sheetPart.isEmpty())
        throw SheetError{QStringLiteral("the first sheet's part is not named")};
    QString stringsPart, stylesPart;
    for (auto it = wbRels.byId.cbegin(); it != wbRels.byId.cend(); ++it) {
        if (it.value().endsWith(QLatin1String("sharedStrings.xml")))
            stringsPart = it.value();
        else if (it.value().endsWith(QLatin1String("styles.xml")))
            stylesPart = it.value();
    }
    const QStringList strings = !stringsPart.isEmpty() && zip.contains(stringsPart)
                                    ? readSharedStrings(zip, stringsPart)
                                    : QStringList();
    const QVector<bool> dateStyles =
        !stylesPart.isEmpty() && zip.contains(stylesPart) ? readDateStyles(zip, stylesPart) : QVector<bool>();

    Rows rows;
    Xml xml(zip.read(sheetPart), sheetPart);
    QStringList blank;
    for (int c = 0; c < columns; ++c)
        blank << QString();
    while (xml.nextStart()) {
        if (xml.name() != QLatin1String("row"))
            continue;
        // Rows without cells may be left out of the file; they are blank rows.
        const QString r = xml.attribute("r");
        int rowNumber = int(rows.size()) + 1;
        if (!r.isEmpty()) {
            bool ok = false;
            rowNumber = r.toInt(&ok);
            if (!ok || rowNumber <= rows.size() || rowNumber > limits::rows)
                xml.fail(QStringLiteral("row number %1 out of order or range").arg(r));
        }
        while (rows.size() < rowNumber - 1)
            rows << blank;
        QStringList row = blank;
        int nextColumn = 1;
        const int rowDepth = xml.depth();
        while (xml.childOf(rowDepth)) {
            if (xml.name() != QLatin1String("c")) {
                xml.skip();
                continue;
            }
            const QString ref = xml.attribute("r");
            const int column = ref.isEmpty() ? nextColumn : columnOf(ref);
            if (column < 1 || column > 16384)
                xml.fail(QStringLiteral("cell reference %1").arg(ref));
            nextColumn = column + 1;
            const QString type = xml.attribute("t");
            const QString styleText = xml.attribute("s");
            QString value;
            bool haveValue = false;
            const int cellDepth = xml.depth();
            while (xml.childOf(cellDepth)) {
                if (xml.name() == QLatin1String("v")) {
                    value = xml.text();
                    haveValue = true;
                } else if (xml.name() == QLatin1String("is")) {
                    const int isDepth = xml.depth();
                    while (xml.childOf(isDepth)) {
                        if (xml.name() == QLatin1String("t"))
                            value += xml.text();
                        else if (xml.name() == QLatin1String("rPh"))
                            xml.skip();
                    }
                    if (value.size() > limits::cellChars)
                        xml.fail(QStringLiteral("a cell longer than %1 characters").arg(limits::cellChars));
                    haveValue = true;
                } else {
                    xml.skip(); // the formula, extensions
                }
            }
            if (column > columns || !haveValue)
                continue;
            QString text;
            if (type == QLatin1String("s")) {
                bool ok = false;
                const int index = value.trimmed().toInt(&ok);
                if (!ok || index < 0 || index >= strings.size())
                    xml.fail(QStringLiteral("shared string %1 does not exist").arg(value));
                text = strings.at(index);
            } else if (type == QLatin1String("inlineStr") || type == QLatin1String("str") ||
                       type == QLatin1String("e")) {
                text = value;
            } else if (type == QLatin1String("b")) {
                text =
                    value.trimmed() == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
            } else if (type == QLatin1String("d")) {
                // An ISO date-time stored as text.
                text = value.trimmed().replace(QLatin1Char('T'), QLatin1Char(' '));
                if (text.endsWith(QLatin1String(" 00:00:00")))
                    text.chop(9);
            } else {
                bool ok = false;
                const double number = value.trimmed().toDouble(&ok);
                if (!ok)
                    xml.fail(QStringLiteral("the number %1 cannot be read").arg(value.left(40)));
                bool styleOk = false;
                const int style = styleText.toInt(&styleOk);
                const bool isDate =
                    styleOk && style >= 0 && style < dateStyles.size() && dateStyles.at(style);
                text = isDate ? serialDateText(number, date1904) : QString();
                if (text.isEmpty())
                    text = numberText(number);
            }
            row[column - 1] = text;
        }
        rows << row;
    }
    return rows;
}

} // namespace sheet
