#include "workers/WorkerMessages.h"

#include "workers/WorkerPool.h"

namespace workers {

int MessageOfKind(int kind) {
    static const int numbers[] = {WM_CLOCKSTATUS, WM_OPKIND1,    WM_ALLOWDATA,
                                  WM_OPLOG,       WM_OPPROGRESS, WM_OPKIND5};
    return kind >= 0 && kind < 6 ? numbers[kind] : -1;
}

QString ClockStatusText(int code) {
    switch (code) {
    case 0:
        return QStringLiteral("准备中...");
    case 1:
        return QStringLiteral("等待中...");
    case 2:
        return QStringLiteral("已取消...");
    case 3:
        return QStringLiteral("联接中... ");
    case 4:
        return QStringLiteral("已联接... ");
    case 5:
        return QStringLiteral("采集中... ");
    case 6:
        return QStringLiteral("采集失败... ");
    case 7:
        return QStringLiteral("已完成...");
    case 10:
        return QStringLiteral("清除中... ");
    case 11:
        return QStringLiteral("清除失败... ");
    case 13:
        return QStringLiteral("无法联接... ");
    case 14:
        return QStringLiteral("连接数据源失败... ");
    case 15:
        return QStringLiteral("同步中... ");
    case 16:
        return QStringLiteral("同步失败... ");
    case 17:
        return QStringLiteral("设置中... ");
    case 18:
        return QStringLiteral("设置失败... ");
    default:
        return QString();
    }
}

WorkerEvent::WorkerEvent(int messageNumber, WorkerHandle sender)
    : QEvent(static_cast<QEvent::Type>(messageNumber)), m_worker(std::move(sender)) {}

WorkerEvent::~WorkerEvent() = default;

OpTypeEvent::OpTypeEvent(WorkerHandle sender, TOpTypeMsg m)
    : WorkerEvent(MessageOfKind(m.kind), std::move(sender)), msg(std::move(m)) {}

AllowDataEvent::AllowDataEvent(WorkerHandle sender, TAllowTypeMsg m)
    : WorkerEvent(WM_ALLOWDATA, std::move(sender)), msg(std::move(m)) {}

WorkerLifeEvent::WorkerLifeEvent(int messageNumber, WorkerHandle sender, WorkerHandle subjectWorker)
    : WorkerEvent(messageNumber, std::move(sender)), subject(std::move(subjectWorker)) {}

} // namespace workers
