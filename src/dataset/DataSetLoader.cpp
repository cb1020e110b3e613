#include "dataset/DataSetLoader.h"

#include "dataset/DataSet.h"
#include "dataset/RowReader.h"
#include "db/DatabaseConnection.h"
#include "db/DbError.h"

#include <QThread>
#include <QUuid>

// The state one load shares between the worker and the interface thread.
struct DataSetLoader::Run {
    std::atomic<bool> cancel{false};
    std::atomic<unsigned long> serverThread{0}; // MariaDB connection id of the worker, 0 until known
    QSqlDatabase source;                        // for the connection that ends the statement
};

DataSetLoader::DataSetLoader(DataSet* target, QObject* parent) : QObject(parent), m_target(target) {}

DataSetLoader::~DataSetLoader() {
    stopWorker();
}

void DataSetLoader::cancel() {
    if (!m_run || m_run->cancel.exchange(true))
        return;
    // The worker may be waiting for the server (sorting before the first
    // row): end the statement there so that the worker returns at once.
    if (const unsigned long id = m_run->serverThread.load())
        killServerQuery(m_run->source, id);
}

void DataSetLoader::stopWorker() {
    cancel();
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
    m_run.reset();
    m_running = false;
}

void DataSetLoader::start(const QSqlDatabase& source, const QString& sql, const QVariantMap& params,
                          const SqlTrace* trace) {
    stopWorker(); // a newer request supersedes the running one
    if (!m_target)
        return;
    m_target->close();
    m_target->setCommandText(sql);
    auto run = std::make_shared<Run>();
    run->source = source;
    m_run = run;
    m_running = true;
    QPointer<DataSetLoader> self(this);
    // Everything the worker hands over is applied on this object's thread, and
    // only while its run is still the current one.
    auto deliver = [self, run](auto apply) {
        QMetaObject::invokeMethod(
            self.data(),
            [self, run, apply]() {
                if (!self || self->m_run != run || !self->m_target)
                    return;
                apply(*self);
            },
            Qt::QueuedConnection);
    };
    const QSqlDatabase sourceCopy = source;
    m_thread = QThread::create([=]() {
        struct Sink final : RowSink {
            decltype(deliver)& send;
            explicit Sink(decltype(deliver)& d) : send(d) {}
            void columns(std::vector<ColumnDef> defs) override {
                auto shared = std::make_shared<std::vector<ColumnDef>>(std::move(defs));
                send([shared](DataSetLoader& l) { l.m_target->beginLoad(*shared); });
            }
            bool rows(const RowBatch& batch) override {
                auto shared = std::make_shared<RowBatch>(batch);
                send([shared](DataSetLoader& l) { l.m_target->appendRows(*shared); });
                return true;
            }
        };
        auto deliverCopy = deliver;
        Sink sink(deliverCopy);
        const QString name =
            QStringLiteral("meal_load_") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        QString error;
        bool complete = false;
        try {
            QSqlDatabase db = openClone(sourceCopy, name);
            if (db.driverName() == QLatin1String("QMYSQL"))
                run->serverThread = serverThreadId(db);
            if (!run->cancel)
                complete = readStatement(db, sql, params, sink, trace, false, &run->cancel);
            run->serverThread = 0;
            db.close();
        } catch (const DbError& e) {
            if (!run->cancel) // a statement ended by cancel() reports an interruption
                error = e.message();
        }
        QSqlDatabase::removeDatabase(name);
        const bool cancelled = !complete && error.isEmpty();
        deliverCopy([cancelled, error](DataSetLoader& l) {
            l.m_running = false;
            if (!error.isEmpty())
                l.m_target->close();
            else
                l.m_target->endLoad(cancelled);
            emit l.finished(cancelled, error);
        });
    });
    m_thread->start();
}
