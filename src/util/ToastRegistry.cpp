#include "util/ToastRegistry.h"

#include <QCoreApplication>
#include <QMutexLocker>

ToastRegistry::~ToastRegistry() {
    closeAll();
}

ToastEdge ToastRegistry::defaultEdge() const {
    QMutexLocker locker(&m_lock);
    return m_defaultEdge;
}

void ToastRegistry::setDefaultEdge(ToastEdge edge) {
    QMutexLocker locker(&m_lock);
    m_defaultEdge = edge;
}

int ToastRegistry::add(QObject* toast, ToastEdge edge) {
    QMutexLocker locker(&m_lock);
    int slot = 0;
    while (slotTaken(edge, slot))
        ++slot;
    m_entries.append(Entry{toast, edge, slot});
    return slot;
}

bool ToastRegistry::slotTaken(ToastEdge edge, int slot) const {
    for (const Entry& e : m_entries) {
        if (e.toast && e.edge == edge && e.slot == slot)
            return true;
    }
    return false;
}

void ToastRegistry::remove(QObject* toast) {
    QMutexLocker locker(&m_lock);
    for (int i = m_entries.size() - 1; i >= 0; --i) {
        // A toast being destroyed has already cleared its QPointer.
        if (m_entries.at(i).toast == toast || m_entries.at(i).toast.isNull())
            m_entries.removeAt(i);
    }
}

int ToastRegistry::count() const {
    QMutexLocker locker(&m_lock);
    int n = 0;
    for (const Entry& e : m_entries)
        n += e.toast ? 1 : 0;
    return n;
}

bool ToastRegistry::contains(QObject* toast) const {
    QMutexLocker locker(&m_lock);
    for (const Entry& e : m_entries) {
        if (e.toast && e.toast == toast)
            return true;
    }
    return false;
}

void ToastRegistry::closeAll() {
    QVector<Entry> open;
    {
        QMutexLocker locker(&m_lock);
        open.swap(m_entries);
    }
    // Deleted outside the lock: a toast's destructor removes itself. Without
    // the application the windows are past saving; they are left alone.
    if (!QCoreApplication::instance())
        return;
    for (const Entry& e : open)
        delete e.toast.data();
}
