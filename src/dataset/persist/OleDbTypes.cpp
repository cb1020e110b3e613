#include "dataset/persist/OleDbTypes.h"

namespace persist {

std::uint16_t dbTypeOf(FieldType type) {
    switch (type) {
    case FieldType::String:
        return dbtype::STR;
    case FieldType::WideString:
    case FieldType::Memo:
        return dbtype::WSTR;
    case FieldType::SmallInt:
        return dbtype::I2;
    case FieldType::Integer:
    case FieldType::AutoInc:
        return dbtype::I4;
    case FieldType::Word:
        return dbtype::UI2;
    case FieldType::LargeInt:
        return dbtype::I8;
    case FieldType::Float:
        return dbtype::R8;
    case FieldType::Currency:
        return dbtype::CY;
    case FieldType::BCD:
        return dbtype::NUMERIC;
    case FieldType::Boolean:
        return dbtype::BOOL;
    case FieldType::Date:
        return dbtype::DBDATE;
    case FieldType::Time:
        return dbtype::DBTIME;
    case FieldType::DateTime:
        return dbtype::DBTIMESTAMP;
    case FieldType::Blob:
        return dbtype::BYTES;
    }
    return dbtype::WSTR;
}

int fixedSizeOf(std::uint16_t t) {
    switch (t) {
    case dbtype::I1:
    case dbtype::UI1:
        return 1;
    case dbtype::I2:
    case dbtype::UI2:
    case dbtype::BOOL:
        return 2;
    case dbtype::I4:
    case dbtype::UI4:
    case dbtype::R4:
        return 4;
    case dbtype::I8:
    case dbtype::UI8:
    case dbtype::R8:
    case dbtype::CY:
    case dbtype::DATE:
        return 8;
    case dbtype::DBDATE:
    case dbtype::DBTIME:
        return 6;
    case dbtype::DBTIMESTAMP:
    case dbtype::DECIMAL:
    case dbtype::GUID:
        return 16;
    case dbtype::NUMERIC:
        return 19;
    case dbtype::STR:
    case dbtype::WSTR:
    case dbtype::BYTES:
    case dbtype::VARCHAR:
    case dbtype::LONGVARCHAR:
    case dbtype::VARWCHAR:
    case dbtype::LONGVARWCHAR:
    case dbtype::VARBINARY:
    case dbtype::LONGVARBINARY:
        return 0;
    default:
        return -1;
    }
}

bool fieldTypeOf(std::uint16_t t, bool isLong, bool autoIncrement, FieldType& out) {
    switch (t) {
    case dbtype::I1:
    case dbtype::UI1:
    case dbtype::I2:
        out = FieldType::SmallInt;
        return true;
    case dbtype::UI2:
        out = FieldType::Word;
        return true;
    case dbtype::I4:
        out = autoIncrement ? FieldType::AutoInc : FieldType::Integer;
        return true;
    case dbtype::UI4:
    case dbtype::I8:
    case dbtype::UI8:
        out = FieldType::LargeInt;
        return true;
    case dbtype::R4:
    case dbtype::R8:
        out = FieldType::Float;
        return true;
    case dbtype::CY:
        out = FieldType::Currency;
        return true;
    case dbtype::NUMERIC:
    case dbtype::DECIMAL:
        out = FieldType::BCD;
        return true;
    case dbtype::BOOL:
        out = FieldType::Boolean;
        return true;
    case dbtype::DBDATE:
        out = FieldType::Date;
        return true;
    case dbtype::DBTIME:
        out = FieldType::Time;
        return true;
    case dbtype::DBTIMESTAMP:
    case dbtype::DATE:
        out = FieldType::DateTime;
        return true;
    case dbtype::GUID:
    case dbtype::VARWCHAR:
        out = FieldType::WideString;
        return true;
    case dbtype::LONGVARWCHAR:
    case dbtype::LONGVARCHAR:
        out = FieldType::Memo;
        return true;
    case dbtype::WSTR:
        out = isLong ? FieldType::Memo : FieldType::WideString;
        return true;
    case dbtype::STR:
    case dbtype::VARCHAR:
        out = isLong ? FieldType::Memo : FieldType::String;
        return true;
    case dbtype::BYTES:
    case dbtype::VARBINARY:
    case dbtype::LONGVARBINARY:
        out = FieldType::Blob;
        return true;
    default:
        return false;
    }
}

std::uint32_t maxLengthOf(FieldType type, int size) {
    switch (type) {
    case FieldType::String:
    case FieldType::WideString:
        return size > 0 ? std::uint32_t(size) : 255u;
    case FieldType::Memo:
        return size > 0 ? std::uint32_t(size) : 1073741823u;
    case FieldType::Blob:
        return size > 0 ? std::uint32_t(size) : 2147483647u;
    case FieldType::SmallInt:
    case FieldType::Word:
    case FieldType::Boolean:
        return 2;
    case FieldType::Integer:
    case FieldType::AutoInc:
        return 4;
    case FieldType::Date:
    case FieldType::Time:
        return 6;
    case FieldType::DateTime:
        return 16;
    case FieldType::BCD:
        return 19;
    default:
        return 8;
    }
}

} // namespace persist
