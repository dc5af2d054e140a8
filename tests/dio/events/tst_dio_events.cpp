// Interrupt configuration and the event checking thread of the control on
// the simulated board: the configuration members and their checks, arming,
// events raised on the control's thread with the latched ports, switching
// events off, and the worker's life.

#include "control/EventChecker.h"
#include "control/MrvDIOCtrl.h"
#include "daqsim.h"
#include "host/ControlHost.h"
#include "mrvdio/Variant.h"

#include <QThread>

#include <QtTest>
#include <chrono>
#include <thread>

using namespace mrvdio;

namespace {

// Device 0: 4 DI ports, interrupts on channels 0-7 and 8, rising and falling
// edges, no dual edge; pattern match on ports 0 (settable) and 2 (fixed
// mask); status change on ports 1 and 2.
const char* kFull = R"(
[device 0]
name = Sim Events
di_channels = 32
do_channels = 8
interrupt_channels = 0xFF, 0x01, 0, 0
pattern_channels = 0xFF, 0, 0x0F, 0
pattern_mask_settable = 1, 0, 0, 0
status_channels = 0, 0xFF, 0xF0, 0
status_mask_settable = 0, 1, 1, 0
)";

// Dual edges allowed, rising only; falling only.
const char* kEdges = R"(
[device 0]
di_channels = 8
do_channels = 8
interrupt_channels = 0x0F
both_edges = 1
falling_edge = no
[device 1]
di_channels = 8
do_channels = 8
interrupt_channels = 0x0F
rising_edge = no
)";

const char* kNoInterrupt = R"(
[device 0]
di_channels = 16
do_channels = 16
)";

const char* kNoDevice = R"(
[device 0]
name = Counter
)";

struct Event {
    DISPID dispid = 0;
    int32_t index = -1;
    VARTYPE vt = VT_EMPTY;
    QByteArray bytes; // the data array's elements
    int32_t lowerBound = -1;
    int32_t scanStart = -1;
    int32_t scanCount = -1;
    bool onMainThread = false;
};

// A control with an event sink that records what it receives.
class Fixture {
public:
    explicit Fixture(const char* config) {
        char error[256] = {};
        if (daqsim_load_config_text(config, error, sizeof error) != DAQ_OK)
            qFatal("board text: %s", error);
        if (FAILED(MrvDIOCtrl::Create(nullptr, IID_IMrvDIO, ctl.PutVoid())))
            qFatal("control creation failed");
        sink = new host::EventSink([this](DISPID id, const std::vector<VARIANT*>& args) {
            Event e;
            e.dispid = id;
            e.onMainThread = QThread::currentThread() == qApp->thread();
            e.index = args.at(0)->lVal;
            const VARIANT* data =
                args.at(1)->vt == (VT_BYREF | VT_VARIANT) ? args.at(1)->pvarVal : args.at(1);
            e.vt = data->vt;
            if (data->vt == (VT_ARRAY | VT_UI1) && data->parray) {
                const SAFEARRAY* sa = data->parray;
                e.bytes = QByteArray(static_cast<const char*>(sa->pvData),
                                     static_cast<int>(sa->rgsabound[0].cElements));
                e.lowerBound = sa->rgsabound[0].lLbound;
            }
            e.scanStart = args.at(2)->lVal;
            e.scanCount = args.at(3)->lVal;
            events.push_back(e);
            if (onEvent)
                onEvent(e);
        });
        ComPtr<IConnectionPointContainer> cpc;
        ctl->QueryInterface(IID_IConnectionPointContainer, cpc.PutVoid());
        cpc->FindConnectionPoint(DIID__IMrvDIOEvents, point.Put());
        point->Advise(sink, &cookie);
    }
    ~Fixture() {
        if (point)
            point->Unadvise(cookie);
        sink->Release();
    }

    MrvDIOCtrl* c() const { return static_cast<MrvDIOCtrl*>(ctl.Get()); }
    int32_t code() const {
        int32_t v = -1;
        ctl->get_LastErrorCode(&v);
        return v;
    }
    QString message() const {
        Bstr s;
        ctl->get_LastErrorMessage(s.Put());
        return QString::fromStdString(s.Utf8());
    }
    bool eventEnabled() const {
        VARIANT_BOOL v = 0;
        ctl->get_EventEnabled(&v);
        return v != 0;
    }
    // Channel c on rising edges with a scan range, enabled.
    void armChannel(int32_t channel, int32_t scanStart, int32_t scanCount, int32_t trigger = 1) {
        VARIANT_BOOL r = 0;
        QCOMPARE(ctl->AssignDiInterruptDiScanRange(channel, scanStart, scanCount, &r), S_OK);
        QCOMPARE(ctl->SetDiInterrupt(channel, trigger, &r), S_OK);
        QCOMPARE(ctl->EnableDiInterrupt(channel, -1), S_OK);
    }

    ComPtr<IMrvDIO> ctl;
    host::EventSink* sink = nullptr;
    ComPtr<IConnectionPoint> point;
    uint32_t cookie = 0;
    std::vector<Event> events;
    std::function<void(const Event&)> onEvent;
};

