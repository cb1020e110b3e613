#include "allowance/ui/SelAllowanceEmp.h"

#include "allowance/ui/PickLists.h"
#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/IniFile.h"
#include "framework/ModuleContext.h"
#include "framework/ui/DptRecordBaseClass.h"
#include "util/Prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
// The chosen list's cells: 工号, 姓名, 卡号, 部门, 密码, 系统号码, 部门编号.
QStringList cellsOf(const IssueEmployee& e) {
    // The card password is not shown, only whether there is one.
    return {e.empNo,
            e.empName,
            QString::number(e.cardId),
            e.deptName,
            e.overPwd.isEmpty() ? QString() : QStringLiteral("******"),
            QString::number(e.sysId),
            e.deptNo};
}

IssueEmployee employeeOf(const QStringList& cells) {
    IssueEmployee e;
    e.empNo = cells.value(0);
    e.empName = cells.value(1);
    e.cardId = cells.value(2).toLongLong();
    e.deptName = cells.value(3);
    e.sysId = cells.value(5).toLongLong();
    e.deptNo = cells.value(6);
    return e;
}

QVector<QStringList> cellsOf(const QVector<IssueEmployee>& people) {
    QVector<QStringList> rows;
    rows.reserve(people.size());
    for (const IssueEmployee& e : people)
        rows << cellsOf(e);
    return rows;
}

constexpr int kSliceMs = 40; // the window repaints and hears "停止" between slices
constexpr int kSliceRows = 400;
} // namespace

