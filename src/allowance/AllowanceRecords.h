#pragma once
// The allowance registration list without widgets: its statement over
// `mallowance` by one of three dates, the rules for changing and deleting a
// registered allowance, and the statements of the two allowance pickers the
// download window opens (not yet sent, and sent to send again).
#include "db/Currency.h"
#include "framework/DepartmentFilter.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

class Session;

// Which date the list's period applies to: "录入时间" (entered), "补贴时间"
// (taken by the card), "有效日期" (valid until).
enum class AllowanceDateKind { Entry, Taken, Valid };

struct AllowanceListFilter {
    AllowanceDateKind by = AllowanceDateKind::Entry;
    QDateTime begin;
    QDateTime end;
    DptWhereInput where; // employee, name, department and rights (its template is set here)
};

namespace AllowanceRecords {
QStringList dateKindItems();
// The list's statement template with the date condition; the period is bound
// as :@begindate and :@enddate.
QString listTemplate(AllowanceDateKind by);
QString listStatement(const AllowanceListFilter& filter, const Session& session);

// Why a registered allowance cannot be changed (empty when it can): taken
// first, then sent to a terminal.
QString editRefusal(bool charged, bool downed);
QString deleteRefusal(); // "补贴记录已上传，不能删除"
// The refusal of an edited amount (empty when it may be saved).
QString amountRefusal(Currency deposit, qint64 maxAmountCents);
// The state stored now of a person's allowance: a list read earlier may be
// stale (a terminal worker may have sent it since). Empty when it is gone.
struct StoredState {
    bool exists = false;
    bool charged = false;
    bool downed = false;
};
StoredState storedState(const Session& session, qint64 sysId, int chargeVer);
// Deletes the person's allowance of that serial unless it has been sent or
// taken meanwhile (checked in the statement itself); true when a row went.
bool deleteAllowance(const Session& session, qint64 sysId, int chargeVer);
} // namespace AllowanceRecords

// One allowance row of the pickers.
struct PickedAllowance {
    qint64 id = 0;
    QString empId;
    QString empName;
    qint64 cardId = 0;
    Currency deposit;
    int chargeVer = 0;
    qint64 sysId = 0;
    QDateTime allowDate;
};

struct AllowancePickerFilter {
    enum class By { Department, EmpId, EmpName };
    bool downed = false; // false: not yet sent; true: sent, to send again
    By by = By::Department;
    bool rootNode = false; // the tree's root: every department
    QString departmentNo;
    QString text;
    // Sent allowances are searched by the time they were entered.
    std::optional<QPair<QDateTime, QDateTime>> entered;
    bool departmentRights = false;
    QStringList userDepartments;
    void applyRights(const Session& session);
};

namespace AllowancePicker {
QString statement(const AllowancePickerFilter& filter, const Session& session);
// Every allowance not yet taken ("选中全部未领人员"), within the user's departments.
QString untakenStatement(const Session& session);
QVector<PickedAllowance> load(const QString& sql, const Session& session);
} // namespace AllowancePicker
