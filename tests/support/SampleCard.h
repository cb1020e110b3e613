#pragma once
// The simulated reader's sample card (src/cardreader/sample-card.txt: card 67305985, employee 1024,
// balance 123.45) as "block N = ..." lines of a card file.
#include <QFile>
#include <QString>
#include <QStringList>

// Puts a card with these lines on the simulated reader (a card file at `path`).
inline bool laySimulatedCard(const QString& path, const QString& uid, const QString& key,
                             const QString& blocks) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    f.write(QStringLiteral("uid = %1\nkey = %2\n%3").arg(uid, key, blocks).toUtf8());
    qputenv("MEAL_CARDREADER", "sim");
    qputenv("MEAL_CARDREADER_CARD", path.toLocal8Bit());
    return true;
}

inline QString sampleCardBlockLines() {
    QFile f(QStringLiteral(MEAL_SOURCE_DIR "/src/cardreader/sample-card.txt"));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    QStringList lines;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("block ")))
            lines << line;
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