// A client site answering the ambient user mode (design mode here).
class DesignSite final : public IDispatch {
public:
    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    HRESULT GetTypeInfoCount(uint32_t*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(uint32_t, LCID, void**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const IID&, const char16_t**, uint32_t, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT Invoke(DISPID member, const IID&, LCID, uint16_t, DISPPARAMS*, VARIANT* result,
                   EXCEPINFO*, uint32_t*) override {
        if (member != DISPID_AMBIENT_USERMODE || !result)
            return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_FALSE;
        return S_OK;
    }
    uint32_t refs = 1;
};

} // namespace

class TestDioEvents : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void interrupt_edge_raisedOnceOnControlThreadWithLatchedPorts();
    void interrupt_scanCountZero_dataEmpty();
    void events_severalSinks_calledInConnectionOrder();
    void patternAndStatus_events_carryPortAndScanRange();
    void eventsOff_noEventRaisedAfterwards();
    void eventsOff_pendingEventOfOldWorker_dropped();
    void latchedReadFailure_eventsOffWithDriverError();
    void handlerSwitchesEventsOff_noDeadlockNoMoreEvents();
    void offAndOnQuickly_oneWorker();
    void designMode_eventEnabledStoredOnly();
    void handlerReleasesControl_noHangNoCrash();
    void destroyWithEventsOn_workerEndsFirst();
    void closeDevice_eventsOffWorkerEnded();
    void setDiInterrupt_triggerZero_keepsTrigger();
    void setDiInterrupt_checks_data();
    void setDiInterrupt_checks();
    void dualEdge_refusedWith39();
    void enableWhileEventsOff_onlyStoresWish();
    void enableWhileEventsOn_armsAtOnce();
    void runningRecord_refusesChanges();
    void scanRange_data();
    void scanRange();
    void patternMatch_settableAndFixedMask();
    void statusChange_settableAndFixedMask();
    void portMembers_checks_data();
    void portMembers_checks();
    void readBacks_outputsZeroedAndFilled();
    void survey_edgeMasksGiveTriggers();
    void eventEnabled_boardWithoutInterrupts_fails12();
    void eventEnabled_sameValueWithoutDevice_succeeds();
    void eventEnabled_noDevice_fails25();
    void arming_sendsMasksAndListsOfAllPorts();
};

void TestDioEvents::init() {
    QCOMPARE(daqsim_reset(), DAQ_OK);
}

void TestDioEvents::cleanup() {
    QTRY_COMPARE(EventChecker::LiveWorkers(), 0);
}

void TestDioEvents::interrupt_edge_raisedOnceOnControlThreadWithLatchedPorts() {
    Fixture f(kFull);
    f.armChannel(0, 0, 2);
    QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
    QVERIFY(f.eventEnabled());
    uint32_t start = 9, count = 9;
    QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_INTERRUPT, &start, &count), 1);
    QCOMPARE(start, 0u);
    QCOMPARE(count, 2u);
    QCOMPARE(daqsim_set_di_port(0, 1, 0x5A), DAQ_OK);
    QCOMPARE(daqsim_set_di_port(0, 2, 0x77), DAQ_OK);
    QCOMPARE(daqsim_edge(0, 0, 1), DAQ_OK);
    QTRY_COMPARE(f.events.size(), size_t(1));
    QTest::qWait(50);
    QCOMPARE(f.events.size(), size_t(1));
    const Event& e = f.events[0];
    QCOMPARE(e.dispid, DISPID(DISPID_OnDiInterrupt));
    QVERIFY(e.onMainThread);
    QCOMPARE(e.index, 0);
    QCOMPARE(e.scanStart, 0);
    QCOMPARE(e.scanCount, 2);
    QCOMPARE(e.vt, VARTYPE(VT_ARRAY | VT_UI1));
    QCOMPARE(e.lowerBound, 0);
    QCOMPARE(e.bytes, QByteArray("\x01\x5A", 2));
    QCOMPARE(f.ctl->put_EventEnabled(0), S_OK);
}

void TestDioEvents::interrupt_scanCountZero_dataEmpty() {
    Fixture f(kFull);
    f.armChannel(3, 1, 0, 2);
    QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
    QCOMPARE(daqsim_set_di_bit(0, 3, 1), DAQ_OK); // rising: not armed
    QCOMPARE(daqsim_edge(0, 3, 0), DAQ_OK);
    QTRY_COMPARE(f.events.size(), size_t(1));
    QCOMPARE(f.events[0].index, 3);
    QCOMPARE(f.events[0].vt, VARTYPE(VT_EMPTY));
    QCOMPARE(f.events[0].scanStart, 1);
    QCOMPARE(f.events[0].scanCount, 0);
    // The driver was never asked for latched ports.
    QCOMPARE(daqsim_call_count("MvxDioGetLatestEventDiPortsState"), 0);
    QCOMPARE(f.ctl->put_EventEnabled(0), S_OK);
}

void TestDioEvents::events_severalSinks_calledInConnectionOrder() {
    Fixture f(kFull);
    std::vector<int> order;
    auto* second = new host::EventSink(
        [&](DISPID, const std::vector<VARIANT*>& args) { order.push_back(100 + args[0]->lVal); });
    uint32_t cookie2 = 0;
    QCOMPARE(f.point->Advise(second, &cookie2), S_OK);
    f.onEvent = [&](const Event& e) { order.push_back(e.index); };
    f.armChannel(1, 0, 1);
    f.armChannel(2, 0, 1);
    QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
    daqsim_edge(0, 2, 1);
    daqsim_edge(0, 1, 1);
    QTRY_COMPARE(order.size(), size_t(4));
    QCOMPARE(order, (std::vector<int>{2, 102, 1, 101}));
    QCOMPARE(f.ctl->put_EventEnabled(0), S_OK);
    f.point->Unadvise(cookie2);
    second->Release();
}

