#pragma once
// TfrmAddAllowdown ("补贴下发"): sends registered allowances to the allowance
// terminals. The operator collects allowances into the recipient list, ticks
// terminals and presses "上传补贴": one task per terminal and allowance is
// written to `allowtasklist`, then one worker per network terminal and one
// for all serial terminals push the open tasks and book what each terminal
// acknowledged. The window only receives the workers' messages; closing it
// stops the workers and waits for them, so a batch the terminal took is
// always booked before the window is gone.
#include "allowance/AllowanceDownload.h"

#include <QDialog>
#include <QHash>

#include <functional>
#include <memory>
#include <optional>

class ModuleContext;
class ClockListView;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QTreeWidget;
namespace workers {
class TBMDThreadPool;
}

class TfrmAddAllowdown : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAddAllowdown(ModuleContext& context, QWidget* parent = nullptr);
    ~TfrmAddAllowdown() override;

    // Chooses allowances for the recipient list: not yet sent (false) or
    // already sent (true); nothing when the operator cancels.
    using Picker = std::function<std::optional<QVector<allowance::RecipientRow>>(bool sent)>;
    void setPicker(Picker picker) { m_picker = std::move(picker); }

    // "添加未发..." / "添加已发...".
    void addClicked(bool sent);
    // Appends the rows whose allowance is not listed yet.
    void addRecipients(const QVector<allowance::RecipientRow>& rows);
    // "上传补贴".
    void uploadClicked();
    // "将日志存为文本...".
    void saveLogClicked();
    // The popup's "待上传补贴明细" for the current terminal (else the first).
    void showPendingList();

    // For tests.
    ClockListView* clockList() const { return m_clocks; }
    int recipientCount() const;
    QString logText() const;
    bool running() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool gateOpen() const;
    void refreshPending(bool hints);
    void setBusy(bool busy);
    void updateSum();
    void removeSelectedRecipients();
    void clearRecipients();
    void timerTick();
    void logLine(const QString& text);
    void traceFault(const QString& what, const QString& message) const;
    void startWorkers(const QVector<allowance::TClockInfo>& clocks);

    ModuleContext& m_context;
    std::unique_ptr<workers::TBMDThreadPool> m_pool;
    Picker m_picker;
    ClockListView* m_clocks = nullptr;
    QCheckBox* m_tickAll = nullptr;
    QTreeWidget* m_recipients = nullptr;
    QHash<qint64, allowance::RecipientRow> m_rows;
    QLabel* m_sum = nullptr;
    QPlainTextEdit* m_log = nullptr;
    QPlainTextEdit* m_hint = nullptr;
    QPushButton* m_addNew = nullptr;
    QPushButton* m_addSent = nullptr;
    QPushButton* m_clearList = nullptr;
    QPushButton* m_upload = nullptr;
    QPushButton* m_saveLog = nullptr;
    QPushButton* m_clearLog = nullptr;
    QPushButton* m_close = nullptr;
    QTimer* m_timer = nullptr;
    bool m_pending = false;
    bool m_filled = false;
    bool m_writing = false;    // tasks being written: a close waits for the loop
    bool m_closeAsked = false; // a close came while writing
};

// TfrmSelectAllowList: the open tasks of one terminal, read-only.
class TfrmSelectAllowList : public QDialog {
    Q_OBJECT
public:
    TfrmSelectAllowList(int clockId, const QVector<QStringList>& rows, QWidget* parent = nullptr);
    int rowCount() const;

private:
    QTreeWidget* m_list = nullptr;
};
