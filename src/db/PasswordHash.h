#pragma once
// Log-in passwords are stored as salted PBKDF2-HMAC-SHA256 hashes:
// "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>". Never as plain text.
#include <QByteArray>
#include <QString>

namespace PasswordHash {
// Iterations of every new hash (current guidance for PBKDF2-HMAC-SHA256).
constexpr int kIterations = 600000;
// A stored hash with fewer iterations is refused; hashes written before the
// count was raised (60,000) still verify. Tests and demo data may hash with
// any count from here up; production code uses kIterations.
constexpr int kMinimumIterations = 60000;
// More than this is refused too: a stored text must not make a log-in hang.
constexpr int kMaximumIterations = 10000000;

// `iterations` below kMinimumIterations are raised to it.
QString make(const QString& password, int iterations = kIterations);
// True when `password` matches `stored`; a stored text of another form, or a
// hash outside [kMinimumIterations, kMaximumIterations], never matches.
bool verify(const QString& password, const QString& stored);
// True when `stored` has the hash form (whether or not its parameters are accepted).
bool isHash(const QString& stored);
// A password stored before hashing: true when `stored` is not a hash, not
// empty, and equal to `password`, compared in time independent of where they
// differ. The caller replaces it by a hash at once.
bool matchesPlainText(const QString& password, const QString& stored);
QByteArray pbkdf2Sha256(const QByteArray& password, const QByteArray& salt, int iterations, int length);
} // namespace PasswordHash
