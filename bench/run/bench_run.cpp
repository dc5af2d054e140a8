// Speed of the run screen on the simulated board and devices: from "예" to
// the first frame byte at the controller, from an input edge to the pipe count
// on the screen, sustained edges in automatic mode with a 100 ms timer beside
// them, one input poll tick, and the resident memory of it all.
//
// The pseudo-terminal has no line time; line_ms is what the frame would take
// on a real 9600 baud line.
#include "common/MessagePort.h"
#include "common/ModDelayTime.h"
#include "common/ProgramDirectory.h"
#include "common/SharedValues.h"
#include "daqsim.h"
#include "devices/DeviceSim.h"
#include "host/ControlHost.h"
#include "run/screen/FomMarkingStateDisplay.h"
#include "serial/MainPorts.h"
#include "serial/PortMap.h"
#include "store/Columns.h"
#include "store/Connection.h"
#include "store/QueryText.h"
#include "store/Recordset.h"
#include "store/Schema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <thread>

using namespace marking;
using Clock = std::chrono::steady_clock;

namespace {

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * double(v.size() - 1) + 0.5))];
}

long residentKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

template <class Pred> bool pumpUntil(Pred pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
    return true;
}

// Answers every question Yes and notes when.
class YesPort : public MessagePort {
public:
    void ShowMessage(const QString& text, const QString&, MessageIcon) override {
        qWarning("message: %s", qPrintable(text));
    }
    Answer Ask(const QString&, const QString&, MessageIcon) override {
        answeredNs = nowNs();
        return Answer::Yes;
    }
    void Beep() override {}
    qint64 answeredNs = 0;
};

// A whole station in temporary folders: settings store, class registry,
// program directory with one work, a TRX-20, a PLC and a carving machine on
// pseudo-terminals, the run screen shown once (the start).
struct Station {
    QTemporaryDir config, program;
    std::shared_ptr<mrvdio::host::ComponentLibrary> library;
    MainPorts ports;
    ScopedPorts inForce{&ports};
    YesPort messages;
    ScopedMessagePort messagesInForce{&messages};
    devsim::DeviceSim controller{devsim::Device::TRX20, {}};
    devsim::DeviceSim carving{devsim::Device::Carving, {}};
    devsim::DeviceSim plc{devsim::Device::PLC, {}};
    std::unique_ptr<run::FomMarkingStateDisplay> screen;
    float clock = 1000.0f;

    Station() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
        qputenv("MRVDIO_REGISTRY", QFile::encodeName(config.filePath("classes.ini")));
        const QString bin = QCoreApplication::applicationDirPath() + "/../bin";
        qputenv("DAQDRV32_LIBRARY", QFile::encodeName(bin + "/libdaqdrv32.so"));
        qputenv("DAQDRV32_SOCKET", "off");
        std::string error;
        library =
            mrvdio::host::ComponentLibrary::Load((bin + "/libMrvDIO.so").toStdString(), &error);
        if (!library || library->RegisterServer() != S_OK)
            qFatal("libMrvDIO.so: %s", error.c_str());
        daqsim_reset();
        if (!store::CreateDatabaseFiles(program.path(), false).ok())
            qFatal("databases");
        SetProgramDirectory(program.path());
        int com = 1;
        for (devsim::DeviceSim* d : {&controller, &carving, &plc}) {
            if (!d->Start())
                qFatal("devsim: %s", qPrintable(d->ErrorText()));
            SetDevicePathForCom(com++, d->SlavePath());
        }
        addWork();
        // The 0.5 s waits after a frame pass at once once the answer is in.
        SetTimeOfDaySource([this] { return clock; });
        SetEventPump([this](int maxMs) {
            QtEventPump(std::min(maxMs, 1));
            if (Ports().ComTRX20.InBufferCount() > 0 || Ports().ComYNS7.InBufferCount() > 0)
                clock += 1.0f;
        });
        ResetSharedValues();
        screen = std::make_unique<run::FomMarkingStateDisplay>();
        screen->show();
        screen->Line().AutoMode = true;
    }
    ~Station() {
        screen.reset();
        SetTimeOfDaySource({});
        SetEventPump({});
        library->UnregisterServer();
    }
    static void addWork() {
        using namespace store;
        Connection c;
        Recordset rs;
        bool ok = c.Open(DatabaseFile::Database).ok() &&
                  rs.Open(QueryText::All(Table::MarkingWork), c).ok() && rs.AddNew().ok();
        ok = ok && rs.SetField(col::W_MarkingMethod, 0).ok() &&
             rs.SetField(col::W_Data, QStringLiteral("@1KSD3507 SPPS 100A")).ok() &&
             rs.SetField(col::W_Length, 6000).ok() && rs.SetField(col::W_WorkTeam, 0).ok();
        if (!ok || !rs.Update().ok())
            qFatal("cannot add the work");
    }
    QLineEdit* count() const { return screen->TxtWorkVolume; }
};

std::unique_ptr<Station>& stationSlot() {
    static std::unique_ptr<Station> s;
    return s;
}

