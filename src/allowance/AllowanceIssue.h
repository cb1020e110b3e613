#pragma once
// Issuing allowances by hand: the card holders an operator may pick (by
// department, card type, employee number or name, or everyone), the checks
// made before anything is written, and the run that registers one allowance
// per chosen person with the person's next serial (AllowanceInserter). The
// issue window and `mealctl allowance issue` both drive these.
#include "allowance/AllowanceInsert.h"
#include "db/Currency.h"
#include "db/QueryRunner.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>
#include <optional>

class Session;

// One card holder as the candidate and chosen lists show them.
struct IssueEmployee {
    QString empNo;
    QString empName;
    qint64 cardId = 0;
    QString deptName;
    QString overPwd;
    qint64 sysId = 0;
    QString deptNo;
};

struct IssueCandidateFilter {
    enum class By { Department, EmpNo, EmpName, Everyone };
    By by = By::Department;
    // By::Department: the node's department number, matched as a prefix (the
    // sub-departments' numbers extend it).
    QString departmentNo;
    QString text;     // the employee number or name searched
    int cardType = 0; // 0: every card type
    bool departmentRights = false;
    QStringList userDepartments;
    // The rights of the session (company parameter cbDepart, the user's departments).
    void applyRights(const Session& session);
};

namespace AllowanceIssueText {
QString zeroAmount();      // "补贴金额不能为0！"
QString aboveMaximum();    // "补贴金额不能大于系统参数中定义的卡上最大可能余额"
QString nobodyChosen();    // "尚未选择人员!"
QString badAmount();       // an amount that is no number of at most two decimals
QString notePlaceholder(); // "这里输入补贴说明"
} // namespace AllowanceIssueText

namespace AllowanceIssue {
// The candidates' statement; typed texts go in quoted by the dialect.
QString candidateStatement(const IssueCandidateFilter& filter, const Session& session);
QVector<IssueEmployee> loadCandidates(const IssueCandidateFilter& filter, const Session& session);
// The card types of the "卡类" box, "全部" (0) first: (SortID, name).
QVector<QPair<int, QString>> cardTypes(const Session& session);

// An amount typed by the operator: a plain decimal of at most two decimals
// (the terminals take cents), not negative; nothing otherwise.
std::optional<Currency> parseAmount(const QString& text);
// The refusal of an issue before anything is written, in the order the
// operator is told them; empty when it may run.
QString refusal(Currency amount, qint64 maxAmountCents, int chosen);
// The note stored: the placeholder counts as empty.
QString noteText(const QString& typed);
// The valid date the window starts with: today plus N + 1 months for
// RunTimeConfig/AllowDate = N in 0..14; otherwise `current` stays.
QDate defaultValidDate(const QString& allowDateSetting, const QDate& today, const QDate& current);
} // namespace AllowanceIssue

// The run: one allowance per person, in the order given, each committed on
// its own so that a stopped or failed run keeps what it registered.
class AllowanceIssueRun {
public:
    AllowanceIssueRun(const QSqlDatabase& db, const QueryRunner& runner, Currency amount,
                      const QDateTime& validUntil, const QString& note, const QString& opUser);
    AllowanceIssueRun(const AllowanceIssueRun&) = delete;
    AllowanceIssueRun& operator=(const AllowanceIssueRun&) = delete;
    // Issues to people[from...] for at most `budgetMs` milliseconds (at least
    // one person); returns how many were issued. When an insert fails, its
    // message goes to `failure` and the people before it stay issued.
    int issueSlice(const QVector<IssueEmployee>& people, int from, int budgetMs, QString* failure);

private:
    QueryRunner m_runner; // the inserter keeps a reference: a copy that lives as long as the run
    AllowanceInserter m_inserter;
    Currency m_amount;
    QDateTime m_validUntil;
    QString m_note;
    QString m_opUser;
};
