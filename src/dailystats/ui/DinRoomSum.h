#pragma once
// TfrmDinRoomSum ("餐厅统计表"): the dining rooms listed in the left panel
// "餐厅资料"; the main grid has no rows of its own.
#include "framework/ui/RecordBaseClass.h"

class DBGrid;

class TfrmDinRoomSum : public TfrmRecordBaseClass {
    Q_OBJECT
public:
    explicit TfrmDinRoomSum(ModuleContext& context, QWidget* parent = nullptr);
    void QueryData(QObject* sender) override;
    DataSet* dinRooms() const { return m_rooms; }

private:
    DataSet* m_rooms = nullptr;
    DBGrid* dgDinRoom = nullptr;
};
