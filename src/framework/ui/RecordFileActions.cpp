#include "framework/ui/RecordFileActions.h"

#include "framework/ui/FindDialog.h"
#include "framework/ui/RecordBaseClass.h"

RecordFileActions::RecordFileActions(TfrmRecordBaseClass& window) : QObject(&window), m_window(window) {
    setObjectName(QStringLiteral("RecordFileActions"));
}

TdlgFind* RecordFileActions::findDialog() {
    if (!m_findDialog)
        m_findDialog = new TdlgFind(&m_window);
    return m_findDialog;
}
