#pragma once
// The message toast: a small topmost window that slides in at an edge of the
// screen's work area, stays five seconds and slides out by itself. A click on
// it starts the slide-out at once. It never takes the focus. Several may be
// open at once; the registry of the module keeps the list.
#include "util/ToastMotion.h"

#include <QWidget>

#include <memory>

class QLabel;
class QTimer;
class ToastRegistry;

class TMsgForm : public QWidget {
    Q_OBJECT
public:
    explicit TMsgForm(ToastRegistry& registry, const ToastTimings& timings = ToastTimings());
    ~TMsgForm() override;

    // Kind 0 error, 2 warning, any other information.
    void setMessage(const QString& text, int kind);
    void setEdge(ToastEdge edge) { m_edge = edge; }
    // Places the toast at its edge, shows it without activating it and starts
    // the slide-in.
    void showToast();

    int kind() const { return m_kind; }
    ToastEdge edge() const { return m_edge; }
    const ToastMotion* motion() const { return m_motion.get(); }
    bool isWaiting() const;

    // The message, the kind's caption and the three kind images.
    QLabel* messageLabel() const { return lblMsg; }
    QLabel* kindLabel() const { return lblIcon; }
    QLabel* errorImage() const { return imgError; }
    QLabel* warningImage() const { return imgWarning; }
    QLabel* infoImage() const { return imgInfo; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* lblMsg = nullptr;
    QLabel* lblIcon = nullptr;
    QLabel* imgError = nullptr;
    QLabel* imgWarning = nullptr;
    QLabel* imgInfo = nullptr;

    void fadeInTick();
    void fadeOutTick();
    void startFadeOut();
    void applyLayout(const ToastLayout& layout);

    ToastRegistry& m_registry;
    ToastTimings m_timings;
    ToastLook m_look;
    int m_kind = 1;
    ToastEdge m_edge;
    std::unique_ptr<ToastMotion> m_motion;
    QTimer* m_fadeIn = nullptr;
    QTimer* m_fadeOut = nullptr;
    QTimer* m_delay = nullptr;
};

// Shows a toast with the text at the module's default edge; the toast frees
// itself when it has slid out. The allowance windows use kind 1.
TMsgForm* ShowToast(ToastRegistry& registry, const QString& text, int kind);
