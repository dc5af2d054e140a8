// Interrupt configuration of the control: the survey of the three interrupt
// functions when a device is opened, EventEnabled, arming and disarming, and
// the configuration members of IMrvDIO.

#include "control/MrvDIOCtrl.h"

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
        ReportError(22);
        return E_FAIL;
    }
    *value = eventEnabled_;
    return S_OK;
}

HRESULT MrvDIOCtrl::put_EventEnabled(VARIANT_BOOL value) {
    if (value == eventEnabled_)
        return S_OK;
    if (!handle_) {
        ReportError(25);
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
        Disarm();
        eventEnabled_ = value;
        return S_OK;
    }
    // Switching events on arms the driver and starts the event checking
    // thread; that machinery is not part of this library yet.
    return E_NOTIMPL;
}

void MrvDIOCtrl::Arm() {}

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
        for (DiPatternMatchSetting& rec : *diPattern_) {
            if (rec.enabled && rec.running) {
                drv_.DisableEvent(handle_, DAQ_EVENT_DI_PATTERN_MATCH + rec.port);
                rec.running = 0;
            }
        }
    }
    patternArmed_ = false;
    if (statusArmed_ && diStatus_) {
        for (DiStatusChangeSetting& rec : *diStatus_) {
            if (rec.enabled && rec.running) {
                drv_.DisableEvent(handle_, DAQ_EVENT_DI_STATUS_CHANGE + rec.port);
                rec.running = 0;
            }
        }
    }
    statusArmed_ = false;
}

// ---------------------------------------------------- configuration members

HRESULT MrvDIOCtrl::SetDiInterrupt(int32_t, int32_t, VARIANT_BOOL* pResult) {
    if (pResult)
        *pResult = 0;
    return E_NOTIMPL;
}

HRESULT MrvDIOCtrl::EnableDiInterrupt(int32_t, VARIANT_BOOL) {
    return E_NOTIMPL;
}

HRESULT MrvDIOCtrl::AssignDiInterruptDiScanRange(int32_t, int32_t, int32_t, VARIANT_BOOL* pResult) {
    if (pResult)
        *pResult = 0;
    return E_NOTIMPL;
}

HRESULT MrvDIOCtrl::SetDiPatternMatch(int32_t, int32_t, int32_t, VARIANT_BOOL* pResult) {
    if (pResult)
        *pResult = 0;
    return E_NOTIMPL;
}

HRESULT MrvDIOCtrl::EnableDiPatternMatch(int32_t, VARIANT_BOOL) {
    return E_NOTIMPL;
}

HRESULT MrvDIOCtrl::AssignDiPatternMatchDiScanRange(int32_t, int32_t, int32_t,
                                                    VARIANT_BOOL* pResult) {
    if (pResult)
        *pResult = 0;
    return E_NOTIMPL;
}

HRESULT MrvDIOCtrl::SetDiStatusChange(int32_t, int32_t, VARIANT_BOOL* pResult) {
    if (pResult)
        *pResult = 0;
    return E_NOTIMPL;
}

HRESULT MrvDIOCtrl::EnableDiStatusChange(int32_t, VARIANT_BOOL) {
    return E_NOTIMPL;
}

HRESULT MrvDIOCtrl::AssignDiStatusChangeDiScanRange(int32_t, int32_t, int32_t,
                                                    VARIANT_BOOL* pResult) {
    if (pResult)
        *pResult = 0;
    return E_NOTIMPL;
}

HRESULT MrvDIOCtrl::GetDiInterruptSetting(int32_t, VARIANT_BOOL*, int32_t*, int32_t*, int32_t*,
                                          VARIANT_BOOL* pResult) {
    if (pResult)
        *pResult = 0;
    return E_NOTIMPL;
}

HRESULT MrvDIOCtrl::GetDiPatternMatchSetting(int32_t, int32_t*, int32_t*, VARIANT_BOOL*, int32_t*,
                                             int32_t*, VARIANT_BOOL* pResult) {
    if (pResult)
        *pResult = 0;
    return E_NOTIMPL;
}

HRESULT MrvDIOCtrl::GetDiStatusChangeSetting(int32_t, int32_t*, VARIANT_BOOL*, int32_t*, int32_t*,
                                             VARIANT_BOOL* pResult) {
    if (pResult)
        *pResult = 0;
    return E_NOTIMPL;
}

HRESULT MrvDIOCtrl::GetDiPatternPortInfo(int32_t port, int32_t* pSupportChan,
                                         int32_t* pSupportMask) {
    if (diPattern_) {
        for (const DiPatternMatchSetting& rec : *diPattern_) {
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

HRESULT MrvDIOCtrl::GetDiStatusPortInfo(int32_t port, int32_t* pSupportChan,
                                        int32_t* pSupportMask) {
    if (diStatus_) {
        for (const DiStatusChangeSetting& rec : *diStatus_) {
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

} // namespace mrvdio
