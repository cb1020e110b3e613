#pragma once
// The module's session context: what the host hands over through the exports
// and what the start-up reads. Created once by the plug-in (or by mealctl) and
// passed to every class that needs it; there are no other module globals.
#include "db/HostInterface.h"
#include "db/ModuleConfig.h"
#include "db/QueryRunner.h"
#include "db/SqlDialect.h"
#include "db/SqlTrace.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <cstdint>
#include <optional>

static_assert(sizeof(MealAccountPeriod) == 24, "the accounting period record is 24 bytes");

class Session {
public:
    Session();

    // The host's connection; every statement of the interface thread runs on it.
    QSqlDatabase ModuleConnection;

    QString CurrentUserId;
    QByteArray CurrentUserId8; // the 8-bit copy
    QString CurrentUserName;
    QString CurrentUserPassword; // read by record repair to confirm the operator
    // Texts the host passes with the user that the module keeps but never reads.
    QByteArray UnusedHostText3;
    QString UnusedHostText5;
    QString UnusedHostText6;
    QString CompanyName;
    quint8 HostOptions = 0;
    QString UserDinRoom;
    MealAccountPeriod AccountPeriod{nullptr, 0, 0};
    MealHostNotify HostNotify = nullptr;

    ModuleConfig config;
    QString OtherMattersFlags = QStringLiteral("00000000");
    QString CompanyDisplayName; // company_ch_name of table company
    QString programFolder;
    // The period lock this session has written: the stored lock date may be
    // set back by locking an older bill, but a lock never unlocks what this
    // session locked before.
    std::optional<QDateTime> BillLockDate;
    void raiseBillLockDate(const QDateTime& end) {
        if (!BillLockDate || *BillLockDate < end)
            BillLockDate = end;
    }

    // The user id "ADMIN" in any letter case passes every rights check.
    bool isAdmin() const { return CurrentUserId.toUpper() == QLatin1String("ADMIN"); }
    bool IsMySQL() const { return config.IsMySQL; }
    bool IsSQLServer() const { return config.IsSQLServer; }
    int ModuleOptions() const { return config.ModuleOptions; }

    // The statements' dialect follows the open connection's driver (MariaDB
    // through QMYSQL, SQL Server through QODBC); only without a connection
    // does Daybook.ini's Datatype choose it.
    SqlDialect dialect() const;
    // The engine of the open connection disagrees with Daybook.ini's Datatype:
    // the text to refuse the configuration with (empty when they agree).
    QString engineMismatch() const;
    const SqlTrace& trace() const { return m_trace; }
    QueryRunner runner() const { return QueryRunner(m_trace); }

    // Re-reads Daybook.ini from the program folder and updates the trace
    // switch; throws DbError when its Datatype disagrees with the connection.
    void readConfiguration();
    // Only the trace switch of Daybook.ini, for statements run before the full read.
    void readTraceSetting();
    QString iniPath() const;

private:
    SqlTrace m_trace;
};

// Date-time values of the accounting period (Delphi day numbers) as QDateTime.
QDateTime dateTimeFromDayNumber(double days);
double dayNumberFromDateTime(const QDateTime& dt);
