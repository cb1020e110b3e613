// Reading cells of a data set: stored form to Qt values and texts, display
// formats and text handlers, and exact sums.
#include "dataset/CellCodec.h"
#include "dataset/DataSet.h"
#include "dataset/DisplayFormat.h"
#include "db/DbError.h"

#include <QMetaType>

#include <cmath>
#include <limits>

const Cell* DataSet::buffered(Bookmark bookmark, int column) const {
    if (m_state == State::Insert && bookmark == kInsertBookmark)
        return &m_buffer[std::size_t(column)];
    if (m_state == State::Edit && bookmark == m_editRow && m_bufferSet[std::size_t(column)])
        return &m_buffer[std::size_t(column)];
    return nullptr;
}

Cell DataSet::cellAt(Bookmark bookmark, int field) const {
    const Field* f = m_fields[std::size_t(field)].get();
    if (f->isCalculated())
        return toCell(f->calculation()(*this, bookmark), f->dataType());
    const int c = f->column();
    if (const Cell* b = buffered(bookmark, c))
        return *b;
    if (bookmark == kInsertBookmark)
        return Cell();
    return storedCell(bookmark, c);
}

Cell DataSet::storedCell(Bookmark row, int c) const {
    Cell cell;
    if (m_store->isNull(row, c))
        return cell;
    cell.null = false;
    switch (m_store->kind(c)) {
    case StorageKind::Int64:
    case StorageKind::Fixed4:
        cell.i = m_store->intAt(row, c);
        break;
    case StorageKind::Double:
        cell.d = m_store->doubleAt(row, c);
        break;
    case StorageKind::Bytes:
        cell.s = std::string(m_store->bytesAt(row, c));
        break;
    }
    return cell;
}

bool DataSet::isNullAt(Bookmark bookmark, int field) const {
    const Field* f = m_fields[std::size_t(field)].get();
    if (f->isCalculated()) {
        const QVariant v = f->calculation()(*this, bookmark);
        return v.isNull() || !v.isValid();
    }
    if (const Cell* b = buffered(bookmark, f->column()))
        return b->null;
    return bookmark == kInsertBookmark || m_store->isNull(bookmark, f->column());
}

namespace {
QMetaType metaTypeOf(FieldType type) {
    switch (type) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::AutoInc:
        return QMetaType(QMetaType::Int);
    case FieldType::LargeInt:
        return QMetaType(QMetaType::LongLong);
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD:
        return QMetaType(QMetaType::Double);
    case FieldType::Boolean:
        return QMetaType(QMetaType::Bool);
    case FieldType::Date:
        return QMetaType(QMetaType::QDate);
    case FieldType::Time:
        return QMetaType(QMetaType::QTime);
    case FieldType::DateTime:
        return QMetaType(QMetaType::QDateTime);
    case FieldType::Blob:
        return QMetaType(QMetaType::QByteArray);
    default:
        return QMetaType(QMetaType::QString);
    }
}
} // namespace

QVariant DataSet::cellValue(const Cell& cell, FieldType type) {
    if (cell.null)
        return QVariant(metaTypeOf(type));
    switch (type) {
    case FieldType::LargeInt:
        return QVariant(qlonglong(cell.i));
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::AutoInc:
        if (cell.i >= std::numeric_limits<int>::min() && cell.i <= std::numeric_limits<int>::max())
            return QVariant(int(cell.i));
        return QVariant(qlonglong(cell.i));
    case FieldType::Float:
        return QVariant(cell.d);
    case FieldType::Currency:
    case FieldType::BCD:
        return QVariant(cellcodec::fixedToDouble(cell.i));
    case FieldType::Boolean:
        return QVariant(cell.i != 0);
    case FieldType::Date:
        return QVariant(cellcodec::toDate(cell.i));
    case FieldType::Time:
        return QVariant(cellcodec::toTime(cell.i));
    case FieldType::DateTime:
        return QVariant(cellcodec::toDateTime(cell.i));
    case FieldType::Blob:
        return QVariant(QByteArray(cell.s.data(), qsizetype(cell.s.size())));
    default:
        return QVariant(QString::fromUtf8(cell.s.data(), qsizetype(cell.s.size())));
    }
}

