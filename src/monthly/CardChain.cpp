#include "monthly/CardChain.h"

#include <algorithm>
#include <numeric>

QVector<int> sequenceBreaks(const QVector<int>& sequences) {
    QVector<int> out;
    for (int i = 1; i < sequences.size(); ++i)
        if (sequences[i] != sequences[i - 1] + 1)
            out << sequences[i - 1];
    return out;
}

QVector<ChainFinding> checkCardChain(const QVector<ChainRow>& rows) {
    QVector<int> order;
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].sequence)
            order << i;
    std::stable_sort(order.begin(), order.end(), [&rows](int a, int b) {
        if (rows[a].card != rows[b].card)
            return rows[a].card < rows[b].card;
        return *rows[a].sequence < *rows[b].sequence;
    });
    QVector<ChainFinding> out;
    for (int k = 1; k < order.size(); ++k) {
        const ChainRow& prev = rows[order[k - 1]];
        const ChainRow& row = rows[order[k]];
        if (prev.card != row.card)
            continue;
        ChainFinding f;
        f.row = order[k];
        f.card = row.card;
        f.previousSequence = *prev.sequence;
        f.sequence = *row.sequence;
        if (*row.sequence != *prev.sequence + 1) {
            f.kind = ChainFinding::SequenceBreak;
            out << f;
        } else if (prev.balance && row.balance && *row.balance != *prev.balance + row.change) {
            f.kind = ChainFinding::BalanceBreak;
            f.expected = *prev.balance + row.change;
            f.found = *row.balance;
            out << f;
        }
    }
    return out;
}

QString describeCardChain(int rowCount, const QVector<ChainFinding>& findings, int maxLines) {
    const auto breaks = std::count_if(findings.begin(), findings.end(), [](const ChainFinding& f) {
        return f.kind == ChainFinding::SequenceBreak;
    });
    QString text = QStringLiteral("共 %1 条记录：卡流水号断号或重号 %2 处，余额不连续 %3 处。")
                       .arg(QString::number(rowCount), QString::number(breaks),
                            QString::number(findings.size() - breaks));
    if (findings.isEmpty())
        return text + QStringLiteral("\n每张卡的流水号和余额都前后相接。");
    int lines = 0;
    for (const ChainFinding& f : findings) {
        if (lines++ == maxLines) {
            text += QStringLiteral("\n……另有 %1 处").arg(findings.size() - maxLines);
            break;
        }
        if (f.kind == ChainFinding::SequenceBreak)
            text += QStringLiteral("\n卡号 %1：流水号 %2 之后是 %3")
                        .arg(QString::number(f.card), QString::number(f.previousSequence),
                             QString::number(f.sequence));
        else
            text += QStringLiteral("\n卡号 %1：流水号 %2 余额 %3，应为 %4")
                        .arg(QString::number(f.card), QString::number(f.sequence), f.found.toString(),
                             f.expected.toString());
    }
    return text;
}
