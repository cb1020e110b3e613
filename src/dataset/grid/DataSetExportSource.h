#pragma once
// The grid as the exporters and the print renderer read it: the model's
// columns (visible fields in grid order), the data set's rows as display
// texts and exact values, the selected rows and the footer band.
#include "dataset/export/ExportSource.h"
#include "dataset/grid/GridFooter.h"

#include <QVector>

class DataSet;
class DataSetTableModel;
class Field;

class DataSetExportSource : public gridexport::ExportSource {
public:
    DataSetExportSource(const DataSetTableModel& model, const GridFooter* footer = nullptr);

    void setTableName(const QString& name) { m_name = name; }
    void setSubtitle(const QString& subtitle) { m_subtitle = subtitle; }
    // Row positions of the selection; empty: the whole grid.
    void setSelectedRows(const QVector<int>& rows) { m_selection = rows; }
    void setChart(const std::optional<gridexport::ExportChart>& chart) { m_chart = chart; }

    QString tableName() const override { return m_name; }
    QString subtitle() const override { return m_subtitle; }
    int columnCount() const override;
    gridexport::ExportColumn column(int col) const override;
    QString fieldName(int col) const override;
    int rowCount() const override;
    QString displayText(int row, int col) const override;
    gridexport::CellValue value(int row, int col) const override;
    QVector<int> selectedRows() const override { return m_selection; }
    bool hasFooter() const override;
    gridexport::FooterCell footer(int col) const override;
    std::optional<gridexport::ExportChart> chart() const override { return m_chart; }

    static gridexport::FieldClass fieldClass(const Field& field);

private:
    const DataSetTableModel& m_model;
    const GridFooter* m_footer;
    QString m_name;
    QString m_subtitle;
    QVector<int> m_selection;
    std::optional<gridexport::ExportChart> m_chart;
};
