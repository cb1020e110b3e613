#include "monthly/GapFiller.h"

#include <QSqlQuery>

#include <algorithm>

GapFiller::GapFiller(const QSqlDatabase& db, const SqlDialect& dialect, const SqlTrace& trace,
                     const MonthlyPeriod& period)
    : m_db(db), m_dialect(dialect), m_runner(trace), m_period(period) {}

QVector<qint32> GapFiller::repair(const QHash<qint32, std::vector<CardTxn>>& period) {
    // First the cards with a break at all; the backups are read once for those with gaps.
    QVector<qint32> withGaps;
    QVector<qint32> withBreaks;
    for (auto it = period.constBegin(); it != period.constEnd(); ++it) {
        const std::vector<CardTxn>& rows = it.value();
        bool gap = false;
        bool repeat = false;
        for (std::size_t i = 1; i < rows.size(); ++i) {
            gap |= rows[i].card_sequ > rows[i - 1].card_sequ + 1;
            repeat |= rows[i].card_sequ == rows[i - 1].card_sequ;
        }
        if (gap)
            withGaps << it.key();
        if (gap || repeat)
            withBreaks << it.key();
    }
    if (withBreaks.isEmpty())
        return {};
    QHash<qint32, std::vector<BackupRow>> backups;
    if (!withGaps.isEmpty()) {
        QSqlQuery q(m_db);
        m_runner.RunQuery(q, MonthlyStatements::backupRows(MonthlyStatements::cardList(withGaps), m_period),
                          true);
        while (q.next()) {
            BackupRow b;
            b.sequence = q.value(1).toInt();
            b.amount = Currency::fromVariant(q.value(2));
            b.charge = q.value(3).toString() == QLatin1String("CH");
            backups[q.value(0).toInt()].push_back(b);
        }
    }
    QVector<qint32> changed;
    for (qint32 card : withBreaks) {
        const std::vector<CardTxn>& rows = period.value(card);
        const std::vector<BackupRow> cardBackups = backups.value(card);
        bool any = false;
        for (std::size_t i = 1; i < rows.size(); ++i) {
            if (rows[i].card_sequ == rows[i - 1].card_sequ)
                any |= repairRepeat(card, rows[i - 1], rows[i]);
            else if (rows[i].card_sequ > rows[i - 1].card_sequ + 1)
                any |= fillGap(card, rows[i - 1], rows[i], cardBackups);
        }
        if (any)
            changed << card;
    }
    return changed;
}

bool GapFiller::repairRepeat(qint32 card, const CardTxn& previous, const CardTxn& current) {
    QSqlQuery q(m_db);
    const bool allowancePair = previous.kind == 33 && current.kind == 33 &&
                               previous.category == TxnCategory::Add && current.category == TxnCategory::Add;
    if (allowancePair && previous.consume == current.consume && previous.balance == current.balance) {
        // The same allowance charge booked twice: keep the first, move the others aside.
        m_runner.RunQuery(q, MonthlyStatements::allowanceChargeCount(card, current.card_sequ), true);
        const int extra = q.next() ? q.value(0).toInt() - 1 : 0;
        if (extra < 1)
            return false;
        m_runner.RunQuery(
            q, MonthlyStatements::copyLatestAllowanceCharges(m_dialect, card, current.card_sequ, extra),
            false);
        m_runner.RunQuery(
            q, MonthlyStatements::deleteLatestAllowanceCharges(m_dialect, card, current.card_sequ, extra),
            false);
        return true;
    }
    // Two rows of one number where one was added back by an earlier run.
    QString table;
    if (current.category == TxnCategory::Chuna)
        table = QStringLiteral("MChargeRecords");
    else if (current.category == TxnCategory::Consume)
        table = QStringLiteral("Mealrecords");
    if (table.isEmpty())
        return false;
    m_runner.RunQuery(q, MonthlyStatements::deleteAddedBackSequence(table, card, current.card_sequ), true);
    return q.numRowsAffected() > 0;
}

bool GapFiller::fillGap(qint32 card, const CardTxn& previous, const CardTxn& current,
                        const std::vector<BackupRow>& backups) {
    // The missing rows must carry exactly what separates the two balances.
    const Currency needed = current.balance - current.consume - previous.balance;
    std::vector<BackupRow> chosen;
    Currency carried;
    for (qint32 s = previous.card_sequ + 1; s < current.card_sequ; ++s) {
        const auto it =
            std::find_if(backups.begin(), backups.end(), [s](const BackupRow& b) { return b.sequence == s; });
        if (it == backups.end())
            return false;
        chosen.push_back(*it);
        carried += it->amount;
    }
    if (carried != needed)
        return false;
    QSqlQuery q(m_db);
    for (const BackupRow& b : chosen) {
        if (b.charge) {
            m_runner.RunQuery(q, MonthlyStatements::restoreCharge(m_dialect, card, b.sequence), false);
            remarkAllowance(card, b.sequence);
        } else {
            m_runner.RunQuery(q, MonthlyStatements::restoreMeal(m_dialect, card, b.sequence), false);
        }
    }
    return !chosen.empty();
}

void GapFiller::remarkAllowance(qint32 card, qint32 sequence) {
    QSqlQuery q(m_db);
    m_runner.RunQuery(q, MonthlyStatements::remarkAllowance(card, sequence), true);
    if (!q.next())
        return;
    const QString when = q.value(6).toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QString sql =
        QStringLiteral(
            "update mallowance set charged = 1, charge_money = %1, card_sequ = %2, card_balance = %3, "
            "clock_id = %4, charge_date = '%5' where emp_id = %6 and sys_id = %7 and charge_ver = %8 and "
            "deposit = %1 and charged = 0")
            .arg(Currency::fromVariant(q.value(2)).toString(), QString::number(q.value(4).toInt()),
                 Currency::fromVariant(q.value(3)).toString(),
                 q.value(5).isNull() ? QStringLiteral("NULL") : QString::number(q.value(5).toInt()), when,
                 m_dialect.quote(q.value(0).toString()), QString::number(q.value(1).toLongLong()),
                 QString::number(q.value(7).toLongLong()));
    QSqlQuery u(m_db);
    m_runner.RunQuery(u, sql, false);
}
