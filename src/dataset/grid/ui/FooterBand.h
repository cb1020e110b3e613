#pragma once
// The band under the grid that shows the footer row: one cell per column,
// aligned with the column titles and scrolled with them.
#include <QStringList>
#include <QWidget>

class QTableView;
class DataSetTableModel;
class GridFooter;

class FooterBand : public QWidget {
    Q_OBJECT
public:
    FooterBand(QTableView* view, const DataSetTableModel* model, const GridFooter* footer,
               QWidget* parent = nullptr);

    // Recomputes the texts (sums run over the whole view once, not per paint).
    void refresh();
    QString cellText(int column) const { return column < m_texts.size() ? m_texts.at(column) : QString(); }
    void setColor(const QColor& color) {
        m_color = color;
        update();
    }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTableView* m_view;
    const DataSetTableModel* m_model;
    const GridFooter* m_footer;
    QStringList m_texts;
    QColor m_color;
};
