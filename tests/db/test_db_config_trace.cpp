// Daybook.ini settings and the SQL trace: format, daily file, failure, concurrent writers.
#include "TestFiles.h"
#include "db/IniFile.h"
#include "db/ModuleConfig.h"
#include "db/SqlTrace.h"

#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <functional>
#include <thread>
#include <unistd.h>

namespace {
QString todaysLogName() {
    return QStringLiteral("log/") + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) +
           QStringLiteral("log.txt");
}

QStringList traceLines(const QString& folder) {
    QFile f(QDir(folder).filePath(todaysLogName()));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// What `write` sends to standard error.
QString capturedStandardError(const std::function<void()>& write) {
    QTemporaryDir dir;
    const QString capture = dir.filePath(QStringLiteral("stderr.txt"));
    fflush(stderr);
    const int saved = dup(2);
    const int fd = ::open(QFile::encodeName(capture).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (saved < 0 || fd < 0)
        qFatal("cannot redirect standard error");
    dup2(fd, 2);
    write();
    fflush(stderr);
    dup2(saved, 2);
    ::close(fd);
    ::close(saved);
    QFile f(capture);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read the captured standard error");
    return QString::fromUtf8(f.readAll());
}

const QRegularExpression& lineShape() {
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}:\\d{3})   (.*)$"));
    return re;
}
} // namespace

class TestDbConfigTrace : public QObject {
    Q_OBJECT

private slots:
    // Defaults without a file; keys in any case; a bad number keeps its default; GBK files read.
    void readsConfiguration() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Daybook.ini"));
        ModuleConfig previous;
        previous.ModuleOptions = 0;
        ModuleConfig c = readModuleConfig(path, previous);
        QVERIFY(!c.isWritelog);
        QCOMPARE(c.isAddAutoCount, 2);
        QCOMPARE(c.isMThreadCount, 10);
        QCOMPARE(c.Datatype, QStringLiteral("MYSQL"));
        QVERIFY(c.IsMySQL && !c.IsSQLServer);
        QCOMPARE(c.ModuleOptions, 7);

        QVERIFY(writeAll(
            path, "; written by the host\r\n[runtimeconfig]\r\nISWRITELOG = True\r\nisAddAutoCount=5\r\n"
                  "isMThreadCount=x\r\n[Connection]\r\nDatatype=SQLSERVER\r\n"));
        previous.ModuleOptions = 15;
        c = readModuleConfig(path, previous);
        QVERIFY(c.isWritelog);
        QCOMPARE(c.isAddAutoCount, 5);
        QCOMPARE(c.isMThreadCount, 10);
        QVERIFY(!c.IsMySQL && c.IsSQLServer);
        QCOMPARE(c.ModuleOptions, 7);
        QVERIFY(c.ModuleOptions & ModuleConfig::AllowanceFunctions);
        QVERIFY(!(c.ModuleOptions & ModuleConfig::MealOrderFunctions));
        QVERIFY(writeAll(path, "[RunTimeConfig]\nisWritelog=0\n"));
        QVERIFY(!readModuleConfig(path, c).isWritelog);

