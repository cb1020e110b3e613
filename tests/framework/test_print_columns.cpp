// A record window's print dialog and column chooser offscreen: stored layouts, export into
// Documents, the preview, PDF printing, the summary-row switch and the print right.
#include "FrameworkFixture.h"
#include "ModalDialog.h"
#include "dataset/grid/ui/DBGrid.h"
#include "framework/GridLayout.h"
#include "framework/RecordWindowRules.h"
#include "framework/ui/DefColumnDialog.h"
#include "framework/ui/GridPrinter.h"
#include "framework/ui/PrintDialog.h"
#include "framework/ui/RecordBaseClass.h"
#include "framework/ui/RecordPrintActions.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <functional>

using DataAction = TfrmRecordBaseClass::DataAction;

namespace {
class TestWindow : public TfrmRecordBaseClass {
public:
    explicit TestWindow(ModuleContext& c) : TfrmRecordBaseClass(c, QStringLiteral("打印测试")) {
        ownDataSet(QStringLiteral("dsPrintTest"));
        baseSql = QStringLiteral("select id, name, amount, remark from print_test order by id");
    }
    using TfrmRecordBaseClass::printTitle;
};

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

class TestPrintColumns : public QObject {
    Q_OBJECT
    FrameworkFixture fx;
    QStringList opened; // files the export asked to open

    std::unique_ptr<TestWindow> open(int tag = RecordRights::Print) { return fx.open<TestWindow>(tag); }
    QString documents(const QString& name) const {
        return fx.home.filePath(QStringLiteral("Documents/") + name);
    }

private slots:
    void initTestCase() {
        fx.start(QStringLiteral("print_columns"), QStringLiteral("OPER1"));
        fx.context->session.CompanyName = QStringLiteral("测试公司");
        fx.db->exec(
            QStringLiteral("create table print_test (id int auto_increment primary key, name varchar(30), "
                           "amount decimal(12,2), remark varchar(40))"));
        fx.db->exec(
            QStringLiteral("insert into print_test (name, amount, remark) values ('Alice', 10.50, 'a'), "
                           "('Bob', 2.25, 'b'), ('Carol', 7.00, 'c')"));
    }
    void init() {
        fx.prompter.clear();
        opened.clear();
    }
    void cleanupTestCase() { fx.stop(); }

    void chooserSavesALayoutTheNextWindowReads() {
        auto w = open();
        DataSet* ds = w->dataSet();
        ds->findField(QStringLiteral("amount"))->setDisplayLabel(QStringLiteral("2010年金额"));
        ds->findField(QStringLiteral("remark"))->setVisible(false);
        QPointer<TfrmDefColumn> seen;
        const auto shown = onModal<TfrmDefColumn>([&](TfrmDefColumn* d) {
            seen = d;
            QCOMPARE(items(d->availableList()), QStringList({QStringLiteral("remark")}));
            QCOMPARE(items(d->chosenList()), QStringList({QStringLiteral("id"), QStringLiteral("name"),
                                                          QStringLiteral("2010年金额")}));
            // "name" out, "remark" in: the lists change in arrival order.
            d->chosenList()->item(1)->setSelected(true);
            d->unselectButton()->click();
            d->availableList()->item(0)->setSelected(true);
            d->selectButton()->click();
            QCOMPARE(items(d->availableList()), QStringList({QStringLiteral("name")}));
            QCOMPARE(items(d->chosenList()), QStringList({QStringLiteral("id"), QStringLiteral("2010年金额"),
                                                          QStringLiteral("remark")}));
            d->applyButton()->click();
        });
        w->action(DataAction::DefCols)->trigger();
        QVERIFY(*shown);
        flushDeletes();
        QVERIFY(!seen); // freed on close
        QVERIFY(!w->printActions().columnDialog());
        // The grid follows at once.
        QCOMPARE(w->grid()->model()->columnCount(), 3);
        QVERIFY(!ds->findField(QStringLiteral("name"))->visible());

        GridLayoutStore store;
        QCOMPARE(store.value(w->registryKey(), GridLayout::kDefaultLayout), w->registryKey());
        QVERIFY(store.value(w->registryKey(), QStringLiteral("name")).startsWith(QLatin1String("00001")));
        w.reset();

        // A new window on the same data set shows the stored layout, labels intact.
        auto again = open();
        DataSet* ds2 = again->dataSet();
        QVERIFY(!ds2->findField(QStringLiteral("name"))->visible());
        QVERIFY(ds2->findField(QStringLiteral("remark"))->visible());
        QCOMPARE(ds2->findField(QStringLiteral("amount"))->displayLabel(), QStringLiteral("2010年金额"));
        QCOMPARE(again->grid()->model()->columnCount(), 3);
        // ... also after a refresh, which builds the fields anew.
        again->actDataRefreshExecute();
        WAIT_LOADED(*again);
        QCOMPARE(ds2->findField(QStringLiteral("amount"))->displayLabel(), QStringLiteral("2010年金额"));
        QVERIFY(!ds2->findField(QStringLiteral("name"))->visible());
    }

