#include "util/ui/MsgFrm.h"

#include "util/ToastRegistry.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QTimer>

namespace {
constexpr int kMargin = 8;

QRect workArea() {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        return screen->availableGeometry();
    return QRect(0, 0, 800, 600);
}

int screenHeight() {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        return screen->geometry().height();
    return 600;
}

QLabel* iconLabel(QWidget* parent, const char* name, QStyle::StandardPixmap pixmap) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(ToastLayout::border + kMargin, ToastLayout::border + kMargin, 32, 32);
    label->setPixmap(parent->style()->standardIcon(pixmap).pixmap(32, 32));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->hide();
    return label;
}
} // namespace

TMsgForm::TMsgForm(ToastRegistry& registry, const ToastTimings& timings)
    : QWidget(nullptr,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      m_registry(registry), m_timings(timings), m_edge(registry.defaultEdge()) {
    setObjectName(QStringLiteral("MsgForm"));
    setWindowTitle(QStringLiteral("消息显示窗体"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(ToastLayout::windowWidth(), ToastLayout().windowHeight);

    imgError = iconLabel(this, "imgError", QStyle::SP_MessageBoxCritical);
    imgWarning = iconLabel(this, "imgWarning", QStyle::SP_MessageBoxWarning);
    imgInfo = iconLabel(this, "imgInfo", QStyle::SP_MessageBoxInformation);

    lblIcon = new QLabel(this);
    lblIcon->setObjectName(QStringLiteral("lblIcon"));
    lblIcon->setGeometry(ToastLayout::border + kMargin + 40, ToastLayout::border + kMargin, 120, 32);
    lblIcon->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont titleFont = lblIcon->font();
    titleFont.setBold(true);
    lblIcon->setFont(titleFont);

    lblMsg = new QLabel(this);
    lblMsg->setObjectName(QStringLiteral("lblMsg"));
    lblMsg->setWordWrap(true);
    lblMsg->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    lblMsg->setAttribute(Qt::WA_TransparentForMouseEvents);
    applyLayout(ToastLayout());

    move(ToastMotion::creationPosition(screenHeight()));
    m_registry.add(this, m_edge);

    m_fadeIn = new QTimer(this);
    m_fadeIn->setInterval(m_timings.slideIntervalMs);
    connect(m_fadeIn, &QTimer::timeout, this, &TMsgForm::fadeInTick);
    m_fadeOut = new QTimer(this);
    m_fadeOut->setInterval(m_timings.slideIntervalMs);
    connect(m_fadeOut, &QTimer::timeout, this, &TMsgForm::fadeOutTick);
    m_delay = new QTimer(this);
    m_delay->setSingleShot(true);
    m_delay->setInterval(m_timings.delayMs);
    connect(m_delay, &QTimer::timeout, this, &TMsgForm::startFadeOut);

    setMessage(QString(), 1);
}

TMsgForm::~TMsgForm() {
    m_registry.remove(this);
}

void TMsgForm::applyLayout(const ToastLayout& layout) {
    setFixedSize(ToastLayout::windowWidth(), layout.windowHeight);
    const int b = ToastLayout::border;
    lblMsg->setGeometry(b + kMargin, layout.windowHeight - b - kMargin - layout.labelHeight,
                        ToastLayout::clientWidth - 2 * kMargin, layout.labelHeight);
}

void TMsgForm::setMessage(const QString& text, int kind) {
    m_kind = kind;
    m_look = toastLook(kind);
    lblIcon->setText(m_look.title);
    imgError->setVisible(m_look.icon == ToastLook::Error);
    imgWarning->setVisible(m_look.icon == ToastLook::Warning);
    imgInfo->setVisible(m_look.icon == ToastLook::Info);
    lblMsg->setText(text);
    // A text taller than the label grows the label and the window.
    const QFontMetrics metrics(lblMsg->font());
    const int textHeight =
        metrics.boundingRect(QRect(0, 0, lblMsg->width(), 100000), Qt::TextWordWrap, text).height();
    applyLayout(ToastLayout::forTextHeight(textHeight, workArea().height()));
    update();
}

void TMsgForm::showToast() {
    // The place along the edge was given at registration; register again when
    // the edge changed since.
    m_registry.remove(this);
    const int slot = m_registry.add(this, m_edge);
    m_motion = std::make_unique<ToastMotion>(m_edge, ToastArea::fromRect(workArea()), size(), slot);
    m_delay->setInterval(m_timings.delayMs);
    move(m_motion->startPosition());
    show();
    m_fadeIn->start();
}

bool TMsgForm::isWaiting() const {
    return m_motion && m_motion->phase() == ToastMotion::Waiting;
}

void TMsgForm::fadeInTick() {
    if (!m_motion)
        return;
    if (m_motion->slideInTick()) {
        m_fadeIn->stop();
        m_delay->start();
        return;
    }
    move(m_motion->position());
}

void TMsgForm::startFadeOut() {
    m_fadeIn->stop();
    m_delay->stop();
    if (!m_motion)
        return;
    m_motion->startSlideOut();
    m_fadeOut->start();
}

void TMsgForm::fadeOutTick() {
    if (!m_motion)
        return;
    const bool gone = m_motion->slideOutTick();
    move(m_motion->position());
    if (gone) {
        m_fadeOut->stop();
        close();
    }
}

void TMsgForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, m_look.from);
    gradient.setColorAt(1, m_look.to);
    painter.fillRect(rect(), gradient);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TMsgForm::mousePressEvent(QMouseEvent*) {
    startFadeOut();
}

TMsgForm* ShowToast(ToastRegistry& registry, const QString& text, int kind) {
    auto* toast = new TMsgForm(registry);
    toast->setMessage(text, kind);
    toast->showToast();
    return toast;
}
