#pragma once
// The grid's footer band: per field a static text, a sum or a record count,
// with its font and display format. Sums are exact (fixed-point) for money,
// BCD and integers.
#include <QHash>
#include <QString>
#include <Qt>

class DataSet;
class Field;

struct FooterCellSpec {
    enum Kind { None, StaticText, Sum, Count };
    Kind kind = None;
    QString text;          // StaticText
    QString displayFormat; // Sum: empty means the field's own format
    int fontPointSize = 10;
    bool bold = true;
    bool wordWrap = false;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

class GridFooter {
public:
    int rowCount() const { return m_rowCount; }
    void setRowCount(int rows) { m_rowCount = rows; }
    void clear() { m_cells.clear(); }

    // Cells are kept by field name, so they follow a field when columns move.
    void setCell(const QString& fieldName, const FooterCellSpec& cellDef) {
        m_cells.insert(fieldName.toLower(), cellDef);
    }
    FooterCellSpec cell(const QString& fieldName) const { return m_cells.value(fieldName.toLower()); }
    bool hasCells() const { return !m_cells.isEmpty(); }

    // The text the footer shows under `field` for the data set's current view.
    QString text(const DataSet& dataSet, const Field& field) const;
    static QString sumText(const DataSet& dataSet, const Field& field, const QString& displayFormat);

private:
    int m_rowCount = 0;
    QHash<QString, FooterCellSpec> m_cells;
};
