#include "dataset/export/ExportLayout.h"

#include <algorithm>

namespace gridexport {

ExportLayout::ExportLayout(const ExportSource& source, RowScope scope) : m_source(source) {
    for (int c = 0; c < source.columnCount(); ++c) {
        ExportColumn info = source.column(c);
        if (!info.visible)
            continue;
        m_columns.append(c);
        m_levels.append(info.title.split(QLatin1Char('|')));
        m_info.append(std::move(info));
    }

    QVector<int> selection;
    if (scope != RowScope::AllRows)
        selection = source.selectedRows();
    m_selectionOnly = scope == RowScope::SelectedRows || !selection.isEmpty();
    if (m_selectionOnly) {
        // Grid order, each row once, rows that no longer exist dropped.
        const int count = source.rowCount();
        selection.erase(std::remove_if(selection.begin(), selection.end(),
                                       [count](int r) { return r < 0 || r >= count; }),
                        selection.end());
        std::sort(selection.begin(), selection.end());
        selection.erase(std::unique(selection.begin(), selection.end()), selection.end());
        m_rows = std::move(selection);
    }
    m_footer = !m_selectionOnly && source.hasFooter();
    buildHeader();
}

void ExportLayout::buildHeader() {
    m_depth = 1;
    for (const QStringList& levels : m_levels)
        m_depth = std::max(m_depth, int(levels.size()));

    const int n = m_levels.size();
    // Two columns share a group title at row r when their levels 0..r agree
    // and neither has its own last level there.
    auto groupKeyEqual = [this](int a, int b, int r) {
        const QStringList& la = m_levels.at(a);
        const QStringList& lb = m_levels.at(b);
        if (r >= la.size() - 1 || r >= lb.size() - 1)
            return false;
        for (int i = 0; i <= r; ++i)
            if (la.at(i) != lb.at(i))
                return false;
        return true;
    };
    for (int r = 0; r < m_depth; ++r) {
        for (int c = 0; c < n; ++c) {
            const QStringList& levels = m_levels.at(c);
            const int last = levels.size() - 1;
            if (r == last) {
                m_headerCells.append({r, c, m_depth - r, 1, levels.at(r)});
            } else if (r < last) {
                int end = c + 1;
                while (end < n && groupKeyEqual(c, end, r))
                    ++end;
                m_headerCells.append({r, c, 1, end - c, levels.at(r)});
                c = end - 1;
            }
        }
    }
}

} // namespace gridexport
