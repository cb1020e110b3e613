#include "db/TextCodec.h"

#include <QStringDecoder>

QString decodeText(const QByteArray& bytes) {
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(data);
    if (!utf8.hasError())
        return text;
    QStringDecoder gbk("GB18030");
    if (gbk.isValid()) {
        QString decoded = gbk.decode(data);
        if (!gbk.hasError())
            return decoded;
    }
    return QString::fromLatin1(data);
}
