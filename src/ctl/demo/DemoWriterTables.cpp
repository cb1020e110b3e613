// The fixed tables written before the transactions and the tables of final
// state written after them.
#include "ctl/demo/DemoTime.h"
#include "ctl/demo/DemoWorld.h"
#include "ctl/demo/DemoWriter.h"
#include "db/PasswordHash.h"

#include <QStringList>

#include <algorithm>

namespace {

const char* statusText(int status) {
    switch (status) {
    case kCardLost:
        return "挂失";
    case kCardReturned:
        return "退卡";
    default:
        return "正常";
    }
}

const char* const kCompanyParameters[] = {"ClientCode=1",
                                          "backCode=1",
                                          "cbDepart=True",
                                          "cbClock=False",
                                          "edmaxbalance=1000",
                                          "CardMinMoney=0",
                                          "IDCountMoney=0",
                                          "edmaxmoney=500",
                                          "IsSetOtherMatters=10001100",
                                          "PassWord=FFFFFFFFFFFF",
                                          "isCheckLimitDate=False",
                                          "aballowtype=False",
                                          "isReIssueCardAddAllow=True",
                                          "dsSysParamIsBillLockDate=False",
                                          "IsEMPNO_ABC=no",
                                          "Cardtype=690"};

// Rights of the limited operator: records and summaries to look at and print,
// allowances to register.
const char* const kOperatorAccess[] = {
    "_ActMealRecord=24",    "_ActFullRecord=24", "_ActCardBalance=24",  "_ActBackRecords=24",
    "_ActCardCost=24",      "_ActReturnCard=24", "_ActChargeSumDay=24", "_ActMealSumDay=24",
    "_ActEmpChargeSum=24",  "_ActEmpDinLev=24",  "_ActDepartDinLev=24", "_ActClockDinlev=24",
    "_ActPersonAccount=24", "_ActHSRecords=24",  "_ActAllowance=31",    "_ActMonthlyBalance=16"};

} // namespace

void DemoWriter::writeFixedTables(const QString& companyName) {
    BulkInsert dept(m_load, "hum_Department", "deptno,deptname,parentno,sortno");
    for (const DemoDepartment& d : m_world.departments)
        dept.row().text(d.deptno).text(d.name).text(d.parentno).integer(d.sortno).end();
    dept.flush();

    BulkInsert types(m_load, "cardtype", "SortID,Name");
    types.row().integer(1).text("职工卡").end();
    types.row().integer(2).text("临时卡").end();
    types.row().integer(3).text("贵宾卡").end();
    types.flush();

    static const char* const kRooms[] = {"第一食堂", "第二食堂", "第三食堂", "职工餐厅", "教工餐厅"};
    BulkInsert rooms(m_load, "dinroom", "DinRoom_id,DinRoom_name,Mem");
    for (int r = 1; r <= m_world.rooms(); ++r)
        rooms.row().integer(r).text(kRooms[(r - 1) % 5]).null().end();
    rooms.flush();

    BulkInsert clocks(m_load, "clocks",
                      "clock_id,clock_name,Clock_type,dinroom_id,comport,BaudRate,TCPIP_type,TCPIP_Address,"
                      "TCPIP_Port,commkey,clock_sn,lastTimeRec,WRParam");
    for (const DemoTerminal& t : m_world.terminals) {
        clocks.row().integer(t.clockId).text(t.name).text(t.typeCode()).integer(t.room);
        clocks.integerOrNull(t.comport, t.network).integerOrNull(t.baudRate, t.network).integer(t.tcpipType);
        t.network ? clocks.text(t.address).integer(80) : clocks.null().null();
        clocks.integer(0).text(QStringLiteral("SN%1").arg(880000 + t.clockId)).null().null().end();
    }
    clocks.flush();

    BulkInsert periods(m_load, "Dinlev",
                       "DinLev_ID,DinLev_Name,DinLevPrice,beg_time,end_time,iscount,isvalid,Mem,two_price");
    for (const DemoPeriod& p : m_world.periods) {
        periods.row().integer(p.id).text(p.name).money(p.priceCents).text(p.begin).text(p.end).integer(1);
        periods.integer(p.valid ? 1 : 0).null().money(p.priceCents / 2).end();
    }
    periods.flush();

    BulkInsert store(m_load, "store", "storeno,storename,price");
    for (const DemoArticle& a : m_world.articles)
        store.row().integer(a.no).text(a.name).money(a.priceCents).end();
    store.flush();

    QStringList parameters;
    for (const char* line : kCompanyParameters)
        parameters << QString::fromUtf8(line);
    BulkInsert company(m_load, "Company",
                       "company_ch_name,company_en_name,parameters,isControlCard,week_param,month_param");
    company.row().text(companyName).text("Demo Canteen Co.").text(parameters.join(QStringLiteral("\r\n")));
    company.integer(0).text("1,7").text("").end();
    company.flush();

    // Passwords are stored salted and hashed, never as typed.
    QStringList access;
    for (const char* line : kOperatorAccess)
        access << QString::fromUtf8(line);
    QStringList departs;
    const QString firstTop =
        m_world.departments.size() > 1 ? m_world.departments[1].deptno : QStringLiteral("01");
    for (const DemoDepartment& d : m_world.departments)
        if (d.deptno.startsWith(firstTop))
            departs << QLatin1Char('\'') + d.deptno + QLatin1Char('\'');
    BulkInsert users(m_load, "sys_user", "Userid,UserName,Password,Access,departs,dinroom_id");
    users.row().text("ADMIN").text("系统管理员").text(PasswordHash::make(QStringLiteral("admin"))).text("");
    users.text("").text("").end();
    users.row().text("OPER1").text("操作员一").text(PasswordHash::make(QStringLiteral("oper1")));
    users.text(access.join(QStringLiteral("\r\n"))).text(departs.join(QLatin1Char(','))).text("").end();
    users.flush();
}

