#include "monthly/MonthlyComputer.h"

#include "dataset/DataSet.h"
#include "db/DbError.h"
#include "monthly/GapFiller.h"
#include "monthly/MonthlyCardRules.h"

#include <QSet>
#include <QSqlQuery>

#include <algorithm>
#include <string>

namespace {

std::string trimmedBytes(const std::string& s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && s[b] == ' ')
        ++b;
    while (e > b && s[e - 1] == ' ')
        --e;
    return s.substr(b, e - b);
}

Currency moneyOf(const Cell& cell, FieldType type) {
    if (cell.null)
        return Currency();
    switch (storageKind(type)) {
    case StorageKind::Fixed4:
        return Currency::fromUnits(cell.i);
    case StorageKind::Int64:
        return Currency::fromInteger(cell.i);
    case StorageKind::Double:
        return Currency::fromVariant(QVariant(cell.d));
    case StorageKind::Bytes:
        break;
    }
    Currency c;
    Currency::parse(QString::fromStdString(cell.s), c);
    return c;
}

qint64 integerOf(const Cell& cell, FieldType type) {
    if (cell.null)
        return 0;
    if (storageKind(type) == StorageKind::Fixed4)
        return cell.i / kFixedScale;
    if (storageKind(type) == StorageKind::Double)
        return qint64(cell.d);
    if (storageKind(type) == StorageKind::Bytes)
        return QString::fromStdString(cell.s).trimmed().toLongLong();
    return cell.i;
}

} // namespace

MonthlyComputer::MonthlyComputer(const QSqlDatabase& db, const SqlDialect& dialect, const SqlTrace& trace,
                                 const MonthlyPeriod& period, bool skipAddBack)
    : m_db(db), m_dialect(dialect), m_runner(trace), m_trace(trace), m_period(period),
      m_skipAddBack(skipAddBack) {}

CardTxnMap MonthlyComputer::loadTransactions(const QString& sql) {
    DataSet ds;
    DataSet::OpenOptions options;
    options.trace = &m_trace;
    ds.open(m_db, sql, {}, options);
    const Field& card = ds.fieldByName(QStringLiteral("card_Id"));
    const Field& sequ = ds.fieldByName(QStringLiteral("card_sequ"));
    const Field& kind = ds.fieldByName(QStringLiteral("Kind"));
    const Field& consume = ds.fieldByName(QStringLiteral("card_consume"));
    const Field& balance = ds.fieldByName(QStringLiteral("card_Balance"));
    const Field& label = ds.fieldByName(QStringLiteral("actiondd"));
    const Field& opDate = ds.fieldByName(QStringLiteral("op_date"));
    // Labels come back as a handful of distinct texts: map each once.
    QHash<QByteArray, TxnCategory> categories;
    CardTxnMap out;
    const int n = ds.recordCount();
    for (int i = 0; i < n; ++i) {
        const Bookmark b = ds.bookmarkAt(i);
        CardTxn t;
        t.card_id = qint32(integerOf(ds.cellAt(b, card.index()), card.dataType()));
        t.card_sequ = qint32(integerOf(ds.cellAt(b, sequ.index()), sequ.dataType()));
        t.kind = qint32(integerOf(ds.cellAt(b, kind.index()), kind.dataType()));
        t.consume = moneyOf(ds.cellAt(b, consume.index()), consume.dataType());
        t.balance = moneyOf(ds.cellAt(b, balance.index()), balance.dataType());
        t.opDate = ds.cellAt(b, opDate.index()).i;
        const QByteArray text = QByteArray::fromStdString(trimmedBytes(ds.cellAt(b, label.index()).s));
        auto it = categories.find(text);
        if (it == categories.end())
            it = categories.insert(text, categoryOfLabel(QString::fromUtf8(text)));
        t.category = it.value();
        out[t.card_id].push_back(t);
    }
    return out;
}

void MonthlyComputer::recoverAddedBack(const QString& cards) {
    QSqlQuery q(m_db);
    m_runner.RunQuery(q, MonthlyStatements::deleteAddedBackMeals(m_dialect, cards, m_period), false);
    reopenAddedBackCharges(cards);
}

