#include "dataset/persist/DataSetFile.h"

#include "dataset/DataSet.h"
#include "dataset/persist/AdtgFormat.h"
#include "dataset/persist/RecordSetImage.h"
#include "dataset/persist/XmlRowsetFormat.h"

#include <QFile>
#include <QSaveFile>

#include <new>

using persist::PersistError;

namespace {

bool fail(QString* error, const QString& message) {
    if (error)
        *error = message;
    return false;
}

// Reads the image of `bytes` in whichever format they are.
void readImage(const QByteArray& bytes, persist::RecordSetImage& image, bool metadataOnly) {
    if (persist::looksLikeAdtg(bytes))
        persist::readAdtg(bytes, image, metadataOnly);
    else if (persist::looksLikeXml(bytes))
        persist::readXmlRowset(bytes, image, metadataOnly);
    else
        persist::badFormat(QStringLiteral("既不是 ADTG 文件也不是 XML 记录集文件"));
}

bool readFile(const QString& path, QByteArray& bytes, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("无法打开文件\"%1\": %2").arg(path, file.errorString()));
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(error, QStringLiteral("读取文件\"%1\"失败: %2").arg(path, file.errorString()));
    return true;
}

} // namespace

DataSetFileFormat DataSetFileFormatForPath(const QString& path) {
    return path.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive) ? DataSetFileFormat::Xml
                                                                      : DataSetFileFormat::Adtg;
}

bool SaveDataSetToDevice(const DataSet& dataSet, QIODevice& device, DataSetFileFormat format,
                         QString* error) {
    if (!dataSet.isActive())
        return fail(error, QStringLiteral("数据集未打开, 无法保存"));
    try {
        if (format == DataSetFileFormat::Adtg)
            persist::writeAdtg(dataSet, device);
        else
            persist::writeXmlRowset(dataSet, device);
        return true;
    } catch (const PersistError& e) {
        return fail(error, e.message);
    } catch (const std::bad_alloc&) {
        return fail(error, QStringLiteral("内存不足, 无法保存文件"));
    }
}

bool SaveDataSetToFile(const DataSet& dataSet, const QString& path, DataSetFileFormat format,
                       QString* error) {
    // QSaveFile writes beside the target and replaces it only when complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, QStringLiteral("无法创建文件\"%1\": %2").arg(path, file.errorString()));
    if (!SaveDataSetToDevice(dataSet, file, format, error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return fail(error, QStringLiteral("写入文件\"%1\"失败: %2").arg(path, file.errorString()));
    return true;
}

bool LoadDataSetFromBytes(DataSet& dataSet, const QByteArray& bytes, QString* error) {
    persist::RecordSetImage image;
    try {
        readImage(bytes, image, false);
    } catch (const PersistError& e) {
        return fail(error, e.message);
    } catch (const std::bad_alloc&) {
        return fail(error, QStringLiteral("内存不足, 无法读入文件"));
    }
    persist::applyImage(dataSet, image);
    return true;
}

bool LoadDataSetFromFile(DataSet& dataSet, const QString& path, QString* error) {
    QByteArray bytes;
    return readFile(path, bytes, error) && LoadDataSetFromBytes(dataSet, bytes, error);
}

QString PeekDataSetFileBaseTable(const QString& path, QString* error) {
    QByteArray bytes;
    if (!readFile(path, bytes, error))
        return QString();
    persist::RecordSetImage image;
    try {
        readImage(bytes, image, true);
    } catch (const PersistError& e) {
        fail(error, e.message);
        return QString();
    }
    return image.baseTable.isEmpty() ? persist::commonBaseTable(image.columns) : image.baseTable;
}
