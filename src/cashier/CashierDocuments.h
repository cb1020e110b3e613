#pragma once
// The printed cashier bill and settlement voucher, laid out in code. A site
// may put its logo ("logo.png") and its own heading (first line of
// "title.txt") into the program folder; both are printed when present.
#include "cashier/CashierBillBook.h"
#include "cashier/PrintedDocument.h"
#include "cashier/SettleVoucher.h"

#include <QDate>

class Session;

namespace CashierDocuments {

struct Site {
    QString company;
    QString heading;
    QImage logo;
};
Site siteOf(const Session& session);

// "￥12.50"
QString yuan(Currency amount);

// The bill: one group per operator with its "合计：" row when `perOperator`,
// else the rows summed per type; the "总计：" row, sign-off fields.
PrintedDocument bill(const Site& site, const CashierBillHead& head, const QVector<CashierBillRow>& rows,
                     bool perOperator, const QDate& printed);
PrintedDocument voucher(const Site& site, const SettleHead& head, const QVector<SettleLine>& lines,
                        const QDate& printed);

} // namespace CashierDocuments
