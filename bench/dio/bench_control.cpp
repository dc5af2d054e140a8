// The control on the simulated board: a DI channel read through the
// automation layer, and opening a device (DeviceNumber with the survey).

#include "control/MrvDIOCtrl.h"
#include "daqsim.h"
#include "mrvdio/Variant.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace mrvdio;

namespace {

ComPtr<IMrvDIO> MakeControl() {
    setenv("DAQDRV32_SOCKET", "off", 1);
    daqsim_reset();
    ComPtr<IMrvDIO> p;
    MrvDIOCtrl::Create(nullptr, IID_IMrvDIO, p.PutVoid());
    return p;
}

void BM_ReadDiChannelInvoke(benchmark::State& state) {
    auto p = MakeControl();
    daqsim_set_di_bit(0, 5, 1);
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = 5;
    DISPPARAMS params{&arg, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    for (auto _ : state) {
        HRESULT hr = p->Invoke(DISPID_ReadDiChannel, GUID_NULL, LOCALE_USER_DEFAULT,
                               DISPATCH_METHOD, &params, &result, nullptr, nullptr);
        if (hr != S_OK || result.lVal != 1)
            state.SkipWithError("ReadDiChannel failed");
        benchmark::DoNotOptimize(result.lVal);
    }
}
BENCHMARK(BM_ReadDiChannelInvoke);

void BM_ReadDiChannelMethod(benchmark::State& state) {
    auto p = MakeControl();
    int32_t value = 0;
    for (auto _ : state) {
        p->ReadDiChannel(5, &value);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_ReadDiChannelMethod);

void BM_OpenDevice(benchmark::State& state) {
    auto p = MakeControl();
    for (auto _ : state) {
        if (p->put_DeviceNumber(0) != S_OK)
            state.SkipWithError("open failed");
    }
}
BENCHMARK(BM_OpenDevice)->Unit(benchmark::kMicrosecond);

void BM_CreateControl(benchmark::State& state) {
    setenv("DAQDRV32_SOCKET", "off", 1);
    daqsim_reset();
    for (auto _ : state) {
        ComPtr<IMrvDIO> p;
        MrvDIOCtrl::Create(nullptr, IID_IMrvDIO, p.PutVoid());
        benchmark::DoNotOptimize(p.Get());
    }
}
BENCHMARK(BM_CreateControl)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
