#include "util/CardReaderLink.h"

#include "cardreader/cardreader.h"
#include "db/CompanyParameters.h"
#include "db/Session.h"
#include "util/Prompter.h"

#include <QThread>

#include <cstring>

CardReaderLink::CardReaderLink(const Session& session, Prompter& prompter, const CardReaderCalls& calls)
    : m_session(session), m_prompter(prompter), m_calls(calls) {}

void CardReaderLink::trace(const QString& line) const {
    m_session.trace().write(line);
}

bool CardReaderLink::OpenCardReader(CardReader& reader, bool showError) {
    reader.address = 1;
    reader.number = 0;
    m_readerFailed = false;
    m_message.clear();
    // The reader needs a moment between two commands.
    QThread::msleep(100);
    trace(QStringLiteral("开始调用 API_GetSerNum"));
    unsigned char serial[CR_SERIAL_BUFFER_SIZE] = {};
    m_lastResult = m_calls.getSerNum(reader.address, reader.number, serial);
    if (m_lastResult != CR_OK) {
        m_readerFailed = true;
        m_message = CardCodec::readerFailedMessage();
        if (showError)
            m_prompter.warning(m_message);
        return false;
    }
    serial[CR_SERIAL_BUFFER_SIZE - 1] = 0;
    m_serial = QString::fromLatin1(reinterpret_cast<const char*>(serial));
    return true;
}

bool CardReaderLink::ReadCardNumber(CardReader& reader, QString& cardNo) {
    cardNo.clear();
    if (!OpenCardReader(reader, true))
        return false;
    unsigned char lengths[CR_SNR_BUFFER_SIZE] = {};
    unsigned char serial[CR_SNR_BUFFER_SIZE] = {};
    m_lastResult = m_calls.getSnr(reader.address, reader.number, CR_REQUEST_IDLE, 0, lengths, serial);
    trace(QStringLiteral("GET_SNR result = %1").arg(m_lastResult));
    if (m_lastResult != CR_OK) {
        m_message = CardCodec::messageForResult(m_lastResult);
        return false;
    }
    cardNo = CardCodec::cardNumber(QByteArray(reinterpret_cast<const char*>(serial), 4));
    return true;
}

bool CardReaderLink::sectorKey(QByteArray& key, QString& error) const {
    // A new card answers to the factory key; "FFFFFF" stands for it too.
    const QString text =
        ReadCompanyParameter(m_session, QStringLiteral("PassWord"), QStringLiteral("FFFFFF"));
    return CardCodec::parseSectorKey(text, key, error);
}

bool CardReaderLink::ReadCardData(CardReader& reader, CardInfo& info) {
    info = CardInfo();
    m_blocks.clear();
    if (!OpenCardReader(reader, true))
        return false;
    QByteArray key;
    if (!sectorKey(key, m_message)) {
        m_lastResult = CR_ERR_PARAMETER;
        return false;
    }
    unsigned char out[CR_BLOCK_BUFFER_SIZE] = {};
    m_lastResult =
        m_calls.pcdRead(reader.address, reader.number, KeyMode, FirstDataBlock, CardCodec::BlockCount,
                        reinterpret_cast<const unsigned char*>(key.constData()), out);
    if (m_lastResult != CR_OK) {
        m_message = CardCodec::messageForResult(m_lastResult);
        return false;
    }
    m_blocks = QByteArray(reinterpret_cast<const char*>(out), CardCodec::DataSize);
    info = CardCodec::decode(m_blocks);
    m_message = CardCodec::messageForData(m_blocks);
    return true;
}
