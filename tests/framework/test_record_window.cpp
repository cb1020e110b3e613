// The record base window offscreen on a table of its own: rights, key search, footers, states,
// deletes, filters, the close question.
#include "FrameworkFixture.h"
#include "dataset/grid/ui/DBGrid.h"
#include "db/DbError.h"
#include "framework/FilterStatement.h"
#include "framework/RecordWindowRules.h"
#include "framework/ui/FilterDialog.h"
#include "framework/ui/RecordBaseClass.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>

#include <functional>
using DataAction = TfrmRecordBaseClass::DataAction;

namespace {
class TestWindow : public TfrmRecordBaseClass {
public:
    TestWindow(ModuleContext& c) : TfrmRecordBaseClass(c, QStringLiteral("测试记录")) {
        ownDataSet(QStringLiteral("dsTest"));
        baseSql = QStringLiteral("select * from rec_test order by id");
        nameField = QStringLiteral("name");
    }
    using TfrmRecordBaseClass::printCaption;
    bool dialogResult = false;
    int dialogCalls = 0;
    bool ShowRecordDialog() override {
        ++dialogCalls;
        if (dialogResult && dataSet()->state() == DataSet::State::Insert) {
            dataSet()->fieldByName(QStringLiteral("name")).setValue(QStringLiteral("新记录"));
            dataSet()->fieldByName(QStringLiteral("card_id")).setValue(777);
            dataSet()->post();
        }
        return dialogResult;
    }
    // What each load's hooks saw: the rows present when the columns became
    // known, and the rows when the load ended.
    QList<int> columnsSeen;
    QList<int> rowsSeen;
    void columnsKnown(QObject*) override { columnsSeen << dataSet()->fieldCount(); }
    void rowsLoaded(QObject*, bool) override { rowsSeen << dataSet()->recordCount(); }
    using TfrmRecordBaseClass::baseTable;
    using TfrmRecordBaseClass::keyField;
    using TfrmRecordBaseClass::lbKey;
    using TfrmRecordBaseClass::loadRows;
    using TfrmRecordBaseClass::openRows;
};
} // namespace

class TestRecordWindow : public QObject {
    Q_OBJECT
    FrameworkFixture fx;

    std::unique_ptr<TestWindow> open(int tag) { return fx.open<TestWindow>(tag); }

private slots:
    void initTestCase() {
        fx.start(QStringLiteral("record_window"), QStringLiteral("OPER1"));
        fx.db->exec(QStringLiteral(
            "create table rec_test (id int auto_increment primary key, card_id int, kind int, clock_id int, "
            "amount decimal(12,2), qty int, tagged int, name varchar(50), active bit(1), note text)"));
    }
    void init() {
        fx.db->exec(QStringLiteral("delete from rec_test"));
        fx.db->exec(QStringLiteral("delete from OpLog"));
        fx.db->exec(
            QStringLiteral("insert into rec_test (card_id, kind, clock_id, amount, qty, tagged, name, "
                           "active) values (101, 1, 3, 10.10, 1, 5, 'Alice', b'1'), (102, 2, 3, 0.20, 2, 5, "
                           "'O''Brien%', b'0'), (103, 1, 4, 5.00, 3, 5, 'Bob', b'1')"));
        fx.prompter.clear();
        fx.context->session.CurrentUserId = QStringLiteral("OPER1");
    }
    void cleanupTestCase() { fx.stop(); }

    void opensOnFirstActivationAndLogsEntering() {
        auto w = open(0);
        QCOMPARE(w->dataSet()->recordCount(), 3);
        QCOMPARE(w->baseTable, QStringLiteral("rec_test"));
        QCOMPARE(w->keyField, QStringLiteral("id"));
        QCOMPARE(w->recordLabel()->text(), QStringLiteral(" 1 / 3 "));
        QCOMPARE(fx.rows(QStringLiteral("OpLog"),
                         QStringLiteral("BeWrite='进入【测试记录】模块' and opUser='测试员'")),
                 1);
    }

