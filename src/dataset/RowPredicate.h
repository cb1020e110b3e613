#pragma once
// Row tests compiled from a filter expression or a Locate request. A test
// reads the column storage directly; it never builds a QVariant for a stored
// column, so a million rows are tested in milliseconds.
#include "dataset/Field.h"

#include <QString>
#include <QVariant>

#include <memory>

class DataSet;

class RowPredicate {
public:
    virtual ~RowPredicate() = default;
    virtual bool test(Bookmark row) const = 0;
};

// Compiles an expression in ADO filter syntax against the fields of
// `dataSet`: comparisons =, <>, <, >, <=, >=, LIKE (wildcards % and *;
// [%], [*] and [[] for the character itself), AND,
// OR, NOT, parentheses, 'text' (quotes doubled), #date#, numbers, Null, True,
// False, field names plain or in [brackets] (a display label is accepted
// too). Throws DbError with the reason for a bad expression.
std::shared_ptr<RowPredicate> compileFilter(const QString& expression, const DataSet& dataSet);

// One Locate condition: field equals value (or, with partial key, a text
// field starts with it), optionally without regard to case.
std::shared_ptr<RowPredicate> compileLocate(const DataSet& dataSet, const QList<int>& fields,
                                            const QVariantList& values, bool caseInsensitive,
                                            bool partialKey);