        QStringEncoder gbk("GB18030");
        QVERIFY(gbk.isValid());
        QVERIFY(writeAll(path, gbk.encode(QStringLiteral("[Connection]\r\nServerName=服务器\r\n"))));
        QCOMPARE(IniFile(path).readString(QStringLiteral("Connection"), QStringLiteral("ServerName")),
                 QStringLiteral("服务器"));
    }

    void lineFormatAndFileName() {
        QTemporaryDir dir;
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("log"))));
        const SqlTrace trace(true, dir.path());
        QCOMPARE(trace.currentFilePath(), QDir(dir.path()).filePath(todaysLogName()));
        const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
        trace.write(QStringLiteral("select * from MealRecords where empname = '张三'"));
        trace.write(QStringLiteral("  leading blanks kept"));
        const QDateTime after = QDateTime::currentDateTime().addMSecs(1);
        const QStringList lines = traceLines(dir.path());
        QCOMPARE(lines.size(), 2);
        const QRegularExpressionMatch m = lineShape().match(lines[0]);
        QVERIFY2(m.hasMatch(), qPrintable(lines[0]));
        const QDateTime stamp =
            QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss:zzz"));
        QVERIFY(stamp.isValid());
        QVERIFY(stamp >= before && stamp <= after);
        QCOMPARE(m.captured(2), QStringLiteral("select * from MealRecords where empname = '张三'"));
        QCOMPARE(lineShape().match(lines[1]).captured(2), QStringLiteral("  leading blanks kept"));
    }

    // Without the file the line goes to standard error and no file is made.
    void traceOffWritesStandardError() {
        QTemporaryDir dir;
        QCOMPARE(
            capturedStandardError([&] { SqlTrace(false, dir.path()).write(QStringLiteral("select 2")); }),
            QStringLiteral("《MEALPOS》\tselect 2\n"));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("log"))));
    }

    // Control characters cannot forge lines: one statement is one line, in the file and on stderr.
    void controlCharactersAreEscaped_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("written");
        QTest::newRow("forged line")
            << QStringLiteral("update Cards set name = '张三\r\n2026-01-01 00:00:00:000   delete from Cards'")
            << QStringLiteral(
                   "update Cards set name = '张三\\r\\n2026-01-01 00:00:00:000   delete from Cards'");
        QTest::newRow("tab, escape, nul") << QStringLiteral("a\tb\x1b[2Jc") + QChar(0) + QStringLiteral("d")
                                          << QStringLiteral("a\\tb\\x1b[2Jc\\x00d");
        QTest::newRow("unicode line breaks")
            << QString::fromUtf16(u"x\u2028y\u0085z\u007f") << QStringLiteral("x\\u2028y\\x85z\\x7f");
        QTest::newRow("plain") << QStringLiteral("select '\\n' from t")
                               << QStringLiteral("select '\\n' from t");
    }
    void controlCharactersAreEscaped() {
        QFETCH(QString, text);
        QFETCH(QString, written);
        QTemporaryDir dir;
        SqlTrace(true, dir.path()).write(text);
        const QStringList lines = traceLines(dir.path());
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lineShape().match(lines[0]).captured(2), written);
        QCOMPARE(capturedStandardError([&] { SqlTrace(false, dir.path()).write(text); }),
                 QStringLiteral("《MEALPOS》\t") + written + QLatin1Char('\n'));
    }

    // An unwritable trace is told once on stderr (again only after a success); its lock is released.
    void unwritableLogIsToldOnce() {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("log"));
        QVERIFY(writeAll(folder, "a file where the folder should be"));
        const SqlTrace trace(true, dir.path());
        QString told = capturedStandardError([&] {
            for (int i = 0; i < 3; ++i)
                trace.write(QStringLiteral("select 3"));
        });
        QCOMPARE(told.count(QLatin1Char('\n')), 1);
        QVERIFY2(told.startsWith(QStringLiteral("无法写入日志文件 ")) &&
                     told.contains(trace.currentFilePath()),
                 qPrintable(told));
        QVERIFY(QFile::remove(folder));
        bool written = false;
        std::thread other([&] {
            trace.write(QStringLiteral("select 4"));
            written = true;
        });
        other.join();
        QVERIFY(written);
        QCOMPARE(traceLines(dir.path()).size(), 1);
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(writeAll(folder, "again"));
        told = capturedStandardError([&] {
            trace.write(QStringLiteral("select 5"));
            trace.write(QStringLiteral("select 6"));
        });
        QCOMPARE(told.count(QLatin1Char('\n')), 1);
    }

    void concurrentWritersKeepLinesWhole() {
        QTemporaryDir dir;
        const SqlTrace trace(true, dir.path());
        constexpr int threads = 8;
        constexpr int perThread = 500;
        const QString padding(120, QLatin1Char('x'));
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t)
            workers.emplace_back([&trace, &padding, t] {
                for (int i = 0; i < perThread; ++i)
                    trace.write(
                        QStringLiteral("select %1 as w, %2 as i, '%3' as p").arg(t).arg(i).arg(padding));
            });
        for (std::thread& w : workers)
            w.join();
        const QStringList lines = traceLines(dir.path());
        QCOMPARE(lines.size(), threads * perThread);
        static const QRegularExpression text(
            QStringLiteral("^select (\\d+) as w, (\\d+) as i, '(x+)' as p$"));
        QSet<int> seen;
        QVector<int> lastOfThread(threads, -1);
        QString lastStamp;
        for (const QString& line : lines) {
            const QRegularExpressionMatch m = lineShape().match(line);
            QVERIFY2(m.hasMatch(), qPrintable(line));
            QVERIFY2(m.captured(1) >= lastStamp, qPrintable(line)); // times in file order
            lastStamp = m.captured(1);
            const QRegularExpressionMatch t = text.match(m.captured(2));
            QVERIFY2(t.hasMatch() && t.captured(3) == padding, qPrintable(line));
            const int w = t.captured(1).toInt();
            const int i = t.captured(2).toInt();
            QVERIFY(i > lastOfThread[w]); // each writer's lines stay in its order
            lastOfThread[w] = i;
            seen.insert(w * perThread + i);
        }
        QCOMPARE(seen.size(), threads * perThread);
    }
};

QTEST_GUILESS_MAIN(TestDbConfigTrace)
#include "test_db_config_trace.moc"