TFrmSelAllowanceEmp::TFrmSelAllowanceEmp(ModuleContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("FrmSelAllowanceEmp"));
    setWindowTitle(QStringLiteral("员工选择"));
    resize(1000, 600);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    layout->addLayout(top, 1);

    // Left: the department tree with the card type, and the employee search.
    auto* pages = new QTabWidget(this);
    pages->setMaximumWidth(220);
    auto* deptPage = new QWidget(pages);
    auto* deptLayout = new QVBoxLayout(deptPage);
    tvDepart = new QTreeWidget(deptPage);
    tvDepart->setObjectName(QStringLiteral("tvDepart"));
    tvDepart->setHeaderHidden(true);
    tvDepart->setContextMenuPolicy(Qt::CustomContextMenu);
    cbCardType = new QComboBox(deptPage);
    cbCardType->setObjectName(QStringLiteral("cbCardType"));
    auto* cardRow = new QHBoxLayout;
    cardRow->addWidget(new QLabel(QStringLiteral("卡类"), deptPage));
    cardRow->addWidget(cbCardType, 1);
    deptLayout->addWidget(tvDepart, 1);
    deptLayout->addLayout(cardRow);
    pages->addTab(deptPage, QStringLiteral("部门"));
    auto* searchPage = new QWidget(pages);
    auto* searchLayout = new QFormLayout(searchPage);
    edtEmpNo = new QLineEdit(searchPage);
    edtEmpNo->setObjectName(QStringLiteral("edtEmpNo"));
    edtEmpName = new QLineEdit(searchPage);
    edtEmpName->setObjectName(QStringLiteral("edtEmpName"));
    searchLayout->addRow(QStringLiteral("工号："), edtEmpNo);
    searchLayout->addRow(QStringLiteral("姓名："), edtEmpName);
    pages->addTab(searchPage, QStringLiteral("人员查询"));
    top->addWidget(pages);

    m_lists = new PickLists({QStringLiteral("工号"), QStringLiteral("姓名"), QStringLiteral("卡号"),
                             QStringLiteral("部门"), QStringLiteral("密码"), QStringLiteral("系统号码"),
                             QStringLiteral("部门编号")},
                            QStringLiteral(" 待选择员工 %1 人"), QStringLiteral(" 已选择员工"), this);
    top->addWidget(m_lists, 1);

    // Bottom: what is issued, the counter and the buttons.
    auto* bottom = new QHBoxLayout;
    layout->addLayout(bottom);
    m_all = new QPushButton(QStringLiteral("选择所有人员"), this);
    m_all->setObjectName(QStringLiteral("btnSelAll"));
    bottom->addWidget(m_all);
    auto* form = new QFormLayout;
    m_amount = new QLineEdit(QStringLiteral("0"), this);
    m_amount->setObjectName(QStringLiteral("edtMoney"));
    m_amount->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^\\d{0,5}(\\.\\d{0,2})?$")), m_amount));
    form->addRow(QStringLiteral("补贴金额"), m_amount);
    auto* dateRow = new QHBoxLayout;
    m_date = new QDateEdit(this);
    m_date->setObjectName(QStringLiteral("dtpDate"));
    m_date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_date->setCalendarPopup(true);
    m_date->setDate(QDate::currentDate());
    m_time = new QTimeEdit(QTime(23, 59, 59), this);
    m_time->setObjectName(QStringLiteral("dtpTime"));
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    dateRow->addWidget(m_date);
    dateRow->addWidget(m_time);
    form->addRow(QStringLiteral("补贴有效日期"), dateRow);
    bottom->addLayout(form);
    m_note = new QPlainTextEdit(AllowanceIssueText::notePlaceholder(), this);
    m_note->setObjectName(QStringLiteral("memDescr"));
    m_note->setMaximumHeight(60);
    bottom->addWidget(m_note, 1);
    m_counter = new QLabel(QStringLiteral("0"), this);
    m_counter->setObjectName(QStringLiteral("plCount"));
    m_counter->setMinimumWidth(60);
    m_counter->setAlignment(Qt::AlignCenter);
    m_counter->setFrameShape(QFrame::Panel);
    bottom->addWidget(m_counter);
    m_add = new QPushButton(QStringLiteral("增加"), this);
    m_add->setObjectName(QStringLiteral("btnAdd"));
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    bottom->addWidget(m_add);
    bottom->addWidget(cancel);

    const QDate setting = AllowanceIssue::defaultValidDate(
        IniFile(context.session.iniPath())
            .readString(QStringLiteral("RunTimeConfig"), QStringLiteral("AllowDate")),
        QDate::currentDate(), m_date->date());
    m_date->setDate(setting);

    connect(m_add, &QPushButton::clicked, this, &TFrmSelAllowanceEmp::addClicked);
    connect(cancel, &QPushButton::clicked, this, &TFrmSelAllowanceEmp::reject);
    connect(m_all, &QPushButton::clicked, this, &TFrmSelAllowanceEmp::chooseEveryone);
    connect(tvDepart, &QTreeWidget::currentItemChanged, this, [this] { loadCandidates(); });
    connect(edtEmpNo, &QLineEdit::returnPressed, this,
            [this] { searchEmployee(IssueCandidateFilter::By::EmpNo, edtEmpNo->text()); });
    connect(edtEmpName, &QLineEdit::returnPressed, this,
            [this] { searchEmployee(IssueCandidateFilter::By::EmpName, edtEmpName->text()); });
    connect(tvDepart, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        QAction* refresh = menu.addAction(QStringLiteral("刷新(&R)"));
        if (menu.exec(tvDepart->viewport()->mapToGlobal(at)) == refresh) {
            try {
                TfrmDptRecordBaseClass::BuildDepartmentTree(m_context, tvDepart);
            } catch (const DbError& e) {
                m_context.prompter->error(e.message());
            }
        }
    });

    try {
        for (const auto& [id, name] : AllowanceIssue::cardTypes(m_context.session))
            cbCardType->addItem(name, id);
        TfrmDptRecordBaseClass::BuildDepartmentTree(m_context, tvDepart);
    } catch (const DbError& e) {
        m_context.prompter->error(e.message());
    }
    connect(cbCardType, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { loadCandidates(); });
}

TFrmSelAllowanceEmp::~TFrmSelAllowanceEmp() = default;

void TFrmSelAllowanceEmp::loadCandidates() {
    QTreeWidgetItem* node = tvDepart->currentItem();
    if (!node || running())
        return;
    IssueCandidateFilter f;
    f.by = IssueCandidateFilter::By::Department;
    f.departmentNo = node->data(0, TfrmDptRecordBaseClass::DeptRole).toString();
    f.cardType = cbCardType->currentData().toInt();
    f.applyRights(m_context.session);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        m_lists->setCandidates(cellsOf(AllowanceIssue::loadCandidates(f, m_context.session)));
    } catch (const DbError& e) {
        QApplication::restoreOverrideCursor();
        m_context.prompter->error(e.message());
        return;
    }
    QApplication::restoreOverrideCursor();
}

