#pragma once
// Loads a data set off the interface thread: the statement runs on a worker
// thread over its own connection (a clone of the window's), and the rows are
// handed to the data set on its own thread batch by batch, so a window shows
// the first rows while the rest arrives. A load can be cancelled; starting a
// new load cancels the running one, and rows of a superseded load are dropped.
#include <QObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <memory>

class DataSet;
class QThread;
class SqlTrace;

class DataSetLoader : public QObject {
    Q_OBJECT
public:
    explicit DataSetLoader(DataSet* target, QObject* parent = nullptr);
    // Cancels a running load and waits for its thread.
    ~DataSetLoader() override;

    // Closes the target and starts loading `sql` with `params` bound. The
    // source connection is only cloned, never used by the worker.
    void start(const QSqlDatabase& source, const QString& sql, const QVariantMap& params = {},
               const SqlTrace* trace = nullptr);
    void cancel();
    bool isRunning() const { return m_running; }
    // The data set the next start loads into.
    void setTarget(DataSet* target) { m_target = target; }

signals:
    // The load ended: complete, cancelled, or failed with the engine's
    // message (the data set is then closed).
    void finished(bool cancelled, const QString& error);

private:
    struct Run;
    void stopWorker();

    QPointer<DataSet> m_target;
    QThread* m_thread = nullptr;
    std::shared_ptr<Run> m_run;
    bool m_running = false;
};
