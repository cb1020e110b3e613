#include "monthly/ui/EditMealRecord.h"

#include "dataset/BaseTableWriter.h"
#include "dataset/DataSet.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/DbError.h"
#include "framework/ModuleContext.h"
#include "framework/RecordCopy.h"
#include "util/Prompter.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The date column each table keeps beside its time column.
const char* const kTimeColumn[3] = {"sign_time", nullptr, "op_date"};
} // namespace

TFrmEditMealRecord::TFrmEditMealRecord(ModuleContext& context, const RepairRow& row, QWidget* parent)
    : QDialog(parent), m_context(context), m_row(row) {
    setObjectName(QStringLiteral("FrmEditMealRecord"));
    setWindowTitle(QStringLiteral("消费记录修改[内部人员专用]"));
    resize(1000, 700);
    auto* layout = new QVBoxLayout(this);
    const char* titles[4] = {"消费记录", "卡片资料表  修改消费最后一笔记录后一定要修改卡内余额和卡片流水号",
                             "充值记录", "备份消费记录"};
    const char* names[4] = {"dsMealRecord", "dsCardInfo", "dsChargeRecord", "dsMealRecBak"};
    for (int i = 0; i < 4; ++i) {
        auto* box = new QGroupBox(QString::fromUtf8(titles[i]), this);
        auto* boxLayout = new QHBoxLayout(box);
        m_sets[i] = new DataSet(this);
        m_sets[i]->setObjectName(QString::fromLatin1(names[i]));
        m_grids[i] = new DBGrid(box);
        m_grids[i]->setReadOnly(true);
        m_grids[i]->setDataSet(m_sets[i]);
        boxLayout->addWidget(m_grids[i], 1);
        auto* buttons = new QVBoxLayout;
        boxLayout->addLayout(buttons);
        if (i == Backup) {
            auto* import = new QPushButton(QStringLiteral("备份记录导入"), box);
            import->setObjectName(QStringLiteral("btnImportBak"));
            connect(import, &QPushButton::clicked, this, [this] { importBackupClick(); });
            buttons->addWidget(import);
        } else {
            const QString n = QString::number(i);
            const auto add = [&](const QString& name, const QString& text, auto command) {
                auto* b = new QPushButton(text, box);
                b->setObjectName(name + n);
                connect(b, &QPushButton::clicked, this, [this, i, command] { (this->*command)(i); });
                buttons->addWidget(b);
            };
            add(QStringLiteral("btnEdit"), QStringLiteral("修改"), &TFrmEditMealRecord::editClick);
            add(QStringLiteral("btnSave"), QStringLiteral("保存"), &TFrmEditMealRecord::saveClick);
            if (i != Card) {
                add(QStringLiteral("btnDelete"),
                    i == Meal ? QStringLiteral("删除当前记录") : QStringLiteral("删除当前充值记录"),
                    &TFrmEditMealRecord::deleteClick);
                add(QStringLiteral("btnAdd"), QStringLiteral("新增一条记录"),
                    &TFrmEditMealRecord::addCopyClick);
            }
            if (i == Meal)
                buttons->addWidget(new QLabel(
                    QStringLiteral("新增 是将本\n条记录复制，\n然后手工修\n改部分数据\n而成新记录"), box));
        }
        buttons->addStretch(1);
        layout->addWidget(box, i == Backup ? 2 : 1);
        if (i != Backup) {
            m_writers[i] = std::make_unique<BaseTableWriter>(
                context.session.ModuleConnection, context.session.dialect(), &context.session.trace());
            // Before any post the date column follows the time column.
            if (const char* timeColumn = kTimeColumn[i])
                m_sets[i]->beforePost = [timeColumn](DataSet& ds) {
                    const Field* time = ds.findField(QString::fromLatin1(timeColumn));
                    Field* day = ds.findField(QStringLiteral("op_ymd"));
                    if (time && day && !time->isNull())
                        day->setValue(time->value().toDateTime().date());
                };
        }
    }
    reopen();
}

TFrmEditMealRecord::~TFrmEditMealRecord() = default;

void TFrmEditMealRecord::openSet(int set, const BoundStatement& statement) {
    DataSet* ds = m_sets[set];
    DataSet::OpenOptions options;
    options.trace = &m_context.session.trace();
    ds->close();
    ds->open(m_context.session.ModuleConnection, statement.sql, statement.params, options);
    if (set != Backup)
        m_writers[set]->attach(*ds, BaseTableWriter::Mode::Immediate);
    m_grids[set]->refreshColumns();
}

