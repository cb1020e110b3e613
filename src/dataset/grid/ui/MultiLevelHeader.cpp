#include "dataset/grid/ui/MultiLevelHeader.h"

#include <QPainter>
#include <QStyleOptionHeader>

MultiLevelHeader::MultiLevelHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignCenter);
}

void MultiLevelHeader::setMarkers(const QMap<int, Marker>& markersByLogicalIndex) {
    m_markers = markersByLogicalIndex;
    viewport()->update();
}

QStringList MultiLevelHeader::levelsOf(int logicalIndex) const {
    if (!model())
        return {};
    return model()
        ->headerData(logicalIndex, orientation(), Qt::DisplayRole)
        .toString()
        .split(QLatin1Char('|'));
}

int MultiLevelHeader::levelCount() const {
    int levels = 1;
    if (!model())
        return levels;
    for (int i = 0; i < count(); ++i)
        if (!isSectionHidden(i))
            levels = qMax(levels, int(levelsOf(i).size()));
    return levels;
}

int MultiLevelHeader::rowHeight() const {
    return fontMetrics().height() + 6;
}

QSize MultiLevelHeader::sizeHint() const {
    QSize s = QHeaderView::sizeHint();
    s.setHeight(qMax(s.height(), levelCount() * rowHeight()));
    return s;
}

QPair<int, int> MultiLevelHeader::spanOf(int logical, int depth) const {
    const QStringList mine = levelsOf(logical).mid(0, depth);
    const int visual = visualIndex(logical);
    auto sameGroup = [&](int v) {
        const int li = this->logicalIndex(v);
        if (li < 0 || isSectionHidden(li))
            return false;
        const QStringList other = levelsOf(li);
        return other.size() > depth - 1 && other.mid(0, depth) == mine;
    };
    int first = visual;
    while (first > 0 && sameGroup(first - 1))
        --first;
    int last = visual;
    while (last + 1 < count() && sameGroup(last + 1))
        ++last;
    return {first, last};
}

void MultiLevelHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid())
        return;
    const QStringList levels = levelsOf(logicalIndex);
    const int h = rowHeight();
    painter->save();
    painter->setClipRect(rect);
    for (int level = 0; level < levels.size(); ++level) {
        const bool lastLevel = level == levels.size() - 1;
        // The lowest level of a short title stretches down to the bottom.
        const int top = rect.top() + level * h;
        const int height = lastLevel ? rect.bottom() + 1 - top : h;
        QRect cell(rect.left(), top, rect.width(), height);
        if (!lastLevel) {
            const auto span = spanOf(logicalIndex, level + 1);
            const int left = sectionViewportPosition(this->logicalIndex(span.first));
            const int right = sectionViewportPosition(this->logicalIndex(span.second)) +
                              sectionSize(this->logicalIndex(span.second));
            cell.setLeft(left);
            cell.setRight(right - 1);
        }
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        opt.rect = cell;
        opt.section = logicalIndex;
        opt.textAlignment = Qt::AlignCenter;
        opt.text = levels.at(level);
        opt.position = QStyleOptionHeader::Middle;
        if (lastLevel) {
            const auto it = m_markers.constFind(logicalIndex);
            if (it != m_markers.constEnd()) {
                opt.sortIndicator = it->ascending ? QStyleOptionHeader::SortDown : QStyleOptionHeader::SortUp;
                if (m_markers.size() > 1)
                    opt.text += QStringLiteral(" %1").arg(it->order);
            }
        }
        style()->drawControl(QStyle::CE_Header, &opt, painter, this);
    }
    painter->restore();
}
