// Unattended window set-up: properties of named children converted from
// text, actions triggered and buttons clicked, only for the window's own
// action, and a line for each item that finds nothing.
#include "host/HostWindowSetup.h"

#include <QAction>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QPushButton>
#include <QtTest>

class TestHostWindowSetup : public QObject {
    Q_OBJECT
private slots:
    void setsPropertiesAndTriggersInOrder() {
        QWidget window;
        window.setObjectName(QStringLiteral("frmTest"));
        auto* combo = new QComboBox(&window);
        combo->setObjectName(QStringLiteral("cbkind"));
        combo->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        auto* date = new QDateTimeEdit(&window);
        date->setObjectName(QStringLiteral("dtp_begin"));
        auto* refresh = new QAction(&window);
        refresh->setObjectName(QStringLiteral("actDataRefresh"));
        auto* button = new QPushButton(&window);
        button->setObjectName(QStringLiteral("sbAll"));
        QStringList seen;
        connect(refresh, &QAction::triggered, [&] { seen << QString::number(combo->currentIndex()); });
        connect(button, &QPushButton::clicked, [&] { seen << QStringLiteral("clicked"); });

        const QStringList problems = HostWindowSetup::apply(
            &window, QStringLiteral("ActMealRecord"),
            {QStringLiteral("ActMealRecord:cbkind.currentIndex=2"),
             QStringLiteral("ActMealRecord:dtp_begin.dateTime=2026-11-01T06:30:00"),
             QStringLiteral("ActOther:cbkind.currentIndex=1"), QStringLiteral("ActMealRecord:nothere.text=x"),
             QStringLiteral("ActMealRecord:cbkind.noSuchProperty=1")},
            {QStringLiteral("ActMealRecord:actDataRefresh"), QStringLiteral("ActMealRecord:sbAll"),
             QStringLiteral("ActOther:sbAll"), QStringLiteral("ActMealRecord:cbkind")});
        QCOMPARE(combo->currentIndex(), 2);
        QCOMPARE(date->dateTime(), QDateTime(QDate(2026, 11, 1), QTime(6, 30)));
        QCOMPARE(seen, QStringList({"2", "clicked"}));
        QCOMPARE(problems.size(), 3);
        QVERIFY(problems[0].contains(QStringLiteral("nothere")));
        QVERIFY(problems[1].contains(QStringLiteral("noSuchProperty")));
        QVERIFY(problems[2].contains(QStringLiteral("cannot trigger ActMealRecord:cbkind")));
    }
};

QTEST_MAIN(TestHostWindowSetup)
#include "test_host_window_setup.moc"