void MonthlyComputer::reopenAddedBackCharges(const QString& cards) {
    QSqlQuery q(m_db);
    m_runner.RunQuery(q, MonthlyStatements::addedBackAllowances(cards, m_period), true);
    QVector<qint64> ids;
    while (q.next())
        ids << q.value(0).toLongLong();
    for (qint64 id : ids)
        m_runner.RunQuery(q, MonthlyStatements::resetAllowance(id), false);
    m_runner.RunQuery(q, MonthlyStatements::deleteAddedBackCharges(m_dialect, cards, m_period), false);
}

CardTxnMap MonthlyComputer::loadPeriodOf(const QString& cards) {
    return loadTransactions(MonthlyStatements::periodTransactions(m_period, cards));
}

bool MonthlyComputer::readOpening(const QString& sql, TMonthlyRec& rec) {
    QSqlQuery q(m_db);
    m_runner.RunQuery(q, sql, true);
    if (!q.next())
        return false;
    // Written with two decimals, as the balance is kept.
    Currency c = Currency::fromVariant(q.value(1));
    Currency::parse(c.toString(2), c);
    rec.last_balance = rec.Now_card_balance = c;
    return true;
}

void MonthlyComputer::openingWithoutTransactions(TMonthlyRec& rec) {
    // Only a holder's key is a sys_id; a card number compared with sys_id
    // could pick up somebody else's balance.
    if (rec.hasHolder && readOpening(MonthlyStatements::holderBalance(m_dialect, rec.sys_id), rec))
        return;
    readOpening(MonthlyStatements::earliestBalance(m_dialect, rec.card_id, m_period), rec);
}

namespace {
QVector<qint32> distinctCards(const QVector<TMonthlyRec>& recs) {
    QVector<qint32> cards;
    QSet<qint32> seen;
    for (const TMonthlyRec& r : recs)
        if (!seen.contains(r.card_id)) {
            seen.insert(r.card_id);
            cards << r.card_id;
        }
    return cards;
}
} // namespace

QVector<bool> MonthlyComputer::computeGroup(QVector<TMonthlyRec>& recs,
                                            const std::function<bool()>& stopped) {
    const QVector<qint32> cards = distinctCards(recs);
    if (cards.isEmpty())
        return QVector<bool>(recs.size(), false);
    const QString list = MonthlyStatements::cardList(cards);
    if (!m_skipAddBack)
        recoverAddedBack(list);
    CardTxnMap period = loadPeriodOf(list);
    return computeWithPeriod(recs, period, stopped);
}

QVector<bool> MonthlyComputer::computeWithPeriod(QVector<TMonthlyRec>& recs, CardTxnMap& period,
                                                 const std::function<bool()>& stopped) {
    QVector<bool> done(recs.size(), false);
    const QVector<qint32> cards = distinctCards(recs);
    if (cards.isEmpty())
        return done;
    if (!m_skipAddBack) {
        GapFiller filler(m_db, m_dialect, m_trace, m_period);
        CardTxnMap mine;
        for (qint32 c : cards)
            if (period.contains(c))
                mine.insert(c, period.value(c));
        // A repair can uncover another break (a repeated number removed leaves
        // a gap): look again, a few times at most.
        for (int pass = 0; pass < 3; ++pass) {
            const QVector<qint32> changed = filler.repair(mine);
            if (changed.isEmpty())
                break;
            const CardTxnMap again = loadPeriodOf(MonthlyStatements::cardList(changed));
            for (qint32 c : changed)
                mine[c] = period[c] = again.value(c);
        }
    }
    // Transactions before the period matter only to cards without any in it.
    QVector<qint32> idle;
    for (qint32 c : cards)
        if (period.value(c).empty())
            idle << c;
    const CardTxnMap before = idle.isEmpty() ? CardTxnMap()
                                             : loadTransactions(MonthlyStatements::beforeTransactions(
                                                   m_period, MonthlyStatements::cardList(idle)));
    QSet<qint32> replaced;
    {
        QSqlQuery q(m_db);
        m_runner.RunQuery(q, MonthlyStatements::replacedCards(m_period, MonthlyStatements::cardList(cards)),
                          true);
        while (q.next())
            replaced.insert(q.value(0).toInt());
    }
    static const std::vector<CardTxn> none;
    for (int i = 0; i < recs.size(); ++i) {
        if (stopped && stopped())
            break;
        TMonthlyRec& rec = recs[i];
        const auto p = period.constFind(rec.card_id);
        const auto b = before.constFind(rec.card_id);
        const std::vector<CardTxn>& t = p == period.constEnd() ? none : p.value();
        const std::vector<CardTxn>& bt = b == before.constEnd() ? none : b.value();
        if (!computeCardBalances(t.data(), int(t.size()), bt.data(), int(bt.size()),
                                 replaced.contains(rec.card_id), rec))
            openingWithoutTransactions(rec);
        rec.computeTotals();
        done[i] = true;
    }
    return done;
}

