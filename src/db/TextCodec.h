#pragma once
// Text files we read may be UTF-8 (with or without byte-order mark) or GBK.
#include <QByteArray>
#include <QString>

// Decodes bytes as UTF-8 when they are valid UTF-8, otherwise as GBK (GB18030).
QString decodeText(const QByteArray& bytes);
