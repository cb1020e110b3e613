// The entry dialog base over a real table through a test window: continue/OK, refusals, copy,
// Enter, the navigator; F1 help; a window closed through an MDI area as the host builds it.
#include "FrameworkFixture.h"
#include "framework/ui/RecordBaseClass.h"
#include "framework/ui/RecordInputClass.h"
#include "util/HelpIndex.h"
#include "util/ui/Progress.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>

using DataAction = TfrmRecordBaseClass::DataAction;

namespace {
class InputWindow : public TfrmRecordBaseClass {
public:
    explicit InputWindow(ModuleContext& c) : TfrmRecordBaseClass(c, QStringLiteral("测试录入")) {
        ownDataSet(QStringLiteral("dsInput"));
        baseSql = QStringLiteral("select * from input_test order by id");
        nameField = QStringLiteral("name");
    }
    std::function<bool()> dialog;
    bool ShowRecordDialog() override { return dialog ? dialog() : false; }
};

class InputDialog : public TfrmRecordInputClass {
public:
    explicit InputDialog(TfrmRecordBaseClass& w) : TfrmRecordInputClass(w, QStringLiteral("录入测试记录")) {
        for (QLineEdit** e : {&edCode, &edName, &edAmount, &edSecret})
            *e = new QLineEdit;
        mmNote = new QPlainTextEdit;
        cbActive = new QCheckBox;
        dtBorn = new QDateTimeEdit;
        addField(QStringLiteral("编码"), edCode, QStringLiteral("code"));
        addField(QStringLiteral("姓名"), edName, QStringLiteral("name"));
        addField(QStringLiteral("金额"), edAmount, QStringLiteral("amount"));
        addField(QStringLiteral("说明"), mmNote, QStringLiteral("note"));
        addField(QStringLiteral("有效"), cbActive, QStringLiteral("active"));
        addField(QStringLiteral("日期"), dtBorn, QStringLiteral("born"));
        addField(QStringLiteral("密码"), edSecret, QStringLiteral("secret"));
        setNotCopyable({QStringLiteral("SECRET")});
    }
    QLineEdit *edCode, *edName, *edAmount, *edSecret;
    QPlainTextEdit* mmNote;
    QCheckBox* cbActive;
    QDateTimeEdit* dtBorn;
};

// Types the text into the control as the keyboard does (Chinese included).
void type(QWidget* control, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, control, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Replaces the text of an edit as typing does.
void retype(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        type(edit, text);
}

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};
} // namespace

class TestRecordInput : public QObject {
    Q_OBJECT
    FrameworkFixture fx;

    std::unique_ptr<InputWindow> open() { return fx.open<InputWindow>(1 | 2 | 4); }
    int rows(const QString& where) const { return fx.rows(QStringLiteral("input_test"), where); }

private slots:
    void initTestCase() {
        fx.start(QStringLiteral("record_input"), QStringLiteral("OPER1"));
        fx.db->exec(QStringLiteral("create table input_test (id int auto_increment primary key, code "
                                   "varchar(20) not null, name varchar(50), amount decimal(12,2), note text, "
                                   "active bit(1), born datetime, secret varchar(20), unique key (code))"));
    }
    void init() {
        fx.db->exec(QStringLiteral("delete from input_test"));
        fx.db->exec(QStringLiteral("delete from OpLog"));
        fx.db->exec(QStringLiteral(
            "insert into input_test (code, name, amount, note, active, born, secret) values ('A1', '甲', "
            "12.50, '第一行\n第二行', b'1', '2026-03-04 05:06:07', 'x1'), ('A2', '乙', 3.00, null, b'0', "
            "null, 'x2'), ('A3', '丙', 0.10, null, b'1', null, null)"));
        fx.prompter.clear();
    }
    void cleanupTestCase() { fx.stop(); }

