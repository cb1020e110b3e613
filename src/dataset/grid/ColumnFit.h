#pragma once
// Column widths and order an operator can read without a stored layout:
// each column as wide as its caption and a sample of its values (text capped,
// numbers and money never cut, with room for their footer sums), and the
// columns a window names first moved to the front.
#include <QString>
#include <QStringList>

class DataSet;

namespace ColumnFit {
// The width of a text in character cells: wide (CJK) characters take two.
int textCells(const QString& text);
// Sets the display width of every field that has none from its caption and
// the display texts of up to `sampleRows` rows spread over the data set.
void fitWidths(DataSet& dataSet, int sampleRows = 200);
// Moves the named fields (those present) to the front, in the order given.
void putFirst(DataSet& dataSet, const QStringList& fieldNames);

constexpr int kTextCap = 24;       // a text column never starts wider than this
constexpr int kNumberHeadroom = 4; // room for a footer sum longer than any value
} // namespace ColumnFit
