// How a message toast moves and where it lies, without a window, and the locked list of open toasts.
#include "util/ToastRegistry.h"

#include <QThread>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <vector>

namespace {
const ToastArea kArea{0, 0, 1024, 738}; // a 1024 x 768 screen less its panel
const QSize kSize(218, 148);

struct Run {
    int ticks = 0;
    bool slowedDown = false;
    QPoint last;
};

// Ticks the slide-in to its end, noting whether it slowed before its resting position.
Run slideIn(ToastMotion& m) {
    Run run;
    int previousMove = 0;
    QPoint previous = m.position();
    while (!m.slideInTick() && run.ticks < 1000) {
        ++run.ticks;
        const QPoint p = m.position();
        const int moved = (p - previous).manhattanLength();
        if (moved < previousMove && p != m.restingPosition())
            run.slowedDown = true;
        previousMove = moved;
        previous = p;
    }
    run.last = m.position();
    return run;
}
} // namespace

class TestUtilToast : public QObject {
    Q_OBJECT

private slots:
    void edges_data() {
        QTest::addColumn<int>("edge");
        QTest::addColumn<QPoint>("start");
        QTest::addColumn<QPoint>("rest");
        const int centred = (738 - 148) / 2;
        QTest::newRow("left") << 0 << QPoint(1 - 218, centred) << QPoint(0, centred);
        QTest::newRow("right") << 1 << QPoint(1023, centred) << QPoint(1024 - 218, centred);
        QTest::newRow("top") << 2 << QPoint(1024 - 218, 1 - 148) << QPoint(1024 - 218, 0);
        QTest::newRow("bottom") << 3 << QPoint(1024 - 218, 737) << QPoint(1024 - 218, 738 - 148);
    }
    // Every edge: starts one pixel inside, slides in to touch the edge (never past), slides back out.
    void edges() {
        QFETCH(int, edge);
        QFETCH(QPoint, start);
        QFETCH(QPoint, rest);
        ToastMotion m(ToastEdge(edge), kArea, kSize);
        QCOMPARE(m.startPosition(), start);
        QCOMPARE(m.position(), start);
        QCOMPARE(m.restingPosition(), rest);

        const Run in = slideIn(m);
        QCOMPARE(in.last, rest);
        QVERIFY(!in.slowedDown);
        QCOMPARE(m.phase(), ToastMotion::Waiting);
        // 147 pixels with a step rising by one every 11/3 ticks.
        QVERIFY2(in.ticks > 15 && in.ticks < 60, qPrintable(QString::number(in.ticks)));
        QVERIFY(m.slideInTick()); // further ticks change nothing
        QCOMPARE(m.position(), rest);

        m.startSlideOut();
        QVector<int> moves;
        QPoint previous = m.position();
        while (!m.slideOutTick() && moves.size() < 1000) {
            moves << (m.position() - previous).manhattanLength();
            previous = m.position();
        }
        QCOMPARE(m.phase(), ToastMotion::Done);
        // Pixels past the starting position, outwards.
        const QPoint outwards = start - rest;
        const int beyond = QPoint::dotProduct(m.position() - start, outwards) / outwards.manhattanLength();
        QVERIFY2(beyond >= -1 && beyond < 21, qPrintable(QString::number(beyond)));
        // Sliding out starts at the speed reached and slows down.
        QVERIFY(moves.size() > 10);
        QCOMPARE(moves.first(), ToastMotion::stepFor(in.ticks));
        for (int i = 1; i < moves.size(); ++i)
            QVERIFY(moves[i] <= moves[i - 1]);
    }

    // A click while sliding in starts the slide-out at the speed reached.
    void clickWhileSlidingIn() {
        ToastMotion m(ToastEdge::Bottom, kArea, kSize);
        for (int i = 0; i < 10; ++i)
            QVERIFY(!m.slideInTick());
        const int counter = m.counter();
        const QPoint before = m.position();
        QVERIFY(before.y() < 737 && before.y() > m.restingPosition().y());
        m.startSlideOut();
        QVERIFY(!m.slideInTick()); // the slide-in no longer moves it
        QCOMPARE(m.position(), before);
        QVERIFY(!m.slideOutTick());
        QCOMPARE(m.counter(), counter - 1);
        QCOMPARE(m.position().y(), before.y() + ToastMotion::stepFor(counter - 1));
        int ticks = 1;
        while (!m.slideOutTick())
            ++ticks;
        QVERIFY(ticks < 20);
        QVERIFY(m.position().y() >= 736);
    }

