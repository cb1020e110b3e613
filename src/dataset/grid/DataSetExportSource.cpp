#include "dataset/grid/DataSetExportSource.h"

#include "dataset/DataSet.h"
#include "dataset/grid/DataSetTableModel.h"

using gridexport::Alignment;
using gridexport::CellValue;
using gridexport::FieldClass;

DataSetExportSource::DataSetExportSource(const DataSetTableModel& model, const GridFooter* footer)
    : m_model(model), m_footer(footer) {}

FieldClass DataSetExportSource::fieldClass(const Field& field) {
    // A coded field shows a text, and a spreadsheet must receive that text.
    if (field.textHandler())
        return FieldClass::Text;
    const FieldType t = field.dataType();
    if (isIntegerType(t))
        return FieldClass::Integer;
    if (t == FieldType::Currency || t == FieldType::BCD)
        return FieldClass::Money;
    if (t == FieldType::Float)
        return FieldClass::Float;
    if (isDateTimeType(t))
        return FieldClass::DateTime;
    return FieldClass::Text;
}

int DataSetExportSource::columnCount() const {
    return m_model.columnCount();
}

gridexport::ExportColumn DataSetExportSource::column(int col) const {
    gridexport::ExportColumn c;
    const Field* f = m_model.fieldAt(col);
    if (!f)
        return c;
    c.title = f->displayLabel();
    c.fieldClass = fieldClass(*f);
    c.alignment = (c.fieldClass == FieldClass::Text || c.fieldClass == FieldClass::DateTime)
                      ? Alignment::Left
                      : Alignment::Right;
    c.displayWidth = f->displayWidth();
    c.visible = f->visible();
    c.displayFormat = f->displayFormat();
    return c;
}

QString DataSetExportSource::fieldName(int col) const {
    const Field* f = m_model.fieldAt(col);
    return f ? f->fieldName() : QString();
}

int DataSetExportSource::rowCount() const {
    return m_model.dataSet() ? m_model.dataSet()->recordCount() : 0;
}

QString DataSetExportSource::displayText(int row, int col) const {
    const Field* f = m_model.fieldAt(col);
    return f ? m_model.dataSet()->displayText(row, f->index()) : QString();
}

CellValue DataSetExportSource::value(int row, int col) const {
    const Field* f = m_model.fieldAt(col);
    if (!f)
        return CellValue::null();
    const DataSet& ds = *m_model.dataSet();
    const Bookmark b = ds.bookmarkAt(row);
    if (ds.isNullAt(b, f->index()))
        return CellValue::null();
    const Cell cell = ds.cellAt(b, f->index());
    switch (fieldClass(*f)) {
    case FieldClass::Integer:
        return CellValue::fromInteger(cell.i);
    case FieldClass::Money:
        return CellValue::fromFixed(cell.i);
    case FieldClass::Float:
        return CellValue::fromDouble(cell.d);
    case FieldClass::DateTime:
        return CellValue::fromDateTime(cell.i);
    case FieldClass::Text:
        break;
    }
    return CellValue::text();
}

bool DataSetExportSource::hasFooter() const {
    return m_footer && m_footer->rowCount() > 0 && m_footer->hasCells();
}

gridexport::FooterCell DataSetExportSource::footer(int col) const {
    gridexport::FooterCell cell;
    const Field* f = m_model.fieldAt(col);
    if (!f || !m_footer || !m_model.dataSet())
        return cell;
    const DataSet& ds = *m_model.dataSet();
    const FooterCellSpec cellDef = m_footer->cell(f->fieldName());
    cell.text = m_footer->text(ds, *f);
    if (cellDef.kind == FooterCellSpec::Sum) {
        cell.displayFormat = cellDef.displayFormat.isEmpty() ? f->displayFormat() : cellDef.displayFormat;
        cell.value = f->dataType() == FieldType::Float ? CellValue::fromDouble(ds.sumFloat(f->index()))
                     : isIntegerType(f->dataType())
                         ? CellValue::fromInteger(ds.sumFixed(f->index()) / kFixedScale)
                         : CellValue::fromFixed(ds.sumFixed(f->index()));
        cell.alignment = Alignment::Right;
        cell.aggregate = gridexport::FooterCell::Sum;
    } else if (cellDef.kind == FooterCellSpec::Count) {
        cell.value = CellValue::fromInteger(ds.recordCount());
        cell.alignment = Alignment::Center;
        cell.aggregate = gridexport::FooterCell::Count;
    }
    return cell;
}