    // Each load runs its hooks once, in the background or at once; a superseded or failed load
    // reports nothing, and a continuation only follows a complete load.
    void everyLoadRunsItsHooksOnce() {
        auto w = open(0);
        QCOMPARE(w->columnsSeen, QList<int>{10});
        QCOMPARE(w->rowsSeen, QList<int>{3});
        QCOMPARE(w->grid()->footerRowCount(), 0); // a plain record window has no footer row

        int continued = 0;
        const QString all = QStringLiteral("select * from rec_test order by id");
        w->loadRows(QStringLiteral("select * from rec_test where id < 0"), {}, nullptr, [&] { ++continued; });
        w->loadRows(all, {}, nullptr, [&] { continued += 10; }); // supersedes the first
        QVERIFY(w->isLoading());
        QVERIFY(!w->action(DataAction::Export)->isEnabled() && !w->action(DataAction::Print)->isEnabled());
        WAIT_LOADED(*w);
        QCOMPARE(w->rowsSeen, QList<int>({3, 3}));
        QCOMPARE(w->columnsSeen.size(), 2);
        QCOMPARE(continued, 10);
        QVERIFY(w->action(DataAction::Export)->isEnabled());

        w->openRows(QStringLiteral("select id, name from rec_test where id = -1"), {}, nullptr,
                    [&] { ++continued; });
        QCOMPARE(w->columnsSeen.last(), 2);
        QCOMPARE(w->rowsSeen.last(), 0);
        QCOMPARE(continued, 11);

        QSignalSpy errors(w.get(), &TfrmRecordBaseClass::errorShown);
        w->loadRows(QStringLiteral("select no_such_column from rec_test"), {}, nullptr, [&] { ++continued; });
        WAIT_LOADED(*w);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(w->rowsSeen.size(), 3);
        QCOMPARE(continued, 11);
    }

    void rightsRefuseWithoutTheBitExceptForAdmin() {
        auto w = open(RecordRights::Find);
        w->actDataInsertExecute();
        WAIT_LOADED(*w);
        w->actDataEditExecute();
        WAIT_LOADED(*w);
        w->actDataDeleteExecute();
        WAIT_LOADED(*w);
        QCOMPARE(fx.prompter.texts(),
                 QStringList({QStringLiteral("无权限"), QStringLiteral("无权限"), QStringLiteral("无权限")}));
        QCOMPARE(w->dataSet()->state(), DataSet::State::Browse);
        // "admin" in any letter case passes: the dialog is reached (and cancelled).
        fx.prompter.clear();
        fx.context->session.CurrentUserId = QStringLiteral("aDmIn");
        w->actDataInsertExecute();
        WAIT_LOADED(*w);
        QCOMPARE(w->dialogCalls, 1);
        QVERIFY(fx.prompter.calls().isEmpty());
        QCOMPARE(w->dataSet()->state(), DataSet::State::Browse);
        QCOMPARE(w->dataSet()->recordCount(), 3); // the appended record was cancelled
    }

    void insertPostsToTheBaseTableAndLogs() {
        auto w = open(RecordRights::Insert);
        w->dialogResult = true;
        w->actDataInsertExecute();
        WAIT_LOADED(*w);
        QCOMPARE(
            fx.rows(QStringLiteral("rec_test"), QStringLiteral("card_id=777 and name='新记录' and active=0")),
            1);
        QVERIFY(w->lastLogText().startsWith(QStringLiteral("增加测试记录。")));
        QVERIFY(w->lastLogText().contains(QStringLiteral("name=新记录。")));
        QCOMPARE(fx.logLines(QStringLiteral("增加测试记录。%")), 1);
    }

    void stateRulesFollowEditing() {
        auto w = open(RecordRights::Edit);
        QVERIFY(w->action(DataAction::Insert)->isEnabled());
        QVERIFY(!w->action(DataAction::Post)->isEnabled());
        w->dataSet()->edit();
        QVERIFY(!w->action(DataAction::Insert)->isEnabled());
        QVERIFY(!w->action(DataAction::Export)->isEnabled());
        QVERIFY(w->action(DataAction::Post)->isEnabled() && w->action(DataAction::Cancel)->isEnabled());
        w->dataSet()->cancel();
        QVERIFY(w->action(DataAction::Find)->isEnabled());
    }

