// The scripted prompter window tests drive, and the file-dialog rules both prompters share.
#include "util/FileFilter.h"
#include "util/ScriptedPrompter.h"

#include <QtTest>

class TestUtilPrompter : public QObject {
    Q_OBJECT

private slots:
    // Every call is recorded as the operator would have seen it; answers are consumed in order.
    void recordsCallsAndAnswersInOrder() {
        ScriptedPrompter p;
        p.answer(PromptAnswer::No);
        p.answer(PromptAnswer::Cancel);
        p.answerText(QStringLiteral("secret"));
        p.cancelInput();

        p.information(QStringLiteral("无记录"));
        QVERIFY(!p.confirm(QStringLiteral("确认删除当前记录吗?")));
        QCOMPARE(p.confirmOrCancel(QStringLiteral("“窗口”的数据已被修改, 是否保存?")), PromptAnswer::Cancel);
        QCOMPARE(p.password(QStringLiteral("请输入密码"), QStringLiteral("请输入管理员密码:")),
                 std::optional<QString>(QStringLiteral("secret")));
        QCOMPARE(p.inputText(QStringLiteral("T"), QStringLiteral("P"), QStringLiteral("d"), false),
                 std::nullopt);
        p.error(QStringLiteral("选中列不能排序"));
        QCOMPARE(p.pendingAnswers(), 0);

        QStringList described;
        for (const PromptCall& call : p.calls())
            described << call.describe();
        QCOMPARE(described,
                 QStringList({"message \"提示\": \"无记录\"",
                              "question \"询问\": \"确认删除当前记录吗?\" [Yes/No]",
                              "question \"询问\": \"“窗口”的数据已被修改, 是否保存?\" [Yes/No/Cancel]",
                              "input \"请输入密码\": \"请输入管理员密码:\"", "input \"T\": \"P\"",
                              "message \"错误\": \"选中列不能排序\""}));
        QVERIFY(p.calls()[3].masked && !p.calls()[4].masked);
        QCOMPARE(p.calls()[4].defaultText, QStringLiteral("d"));
        QCOMPARE(p.texts().at(1), QStringLiteral("确认删除当前记录吗?"));

        QCOMPARE(p.takeCalls().size(), 6);
        QVERIFY(p.calls().isEmpty());
    }

    // A missing answer, one of another kind or a button the box lacks is reported and refused.
    void unexpectedCallsAreReported() {
        ScriptedPrompter p;
        QStringList reports;
        p.setUnexpectedHandler([&](const QString& why) { reports << why; });

        QCOMPARE(p.question(QStringLiteral("询问"), QStringLiteral("Q1"), PromptButtons::YesNo,
                            PromptAnswer::Yes, PromptIcon::Question),
                 PromptAnswer::No);
        QCOMPARE(reports.size(), 1);
        QVERIFY(reports.last().contains(QStringLiteral("Q1")));

        p.answerText(QStringLiteral("x"));
        QCOMPARE(p.confirmOrCancel(QStringLiteral("Q2")), PromptAnswer::Cancel);
        QCOMPARE(reports.size(), 2);
        QCOMPARE(p.pendingAnswers(), 1); // the text answer is still waiting for its box

        p.clear();
        p.answer(PromptAnswer::Cancel);
        QCOMPARE(p.confirm(QStringLiteral("Q3")), false);
        QCOMPARE(reports.size(), 3);
        QVERIFY(reports.last().contains(QStringLiteral("Cancel")));

        const FileDialogResult none = p.saveFile(FileDialogRequest{});
        QVERIFY(!none.accepted);
        QCOMPARE(reports.size(), 4);

        // Messages need no answer.
        p.information(QStringLiteral("ok"));
        QCOMPARE(reports.size(), 4);
    }

