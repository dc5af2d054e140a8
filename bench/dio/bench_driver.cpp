// The board driver through the binding, as the control calls it.

#include "daqsim.h"
#include "driver/DaqDriver.h"

#include <benchmark/benchmark.h>

using mrvdio::driver::DaqDriver;

namespace {

struct OpenBoard {
    DaqHandle h = 0;
    OpenBoard() {
        daqsim_reset();
        DaqDriver::Instance().DeviceOpen(0, &h);
    }
    ~OpenBoard() { DaqDriver::Instance().DeviceClose(&h); }
};

void BM_DriverReadDiBit(benchmark::State& state) {
    OpenBoard board;
    const DaqDriver& drv = DaqDriver::Instance();
    uint16_t value = 0;
    DaqDioReadBit rec{0, 3, &value};
    for (auto _ : state) {
        if (drv.DioReadBit(board.h, &rec) != DAQ_OK)
            state.SkipWithError("DRV_DioReadBit failed");
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_DriverReadDiBit);

void BM_DriverReadDiPorts(benchmark::State& state) {
    OpenBoard board;
    const DaqDriver& drv = DaqDriver::Instance();
    uint8_t ports[2] = {};
    for (auto _ : state) {
        if (drv.ReadDiPorts(board.h, 0, 2, ports) != DAQ_OK)
            state.SkipWithError("MvxDioReadDiPorts failed");
        benchmark::DoNotOptimize(ports);
    }
}
BENCHMARK(BM_DriverReadDiPorts);

// One input edge raised and collected with its latched ports.
void BM_DriverEdgeToCheckEvent(benchmark::State& state) {
    OpenBoard board;
    const DaqDriver& drv = DaqDriver::Instance();
    const uint8_t rising[2] = {0x01, 0};
    const uint8_t falling[2] = {0x01, 0};
    drv.DeviceSetProperty(board.h, DAQ_PROP_DI_RISING_EDGE_MASKS, rising, 2);
    drv.DeviceSetProperty(board.h, DAQ_PROP_DI_FALLING_EDGE_MASKS, falling, 2);
    drv.EnableEventAndSpecifyDiPorts(board.h, DAQ_EVENT_DI_INTERRUPT, 0, 2);
    uint16_t id = 0;
    DaqCheckEvent rec{&id, 200};
    uint8_t latched[2] = {};
    bool high = false;
    for (auto _ : state) {
        high = !high;
        daqsim_edge(0, 0, high);
        drv.CheckEvent(board.h, &rec);
        if (id != DAQ_EVENT_DI_INTERRUPT)
            state.SkipWithError("event lost");
        drv.GetLatestEventDiPortsState(board.h, id, latched, 2);
        benchmark::DoNotOptimize(latched);
    }
}
BENCHMARK(BM_DriverEdgeToCheckEvent);

} // namespace
