// The returned-cards window end to end: period, filters, department rights, hostile texts, print line.
#include "RecordFilesFixture.h"
#include "dataset/grid/ui/DBGrid.h"
#include "framework/ui/GridPrinter.h"
#include "framework/ui/PrintDialog.h"
#include "framework/ui/RecordPrintActions.h"
#include "reports/ui/ReturnCard.h"

#include <QDateTimeEdit>
#include <QLineEdit>
#include <QToolButton>

using DataAction = TfrmRecordBaseClass::DataAction;

class TestReturnCard : public QObject {
    Q_OBJECT
    FrameworkFixture fx;

    std::unique_ptr<TfrmReturnCard> openWindow() {
        auto w = std::make_unique<TfrmReturnCard>(*fx.context);
        w->setPeriod(QDateTime(QDate(2026, 11, 1), QTime(0, 0)),
                     QDateTime(QDate(2026, 11, 30), QTime(23, 59, 59)));
        w->activate();
        WAIT_LOADED(*w);
        return w;
    }

private slots:
    void initTestCase() {
        fx.start(QStringLiteral("return_card"), QStringLiteral("ADMIN"));
        fx.db->exec(
            QStringLiteral("insert into ReturnCard (card_id, emp_id, empname, deptno, deptname, return_date, "
                           "op_user) values "
                           "(5001, '0001', '张三', '0101', '食堂', '2026-11-01 00:00:00', 'ADMIN'),"
                           "(5002, '0002', '李四', '0102', '财务', '2026-11-15 12:00:00', 'ADMIN'),"
                           "(5003, '0003', 'O''Neil', '0201', '保卫', '2026-11-30 23:59:59', 'ADMIN'),"
                           "(5004, '0004', '王五', '0101', '食堂', '2026-12-01 00:00:00', 'ADMIN')"));
        fx.db->exec(QStringLiteral("update Company set parameters='cbDepart=True'"));
        if (fx.count(QStringLiteral("select count(*) from Company")) == 0)
            fx.db->exec(QStringLiteral(
                "insert into Company (company_ch_name, parameters) values ('测试', 'cbDepart=True')"));
        fx.db->exec(QStringLiteral("insert into sys_user (Userid, UserName, Password, departs) values "
                                   "('OPER2', '乙', 'x', '''0101'',''0201''')"));
    }
    void init() {
        fx.context->session.CurrentUserId = QStringLiteral("ADMIN");
        fx.prompter.clear();
    }
    void cleanupTestCase() { fx.stop(); }

    void listsThePeriodWithLabelsAndOrder() {
        auto w = openWindow();
        DataSet* ds = w->dataSet();
        QCOMPARE(ds->recordCount(), 3); // both bounds included, December excluded
        QCOMPARE(ds->valueAt(ds->bookmarkAt(0), QStringLiteral("emp_id")).toString(), QStringLiteral("0001"));
        QCOMPARE(w->grid()->footerText(0), QStringLiteral("汇总:"));
        QCOMPARE(w->grid()->footerText(1), QStringLiteral("3"));
    }

    // The print's "%[caption]" is the period queried, not dates picked afterwards.
    void printCaptionNamesTheQueriedPeriod() {
        auto w = openWindow();
        QCOMPARE(w->printSubheading(), QStringLiteral("日期: (2026-11-01 至 2026-11-30)"));
        w->setPeriod(QDateTime(QDate(2026, 11, 1), QTime(0, 0)),
                     QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)));
        onModal<TdlgPrint>([](TdlgPrint* d) { d->cancelButton()->click(); });
        runAction(*w, DataAction::Print);
        const auto& subs = w->printActions().gridPrinter().options().substitutions;
        QCOMPARE(subs.value(QStringLiteral("%[caption]")),
                 QStringLiteral("日期: (2026-11-01 至 2026-11-30)"));
        requery(*w);
        QCOMPARE(w->dataSet()->recordCount(), 4);
        QCOMPARE(w->printSubheading(), QStringLiteral("日期: (2026-11-01 至 2026-12-31)"));
    }

    void filtersByEmployeeNameAndCard() {
        auto w = openWindow();
        const std::pair<QLineEdit*, const char*> boxes[] = {
            {w->keyEdit(), "0002"}, {w->nameEdit(), "O'Neil"}, {w->cardEdit(), "5002"}};
        for (const auto& [box, text] : boxes) {
            box->setText(QString::fromLatin1(text));
            requery(*w);
            QCOMPARE(w->dataSet()->recordCount(), 1);
            box->clear();
        }
        QVERIFY(fx.prompter.calls().isEmpty());
    }

    // A card number that is no number is refused before any query: the rows stay.
    void hostileTextsFindNothingAndChangeNothing() {
        auto w = openWindow();
        w->cardEdit()->setText(QStringLiteral("1 or 1=1"));
        requery(*w);
        QCOMPARE(fx.prompter.calls().size(), 1);
        QVERIFY(fx.prompter.calls().first().text.contains(QStringLiteral("卡号")));
        QCOMPARE(w->dataSet()->recordCount(), 3);
        w->cardEdit()->clear();
        for (const QString& hostile : {QStringLiteral("'; drop table ReturnCard; --"), QStringLiteral("%"),
                                       QStringLiteral("x' or '1'='1"), QStringLiteral("\\'")}) {
            w->nameEdit()->setText(hostile);
            requery(*w);
            QCOMPARE(w->dataSet()->recordCount(), 0);
        }
        QCOMPARE(fx.count(QStringLiteral("select count(*) from ReturnCard")), 4);
    }

    void departmentRightsLimitOtherUsers() {
        fx.context->session.CurrentUserId = QStringLiteral("OPER2");
        auto w = openWindow();
        QCOMPARE(w->dataSet()->recordCount(), 2); // 0101 and 0201 only
    }
};

QTEST_MAIN(TestReturnCard)
#include "test_return_card.moc"
