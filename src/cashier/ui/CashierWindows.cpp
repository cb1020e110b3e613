#include "cashier/ui/CashierWindows.h"

#include "cashier/CashierDocuments.h"
#include "dataset/grid/ui/DBGrid.h"
#include "framework/ModuleContext.h"
#include "monthly/ui/SelectMonth.h"
#include "util/Prompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScrollArea>
#include <QSplitter>
#include <QTimeEdit>
#include <QToolBar>
#include <QToolButton>

CashierDocumentWindow::CashierDocumentWindow(ModuleContext& context, const QString& caption, QWidget* parent)
    : TfrmRecordBaseClass(context, caption, parent) {
    readOnlyWindow = true;
    for (const char* hidden :
         {"tbEdit", "tbFirst", "tbLast", "tbFind", "tbFilter", "tbDefCols", "tbDataImport", "tbDataExport"})
        setToolButtonVisible(QString::fromLatin1(hidden), false);

    plPreview = new QWidget(this);
    plPreview->setObjectName(QStringLiteral("plPreview"));
    auto* layout = new QVBoxLayout(plPreview);
    auto* pager = new QHBoxLayout;
    SpeedButton1 = new QToolButton(plPreview);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("上一页"));
    SpeedButton2 = new QToolButton(plPreview);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setText(QStringLiteral("下一页"));
    m_pageLabel = new QLabel(plPreview);
    pager->addWidget(SpeedButton1);
    pager->addWidget(m_pageLabel);
    pager->addWidget(SpeedButton2);
    pager->addStretch();
    layout->addLayout(pager);
    m_scroll = new QScrollArea(plPreview);
    m_pageImage = new QLabel(m_scroll);
    m_pageImage->setAlignment(Qt::AlignCenter);
    m_scroll->setWidget(m_pageImage);
    m_scroll->setWidgetResizable(true);
    layout->addWidget(m_scroll, 1);
    splitter->addWidget(plPreview);
    // The page beside a narrow list: the document is what the operator reads.
    splitter->setStretchFactor(splitter->indexOf(plPreview), 3);
    QList<int> sizes(splitter->count(), 0);
    sizes[splitter->indexOf(PanelDetail)] = 350;
    sizes[splitter->indexOf(plPreview)] = 700;
    splitter->setSizes(sizes);

    connect(SpeedButton1, &QToolButton::clicked, this, [this] { showPage(m_page - 1); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { showPage(m_page + 1); });
    connect(dgTable, &DBGrid::cellDoubleClicked, this,
            [this](int, int) { guarded([this] { showCurrent(); }); });

    actPost = new QAction(QStringLiteral("漏帐入账"), this);
    actPost->setObjectName(QStringLiteral("actPost"));
    ToolBar1->addAction(actPost);
    setToolButtonVisible(QStringLiteral("tbDelete"), CashierBillBook::deleteEnabled(context.session));
    showPage(0);
}

bool CashierDocumentWindow::isAdmin() const {
    return context().session.isAdmin();
}

QString CashierDocumentWindow::currentNumber() const {
    const DataSet* ds = dataSet();
    if (!ds || !ds->isActive() || ds->isEmpty())
        return QString();
    return ds->fieldByName(QStringLiteral("stadescr")).asString();
}

void CashierDocumentWindow::QueryData(QObject* sender) {
    QVariantMap params;
    const QString sql = listStatement(&params);
    openRows(sql, params, sender, [this] { showCurrent(); });
}

void CashierDocumentWindow::reload(const QString& number) {
    QVariantMap params;
    openRows(listStatement(&params), params, nullptr, [this, number] {
        if (!number.isEmpty())
            dataSet()->locate(QStringLiteral("stadescr"), number);
        showCurrent();
    });
}

void CashierDocumentWindow::columnsKnown(QObject* /*sender*/) {
    DataSet& ds = *dataSet();
    for (int i = 0; i < ds.fieldCount(); ++i) {
        Field* f = ds.field(i);
        const QString label = labels().value(f->fieldName().toLower());
        if (!label.isEmpty())
            f->setDisplayLabel(label);
    }
}

void CashierDocumentWindow::showCurrent() {
    m_number = currentNumber();
    m_document = m_number.isEmpty() ? PrintedDocument() : documentFor(m_number);
    showPage(0);
}

