#pragma once
// TfrmMealRecords ("消费明细"): the consumption records of a period with the
// department tree, a dining-room/terminal tree, a filter by consumption type
// and card number, a detail grid for key-value, goods and timed records, the
// merged export of master and detail lines and the re-matching of meal
// periods. Rows load on a worker connection: the window stays responsive,
// shows the rows read so far and can cancel.
#include "framework/ui/DptRecordBaseClass.h"
#include "reports/MealRecordsMerge.h"

#include <QPointer>

class DataSetLoader;
class DBGrid;
namespace gridexport {
struct ExportResult;
}
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSplitter;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

class TfrmMealRecords : public TfrmDptRecordBaseClass {
    Q_OBJECT
public:
    explicit TfrmMealRecords(ModuleContext& context, QWidget* parent = nullptr);
    ~TfrmMealRecords() override;

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

    // The loading indication (rows read so far) and its cancel button.
    QWidget* plLoading = nullptr;
    QLabel* lbLoading = nullptr;
    QPushButton* btnCancelLoad = nullptr;

    void BuildWhere(QObject* sender, QString& sql) override;
    // Starts loading the statement; the rows arrive while the window stays usable.
    void QueryData(QObject* sender) override;
    void BeforeQuery() override;
    bool isLoading() const;
    bool isDetailShown() const { return m_detailShown; }
    // The terminal condition of the running tree click (empty otherwise).
    const QString& terminalCondition() const { return m_terminalCondition; }

    void TvClockChange(QTreeWidgetItem* node);
    void cbkindChange();
    void ComDataDataChange();
    void actDataExportExecute();
    void ReMatchDinlevClick();
    void btnReadCardClick();

signals:
    // A load of the main rows ended (complete, cancelled or failed).
    void queryFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildClockTree();
    void loadFinished(bool cancelled, const QString& error, QObject* sender);
    void exportMerged(MergedKind kind);
    gridexport::ExportResult writeMerged(DataSet& rows, const QString& path, int filterIndex);

    DataSetLoader* m_loader = nullptr;
    DataSetLoader* m_detailLoader = nullptr;
    QString m_terminalCondition;
    bool m_detailShown = false;
    bool m_fieldsBound = false;
    bool m_menuExtended = false;
    // Restored when the rows have been read again after a re-match.
    Bookmark m_restorePosition = kNoBookmark;
    int m_restoreColumn = -1;
};
