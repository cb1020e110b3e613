#pragma once
// Re-matching the meal period of consumption records ("重新匹配餐别"): the
// period whose valid time window holds the record's time of day (1 when none
// does), written back only to records whose period differs.
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariant>

class Session;

struct RematchRecord {
    QVariant empId;
    QVariant cardId;
    QVariant cardSequ;
    QDateTime signTime;
    QVariant kind; // the period the record has now
};

class MealPeriodMatcher {
public:
    explicit MealPeriodMatcher(const Session& session);

    // The valid period whose beg_time..end_time ("HH:mm") holds the time of
    // day; 1 when no period does. Looked up once per minute of the day.
    int periodFor(const QTime& time);
    // Writes the matching period into the record when it has another one;
    // true when it wrote. A record without employee, card or counter is left
    // alone (it cannot be named).
    bool rematch(const RematchRecord& record);

    static QString lookupStatement(const QString& hhmm);
    // "update mealrecords set kind = ..." for one record.
    QString updateStatement(int period, const RematchRecord& record) const;

private:
    const Session& m_session;
    QHash<QString, int> m_periods;
};
