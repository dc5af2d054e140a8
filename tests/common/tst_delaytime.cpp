#include "common/ModDelayTime.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using namespace marking;

// A clock the test advances: every pump call moves it by `step` seconds,
// wrapping at midnight the way the time of day does.
struct FakeClock {
    float now = 0.0f;
    float step = 0.1f;
    int pumps = 0;
    void advance() {
        ++pumps;
        now += step;
        if (now >= 86400.0f)
            now -= 86400.0f;
    }
};

class TestDelayTime : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        SetTimeOfDaySource({});
        SetEventPump({});
    }

    void waits_data() {
        QTest::addColumn<float>("start");
        QTest::addColumn<float>("wait");
        QTest::addColumn<float>("step");
        QTest::addColumn<int>("minPumps");
        QTest::addColumn<int>("maxPumps");
        // Half a second in 0.1 s steps in the middle of the day.
        QTest::newRow("noon") << 43200.0f << 0.5f << 0.1f << 4 << 6;
        // A zero wait pumps nothing.
        QTest::newRow("zero") << 100.0f << 0.0f << 0.1f << 0 << 0;
        // 23:59:59.8: the clock wraps during the wait; the wait is measured
        // again from the wrap, so it lasts at least 0.5 s and not more than 2 × 0.5 s.
        QTest::newRow("midnight") << 86399.8f << 0.5f << 0.1f << 5 << 10;
        // Starting exactly at midnight behaves like any other time.
        QTest::newRow("at midnight") << 0.0f << 0.5f << 0.1f << 4 << 6;
    }
    void waits() {
        QFETCH(float, start);
        QFETCH(float, wait);
        QFETCH(float, step);
        QFETCH(int, minPumps);
        QFETCH(int, maxPumps);
        FakeClock clock{start, step};
        SetTimeOfDaySource([&] { return clock.now; });
        SetEventPump([&](int) { clock.advance(); });
        ModDelayTime(wait);
        QVERIFY2(clock.pumps >= minPumps, qPrintable(QString::number(clock.pumps)));
        QVERIFY2(clock.pumps <= maxPumps, qPrintable(QString::number(clock.pumps)));
    }

    void midnight_waitNeverEndsEarly() {
        // Elapsed time counted on a clock that does not wrap.
        float elapsed = 0.0f;
        FakeClock clock{86399.9f, 0.01f};
        SetTimeOfDaySource([&] { return clock.now; });
        SetEventPump([&](int) {
            clock.advance();
            elapsed += clock.step;
        });
        ModDelayTime(0.5f);
        QVERIFY(elapsed >= 0.5f - 0.011f);
        QVERIFY(elapsed <= 1.0f + 0.02f);
    }

    void realClock_runsPendingEvents() {
        int fired = 0;
        QTimer timer;
        timer.setInterval(20);
        connect(&timer, &QTimer::timeout, [&] { ++fired; });
        timer.start();
        QElapsedTimer t;
        t.start();
        ModDelayTime(0.2f);
        const qint64 ms = t.elapsed();
        QVERIFY2(ms >= 190, qPrintable(QString::number(ms)));
        QVERIFY2(fired >= 3, qPrintable(QString::number(fired)));
    }
};

QTEST_GUILESS_MAIN(TestDelayTime)
#include "tst_delaytime.moc"
