#pragma once
// The meal-order rest days kept in the single row of table `company`:
// `week_param` lists the rest weekdays (1 Sunday ... 7 Saturday), `month_param`
// the rest days of the month as two digits ("01" ... "31"), both ascending
// and separated by commas; an empty text means no rest day.
#include <QSet>
#include <QString>

class Session;

namespace allowance {

struct RestDays {
    QSet<int> weekdays;  // 1..7
    QSet<int> monthDays; // 1..31

    // Read token by token, so "01" is never taken for a part of "10" or "21";
    // tokens that are no day of their range are dropped.
    static RestDays fromTexts(const QString& weekParam, const QString& monthParam);
    QString weekText() const;  // "1,7"
    QString monthText() const; // "01,15"
};

class OrderParams {
public:
    explicit OrderParams(const Session& session) : m_session(session) {}
    RestDays load() const;
    // Writes both texts to every row of `company` (it holds one), bound.
    void save(const RestDays& days) const;

private:
    const Session& m_session;
};

} // namespace allowance
