// Daybook.ini settings and the SQL trace: line format, daily file, folder
// creation, failure, and whole lines under concurrent writers.
#include "db/DbError.h"
#include "db/IniFile.h"
#include "db/ModuleConfig.h"
#include "db/SqlTrace.h"

#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {
void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

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

const QRegularExpression& lineShape() {
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}:\\d{3})   (.*)$"));
    return re;
}
} // namespace

class TestDbConfigTrace : public QObject {
    Q_OBJECT

private slots:
    // Defaults without a file; keys in any letter case; an unreadable number
    // keeps its default; ModuleOptions always 7; a GBK file from the old host
    // reads as well as UTF-8.
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

        writeFile(path,
                  "; written by the host\r\n[runtimeconfig]\r\nISWRITELOG = True\r\nisAddAutoCount=5\r\n"
                  "isMThreadCount=x\r\n[Connection]\r\nDatatype=SQLSERVER\r\n");
        previous.ModuleOptions = 15;
        c = readModuleConfig(path, previous);
        QVERIFY(c.isWritelog);
        QCOMPARE(c.isAddAutoCount, 5);
        QCOMPARE(c.isMThreadCount, 10);
        QVERIFY(!c.IsMySQL && c.IsSQLServer);
        QCOMPARE(c.ModuleOptions, 7);
        QVERIFY(c.ModuleOptions & ModuleConfig::AllowanceFunctions);
        QVERIFY(!(c.ModuleOptions & ModuleConfig::MealOrderFunctions));
        writeFile(path, "[RunTimeConfig]\nisWritelog=0\n");
        QVERIFY(!readModuleConfig(path, c).isWritelog);

        QStringEncoder gbk("GB18030");
        QVERIFY(gbk.isValid());
        writeFile(path, gbk.encode(QStringLiteral("[Connection]\r\nServerName=服务器\r\n")));
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
        const QString capture = dir.filePath(QStringLiteral("stderr.txt"));
        fflush(stderr);
        const int saved = dup(2);
        const int fd = ::open(QFile::encodeName(capture).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        QVERIFY(saved >= 0 && fd >= 0);
        dup2(fd, 2);
        SqlTrace(false, dir.path()).write(QStringLiteral("select 2"));
        fflush(stderr);
        dup2(saved, 2);
        ::close(fd);
        ::close(saved);
        QFile f(capture);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()), QStringLiteral("《MEALPOS》\tselect 2\n"));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("log"))));
    }

    // A log folder that cannot be made raises an error to the caller, and the
    // lock is released: the next write (here from another thread) proceeds.
    void unwritableLogRaisesAndReleasesLock() {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("log")), "a file where the folder should be");
        const SqlTrace trace(true, dir.path());
        QVERIFY_THROWS_EXCEPTION(DbError, trace.write(QStringLiteral("select 3")));
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("log"))));
        bool written = false;
        std::thread other([&] {
            trace.write(QStringLiteral("select 4"));
            written = true;
        });
        other.join();
        QVERIFY(written);
        QCOMPARE(traceLines(dir.path()).size(), 1);
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
