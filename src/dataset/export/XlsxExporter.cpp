#include "dataset/export/XlsxExporter.h"

#include "dataset/export/BiffRecords.h"
#include "dataset/export/XlsxPackage.h"
#include "dataset/export/XlsxSheetRows.h"

#include <QFile>
#include <QHash>
#include <QIODevice>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>

namespace gridexport {

namespace {

FieldClass classOf(const CellValue& v, FieldClass column) {
    switch (v.kind) {
    case CellValue::Fixed:
        return FieldClass::Money;
    case CellValue::Integer:
        return FieldClass::Integer;
    case CellValue::DateTime:
        return FieldClass::DateTime;
    case CellValue::Float:
        return FieldClass::Float;
    default:
        return column;
    }
}

struct SheetPart {
    QString name;
    lxw_worksheet* sheet = nullptr;
    int firstRow = 0; // first layout row on the sheet
    int rowCount = 0;
};

class Workbook {
public:
    Workbook(const ExportLayout& layout, int maxRows, std::function<bool(int)> progressed)
        : m_layout(layout), m_maxRows(maxRows), m_progressed(std::move(progressed)) {}
    ~Workbook() {
        if (m_book)
            lxw_workbook_free(m_book);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    bool open(const QString& path, const QString& tmpdir, QString& error);
    // Everything but the data rows: worksheets with their columns, titles and
    // (on the last) the footer below where the rows will be, and the chart.
    bool write(const std::optional<ExportChart>& chart, QString& error);
    // Writes the file; the workbook is gone afterwards.
    bool close(QString& error);
    // The data rows of each worksheet that has some, to be written into the
    // closed workbook's file.
    QVector<xlsxpackage::WorksheetRows> dataRows();

private:
    lxw_format* numberFormat(FieldClass kind, const QString& mask, Alignment align, bool bold);
    void writeSheet(const SheetPart& part, bool last);
    void writeHeader(lxw_worksheet* sheet);
    void writeFooter(lxw_worksheet* sheet, int row);
    void addChart(const ExportChart& chart);
    bool failed(lxw_error code, QString& error) {
        error = QStringLiteral("写入文件失败: %1").arg(QString::fromUtf8(lxw_strerror(code)));
        return false;
    }

    const ExportLayout& m_layout;
    int m_maxRows;
    std::function<bool(int)> m_progressed;
    QByteArray m_tmpdir;
    lxw_workbook* m_book = nullptr;
    QVector<HeaderCell> m_header;
    int m_depth = 1;
    lxw_format* m_headerFormat = nullptr;
    QVector<lxw_format*> m_cellFormats;
    QVector<int> m_cellStyles;
    QHash<QString, lxw_format*> m_formats;
    QVector<SheetPart> m_parts;
    CellText m_text;
};

bool Workbook::open(const QString& path, const QString& tmpdir, QString& error) {
    m_tmpdir = QFile::encodeName(tmpdir);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = m_tmpdir.data();
    m_book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    if (!m_book) {
        error = QStringLiteral("写入文件失败: %1").arg(path);
        return false;
    }
    return true;
}

lxw_format* Workbook::numberFormat(FieldClass kind, const QString& mask, Alignment align, bool bold) {
    // One format object for equal formats: the library looks up a format that
    // equals an earlier one by hashing it again for every cell.
    const QString code = biff::excelNumberFormat(kind, mask);
    const QString key =
        QStringLiteral("%1|%2|%3").arg(code, QString::number(int(align)), QString::number(bold));
    if (lxw_format* known = m_formats.value(key))
        return known;
    lxw_format* f = workbook_add_format(m_book);
    m_formats.insert(key, f);
    if (!code.isEmpty())
        format_set_num_format(f, code.toUtf8().constData());
    format_set_align(f, align == Alignment::Left     ? LXW_ALIGN_LEFT
                        : align == Alignment::Center ? LXW_ALIGN_CENTER
                                                     : LXW_ALIGN_RIGHT);
    if (bold)
        format_set_bold(f);
    return f;
}

bool Workbook::write(const std::optional<ExportChart>& chart, QString& error) {
    const int cols = m_layout.columnCount();
    if (cols > XlsxExporter::MaxColumns) {
        error = QStringLiteral("列数超过 %1, 无法导出为 Excel 文件").arg(XlsxExporter::MaxColumns);
        return false;
    }
    // The subtitle (the period, a filter in force) is a title row of its own
    // across every column, as in the other spreadsheet format.
    m_header = m_layout.headerCells();
    m_depth = m_layout.headerDepth();
    const QString subtitle = m_layout.source().subtitle().trimmed();
    if (!subtitle.isEmpty() && cols > 0) {
        for (HeaderCell& h : m_header)
            ++h.row;
        m_header.prepend(HeaderCell{0, 0, 1, cols, subtitle});
        ++m_depth;
    }
    // Every worksheet leaves a row for the footer, which ends the last one.
    const int capacity = m_maxRows - m_depth - (m_layout.hasFooter() ? 1 : 0);
    if (capacity < 1) {
        error = QStringLiteral("标题行太多, 无法导出为 Excel 文件");
        return false;
    }

    m_headerFormat = workbook_add_format(m_book);
    format_set_bold(m_headerFormat);
    format_set_align(m_headerFormat, LXW_ALIGN_CENTER);
    format_set_align(m_headerFormat, LXW_ALIGN_VERTICAL_CENTER);
    format_set_text_wrap(m_headerFormat);
    format_set_bg_color(m_headerFormat, 0xDDDDDD);
    format_set_border(m_headerFormat, LXW_BORDER_THIN);
    for (int c = 0; c < cols; ++c) {
        const ExportColumn& info = m_layout.column(c);
        m_cellFormats.append(numberFormat(info.fieldClass, info.displayFormat, info.alignment, false));
    }

    const int rows = m_layout.rowCount();
    const int sheetCount = std::max(1, (rows + capacity - 1) / capacity);
    for (int s = 0; s < sheetCount; ++s) {
        SheetPart part;
        part.name = biff::worksheetName(m_layout.source().tableName(), s);
        part.sheet = workbook_add_worksheet(m_book, part.name.toUtf8().constData());
        if (!part.sheet) {
            error = QStringLiteral("无法建立工作表 %1").arg(part.name);
            return false;
        }
        part.firstRow = s * capacity;
        part.rowCount = std::clamp(rows - part.firstRow, 0, capacity);
        m_parts.append(part);
    }
    if (chart)
        addChart(*chart);
    for (int s = 0; s < sheetCount; ++s)
        writeSheet(m_parts.at(s), s == sheetCount - 1);
    // The data rows' cells name their styles by index: numbering the formats
    // now also makes the workbook list them among its styles.
    for (lxw_format* format : std::as_const(m_cellFormats))
        m_cellStyles.append(lxw_format_get_xf_index(format));
    return true;
}

void Workbook::writeHeader(lxw_worksheet* sheet) {
    const int cols = m_layout.columnCount();
    QVector<QVector<int>> cover(m_depth, QVector<int>(cols, -1));
    for (int i = 0; i < m_header.size(); ++i) {
        const HeaderCell& h = m_header.at(i);
        for (int r = h.row; r < h.row + h.rowSpan; ++r)
            for (int c = h.column; c < h.column + h.columnSpan; ++c)
                cover[r][c] = i;
    }
    // Row by row, as constant-memory mode needs; an area is merged once its
    // last row is written (its first cell is written already).
    for (int r = 0; r < m_depth; ++r) {
        for (int c = 0; c < cols; ++c) {
            const int i = cover[r][c];
            if (i >= 0 && m_header.at(i).row == r && m_header.at(i).column == c)
                worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), m_text(m_header.at(i).text),
                                       m_headerFormat);
            else
                worksheet_write_blank(sheet, lxw_row_t(r), lxw_col_t(c), m_headerFormat);
        }
        for (const HeaderCell& h : m_header)
            if (h.row + h.rowSpan - 1 == r && (h.rowSpan > 1 || h.columnSpan > 1))
                worksheet_merge_range(sheet, lxw_row_t(h.row), lxw_col_t(h.column), lxw_row_t(r),
                                      lxw_col_t(h.column + h.columnSpan - 1), m_text(h.text), m_headerFormat);
    }
}

void Workbook::writeSheet(const SheetPart& part, bool last) {
    lxw_worksheet* sheet = part.sheet;
    const int cols = m_layout.columnCount();
    for (int c = 0; c < cols; ++c)
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c),
                             std::clamp(m_layout.column(c).displayWidth + 2, 2, 255), nullptr);
    worksheet_freeze_panes(sheet, lxw_row_t(m_depth), 0);
    writeHeader(sheet);
    if (last && m_layout.hasFooter())
        writeFooter(sheet, m_depth + part.rowCount);
}

