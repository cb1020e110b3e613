#pragma once
// TFrmConsumeAllRec ("流水明细记录"): every charge and meal record of one card
// in sequence order, the rows of the bill's period painted aqua, and
// "查找错误", which lists where the card's sequence numbers break. Opened from a
// bill row; its pop-up menu opens the record editor and the duplicate mover.
#include <QDateTime>
#include <QWidget>

class DBGrid;
class DataSet;
class ModuleContext;
class QAction;
class QListWidget;
struct RepairRow;
class QPushButton;

class TFrmConsumeAllRec : public QWidget {
    Q_OBJECT
public:
    TFrmConsumeAllRec(ModuleContext& context, const QString& sql, const QDateTime& billStart,
                      const QDateTime& billEnd, QWidget* parent = nullptr);

    // Opens it as a child window of the host's window list (or on its own).
    static TFrmConsumeAllRec* showFor(ModuleContext& context, const QString& sql, const QDateTime& billStart,
                                      const QDateTime& billEnd);

    DataSet* dataSet() const { return m_dataSet; }
    DBGrid* grid() const { return dgTable; }
    // The sequence numbers "查找错误" found breaking.
    QListWidget* errorList() const { return lbErrors; }

    void reopen();
    // "修改当前记录": asks the day's maintenance key once per run, then opens
    // the editor on the current row. False when refused or without a row.
    bool editCurrentRecord();
    // "移除当前记录" (when the company enables it): asks the administrator's
    // password, then opens the duplicate mover on the current row.
    bool moveCurrentRecord();
    QAction* editAction() const { return m_edit; }
    QAction* moveAction() const { return m_move; }
    // "查找错误": lists the breaks and moves to the first.
    void findErrors();
    // Moves the grid to the row with this sequence number.
    bool gotoSequence(int sequence);
    // The background of a row: aqua inside the bill's period, else alternating.
    QColor rowColor(int position) const;

private:
    ModuleContext& m_context;
    QString m_sql;
    QDateTime m_start;
    QDateTime m_end;
    DataSet* m_dataSet = nullptr;
    DBGrid* dgTable = nullptr;
    QListWidget* lbErrors = nullptr;
    QPushButton* btnFindError = nullptr;
    QAction* m_edit = nullptr;
    QAction* m_move = nullptr;
};
