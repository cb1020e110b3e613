#include "cashier/CashierDocuments.h"

#include "db/Session.h"

#include <QDir>
#include <QFile>

namespace CashierDocuments {

namespace {

const QString kTime = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kDay = QStringLiteral("yyyy-MM-dd");

void addSiteHead(PrintedDocument& doc, const Site& site) {
    if (!site.logo.isNull())
        doc.addImage(site.logo);
    if (!site.heading.isEmpty())
        doc.addLine({site.heading});
}

void addSignOff(PrintedDocument& doc, const QDate& printed) {
    doc.addGap(12);
    doc.addLine({QStringLiteral("制单："), QStringLiteral("审核："), QStringLiteral("批准："),
                 QStringLiteral("打印日期：") + printed.toString(kDay)});
}

QStringList billCells(const QString& type, int count, Currency balance, Currency deposit, Currency fee,
                      Currency must, const QString& user) {
    return {type, QString::number(count), yuan(balance), yuan(deposit), yuan(fee), yuan(must), user};
}

} // namespace

Site siteOf(const Session& session) {
    Site site;
    site.company = session.CompanyName;
    const QDir folder(session.programFolder);
    QImage logo(folder.filePath(QStringLiteral("logo.png")));
    if (!logo.isNull())
        site.logo = logo;
    QFile title(folder.filePath(QStringLiteral("title.txt")));
    if (title.open(QIODevice::ReadOnly))
        site.heading = QString::fromUtf8(title.readLine()).trimmed();
    return site;
}

QString yuan(Currency amount) {
    return QStringLiteral("￥") + amount.toString(2);
}

PrintedDocument bill(const Site& site, const CashierBillHead& head, const QVector<CashierBillRow>& rows,
                     bool perOperator, const QDate& printed) {
    PrintedDocument doc;
    addSiteHead(doc, site);
    doc.addTitle(QStringLiteral("出纳统计表"));
    doc.addLine({site.company});
    doc.addLine({QStringLiteral("账单号：") + head.number,
                 QStringLiteral("账单时间段：%1 至 %2")
                     .arg(head.period.begin.toString(kTime), head.period.end.toString(kTime))});
    doc.addLine({QStringLiteral("入账时间：") + head.posted.toString(kTime)});
    PrintedDocument::Table table;
    table.headers =
        QStringList{QStringLiteral("业务类型"), QStringLiteral("次数"),   QStringLiteral("变动金额"),
                    QStringLiteral("卡成本"),   QStringLiteral("管理费"), QStringLiteral("实收金额"),
                    QStringLiteral("操作员")};
    table.widths = {1.2, 0.7, 1.1, 1.1, 1.1, 1.1, 2.2};
    table.rightAligned = {false, true, true, true, true, true, false};
    CashierBillRow group;
    CashierBillRow total;
    const auto add = [](CashierBillRow& sum, const CashierBillRow& r) {
        sum.opcount += r.opcount;
        sum.balance += r.balance;
        sum.deposit += r.deposit;
        sum.opfee += r.opfee;
        sum.mustmoney += r.mustmoney;
    };
    const auto closeGroup = [&] {
        table.rows << billCells(QStringLiteral("合计："), group.opcount, group.balance, group.deposit,
                                group.opfee, group.mustmoney, group.opuser);
        table.emphasised.resize(table.rows.size());
        table.emphasised.last() = true;
    };
    for (int i = 0; i < rows.size(); ++i) {
        const CashierBillRow& r = rows.at(i);
        if (perOperator && i > 0 && rows.at(i - 1).opuser != r.opuser) {
            closeGroup();
            group = {};
        }
        group.opuser = r.opuser;
        table.rows << billCells(r.optype, r.opcount, r.balance, r.deposit, r.opfee, r.mustmoney,
                                perOperator ? r.opuser : QStringLiteral("全部"));
        table.emphasised.resize(table.rows.size());
        add(group, r);
        add(total, r);
    }
    if (perOperator && !rows.isEmpty())
        closeGroup();
    table.rows << billCells(QStringLiteral("总计："), total.opcount, total.balance, total.deposit,
                            total.opfee, total.mustmoney, QString());
    table.emphasised.resize(table.rows.size());
    table.emphasised.last() = true;
    doc.addTable(table);
    addSignOff(doc, printed);
    return doc;
}

PrintedDocument voucher(const Site& site, const SettleHead& head, const QVector<SettleLine>& lines,
                        const QDate& printed) {
    const auto line = [&lines](int opid) {
        for (const SettleLine& l : lines)
            if (l.opid == opid)
                return l;
        return SettleLine{opid, QString(), 0, 0, {}, {}, {}};
    };
    PrintedDocument doc;
    addSiteHead(doc, site);
    doc.addTitle(site.company + QStringLiteral(" 结算凭证"));
    doc.addLine({QStringLiteral("凭证号：") + head.number,
                 QStringLiteral("统计时段：%1---%2").arg(head.begin.toString(kDay), head.end.toString(kDay)),
                 QStringLiteral("生成时间：") + head.written.toString(kTime)});

    const SettleLine atEnd = line(0), atStart = line(1), change = line(2);
    PrintedDocument::Table state;
    state.headers = QStringList{QString(), QStringLiteral("期末状态"), QStringLiteral("期初状态"),
                                QStringLiteral("变化总量")};
    state.widths = {1.2, 1, 1, 1};
    state.rightAligned = {false, true, true, true};
    state.rows << QStringList{QStringLiteral("账户总数"), QString::number(atEnd.empconut),
                              QString::number(atStart.empconut), QString::number(change.empconut)}
               << QStringList{QStringLiteral("账户总余额"), yuan(atEnd.balancemoney),
                              yuan(atStart.balancemoney), yuan(change.balancemoney)}
               << QStringList{QStringLiteral("管理费总额"), yuan(atEnd.managemoney),
                              yuan(atStart.managemoney), yuan(change.managemoney)}
               << QStringList{QStringLiteral("卡成本总额"), yuan(atEnd.costmoney), yuan(atStart.costmoney),
                              yuan(change.costmoney)};
    doc.addTable(state);

    doc.addGap(8);
    doc.addLine({QStringLiteral("系统变化明细")});
    PrintedDocument::Table moves;
    moves.headers = QStringList{QStringLiteral("项目"), QStringLiteral("发生人数"), QStringLiteral("金额")};
    moves.widths = {1.2, 1, 1.4};
    moves.rightAligned = {false, true, true};
    const auto money = [](const QString& name, const SettleLine& l, Currency amount) {
        return QStringList{name, QString::number(l.opcount), yuan(amount)};
    };
    const auto count = [](const QString& name, const SettleLine& l) {
        return QStringList{name, QString::number(l.opcount), QString()};
    };
    moves.rows << money(QStringLiteral("充值"), line(3), line(3).balancemoney)
               << money(QStringLiteral("补贴"), line(4), line(4).balancemoney)
               << money(QStringLiteral("管理费"), line(5), line(5).managemoney)
               << money(QStringLiteral("卡成本"), line(6), line(6).costmoney)
               << money(QStringLiteral("退款"), line(7), line(7).balancemoney)
               << count(QStringLiteral("开户"), line(9)) << count(QStringLiteral("挂失"), line(10))
               << count(QStringLiteral("补办"), line(11)) << count(QStringLiteral("退卡"), line(12))
               << money(QStringLiteral("清零"), line(8), line(8).balancemoney);
    doc.addTable(moves);

    doc.addGap(8);
    PrintedDocument::Table detail;
    detail.headers = QStringList{QStringLiteral("项目"), QStringLiteral("笔数"), QStringLiteral("金额")};
    detail.widths = {1.2, 1, 1.4};
    detail.rightAligned = {false, true, true};
    for (const SettleLine& l : lines)
        if (l.opid >= 20)
            detail.rows << QStringList{l.optype, QString::number(l.opcount), yuan(l.balancemoney)};
    const SettleLine total = line(13);
    detail.rows << QStringList{QStringLiteral("总计"), QString::number(total.empconut),
                               yuan(total.balancemoney)};
    detail.emphasised.resize(detail.rows.size());
    detail.emphasised.last() = true;
    doc.addTable(detail);
    doc.addLine({QStringLiteral("总计 管理费：") + yuan(total.managemoney),
                 QStringLiteral("卡成本：") + yuan(total.costmoney),
                 QStringLiteral("账户变化：%1").arg(total.empconut)});
    addSignOff(doc, printed);
    return doc;
}

} // namespace CashierDocuments