void TFrmEditMealRecord::reopen() {
    try {
        openSet(Meal, RecordRepair::editorMealRecord(m_row));
        openSet(Card, RecordRepair::editorCard(m_row));
        openSet(Charge, RecordRepair::editorCharges(m_row));
        openSet(Backup, RecordRepair::editorBackups(m_row));
    } catch (const DbError& e) {
        m_context.prompter->error(e.message());
    }
}

void TFrmEditMealRecord::editClick(int set) {
    DataSet* ds = m_sets[set];
    if (!ds->isActive() || ds->isEmpty()) {
        m_context.prompter->information(QStringLiteral("无记录"));
        return;
    }
    ds->edit();
    m_grids[set]->setReadOnly(false);
    m_grids[set]->setEditing(true);
}

bool TFrmEditMealRecord::saveClick(int set) {
    DataSet* ds = m_sets[set];
    if (ds->state() != DataSet::State::Edit && ds->state() != DataSet::State::Insert)
        return false;
    try {
        ds->post();
    } catch (const DbError& e) {
        m_context.prompter->error(QStringLiteral("记录完全重复!\n") + e.message());
        return false;
    }
    m_grids[set]->setEditing(false);
    m_grids[set]->setReadOnly(true);
    return true;
}

bool TFrmEditMealRecord::deleteClick(int set) {
    DataSet* ds = m_sets[set];
    if (!ds->isActive() || ds->isEmpty() || ds->recNo() == 0) {
        m_context.prompter->information(QStringLiteral("无记录"));
        return false;
    }
    if (!m_context.prompter->confirm(QStringLiteral("确认删除当前记录吗?")))
        return false;
    try {
        ds->deleteRecord();
    } catch (const DbError& e) {
        m_context.prompter->error(e.message());
        return false;
    }
    return true;
}

bool TFrmEditMealRecord::addCopyClick(int set) {
    DataSet* ds = m_sets[set];
    if (!ds->isActive() || ds->isEmpty() || ds->recNo() == 0) {
        m_context.prompter->information(QStringLiteral("无记录"));
        return false;
    }
    if (ds->state() == DataSet::State::Edit && !saveClick(set))
        return false;
    const QVector<Field*> fields = RecordCopy::copyableFields(*ds, {QStringLiteral("rec_id")});
    const QVector<QVariant> values = RecordCopy::capture(fields);
    ds->append();
    for (int i = 0; i < fields.size(); ++i)
        fields[i]->setValue(values[i]);
    if (set == Meal) {
        // A new consumption a minute after the copied one, marked as added back.
        if (Field* time = ds->findField(QStringLiteral("sign_time")))
            time->setValue(time->value().toDateTime().addSecs(60));
        if (Field* addBack = ds->findField(QStringLiteral("isAddBack")))
            addBack->setValue(1);
    }
    m_grids[set]->setReadOnly(false);
    m_grids[set]->setEditing(true);
    return true;
}

bool TFrmEditMealRecord::importBackupClick() {
    DataSet* ds = m_sets[Backup];
    if (!ds->isActive() || ds->isEmpty() || ds->recNo() == 0) {
        m_context.prompter->information(QStringLiteral("无记录"));
        return false;
    }
    RepairRow backup;
    qint64 posSequ = 0;
    try {
        const Bookmark b = ds->bookmark();
        const auto field = [ds](const char* name) {
            return ds->fieldByName(QString::fromLatin1(name)).index();
        };
        backup.cardId = ds->valueAt(b, field("card_id")).toLongLong();
        backup.cardSequ = ds->valueAt(b, field("card_sequ")).toLongLong();
        backup.balance = Currency::fromUnits(ds->fixedAt(b, field("card_balance")));
        backup.time = ds->valueAt(b, field("sign_time")).toDateTime();
        posSequ = ds->valueAt(b, field("pos_sequ")).toLongLong();
        RecordRepair::importBackup(m_context.session, backup, posSequ);
    } catch (const DbError& e) {
        m_context.prompter->error(QStringLiteral("导入错误!\n\r") + e.message());
        return false;
    }
    m_context.prompter->information(
        QStringLiteral("卡号 : %1 卡流水号：%2 备份记录导入系统!")
            .arg(QString::number(backup.cardId), QString::number(backup.cardSequ)));
    reopen();
    return true;
}
