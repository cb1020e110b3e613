#include "allowance/ui/EmpAllow.h"

#include "allowance/ui/PickLists.h"
#include "db/DbError.h"
#include "framework/ModuleContext.h"
#include "framework/ui/DptRecordBaseClass.h"
#include "util/Prompter.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

TfrmEmpAllow::TfrmEmpAllow(ModuleContext& context, QWidget* parent)
    : TfrmEmpAllow(context, false, QStringLiteral("员工补贴记录选择"), parent) {}

TfrmEmpAllow::TfrmEmpAllow(ModuleContext& context, bool downed, const QString& caption, QWidget* parent)
    : QDialog(parent), m_context(context), m_downed(downed) {
    setObjectName(downed ? QStringLiteral("FrmEmpAllowAgain") : QStringLiteral("frmEmpAllow"));
    setWindowTitle(caption);
    resize(1000, 560);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    layout->addLayout(top, 1);

    m_pages = new QTabWidget(this);
    m_pages->setMaximumWidth(240);
    tvDepart = new QTreeWidget(m_pages);
    tvDepart->setObjectName(QStringLiteral("tvDepart"));
    tvDepart->setHeaderHidden(true);
    m_pages->addTab(tvDepart, QStringLiteral("部门"));
    auto* search = new QWidget(m_pages);
    auto* form = new QFormLayout(search);
    edtEmpNo = new QLineEdit(search);
    edtEmpNo->setObjectName(QStringLiteral("edtEmpNo"));
    edtEmpName = new QLineEdit(search);
    edtEmpName->setObjectName(QStringLiteral("edtEmpName"));
    form->addRow(QStringLiteral("工号："), edtEmpNo);
    form->addRow(QStringLiteral("姓名："), edtEmpName);
    m_pages->addTab(search, QStringLiteral("人员查询"));
    top->addWidget(m_pages);

    m_lists =
        new PickLists({QStringLiteral("号码"), QStringLiteral("工号"), QStringLiteral("姓名"),
                       QStringLiteral("卡号"), QStringLiteral("补贴金额"), QStringLiteral("补贴流水号"),
                       QStringLiteral("系统号码"), QStringLiteral("有效日期")},
                      QStringLiteral(" 待选择员工补贴记录"), QStringLiteral(" 已选择员工补贴记录"), this);
    top->addWidget(m_lists, 1);

    auto* buttons = new QHBoxLayout;
    m_untaken = new QPushButton(QStringLiteral("选中全部未领人员"), this);
    m_untaken->setObjectName(QStringLiteral("btnUntaken"));
    auto* clear = new QPushButton(QStringLiteral("消除选择列表"), this);
    clear->setObjectName(QStringLiteral("btnClear"));
    auto* ok = new QPushButton(QStringLiteral("确定(&O)"), this);
    ok->setObjectName(QStringLiteral("btnOK"));
    auto* cancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(m_untaken);
    buttons->addWidget(clear);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(m_untaken, &QPushButton::clicked, this, &TfrmEmpAllow::chooseUntaken);
    connect(clear, &QPushButton::clicked, m_lists, &PickLists::clearChosen);
    connect(ok, &QPushButton::clicked, this, &TfrmEmpAllow::accept);
    connect(cancel, &QPushButton::clicked, this, &TfrmEmpAllow::reject);
    connect(tvDepart, &QTreeWidget::currentItemChanged, this, [this] { searchDepartment(); });
    connect(edtEmpNo, &QLineEdit::returnPressed, this,
            [this] { searchEmployee(AllowancePickerFilter::By::EmpId, edtEmpNo->text()); });
    connect(edtEmpName, &QLineEdit::returnPressed, this,
            [this] { searchEmployee(AllowancePickerFilter::By::EmpName, edtEmpName->text()); });
    try {
        TfrmDptRecordBaseClass::BuildDepartmentTree(m_context, tvDepart);
    } catch (const DbError& e) {
        m_context.prompter->error(e.message());
    }
}

AllowancePickerFilter TfrmEmpAllow::baseFilter() const {
    AllowancePickerFilter f;
    f.downed = m_downed;
    f.applyRights(m_context.session);
    return f;
}