    void keySearchOnNumericAndTextKeys() {
        auto w = open(0);
        const SqlDialect d = fx.context->session.dialect();
        const Field* id = w->dataSet()->findField(QStringLiteral("id"));
        const Field* name = w->dataSet()->findField(QStringLiteral("name"));
        using RecordWindowRules::keySearchStatement;
        QCOMPARE(keySearchStatement(d, QStringLiteral("rec_test"), QStringLiteral("id"), id, QString()),
                 QStringLiteral("SELECT * FROM rec_test"));
        for (const char* notANumber : {"x1", "1abc", "1 or 1=1", "0x10"})
            QVERIFY_THROWS_EXCEPTION(DbError,
                                     keySearchStatement(d, QStringLiteral("rec_test"), QStringLiteral("id"),
                                                        id, QString::fromLatin1(notANumber)));
        QCOMPARE(keySearchStatement(d, QStringLiteral("rec_test"), QStringLiteral("name"), name,
                                    QStringLiteral(" Al ")),
                 QStringLiteral("SELECT * FROM rec_test WHERE name like 'Al%'"));

        // Through the window: a numeric key finds its row; an empty key lists all.
        const int firstId = fx.count(QStringLiteral("select min(id) from rec_test"));
        w->keyEdit()->setText(QString::number(firstId));
        requery(*w);
        QCOMPARE(w->dataSet()->recordCount(), 1);
        w->keyEdit()->clear();
        requery(*w);
        QCOMPARE(w->dataSet()->recordCount(), 3);
        // A text key is a prefix match of the literal text.
        w->keyField = QStringLiteral("name");
        w->keyEdit()->setText(QStringLiteral("O'Brien%"));
        requery(*w);
        QCOMPARE(w->dataSet()->recordCount(), 1);
        for (const QString& hostile :
             {QStringLiteral("%"), QStringLiteral("_lice"), QStringLiteral("'; drop table rec_test; --"),
              QStringLiteral("x' or '1'='1"), QStringLiteral("\\")}) {
            w->keyEdit()->setText(hostile);
            requery(*w);
            QCOMPARE(w->dataSet()->recordCount(), 0);
        }
        QCOMPARE(fx.rows(QStringLiteral("rec_test")), 3);
        QVERIFY(fx.prompter.calls().isEmpty());
    }

    void footersSkipCodesAndTaggedFieldsMemosDoNotSort() {
        auto w = open(0);
        w->dataSet()->findField(QStringLiteral("tagged"))->setTag(2);
        w->SetSumFooter(nullptr, 1);
        const DBGrid* g = w->grid();
        auto footerOf = [&](const char* name) {
            return g->footerText(g->model()->columnOf(w->dataSet()->findField(QString::fromLatin1(name))));
        };
        // Column 1 counts; codes and tagged fields have no sum; money shows "￥0.00".
        QCOMPARE(QStringList({footerOf("id"), footerOf("card_id"), footerOf("kind"), footerOf("clock_id"),
                              footerOf("tagged"), footerOf("amount"), footerOf("qty")}),
                 QStringList({"汇总:", "3", "", "", "", "￥15.30", "6"}));
        // A memo column's title does not sort.
        w->grid()->clickTitle(g->model()->columnOf(w->dataSet()->findField(QStringLiteral("note"))));
        QCOMPARE(fx.prompter.texts(), QStringList{QStringLiteral("选中列不能排序")});
    }

    void deleteAsksAndLogsOneOrMany() {
        auto w = open(RecordRights::Delete);
        fx.prompter.answer(PromptAnswer::No);
        w->actDataDeleteExecute();
        WAIT_LOADED(*w);
        QCOMPARE(fx.rows(QStringLiteral("rec_test")), 3);
        // Yes on the current record.
        w->dataSet()->last();
        fx.prompter.answer(PromptAnswer::Yes);
        w->actDataDeleteExecute();
        WAIT_LOADED(*w);
        QCOMPARE(fx.rows(QStringLiteral("rec_test"), QStringLiteral("name='Bob'")), 0);
        QCOMPARE(w->dataSet()->recordCount(), 2);
        QCOMPARE(fx.prompter.calls().last().text, QStringLiteral("确认删除当前记录吗?"));
        // Two selected rows: batch delete with one log line.
        w->grid()->selectAll();
        fx.prompter.answer(PromptAnswer::Yes);
        w->actDataDeleteExecute();
        WAIT_LOADED(*w);
        QCOMPARE(fx.rows(QStringLiteral("rec_test")), 0);
        QCOMPARE(fx.logLines(QStringLiteral("批量删除 2 笔【测试记录】记录")), 1);
        // Empty: "无记录".
        w->actDataDeleteExecute();
        WAIT_LOADED(*w);
        QCOMPARE(fx.prompter.calls().last().text, QStringLiteral("无记录"));
    }

