#include "framework/DataSetBinding.h"

#include "dataset/DataSet.h"
#include "db/MealDataModule.h"

Field* shownField(const DataSet& dataSet, const QString& name) {
    // "Later" is the place in the statement (the stored column), which
    // moving fields does not change.
    Field* found = nullptr;
    for (int i = 0; i < dataSet.fieldCount(); ++i) {
        Field* f = dataSet.field(i);
        if (f->fieldName().compare(name, Qt::CaseInsensitive) == 0 &&
            (!found || f->column() > found->column()))
            found = f;
    }
    return found;
}

void applyDataSetDefinition(DataSet& dataSet, const MealDataModule& module, const QString& dataSetName) {
    const DataSetDef* def = MealDataModule::dataSet(dataSetName);
    // The fields the definition lists come first, in its (grid) order,
    // whatever order the statement selects them in.
    if (def) {
        int next = 0;
        for (const DataSetFieldDef& fd : def->fields)
            if (Field* field = shownField(dataSet, fd.name))
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
    for (int i = 0; i < dataSet.fieldCount(); ++i)
        if (shownField(dataSet, dataSet.field(i)->fieldName()) != dataSet.field(i))
            dataSet.field(i)->setVisible(false);
}
