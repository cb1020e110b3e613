#include "charts/ui/StatsChartView.h"

#include "charts/ui/ChartPainter.h"
#include "dataset/DataSet.h"
#include "util/Prompter.h"

#include <QChart>
#include <QChartView>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

StatsChartView::StatsChartView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("chartPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QHBoxLayout;
    m_export = new QToolButton(this);
    m_export->setObjectName(QStringLiteral("btnChartExport"));
    m_export->setText(QStringLiteral("导出图表"));
    m_print = new QToolButton(this);
    m_print->setObjectName(QStringLiteral("btnChartPrint"));
    m_print->setText(QStringLiteral("打印图表"));
    buttons->addWidget(m_export);
    buttons->addWidget(m_print);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    m_chart = new QChart;
    m_view = new QChartView(m_chart, this); // the view owns the chart
    m_view->setObjectName(QStringLiteral("chartView"));
    m_view->setRenderHint(QPainter::Antialiasing);
    layout->addWidget(m_view, 1);
    connect(m_export, &QToolButton::clicked, this, &StatsChartView::exportChart);
    connect(m_print, &QToolButton::clicked, this, &StatsChartView::printChart);
}

void StatsChartView::setDescription(const ChartSpec& description) {
    m_description = description;
    scheduleRebuild();
}

void StatsChartView::attach(DataSet* rows) {
    if (m_rows)
        disconnect(m_rows, nullptr, this, nullptr);
    m_rows = rows;
    if (rows) {
        connect(rows, &DataSet::viewReset, this, &StatsChartView::scheduleRebuild);
        connect(rows, &DataSet::rowsAppended, this, &StatsChartView::scheduleRebuild);
        connect(rows, &DataSet::dataChanged, this, &StatsChartView::scheduleRebuild);
        connect(rows, &DataSet::loadFinished, this, &StatsChartView::scheduleRebuild);
    }
    scheduleRebuild();
}

void StatsChartView::scheduleRebuild() {
    // Rows arrive in batches while loading: one drawing once they are all in.
    if (m_pending || (m_rows && m_rows->isLoading()))
        return;
    m_pending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_pending)
            rebuild();
    });
}

void StatsChartView::rebuild() {
    m_pending = false;
    QElapsedTimer clock;
    clock.start();
    m_data = m_rows ? ChartSeriesBuilder::build(m_description, *m_rows) : ChartData{};
    ChartPainter::fill(*m_chart, m_data);
    m_lastBuildMs = clock.elapsed();
    emit rebuilt();
}

bool StatsChartView::save(const QString& path, QString* error) const {
    return ChartPainter::save(m_data, path, error);
}

void StatsChartView::print(QPrinter& printer) const {
    QPainter painter(&printer);
    ChartPainter::paint(m_data, painter, QRectF(painter.viewport()));
}

void StatsChartView::exportChart() {
    if (!m_prompter)
        return;
    FileDialogRequest request;
    request.title = QStringLiteral("导出图表");
    request.filter = QStringLiteral("PNG 图片|*.png|PDF 文件|*.pdf");
    request.defaultExtension = QStringLiteral("png");
    request.fileName = m_data.title;
    const FileDialogResult chosen = m_prompter->saveFile(request);
    if (!chosen.accepted)
        return;
    QString error;
    if (!save(chosen.path, &error))
        m_prompter->warning(error);
}

void StatsChartView::printChart() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        print(printer);
}
