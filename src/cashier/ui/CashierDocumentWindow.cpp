#include "cashier/ui/CashierDocumentWindow.h"

#include "cashier/CashierBillBook.h"
#include "dataset/grid/ui/DBGrid.h"
#include "framework/ModuleContext.h"
#include "monthly/ui/SelectMonth.h"
#include "util/Prompter.h"

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
    m_pageLabel->setText(
        pages ? QStringLiteral("%1/%2").arg(QString::number(m_page + 1), QString::number(pages)) : QString());
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

TFrmSelectTimeZ* CashierDocumentWindow::periodDialog(const std::optional<QDateTime>& start, bool lockStart) {
    TFrmSelectTimeZ* dialog = TFrmSelectTimeZ::instance(prompter(), this);
    dialog->labelEdit()->setText(QDate::currentDate().toString(QStringLiteral("yyyy-MM")));
    if (start) {
        dialog->startDateEdit()->setDate(start->date());
        dialog->startTimeEdit()->setTime(start->time());
    }
    dialog->startDateEdit()->setEnabled(!(start && lockStart));
    return dialog;
}

void CashierDocumentWindow::deleteCurrent(const std::function<void(const QString&)>& remove,
                                          const QString& logText) {
    const QString number = currentNumber();
    if (number.isEmpty()) {
        prompter().information(QStringLiteral("无账单可删!"));
        return;
    }
    if (!prompter().confirm(QStringLiteral("确认删除账单\"%1\"吗？").arg(number), PromptAnswer::No))
        return;
    guarded([&] {
        remove(number);
        writeLog(logText.arg(number));
        reload();
    });
}
