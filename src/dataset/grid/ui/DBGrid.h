#pragma once
// DBGrid: the data-aware grid of every record window. A table view over a
// data set with multi-level titles, a footer band (static text, sum, count),
// title-click sort markers that set the data set's sort, frozen columns,
// multi-selection of rows (available as bookmarks), alternate row colours, a
// per-cell colour hook, and read-only or editing mode.
#include "dataset/Field.h"
#include "dataset/grid/DataSetTableModel.h"
#include "dataset/grid/GridFooter.h"

#include <QList>
#include <QPair>
#include <QWidget>

#include <vector>

class DataSet;
class FooterBand;
class MultiLevelHeader;
class QFontMetrics;
class QTableView;

class DBGrid : public QWidget {
    Q_OBJECT
public:
    enum class SelectionKind { None, Rows, All };

    explicit DBGrid(QWidget* parent = nullptr);

    void setDataSet(DataSet* dataSet);
    DataSet* dataSet() const { return m_model->dataSet(); }
    DataSetTableModel* model() const { return m_model; }
    QTableView* view() const { return m_view; }

    // Fields shown, hidden or moved: rebuild the columns.
    void refreshColumns();

    // Footer band.
    GridFooter& footer() { return m_footer; }
    const GridFooter& footer() const { return m_footer; }
    int footerRowCount() const { return m_footer.rowCount(); }
    void setFooterRowCount(int rows);
    void refreshFooter();
    QString footerText(int column) const;
    void setFooterColor(const QColor& color);

    // Editing.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    void setEditing(bool editing);

    // Selection of whole rows.
    SelectionKind selectionKind() const;
    std::vector<Bookmark> selectedBookmarks() const;
    QVector<int> selectedRows() const;
    void selectAll();
    void clearSelection();
    // The column the operator is on (grid order), -1 when none.
    int selectedColumn() const;
    Field* selectedField() const;
    void setSelectedColumn(int column);

    // Sort markers in marking order: (field name, ascending).
    QList<QPair<QString, bool>> sortMarkers() const { return m_markers; }
    void setSortMarkers(const QList<QPair<QString, bool>>& markers);
    // "f1 ASC,f2 DESC" from the markers.
    static QString sortText(const QList<QPair<QString, bool>>& markers);
    // A title click, as the mouse does it (`add` with Ctrl: keep the other markers).
    void clickTitle(int column, bool add = false);

    // Frozen columns: the first `count` columns stay when scrolling sideways.
    int frozenColumns() const { return m_frozen; }
    void setFrozenColumns(int count);

    void setAlternateRowColors(const QColor& odd, const QColor& even) {
        m_model->setAlternateRowColors(odd, even);
    }
    void setCellColorHook(DataSetTableModel::CellColorHook hook) {
        m_model->setCellColorHook(std::move(hook));
    }

    // Can this field be sorted? Calculated, memo, blob and graphic columns cannot.
    static bool canSort(const Field& field);

    // A column's width in pixels for a field's display width in characters
    // (kept between 4 and 80), a character being the width of "0" in the
    // grid's font; and the display width a column of `pixels` stands for.
    static int columnPixels(int displayWidth, const QFontMetrics& metrics);
    static int displayWidthFor(int pixels, const QFontMetrics& metrics);

signals:
    // The operator clicked the title of a column that cannot be sorted.
    void sortRefused(const QString& fieldName);
    // The markers changed and the data set was sorted (or refused: message).
    void sortMarkingChanged();
    void sortFailed(const QString& message);
    void cellDoubleClicked(int row, int column);
    void editRefused(const QString& message);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applySort();
    void updateMarkersView();
    void syncCurrentFromDataSet();
    void onCurrentChanged(const QModelIndex& current);
    void updateFrozenGeometry();
    void applyColumnWidths();
    // A title border dragged: the field keeps the new width.
    void onSectionResized(int column, int size);

    DataSetTableModel* m_model;
    QTableView* m_view;
    QTableView* m_frozenView;
    MultiLevelHeader* m_header;
    FooterBand* m_footerBand;
    GridFooter m_footer;
    QList<QPair<QString, bool>> m_markers;
    int m_frozen = 0;
    bool m_readOnly = false;
    bool m_syncing = false;
    // Set while the grid sizes columns itself, so that only the operator's
    // resizing changes the fields' display widths.
    bool m_sizing = false;
};
