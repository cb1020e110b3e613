#include "framework/ColumnChoice.h"

#include "dataset/DataSet.h"

#include <algorithm>

void ColumnChoice::fill(const DataSet& dataSet) {
    m_unchosen.clear();
    m_chosen.clear();
    for (int i = 0; i < dataSet.fieldCount(); ++i) {
        Field* field = dataSet.field(i);
        if (field->tag() == kHiddenTag)
            continue;
        (field->visible() ? m_chosen : m_unchosen).append(field);
    }
}

void ColumnChoice::move(QVector<Field*>& from, QVector<Field*>& to, QVector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [&](int r) { return r < 0 || r >= from.size(); }),
               rows.end());
    for (int r : rows)
        to.append(from.at(r));
    // From the last to the first, so that the rows still to remove keep their places.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        from.removeAt(*it);
}

void ColumnChoice::moveAll(QVector<Field*>& from, QVector<Field*>& to) {
    to += from;
    from.clear();
}

void ColumnChoice::apply() const {
    for (Field* field : m_unchosen)
        field->setVisible(false);
    for (Field* field : m_chosen)
        field->setVisible(true);
}
