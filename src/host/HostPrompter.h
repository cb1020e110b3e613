#pragma once
// How the host tells the operator something. The interactive form shows a
// message box titled "提示"; the unattended form (screenshot runs) writes to
// standard error so that nothing waits for a click.
#include <QString>

class QWidget;

class HostPrompter {
public:
    virtual ~HostPrompter() = default;
    virtual void information(QWidget* parent, const QString& text) = 0;
    virtual void warning(QWidget* parent, const QString& text) = 0;
    // Yes/no question titled "询问"; the unattended form answers `unattendedAnswer`.
    virtual bool question(QWidget* parent, const QString& text, bool unattendedAnswer) = 0;
};

class MessageBoxPrompter : public HostPrompter {
public:
    void information(QWidget* parent, const QString& text) override;
    void warning(QWidget* parent, const QString& text) override;
    bool question(QWidget* parent, const QString& text, bool unattendedAnswer) override;
};

class StderrPrompter : public HostPrompter {
public:
    void information(QWidget* parent, const QString& text) override;
    void warning(QWidget* parent, const QString& text) override;
    bool question(QWidget* parent, const QString& text, bool unattendedAnswer) override;
};
