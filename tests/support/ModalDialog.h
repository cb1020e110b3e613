#pragma once
// Acts on the next modal dialog of type D once it is open (the test's own event loop is the
// dialog's exec). Interval 0 looks at every pass of the event loop (a progress dialog's first
// report); a dialog left open by a failed check is rejected so the test does not hang on it. The
// flag returned tells whether the dialog came up.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

template <typename D>
std::shared_ptr<bool> onModal(std::function<void(D*)> act, int interval = 5, int timeoutMs = 5000) {
    auto seen = std::make_shared<bool>(false);
    auto* timer = new QTimer;
    timer->setInterval(interval);
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(timer, &QTimer::timeout, [timer, act, started, timeoutMs, seen] {
        auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!d && started->elapsed() < timeoutMs)
            return;
        timer->stop();
        timer->deleteLater();
        if (!d) {
            qWarning("no modal dialog appeared");
            return;
        }
        *seen = true;
        act(d);
        if (QTest::currentTestFailed() && QApplication::activeModalWidget() == d)
            if (auto* dialog = qobject_cast<QDialog*>(d))
                dialog->reject();
    });
    timer->start();
    return seen;
}
