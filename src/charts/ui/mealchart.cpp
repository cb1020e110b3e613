// mealchart FILE.png|FILE.pdf: draws the chart read as JSON from standard
// input (ChartSeriesBuilder::toJson) with Qt Charts, offscreen unless a
// platform is chosen. mealctl report --chart runs it, so that mealctl itself
// needs no widgets.
#include "charts/ui/ChartPainter.h"

#include <QApplication>
#include <QFile>
#include <QTextStream>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "usage: mealchart FILE.png|FILE.pdf < chart.json\n";
        return 2;
    }
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return 1;
    ChartData data;
    if (!ChartSeriesBuilder::fromJson(in.readAll(), &data)) {
        err << "mealchart: the chart description on standard input is unreadable\n";
        return 1;
    }
    QString error;
    if (!ChartPainter::save(data, args.at(1), &error)) {
        err << "mealchart: " << error << "\n";
        return 1;
    }
    return 0;
}