void TestDioEvents::patternAndStatus_events_carryPortAndScanRange() {
    Fixture f(kFull);
    VARIANT_BOOL r = 0;
    QCOMPARE(f.ctl->SetDiPatternMatch(0, 0x05, 0x0F, &r), S_OK);
    QCOMPARE(f.ctl->AssignDiPatternMatchDiScanRange(0, 0, 1, &r), S_OK);
    QCOMPARE(f.ctl->EnableDiPatternMatch(0, -1), S_OK);
    QCOMPARE(f.ctl->SetDiStatusChange(1, 0x03, &r), S_OK);
    QCOMPARE(f.ctl->AssignDiStatusChangeDiScanRange(1, 1, 3, &r), S_OK);
    QCOMPARE(f.ctl->EnableDiStatusChange(1, -1), S_OK);
    QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
    daqsim_set_di_port(0, 0, 0xA5); // pattern 0x5 on the low nibble
    daqsim_set_di_port(0, 1, 0x02); // watched channel of port 1
    daqsim_set_di_port(0, 1, 0x06); // unwatched channel: nothing
    QTRY_COMPARE(f.events.size(), size_t(2));
    QTest::qWait(50);
    QCOMPARE(f.events.size(), size_t(2));
    QCOMPARE(f.events[0].dispid, DISPID(DISPID_OnDiPatternMatch));
    QCOMPARE(f.events[0].index, 0);
    QCOMPARE(f.events[0].bytes, QByteArray("\xA5", 1));
    QCOMPARE(f.events[1].dispid, DISPID(DISPID_OnDiStatusChange));
    QCOMPARE(f.events[1].index, 1);
    QCOMPARE(f.events[1].scanStart, 1);
    QCOMPARE(f.events[1].scanCount, 3);
    QCOMPARE(f.events[1].bytes, QByteArray("\x02\x00\x00", 3));
    QCOMPARE(f.ctl->put_EventEnabled(0), S_OK);
    QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_PATTERN_MATCH, nullptr, nullptr), 0);
    QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_STATUS_CHANGE + 1, nullptr, nullptr), 0);
}

void TestDioEvents::eventsOff_noEventRaisedAfterwards() {
    Fixture f(kFull);
    f.armChannel(0, 0, 1);
    QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
    daqsim_edge(0, 0, 1);
    QTRY_COMPARE(f.events.size(), size_t(1));
    QCOMPARE(f.ctl->put_EventEnabled(0), S_OK);
    QVERIFY(!f.eventEnabled());
    QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_INTERRUPT, nullptr, nullptr), 0);
    for (int i = 0; i < 5; ++i)
        daqsim_edge(0, 0, i % 2);
    QTest::qWait(300); // longer than one driver wait
    QCOMPARE(f.events.size(), size_t(1));
    // The record is no longer running: its configuration may change again.
    VARIANT_BOOL r = 0;
    QCOMPARE(f.ctl->SetDiInterrupt(0, 2, &r), S_OK);
    QCOMPARE(r, VARIANT_BOOL(1));
}

void TestDioEvents::eventsOff_pendingEventOfOldWorker_dropped() {
    Fixture f(kFull);
    f.armChannel(0, 0, 1);
    QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
    // The worker hands the event over, but the control's thread switches
    // events off before it runs the hand-over.
    daqsim_edge(0, 0, 1);
    // Wait without running the control's events: the worker collects the
    // event and reads its latched ports, then blocks in the hand-over.
    for (int i = 0; i < 400 && daqsim_call_count("MvxDioGetLatestEventDiPortsState") == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    QCOMPARE(daqsim_call_count("MvxDioGetLatestEventDiPortsState"), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    QCOMPARE(f.ctl->put_EventEnabled(0), S_OK);
    QTest::qWait(100);
    QCOMPARE(f.events.size(), size_t(0));
}

void TestDioEvents::latchedReadFailure_eventsOffWithDriverError() {
    Fixture f(kFull);
    f.armChannel(0, 0, 2);
    QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
    QCOMPARE(daqsim_fail("MvxDioGetLatestEventDiPortsState", 0x99, -1), DAQ_OK);
    daqsim_edge(0, 0, 1);
    QTRY_VERIFY(!f.eventEnabled());
    QCOMPARE(f.code(), 36);
    QVERIFY2(f.message().startsWith("Driver Error: 153 "), qPrintable(f.message()));
    QVERIFY(f.message().endsWith("!") && !f.message().endsWith("!!"));
    QCOMPARE(f.events.size(), size_t(0));
    QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_INTERRUPT, nullptr, nullptr), 0);
    QTRY_COMPARE(EventChecker::LiveWorkers(), 0);
    // Events can be switched on again once the driver recovers.
    daqsim_clear_failures();
    QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
    daqsim_edge(0, 0, 0);
    daqsim_edge(0, 0, 1);
    QTRY_COMPARE(f.events.size(), size_t(1));
    QCOMPARE(f.ctl->put_EventEnabled(0), S_OK);
}

void TestDioEvents::handlerSwitchesEventsOff_noDeadlockNoMoreEvents() {
    Fixture f(kFull);
    f.armChannel(0, 0, 1);
    f.onEvent = [&](const Event&) { f.ctl->put_EventEnabled(0); };
    QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
    for (int i = 0; i < 4; ++i)
        daqsim_edge(0, 0, 1);
    QTRY_COMPARE(f.events.size(), size_t(1));
    QTRY_COMPARE(EventChecker::LiveWorkers(), 0);
    QTest::qWait(100);
    QCOMPARE(f.events.size(), size_t(1));
    QVERIFY(!f.eventEnabled());
}

