#pragma once
// Registering one allowance in `mallowance` with the person's next serial
// (`charge_ver`). The serial is the person's highest plus one; two operators
// (or an import and an issue) at once may compute the same one, which the
// unique key on (emp_id, charge_ver) refuses: the insert then reads the
// highest again and retries, so no person ever holds a serial twice (a
// terminal takes a second allowance with a serial it has seen as a duplicate).
#include "db/Currency.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <optional>

class QueryRunner;

struct NewAllowance {
    QString empId;
    qint64 sysId = 0;
    qint64 cardId = 0;
    Currency deposit;
    QDateTime validUntil;
    QString deptNo;
    QString deptName;
    QString empName;
    QString opUser;
    QDateTime opDate;
    std::optional<QString> memo; // the note; an import has none
};

// Inserts rows one by one on one connection, each committed on its own. The
// two statements are prepared once and traced at every run, so a long import
// does not prepare them again for every row.
class AllowanceInserter {
public:
    AllowanceInserter(const QSqlDatabase& db, const QueryRunner& runner);
    // Inserts the row and returns its serial. Raises DbError when the insert
    // fails for another reason than a serial taken in between, or when the
    // serial is still taken after the retries.
    int insert(const NewAllowance& allowance);

private:
    void prepare(QSqlQuery& query, const QString& positional);
    const QueryRunner& m_runner;
    QSqlQuery m_max;
    QSqlQuery m_insert;     // without Memo
    QSqlQuery m_insertMemo; // with Memo
    bool m_prepared = false;
};

// One row through a new inserter.
int insertAllowance(const QSqlDatabase& db, const QueryRunner& runner, const NewAllowance& allowance);

// Whether the query's last error is a unique key refusing a duplicate.
bool isDuplicateKeyError(const QSqlQuery& query);
