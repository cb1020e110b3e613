#pragma once
// A small card database for the recharge, refund, balance, deposit, issued-card
// and lost-card lists: November 2026 with one row of each list in December, a
// card replaced in November (4003 by 5003) and one before (4002 by 5002),
// deposits with and without their fee.
#include "TestDatabase.h"

inline void fillRecordReportsData(const TestDatabase& db) {
    db.exec(QStringLiteral("insert into cardtype (SortID, Name) values (1, '普通卡'), (2, '贵宾卡')"));
    db.exec(QStringLiteral("insert into hum_employee (empno, empname, deptno, deptname, card_id, sys_id, "
                           "issued, cardtype) values "
                           "('0001', '张三', '0101', '食堂', 5001, 1, 1, 1), "
                           "('0002', 'O''Neil', '0102', '财务', 5002, 1, 1, 2), "
                           "('0003', '王五', '0201', '保卫', 5003, 2, 1, 1), "
                           "('0004', '赵六', '0101', '食堂', 5004, 1, 1, 1), "
                           "('0005', '钱七', '0101', '食堂', NULL, NULL, 0, 1)"));
    db.exec(QStringLiteral(
        "insert into hum_employee_lz (empno, empname, deptno, deptname, card_id, sys_id, issued, cardtype) "
        "values "
        "('0009', '孙九', '0201', '保卫', 5009, 1, 1, 1), ('0010', '周十', '0102', '财务', 5010, 1, 0, 1)"));
    db.exec(QStringLiteral("insert into cardinfo (empno, sys_id, card_id, card_balance, card_sequ, "
                           "issue_date, validdate, CardFactory) values "
                           "('0001', 1, 5001, 155.75, 3, '2026-11-01 07:00:00', '2027-11-01 00:00:00', 'F1'),"
                           "('0002', 1, 5002, 213.00, 3, '2026-11-02 09:00:00', '2027-11-02 00:00:00', 'F1'),"
                           "('0003', 1, 4003, 0.00, 9, '2025-01-01 00:00:00', NULL, 'F2'),"
                           "('0003', 2, 5003, 50.00, 2, '2026-11-20 08:00:00', NULL, 'F2'),"
                           "('0004', 1, 5004, 70.00, 1, '2026-12-01 00:00:00', NULL, 'F1'),"
                           "('0009', 1, 5009, 0.00, 5, '2025-05-01 00:00:00', NULL, 'F1')"));
    db.exec(QStringLiteral(
        "insert into MChargeRecords (emp_id, sys_id, empname, card_id, deptno, charge_money, card_balance, "
        "card_sequ, Kind, op_date, clock_id, PaySource, tradeNo) values "
        "('0001', 1, '张三', 5001, '0101', 100.00, 100.00, 1, 0, '2026-11-01 08:00:00', 1, NULL, NULL),"
        "('0001', 1, '张三', 5001, '0101', 50.50, 150.50, 2, 2, '2026-11-10 09:00:00', 1, 1, 'T1'),"
        "('0002', 1, 'O''Neil', 5002, '0102', 200.00, 200.00, 1, 30, '2026-11-02 10:00:00', 2, 2, 'T2'),"
        "('0002', 1, 'O''Neil', 5002, '0102', 10.00, 210.00, 2, 31, '2026-11-15 10:00:00', 2, NULL, NULL),"
        "('0003', 2, '王五', 5003, '0201', 30.00, 30.00, 1, 33, '2026-11-20 08:30:00', 3, NULL, NULL),"
        "('0003', 2, '王五', 5003, '0201', 20.00, 50.00, 2, 1, '2026-11-21 09:00:00', 3, NULL, NULL),"
        "('0001', 1, '张三', 5001, '0101', 5.25, 155.75, 3, 104, '2026-11-30 23:59:59', 1, NULL, NULL),"
        "('0004', 1, '赵六', 5004, '0101', 70.00, 70.00, 1, 0, '2026-12-01 00:00:00', 1, NULL, NULL),"
        "('0002', 1, 'O''Neil', 5002, '0102', 3.00, 213.00, 3, 3, '2026-11-05 10:00:00', 2, NULL, NULL)"));
    // Refunds (flag 102, one without a terminal), a sale, and consumptions on
    // the replaced cards before and after their replacement.
    db.exec(QStringLiteral(
        "insert into MealRecords (emp_id, sys_id, empname, card_id, deptno, clock_id, pos_sequ, card_sequ, "
        "sign_time, flag, card_consume, card_balance, kind) values "
        "('0001', 1, '张三', 5001, '0101', 1, 10, 4, '2026-11-03 12:00:00', 102, -8.00, 163.75, 2),"
        "('0002', 1, 'O''Neil', 5002, '0102', NULL, 11, 4, '2026-11-12 12:00:00', 102, -12.50, 225.50, 2),"
        "('0003', 2, '王五', 5003, '0201', 2, 12, 3, '2026-12-02 12:00:00', 102, -4.00, 54.00, 2),"
        "('0001', 1, '张三', 5001, '0101', 1, 13, 5, '2026-11-03 12:05:00', 1, 15.00, 148.75, 2),"
        "('0003', 1, '王五', 4003, '0201', 2, 14, 7, '2026-11-19 12:00:00', 1, 5.00, 5.00, 2),"
        "('0003', 1, '王五', 4003, '0201', 2, 15, 8, '2026-11-21 12:00:00', 1, 6.00, 0.00, 2),"
        "('0003', 1, '王五', 4003, '0201', 2, 16, 9, '2026-11-25 12:00:00', 1, 4.00, 0.00, 2),"
        "('0002', 1, 'O''Neil', 4002, '0102', 1, 17, 6, '2026-11-05 12:00:00', 1, 3.50, 0.00, 2)"));
    db.exec(QStringLiteral(
        "insert into MChangeCard (emp_id, sys_id, empname, deptno, deptname, old_card_id, new_card_id, "
        "card_balance, op_date, op_user) values "
        "('0003', 2, '王五', '0201', '保卫', 4003, 5003, 10.00, '2026-11-20 08:00:00', 'op'),"
        "('0002', 1, 'O''Neil', '0102', '财务', 4002, 5002, 0.00, '2026-10-30 08:00:00', 'op')"));
    // Deposits (kind 1) and fees (kind 2): 5001 both, 5002 a deposit only,
    // 5003 a fee only, 5009 a deposit paid back, 5004 in December.
    db.exec(QStringLiteral(
        "insert into mcardcost (card_id, emp_id, empname, deptno, in_money, out_money, kind, op_user, "
        "op_date, remark) values "
        "(5001, '0001', '张三', '0101', 30.00, 0.00, 1, 'op', '2026-11-01 08:00:00', NULL),"
        "(5001, '0001', '张三', '0101', 5.00, 0.00, 2, 'op', '2026-11-01 08:00:00', NULL),"
        "(5002, '0002', 'O''Neil', '0102', 30.00, 0.00, 1, 'op', '2026-11-02 10:00:00', NULL),"
        "(5003, '0003', '王五', '0201', 10.00, 0.00, 2, 'op', '2026-11-20 08:30:00', NULL),"
        "(5009, '0009', '孙九', '0201', NULL, 30.00, 1, 'op', '2026-11-25 09:00:00', '退押金'),"
        "(5004, '0004', '赵六', '0101', 30.00, 0.00, 1, 'op', '2026-12-01 00:00:00', NULL)"));
}