    // Continue posts and starts the next record at the first control; OK posts the last; all logged.
    void continueThenOkPostsEveryRecord() {
        auto w = open();
        int result = -1;
        bool clearedForTheNext = false;
        w->dialog = [&] {
            InputDialog d(*w);
            QTimer::singleShot(0, &d, [&] {
                type(d.edCode, QStringLiteral("N1"));
                type(d.edName, QStringLiteral("第一"));
                d.edName->setFocus();
                d.continueButton()->click();
                clearedForTheNext = w->dataSet()->state() == DataSet::State::Insert &&
                                    d.edCode->text().isEmpty() && d.edName->text().isEmpty() &&
                                    d.focusWidget() == d.edCode;
                type(d.edCode, QStringLiteral("C9"));
                type(d.edName, QStringLiteral("新员工"));
                type(d.edAmount, QStringLiteral("7.25"));
                d.okButton()->click();
            });
            result = d.exec();
            return result == QDialog::Accepted;
        };
        w->actDataInsertExecute();
        WAIT_LOADED(*w);
        QVERIFY(clearedForTheNext);
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(rows(QStringLiteral("code='N1' and name='第一'")), 1);
        QCOMPARE(rows(QStringLiteral("code='C9' and name='新员工' and amount=7.25 and active=0")), 1);
        QCOMPARE(w->dataSet()->state(), DataSet::State::Browse);
        QCOMPARE(w->dataSet()->recordCount(), 5);
        QCOMPARE(fx.logLines(QStringLiteral("增加测试录入。%")), 2);
        QCOMPARE(fx.logLines(QStringLiteral("增加测试录入。%name=新员工。")), 1);
    }

