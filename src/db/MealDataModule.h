#pragma once
// The module's data module: the registry of named data sets that the report
// windows bind their grids to (default statement, tables, role, the fields
// with their display labels, tags and text handlers, calculated fields) and
// the meal-level table behind the meal-period texts. No widgets: a window or
// a data set object looks its definition up by name.
#include "db/CodeTables.h"

#include <QString>
#include <QStringList>
#include <QVector>

class Session;

// How a field's stored code is shown.
enum class TextHandler {
    None,
    ConsumptionFlag,
    MealLevel,
    RechargeKind,
    CardCostKind,
    IssueCardMoney,
    PaySource,
    ExceptionKType,
    ExceptionCType,
    ExceptionCtKind,
    MealOrderType,
};

enum class FieldKind { Unknown, String, Integer, Word, DateTime, Currency };

struct DataSetFieldDef {
    QString name;
    QString label; // display label; empty: the field name is shown
    FieldKind kind = FieldKind::Unknown;
    int size = 0;
    // Tag 2: the field never gets a sum footer.
    int tag = 0;
    bool visible = true;
    TextHandler handler = TextHandler::None;
};

struct DataSetDef {
    enum Kind { DataSet, Command };
    QString name;
    Kind kind = DataSet;
    QString commandText; // default statement; most windows replace it
    QString tables;
    QString role;
    QVector<DataSetFieldDef> fields;
    QStringList calculatedFields;

    const DataSetFieldDef* field(const QString& fieldName) const;
};

class MealDataModule {
public:
    static constexpr int NoSumTag = 2;

    // Every data set and statement object of the module, in declaration order.
    static const QVector<DataSetDef>& dataSets();
    // Looked up without regard to letter case; null when there is none.
    static const DataSetDef* dataSet(const QString& name);
    // The handler of `fieldName` in `dataSetName` (None when either is unknown).
    static TextHandler handlerOf(const QString& dataSetName, const QString& fieldName);

    // "select * from DinLev order by DinLev_id": the meal-level table (dsMealTime).
    static QString mealTimeStatement();
    // The statement qryTmp is reopened with whenever the main form is activated.
    static QString activationStatement();

    // Opens dsMealTime: reads the meal levels through the statement runner.
    void openMealTime(const Session& session);
    void closeMealTime();
    bool isMealTimeOpen() const { return m_mealTimeOpen; }
    void setMealLevels(const QVector<CodeTables::MealLevel>& levels);
    const QVector<CodeTables::MealLevel>& mealLevels() const { return m_mealLevels; }

    // The text shown for `value` through `handler`; None shows the value itself.
    QString displayText(TextHandler handler, const QVariant& value) const;
    // The same for a field of a named data set.
    QString displayText(const QString& dataSetName, const QString& fieldName, const QVariant& value) const;

private:
    QVector<CodeTables::MealLevel> m_mealLevels;
    bool m_mealTimeOpen = false;
};

using TMealDM = MealDataModule;
