#include "allowance/ui/AllowanceRecords.h"

#include "allowance/AllowanceIssue.h"
#include "allowance/AllowanceRecords.h"
#include "allowance/ui/SelAllowFile.h"
#include "allowance/ui/SelAllowanceEmp.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/CompanyParameters.h"
#include "framework/ModuleContext.h"
#include "framework/RecordWindowRules.h"
#include "framework/ui/RecordFileActions.h"
#include "shell/ActionNames.h"
#include "util/Prompter.h"
#include "util/ui/Progress.h"

#include <QAction>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

TfrmAllowanceRecords::TfrmAllowanceRecords(ModuleContext& context, QWidget* parent)
    : TfrmDptRecordBaseClass(context, QStringLiteral("补贴登记"), parent) {
    setObjectName(QStringLiteral("frmAllowanceRecords"));
    ownDataSet(QStringLiteral("dsAllowance"));
    baseTable = QStringLiteral("mallowance");
    keyField = QStringLiteral("emp_id");
    nameField = QStringLiteral("empname");
    lbKey->setText(QStringLiteral("工号查询"));
    showDateRange(true);
    showNameSearch(true);
    const QDate today = QDate::currentDate();
    setPeriod(QDateTime(QDate(today.year(), today.month(), 1), QTime(0, 0)),
              QDateTime(today, QTime(23, 59, 59)));
    timetype = addSearchCombo(QString(), QStringLiteral("timetype"), AllowanceRecords::dateKindItems());
    timetype->setCurrentIndex(0);

    for (const char* shown : {"tbInsert", "tbEdit", "tbDelete", "tbRefresh"})
        setToolButtonVisible(QString::fromLatin1(shown), true);
    for (QAction* a : {actDataInsert, actDataEdit, actDataDelete})
        a->setVisible(true);
    // The refresh button reads the terminals instead; the import button opens the import dialog.
    actDataRefresh->setText(QStringLiteral("读取补贴信息"));
    disconnect(actDataRefresh, &QAction::triggered, this, nullptr);
    connect(actDataRefresh, &QAction::triggered, this, &TfrmAllowanceRecords::openReadBack);
    disconnect(actDataImport, &QAction::triggered, &fileActions(), nullptr);
    connect(actDataImport, &QAction::triggered, this, &TfrmAllowanceRecords::openImport);
}

void TfrmAllowanceRecords::QueryData(QObject* sender) {
    sqlTemplate = AllowanceRecords::listTemplate(AllowanceDateKind(qMax(0, timetype->currentIndex())));
    TfrmDptRecordBaseClass::QueryData(sender);
}

void TfrmAllowanceRecords::columnsKnown(QObject* sender) {
    TfrmDptRecordBaseClass::columnsKnown(sender);
    DataSet* ds = dataSet();
    for (int i = 0; ds && i < ds->fieldCount(); ++i) {
        Field* f = ds->field(i);
        if (f->fieldName().compare(QLatin1String("newcard_id"), Qt::CaseInsensitive) == 0)
            f->setVisible(isTrueText(ReadCompanyParameter(
                context().session, QStringLiteral("isReIssueCardAddAllow"), QStringLiteral("False"))));
        else if (f->fieldName() == QLatin1String("nunDeposit"))
            f->setReadOnly(true);
    }
}

void TfrmAllowanceRecords::actDataInsertExecute() {
    if (!hasRight(RecordRights::Insert))
        return refuse();
    TFrmSelAllowanceEmp issue(context(), this);
    issue.exec();
    edtname->clear();
    guarded([this] { QueryData(nullptr); });
}

bool TfrmAllowanceRecords::ShowRecordDialog() {
    DataSet& ds = *dataSet();
    // The row as listed, then as stored now: a terminal worker may have sent it since.
    QString refusal =
        AllowanceRecords::editRefusal(ds.fieldByName(QStringLiteral("charged")).asInteger() != 0,
                                      ds.fieldByName(QStringLiteral("downed")).asInteger() != 0);
    if (refusal.isEmpty()) {
        const bool ok = guarded([&] {
            const AllowanceRecords::StoredState s = AllowanceRecords::storedState(
                context().session, ds.fieldByName(QStringLiteral("sys_id")).asInteger(),
                int(ds.fieldByName(QStringLiteral("charge_ver")).asInteger()));
            refusal = AllowanceRecords::editRefusal(s.charged, s.downed);
        });
        if (!ok)
            return false;
    }
    if (!refusal.isEmpty()) {
        prompter().information(refusal);
        return false;
    }
    TfrmAllowDlg dialog(*this);
    return dialog.exec() == QDialog::Accepted;
}

