// CSV as spreadsheets save it: a line per row, fields split at commas, a
// field in double quotes may hold commas, line breaks and doubled quotes.
#include "allowance/import/SheetReader.h"

#include "db/TextCodec.h"

namespace sheet {

Rows readCsv(const QByteArray& bytes, int columns) {
    if (bytes.size() > limits::fileBytes)
        throw SheetError{QStringLiteral("the file is larger than %1 bytes").arg(limits::fileBytes)};
    const QString text = decodeText(bytes);
    Rows rows;
    QStringList row;
    QString field;
    bool quoted = false;   // inside a quoted field
    bool lineEmpty = true; // nothing of the current line read yet
    auto endField = [&] {
        if (field.size() > limits::cellChars)
            throw SheetError{QStringLiteral("line %1: a field longer than %2 characters")
                                 .arg(QString::number(rows.size() + 1), QString::number(limits::cellChars))};
        if (row.size() < columns)
            row << field;
        field.clear();
    };
    auto endLine = [&] {
        endField();
        while (row.size() < columns)
            row << QString();
        if (rows.size() >= limits::rows)
            throw SheetError{QStringLiteral("more than %1 lines").arg(limits::rows)};
        rows << row;
        row.clear();
        lineEmpty = true;
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            if (field.size() > limits::cellChars)
                endField(); // refuses
            continue;
        }
        if (c == QLatin1Char('\n')) {
            endLine();
            continue;
        }
        if (c == QLatin1Char('\r')) {
            if (i + 1 < n && text[i + 1] == QLatin1Char('\n'))
                continue;
            endLine();
            continue;
        }
        lineEmpty = false;
        if (c == QLatin1Char(',')) {
            endField();
        } else if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
        } else {
            field += c;
            if (field.size() > limits::cellChars)
                endField(); // refuses
        }
    }
    if (!lineEmpty || !field.isEmpty() || !row.isEmpty())
        endLine();
    return rows;
}

} // namespace sheet
