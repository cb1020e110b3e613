#include "dataset/grid/ui/FooterBand.h"

#include "dataset/DataSet.h"
#include "dataset/grid/DataSetTableModel.h"
#include "dataset/grid/GridFooter.h"

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>

FooterBand::FooterBand(QTableView* view, const DataSetTableModel* model, const GridFooter* footer,
                       QWidget* parent)
    : QWidget(parent), m_view(view), m_model(model), m_footer(footer), m_color(240, 251, 255) {
    connect(view->horizontalHeader(), &QHeaderView::sectionResized, this, qOverload<>(&QWidget::update));
    connect(view->horizontalHeader(), &QHeaderView::sectionMoved, this, qOverload<>(&QWidget::update));
    connect(view->horizontalHeader(), &QHeaderView::geometriesChanged, this, qOverload<>(&QWidget::update));
    connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this, qOverload<>(&QWidget::update));
}

void FooterBand::refresh() {
    m_texts.clear();
    const DataSet* ds = m_model->dataSet();
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const Field* f = m_model->fieldAt(c);
        m_texts << (ds && f ? m_footer->text(*ds, *f) : QString());
    }
    update();
}

QSize FooterBand::sizeHint() const {
    const int rows = m_footer->rowCount();
    QFont bold = font();
    bold.setPointSize(11);
    bold.setBold(true);
    return {100, rows > 0 ? rows * (QFontMetrics(bold).height() + 8) : 0};
}

void FooterBand::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), m_color);
    const QHeaderView* header = m_view->horizontalHeader();
    const int offset = m_view->verticalHeader()->isVisible() ? m_view->verticalHeader()->width() : 0;
    const int frame = m_view->frameWidth();
    p.setPen(palette().color(QPalette::Mid));
    for (int c = 0; c < m_model->columnCount(); ++c) {
        if (header->isSectionHidden(c))
            continue;
        const int x = frame + offset + header->sectionViewportPosition(c);
        const int w = header->sectionSize(c);
        if (x + w < offset || x > width())
            continue;
        const QRect cell(x, 0, w, height());
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(cell.adjusted(0, 0, -1, -1));
        const Field* f = m_model->fieldAt(c);
        const FooterCellSpec cellDef = f ? m_footer->cell(f->fieldName()) : FooterCellSpec{};
        QFont font = this->font();
        font.setPointSize(cellDef.fontPointSize);
        font.setBold(cellDef.bold);
        p.setFont(font);
        p.setPen(palette().color(QPalette::WindowText));
        int flags = int(cellDef.alignment);
        if (cellDef.wordWrap)
            flags |= Qt::TextWordWrap;
        p.drawText(cell.adjusted(3, 0, -3, 0), flags, cellText(c));
    }
}