void TfrmAllowanceRecords::actDataDeleteExecute() {
    if (!hasRight(RecordRights::Insert))
        return refuse();
    DataSet* ds = dataSet();
    if (!ds || !ds->isActive())
        return;
    if (ds->isEmpty()) {
        prompter().information(QStringLiteral("无记录"));
        return;
    }
    std::vector<Bookmark> rows = dgTable->selectedBookmarks();
    if (dgTable->selectionKind() == DBGrid::SelectionKind::None || rows.empty())
        rows = {ds->bookmark()};
    if (!prompter().confirm(QStringLiteral("确认删除当前记录吗?")))
        return;
    TdlgProgress progress(prompter(), this);
    if (rows.size() > 1) {
        progress.setMessageText(QStringLiteral("正在删除记录，请稍后..."));
        progress.setMaximum(int(rows.size()));
        progress.show();
    }
    int deleted = 0;
    // From the last row to the first, as the rows stand in the grid.
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        if (!ds->gotoBookmark(*it))
            continue;
        const bool sent = ds->fieldByName(QStringLiteral("downed")).asInteger() != 0 ||
                          ds->fieldByName(QStringLiteral("charged")).asInteger() != 0;
        bool gone = false;
        if (!sent && !guarded([&] {
                gone = AllowanceRecords::deleteAllowance(
                    context().session, ds->fieldByName(QStringLiteral("sys_id")).asInteger(),
                    int(ds->fieldByName(QStringLiteral("charge_ver")).asInteger()));
            }))
            break;
        if (gone)
            ++deleted;
        else
            prompter().message(windowTitle(), AllowanceRecords::deleteRefusal(), PromptIcon::Information);
        if (rows.size() > 1)
            progress.stepIt();
    }
    progress.close();
    if (deleted > 0)
        writeLog(rows.size() > 1
                     ? QStringLiteral("批量删除 %1 笔【%2】记录").arg(QString::number(deleted), windowTitle())
                     : RecordWindowRules::postLogText(QStringLiteral("删除"), windowTitle(), *ds, keyField,
                                                      nameField));
    dgTable->clearSelection();
    guarded([this] { QueryData(nullptr); });
}

void TfrmAllowanceRecords::openImport() {
    if (!hasRight(RecordRights::Insert))
        return refuse();
    TfrmSelAllowFile* dialog = TfrmSelAllowFile::instance(context(), this);
    dialog->show();
    dialog->raise();
}

void TfrmAllowanceRecords::openReadBack() {
    if (context().openWindow)
        context().openWindow(QString::fromLatin1(ActionName::ShowMallowsInEqu), this);
}

TfrmAllowDlg::TfrmAllowDlg(TfrmRecordBaseClass& owner)
    : TfrmRecordInputClass(owner, QStringLiteral("修改补贴金额")) {
    setObjectName(QStringLiteral("frmAllowDlg"));
    const QString hint = QStringLiteral("补贴金额不能大于系统参数中定义的卡上最大可能余额");
    edtDeposit = new QLineEdit(pnlControls);
    edtDeposit->setObjectName(QStringLiteral("edtDeposit"));
    edtDeposit->setToolTip(hint);
    dtpAllowDate = new QDateTimeEdit(pnlControls);
    dtpAllowDate->setObjectName(QStringLiteral("dtpAllowDate"));
    dtpAllowDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    dtpAllowDate->setCalendarPopup(true);
    addField(QStringLiteral("录入金额"), edtDeposit, QStringLiteral("deposit"));
    addField(QStringLiteral("补贴有效日期"), dtpAllowDate, QStringLiteral("AllowDate"));
    setToolTip(hint);
    btnContinue->hide();
    btnCopy->hide();
    DBNavigator->hide();
}

void TfrmAllowDlg::btnOKClick() {
    // The amount as typed: more than two decimals is refused, not rounded.
    const std::optional<Currency> typed = AllowanceIssue::parseAmount(edtDeposit->text());
    QString refusal = AllowanceIssueText::badAmount();
    try {
        if (typed)
            refusal = AllowanceRecords::amountRefusal(
                *typed, ReadCompanyMoneyParameter(context().session, QStringLiteral("edmaxbalance")));
    } catch (const DbError& e) {
        refusal = e.message();
    }
    if (!refusal.isEmpty()) {
        showError(refusal);
        return;
    }
    TfrmRecordInputClass::btnOKClick();
}
