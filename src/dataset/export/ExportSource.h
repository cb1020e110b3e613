#pragma once
// What the grid exporters and the print renderer read: the columns of a grid
// (title, kind of value, alignment, width, visibility), its rows as display
// texts and raw values, the rows the operator selected and the footer row.
// The grid implements this interface; MemoryExportSource holds a table in
// memory for tests and the command-line tool.
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <optional>

namespace gridexport {

// What a column holds; decides how spreadsheets receive its cells.
enum class FieldClass { Text, Integer, Money, Float, DateTime };

enum class Alignment { Left, Center, Right };

// The raw value of a cell. Money is exact fixed-point (units of 1/10000),
// never binary floating point; a date-time is milliseconds since
// 1970-01-01 00:00 of the wall-clock time, without time-zone conversion.
struct CellValue {
    enum Kind : std::uint8_t { Null, Text, Integer, Fixed, Float, DateTime };
    Kind kind = Null;
    std::int64_t integer = 0; // Integer, Fixed (value * 10000), DateTime (msecs)
    double real = 0;          // Float

    static constexpr std::int64_t FixedScale = 10000;

    static CellValue null() { return {}; }
    static CellValue text() { return {Text, 0, 0}; }
    static CellValue fromInteger(std::int64_t v) { return {Integer, v, 0}; }
    static CellValue fromFixed(std::int64_t units) { return {Fixed, units, 0}; }
    static CellValue fromDouble(double v) { return {Float, 0, v}; }
    static CellValue fromDateTime(std::int64_t msecs) { return {DateTime, msecs, 0}; }

    bool isNumber() const { return kind == Integer || kind == Fixed || kind == Float || kind == DateTime; }
};

struct ExportColumn {
    // Levels of a multi-level title are separated by "|": "期初|现金收入|卡费".
    QString title;
    FieldClass fieldClass = FieldClass::Text;
    Alignment alignment = Alignment::Left;
    // Width in characters of the grid's font (a Chinese character counts two).
    int displayWidth = 10;
    bool visible = true;
    // The grid's number or date mask ("￥0.00", "0", "yyyy-mm-dd hh:nn:ss");
    // spreadsheets receive it as the cell's number format. Empty: default.
    QString displayFormat;
};

// A chart over exported columns: the categories from the category columns
// (several adjacent ones make a multi-level axis), a series from each value
// column, over the rows of the first worksheet. Columns are the source's
// column indexes; columns that are not written are left out.
struct ExportChart {
    enum class Type { Column, StackedColumn, Bar, Line, Pie };
    Type type = Type::Column;
    QString title;
    QVector<int> categoryColumns;
    QVector<int> valueColumns;
    QString valueTitle; // the value axis' name; empty: none
};

// One cell of the footer row: the text the grid shows ("汇总:", a sum, a
// count) and, for sums and counts, the value with its display format.
// `aggregate` says what the value is, so that a spreadsheet can carry it as a
// formula over the column's cells.
struct FooterCell {
    enum Aggregate : std::uint8_t { Plain, Sum, Count };
    QString text;
    CellValue value;
    QString displayFormat;
    Alignment alignment = Alignment::Left;
    Aggregate aggregate = Plain;
};

class ExportSource {
public:
    virtual ~ExportSource() = default;

    // A name for the table (worksheet name, HTML title); may be empty.
    virtual QString tableName() const { return {}; }
    // A line under the name saying what the rows are (a period, a filter);
    // formats with a title block write it. May be empty.
    virtual QString subtitle() const { return {}; }

    virtual int columnCount() const = 0;
    virtual ExportColumn column(int col) const = 0;
    // The data set's field behind a column; empty for a table without fields.
    virtual QString fieldName(int col) const {
        Q_UNUSED(col);
        return {};
    }

    virtual int rowCount() const = 0;
    virtual QString displayText(int row, int col) const = 0;
    // Text columns may answer CellValue::text(); the display text is used.
    virtual CellValue value(int row, int col) const = 0;

    // Selected rows as row indexes (any order); empty when nothing is selected.
    virtual QVector<int> selectedRows() const { return {}; }

    virtual bool hasFooter() const { return false; }
    virtual FooterCell footer(int col) const {
        Q_UNUSED(col);
        return {};
    }

    // The chart a format that can hold one writes beside the rows; none by default.
    virtual std::optional<ExportChart> chart() const { return std::nullopt; }
};

// A table held in memory.
class MemoryExportSource : public ExportSource {
public:
    void setTableName(const QString& name) { m_name = name; }
    void setSubtitle(const QString& subtitle) { m_subtitle = subtitle; }
    void addColumn(const ExportColumn& column) { m_columns.append(column); }
    void setColumnVisible(int col, bool visible) { m_columns[col].visible = visible; }
    void setFieldNames(const QStringList& names) { m_fieldNames = names; }
    // Appends a row; `values` may be shorter than the column list (the rest
    // are text cells).
    void addRow(const QVector<QString>& texts, const QVector<CellValue>& values = {});
    void setSelectedRows(const QVector<int>& rows) { m_selection = rows; }
    void setFooter(const QVector<FooterCell>& cells) { m_footer = cells; }
    void clearFooter() { m_footer.clear(); }

    QString tableName() const override { return m_name; }
    QString subtitle() const override { return m_subtitle; }
    int columnCount() const override { return m_columns.size(); }
    ExportColumn column(int col) const override { return m_columns.at(col); }
    QString fieldName(int col) const override { return m_fieldNames.value(col); }
    int rowCount() const override { return m_texts.size(); }
    QString displayText(int row, int col) const override;
    CellValue value(int row, int col) const override;
    QVector<int> selectedRows() const override { return m_selection; }
    bool hasFooter() const override { return !m_footer.isEmpty(); }
    FooterCell footer(int col) const override {
        return col < m_footer.size() ? m_footer.at(col) : FooterCell{};
    }

private:
    QString m_name;
    QString m_subtitle;
    QVector<ExportColumn> m_columns;
    QStringList m_fieldNames;
    QVector<QVector<QString>> m_texts;
    QVector<QVector<CellValue>> m_values;
    QVector<int> m_selection;
    QVector<FooterCell> m_footer;
};

} // namespace gridexport
