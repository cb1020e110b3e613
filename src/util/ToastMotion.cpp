#include "util/ToastMotion.h"

#include <QtGlobal>

#include <algorithm>

namespace {
// Toasts side by side along an edge: how many fit, and the offset of a slot.
int slotsAlong(int length, int extent) {
    return std::max(1, length / std::max(1, extent));
}
} // namespace

ToastMotion::ToastMotion(ToastEdge edge, const ToastArea& workArea, const QSize& size, int slot)
    : m_edge(edge), m_area(workArea), m_size(size) {
    const int w = size.width();
    const int h = size.height();
    slot = std::max(0, slot);
    switch (edge) {
    case ToastEdge::Left:
    case ToastEdge::Right: {
        // Centred vertically; further toasts above the centred one.
        const int centred = m_area.top + (m_area.height() - h) / 2;
        const int fit = 1 + std::max(0, centred - m_area.top) / std::max(1, h);
        const int top = centred - (slot % fit) * h;
        const int left = edge == ToastEdge::Left ? m_area.left + 1 - w : m_area.right - 1;
        m_start = QPoint(left, top);
        break;
    }
    case ToastEdge::Top:
    case ToastEdge::Bottom: {
        // At the right end; further toasts to the left of it.
        const int left = m_area.right - w - (slot % slotsAlong(m_area.width(), w)) * w;
        const int top = edge == ToastEdge::Top ? m_area.top + 1 - h : m_area.bottom - 1;
        m_start = QPoint(left, top);
        break;
    }
    }
    m_pos = m_start;
}

QPoint ToastMotion::restingPosition() const {
    switch (m_edge) {
    case ToastEdge::Left:
        return QPoint(m_area.left, m_start.y());
    case ToastEdge::Right:
        return QPoint(m_area.right - m_size.width(), m_start.y());
    case ToastEdge::Top:
        return QPoint(m_start.x(), m_area.top);
    case ToastEdge::Bottom:
        return QPoint(m_start.x(), m_area.bottom - m_size.height());
    }
    return m_start;
}

bool ToastMotion::inside() const {
    switch (m_edge) {
    case ToastEdge::Left:
        return m_pos.x() >= m_area.left;
    case ToastEdge::Right:
        return m_pos.x() + m_size.width() <= m_area.right;
    case ToastEdge::Top:
        return m_pos.y() >= m_area.top;
    case ToastEdge::Bottom:
        return m_pos.y() + m_size.height() <= m_area.bottom;
    }
    return true;
}

bool ToastMotion::gone() const {
    switch (m_edge) {
    case ToastEdge::Left:
        return m_pos.x() + m_size.width() <= m_area.left + 2;
    case ToastEdge::Right:
        return m_pos.x() >= m_area.right - 2;
    case ToastEdge::Top:
        return m_pos.y() + m_size.height() <= m_area.top + 2;
    case ToastEdge::Bottom:
        return m_pos.y() >= m_area.bottom - 2;
    }
    return true;
}

bool ToastMotion::slideInTick() {
    if (m_phase != SlidingIn)
        return m_phase == Waiting;
    ++m_counter;
    const int step = stepFor(m_counter);
    if (inside()) {
        m_phase = Waiting;
        return true;
    }
    const QPoint rest = restingPosition();
    switch (m_edge) {
    case ToastEdge::Left:
        m_pos.setX(std::min(m_pos.x() + step, rest.x()));
        break;
    case ToastEdge::Right:
        m_pos.setX(std::max(m_pos.x() - step, rest.x()));
        break;
    case ToastEdge::Top:
        m_pos.setY(std::min(m_pos.y() + step, rest.y()));
        break;
    case ToastEdge::Bottom:
        m_pos.setY(std::max(m_pos.y() - step, rest.y()));
        break;
    }
    return false;
}

void ToastMotion::startSlideOut() {
    if (m_phase != Done)
        m_phase = SlidingOut;
}

bool ToastMotion::slideOutTick() {
    if (m_phase != SlidingOut)
        return m_phase == Done;
    if (m_counter > 0)
        --m_counter;
    const int step = stepFor(m_counter);
    switch (m_edge) {
    case ToastEdge::Left:
        m_pos.rx() -= step;
        break;
    case ToastEdge::Right:
        m_pos.rx() += step;
        break;
    case ToastEdge::Top:
        m_pos.ry() -= step;
        break;
    case ToastEdge::Bottom:
        m_pos.ry() += step;
        break;
    }
    if (gone()) {
        m_phase = Done;
        return true;
    }
    return false;
}

QColor windowsColor(quint32 value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

ToastLook toastLook(int kind) {
    ToastLook look;
    look.from = windowsColor(16777215);
    switch (kind) {
    case 0:
        look.title = QStringLiteral("錯誤");
        look.to = windowsColor(8421616);
        look.icon = ToastLook::Error;
        break;
    case 2:
        look.title = QStringLiteral("警告");
        look.to = windowsColor(8450272);
        look.icon = ToastLook::Warning;
        break;
    default:
        look.title = QStringLiteral("提示");
        look.to = windowsColor(15786112);
        look.icon = ToastLook::Info;
        break;
    }
    return look;
}

ToastLayout ToastLayout::forTextHeight(int textHeight, int workAreaHeight) {
    ToastLayout layout;
    if (textHeight > messageHeight) {
        layout.labelHeight = textHeight;
        layout.windowHeight += textHeight - messageHeight;
    }
    if (workAreaHeight > 0 && layout.windowHeight > workAreaHeight) {
        layout.labelHeight -= layout.windowHeight - workAreaHeight;
        layout.windowHeight = workAreaHeight;
    }
    return layout;
}
