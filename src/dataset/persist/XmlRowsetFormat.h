#pragma once
// The XML rowset persistence format (*.xml): an "xml" root with the rowset
// namespaces, an "s:Schema" whose "s:AttributeType" elements describe the
// columns (type in "s:datatype"), and "rs:data" with one "z:row" element per
// row, a column's value in the attribute of the column's name and a null
// value as a missing attribute. Pending changes appear as "rs:insert",
// "rs:update" (an "rs:original" row, then the changed attributes) and
// "rs:delete".
#include <QByteArray>

class DataSet;
class QIODevice;

namespace persist {

struct RecordSetImage;

void writeXmlRowset(const DataSet& dataSet, QIODevice& device);
bool looksLikeXml(const QByteArray& bytes);
void readXmlRowset(const QByteArray& bytes, RecordSetImage& image, bool metadataOnly = false);

namespace xmlrowset {
inline constexpr char kSchemaNs[] = "uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882";
inline constexpr char kDataTypeNs[] = "uuid:C2F41010-65B3-11d1-A29F-00AA00C14882";
inline constexpr char kRowsetNs[] = "urn:schemas-microsoft-com:rowset";
inline constexpr char kRowNs[] = "#RowsetSchema";
} // namespace xmlrowset

} // namespace persist
