#pragma once
// A small consumption database built by hand for the consumption-records
// tests: three dining rooms (the third without terminals), POS terminals on
// the network and on a serial line, meal periods, records of every type in
// November 2026 and one in December, and the detail lines of the key-value,
// goods and timed records.
#include "TestDatabase.h"

inline void fillMealRecordsData(const TestDatabase& db) {
    db.exec(QStringLiteral("insert into Dinlev (DinLev_ID, DinLev_Name, beg_time, end_time, isvalid) values "
                           "(1, '早餐', '06:00', '09:29', 1), (2, '午餐', '10:30', '13:29', 1), (3, '晚餐', "
                           "'16:30', '19:29', 1), "
                           "(5, '加班餐', '00:00', '05:59', 0)"));
    db.exec(
        QStringLiteral("insert into dinroom (DinRoom_id, DinRoom_name) values (1, '一食堂'), (2, '二食堂'), "
                       "(3, '空食堂')"));
    db.exec(QStringLiteral(
        "insert into clocks (clock_id, clock_name, Clock_type, dinroom_id, comport, BaudRate, TCPIP_type, "
        "TCPIP_Address, TCPIP_Port) values "
        "(1, 'A', '1', 1, 0, 0, 0, '127.0.0.1', 80), (2, 'B', '1', 1, 3, 9600, 2, NULL, 0), "
        "(3, 'C', '5', 2, 0, 0, 0, '127.0.0.3', 81), (9, 'D', '0', 2, 0, 0, 0, '127.0.0.9', 82)"));
    // emp, card, dept, clock, pos, card seq, time, flag, amount, balance, kind
    db.exec(QStringLiteral(
        "insert into MealRecords (emp_id, sys_id, empname, card_id, deptno, deptname, clock_id, pos_sequ, "
        "card_sequ, sign_time, flag, card_consume, card_balance, kind, opcard_id) values "
        "('0001', 1, '张三', 5001, '0101', '食堂', 1, 10, 1, '2026-11-02 07:00:00', 3, 12.50, 87.50, 1, "
        "'op'),"
        "('0001', 1, '张三', 5001, '0101', '食堂', 1, 11, 2, '2026-11-02 12:00:00', 1, 10.00, 77.50, 1, "
        "'op'),"
        "('0002', 2, '李四', 5002, '0102', '财务', 2, 20, 1, '2026-11-03 18:00:00', 5, 30.00, 70.00, 3, "
        "'op'),"
        "('0002', 2, '李四', 5002, '0102', '财务', 3, 30, 2, '2026-11-04 08:00:00', 6, 5.00, 65.00, 0, 'op'),"
        "('0003', 3, '王五', 5003, '0201', '保卫', 3, 31, 1, '2026-11-05 03:00:00', 102, -8.00, 108.00, 5, "
        "'op'),"
        "('0003', 3, '王五', 5003, '0201', '保卫', 9, 40, 2, '2026-11-06 20:00:00', 9, 1.00, 107.00, 1, "
        "'op'),"
        "('0004', 4, '赵六', 5004, '0101', '食堂', 1, 12, 1, '2026-12-01 07:00:00', 2, 99.00, 1.00, 1, 'op'),"
        "('0001', 1, '张三', 5001, '0101', '食堂', 2, 21, 3, '2026-11-07 07:30:00', 3, 7.00, 70.50, 1, 'op'),"
        "('0004', 4, '赵六', 5004, '0101', '食堂', 3, 32, 2, '2026-11-08 09:00:00', 14, 0.00, 0.00, 1, 'op'),"
        "('0004', 4, '赵六', 5004, '0101', '食堂', 1, 13, 3, '2026-11-09 12:00:00', 105, 2.50, 97.50, 2, "
        "'op')"));
    db.exec(QStringLiteral("insert into keydetail (clock_id, Devno, RecNo, KeyID, Price) values "
                           "(1, 10, 0, 7, 10.00), (1, 10, 1, 8, 2.50), (2, 21, 0, 7, 7.00)"));
    db.exec(QStringLiteral(
        "insert into store (storeno, storename, price) values (1, '米饭', 2.00), (2, '鸡腿', 14.00)"));
    db.exec(QStringLiteral("insert into storedetail (clock_id, Devno, RecSum, StoreNo, Price, Amount) values "
                           "(2, 20, 0, 1, 2.00, 1), (2, 20, 1, 2, 14.00, 2)"));
    db.exec(QStringLiteral(
        "insert into tmdetail (clock_id, Devno, StartTme, EndTime, StartBanlance, EndBanlance) "
        "values (3, 30, '2026-11-04 07:40:00', '2026-11-04 08:00:00', 70.00, 65.00)"));
}
