#include "host/HostPrompter.h"

#include <QMessageBox>

#include <cstdio>

void MessageBoxPrompter::information(QWidget* parent, const QString& text) {
    std::fprintf(stderr, "mealhost: %s\n", qPrintable(text));
    QMessageBox::information(parent, QStringLiteral("提示"), text);
}

void MessageBoxPrompter::warning(QWidget* parent, const QString& text) {
    std::fprintf(stderr, "mealhost: %s\n", qPrintable(text));
    QMessageBox::warning(parent, QStringLiteral("提示"), text);
}

bool MessageBoxPrompter::question(QWidget* parent, const QString& text, bool) {
    return QMessageBox::question(parent, QStringLiteral("询问"), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void StderrPrompter::information(QWidget*, const QString& text) {
    std::fprintf(stderr, "mealhost: %s\n", qPrintable(text));
}

void StderrPrompter::warning(QWidget*, const QString& text) {
    std::fprintf(stderr, "mealhost: %s\n", qPrintable(text));
}

bool StderrPrompter::question(QWidget*, const QString& text, bool unattendedAnswer) {
    std::fprintf(stderr, "mealhost: %s -> %s\n", qPrintable(text), unattendedAnswer ? "yes" : "no");
    return unattendedAnswer;
}