void CashierDocumentWindow::showPage(int page) {
    const int pages = m_number.isEmpty() ? 0 : m_document.pageCount();
    m_page = std::clamp(page, 0, std::max(0, pages - 1));
    SpeedButton1->setEnabled(m_page > 0);
    SpeedButton2->setEnabled(m_page + 1 < pages);
    m_pageLabel->setText(pages ? QStringLiteral("%1/%2").arg(m_page + 1).arg(pages) : QString());
    m_pageImage->setPixmap(pages ? QPixmap::fromImage(m_document.pageImage(m_page, 80)) : QPixmap());
}

void CashierDocumentWindow::printRows() {
    if (m_number.isEmpty())
        return;
    guarded([this] {
        QString error;
        if (QPrinterInfo::availablePrinters().isEmpty()) {
            // No printer here: the document goes to Documents/ as a PDF.
            const QDir folder(context().session.programFolder);
            folder.mkpath(QStringLiteral("Documents"));
            const QString path =
                folder.filePath(QStringLiteral("Documents/%1 %2.pdf").arg(windowTitle(), m_number));
            if (!m_document.writePdf(path, windowTitle(), &error))
                throw DbError(error);
            prompter().information(QStringLiteral("已保存到 %1").arg(path));
            return;
        }
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(windowTitle());
        if (!m_document.render(printer, &error))
            throw DbError(error);
        prompter().information(QStringLiteral("打印数据提交成功，请查看打印设备!"));
    });
}

namespace {

// The period dialog preset as the windows ask for a new bill or voucher.
TFrmSelectTimeZ* periodDialog(Prompter& prompter, QWidget* parent, const std::optional<QDateTime>& start,
                              bool lockStart) {
    TFrmSelectTimeZ* dialog = TFrmSelectTimeZ::instance(prompter, parent);
    dialog->labelEdit()->setText(QDate::currentDate().toString(QStringLiteral("yyyy-MM")));
    if (start) {
        dialog->startDateEdit()->setDate(start->date());
        dialog->startTimeEdit()->setTime(start->time());
    }
    dialog->startDateEdit()->setEnabled(!(start && lockStart));
    return dialog;
}

} // namespace

