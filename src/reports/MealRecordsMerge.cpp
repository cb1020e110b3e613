#include "reports/MealRecordsMerge.h"

#include "reports/MealRecordsQuery.h"

#include "dataset/DataSet.h"
#include "dataset/grid/DataSetTableModel.h"
#include "dataset/grid/GridFooter.h"
#include "db/DbError.h"
#include "db/MealDataModule.h"
#include "db/Session.h"

#include <QHash>
#include <QSqlQuery>

namespace MealRecordsMerge {

namespace {

const char* const kDateFormat = "yyyy-MM-dd HH:mm:ss";
const char* const kMoneyFormat = "￥#,###.00";

// The master columns as text, each conversion in the engine's form.
QString masterColumns(const SqlDialect& d) {
    const auto text = [&d](const QString& expr, int width, const QString& name) {
        return d.isSqlServer()
                   ? QStringLiteral("convert(varchar(%1),%2) as %3").arg(QString::number(width), expr, name)
                   : QStringLiteral("CAST(%1 AS CHAR) as %2").arg(expr, name);
    };
    // SQL Server writes the first conversion with a blank after the comma.
    const QString sysId = d.isSqlServer() ? QStringLiteral("convert(varchar(10), sys_id) as sys_id")
                                          : text(QStringLiteral("sys_id"), 10, QStringLiteral("sys_id"));
    return QStringLiteral("emp_id, ") + sysId + QStringLiteral(", ") +
           text(QStringLiteral("card_id"), 10, QStringLiteral("card_id")) +
           QStringLiteral(", empname, deptno, deptname, ") +
           text(QStringLiteral("m.clock_id"), 10, QStringLiteral("clock_id")) + QStringLiteral(", ") +
           text(QStringLiteral("Pos_Sequ"), 10, QStringLiteral("Pos_Sequ")) + QStringLiteral(", ") +
           text(QStringLiteral("Card_Sequ"), 10, QStringLiteral("Card_Sequ")) + QStringLiteral(", ") +
           text(QStringLiteral("sign_time"), 18, QStringLiteral("sign_time")) + QStringLiteral(", ") +
           text(QStringLiteral("flag"), 15, QStringLiteral("flag")) + QStringLiteral(", ") +
           text(QStringLiteral("card_consume"), 15, QStringLiteral("card_consume")) + QStringLiteral(", ") +
           text(QStringLiteral("card_balance"), 15, QStringLiteral("card_balance")) + QStringLiteral(", ") +
           text(QStringLiteral("kind"), 15, QStringLiteral("kind")) + QStringLiteral(", opcard_id ");
}

QString typeText(MergedKind kind) {
    switch (kind) {
    case MergedKind::KeyValue:
        return QStringLiteral("键值    ");
    case MergedKind::Goods:
        return QStringLiteral("商品    ");
    case MergedKind::Timed:
        break;
    }
    return QStringLiteral("计时    ");
}

void dropWorkTable(const Session& session) {
    QSqlQuery q(session.ModuleConnection);
    const SqlDialect d = session.dialect();
    // Only the connection's own temporary table, never a table of that name.
    const QString sql = d.isSqlServer()
                            ? QStringLiteral("DROP TABLE %1 ").arg(workTable(d))
                            : QStringLiteral("DROP TEMPORARY TABLE IF EXISTS %1 ").arg(workTable(d));
    try {
        session.runner().RunQuery(q, sql, false);
    } catch (const DbError&) {
        // The table usually does not exist.
    }
}

// The lines in the order of the window's statement, a transaction's lines
// together (terminal and terminal counter tell transactions apart) and in
// their line order.
QString lineOrder(MergedKind kind, const QString& orderTail) {
    QString order = orderTail.trimmed().isEmpty() ? QStringLiteral(" order by emp_id") : orderTail;
    order += QStringLiteral(", clock_id, Pos_Sequ");
    switch (kind) {
    case MergedKind::KeyValue:
        return order + QStringLiteral(", RecNo");
    case MergedKind::Goods:
        return order + QStringLiteral(", RecSum");
    case MergedKind::Timed:
        break;
    }
    return order;
}

FooterCellSpec totalLabel() {
    FooterCellSpec c;
    c.kind = FooterCellSpec::StaticText;
    c.text = QStringLiteral("汇总:");
    c.fontPointSize = 11;
    c.wordWrap = true;
    return c;
}

FooterCellSpec moneySum() {
    FooterCellSpec c;
    c.kind = FooterCellSpec::Sum;
    c.displayFormat = QString::fromUtf8(kMoneyFormat);
    c.alignment = Qt::AlignRight | Qt::AlignVCenter;
    return c;
}

} // namespace

QString workTable(const SqlDialect& dialect) {
    return dialect.isSqlServer() ? QStringLiteral("#Meal_TempTable") : QStringLiteral("Meal_TempTable");
}

bool kindOfIndex(int kindIndex, MergedKind* kind) {
    switch (kindIndex) {
    case 2:
        *kind = MergedKind::KeyValue;
        return true;
    case 4:
        *kind = MergedKind::Goods;
        return true;
    case 5:
        *kind = MergedKind::Timed;
        return true;
    default:
        return false;
    }
}

namespace {
// The period and the window's conditions over the master rows "M" joined to
// their lines: the same filter the window's own statement was built from.
QString conditionsOf(const MealRecordsFilter& filter, const Session& session, const QDateTime& begin,
                     const QDateTime& end) {
    const SqlDialect dialect = session.dialect();
    const QString format = QString::fromLatin1(kDateFormat);
    // The detail tables have a clock_id of their own: the terminal conditions name the master's.
    return QStringLiteral(" and (M.sign_time >= %1 And M.sign_time <= %2)")
               .arg(dialect.quote(begin.toString(format)), dialect.quote(end.toString(format))) +
           MealRecordsQuery::conditions(filter, session, QStringLiteral("M.clock_id"));
}
} // namespace

QString fillingStatement(MergedKind kind, const MealRecordsFilter& filter, const QDateTime& begin,
                         const QDateTime& end, const Session& session) {
    const SqlDialect dialect = session.dialect();
    // The number comes from the window's order itself: a running counter
    // (a user variable, an identity column) counts in whatever order the
    // server happens to produce the rows, which may be the detail table's.
    const QString rowNumber = QStringLiteral("ROW_NUMBER() OVER (%1) as nRow ")
                                  .arg(lineOrder(kind, MealRecordsQuery::orderClause()));
    const QString head =
        dialect.isSqlServer()
            ? QStringLiteral("Select aa.*, %1into %2 ").arg(rowNumber, workTable(dialect))
            : QStringLiteral("CREATE TEMPORARY TABLE %1 Select aa.*, %2").arg(workTable(dialect), rowNumber);
    const QString counter; // the number needs no source of its own
    // Transactions outside every meal period (kind 0 or a removed period) keep
    // their lines: the meal-period table is joined on the left.
    QString tmpl;
    switch (kind) {
    case MergedKind::KeyValue:
        tmpl = QStringLiteral(" %1 From (Select %2, v.KeyID, v.Price as KeyPrice, v.RecNo, '%3' AS "
                              "flag_name, D.DinLev_name FROM "
                              "MealRecords M inner join keydetail V on m.clock_id = v.clock_id and "
                              "m.Pos_Sequ = v.Devno left join "
                              "Dinlev D on M.kind = D.Dinlev_ID where 1 = 1 %4) as aa %5 %6, RecNo ");
        break;
    case MergedKind::Goods:
        tmpl = QStringLiteral(
            " %1 From (Select %2, v.StoreNo, v.StoreName, v.Price as StorePrice, v.Amount,  v.SumMoney, "
            "V.RecSum, "
            "'%3' AS flag_name, D.DinLev_name FROM MealRecords M inner join vstoredetail V on m.clock_id = "
            "v.clock_id and m.Pos_Sequ = v.Devno left join Dinlev D on M.kind = D.Dinlev_ID where 1 = 1 %4) "
            "as aa "
            "%5 %6, RecSum");
        break;
    case MergedKind::Timed:
        tmpl = QStringLiteral(
            "%1 From (Select %2, v.StartTme, v.EndTime, v.StartBanlance, v.EndBanlance, '%3' AS flag_name, "
            "D.DinLev_name FROM MealRecords M inner join tmdetail V on m.clock_id = v.clock_id and "
            "m.Pos_Sequ = "
            "v.Devno left join Dinlev D on M.kind = D.Dinlev_ID where 1 = 1 %4) as aa %5 %6");
        break;
    }
    // Filled piece by piece: a condition text never takes part in the next substitution.
    QString sql = tmpl;
    const QString pieces[] = {head,           masterColumns(dialect),
                              typeText(kind), conditionsOf(filter, session, begin, end),
                              counter,        MealRecordsQuery::orderClause()};
    int at = 0;
    for (int i = 0; i < 6; ++i) {
        const QString marker = QLatin1Char('%') + QString::number(i + 1);
        at = sql.indexOf(marker, at);
        sql.replace(at, marker.size(), pieces[i]);
        at += pieces[i].size();
    }
    return sql;
}

QString presentationStatement(MergedKind kind, const SqlDialect& dialect) {
    QString firstLine;
    QString details;
    switch (kind) {
    case MergedKind::KeyValue:
        firstLine = QStringLiteral("RecNo = 0");
        details = QStringLiteral("KeyID, KeyPrice, RecNo From %1 ");
        break;
    case MergedKind::Goods:
        firstLine = QStringLiteral("RecSum = 0");
        details = QStringLiteral("StoreNo, StoreName, StorePrice, Amount, SumMoney, RecSum From %1 ");
        break;
    case MergedKind::Timed:
        firstLine = QStringLiteral("0 = 0");
        details = QStringLiteral("StartTme, EndTime, StartBanlance, EndBanlance From %1 ");
        break;
    }
    struct Column {
        const char* source;
        const char* name;
    };
    const Column columns[] = {
        {"emp_id", "emp_id"},
        {"empname", "empname"},
        {"card_id", "card_id"},
        {"deptno", "deptno"},
        {"deptname", "deptname"},
        {"sign_time", "sign_time"},
        {"card_consume", "card_consume"},
        {"card_balance", "card_balance"},
        {"Card_Sequ", "Card_Sequ"},
        {"clock_id", "clock_id"},
        {"Pos_Sequ", "Pos_Sequ"},
        {"Flag_name", "flag"},
        {"DinLev_name", "kind"},
        {"opcard_id", "opcard_id"},
    };
    QString sql = QStringLiteral(" SELECT nRow, ");
    for (const Column& c : columns)
        sql += QStringLiteral(" (CASE WHEN (") + firstLine +
               QStringLiteral(") THEN %1 ELSE NULL END) as %2, ")
                   .arg(QLatin1String(c.source), QLatin1String(c.name));
    sql.chop(2); // the last column is followed by the detail columns
    sql += QStringLiteral(", ") + details.arg(workTable(dialect)) + QStringLiteral(" order by nRow ");
    return sql;
}

void run(const Session& session, MergedKind kind, const MealRecordsFilter& filter, const QDateTime& begin,
         const QDateTime& end, DataSet& target, const std::function<void(DataSet&)>& write) {
    struct DropAtEnd {
        const Session& session;
        DataSet& target;
        ~DropAtEnd() {
            target.close();
            dropWorkTable(session);
        }
    };
    dropWorkTable(session);
    DropAtEnd guard{session, target};
    QSqlQuery fill(session.ModuleConnection);
    session.runner().RunQuery(fill, fillingStatement(kind, filter, begin, end, session), false);
    fill.finish();
    target.close();
    DataSet::OpenOptions options;
    options.trace = &session.trace();
    target.open(session.ModuleConnection, presentationStatement(kind, session.dialect()), {}, options);
    write(target);
}

void applyLabels(DataSet& dataSet) {
    static const QHash<QString, QString> labels = {
        {QStringLiteral("keyid"), QStringLiteral("键值编号")},
        {QStringLiteral("price"), QStringLiteral("单价")},
        {QStringLiteral("keyprice"), QStringLiteral("单价")},
        {QStringLiteral("storeno"), QStringLiteral("商品编号")},
        {QStringLiteral("storename"), QStringLiteral("商品名称")},
        {QStringLiteral("storeprice"), QStringLiteral("单价")},
        {QStringLiteral("recsum"), QStringLiteral("价格")},
        {QStringLiteral("amount"), QStringLiteral("数量")},
        {QStringLiteral("summoney"), QStringLiteral("金额")},
        {QStringLiteral("starttme"), QStringLiteral("开始时间")},
        {QStringLiteral("endtime"), QStringLiteral("结束时间")},
        {QStringLiteral("startbanlance"), QStringLiteral("开始金额")},
        {QStringLiteral("endbanlance"), QStringLiteral("结束金额")},
    };
    const DataSetDef* master = MealDataModule::dataSet(QStringLiteral("dsMealRec"));
    for (int i = 0; i < dataSet.fieldCount(); ++i) {
        Field* f = dataSet.field(i);
        const QString name = f->fieldName().toLower();
        if (labels.contains(name))
            f->setDisplayLabel(labels.value(name));
        else if (const DataSetFieldDef* d = master ? master->field(name) : nullptr)
            f->setDisplayLabel(d->label);
        if (name == QLatin1String("recsum") || name == QLatin1String("id"))
            f->setVisible(false);
        const FieldType t = f->dataType();
        if ((t == FieldType::Currency || t == FieldType::BCD) && f->displayFormat().isEmpty())
            f->setDisplayFormat(QStringLiteral("￥0.00"));
    }
}

void mergedFooter(const DataSetTableModel& model, GridFooter& footer) {
    footer.clear();
    static const QStringList sumNames = {QStringLiteral("card_consume"), QStringLiteral("SumMoney"),
                                         QStringLiteral("KeyPrice"), QStringLiteral("StorePrice")};
    for (int c = 0; c < model.columnCount(); ++c) {
        const Field* f = model.fieldAt(c);
        const FieldType t = f->dataType();
        const bool untagged = f->tag() == 0;
        if (c == 0) {
            footer.setCell(f->fieldName(), totalLabel());
        } else if (untagged &&
                   (isTextType(t) || t == FieldType::Float || t == FieldType::Currency ||
                    t == FieldType::BCD) &&
                   sumNames.contains(f->fieldName(), Qt::CaseInsensitive)) {
            footer.setCell(f->fieldName(), moneySum());
        } else if (c == 1 || (untagged && (isTextType(t) || isIntegerType(t)))) {
            FooterCellSpec count;
            count.kind = FooterCellSpec::Count;
            count.alignment = Qt::AlignCenter;
            footer.setCell(f->fieldName(), count);
        }
    }
    footer.setRowCount(1);
}

void detailFooter(const DataSetTableModel& model, GridFooter& footer) {
    footer.clear();
    for (int c = 0; c < model.columnCount(); ++c) {
        const Field* f = model.fieldAt(c);
        const FieldType t = f->dataType();
        if (c == 0)
            footer.setCell(f->fieldName(), totalLabel());
        else if ((t == FieldType::Float || t == FieldType::Currency || t == FieldType::BCD) &&
                 f->tag() == 0 && f->fieldName().compare(QLatin1String("card_id"), Qt::CaseInsensitive) != 0)
            footer.setCell(f->fieldName(), moneySum());
    }
    footer.setRowCount(1);
}

} // namespace MealRecordsMerge
