#pragma once
// The sort text of a data set ("f1 ASC,f2 DESC") and the stable sort of a
// view's bookmarks by it. Nulls come first in ascending order; texts compare
// by code point, ASCII letters without regard to case.
#include "dataset/Field.h"

#include <QString>

#include <vector>

class DataSet;

struct SortKey {
    int field = 0;
    bool descending = false;
};

// Throws DbError for an unknown field, a calculated, memo or blob field, or a
// word other than ASC/DESC after a name.
std::vector<SortKey> parseSortText(const QString& text, const DataSet& dataSet);
void sortRows(std::vector<Bookmark>& rows, const DataSet& dataSet, const std::vector<SortKey>& keys);
