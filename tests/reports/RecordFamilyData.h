#pragma once
// A small card database for the record windows' tests: two current employees,
// a departed one, a foreign card and a replaced one, with November 2026's rows
// kept as plain rows so that the tests compute the expected results without SQL.
#include "TestDatabase.h"
#include "db/Currency.h"

#include <QDateTime>
#include <QStringList>
#include <QVector>

struct FamilyCharge {
    const char* emp; // nullptr: no employee
    int card;
    const char *dept, *money, *balance;
    int sequ, kind;
    const char* time;
};
struct FamilyMeal {
    const char* emp;
    int card;
    const char* dept;
    int clock, pos, sequ;
    const char* time;
    int flag;
    const char *consume, *balance;
};
struct FamilyAllowance {
    const char* emp;
    int card;
    const char *dept, *deposit;
    int charged;
    const char *chargeMoney, *time;
    int ver;
};
struct FamilyCost {
    const char* emp;
    int card;
    const char *dept, *in, *out;
    int kind;
    const char* time;
};

inline const QVector<FamilyCharge>& familyCharges() {
    static const QVector<FamilyCharge> rows = {
        {"E1", 101, "01", "100.00", "100.00", 1, 0, "2026-11-02 08:00:00"},
        {"E1", 101, "01", "50.00", "139.90", 4, 33, "2026-11-05 09:00:00"},
        {"E2", 102, "0101", "20.00", "20.00", 1, 2, "2026-11-03 10:00:00"},
        {"E2", 105, "0101", "10.00", "30.00", 5, 30, "2026-11-20 10:00:00"},
        {"X9", 109, "", "5.00", "5.00", 1, 0, "2026-11-06 10:00:00"},
        {"E1", 101, "01", "30.00", "160.00", 9, 0, "2026-12-01 08:00:00"},
        {"E3", 103, "02", "0.01", "0.01", 1, 31, "2026-11-30 23:59:59"},
        {"E1", 101, "01", "7.77", "99.99", 8, 104, "2026-10-30 08:00:00"},
    };
    return rows;
}
inline const QVector<FamilyMeal>& familyMeals() {
    static const QVector<FamilyMeal> rows = {
        {"E1", 101, "01", 1, 10, 2, "2026-11-02 12:00:00", 1, "10.00", "90.00"},
        {"E1", 101, "01", 2, 11, 3, "2026-11-04 12:00:00", 3, "0.10", "89.90"},
        {"E2", 102, "0101", 1, 12, 2, "2026-11-04 07:00:00", 102, "5.00", "15.00"},
        {"E2", 105, "0101", 2, 13, 6, "2026-11-21 12:00:00", 1, "3.30", "26.70"},
        {nullptr, 109, "", 1, 14, 2, "2026-11-07 12:00:00", 1, "1.00", "4.00"},
        {"E1", 101, "01", 1, 15, 5, "2026-11-09 18:00:00", 9, "-0.20", "140.10"},
        {"E3", 103, "02", 2, 16, 2, "2026-12-02 12:00:00", 1, "0.01", "0.00"},
    };
    return rows;
}
inline const QVector<FamilyAllowance>& familyAllowances() {
    static const QVector<FamilyAllowance> rows = {
        {"E1", 101, "01", "50.00", 1, "50.00", "2026-11-05 08:00:00", 1},
        {"E1", 101, "01", "20.00", 0, nullptr, "2026-11-10 08:00:00", 2},
        {"E2", 102, "0101", "15.00", 1, "10.00", "2026-11-11 08:00:00", 1},
    };
    return rows;
}
inline const QVector<FamilyCost>& familyCosts() {
    static const QVector<FamilyCost> rows = {
        {"E1", 101, "01", "20.00", "0.00", 1, "2026-11-01 09:00:00"},
        {"E2", 102, "0101", "0.00", "20.00", 1, "2026-11-16 09:00:00"},
        {"E1", 101, "01", "5.00", nullptr, 2, "2026-11-01 09:00:00"},
    };
    return rows;
}

