#pragma once
// The cashier's bill book without widgets: a bill stamps every cash-relevant
// record of its period that is in no bill yet with the bill number (column
// stadescr of the source tables) and stores one summary row per operator or
// cashier terminal and business type in balancestatistic. Bills are listed,
// shown per operator or in total, extended with records that came late, and
// deleted (their records unstamped). The window and mealctl both use it.
#include "db/Currency.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

#include <optional>

class Session;

struct CashierPeriod {
    QDateTime begin; // included
    QDateTime end;   // excluded
};

struct CashierBillRow {
    QString opuser;
    QString optype;
    int opcount = 0;
    Currency balance;
    Currency deposit;
    Currency opfee;
    Currency mustmoney;
};

struct CashierBillHead {
    QString number;
    CashierPeriod period;
    QDateTime posted; // opdatetime
};

class CashierBillBook {
public:
    explicit CashierBillBook(Session& session) : m_session(session) {}

    // The business types of a bill, in their order.
    static const QStringList& typeNames();
    // Column titles of the bill's rows and of the bill list, by field name.
    static const QHash<QString, QString>& fieldLabels();

    // The bill list, all of it or the bills within [from, to].
    static QString listStatement();
    static QString listStatement(const QDateTime& from, const QDateTime& to, QVariantMap* params);
    // A bill's rows: of one operator, or summed per type when `opuser` is empty.
    static QString rowsStatement(const QString& number, const QString& opuser, QVariantMap* params);

    std::optional<QDateTime> latestEnd() const;
    std::optional<CashierBillHead> head(const QString& number) const;
    QStringList operators(const QString& number) const;
    // The rows as printed: grouped by operator in type order (one operator's
    // when `opuser` is given), or summed per type across operators.
    QVector<CashierBillRow> rows(const QString& number, const QString& opuser, bool perOperator) const;

    // Why a new bill is refused (empty when it is not): rights, the number,
    // the period against the bills already made.
    QString createRefusal(const QString& number, const CashierPeriod& period) const;
    // Creates the bill: stamps the period's unbilled records and stores the
    // rows in one transaction. Returns the records stamped; throws DbError
    // with the refusal or the engine's message (nothing is kept then).
    int create(const QString& number, const CashierPeriod& period);
    // Stamps the unbilled records of the bill's period into it and stores its
    // rows again over all its records, in one transaction.
    int post(const QString& number);
    // Unstamps the bill's records and removes its rows, in one transaction.
    void remove(const QString& number);
    // Deleting bills is switched on for this workstation (SystemConfigure/isCanDel).
    static bool deleteEnabled(const Session& session);

private:
    // Runs `body` inside one transaction, bills being made one at a time.
    template <typename Body> int exclusive(Body body);
    int stamp(const QString& number, const CashierPeriod& period) const;
    void storeRows(const QString& number, const CashierPeriod& period) const;
    bool numberExists(const QString& number) const;

    Session& m_session;
};