void TestDioEvents::offAndOnQuickly_oneWorker() {
    Fixture f(kFull);
    f.armChannel(0, 0, 1);
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
        QCOMPARE(f.ctl->put_EventEnabled(0), S_OK);
    }
    QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
    QCOMPARE(EventChecker::LiveWorkers(), 1);
    daqsim_edge(0, 0, 1);
    QTRY_COMPARE(f.events.size(), size_t(1));
    QTest::qWait(50);
    QCOMPARE(f.events.size(), size_t(1));
    QCOMPARE(f.ctl->put_EventEnabled(0), S_OK);
}

void TestDioEvents::designMode_eventEnabledStoredOnly() {
    Fixture f(kFull);
    DesignSite site;
    ComPtr<IOleObject> ole;
    QCOMPARE(f.ctl->QueryInterface(IID_IOleObject, ole.PutVoid()), S_OK);
    QCOMPARE(ole->SetClientSite(&site), S_OK);
    f.armChannel(0, 0, 1);
    QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
    QVERIFY(f.eventEnabled());
    QCOMPARE(EventChecker::LiveWorkers(), 0);
    QCOMPARE(daqsim_call_count("MvxDioEnableEventAndSpecifyDiPorts"), 0);
    QCOMPARE(daqsim_call_count("DRV_DeviceSetProperty"), 0);
    // Configuration stays open: nothing runs in design mode.
    VARIANT_BOOL r = 0;
    QCOMPARE(f.ctl->SetDiInterrupt(0, 2, &r), S_OK);
    QCOMPARE(f.ctl->put_EventEnabled(0), S_OK);
    QCOMPARE(daqsim_call_count("MvxDioDisableEvent"), 0);
    ole->SetClientSite(nullptr);
    QCOMPARE(site.refs, 1u);
}

void TestDioEvents::handlerReleasesControl_noHangNoCrash() {
    char error[256] = {};
    QCOMPARE(daqsim_load_config_text(kFull, error, sizeof error), DAQ_OK);
    IMrvDIO* raw = nullptr;
    QCOMPARE(MrvDIOCtrl::Create(nullptr, IID_IMrvDIO, reinterpret_cast<void**>(&raw)), S_OK);
    int calls = 0;
    auto* sink = new host::EventSink([&](DISPID, const std::vector<VARIANT*>&) {
        ++calls;
        // The host drops the control from inside its own event.
        std::exchange(raw, nullptr)->Release();
    });
    IConnectionPointContainer* cpc = nullptr;
    raw->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&cpc));
    IConnectionPoint* point = nullptr;
    cpc->FindConnectionPoint(DIID__IMrvDIOEvents, &point);
    cpc->Release();
    uint32_t cookie = 0;
    QCOMPARE(point->Advise(sink, &cookie), S_OK);
    point->Release();
    VARIANT_BOOL r = 0;
    raw->AssignDiInterruptDiScanRange(0, 0, 2, &r);
    raw->EnableDiInterrupt(0, -1);
    QCOMPARE(raw->put_EventEnabled(-1), S_OK);
    daqsim_edge(0, 0, 1);
    daqsim_edge(0, 0, 0);
    daqsim_edge(0, 0, 1);
    QTRY_VERIFY(raw == nullptr);
    QTRY_COMPARE(EventChecker::LiveWorkers(), 0);
    QTest::qWait(50);
    QCOMPARE(calls, 1);
    QCOMPARE(daqsim_open_handles(0), 0);
    sink->Release();
}

void TestDioEvents::destroyWithEventsOn_workerEndsFirst() {
    auto f = std::make_unique<Fixture>(kFull);
    f->armChannel(0, 0, 2);
    QCOMPARE(f->ctl->put_EventEnabled(-1), S_OK);
    QCOMPARE(EventChecker::LiveWorkers(), 1);
    daqsim_edge(0, 0, 1); // an event on its way while the control goes
    f.reset();
    QCOMPARE(EventChecker::LiveWorkers(), 0);
    QCOMPARE(daqsim_open_handles(0), 0);
    QTest::qWait(50); // a queued hand-over must not run into freed memory
}

void TestDioEvents::closeDevice_eventsOffWorkerEnded() {
    Fixture f(kFull);
    f.armChannel(0, 0, 1);
    QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
    QCOMPARE(f.ctl->put_DeviceNumber(7), S_FALSE); // no such device: closed
    QCOMPARE(EventChecker::LiveWorkers(), 0);
    QVERIFY(!f.eventEnabled());
    QCOMPARE(daqsim_open_handles(0), 0);
}

void TestDioEvents::setDiInterrupt_triggerZero_keepsTrigger() {
    Fixture f(kFull);
    VARIANT_BOOL r = 0;
    QCOMPARE(f.ctl->SetDiInterrupt(5, 2, &r), S_OK);
    r = 0;
    QCOMPARE(f.ctl->SetDiInterrupt(5, 0, &r), S_OK);
    QCOMPARE(r, VARIANT_BOOL(1));
    int32_t trigger = -1;
    QCOMPARE(f.ctl->GetDiInterruptSetting(5, nullptr, &trigger, nullptr, nullptr, &r), S_OK);
    QCOMPARE(trigger, 2);
    QVERIFY(f.c()->IsDirty());
}

