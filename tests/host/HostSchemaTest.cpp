// The host schema: the signed transaction view, the columns the module's
// statements name, the duplicate tables, and the SQL Server form kept in step
// with the MariaDB form. Statements the module already builds are run against
// this schema by their own suites.
#include "../support/TestDatabase.h"
#include "db/Currency.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

namespace {

QString readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

// Table or view name (lower case) -> its column names (lower case), from the
// CREATE TABLE / CREATE VIEW statements of a schema script.
QMap<QString, QStringList> objectsOf(const QString& script) {
    QMap<QString, QStringList> objects;
    static const QRegularExpression tableRe(QStringLiteral("CREATE TABLE (\\w+) \\((.*?)\\n\\)"),
                                            QRegularExpression::DotMatchesEverythingOption);
    auto it = tableRe.globalMatch(script);
    while (it.hasNext()) {
        const auto m = it.next();
        QStringList columns;
        for (const QString& raw : m.captured(2).split(QLatin1Char('\n'))) {
            const QString line = raw.trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1String("--")) ||
                line.startsWith(QLatin1String("KEY ")) || line.startsWith(QLatin1String("PRIMARY KEY")) ||
                line.startsWith(QLatin1String("CONSTRAINT ")))
                continue;
            columns << line.section(QLatin1Char(' '), 0, 0).toLower();
        }
        objects.insert(m.captured(1).toLower(), columns);
    }
    static const QRegularExpression viewRe(QStringLiteral("CREATE VIEW (\\w+) AS"));
    auto vit = viewRe.globalMatch(script);
    while (vit.hasNext())
        objects.insert(vit.next().captured(1).toLower(), QStringList());
    return objects;
}

// Money read as the fixed-point value it is, in cents.
qint64 cents(const QVariant& v) {
    return Currency::fromVariant(v).units() / (Currency::Scale / 100);
}

} // namespace

class HostSchemaTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void viewCarriesOneSign();
    void moduleColumnsExist();
    void duplicateTablesMirrorTheirMainTable();
    void sqlServerFormNamesTheSameObjects();

private:
    void insertCard();
    QScopedPointer<TestDatabase> m_db;
};

void HostSchemaTest::initTestCase() {
    m_db.reset(new TestDatabase(QStringLiteral("host_schema")));
    insertCard();
}

// An old card (lost and replaced) and the current one. On the current card:
// the opening with the moved balance, a recharge, a sale, a refund, a
// correction and an allowance.
void HostSchemaTest::insertCard() {
    TestDatabase& d = *m_db;
    d.exec(QStringLiteral("insert into cardinfo(empno,sys_id,card_id,card_balance,card_sequ,issue_date,"
                          "CardStatus,CardStatusDate) values "
                          "('1001',501,501,0,3,'2026-01-02 08:00:00',5,'2026-02-01 09:00:00'),"
                          "('1001',502,502,145.50,6,'2026-02-01 09:00:00',3,'2026-02-01 09:00:00')"));
    d.exec(
        QStringLiteral("insert into mchangecard(emp_id,sys_id,old_card_id,new_card_id,card_balance,op_date) "
                       "values ('1001',502,501,502,10.00,'2026-02-01 09:00:00')"));
    d.exec(QStringLiteral(
        "insert into MChargeRecords(emp_id,sys_id,card_id,charge_money,card_balance,card_sequ,Kind,op_date,"
        "op_ymd,clock_id,charge_ver) values ('1001',502,502,0,10.00,1,0,'2026-02-01 09:00:00','2026-02-01',0,"
        "null),('1001',502,502,100,110.00,2,0,'2026-02-02 09:00:00','2026-02-02',0,null),"
        "('1001',502,502,50,145.50,6,33,'2026-02-05 12:00:00','2026-02-05',11,1)"));
    d.exec(QStringLiteral(
        "insert into "
        "MealRecords(pos_sequ,card_sequ,clock_id,emp_id,sys_id,card_id,sign_time,flag,card_consume,"
        "card_balance,kind,op_ymd) values (1,3,11,'1001',502,502,'2026-02-03 07:30:00',2,12.50,97.50,1,"
        "'2026-02-03'),(2,4,11,'1001',502,502,'2026-02-03 12:10:00',102,20.00,77.50,2,'2026-02-03'),"
        "(3,5,11,'1001',502,502,'2026-02-04 12:00:00',9,-18.00,95.50,2,'2026-02-04')"));
}

