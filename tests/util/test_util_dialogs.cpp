// The shared utility widgets offscreen: the production prompter, the toast, the progress dialog.
#include "ModalDialog.h"
#include "util/ScriptedPrompter.h"
#include "util/ToastRegistry.h"
#include "util/ui/DialogPrompter.h"
#include "util/ui/MsgFrm.h"
#include "util/ui/Progress.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

class TestUtilDialogs : public QObject {
    Q_OBJECT

private slots:
    void productionQuestion() {
        DialogPrompter prompter;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        onModal<QMessageBox>([&](QMessageBox* box) {
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->standardButtons();
            defaultButton = box->standardButton(box->defaultButton());
            box->button(QMessageBox::No)->click();
        });
        const PromptAnswer answer =
            prompter.question(QStringLiteral("询问"), QStringLiteral("“消费明细”的数据已被修改, 是否保存?"),
                              PromptButtons::YesNoCancel, PromptAnswer::Cancel, PromptIcon::Question);
        QCOMPARE(answer, PromptAnswer::No);
        QCOMPARE(title, QStringLiteral("询问"));
        QCOMPARE(text, QStringLiteral("“消费明细”的数据已被修改, 是否保存?"));
        QCOMPARE(icon, QMessageBox::Question);
        QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(defaultButton, QMessageBox::Cancel);

        // Escape on a Yes/No/Cancel box is Cancel.
        onModal<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(prompter.confirmOrCancel(QStringLiteral("?")), PromptAnswer::Cancel);

        onModal<QMessageBox>([&](QMessageBox* box) {
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        });
        prompter.error(QStringLiteral("选中列不能排序"));
        QCOMPARE(icon, QMessageBox::Critical);
    }

    void productionMaskedInput() {
        DialogPrompter prompter;
        QLineEdit::EchoMode mode = QLineEdit::Normal;
        QString label;
        onModal<QInputDialog>([&](QInputDialog* dialog) {
            mode = dialog->textEchoMode();
            label = dialog->labelText() + '|' + dialog->windowTitle();
            dialog->setTextValue(QStringLiteral("pa'ss"));
            dialog->accept();
        });
        QCOMPARE(prompter.password(QStringLiteral("请输入密码"), QStringLiteral("请输入管理员密码:")),
                 std::optional<QString>(QStringLiteral("pa'ss")));
        QCOMPARE(mode, QLineEdit::Password);
        QCOMPARE(label, QStringLiteral("请输入管理员密码:|请输入密码"));

        onModal<QInputDialog>([](QInputDialog* dialog) { dialog->reject(); });
        QCOMPARE(prompter.inputText(QStringLiteral("T"), QStringLiteral("P"), QStringLiteral("d"), false),
                 std::nullopt);
    }

    // The save dialog starts on the requested filter and returns the chosen index and completed name.
    void productionSaveDialog() {
        QTemporaryDir dir;
        DialogPrompter prompter;
        FileDialogRequest request;
        request.title = QStringLiteral("消费明细");
        request.filter =
            QStringLiteral("Advanced Data Tablegram format|*.ADTG|XML Document|*.xml|文本文件格式 "
                           "(*.txt)|*.txt|CSV(逗号分隔) (*.CSV)|*.csv");
        request.defaultExtension = QStringLiteral("ADTG");
        request.filterIndex = 3;
        request.directory = dir.path();
        request.fileName = QStringLiteral("消费明细");
        QStringList filters;
        QString initialFilter, chosenFilter;
        onModal<QFileDialog>([&](QFileDialog* dialog) {
            filters = dialog->nameFilters();
            initialFilter = dialog->selectedNameFilter();
            dialog->selectNameFilter(filters.value(3));
            chosenFilter = dialog->selectedNameFilter();
            dialog->selectFile(QStringLiteral("导出"));
            static_cast<QDialog*>(dialog)->accept(); // the file dialog's own accept
        });
        const FileDialogResult result = prompter.saveFile(request);
        QCOMPARE(filters.size(), 4);
        // The descriptions show as they stand, parentheses and all.
        QCOMPARE(initialFilter, QStringLiteral("文本文件格式 (*.txt)"));
        QCOMPARE(chosenFilter, QStringLiteral("CSV(逗号分隔) (*.CSV)"));
        QVERIFY(result.accepted);
        QCOMPARE(result.filterIndex, 4);
        QCOMPARE(result.path, QDir(dir.path()).filePath(QStringLiteral("导出.csv")));

        onModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
        QVERIFY(!prompter.openFile(request).accepted);
    }

