// The allowance windows offscreen on a test database: the registration list
// with its change and delete rules and its amount dialog, the issue window's
// run, and the two pickers.
#include "../framework/RecordFilesFixture.h"
#include "allowance/ui/AllowanceRecords.h"
#include "allowance/ui/EmpAllow.h"
#include "allowance/ui/PickLists.h"
#include "allowance/ui/SelAllowFile.h"
#include "allowance/ui/SelAllowanceEmp.h"
#include "db/SchemaUpgrade.h"

#include <QDateEdit>
#include <QFile>
#include <QLineEdit>

using DataAction = TfrmRecordBaseClass::DataAction;

class TestAllowanceListWindows : public QObject {
    Q_OBJECT
    FrameworkFixture fx;

    int deposits(const QString& where) {
        return fx.count("select ifnull(sum(deposit * 100), -1) from mallowance where " + where);
    }

private slots:
    void initTestCase() {
        fx.start(QStringLiteral("allowance_windows"), QStringLiteral("ADMIN"));
        fx.db->exec("insert into Company (company_ch_name, parameters) values ('测试', 'edmaxbalance=1000')");
        UpgradeSchema(fx.context->session);
        fx.db->exec("insert into hum_Department (deptno, deptname, parentno, sortno) values "
                    "('01', '总部', '0', 2), ('0101', '食堂', '01', 2), ('0102', '财务', '01', 2)");
        fx.db->exec("insert into hum_employee (empno, empname, deptno, card_id, sys_id, issued) values "
                    "('1001', '张三', '0101', 5001, 1, 1), ('1002', '李四', '0102', 5002, 2, 1)");
        fx.db->exec("insert into cardinfo (empno, card_id, sys_id, CardStatus) values "
                    "('1001', 5001, 1, 3), ('1002', 5002, 2, 3)");
        QFile ini(fx.home.filePath(QStringLiteral("Daybook.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[RunTimeConfig]\nAllowDate=2\n");
    }
    void init() {
        fx.prompter.clear();
        fx.db->exec("delete from mallowance");
        fx.db->exec(
            "insert into mallowance (emp_id, empname, deptno, sys_id, card_id, deposit, charge_ver, charged, "
            "downed, charge_money, op_date, AllowDate) values "
            "('1001', '张三', '0101', 1, 5001, 10, 1, 0, 0, null, now(), '2027-01-31'),"
            "('1001', '张三', '0101', 1, 5001, 20, 2, 1, 1, 20, now(), '2027-01-31'),"
            "('1002', '李四', '0102', 2, 5002, 30, 1, 0, 1, null, now(), '2027-01-31')");
    }
    void cleanupTestCase() { fx.stop(); }

    // Rows listed; a taken or sent row is neither changed nor deleted; the
    // dialog refuses an amount above the maximum and saves one within it.
    void registrationList() {
        TfrmAllowanceRecords w(*fx.context);
        w.setTag(0xFF);
        w.activate();
        WAIT_LOADED(w);
        DataSet* ds = w.dataSet();
        QCOMPARE(ds->recordCount(), 3);
        auto go = [&](const char* emp, int ver) {
            for (int i = 0; i < ds->recordCount(); ++i)
                if (ds->valueAt(ds->bookmarkAt(i), QStringLiteral("emp_id")).toString() ==
                        QLatin1String(emp) &&
                    ds->valueAt(ds->bookmarkAt(i), QStringLiteral("charge_ver")).toInt() == ver)
                    return ds->gotoBookmark(ds->bookmarkAt(i));
            return false;
        };
        QVERIFY(go("1001", 2));
        w.action(DataAction::Edit)->trigger();
        QVERIFY(go("1002", 1));
        w.action(DataAction::Edit)->trigger();
        QCOMPARE(fx.prompter.texts(), (QStringList{"已补贴记录不可修改!", "已下发补贴记录不可修改!"}));

        fx.prompter.clear();
        QVERIFY(go("1001", 1));
        onModal<TfrmAllowDlg>([](TfrmAllowDlg* d) {
            for (const char* typed : {"1000.01", "12.34"}) { // the first stays open
                d->depositEdit()->selectAll();
                QTest::keyClicks(d->depositEdit(), QString::fromLatin1(typed));
                QVERIFY(d->isVisible());
                d->okButton()->click();
            }
        });
        w.action(DataAction::Edit)->trigger();
        QCOMPARE(fx.prompter.texts(), QStringList{"补贴金额不能大于系统参数中定义的卡上最大可能余额"});
        QCOMPARE(deposits("emp_id = '1001' and charge_ver = 1"), 1234);

        fx.prompter.clear();
        QVERIFY(go("1002", 1));
        fx.prompter.answer(PromptAnswer::Yes);
        w.action(DataAction::Delete)->trigger();
        WAIT_LOADED(w);
        QVERIFY(go("1001", 1));
        fx.prompter.answer(PromptAnswer::Yes);
        w.action(DataAction::Delete)->trigger();
        WAIT_LOADED(w);
        QCOMPARE(fx.prompter.texts(),
                 (QStringList{"确认删除当前记录吗?", "补贴记录已上传，不能删除", "确认删除当前记录吗?"}));
        QCOMPARE(fx.rows("mallowance"), 2);
        QCOMPARE(w.dataSet()->recordCount(), 2);

        w.action(DataAction::Import)->trigger();
        QTRY_VERIFY(TfrmSelAllowFile::instance(*fx.context)->isVisible());
        TfrmSelAllowFile::instance(*fx.context)->close();
    }

    // The issue window: the valid date from the settings, a refused amount
    // writes nothing, then everyone chosen is issued and leaves the list.
    void issueWindow() {
        TFrmSelAllowanceEmp w(*fx.context);
        w.show();
        QCOMPARE(w.dateEdit()->date(), QDate::currentDate().addMonths(3));
        w.chooseEveryone();
        QCOMPARE(w.lists()->chosenCount(), 2);
        w.addClicked();
        QCOMPARE(fx.prompter.texts(), QStringList{"补贴金额不能为0！"});
        w.amountEdit()->setText(QStringLiteral("5.5"));
        w.addClicked();
        QTRY_VERIFY(!w.running());
        QCOMPARE(w.issuedCount(), 2);
        QCOMPARE(w.lists()->chosenCount(), 0);
        QCOMPARE(fx.rows("mallowance", "deposit = 5.5 and charge_ver in (2, 3)"), 2);
    }

    // The pickers: not yet sent rows by the tree's root; sent ones by number,
    // OK only with a chosen list.
    void pickers() {
        TfrmEmpAllow unsent(*fx.context);
        unsent.show();
        unsent.searchDepartment();
        QCOMPARE(unsent.lists()->candidateCount(), 1);
        unsent.lists()->moveAll();
        QCOMPARE(unsent.chosen().value(0).deposit, Currency::fromInteger(10));
        unsent.accept();
        QCOMPARE(unsent.result(), int(QDialog::Accepted));

        TFrmEmpAllowAgain again(*fx.context);
        again.show();
        again.setPeriod(QDateTime::currentDateTime().addDays(-1), QDateTime::currentDateTime().addDays(1));
        again.searchEmployee(AllowancePickerFilter::By::EmpId, QStringLiteral("1001"));
        QCOMPARE(again.lists()->candidateCount(), 1);
        again.accept();
        QCOMPARE(again.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(TestAllowanceListWindows)
#include "test_allowance_list_windows.moc"
