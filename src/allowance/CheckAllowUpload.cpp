// Mode 0 of the terminal worker: open tasks to the terminal's "SubsidyLog" in
// batches, each batch booked by the outcome of its one append request.
#include "allowance/CheckAllowThread.h"
#include "allowance/WorkerClock.h"
#include "db/DbError.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

namespace allowance {

using workers::ClockStatusText;

namespace {
QString now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString taskUpdate(int iscommit, qint64 allow_id) {
    return QStringLiteral("update allowtasklist set iscommit=%1, commit_date = '%2' where allow_id=%3")
        .arg(QString::number(iscommit), now(), QString::number(allow_id));
}
} // namespace

QVector<AllowTask> TCheckAllowThread::openTasks(const TClockInfo& clock) {
    WorkerClock timed(m_setup.timings, &WorkerTimings::databaseNs);
    const QString isnull = m_setup.dialect.nullFunction();
    const QString sql =
        QStringLiteral("Select allow_id, sys_id, card_id, emp_id, empname, charge_ver, charge_money, "
                       "charge_date, aow_id  from ") +
        QStringLiteral("allowtasklist") + QStringLiteral(" where ") + isnull +
        QStringLiteral("(iscommit,0) <> 1 ") + QStringLiteral(" %1 and ").arg(QString()) + isnull +
        QStringLiteral("(clock_sn,'') = '%1' and clock_id = %2  order by allow_id ")
            .arg(m_setup.dialect.escape(clock.clock_sn), QString::number(clock.clock_id));
    QSqlQuery q(m_db);
    // Amounts arrive as decimal text, so no cent is lost to binary fractions.
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    m_runner.RunQuery(q, sql, true);
    QVector<AllowTask> tasks;
    while (q.next())
        tasks.append(AllowTask::fromRecord(q.record()));
    return tasks;
}

bool TCheckAllowThread::upload(TClockInfo& clock) {
    const QVector<AllowTask> tasks = openTasks(clock);
    bool withDate = true;
    if (!tasks.isEmpty()) {
        std::optional<QString> version;
        {
            WorkerClock timed(m_setup.timings, &WorkerTimings::terminalNs);
            version = TerminalLink::infoQuery(clock, QStringLiteral("System.FwVersion"), false);
        }
        if (!version)
            return false;
        const QString value = version->section(QLatin1Char('='), 1);
        withDate = value.left(8).trimmed() != QLatin1String("Ver 1.0");
    }
    if (Terminated())
        return false;
    const int total = tasks.size();
    status(clock.clock_id, QStringLiteral("(0/%1)").arg(total) + ClockStatusText(15));
    log(QStringLiteral("\"%1\"号机正在%2,请耐心等待...")
            .arg(QString::number(clock.clock_id), QStringLiteral("上传补贴")));

    QString terminalLines;
    QString bookLines;
    int inBatch = 0;
    int sent = 0;
    bool ok = true;
    bool allValid = true;
    for (const AllowTask& task : tasks) {
        if (Terminated())
            return false;
        if (!task.numbersValid()) {
            // Stays open and named; the run ends as failed.
            allValid = false;
            log(QStringLiteral("\"%1\"号机补贴任务 %2 的人员编号、卡号或批次不是数字,未上传")
                    .arg(QString::number(clock.clock_id), QString::number(task.allow_id)));
            continue;
        }
        terminalLines += terminalLine(task, withDate);
        bookLines += bookLine(task);
        if (++inBatch == kBatchRows) {
            sent += inBatch;
            inBatch = 0;
            if (!sendBatch(clock, terminalLines, bookLines, sent, total)) {
                ok = false;
                break;
            }
        }
    }
    if (ok && inBatch > 0) {
        sent += inBatch;
        ok = sendBatch(clock, terminalLines, bookLines, sent, total);
    }
    ok = ok && allValid;
    if (Terminated())
        return false;
    if (ok) {
        status(clock.clock_id, QStringLiteral("上传补贴成功"));
        log(QStringLiteral("\"%1\"号机上传补贴成功!").arg(clock.clock_id));
    } else {
        status(clock.clock_id, QStringLiteral("上传补贴失败"));
        log(QStringLiteral("\"%1\"号机上传补贴失败!").arg(clock.clock_id));
    }
    return ok;
}

bool TCheckAllowThread::sendBatch(const TClockInfo& clock, QString& terminalLines, QString& bookLines,
                                  int sent, int total) {
    if (Terminated())
        return false;
    trace(QStringLiteral("WriteAllowList:") + terminalLines);
    bool appended = false;
    {
        WorkerClock timed(m_setup.timings, &WorkerTimings::terminalNs);
        appended = TerminalLink::dataAppend(clock, QString::fromLatin1(kSubsidyLog), terminalLines);
    }
    const QStringList lines = bookLines.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QVector<TCardList> cards;
    QVector<bool> booked;
    for (const QString& line : lines) {
        const TCardList card = parseBookLine(line, clock.clock_id);
        cards.append(card);
        if (appended) {
            booked.append(bookAccepted(card));
        } else {
            bookRefused(card);
        }
    }
    bool allBooked = appended;
    if (appended) {
        for (int i = 0; i < cards.size(); ++i) {
            if (booked.at(i)) {
                log(QStringLiteral("\"%1\"号机上上传补贴卡号\"%2\"成功")
                        .arg(QString::number(clock.clock_id), cards.at(i).CardNo));
            } else {
                // The terminal holds it; the task stays open and the next run's
                // re-send is acknowledged as a duplicate, not paid twice.
                allBooked = false;
                log(QStringLiteral("\"%1\"号机补贴卡号\"%2\"已上传,但记账失败,任务保留待下次上传")
                        .arg(QString::number(clock.clock_id), cards.at(i).CardNo));
            }
        }
        status(clock.clock_id, QStringLiteral("(%1/%2) ").arg(QString::number(sent), QString::number(total)) +
                                   ClockStatusText(15));
    }
    terminalLines.clear();
    bookLines.clear();
    return allBooked;
}

bool TCheckAllowThread::bookAccepted(const TCardList& card) {
    QStringList statements;
    statements << QStringLiteral(
                      "update mallowance set downed=%1, clock_id = %2 where id=%3 and downed <> %4")
                      .arg(QStringLiteral("1"), QString::number(card.clock_id), QString::number(card.aow_id),
                           QStringLiteral("1"));
    if (card.allow_id != 0)
        statements << taskUpdate(1, card.allow_id);
    return runBooking(statements);
}

void TCheckAllowThread::bookRefused(const TCardList& card) {
    if (card.allow_id == 0)
        return;
    // An open task is open whether this mark lands or not.
    WorkerClock timed(m_setup.timings, &WorkerTimings::databaseNs);
    try {
        QSqlQuery q(m_db);
        m_runner.RunQuery(q, taskUpdate(0, card.allow_id), false);
    } catch (const DbError& e) {
        trace(threadTag() + QStringLiteral("--- ") + e.message());
    }
}

bool TCheckAllowThread::runBooking(const QStringList& statements) {
    WorkerClock timed(m_setup.timings, &WorkerTimings::databaseNs);
    // Both statements are idempotent, so a repeat after a partial failure is safe.
    for (int attempt = 1; attempt <= m_setup.bookingAttempts; ++attempt) {
        try {
            for (const QString& sql : statements) {
                QSqlQuery q(m_db);
                m_runner.RunQuery(q, sql, false);
            }
            return true;
        } catch (const DbError& e) {
            trace(threadTag() + QStringLiteral("--- ") + e.message());
        }
        if (attempt == m_setup.bookingAttempts)
            break;
        QThread::msleep(static_cast<unsigned long>(m_setup.bookingPauseMs * attempt));
        // The last try goes over a fresh connection, in case the old one broke.
        if (attempt + 1 == m_setup.bookingAttempts && attempt > 1) {
            m_db.close();
            m_db.open();
        }
    }
    return false;
}

} // namespace allowance
