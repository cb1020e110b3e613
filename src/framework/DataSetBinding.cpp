#include "framework/DataSetBinding.h"

#include "dataset/DataSet.h"
#include "db/MealDataModule.h"

void applyDataSetDefinition(DataSet& dataSet, const MealDataModule& module, const QString& dataSetName) {
    const DataSetDef* def = MealDataModule::dataSet(dataSetName);
    // The fields the definition lists come first, in its (grid) order,
    // whatever order the statement selects them in.
    if (def) {
        int next = 0;
        for (const DataSetFieldDef& fd : def->fields)
            if (Field* field = dataSet.findField(fd.name))
                dataSet.moveField(field, next++);
    }
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
