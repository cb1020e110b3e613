#pragma once
// Field types of the data set and how each is held in column storage.
// Numbers stay numbers: integers, booleans and date-times as int64, money and
// BCD as int64 fixed-point with four decimals, floats as double; texts and
// blobs as bytes (UTF-8 for texts).
#include <QString>

#include <cstdint>

enum class FieldType {
    String,
    WideString,
    SmallInt,
    Integer,
    Word,
    LargeInt,
    AutoInc,
    Float,
    Currency,
    BCD,
    Boolean,
    Date,
    Time,
    DateTime,
    Memo,
    Blob,
};

enum class StorageKind { Int64, Fixed4, Double, Bytes };

// Money and BCD values are held as value * 10^4.
constexpr std::int64_t kFixedScale = 10000;

// A date-time is held as milliseconds since 1970-01-01 00:00 of the stored
// (wall-clock) time, without any time-zone conversion; a date the same at
// midnight; a time as milliseconds since midnight.
constexpr std::int64_t kMsecsPerDay = 86400000;

inline StorageKind storageKind(FieldType t) {
    switch (t) {
    case FieldType::Float:
        return StorageKind::Double;
    case FieldType::Currency:
    case FieldType::BCD:
        return StorageKind::Fixed4;
    case FieldType::String:
    case FieldType::WideString:
    case FieldType::Memo:
    case FieldType::Blob:
        return StorageKind::Bytes;
    default:
        return StorageKind::Int64;
    }
}

inline bool isIntegerType(FieldType t) {
    return t == FieldType::SmallInt || t == FieldType::Integer || t == FieldType::Word ||
           t == FieldType::LargeInt || t == FieldType::AutoInc;
}
inline bool isNumericType(FieldType t) {
    return isIntegerType(t) || t == FieldType::Float || t == FieldType::Currency || t == FieldType::BCD;
}
inline bool isDateTimeType(FieldType t) {
    return t == FieldType::Date || t == FieldType::Time || t == FieldType::DateTime;
}
inline bool isTextType(FieldType t) {
    return t == FieldType::String || t == FieldType::WideString || t == FieldType::Memo;
}
// Blob and memo columns cannot be sorted or summed.
inline bool isBlobType(FieldType t) {
    return t == FieldType::Memo || t == FieldType::Blob;
}

QString fieldTypeName(FieldType t);
