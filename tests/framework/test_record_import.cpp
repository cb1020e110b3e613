// A record window's import offscreen: exported files read back, another table's refused, the per-row
// and personnel questions, cancelling, and a batch-optimistic data set.
#include "RecordFilesFixture.h"
#include "dataset/grid/ui/DBGrid.h"
#include "framework/ui/FileRecordsDialog.h"
#include "util/ui/Progress.h"

#include <QPushButton>

using DataAction = TfrmRecordBaseClass::DataAction;

class TestRecordImport : public QObject {
    Q_OBJECT
    RecordFilesFixture rf;
    FrameworkFixture& fx = rf.fx;

    // Imports `path` through the action, confirming the contents; `answers` go to its questions.
    void importFile(FilesWindow& w, const QString& path, std::initializer_list<PromptAnswer> answers = {}) {
        fx.prompter.answerFile(path);
        for (PromptAnswer a : answers)
            fx.prompter.answer(a);
        onModal<TdlgFileRecords>([](TdlgFileRecords* d) { d->okButton()->click(); });
        runAction(w, DataAction::Import);
    }

private slots:
    void initTestCase() { rf.start(QStringLiteral("record_import")); }
    void init() { rf.reset(); }
    void cleanupTestCase() { fx.stop(); }

    void importsAFileOfTheSameTable() {
        for (const int index : {1, 2}) { // ADTG, XML
            auto w = rf.open();
            const QString path = rf.exportAs(*w, QStringLiteral("same%1").arg(index), index) +
                                 (index == 1 ? QStringLiteral(".ADTG") : QStringLiteral(".xml"));
            QVERIFY(QFile::exists(path));
            rf.emptyAndReload(*w);
            importFile(*w, path);
            QCOMPARE(rf.messages(), QStringList{QStringLiteral("正常导入\"3\"条记录. ")});
            QCOMPARE(
                fx.rows(QStringLiteral("rec_files"),
                        QStringLiteral(
                            "code='B' and qty=2 and amount=0.20 and name='O''Brien%' and born='2024-01-06'")),
                1);
            QCOMPARE(fx.rows(QStringLiteral("rec_files"), QStringLiteral("name='鲍勃' and remark='rmk3'")),
                     1);
            QCOMPARE(w->dataSet()->recordCount(), 3);
            QCOMPARE(fx.logLines(QStringLiteral("导入 3 笔【文件记录】记录,导入文件名: %1").arg(path)), 1);
        }
    }

    void aFileOfAnotherTableIsRefusedBeforeAnyRow() {
        auto w = rf.open();
        const QString path = rf.exportAs(*w, QStringLiteral("other"), 1) + QStringLiteral(".ADTG");
        auto other = rf.open(QStringLiteral("other_files"));
        fx.prompter.clear();
        importFile(*other, path);
        QCOMPARE(rf.messages(), QStringList{QStringLiteral("你选择的数据和当前数据表不对应, 导入失败!")});
        QCOMPARE(fx.rows(QStringLiteral("other_files")), 0);
        QCOMPARE(other->dataSet()->recordCount(), 0);
        QCOMPARE(fx.logLines(QStringLiteral("导入%")), 0);
    }

    void aFailingRowAsksWhetherToGoOn() {
        auto w = rf.open();
        const QString path = rf.exportAs(*w, QStringLiteral("dup"), 1) + QStringLiteral(".ADTG");
        const QString question = QStringLiteral("数据错误或者不能导入重复记录, 是否继续?");
        // B stays: its row fails on the unique code. Yes goes on with C.
        rf.emptyAndReload(*w, QStringLiteral("code<>'B'"));
        importFile(*w, path, {PromptAnswer::Yes});
        QCOMPARE(rf.messages(), QStringList({question, QStringLiteral("正常导入\"2\"条记录. ")}));
        QCOMPARE(fx.rows(QStringLiteral("rec_files")), 3);
        QCOMPARE(w->dataSet()->state(), DataSet::State::Browse);
        // No stops there: only A arrives.
        rf.emptyAndReload(*w, QStringLiteral("code<>'B'"));
        importFile(*w, path, {PromptAnswer::No});
        QCOMPARE(rf.messages(), QStringList({question, QStringLiteral("正常导入\"1\"条记录. ")}));
        QCOMPARE(fx.rows(QStringLiteral("rec_files"), QStringLiteral("code in ('A','B')")), 2);
        QCOMPARE(fx.rows(QStringLiteral("rec_files")), 2);
    }