TfrmCardCenterStatistic::TfrmCardCenterStatistic(ModuleContext& context, QWidget* parent)
    : CashierDocumentWindow(context, QStringLiteral("出纳统计账管理"), parent), m_book(context.session) {
    setObjectName(QStringLiteral("TfrmCardCenterStatistic"));
    ownDataSet(QStringLiteral("dsBalanceStatistic"));
    actDataInsert->setText(QStringLiteral("创建新统计账单"));
    CheckBox1 = new QCheckBox(QStringLiteral("按操作员统计"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setVisible(false);
    addSearchControl(QString(), CheckBox1);
    addSearchControl(QString(), ComboBox1);
    connect(CheckBox1, &QCheckBox::toggled, this, [this](bool on) {
        ComboBox1->setVisible(on);
        guarded([this] { showCurrent(); });
    });
    connect(ComboBox1, &QComboBox::currentTextChanged, this, [this] { guarded([this] { showCurrent(); }); });
    connect(actPost, &QAction::triggered, this, [this] { postMissed(); });
}

QString TfrmCardCenterStatistic::listStatement(QVariantMap* /*params*/) const {
    return CashierBillBook::listStatement();
}

PrintedDocument TfrmCardCenterStatistic::documentFor(const QString& number) {
    if (m_operatorsOf != number) {
        const QSignalBlocker block(ComboBox1);
        ComboBox1->clear();
        ComboBox1->addItem(QStringLiteral("全部"));
        ComboBox1->addItems(m_book.operators(number));
        m_operatorsOf = number;
    }
    const std::optional<CashierBillHead> head = m_book.head(number);
    if (!head)
        return {};
    const QString opuser =
        CheckBox1->isChecked() && ComboBox1->currentIndex() > 0 ? ComboBox1->currentText() : QString();
    const bool perOperator = CheckBox1->isChecked();
    return CashierDocuments::bill(CashierDocuments::siteOf(context().session), *head,
                                  m_book.rows(number, opuser, perOperator), perOperator,
                                  QDate::currentDate());
}

void TfrmCardCenterStatistic::actDataInsertExecute() {
    if (!isAdmin()) {
        prompter().information(QStringLiteral("只有管理员有权限新增收支报表!"));
        return;
    }
    guarded([this] {
        TFrmSelectTimeZ* dialog = periodDialog(prompter(), this, m_book.latestEnd(), false);
        if (dialog->exec() != QDialog::Accepted)
            return;
        const QString number = dialog->label();
        const CashierPeriod period{dialog->startDateTime(), dialog->endDateTime()};
        const int stamped = m_book.create(number, period);
        writeLog(QStringLiteral("创建出纳统计账单 %1, %2 笔记录").arg(number).arg(stamped));
        reload(number);
    });
}

void TfrmCardCenterStatistic::postMissed() {
    if (!isAdmin()) {
        prompter().information(QStringLiteral("只有管理员有权限新增收支报表!"));
        return;
    }
    guarded([this] {
        const QString number = currentNumber();
        const int stamped = m_book.post(number);
        writeLog(QStringLiteral("出纳统计账单 %1 漏帐入账 %2 笔记录").arg(number).arg(stamped));
        reload(number);
    });
}

void TfrmCardCenterStatistic::actDataDeleteExecute() {
    const QString number = currentNumber();
    if (number.isEmpty()) {
        prompter().information(QStringLiteral("无账单可删!"));
        return;
    }
    if (!prompter().confirm(QStringLiteral("确认删除账单\"%1\"吗？").arg(number), PromptAnswer::No))
        return;
    guarded([&] {
        m_book.remove(number);
        writeLog(QStringLiteral("删除出纳统计账单 %1").arg(number));
        reload();
    });
}

TfrmSettleAccounts::TfrmSettleAccounts(ModuleContext& context, QWidget* parent)
    : CashierDocumentWindow(context, QStringLiteral("本系统运行结算凭证"), parent),
      m_voucher(context.session) {
    setObjectName(QStringLiteral("TfrmSettleAccounts"));
    ownDataSet(QStringLiteral("dsSettleStatistic"));
    actDataInsert->setText(QStringLiteral("创建结算凭证"));
    actPost->setText(QStringLiteral("漏帐入账"));
    connect(actPost, &QAction::triggered, this, [this] { regenerate(); });
}

QString TfrmSettleAccounts::listStatement(QVariantMap* /*params*/) const {
    return SettleVoucher::listStatement();
}

PrintedDocument TfrmSettleAccounts::documentFor(const QString& number) {
    const std::optional<SettleHead> head = m_voucher.head(number);
    if (!head)
        return {};
    return CashierDocuments::voucher(CashierDocuments::siteOf(context().session), *head,
                                     m_voucher.lines(number), QDate::currentDate());
}

void TfrmSettleAccounts::actDataInsertExecute() {
    if (!(Tag() & 1) && !isAdmin()) {
        prompter().information(QStringLiteral("只有管理员有权限新增收支报表!"));
        return;
    }
    guarded([this] {
        TFrmSelectTimeZ* dialog = periodDialog(prompter(), this, m_voucher.nextStart(), true);
        if (dialog->exec() != QDialog::Accepted)
            return;
        const QString number = dialog->label();
        m_voucher.create(number, dialog->startDateTime(), dialog->endDateTime(), Tag());
        writeLog(QStringLiteral("创建结算凭证 %1").arg(number));
        reload(number);
    });
}

void TfrmSettleAccounts::regenerate() {
    const QString number = currentNumber();
    if (number.isEmpty())
        return;
    if (!prompter().confirm(QStringLiteral("确定重新生成“%1”账单编号?").arg(number)))
        return;
    guarded([&] {
        m_voucher.regenerate(number);
        writeLog(QStringLiteral("重新生成结算凭证 %1").arg(number));
        reload(number);
    });
}

void TfrmSettleAccounts::actDataDeleteExecute() {
    const QString number = currentNumber();
    if (number.isEmpty()) {
        prompter().information(QStringLiteral("无账单可删!"));
        return;
    }
    if (!prompter().confirm(QStringLiteral("确认删除账单\"%1\"吗？").arg(number), PromptAnswer::No))
        return;
    guarded([&] {
        m_voucher.remove(number);
        writeLog(QStringLiteral("删除结算凭证 %1").arg(number));
        reload();
    });
}
