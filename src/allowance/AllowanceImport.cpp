#include "allowance/AllowanceImport.h"

#include "allowance/AllowanceInsert.h"
#include "allowance/import/SheetReader.h"
#include "db/CompanyParameters.h"
#include "db/DbError.h"
#include "db/QueryRunner.h"
#include "db/Session.h"

#include <QFileInfo>
#include <QHash>
#include <QSqlQuery>

#include <cmath>

namespace AllowanceImportText {
QString missingFile() {
    return QStringLiteral("  选择的Excel文件不存在! 不能导入。");
}
QString unreadableFile() {
    return QStringLiteral("  打开Excel文件出错，请检查文件是否按规定的格式定义。");
}
QString finished() {
    return QStringLiteral("  导入数据操作完成");
}
} // namespace AllowanceImportText

AllowanceImportSettings AllowanceImportSettings::fromSession(const Session& session) {
    AllowanceImportSettings s;
    s.dialect = session.dialect();
    s.maxAmountCents = ReadCompanyMoneyParameter(session, QStringLiteral("edmaxbalance"));
    s.opUser = session.CurrentUserName;
    return s;
}

std::optional<Currency> importAmount(const QString& cell) {
    const QString text = cell.trimmed();
    if (text.isEmpty())
        return Currency(); // an empty cell reads as 0, refused as such
    Currency amount;
    if (!Currency::parse(text, amount))
        return std::nullopt;
    return amount;
}

std::optional<QDateTime> importValidDate(const QString& cell) {
    const QString text = cell.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    static const char* const formats[] = {
        "yyyy-M-d H:m:s", "yyyy-M-d H:m",   "yyyy-M-d", "yyyy/M/d H:m:s", "yyyy/M/d H:m",
        "yyyy/M/d",       "yyyy.M.d H:m:s", "yyyy.M.d", "yyyy年M月d日",   "yyyy-M-dTH:m:s",
    };
    for (const char* f : formats) {
        const QDateTime t = QDateTime::fromString(text, QString::fromUtf8(f));
        if (t.isValid())
            return t;
    }
    // A date that lost its cell format reads as the workbook's day number.
    bool ok = false;
    const double serial = text.toDouble(&ok);
    if (ok && serial >= 1 && std::isfinite(serial)) {
        const QString asDate = sheet::serialDateText(serial, false);
        if (!asDate.isEmpty())
            return importValidDate(asDate);
    }
    return std::nullopt;
}

namespace {

struct Employee {
    QString empNo, empName, deptNo, deptName;
    qint64 cardId = 0;
    qint64 sysId = 0;
    bool issued = true;
};

QString employeeKey(const QString& empNo, qint64 cardId) {
    return empNo + QLatin1Char('\n') + QString::number(cardId);
}

// The personnel table, found by employee number and card number.
QHash<QString, Employee> loadEmployees(QSqlQuery& q, const QueryRunner& runner, bool withIssued) {
    runner.RunQuery(q,
                    withIssued
                        ? QStringLiteral("select EmpNo,EmpName,card_id,sys_id,DeptNo,DeptName,issued from "
                                         "hum_employee order by empno")
                        : QStringLiteral("select EmpNo,EmpName,card_id,sys_id,DeptNo,DeptName from "
                                         "hum_employee order by empno"),
                    true);
    QHash<QString, Employee> employees;
    while (q.next()) {
        if (q.value(2).isNull())
            continue; // no card: no file row can name it
        Employee e;
        e.empNo = q.value(0).toString();
        e.empName = q.value(1).toString();
        e.cardId = q.value(2).toLongLong();
        e.sysId = q.value(3).toLongLong();
        e.deptNo = q.value(4).toString();
        e.deptName = q.value(5).toString();
        e.issued = !withIssued || q.value(6).toInt() != 0;
        const QString key = employeeKey(e.empNo, e.cardId);
        if (!employees.contains(key)) // the first in employee order, as a search from the top finds it
            employees.insert(key, e);
    }
    q.finish();
    return employees;
}

} // namespace

AllowanceImport::AllowanceImport(QSqlDatabase db, const QueryRunner& runner, AllowanceImportSettings settings)
    : m_db(std::move(db)), m_runner(runner), m_settings(std::move(settings)) {}

