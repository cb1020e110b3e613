#pragma once
// The recharge, refund, card balance, card deposit, issued-card and
// lost-card lists as command-line reports: each window's statement from
// options instead of controls.
#include "reports/ReportRegistry.h"

ReportDefinition chargeRecordsReport();      // ActFullRecord
ReportDefinition refundReport();             // ActBackRecords
ReportDefinition allowanceRecordsReport();   // ActAllowance
ReportDefinition cardBalanceReport();        // ActCardBalance
ReportDefinition cardCostReport();           // ActCardCost
ReportDefinition issueCardRecordReport();    // ActIssueCardRecord
ReportDefinition lossCardMealRecordReport(); // ActLossCardMealRecord

// The type-list position of a --kind value of the recharge list: a position
// or an item text ("现金", "全部"). Throws DbError for anything else.
int chargeKindIndex(const QString& text, int moduleOptions);
