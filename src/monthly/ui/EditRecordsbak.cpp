#include "monthly/ui/EditRecordsbak.h"

#include "dataset/DataSet.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/DbError.h"
#include "framework/ModuleContext.h"
#include "util/Prompter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TFrmEditRecordsbak::TFrmEditRecordsbak(ModuleContext& context, RecordRepair::Mode mode, const RepairRow& row,
                                       QWidget* parent)
    : QDialog(parent), m_context(context), m_mode(mode), m_row(row),
      m_keyColumn(RecordRepair::recordKeyColumn(context.session, RecordRepair::mainTable(mode))) {
    setObjectName(QStringLiteral("FrmEditRecordsbak"));
    setWindowTitle(QStringLiteral("记录修改"));
    resize(900, 500);
    auto* layout = new QVBoxLayout(this);
    m_main = new DataSet(this);
    m_main->setObjectName(QStringLiteral("dsMain"));
    m_duplicates = new DataSet(this);
    m_duplicates->setObjectName(QStringLiteral("dsDouBak"));
    m_mainGrid = new DBGrid(this);
    m_mainGrid->setObjectName(QStringLiteral("dgMain"));
    m_duplicateGrid = new DBGrid(this);
    m_duplicateGrid->setObjectName(QStringLiteral("dgDouBak"));
    for (DBGrid* g : {m_mainGrid, m_duplicateGrid})
        g->setReadOnly(true);
    m_mainGrid->setDataSet(m_main);
    m_duplicateGrid->setDataSet(m_duplicates);
    layout->addWidget(new QLabel(QStringLiteral("主表记录 (%1)").arg(RecordRepair::mainTable(mode)), this));
    layout->addWidget(m_mainGrid, 1);
    layout->addWidget(
        new QLabel(QStringLiteral("重复记录 (%1)").arg(RecordRepair::duplicateTable(mode)), this));
    layout->addWidget(m_duplicateGrid, 1);
    auto* buttons = new QHBoxLayout;
    const QPair<const char*, const char*> specs[] = {{"btnMoveOut", "移出主表记录"},
                                                     {"btnMoveIn", "移入主表记录"},
                                                     {"btnRefresh", "刷新当前记录"},
                                                     {"btnExit", "退出"}};
    QPushButton* made[4] = {};
    for (int i = 0; i < 4; ++i) {
        made[i] = new QPushButton(QString::fromUtf8(specs[i].second), this);
        made[i]->setObjectName(QString::fromLatin1(specs[i].first));
        buttons->addWidget(made[i]);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(made[0], &QPushButton::clicked, this, [this] { moveOutClick(); });
    connect(made[1], &QPushButton::clicked, this, [this] { moveInClick(); });
    connect(made[2], &QPushButton::clicked, this, [this] { refreshClick(); });
    connect(made[3], &QPushButton::clicked, this, &QDialog::accept);
    refreshClick();
}

void TFrmEditRecordsbak::open(DataSet* rows, const QString& table) {
    // The record's rows without its own number: every copy of it shows.
    RepairRow listed = m_row;
    listed.recId.reset();
    const BoundStatement s = RecordRepair::rowsOf(m_mode, table, listed);
    DataSet::OpenOptions options;
    options.trace = &m_context.session.trace();
    rows->close();
    rows->open(m_context.session.ModuleConnection, s.sql, s.params, options);
    if (m_mode == RecordRepair::Mode::Charge) {
        if (Field* f = rows->findField(QStringLiteral("op_date")))
            f->setDisplayLabel(QStringLiteral("充值时间"));
        if (Field* f = rows->findField(QStringLiteral("charge_money")))
            f->setDisplayLabel(QStringLiteral("充值金额"));
    }
}

void TFrmEditRecordsbak::refreshClick() {
    try {
        open(m_main, RecordRepair::mainTable(m_mode));
        open(m_duplicates, RecordRepair::duplicateTable(m_mode));
    } catch (const DbError& e) {
        m_context.prompter->error(e.message());
    }
    m_mainGrid->refreshColumns();
    m_duplicateGrid->refreshColumns();
}

bool TFrmEditRecordsbak::currentRow(const DataSet& rows, RepairRow* out) const {
    if (!rows.isActive() || rows.isEmpty() || rows.recNo() == 0)
        return false;
    const bool charge = m_mode == RecordRepair::Mode::Charge;
    const Bookmark b = rows.bookmark();
    const auto field = [&rows](const QString& name) { return rows.fieldByName(name).index(); };
    RepairRow r;
    r.empId = rows.valueAt(b, field(QStringLiteral("emp_id"))).toString();
    r.cardId = rows.valueAt(b, field(QStringLiteral("card_id"))).toLongLong();
    r.cardSequ = rows.valueAt(b, field(QStringLiteral("card_sequ"))).toLongLong();
    r.balance = Currency::fromUnits(rows.fixedAt(b, field(QStringLiteral("card_balance"))));
    r.amount = Currency::fromUnits(
        rows.fixedAt(b, field(charge ? QStringLiteral("charge_money") : QStringLiteral("card_consume"))));
    r.time =
        rows.valueAt(b, field(charge ? QStringLiteral("op_date") : QStringLiteral("sign_time"))).toDateTime();
    // A host's tables may number their records under another name, or not at all.
    r.recIdColumn = m_keyColumn;
    if (const Field* recId = m_keyColumn.isEmpty() ? nullptr : rows.findField(m_keyColumn);
        recId && !rows.isNullAt(b, recId->index()))
        r.recId = rows.valueAt(b, recId->index()).toLongLong();
    *out = r;
    return true;
}

bool TFrmEditRecordsbak::move(bool out) {
    RepairRow row;
    bool have = false;
    try {
        have = currentRow(out ? *m_main : *m_duplicates, &row);
    } catch (const DbError& e) {
        m_context.prompter->error(e.message());
        return false;
    }
    if (!have) {
        m_context.prompter->information(QStringLiteral("无记录"));
        return false;
    }
    try {
        if (out)
            RecordRepair::moveOut(m_context.session, m_mode, row);
        else
            RecordRepair::moveIn(m_context.session, m_mode, row);
    } catch (const DbError& e) {
        m_context.prompter->error(e.message());
        refreshClick();
        return false;
    }
    refreshClick();
    return true;
}

bool TFrmEditRecordsbak::moveOutClick() {
    return move(true);
}

bool TFrmEditRecordsbak::moveInClick() {
    return move(false);
}
