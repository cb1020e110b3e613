#include "framework/DataSetBinding.h"

#include "dataset/DataSet.h"
#include "db/MealDataModule.h"

void applyDataSetDefinition(DataSet& dataSet, const MealDataModule& module, const QString& dataSetName) {
    const DataSetDef* def = MealDataModule::dataSet(dataSetName);
    for (int i = 0; i < dataSet.fieldCount(); ++i) {
        Field* field = dataSet.field(i);
        const FieldType type = field->dataType();
        if ((type == FieldType::Currency || type == FieldType::BCD) && field->displayFormat().isEmpty())
            field->setDisplayFormat(QStringLiteral("￥0.00"));
        const DataSetFieldDef* fd = def ? def->field(field->fieldName()) : nullptr;
        if (!fd)
            continue;
        if (!fd->label.isEmpty())
            field->setDisplayLabel(fd->label);
        field->setTag(fd->tag);
        field->setVisible(fd->visible);
        if (fd->handler != TextHandler::None) {
            const TextHandler handler = fd->handler;
            const MealDataModule* m = &module;
            field->setTextHandler(
                [m, handler](const QVariant& value) { return m->displayText(handler, value); });
        }
    }
}
