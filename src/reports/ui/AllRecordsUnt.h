#pragma once
// TFrmAllRecordsUnt ("流水明细记录"): the transaction journal the summaries
// drill into. It shows a statement handed to it through one of its three
// queries (consumption, recharge, card cost), or builds the statement of a
// journal page from typed conditions (JournalQuery); created once and reused.
#include "framework/ui/RecordBaseClass.h"
#include "reports/JournalQuery.h"

class TFrmAllRecordsUnt : public TfrmRecordBaseClass {
    Q_OBJECT
public:
    explicit TFrmAllRecordsUnt(ModuleContext& context, QWidget* parent = nullptr);

    // Shows `sql` through query `queryChoice` (0 consumption, 1 recharge, 2 card cost).
    void showStatement(const QString& sql, int queryChoice);
    // The page's statement for these conditions; `title` is added to the caption.
    void showPage(JournalPage page, const JournalConditions& conditions, const QString& title = QString());
    // The open journal of the host's window list, or a new one shown there.
    static TFrmAllRecordsUnt* open(ModuleContext& context);

    void QueryData(QObject* sender) override;
    int queryChoice() const { return m_choice; }

protected:
    void columnsKnown(QObject* sender) override;
    void rowsLoaded(QObject* sender, bool cancelled) override;

private:
    DataSet* m_queries[3] = {nullptr, nullptr, nullptr};
    QString m_sql;
    int m_choice = 1;
};
