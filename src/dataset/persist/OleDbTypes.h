#pragma once
// The OLE DB type codes and column flags record-set files use, and how the
// data set's field types map onto them.
#include "dataset/FieldTypes.h"

#include <cstdint>

namespace persist {

namespace dbtype {
constexpr std::uint16_t I2 = 2, I4 = 3, R4 = 4, R8 = 5, CY = 6, DATE = 7, BOOL = 11, DECIMAL = 14, I1 = 16,
                        UI1 = 17, UI2 = 18, UI4 = 19, I8 = 20, UI8 = 21, GUID = 72, BYTES = 128, STR = 129,
                        WSTR = 130, NUMERIC = 131, DBDATE = 133, DBTIME = 134, DBTIMESTAMP = 135,
                        HCHAPTER = 136;
// Field type codes of the record-set object that some writers put in place of
// the storage codes (variable and long texts and binaries).
constexpr std::uint16_t VARCHAR = 200, LONGVARCHAR = 201, VARWCHAR = 202, LONGVARWCHAR = 203, VARBINARY = 204,
                        LONGVARBINARY = 205;
} // namespace dbtype

namespace colflag {
constexpr std::uint32_t WRITE = 0x4, WRITEUNKNOWN = 0x8, ISFIXEDLENGTH = 0x10, ISNULLABLE = 0x20,
                        MAYBENULL = 0x40, ISLONG = 0x80, KEYCOLUMN = 0x8000;
}

std::uint16_t dbTypeOf(FieldType type);
// Bytes of a fixed-length value of `dbType`; 0 for the variable-length types
// (texts and binaries), -1 for a type this reader does not know.
int fixedSizeOf(std::uint16_t dbType);
// The field type a file column of `dbType` becomes; false when unknown.
bool fieldTypeOf(std::uint16_t dbType, bool isLong, bool autoIncrement, FieldType& out);
// The column size a file states for a field (characters for texts, bytes
// for binaries and fixed-length values).
std::uint32_t maxLengthOf(FieldType type, int size);

// Days from 1970-01-01 to 1899-12-30, the day zero of OLE dates.
constexpr std::int64_t kOleEpochDays = -25569;

} // namespace persist
