#include "monthly/MonthlyCardRules.h"

namespace {

bool zeroAtCents(Currency c) {
    const QString text = c.toString(2);
    return text == QLatin1String("0.00") || text == QLatin1String("-0.00");
}

void addToCategory(TMonthlyRec& rec, const CardTxn& t) {
    switch (t.category) {
    case TxnCategory::Charge:
        rec.sum_charge_money += t.consume;
        break;
    case TxnCategory::Add:
        rec.sum_add_money += t.consume;
        break;
    case TxnCategory::Bat:
        rec.sum_bat_money += t.consume;
        break;
    case TxnCategory::Chuna:
        rec.sum_chuna_money += t.consume;
        break;
    case TxnCategory::Rate:
        rec.sum_rate_money += t.consume;
        break;
    case TxnCategory::Consume:
        rec.sum_Consume_money += t.consume;
        break;
    case TxnCategory::Clear:
        rec.sum_Clear_money += t.consume;
        break;
    case TxnCategory::BuDan:
        rec.sum_BuDan_money += t.consume;
        break;
    case TxnCategory::Return:
        rec.sum_Return_money += t.consume;
        break;
    case TxnCategory::None:
        break;
    }
}

QString clean(const QString& value) {
    QString v = value;
    // A tab or line break inside a name would shift the fields of the line.
    for (QChar& c : v)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    return v;
}

} // namespace

bool computeCardBalances(const CardTxn* period, int periodCount, const CardTxn* before, int beforeCount,
                         bool replaced, TMonthlyRec& rec) {
    if (periodCount > 0) {
        const CardTxn& f = period[0];
        if (f.consume == Currency() && Currency() < f.balance && f.category == TxnCategory::Charge) {
            // A replacement card: its first record carries the old card's balance over.
            rec.ChangeCardMoney = f.balance;
        } else {
            rec.last_balance = f.balance - f.consume;
            if (f.category == TxnCategory::Add) {
                // Allowances booked under one sequence number all precede the period.
                for (int i = 1; i < periodCount && period[i].card_sequ == f.card_sequ; ++i)
                    if (period[i].category == TxnCategory::Add)
                        rec.last_balance -= period[i].consume;
            }
        }
        const CardTxn& l = period[periodCount - 1];
        if (replaced) {
            rec.Now_card_balance = Currency();
            rec.ChangeCardMoney -= l.balance;
        } else {
            rec.Now_card_balance = l.balance;
            if (periodCount >= 2 && period[periodCount - 2].card_sequ == l.card_sequ) {
                const CardTxn& p = period[periodCount - 2];
                if (p.balance + l.consume == l.balance)
                    rec.Now_card_balance = l.balance;
                if (l.balance + p.consume == p.balance)
                    rec.Now_card_balance = p.balance;
            }
        }
        for (int i = 0; i < periodCount; ++i)
            addToCategory(rec, period[i]);
        return true;
    }
    if (beforeCount > 0) {
        const CardTxn& n = before[0];
        if (replaced) {
            rec.last_balance = n.balance;
            rec.ChangeCardMoney -= n.balance;
            rec.Now_card_balance = Currency();
            return true;
        }
        rec.last_balance = rec.Now_card_balance = n.balance;
        if (beforeCount >= 2) {
            const CardTxn& m = before[1];
            if (m.card_sequ == n.card_sequ) {
                if (zeroAtCents(n.balance - (m.balance + n.consume)))
                    rec.last_balance = rec.Now_card_balance = n.balance;
                if (zeroAtCents(m.balance - (n.balance + m.consume)))
                    rec.last_balance = rec.Now_card_balance = m.balance;
            } else if (n.card_sequ < m.card_sequ) {
                rec.last_balance = rec.Now_card_balance = m.balance;
            }
        }
        return true;
    }
    return false;
}

bool hasSequenceGap(const std::vector<CardTxn>& period) {
    if (period.empty())
        return false;
    const qint64 n = qint64(period.size());
    qint64 sum = 0;
    qint64 smallest = period.front().card_sequ;
    for (const CardTxn& t : period) {
        sum += t.card_sequ;
        smallest = qMin<qint64>(smallest, t.card_sequ);
    }
    const qint64 expected = smallest == 1 ? n * (n + 1) / 2 : (smallest - 1) * n + n * (n + 1) / 2;
    return sum != expected;
}

QString monthlyCardLine(const QString& sysId, const QString& empno, qint32 cardId, const QString& empName,
                        const QString& deptName) {
    return QStringLiteral("sys_id=%1\tempno=%2\tCard_id=%3\tempname=%4\tdeptname=%5")
        .arg(clean(sysId), clean(empno), QString::number(cardId), clean(empName), clean(deptName));
}

TMonthlyRec parseMonthlyCardLine(const QString& line) {
    const QStringList parts = line.split(QLatin1Char('\t'));
    auto valueAt = [&](int i) {
        if (i >= parts.size())
            return QString();
        const QString& p = parts.at(i);
        const int eq = p.indexOf(QLatin1Char('='));
        return eq < 0 ? QString() : p.mid(eq + 1);
    };
    TMonthlyRec rec;
    rec.sys_id = valueAt(0).trimmed();
    rec.empno = valueAt(1);
    bool ok = false;
    rec.card_id = valueAt(2).trimmed().toInt(&ok);
    if (!ok)
        rec.card_id = 0;
    rec.EmpName = valueAt(3);
    rec.deptname = valueAt(4);
    rec.hasHolder = !rec.sys_id.isEmpty();
    if (rec.sys_id.isEmpty())
        rec.sys_id = QString::number(rec.card_id);
    return rec;
}

int monthlyBatchSize(int cardCount, int threadCount) {
    const int t = threadCount > 0 ? threadCount : 10;
    return cardCount >= t * 100 ? cardCount / t : 100;
}

QStringList MonthlyBatchPlanner::add(const QString& line, bool hasGap) {
    QStringList& list = hasGap ? m_listA : m_listB;
    list << line;
    if (list.size() < m_batchSize)
        return {};
    QStringList full;
    full.swap(list);
    return full;
}

QVector<QStringList> MonthlyBatchPlanner::finish() {
    QVector<QStringList> out;
    for (QStringList* list : {&m_listA, &m_listB}) {
        if (!list->isEmpty())
            out << *list;
        list->clear();
    }
    return out;
}
