// The recharge, refund, balance, deposit, issued-card and lost-card
// statements on a hand-built database: rows and money sums counted by hand
// from the inserted rows; hostile search texts; the deposit/fee pairing.
#include "RecordReportsData.h"
#include "dataset/DataSet.h"
#include "db/DbError.h"
#include "db/Session.h"
#include "reports/CardBalanceQuery.h"
#include "reports/CardCostQuery.h"
#include "reports/ChargeRecQuery.h"
#include "reports/IssueCardRecordQuery.h"
#include "reports/LossCardMealRecordQuery.h"
#include "reports/RefundQuery.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
// What a list is asked for, as its window or mealctl would ask.
struct Ask {
    QDateTime begin{QDate(2026, 11, 1), QTime(0, 0)};
    QDateTime end{QDate(2026, 11, 30), QTime(23, 59, 59)};
    int kind = -1; // recharge type position; -1 "全部"
    bool departed = false;
    RecordReportFilter records;
};
struct Built {
    QString sql;
    QVariantMap params;
    QString money; // the column summed
};
// One list asked for: period, recharge type (-1 all; for balances 1 is the
// departed), department, card, the user's departments; rows and cents expected.
struct SumCase {
    const char *name, *list, *from, *to;
    int kind;
    const char *dept, *card, *rights;
    int rows;
    qint64 cents;
};
const char *n1 = "2026-11-01 00:00:00", *n30 = "2026-11-30 23:59:59";
const char *d1 = "2026-12-01 00:00:00", *d31 = "2026-12-31 23:59:59";
const SumCase kSumCases[] = {
    {"charge November", "charge", n1, n30, -1, "", "", "", 8, 41875},
    {"charge last day, bound included", "charge", "2026-11-30 00:00:00", n30, -1, "", "", "", 1, 525},
    {"charge December", "charge", d1, d31, -1, "", "", "", 1, 7000},
    {"charge cash", "charge", n1, n30, 0, "", "", "", 1, 10000},
    {"charge batch", "charge", n1, n30, 1, "", "", "", 1, 5050},
    {"charge cashier", "charge", n1, n30, 2, "", "", "", 1, 20000},
    {"charge discount", "charge", n1, n30, 3, "", "", "", 1, 1000},
    {"charge allowance terminal", "charge", n1, n30, 4, "", "", "", 1, 3000},
    {"charge manual 1/3/104", "charge", n1, n30, 5, "", "", "", 3, 2825},
    {"charge dept 01 with 0101, 0102", "charge", n1, n30, -1, "01", "", "", 6, 36875},
    {"charge card", "charge", n1, n30, -1, "", "5003", "", 2, 5000},
    {"charge rights", "charge", n1, n30, -1, "", "", "0101", 3, 15575},
    {"charge manual on a card", "charge", n1, n30, 5, "", "5002", "", 1, 300},
    {"refund November", "refund", n1, n30, -1, "", "", "", 2, -2050},
    {"refund December", "refund", d1, d31, -1, "", "", "", 1, -400},
    {"refund card", "refund", n1, n30, -1, "", "5002", "", 1, -1250},
    {"refund rights", "refund", n1, n30, -1, "", "", "0101", 1, -800},
    {"cost November", "cost", n1, n30, -1, "", "", "", 5, 7500},
    {"cost December", "cost", d1, d31, -1, "", "", "", 1, 3000},
    {"cost dept", "cost", n1, n30, -1, "01", "", "", 3, 6500},
    {"cost card", "cost", n1, n30, -1, "", "5001", "", 2, 3500},
    {"balance current", "balance", n1, n30, 0, "", "", "", 4, 48875},
    {"balance departed", "balance", n1, n30, 1, "", "", "", 1, 0},
    {"balance dept", "balance", n1, n30, 0, "01", "", "", 3, 43875},
    {"balance card", "balance", n1, n30, 0, "", "5003", "", 1, 5000},
    {"issue November", "issue", n1, n30, -1, "", "", "", 3, 33000},
    {"issue December", "issue", d1, d31, -1, "", "", "", 1, 7000},
    {"issue card", "issue", n1, n30, -1, "", "5002", "", 1, 20000},
    {"issue rights", "issue", n1, n30, -1, "", "", "0102", 1, 20000},
    {"lost all", "lost", n1, n30, -1, "", "", "", 3, 1350},
    {"lost dept", "lost", n1, n30, -1, "02", "", "", 2, 1000},
    {"lost rights", "lost", n1, n30, -1, "", "", "0102", 1, 350},
};
} // namespace