QString DataSet::cellText(const Cell& cell, FieldType type) {
    if (cell.null)
        return QString();
    switch (type) {
    case FieldType::Float:
        return QString::number(cell.d, 'g', 15);
    case FieldType::Currency:
    case FieldType::BCD:
        return cellcodec::fixedTextTrimmed(cell.i);
    case FieldType::Boolean:
        return cell.i ? QStringLiteral("True") : QStringLiteral("False");
    case FieldType::Date:
        return cellcodec::dateText(cell.i);
    case FieldType::Time:
        return cellcodec::timeText(cell.i);
    case FieldType::DateTime: {
        // A date-time at midnight shows the date alone.
        const std::int64_t dayPart =
            cell.i - std::int64_t(std::floor(double(cell.i) / double(kMsecsPerDay))) * kMsecsPerDay;
        return dayPart == 0 ? cellcodec::dateText(cell.i) : cellcodec::dateTimeText(cell.i);
    }
    case FieldType::Blob:
        return QStringLiteral("(BLOB)");
    case FieldType::String:
    case FieldType::WideString:
    case FieldType::Memo:
        return QString::fromUtf8(cell.s.data(), qsizetype(cell.s.size()));
    default:
        return QString::number(cell.i);
    }
}

QVariant DataSet::valueAt(Bookmark bookmark, int field) const {
    const Field* f = m_fields[std::size_t(field)].get();
    if (f->isCalculated())
        return f->calculation()(*this, bookmark);
    return cellValue(cellAt(bookmark, field), f->dataType());
}

QVariant DataSet::valueAt(Bookmark bookmark, const QString& fieldName) const {
    return valueAt(bookmark, fieldByName(fieldName).index());
}

QString DataSet::textAt(Bookmark bookmark, int field) const {
    const Field* f = m_fields[std::size_t(field)].get();
    return cellText(cellAt(bookmark, field), f->dataType());
}

QString DataSet::displayTextAt(Bookmark bookmark, int field) const {
    const Field* f = m_fields[std::size_t(field)].get();
    if (f->textHandler())
        return f->textHandler()(valueAt(bookmark, field));
    const Cell cell = cellAt(bookmark, field);
    if (cell.null)
        return QString();
    const QString& mask = f->displayFormat();
    if (mask.isEmpty())
        return cellText(cell, f->dataType());
    switch (storageKind(f->dataType())) {
    case StorageKind::Fixed4:
        return displayformat::formatFixed(mask, cell.i);
    case StorageKind::Double:
        return displayformat::formatDouble(mask, cell.d);
    case StorageKind::Int64:
        if (isDateTimeType(f->dataType()))
            return displayformat::formatDateTime(mask, cell.i);
        if (f->dataType() == FieldType::Boolean)
            return cellText(cell, f->dataType());
        return displayformat::formatInteger(mask, cell.i);
    case StorageKind::Bytes:
        break;
    }
    return cellText(cell, f->dataType());
}

std::int64_t DataSet::fixedAt(Bookmark bookmark, int field) const {
    const Field* f = m_fields[std::size_t(field)].get();
    const Cell cell = cellAt(bookmark, field);
    if (cell.null)
        return 0;
    std::int64_t out = 0;
    switch (storageKind(f->dataType())) {
    case StorageKind::Fixed4:
        return cell.i;
    case StorageKind::Int64:
        return cell.i * kFixedScale;
    case StorageKind::Double:
        cellcodec::doubleToFixed(cell.d, out);
        return out;
    case StorageKind::Bytes: {
        const std::string& s = cell.s;
        cellcodec::parseFixed4(s.data(), s.size(), out);
        return out;
    }
    }
    return 0;
}

std::int64_t DataSet::sumFixed(int field) const {
    const Field* f = m_fields[std::size_t(field)].get();
    std::int64_t sum = 0;
    const int c = f->column();
    if (!f->isCalculated() && m_state == State::Browse &&
        (storageKind(f->dataType()) == StorageKind::Fixed4 || isIntegerType(f->dataType()))) {
        const std::int64_t scale = storageKind(f->dataType()) == StorageKind::Fixed4 ? 1 : kFixedScale;
        for (const Bookmark r : m_view)
            if (!m_store->isNull(r, c))
                sum += m_store->intAt(r, c) * scale;
        return sum;
    }
    for (const Bookmark r : m_view)
        sum += fixedAt(r, field);
    return sum;
}

