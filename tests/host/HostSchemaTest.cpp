// The host schema: the signed transaction view, the statements the module
// sends (taken as the module writes them, dates filled in), and the SQL Server
// form kept in step with the MariaDB form.
#include "../support/TestDatabase.h"

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

} // namespace

class HostSchemaTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void viewCarriesOneSign();
    void balanceJoinGivesOneRowPerPerson();
    void upgradeProbesFindEveryColumn();
    void moduleStatementsRun_data();
    void moduleStatementsRun();
    void monthlyCategoriesBalance();
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

// One person, an old card (lost and replaced) and the current one. On the
// current card: a recharge, a sale, a refund, a correction and an allowance.
void HostSchemaTest::insertCard() {
    TestDatabase& d = *m_db;
    d.exec(QStringLiteral("insert into hum_Department(deptno,deptname,parentno,sortno) values "
                          "('01','总公司','0',1),('0101','行政部','01',2)"));
    d.exec(QStringLiteral("insert into hum_employee(empno,empname,deptno,deptname,card_id,sys_id,issued,"
                          "cardtype,last_balance) values ('1001','张三','0101','行政部',502,502,1,1,0)"));
    d.exec(QStringLiteral("insert into cardtype(SortID,Name) values (1,'职工卡')"));
    d.exec(QStringLiteral("insert into cardinfo(empno,sys_id,card_id,card_balance,card_sequ,issue_date,"
                          "CardStatus,CardStatusDate) values "
                          "('1001',501,501,0,3,'2026-01-02 08:00:00',5,'2026-02-01 09:00:00'),"
                          "('1001',502,502,145.50,6,'2026-02-01 09:00:00',3,'2026-02-01 09:00:00')"));
    d.exec(
        QStringLiteral("insert into mchangecard(emp_id,sys_id,old_card_id,new_card_id,card_balance,op_date) "
                       "values ('1001',502,501,502,10.00,'2026-02-01 09:00:00')"));
    d.exec(QStringLiteral("insert into dinroom(DinRoom_id,DinRoom_name) values (1,'一食堂')"));
    d.exec(QStringLiteral("insert into clocks(clock_id,clock_name,Clock_type,dinroom_id,TCPIP_type,"
                          "TCPIP_Address) values (11,'一号机','1',1,0,'127.0.0.11')"));
    d.exec(QStringLiteral("insert into Dinlev values (1,'早餐',0,'06:00','09:59',1,1,null,0),"
                          "(2,'午餐',0,'10:00','13:59',1,1,null,0)"));
    const QString charge = QStringLiteral(
        "insert into MChargeRecords(emp_id,sys_id,card_id,empname,deptno,deptname,charge_money,card_balance,"
        "card_sequ,Kind,opcard_id,op_date,op_ymd,clock_id,charge_ver) values ");
    d.exec(charge + QStringLiteral("('1001',502,502,'张三','0101','行政部',0,10.00,1,0,'ADMIN',"
                                   "'2026-02-01 09:00:00','2026-02-01',0,null),"
                                   "('1001',502,502,'张三','0101','行政部',100,110.00,2,0,'ADMIN',"
                                   "'2026-02-02 09:00:00','2026-02-02',0,null),"
                                   "('1001',502,502,'张三','0101','行政部',50,145.50,6,33,'',"
                                   "'2026-02-05 12:00:00','2026-02-05',11,1)"));
    const QString meal = QStringLiteral(
        "insert into "
        "MealRecords(pos_sequ,card_sequ,clock_id,emp_id,sys_id,card_id,sign_time,flag,card_consume,"
        "card_balance,kind,op_ymd,empname,deptno,deptname,opcard_id) values ");
    d.exec(meal +
           QStringLiteral("(1,3,11,'1001',502,502,'2026-02-03 07:30:00',2,12.50,97.50,1,'2026-02-03',"
                          "'张三','0101','行政部',''),"
                          "(2,4,11,'1001',502,502,'2026-02-03 12:10:00',102,20.00,77.50,2,'2026-02-03',"
                          "'张三','0101','行政部','ADMIN'),"
                          "(3,5,11,'1001',502,502,'2026-02-04 12:00:00',9,-18.00,95.50,2,"
                          "'2026-02-04','张三','0101','行政部','')"));
    d.exec(QStringLiteral("insert into keydetail(clock_id,Devno,RecNo,KeyID,Price) values (11,1,0,3,12.50)"));
    d.exec(QStringLiteral("insert into store(storeno,storename,price) values (1,'矿泉水',2.00)"));
    d.exec(QStringLiteral("insert into storedetail(clock_id,Devno,RecSum,StoreNo,Price,Amount) "
                          "values (11,1,0,1,2.00,3)"));
    d.exec(QStringLiteral(
        "insert into mallowance(emp_id,sys_id,card_id,empname,deptno,deptname,deposit,downed,"
        "charged,charge_money,charge_date,AllowDate,card_balance,card_sequ,charge_ver,op_user,"
        "op_date) values ('1001',502,502,'张三','0101','行政部',50,1,1,50,"
        "'2026-02-05 12:00:00','2026-03-01 23:59:59',145.50,6,1,'ADMIN','2026-02-04 10:00:00')"));
    d.exec(
        QStringLiteral("insert into mcardcost(card_id,emp_id,empname,deptno,deptname,in_money,out_money,kind,"
                       "op_user,op_date,op_ymd) values (502,'1001','张三','0101','行政部',20,0,1,'ADMIN',"
                       "'2026-02-01 09:00:00','2026-02-01'),(502,'1001','张三','0101','行政部',5,0,2,'ADMIN',"
                       "'2026-02-01 09:00:00','2026-02-01')"));
    d.exec(
        QStringLiteral("insert into Company(company_ch_name,parameters) values ('测试公司','ClientCode=1')"));
}

