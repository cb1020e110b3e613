#pragma once
// TFrmAllDetailRecords ("所有明细记录"): one employee's transactions of every
// kind in one grid, over the statement the person account summary hands in;
// rows alternate the info background and white. Created once and reused.
// "分析数据" checks each card's chain of counters and balances and moves to
// the first record that breaks it.
#include <QWidget>

class DBGrid;
class DataSet;
class ModuleContext;

class TFrmAllDetailRecords : public QWidget {
    Q_OBJECT
public:
    explicit TFrmAllDetailRecords(ModuleContext& context, QWidget* parent = nullptr);

    // The open window of the host's window list, or a new one shown there.
    static TFrmAllDetailRecords* open(ModuleContext& context);
    // Opens `sql`; a database error is shown and leaves the grid empty. False on an error.
    bool showStatement(const QString& sql);

    // "分析数据": the chain check of the rows shown, reported to the operator;
    // the grid moves to the first finding. Returns the summary text.
    QString analyse();

    DataSet* dataSet() const { return m_dataSet; }
    DBGrid* grid() const { return m_grid; }

private:
    ModuleContext& m_context;
    DBGrid* m_grid = nullptr;
    DataSet* m_dataSet = nullptr;
};
