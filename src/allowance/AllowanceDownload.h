#pragma once
// What the allowance download window does without widgets: the allowances a
// picker offers, the tasks written for one terminal, the open tasks of one
// terminal for its detail list, and the log saved as a text file.
#include "allowance/ClockInfo.h"
#include "db/Currency.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class Session;

namespace allowance {

// One allowance of the recipient list (a `mallowance` row).
struct RecipientRow {
    qint64 id = 0; // mallowance.id
    QString emp_id;
    QString empname;
    QString card_id;
    Currency deposit;
    QString charge_ver;
    QString sys_id;
    QDateTime allowDate; // valid until; null when none is stored
};

class AllowanceDownload {
public:
    explicit AllowanceDownload(const Session& session) : m_session(session) {}

    // Allowances not yet sent (downed 0) or already sent (downed 1), in
    // employee and serial order; `search` (optional) narrows them to an
    // employee number or a name that contains it, bound as a value.
    QVector<RecipientRow> candidates(bool downed, const QString& search) const;

    // Writes one `allowtasklist` row per recipient for `clock`, all in one
    // transaction, by `opUser`. An allowance that already has an open task
    // for this terminal gets no second one, so an upload repeated before the
    // first was taken never sends it twice. Returns the rows written; a
    // database error rolls back and raises DbError. `between` runs after each
    // statement (the window repaints).
    int writeTasks(const TClockInfo& clock, const QVector<RecipientRow>& recipients, const QString& opUser,
                   const std::function<void()>& between = {}) const;

    // The open tasks of `clock` as the pending-task list shows them:
    // 工号, 卡号, 姓名, 补贴金额, 补贴流水, 补贴有效期.
    QVector<QStringList> openTasks(const TClockInfo& clock) const;

private:
    const Session& m_session;
};

// The folder the download logs go to ("LOG" under the program folder), created
// when missing; empty when it cannot be created.
QString downloadLogFolder(const QString& programFolder);
// Writes `text` to `path` as UTF-8 through a temporary file renamed into
// place, so an existing file is replaced whole or left as it was. Returns the
// error text, empty on success.
QString saveLogText(const QString& path, const QString& text);

} // namespace allowance
