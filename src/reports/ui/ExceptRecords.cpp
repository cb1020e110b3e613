#include "reports/ui/ExceptRecords.h"

#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "framework/ModuleContext.h"
#include "monthly/RecordRepair.h"
#include "monthly/ui/EditRecordsbak.h"
#include "reports/ExceptRecordsQuery.h"
#include "util/Prompter.h"

#include <QAction>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

TfrmExceptRecords::TfrmExceptRecords(ModuleContext& context, QWidget* parent)
    : TfrmDptRecordBaseClass(context, QStringLiteral("异常明细表"), parent) {
    setObjectName(QStringLiteral("frmExceptRecords"));
    setAttribute(Qt::WA_DeleteOnClose);
    ownDataSet(QStringLiteral("dsExceptRec"));
    readOnlyWindow = true;
    sumFooter = true;
    departmentFilter = false; // the list has no department condition
    lbKey->setText(QStringLiteral("工号查询"));
    showDateRange(true);
    showNameSearch(true);
    cbkind =
        addSearchCombo(QStringLiteral("类型"), QStringLiteral("cbkind"), ExceptRecordsQuery::typeItems());
    edtCard_id = addCardSearch();
    for (const char* hidden : {"tbInsert", "tbEdit", "tbDelete", "ToolButton1", "tbDataImport"})
        setToolButtonVisible(QString::fromLatin1(hidden), false);
    pmTable->addSeparator();
    NExceptionRecound = pmTable->addAction(QStringLiteral("修复异常记录"));
    NExceptionRecound->setObjectName(QStringLiteral("NExceptionRecound"));
    connect(NExceptionRecound, &QAction::triggered, this, [this] { NExceptionRecoundClick(); });
}

void TfrmExceptRecords::BuildWhere(QObject* sender, QString& sql) {
    ExceptRecordsFilter f;
    f.begin = dtp_begin->dateTime();
    f.end = dtp_end->dateTime();
    f.typeIndex = cbkind->currentIndex();
    if (sender == static_cast<QObject*>(sbAll)) {
        f.empId = edtKey->text();
        f.empName = edtname->text();
    }
    f.cardText = edtCard_id->text();
    f.checkLimitDate = isTrueText(
        ReadCompanyParameter(context().session, QStringLiteral("isCheckLimitDate"), QStringLiteral("False")));
    sql = ExceptRecordsQuery::statement(f, context().session);
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    printCaption = QStringLiteral("时间: (%1 至 %2)").arg(f.begin.toString(format), f.end.toString(format));
}

bool TfrmExceptRecords::NExceptionRecoundClick() {
    DataSet* ds = dataSet();
    if (!ds || !ds->isActive() || ds->isEmpty() || ds->recNo() == 0 || isLoading()) {
        prompter().information(QStringLiteral("无记录"));
        return false;
    }
    const std::optional<QString> typed =
        prompter().password(QStringLiteral("请输入密码"), QStringLiteral("请输入管理员密码:"));
    if (!typed)
        return false;
    if (!RecordRepair::administratorConfirmed(context().session, *typed)) {
        prompter().information(QStringLiteral("操作用户不是管理员或者是密码不正确"));
        return false;
    }
    RepairRow row;
    RecordRepair::Mode mode = RecordRepair::Mode::Consumption;
    const bool read = guarded([&] {
        const Bookmark b = ds->bookmark();
        const auto field = [ds](const char* name) {
            return ds->fieldByName(QString::fromLatin1(name)).index();
        };
        const bool charge = ds->valueAt(b, field("cType")).toString().trimmed() == QLatin1String("CH");
        mode = charge ? RecordRepair::Mode::Charge : RecordRepair::Mode::Consumption;
        row.empId = ds->valueAt(b, field("emp_id")).toString();
        row.cardId = ds->valueAt(b, field("card_id")).toLongLong();
        row.cardSequ = ds->valueAt(b, field("card_sequ")).toLongLong();
        row.balance = Currency::fromUnits(ds->fixedAt(b, field("card_Balance")));
        // The list signs a consumption as money off the card; its table stores it positive.
        const Currency signedAmount = Currency::fromUnits(ds->fixedAt(b, field("card_consume")));
        row.amount = charge ? signedAmount : Currency() - signedAmount;
        row.time = ds->valueAt(b, field("op_date")).toDateTime();
        // A host's view need not carry the record number; without it the other columns must do.
        if (const Field* recId = ds->findField(QStringLiteral("rec_id"));
            recId && !ds->isNullAt(b, recId->index()))
            row.recId = ds->valueAt(b, recId->index()).toLongLong();
    });
    if (!read)
        return false;
    TFrmEditRecordsbak mover(context(), mode, row, this);
    mover.exec();
    guarded([this] { QueryData(nullptr); });
    return true;
}
