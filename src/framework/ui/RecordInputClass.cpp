#include "framework/ui/RecordInputClass.h"

#include "dataset/DataSet.h"
#include "db/DbError.h"
#include "framework/ContextHelp.h"
#include "framework/ModuleContext.h"
#include "framework/RecordCopy.h"
#include "framework/ui/RecordBaseClass.h"
#include "util/ModuleFont.h"
#include "util/Prompter.h"
#include "util/ui/Progress.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

TfrmRecordInputClass::TfrmRecordInputClass(TfrmRecordBaseClass& owner, const QString& caption)
    : QDialog(&owner), m_context(owner.context()) {
    build(caption);
    m_controls->setDataSet(owner.dataSet());
}

TfrmRecordInputClass::TfrmRecordInputClass(ModuleContext& context, DataSet* dataSet, const QString& caption,
                                           QWidget* parent)
    : QDialog(parent), m_context(context) {
    build(caption);
    m_controls->setDataSet(dataSet);
}

TfrmRecordInputClass::~TfrmRecordInputClass() = default;

Prompter& TfrmRecordInputClass::prompter() const {
    return *m_context.prompter;
}

void TfrmRecordInputClass::build(const QString& caption) {
    setWindowTitle(caption);
    setModal(true);
    setFont(moduleFont());
    m_controls = new DataControls(this);
    connect(m_controls, &DataControls::writeFailed, this, &TfrmRecordInputClass::showError);

    auto* layout = new QVBoxLayout(this);
    pnlControls = new QWidget(this);
    pnlControls->setObjectName(QStringLiteral("pnlControls"));
    formLayout = new QFormLayout(pnlControls);
    layout->addWidget(pnlControls, 1);

    auto* bottom = new QHBoxLayout;
    DBNavigator = new QWidget(this);
    DBNavigator->setObjectName(QStringLiteral("DBNavigator"));
    auto* nav = new QHBoxLayout(DBNavigator);
    nav->setContentsMargins(0, 0, 0, 0);
    nav->setSpacing(0);
    struct NavDef {
        QToolButton** slot;
        const char* name;
        const char* hint;
        QStyle::StandardPixmap icon;
        NavigateTo to;
    };
    const NavDef navDefs[] = {
        {&nbFirst, "nbFirst", "第一条记录", QStyle::SP_MediaSkipBackward, NavigateTo::First},
        {&nbPrior, "nbPrior", "上一条记录", QStyle::SP_MediaSeekBackward, NavigateTo::Prior},
        {&nbNext, "nbNext", "下一条记录", QStyle::SP_MediaSeekForward, NavigateTo::Next},
        {&nbLast, "nbLast", "最后一条记录", QStyle::SP_MediaSkipForward, NavigateTo::Last},
    };
    for (const NavDef& d : navDefs) {
        auto* b = new QToolButton(DBNavigator);
        b->setObjectName(QString::fromLatin1(d.name));
        b->setToolTip(QString::fromUtf8(d.hint));
        b->setIcon(style()->standardIcon(d.icon));
        const NavigateTo to = d.to;
        connect(b, &QToolButton::clicked, this, [this, to] { navigate(to); });
        nav->addWidget(b);
        *d.slot = b;
    }
    bottom->addWidget(DBNavigator);
    bottom->addStretch(1);
    auto button = [&](QPushButton** slot, const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        bottom->addWidget(b);
        *slot = b;
    };
    button(&btnOK, "btnOK", QStringLiteral("确定(&O)"));
    button(&btnCancel, "btnCancel", QStringLiteral("取消(&C)"));
    button(&btnContinue, "btnContinue", QStringLiteral("继续添加(&T)"));
    button(&btnCopy, "btnCopy", QStringLiteral("复制记录(&P)"));
    layout->addLayout(bottom);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &TfrmRecordInputClass::reject);
    connect(btnContinue, &QPushButton::clicked, this, &TfrmRecordInputClass::btnContinueClick);
    connect(btnCopy, &QPushButton::clicked, this, &TfrmRecordInputClass::btnCopyClick);

    auto* help = new QAction(this);
    help->setObjectName(QStringLiteral("actHelp"));
    help->setShortcut(Qt::Key_F1);
    help->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(help, &QAction::triggered, this, [this] { ShowContextHelp(m_context, windowTitle()); });
    addAction(help);
}

void TfrmRecordInputClass::addField(const QString& label, QWidget* control, const QString& fieldName) {
    control->setParent(pnlControls);
    formLayout->addRow(label, control);
    m_controls->bind(control, fieldName);
}