Station& station() {
    if (!stationSlot())
        stationSlot() = std::make_unique<Station>();
    return *stationSlot();
}

void BM_YesToFirstFrameByte(benchmark::State& state) {
    Station& st = station();
    std::vector<double> ms;
    for (auto _ : state) {
        st.screen->hide();
        const int before = st.controller.FrameCount();
        st.screen->show(); // the question comes once the switch is over
        if (!pumpUntil([&] { return st.controller.FrameCount() > before; }, 5000) ||
            !pumpUntil([&] { return !send::TransmissionUnderWay(); }, 5000)) {
            state.SkipWithError("no frame at the controller");
            return;
        }
        const devsim::Frame frame = st.controller.Frames().last();
        // The last byte's time, less the frame's own bytes on a wire of no delay.
        const double v = double(frame.steadyNs - st.messages.answeredNs) / 1e6;
        ms.push_back(v);
        state.SetIterationTime(v / 1000);
    }
    const double lineMs = (st.controller.Frames().last().bytes.size() * 10) / 9.6;
    state.counters["median_ms"] = percentile(ms, 0.5);
    state.counters["max_ms"] = percentile(ms, 1.0);
    state.counters["line_ms"] = lineMs;
}
BENCHMARK(BM_YesToFirstFrameByte)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

// One rising edge, raised on another thread as the board would, until the
// screen shows the new count.
void BM_EdgeToWorkVolume(benchmark::State& state) {
    Station& st = station();
    st.count()->setText("0");
    st.screen->Line().PipeEntrySeen = false;
    std::vector<double> us;
    int channel = 0;
    for (auto _ : state) {
        const QString before = st.count()->text();
        std::atomic<qint64> raised{0};
        std::thread board([&] {
            raised = nowNs();
            daqsim_edge(0, uint32_t(channel), 1);
        });
        board.join();
        qint64 changed = 0;
        if (!pumpUntil(
                [&] {
                    if (st.count()->text() != before)
                        changed = nowNs();
                    return changed != 0;
                },
                2000)) {
            state.SkipWithError("edge not counted");
            return;
        }
        channel = 1 - channel;
        const double v = double(changed - raised) / 1e3;
        us.push_back(v);
        state.SetIterationTime(v / 1e6);
    }
    state.counters["median_us"] = percentile(us, 0.5);
    state.counters["p99_us"] = percentile(us, 0.99);
    state.counters["max_us"] = percentile(us, 1.0);
}
BENCHMARK(BM_EdgeToWorkVolume)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

// Edges on inputs 0 and 1 in turn, `rate` a second in all, for `seconds`:
// every edge counts one, so the count shows a lost or doubled event; a 100 ms
// timer on the screen's thread shows how responsive it stays.
void BM_SustainedEdges(benchmark::State& state) {
    Station& st = station();
    const int rate = int(state.range(0));
    const int seconds = int(state.range(1));
    for (auto _ : state) {
        st.count()->setText("0");
        st.screen->Line().PipeEntrySeen = false;
        const int total = rate * seconds;
        std::atomic<bool> done{false};
        double worstLateMs = 0;
        QElapsedTimer since;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(100);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            worstLateMs = std::max(worstLateMs, double(since.nsecsElapsed()) / 1e6 - 100.0);
            since.restart();
        });
        since.start();
        tick.start();
        std::thread board([&] {
            const auto period = std::chrono::nanoseconds(1'000'000'000LL / rate);
            auto next = Clock::now();
            for (int i = 0; i < total; ++i) {
                std::this_thread::sleep_until(next);
                next += period;
                daqsim_edge(0, uint32_t(i % 2), 1);
            }
            done = true;
        });
        const QString expected = QString::number(total);
        pumpUntil([&] { return done && st.count()->text() == expected; }, seconds * 1000 + 5000);
        board.join();
        tick.stop();
        const int counted = st.count()->text().toInt();
        state.counters["edges"] = total;
        state.counters["counted"] = counted;
        state.counters["lost_or_doubled"] = std::abs(total - counted);
        state.counters["timer_late_max_ms"] = worstLateMs;
    }
}
BENCHMARK(BM_SustainedEdges)
    ->Args({10000, 10})
    ->Args({20000, 10})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// One tick of the input poll: eight inputs read through the control and the
// panels painted.
void BM_InputPollTick(benchmark::State& state) {
    Station& st = station();
    std::vector<double> us;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        st.screen->TmrComCheck_Timer();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    state.counters["median_us"] = percentile(us, 0.5);
    state.counters["max_us"] = percentile(us, 1.0);
}
BENCHMARK(BM_InputPollTick)->Iterations(2000)->Unit(benchmark::kMicrosecond);

// The resident memory of this process after all of the above: the run screen
// with its control, the simulated board and devices, and the benchmark.
void BM_ResidentMemory(benchmark::State& state) {
    station();
    for (auto _ : state)
        benchmark::DoNotOptimize(residentKilobytes());
    state.counters["rss_MB"] = double(residentKilobytes()) / 1024.0;
}
BENCHMARK(BM_ResidentMemory)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    stationSlot().reset();
    return 0;
}
