#pragma once
// The command-line reports of the statistics windows: the windows'
// statements from the options.
#include "reports/ReportRegistry.h"

ReportDefinition empDinLevReport();
ReportDefinition departDinLevReport();
ReportDefinition clockDinlevReport();
ReportDefinition empChargeSumReport();
ReportDefinition hsRecordsReport();
ReportDefinition personAccountReport();