class TestRecordReportsQuery : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<TestDatabase> m_db;
    Session m_session;

    Built build(const QString& list, const Ask& a) {
        const QVariantMap period = RecordReportQuery::periodParameters(a.begin, a.end);
        if (list == QLatin1String("charge")) {
            ChargeRecFilter f;
            f.records = a.records;
            const auto items = ChargeRecQuery::kindItems(m_session.ModuleOptions());
            f.kind = a.kind < 0 ? ChargeKind::All : items.at(a.kind).kind;
            return {ChargeRecQuery::statement(f, m_session), period, QStringLiteral("charge_money")};
        }
        if (list == QLatin1String("refund"))
            return {RefundQuery::statement(a.records, m_session), period, QStringLiteral("card_consume")};
        if (list == QLatin1String("cost"))
            return {CardCostQuery::statement(a.records, m_session), period, QStringLiteral("in_money")};
        if (list == QLatin1String("balance")) {
            CardBalanceFilter f;
            f.records = a.records;
            f.departed = a.departed;
            return {CardBalanceQuery::statement(f, m_session), {}, QStringLiteral("card_balance")};
        }
        if (list == QLatin1String("issue")) {
            IssueCardRecordFilter f;
            f.records = a.records;
            f.begin = a.begin;
            f.end = a.end;
            return {IssueCardRecordQuery::statement(f, m_session), {}, QStringLiteral("charge_money")};
        }
        return {LossCardMealRecordQuery::statement(a.records.department, m_session),
                {},
                QStringLiteral("card_consume")};
    }
    // Rows and the money column's sum in cents.
    QPair<int, qint64> run(const QString& list, const Ask& a, DataSet* keep = nullptr) {
        DataSet local;
        DataSet& ds = keep ? *keep : local;
        const Built b = build(list, a);
        ds.open(m_session.ModuleConnection, b.sql, b.params);
        return {ds.recordCount(), ds.sumFixed(ds.fieldByName(b.money).index()) / 100};
    }
    static QDateTime at(const QString& text) {
        return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }

private slots:
    void initTestCase() {
        m_db = std::make_unique<TestDatabase>(QStringLiteral("record_reports_query"));
        bindSession(m_session, *m_db, m_home.path());
        m_session.CurrentUserId = QStringLiteral("ADMIN");
        m_session.config.ModuleOptions = 2 | 4; // cashier items and allowances
        fillRecordReportsData(*m_db);
    }
    void cleanupTestCase() { m_db.reset(); }

    void rowsAndSums_data() {
        QTest::addColumn<int>("i");
        for (int i = 0; i < int(std::size(kSumCases)); ++i)
            QTest::newRow(kSumCases[i].name) << i;
    }
    void rowsAndSums() {
        QFETCH(int, i);
        const SumCase& c = kSumCases[i];
        Ask a;
        a.begin = at(QString::fromLatin1(c.from));
        a.end = at(QString::fromLatin1(c.to));
        a.kind = c.kind;
        a.departed = c.kind == 1;
        a.records.department.departmentSelected = *c.dept;
        a.records.department.departmentNo = QString::fromLatin1(c.dept);
        a.records.department.departmentRights = *c.rights;
        a.records.department.userDepartments = QString::fromLatin1(c.rights).split(',', Qt::SkipEmptyParts);
        a.records.cardText = QString::fromLatin1(c.card);
        QCOMPARE(run(QString::fromLatin1(c.list), a), qMakePair(c.rows, c.cents));
    }

    // Without the cashier bit the cashier and discount items vanish and the
    // later ones move up; each item keeps its own condition.
    void chargeTypesFollowTheFeatureBits_data() {
        QTest::addColumn<int>("options");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("manual"); // position of "手工补贴"
        QTest::newRow("both bits") << 6 << QStringList{"现金",   "批量",     "出纳机", "优惠",
                                                       "补贴机", "手工补贴", "全部"}
                                   << 5;
        QTest::newRow("allowances only")
            << 4 << QStringList{"现金", "批量", "补贴机", "手工补贴", "全部"} << 3;
        QTest::newRow("none") << 0 << QStringList{"现金", "批量", "手工补贴", "全部"} << 2;
    }
    void chargeTypesFollowTheFeatureBits() {
        QFETCH(int, options);
        QFETCH(QStringList, items);
        QFETCH(int, manual);
        const int kept = m_session.config.ModuleOptions;
        m_session.config.ModuleOptions = options;
        QStringList texts;
        for (const ChargeKindItem& item : ChargeRecQuery::kindItems(options))
            texts << item.text;
        Ask a;
        a.kind = manual;
        const auto got = run(QStringLiteral("charge"), a);
        m_session.config.ModuleOptions = kept;
        QCOMPARE(texts, items);
        QCOMPARE(got, qMakePair(3, qint64(2825)));
    }

    // The type kept in Daybook.ini: the last item without one, or for one
    // that is no position of the list; a file that cannot be read is never
    // rewritten.
    void chargeTypeKeptInTheConfiguration() {
        const QString ini = m_session.iniPath();
        QFile::remove(ini);
        QVERIFY(!ChargeRecQuery::storeKindIndex(m_session, 2));
        QVERIFY(!QFile::exists(ini));
        QCOMPARE(ChargeRecQuery::storedKindIndex(m_session, 7), 6);
        m_db->writeDaybookIni(m_home.path());
        QVERIFY(ChargeRecQuery::storeKindIndex(m_session, 2));
        QCOMPARE(ChargeRecQuery::storedKindIndex(m_session, 7), 2);
        QVERIFY(ChargeRecQuery::storeKindIndex(m_session, 9));
        QCOMPARE(ChargeRecQuery::storedKindIndex(m_session, 7), 6);
        QFile f(ini);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(f.readAll()).contains(QLatin1String("[Connection]"))); // the rest stays
    }

    // The pairing of deposits and fees keeps a card with only one of them,
    // and the issued cards carry their pair and card type.
    void depositFeePairsAndIssuedCards() {
        const auto orDash = [](const QVariant& v) { return v.isNull() ? QStringLiteral("-") : v.toString(); };
        QSqlQuery q(m_session.ModuleConnection);
        QVERIFY2(q.exec(QStringLiteral(
                            "select card_id, in_money1, in_money2, op_date from (%1) e order by card_id")
                            .arg(IssueCardRecordQuery::depositFeePairs(m_session.dialect()))),
                 qPrintable(q.lastError().text()));
        QStringList got;
        while (q.next())
            got << QStringLiteral("%1 %2 %3 %4")
                       .arg(q.value(0).toString(), orDash(q.value(1)), orDash(q.value(2)),
                            q.value(3).toDateTime().toString(QStringLiteral("MM-dd HH:mm")));
        QCOMPARE(got, (QStringList{"5001 30 5 11-01 08:00", "5002 30 - 11-02 10:00", "5003 - 10 11-20 08:30",
                                   "5004 30 - 12-01 00:00", "5009 - - 11-25 09:00"}));
        DataSet ds;
        run(QStringLiteral("issue"), Ask(), &ds);
        got.clear();
        for (int i = 0; i < ds.recordCount(); ++i) {
            const Bookmark b = ds.bookmarkAt(i);
            const auto money = [&](const char* column) {
                const QVariant v = ds.valueAt(b, QLatin1String(column));
                return v.isNull() ? QStringLiteral("-") : QString::number(v.toDouble());
            };
            got << QStringLiteral("%1 %2 %3 %4 %5")
                       .arg(ds.valueAt(b, QStringLiteral("emp_id")).toString(),
                            ds.valueAt(b, QStringLiteral("Name")).toString(),
                            ds.valueAt(b, QStringLiteral("issue_date"))
                                .toDateTime()
                                .toString(QStringLiteral("MM-dd")),
                            money("in_money1"), money("in_money2"));
        }
        QCOMPARE(got,
                 (QStringList{"0001 普通卡 11-01 30 5", "0002 贵宾卡 11-02 30 -", "0003 普通卡 11-20 - 10"}));
    }

    // Typed search texts find what they say or nothing and never break a
    // statement; a card number that is not a number is refused before anything runs.
    void hostileSearchTexts_data() {
        QTest::addColumn<QString>("list");
        for (const char* list : {"charge", "refund", "cost", "balance", "issue", "lost"})
            QTest::newRow(list) << QString::fromLatin1(list);
    }
    void hostileSearchTexts() {
        QFETCH(QString, list);
        for (const QString& text :
             QStringList{"x' or '1'='1", "'; drop table cardinfo; --", "\\'", "\\", "%"}) {
            for (const int box : {0, 1, 2}) {
                Ask a;
                a.records.department.fromSearchButton = box < 2;
                a.records.department.departmentSelected = box == 2;
                (box == 0   ? a.records.department.keyText
                 : box == 1 ? a.records.department.nameText
                            : a.records.department.departmentNo) = text;
                QCOMPARE(run(list, a).first, 0);
            }
        }
        Ask a;
        a.records.department.fromSearchButton = true;
        a.records.department.nameText = QStringLiteral("O'Neil");
        QVERIFY(run(list, a).first > 0);
        if (list == QLatin1String("lost"))
            return; // no card search
        for (const QString& card : QStringList{"5001 or 1=1", "5001'", "%"}) {
            a = Ask();
            a.records.cardText = card;
            QVERIFY_THROWS_EXCEPTION(DbError, build(list, a));
        }
        QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from cardinfo")).toInt(), 6);
    }
};

QTEST_MAIN(TestRecordReportsQuery)
#include "test_record_reports_query.moc"