void TFrmSelAllowanceEmp::searchEmployee(IssueCandidateFilter::By by, const QString& text) {
    if (text.trimmed().isEmpty() || running())
        return;
    IssueCandidateFilter f;
    f.by = by;
    f.text = text;
    f.cardType = cbCardType->currentData().toInt();
    f.applyRights(m_context.session);
    try {
        m_lists->addChosen(cellsOf(AllowanceIssue::loadCandidates(f, m_context.session)));
    } catch (const DbError& e) {
        m_context.prompter->error(e.message());
    }
}

void TFrmSelAllowanceEmp::chooseEveryone() {
    if (running())
        return;
    IssueCandidateFilter f;
    f.by = IssueCandidateFilter::By::Everyone;
    f.cardType = cbCardType->currentData().toInt();
    f.applyRights(m_context.session);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const QVector<IssueEmployee> everyone = AllowanceIssue::loadCandidates(f, m_context.session);
        m_lists->clearChosen();
        m_lists->addChosen(cellsOf(everyone));
    } catch (const DbError& e) {
        QApplication::restoreOverrideCursor();
        m_context.prompter->error(e.message());
        return;
    }
    QApplication::restoreOverrideCursor();
}

void TFrmSelAllowanceEmp::addClicked() {
    if (running()) {
        stopRun(); // the slice in progress has ended: the run stops between people
        return;
    }
    const QDateTime valid(m_date->date(), m_time->time());
    const std::optional<Currency> amount = AllowanceIssue::parseAmount(m_amount->text());
    if (!amount) {
        m_context.prompter->information(AllowanceIssueText::badAmount());
        return;
    }
    QString refusal;
    try {
        refusal = AllowanceIssue::refusal(
            *amount, ReadCompanyMoneyParameter(m_context.session, QStringLiteral("edmaxbalance")),
            m_lists->chosenCount());
    } catch (const DbError& e) {
        refusal = e.message();
    }
    if (!refusal.isEmpty()) {
        m_context.prompter->information(refusal);
        return;
    }
    m_run = std::make_unique<AllowanceIssueRun>(
        m_context.session.ModuleConnection, m_context.session.runner(), *amount, valid,
        AllowanceIssue::noteText(m_note->toPlainText()), m_context.session.CurrentUserName);
    m_issued = 0;
    m_counter->setText(QStringLiteral("0"));
    m_add->setText(QStringLiteral("停止"));
    for (QWidget* w : std::initializer_list<QWidget*>{m_all, tvDepart, cbCardType, edtEmpNo, edtEmpName})
        w->setEnabled(false);
    QTimer::singleShot(0, this, &TFrmSelAllowanceEmp::runSlice);
}

void TFrmSelAllowanceEmp::runSlice() {
    if (!m_run)
        return;
    QVector<IssueEmployee> next;
    for (const QStringList& row : m_lists->chosenRows(kSliceRows))
        next << employeeOf(row);
    if (next.isEmpty()) {
        stopRun();
        return;
    }
    // The people before a failing one are registered; it stays chosen.
    QString failure;
    const int done = m_run->issueSlice(next, 0, kSliceMs, &failure);
    m_lists->removeFirstChosen(done);
    m_issued += done;
    m_counter->setText(QString::number(m_issued));
    if (!failure.isEmpty()) {
        stopRun();
        m_context.prompter->error(failure);
        return;
    }
    QTimer::singleShot(0, this, &TFrmSelAllowanceEmp::runSlice);
}

void TFrmSelAllowanceEmp::stopRun() {
    m_run.reset();
    m_add->setText(QStringLiteral("增加"));
    for (QWidget* w : std::initializer_list<QWidget*>{m_all, tvDepart, cbCardType, edtEmpNo, edtEmpName})
        w->setEnabled(true);
}

void TFrmSelAllowanceEmp::reject() {
    stopRun();
    QDialog::reject();
}