void MonthlyComputer::recoverAddedBackForAll(const QSet<qint32>& population) {
    if (population.isEmpty())
        return;
    const QVector<qint32> all(population.begin(), population.end());
    QSqlQuery q(m_db);
    // Meal rows: the cards that have any are found along the time index, and
    // only theirs are deleted.
    m_runner.RunQuery(q, MonthlyStatements::cardsWithAddedBackMeals(m_dialect, m_period), true);
    QSet<qint32> found;
    while (q.next())
        if (population.contains(q.value(0).toInt()))
            found.insert(q.value(0).toInt());
    const QVector<qint32> cards(found.begin(), found.end());
    for (int from = 0; from < cards.size(); from += 1000)
        m_runner.RunQuery(q,
                          MonthlyStatements::deleteAddedBackMeals(
                              m_dialect, MonthlyStatements::cardList(cards.mid(from, 1000)), m_period),
                          false);
    reopenAddedBackCharges(MonthlyStatements::cardList(all));
}

CardTxnMap MonthlyComputer::loadWholePeriod() {
    CardTxnMap rows = loadPeriodOf(QString());
    // The server sends the rows unsorted (a sort of the whole month costs more
    // than the read); each card's rows are put in the statement's order here.
    for (auto it = rows.begin(); it != rows.end(); ++it)
        std::stable_sort(it.value().begin(), it.value().end(), [](const CardTxn& x, const CardTxn& y) {
            if (x.card_sequ != y.card_sequ)
                return x.card_sequ < y.card_sequ;
            if (x.kind != y.kind)
                return x.kind < y.kind;
            return x.opDate < y.opDate;
        });
    return rows;
}

MonthlyComputer::WriteResult MonthlyComputer::writeRows(const QVector<TMonthlyRec>& rows,
                                                        const CommitGate& gate) {
    WriteResult result;
    if (rows.isEmpty())
        return result;
    QSqlQuery q(m_db);
    m_db.transaction();
    try {
        m_runner.RunQuery(q, MonthlyStatements::insertMonthRows(m_dialect, rows), false);
        result.written = rows.size();
    } catch (const DbError&) {
        // Find the refused rows: each is logged and counted, the rest go in.
        for (const TMonthlyRec& r : rows) {
            try {
                m_runner.RunQuery(q, MonthlyStatements::insertMonthRows(m_dialect, {r}), false);
                ++result.written;
            } catch (const DbError& e) {
                ++result.failed;
                m_trace.write(QStringLiteral("MealMonthRec 写入失败: MonthDes=%1 sys_id=%2 card_id=%3 %4")
                                  .arg(r.MonthDes, r.sys_id, QString::number(r.card_id), e.message()));
            }
        }
    }
    bool committed = false;
    auto commit = [&] { committed = m_db.commit(); };
    if (gate) {
        if (!gate(commit))
            result.stopped = true;
    } else {
        commit();
    }
    if (!committed) {
        m_db.rollback();
        if (!result.stopped) {
            result.failed += result.written;
            m_trace.write(QStringLiteral("MealMonthRec 提交失败: %1 行").arg(result.written));
        }
        result.written = 0;
    }
    return result;
}
