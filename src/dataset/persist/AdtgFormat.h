#pragma once
// The binary tablegram ("Advanced Data TableGram", *.ADTG) as this module
// writes and reads it. Layout, all numbers little-endian:
//
//   header      01 07 "TG!" major minor byte-order(00) unicode(01)
//   handler     02 size:u16 recordset-GUID update-type(03) three empty
//               length-prefixed strings, async option (01 00)
//   result      03 size:u16 GUID info cursor-model normalization
//               visible total computed tables order-by :u16 rows:u32
//   context     04 size:u16 property-set-count:u16 (0)
//   table       05 size:u16 ordinal name update-name code-page:u16
//               columns:u16 keys:u16 key-ordinal:u16...
//   column      06 size:u16 presence:3 ordinal:u16 [name] [table ordinal]
//               [table column ordinal] [base column name] type:u16
//               max-length:u32 precision:u32 scale:u32 flags:u32
//               [is-auto-increment:VARIANT_BOOL] is-visible:VARIANT_BOOL
//   rows        07 null-bitmap values              an unchanged row
//               07 <row> 0A changed-bitmap null-bitmap values   a change
//               07 <row> 0C                        a deletion
//               08 or 0B changed-bitmap null-bitmap values       an insert
//   done        0F
//
// A length-prefixed string is a u16 count of UTF-16 units and the units. The
// null bitmap has a bit per column (first column in the low bit of the first
// byte); values follow for the columns that are not null: fixed-length types
// in their storage form, texts and binaries as a u32 byte count and the bytes
// (UTF-16LE for wide texts; 8-bit texts in the table's code page, 65001 when
// we write them).
#include <QByteArray>

class DataSet;
class QIODevice;

namespace persist {

struct RecordSetImage;

// Throws PersistError.
void writeAdtg(const DataSet& dataSet, QIODevice& device);
bool looksLikeAdtg(const QByteArray& bytes);
// Reads the columns, and the rows unless `metadataOnly`. Throws PersistError.
void readAdtg(const QByteArray& bytes, RecordSetImage& image, bool metadataOnly = false);

namespace adtg {
constexpr char kTokenHeader = 0x01, kTokenHandler = 0x02, kTokenResult = 0x03, kTokenContext = 0x04,
               kTokenTable = 0x05, kTokenColumn = 0x06, kTokenRow = 0x07, kTokenInsert = 0x08,
               kTokenChange = 0x0A, kTokenInsertAlt = 0x0B, kTokenDelete = 0x0C, kTokenDone = 0x0F;
constexpr std::uint8_t kMajorVersion = 1, kMinorVersion = 0;
// Presence bits of a column descriptor.
constexpr std::uint8_t kHasName = 0x01, kHasTableOrdinal = 0x02, kHasTableColumnOrdinal = 0x04,
                       kHasBaseColumnName = 0x08, kHasCatalog = 0x40, kHasSchema = 0x80;
constexpr std::uint8_t kHasCollating = 0x01, kHasComputeMode = 0x02, kHasDateTimePrecision = 0x04,
                       kHasDefaultValue = 0x08, kHasAutoIncrement = 0x80;
constexpr std::uint16_t kUtf8CodePage = 65001;
} // namespace adtg

} // namespace persist
