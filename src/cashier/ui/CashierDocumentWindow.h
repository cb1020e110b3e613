#pragma once
// The base of the bill and voucher windows: the list of bills or vouchers in
// the grid, the chosen one as its printed document in a preview beside it,
// with previous/next page, printed to a printer or to Documents/ as a PDF.
#include "cashier/PrintedDocument.h"
#include "framework/ui/RecordBaseClass.h"

#include <functional>
#include <optional>

class QLabel;
class QScrollArea;
class TFrmSelectTimeZ;

class CashierDocumentWindow : public TfrmRecordBaseClass {
    Q_OBJECT
public:
    CashierDocumentWindow(ModuleContext& context, const QString& caption, QWidget* parent);

    void QueryData(QObject* sender) override;
    void printRows() override;
    // The document shown, its page, and the number it shows.
    int previewPage() const { return m_page; }
    int previewPages() { return m_document.pageCount(); }
    QString shownNumber() const { return m_number; }
    void showPage(int page);

protected:
    virtual QString listStatement(QVariantMap* params) const = 0;
    virtual PrintedDocument documentFor(const QString& number) = 0;
    virtual const QHash<QString, QString>& labels() const = 0;
    void columnsKnown(QObject* sender) override;
    // Shows the grid's current number (none: an empty preview).
    void showCurrent();
    QString currentNumber() const;
    // Reloads the list and shows `number` (or the first).
    void reload(const QString& number = QString());
    bool isAdmin() const;
    // Deletes the grid's current bill or voucher after the operator's yes:
    // `remove` does it, `logText` ("删除... %1") is logged, the list reloads.
    void deleteCurrent(const std::function<void(const QString&)>& remove, const QString& logText);
    // The period dialog preset for a new bill or voucher: number "yyyy-MM",
    // start at `start` when known, locked when `lockStart`.
    TFrmSelectTimeZ* periodDialog(const std::optional<QDateTime>& start, bool lockStart);

    QWidget* plPreview = nullptr;
    QAction* actPost = nullptr;

private:
    QScrollArea* m_scroll = nullptr;
    QLabel* m_pageImage = nullptr;
    QLabel* m_pageLabel = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    PrintedDocument m_document;
    QString m_number;
    int m_page = 0;
};
