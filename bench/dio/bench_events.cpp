// Events of the control on the simulated board: from an input edge to the
// host's OnDiInterrupt handler, a sustained edge rate, and how late an event
// can come after switching events off.

#include "control/EventChecker.h"
#include "control/MrvDIOCtrl.h"
#include "daqsim.h"
#include "host/ControlHost.h"
#include "mrvdio/Variant.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace mrvdio;
using Clock = std::chrono::steady_clock;

namespace {

struct Received {
    int32_t channel;
    uint8_t sequence; // DI port 1 latched with the event
    Clock::time_point at;
};

// The built-in board, channels 0 and 1 armed on both edges, port 1 latched.
class EventHost {
public:
    EventHost() {
        daqsim_reset();
        MrvDIOCtrl::Create(nullptr, IID_IMrvDIO, ctl_.PutVoid());
        sink_ = new host::EventSink([this](DISPID, const std::vector<VARIANT*>& args) {
            const VARIANT* data = args[1]->pvarVal;
            const auto* bytes = static_cast<const uint8_t*>(data->parray->pvData);
            received.push_back({args[0]->lVal, bytes[0], Clock::now()});
        });
        ComPtr<IConnectionPointContainer> cpc;
        ctl_->QueryInterface(IID_IConnectionPointContainer, cpc.PutVoid());
        cpc->FindConnectionPoint(DIID__IMrvDIOEvents, point_.Put());
        point_->Advise(sink_, &cookie_);
        VARIANT_BOOL r = 0;
        for (int32_t ch : {0, 1}) {
            ctl_->AssignDiInterruptDiScanRange(ch, 1, 1, &r);
            ctl_->SetDiInterrupt(ch, 1, &r);
            ctl_->EnableDiInterrupt(ch, -1);
        }
    }
    ~EventHost() {
        ctl_->put_EventEnabled(0);
        point_->Unadvise(cookie_);
        sink_->Release();
    }
    bool On() { return ctl_->put_EventEnabled(-1) == S_OK; }
    void Off() { ctl_->put_EventEnabled(0); }
    // Runs the control's thread until `until` holds or `limit` passes.
    template <class Pred> void Pump(Pred until, std::chrono::milliseconds limit) {
        const auto end = Clock::now() + limit;
        while (!until() && Clock::now() < end)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }

    std::vector<Received> received;

private:
    ComPtr<IMrvDIO> ctl_;
    host::EventSink* sink_ = nullptr;
    ComPtr<IConnectionPoint> point_;
    uint32_t cookie_ = 0;
};

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5))];
}

// One rising edge on channel 0, raised on another thread as the board
// would, until the host's handler has it.
void BM_EdgeToOnDiInterrupt(benchmark::State& state) {
    EventHost host;
    if (!host.On()) {
        state.SkipWithError("events could not be switched on");
        return;
    }
    std::vector<double> latencies;
    for (auto _ : state) {
        const size_t before = host.received.size();
        daqsim_set_di_bit(0, 0, 0);
        Clock::time_point raised;
        std::thread board([&] {
            raised = Clock::now();
            daqsim_edge(0, 0, 1);
        });
        board.join();
        host.Pump([&] { return host.received.size() > before; }, std::chrono::milliseconds(1000));
        if (host.received.size() <= before) {
            state.SkipWithError("event lost");
            break;
        }
        const double us =
            std::chrono::duration<double, std::micro>(host.received.back().at - raised).count();
        latencies.push_back(us);
        state.SetIterationTime(us / 1e6);
    }
    state.counters["median_us"] = percentile(latencies, 0.5);
    state.counters["p99_us"] = percentile(latencies, 0.99);
    state.counters["max_us"] = percentile(latencies, 1.0);
}
BENCHMARK(BM_EdgeToOnDiInterrupt)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

// Edges on channels 0 and 1, `rate` a second each, for `seconds`; each edge
// carries a sequence number in DI port 1, so a lost or doubled event shows.
void BM_SustainedEdges(benchmark::State& state) {
    const int rate = static_cast<int>(state.range(0));
    const int seconds = static_cast<int>(state.range(1));
    for (auto _ : state) {
        EventHost host;
        if (!host.On()) {
            state.SkipWithError("events could not be switched on");
            return;
        }
        std::atomic<int> raised{0};
        std::atomic<bool> done{false};
        std::thread board([&] {
            const auto period = std::chrono::microseconds(1000000 / (2 * rate));
            auto next = Clock::now();
            const int total = 2 * rate * seconds;
            for (int i = 0; i < total; ++i) {
                std::this_thread::sleep_until(next);
                next += period;
                daqsim_set_di_port(0, 1, static_cast<uint8_t>(i));
                daqsim_edge(0, static_cast<uint32_t>(i % 2), 1);
                raised = i + 1;
            }
            done = true;
        });
        host.Pump([&] { return done.load() && host.received.size() >= size_t(raised.load()); },
                  std::chrono::milliseconds(seconds * 1000 + 3000));
        board.join();
        int lost = 0, doubled = 0, misordered = 0;
        uint8_t expect = 0;
        for (const Received& r : host.received) {
            if (r.channel != r.sequence % 2)
                ++misordered;
            if (r.sequence == static_cast<uint8_t>(expect - 1))
                ++doubled;
            else if (r.sequence != expect)
                ++misordered;
            expect = static_cast<uint8_t>(r.sequence + 1);
        }
        lost = raised.load() - static_cast<int>(host.received.size());
        state.counters["raised"] = raised.load();
        state.counters["received"] = static_cast<double>(host.received.size());
        state.counters["lost"] = lost;
        state.counters["doubled"] = doubled;
        state.counters["out_of_order"] = misordered;
    }
}
BENCHMARK(BM_SustainedEdges)->Args({1000, 10})->Iterations(1)->Unit(benchmark::kSecond);

// Edges keep coming while events are switched off: the latest event the host
// sees after the switch, measured from it (0 = none came later).
void BM_EventAfterSwitchOff(benchmark::State& state) {
    std::vector<double> lateness;
    double offCall = 0;
    for (auto _ : state) {
        EventHost host;
        if (!host.On()) {
            state.SkipWithError("events could not be switched on");
            return;
        }
        std::atomic<bool> stop{false};
        std::thread board([&] {
            uint8_t i = 0;
            while (!stop) {
                daqsim_set_di_port(0, 1, i++);
                daqsim_edge(0, 0, 1);
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
        });
        host.Pump([] { return false; }, std::chrono::milliseconds(50));
        const auto off = Clock::now();
        host.Off();
        offCall = std::max(offCall,
                           std::chrono::duration<double, std::milli>(Clock::now() - off).count());
        const size_t atOff = host.received.size();
        host.Pump([] { return false; }, std::chrono::milliseconds(400));
        stop = true;
        board.join();
        double late = 0;
        for (size_t i = atOff; i < host.received.size(); ++i)
            late = std::max(
                late, std::chrono::duration<double, std::milli>(host.received[i].at - off).count());
        lateness.push_back(late);
        state.SetIterationTime(late / 1000);
    }
    state.counters["latest_event_after_off_ms"] = percentile(lateness, 1.0);
    state.counters["off_call_max_ms"] = offCall;
}
BENCHMARK(BM_EventAfterSwitchOff)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace
