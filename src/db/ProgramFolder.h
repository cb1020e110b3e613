#pragma once
// The program folder holds Daybook.ini, log/, Documents/, LOG/ and the help
// files: MEAL_HOME when set, else the folder of the running executable; for a
// program installed under /usr (the package), whose folder is shared and not
// the user's, the user's configuration folder "mealpos" (~/.config/mealpos).
#include <QString>

QString programFolder();
// Path of a file below the program folder ("Daybook.ini", "log/...").
QString programFile(const QString& relative);