// From the balance moved over from the lost card, each row's signed amount
// leads to its balance and the last balance is the card's: a sale and a refund
// lower it, a correction raises it. Charges are CH with their recharge kind,
// meal rows XF with their flag (not their meal period).
void HostSchemaTest::viewCarriesOneSign() {
    QSqlQuery q(m_db->db());
    QVERIFY2(q.exec(QStringLiteral("select card_sequ, cType, kind, card_consume, card_Balance from "
                                   "vIsCheckCardRecord where card_id = 502 order by card_sequ")),
             qPrintable(q.lastError().text()));
    // The replacement card opens with a zero-amount manual recharge.
    qint64 balance = cents(m_db->scalar(QStringLiteral("select card_balance from mchangecard")));
    QCOMPARE(balance, 1000);
    QStringList kinds;
    while (q.next()) {
        const qint64 after = cents(q.value(4));
        QVERIFY2(balance + cents(q.value(3)) == after,
                 qPrintable(QStringLiteral("sequence %1").arg(q.value(0).toInt())));
        balance = after;
        kinds << q.value(1).toString() + QLatin1Char(':') + q.value(2).toString();
    }
    QCOMPARE(kinds, QStringList({"CH:0", "CH:0", "XF:2", "XF:102", "XF:9", "CH:33"}));
    QCOMPARE(balance,
             cents(m_db->scalar(QStringLiteral("select card_balance from cardinfo where card_id=502"))));
}

// The columns the module's statements name, per table and view; the meal
// periods with the module's "餐外消费" row put in front (same column count and
// order); and inserts that leave out what has a default.
void HostSchemaTest::moduleColumnsExist() {
    const char* const probes[][2] = {
        {"MChargeRecords", "emp_id, sys_id, card_id, empname, deptno, deptname, charge_money, card_balance, "
                           "card_times, card_sequ, Kind, opcard_id, op_date, op_ymd, clock_id, stadescr, "
                           "PaySource, tradeNo, charge_ver, isAddBack"},
        {"MealRecords", "emp_id, sys_id, card_id, empname, deptno, deptname, clock_id, Pos_Sequ, Card_Sequ, "
                        "sign_time, flag, card_consume, card_balance, kind, op_ymd, opcard_id, stadescr"},
        {"mcardcost",
         "card_id, emp_id, empname, deptno, deptname, in_money, out_money, kind, op_user, op_date, "
         "op_ymd, remark, stadescr"},
        {"returncard",
         "card_id, emp_id, empname, deptno, deptname, return_date, op_user, card_balance, stadescr"},
        {"mchangecard", "emp_id, sys_id, old_card_id, new_card_id, card_balance, op_date, op_user, deptno, "
                        "deptname, stadescr"},
        {"mallowance",
         "id, emp_id, sys_id, card_id, empname, deptno, deptname, clock_id, deposit, charged, "
         "downed, charge_money, charge_date, charge_ver, card_balance, card_sequ, op_user, op_date, "
         "AllowDate, Memo, newCard_id"},
        {"hum_employee", "empno, EmpName, deptno, deptname, card_id, sys_id, issued, duty, last_balance, "
                         "last_date, over_pwd"},
        {"hum_employee_lz", "empno, EmpName, deptno, deptname, card_id, sys_id, issued, duty, last_balance, "
                            "last_date"},
        {"cardinfo",
         "empno, sys_id, card_id, card_balance, card_sequ, issue_date, CardStatus, CardStatusDate, "
         "CardFactory"},
        {"ordermeal", "emp_id, mealsum"},
        {"clocks", "Clock_id, Clock_name, Clock_type, DinRoom_id"},
        {"store", "storeno, storename"},
        {"storedetail", "Clock_id, devno, storeno, Price, Amount"},
        {"vstoredetail", "clock_id, Devno, StoreNo, StoreName, Price, Amount, SumMoney, RecSum"},
        {"vIsCheckCardRecord", "emp_id, card_Id, op_date, op_ymd, card_sequ, cType, Kind, card_consume, "
                               "card_Balance, charge_ver"},
        {"settlestatistic",
         "opid, optype, opcount, empconut, balancemoney, managemoney, costmoney, stadescr, "
         "stabegdate, staenddate, opdatetime, opuser"},
        {"company", "week_param, month_param"},
    };
    QStringList statements;
    for (const auto& probe : probes)
        statements << QStringLiteral("select %1 from %2 where 1=2")
                          .arg(QLatin1String(probe[1]), QLatin1String(probe[0]));
    statements
        << QStringLiteral(
               "select DinLev_id, DinLev_name, DinLevPrice, beg_time, end_time, iscount, isvalid, Mem, "
               "two_price from (select 0 as DinLev_id,'餐外消费' as DinLev_name,0 as DinLevPrice,'00:01' "
               "as beg_time,'23:59' as end_time,0 as iscount,1 as isvalid,null as Mem,0 as two_price "
               "union all select * from Dinlev) D")
        << QStringLiteral("insert into settlestatistic(opid,optype,opcount,empconut,balancemoney,"
                          "managemoney,costmoney,stadescr,stabegdate,staenddate,opdatetime,opuser) values "
                          "(0,'期末状态',0,1,145.5,5,20,'S1','2026-02-01','2026-02-28 23:59:59',now(),"
                          "'ADMIN')")
        << QStringLiteral("Insert into MAllowance(emp_id,sys_id,card_id,deposit,charged,downed,charge_ver,"
                          "op_user,op_date,deptno,deptname,empname,AllowDate,Memo) Values('1001',502,502,"
                          "10,0,0,2,'ADMIN','2026-02-10 10:00:00','0101','行政部','张三',"
                          "'2026-03-10 23:59:59','')");
    for (const QString& sql : statements) {
        QSqlQuery q(m_db->db());
        QVERIFY2(q.exec(sql), qPrintable(sql + QLatin1Char('\n') + q.lastError().text()));
    }
}

