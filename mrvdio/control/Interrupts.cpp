// Interrupt configuration of the control: the survey of the three interrupt
// functions when a device is opened, EventEnabled, arming and disarming, and
// the configuration members of IMrvDIO.

#include "control/MrvDIOCtrl.h"

#include "control/ConnectionPoint.h"
#include "control/EventChecker.h"
#include "control/Module.h"
#include "mrvdio/Variant.h"

#include <algorithm>

namespace mrvdio {

namespace {

// A byte list property of `count` bytes; all zero when it cannot be read.
std::vector<uint8_t> ReadList(const driver::DaqDriver& drv, DaqHandle handle, uint32_t id,
                              int32_t count, bool* readable = nullptr) {
    std::vector<uint8_t> list;
    const DaqResult r = drv.GetPropertyBytes(handle, id, &list, static_cast<uint32_t>(count));
    if (readable)
        *readable = r == DAQ_OK;
    if (r != DAQ_OK)
        list.clear();
    list.resize(static_cast<size_t>(std::max(count, 0)), 0);
    return list;
}

// Whether the driver answers the size query of a list property.
DaqResult AskSize(const driver::DaqDriver& drv, DaqHandle handle, uint32_t id, int32_t capacity) {
    uint32_t size = static_cast<uint32_t>(std::max(capacity, 0));
    return drv.DeviceGetProperty(handle, id, nullptr, &size);
}

} // namespace

// ------------------------------------------------------------------- survey

bool MrvDIOCtrl::SurveyDiInterrupt() {
    if (AskSize(drv_, handle_, DAQ_PROP_DI_INTERRUPT_CHANNELS, diPortCount_) != DAQ_OK) {
        restorePending_[RestoreInterrupt] = 0; // no DI interrupt on this device
        return true;
    }
    int32_t dual = 0;
    if (drv_.GetPropertyInt(handle_, DAQ_PROP_DI_BOTH_EDGES, &dual) != DAQ_OK)
        dual = 0;
    dualEdgeCapable_ = dual;
    bool risingReadable = false, fallingReadable = false;
    const auto rising =
        ReadList(drv_, handle_, DAQ_PROP_DI_RISING_EDGE_MASKS, diPortCount_, &risingReadable);
    const auto falling =
        ReadList(drv_, handle_, DAQ_PROP_DI_FALLING_EDGE_MASKS, diPortCount_, &fallingReadable);
    risingEdgeCapable_ = risingReadable ? 1 : 0;
    fallingEdgeCapable_ = fallingReadable ? 1 : 0;

    if (restorePending_[RestoreInterrupt]) {
        if (diInterrupt_) {
            const auto records = *diInterrupt_;
            const size_t n =
                std::min<size_t>(records.size(), static_cast<size_t>(std::max(diChannelCount_, 0)));
            for (size_t c = 0; c < n; ++c) {
                const DiInterruptSetting& rec = records[c];
                if (!rec.supported)
                    continue;
                VARIANT_BOOL ignored = 0;
                const auto channel = static_cast<int32_t>(c);
                AssignDiInterruptDiScanRange(channel, rec.scanStart, rec.scanCount, &ignored);
                SetDiInterrupt(channel, rec.trigger, &ignored);
                EnableDiInterrupt(channel, rec.enabled);
            }
        }
        restorePending_[RestoreInterrupt] = 0;
        return true;
    }

    std::vector<uint8_t> capable;
    const DaqResult r = drv_.GetPropertyBytes(handle_, DAQ_PROP_DI_INTERRUPT_CHANNELS, &capable,
                                              static_cast<uint32_t>(std::max(diPortCount_, 0)));
    if (r != DAQ_OK) {
        if (driver::IsNotSupported(r))
            return true;
        ReportDriverError(r);
        return false;
    }
    capable.resize(static_cast<size_t>(std::max(diPortCount_, 0)), 0);
    const size_t channels = static_cast<size_t>(std::max(diChannelCount_, 0));
    if (!diInterrupt_ || diInterrupt_->size() != channels)
        diInterrupt_.emplace(channels, DiInterruptSetting{});
    auto& table = *diInterrupt_;

    int32_t first = 0;
    for (int32_t p = 0; p < diPortCount_; ++p) {
        const int32_t count =
            p < static_cast<int32_t>(portChannelCounts_.size()) ? portChannelCounts_[p] : 8;
        for (int32_t i = 0; i < count && i < 8; ++i) {
            const int32_t channel = first + i;
            if (channel >= 0 && channel < static_cast<int32_t>(table.size()))
                table[channel].supported = (capable[p] >> i) & 1u;
        }
        first += count;
    }
    for (size_t c = 0; c < table.size(); ++c) {
        DiInterruptSetting& rec = table[c];
        const auto [p, b] = ChannelToPortBit(static_cast<int32_t>(c));
        const bool risingBit = p < static_cast<int32_t>(rising.size()) && ((rising[p] >> b) & 1u);
        const bool fallingBit =
            p < static_cast<int32_t>(falling.size()) && ((falling[p] >> b) & 1u);
        uint8_t trigger = risingBit ? 1 : rec.trigger;
        if (fallingBit)
            trigger = (trigger == 1 && dualEdgeCapable_ == 1) ? 3 : 2;
        else if (rec.supported)
            trigger = 1;
        rec.trigger = trigger;
        rec.risingEdgeCapable = risingEdgeCapable_;
        rec.fallingEdgeCapable = fallingEdgeCapable_;
        if (rec.supported) {
            rec.scanStart = 0;
            rec.scanCount = 0;
            rec.enabled = 0;
            rec.running = 0;
        }
    }
    return true;
}

namespace {

// The shared steps of the pattern-match and status-change surveys.
template <class Record, class Fill>
bool SurveyPorts(const driver::DaqDriver& drv, DaqHandle handle, int32_t diPortCount,
                 uint32_t channelsId, int32_t* portCount, std::optional<std::vector<Record>>* table,
                 DaqResult* failure, Fill fill) {
    std::vector<uint8_t> channels;
    const DaqResult r = drv.GetPropertyBytes(handle, channelsId, &channels,
                                             static_cast<uint32_t>(std::max(diPortCount, 0)));
    if (r != DAQ_OK) {
        *portCount = -1;
        *failure = driver::IsNotSupported(r) ? DAQ_OK : r;
        return false;
    }
    channels.resize(static_cast<size_t>(std::max(diPortCount, 0)), 0);
    const auto count = static_cast<int32_t>(
        std::count_if(channels.begin(), channels.end(), [](uint8_t b) { return b != 0; }));
    *portCount = count;
    if (!*table || (*table)->size() != static_cast<size_t>(count))
        table->emplace(static_cast<size_t>(count), Record{});
    size_t k = 0;
    for (size_t p = 0; p < channels.size() && k < (*table)->size(); ++p) {
        if (!channels[p])
            continue;
        Record& rec = (**table)[k++];
        rec = Record{};
        rec.port = static_cast<uint8_t>(p);
        rec.supportedChannels = channels[p];
        fill(rec, p);
    }
    *failure = DAQ_OK;
    return true;
}

} // namespace

bool MrvDIOCtrl::SurveyPatternMatch() {
    if (AskSize(drv_, handle_, DAQ_PROP_DI_PATTERN_CHANNELS, diPortCount_) != DAQ_OK) {
        restorePending_[RestorePattern] = 0;
        return true;
    }
    if (restorePending_[RestorePattern]) {
        if (diPattern_) {
            const auto records = *diPattern_;
            for (const DiPatternMatchSetting& rec : records) {
                VARIANT_BOOL ignored = 0;
                AssignDiPatternMatchDiScanRange(rec.port, rec.scanStart, rec.scanCount, &ignored);
                SetDiPatternMatch(rec.port, rec.pattern, rec.mask, &ignored);
                EnableDiPatternMatch(rec.port, rec.enabled);
            }
        }
        restorePending_[RestorePattern] = 0;
        return true;
    }
    bool masksReadable = false, settableReadable = false;
    const auto masks =
        ReadList(drv_, handle_, DAQ_PROP_DI_PATTERN_ENABLE_MASKS, diPortCount_, &masksReadable);
    const auto settable =
        ReadList(drv_, handle_, DAQ_PROP_DI_PATTERN_MASK_SETTABLE, diPortCount_, &settableReadable);
    const auto values = ReadList(drv_, handle_, DAQ_PROP_DI_PATTERN_VALUES, diPortCount_);
    DaqResult failure = DAQ_OK;
    const bool surveyed = SurveyPorts<DiPatternMatchSetting>(
        drv_, handle_, diPortCount_, DAQ_PROP_DI_PATTERN_CHANNELS, &patternPortCount_, &diPattern_,
        &failure, [&](DiPatternMatchSetting& rec, size_t p) {
            rec.mask = masksReadable ? masks[p] : 0;
            rec.maskSettable = settableReadable ? (settable[p] != 0 ? 1 : 0) : 1;
            if (!rec.maskSettable)
                rec.mask = 0xFF;
            rec.pattern = values[p];
        });
    if (!surveyed && failure != DAQ_OK) {
        ReportDriverError(failure);
        return false;
    }
    return true;
}

bool MrvDIOCtrl::SurveyStatusChange() {
    if (AskSize(drv_, handle_, DAQ_PROP_DI_STATUS_CHANNELS, diPortCount_) != DAQ_OK) {
        restorePending_[RestoreStatus] = 0;
        return true;
    }
    if (restorePending_[RestoreStatus]) {
        if (diStatus_) {
            const auto records = *diStatus_;
            for (const DiStatusChangeSetting& rec : records) {
                VARIANT_BOOL ignored = 0;
                AssignDiStatusChangeDiScanRange(rec.port, rec.scanStart, rec.scanCount, &ignored);
                SetDiStatusChange(rec.port, rec.mask, &ignored);
                EnableDiStatusChange(rec.port, rec.enabled);
            }
        }
        restorePending_[RestoreStatus] = 0;
        return true;
    }
    bool masksReadable = false, settableReadable = false;
    const auto masks =
        ReadList(drv_, handle_, DAQ_PROP_DI_STATUS_ENABLE_MASKS, diPortCount_, &masksReadable);
    const auto settable =
        ReadList(drv_, handle_, DAQ_PROP_DI_STATUS_MASK_SETTABLE, diPortCount_, &settableReadable);
    DaqResult failure = DAQ_OK;
    const bool surveyed = SurveyPorts<DiStatusChangeSetting>(
        drv_, handle_, diPortCount_, DAQ_PROP_DI_STATUS_CHANNELS, &statusPortCount_, &diStatus_,
        &failure, [&](DiStatusChangeSetting& rec, size_t p) {
            rec.mask = masksReadable ? masks[p] : 0;
            rec.maskSettable = settableReadable ? (settable[p] != 0 ? 1 : 0) : 1;
            if (!rec.maskSettable)
                rec.mask = 0xFF;
        });
    if (!surveyed && failure != DAQ_OK) {
        ReportDriverError(failure);
        return false;
    }
    return true;
}

// ------------------------------------------------------------- EventEnabled

HRESULT MrvDIOCtrl::get_EventEnabled(VARIANT_BOOL* value) {
    if (!value) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    *value = eventEnabled_;
    return S_OK;
}

HRESULT MrvDIOCtrl::put_EventEnabled(VARIANT_BOOL value) {
    if (value == eventEnabled_)
        return S_OK;
    if (!handle_) {
        ReportError(Err::NoDevice);
        if (deviceChanged_) {
            deviceChanged_ = false;
            return S_FALSE;
        }
        return E_FAIL;
    }
    if (!UserMode()) {
        eventEnabled_ = value;
        return S_OK;
    }
    if (value == 0) {
        threadRun_ = false;
        if (events_)
            events_->Stop(false);
        Disarm();
        eventEnabled_ = value;
        return S_OK;
    }
    Arm();
    if (!diInterrupt_ && !diPattern_ && !diStatus_) {
        threadRun_ = false;
        PostErrorInfo(u"No Event Enabled!", MRVDIO_PROGID_VERSION, GUID_NULL);
        ReportError(Err::NoInterruptFunction);
        return E_FAIL;
    }
    threadRun_ = true;
    if (!Events().Start(drv_, handle_, diPortCount_)) {
        ReportError(Err::ThreadNotCreated);
        threadRun_ = false;
        return E_FAIL;
    }
    eventEnabled_ = value;
    return S_OK;
}

EventChecker& MrvDIOCtrl::Events() {
    if (!events_) {
        events_ = std::make_unique<EventChecker>(
            eventWindow_, [this](EventKind kind, int32_t index, VARIANT* data, DaqResult failure) {
                OnEvent(kind, index, data, failure);
            });
    }
    return *events_;
}

void MrvDIOCtrl::StopEvents(bool wait) {
    threadRun_ = false;
    if (events_)
        events_->Stop(wait);
}

// ------------------------------------------------------ arming, disarming

MrvDIOCtrl::EdgeMasks MrvDIOCtrl::BuildEdgeMasks() {
    EdgeMasks masks;
    const auto ports = static_cast<size_t>(std::max(diPortCount_, 0));
    masks.rising.assign(ports, 0);
    masks.falling.assign(ports, 0);
    if (!diInterrupt_)
        return masks;
    const auto& table = *diInterrupt_;
    int32_t first = 0;
    for (size_t p = 0; p < ports; ++p) {
        const int32_t count = p < portChannelCounts_.size() ? portChannelCounts_[p] : 8;
        for (int32_t j = 0; j < count && j < 8; ++j) {
            const int32_t channel = first + j;
            if (channel < 0 || channel >= static_cast<int32_t>(table.size()))
                continue;
            const DiInterruptSetting& rec = table[channel];
            if (!rec.supported)
                continue;
            if (rec.trigger == 1 || rec.trigger == 3)
                masks.rising[p] |= static_cast<uint8_t>(1u << j);
            if (rec.trigger == 2 || rec.trigger == 3)
                masks.falling[p] |= static_cast<uint8_t>(1u << j);
            if (rec.enabled)
                interruptArmed_ = true;
        }
        first += count;
    }
    return masks;
}

DaqResult MrvDIOCtrl::SendEdgeMasks() {
    const EdgeMasks masks = BuildEdgeMasks();
    const auto bytes = static_cast<uint32_t>(masks.rising.size());
    DaqResult r = DAQ_OK;
    if (risingEdgeCapable_)
        r = drv_.DeviceSetProperty(handle_, DAQ_PROP_DI_RISING_EDGE_MASKS, masks.rising.data(),
                                   bytes);
    if (fallingEdgeCapable_) {
        const DaqResult f = drv_.DeviceSetProperty(handle_, DAQ_PROP_DI_FALLING_EDGE_MASKS,
                                                   masks.falling.data(), bytes);
        if (r == DAQ_OK)
            r = f;
    }
    return r;
}

DaqResult MrvDIOCtrl::SendPatternLists() {
    const auto ports = static_cast<size_t>(std::max(diPortCount_, 0));
    std::vector<uint8_t> masks(ports, 0), values(ports, 0);
    for (size_t k = 0; k < ports; ++k) {
        if (const DiPatternMatchSetting* rec = PatternRecord(static_cast<int32_t>(k))) {
            masks[k] = rec->mask;
            values[k] = rec->pattern;
            if (rec->enabled)
                patternArmed_ = true;
        }
    }
    const auto bytes = static_cast<uint32_t>(ports);
    DaqResult r =
        drv_.DeviceSetProperty(handle_, DAQ_PROP_DI_PATTERN_ENABLE_MASKS, masks.data(), bytes);
    const DaqResult v =
        drv_.DeviceSetProperty(handle_, DAQ_PROP_DI_PATTERN_VALUES, values.data(), bytes);
    return r != DAQ_OK ? r : v;
}

DaqResult MrvDIOCtrl::SendStatusMasks() {
    const auto ports = static_cast<size_t>(std::max(diPortCount_, 0));
    std::vector<uint8_t> masks(ports, 0);
    for (size_t k = 0; k < ports; ++k) {
        if (const DiStatusChangeSetting* rec = StatusRecord(static_cast<int32_t>(k))) {
            masks[k] = rec->mask;
            if (rec->enabled)
                statusArmed_ = true;
        }
    }
    return drv_.DeviceSetProperty(handle_, DAQ_PROP_DI_STATUS_ENABLE_MASKS, masks.data(),
                                  static_cast<uint32_t>(ports));
}

DaqResult MrvDIOCtrl::EnableEventAtDriver(uint32_t eventId, uint8_t scanStart, uint8_t scanCount) {
    Events().SetScanCount(static_cast<uint16_t>(eventId), scanCount);
    return drv_.EnableEventAndSpecifyDiPorts(handle_, eventId, scanStart, scanCount);
}

void MrvDIOCtrl::Arm() {
    interruptArmed_ = false;
    if (diInterrupt_) {
        SendEdgeMasks();
        if (interruptArmed_) {
            for (size_t c = 0; c < diInterrupt_->size(); ++c) {
                DiInterruptSetting& rec = (*diInterrupt_)[c];
                if (!rec.supported || !rec.enabled)
                    continue;
                EnableEventAtDriver(DAQ_EVENT_DI_INTERRUPT + static_cast<uint32_t>(c),
                                    rec.scanStart, rec.scanCount);
                rec.running = 1;
            }
        }
    }
    patternArmed_ = false;
    if (diPattern_) {
        SendPatternLists();
        if (patternArmed_) {
            for (DiPatternMatchSetting& rec : *diPattern_) {
                if (!rec.enabled)
                    continue;
                EnableEventAtDriver(DAQ_EVENT_DI_PATTERN_MATCH + rec.port, rec.scanStart,
                                    rec.scanCount);
                rec.running = 1;
            }
        }
    }
    statusArmed_ = false;
    if (diStatus_) {
        SendStatusMasks();
        if (statusArmed_) {
            for (DiStatusChangeSetting& rec : *diStatus_) {
                if (!rec.enabled)
                    continue;
                EnableEventAtDriver(DAQ_EVENT_DI_STATUS_CHANGE + rec.port, rec.scanStart,
                                    rec.scanCount);
                rec.running = 1;
            }
        }
    }
}

void MrvDIOCtrl::Disarm() {
    if (interruptArmed_ && diInterrupt_) {
        for (size_t c = 0; c < diInterrupt_->size(); ++c) {
            DiInterruptSetting& rec = (*diInterrupt_)[c];
            if (rec.enabled && rec.running) {
                drv_.DisableEvent(handle_, DAQ_EVENT_DI_INTERRUPT + static_cast<uint32_t>(c));
                rec.running = 0;
            }
        }
    }
    interruptArmed_ = false;
    if (patternArmed_ && diPattern_) {
        for (int32_t k = 0; k < diPortCount_; ++k) {
            DiPatternMatchSetting* rec = PatternRecord(k);
            if (rec && rec->enabled && rec->running) {
                drv_.DisableEvent(handle_, DAQ_EVENT_DI_PATTERN_MATCH + static_cast<uint32_t>(k));
                rec->running = 0;
            }
        }
    }
    patternArmed_ = false;
    if (statusArmed_ && diStatus_) {
        for (int32_t k = 0; k < diPortCount_; ++k) {
            DiStatusChangeSetting* rec = StatusRecord(k);
            if (rec && rec->enabled && rec->running) {
                drv_.DisableEvent(handle_, DAQ_EVENT_DI_STATUS_CHANGE + static_cast<uint32_t>(k));
                rec->running = 0;
            }
        }
    }
    statusArmed_ = false;
}

DiPatternMatchSetting* MrvDIOCtrl::PatternRecord(int32_t port) {
    if (!diPattern_)
        return nullptr;
    for (DiPatternMatchSetting& rec : *diPattern_)
        if (rec.port == static_cast<uint8_t>(port & 0xFF))
            return &rec;
    return nullptr;
}

DiStatusChangeSetting* MrvDIOCtrl::StatusRecord(int32_t port) {
    if (!diStatus_)
        return nullptr;
    for (DiStatusChangeSetting& rec : *diStatus_)
        if (rec.port == static_cast<uint8_t>(port & 0xFF))
            return &rec;
    return nullptr;
}

// ---------------------------------------------------------------- events

void MrvDIOCtrl::OnEvent(EventKind kind, int32_t index, VARIANT* data, DaqResult failure) {
    int32_t scanStart = 0, scanCount = 0;
    VARIANT_BOOL found = 0;
    switch (kind) {
    case EventKind::DiInterrupt:
        GetDiInterruptSetting(index, nullptr, nullptr, &scanStart, &scanCount, &found);
        RaiseEvent(DISPID_OnDiInterrupt, index, data, scanStart, scanCount);
        break;
    case EventKind::PatternMatch:
        GetDiPatternMatchSetting(index, nullptr, nullptr, nullptr, &scanStart, &scanCount, &found);
        RaiseEvent(DISPID_OnDiPatternMatch, index, data, scanStart, scanCount);
        break;
    case EventKind::StatusChange:
        GetDiStatusChangeSetting(index, nullptr, nullptr, &scanStart, &scanCount, &found);
        RaiseEvent(DISPID_OnDiStatusChange, index, data, scanStart, scanCount);
        break;
    case EventKind::ReadFailure:
        // The latched states could not be read: events go off (which also
        // disables the armed events at the driver) and the host learns why.
        threadRun_ = false;
        put_EventEnabled(0);
        ReportDriverError(failure);
        break;
    case EventKind::NoBuffer:
        ReportError(Err::InsufficientMemory);
        break;
    }
}

void MrvDIOCtrl::RaiseEvent(DISPID dispid, int32_t index, VARIANT* data, int32_t scanStart,
                            int32_t scanCount) {
    // Copy first: a sink may disconnect, or connect another, while called.
    std::vector<IUnknown*> sinks;
    for (const auto& s : eventsPoint_->Sinks()) {
        s.second->AddRef();
        sinks.push_back(s.second);
    }
    VARIANT empty;
    VariantInit(&empty);
    for (IUnknown* sink : sinks) {
        // Arguments in reverse order: index, data, scanStart, scanCount.
        VARIANT args[4];
        for (VARIANT& a : args)
            VariantInit(&a);
        args[3].vt = VT_I4;
        args[3].lVal = index;
        args[2].vt = VT_BYREF | VT_VARIANT;
        args[2].pvarVal = data ? data : &empty;
        args[1].vt = VT_I4;
        args[1].lVal = scanStart;
        args[0].vt = VT_I4;
        args[0].lVal = scanCount;
        DISPPARAMS params{args, nullptr, 4, 0};
        static_cast<IDispatch*>(sink)->Invoke(dispid, GUID_NULL, LOCALE_USER_DEFAULT,
                                              DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        sink->Release();
    }
}

// ---------------------------------------------------- configuration members

namespace {

void SetResult(VARIANT_BOOL* result, bool value) {
    if (result)
        *result = value ? 1 : 0;
}

} // namespace

// The checks every DI interrupt member starts with; 0 when they pass, else
// the HRESULT to return (the error is reported).
HRESULT MrvDIOCtrl::CheckInterruptChannel(int32_t channel) {
    if (!handle_) {
        ReportError(Err::NoDevice);
        return E_FAIL;
    }
    if (!diInterrupt_) {
        ReportError(Err::NoDiInterrupt);
        return E_FAIL;
    }
    if (channel < 0 || channel >= diChannelCount_ ||
        channel >= static_cast<int32_t>(diInterrupt_->size())) {
        ReportError(Err::InvalidDiChannel);
        return E_FAIL;
    }
    if (!(*diInterrupt_)[channel].supported) {
        ReportError(Err::ChannelNoDiInterrupt);
        return restorePending_[RestoreInterrupt] ? S_FALSE : E_FAIL;
    }
    return S_OK;
}

HRESULT MrvDIOCtrl::SetDiInterrupt(int32_t channel, int32_t trigger, VARIANT_BOOL* pResult) {
    SetResult(pResult, false);
    if (const HRESULT hr = CheckInterruptChannel(channel); hr != S_OK)
        return hr;
    DiInterruptSetting& rec = (*diInterrupt_)[channel];
    Err error = Err::NoError;
    if (trigger < 0 || trigger > 3)
        error = Err::InvalidTrigger;
    else if (trigger == 1 && !risingEdgeCapable_)
        error = Err::NoRisingEdge;
    else if (trigger == 2 && !fallingEdgeCapable_)
        error = Err::NoFallingEdge;
    else if (trigger == 3 && dualEdgeCapable_ != 1)
        error = Err::NoDualEdge;
    else if (rec.running)
        error = Err::ConfigurationRunning;
    if (error != Err::NoError) {
        ReportError(error);
        return E_FAIL;
    }
    if (trigger != 0)
        rec.trigger = static_cast<uint8_t>(trigger);
    dirty_ = true;
    SetResult(pResult, true);
    return S_OK;
}

HRESULT MrvDIOCtrl::EnableDiInterrupt(int32_t channel, VARIANT_BOOL enabled) {
    if (const HRESULT hr = CheckInterruptChannel(channel); hr != S_OK)
        return hr;
    DiInterruptSetting& rec = (*diInterrupt_)[channel];
    rec.enabled = static_cast<uint8_t>(enabled & 0xFF);
    if ((rec.running && enabled) || !UserMode() || !eventEnabled_)
        return S_OK;
    const uint32_t id = DAQ_EVENT_DI_INTERRUPT + static_cast<uint32_t>(channel);
    if (!enabled) {
        const DaqResult r = drv_.DisableEvent(handle_, id);
        if (r != DAQ_OK) {
            ReportDriverError(r);
            return E_FAIL;
        }
        rec.running = 0;
        return S_OK;
    }
    DaqResult r = SendEdgeMasks();
    if (r == DAQ_OK)
        r = EnableEventAtDriver(id, rec.scanStart, rec.scanCount);
    if (r != DAQ_OK) {
        ReportDriverError(r);
        return E_FAIL;
    }
    rec.running = 1;
    // Disarming must find it again when events go off.
    interruptArmed_ = true;
    return S_OK;
}

namespace {

// Scan range checks shared by the three Assign members: NoError when the
// range fits (possibly clipped: *clipped set), else the error number.
Err CheckScanRange(int32_t diPortCount, int32_t scanStart, int32_t* scanCount, bool* clipped) {
    *clipped = false;
    if (scanStart < 0 || scanStart >= diPortCount || *scanCount < 0)
        return Err::InvalidScanRange;
    if (static_cast<int64_t>(scanStart) + *scanCount > diPortCount) {
        *scanCount = diPortCount - scanStart;
        *clipped = true;
    }
    return Err::NoError;
}

} // namespace

HRESULT MrvDIOCtrl::AssignDiInterruptDiScanRange(int32_t channel, int32_t scanStart,
                                                 int32_t scanCount, VARIANT_BOOL* pResult) {
    SetResult(pResult, false);
    if (const HRESULT hr = CheckInterruptChannel(channel); hr != S_OK)
        return hr;
    bool complete = true, clipped = false;
    if (const Err error = CheckScanRange(diPortCount_, scanStart, &scanCount, &clipped);
        error != Err::NoError) {
        ReportError(error);
        return E_FAIL;
    }
    if (clipped) {
        ReportError(Err::InvalidScanRange);
        complete = false;
    }
    DiInterruptSetting& rec = (*diInterrupt_)[channel];
    if (rec.running) {
        ReportError(Err::ConfigurationRunning);
        complete = false;
    } else {
        rec.scanStart = static_cast<uint8_t>(scanStart);
        rec.scanCount = static_cast<uint8_t>(scanCount);
    }
    dirty_ = true;
    SetResult(pResult, complete);
    return S_OK;
}

// What the pattern-match and status-change members differ in: the record
// and its table, the error numbers, the restore flag, the event ids and the
// lists the driver needs before an event is enabled.
struct MrvDIOCtrl::PatternMatchTraits {
    using Record = DiPatternMatchSetting;
    static constexpr bool kHasPattern = true;
    static constexpr Err kNoTable = Err::NoDiPatternMatch;
    static constexpr Err kNoRecord = Err::PortNoPatternMatch;
    static constexpr RestoreTable kRestore = RestorePattern;
    static constexpr uint32_t kEventBase = DAQ_EVENT_DI_PATTERN_MATCH;
    static constexpr auto kTable = &MrvDIOCtrl::diPattern_;
    static constexpr auto kFind = &MrvDIOCtrl::PatternRecord;
    static constexpr auto kSend = &MrvDIOCtrl::SendPatternLists;
    static constexpr auto kArmed = &MrvDIOCtrl::patternArmed_;
};

struct MrvDIOCtrl::StatusChangeTraits {
    using Record = DiStatusChangeSetting;
    static constexpr bool kHasPattern = false;
    static constexpr Err kNoTable = Err::NoDiStatusChange;
    static constexpr Err kNoRecord = Err::PortNoStatusChange;
    static constexpr RestoreTable kRestore = RestoreStatus;
    static constexpr uint32_t kEventBase = DAQ_EVENT_DI_STATUS_CHANGE;
    static constexpr auto kTable = &MrvDIOCtrl::diStatus_;
    static constexpr auto kFind = &MrvDIOCtrl::StatusRecord;
    static constexpr auto kSend = &MrvDIOCtrl::SendStatusMasks;
    static constexpr auto kArmed = &MrvDIOCtrl::statusArmed_;
};

// The checks every port member starts with: S_OK with the record, else the
// HRESULT to return (the error is reported).
template <class T> HRESULT MrvDIOCtrl::CheckPort(int32_t port, typename T::Record** record) {
    *record = nullptr;
    if (!handle_) {
        ReportError(Err::NoDevice);
        return E_FAIL;
    }
    if (!(this->*T::kTable)) {
        ReportError(T::kNoTable);
        return E_FAIL;
    }
    if (port < 0 || port >= diPortCount_) {
        ReportError(Err::InvalidDiPort);
        return E_FAIL;
    }
    *record = (this->*T::kFind)(port);
    if (!*record) {
        ReportError(T::kNoRecord);
        return restorePending_[T::kRestore] ? S_FALSE : E_FAIL;
    }
    return S_OK;
}

// SetDiPatternMatch (mask and pattern) and SetDiStatusChange (mask only).
template <class T>
HRESULT MrvDIOCtrl::SetPortSetting(int32_t port, int32_t pattern, int32_t mask,
                                   VARIANT_BOOL* pResult) {
    SetResult(pResult, false);
    typename T::Record* rec = nullptr;
    if (const HRESULT hr = CheckPort<T>(port, &rec); hr != S_OK)
        return hr;
    if (rec->running) {
        ReportError(Err::ConfigurationRunning);
        return E_FAIL;
    }
    const bool settable = rec->maskSettable != 0;
    rec->mask = settable ? static_cast<uint8_t>(mask & 0xFF) : 0xFF;
    if constexpr (T::kHasPattern)
        rec->pattern = static_cast<uint8_t>(pattern & 0xFF);
    if (!settable)
        ReportError(Err::PortNoChannelConfiguration);
    dirty_ = true;
    SetResult(pResult, settable);
    return S_OK;
}

template <class T> HRESULT MrvDIOCtrl::EnablePortEvent(int32_t port, VARIANT_BOOL enabled) {
    typename T::Record* rec = nullptr;
    if (const HRESULT hr = CheckPort<T>(port, &rec); hr != S_OK)
        return hr;
    rec->enabled = static_cast<uint8_t>(enabled & 0xFF);
    if ((rec->running && enabled) || !UserMode() || !eventEnabled_)
        return S_OK;
    const uint32_t id = T::kEventBase + static_cast<uint32_t>(port);
    DaqResult r = DAQ_OK;
    if (!enabled) {
        r = drv_.DisableEvent(handle_, id);
    } else {
        r = (this->*T::kSend)();
        if (r == DAQ_OK)
            r = EnableEventAtDriver(id, rec->scanStart, rec->scanCount);
    }
    if (r != DAQ_OK) {
        ReportDriverError(r);
        return E_FAIL;
    }
    rec->running = enabled ? 1 : 0;
    if (enabled)
        this->*T::kArmed = true;
    return S_OK;
}

template <class T>
HRESULT MrvDIOCtrl::AssignPortScanRange(int32_t port, int32_t scanStart, int32_t scanCount,
                                        VARIANT_BOOL* pResult) {
    SetResult(pResult, false);
    typename T::Record* rec = nullptr;
    if (const HRESULT hr = CheckPort<T>(port, &rec); hr != S_OK)
        return hr;
    bool complete = true, clipped = false;
    if (const Err error = CheckScanRange(diPortCount_, scanStart, &scanCount, &clipped);
        error != Err::NoError) {
        ReportError(error);
        return E_FAIL;
    }
    if (clipped) {
        ReportError(Err::InvalidScanRange);
        complete = false;
    }
    if (rec->running) {
        ReportError(Err::ConfigurationRunning);
        complete = false;
    } else {
        rec->scanStart = static_cast<uint8_t>(scanStart);
        rec->scanCount = static_cast<uint8_t>(scanCount);
    }
    dirty_ = true;
    SetResult(pResult, complete);
    return S_OK;
}

HRESULT MrvDIOCtrl::SetDiPatternMatch(int32_t port, int32_t pattern, int32_t mask,
                                      VARIANT_BOOL* pResult) {
    return SetPortSetting<PatternMatchTraits>(port, pattern, mask, pResult);
}

HRESULT MrvDIOCtrl::EnableDiPatternMatch(int32_t port, VARIANT_BOOL enabled) {
    return EnablePortEvent<PatternMatchTraits>(port, enabled);
}

HRESULT MrvDIOCtrl::AssignDiPatternMatchDiScanRange(int32_t port, int32_t scanStart,
                                                    int32_t scanCount, VARIANT_BOOL* pResult) {
    return AssignPortScanRange<PatternMatchTraits>(port, scanStart, scanCount, pResult);
}

HRESULT MrvDIOCtrl::SetDiStatusChange(int32_t port, int32_t mask, VARIANT_BOOL* pResult) {
    return SetPortSetting<StatusChangeTraits>(port, 0, mask, pResult);
}

HRESULT MrvDIOCtrl::EnableDiStatusChange(int32_t port, VARIANT_BOOL enabled) {
    return EnablePortEvent<StatusChangeTraits>(port, enabled);
}

HRESULT MrvDIOCtrl::AssignDiStatusChangeDiScanRange(int32_t port, int32_t scanStart,
                                                    int32_t scanCount, VARIANT_BOOL* pResult) {
    return AssignPortScanRange<StatusChangeTraits>(port, scanStart, scanCount, pResult);
}

// ------------------------------------------------------------- read-backs

namespace {

template <class T> void Put(T* out, T value) {
    if (out)
        *out = value;
}

} // namespace

HRESULT MrvDIOCtrl::GetDiInterruptSetting(int32_t channel, VARIANT_BOOL* enabled, int32_t* trigger,
                                          int32_t* scanStart, int32_t* scanCount,
                                          VARIANT_BOOL* pResult) {
    Put<VARIANT_BOOL>(pResult, 0);
    if (!handle_) {
        ReportError(Err::NoDevice);
        return E_FAIL;
    }
    Put<VARIANT_BOOL>(enabled, 0);
    Put<int32_t>(trigger, 0);
    Put<int32_t>(scanStart, 0);
    Put<int32_t>(scanCount, 0);
    Put<VARIANT_BOOL>(pResult, 0);
    if (!diInterrupt_) {
        ReportError(Err::NoDiInterrupt);
        return E_FAIL;
    }
    if (channel < 0 || channel >= diChannelCount_ ||
        channel >= static_cast<int32_t>(diInterrupt_->size())) {
        ReportError(Err::InvalidDiChannel);
        return E_FAIL;
    }
    const DiInterruptSetting& rec = (*diInterrupt_)[channel];
    if (!rec.supported) {
        ReportError(Err::ChannelNoDiInterrupt);
        return S_OK;
    }
    Put<int32_t>(scanStart, rec.scanStart);
    Put<int32_t>(scanCount, rec.scanCount);
    Put<int32_t>(trigger, rec.trigger);
    Put<VARIANT_BOOL>(enabled, rec.enabled ? 1 : 0);
    Put<VARIANT_BOOL>(pResult, 1);
    return S_OK;
}

HRESULT MrvDIOCtrl::GetDiPatternMatchSetting(int32_t port, int32_t* mask, int32_t* pattern,
                                             VARIANT_BOOL* enabled, int32_t* scanStart,
                                             int32_t* scanCount, VARIANT_BOOL* pResult) {
    Put<VARIANT_BOOL>(pResult, 0);
    if (!handle_) {
        ReportError(Err::NoDevice);
        return E_FAIL;
    }
    Put<int32_t>(mask, 0);
    Put<int32_t>(pattern, 0);
    Put<VARIANT_BOOL>(enabled, 0);
    Put<int32_t>(scanStart, 0);
    Put<int32_t>(scanCount, 0);
    Put<VARIANT_BOOL>(pResult, 0);
    if (!diPattern_) {
        ReportError(Err::NoDiPatternMatch);
        return E_FAIL;
    }
    if (port < 0 || port >= diPortCount_) {
        ReportError(Err::InvalidDiPort);
        return E_FAIL;
    }
    const DiPatternMatchSetting* rec = PatternRecord(port);
    if (!rec) {
        ReportError(Err::PortNoPatternMatch);
        return S_OK;
    }
    Put<VARIANT_BOOL>(enabled, rec->enabled ? 1 : 0);
    Put<int32_t>(mask, rec->mask);
    Put<int32_t>(pattern, rec->pattern);
    Put<int32_t>(scanStart, rec->scanStart);
    Put<int32_t>(scanCount, rec->scanCount);
    Put<VARIANT_BOOL>(pResult, 1);
    return S_FALSE;
}

HRESULT MrvDIOCtrl::GetDiStatusChangeSetting(int32_t port, int32_t* mask, VARIANT_BOOL* enabled,
                                             int32_t* scanStart, int32_t* scanCount,
                                             VARIANT_BOOL* pResult) {
    Put<int32_t>(mask, 0);
    Put<VARIANT_BOOL>(enabled, 0);
    Put<int32_t>(scanStart, 0);
    Put<int32_t>(scanCount, 0);
    Put<VARIANT_BOOL>(pResult, 0);
    if (!handle_) {
        ReportError(Err::NoDevice);
        return E_FAIL;
    }
    if (!diStatus_) {
        ReportError(Err::NoDiStatusChange);
        return E_FAIL;
    }
    if (port < 0 || port >= diPortCount_) {
        ReportError(Err::InvalidDiPort);
        return E_FAIL;
    }
    const DiStatusChangeSetting* rec = StatusRecord(port);
    if (!rec) {
        ReportError(Err::PortNoStatusChange);
        return S_FALSE;
    }
    Put<VARIANT_BOOL>(enabled, rec->enabled ? 1 : 0);
    Put<int32_t>(mask, rec->mask);
    Put<int32_t>(scanStart, rec->scanStart);
    Put<int32_t>(scanCount, rec->scanCount);
    Put<VARIANT_BOOL>(pResult, 1);
    return S_FALSE;
}

// No checks of its own: what the port's record supports, where there is one.
template <class T>
HRESULT MrvDIOCtrl::GetPortInfo(int32_t port, int32_t* pSupportChan, int32_t* pSupportMask) {
    if (const auto& table = this->*T::kTable) {
        for (const typename T::Record& rec : *table) {
            if (rec.port == static_cast<uint8_t>(port & 0xFF)) {
                if (pSupportChan)
                    *pSupportChan = rec.supportedChannels;
                if (pSupportMask)
                    *pSupportMask = rec.maskSettable;
                break;
            }
        }
    }
    return S_OK;
}

HRESULT MrvDIOCtrl::GetDiPatternPortInfo(int32_t port, int32_t* pSupportChan,
                                         int32_t* pSupportMask) {
    return GetPortInfo<PatternMatchTraits>(port, pSupportChan, pSupportMask);
}

HRESULT MrvDIOCtrl::GetDiStatusPortInfo(int32_t port, int32_t* pSupportChan,
                                        int32_t* pSupportMask) {
    return GetPortInfo<StatusChangeTraits>(port, pSupportChan, pSupportMask);
}

} // namespace mrvdio
