#pragma once
// TfrmHSRecords ("商品销售统计"): the goods sold on the terminals in a period,
// per article and unit price, or per article while the price column is
// hidden; the dining-room/terminal tree chooses the terminals.
#include "framework/ui/DptRecordBaseClass.h"

class QTreeWidget;
class QTreeWidgetItem;

class TfrmHSRecords : public TfrmDptRecordBaseClass {
    Q_OBJECT
public:
    explicit TfrmHSRecords(ModuleContext& context, QWidget* parent = nullptr);

    void BuildWhere(QObject* sender, QString& sql) override;
    QTreeWidget* clockTree() const { return tvclock; }
    // Shows or hides the price column as the column chooser does; the rows follow.
    void setPriceShown(bool shown);

protected:
    void columnsKnown(QObject* sender) override;
    void rowsLoaded(QObject* sender, bool cancelled) override;

private:
    void tvclockChange(QTreeWidgetItem* node);
    bool priceShown() const;

    QWidget* TabSheet2 = nullptr;
    QTreeWidget* tvclock = nullptr;
    bool m_treeClicked = false;
    QVector<qint64> m_terminals;
    bool m_byPrice = true; // the grouping of the rows shown
};
