// The consumption window's export, re-match and card-reading commands.
#include "dataset/DataSetLoader.h"
#include "dataset/grid/DataSetExportSource.h"
#include "dataset/grid/ui/DBGrid.h"
#include "framework/GridLayout.h"
#include "framework/ModuleContext.h"
#include "framework/RecordFiles.h"
#include "framework/ui/CardReadButton.h"
#include "framework/ui/RecordFileActions.h"
#include "reports/MealRecordsQuery.h"
#include "reports/MealRecordsRematch.h"
#include "reports/ui/MealRecords.h"
#include "util/Prompter.h"
#include "util/ui/Progress.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileInfo>
#include <QLineEdit>
#include <QToolButton>

void TfrmMealRecords::exportRows() {
    MergedKind kind;
    if (!MealRecordsMerge::kindOfIndex(cbkind->currentIndex(), &kind))
        return TfrmDptRecordBaseClass::exportRows();
    exportMerged(kind);
}

void TfrmMealRecords::exportMerged(MergedKind kind) {
    DataSet* main = dataSet();
    if (!main || !main->isActive() || isLoading())
        return;
    QString path;
    int filterIndex = 0;
    if (!fileActions().askExportFile(true, &path, &filterIndex))
        return;
    DataSet* other = kind == MergedKind::KeyValue ? qryOtKey
                     : kind == MergedKind::Goods  ? qryOtStore
                                                  : qryOtTme;
    gridexport::ExportResult result = gridexport::ExportResult::Failed;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    guarded([&] {
        MealRecordsMerge::run(context().session, kind, m_queried.filter, m_queried.begin, m_queried.end,
                              *other, [&](DataSet& rows) { result = writeMerged(rows, path, filterIndex); });
    });
    OtherTable->setDataSet(nullptr);
    QApplication::restoreOverrideCursor();
    // Told once the work table is gone.
    if (result.cancelled())
        prompter().information(RecordFiles::exportCancelledText());
    else if (result)
        prompter().information(QStringLiteral("数据导出完成!"));
}

gridexport::ExportResult TfrmMealRecords::writeMerged(DataSet& rows, const QString& path, int filterIndex) {
    OtherTable->setDataSet(&rows);
    MealRecordsMerge::applyLabels(rows);
    // The operator's column layout of the consumption list applies to the
    // master columns the merged list shares with it.
    GridLayoutStore().load(rows, registryKey());
    OtherTable->refreshColumns();
    MealRecordsMerge::mergedFooter(*OtherTable->model(), OtherTable->footer());
    OtherTable->setFooterRowCount(1);
    const RecordFiles::Target target = RecordFiles::targetForFilterIndex(filterIndex, true);
    if (target == RecordFiles::Target::None)
        return gridexport::ExportResult::Failed;
    DataSetExportSource source(*OtherTable->model(), &OtherTable->footer());
    source.setTableName(windowTitle());
    QString error;
    const gridexport::ExportResult result =
        RecordFileActions::runExport(this, prompter(), [&](const gridexport::ExportProgress& progress) {
            return RecordFiles::writeExport(target, rows, source, path, &error, progress);
        });
    if (result.status == gridexport::ExportResult::Failed)
        throw DbError(error);
    return result;
}

void TfrmMealRecords::ReMatchDinlevClick() {
    DataSet* ds = dataSet();
    if (!ds || !ds->isActive() || isLoading())
        return;
    const int column = dgTable->selectedColumn();
    const Bookmark position = ds->bookmark();
    // Only whole rows are processed: a selection of rows, never a single
    // current cell without a selection.
    const std::vector<Bookmark> rows = dgTable->selectionKind() == DBGrid::SelectionKind::None
                                           ? std::vector<Bookmark>()
                                           : dgTable->selectedBookmarks();
    setUpdatesEnabled(false);
    TdlgProgress progress(prompter(), this);
    progress.setMessageText(QStringLiteral("正在进行匹配餐别..."));
    progress.setMaximum(int(rows.size()));
    progress.show();
    MealPeriodMatcher matcher(context().session);
    bool changed = false;
    guarded([&] {
        for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
            const Bookmark b = *it;
            RematchRecord r;
            r.empId = ds->valueAt(b, QStringLiteral("emp_id"));
            r.cardId = ds->valueAt(b, QStringLiteral("card_id"));
            r.cardSequ = ds->valueAt(b, QStringLiteral("card_sequ"));
            r.signTime = ds->valueAt(b, QStringLiteral("sign_time")).toDateTime();
            r.kind = ds->valueAt(b, QStringLiteral("kind"));
            changed = matcher.rematch(r) || changed;
            progress.stepIt();
        }
    });
    progress.close();
    if (changed) {
        m_restorePosition = position;
        m_restoreColumn = column;
        guarded([this] { QueryData(nullptr); });
    } else {
        dgTable->setSelectedColumn(column);
    }
    setUpdatesEnabled(true);
}

void TfrmMealRecords::btnReadCardClick() {
    if (CardReadButton* reader = CardReadButton::of(btnReadCard))
        reader->readCard();
}
