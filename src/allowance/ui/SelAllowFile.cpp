#include "allowance/ui/SelAllowFile.h"

#include "allowance/AllowanceImport.h"
#include "db/DatabaseConnection.h"
#include "framework/ModuleContext.h"
#include "util/Prompter.h"
#include "util/ui/MsgFrm.h"

#include "db/DbError.h"

#include <QAtomicInteger>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlDatabase>
#include <QTabWidget>
#include <QThread>
#include <QVBoxLayout>

namespace {
QPointer<TfrmSelAllowFile> g_instance;
QAtomicInteger<quint32> g_runs;

const char* const kLayoutNotes[] = {
    "1、文件上面表头顺序必须是：A:工号、B:卡号、C:补贴金额、D:补贴有效期、",
    "E:姓名、F:部门名称",
    "2、姓名和部门可不填，从人事表获取",
    "3、工作表必须是第一个，表名字任意",
};
} // namespace

TfrmSelAllowFile::TfrmSelAllowFile(ModuleContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("frmSelAllowFile"));
    setWindowTitle(QStringLiteral("补贴导入"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(560, 420);
    auto* layout = new QVBoxLayout(this);

    auto* pages = new QTabWidget(this);
    m_memo = new QPlainTextEdit(pages);
    m_memo->setObjectName(QStringLiteral("Memo1"));
    m_memo->setReadOnly(true);
    for (const char* line : kLayoutNotes)
        m_memo->appendPlainText(QString::fromUtf8(line));
    pages->addTab(m_memo, QStringLiteral("导入说明"));
    auto* sample = new QLabel(QStringLiteral("工号 | 卡号 | 补贴金额 | 补贴有效期 | 姓名 | 部门名称\n"
                                             "1001 | 5001 | 100.00 | 2026-12-31 | 张三 | 财务部\n\n"
                                             "（该模版文件可在消费系统安装目录下获取）"),
                              pages);
    sample->setAlignment(Qt::AlignCenter);
    pages->addTab(sample, QStringLiteral("Excel文件样式"));
    layout->addWidget(pages, 1);

    auto* fileRow = new QHBoxLayout;
    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("edtFile"));
    m_open = new QPushButton(QStringLiteral("打开"), this);
    m_open->setObjectName(QStringLiteral("btnOpen"));
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(m_open);
    layout->addLayout(fileRow);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    layout->addWidget(m_progress);

    auto* footer =
        new QLabel(QStringLiteral("注意: 导入的员工必须存在，且补贴金额不能超过最大金额，否则将忽略该条数据。"
                                  "重复记录将会多次导入"),
                   this);
    footer->setWordWrap(true);
    layout->addWidget(footer);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_import = new QPushButton(QStringLiteral("导入"), this);
    m_import->setObjectName(QStringLiteral("btnImport"));
    m_import->setEnabled(false);
    m_close = new QPushButton(QStringLiteral("关闭"), this);
    m_close->setObjectName(QStringLiteral("btnClose"));
    buttons->addWidget(m_import);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);

    connect(m_open, &QPushButton::clicked, this, &TfrmSelAllowFile::openClicked);
    connect(m_import, &QPushButton::clicked, this, &TfrmSelAllowFile::importClicked);
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_file, &QLineEdit::textChanged, this, [this] {
        if (!running())
            m_import->setEnabled(true);
    });
}

TfrmSelAllowFile::~TfrmSelAllowFile() {
    // The run holds no pointer to the window, but it runs the module's code.
    if (m_worker) {
        m_worker->wait();
        delete m_worker;
    }
}

TfrmSelAllowFile* TfrmSelAllowFile::instance(ModuleContext& context, QWidget* parent) {
    if (!g_instance)
        g_instance = new TfrmSelAllowFile(context, parent);
    return g_instance;
}

QString TfrmSelAllowFile::memoText() const {
    return m_memo->toPlainText();
}

void TfrmSelAllowFile::openClicked() {
    FileDialogRequest request;
    request.title = QStringLiteral("打开");
    request.filter = QStringLiteral("Excel文件[*.xls;*.xlsx]|*.xls;*.xlsx") + QStringLiteral("|") +
                     QStringLiteral("Csv文件[*.csv]|*.csv");
    request.defaultExtension = QStringLiteral(".xls;.xlsx;.csv");
    const FileDialogResult chosen = m_context.prompter->openFile(request);
    if (!chosen.accepted)
        return;
    m_file->setText(chosen.path);
    m_progress->setValue(0);
}

void TfrmSelAllowFile::memoLine(const QString& line) {
    m_memo->appendPlainText(line);
}

void TfrmSelAllowFile::notice(const QString& text) {
    // A file that cannot be read, or a database error: a message box; the
    // check pass's and the end's notices: a toast.
    if (text == AllowanceImportText::missingFile() || text == AllowanceImportText::unreadableFile())
        m_context.prompter->information(text);
    else if (text == AllowanceImportText::finished() || text.endsWith(QLatin1String("请检查导入文件!")))
        ShowToast(m_context.toasts, text.trimmed(), 1);
    else
        m_context.prompter->error(text);
}

void TfrmSelAllowFile::importClicked() {
    if (running())
        return;
    const QString path = m_file->text().trimmed();
    m_import->setEnabled(false);
    m_progress->setValue(0);
    // Read on this thread's connection; the run gets its own.
    const AllowanceImportSettings settings = AllowanceImportSettings::fromSession(m_context.session);
    const QSqlDatabase source = m_context.session.ModuleConnection;
    const Session& session = m_context.session;
    QPointer<TfrmSelAllowFile> self(this);
    auto post = [self](std::function<void(TfrmSelAllowFile&)> step) {
        QMetaObject::invokeMethod(
            qApp,
            [self, step] {
                if (self)
                    step(*self);
            },
            Qt::QueuedConnection);
    };
    m_worker = QThread::create([=, &session] {
        const QString name = QStringLiteral("allowance-import-%1").arg(++g_runs);
        {
            AllowanceImportEvents events;
            events.memoLine = [post](const QString& l) { post([l](TfrmSelAllowFile& w) { w.memoLine(l); }); };
            events.message = [post](const QString& t) { post([t](TfrmSelAllowFile& w) { w.notice(t); }); };
            events.progress = [post](int row, int total) {
                post([row, total](TfrmSelAllowFile& w) {
                    w.m_progress->setMaximum(qMax(1, total));
                    w.m_progress->setValue(qMin(row, qMax(1, total)));
                });
            };
            try {
                QSqlDatabase own = openClone(source, name);
                const QueryRunner runner = session.runner();
                AllowanceImport(own, runner, settings).run(path, events);
            } catch (const DbError& e) {
                events.message(e.message());
            }
        }
        QSqlDatabase::removeDatabase(name);
    });
    connect(m_worker, &QThread::finished, this, &TfrmSelAllowFile::finished);
    m_worker->start();
}

void TfrmSelAllowFile::finished() {
    if (!m_worker)
        return;
    m_worker->wait();
    m_worker->deleteLater();
    m_worker = nullptr;
    m_import->setEnabled(true);
}

void TfrmSelAllowFile::closeEvent(QCloseEvent* event) {
    // Rows are registered one by one; the run is let finish, not cut off.
    if (running()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
