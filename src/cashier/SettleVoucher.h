#pragma once
// Settlement vouchers without widgets: for a period, what the whole card
// system holds at its start and end (accounts, total card balance, fees,
// card cost), how it moved by kind, and consumption per dining room, stored
// as the lines of one voucher number in settlestatistic. A new voucher starts
// one second after the latest one ends. The window and mealctl both use it.
#include "db/Currency.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariantMap>
#include <QVector>

#include <optional>

class Session;

struct SettleLine {
    int opid = 0;
    QString optype;
    int opcount = 0;
    int empconut = 0;
    Currency balancemoney;
    Currency managemoney;
    Currency costmoney;
};

struct SettleHead {
    QString number;
    QDateTime begin;
    QDateTime end;
    QDateTime written;
};

class SettleVoucher {
public:
    explicit SettleVoucher(Session& session) : m_session(session) {}

    // Column titles of the voucher's lines and of the voucher list, by field name.
    static const QHash<QString, QString>& fieldLabels();
    static QString listStatement();
    static QString listStatement(const QDateTime& from, const QDateTime& to, QVariantMap* params);
    // The voucher's lines with its head columns, as the window's grid shows them.
    static QString showStatement(const QString& number, QVariantMap* params);

    std::optional<QDateTime> latestEnd() const;
    // Where a new voucher starts: one second after the latest end (none: any).
    std::optional<QDateTime> nextStart() const;
    std::optional<SettleHead> head(const QString& number) const;
    QVector<SettleLine> lines(const QString& number) const;

    // Why a new voucher is refused (empty when it is not). `rights` are the
    // window's right bits: creating needs bit 1, or the user ADMIN.
    QString createRefusal(const QString& number, const QDateTime& begin, const QDateTime& end,
                          int rights) const;
    // Builds and stores the voucher for the days of [begin, end] in one
    // transaction. Throws DbError with the refusal, or saying the build
    // failed and why (nothing is kept then).
    void create(const QString& number, const QDateTime& begin, const QDateTime& end, int rights);
    // Builds the voucher again for its stored period: the old lines go and
    // the new ones come in one transaction, so a failed build keeps the old.
    void regenerate(const QString& number);
    // Deletes the voucher (SystemConfigure/isCanDel must allow it).
    void remove(const QString& number);

    // The figures of a voucher for [start, end] without storing them.
    QVector<SettleLine> compute(const QDateTime& start, const QDateTime& end) const;

private:
    void build(const QString& number, const QDateTime& start, const QDateTime& end) const;
    bool checkLimitDate() const;

    Session& m_session;
};
