#include "allowance/ui/ClockListView.h"

#include "workers/WorkerMessages.h"

#include <QHeaderView>

using allowance::TClockInfo;

namespace {
enum Column { ColNumber, ColName, ColPlace, ColStatus };
}

ClockListView::ClockListView(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("lvClocks"));
    setHeaderLabels({QStringLiteral("机号"), QStringLiteral("名称"), QStringLiteral("端口/地址"),
                     QStringLiteral("状态")});
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    header()->setStretchLastSection(true);
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem*, int column) {
        if (column == ColNumber && !m_filling)
            emit tickChanged();
    });
}

void ClockListView::setClocks(const QVector<TClockInfo>& clocks) {
    m_filling = true;
    clear();
    m_clocks = clocks;
    for (const TClockInfo& c : clocks) {
        auto* item = new QTreeWidgetItem(this);
        item->setText(ColNumber, c.clock_id == 0 ? QString() : QString::number(c.clock_id));
        item->setText(ColName, c.clock_name);
        item->setText(ColPlace, c.isNetwork() ? c.TCPIP_Address : QStringLiteral("COM%1").arg(c.comport));
        item->setText(ColStatus, QString::number(c.BaudRate));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(ColNumber, Qt::Checked);
    }
    m_filling = false;
    setColumnWidth(ColNumber, 56);
    resizeColumnToContents(ColName);
    resizeColumnToContents(ColPlace);
}

bool ClockListView::isTicked(int row) const {
    return topLevelItem(row)->checkState(ColNumber) == Qt::Checked;
}

void ClockListView::setTicked(int row, bool ticked) {
    topLevelItem(row)->setCheckState(ColNumber, ticked ? Qt::Checked : Qt::Unchecked);
}

void ClockListView::tickAll(bool ticked) {
    m_filling = true;
    for (int i = 0; i < rowCount(); ++i)
        setTicked(i, ticked);
    m_filling = false;
    emit tickChanged();
}

bool ClockListView::anyTicked() const {
    for (int i = 0; i < rowCount(); ++i)
        if (isTicked(i))
            return true;
    return false;
}

QString ClockListView::statusText(int row) const {
    return topLevelItem(row)->text(ColStatus);
}

void ClockListView::setStatusText(int row, const QString& text) {
    topLevelItem(row)->setText(ColStatus, text);
}

void ClockListView::setStatus(const QString& target, const QString& text, bool keepUnreachable) {
    const QString unreachable = workers::ClockStatusText(13);
    for (const QString& id : target.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        for (int i = 0; i < rowCount(); ++i) {
            if (QString::number(m_clocks.at(i).clock_id) != id.trimmed())
                continue;
            if (keepUnreachable && statusText(i) == unreachable)
                continue;
            setStatusText(i, text);
        }
    }
}

void ClockListView::clearStatus() {
    for (int i = 0; i < rowCount(); ++i)
        setStatusText(i, QString());
}

int ClockListView::currentOrFirst() const {
    if (QTreeWidgetItem* item = currentItem())
        return indexOfTopLevelItem(item);
    return rowCount() > 0 ? 0 : -1;
}
