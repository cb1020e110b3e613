// The allowance import dialog offscreen: a chosen file is imported on a worker
// while the window handles events, the memo gets the lines, the bar follows the rows.
#include "TestDatabase.h"
#include "allowance/ui/SelAllowFile.h"
#include "db/SchemaUpgrade.h"
#include "framework/ModuleContext.h"
#include "util/ScriptedPrompter.h"

#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestAllowanceImportDialog : public QObject {
    Q_OBJECT
    QTemporaryDir home;
    std::unique_ptr<TestDatabase> db;
    ScriptedPrompter prompter;
    std::unique_ptr<ModuleContext> context;

    int count() { return db->scalar("select count(*) from mallowance").toInt(); }

private slots:
    void initTestCase() {
        db = std::make_unique<TestDatabase>(QStringLiteral("allowance_import_dialog"));
        context = std::make_unique<ModuleContext>();
        bindSession(context->session, *db, home.path());
        context->prompter = &prompter;
        context->session.CurrentUserName = QStringLiteral("导入员");
        db->exec("insert into Company (company_ch_name, parameters) values ('测试', 'edmaxbalance=1000')");
        UpgradeSchema(context->session);
        for (const char* p : {"'1001', 5001", "'E002', 5002", "'1009', 5009"}) {
            db->exec(
                QStringLiteral("insert into hum_employee (empno, card_id, sys_id, issued, empname) values "
                               "(%1, 1, 1, '某')")
                    .arg(QLatin1String(p)));
            db->exec(
                QStringLiteral("insert into cardinfo (empno, card_id, sys_id, CardStatus) values (%1, 1, 3)")
                    .arg(QLatin1String(p)));
        }
    }
    void cleanupTestCase() {
        context.reset();
        db.reset();
    }
    void init() { db->exec("delete from mallowance"); }

    // A missing file is told and writes nothing; then one chosen through "打开".
    void openAndImport() {
        TfrmSelAllowFile w(*context);
        w.show();
        QVERIFY(!w.importButton()->isEnabled());
        w.fileBox()->setText(home.filePath(QStringLiteral("none.xls")));
        w.importClicked();
        QTRY_VERIFY_WITH_TIMEOUT(!w.running(), 30000);
        QCOMPARE(prompter.texts(), QStringList{QStringLiteral("  选择的Excel文件不存在! 不能导入。")});
        QCOMPARE(count(), 0);
        prompter.clear();
        prompter.answerFile(QStringLiteral(MEAL_FIXTURE_DIR "/allowances.xlsx"));
        w.openClicked();
        QCOMPARE(w.fileBox()->text(), QStringLiteral(MEAL_FIXTURE_DIR "/allowances.xlsx"));

        w.importButton()->click();
        QVERIFY(w.running());
        QVERIFY(!w.importButton()->isEnabled());
        QVERIFY(!w.close()); // not while rows are being registered
        QTRY_VERIFY_WITH_TIMEOUT(!w.running(), 30000);
        QVERIFY(w.importButton()->isEnabled());
        QVERIFY2(
            w.memoText().endsWith(QStringLiteral("\n工号 ：1010 系统查无此工号或者查无此卡号导致导入失败!"
                                                 "\n导入文件行数4\n导入完成(11/4)")),
            qPrintable(w.memoText()));
        QCOMPARE(w.progressBar()->value(), 11);
        QCOMPARE(count(), 4);
        QCOMPARE(prompter.texts().size(), 1); // only the file dialog: the end is a toast
        QVERIFY(w.close());
    }

    // The run is off the interface thread: the bar moves through the rows
    // while the event loop runs.
    void progressFollowsRows() {
        QByteArray csv("工号,卡号,补贴金额,补贴有效期\n");
        for (int i = 0; i < 3000; ++i)
            csv += "1001,5001,1.00,2026-12-31\n";
        const QString path = home.filePath(QStringLiteral("many.csv"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(csv);
        f.close();
        TfrmSelAllowFile w(*context);
        w.fileBox()->setText(path);
        QSet<int> values;
        connect(w.progressBar(), &QProgressBar::valueChanged, this, [&](int v) { values.insert(v); });
        w.importClicked();
        QTRY_VERIFY_WITH_TIMEOUT(!w.running(), 60000);
        QCOMPARE(w.progressBar()->value(), 3000);
        QVERIFY2(values.size() > 10, qPrintable(QString::number(values.size())));
        QCOMPARE(count(), 3000);
        QCOMPARE(db->scalar("select max(charge_ver) from mallowance where emp_id = '1001'").toInt(), 3000);
    }
};

QTEST_MAIN(TestAllowanceImportDialog)
#include "test_allowance_import_dialog.moc"