void TestDioEvents::setDiInterrupt_checks_data() {
    QTest::addColumn<QString>("config");
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("trigger");
    QTest::addColumn<int>("hr");
    QTest::addColumn<int>("code");
    QTest::newRow("no interrupt table") << kNoInterrupt << 0 << 0 << 1 << int(E_FAIL) << 9;
    QTest::newRow("channel -1") << kFull << 0 << -1 << 1 << int(E_FAIL) << 15;
    QTest::newRow("channel 32") << kFull << 0 << 32 << 1 << int(E_FAIL) << 15;
    QTest::newRow("channel 9 unsupported") << kFull << 0 << 9 << 1 << int(E_FAIL) << 3;
    QTest::newRow("trigger 4") << kFull << 0 << 8 << 4 << int(E_FAIL) << 23;
    QTest::newRow("trigger -1") << kFull << 0 << 8 << -1 << int(E_FAIL) << 23;
    QTest::newRow("rising without rising edges") << kEdges << 1 << 0 << 1 << int(E_FAIL) << 36;
    QTest::newRow("falling without falling edges") << kEdges << 0 << 0 << 2 << int(E_FAIL) << 36;
    QTest::newRow("both on a dual board") << kEdges << 0 << 0 << 3 << int(S_OK) << 0;
    QTest::newRow("falling") << kFull << 0 << 8 << 2 << int(S_OK) << 0;
}

void TestDioEvents::setDiInterrupt_checks() {
    QFETCH(QString, config);
    QFETCH(int, device);
    QFETCH(int, channel);
    QFETCH(int, trigger);
    QFETCH(int, hr);
    QFETCH(int, code);
    const QByteArray text = config.toLatin1();
    Fixture f(text.constData());
    if (device != 0)
        QCOMPARE(f.ctl->put_DeviceNumber(device), S_OK);
    f.ctl->put_LastErrorCode(0);
    VARIANT_BOOL r = 7;
    QCOMPARE(int(f.ctl->SetDiInterrupt(channel, trigger, &r)), hr);
    QCOMPARE(f.code(), code);
    QCOMPARE(r, VARIANT_BOOL(hr == S_OK ? 1 : 0));
    if (code == 36) {
        // 37 and 38: the edge messages, at most 36 in LastErrorCode.
        QVERIFY2(f.message().endsWith("Edge Trigger!!"), qPrintable(f.message()));
    }
}

void TestDioEvents::dualEdge_refusedWith39() {
    Fixture f(kFull);
    VARIANT_BOOL r = 7;
    QCOMPARE(f.ctl->SetDiInterrupt(0, 3, &r), E_FAIL);
    QCOMPARE(r, VARIANT_BOOL(0));
    QCOMPARE(f.code(), 36);
    QCOMPARE(f.message(), QString("Device does not support Dual Trigger Mode!!"));
    int32_t trigger = -1;
    QCOMPARE(f.ctl->GetDiInterruptSetting(0, nullptr, &trigger, nullptr, nullptr, &r), S_OK);
    QCOMPARE(trigger, 1); // unchanged
}

void TestDioEvents::enableWhileEventsOff_onlyStoresWish() {
    Fixture f(kFull);
    VARIANT_BOOL r = 0;
    QCOMPARE(f.ctl->AssignDiInterruptDiScanRange(8, 1, 2, &r), S_OK);
    QCOMPARE(f.ctl->EnableDiInterrupt(8, -1), S_OK);
    QCOMPARE(daqsim_call_count("MvxDioEnableEventAndSpecifyDiPorts"), 0);
    VARIANT_BOOL enabled = 0;
    QCOMPARE(f.ctl->GetDiInterruptSetting(8, &enabled, nullptr, nullptr, nullptr, &r), S_OK);
    QCOMPARE(enabled, VARIANT_BOOL(1));
    QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
    uint32_t start = 0, count = 0;
    QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_INTERRUPT + 8, &start, &count), 1);
    QCOMPARE(start, 1u);
    QCOMPARE(count, 2u);
    QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_INTERRUPT, nullptr, nullptr), 0);
    QCOMPARE(f.ctl->put_EventEnabled(0), S_OK);
    QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_INTERRUPT + 8, nullptr, nullptr), 0);
}

void TestDioEvents::enableWhileEventsOn_armsAtOnce() {
    Fixture f(kFull);
    f.armChannel(0, 0, 1);
    QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
    VARIANT_BOOL r = 0;
    QCOMPARE(f.ctl->SetDiInterrupt(4, 2, &r), S_OK);
    QCOMPARE(f.ctl->EnableDiInterrupt(4, -1), S_OK);
    QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_INTERRUPT + 4, nullptr, nullptr), 1);
    uint8_t falling[4] = {};
    uint32_t size = sizeof falling;
    QCOMPARE(daqsim_get_property(0, DAQ_PROP_DI_FALLING_EDGE_MASKS, falling, &size), DAQ_OK);
    QCOMPARE(falling[0], uint8_t(0x10));
    daqsim_set_di_bit(0, 4, 1);
    daqsim_set_di_bit(0, 4, 0);
    QTRY_COMPARE(f.events.size(), size_t(1));
    QCOMPARE(f.events[0].index, 4);
    // Disabling one channel while events are on disables it at the driver.
    QCOMPARE(f.ctl->EnableDiInterrupt(4, 0), S_OK);
    QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_INTERRUPT + 4, nullptr, nullptr), 0);
    QCOMPARE(f.ctl->EnableDiInterrupt(4, -1), S_OK);
    // Switching events off disarms the channel enabled while they were on.
    QCOMPARE(f.ctl->put_EventEnabled(0), S_OK);
    QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_INTERRUPT + 4, nullptr, nullptr), 0);
    QCOMPARE(f.ctl->SetDiInterrupt(4, 1, &r), S_OK);
    // A refusal of the driver is a driver error.
    QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
    daqsim_fail("MvxDioEnableEventAndSpecifyDiPorts", 0x45, 1);
    QCOMPARE(f.ctl->EnableDiInterrupt(5, -1), E_FAIL);
    QCOMPARE(f.code(), 36);
    QCOMPARE(f.ctl->put_EventEnabled(0), S_OK);
}

