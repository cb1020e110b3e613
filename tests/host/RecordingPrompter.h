#pragma once
// The host's prompter for tests: every text is recorded, questions take the
// unattended answer.
#include "host/HostPrompter.h"

#include <QStringList>

class RecordingPrompter : public HostPrompter {
public:
    void information(QWidget*, const QString& text) override { messages << text; }
    void warning(QWidget*, const QString& text) override { messages << text; }
    bool question(QWidget*, const QString& text, bool answer) override {
        messages << text;
        return answer;
    }
    QStringList messages;
};