void DemoWriter::writeFinalTables(const DemoLedger& ledger) {
    flush();
    writePeople();
    writeCards();
    writeAllowances(ledger);
    writeSideTables(ledger);
}

void DemoWriter::writePeople() {
    const char* const columns =
        "empno,empname,deptno,deptname,card_id,sys_id,issued,cardtype,duty,sex,idcard,"
        "over_pwd,last_balance,last_date,in_date";
    BulkInsert current(m_load, "hum_employee", columns);
    BulkInsert departed(m_load, "hum_employee_lz", (std::string(columns) + ",leave_date").c_str());
    for (size_t i = 0; i < m_world.people.size(); ++i) {
        const DemoPerson& p = m_world.people[i];
        const Holder& h = m_holders[i];
        const bool gone = p.fate == Fate::Leaves || p.fate == Fate::LeftBefore;
        BulkInsert& t = gone ? departed : current;
        t.row().text(h.empno).text(h.name).text(h.deptno).text(h.deptname);
        if (p.currentCard >= 0) {
            const int cardId = m_world.cards[size_t(p.currentCard)].cardId;
            t.integer(cardId).integer(cardId).integer(1);
        } else {
            t.null().null().integer(0);
        }
        t.integer(p.cardType).text(p.duty).text(p.sex);
        t.text(QStringLiteral("4401%1").arg(19700101 + int(i) * 37 % 300000, 8, 10, QLatin1Char('0')) +
               QStringLiteral("%1").arg(int(i) % 10000, 4, 10, QLatin1Char('0')));
        t.text("000000").money(0).null().dateTime(p.hireTime);
        if (gone)
            t.dateTime(p.leaveTime);
        t.end();
    }
    current.flush();
    departed.flush();
}

void DemoWriter::writeCards() {
    BulkInsert cards(m_load, "cardinfo",
                     "empno,sys_id,card_id,empname,card_balance,card_sequ,issue_date,validdate,CardStatus,"
                     "CardStatusDes,CardStatusDate,CardFormatVer,CardFactory");
    for (const DemoCard& c : m_world.cards) {
        const bool nobody = c.person < 0;
        cards.row().text(nobody ? std::string("T0001") : m_holders[size_t(c.person)].empno);
        cards.integer(c.cardId).integer(c.cardId);
        nobody ? cards.text("测试卡") : cards.text(m_holders[size_t(c.person)].name);
        cards.money(c.balance).integer(c.sequence).dateTime(c.issueTime);
        cards.dateTime(c.issueTime + (nobody ? 365 : 3 * 365) * DemoTime::kDay);
        cards.integer(c.status).text(statusText(c.status)).dateTime(c.statusTime).integer(1);
        cards.text(c.cardId % 3 ? "MF1 S50" : "FM1208").end();
    }
    cards.flush();
}

