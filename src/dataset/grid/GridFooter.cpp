#include "dataset/grid/GridFooter.h"

#include "dataset/DataSet.h"
#include "dataset/DisplayFormat.h"

QString GridFooter::sumText(const DataSet& dataSet, const Field& field, const QString& displayFormat) {
    const QString mask = displayFormat.isEmpty() ? field.displayFormat() : displayFormat;
    const int index = field.index();
    const FieldType type = field.dataType();
    if (type == FieldType::Float) {
        const double sum = dataSet.sumFloat(index);
        return mask.isEmpty() ? QString::number(sum, 'f', 2) : displayformat::formatDouble(mask, sum);
    }
    const std::int64_t sum = dataSet.sumFixed(index);
    if (!mask.isEmpty())
        return displayformat::formatFixed(mask, sum);
    if (isIntegerType(type))
        return QString::number(sum / kFixedScale);
    return displayformat::formatFixed(QStringLiteral("0.00"), sum);
}

QString GridFooter::text(const DataSet& dataSet, const Field& field) const {
    const FooterCellSpec cellDef = cell(field.fieldName());
    switch (cellDef.kind) {
    case FooterCellSpec::StaticText:
        return cellDef.text;
    case FooterCellSpec::Sum:
        return dataSet.isActive() ? sumText(dataSet, field, cellDef.displayFormat) : QString();
    case FooterCellSpec::Count:
        return dataSet.isActive() ? QString::number(dataSet.recordCount()) : QString();
    case FooterCellSpec::None:
        break;
    }
    return QString();
}
