// Speed of a transmission against a simulated controller that answers ACK at
// once: start → last frame byte at the device, one whole attempt, and how late
// a 100 ms timer on the same thread fires while a transmission waits.
//
// The pseudo-terminal has no line time; the limits add the time the frame
// would take on a real 9600 baud line (reported as line_ms).
#include "common/ProgramDirectory.h"
#include "common/SharedValues.h"
#include "controllers/send/ModDataSend.h"
#include "devices/DeviceSim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>

using namespace marking;

namespace {

qint64 steadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A TRX-30 on a pseudo-terminal and its configured, open port.
struct Rig {
    devsim::DeviceSim sim{devsim::Device::TRX30, {}};
    CommPort port{QStringLiteral("ComTRX30")};
    QString text;

    explicit Rig(int characters) {
        if (!sim.Start())
            qFatal("devsim: %s", qPrintable(sim.ErrorText()));
        ConfigureControllerPort(ControllerTRX30, port, 1);
        port.SetDevicePath(sim.SlavePath());
        if (!port.SetPortOpen(true))
            qFatal("%s", qPrintable(port.LastError().message));
        text = QString(characters, u'A');
    }
    // Frame bytes: STX "3" text ETX.
    qsizetype frameBytes() const { return text.size() + 3; }
    double lineMs() const { return port.Line().LineTimeUs(frameBytes()) / 1000.0; }

    send::TransmissionReport transmit() {
        Shared().ControllerText = text;
        return send::Transmit(ControllerTRX30, port, {});
    }
};

void BM_StartToLastFrameByte(benchmark::State& state) {
    Rig rig(static_cast<int>(state.range(0)));
    double worstMs = 0, sumMs = 0;
    int n = 0;
    for (auto _ : state) {
        rig.sim.ClearFrames();
        const qint64 start = steadyNowNs();
        const auto report = rig.transmit();
        const auto frames = rig.sim.Frames();
        if (report.outcome != send::Outcome::Ack || frames.isEmpty()) {
            state.SkipWithError("no acknowledged frame");
            return;
        }
        const double ms = (frames.front().steadyNs - start) / 1e6;
        state.SetIterationTime(ms / 1000.0);
        worstMs = std::max(worstMs, ms);
        sumMs += ms;
        ++n;
    }
    state.counters["worst_ms"] = worstMs;
    state.counters["mean_ms"] = n ? sumMs / n : 0;
    state.counters["line_ms"] = rig.lineMs();
    state.counters["limit_ms"] = 5.0 + rig.lineMs();
}

void BM_OneWholeAttempt(benchmark::State& state) {
    Rig rig(static_cast<int>(state.range(0)));
    double worstMs = 0, sumMs = 0;
    int n = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        const auto report = rig.transmit();
        const double ms = clock.nsecsElapsed() / 1e6;
        if (report.outcome != send::Outcome::Ack || report.attempts != 1) {
            state.SkipWithError("not acknowledged at the first attempt");
            return;
        }
        state.SetIterationTime(ms / 1000.0);
        worstMs = std::max(worstMs, ms);
        sumMs += ms;
        ++n;
    }
    state.counters["worst_ms"] = worstMs;
    state.counters["mean_ms"] = n ? sumMs / n : 0;
    state.counters["line_ms"] = rig.lineMs();
    state.counters["limit_ms"] = 500.0 + 30.0 + rig.lineMs();
}

void BM_TimerDuringTransmission(benchmark::State& state) {
    Rig rig(111);
    double worstLateMs = 0, sumLateMs = 0;
    int fires = 0, overLimit = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(100);
        qint64 due = 100;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            const double late = static_cast<double>(clock.elapsed() - due);
            worstLateMs = std::max(worstLateMs, late);
            sumLateMs += late;
            overLimit += late > 20.0 ? 1 : 0;
            due = clock.elapsed() + 100; // the next tick is due 100 ms after this one
            ++fires;
        });
        clock.start();
        timer.start();
        const auto report = rig.transmit();
        timer.stop();
        if (report.outcome != send::Outcome::Ack) {
            state.SkipWithError("not acknowledged");
            return;
        }
    }
    state.counters["timer_fires"] = fires;
    state.counters["worst_late_ms"] = worstLateMs;
    state.counters["mean_late_ms"] = fires ? sumLateMs / fires : 0;
    state.counters["fires_over_20ms"] = overLimit;
    state.counters["limit_ms"] = 20.0;
}

// The same timer in a plain event loop without a transmission: what the
// machine itself allows.
void BM_TimerIdleBaseline(benchmark::State& state) {
    double worstLateMs = 0, sumLateMs = 0;
    int fires = 0, overLimit = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(100);
        qint64 due = 100;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            const double late = static_cast<double>(clock.elapsed() - due);
            worstLateMs = std::max(worstLateMs, late);
            sumLateMs += late;
            overLimit += late > 20.0 ? 1 : 0;
            due = clock.elapsed() + 100;
            ++fires;
        });
        QEventLoop loop;
        QTimer::singleShot(500, &loop, &QEventLoop::quit);
        clock.start();
        timer.start();
        loop.exec();
    }
    state.counters["timer_fires"] = fires;
    state.counters["worst_late_ms"] = worstLateMs;
    state.counters["mean_late_ms"] = fires ? sumLateMs / fires : 0;
    state.counters["fires_over_20ms"] = overLimit;
}

} // namespace

BENCHMARK(BM_TimerIdleBaseline)->Iterations(6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartToLastFrameByte)
    ->Arg(16)
    ->Arg(111)
    ->Arg(333)
    ->UseManualTime()
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneWholeAttempt)
    ->Arg(111)
    ->UseManualTime()
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TimerDuringTransmission)->Iterations(6)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    SetProgramDirectory(dir.path());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