    // Without a handler an unscripted question stops the run, naming it (checked in a child process).
    void unscriptedQuestionStopsTheRun() {
        if (qEnvironmentVariableIsSet("MEAL_PROMPTER_PROBE")) {
            ScriptedPrompter p;
            p.confirm(QStringLiteral("确认删除当前记录吗?"));
            return; // not reached
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MEAL_PROMPTER_PROBE"), QStringLiteral("1"));
        env.insert(QStringLiteral("QTEST_DISABLE_STACK_DUMP"), QStringLiteral("1"));
        env.insert(QStringLiteral("QTEST_DISABLE_CORE_DUMP"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("unscriptedQuestionStopsTheRun")});
        QVERIFY(child.waitForFinished(30000));
        const QString output =
            QString::fromUtf8(child.readAllStandardOutput() + child.readAllStandardError());
        QVERIFY(child.exitStatus() == QProcess::CrashExit || child.exitCode() != 0);
        QVERIFY2(output.contains(
                     QStringLiteral("no scripted answer for question \"询问\": \"确认删除当前记录吗?\"")),
                 qPrintable(output));
    }

    void filterConversion_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("qt");
        QTest::newRow("description with parentheses")
            << QStringLiteral("CSV(逗号分隔) (*.CSV)|*.csv|RTF 文件格式 (*.RTF)|*.rtf")
            << QStringList{QStringLiteral("CSV(逗号分隔) (*.CSV) (*.csv)"),
                           QStringLiteral("RTF 文件格式 (*.RTF) (*.rtf)")};
        QTest::newRow("several patterns")
            << QStringLiteral("Excel|*.xls; *.xlsx|所有文件|*.*")
            << QStringList{QStringLiteral("Excel (*.xls *.xlsx)"), QStringLiteral("所有文件 (*.*)")};
        QTest::newRow("dangling description")
            << QStringLiteral("文本文件|*.txt|孤") << QStringList{QStringLiteral("文本文件 (*.txt)")};
        QTest::newRow("empty") << QString() << QStringList();
    }
    void filterConversion() {
        QFETCH(QString, filter);
        QTEST(qtFileFilters(filter), "qt");
    }

    void extensionRule_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("expected");
        const QString dir = QStringLiteral("/tmp/a.b/");
        QTest::newRow("bare name, first filter") << dir + "report" << 1 << dir + "report.ADTG";
        QTest::newRow("bare name, xls filter") << dir + "report" << 4 << dir + "report.xls";
        QTest::newRow("typed extension kept") << dir + "report.dat" << 4 << dir + "report.dat";
        QTest::newRow("wildcard filter takes default") << dir + "report" << 8 << dir + "report.ADTG";
        QTest::newRow("index out of range takes default") << dir + "report" << 42 << dir + "report.ADTG";
        QTest::newRow("trailing dot kept") << dir + "report." << 2 << dir + "report.";
    }
    void extensionRule() {
        QFETCH(QString, typed);
        QFETCH(int, index);
        const QVector<FileFilterEntry> filters =
            parseFileFilter(QStringLiteral("Advanced Data Tablegram format|*.ADTG|XML "
                                           "Document|*.xml|文本文件格式 (*.txt)|*.txt|Excel 文件格式 "
                                           "(*.xls)|*.xls|RTF|*.rtf|CSV|*.csv|Web|*.html|所有文件|*.*"));
        QTEST(completeFileName(typed, extensionForFilter(filters, index, QStringLiteral("ADTG"))),
              "expected");
        QCOMPARE(completeFileName(typed, QString()), typed);
    }

    // The rule applies to scripted answers too; an answer without an index keeps the request's.
    void fileDialogsThroughThePrompter() {
        ScriptedPrompter p;
        FileDialogRequest request;
        request.title = QStringLiteral("消费明细");
        request.filter = QStringLiteral("Advanced Data Tablegram format|*.ADTG|XML Document|*.xml");
        request.defaultExtension = QStringLiteral("ADTG");
        request.filterIndex = 2;
        p.answerFile(QStringLiteral("/tmp/out"));
        p.answerFile(QStringLiteral("/tmp/in"), 1);
        p.cancelFile();

        const FileDialogResult saved = p.saveFile(request);
        QVERIFY(saved.accepted);
        QCOMPARE(saved.path, QStringLiteral("/tmp/out.xml"));
        QCOMPARE(saved.filterIndex, 2);
        const FileDialogResult opened = p.openFile(request);
        QCOMPARE(opened.path, QStringLiteral("/tmp/in.ADTG"));
        QCOMPARE(opened.filterIndex, 1);
        QVERIFY(!p.saveFile(request).accepted);
        QCOMPARE(p.calls().size(), 3);
        QCOMPARE(p.calls().at(1).kind, PromptCall::OpenFile);
    }
};

QTEST_GUILESS_MAIN(TestUtilPrompter)
#include "test_util_prompter.moc"
