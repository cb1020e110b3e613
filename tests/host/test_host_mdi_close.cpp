// The real plug-in in the real host main window: a module window opened by
// action name lives in the host's MDI area, and closing it there (the frame's
// close button, the host's "关闭全部", the host shutting down) runs the
// module's close rules: the host is notified, the leave line is logged, the
// window is freed, and the next opening creates a new one. The plug-in also
// brings the card-reader library with it.
#include "RecordingPrompter.h"
#include "TestDatabase.h"
#include "host/HostMainWindow.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <dlfcn.h>

class TestHostMdiClose : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<TestDatabase> m_db;
    RecordingPrompter m_prompter;
    std::unique_ptr<HostMainWindow> m_window;
    QStringList m_unexpectedBoxes;
    QTimer m_boxWatch;

    int logLines(const QString& text) const {
        return m_db->scalar(QStringLiteral("select count(*) from OpLog where BeWrite='%1'").arg(text))
            .toInt();
    }
    QMdiSubWindow* openReturnCards() {
        if (!m_window->openAction(QStringLiteral("ActReturnCard")))
            return nullptr;
        return m_window->mdiArea()->activeSubWindow();
    }
    void settle() {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private slots:
    void initTestCase() {
        qputenv("MEAL_HOME", m_home.path().toLocal8Bit());
        qputenv("MEAL_SETTINGS_DIR", m_home.path().toLocal8Bit());
        m_db = std::make_unique<TestDatabase>(QStringLiteral("host_mdi_close"));
        m_db->writeDaybookIni(m_home.path());
        // A message box of the plug-in would wait for a click: record and close it.
        connect(&m_boxWatch, &QTimer::timeout, this, [this] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                m_unexpectedBoxes << box->windowTitle();
                box->close();
            }
        });
        m_boxWatch.start(50);
        m_window = std::make_unique<HostMainWindow>(
            qApp, m_db->db(),
            HostUser{QStringLiteral("ADMIN"), QStringLiteral("管理员"), QStringLiteral("admin")},
            QStringLiteral("测试食堂"), m_prompter);
        m_window->show();
        QVERIFY2(m_window->loadPlugin(QStringLiteral(MEAL_PLUGIN_FILE)),
                 qPrintable(m_prompter.messages.join('\n')));
    }
    void cleanupTestCase() {
        m_window.reset();
        m_db.reset();
    }

    // The reader library is a dependency of the module, loaded with it.
    void theModuleBringsTheCardReaderLibrary() {
        void* reader = dlopen("libcardreader.so", RTLD_NOW | RTLD_NOLOAD);
        QVERIFY(reader);
        QVERIFY(dlsym(reader, "API_PCDRead"));
        dlclose(reader);
    }

    void closingTheFrameRunsTheCloseRules() {
        QMdiSubWindow* sub = openReturnCards();
        QVERIFY(sub);
        QPointer<QWidget> window = sub->widget();
        QCOMPARE(window->windowTitle(), QStringLiteral("退卡明细表"));
        QTRY_VERIFY(m_window->notifications().contains(QStringLiteral("当前窗口：退卡明细表")));
        QCOMPARE(logLines(QStringLiteral("进入【退卡明细表】模块")), 1);

        QVERIFY(sub->close());
        settle();
        QVERIFY(!window);
        QVERIFY(m_window->mdiArea()->subWindowList().isEmpty());
        QCOMPARE(m_window->notifications().last(), QStringLiteral("已关闭窗口：退卡明细表"));
        QCOMPARE(logLines(QStringLiteral("退出【退卡明细表】模块")), 1);
        QVERIFY(m_unexpectedBoxes.isEmpty());

        // The instance is gone: the next opening makes a new window.
        sub = openReturnCards();
        QVERIFY(sub);
        QVERIFY(sub->widget());
        QCOMPARE(logLines(QStringLiteral("进入【退卡明细表】模块")), 2);
        QCOMPARE(m_window->mdiArea()->subWindowList().size(), 1);
        // Opening it again while it is open reuses it.
        QCOMPARE(openReturnCards(), sub);
        QCOMPARE(logLines(QStringLiteral("进入【退卡明细表】模块")), 2);
    }

    void closeAllAndShutdownCloseModuleWindows() {
        if (m_window->mdiArea()->subWindowList().isEmpty())
            QVERIFY(openReturnCards());
        QPointer<QWidget> window = m_window->mdiArea()->subWindowList().front()->widget();
        const int leftBefore = logLines(QStringLiteral("退出【退卡明细表】模块"));
        m_window->mdiArea()->closeAllSubWindows();
        settle();
        QVERIFY(!window);
        QCOMPARE(logLines(QStringLiteral("退出【退卡明细表】模块")), leftBefore + 1);

        window = openReturnCards()->widget();
        QVERIFY(m_window->shutdownPlugin());
        QVERIFY(!window);
        QCOMPARE(logLines(QStringLiteral("退出【退卡明细表】模块")), leftBefore + 2);
        QVERIFY(m_unexpectedBoxes.isEmpty());
    }
};

QTEST_MAIN(TestHostMdiClose)
#include "test_host_mdi_close.moc"