void HostSchemaTest::viewCarriesOneSign() {
    QSqlQuery q(m_db->db());
    QVERIFY2(q.exec(QStringLiteral("select card_sequ, cType, kind, card_consume, card_Balance from "
                                   "vIsCheckCardRecord where card_id = 502 order by card_sequ")),
             qPrintable(q.lastError().text()));
    QStringList kinds;
    // A replacement card opens with a zero-amount manual recharge carrying the
    // balance moved over from the lost card; every later row adds up.
    QVERIFY(q.next());
    QCOMPARE(q.value(3).toDouble(), 0.0);
    QCOMPARE(q.value(4).toDouble(), 10.0);
    kinds << q.value(1).toString() + QLatin1Char(':') + q.value(2).toString();
    qint64 previousCents = 1000;
    int rows = 1;
    while (q.next()) {
        ++rows;
        const qint64 amount = qRound64(q.value(3).toDouble() * 100);
        const qint64 after = qRound64(q.value(4).toDouble() * 100);
        QVERIFY2(previousCents + amount == after, qPrintable(QStringLiteral("sequence %1: %2 + %3 != %4")
                                                                 .arg(q.value(0).toInt())
                                                                 .arg(previousCents)
                                                                 .arg(amount)
                                                                 .arg(after)));
        previousCents = after;
        kinds << q.value(1).toString() + QLatin1Char(':') + q.value(2).toString();
    }
    QCOMPARE(rows, 6);
    // Charges are marked CH with their recharge kind; meal rows carry their flag.
    QCOMPARE(kinds, QStringList({QStringLiteral("CH:0"), QStringLiteral("CH:0"), QStringLiteral("XF:2"),
                                 QStringLiteral("XF:102"), QStringLiteral("XF:9"), QStringLiteral("CH:33")}));
    // A sale and a refund both lower the balance, a correction raises it.
    QCOMPARE(m_db->scalar(QStringLiteral("select card_consume from vIsCheckCardRecord where card_sequ=3"))
                 .toDouble(),
             -12.5);
    QCOMPARE(m_db->scalar(QStringLiteral("select card_consume from vIsCheckCardRecord where card_sequ=4"))
                 .toDouble(),
             -20.0);
    QCOMPARE(m_db->scalar(QStringLiteral("select card_consume from vIsCheckCardRecord where card_sequ=5"))
                 .toDouble(),
             18.0);
}

void HostSchemaTest::balanceJoinGivesOneRowPerPerson() {
    // Two cards on record for the person; the join on (empno, sys_id) takes the current one.
    QSqlQuery q(m_db->db());
    QVERIFY2(
        q.exec(QStringLiteral(
            "SELECT E.empno, E.Card_id, E.empname,E.deptno,E.deptname,C.card_balance as card_balance,"
            "C.card_sequ,C.CardFactory FROM (select empno,empname,deptno,deptname,card_id,sys_id,issued from "
            "hum_employee) As E left join cardinfo C on E.empno=C.empno and E.sys_id=C.sys_id WHERE "
            "E.issued=1")),
        qPrintable(q.lastError().text()));
    QVERIFY(q.next());
    QCOMPARE(q.value(1).toInt(), 502);
    QCOMPARE(q.value(5).toDouble(), 145.5);
    QVERIFY(!q.next());
}

void HostSchemaTest::upgradeProbesFindEveryColumn() {
    const QStringList probes = {
        QStringLiteral("select Amount  from StoreDetail where 1=2 "),
        QStringLiteral("select CardStatus  from Cardinfo where 1=2 "),
        QStringLiteral("select validdate  from Cardinfo where 1=2 "),
        QStringLiteral("select CardFormatVer  from Cardinfo where 1=2 "),
        QStringLiteral("select CardFactory  from Cardinfo where 1=2 "),
        QStringLiteral("select lastTimeRec  from clocks where 1=2 "),
        QStringLiteral("select CardStatusDes  from Cardinfo where 1=2 "),
        QStringLiteral("select CardStatusDate  from Cardinfo where 1=2 "),
        QStringLiteral("select isAddBack  from mealrecords where 1=2 "),
        QStringLiteral("select *  from pos_lockBillDate where 1=2 "),
        QStringLiteral("select charge_ver  from mchargerecords where 1=2 "),
        QStringLiteral("select isAddBack  from mchargerecords where 1=2 "),
        QStringLiteral("select charge_ver  from mchargerecords_bak where 1=2 "),
        QStringLiteral("select clock_sn  from clocks where 1=2 "),
        QStringLiteral("select newCard_id  from mallowance where 1=2 "),
        QStringLiteral("select isControlCard  from company "),
    };
    for (const QString& probe : probes) {
        QSqlQuery q(m_db->db());
        QVERIFY2(q.exec(probe), qPrintable(probe + QLatin1Char(' ') + q.lastError().text()));
    }
}

