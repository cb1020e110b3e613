#include "db/PasswordHash.h"

#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QStringList>

namespace PasswordHash {

namespace {
// Every byte is compared whatever the first difference; lengths are not secret.
bool equalInConstantTime(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (int i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}
} // namespace

QByteArray pbkdf2Sha256(const QByteArray& password, const QByteArray& salt, int iterations, int length) {
    QByteArray out;
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, password);
    for (quint32 block = 1; out.size() < length; ++block) {
        QByteArray counter(4, 0);
        counter[0] = char(block >> 24);
        counter[1] = char(block >> 16);
        counter[2] = char(block >> 8);
        counter[3] = char(block);
        mac.reset();
        mac.addData(salt);
        mac.addData(counter);
        QByteArray u = mac.result();
        QByteArray t = u;
        for (int i = 1; i < iterations; ++i) {
            mac.reset();
            mac.addData(u);
            u = mac.result();
            for (int j = 0; j < t.size(); ++j)
                t[j] = char(t[j] ^ u[j]);
        }
        out += t;
    }
    return out.left(length);
}

QString make(const QString& password, int iterations) {
    iterations = qMax(iterations, kMinimumIterations);
    QByteArray salt(16, 0);
    for (int i = 0; i < salt.size(); ++i)
        salt[i] = char(QRandomGenerator::system()->bounded(256));
    const QByteArray hash = pbkdf2Sha256(password.toUtf8(), salt, iterations, 32);
    return QStringLiteral("pbkdf2-sha256$%1$%2$%3")
        .arg(QString::number(iterations), QString::fromLatin1(salt.toHex()),
             QString::fromLatin1(hash.toHex()));
}

bool verify(const QString& password, const QString& stored) {
    const QStringList parts = stored.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts[0] != QLatin1String("pbkdf2-sha256"))
        return false;
    bool ok = false;
    const int iterations = parts[1].toInt(&ok);
    if (!ok || iterations < kMinimumIterations || iterations > kMaximumIterations)
        return false;
    const QByteArray salt = QByteArray::fromHex(parts[2].toLatin1());
    const QByteArray expected = QByteArray::fromHex(parts[3].toLatin1());
    if (salt.isEmpty() || expected.isEmpty())
        return false;
    const QByteArray actual = pbkdf2Sha256(password.toUtf8(), salt, iterations, int(expected.size()));
    return equalInConstantTime(actual, expected);
}

bool isHash(const QString& stored) {
    return stored.startsWith(QLatin1String("pbkdf2-sha256$"));
}

bool matchesPlainText(const QString& password, const QString& stored) {
    if (stored.isEmpty() || isHash(stored))
        return false;
    // Digests of equal length, so the comparison time depends on neither text.
    return equalInConstantTime(QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Sha256),
                               QCryptographicHash::hash(stored.toUtf8(), QCryptographicHash::Sha256));
}

} // namespace PasswordHash
