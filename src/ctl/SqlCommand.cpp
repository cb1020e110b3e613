#include "ctl/SqlCommands.h"

#include "db/DbError.h"
#include "db/SqlDialect.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
QString tsvCell(const QVariant& v) {
    if (v.isNull())
        return QStringLiteral("NULL");
    QString text;
    if (v.metaType().id() == QMetaType::QDateTime)
        text = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    else if (v.metaType().id() == QMetaType::QByteArray)
        text = QString::fromUtf8(v.toByteArray());
    else
        text = v.toString();
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}
} // namespace

int runSqlCommand(CtlContext& ctx, const QStringList& args) {
    if (args.size() != 1) {
        ctx.err << "usage: mealctl sql \"<statement>\"\n";
        return 2;
    }
    QSqlQuery q(ctx.session.ModuleConnection);
    ctx.session.runner().RunQuery(q, args.first(), true);
    if (!q.isSelect()) {
        ctx.out << "rows affected: " << q.numRowsAffected() << "\n";
        return 0;
    }
    const QSqlRecord rec = q.record();
    QStringList header;
    for (int i = 0; i < rec.count(); ++i)
        header << rec.fieldName(i);
    ctx.out << header.join(QLatin1Char('\t')) << "\n";
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < rec.count(); ++i)
            cells << tsvCell(q.value(i));
        ctx.out << cells.join(QLatin1Char('\t')) << "\n";
    }
    return 0;
}