AllowanceImportResult AllowanceImport::run(const QString& path, const AllowanceImportEvents& events) {
    auto memo = [&](const QString& line) {
        if (events.memoLine)
            events.memoLine(line);
    };
    auto message = [&](const QString& text) {
        if (events.message)
            events.message(text);
    };
    AllowanceImportResult result;
    const QFileInfo file(path);
    if (!file.isFile()) {
        message(AllowanceImportText::missingFile());
        return result;
    }
    const bool csv = file.suffix().toUpper() == QLatin1String("CSV");
    QSqlQuery q(m_db);
    QHash<QString, Employee> employees;
    sheet::Rows rows;
    constexpr int kColumns = 6;
    try {
        if (!csv) {
            // Reseeding the key counter is a SQL Server command; MariaDB has no such thing.
            if (m_settings.dialect.isSqlServer())
                m_runner.RunQuery(q, QStringLiteral("DBCC CHECKIDENT('mallowance')"), false);
            employees = loadEmployees(q, m_runner, true);
        }
        try {
            rows = csv ? sheet::readCsv(sheet::readFileBounded(path), kColumns)
                       : sheet::readSpreadsheetFile(path, kColumns);
        } catch (const sheet::SheetError& e) {
            m_runner.trace().write(QStringLiteral("导入文件 %1 无法读取: %2").arg(path, e.detail));
            message(AllowanceImportText::unreadableFile());
            return result;
        }

        // Check pass: the rows up to the first without an employee number.
        auto blank = [](const QString& cell) { return cell.trimmed().isEmpty(); };
        for (int i = 1; i < rows.size(); ++i) {
            if (blank(rows[i][0])) {
                if (csv)
                    message(QStringLiteral("部门编号不能为空!\n请检查导入文件!"));
                else if (!blank(rows[i][1]))
                    message(QStringLiteral("工号不能为空!\n请检查导入文件!"));
                break;
            }
            ++result.counted;
        }
        if (csv)
            employees = loadEmployees(q, m_runner, false);

        result.ran = true;
        const qint64 maxUnits = m_settings.maxAmountCents * (Currency::Scale / 100);
        AllowanceInserter inserter(m_db, m_runner);
        int done = 0;
        for (int i = 1; i < rows.size(); ++i) {
            const QStringList& row = rows[i];
            if (blank(row[0])) {
                if (csv)
                    continue; // a CSV file goes on to its end
                break;
            }
            ++done;
            const QString empNo = row[0].trimmed();
            const QString cardText = row[1].trimmed();
            const QString who = QStringLiteral("工号 ：") + empNo;
            auto refuse = [&](const QString& line) {
                memo(line);
                ++result.refused;
                if (events.progress)
                    events.progress(done, result.counted);
            };
            const std::optional<qint64> card = SqlDialect::parseInteger(cardText, 0, 0x7FFFFFFF);
            const auto found = card ? employees.constFind(employeeKey(empNo, *card)) : employees.constEnd();
            if (found == employees.constEnd()) {
                refuse(who + QStringLiteral(" 系统查无此工号或者查无此卡号导致导入失败!"));
                continue;
            }
            const Employee& e = found.value();
            if (!csv) {
                if (!e.issued) {
                    refuse(who + QStringLiteral(" 未发卡导致导入失败!"));
                    continue;
                }
                m_runner.RunQuery(q,
                                  QStringLiteral("select CardStatus from cardinfo where card_id=") +
                                      QString::number(*card),
                                  true);
                const int status = q.next() ? q.value(0).toInt() : 0;
                q.finish();
                if (status != 3) {
                    refuse(QStringLiteral("卡号 ：") + cardText +
                           QStringLiteral(" 此卡为黑名单导致导入失败!"));
                    continue;
                }
            }
            const std::optional<Currency> amount = importAmount(row[2]);
            if (!amount) {
                refuse(who + QStringLiteral(" 补贴金额无法识别导致导入失败!"));
                continue;
            }
            if (*amount == Currency()) {
                refuse(who + QStringLiteral(" 补贴金额为零导致导入失败!"));
                continue;
            }
            // The terminals take whole cents.
            if (amount->units() % (Currency::Scale / 100) != 0) {
                refuse(who + QStringLiteral(" 补贴金额超过两位小数导致导入失败!"));
                continue;
            }
            if (amount->units() > maxUnits) {
                refuse(who + QStringLiteral("补贴后金额大于系统设置的最大金额导致导入失败!"));
                continue;
            }
            const std::optional<QDateTime> validUntil = importValidDate(row[3]);
            if (!validUntil) {
                refuse(who + QStringLiteral(" 补贴有效期为空或无法识别导致导入失败!"));
                continue;
            }
            NewAllowance a;
            a.empId = e.empNo;
            a.sysId = e.sysId;
            a.cardId = e.cardId;
            a.deposit = *amount;
            a.validUntil = *validUntil;
            a.deptNo = e.deptNo;
            a.deptName = e.deptName;
            a.empName = e.empName;
            a.opUser = m_settings.opUser;
            a.opDate = QDateTime::currentDateTime();
            inserter.insert(a);
            ++result.imported;
            if (events.progress)
                events.progress(done, result.counted);
        }
    } catch (const DbError& e) {
        // Rows registered before the failure stay registered.
        result.failure = e.message();
        message(e.message());
        return result;
    }
    const QString lines = QStringLiteral("导入文件行数") + QString::number(result.imported);
    m_runner.trace().write(lines);
    memo(lines);
    memo(QStringLiteral("导入完成(%1/%2)")
             .arg(QString::number(result.counted), QString::number(result.imported)));
    message(AllowanceImportText::finished());
    return result;
}