QWidget* TfrmRecordInputClass::firstControl() const {
    if (m_firstControl)
        return m_firstControl;
    for (QWidget* w = pnlControls->nextInFocusChain(); w && w != pnlControls; w = w->nextInFocusChain()) {
        if (!pnlControls->isAncestorOf(w))
            continue;
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
            w->isVisibleTo(const_cast<TfrmRecordInputClass*>(this)))
            return w;
    }
    return nullptr;
}

void TfrmRecordInputClass::focusFirstControl() {
    if (QWidget* w = firstControl())
        w->setFocus(Qt::OtherFocusReason);
}

void TfrmRecordInputClass::showError(const QString& message) {
    // An empty message: the field's own check has told the operator.
    if (message.isEmpty())
        return;
    prompter().message(QApplication::applicationName(), message, PromptIcon::Error);
    emit errorShown(message);
}

bool TfrmRecordInputClass::postRecord() {
    DataSet* ds = dataSet();
    if (!ds || !ds->isActive())
        return true;
    try {
        m_controls->flush();
        ds->post(); // nothing to do while browsing
    } catch (const DbError& e) {
        showError(e.message());
        return false;
    }
    return ds->state() == DataSet::State::Browse;
}

void TfrmRecordInputClass::btnOKClick() {
    if (postRecord())
        accept();
}

void TfrmRecordInputClass::btnContinueClick() {
    if (!postRecord())
        return;
    try {
        dataSet()->append();
    } catch (const DbError& e) {
        showError(e.message());
        return;
    }
    focusFirstControl();
}

void TfrmRecordInputClass::btnCopyClick() {
    DataSet* ds = dataSet();
    if (!ds || !ds->isActive())
        return;
    try {
        m_controls->flush(); // the copy takes what the operator sees
    } catch (const DbError& e) {
        showError(e.message());
        return;
    }
    if (ds->currentRecordBookmark() == kNoBookmark) {
        prompter().information(QStringLiteral("无记录"));
        return;
    }
    const QVector<Field*> fields = RecordCopy::copyableFields(*ds, m_notCopyable);
    const QVector<QVariant> values = RecordCopy::capture(fields);
    try {
        ds->append(); // posts the record being edited first
    } catch (const DbError& e) {
        showError(e.message());
        return;
    }
    TdlgProgress progress(prompter(), this);
    progress.setMessageText(QStringLiteral("正在准备..."));
    progress.setMaximum(int(fields.size()));
    progress.setCancelVisible(true);
    progress.setCancelConfirmation(QStringLiteral("确认中断当前操作吗?"));
    progress.show();
    progress.keepAlive();
    for (int i = 0; i < fields.size() && !progress.cancelRequested(); ++i) {
        progress.setMessageText(QStringLiteral("正在复制字段 %1 的值。").arg(fields[i]->displayLabel()));
        try {
            fields[i]->setValue(values[i]);
        } catch (const DbError& e) {
            // A field that refuses the value (a unique check) stays empty.
            showError(e.message());
        }
        progress.stepIt();
    }
    progress.close();
    m_controls->load();
    focusFirstControl();
}

void TfrmRecordInputClass::navigate(NavigateTo to) {
    DataSet* ds = dataSet();
    if (!ds || !ds->isActive() || !postRecord())
        return;
    switch (to) {
    case NavigateTo::First:
        ds->first();
        break;
    case NavigateTo::Prior:
        ds->prior();
        break;
    case NavigateTo::Next:
        ds->next();
        break;
    case NavigateTo::Last:
        ds->last();
        break;
    }
    if (ds->isEmpty())
        return;
    try {
        ds->edit();
    } catch (const DbError& e) {
        showError(e.message());
    }
}

void TfrmRecordInputClass::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    QWidget* focused = focusWidget();
    // A button takes Enter as a click, a memo as a new line.
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
        !qobject_cast<QAbstractButton*>(focused) && !DataControls::isMemo(focused)) {
        focusNextChild();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmRecordInputClass::reject() {
    if (DataSet* ds = dataSet();
        ds && (ds->state() == DataSet::State::Edit || ds->state() == DataSet::State::Insert))
        ds->cancel();
    QDialog::reject();
}

QToolButton* TfrmRecordInputClass::navigatorButton(NavigateTo to) const {
    switch (to) {
    case NavigateTo::First:
        return nbFirst;
    case NavigateTo::Prior:
        return nbPrior;
    case NavigateTo::Next:
        return nbNext;
    case NavigateTo::Last:
        return nbLast;
    }
    return nullptr;
}
