#pragma once
// How a message toast moves, without the window: where it appears at the edge
// of the screen's work area, how far each 15 ms tick slides it in or out
// (step = counter * 3 div 11 + 1, so it speeds up while sliding in and slows
// down while sliding out), and when it has arrived or left. Also its look per
// kind and its size for a text of a given height.
#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

enum class ToastEdge { Left = 0, Right = 1, Top = 2, Bottom = 3 };

// A rectangle the Windows way: right and bottom are one past the last pixel.
struct ToastArea {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    static ToastArea fromRect(const QRect& r) {
        return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
    }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

struct ToastTimings {
    int slideIntervalMs = 15;
    int delayMs = 5000;
};

class ToastMotion {
public:
    enum Phase { SlidingIn, Waiting, SlidingOut, Done };

    // `slot` places further toasts next to those already open on the same
    // edge (0 is the corner itself).
    ToastMotion(ToastEdge edge, const ToastArea& workArea, const QSize& size, int slot = 0);

    // Where a new toast waits before it is shown: off every screen.
    static QPoint creationPosition(int screenHeight) { return QPoint(-300, screenHeight + 300); }

    // The position at show time: just outside the edge, one pixel showing.
    QPoint startPosition() const { return m_start; }
    // The position once fully slid in.
    QPoint restingPosition() const;
    QPoint position() const { return m_pos; }
    Phase phase() const { return m_phase; }
    int counter() const { return m_counter; }
    static int stepFor(int counter) { return counter * 3 / 11 + 1; }

    // One slide-in tick. Returns true when the toast is fully inside (the
    // delay starts then; the position did not change on that tick).
    bool slideInTick();
    // Start sliding out from wherever the toast is, at its current speed.
    void startSlideOut();
    // One slide-out tick. Returns true when the toast has left (close it).
    bool slideOutTick();

private:
    bool inside() const;
    bool gone() const;

    ToastEdge m_edge;
    ToastArea m_area;
    QSize m_size;
    QPoint m_start;
    QPoint m_pos;
    Phase m_phase = SlidingIn;
    int m_counter = 0;
};

// Kind 0 error, 2 warning, any other information.
struct ToastLook {
    QString title; // shown next to the icon
    QColor from;   // gradient colours
    QColor to;
    enum Icon { Error, Warning, Info } icon = Info;
};
ToastLook toastLook(int kind);
// A Windows colour value: blue, green, red bytes from high to low.
QColor windowsColor(quint32 value);

// The toast is 216 x 146 inside a one-pixel border; its message label is
// 90 pixels high and grows, with the window, for a taller text. The window
// never grows beyond the work area.
struct ToastLayout {
    static constexpr int clientWidth = 216;
    static constexpr int clientHeight = 146;
    static constexpr int border = 1;
    static constexpr int messageHeight = 90;
    int windowHeight = clientHeight + 2 * border;
    int labelHeight = messageHeight;
    static ToastLayout forTextHeight(int textHeight, int workAreaHeight);
    static int windowWidth() { return clientWidth + 2 * border; }
};