inline QString familyText(const char* text) {
    return text ? QStringLiteral("'%1'").arg(QString::fromUtf8(text)) : QStringLiteral("NULL");
}
inline Currency familyMoney(const char* text) {
    Currency c;
    if (text)
        Currency::parse(QString::fromLatin1(text), c);
    return c;
}
inline QDateTime familyTime(const char* text) {
    return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

inline void fillRecordFamilyData(const TestDatabase& db) {
    db.exec(QStringLiteral(
        "insert into hum_employee (empno, empname, deptno, deptname, card_id, sys_id, issued) values "
        "('E1', '甲', '01', '总部', 101, 1, 1), ('E2', '乙', '0101', '食堂', 102, 2, 1)"));
    db.exec(QStringLiteral("insert into hum_employee_lz (empno, empname, deptno, deptname, card_id, sys_id, "
                           "issued) values ('E3', '丙', '02', '保卫', 103, 3, 1)"));
    db.exec(QStringLiteral(
        "insert into cardinfo (empno, sys_id, card_id, issue_date, validdate) values "
        "('E1', 1, 101, '2026-11-01 00:00:00', '2026-11-05 00:00:00'), ('E2', 2, 102, '2026-10-01', "
        "'2026-10-01'), ('E2', 5, 105, '2026-10-01', '2026-10-01'), ('E3', 3, 103, '2026-10-01', "
        "'2026-10-01'), ('X9', 9, 109, '2026-10-01', '2026-10-01')"));
    db.exec(QStringLiteral("insert into MChangeCard (emp_id, old_card_id, new_card_id, op_date) values "
                           "('E2', 105, 102, '2026-11-15 00:00:00')"));
    // Numbers and times as typed in the rows, NULL where a row has none.
    const auto t = [](const char* v) { return v ? QString::fromLatin1(v) : QStringLiteral("NULL"); };
    const auto n = [](int v) { return QString::number(v); };
    for (const FamilyCharge& c : familyCharges())
        db.exec(QStringLiteral("insert into MChargeRecords (emp_id, card_id, empname, deptno, charge_money, "
                               "card_balance, card_sequ, Kind, op_date, op_ymd, opcard_id) values "
                               "(%1, %2, 'n', '%3', %4, %5, %6, %7, '%8', date('%8'), 'op')")
                    .arg(familyText(c.emp), n(c.card), t(c.dept), t(c.money), t(c.balance), n(c.sequ),
                         n(c.kind), t(c.time)));
    for (const FamilyMeal& m : familyMeals())
        db.exec(
            QStringLiteral("insert into MealRecords (emp_id, card_id, empname, deptno, clock_id, pos_sequ, "
                           "card_sequ, sign_time, op_ymd, flag, card_consume, card_balance, kind, opcard_id) "
                           "values (%1, %2, 'n', '%3', %4, %5, %6, '%7', date('%7'), %8, %9, %10, 1, 'op')")
                .arg(familyText(m.emp), n(m.card), t(m.dept), n(m.clock), n(m.pos), n(m.sequ), t(m.time),
                     n(m.flag), t(m.consume), t(m.balance)));
    for (const FamilyAllowance& a : familyAllowances())
        db.exec(QStringLiteral(
                    "insert into mallowance (emp_id, card_id, empname, deptno, deposit, charged, "
                    "charge_money, op_date, charge_ver) values (%1, %2, 'n', '%3', %4, %5, %6, '%7', %8)")
                    .arg(familyText(a.emp), n(a.card), t(a.dept), t(a.deposit), n(a.charged),
                         t(a.chargeMoney), t(a.time), n(a.ver)));
    for (const FamilyCost& c : familyCosts())
        db.exec(
            QStringLiteral("insert into mcardcost (emp_id, card_id, empname, deptno, in_money, out_money, "
                           "kind, op_date, op_ymd, op_user) values (%1, %2, 'n', '%3', %4, %5, %6, '%7', "
                           "date('%7'), 'op')")
                .arg(familyText(c.emp), n(c.card), t(c.dept), t(c.in), t(c.out), n(c.kind), t(c.time)));
}