void TestDioEvents::runningRecord_refusesChanges() {
    Fixture f(kFull);
    f.armChannel(0, 0, 1);
    VARIANT_BOOL r = 0;
    QCOMPARE(f.ctl->SetDiPatternMatch(0, 1, 1, &r), S_OK);
    QCOMPARE(f.ctl->EnableDiPatternMatch(0, -1), S_OK);
    QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
    r = 7;
    QCOMPARE(f.ctl->SetDiInterrupt(0, 2, &r), E_FAIL);
    QCOMPARE(r, VARIANT_BOOL(0));
    QCOMPARE(f.code(), 14);
    QCOMPARE(f.ctl->AssignDiInterruptDiScanRange(0, 1, 1, &r), S_OK);
    QCOMPARE(r, VARIANT_BOOL(0));
    QCOMPARE(f.code(), 14);
    int32_t start = -1, count = -1;
    QCOMPARE(f.ctl->GetDiInterruptSetting(0, nullptr, nullptr, &start, &count, &r), S_OK);
    QCOMPARE(start, 0);
    QCOMPARE(count, 1);
    QCOMPARE(f.ctl->SetDiPatternMatch(0, 2, 2, &r), E_FAIL);
    QCOMPARE(f.code(), 14);
    QCOMPARE(f.ctl->put_EventEnabled(0), S_OK);
}

void TestDioEvents::scanRange_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("hr");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("storedStart");
    QTest::addColumn<int>("storedCount");
    QTest::newRow("clipped 1+9 of 4 ports") << 1 << 9 << int(S_OK) << 0 << 17 << 1 << 3;
    QTest::newRow("whole") << 0 << 4 << int(S_OK) << 1 << 0 << 0 << 4;
    QTest::newRow("none") << 3 << 0 << int(S_OK) << 1 << 0 << 3 << 0;
    QTest::newRow("start at port count") << 4 << 1 << int(E_FAIL) << 0 << 17 << 0 << 0;
    QTest::newRow("negative start") << -1 << 1 << int(E_FAIL) << 0 << 17 << 0 << 0;
    QTest::newRow("negative count") << 0 << -1 << int(E_FAIL) << 0 << 17 << 0 << 0;
    QTest::newRow("huge count") << 2 << 0x7FFFFFFF << int(S_OK) << 0 << 17 << 2 << 2;
}

void TestDioEvents::scanRange() {
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(int, hr);
    QFETCH(int, result);
    QFETCH(int, code);
    QFETCH(int, storedStart);
    QFETCH(int, storedCount);
    Fixture f(kFull);
    // The same checks for the three kinds of record.
    const std::function<HRESULT(VARIANT_BOOL*)> assign[] = {
        [&](VARIANT_BOOL* r) { return f.ctl->AssignDiInterruptDiScanRange(0, start, count, r); },
        [&](VARIANT_BOOL* r) { return f.ctl->AssignDiPatternMatchDiScanRange(2, start, count, r); },
        [&](VARIANT_BOOL* r) { return f.ctl->AssignDiStatusChangeDiScanRange(1, start, count, r); },
    };
    for (int kind = 0; kind < 3; ++kind) {
        f.ctl->put_LastErrorCode(0);
        VARIANT_BOOL r = 7;
        QCOMPARE(int(assign[kind](&r)), hr);
        QCOMPARE(int(r), result);
        QCOMPARE(f.code(), code);
        int32_t s = -1, c = -1;
        if (kind == 0)
            f.ctl->GetDiInterruptSetting(0, nullptr, nullptr, &s, &c, &r);
        else if (kind == 1)
            f.ctl->GetDiPatternMatchSetting(2, nullptr, nullptr, nullptr, &s, &c, &r);
        else
            f.ctl->GetDiStatusChangeSetting(1, nullptr, nullptr, &s, &c, &r);
        QCOMPARE(s, storedStart);
        QCOMPARE(c, storedCount);
    }
}

void TestDioEvents::patternMatch_settableAndFixedMask() {
    Fixture f(kFull);
    VARIANT_BOOL r = 7;
    QCOMPARE(f.ctl->SetDiPatternMatch(2, 0x1A5, 0x03, &r), S_OK);
    QCOMPARE(r, VARIANT_BOOL(0));
    QCOMPARE(f.code(), 29);
    QCOMPARE(f.message(), QString("This port does not support individual channel configuration!!"));
    int32_t mask = -1, pattern = -1;
    QCOMPARE(f.ctl->GetDiPatternMatchSetting(2, &mask, &pattern, nullptr, nullptr, nullptr, &r),
             S_FALSE);
    QCOMPARE(r, VARIANT_BOOL(1));
    QCOMPARE(mask, 0xFF);
    QCOMPARE(pattern, 0xA5);
    f.ctl->put_LastErrorCode(0);
    QCOMPARE(f.ctl->SetDiPatternMatch(0, 0x0C, 0x10F, &r), S_OK);
    QCOMPARE(r, VARIANT_BOOL(1));
    QCOMPARE(f.code(), 0);
    QCOMPARE(f.ctl->GetDiPatternMatchSetting(0, &mask, &pattern, nullptr, nullptr, nullptr, &r),
             S_FALSE);
    QCOMPARE(mask, 0x0F);
    QCOMPARE(pattern, 0x0C);
    int32_t chan = -1, settable = -1;
    QCOMPARE(f.ctl->GetDiPatternPortInfo(2, &chan, &settable), S_OK);
    QCOMPARE(chan, 0x0F);
    QCOMPARE(settable, 0);
    int32_t ports = 0;
    QCOMPARE(f.ctl->GetPatternMatchPortNumber(&ports), S_OK);
    QCOMPARE(ports, 2);
}