    // A refused post is shown and keeps the dialog open; the corrected record goes through.
    void refusedPostKeepsTheDialogOpen() {
        auto w = open();
        w->dataSet()->append();
        InputDialog d(*w);
        d.show();
        QSignalSpy errors(&d, &TfrmRecordInputClass::errorShown);
        type(d.edCode, QStringLiteral("A1"));
        d.okButton()->click();
        QCOMPARE(errors.size(), 1);
        QCOMPARE(fx.prompter.calls().size(), 1);
        QCOMPARE(fx.prompter.calls().front().icon, PromptIcon::Error);
        QVERIFY(d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(w->dataSet()->state(), DataSet::State::Insert);

        retype(d.edCode, QStringLiteral("A4"));
        d.okButton()->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(rows(QStringLiteral("code='A4'")), 1);
        QCOMPARE(rows(QStringLiteral("code='A1'")), 1);
    }

    // The window's unique check refuses an existing value as the field is left.
    void uniqueFieldCheckAbortsTheEdit() {
        auto w = open();
        Field* code = w->dataSet()->findField(QStringLiteral("code"));
        code->setTag(1);
        code->setDisplayLabel(QStringLiteral("编码"));
        w->bindDataSet(w->dataSet()); // hooks the check on the tagged field
        w->dataSet()->append();
        InputDialog d(*w);
        d.show();
        type(d.edCode, QStringLiteral("A2"));
        QTest::keyClick(d.edCode, Qt::Key_Return);
        QCOMPARE(fx.prompter.texts(), QStringList{QStringLiteral("【编码=A2】的值己经存在!")});
        QCOMPARE(d.edCode->text(), QString());
        QVERIFY(w->dataSet()->fieldByName(QStringLiteral("code")).isNull());
        d.reject();
    }

    // Copy takes the stored writable unmarked fields; key, marked and calculated fields stay out.
    void copyTakesTheCopyableFields() {
        auto w = open();
        DataSet& ds = *w->dataSet();
        ds.addCalculatedField(QStringLiteral("label"), FieldType::WideString,
                              [](const DataSet&, Bookmark) { return QVariant(QStringLiteral("计算")); });
        QVERIFY(ds.locate(QStringLiteral("code"), QStringLiteral("A1")));
        ds.edit();
        InputDialog d(*w);
        d.show();
        QStringList progressTexts;
        ds.fieldByName(QStringLiteral("amount")).setOnValidate([&](Field&, const QVariant&) {
            if (auto* p = d.findChild<TdlgProgress*>())
                progressTexts << p->messageLabel()->text();
        });
        retype(d.edName, QStringLiteral("甲改"));
        d.copyButton()->click();
        QVERIFY(fx.prompter.calls().isEmpty());
        QCOMPARE(progressTexts, QStringList{QStringLiteral("正在复制字段 amount 的值。")});
        // The record being edited was posted before the copy was appended.
        QCOMPARE(rows(QStringLiteral("code='A1' and name='甲改'")), 1);
        QCOMPARE(ds.state(), DataSet::State::Insert);
        QCOMPARE(d.edAmount->text(), QStringLiteral("12.5")); // the controls show the copy
        QVERIFY(ds.fieldByName(QStringLiteral("id")).isNull());
        QVERIFY(ds.fieldByName(QStringLiteral("secret")).isNull());
        QCOMPARE(d.edSecret->text(), QString());
        QCOMPARE(d.focusWidget(), d.edCode);

        retype(d.edCode, QStringLiteral("A1b"));
        d.okButton()->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(rows(QStringLiteral("code='A1b' and name='甲改' and amount=12.50 and note='第一行\n第二行' "
                                     "and active=1 and born='2026-03-04 05:06:07' and secret is null")),
                 1);
    }

    // Cancelling the copy asks first: Yes stops after the field at hand, No finishes.
    void copyCanBeInterrupted() {
        auto w = open();
        DataSet& ds = *w->dataSet();
        InputDialog d(*w);
        d.show();
        ds.fieldByName(QStringLiteral("name")).setOnValidate([&](Field&, const QVariant&) {
            if (auto* p = d.findChild<TdlgProgress*>())
                p->cancelButton()->click();
        });
        QVERIFY(ds.locate(QStringLiteral("code"), QStringLiteral("A1")));
        fx.prompter.answer(PromptAnswer::No);
        d.copyButton()->click();
        QCOMPARE(fx.prompter.texts(), QStringList{QStringLiteral("确认中断当前操作吗?")});
        QVERIFY(!ds.fieldByName(QStringLiteral("born")).isNull());
        ds.cancel();

        fx.prompter.clear();
        fx.prompter.answer(PromptAnswer::Yes);
        d.copyButton()->click();
        QCOMPARE(fx.prompter.texts(), QStringList{QStringLiteral("确认中断当前操作吗?")});
        QCOMPARE(ds.fieldByName(QStringLiteral("name")).asString(), QStringLiteral("甲"));
        QVERIFY(ds.fieldByName(QStringLiteral("amount")).isNull());
        QVERIFY(ds.fieldByName(QStringLiteral("born")).isNull());
        d.reject();
        QCOMPARE(ds.state(), DataSet::State::Browse);
        QCOMPARE(rows(QStringLiteral("1=1")), 3);
    }

    // Enter moves on from an edit; a memo keeps it as a new line.
    void enterMovesToTheNextControlExceptInAMemo() {
        auto w = open();
        w->dataSet()->append();
        InputDialog d(*w);
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        d.edCode->setFocus();
        QTest::keyClick(d.edCode, Qt::Key_Return);
        QCOMPARE(d.focusWidget(), d.edName);
        QTest::keyClick(d.edName, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(d.focusWidget(), d.edAmount);
        d.mmNote->setFocus();
        type(d.mmNote, QStringLiteral("上"));
        QTest::keyClick(d.mmNote, Qt::Key_Return);
        type(d.mmNote, QStringLiteral("下"));
        QCOMPARE(d.focusWidget(), d.mmNote);
        QCOMPARE(d.mmNote->toPlainText(), QStringLiteral("上\n下"));
        QCOMPARE(d.result(), int(QDialog::Rejected));
        d.reject();
    }

    // The navigator posts before moving and edits where it arrives; a refused post does not move.
    void navigatorPostsBeforeMovingAndEditsAfter() {
        auto w = open();
        DataSet& ds = *w->dataSet();
        ds.first();
        ds.edit();
        InputDialog d(*w);
        d.show();
        QCOMPARE(d.edCode->text(), QStringLiteral("A1"));
        retype(d.edName, QStringLiteral("甲甲"));
        d.navigatorButton(TfrmRecordInputClass::NavigateTo::Next)->click();
        QCOMPARE(rows(QStringLiteral("code='A1' and name='甲甲'")), 1);
        QCOMPARE(ds.recNo(), 2);
        QCOMPARE(ds.state(), DataSet::State::Edit);
        QCOMPARE(d.edCode->text(), QStringLiteral("A2"));
        QCOMPARE(d.edName->text(), QStringLiteral("乙"));

        retype(d.edCode, QStringLiteral("A3")); // taken
        d.navigatorButton(TfrmRecordInputClass::NavigateTo::Last)->click();
        QCOMPARE(fx.prompter.calls().size(), 1);
        QCOMPARE(ds.recNo(), 2);
        QCOMPARE(ds.state(), DataSet::State::Edit);

        // Cancel drops what was not posted.
        d.cancelButton()->click();
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(ds.state(), DataSet::State::Browse);
        QCOMPARE(ds.fieldByName(QStringLiteral("code")).asString(), QStringLiteral("A2"));
        QCOMPARE(rows(QStringLiteral("code='A2'")), 1);
        d.navigatorButton(TfrmRecordInputClass::NavigateTo::First)->click();
        QCOMPARE(ds.recNo(), 1);
        QCOMPARE(ds.state(), DataSet::State::Edit);
        ds.cancel();
    }

    // F1 opens the topic the help index lists for the window's caption.
    void f1ShowsTheWindowsHelpTopic() {
        const QString folder = fx.context->session.programFolder;
        const QString index =
            HelpIndex::indexPath(folder, HelpIndex::systemUsesBig5(), fx.context->session.IsMySQL(), true);
        QDir().mkpath(QFileInfo(index).path());
        QVERIFY(writeAll(index, "1\t其他窗口\tother.htm\n2\t测试录入\tinput.htm\n"));
        const QString chm = QDir(folder).absoluteFilePath(QStringLiteral("help.chm"));
        QVERIFY(writeAll(chm, QByteArray()));
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");

        auto w = open();
        w->action(DataAction::Help)->trigger();
        QCOMPARE(recorder.urls.size(), 1);
        QCOMPARE(recorder.urls.front().toLocalFile(), QFileInfo(chm).absoluteFilePath());
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }

    // Through an MDI area: Cancel keeps the window; No leaves, logs and frees it.
    void closingThroughTheMdiAreaRunsTheCloseRules() {
        QMdiArea area;
        area.show();
        QPointer<InputWindow> w = new InputWindow(*fx.context);
        w->setTag(2);
        QMdiSubWindow* sub = area.addSubWindow(w);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->showMaximized();
        area.setActiveSubWindow(sub);
        QTRY_VERIFY(w->isActivated());
        WAIT_LOADED(*w);
        w->dataSet()->edit();
        w->dataSet()->fieldByName(QStringLiteral("name")).setValue(QStringLiteral("不保存"));

        fx.prompter.answer(PromptAnswer::Cancel);
        sub->close(); // the frame's close button
        QCOMPARE(fx.prompter.texts(), QStringList{QStringLiteral("“测试录入”的数据已被修改, 是否保存?")});
        QVERIFY(w);
        QVERIFY(sub->isVisible());

        fx.prompter.clear();
        fx.prompter.answer(PromptAnswer::No);
        area.closeAllSubWindows(); // the host's "关闭全部"
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!w);
        QVERIFY(area.subWindowList().isEmpty());
        QCOMPARE(rows(QStringLiteral("name='不保存'")), 0);
        QCOMPARE(fx.logLines(QStringLiteral("退出【测试录入】模块")), 1);
    }
};

QTEST_MAIN(TestRecordInput)
#include "test_record_input.moc"
