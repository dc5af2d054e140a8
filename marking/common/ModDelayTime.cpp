#include "common/ModDelayTime.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTime>
#include <QTimer>

namespace marking {

namespace {
TimeOfDaySource& clockSource() {
    static TimeOfDaySource source;
    return source;
}
EventPump& pumpSource() {
    static EventPump pump;
    return pump;
}
} // namespace

float SystemTimeOfDay() {
    return static_cast<float>(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f;
}

void QtEventPump(int maxMs) {
    if (!QCoreApplication::instance()) {
        QThread::msleep(static_cast<unsigned long>(maxMs > 0 ? maxMs : 1));
        return;
    }
    // Run what is pending, then sleep in the event loop until something arrives
    // or the slice is over, so a waiting transmission does not spin the CPU.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (maxMs > 0) {
        QEventLoop loop;
        QTimer::singleShot(maxMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

float TimeOfDay() {
    const auto& source = clockSource();
    return source ? source() : SystemTimeOfDay();
}

void SetTimeOfDaySource(TimeOfDaySource source) {
    clockSource() = std::move(source);
}

void SetEventPump(EventPump pump) {
    pumpSource() = std::move(pump);
}

void ModDelayTime(float seconds) {
    // The slice bounds how late the wait notices its end: short enough for a
    // 0.5 s wait to end within a few milliseconds of its due time.
    constexpr int sliceMs = 5;
    float start = TimeOfDay();
    for (;;) {
        const float now = TimeOfDay();
        if (now + 100.0f < start) {
            start = now;
            continue;
        }
        if (!(start + seconds > now))
            break;
        const auto& pump = pumpSource();
        if (pump)
            pump(sliceMs);
        else
            QtEventPump(sliceMs);
    }
}

} // namespace marking
