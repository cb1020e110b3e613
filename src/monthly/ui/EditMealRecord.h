#pragma once
// TFrmEditMealRecord ("消费记录修改[内部人员专用]"): the maintenance editor of
// one card history row: the consumption record, the card's latest balance and
// sequence, the charge records of the same moment (each editable, posted to
// its table at once) and the backup records around the sequence number, one
// of which "备份记录导入" copies back. Opened with the day's maintenance key.
#include "monthly/RecordRepair.h"

#include <QDialog>
#include <memory>

class BaseTableWriter;
class DBGrid;
class DataSet;
class ModuleContext;

class TFrmEditMealRecord : public QDialog {
    Q_OBJECT
public:
    TFrmEditMealRecord(ModuleContext& context, const RepairRow& row, QWidget* parent = nullptr);
    ~TFrmEditMealRecord() override;

    DataSet* mealRecords() const { return m_sets[Meal]; }
    DataSet* card() const { return m_sets[Card]; }
    DataSet* charges() const { return m_sets[Charge]; }
    DataSet* backups() const { return m_sets[Backup]; }

    // The buttons' commands (false when the operator was told why nothing happened).
    void editClick(int set);
    bool saveClick(int set);
    bool deleteClick(int set);
    bool addCopyClick(int set);
    bool importBackupClick();
    void reopen();

    enum Set { Meal, Card, Charge, Backup };

private:
    void openSet(int set, const BoundStatement& statement);

    ModuleContext& m_context;
    RepairRow m_row;
    DataSet* m_sets[4] = {};
    DBGrid* m_grids[4] = {};
    std::unique_ptr<BaseTableWriter> m_writers[3];
};