void DemoWriter::writeAllowances(const DemoLedger& ledger) {
    BulkInsert allow(
        m_load, "mallowance",
        "emp_id,sys_id,card_id,empname,deptno,deptname,clock_id,deposit,downed,charged,charge_money,"
        "charge_date,AllowDate,card_balance,card_sequ,charge_ver,op_user,op_date,newCard_id,Memo");
    BulkInsert tasks(
        m_load, "allowtasklist",
        "clock_sn,clock_id,sys_id,emp_id,card_id,empname,aow_id,charge_ver,charge_money,charge_date,"
        "op_user,op_date,iscommit,commit_date");
    const std::vector<int> terminals = m_world.allowanceTerminals();
    int id = 0;
    for (const DemoAllowance& a : ledger.allowances) {
        ++id; // the row's key in a table filled from empty
        const Holder& h = m_holders[size_t(a.person)];
        const int cardId = m_world.cards[size_t(a.card)].cardId;
        const QDate month = DemoTime::dateOf(a.registered);
        allow.row().text(h.empno).integer(cardId).integer(cardId).text(h.name).text(h.deptno).text(
            h.deptname);
        allow.integerOrNull(a.clockId, !a.taken)
            .money(a.deposit)
            .integer(a.downed ? 1 : 0)
            .integer(a.taken ? 1 : 0);
        if (a.taken)
            allow.money(a.deposit).dateTime(a.takenTime);
        else
            allow.null().null();
        allow.dateTime(a.validUntil);
        if (a.taken)
            allow.money(a.balance).integer(a.sequence);
        else
            allow.null().null();
        allow.integer(a.serial).text("ADMIN").dateTime(a.registered);
        allow.integerOrNull(a.newCard >= 0 ? m_world.cards[size_t(a.newCard)].cardId : 0, a.newCard < 0);
        allow.text(QStringLiteral("%1年%2月餐费补贴")
                       .arg(QString::number(month.year()),
                            QString::number(month.month()).rightJustified(2, QLatin1Char('0'))));
        allow.end();
        if (!a.downed)
            continue;
        for (size_t k = 0; k < terminals.size(); ++k) {
            const bool pending = a.tasksPending && k == 0;
            tasks.row().text(QStringLiteral("SN%1").arg(880000 + terminals[k])).integer(terminals[k]);
            tasks.integer(cardId).text(h.empno).integer(cardId).text(h.name).integer(id).integer(a.serial);
            tasks.money(a.deposit).dateTime(a.validUntil).text("ADMIN").dateTime(a.registered + 600);
            if (pending)
                tasks.integer(0).null();
            else
                tasks.integer(1).dateTime(a.registered + 1800);
            tasks.end();
        }
    }
    allow.flush();
    tasks.flush();
}

void DemoWriter::writeSideTables(const DemoLedger& ledger) {
    auto person = [&](int card) -> const Holder& { return holderOfCard(card); };
    std::vector<DemoCardCost> costs = ledger.cardCosts;
    std::stable_sort(costs.begin(), costs.end(),
                     [](const DemoCardCost& a, const DemoCardCost& b) { return a.time < b.time; });
    BulkInsert cost(
        m_load, "mcardcost",
        "card_id,emp_id,sys_id,empname,deptno,deptname,in_money,out_money,kind,op_user,op_date,op_ymd,"
        "remark,stadescr");
    for (const DemoCardCost& c : costs) {
        const Holder& h = person(c.card);
        const int cardId = m_world.cards[size_t(c.card)].cardId;
        cost.row().integer(cardId).text(h.empno).integer(cardId).text(h.name).text(h.deptno).text(h.deptname);
        cost.money(c.in).money(c.out).integer(c.kind).text("OPER1").dateTime(c.time).date(c.time).text(
            c.remark);
        cost.null().end();
    }
    cost.flush();

    BulkInsert returns(
        m_load, "returncard",
        "card_id,emp_id,sys_id,empname,deptno,deptname,card_balance,card_sequ,return_date,op_user,"
        "stadescr");
    for (const DemoReturn& r : ledger.returns) {
        const Holder& h = person(r.card);
        const int cardId = m_world.cards[size_t(r.card)].cardId;
        returns.row().integer(cardId).text(h.empno).integer(cardId).text(h.name).text(h.deptno).text(
            h.deptname);
        returns.money(r.balance).integer(r.sequence).dateTime(r.time).text("ADMIN").null().end();
    }
    returns.flush();

    BulkInsert changes(
        m_load, "mchangecard",
        "emp_id,sys_id,empname,deptno,deptname,old_card_id,new_card_id,card_balance,op_date,op_user,"
        "stadescr");
    for (const DemoChange& c : ledger.changes) {
        const Holder& h = person(c.oldCard);
        const int newId = m_world.cards[size_t(c.newCard)].cardId;
        changes.row().text(h.empno).integer(newId).text(h.name).text(h.deptno).text(h.deptname);
        changes.integer(m_world.cards[size_t(c.oldCard)].cardId)
            .integer(newId)
            .money(c.balance)
            .dateTime(c.time);
        changes.text("OPER1").null().end();
    }
    changes.flush();
}