QVector<xlsxpackage::WorksheetRows> Workbook::dataRows() {
    QVector<xlsxpackage::WorksheetRows> sheets;
    const int cols = m_layout.columnCount();
    auto rows = std::make_shared<XlsxSheetRows>(m_layout, m_cellStyles);
    for (int s = 0; s < m_parts.size(); ++s) {
        const SheetPart& part = m_parts.at(s);
        if (part.rowCount == 0 || cols == 0)
            continue;
        const bool footer = s == m_parts.size() - 1 && m_layout.hasFooter();
        xlsxpackage::WorksheetRows sheet;
        // The library numbers its worksheet parts in the order they were added.
        sheet.part = "xl/worksheets/sheet" + QByteArray::number(s + 1) + ".xml";
        sheet.beforeRow = footer ? m_depth + part.rowCount + 1 : 0;
        sheet.dimension =
            "A1:" + xlsxColumnName(cols - 1) + QByteArray::number(m_depth + part.rowCount + (footer ? 1 : 0));
        // Room for 4 GB of cells of about a hundred bytes each, or the
        // extensions that lift the zip's limit.
        sheet.zip64 = double(part.rowCount) * cols * 128 >= double(0xF0000000u);
        const int first = part.firstRow;
        const int count = part.rowCount;
        const int depth = m_depth;
        const auto progressed = m_progressed;
        sheet.write = [rows, first, count, depth, progressed](xlsxpackage::RowSink& sink) {
            for (int r = first; r < first + count; ++r) {
                rows->append(sink.buffer(), r, depth + 1 + r - first);
                if (!sink.commit() || !progressed(r))
                    return false;
            }
            return true;
        };
        sheets.append(sheet);
    }
    return sheets;
}

