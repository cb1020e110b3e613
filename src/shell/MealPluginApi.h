#pragma once
// The plug-in's entry points as the host calls them (libMealPlugin.so).
// C linkage; every call returns a 32-bit HRESULT (0 success, 0x8000FFFF when
// anything went wrong inside); no C++ exception crosses this boundary. The
// out Boolean `ok` is always the last argument and is first set to false.
//
// Expected order: InitDll, then PassConnection, PassParameters, PassAccount
// and ShareCallBack in any order, then GetDllMainMenu / GetToolBar, then
// ShowDllForm any number of times, and FreeDll last.
#include "db/HostInterface.h"

#include <cstdint>

class QApplication;
class QMdiArea;
class QMenuBar;
class QSqlDatabase;
class QToolBar;
class QWidget;

#if defined(__GNUC__)
#define MEAL_EXPORT __attribute__((visibility("default")))
#else
#define MEAL_EXPORT
#endif

extern "C" {

typedef std::int32_t MealHResult;
enum : std::int32_t { MEAL_S_OK = 0 };
#define MEAL_E_UNEXPECTED (static_cast<std::int32_t>(0x8000FFFFu))

// Texts are UTF-8. `application` and `screen` point at the host's variables
// holding its QApplication and its window list (the MDI area).
MEAL_EXPORT MealHResult InitDll(QApplication** application, QMdiArea** screen, QSqlDatabase* connection,
                                bool* ok);
MEAL_EXPORT MealHResult FreeDll(std::int32_t handle, std::int32_t reserved, bool* ok);
MEAL_EXPORT MealHResult ShowDllForm(const char* name, QWidget* owner, std::int32_t reserved);
MEAL_EXPORT MealHResult PassConnection(QSqlDatabase* connection, bool* ok);
MEAL_EXPORT MealHResult PassParameters(const char* userId, const char* userName, const char* arg3,
                                       const char* arg4, const char* arg5, const char* arg6,
                                       const char* company, std::uint8_t options, bool* ok);
MEAL_EXPORT MealHResult PassAccount(const MealAccountPeriod* account, std::int32_t reserved);
MEAL_EXPORT MealHResult ShareCallBack(MealHostNotify callback, std::int32_t reserved);
MEAL_EXPORT MealHResult GetDllMainMenu(QMenuBar** menu, bool* ok);
MEAL_EXPORT MealHResult GetToolBar(QToolBar** toolBar, bool* ok);

} // extern "C"
