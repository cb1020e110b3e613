#pragma once
// The data set suites' helpers: fields by name, editing in one call, ids of the view.
#include "dataset/DataSet.h"

#include <QList>
#include <QVariant>

#include <initializer_list>
#include <utility>

inline Field& fld(const DataSet& ds, const char* name) {
    return ds.fieldByName(QString::fromUtf8(name));
}

// Sets these fields of the current record, or of a new one, and posts it.
inline void put(DataSet& ds, bool append, std::initializer_list<std::pair<const char*, QVariant>> values) {
    append ? ds.append() : ds.edit();
    for (const auto& [name, value] : values)
        fld(ds, name).setValue(value);
    ds.post();
}

// The values of an integer column down the view.
inline QList<int> ids(const DataSet& ds, const char* column = "id") {
    QList<int> out;
    const int index = fld(ds, column).index();
    for (int i = 0; i < ds.recordCount(); ++i)
        out << ds.value(i, index).toInt();
    return out;
}
