#pragma once
// Repairs of a card's records without widgets: the duplicate mover (a record
// moved between a main table and its duplicate table) and the editor's
// statements and backup import. Every value goes in bound; money is compared
// as a decimal.
#include "db/Currency.h"

#include <QDateTime>
#include <QString>
#include <QVariantMap>

#include <optional>

class Session;

// A record as the card history or the exception list shows it.
struct RepairRow {
    QString empId;
    qint64 cardId = 0;
    qint64 cardSequ = 0;
    Currency balance;
    Currency amount; // card_consume of a meal row, charge_money of a charge row
    QDateTime time;  // sign_time or op_date
    // The row's own number when known: it tells apart two rows alike in every
    // other column (which is what a duplicate is). A host's tables may name
    // their key otherwise (recordKeyColumn).
    std::optional<qint64> recId;
    QString recIdColumn = QStringLiteral("rec_id");
};

struct BoundStatement {
    QString sql;
    QVariantMap params;
};

namespace RecordRepair {

enum class Mode { Consumption, Charge };
// Charge rows of the card history by their trimmed action text.
Mode modeOfAction(const QString& actiondd);
QString mainTable(Mode mode);
QString duplicateTable(Mode mode);

// The column that numbers the records of `table`: its primary key when that
// is one integer column, else empty (the other columns must then tell the
// rows apart). Read from the server's catalogue, since a host names it as it likes.
QString recordKeyColumn(const Session& session, const QString& table);

// The rows of `table` that are this record.
BoundStatement rowsOf(Mode mode, const QString& table, const RepairRow& row);
// "工号%s 卡号%s 卡流水号 %s 时间操作%s 金额%s 余额%s"
QString logText(const RepairRow& row);

// Moves the record out of the main table into the duplicate table, or back.
// One transaction: copy, check the copy, delete; refused (nothing changed)
// when no row or more than one row is this record. Writes the outcome to the
// SQL trace; throws DbError with the operator's message on a refusal or failure.
void moveOut(const Session& session, Mode mode, const RepairRow& row);
void moveIn(const Session& session, Mode mode, const RepairRow& row);

// The editor's data sets for the card history row (employee E, card K,
// time T, sequence Q).
BoundStatement editorMealRecord(const RepairRow& row);
BoundStatement editorCard(const RepairRow& row);
BoundStatement editorBackups(const RepairRow& row); // sequence Q-5 .. Q+5
BoundStatement editorCharges(const RepairRow& row);

// The repair commands' confirmation: the user is ADMIN and `typed` is the
// password the host passed at log-in (compared in time independent of where
// the texts differ). An empty password never confirms.
bool administratorConfirmed(const Session& session, const QString& typed);

// "备份记录导入": copies one backup consumption record (card, sequence,
// balance, time, terminal sequence) into mealrecords marked as added back.
// Throws DbError when the backup has no such record or mealrecords already
// holds it; copies one row when the backup holds it more than once.
void importBackup(const Session& session, const RepairRow& row, qint64 posSequ);
} // namespace RecordRepair