    void closingAnEditAsksToSave() {
        auto w = open(RecordRights::Edit);
        w->dataSet()->first();
        w->dataSet()->edit();
        w->dataSet()->fieldByName(QStringLiteral("name")).setValue(QStringLiteral("Alicia"));
        fx.prompter.answer(PromptAnswer::Cancel);
        QVERIFY(!w->close());
        QCOMPARE(w->dataSet()->state(), DataSet::State::Edit);
        fx.prompter.answer(PromptAnswer::Yes);
        QVERIFY(w->close());
        QCOMPARE(fx.rows(QStringLiteral("rec_test"), QStringLiteral("name='Alicia'")), 1);
        QVERIFY(
            fx.prompter.calls().first().text.contains(QStringLiteral("“测试记录”的数据已被修改, 是否保存?")));
        QCOMPARE(fx.logLines(QStringLiteral("退出【测试记录】模块")), 1);
    }

    // The current cell's filter items narrow each other and show above the grid, in the subtitle and export.
    void filterItemsByTheCurrentCell() {
        using DA = TfrmRecordBaseClass::DataAction;
        auto w = open(RecordRights::Find);
        DataSet& ds = *w->dataSet();
        auto pick = [&](const char* field, const QString& name) {
            QVERIFY(ds.locate(QStringLiteral("name"), name));
            w->grid()->setSelectedColumn(
                w->grid()->model()->columnOf(&ds.fieldByName(QString::fromLatin1(field))));
        };
        auto names = [&] {
            QStringList out;
            for (int i = 0; i < ds.recordCount(); ++i)
                out << ds.value(i, ds.fieldByName(QStringLiteral("name")).index()).toString();
            return out;
        };
        pick("kind", QStringLiteral("Alice"));
        w->action(DA::SelFilter)->trigger();
        QCOMPARE(names(), (QStringList{QStringLiteral("Alice"), QStringLiteral("Bob")}));
        QVERIFY(!w->filterLabel()->isHidden() &&
                w->filterLabel()->text().contains(QStringLiteral("共 2 条")));
        w->printCaption = QStringLiteral("日期: (2024-01-01 至 2024-01-31)");
        QVERIFY(w->subtitle().startsWith(w->printCaption + QStringLiteral("  筛选: ")));
        pick("name", QStringLiteral("Alice"));
        w->action(DA::ExcFilter)->trigger();
        QCOMPARE(names(), QStringList{QStringLiteral("Bob")});
        QVERIFY(w->filterLabel()->text().contains(QStringLiteral("共 1 条")));
        // An export says what it holds.
        const QString page = fx.home.filePath(QStringLiteral("filtered.html"));
        fx.prompter.answerFile(page, 7);
        w->action(DA::Export)->trigger();
        QFile file(page);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        QVERIFY(html.contains(QStringLiteral("<caption>日期: (2024-01-01 至 2024-01-31)  筛选: ")));
        QVERIFY(html.contains(QStringLiteral("Bob")) && !html.contains(QStringLiteral("Alice</td>")));
        fx.prompter.clear();
        w->action(DA::ShowAll)->trigger();
        QCOMPARE(ds.recordCount(), 3);
        QVERIFY(w->filterLabel()->isHidden());
        QCOMPARE(w->subtitle(), w->printCaption);
        // A new query drops the filter.
        pick("name", QStringLiteral("Bob"));
        w->action(DA::SelFilter)->trigger();
        QCOMPARE(ds.recordCount(), 1);
        w->actDataRefreshExecute();
        WAIT_LOADED(*w);
        QCOMPARE(ds.recordCount(), 3);
        QVERIFY(w->filterLabel()->isHidden());
        QVERIFY(fx.prompter.calls().isEmpty());
        // Without the find right the items refuse.
        w->setTag(0);
        pick("kind", QStringLiteral("Bob"));
        w->action(DA::SelFilter)->trigger();
        QCOMPARE(ds.recordCount(), 3);
        QCOMPARE(fx.prompter.texts(), QStringList{QStringLiteral("无权限")});
    }

