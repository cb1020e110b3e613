#pragma once
// Saving a data set to a file and loading it back, in the two record-set file
// formats the operators exchange with the Windows installations: the binary
// tablegram (ADTG, "*.ADTG") and the XML rowset ("*.xml").
//
// What a file holds: the fields (name, type, size, precision and scale, base
// table and base column, key and auto-increment flags, nullability), the data
// set's base table ("Unique Table") and the rows the data set shows, in the
// order it shows them (the filter and sort in effect apply, as they do when a
// record set is saved). Every row is written as an unchanged row with its
// current values: changes a batch writer still holds are not marked as
// pending. A file whose rows carry pending changes loads with their current
// values (inserted and changed rows with the new values; deleted rows left
// out).
//
// Loading reads the whole file into a temporary store first: a file that is
// not in either format, is cut short or is damaged is refused with a message
// and leaves the data set exactly as it was. So is a file whose rows would
// take far more memory than the file's size (long rows of null cells) and
// an XML file with a document type definition (its entities could expand a
// small file to gigabytes).
#include <QByteArray>
#include <QString>

class DataSet;
class QIODevice;

enum class DataSetFileFormat { Adtg, Xml };

// The format a file name asks for: ".xml" is XML, anything else ADTG.
DataSetFileFormat DataSetFileFormatForPath(const QString& path);

// Writes the data set to `path` (replaced when it exists). On failure returns
// false with the reason in `error` and leaves no partial file behind.
bool SaveDataSetToFile(const DataSet& dataSet, const QString& path, DataSetFileFormat format,
                       QString* error = nullptr);
bool SaveDataSetToDevice(const DataSet& dataSet, QIODevice& device, DataSetFileFormat format,
                         QString* error = nullptr);

// Replaces the data set's fields and rows with those of the file; the format
// is recognised from the content. On failure returns false with the reason in
// `error` and the data set is unchanged.
bool LoadDataSetFromFile(DataSet& dataSet, const QString& path, QString* error = nullptr);
bool LoadDataSetFromBytes(DataSet& dataSet, const QByteArray& bytes, QString* error = nullptr);

// The base table the rows of a file come from (the table all its columns
// name, or the one the file states), without loading the rows; empty when the
// file names none or several, or cannot be read (then `error` says why).
QString PeekDataSetFileBaseTable(const QString& path, QString* error = nullptr);
