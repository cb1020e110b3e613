#include "reports/MealRecordsQuery.h"

#include "db/DbError.h"
#include "db/Session.h"

#include <QHash>
#include <QSqlQuery>

namespace MealRecordsQuery {

QString baseStatement() {
    return QStringLiteral(
        "SELECT emp_id, card_id, empname, deptno, deptname, clock_id, Pos_Sequ, Card_Sequ,  sign_time, flag, "
        "card_consume, card_balance, kind, opcard_id FROM MealRecords  where (sign_time >= :@begindate And "
        "sign_time <= :@enddate) ");
}

QString cardNumber(const QString& text) {
    const QString card = text.trimmed();
    bool digits = !card.isEmpty();
    for (const QChar c : card)
        digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!digits)
        throw DbError(QStringLiteral("卡号只能由数字组成: %1").arg(card));
    return card;
}

QString kindCondition(int kindIndex) {
    if (kindIndex >= 0 && kindIndex < CorrectionsIndex)
        return QStringLiteral(" and flag = ") + QString::number(kindIndex + 1);
    if (kindIndex == CorrectionsIndex)
        return QStringLiteral(" and flag in (9,90,14,105) ");
    return QStringLiteral(" and flag <>102 ");
}

QStringList kindItems(int moduleOptions) {
    QStringList items = {QStringLiteral("定值消费"), QStringLiteral("金额消费"), QStringLiteral("键值消费"),
                         QStringLiteral("计次消费"), QStringLiteral("商品消费"), QStringLiteral("计时消费"),
                         QStringLiteral("记帐消费")};
    items << ((moduleOptions & 4) ? QStringLiteral("纠错/补单/清零") : QStringLiteral("纠错/补单"));
    items << QStringLiteral("全部");
    return items;
}

QString conditions(const MealRecordsFilter& f, const Session& session, const QString& clockColumn) {
    const SqlDialect dialect = session.dialect();
    QString sql = DepartmentFilter::conditions(f.department, session);
    if (!f.cardText.trimmed().isEmpty())
        sql += QStringLiteral(" And %1 = %2").arg(QStringLiteral("card_id"), cardNumber(f.cardText));
    if (f.byTerminals)
        sql += terminalCondition(f.terminals, clockColumn);
    if (!f.userDinRoom.isEmpty() && f.restrictToDinRoom)
        sql += QStringLiteral(" and %1 in (select  clock_id from clocks where dinroom_id=%2)")
                   .arg(clockColumn, dialect.quote(f.userDinRoom));
    sql += kindCondition(f.kindIndex);
    return sql;
}

QString orderClause() {
    return QStringLiteral("order by emp_id,sys_id,card_sequ ");
}

QString statement(const MealRecordsFilter& f, const Session& session) {
    return baseStatement() + conditions(f, session) + QLatin1Char(' ') + orderClause();
}

QString allTerminalsStatement(const SqlDialect& dialect, const QString& userDinRoom, bool restrictToDinRoom) {
    if (!userDinRoom.isEmpty() && restrictToDinRoom)
        return QStringLiteral("select Clock_id from Clocks where Clock_type<>'0' and dinroom_id=%1")
            .arg(dialect.quote(userDinRoom));
    return QStringLiteral("select Clock_id from Clocks where Clock_type<>'0'");
}

QString roomTerminalsStatement(const SqlDialect& dialect, const QString& roomId) {
    return QStringLiteral("select Clock_id from Clocks where Clock_type<>'0' and  DinRoom_id=%1")
        .arg(dialect.quote(roomId));
}

QString terminalCondition(const QVector<qint64>& clockIds, const QString& clockColumn) {
    QStringList numbers;
    for (const qint64 id : clockIds)
        numbers << QString::number(id);
    const QString list = numbers.isEmpty() ? QStringLiteral("-1") : numbers.join(QLatin1Char(','));
    return QStringLiteral(" and %1 in (%2)").arg(clockColumn, list);
}

QVector<qint64> readTerminals(const Session& session, const QString& sql) {
    QVector<qint64> ids;
    QSqlQuery q(session.ModuleConnection);
    session.runner().RunQuery(q, sql, true);
    while (q.next()) {
        bool ok = false;
        const qint64 id = q.value(0).toLongLong(&ok);
        if (ok)
            ids << id;
    }
    return ids;
}

QString terminalCaption(int clockId, int tcpipType, const QString& address, int tcpipPort, int comPort,
                        int baudRate) {
    if (tcpipType != 0)
        return QStringLiteral("%1(COM%2-%3)")
            .arg(QString::number(clockId), QString::number(comPort), QString::number(baudRate));
    return QStringLiteral("%1(%2-%3)").arg(QString::number(clockId), address, QString::number(tcpipPort));
}

QVector<ClockTreeRoom> loadClockTree(const Session& session) {
    QVector<ClockTreeRoom> rooms;
    QHash<QString, int> byId;
    QSqlQuery q(session.ModuleConnection);
    session.runner().RunQuery(
        q, QStringLiteral("select DinRoom_id, DinRoom_name from DinRoom order by DinRoom_id"), true);
    while (q.next()) {
        const QString id = q.value(0).toString().trimmed();
        byId.insert(id, int(rooms.size()));
        rooms.append({id, q.value(1).toString(), {}});
    }
    session.runner().RunQuery(
        q,
        QStringLiteral("select clock_id, dinroom_id, TCPIP_type, TCPIP_Address, TCPIP_Port, "
                       "comport, BaudRate from Clocks where Clock_type<>'0' order by clock_id"),
        true);
    while (q.next()) {
        const int room = byId.value(q.value(1).toString().trimmed(), -1);
        if (room < 0)
            continue; // a terminal without a known room has no node
        const int clockId = q.value(0).toInt();
        rooms[room].terminals.append(
            {clockId, terminalCaption(clockId, q.value(2).toInt(), q.value(3).toString(), q.value(4).toInt(),
                                      q.value(5).toInt(), q.value(6).toInt())});
    }
    return rooms;
}

QString detailTable(int kindIndex) {
    switch (kindIndex) {
    case KeyValueIndex:
        return QStringLiteral("keydetail");
    case GoodsIndex:
        return QStringLiteral("vstoredetail");
    case TimedIndex:
        return QStringLiteral("tmdetail");
    default:
        return QString();
    }
}

QString detailStatement(const QString& table, const QDateTime& begin, const QDateTime& end) {
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    const QString dates = QStringLiteral(" and sign_time >='%1' And sign_time <='%2'")
                              .arg(begin.toString(format), end.toString(format));
    return QStringLiteral("select s.* from ") + table + QStringLiteral(" s, mealrecords m ") +
           QStringLiteral("where s.clock_id = m.clock_id and s.devno = m.pos_sequ ") + dates;
}

QString detailFilter(qint64 clockId, qint64 posSequ) {
    return QStringLiteral(" clock_id = %1 and Devno = %2 ")
        .arg(QString::number(clockId), QString::number(posSequ));
}

} // namespace MealRecordsQuery
