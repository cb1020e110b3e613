// The reader for drivers other than MariaDB: QSqlQuery, forward only, with
// positional parameters.
#include "dataset/CellCodec.h"
#include "dataset/RowReader.h"
#include "db/DbError.h"
#include "db/QueryRunner.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
ColumnDef describe(const QSqlField& f) {
    ColumnDef d;
    d.name = f.name();
    d.baseTable = f.tableName();
    d.baseColumn = f.name();
    d.autoIncrement = f.isAutoValue();
    d.nullable = f.requiredStatus() != QSqlField::Required;
    switch (f.metaType().id()) {
    case QMetaType::Bool:
        d.type = FieldType::Boolean;
        break;
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        d.type = FieldType::SmallInt;
        break;
    case QMetaType::UShort:
    case QMetaType::UChar:
        d.type = FieldType::Word;
        break;
    case QMetaType::Int:
        d.type = d.autoIncrement ? FieldType::AutoInc : FieldType::Integer;
        break;
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        d.type = FieldType::LargeInt;
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        // A decimal column reports its decimals as precision.
        if (f.precision() > 0 && f.precision() <= 4 && f.length() - f.precision() <= 14) {
            d.type = FieldType::BCD;
            d.scale = f.precision();
            d.precision = f.length();
        } else {
            d.type = FieldType::Float;
        }
        break;
    case QMetaType::QDate:
        d.type = FieldType::Date;
        break;
    case QMetaType::QTime:
        d.type = FieldType::Time;
        break;
    case QMetaType::QDateTime:
        d.type = FieldType::DateTime;
        break;
    case QMetaType::QByteArray:
        d.type = FieldType::Blob;
        break;
    default:
        d.type = FieldType::WideString;
        d.size = std::max(0, f.length());
        break;
    }
    return d;
}
} // namespace

bool readQtQuery(const QSqlDatabase& db, const QString& positionalSql, const QVariantList& values,
                 RowSink& sink, const std::atomic<bool>* cancel) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::HighPrecision); // decimals as exact text
    bool ok;
    if (values.isEmpty()) {
        ok = q.exec(positionalSql);
    } else {
        if (!q.prepare(positionalSql))
            throwQueryError(q);
        for (const QVariant& v : values)
            q.addBindValue(v);
        ok = q.exec();
    }
    if (!ok)
        throwQueryError(q);
    const QSqlRecord rec = q.record();
    std::vector<ColumnDef> defs;
    std::vector<StorageKind> kinds;
    for (int i = 0; i < rec.count(); ++i) {
        defs.push_back(describe(rec.field(i)));
        kinds.push_back(storageKind(defs.back().type));
    }
    sink.columns(defs);
    if (!q.isSelect())
        return true;
    BatchPolicy policy;
    auto batch = std::make_unique<RowBatch>(kinds, policy.target());
    const int n = int(defs.size());
    while (q.next()) {
        for (int c = 0; c < n; ++c) {
            const QVariant v = q.value(c);
            if (v.isNull()) {
                batch->addNull(c);
                continue;
            }
            const FieldType type = defs[std::size_t(c)].type;
            switch (kinds[std::size_t(c)]) {
            case StorageKind::Int64:
                if (type == FieldType::Boolean)
                    batch->addInt(c, v.toBool() ? 1 : 0);
                else if (type == FieldType::Date)
                    batch->addInt(c, cellcodec::toMsecs(v.toDate()));
                else if (type == FieldType::Time)
                    batch->addInt(c, cellcodec::toMsecs(v.toTime()));
                else if (type == FieldType::DateTime)
                    batch->addInt(c, cellcodec::toMsecs(v.toDateTime()));
                else
                    batch->addInt(c, v.toLongLong());
                break;
            case StorageKind::Fixed4: {
                const QByteArray t = v.toString().toLatin1();
                std::int64_t x;
                if (cellcodec::parseFixed4(t.constData(), std::size_t(t.size()), x) ||
                    cellcodec::doubleToFixed(v.toDouble(), x))
                    batch->addInt(c, x);
                else
                    batch->addNull(c);
                break;
            }
            case StorageKind::Double:
                batch->addDouble(c, v.toDouble());
                break;
            case StorageKind::Bytes: {
                const QByteArray b = type == FieldType::Blob ? v.toByteArray() : v.toString().toUtf8();
                batch->addBytes(c, b.constData(), std::size_t(b.size()));
                break;
            }
            }
        }
        batch->endRow();
        if (policy.due(batch->rows())) {
            const bool go = sink.rows(*batch) && !(cancel && cancel->load());
            policy.delivered();
            batch = std::make_unique<RowBatch>(kinds, policy.target());
            if (!go)
                return false;
        }
    }
    if (q.lastError().isValid() && q.lastError().type() != QSqlError::NoError)
        throwQueryError(q);
    if (!batch->empty())
        sink.rows(*batch);
    return !(cancel && cancel->load());
}