void HostSchemaTest::moduleStatementsRun_data() {
    QTest::addColumn<QString>("sql");
    const QString period = QStringLiteral(
        "(select 0 as DinLev_id,'餐外消费' as DinLev_name,0 as DinLevPrice,'00:01' as beg_time,'23:59' as "
        "end_time,0 as iscount,1 as isvalid,null as Mem,0 as two_price union all select * from Dinlev)");
    const QString periodSums = QStringLiteral("sum(case when C.kind=1 then 1.0 else 0.0 end) AS OneCount, "
                                              "sum(case when C.Kind=1 then  C.card_consume  "
                                              "else  0.0 end) AS OneMoney, sum(case when C.kind=0 then 1.0 "
                                              "else 0.0 end) AS NineCount, sum(case when "
                                              "C.Kind=0 then  C.card_consume  else  0.0 end) AS NineMoney, "
                                              "sum(case when C.kind in(null,0,1,2,3,4,5,6,7,8) "
                                              "then 1.0 else 0.0 end) AS TotalCount, sum(case when C.kind "
                                              "in(null,0,1,2,3,4,5,6,7,8) then C.card_consume "
                                              "else 0.0 end) AS TotalMoney");
    const QString category = QStringLiteral(
        " Select * from (select emp_id, card_Id, op_date, op_ymd, card_sequ,  Kind, card_consume, "
        "card_Balance, "
        "charge_ver,  (case when cType = 'CH' then (case when kind  in (0) then '充值手工系统                "
        "  ' "
        "else (case when kind in (1,3,33,104) then '补贴                  ' else (case when kind in (2) then "
        "'批量充值                  ' else (case when kind in (30) then '出纳机充值                  ' else "
        "'充值优惠                  ' end) end) end) end) else (case when Kind in (0,1,2,3,5,6,9,90,103) "
        "then "
        "'消费                  ' else (case when Kind in (14) then '卡片清零                  ' else (case "
        "when "
        "Kind in (105) then '补单                  ' else '退款                  ' end) end) end) end) as "
        "actiondd ");

    QTest::newRow("consumption list")
        << QStringLiteral(
               "SELECT emp_id, card_id, empname, deptno, deptname, clock_id, Pos_Sequ, Card_Sequ,  "
               "sign_time, flag, card_consume, card_balance, kind, opcard_id FROM MealRecords  where "
               "(sign_time >= '2026-02-01 00:00:00' And sign_time <= '2026-02-28 23:59:59')  WHERE 1 = 1 "
               "And Deptno like '01%' and clock_id in (select  clock_id from clocks where dinroom_id='1') "
               "and flag <>102  order by emp_id,sys_id,card_sequ ")
               .replace(QStringLiteral("  WHERE 1 = 1 "), QStringLiteral(" "));
    QTest::newRow("key-value lines") << QStringLiteral(
        "select s.* from keydetail s, mealrecords m where s.clock_id = m.clock_id and s.devno = "
        "m.pos_sequ  and sign_time >='2026-02-01 00:00:00' And sign_time <='2026-02-28 23:59:59'");
    QTest::newRow("goods lines") << QStringLiteral(
        "select s.* from vstoredetail s, mealrecords m where s.clock_id = m.clock_id and s.devno "
        "= m.pos_sequ  and sign_time >='2026-02-01 00:00:00' And sign_time <='2026-02-28 23:59:59'");
    QTest::newRow("timed lines") << QStringLiteral(
        "select s.* from tmdetail s, mealrecords m where s.clock_id = m.clock_id and s.devno = "
        "m.pos_sequ  and sign_time >='2026-02-01 00:00:00' And sign_time <='2026-02-28 23:59:59'");
    QTest::newRow("goods export work table") << QStringLiteral(
        "CREATE TABLE Meal_TempTable Select aa.*, (@rn:=@rn+1) as nRow  From (Select emp_id, CAST(sys_id AS "
        "CHAR) as sys_id, CAST(card_id AS CHAR) as card_id, empname, deptno, deptname, CAST(m.clock_id AS "
        "CHAR) as clock_id, CAST(Pos_Sequ AS CHAR) as Pos_Sequ, CAST(Card_Sequ AS CHAR) as Card_Sequ, "
        "CAST(sign_time AS CHAR) as sign_time, CAST(flag AS CHAR) as flag, CAST(card_consume AS CHAR) as "
        "card_consume, CAST(card_balance AS CHAR) as card_balance, CAST(kind AS CHAR) as kind, opcard_id , "
        "v.StoreNo, v.StoreName, v.Price as StorePrice, v.Amount,  v.SumMoney, V.RecSum, '商品    ' AS "
        "flag_name, D.DinLev_name FROM MealRecords M , vstoredetail V , Dinlev D  where m.clock_id = "
        "v.clock_id and m.Pos_Sequ = v.Devno  and M.kind = D.Dinlev_ID  and (sign_time >= '2026-02-01' And "
        "sign_time <= '2026-02-28 23:59:59') and flag = 5 ) as aa , (SELECT @rn:= 0) as bb order by "
        "emp_id,sys_id,card_sequ , RecSum");
    QTest::newRow("recharge list") << QStringLiteral(
        "SELECT emp_id, card_id, empname, deptno, deptname, charge_money, card_balance, "
        "card_times,card_sequ, Kind, opcard_id, op_date,clock_id ,stadescr,PaySource,tradeNo FROM "
        "MChargeRecords where (op_date >= '2026-02-01 00:00:00' And op_date <= '2026-02-28 "
        "23:59:59')  And Deptno like '01%' and (kind=1 or kind=3 or kind=104) order by "
        "emp_id,card_sequ ");
    QTest::newRow("refunds") << QStringLiteral(
        "SELECT emp_id, card_id, empname, deptno,deptname,clock_id, sign_time, flag,card_consume, "
        "card_balance, card_sequ, kind, ifnull(clock_id, 0) as clock_id, opcard_id ,stadescr FROM "
        "MealRecords WHERE (flag=102) And (sign_time >= '2026-02-01 00:00:00' And sign_time <= "
        "'2026-02-28 23:59:59') ");
    QTest::newRow("card costs") << QStringLiteral(
        "select card_id,emp_id,empname,deptno,deptname,in_money,out_money,kind,op_user,op_date,"
        "op_ymd,remark,stadescr from mcardcost WHERE (op_date>= '2026-02-01 00:00:00' And "
        "op_date<= '2026-02-28 23:59:59') ");
    QTest::newRow("returned cards") << QStringLiteral(
        "select card_id,emp_id,empname,deptno,deptname,return_date,op_user from returncard  WHERE "
        " Return_date>='2026-02-01' and Return_date<='2026-02-28 23:59:59'  order by emp_id , "
        "return_date ");
    QTest::newRow("lost-card consumption") << QStringLiteral(
        "select a.* from mealrecords a,mchangecard b where a.emp_id=b.emp_id and "
        "a.card_id=b.old_card_id and a.sign_time>b.op_date  order by a.emp_id,a.sys_id,a.card_sequ ");
    QTest::newRow("restore recharge backup") << QStringLiteral(
        "insert into MChargeRecords(emp_id,sys_id,card_id,empname,deptno,deptname,charge_money,"
        "card_balance,card_times,card_sequ,Kind,opcard_id,op_date,op_ymd,clock_id) select emp_id,"
        "sys_id,card_id,empname,deptno,deptname,charge_money,card_balance,card_times,card_sequ,Kind,"
        "opcard_id,op_date,op_ymd,clock_id from MChargeRecords_FullBak where emp_id='1001' and "
        "card_id=502 and charge_money=1 and card_balance=1 and op_date='2026-02-01 00:00:00'");
    QTest::newRow("person's history") << QStringLiteral(
        "SELECT emp_id,empname,sys_id,card_id,clock_id,card_consume as charge_money,card_balance,card_sequ,"
        "pos_sequ,null as charged,null as downed,null as chargemoney,null as nunDeposit,null as charge_date,"
        "null as charge_ver,sign_time as op_date,deptno,deptname,1 as rs from mealrecords   where (sign_time "
        "between '2026-02-01' And '2026-02-28 23:59:59') And emp_id = '1001' union all select emp_id,empname,"
        "sys_id,card_id,clock_id,charge_money,card_balance,card_sequ,0 as pos_sequ,null as charged,null as "
        "downed,null as chargemoney,null as nunDeposit,null as charge_date,null as charge_ver,op_date,deptno,"
        "deptname,2 as rs from mchargerecords  where (op_date between '2026-02-01' And '2026-02-28 "
        "23:59:59') "
        "and kind not in (1,3,33,104)  union all  select emp_id,empname,sys_id,card_id,clock_id,deposit,"
        "card_balance,card_sequ,0 as pos_sequ,charged,downed,charge_money,case when charged = 0 then deposit "
        "when charged=1 then (deposit - charge_money) end  nunDeposit,charge_date,charge_ver,op_date,deptno,"
        "deptname,3 as rs from mallowance   where (op_date between '2026-02-01' And '2026-02-28 23:59:59')  "
        "order by emp_id,sys_id,rs,charge_ver");
    QTest::newRow("exception records, all types") << QStringLiteral(
        "select * from (select v.*, 0 as ktype, concat(v.ctype, ',', CAST(v.kind AS CHAR)) as ctkind from "
        "vIsCheckCardRecord v, (select card_id from cardinfo where empno not in(select empno from ( select "
        "empno from hum_employee union all select empno from hum_employee_lz) aa)) y where v.card_id = "
        "y.card_id and  v.op_date >= '2026-02-01 00:00:00' And v.op_date <= '2026-02-28 23:59:59'  union all "
        "select v.*, 1 as ktype, concat(v.ctype, ',', CAST(v.kind AS CHAR)) as ctkind from "
        "vIsCheckCardRecord "
        "v, mchangecard y where v.card_id = y.old_card_id and v.op_date > y.op_date and  v.op_date >= "
        "'2026-02-01 00:00:00' And v.op_date <= '2026-02-28 23:59:59'  union all select v.*, 2 as ktype, "
        "concat(v.ctype, ',', CAST(v.kind AS CHAR)) as ctkind from vIsCheckCardRecord v, (select card_id, "
        "issue_date from cardinfo) y where v.card_id = y.card_id and Date(v.op_date) < Date(y.issue_date) "
        "and "
        " v.op_date >= '2026-02-01 00:00:00' And v.op_date <= '2026-02-28 23:59:59' ) cc where 1 = 1 and "
        "op_date >= '2026-02-01 00:00:00' And op_date <= '2026-02-28 23:59:59'  order by "
        "emp_id,card_id,card_sequ");
    QTest::newRow("person account") << QStringLiteral(
        "SELECT E.empno, E.EmpName, e.deptname,E.card_id, ifnull(E.last_balance,0) as last_balance, "
        "ifnull(C.card_balance,0) as card_balance,  (SELECT ifnull(SUM(charge_money),0)  FROM "
        "MChargeRecords B  WHERE KIND=0  and emp_id=E.empno) AS sum_charge_money, (SELECT  "
        "ifnull(sum(mealsum),0) from ordermeal Z  WHERE  emp_id=E.empno) AS sum_order_money  FROM  "
        "hum_employee  AS E  left join cardinfo C on E.empno=C.empno and E.sys_id=C.sys_id   WHERE "
        "  E.deptno like '01%'");
    QTest::newRow("daily recharge summary") << QStringLiteral(
        " SELECT *, (sum_charge_money + sum_bat_money + sum_cost_money   + sum_ChuNa_money + "
        "sum_manager_money - sum_cost_money_Red - sum_return_money) AS sum_sum_cash FROM  (SELECT op_ymd, "
        "(SELECT ifnull(SUM(charge_money), 0) FROM MChargeRecords  WHERE KIND=0 AND op_ymd = A.op_ymd) AS "
        "sum_charge_money, (SELECT ifnull(SUM(charge_money), 0) FROM MChargeRecords  WHERE KIND=2 AND op_ymd "
        "= A.op_ymd) AS sum_bat_money, (SELECT ifnull(SUM(charge_money), 0) FROM MChargeRecords  WHERE "
        "KIND=30 "
        "AND op_ymd = A.op_ymd) AS Sum_ChuNa_money, (SELECT ifnull(SUM(in_money), 0) FROM MCardCost  WHERE "
        "Kind = 1 AND op_ymd = A.op_ymd) AS sum_cost_money, (SELECT ifnull(SUM(in_money), 0) FROM MCardCost  "
        "WHERE Kind = 2 AND op_ymd = A.op_ymd) AS sum_manager_money, (SELECT ifnull(SUM(out_money), 0) FROM "
        "MCardCost  WHERE Kind = 1 AND op_ymd = A.op_ymd) AS sum_cost_money_Red, (SELECT "
        "ifnull(SUM(card_consume), 0) FROM MealRecords  WHERE flag=102 AND op_ymd = A.op_ymd) AS "
        "sum_return_money FROM (select op_ymd  from MealRecords where flag=102  and op_ymd >= '2026-02-01' "
        "and op_ymd <= '2026-02-28 23:59:59'  union select op_ymd from mchargeRecords where 1 = 1  and "
        "op_ymd "
        ">= '2026-02-01' and op_ymd <= '2026-02-28 23:59:59'  union select op_ymd from mcardcost where 1 = 1 "
        " "
        "and op_ymd >= '2026-02-01' and op_ymd <= '2026-02-28 23:59:59' ) A  Group by op_ymd  ) BB  order by "
        "op_ymd ");
    QTest::newRow("daily consumption summary")
        << QStringLiteral("SELECT C.op_ymd,") + periodSums + QStringLiteral(" FROM  MealRecords C , ") +
               period +
               QStringLiteral(
                   " D  where C.Kind = D.Dinlev_ID AND D.isvalid = 1  and C.flag<>102  and C.op_ymd "
                   "between '2026-02-01 ' and '2026-02-28 23:59:59'  GROUP BY C.op_ymd order by C.op_ymd");
    QTest::newRow("period titles") << QStringLiteral(
        "select 0 as DinLev_id, '餐外消费' as DinLev_name, 0 as DinLevPrice, null as beg_time, null "
        "as end_time, 'false' as iscount,'true' as isvalid, null as Mem,0 as two_price union SELECT "
        "DinLev_id, DinLev_name, DinLevPrice, beg_time, end_time, iscount,isvalid, Mem,two_price "
        "from dinlev order by DinLev_id");
    QTest::newRow("recharge and consumption summary") << QStringLiteral(
        "SELECT op_ymd,(SELECT  ifnull(SUM(in_money), 0)  - ifnull(SUM(out_money), 0)FROM MCardCost WHERE "
        "kind in(1) and op_ymd = A.op_ymd ) AS sum_cost_money, ((SELECT ifnull(SUM(last_balance), 0) from "
        "hum_employee) + (SELECT ifnull(SUM(charge_money), 0) FROM MChargeRecords WHERE  op_ymd <= A.op_ymd) "
        "- (SELECT ifnull(SUM(card_consume), 0) FROM MealRecords WHERE  op_ymd <= A.op_ymd)) as card_balance "
        "FROM (select op_ymd from MealRecords union select op_ymd from mchargeRecords union select op_ymd "
        "from mcardcost union select Date(op_date) as op_ymd from mallowance) A WHERE op_ymd>='2026-02-01 "
        "00:00:00' and op_ymd<='2026-02-28 23:59:59' Group by op_ymd order by op_ymd");
    QTest::newRow("meal levels per employee")
        << QStringLiteral("SELECT * from (SELECT H.emp_id, E.EmpName, H.card_id,H.deptno,H.deptname, ") +
               QString(periodSums).replace(QStringLiteral("C."), QStringLiteral("H.")) +
               QStringLiteral(" FROM (Select * FROM  MealRecords C , ") + period +
               QStringLiteral(
                   " D  where C.Kind = D.Dinlev_ID AND D.isvalid = 1  and op_ymd >= '2026-02-01' and "
                   "op_ymd <= '2026-02-28 23:59:59' ) H left join (select empno,empname,deptname,card_id,"
                   "sys_id,issued,duty from hum_employee union select empno,empname,deptname,card_id,"
                   "sys_id,issued,duty  from hum_employee_lz) E on H.emp_id=E.empno  GROUP BY H.emp_id, "
                   "E.EmpName, H.card_id,H.deptno,H.deptname) BB WHERE 1 = 1 ");
    QTest::newRow("meal levels per terminal")
        << QStringLiteral("SELECT  C.Clock_id,E.Clock_name, sum(case when C.kind=1 then 1.0 else 0.0 end) AS "
                          "OneCount FROM  MealRecords C, ") +
               period +
               QStringLiteral(
                   " D, Clocks E WHERE  C.Kind = D.Dinlev_ID AND D.isvalid = 1 and C.Clock_id=E.Clock_id "
                   "  And op_ymd >= '2026-02-01' and op_ymd <= '2026-02-28 23:59:59'  Group by "
                   "C.Clock_id,E.Clock_name order by C.Clock_id");
    QTest::newRow("meal period of a time") << QStringLiteral(
        "select DinLev_id from dinlev where '12:10' between beg_time and end_time and isvalid = 1");
    QTest::newRow("goods sales") << QStringLiteral(
        " select s.storeno,s.storename , v.Price, min(sign_time) as startTime, max(sign_time) as "
        "end_time,sum(Amount) as sum_Count,sum(v.price * Amount) as sum_Money  from storedetail v, "
        "MealRecords m, store s where m.pos_sequ = v.devno and m.Clock_id = v.Clock_id and  "
        "v.storeno = s.storeno  and M.sign_time >='2026-02-01 00:00:00' And M.sign_time "
        "<='2026-02-28 23:59:59' group by s.storeno,s.storename , v.Price");
    QTest::newRow("personal recharges") << QStringLiteral(
        "SELECT  emp_id,empname,deptno,deptname, sum(case when KIND=0 then charge_money else 0 end) "
        "AS sum_charge_money,sum(charge_money) as sum_money,sum(case when kind<>-1  then 1.0 else "
        "0.0 end) as Totalcount FROM MchargeRecords where 1 = 1  and op_ymd >= '2026-02-01' and "
        "op_ymd <= '2026-02-28 23:59:59'  Group by emp_id, empname, deptno, deptname ");
    QTest::newRow("cashier bill stamp") << QStringLiteral(
        " update mchargeRecords set stadescr='2026-02' where ifnull(stadescr,'') ='' and kind "
        "in(0,2,30) and op_date>='2026-02-01 00:00:00' and op_date<'2026-03-01 00:00:00'");
    QTest::newRow("cashier bill statistic") << QStringLiteral(
        "SELECT  op_user,clock_id, sum(case when kind in (0,2,30) then 1 else 0 end) as fullcount, sum(case "
        "when kind in (0,2,30) then money else 0 end) as fullbalance from (select opcard_id as op_user, "
        "ifnull(clock_id,0) as clock_id, kind, charge_money as money, op_date from mchargeRecords where "
        "stadescr='2026-02' union all select opcard_id, 0 as clock_id, 102, card_consume, sign_time from "
        "mealRecords where stadescr='2026-02' union all select op_user, 0 as clock_id, 20, in_money, op_date "
        "from mcardcost where stadescr='2026-02' union all select op_user, 0 as clock_id, 23, card_balance, "
        "return_date from returncard where stadescr='2026-02' union all select op_user, 0 as clock_id, 24, "
        "card_balance, op_date from mchangecard where stadescr='2026-02') a where  1=1  and (op_date "
        ">='2026-02-01 00:00:00' and op_date<'2026-03-01 00:00:00') group by op_user,clock_id order by "
        "op_user ");
    QTest::newRow("monthly card population") << QStringLiteral(
        " select c.card_id, e.empno, e.sys_id, e.EmpName, e.deptname  FROM  (  select empno, sys_id "
        ",EmpName,deptname,card_id from  hum_employee where issued=1  union all    select empno, sys_id "
        ",EmpName,deptname,card_id from  hum_employee_lz where issued=1   ) AS E  right join  (select "
        "card_id  "
        "from cardinfo where issue_date <  '2026-02-01 00:00:00' and card_id not in (select card_id from  "
        "ReturnCard where  return_date <= '2026-02-01 00:00:00') and card_id not in (select old_card_id from "
        " "
        "MChangeCard where op_date <= '2026-02-01 00:00:00')  union all   select card_id  from cardinfo "
        "where "
        "issue_date between  '2026-02-01 00:00:00' and '2026-02-28 23:59:59'  ) C on  C.card_id = E.card_id");
    QTest::newRow("monthly sequence gaps") << QStringLiteral(
        "select card_id, min_sequ,  max_sequ, mCount - nCount AS jCount from (SELECT card_id, "
        "sum(card_sequ) AS nCount,  count(*)  as iCount, min(card_sequ) as min_sequ,  "
        "max(card_sequ) as max_sequ, (case when min(card_sequ) = 1 then  count(*)  * ( count(*)  + "
        "1) / 2 else  (min(card_sequ) - 1) *  count(*)  +  count(*)  * ( count(*)  + 1) / 2 end) as "
        "mCount FROM vIsCheckCardRecord WHERE op_date   between  '2026-02-01 00:00:00' and "
        "'2026-02-28 23:59:59'  GROUP BY card_id) aa  where nCount <> mCount ");
    QTest::newRow("monthly transactions in the period")
        << category + QStringLiteral(
                          " FROM  vIsCheckCardRecord where op_date  between  '2026-02-01 00:00:00' and "
                          "'2026-02-28 23:59:59' and  card_Id in (502,501)  ) as alltab   order by card_id, "
                          "card_sequ asc , kind asc , op_date asc  ");
    QTest::newRow("monthly transactions before the period")
        << category + QStringLiteral(
                          " FROM  vIsCheckCardRecord  a, (select card_id as bcard_id, max(card_sequ) as "
                          "bcard_sequ, (max(card_sequ) - 1) as ccard_sequ FROM  vIsCheckCardRecord where "
                          "op_date  < '2026-02-04 00:00:00' and  card_Id in (502)  group by card_id ) b  "
                          "where card_Id = bcard_id and  card_sequ in(bcard_sequ, ccard_sequ) and op_date  "
                          "< '2026-02-04 00:00:00' and  card_Id in (502)  ) as alltab   order by card_id, "
                          "card_sequ desc, kind desc , op_date desc  ");
    QTest::newRow("monthly holder balance") << QStringLiteral(
        "select * from (select sys_id, last_balance, last_date from hum_employee where "
        "ifnull(sys_id,0) <> 0 and sys_id = '502' union all select sys_id, last_balance, last_date "
        "from hum_employee_lz where ifnull(sys_id,0) <> 0 and sys_id = '502' ) aa order by sys_id");
    QTest::newRow("monthly first transaction") << QStringLiteral(
        " select emp_id, (card_balance - card_consume) as last_Balance from vIsCheckCardRecord v "
        "where Card_Id = '502' and op_date > '2026-02-01 00:00:00' and card_sequ in(select "
        "min(card_sequ) from vIsCheckCardRecord where emp_id = v.emp_id ) order by kind desc limit 1");
    QTest::newRow("monthly add-back allowances") << QStringLiteral(
        " select id from mallowance m inner join mchargerecords c on m.emp_id = c.emp_id and "
        "m.sys_id = c.sys_id  and m.deposit = c.charge_money and c.isaddback = 1 and c.kind = 33 and "
        "m.charge_date = c.op_date and m.charge_ver = c.charge_ver and  c.Card_id in(502) and "
        "m.op_date  between  '2026-02-01 00:00:00' and '2026-02-28 23:59:59' ");
    QTest::newRow("monthly backup sequences") << QStringLiteral(
        "select * from (select card_id, card_sequ from mealrecords_bak where Card_id in(502) and "
        "sign_time  between  '2026-02-01 00:00:00' and '2026-02-28 23:59:59'  union all select "
        "card_id, card_sequ from mchargerecords_bak where Card_id in(502) and op_date  between  "
        "'2026-02-01 00:00:00' and '2026-02-28 23:59:59') a ");
    QTest::newRow("monthly bill row") << QStringLiteral(
        "insert into MealMonthRec(last_balance, Now_card_balance, sys_id, empno, EmpName, deptname, "
        "card_id, sum_charge_money, sum_add_money, sum_bat_money, sum_chuna_money, sum_rate_money, "
        "sum_Consume_money, sum_Return_money, sum_Clear_money, sum_BuDan_money, ChangeCardMoney, "
        "sum_All_in, sum_All_out, Balance, BillStartDate, BillEndDate, MonthDes) values (0, 145.5, "
        "'502', '1001', '张三', '行政部', 502, 100, 50, 0, 0, 0, -12.5, -20, 0, 0, 10, 160, -32.5, "
        "0, '2026-02-01', '2026-02-28 23:59:59', '2026-02')");
    QTest::newRow("bill department summary") << QStringLiteral(
        " select  a3.deptname, BillStartDate, BillEndDate, MonthDes, count(*) empno, sum(balance) as balance "
        "from MealMonthRec a1 left join ( select distinct card_id, emp_id empno, substring(deptno,1,4) "
        "deptno  "
        "from (Select card_id , emp_id , deptno ,deptname  from  ReturnCard union  select old_card_id , "
        "emp_id "
        ", deptno ,deptname   from  mchangecard union  select card_id , empno , deptno ,deptname   from "
        "hum_employee where card_id is not null  ) hum ) a2 on a1.card_id = a2.card_id left join "
        "hum_department a3 on a2.deptno=a3.deptno where MonthDes='2026-02' group by a3.deptname, "
        "BillStartDate, BillEndDate, MonthDes");
    QTest::newRow("period lock") << QStringLiteral(
        "insert into pos_lockBillDate(  BillLockDate   , AddDate  )  values( '2026-02-28 23:59:59' , "
        "'2026-03-01 08:00:00') ");
    QTest::newRow("settlement accounts at a date") << QStringLiteral(
        "select count(*) as nCount from cardinfo where issue_date < '2026-03-01' and card_id not "
        "in(select card_id from cardinfo where cardstatusdate < '2026-03-01' and cardstatus = 2) and "
        "card_id not in(select card_id from returncard where return_date < '2026-03-01') and card_id "
        "not in(select old_card_id from mchangecard where op_date < '2026-03-01')");
    QTest::newRow("settlement total balance") << QStringLiteral(
        "select sum(consumemoney) as sumbalance  from ( select sum(charge_money) as consumemoney "
        "from  MChargeRecords  where KIND in (0,2,30,31,33,1,3,104) and Op_date < '2026-02-28 "
        "23:59:59' union all select sum(-card_consume) as consumemoney FROM MealRecords  WHERE flag "
        "in (1,2,3,5,6,9,90,103,14,105,102)  and sign_time < '2026-02-28 23:59:59' ) aa ");
    QTest::newRow("settlement fees") << QStringLiteral(
        "select sum(ifnull(in_money, 0)) - sum(ifnull(out_money, 0)) as summoney from mcardcost "
        "where kind = 2 and Op_date < '2026-02-01' ");
    QTest::newRow("settlement new cards") << QStringLiteral(
        "select count(*) as nCount from cardinfo where issue_date between '2026-02-01' and "
        "'2026-02-28 23:59:59' and card_id not in(select new_card_id from mchangecard where op_date "
        "between '2026-02-01' and '2026-02-28 23:59:59') ");
    QTest::newRow("settlement dining rooms") << QStringLiteral(
        "select dinroom_id, count(*) as nCount, sum(card_consume) as consumemoney from MealRecords "
        "s, clocks c where flag not in(14, 102) and s.clock_id = c.clock_id and sign_time "
        ">='2026-02-01' And sign_time <='2026-02-28 23:59:59'  group by dinroom_id ");
    QTest::newRow("settlement voucher line") << QStringLiteral(
        "insert into settlestatistic(opid,optype,opcount,empconut,balancemoney,managemoney,"
        "costmoney,stadescr,stabegdate,staenddate,opdatetime,opuser) values (0,'期末状态',0,1,145.5,"
        "5,20,'S1','2026-02-01','2026-02-28 23:59:59',now(),'ADMIN')");
    QTest::newRow("settlement voucher report") << QStringLiteral(
        "select distinct b.opdatetime,b.stadescr,b.stabegdate,b.staenddate, a.*  from(select opid, "
        "optype, opcount, empconut, balancemoney, managemoney, costmoney from settlestatistic where "
        "stadescr='S1' ) a left join settlestatistic b on a.optype=b.optype where b.stadescr='S1' "
        "order by a.opid ");
    QTest::newRow("allowance issue") << QStringLiteral(
        "Insert into MAllowance(emp_id,sys_id,card_id,deposit,charged,downed,charge_ver,op_user,"
        "op_date,deptno,deptname,empname,AllowDate,Memo) Values('1001',502,502,10,0,0,2,'ADMIN',"
        "'2026-02-10 10:00:00','0101','行政部','张三','2026-03-10 23:59:59','')");
    QTest::newRow("allowance candidates") << QStringLiteral(
        " SELECT E.empno,E.card_id,E.empname,E.deptname,E.deptno,E.sys_id,E.over_pwd FROM "
        "hum_Employee AS E  where  1=1 and (E.deptno like('01%'))  and  E.issued=1 and E.card_id in "
        "(select card_id from cardinfo where cardstatus = 3) ORDER BY E.empno ");
    QTest::newRow("allowance tasks") << QStringLiteral(
        "Select allow_id, sys_id, card_id, emp_id, empname, charge_ver, charge_money, charge_date, "
        "aow_id  from allowtasklist where ifnull(iscommit,0) <> 1  and ifnull(clock_sn,'') = '' and "
        "clock_id = 11  order by allow_id ");
    QTest::newRow("terminal tree") << QStringLiteral(
        "select Clock_id from Clocks where Clock_type<>'0' and  DinRoom_id='1'");
    QTest::newRow("meal-order parameters")
        << QStringLiteral("update company set week_param='1,7',month_param='01,15'");
    QTest::newRow("operation log") << QStringLiteral(
        "INSERT INTO OpLog (opTime, BeWrite, opUser, opComPuter) VALUES ('2026-02-01 08:00:00', "
        "'进入【消费明细】模块', '管理员', 'HOST')");
}