void Workbook::writeFooter(lxw_worksheet* sheet, int row) {
    // The ranges of a column's rows on every worksheet; the sheet name only
    // when the rows span more than one.
    auto ranges = [this](int c) {
        QStringList list;
        const QString col = QString::fromLatin1(xlsxColumnName(c));
        for (const SheetPart& part : std::as_const(m_parts)) {
            if (part.rowCount == 0)
                continue;
            QString prefix;
            if (m_parts.size() > 1)
                prefix = QLatin1Char('\'') + QString(part.name).replace(u'\'', QLatin1String("''")) +
                         QLatin1String("'!");
            list.append(QStringLiteral("%1%2%3:%2%4")
                            .arg(prefix, col, QString::number(m_depth + 1),
                                 QString::number(m_depth + part.rowCount)));
        }
        return list;
    };
    const bool anyRows = m_layout.rowCount() > 0;
    for (int c = 0; c < m_layout.columnCount(); ++c) {
        const FooterCell f = m_layout.footer(c);
        const ExportColumn& info = m_layout.column(c);
        if (f.value.isNumber()) {
            const FieldClass kind = classOf(f.value, info.fieldClass);
            const QString mask =
                f.displayFormat.isEmpty() && kind == info.fieldClass ? info.displayFormat : f.displayFormat;
            lxw_format* format = numberFormat(kind, mask, f.alignment, true);
            const double value = biff::spreadsheetNumber(f.value);
            QString formula;
            if (anyRows && f.aggregate == FooterCell::Sum)
                formula = QStringLiteral("=SUM(%1)").arg(ranges(c).join(QLatin1Char(',')));
            else if (anyRows && f.aggregate == FooterCell::Count)
                formula = QStringLiteral("=ROWS(%1)").arg(ranges(c).join(QLatin1String(")+ROWS(")));
            if (formula.isEmpty())
                worksheet_write_number(sheet, lxw_row_t(row), lxw_col_t(c), value, format);
            else
                worksheet_write_formula_num(sheet, lxw_row_t(row), lxw_col_t(c), formula.toUtf8().constData(),
                                            format, value);
        } else if (!f.text.isEmpty()) {
            worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(c), m_text(f.text),
                                   numberFormat(FieldClass::Text, {}, f.alignment, true));
        }
    }
}