void TfrmEmpAllow::searchDepartment() {
    AllowancePickerFilter f = baseFilter();
    QTreeWidgetItem* node = tvDepart->currentItem();
    f.by = AllowancePickerFilter::By::Department;
    f.rootNode = !node || !node->parent();
    f.departmentNo = node ? node->data(0, TfrmDptRecordBaseClass::DeptRole).toString() : QString();
    showCandidates(AllowancePicker::statement(f, m_context.session));
    if (node)
        node->setExpanded(true);
}

void TfrmEmpAllow::searchEmployee(AllowancePickerFilter::By by, const QString& text) {
    if (text.trimmed().isEmpty())
        return;
    AllowancePickerFilter f = baseFilter();
    f.by = by;
    f.text = text;
    showCandidates(AllowancePicker::statement(f, m_context.session));
}

namespace {
QStringList cellsOf(const PickedAllowance& a) {
    return {QString::number(a.id),
            a.empId,
            a.empName,
            QString::number(a.cardId),
            a.deposit.toString(2),
            QString::number(a.chargeVer),
            QString::number(a.sysId),
            a.allowDate.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))};
}
} // namespace

void TfrmEmpAllow::showCandidates(const QString& sql) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QVector<QStringList> rows;
    try {
        for (const PickedAllowance& a : AllowancePicker::load(sql, m_context.session)) {
            m_rows.insert(a.id, a);
            rows << cellsOf(a);
        }
    } catch (const DbError& e) {
        QApplication::restoreOverrideCursor();
        m_context.prompter->error(e.message());
        return;
    }
    m_lists->setCandidates(rows);
    QApplication::restoreOverrideCursor();
}

void TfrmEmpAllow::chooseUntaken() {
    QVector<QStringList> rows;
    try {
        for (const PickedAllowance& a :
             AllowancePicker::load(AllowancePicker::untakenStatement(m_context.session), m_context.session)) {
            m_rows.insert(a.id, a);
            rows << cellsOf(a);
        }
    } catch (const DbError& e) {
        m_context.prompter->error(e.message());
        return;
    }
    m_lists->addChosen(rows);
}

QVector<PickedAllowance> TfrmEmpAllow::chosen() const {
    QVector<PickedAllowance> picked;
    for (const QStringList& row : m_lists->chosenRows())
        picked << m_rows.value(row.value(0).toLongLong());
    return picked;
}

void TfrmEmpAllow::accept() {
    if (m_lists->chosenCount() > 0)
        QDialog::accept();
    else
        QDialog::reject();
}

TFrmEmpAllowAgain::TFrmEmpAllowAgain(ModuleContext& context, QWidget* parent)
    : TfrmEmpAllow(context, true, QStringLiteral("补贴重发人员选择"), parent) {
    m_untaken->hide();
    auto* page = new QWidget(m_pages);
    auto* form = new QFormLayout(page);
    m_from = new QDateTimeEdit(page);
    m_from->setObjectName(QStringLiteral("dtpFrom"));
    m_to = new QDateTimeEdit(page);
    m_to->setObjectName(QStringLiteral("dtpTo"));
    for (QDateTimeEdit* e : {m_from, m_to}) {
        e->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        e->setCalendarPopup(true);
    }
    const QDate today = QDate::currentDate();
    setPeriod(QDateTime(today, QTime(0, 0)), QDateTime(today, QTime(23, 59, 59)));
    auto* find = new QPushButton(QStringLiteral("查找"), page);
    find->setObjectName(QStringLiteral("btnFind"));
    form->addRow(QStringLiteral("录入开始时间"), m_from);
    form->addRow(QStringLiteral("录入结束时间"), m_to);
    form->addRow(find);
    m_pages->addTab(page, QStringLiteral("重发补贴记录日期"));
    connect(find, &QPushButton::clicked, this, [this] {
        searchDepartment();
        setWindowTitle(QStringLiteral("重发补贴选择人员 ： %1 - %2")
                           .arg(m_from->dateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                m_to->dateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
    });
}

void TFrmEmpAllowAgain::setPeriod(const QDateTime& from, const QDateTime& to) {
    m_from->setDateTime(from);
    m_to->setDateTime(to);
}

AllowancePickerFilter TFrmEmpAllowAgain::baseFilter() const {
    AllowancePickerFilter f = TfrmEmpAllow::baseFilter();
    f.entered = qMakePair(m_from->dateTime(), m_to->dateTime());
    return f;
}