void HostSchemaTest::moduleStatementsRun() {
    QFETCH(QString, sql);
    m_db->exec(QStringLiteral("DROP TABLE IF EXISTS Meal_TempTable"));
    QSqlQuery q(m_db->db());
    QVERIFY2(q.exec(sql), qPrintable(q.lastError().text()));
}

void HostSchemaTest::monthlyCategoriesBalance() {
    // Transferred balance + the signed sums of the period = closing, for the
    // replacement card whose whole history lies in the period.
    const qint64 sum = qRound64(
        m_db->scalar(QStringLiteral("select sum(card_consume) from vIsCheckCardRecord where card_id=502"))
            .toDouble() *
        100);
    const qint64 closing = qRound64(
        m_db->scalar(QStringLiteral("select card_balance from cardinfo where card_id=502")).toDouble() * 100);
    const qint64 moved =
        qRound64(m_db->scalar(QStringLiteral("select card_balance from mchangecard where new_card_id=502"))
                     .toDouble() *
                 100);
    QCOMPARE(moved + sum, closing);
    // The category of every meal row comes from its flag, not from its meal period.
    QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from vIsCheckCardRecord where cType<>'CH' and kind "
                                         "in (select flag from MealRecords)"))
                 .toInt(),
             3);
}

void HostSchemaTest::duplicateTablesMirrorTheirMainTable() {
    // Rows move between a table and its duplicate table with "select *": the
    // column lists must match in name and order.
    const QList<QPair<QString, QString>> pairs = {
        {QStringLiteral("mealrecords"), QStringLiteral("mealrecords_dou_bak")},
        {QStringLiteral("mealrecords"), QStringLiteral("mealrecords_bak")},
        {QStringLiteral("mchargerecords"), QStringLiteral("mchargerecords_dou_bak")},
        {QStringLiteral("mchargerecords"), QStringLiteral("mchargerecords_bak")},
        {QStringLiteral("mchargerecords"), QStringLiteral("mchargerecords_fullbak")},
    };
    for (const auto& pair : pairs) {
        const QSqlRecord a = m_db->db().record(pair.first);
        const QSqlRecord b = m_db->db().record(pair.second);
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
                              "database() and lower(table_name) <> 'meal_temptable'")));
    QStringList loaded;
    while (q.next())
        loaded << q.value(0).toString();
    loaded.sort();
    QCOMPARE(loaded, mysql.keys());
}

QTEST_GUILESS_MAIN(HostSchemaTest)
#include "HostSchemaTest.moc"
