#include "framework/ui/RecordFileActions.h"

#include "framework/ui/FindDialog.h"
#include "framework/ui/RecordBaseClass.h"

#include <QAction>

RecordFileActions::RecordFileActions(TfrmRecordBaseClass& window) : QObject(&window), m_window(window) {
    setObjectName(QStringLiteral("RecordFileActions"));
    connect(window.actDataExport, &QAction::triggered, this, [this] { actDataExportExecute(); });
    connect(window.actDataImport, &QAction::triggered, this, [this] { actDataImportExecute(); });
    connect(window.actDataFind, &QAction::triggered, this, [this] { actDataFindExecute(); });
}

RecordFileActions* RecordFileActions::of(const TfrmRecordBaseClass& window) {
    return window.findChild<RecordFileActions*>(QStringLiteral("RecordFileActions"),
                                                Qt::FindDirectChildrenOnly);
}

TdlgFind* RecordFileActions::findDialog() {
    if (!m_findDialog)
        m_findDialog = new TdlgFind(&m_window);
    return m_findDialog;
}
