#pragma once
// The command-line reports of the record windows beyond the consumption list:
// the same statements as the windows, from the options.
#include "reports/ReportRegistry.h"

ReportDefinition fullBakReport();
ReportDefinition empAllRecordsReport();
ReportDefinition exceptRecordsReport();
ReportDefinition journalReport();
