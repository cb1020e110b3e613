#include "monthly/MonthlyThread.h"

#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/Session.h"
#include "monthly/MonthlyCardRules.h"
#include "monthly/MonthlyComputer.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

using namespace workers;

namespace {
// A null column reads as an empty text (the driver would give "0" for a null number).
QString textOf(const QVariant& v) {
    return v.isNull() ? QString() : v.toString();
}
} // namespace

MonthlyRunConfig MonthlyRunConfig::fromSession(const Session& session) {
    MonthlyRunConfig c;
    c.connectionName = session.ModuleConnection.connectionName();
    c.dialect = session.dialect();
    c.trace = session.trace();
    c.threadCount = session.config.isMThreadCount;
    c.skipAddBack =
        isTrueText(ReadCompanyParameter(session, QStringLiteral("aballowtype"), QStringLiteral("False")));
    c.checkLimitDate = isTrueText(
        ReadCompanyParameter(session, QStringLiteral("isCheckLimitDate"), QStringLiteral("False")));
    return c;
}

TMyMonthlyThread::TMyMonthlyThread(std::shared_ptr<WorkerLink> window, const MonthlyRunConfig& config,
                                   const QStringList& cardLines, bool worker)
    : TMealWorkerThread(std::move(window)), m_mode(worker ? Worker : Master), m_config(config),
      m_cardLines(cardLines) {}

TMyMonthlyThread::TMyMonthlyThread(std::shared_ptr<WorkerLink> window, const MonthlyRunConfig& config,
                                   const QStringList& cardLines,
                                   QHash<qint32, std::vector<CardTxn>> periodRows)
    : TMealWorkerThread(std::move(window)), m_mode(Worker), m_config(config), m_cardLines(cardLines),
      m_periodRows(std::move(periodRows)), m_havePeriodRows(true) {}

TMyMonthlyThread::TMyMonthlyThread(std::shared_ptr<WorkerLink> window, const MonthlyRunConfig& config,
                                   const QString& personKey, qint32 cardId)
    : TMealWorkerThread(std::move(window)), m_mode(Single), m_config(config), m_personKey(personKey),
      m_cardId(cardId) {}

void TMyMonthlyThread::log(const QString& text) const {
    try {
        m_config.trace.write(QString::number(quintptr(QThread::currentThreadId())) + text);
    } catch (const DbError&) {
        // A trace that cannot be written must not end the run.
    }
}

void TMyMonthlyThread::postProgress(const char* target, qint64 value) {
    PostOpMsg(4, QString::fromLatin1(target), QString::number(value));
}

void TMyMonthlyThread::fail(const QString& text) {
    log(QStringLiteral("--- ") + text);
    PostOpMsg(0, QString(), QStringLiteral("账单计算失败: ") + text);
}