void TestDioEvents::statusChange_settableAndFixedMask() {
    Fixture f(kFull);
    VARIANT_BOOL r = 7;
    QCOMPARE(f.ctl->SetDiStatusChange(2, 0x30, &r), S_OK);
    QCOMPARE(r, VARIANT_BOOL(1));
    int32_t mask = -1;
    QCOMPARE(f.ctl->GetDiStatusChangeSetting(2, &mask, nullptr, nullptr, nullptr, &r), S_FALSE);
    QCOMPARE(mask, 0x30);
    int32_t ports = 0;
    QCOMPARE(f.ctl->GetDiStatusChangePort(&ports), S_OK);
    QCOMPARE(ports, 2);
}

void TestDioEvents::portMembers_checks_data() {
    QTest::addColumn<QString>("config");
    QTest::addColumn<int>("member"); // 0 SetDiPatternMatch, 1 EnableDiPatternMatch,
                                     // 2 SetDiStatusChange, 3 EnableDiStatusChange
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("hr");
    QTest::addColumn<int>("code");
    QTest::newRow("pattern: no table") << kNoInterrupt << 0 << 0 << int(E_FAIL) << 10;
    QTest::newRow("pattern enable: no table") << kNoInterrupt << 1 << 0 << int(E_FAIL) << 10;
    QTest::newRow("status: no table") << kNoInterrupt << 2 << 0 << int(E_FAIL) << 11;
    QTest::newRow("status enable: no table") << kNoInterrupt << 3 << 0 << int(E_FAIL) << 11;
    QTest::newRow("pattern: port 4") << kFull << 0 << 4 << int(E_FAIL) << 16;
    QTest::newRow("pattern: port -1") << kFull << 1 << -1 << int(E_FAIL) << 16;
    QTest::newRow("status: port 4") << kFull << 2 << 4 << int(E_FAIL) << 16;
    QTest::newRow("pattern: port without record") << kFull << 0 << 1 << int(E_FAIL) << 26;
    QTest::newRow("pattern enable: no record") << kFull << 1 << 3 << int(E_FAIL) << 26;
    QTest::newRow("status: port without record") << kFull << 2 << 0 << int(E_FAIL) << 27;
    QTest::newRow("status enable: no record") << kFull << 3 << 3 << int(E_FAIL) << 27;
    QTest::newRow("pattern: record") << kFull << 0 << 0 << int(S_OK) << 0;
    QTest::newRow("status enable: record") << kFull << 3 << 2 << int(S_OK) << 0;
    QTest::newRow("no device") << kNoDevice << 1 << 0 << int(E_FAIL) << 25;
}

void TestDioEvents::portMembers_checks() {
    QFETCH(QString, config);
    QFETCH(int, member);
    QFETCH(int, port);
    QFETCH(int, hr);
    QFETCH(int, code);
    const QByteArray text = config.toLatin1();
    Fixture f(text.constData());
    f.ctl->put_LastErrorCode(0);
    VARIANT_BOOL r = 7;
    HRESULT got = E_NOTIMPL;
    switch (member) {
    case 0:
        got = f.ctl->SetDiPatternMatch(port, 1, 1, &r);
        break;
    case 1:
        got = f.ctl->EnableDiPatternMatch(port, -1);
        break;
    case 2:
        got = f.ctl->SetDiStatusChange(port, 1, &r);
        break;
    default:
        got = f.ctl->EnableDiStatusChange(port, -1);
        break;
    }
    QCOMPARE(int(got), hr);
    QCOMPARE(f.code(), code);
    if (member == 0 || member == 2)
        QCOMPARE(r, VARIANT_BOOL(hr == S_OK ? 1 : 0));
}

void TestDioEvents::readBacks_outputsZeroedAndFilled() {
    Fixture f(kFull);
    int32_t a = 9, b = 9, c = 9, d = 9;
    VARIANT_BOOL e = 9, r = 9;
    // Unsupported channel: zeros, result 0, S_OK with error 3.
    QCOMPARE(f.ctl->GetDiInterruptSetting(12, &e, &a, &b, &c, &r), S_OK);
    QVERIFY(e == 0 && a == 0 && b == 0 && c == 0 && r == 0);
    QCOMPARE(f.code(), 3);
    // Missing record: S_OK for the pattern read-back, S_FALSE for status.
    a = b = c = d = 9;
    QCOMPARE(f.ctl->GetDiPatternMatchSetting(1, &a, &b, &e, &c, &d, &r), S_OK);
    QVERIFY(a == 0 && b == 0 && c == 0 && d == 0 && r == 0);
    QCOMPARE(f.code(), 26);
    QCOMPARE(f.ctl->GetDiStatusChangeSetting(0, &a, &e, &c, &d, &r), S_FALSE);
    QCOMPARE(f.code(), 27);
    // Null outputs are skipped.
    QCOMPARE(f.ctl->GetDiInterruptSetting(0, nullptr, nullptr, nullptr, nullptr, nullptr), S_OK);
    QCOMPARE(f.ctl->put_DeviceNumber(5), S_FALSE); // closes
    r = 9;
    QCOMPARE(f.ctl->GetDiInterruptSetting(0, &e, &a, &b, &c, &r), E_FAIL);
    QCOMPARE(r, VARIANT_BOOL(0));
    QCOMPARE(f.code(), 25);
    a = 9;
    QCOMPARE(f.ctl->GetDiStatusChangeSetting(0, &a, &e, &c, &d, &r), E_FAIL);
    QCOMPARE(a, 0);
}

