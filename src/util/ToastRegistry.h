#pragma once
// The locked list of the open message toasts. A toast registers when it is
// created and leaves the list when it is destroyed; the module closes any
// left over when it unloads. The list also hands each new toast the first
// free place along its edge, so that toasts open at the same time lie side by
// side instead of on top of each other.
#include "util/ToastMotion.h"

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QVector>

class ToastRegistry {
public:
    ToastRegistry() = default;
    ToastRegistry(const ToastRegistry&) = delete;
    ToastRegistry& operator=(const ToastRegistry&) = delete;
    ~ToastRegistry();

    // The edge new toasts appear at (bottom unless set).
    ToastEdge defaultEdge() const;
    void setDefaultEdge(ToastEdge edge);

    // Registers a toast and returns its place along the edge (0 = corner).
    int add(QObject* toast, ToastEdge edge);
    void remove(QObject* toast);
    int count() const;
    bool contains(QObject* toast) const;

    // Deletes every toast still open (on the thread that owns them).
    void closeAll();

private:
    struct Entry {
        QPointer<QObject> toast;
        ToastEdge edge;
        int slot;
    };
    bool slotTaken(ToastEdge edge, int slot) const; // under the lock
    mutable QMutex m_lock;
    QVector<Entry> m_entries;
    ToastEdge m_defaultEdge = ToastEdge::Bottom;
};