void HostSchemaTest::duplicateTablesMirrorTheirMainTable() {
    // Rows move between a table and its duplicate table with "select *": the
    // column lists must match in name and order.
    const char* const pairs[][2] = {{"mealrecords", "mealrecords_dou_bak"},
                                    {"mealrecords", "mealrecords_bak"},
                                    {"mchargerecords", "mchargerecords_dou_bak"},
                                    {"mchargerecords", "mchargerecords_bak"},
                                    {"mchargerecords", "mchargerecords_fullbak"}};
    for (const auto& pair : pairs) {
        const QSqlRecord a = m_db->db().record(QLatin1String(pair[0]));
        const QSqlRecord b = m_db->db().record(QLatin1String(pair[1]));
        QCOMPARE(a.count(), b.count());
        for (int i = 0; i < a.count(); ++i)
            QCOMPARE(b.fieldName(i).toLower(), a.fieldName(i).toLower());
    }
    m_db->exec(
        QStringLiteral("insert into mealrecords_dou_bak select * from mealrecords where card_sequ = 3"));
    m_db->exec(QStringLiteral("delete from mealrecords where card_sequ = 3"));
    m_db->exec(
        QStringLiteral("insert into mealrecords select * from mealrecords_dou_bak where card_sequ = 3"));
    QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from mealrecords where card_sequ = 3")).toInt(), 1);
}

void HostSchemaTest::sqlServerFormNamesTheSameObjects() {
    const QString dir = TestDatabase::schemaPath().section(QLatin1Char('/'), 0, -2);
    const QMap<QString, QStringList> mysql = objectsOf(readFile(dir + QStringLiteral("/mysql.sql")));
    const QMap<QString, QStringList> tsql = objectsOf(readFile(dir + QStringLiteral("/sqlserver.sql")));
    QVERIFY(mysql.size() > 30);
    QCOMPARE(tsql.keys(), mysql.keys());
    for (auto it = mysql.cbegin(); it != mysql.cend(); ++it)
        QCOMPARE(tsql.value(it.key()), it.value());
    // Every table of the script exists in the loaded database.
    QSqlQuery q(m_db->db());
    QVERIFY(
        q.exec(QStringLiteral("select lower(table_name) from information_schema.tables where table_schema = "
                              "database()")));
    QStringList loaded;
    while (q.next())
        loaded << q.value(0).toString();
    loaded.sort();
    QCOMPARE(loaded, mysql.keys());
}

QTEST_GUILESS_MAIN(HostSchemaTest)
#include "HostSchemaTest.moc"