    void cancellingStopsAfterTheCurrentRow() {
        auto w = rf.open();
        const QString path = rf.exportAs(*w, QStringLiteral("cancel"), 1) + QStringLiteral(".ADTG");
        rf.emptyAndReload(*w);
        // The operator presses cancel while the first row is written.
        QMetaObject::Connection c = connect(w->dataSet(), &DataSet::rowsAppended, this, [&] {
            for (TdlgProgress* p : w->findChildren<TdlgProgress*>())
                if (p->isVisible() && p->cancelButton()->isVisible())
                    p->cancelButton()->click();
        });
        importFile(*w, path);
        disconnect(c);
        QCOMPARE(fx.rows(QStringLiteral("rec_files")), 1);
        QCOMPARE(rf.messages(), QStringList{QStringLiteral("正常导入\"1\"条记录. ")});
        QCOMPARE(fx.logLines(QStringLiteral("导入 1 笔%")), 1);
    }

    // Without the insert right nothing is asked; cancelling the contents imports nothing.
    void refusedOrCancelledImportsNothing() {
        rf.open(QStringLiteral("rec_files"), RecordRights::Find)->action(DataAction::Import)->trigger();
        QCOMPARE(rf.messages(), QStringList{QStringLiteral("无权限")});
        fx.prompter.clear();
        auto w = rf.open();
        const QString path = rf.exportAs(*w, QStringLiteral("nothing"), 1) + QStringLiteral(".ADTG");
        fx.db->exec(QStringLiteral("delete from rec_files"));
        fx.prompter.clear();
        fx.prompter.answerFile(path);
        onModal<TdlgFileRecords>([](TdlgFileRecords* d) {
            QCOMPARE(d->grid()->dataSet()->recordCount(), 3);
            d->cancelButton()->click();
        });
        runAction(*w, DataAction::Import);
        QCOMPARE(fx.rows(QStringLiteral("rec_files")), 0);
        QVERIFY(rf.messages().isEmpty());
    }

    void issuedEmployeesAreAskedAbout() {
        fx.db->exec(QStringLiteral(
            "insert into emp_files values ('E1', 11, b'0', '甲', 1), ('E2', 12, b'1', '乙', 2)"));
        auto w = rf.open(QStringLiteral("emp_files"));
        const QString path = rf.exportAs(*w, QStringLiteral("emp"), 2) + QStringLiteral(".xml");
        fx.db->exec(QStringLiteral("delete from emp_files"));
        fx.prompter.clear();
        importFile(*w, path, {PromptAnswer::No});
        QCOMPARE(rf.messages(), QStringList{QStringLiteral(
                                    "导入的人事资料已发过卡，重新导入有可能引起数据混乱，是否继续?")});
        QCOMPARE(fx.rows(QStringLiteral("emp_files")), 0);
        fx.prompter.clear();
        importFile(*w, path, {PromptAnswer::Yes});
        QCOMPARE(fx.rows(QStringLiteral("emp_files")), 2);
    }

    void aBatchDataSetSendsTheRowsTogether() {
        auto w = rf.open(QStringLiteral("rec_files"), RecordRights::Insert, true);
        const QString path = rf.exportAs(*w, QStringLiteral("batch"), 1) + QStringLiteral(".ADTG");
        // One row fails only when the batch is sent: nothing of the batch stays.
        rf.emptyAndReload(*w, QStringLiteral("code<>'C'"));
        importFile(*w, path);
        QCOMPARE(fx.rows(QStringLiteral("rec_files")), 1);
        QCOMPARE(fx.prompter.calls().size(), 2);
        QCOMPARE(fx.prompter.calls().last().icon, PromptIcon::Error);
        QCOMPARE(w->dataSet()->recordCount(), 1);
        QCOMPARE(fx.logLines(QStringLiteral("导入%")), 0);
        // Without the clash all rows arrive at once.
        rf.emptyAndReload(*w);
        importFile(*w, path);
        QCOMPARE(fx.rows(QStringLiteral("rec_files")), 3);
        QCOMPARE(rf.messages().last(), QStringLiteral("正常导入\"3\"条记录. "));
    }
};

QTEST_MAIN(TestRecordImport)
#include "test_record_import.moc"
