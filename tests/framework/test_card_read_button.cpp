// The "读卡" button against the simulated reader: a good card fills the edit, an unusable one is a
// warning toast, a missing reader one box; the edit takes digits only.
#include "FrameworkFixture.h"
#include "SampleCard.h"
#include "framework/ui/CardReadButton.h"
#include "util/ui/MsgFrm.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QToolButton>

namespace {

// The texts of the toasts open now, then closes them.
QStringList takeToasts(ModuleContext& context) {
    QStringList texts;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* toast = qobject_cast<TMsgForm*>(w)) {
            if (toast->kind() == 2)
                texts << toast->messageLabel()->text();
        }
    context.toasts.closeAll();
    return texts;
}
} // namespace

class TestCardReadButton : public QObject {
    Q_OBJECT
    FrameworkFixture fx;
    QLineEdit* m_edit = nullptr;
    QToolButton* m_button = nullptr;
    std::unique_ptr<QWidget> m_window;

    void layCard(const QString& uid, const QString& key, const QString& blocks) {
        QVERIFY(laySimulatedCard(fx.home.filePath(QStringLiteral("card.txt")), uid, key, blocks));
    }

private slots:
    void initTestCase() {
        fx.start(QStringLiteral("card_read_button"), QStringLiteral("OPER1"));
        QGuiApplication::setApplicationDisplayName(QStringLiteral("消费管理"));
        fx.db->exec(QStringLiteral("delete from company"));
        fx.db->exec(QStringLiteral("insert into company (company_ch_name, parameters) values ('食堂', "
                                   "'PassWord=FFFFFF')"));
        m_window = std::make_unique<QWidget>();
        m_edit = new QLineEdit(m_window.get());
        m_button = CardReadButton::create(*fx.context, m_edit, m_window.get());
    }
    void init() {
        fx.prompter.clear();
        m_edit->setText(QStringLiteral("555"));
    }
    void cleanupTestCase() {
        m_window.reset();
        fx.stop();
    }

    void aGoodCardFillsTheEdit() {
        layCard(QStringLiteral("01 02 03 04"), QStringLiteral("FFFFFFFFFFFF"), sampleCardBlockLines());
        QSignalSpy read(CardReadButton::of(m_button), &CardReadButton::cardRead);
        m_button->click();
        QCOMPARE(m_edit->text(), QStringLiteral("67305985"));
        QCOMPARE(read.size(), 1);
        QVERIFY(fx.prompter.calls().isEmpty());
        QVERIFY(takeToasts(*fx.context).isEmpty());
    }

    void unusableCardsAreToldAndLeaveTheEdit_data() {
        QTest::addColumn<QString>("uid");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("blocks");
        QTest::addColumn<QString>("message");
        const QString sample = sampleCardBlockLines();
        QTest::newRow("no card") << QString() << "FFFFFFFFFFFF" << sample << "没有找到IC卡或卡是否损坏。";
        QTest::newRow("never written") << "01 02 03 04"
                                       << "FFFFFFFFFFFF" << QString() << "这是一张空白卡！";
    }
    void unusableCardsAreToldAndLeaveTheEdit() {
        QFETCH(QString, uid);
        QFETCH(QString, key);
        QFETCH(QString, blocks);
        QFETCH(QString, message);
        layCard(uid, key, blocks);
        QVERIFY(!CardReadButton::of(m_button)->readCard());
        QCOMPARE(m_edit->text(), QStringLiteral("555"));
        QCOMPARE(takeToasts(*fx.context), QStringList{message});
        QVERIFY(fx.prompter.calls().isEmpty());
    }

    void aMissingReaderIsToldOnceInABox() {
        qputenv("MEAL_CARDREADER", "none");
        QVERIFY(!CardReadButton::of(m_button)->readCard());
        QCOMPARE(fx.prompter.texts(), QStringList{QStringLiteral("连接发卡器失败")});
        QVERIFY(takeToasts(*fx.context).isEmpty());
        QCOMPARE(m_edit->text(), QStringLiteral("555"));
    }

    void theEditTakesDigitsOnly() {
        m_edit->clear();
        QTest::keyClicks(m_edit, QStringLiteral("12a3-4 5"));
        QCOMPARE(m_edit->text(), QStringLiteral("12345"));
        QTest::keyClicks(m_edit, QStringLiteral("678901"));
        QCOMPARE(m_edit->text(), QStringLiteral("1234567890")); // ten digits at most
        QLineEdit other;
        CardReadButton::restrictToCardNumber(&other);
        QTest::keyClicks(&other, QStringLiteral("x9'"));
        QCOMPARE(other.text(), QStringLiteral("9"));
    }
};

QTEST_MAIN(TestCardReadButton)
#include "test_card_read_button.moc"
