#pragma once
// TfrmMealRecords ("消费明细"): the consumption records of a period with the
// department tree, a dining-room/terminal tree, a filter by consumption type
// and card number, a detail grid for key-value, goods and timed records, the
// merged export of master and detail lines and the re-matching of meal
// periods. Rows load on a worker connection: the window stays responsive,
// shows the rows read so far and can cancel.
#include "framework/ui/DptRecordBaseClass.h"
#include "reports/MealRecordsMerge.h"
#include "reports/MealRecordsQuery.h"

#include <QPointer>

class DataSetLoader;
class DBGrid;
namespace gridexport {
struct ExportResult;
}
class QComboBox;
class QSplitter;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

class TfrmMealRecords : public TfrmDptRecordBaseClass {
    Q_OBJECT
public:
    explicit TfrmMealRecords(ModuleContext& context, QWidget* parent = nullptr);
    ~TfrmMealRecords() override;

    // The controls tests reach.
    QComboBox* typeList() const { return cbkind; }
    QLineEdit* cardEdit() const { return edtCard_id; }
    QTreeWidget* terminalTree() const { return tvclock; }
    QWidget* detailPanel() const { return PDetail; }
    DBGrid* detailGrid() const { return dgDetail; }
    // The detail query bound to the detail grid, or null.
    DataSet* detailRows() const { return DSDetail; }
    QAction* rematchAction() const { return ReMatchDinlev; }

    void BuildWhere(QObject* sender, QString& sql) override;
    void BeforeQuery() override;
    bool isDetailShown() const { return m_detailShown; }

    void TvClockChange(QTreeWidgetItem* node);
    void cbkindChange();
    void ComDataDataChange();
    // Key-value, goods and timed records are exported with their detail lines.
    void exportRows() override;
    void ReMatchDinlevClick();
    void btnReadCardClick();

protected:
    void rowsLoaded(QObject* sender, bool cancelled) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QComboBox* cbkind = nullptr;
    QLineEdit* edtCard_id = nullptr;
    QToolButton* btnReadCard = nullptr;
    QWidget* TabSheet2 = nullptr; // "餐厅结构"
    QTreeWidget* tvclock = nullptr;
    QWidget* PDetail = nullptr;
    DBGrid* dgDetail = nullptr;
    QSplitter* SplitDetail = nullptr;
    DBGrid* OtherTable = nullptr;
    DataSet* qryKey = nullptr;
    DataSet* qryStore = nullptr;
    DataSet* qryTm = nullptr;
    DataSet* DSDetail = nullptr; // the detail query bound to dgDetail, or null
    DataSet* qryOtKey = nullptr;
    DataSet* qryOtStore = nullptr;
    DataSet* qryOtTme = nullptr;
    QAction* ReMatchDinlev = nullptr; // "重新匹配餐别", when the company enables it

    void buildControls();
    void buildClockTree();
    void exportMerged(MergedKind kind);
    gridexport::ExportResult writeMerged(DataSet& rows, const QString& path, int filterIndex);

    DataSetLoader* m_detailLoader = nullptr;
    QVector<qint64> m_clickedTerminals; // the terminals of the last dining-room tree click
    // What the rows shown were read with.
    struct Queried {
        MealRecordsFilter filter;
        QDateTime begin;
        QDateTime end;
    } m_queried;
    bool m_detailShown = false;
    bool m_menuExtended = false;
    // Restored when the rows have been read again after a re-match.
    Bookmark m_restorePosition = kNoBookmark;
    int m_restoreColumn = -1;
};
