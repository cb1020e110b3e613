#pragma once
// The grid's model over a data set: one column per visible field in index
// order, one row per record of the data set's view. A cell is converted to
// text only when the view asks for it, so a million-row set costs nothing
// until it scrolls into sight.
#include "dataset/DataSet.h"
#include "dataset/Field.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QPointer>

#include <functional>
#include <vector>

class DataSetTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Background colour of one cell, or an invalid colour for the default.
    using CellColorHook = std::function<QColor(int row, const Field& field)>;

    explicit DataSetTableModel(QObject* parent = nullptr);

    void setDataSet(DataSet* dataSet);
    DataSet* dataSet() const { return m_dataSet; }

    // Re-reads the column list after fields were shown, hidden or moved.
    void refreshColumns();
    Field* fieldAt(int column) const;
    int columnOf(const Field* field) const; // -1 when the field is not shown

    void setAlternateRowColors(const QColor& odd, const QColor& even);
    void setCellColorHook(CellColorHook hook) { m_cellColor = std::move(hook); }
    // Editing mode: cells of fields that are not read-only accept input.
    void setEditing(bool editing);
    bool editing() const { return m_editing; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The text of a title level: the label split at "|".
    static QStringList titleLevels(const QString& label);

signals:
    // An edit typed into a cell was refused (conversion or validation).
    void editRefused(const QString& message);

private:
    void onViewReset();
    void onRowsAppended(int first, int count);
    void onDataChanged(Bookmark bookmark);

    QPointer<DataSet> m_dataSet;
    std::vector<Field*> m_columns;
    int m_rows = 0;
    QColor m_oddColor;
    QColor m_evenColor;
    CellColorHook m_cellColor;
    bool m_editing = false;
};
