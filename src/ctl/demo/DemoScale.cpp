#include "ctl/demo/DemoScale.h"

DemoScale DemoScale::forName(const QString& name) {
    DemoScale s;
    const QString n = name.trimmed().toUpper();
    if (n == QLatin1String("S")) {
        s = {n, 200, 20000, 1, 4, 2, 2, 3, 4, 3};
    } else if (n == QLatin1String("M")) {
        s = {n, 3000, 1000000, 3, 6, 3, 3, 5, 20, 12};
    } else if (n == QLatin1String("L")) {
        s = {n, 20000, 5000000, 3, 8, 5, 5, 8, 60, 40};
    }
    return s;
}