void TestDioEvents::survey_edgeMasksGiveTriggers() {
    // A board that starts with edge masks set: rising on 0, falling on 1,
    // both on 2 (no dual edge: falling wins).
    Fixture f(kFull);
    DaqHandle h = 0;
    const auto& drv = driver::DaqDriver::Instance();
    QCOMPARE(drv.DeviceOpen(0, &h), DAQ_OK);
    const uint8_t rising[4] = {0x05, 0, 0, 0}, falling[4] = {0x06, 0, 0, 0};
    drv.DeviceSetProperty(h, DAQ_PROP_DI_RISING_EDGE_MASKS, rising, 4);
    drv.DeviceSetProperty(h, DAQ_PROP_DI_FALLING_EDGE_MASKS, falling, 4);
    drv.DeviceClose(&h);
    QCOMPARE(f.ctl->put_DeviceNumber(0), S_OK);
    const int expected[] = {1, 2, 2, 1};
    for (int ch = 0; ch < 4; ++ch) {
        int32_t trigger = -1;
        VARIANT_BOOL r = 0;
        QCOMPARE(f.ctl->GetDiInterruptSetting(ch, nullptr, &trigger, nullptr, nullptr, &r), S_OK);
        QCOMPARE(trigger, expected[ch]);
    }
}

void TestDioEvents::eventEnabled_boardWithoutInterrupts_fails12() {
    Fixture f(kNoInterrupt);
    QCOMPARE(f.ctl->put_EventEnabled(-1), E_FAIL);
    QCOMPARE(f.code(), 12);
    QCOMPARE(f.message(), QString("Device does not support Interrupt function!!"));
    QVERIFY(!f.eventEnabled());
    QCOMPARE(EventChecker::LiveWorkers(), 0);
}

void TestDioEvents::eventEnabled_sameValueWithoutDevice_succeeds() {
    Fixture f(kNoDevice);
    QCOMPARE(f.ctl->put_EventEnabled(0), S_OK);
    QCOMPARE(f.code(), 36); // the failed first open stays reported
}

void TestDioEvents::eventEnabled_noDevice_fails25() {
    Fixture f(kNoDevice);
    QCOMPARE(f.ctl->put_EventEnabled(-1), E_FAIL);
    QCOMPARE(f.code(), 25);
    QVERIFY(!f.eventEnabled());
    VARIANT_BOOL* none = nullptr;
    QCOMPARE(f.ctl->get_EventEnabled(none), E_FAIL);
    QCOMPARE(f.code(), 22);
}

void TestDioEvents::arming_sendsMasksAndListsOfAllPorts() {
    Fixture f(kFull);
    f.armChannel(8, 0, 0, 2);
    VARIANT_BOOL r = 0;
    QCOMPARE(f.ctl->SetDiPatternMatch(0, 0x33, 0xF0, &r), S_OK);
    QCOMPARE(f.ctl->SetDiPatternMatch(2, 0x04, 0, &r), S_OK);
    QCOMPARE(f.ctl->EnableDiPatternMatch(2, -1), S_OK);
    QCOMPARE(f.ctl->SetDiStatusChange(2, 0xC0, &r), S_OK);
    QCOMPARE(f.ctl->put_EventEnabled(-1), S_OK);
    uint8_t buf[4] = {};
    uint32_t size = 4;
    QCOMPARE(daqsim_get_property(0, DAQ_PROP_DI_FALLING_EDGE_MASKS, buf, &size), DAQ_OK);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), 4), QByteArray("\x00\x01\x00\x00", 4));
    size = 4;
    QCOMPARE(daqsim_get_property(0, DAQ_PROP_DI_RISING_EDGE_MASKS, buf, &size), DAQ_OK);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), 4), QByteArray("\xFF\x00\x00\x00", 4));
    size = 4;
    QCOMPARE(daqsim_get_property(0, DAQ_PROP_DI_PATTERN_ENABLE_MASKS, buf, &size), DAQ_OK);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), 4), QByteArray("\xF0\x00\x0F\x00", 4));
    size = 4;
    QCOMPARE(daqsim_get_property(0, DAQ_PROP_DI_PATTERN_VALUES, buf, &size), DAQ_OK);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), 4), QByteArray("\x33\x00\x04\x00", 4));
    size = 4;
    QCOMPARE(daqsim_get_property(0, DAQ_PROP_DI_STATUS_ENABLE_MASKS, buf, &size), DAQ_OK);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), 4), QByteArray("\x00\x00\xC0\x00", 4));
    QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_INTERRUPT + 8, nullptr, nullptr), 1);
    QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_PATTERN_MATCH + 2, nullptr, nullptr), 1);
    QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_PATTERN_MATCH, nullptr, nullptr), 0);
    QCOMPARE(daqsim_event_armed(0, DAQ_EVENT_DI_STATUS_CHANGE + 2, nullptr, nullptr), 0);
    QCOMPARE(f.ctl->put_EventEnabled(0), S_OK);
}

QTEST_MAIN(TestDioEvents)
#include "tst_dio_events.moc"
