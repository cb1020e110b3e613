#pragma once
// Hand-built card data for the bill tests: helpers that write cards, holders,
// charge and meal rows, and read a bill row back.
#include "TestDatabase.h"
#include "db/Session.h"
#include "monthly/MonthlyBillRun.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

struct MonthlyFixture {
    QTemporaryDir home;
    std::unique_ptr<TestDatabase> db;
    Session session;

    void start(const QString& suite) {
        db = std::make_unique<TestDatabase>(suite);
        bindSession(session, *db, home.path());
        db->exec(QStringLiteral("insert into Company (company_ch_name, parameters) values ('测试', "
                                "'aballowtype=False\\nisCheckLimitDate=False')"));
    }
    void stop() {
        session.ModuleConnection = QSqlDatabase();
        db.reset();
    }

    void card(int cardId, int sysId, const QString& empno, const QString& issued) const {
        db->exec(
            QStringLiteral("insert into cardinfo (empno, sys_id, card_id, issue_date, CardStatus) values "
                           "('%1', %2, %3, '%4', 3)")
                .arg(empno, QString::number(sysId), QString::number(cardId), issued));
    }
    void holder(const QString& empno, int cardId, int sysId, const QString& name,
                const QString& lastBalance = "0", const QString& table = QStringLiteral("hum_employee"),
                int issued = 1) const {
        db->exec(QStringLiteral("insert into %1 (empno, empname, deptno, deptname, card_id, sys_id, issued, "
                                "last_balance) values ('%2', '%3', '01', '食堂', %4, %5, %6, %7)")
                     .arg(table, empno, name, QString::number(cardId), QString::number(sysId),
                          QString::number(issued), lastBalance));
    }
    void charge(int cardId, int sequ, int kind, const QString& amount, const QString& balance,
                const QString& when, const QString& empno = QString()) const {
        db->exec(
            QStringLiteral(
                "insert into MChargeRecords (emp_id, card_id, charge_money, card_balance, card_sequ, "
                "Kind, op_date, op_ymd, isAddBack) values (%1, %2, %3, %4, %5, %6, '%7', '%7', 0)")
                .arg(empno.isEmpty() ? QStringLiteral("NULL") : QLatin1Char('\'') + empno + QLatin1Char('\''),
                     QString::number(cardId), amount, balance, QString::number(sequ), QString::number(kind),
                     when));
    }
    void meal(int cardId, int sequ, int flag, const QString& consume, const QString& balance,
              const QString& when, const QString& table = QStringLiteral("MealRecords"),
              int addBack = 0) const {
        db->exec(
            QStringLiteral("insert into %1 (card_id, card_sequ, flag, card_consume, card_balance, sign_time, "
                           "op_ymd, isAddBack) values (%2, %3, %4, %5, %6, '%7', '%7', %8)")
                .arg(table, QString::number(cardId), QString::number(sequ), QString::number(flag), consume,
                     balance, when, QString::number(addBack)));
    }

    MonthlyRunConfig config(const QString& label, const QString& from, const QString& to) const {
        MonthlyRunConfig c = MonthlyRunConfig::fromSession(session);
        c.MonthDes = label;
        c.period = {QDateTime::fromString(from, QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                    QDateTime::fromString(to, QStringLiteral("yyyy-MM-dd HH:mm:ss"))};
        return c;
    }

    // Runs a whole bill; returns the workers the master handed out.
    int runBill(const MonthlyRunConfig& c) const {
        MonthlyBillRun run;
        run.startMaster(c);
        if (!run.waitUntilIdle(60000))
            qFatal("bill run did not end");
        if (!run.failures().isEmpty())
            qWarning("%s", qPrintable(run.failures().join(QLatin1Char('\n'))));
        return run.workersStarted();
    }

    // One bill row by card number: "key opening closing charge add bat chuna rate consume return clear budan
    // change in out balance", "<none>" or "<twice>".
    QString row(const QString& label, int cardId) const {
        QSqlQuery q(db->db());
        q.exec(QStringLiteral(
                   "select concat_ws(' ', sys_id, last_balance, Now_card_balance, sum_charge_money, "
                   "sum_add_money, sum_bat_money, sum_chuna_money, sum_rate_money, sum_Consume_money, "
                   "sum_Return_money, sum_Clear_money, sum_BuDan_money, ChangeCardMoney, sum_All_in, "
                   "sum_All_out, Balance) from MealMonthRec where MonthDes = '%1' and card_id = %2")
                   .arg(label, QString::number(cardId)));
        if (!q.next())
            return QStringLiteral("<none>");
        const QString text = q.value(0).toString();
        return q.next() ? QStringLiteral("<twice>") : text;
    }
    int count(const QString& sql) const { return db->scalar(sql).toInt(); }
};