    // The toast widget wired to its motion: no focus taken, slides in and out and frees itself; a long
    // text grows it; a click while sliding in starts the slide-out; the module's unload frees the rest.
    void toasts() {
        ToastRegistry registry;
        QPointer<TMsgForm> toast = new TMsgForm(registry, ToastTimings{1, 50});
        QVERIFY(registry.contains(toast));
        QVERIFY(toast->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(toast->testAttribute(Qt::WA_ShowWithoutActivating));
        toast->setMessage(QStringLiteral("上传补贴信息操作完成!"), 1);
        QVERIFY(!toast->infoImage()->isHidden() && toast->errorImage()->isHidden());
        toast->setMessage(QStringLiteral("错误"), 0); // the picture follows a changed kind
        QVERIFY(!toast->errorImage()->isHidden() && toast->infoImage()->isHidden());

        const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        toast->showToast();
        QVERIFY(toast->isVisible());
        QCOMPARE(toast->pos(), QPoint(work.right() + 1 - 218, work.bottom()));
        QTRY_VERIFY_WITH_TIMEOUT(toast && toast->isWaiting(), 3000);
        QCOMPARE(toast->geometry().bottom(), work.bottom());
        QTRY_VERIFY_WITH_TIMEOUT(toast.isNull(), 5000);
        QCOMPARE(registry.count(), 0);

        const ToastTimings slow{30, 60000};
        QPointer<TMsgForm> first = new TMsgForm(registry, slow);
        first->setMessage(QStringLiteral("短"), 1);
        QPointer<TMsgForm> second = new TMsgForm(registry, slow);
        const QString longText = QStringLiteral("补贴记录已上传，不能删除。").repeated(40);
        second->setMessage(longText, 2);
        QVERIFY(second->height() > first->height());
        QVERIFY(second->messageLabel()->height() >=
                second->messageLabel()
                    ->fontMetrics()
                    .boundingRect(QRect(0, 0, second->messageLabel()->width(), 100000), Qt::TextWordWrap,
                                  longText)
                    .height());
        first->showToast();
        second->showToast();
        QCOMPARE(second->x(), first->x() - first->width());
        QTest::qWait(100);
        QCOMPARE(first->motion()->phase(), ToastMotion::SlidingIn);
        QTest::mouseClick(first, Qt::LeftButton);
        QCOMPARE(first->motion()->phase(), ToastMotion::SlidingOut);
        registry.closeAll();
        QVERIFY(first.isNull() && second.isNull());
    }

    // Cancel asks first when told to (No carries on); the dialog closes itself only with close-on-cancel.
    void progressCancelConfirmation() {
        ScriptedPrompter prompter;
        TdlgProgress dialog(prompter);
        dialog.setMessageText(QStringLiteral("正在准备..."));
        dialog.setCancelVisible(true);
        dialog.setCancelConfirmation(QStringLiteral("确认中断当前操作吗?"));
        dialog.setMaximum(3);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        prompter.answer(PromptAnswer::No);
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        QVERIFY(!dialog.cancelRequested());
        QCOMPARE(prompter.texts(), QStringList{QStringLiteral("确认中断当前操作吗?")});
        QCOMPARE(prompter.calls().at(0).buttons, PromptButtons::YesNo);

        prompter.answer(PromptAnswer::Yes);
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        QVERIFY(dialog.cancelRequested());
        QCOMPARE(dialog.Tag(), 1);
        QVERIFY(dialog.isVisible());
        // Once cancelled, a further click asks nothing.
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        QCOMPARE(prompter.calls().size(), 2);

        // Showing again starts from an empty bar and no cancel.
        dialog.setPosition(2);
        dialog.hide();
        dialog.show();
        QCOMPARE(dialog.position(), 0);
        QVERIFY(!dialog.cancelRequested());

        dialog.setCloseOnCancel(true);
        prompter.answer(PromptAnswer::Yes);
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        QVERIFY(dialog.cancelRequested());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(prompter.pendingAnswers(), 0);
    }

    // A loop stepping the bar lets a cancel click in; the bar never passes its maximum.
    void progressInALoop() {
        ScriptedPrompter prompter;
        TdlgProgress dialog(prompter);
        dialog.setCancelVisible(true);
        dialog.setMaximum(50);
        dialog.show();
        QTimer::singleShot(0, dialog.cancelButton(), &QPushButton::click);
        int steps = 0;
        while (dialog.stepIt() && steps < 1000)
            ++steps;
        QVERIFY(dialog.cancelRequested());
        QVERIFY(steps < 50);
        QCOMPARE(dialog.position(), steps + 1);
        QVERIFY(prompter.calls().isEmpty()); // no confirmation text, no question

        // Without its cancel button the dialog is closed only by its caller: Escape does nothing.
        TdlgProgress bounded(prompter);
        bounded.setMaximum(2);
        bounded.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bounded));
        QTest::keyClick(&bounded, Qt::Key_Escape);
        QVERIFY(bounded.isVisible());
        for (int i = 0; i < 5; ++i)
            QVERIFY(bounded.stepIt());
        QCOMPARE(bounded.position(), 2);
        QVERIFY(!bounded.cancelRequested());
        bounded.close();
        QVERIFY(!bounded.isVisible());
    }

    // The wait message shows its text with the busy cursor while in scope.
    void waitMessage() {
        ScriptedPrompter prompter;
        QPointer<TdlgProgress> dialog;
        {
            WaitMessage wait(prompter, QStringLiteral("正在导入文件..."));
            dialog = &wait.dialog();
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->messageLabel()->text(), QStringLiteral("正在导入文件..."));
            QVERIFY(dialog->cancelButton()->isHidden());
            QVERIFY(QApplication::overrideCursor());
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        QVERIFY(dialog.isNull());
        QVERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(TestUtilDialogs)
#include "test_util_dialogs.moc"
