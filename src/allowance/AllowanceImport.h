#pragma once
// The allowance import run: a spreadsheet (.xls, .xlsx) or CSV file of
// allowances, one row each (A employee number, B card number, C amount,
// D valid until, E name, F department; row 1 the header), checked and
// registered in `mallowance` row by row with the serial rule of the manual
// issue. Refused rows are told as memo lines and skipped; rows already
// registered stay when a later row fails. The run needs no widget: the
// dialog and `mealctl allowance import` receive its lines and progress
// through the callbacks, on the thread the run runs on.
#include "db/Currency.h"
#include "db/SqlDialect.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <optional>

class QueryRunner;
class Session;

struct AllowanceImportSettings {
    SqlDialect dialect;
    qint64 maxAmountCents = 0; // company parameter "edmaxbalance"
    QString opUser;            // the operator's name, stored in op_user
    // Read from the session on its own connection (the interface thread).
    static AllowanceImportSettings fromSession(const Session& session);
};

struct AllowanceImportEvents {
    std::function<void(const QString&)> memoLine;     // a line for the notes memo
    std::function<void(const QString&)> message;      // a notice for the operator
    std::function<void(int row, int total)> progress; // after every row of the import pass
};

struct AllowanceImportResult {
    bool ran = false; // the file was read and the import pass ran (to its end, or to a failure)
    int counted = 0;  // rows of the check pass
    int imported = 0;
    int refused = 0;
    QString failure; // the database error that ended the run early
};

// The messages and the line builders of the run, for the callers and tests.
namespace AllowanceImportText {
QString missingFile();    // "  选择的Excel文件不存在! 不能导入。"
QString unreadableFile(); // "  打开Excel文件出错，请检查文件是否按规定的格式定义。"
QString finished();       // "  导入数据操作完成"
} // namespace AllowanceImportText

// Cell readings of the run, shared with its tests.
// The amount of column C: an exact decimal, kept to four decimals; nothing when unreadable.
std::optional<Currency> importAmount(const QString& cell);
// The valid date of column D: the date texts the readers give and the usual
// typed forms (2026-12-31, 2026/12/31 23:59, 2026年12月31日), or a bare
// serial day number; nothing when blank or unreadable.
std::optional<QDateTime> importValidDate(const QString& cell);

class AllowanceImport {
public:
    // `db` is the connection the run uses (a worker's own, or the module's).
    AllowanceImport(QSqlDatabase db, const QueryRunner& runner, AllowanceImportSettings settings);

    // Imports `path`: the CSV path when its extension is .csv (any case), the
    // spreadsheet path otherwise.
    AllowanceImportResult run(const QString& path, const AllowanceImportEvents& events);

private:
    QSqlDatabase m_db;
    const QueryRunner& m_runner;
    AllowanceImportSettings m_settings;
};
