#pragma once
// TfrmCardCenterStatistic ("出纳统计账管理") and TfrmSettleAccounts
// ("本系统运行结算凭证"): the list of bills or vouchers in the grid, the chosen
// one as its printed document in a preview beside it, with previous/next page.
#include "cashier/CashierBillBook.h"
#include "cashier/PrintedDocument.h"
#include "cashier/SettleVoucher.h"
#include "framework/ui/RecordBaseClass.h"

class QCheckBox;
class QLabel;
class QScrollArea;

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

class TfrmCardCenterStatistic : public CashierDocumentWindow {
    Q_OBJECT
public:
    explicit TfrmCardCenterStatistic(ModuleContext& context, QWidget* parent = nullptr);
    void actDataInsertExecute() override;
    void actDataDeleteExecute() override;
    void postMissed();

protected:
    QString listStatement(QVariantMap* params) const override;
    PrintedDocument documentFor(const QString& number) override;
    const QHash<QString, QString>& labels() const override { return CashierBillBook::fieldLabels(); }

private:
    CashierBillBook m_book;
    QCheckBox* CheckBox1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QString m_operatorsOf;
};

class TfrmSettleAccounts : public CashierDocumentWindow {
    Q_OBJECT
public:
    explicit TfrmSettleAccounts(ModuleContext& context, QWidget* parent = nullptr);
    void actDataInsertExecute() override;
    void actDataDeleteExecute() override;
    void regenerate();

protected:
    QString listStatement(QVariantMap* params) const override;
    PrintedDocument documentFor(const QString& number) override;
    const QHash<QString, QString>& labels() const override { return SettleVoucher::fieldLabels(); }

private:
    SettleVoucher m_voucher;
};
