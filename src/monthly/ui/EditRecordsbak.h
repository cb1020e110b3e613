#pragma once
// TFrmEditRecordsbak ("记录修改"): the duplicate mover. The upper grid lists
// the record's rows in its main table, the lower one its rows in the
// duplicate table; "移出主表记录" moves the selected main row aside,
// "移入主表记录" moves the selected duplicate back. Each move is one
// transaction (RecordRepair).
#include "monthly/RecordRepair.h"

#include <QDialog>

class DBGrid;
class DataSet;
class ModuleContext;
class QPushButton;

class TFrmEditRecordsbak : public QDialog {
    Q_OBJECT
public:
    TFrmEditRecordsbak(ModuleContext& context, RecordRepair::Mode mode, const RepairRow& row,
                       QWidget* parent = nullptr);

    RecordRepair::Mode mode() const { return m_mode; }
    DataSet* mainRows() const { return m_main; }
    DataSet* duplicateRows() const { return m_duplicates; }
    // The buttons' commands; false when nothing moved (the operator was told why).
    bool moveOutClick();
    bool moveInClick();
    void refreshClick();

    // Reads the record of a grid's current row; false when there is none.
    bool currentRow(const DataSet& rows, RepairRow* out) const;

private:
    bool move(bool out);
    void open(DataSet* rows, const QString& table);

    ModuleContext& m_context;
    RecordRepair::Mode m_mode;
    RepairRow m_row;
    QString m_keyColumn; // the main table's own record number, when it has one
    DataSet* m_main = nullptr;
    DataSet* m_duplicates = nullptr;
    DBGrid* m_mainGrid = nullptr;
    DBGrid* m_duplicateGrid = nullptr;
};
