#pragma once
// Message objects that workers post to the window that started them. Each
// travels inside a posted event whose type is the window message number; the
// receiver owns the event (and so the object) once it is delivered, and Qt
// frees events still queued for a receiver that is destroyed.
#include <QEvent>
#include <QString>

#include <memory>

namespace workers {

// Window message numbers as posted.
enum WorkerMessage : int {
    WM_CLOCKSTATUS = 4044,
    WM_OPKIND1 = 4064,
    WM_ALLOWDATA = 4034,
    WM_OPLOG = 4125,
    WM_OPPROGRESS = 4054,
    WM_OPKIND5 = 4104,
    WM_THREADDONE = 4126,
    WM_MONTHLYREC = 4114,
    WM_THREADSTART = 4124,
};

// Message number of a TOpTypeMsg kind (0-5); -1 for anything else.
int MessageOfKind(int kind);

// Status texts by code; codes without a text give an empty string.
QString ClockStatusText(int code);

// Progress targets of WM_OPPROGRESS.
inline const char* const kOpPosition = "opPosition";
inline const char* const kOpMax = "opMax";
inline const char* const kOpZero = "opZero";

struct TOpTypeMsg {
    int kind = 0;   // 0-5, selects the message number
    QString target; // clock_id, a comma list of them, or a progress target
    QString text;   // status text, log line or progress value
};

struct TAllowTypeMsg {
    int clock_id = 0;
    QString clock_name;
    int mode = 0;    // 1 SidyLog, 2 SubsidyLog
    QString records; // one terminal record per line, TAB-separated fields
    int recordCount = 0;
};

class WorkerState;
using WorkerHandle = std::shared_ptr<WorkerState>;

// Base of every event a worker posts. `worker` names the sender (its handle
// stays valid after the thread object has freed itself).
class WorkerEvent : public QEvent {
public:
    WorkerEvent(int messageNumber, WorkerHandle sender);
    ~WorkerEvent() override;
    int messageNumber() const { return static_cast<int>(type()); }
    const WorkerHandle& worker() const { return m_worker; }

private:
    WorkerHandle m_worker;
};

class OpTypeEvent : public WorkerEvent {
public:
    OpTypeEvent(WorkerHandle sender, TOpTypeMsg msg);
    TOpTypeMsg msg;
};

class AllowDataEvent : public WorkerEvent {
public:
    AllowDataEvent(WorkerHandle sender, TAllowTypeMsg msg);
    TAllowTypeMsg msg;
};

// WM_THREADDONE, and WM_THREADSTART when a master run hands a new worker to the
// window: `subject` is the worker meant (the sender for WM_THREADDONE).
class WorkerLifeEvent : public WorkerEvent {
public:
    WorkerLifeEvent(int messageNumber, WorkerHandle sender, WorkerHandle subject);
    WorkerHandle subject;
};

// Any other payload (for example a computed bill row): the receiver takes it.
template <typename T> class PayloadEvent : public WorkerEvent {
public:
    PayloadEvent(int messageNumber, WorkerHandle sender, T value)
        : WorkerEvent(messageNumber, std::move(sender)), payload(std::move(value)) {}
    T payload;
};

} // namespace workers
