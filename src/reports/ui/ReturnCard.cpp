#include "reports/ui/ReturnCard.h"

#include "db/CompanyParameters.h"
#include "framework/DepartmentFilter.h"
#include "framework/ModuleContext.h"
#include "framework/ui/CardReadButton.h"
#include "reports/ReturnCardQuery.h"

#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

TfrmReturnCard::TfrmReturnCard(ModuleContext& context, QWidget* parent)
    : TfrmRecordBaseClass(context, QStringLiteral("退卡明细表"), parent) {
    setObjectName(QStringLiteral("frmReturnCard"));
    ownDataSet(QStringLiteral("dsReturnCard"));
    baseTable = QStringLiteral("returncard");
    keyField = QStringLiteral("emp_id");
    readOnlyWindow = true;
    sumFooter = true;
    lbKey->setText(QStringLiteral("工号查询"));

    auto* layout = static_cast<QHBoxLayout*>(plKey->layout());
    const int at = layout->indexOf(sbAll);
    dtp_begin = new QDateTimeEdit(plKey);
    dtp_begin->setObjectName(QStringLiteral("dtp_begin"));
    dtp_end = new QDateTimeEdit(plKey);
    dtp_end->setObjectName(QStringLiteral("dtp_end"));
    for (QDateTimeEdit* e : {dtp_begin, dtp_end}) {
        e->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        e->setCalendarPopup(true);
    }
    const QDate today = QDate::currentDate();
    dtp_begin->setDateTime(QDateTime(QDate(today.year(), today.month(), 1), QTime(0, 0)));
    dtp_end->setDateTime(QDateTime(today, QTime(23, 59, 59)));
    edtname = new QLineEdit(plKey);
    edtname->setObjectName(QStringLiteral("edtname"));
    edtname->setMaximumWidth(100);
    edtCard_id = new QLineEdit(plKey);
    edtCard_id->setObjectName(QStringLiteral("edtCard_id"));
    edtCard_id->setMaximumWidth(100);
    btnReadCard = CardReadButton::create(this->context(), edtCard_id, plKey); // digits only; "读卡" fills it
    int i = at;
    layout->insertWidget(i++, new QLabel(QStringLiteral("时间从"), plKey));
    layout->insertWidget(i++, dtp_begin);
    layout->insertWidget(i++, new QLabel(QStringLiteral("到"), plKey));
    layout->insertWidget(i++, dtp_end);
    layout->insertWidget(i++, new QLabel(QStringLiteral("姓名查询"), plKey));
    layout->insertWidget(i++, edtname);
    layout->insertWidget(i++, new QLabel(QStringLiteral("卡号"), plKey));
    layout->insertWidget(i++, edtCard_id);
    layout->insertWidget(i++, btnReadCard);
    for (QLineEdit* e : {edtname, edtCard_id})
        connect(e, &QLineEdit::returnPressed, this, [this] { actEnterExecute(); });

    for (const char* hidden : {"tbInsert", "tbEdit", "tbDelete", "ToolButton1", "tbDataImport"})
        setToolButtonVisible(QString::fromLatin1(hidden), false);
}

void TfrmReturnCard::setPeriod(const QDateTime& begin, const QDateTime& end) {
    dtp_begin->setDateTime(begin);
    dtp_end->setDateTime(end);
}

void TfrmReturnCard::QueryData(QObject* sender) {
    ReturnCardFilter f;
    f.begin = dtp_begin->dateTime();
    f.end = dtp_end->dateTime();
    f.empId = edtKey->text();
    f.empName = edtname->text();
    f.cardId = edtCard_id->text();
    const Session& s = context().session;
    f.departmentRights = DepartmentFilter::rightsApply(s);
    if (f.departmentRights)
        f.userDepartments = UserDepartments(s);
    const QString sql = ReturnCardQuery::statement(f, s); // refuses a bad card number before anything runs
    // The print's "%[caption]" line names the period of the rows listed.
    const QString day = QStringLiteral("yyyy-MM-dd");
    printCaption = QStringLiteral("日期: (%1 至 %2)").arg(f.begin.toString(day), f.end.toString(day));
    loadRows(sql, {}, sender);
}
