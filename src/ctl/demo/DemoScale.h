#pragma once
// The three sizes of demo database.
#include <QString>

struct DemoScale {
    QString name;            // "S", "M" or "L"
    int cards = 0;           // cards in use at the end, roughly
    qint64 transactions = 0; // charge and meal records over the period, roughly
    int months = 1;          // the period ends on the end date and spans this many months
    int topDepartments = 0;
    int subDepartments = 0; // per top department
    int diningRooms = 0;
    int saleTerminalsPerRoom = 0;
    int gaps = 0;       // records kept only in the backup tables
    int duplicates = 0; // records copied to the duplicate tables

    // "S", "M" or "L" in any letter case; an empty name for anything else.
    static DemoScale forName(const QString& name);
};