void TMyMonthlyThread::Execute() {
    const QString name = QStringLiteral("TMyMonthlyThread_%1").arg(handle()->serial());
    {
        QSqlDatabase db = QSqlDatabase::cloneDatabase(m_config.connectionName, name);
        if (!db.open()) {
            PostOpMsg(0, QString(), QStringLiteral("连接数据源失败... "));
        } else {
            QSqlQuery q(db);
            q.exec(m_config.dialect.isSqlServer()
                       ? QStringLiteral("SET TRANSACTION ISOLATION LEVEL READ COMMITTED")
                       : QStringLiteral("SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED"));
            log(QStringLiteral("--- TMyMonthlyThread开始执行"));
            try {
                switch (m_mode) {
                case Master:
                    runMaster(db);
                    break;
                case Worker:
                    runWorker(db);
                    break;
                case Single:
                    runSingle(db);
                    break;
                }
            } catch (const DbError& e) {
                fail(e.message());
            }
            log(QStringLiteral("--- TMyMonthlyThread执行完成"));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
}

QVector<TMyMonthlyThread::PopulationRow> TMyMonthlyThread::readPopulation(const QSqlDatabase& db,
                                                                          const QString& extra) const {
    QVector<PopulationRow> rows;
    QSqlQuery q(db);
    QueryRunner(m_config.trace)
        .RunQuery(
            q,
            MonthlyStatements::population(m_config.dialect, m_config.checkLimitDate, m_config.period, extra),
            true);
    while (q.next())
        rows.push_back({textOf(q.value(0)).trimmed(),
                        monthlyCardLine(textOf(q.value(2)), textOf(q.value(1)), q.value(0).toInt(),
                                        textOf(q.value(3)), textOf(q.value(4)))});
    return rows;
}

TMonthlyRec TMyMonthlyThread::billRow(const QString& line) const {
    TMonthlyRec r = parseMonthlyCardLine(line);
    r.MonthDes = m_config.MonthDes;
    r.BillStartDate = m_config.period.start;
    r.BillEndDate = m_config.period.end;
    return r;
}

void TMyMonthlyThread::runMaster(const QSqlDatabase& db) {
    postProgress(kOpZero, 0);
    QVector<PopulationRow> population;
    try {
        population = readPopulation(db, QString());
    } catch (const DbError& e) {
        fail(e.message());
        return;
    }
    postProgress(kOpMax, population.size());
    log(QStringLiteral("--- 共计：%1用户数据").arg(population.size()));

    // The period is read once for every card, along the time index, and each
    // worker gets its cards' rows: reading card by card would visit every
    // card's whole history.
    QHash<qint32, std::vector<CardTxn>> month;
    QSet<qint32> gaps;
    try {
        MonthlyComputer computer(db, m_config.dialect, m_config.trace, m_config.period, m_config.skipAddBack);
        QSet<qint32> cards;
        for (const PopulationRow& row : population)
            if (!row.card.isEmpty())
                cards.insert(row.card.toInt());
        if (!m_config.skipAddBack)
            computer.recoverAddedBackForAll(cards);
        if (Terminated())
            return;
        month = computer.loadWholePeriod();
        if (!m_config.skipAddBack)
            for (qint32 c : cards)
                if (hasSequenceGap(month.value(c)))
                    gaps.insert(c);
    } catch (const DbError& e) {
        fail(e.message());
        return;
    }
    MonthlyBatchPlanner planner(monthlyBatchSize(population.size(), m_config.threadCount));
    for (const PopulationRow& row : population) {
        if (Terminated())
            return;
        if (row.card.isEmpty()) {
            postProgress(kOpPosition, 1);
            continue;
        }
        const QStringList full = planner.add(row.line, gaps.contains(row.card.toInt()));
        if (!full.isEmpty())
            startWorker(full, month);
    }
    for (const QStringList& rest : planner.finish()) {
        if (Terminated())
            return;
        startWorker(rest, month);
    }
}

void TMyMonthlyThread::startWorker(const QStringList& lines, QHash<qint32, std::vector<CardTxn>>& month) {
    QHash<qint32, std::vector<CardTxn>> rows;
    for (const QString& line : lines) {
        const qint32 card = parseMonthlyCardLine(line).card_id;
        const auto it = month.constFind(card);
        if (it != month.constEnd())
            rows.insert(card, it.value());
    }
    auto* worker = new TMyMonthlyThread(handle()->link(), m_config, lines, std::move(rows));
    const WorkerHandle h = worker->handle();
    worker->start();
    PostEvent(new WorkerLifeEvent(WM_THREADSTART, handle(), h));
}

void TMyMonthlyThread::runWorker(const QSqlDatabase& db) {
    QVector<TMonthlyRec> recs;
    recs.reserve(m_cardLines.size());
    for (int i = m_cardLines.size() - 1; i >= 0; --i)
        recs << billRow(m_cardLines.at(i));
    MonthlyComputer computer(db, m_config.dialect, m_config.trace, m_config.period, m_config.skipAddBack);
    const auto stopped = [this] { return Terminated(); };
    // Commits only while the window is there; its close waits for a commit in progress.
    const auto gate = [this](const std::function<void()>& commit) {
        bool ran = false;
        handle()->link()->runIfOpen([&] {
            if (!Terminated()) {
                commit();
                ran = true;
            }
        });
        return ran;
    };
    const int groupSize = qMax(1, m_config.groupSize);
    int failed = 0;
    for (int from = 0; from < recs.size(); from += groupSize) {
        if (Terminated())
            break;
        QVector<TMonthlyRec> group = recs.mid(from, groupSize);
        QVector<TMonthlyRec> rows;
        try {
            const QVector<bool> done = m_havePeriodRows
                                           ? computer.computeWithPeriod(group, m_periodRows, stopped)
                                           : computer.computeGroup(group, stopped);
            for (int i = 0; i < group.size(); ++i)
                if (done[i])
                    rows << group[i];
        } catch (const DbError& e) {
            // The bill would lack the group's cards: the run has failed.
            fail(e.message());
            break;
        }
        if (Terminated())
            break;
        const MonthlyComputer::WriteResult written = computer.writeRows(rows, gate);
        if (written.stopped)
            break;
        failed += written.failed;
        for (int i = 0; i < rows.size(); ++i)
            postProgress(kOpPosition, 1);
    }
    if (failed > 0)
        PostOpMsg(3, QString::fromLatin1(kOpRowsFailed), QString::number(failed));
}

void TMyMonthlyThread::runSingle(const QSqlDatabase& db) {
    postProgress(kOpZero, 0);
    const QVector<PopulationRow> rows =
        readPopulation(db, QStringLiteral(" AND Card_id = %1 ").arg(m_cardId));
    postProgress(kOpMax, rows.size());
    if (rows.isEmpty() || Terminated())
        return;
    TMonthlyRec rec = billRow(rows.first().line);
    if (rec.sys_id.trimmed().isEmpty()) {
        postProgress(kOpPosition, 0);
        return;
    }
    MonthlyComputer computer(db, m_config.dialect, m_config.trace, m_config.period, m_config.skipAddBack);
    QVector<TMonthlyRec> one{rec};
    const QVector<bool> done = computer.computeGroup(one, [this] { return Terminated(); });
    if (!done.value(0) || Terminated())
        return;
    PostEvent(new PayloadEvent<TMonthlyRec>(WM_MONTHLYREC, handle(), one.first()));
    postProgress(kOpPosition, 1);
}
