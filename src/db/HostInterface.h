#pragma once
// The two records the host hands the module besides plain texts: the
// accounting period and the host's notification procedure. C layout, shared by
// the plug-in's entry points and the session that keeps them.
#include <cstdint>

extern "C" {

// The accounting period, copied whole (24 bytes): pointer to the month text,
// begin and end as day numbers counted from 1899-12-30.
struct MealAccountPeriod {
    const char* monthText;
    double beginDate;
    double endDate;
};

// The host's notification procedure: event 0 a record window was activated,
// 1 a record window is closing; `window` is that window (a QWidget*); the out
// value is ignored. A negative result is a failure and is raised in the module.
typedef std::int32_t (*MealHostNotify)(std::int32_t event, void* window, std::int32_t* outValue);

} // extern "C"