    void chooserMovesAllAndCancelKeepsTheFields() {
        auto w = open();
        const QString before = GridLayoutStore().value(w->registryKey(), QStringLiteral("id"));
        const auto seen = onModal<TfrmDefColumn>([&](TfrmDefColumn* d) {
            d->btnUnSelectAllClick();
            QVERIFY(d->chosenList()->count() == 0);
            QCOMPARE(d->availableList()->count(), 4);
            d->btnSelectAllClick();
            QCOMPARE(d->chosenList()->count(), 4);
            // A double click moves the selected items like "<-".
            d->chosenList()->item(0)->setSelected(true);
            d->SelColsDblClick();
            QCOMPARE(items(d->availableList()), QStringList({QStringLiteral("name")}));
            d->resetButton()->click();
        });
        w->action(DataAction::DefCols)->trigger();
        // Cancelled: the fields and the stored values stay as they were.
        QVERIFY(*seen && !w->dataSet()->findField(QStringLiteral("name"))->visible());
        QCOMPARE(GridLayoutStore().value(w->registryKey(), QStringLiteral("id")), before);
    }

    void printNeedsTheRightOrAdmin() {
        auto w = open(RecordRights::Find);
        runAction(*w, DataAction::Print);
        QCOMPARE(fx.prompter.texts(), QStringList({QStringLiteral("无权限")}));
        QVERIFY(!w->printActions().printDialog());

        fx.context->session.CurrentUserId = QStringLiteral("admin");
        // A filter in force is printed under the title.
        w->dataSet()->setFilter(QStringLiteral("id > 0"));
        w->dataSet()->setFiltered(true);
        const auto seen = onModal<TdlgPrint>([](TdlgPrint* d) { d->cancelButton()->click(); });
        runAction(*w, DataAction::Print);
        QVERIFY(*seen);
        fx.context->session.CurrentUserId = QStringLiteral("OPER1");
        // The empty print title became the caption; the printer got its substitutions.
        QCOMPARE(w->printTitle, QStringLiteral("打印测试"));
        const auto& subs = w->printActions().gridPrinter().options().substitutions;
        QCOMPARE(subs.value(QStringLiteral("%[company]")), QStringLiteral("测试公司"));
        QCOMPARE(subs.value(QStringLiteral("%[print_date]")), QDate::currentDate().toString(Qt::ISODate));
        QCOMPARE(subs.value(QStringLiteral("%[caption]")), QStringLiteral("筛选: [id] > 0"));
    }

