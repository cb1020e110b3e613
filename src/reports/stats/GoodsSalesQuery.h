#pragma once
// Goods sales statistics: the goods lines of terminal transactions in a
// period, totalled per article, or per article and unit price while the
// price column is shown.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

class Session;

struct GoodsSalesFilter {
    QDateTime begin;
    QDateTime end;
    bool byPrice = true; // the price column is visible: a row per article and price
    bool terminalsSelected = false;
    QVector<qint64> terminals; // from the tree; empty: no terminal matches
    QString articleName;
    QString dinRoom; // the operator's dining room when it binds them
    bool departmentRights = false;
    QStringList userDepartments;
};

namespace GoodsSalesQuery {
QString statement(const GoodsSalesFilter& filter, const Session& session);
} // namespace GoodsSalesQuery
