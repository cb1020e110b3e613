#pragma once
// The module's link to the desktop card reader ("发卡器"): open the reader,
// read a card's number from its serial, and read its card-information record
// from three data blocks with the sector key of the company parameter
// "PassWord". The library calls come in through a table: the plug-in passes
// the functions of the linked libcardreader.so (linkedCardReader()), tests
// may pass stand-ins that count or fake the calls.
#include "util/CardCodec.h"

#include <QByteArray>
#include <QString>

class Prompter;
class Session;

struct CardReaderCalls {
    int (*getSerNum)(int address, int reader, unsigned char* out64) = nullptr;
    int (*getSnr)(int address, int reader, int mode, int halt, unsigned char* out1,
                  unsigned char* out2) = nullptr;
    int (*pcdRead)(int address, int reader, int keyMode, int firstBlock, int blockCount,
                   const unsigned char* key6, unsigned char* out) = nullptr;
};

// The functions of libcardreader.so, which the plug-in links (so the module
// does not load without it).
const CardReaderCalls& linkedCardReader();

// The reader record: device address and reader number.
struct CardReader {
    int address = 1;
    int number = 0;
};

class CardReaderLink {
public:
    // Where the card data starts, and how it is authenticated.
    static constexpr int FirstDataBlock = 4;
    static constexpr int KeyMode = 0x60; // key A

    CardReaderLink(const Session& session, Prompter& prompter, const CardReaderCalls& calls);

    // Sets the record to address 1, reader 0, waits 100 ms and asks the reader
    // for its serial. A reader that does not answer is told "连接发卡器失败"
    // (when showError) in a warning box titled with the application's title.
    bool OpenCardReader(CardReader& reader, bool showError);
    // The card number (the 4 serial bytes, lowest first, in decimal); empty
    // and false when there is no reader or no card.
    bool ReadCardNumber(CardReader& reader, QString& cardNo);
    // The card-information record of the 3 data blocks; zero-filled first,
    // unreadable numbers 0. False when the reader, the key or the read fails.
    bool ReadCardData(CardReader& reader, CardInfo& info);

    // The result code of the last library call (CR_* of cardreader.h).
    int lastResult() const { return m_lastResult; }
    // The 48 bytes of the last good data read.
    const QByteArray& lastBlocks() const { return m_blocks; }
    // The operator's message for the last operation: empty when it went well.
    const QString& lastMessage() const { return m_message; }
    // True when the last failure was the reader itself (already told when asked to).
    bool readerFailed() const { return m_readerFailed; }
    const QString& readerSerial() const { return m_serial; }

    // The sector key of the company parameter "PassWord" (12 hex digits, or
    // 6 "F" for 12; the factory key when the parameter is not set).
    bool sectorKey(QByteArray& key, QString& error) const;

private:
    void trace(const QString& line) const;

    const Session& m_session;
    Prompter& m_prompter;
    CardReaderCalls m_calls;
    int m_lastResult = 0;
    bool m_readerFailed = false;
    QByteArray m_blocks;
    QString m_message;
    QString m_serial;
};