    void exportGoesToDocumentsAndAsksBeforeOverwriting() {
        auto w = open();
        w->printTitle = QStringLiteral("导出测试");
        // The layout stored by the tests above hides the names; the export follows the grid.
        w->dataSet()->findField(QStringLiteral("name"))->setVisible(true);
        w->grid()->refreshColumns();
        const QString path = documents(QStringLiteral("导出测试.CSV"));
        QFile::remove(path);
        auto exportCsv = [&](std::function<void(TdlgPrint*)> check) {
            onModal<TdlgPrint>([&, check](TdlgPrint* d) {
                d->openDocument = [&](const QUrl& url) {
                    opened << url.toLocalFile();
                    return true;
                };
                QVERIFY(d->previewChoice()->isChecked());
                QCOMPARE(d->exportFormatKey(), 2);
                // Choosing a format chooses the export.
                d->setExportFormatKey(4);
                emit d->formatList()->activated(d->formatList()->currentIndex());
                QVERIFY(d->exportChoice()->isChecked());
                d->okButton()->click();
                check(d);
            });
            runAction(*w, DataAction::Print);
        };

        fx.prompter.answer(PromptAnswer::Yes); // open it?
        exportCsv([](TdlgPrint* d) { QVERIFY(!d->isVisible()); });
        QVERIFY(readAll(path).contains("Carol"));
        QCOMPARE(opened, QStringList({path}));
        QCOMPARE(fx.prompter.texts(), QStringList({QStringLiteral("导出完成, 是否启动查看? ")}));

        // The file exists: No keeps it and the dialog stays open.
        QVERIFY(writeAll(path, "old"));
        fx.prompter.clear();
        opened.clear();
        fx.prompter.answer(PromptAnswer::No);
        exportCsv([](TdlgPrint* d) {
            QVERIFY(d->isVisible());
            d->cancelButton()->click();
        });
        QCOMPARE(readAll(path), QByteArray("old"));
        QCOMPARE(fx.prompter.calls().at(0).text, QStringLiteral("文件\"%1\"已经存在, 是否覆盖? ").arg(path));

        // Yes overwrites; not opening it afterwards opens nothing.
        fx.prompter.clear();
        fx.prompter.answer(PromptAnswer::Yes);
        fx.prompter.answer(PromptAnswer::No);
        exportCsv([](TdlgPrint*) {});
        QVERIFY(readAll(path).contains("Alice"));
        QVERIFY(opened.isEmpty());
        QCOMPARE(fx.prompter.pendingAnswers(), 0);
    }

    void previewOpensAPreviewOfThePages() {
        auto w = open();
        int pages = -1;
        bool previewSeen = false;
        onModal<TdlgPrint>([&](TdlgPrint* d) {
            onModal<QPrintPreviewDialog>([&](QPrintPreviewDialog* preview) {
                previewSeen = true;
                if (auto* widget = preview->findChild<QPrintPreviewWidget*>())
                    pages = widget->pageCount();
                preview->reject();
            });
            d->okButton()->click(); // preview is the default choice
        });
        runAction(*w, DataAction::Print);
        QVERIFY(previewSeen);
        QCOMPARE(pages, 1);
        flushDeletes();
        QVERIFY(!w->printActions().printDialog());
    }

    void printWritesPdfAndShowsTheToast() {
        auto w = open();
        w->printTitle = QStringLiteral("打印到文件");
        QPrinter& printer = w->printActions().gridPrinter().printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString chosen = fx.home.filePath(QStringLiteral("chosen.pdf"));
        printer.setOutputFileName(chosen);
        const int toastsBefore = fx.context->toasts.count();
        auto printDirectly = [&] {
            onModal<TdlgPrint>([](TdlgPrint* d) {
                d->printChoice()->setChecked(true);
                d->okButton()->click();
            });
            runAction(*w, DataAction::Print);
        };
        printDirectly();
        QVERIFY(readAll(chosen).startsWith("%PDF") && readAll(chosen).size() > 500);
        QCOMPARE(fx.context->toasts.count(), toastsBefore + 1);

        // No printer and no file chosen: a PDF in Documents, the folder made when missing.
        QVERIFY(QDir(documents(QString())).removeRecursively());
        printer.setOutputFileName(QString());
        printDirectly();
        QVERIFY(readAll(documents(QStringLiteral("打印到文件.pdf"))).startsWith("%PDF"));
        QCOMPARE(fx.context->toasts.count(), toastsBefore + 2);
        QVERIFY(fx.prompter.calls().isEmpty());
        fx.context->toasts.closeAll();
    }

    void summaryRowSwitchChangesTheWindowGrid() {
        auto w = open();
        w->SetSumFooter(nullptr, 1);
        for (const bool shown : {true, false}) {
            onModal<TdlgPrint>([shown](TdlgPrint* d) {
                QCOMPARE(d->footerBox()->isChecked(), shown);
                d->footerBox()->click();
                d->cancelButton()->click();
            });
            runAction(*w, DataAction::Print);
            QCOMPARE(w->grid()->footerRowCount(), shown ? 0 : 1);
        }
    }
};

QTEST_MAIN(TestPrintColumns)
#include "test_print_columns.moc"
