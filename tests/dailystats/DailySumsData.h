#pragma once
// A hand-made November 2026 for the daily sums, kept as C++ rows so that the
// tests compute every figure from them independently of the statements: rows
// on the first and last second of the month and just outside it, two equal
// recharges and two equal meals, operators blank, null and named, a day with
// only a card cost and one with only an allowance, meals of an invalid period
// (3) and of a period without a row (4).
#include "TestDatabase.h"
#include "db/Currency.h"

#include <QDate>
#include <QStringList>

struct MealRow {
    const char* emp;
    const char* dept;
    int clock;
    const char* time;
    int flag;
    const char* money;
    int kind;
    const char* op; // nullptr: NULL
};
struct ChargeRow {
    const char* emp;
    const char* dept;
    const char* time;
    int kind;
    const char* money;
    const char* op;
};
struct CostRow {
    const char* emp;
    const char* time;
    int kind;
    const char* in;
    const char* out;
    const char* op;
};

inline const MealRow kMeals[] = {
    {"E1", "01", 1, "2026-10-31 12:00:00", 1, "9.99", 2, ""},
    {"E1", "01", 1, "2026-11-01 00:00:00", 1, "3.10", 1, ""},
    {"E2", "02", 2, "2026-11-01 12:10:00", 1, "12.25", 2, ""},
    {"E2", "02", 2, "2026-11-01 12:10:00", 1, "12.25", 2, ""},
    {"E1", "01", 1, "2026-11-01 18:00:00", 4, "1.00", 3, ""},
    {"E3", "01", 2, "2026-11-01 15:00:00", 7, "5.50", 0, "OPA"},
    {"E1", "01", 1, "2026-11-15 12:00:00", 9, "-2.00", 2, ""},
    {"E2", "02", 1, "2026-11-15 12:30:00", 1, "8.00", 4, ""},
    {"E1", "01", 1, "2026-11-15 13:00:00", 102, "6.40", 2, "OPA"},
    {"E2", "02", 1, "2026-11-15 13:05:00", 4, "2.00", 1, ""},
    {"E3", "01", 2, "2026-11-30 23:59:59", 1, "7.77", 2, ""},
    {"E3", "01", 2, "2026-11-30 10:00:00", 102, "1.11", 0, nullptr},
    {"E1", "01", 1, "2026-12-01 00:00:00", 1, "4.44", 1, ""},
};
inline const ChargeRow kCharges[] = {
    {"E1", "01", "2026-10-31 23:59:59", 0, "100.00", "OPA"},
    {"E1", "01", "2026-11-01 00:00:00", 0, "50.00", "OPA"},
    {"E1", "01", "2026-11-01 00:00:00", 0, "50.00", "OPA"},
    {"E2", "02", "2026-11-01 09:00:00", 2, "20.50", "OPB"},
    {"E2", "02", "2026-11-15 09:00:00", 30, "30.01", ""},
    {"E3", "01", "2026-11-15 09:00:00", 31, "3.33", nullptr},
    {"E3", "01", "2026-11-15 10:00:00", 33, "15.00", ""},
    {"E1", "01", "2026-11-30 23:59:59", 104, "0.07", "OPA"},
    {"E2", "02", "2026-11-30 12:00:00", 1, "10.00", "OPB"},
    {"E2", "02", "2026-12-01 00:00:00", 0, "99.00", "OPB"},
};
inline const CostRow kCosts[] = {
    {"E1", "2026-11-01 08:00:00", 1, "30.00", "0.00", "OPA"},
    {"E2", "2026-11-01 08:30:00", 2, "5.00", "0.00", ""},
    {"E3", "2026-11-20 08:00:00", 1, "0.00", "30.00", "OPB"},
    {"E3", "2026-12-01 08:00:00", 1, "30.00", "0.00", "OPB"},
};
inline const char* const kAllowanceDay = "2026-11-25 10:00:00";
inline const char* const kLastBalances = "150.50"; // 100.00 + 50.50 + NULL

inline Currency money(const char* text) {
    Currency c;
    Currency::parse(QString::fromLatin1(text), c);
    return c;
}
inline QDate dayOf(const char* time) {
    return QDate::fromString(QString::fromLatin1(time).left(10), Qt::ISODate);
}

inline void fillDailySumsData(const TestDatabase& db) {
    const auto text = [](const char* t) {
        return t ? QStringLiteral("'%1'").arg(QString::fromUtf8(t)) : QStringLiteral("NULL");
    };
    db.exec(QStringLiteral("insert into hum_employee (empno, empname, deptno, last_balance) values "
                           "('E1','甲','01',100.00),('E2','乙','02',50.50),('E3','丙','01',NULL)"));
    db.exec(
        QStringLiteral("insert into dinroom (DinRoom_id, DinRoom_name) values (1,'一食堂'),(2,'二食堂')"));
    db.exec(
        QStringLiteral("insert into clocks (clock_id, clock_name, dinroom_id) values (1,'c1',1),(2,'c2',2)"));
    db.exec(QStringLiteral(
        "insert into Dinlev (DinLev_ID, DinLev_Name, beg_time, end_time, isvalid) values "
        "(1,'早餐','00:00','10:00',1),(2,'午餐','10:01','16:00',1),(3,'晚餐','16:01','23:59',0)"));
    for (const MealRow& m : kMeals)
        db.exec(QStringLiteral(
                    "insert into MealRecords (emp_id, deptno, card_id, clock_id, sign_time, op_ymd, flag, "
                    "card_consume, kind, opcard_id) values ('%1','%2',1,%3,'%4','%5',%6,%7,%8,%9)")
                    .arg(QLatin1String(m.emp), QLatin1String(m.dept), QString::number(m.clock),
                         QLatin1String(m.time), dayOf(m.time).toString(Qt::ISODate), QString::number(m.flag),
                         QLatin1String(m.money), QString::number(m.kind), text(m.op)));
    for (const ChargeRow& c : kCharges)
        db.exec(QStringLiteral("insert into MChargeRecords (emp_id, deptno, card_id, op_date, op_ymd, Kind, "
                               "charge_money, opcard_id) values ('%1','%2',1,'%3','%4',%5,%6,%7)")
                    .arg(QLatin1String(c.emp), QLatin1String(c.dept), QLatin1String(c.time),
                         dayOf(c.time).toString(Qt::ISODate), QString::number(c.kind), QLatin1String(c.money),
                         text(c.op)));
    for (const CostRow& c : kCosts)
        db.exec(QStringLiteral(
                    "insert into mcardcost (emp_id, card_id, op_date, op_ymd, kind, in_money, out_money, "
                    "op_user) values ('%1',1,'%2','%3',%4,%5,%6,%7)")
                    .arg(QLatin1String(c.emp), QLatin1String(c.time), dayOf(c.time).toString(Qt::ISODate),
                         QString::number(c.kind), QLatin1String(c.in), QLatin1String(c.out), text(c.op)));
    db.exec(QStringLiteral("insert into mallowance (emp_id, deposit, op_date) values ('E1', 10.00, '%1')")
                .arg(QLatin1String(kAllowanceDay)));
}
