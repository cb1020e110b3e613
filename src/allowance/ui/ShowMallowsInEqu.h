#pragma once
// TFrmShowMallowsInEqu ("联机显示设备补贴记录信息"): reads the allowances held
// in the ticked terminals ("SubsidyLog", waiting to be taken) through the
// terminal workers and lists them, page by page as the workers post them.
// A card filter keeps one card's records; the progress bar counts every
// record read. Closing stops the workers and waits for them.
#include <QDialog>

#include <memory>

class ModuleContext;
class ClockListView;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;
namespace workers {
class TBMDThreadPool;
}

class TFrmShowMallowsInEqu : public QDialog {
    Q_OBJECT
public:
    explicit TFrmShowMallowsInEqu(ModuleContext& context, QWidget* parent = nullptr);
    ~TFrmShowMallowsInEqu() override;

    // "读取".
    void readClicked();
    // A click on a column header of the shown record list.
    void sortByColumn(int column);

    // For tests.
    ClockListView* clockList() const { return m_clocks; }
    QLineEdit* cardFilter() const { return m_card; }
    QTreeWidget* waitingList() const { return m_waiting; }
    QProgressBar* progressBar() const { return m_progress; }
    QString statusLine() const;
    bool running() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    QTreeWidget* shownList() const;
    // The bar shows position and maximum; an empty maximum shows an empty bar.
    void showProgress();
    void timerTick();

    ModuleContext& m_context;
    std::unique_ptr<workers::TBMDThreadPool> m_pool;
    ClockListView* m_clocks = nullptr;
    QComboBox* m_type = nullptr;
    QTreeWidget* m_waiting = nullptr;
    QTreeWidget* m_taken = nullptr;
    QLineEdit* m_card = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_read = nullptr;
    QPushButton* m_close = nullptr;
    QTimer* m_timer = nullptr;
    int m_progressMax = 0;
    int m_progressPos = 0;
    bool m_ascending = true;
    bool m_filled = false;
};
