// A library that carries only two of the plug-in's nine exports: the host
// must refuse it and name what is missing.
#include "shell/MealPluginApi.h"

extern "C" {
MealHResult InitDll(QApplication**, QMdiArea**, QSqlDatabase*, bool* ok) {
    *ok = false;
    return MEAL_S_OK;
}
MealHResult FreeDll(std::int32_t, std::int32_t, bool* ok) {
    *ok = false;
    return MEAL_S_OK;
}
}
