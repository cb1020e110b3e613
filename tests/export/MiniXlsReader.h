#pragma once
// A small Excel 97-2003 reader written from the published formats, independent of the exporter:
// the compound file, then the Workbook stream's sheets, shared strings, formats and cells.
#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QString>
#include <QVector>

struct MiniCell {
    enum Kind { Label, Number, Blank } kind = Blank;
    QString text;
    double number = 0;
    int xf = 0;
};

struct MiniMerge {
    int firstRow, lastRow, firstCol, lastCol;
};

struct MiniSheet {
    QString name;
    int rows = 0; // from the DIMENSION record
    int cols = 0;
    QMap<QPair<int, int>, MiniCell> cells;
    QVector<MiniMerge> merges;
    QMap<int, int> columnWidths; // column -> width in 1/256 characters

    const MiniCell* cell(int row, int col) const {
        auto it = cells.constFind({row, col});
        return it == cells.constEnd() ? nullptr : &it.value();
    }
};

struct MiniBook {
    QVector<MiniSheet> sheets;
    QVector<int> xfFormat;       // XF index -> format id
    QHash<int, QString> formats; // format id -> format text
    int codePage = 0;
    qint64 workbookStreamSize = 0;

    QString formatOf(const MiniCell& cell) const {
        const int id = cell.xf < xfFormat.size() ? xfFormat.at(cell.xf) : -1;
        return formats.value(id);
    }
};

// Returns false with a reason when the file is not a readable workbook.
bool readMiniXls(const QByteArray& file, MiniBook& book, QString& error);