void Workbook::addChart(const ExportChart& chart) {
    auto written = [this](int sourceColumn) {
        for (int i = 0; i < m_layout.columnCount(); ++i)
            if (m_layout.sourceColumn(i) == sourceColumn)
                return i;
        return -1;
    };
    const SheetPart& part = m_parts.first();
    // The written category columns; a multi-level axis (the leftmost column
    // the outer level) needs them side by side, otherwise the first one
    // names the categories.
    QVector<int> categories;
    for (int c : chart.categoryColumns)
        if (written(c) >= 0)
            categories.append(written(c));
    const int firstNamed = categories.value(0, -1);
    std::sort(categories.begin(), categories.end());
    for (int i = 1; i < categories.size(); ++i)
        if (categories.at(i) != categories.at(i - 1) + 1) {
            categories = {firstNamed};
            break;
        }
    QVector<int> values;
    for (int v : chart.valueColumns)
        if (written(v) >= 0)
            values.append(written(v));
    if (values.isEmpty() || part.rowCount == 0)
        return;
    uint8_t type = LXW_CHART_COLUMN;
    switch (chart.type) {
    case ExportChart::Type::Column:
        break;
    case ExportChart::Type::StackedColumn:
        type = LXW_CHART_COLUMN_STACKED;
        break;
    case ExportChart::Type::Bar:
        type = LXW_CHART_BAR;
        break;
    case ExportChart::Type::Line:
        type = LXW_CHART_LINE;
        break;
    case ExportChart::Type::Pie:
        type = LXW_CHART_PIE;
        break;
    }
    lxw_chart* c = workbook_add_chart(m_book, type);
    if (!c)
        return;
    const QByteArray sheetName = part.name.toUtf8();
    const lxw_row_t first = lxw_row_t(m_depth);
    const lxw_row_t last = lxw_row_t(m_depth + part.rowCount - 1);
    for (int v : std::as_const(values)) {
        lxw_chart_series* series = chart_add_series(c, nullptr, nullptr);
        if (!categories.isEmpty())
            chart_series_set_categories(series, sheetName.constData(), first, lxw_col_t(categories.first()),
                                        last, lxw_col_t(categories.last()));
        chart_series_set_values(series, sheetName.constData(), first, lxw_col_t(v), last, lxw_col_t(v));
        chart_series_set_name(series, m_layout.titleLevels(v).join(QLatin1Char(' ')).toUtf8().constData());
    }
    if (!chart.title.isEmpty())
        chart_title_set_name(c, chart.title.toUtf8().constData());
    if (!chart.valueTitle.isEmpty() && chart.type != ExportChart::Type::Pie)
        chart_axis_set_name(chart.type == ExportChart::Type::Bar ? c->x_axis : c->y_axis,
                            chart.valueTitle.toUtf8().constData());
    worksheet_insert_chart(part.sheet, first, lxw_col_t(m_layout.columnCount() + 1), c);
}

bool Workbook::close(QString& error) {
    const lxw_error e = workbook_close(m_book);
    m_book = nullptr;
    return e == LXW_NO_ERROR || failed(e, error);
}

} // namespace

bool XlsxExporter::write(const ExportLayout& layout, QIODevice& device) {
    QTemporaryDir dir;
    if (!dir.isValid())
        return fail(QStringLiteral("无法建立临时文件夹: %1").arg(dir.errorString()));
    // The library writes the workbook around the rows; the rows are written
    // into its file while it is packed again.
    const QString frame = dir.filePath(QStringLiteral("frame.xlsx"));
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    QString error;
    QVector<xlsxpackage::WorksheetRows> rows;
    {
        Workbook book(layout, m_maxRows, [this](int row) { return progressed(row + 1); });
        if (!book.open(frame, dir.path(), error) ||
            !book.write(m_chart ? m_chart : layout.source().chart(), error))
            return fail(error);
        rows = book.dataRows();
        if (!book.close(error))
            return fail(error);
    }
    const ExportResult packed = xlsxpackage::repack(frame, path, rows, error);
    if (packed.status == ExportResult::Failed)
        return fail(error);
    if (packed.cancelled())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("写入文件失败: %1").arg(file.errorString()));
    QByteArray block;
    while (!file.atEnd()) {
        block = file.read(1 << 20);
        if (block.isEmpty() && file.error() != QFile::NoError)
            return fail(QStringLiteral("写入文件失败: %1").arg(file.errorString()));
        if (device.write(block) != block.size())
            return fail(device.errorString().isEmpty()
                            ? QStringLiteral("写入文件失败")
                            : QStringLiteral("写入文件失败: %1").arg(device.errorString()));
    }
    return true;
}

} // namespace gridexport
