#pragma once
// The part of a grid that an export or a print writes: the visible columns
// in grid order, the rows (all, or the selected ones in grid order), the
// header cells of multi-level titles and whether the footer row goes along.
#include "dataset/export/ExportSource.h"

#include <QStringList>

namespace gridexport {

enum class RowScope {
    AllRows,
    SelectedRows,   // only the selection (nothing when there is none)
    SelectionOrAll, // the selection when there is one, otherwise every row
};

// A cell of the title block. A group title spans the columns that share it;
// a column's own (last) title level spans down to the last title row.
struct HeaderCell {
    int row = 0;
    int column = 0; // index into the written columns
    int rowSpan = 1;
    int columnSpan = 1;
    QString text;
};

class ExportLayout {
public:
    ExportLayout(const ExportSource& source, RowScope scope);

    const ExportSource& source() const { return m_source; }

    int columnCount() const { return m_columns.size(); }
    int sourceColumn(int i) const { return m_columns.at(i); }
    const ExportColumn& column(int i) const { return m_info.at(i); }

    int rowCount() const { return m_selectionOnly ? m_rows.size() : m_source.rowCount(); }
    int sourceRow(int i) const { return m_selectionOnly ? m_rows.at(i) : i; }
    bool selectionOnly() const { return m_selectionOnly; }

    QString text(int row, int col) const { return m_source.displayText(sourceRow(row), m_columns.at(col)); }
    CellValue value(int row, int col) const { return m_source.value(sourceRow(row), m_columns.at(col)); }

    // Number of title rows (the deepest title's level count, at least 1).
    int headerDepth() const { return m_depth; }
    const QVector<HeaderCell>& headerCells() const { return m_headerCells; }
    // The title levels of a written column.
    const QStringList& titleLevels(int col) const { return m_levels.at(col); }
    // One-line title: the levels joined by "|", as the grid's label holds them.
    QString joinedTitle(int col) const { return m_info.at(col).title; }

    // The footer goes along with whole-grid output only: its sums and counts
    // cover every row, so they would mislead under a selection.
    bool hasFooter() const { return m_footer; }
    FooterCell footer(int col) const { return m_source.footer(m_columns.at(col)); }

private:
    void buildHeader();

    const ExportSource& m_source;
    QVector<int> m_columns;
    QVector<ExportColumn> m_info;
    QVector<QStringList> m_levels;
    QVector<int> m_rows;
    bool m_selectionOnly = false;
    bool m_footer = false;
    int m_depth = 1;
    QVector<HeaderCell> m_headerCells;
};

} // namespace gridexport
