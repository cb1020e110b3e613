#pragma once
// Column titles of several levels: a display label "期初|现金收入|卡费" is
// drawn as three rows, and neighbouring columns that share the upper levels
// share one merged cell. Sort markers (direction and marking order) are drawn
// in the lowest level.
#include <QHeaderView>
#include <QMap>

class MultiLevelHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit MultiLevelHeader(QWidget* parent = nullptr);

    struct Marker {
        bool ascending = true;
        int order = 0; // 1-based place in the marking order
    };
    void setMarkers(const QMap<int, Marker>& markersByLogicalIndex);
    int levelCount() const;

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    QStringList levelsOf(int logicalIndex) const;
    // The visual span of neighbours whose first `depth` levels equal those of `logicalIndex`.
    QPair<int, int> spanOf(int logical, int depth) const;
    int rowHeight() const;

    QMap<int, Marker> m_markers;
};