    // A taller text grows the toast upwards at the bottom edge, never beyond the work area.
    void longTextGrowsUpward() {
        const ToastLayout normal = ToastLayout::forTextHeight(40, 738);
        QCOMPARE(normal.windowHeight, 148);
        QCOMPARE(normal.labelHeight, 90);
        const ToastLayout tall = ToastLayout::forTextHeight(200, 738);
        QCOMPARE(tall.labelHeight, 200);
        QCOMPARE(tall.windowHeight, 148 + 110);
        ToastMotion m(ToastEdge::Bottom, kArea, QSize(218, tall.windowHeight));
        slideIn(m);
        QCOMPARE(m.position().y(), 738 - tall.windowHeight);
        const ToastLayout huge = ToastLayout::forTextHeight(5000, 738);
        QCOMPARE(huge.windowHeight, 738);
        QCOMPARE(huge.labelHeight, 5000 - (148 + 5000 - 90 - 738));
    }

    // Open toasts lie side by side; a freed place is reused; a full edge starts over.
    void placesAlongTheEdge() {
        ToastRegistry registry;
        QObject a, c, d;
        auto b = std::make_unique<QObject>();
        QCOMPARE(registry.add(&a, ToastEdge::Bottom), 0);
        QCOMPARE(registry.add(b.get(), ToastEdge::Bottom), 1);
        QCOMPARE(registry.add(&c, ToastEdge::Right), 0);
        registry.remove(&a);
        QVERIFY(!registry.contains(&a));
        QCOMPARE(registry.add(&d, ToastEdge::Bottom), 0);
        // A toast destroyed without removing itself frees its place too.
        b.reset();
        QCOMPARE(registry.count(), 2);
        QCOMPARE(registry.add(&a, ToastEdge::Bottom), 1);

        const ToastMotion first(ToastEdge::Bottom, kArea, kSize, 0);
        const ToastMotion second(ToastEdge::Bottom, kArea, kSize, 1);
        QCOMPARE(second.restingPosition(), first.restingPosition() - QPoint(218, 0));
        const ToastMotion wrapped(ToastEdge::Bottom, kArea, kSize, 1024 / 218);
        QCOMPARE(wrapped.restingPosition(), first.restingPosition());
        const ToastMotion right0(ToastEdge::Right, kArea, kSize, 0);
        const ToastMotion right1(ToastEdge::Right, kArea, kSize, 1);
        QCOMPARE(right1.restingPosition(), right0.restingPosition() - QPoint(0, 148));
        QVERIFY(right1.restingPosition().y() >= 0);
        // No place ever lies outside the work area.
        for (int slot = 0; slot < 12; ++slot) {
            for (ToastEdge edge : {ToastEdge::Left, ToastEdge::Right, ToastEdge::Top, ToastEdge::Bottom}) {
                const QPoint rest = ToastMotion(edge, kArea, kSize, slot).restingPosition();
                QVERIFY(rest.x() >= 0 && rest.x() + 218 <= 1024);
                QVERIFY(rest.y() >= 0 && rest.y() + 148 <= 738);
            }
        }
    }

    // Four threads register at once: each edge's places are 0, 1, 2, ... without gap or double.
    void registryIsLocked() {
        ToastRegistry registry;
        std::vector<std::unique_ptr<QObject>> objects;
        for (int i = 0; i < 400; ++i)
            objects.push_back(std::make_unique<QObject>());
        QVector<int> places[4][4]; // by thread, by edge
        std::vector<std::unique_ptr<QThread>> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back(QThread::create([&registry, &objects, &places, t] {
                for (int i = t; i < 400; i += 4) {
                    const int edge = (i / 4) % 4;
                    places[t][edge] << registry.add(objects[size_t(i)].get(), ToastEdge(edge));
                }
            }));
            threads.back()->start();
        }
        for (auto& thread : threads)
            QVERIFY(thread->wait(10000));
        QCOMPARE(registry.count(), 400);
        for (int edge = 0; edge < 4; ++edge) {
            QVector<int> all;
            for (int t = 0; t < 4; ++t)
                all += places[t][edge];
            std::sort(all.begin(), all.end());
            QCOMPARE(all.size(), 100);
            for (int i = 0; i < all.size(); ++i)
                QCOMPARE(all[i], i);
        }
        for (auto& object : objects)
            registry.remove(object.get());
        QCOMPARE(registry.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestUtilToast)
#include "test_util_toast.moc"
