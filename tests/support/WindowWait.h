#pragma once
// Record windows read their rows in the background: a test waits for the load to end.
#include <QTest>

template <class Window> bool waitLoaded(const Window& window, int timeoutMs = 20000) {
    return QTest::qWaitFor([&] { return !window.isLoading(); }, timeoutMs);
}

// For helpers that return the window: the failure is recorded, the test goes on to its checks.
#define WAIT_LOADED(window)                                                                                  \
    do {                                                                                                     \
        if (!waitLoaded(window))                                                                             \
            QTest::qFail("the window's rows did not load", __FILE__, __LINE__);                              \
    } while (0)
