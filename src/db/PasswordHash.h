#pragma once
// Log-in passwords are stored as salted PBKDF2-HMAC-SHA256 hashes:
// "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>". Never as plain text.
#include <QByteArray>
#include <QString>

namespace PasswordHash {
QString make(const QString& password, int iterations = 60000);
// True when `password` matches `stored`; a stored text of another form never matches.
bool verify(const QString& password, const QString& stored);
QByteArray pbkdf2Sha256(const QByteArray& password, const QByteArray& salt, int iterations, int length);
} // namespace PasswordHash