double DataSet::sumFloat(int field) const {
    const Field* f = m_fields[std::size_t(field)].get();
    double sum = 0;
    if (!f->isCalculated() && m_state == State::Browse && storageKind(f->dataType()) == StorageKind::Double) {
        for (const Bookmark r : m_view)
            if (!m_store->isNull(r, f->column()))
                sum += m_store->doubleAt(r, f->column());
        return sum;
    }
    for (const Bookmark r : m_view)
        sum += valueAt(r, field).toDouble();
    return sum;
}

Cell DataSet::toCell(const QVariant& value, FieldType type) {
    Cell cell;
    if (value.isNull() || !value.isValid())
        return cell;
    cell.null = false;
    const auto refuse = [&]() {
        throw DbError(QStringLiteral("'%1' 不是有效的%2值").arg(value.toString(), fieldTypeName(type)));
    };
    switch (type) {
    case FieldType::String:
    case FieldType::WideString:
    case FieldType::Memo: {
        const QByteArray b = value.toString().toUtf8();
        cell.s.assign(b.constData(), std::size_t(b.size()));
        return cell;
    }
    case FieldType::Blob: {
        const QByteArray b = value.toByteArray();
        cell.s.assign(b.constData(), std::size_t(b.size()));
        return cell;
    }
    case FieldType::Float: {
        bool ok = false;
        cell.d = value.toDouble(&ok);
        if (!ok)
            refuse();
        return cell;
    }
    case FieldType::Currency:
    case FieldType::BCD: {
        if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
            if (!cellcodec::doubleToFixed(value.toDouble(), cell.i))
                refuse();
            return cell;
        }
        const QByteArray b = value.toString().trimmed().toLatin1();
        if (!cellcodec::parseFixed4(b.constData(), std::size_t(b.size()), cell.i))
            refuse();
        return cell;
    }
    case FieldType::Boolean: {
        if (value.typeId() == QMetaType::QString) {
            const QString t = value.toString().trimmed().toLower();
            if (t == QLatin1String("true") || t == QLatin1String("1") || t == QLatin1String("-1"))
                cell.i = 1;
            else if (t == QLatin1String("false") || t == QLatin1String("0"))
                cell.i = 0;
            else
                refuse();
        } else {
            cell.i = value.toBool() ? 1 : 0;
        }
        return cell;
    }
    case FieldType::Date:
    case FieldType::DateTime:
    case FieldType::Time: {
        if (value.typeId() == QMetaType::QDateTime) {
            cell.i = cellcodec::toMsecs(value.toDateTime());
        } else if (value.typeId() == QMetaType::QDate) {
            cell.i = cellcodec::toMsecs(value.toDate());
        } else if (value.typeId() == QMetaType::QTime) {
            cell.i = cellcodec::toMsecs(value.toTime());
        } else {
            const QByteArray b = value.toString().trimmed().toLatin1();
            const bool ok = type == FieldType::Time
                                ? cellcodec::parseTime(b.constData(), std::size_t(b.size()), cell.i)
                                : cellcodec::parseDateTime(b.constData(), std::size_t(b.size()), cell.i);
            if (!ok)
                refuse();
        }
        if (type == FieldType::Date)
            cell.i -= cell.i - std::int64_t(std::floor(double(cell.i) / double(kMsecsPerDay))) * kMsecsPerDay;
        else if (type == FieldType::Time && value.typeId() == QMetaType::QDateTime)
            cell.i = cellcodec::toMsecs(value.toDateTime().time());
        return cell;
    }
    default: {
        bool ok = false;
        if (value.typeId() == QMetaType::Double) {
            const double d = value.toDouble();
            if (d != std::floor(d) || std::fabs(d) > 9.2e18)
                refuse();
            cell.i = std::int64_t(d);
            return cell;
        }
        cell.i = value.typeId() == QMetaType::QString ? value.toString().trimmed().toLongLong(&ok)
                                                      : value.toLongLong(&ok);
        if (!ok)
            refuse();
        return cell;
    }
    }
}
