#include "framework/SumFooter.h"

#include "dataset/grid/DataSetTableModel.h"
#include "dataset/grid/GridFooter.h"
#include "framework/RecordWindowRules.h"

void buildSumFooter(const DataSetTableModel& model, GridFooter& footer, int footerRowCount) {
    footer.clear();
    for (int c = 0; c < model.columnCount(); ++c) {
        const Field* f = model.fieldAt(c);
        FooterCellSpec cell;
        if (c == 0) {
            cell.kind = FooterCellSpec::StaticText;
            cell.text = QStringLiteral("汇总:");
            cell.fontPointSize = 11;
            cell.wordWrap = true;
        } else if (RecordWindowRules::isSumField(*f)) {
            cell.kind = FooterCellSpec::Sum;
            cell.alignment = Qt::AlignRight | Qt::AlignVCenter;
        } else if (c == 1) {
            cell.kind = FooterCellSpec::Count;
            cell.alignment = Qt::AlignCenter;
        } else {
            continue;
        }
        footer.setCell(f->fieldName(), cell);
    }
    footer.setRowCount(footerRowCount);
}