    // The filter dialog applies what it composes; mixed joins and unreadable text keep the filter.
    void filterDialogAsOperatorsUseIt() {
        auto w = open(RecordRights::Find);
        DataSet& ds = *w->dataSet();
        auto run = [&](const std::function<void(TdlgFilter&)>& body) {
            QTimer::singleShot(0, w.get(), [&] { body(*w->filterDialog()); });
            w->action(TfrmRecordBaseClass::DataAction::Filter)->trigger();
        };
        auto add = [](TdlgFilter& d, const char* field, const char* op, const char* value,
                      const char* upper = "") {
            if (!d.chooseField(QString::fromLatin1(field)) || !d.chooseOperator(QString::fromLatin1(op)))
                return false;
            d.valueEdit()->setText(QString::fromUtf8(value));
            d.maxValueEdit()->setText(QString::fromUtf8(upper));
            return d.addCondition();
        };
        run([&](TdlgFilter& d) {
            QVERIFY(!add(d, "qty", "between", "2", "")); // a blank bound adds nothing
            QVERIFY(add(d, "qty", "between", "2", "3"));
            QVERIFY(!add(d, "qty", ">", "abc")); // refused with its reason
            QVERIFY(add(d, "amount", "<", "1"));
            d.okButton()->click();
        });
        QCOMPARE(ds.recordCount(), 1);
        QCOMPARE(ds.fieldByName(QStringLiteral("name")).asString(), QStringLiteral("O'Brien%"));
        QCOMPARE(fx.prompter.takeCalls().size(), 1); // the refused "abc"
        const QString inForce = ds.filter();

        // The memo shows the filter in force; "or" added to it is refused.
        run([&](TdlgFilter& d) {
            QVERIFY(d.memo()->toPlainText().contains(QStringLiteral("[qty] >= '2'")));
            d.orButton()->setChecked(true);
            QVERIFY(add(d, "name", "like", "A"));
            d.okButton()->click();
        });
        QCOMPARE(ds.filter(), inForce);
        QCOMPARE(ds.recordCount(), 1);
        QCOMPARE(fx.prompter.takeCalls().size(), 1);

        // A statement the data set cannot read: the warning, the filter stays.
        run([&](TdlgFilter& d) {
            d.memo()->setPlainText(QStringLiteral("[qty] = 'abc'"));
            d.okButton()->click();
        });
        QVERIFY(ds.filter() == inForce && ds.filtered() && ds.recordCount() == 1);
        QCOMPARE(fx.prompter.texts(), QStringList{FilterStatement::refusedText()});
        fx.prompter.clear();

        // Cancel removes the filter; the advanced query starts from an empty memo.
        run([&](TdlgFilter& d) { d.cancelButton()->click(); });
        QVERIFY(!ds.filtered());
        QCOMPARE(ds.recordCount(), 3);
        QVERIFY(w->filterLabel()->isHidden());
        ds.setFilter(QStringLiteral("qty = 1"));
        ds.setFiltered(true);
        QTimer::singleShot(0, w.get(), [&] {
            TdlgFilter& d = *w->filterDialog();
            QVERIFY(d.memo()->toPlainText().isEmpty());
            QVERIFY(add(d, "name", "=", "Bob"));
            d.okButton()->click();
        });
        QCOMPARE(w->filterRows(QString(), true), QStringLiteral("(name = 'Bob')"));
        QCOMPARE(ds.recordCount(), 1);
        QVERIFY(fx.prompter.calls().isEmpty());
    }

    void searchBoxKeysFollowItsCaption() {
        using namespace RecordWindowRules;
        QCOMPARE(keyClassForCaption(QStringLiteral("卡号查询"), true), KeyClass::Digits);
        QCOMPARE(keyClassForCaption(QStringLiteral("工号查询"), false), KeyClass::Digits);
        QCOMPARE(keyClassForCaption(QStringLiteral("工号查询"), true), KeyClass::DigitsAndLetters);
        QVERIFY(!keyAllowed(KeyClass::Digits, QStringLiteral("a")));
        QVERIFY(keyAllowed(KeyClass::DigitsAndLetters, QStringLiteral("a")));
        QVERIFY(!keyAllowed(KeyClass::DigitsAndLetters, QStringLiteral("'")));
        auto w = open(0);
        w->lbKey->setText(QStringLiteral("卡号查询"));
        w->keyEdit()->setFocus();
        QTest::keyClicks(w->keyEdit(), QStringLiteral("12a'3"));
        QCOMPARE(w->keyEdit()->text(), QStringLiteral("123"));
    }
};

QTEST_MAIN(TestRecordWindow)
#include "test_record_window.moc"
