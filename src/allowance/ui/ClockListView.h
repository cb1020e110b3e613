#pragma once
// The terminal list of the allowance terminal windows (`lvClocks`): one
// ticked row per allowance terminal with "机号", "名称", "端口/地址", "状态";
// each row owns a copy of its terminal.
#include "allowance/ClockInfo.h"

#include <QTreeWidget>
#include <QVector>

class ClockListView : public QTreeWidget {
    Q_OBJECT
public:
    explicit ClockListView(QWidget* parent = nullptr);

    // Replaces the rows; every row starts ticked, its status the baud rate.
    void setClocks(const QVector<allowance::TClockInfo>& clocks);
    int rowCount() const { return topLevelItemCount(); }
    allowance::TClockInfo& clock(int row) { return m_clocks[row]; }
    bool isTicked(int row) const;
    void setTicked(int row, bool ticked);
    void tickAll(bool ticked);
    bool anyTicked() const;

    QString statusText(int row) const;
    void setStatusText(int row, const QString& text);
    // The text for every row whose terminal number is in the comma list
    // `target`; with `keepUnreachable` a row showing "无法联接... " keeps it.
    void setStatus(const QString& target, const QString& text, bool keepUnreachable);
    void clearStatus();
    // The row under the cursor, else the first row; -1 when there is none.
    int currentOrFirst() const;

signals:
    void tickChanged();

private:
    QVector<allowance::TClockInfo> m_clocks;
    bool m_filling = false;
};
