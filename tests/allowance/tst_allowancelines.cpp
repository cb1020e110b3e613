// What a task becomes on the wire and in the books, the link's parameter
// strings, and the rules that read the terminal's answers.
#include "allowance/AllowanceLines.h"
#include "allowance/ClockInfo.h"
#include "allowance/TerminalLink.h"

#include <QSqlField>
#include <QSqlRecord>
#include <QTest>

using namespace allowance;

class TestAllowanceLines : public QObject {
    Q_OBJECT
private slots:
    void moneyIsCutToTheCent_data() {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<qint64>("hundredths");
        QTest::newRow("third decimal cut") << "12.345" << qint64(1234);
        QTest::newRow("binary trap 0.29") << "0.29" << qint64(29);
        QTest::newRow("binary trap 1.15") << "1.15" << qint64(115);
        QTest::newRow("binary trap 4.35") << "4.35" << qint64(435);
        QTest::newRow("whole") << "100" << qint64(10000);
        QTest::newRow("negative toward zero") << "-1.239" << qint64(-123);
    }
    void moneyIsCutToTheCent() {
        QFETCH(QString, amount);
        QFETCH(qint64, hundredths);
        Currency money;
        QVERIFY(Currency::parse(amount, money));
        QCOMPARE(moneyHundredths(money), hundredths);
    }

    void linesForTerminalAndBooks() {
        AllowTask t;
        t.allow_id = 77;
        t.sys_id = QStringLiteral("1001");
        t.card_id = QStringLiteral("51001");
        t.charge_ver = QStringLiteral("3");
        Currency::parse(QStringLiteral("12.5"), t.charge_money);
        t.charge_date = QDate(2026, 3, 31);
        t.aow_id = 9;
        QCOMPARE(terminalLine(t, true),
                 QStringLiteral("SysID=1001\tCardNo=51001\tBatch=3\tMoney=1250\tAllowDate=20260331\r\n"));
        QCOMPARE(terminalLine(t, false), QStringLiteral("SysID=1001\tCardNo=51001\tBatch=3\tMoney=1250\r\n"));
        const QString book = bookLine(t);
        QCOMPARE(book,
                 QStringLiteral("SysID=1001\tCardNo=51001\tBatch=3\tMoney=1250\tallow_id=77\taow_id=9\r\n"));
        const TCardList c = parseBookLine(book, 5);
        QCOMPARE(c.SysID, qint64(1001));
        QCOMPARE(c.CardNo, QStringLiteral("51001"));
        QCOMPARE(c.Batch, 3);
        QCOMPARE(c.allow_id, qint64(77));
        QCOMPARE(c.aow_id, qint64(9));
        QCOMPARE(c.clock_id, 5);

        // Missing or unreadable numbers read as 0.
        const TCardList d = parseBookLine(QStringLiteral("SysID=\tCardNo=8\tBatch=x\tMoney=1"), 1);
        QCOMPARE(d.SysID, qint64(0));
        QCOMPARE(d.CardNo, QStringLiteral("8"));
        QCOMPARE(d.Batch, 0);
        QCOMPARE(d.allow_id, qint64(0));
        QCOMPARE(d.aow_id, qint64(0));

        // Values that are not wholly numbers never reach a terminal line: a
        // line break would append a record of its own.
        QVERIFY(t.numbersValid());
        const struct {
            QString AllowTask::*field;
            const char* value;
        } bad[] = {
            {&AllowTask::sys_id, "1001\r\nSysID=2\tCardNo=3\tBatch=4\tMoney=99999"},
            {&AllowTask::card_id, "51001\tMoney=1"},
            {&AllowTask::charge_ver, "3abc"},
            {&AllowTask::sys_id, "-1"},
            {&AllowTask::card_id, ""},
        };
        for (const auto& b : bad) {
            AllowTask u = t;
            u.*b.field = QString::fromUtf8(b.value);
            QVERIFY2(!u.numbersValid(), b.value);
        }
    }

    void connectParameters_() {
        QSqlRecord r;
        for (const char* name : {"clock_id", "Clock_type", "comport", "BaudRate", "TCPIP_type",
                                 "TCPIP_Address", "commkey", "clock_sn", "clock_name"})
            r.append(QSqlField(QString::fromLatin1(name)));
        r.setValue(QStringLiteral("clock_id"), 12);
        r.setValue(QStringLiteral("Clock_type"), QStringLiteral(" 5 "));
        r.setValue(QStringLiteral("TCPIP_type"), 0);
        r.setValue(QStringLiteral("TCPIP_Address"), QStringLiteral(" 10.1.2.3 "));
        r.setValue(QStringLiteral("commkey"), 4321);
        TClockInfo c = TClockInfo::fromRecord(r);
        QVERIFY(c.takesAllowances());
        QCOMPARE(connectParameters(c),
                 QByteArray("protocol=HTTP,ipaddress=10.1.2.3,port=80,name=root,passwd=4321"));
        c.TCPIP_type = 1;
        c.comport = 3;
        c.BaudRate = 19200;
        QCOMPARE(
            connectParameters(c),
            QByteArray("protocol=RS485,port=COM3,baudrate=19200bps,deviceid=12,timeout=20000,passwd=4321"));
        c.TCPIP_type = 2;
        QVERIFY(connectParameters(c).startsWith("protocol=RS232,port=COM3,"));
        c.clock_type = 1;
        QVERIFY(!c.takesAllowances());
    }

    void answersAreRead() {
        const std::optional<QueryAnswer> a =
            parseQueryAnswer("records=2\r\nSysID\tCardNo\r\n1\t2\r\n3\t4\r\n");
        QVERIFY(a);
        QCOMPARE(a->count, 2);
        QCOMPARE(a->records, QStringLiteral("1\t2\r\n3\t4\r\n"));
        QCOMPARE(recordField(a->records, 2), QStringLiteral("2"));
        QCOMPARE(recordField(a->records, 21), QString());

        // A count that is not wholly a number makes the answer malformed.
        for (const char* bad :
             {"records=many\r\nh\r\nx\r\n", "records=1x\r\nh\r\nx\r\n", "records=\r\nh\r\n"})
            QVERIFY2(!parseQueryAnswer(bad), bad);
        const std::optional<QueryAnswer> noEquals = parseQueryAnswer("no count here\r\nh\r\nx\r\n");
        QVERIFY(noEquals);
        QCOMPARE(noEquals->records, QStringLiteral("h\r\nx\r\n"));
        QVERIFY(!parseQueryAnswer(""));
        QVERIFY(!parseQueryAnswer("records=-1\r\nh\r\n"));

        const QByteArray info = "OK\r\nOptions.LastSidyLogID=17\r\nOptions.ReadSidyLogMaxID=90\r\n";
        QCOMPARE(infoAnswerText(info, false), QStringLiteral("Options.LastSidyLogID=17"));
        const QString rest = infoAnswerText(info, true);
        QCOMPARE(infoValue(rest, QStringLiteral("options.readsidylogmaxid")), QStringLiteral("90"));
        QCOMPARE(infoValue(rest, QStringLiteral("Options.LastSubSidyLogID")), QString());
        QCOMPARE(infoAnswerText("OK", true), QString());
    }
};

QTEST_MAIN(TestAllowanceLines)
#include "tst_allowancelines.moc"
