#include "dataset/persist/DataSetFile.h"

#include "dataset/DataSet.h"

#include <QFile>

DataSetFileFormat DataSetFileFormatForPath(const QString& path) {
    return path.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive) ? DataSetFileFormat::Xml
                                                                      : DataSetFileFormat::Adtg;
}

static bool fail(QString* error, const QString& message) {
    if (error)
        *error = message;
    return false;
}

bool SaveDataSetToFile(const DataSet&, const QString&, DataSetFileFormat, QString* error) {
    return fail(error, QStringLiteral("文件保存尚未实现"));
}

bool SaveDataSetToDevice(const DataSet&, QIODevice&, DataSetFileFormat, QString* error) {
    return fail(error, QStringLiteral("文件保存尚未实现"));
}

bool LoadDataSetFromFile(DataSet&, const QString&, QString* error) {
    return fail(error, QStringLiteral("文件格式不正确"));
}

bool LoadDataSetFromBytes(DataSet&, const QByteArray&, QString* error) {
    return fail(error, QStringLiteral("文件格式不正确"));
}

QString PeekDataSetFileBaseTable(const QString&, QString* error) {
    fail(error, QStringLiteral("文件格式不正确"));
    return QString();
}
