// Saving and loading the control's state, and what a property browser asks
// of DeviceNumber and EventEnabled.
//
// The stream, all integers little-endian:
//   u32 size, DiInterruptSetting records (16 bytes each, channel order)
//   u32 size, DiPatternMatchSetting records (9 bytes each)
//   u32 size, DiStatusChangeSetting records (8 bytes each)
//   u32 size, one u32 direction word per DIO port (only with programmable ports)
//   u32 BoardId
//   u32 property-map version 0x0300
//   u16 VT_I4, i32 DeviceNumber
//   u16 VT_BOOL, i16 EventEnabled
// A size of 0 stands for "no table". Loading reads the whole stream before
// it changes anything, so a stream that is cut short or is not the
// control's leaves the control working, with no device.

#include "control/Persistence.h"

#include "control/MrvDIOCtrl.h"

#include "control/Module.h"
#include "control/Strings.h"
#include "mrvdio/Variant.h"

#include <cstdlib>
#include <new>

namespace mrvdio {

namespace {

constexpr uint32_t kInterruptRecord = sizeof(DiInterruptSetting);
constexpr uint32_t kPatternRecord = sizeof(DiPatternMatchSetting);
constexpr uint32_t kStatusRecord = sizeof(DiStatusChangeSetting);
// Beyond these a size is not the control's: DI channels of 256 ports, a
// record per port number, a direction word per DIO port.
constexpr uint32_t kMaxChannels = 256 * 8;
constexpr uint32_t kMaxPortRecords = 256;
constexpr uint32_t kMaxDioPorts = 0xFFFF;

void PutU16(std::vector<uint8_t>* out, uint16_t v) {
    out->push_back(static_cast<uint8_t>(v));
    out->push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>* out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t GetU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Reads exactly `size` bytes; a stream that ends first is a read fault.
class Reader {
public:
    explicit Reader(ISequentialStream* stream)
        : stream_(stream) {}
    HRESULT Bytes(void* data, uint32_t size) {
        uint32_t done = 0;
        const HRESULT hr = stream_->Read(data, size, &done);
        if (FAILED(hr))
            return hr;
        return done == size ? S_OK : STG_E_READFAULT;
    }
    HRESULT U16(uint16_t* v) {
        uint8_t b[2];
        const HRESULT hr = Bytes(b, 2);
        *v = static_cast<uint16_t>(b[0] | b[1] << 8);
        return hr;
    }
    HRESULT U32(uint32_t* v) {
        uint8_t b[4];
        const HRESULT hr = Bytes(b, 4);
        *v = GetU32(b);
        return hr;
    }

private:
    ISequentialStream* stream_;
};

// One table: its size, then its records. Absent when the size is 0.
template <class Record, class Decode>
HRESULT ReadTable(Reader& in, uint32_t recordSize, uint32_t maxRecords, Decode decode,
                  std::optional<std::vector<Record>>* table) {
    uint32_t size = 0;
    if (const HRESULT hr = in.U32(&size); FAILED(hr))
        return hr;
    if (size == 0)
        return S_OK;
    if (size % recordSize != 0 || size / recordSize > maxRecords)
        return STG_E_DOCFILECORRUPT;
    std::vector<uint8_t> bytes(size);
    if (const HRESULT hr = in.Bytes(bytes.data(), size); FAILED(hr))
        return hr;
    table->emplace(size / recordSize);
    for (uint32_t i = 0; i < size / recordSize; ++i)
        (**table)[i] = decode(bytes.data() + i * recordSize);
    return S_OK;
}

DiInterruptSetting DecodeInterrupt(const uint8_t* p) {
    DiInterruptSetting r{};
    r.supported = p[0];
    r.scanStart = p[1];
    r.scanCount = p[2];
    r.trigger = p[3];
    r.enabled = p[4];
    r.running = p[5];
    r.unused[0] = p[6];
    r.unused[1] = p[7];
    r.risingEdgeCapable = static_cast<int32_t>(GetU32(p + 8));
    r.fallingEdgeCapable = static_cast<int32_t>(GetU32(p + 12));
    return r;
}

template <class Record> Record DecodeBytes(const uint8_t* p) {
    Record r;
    std::memcpy(&r, p, sizeof r);
    return r;
}

} // namespace

// Everything a stream holds, read before any of it is applied.
struct MrvDIOCtrl::SavedState {
    std::optional<std::vector<DiInterruptSetting>> interrupt;
    std::optional<std::vector<DiPatternMatchSetting>> pattern;
    std::optional<std::vector<DiStatusChangeSetting>> status;
    std::optional<std::vector<uint32_t>> directions;
    int32_t boardId = -1;
    int32_t deviceNumber = -1;
    VARIANT_BOOL eventEnabled = 0;
};

// ------------------------------------------------------------------- save

std::vector<uint8_t> MrvDIOCtrl::StateBytes() const {
    std::vector<uint8_t> out;
    const size_t interrupts = diInterrupt_ ? diInterrupt_->size() : 0;
    PutU32(&out, static_cast<uint32_t>(interrupts * kInterruptRecord));
    for (size_t i = 0; i < interrupts; ++i) {
        const DiInterruptSetting& r = (*diInterrupt_)[i];
        out.insert(out.end(), {r.supported, r.scanStart, r.scanCount, r.trigger, r.enabled,
                               r.running, r.unused[0], r.unused[1]});
        PutU32(&out, static_cast<uint32_t>(r.risingEdgeCapable));
        PutU32(&out, static_cast<uint32_t>(r.fallingEdgeCapable));
    }
    auto putBytes = [&out](const auto& table, uint32_t recordSize) {
        const size_t n = table ? table->size() : 0;
        PutU32(&out, static_cast<uint32_t>(n * recordSize));
        for (size_t i = 0; i < n; ++i) {
            const auto* p = reinterpret_cast<const uint8_t*>(&(*table)[i]);
            out.insert(out.end(), p, p + recordSize);
        }
    };
    putBytes(diPattern_, kPatternRecord);
    putBytes(diStatus_, kStatusRecord);
    const size_t ports = programmablePorts_ ? static_cast<size_t>(std::max(dioPortCount_, 0)) : 0;
    PutU32(&out, static_cast<uint32_t>(ports * 4));
    for (size_t p = 0; p < ports; ++p)
        PutU32(&out, p < portDirectionList_.size() ? portDirectionList_[p] : 0u);
    PutU32(&out, static_cast<uint32_t>(boardId_));
    PutU32(&out, kPropertyMapVersion);
    PutU16(&out, VT_I4);
    PutU32(&out, static_cast<uint32_t>(deviceNumber_));
    PutU16(&out, VT_BOOL);
    PutU16(&out, static_cast<uint16_t>(eventEnabled_));
    return out;
}

HRESULT MrvDIOCtrl::SaveTo(IStream* stream, bool clearDirty) {
    if (!stream)
        return E_POINTER;
    const std::vector<uint8_t> bytes = StateBytes();
    uint32_t done = 0;
    const HRESULT hr = stream->Write(bytes.data(), static_cast<uint32_t>(bytes.size()), &done);
    if (FAILED(hr))
        return hr;
    if (done != bytes.size())
        return STG_E_MEDIUMFULL;
    if (clearDirty)
        dirty_ = false;
    return S_OK;
}

// ------------------------------------------------------------------- load

HRESULT MrvDIOCtrl::ReadState(ISequentialStream* stream, SavedState* state) {
    Reader in(stream);
    HRESULT hr = ReadTable(in, kInterruptRecord, kMaxChannels, DecodeInterrupt, &state->interrupt);
    if (SUCCEEDED(hr))
        hr = ReadTable(in, kPatternRecord, kMaxPortRecords, DecodeBytes<DiPatternMatchSetting>,
                       &state->pattern);
    if (SUCCEEDED(hr))
        hr = ReadTable(in, kStatusRecord, kMaxPortRecords, DecodeBytes<DiStatusChangeSetting>,
                       &state->status);
    if (SUCCEEDED(hr))
        hr = ReadTable(
            in, 4, kMaxDioPorts, [](const uint8_t* p) { return GetU32(p); }, &state->directions);
    uint32_t boardId = 0, version = 0, number = 0;
    uint16_t numberType = 0, enabledType = 0, enabled = 0;
    if (SUCCEEDED(hr))
        hr = in.U32(&boardId);
    if (SUCCEEDED(hr))
        hr = in.U32(&version);
    if (SUCCEEDED(hr) && version != kPropertyMapVersion)
        hr = STG_E_DOCFILECORRUPT;
    if (SUCCEEDED(hr))
        hr = in.U16(&numberType);
    if (SUCCEEDED(hr) && numberType != VT_I4)
        hr = STG_E_DOCFILECORRUPT;
    if (SUCCEEDED(hr))
        hr = in.U32(&number);
    if (SUCCEEDED(hr))
        hr = in.U16(&enabledType);
    if (SUCCEEDED(hr) && enabledType != VT_BOOL)
        hr = STG_E_DOCFILECORRUPT;
    if (SUCCEEDED(hr))
        hr = in.U16(&enabled);
    if (FAILED(hr))
        return hr;
    state->boardId = static_cast<int32_t>(boardId);
    state->deviceNumber = static_cast<int32_t>(number);
    state->eventEnabled = static_cast<VARIANT_BOOL>(enabled);
    return S_OK;
}

HRESULT MrvDIOCtrl::ApplyState(SavedState&& state) {
    // The saved tables replace the device's; a device still open goes first.
    if (!CloseAndReset())
        return E_FAIL;
    // No event is enabled at the driver after a restart, whatever the saved
    // records say: re-applying must not meet "running" records.
    if (state.interrupt) {
        for (DiInterruptSetting& r : *state.interrupt)
            r.running = 0;
        diChannelCount_ = static_cast<int32_t>(state.interrupt->size());
        diInterrupt_ = std::move(state.interrupt);
        restorePending_[RestoreInterrupt] = 1;
    }
    if (state.pattern) {
        for (DiPatternMatchSetting& r : *state.pattern)
            r.running = 0;
        patternPortCount_ = static_cast<int32_t>(state.pattern->size());
        diPattern_ = std::move(state.pattern);
        restorePending_[RestorePattern] = 1;
    }
    if (state.status) {
        for (DiStatusChangeSetting& r : *state.status)
            r.running = 0;
        statusPortCount_ = static_cast<int32_t>(state.status->size());
        diStatus_ = std::move(state.status);
        restorePending_[RestoreStatus] = 1;
    }
    if (state.directions) {
        dioPortCount_ = static_cast<int32_t>(state.directions->size());
        portDirectionList_ = std::move(*state.directions);
        restorePending_[RestoreDirection] = 1;
    }
    boardId_ = state.boardId;
    restoring_ = true;

    // The property map: DeviceNumber opens the saved device (another board
    // identity is not opened), then EventEnabled.
    HRESULT hr = put_DeviceNumber(state.deviceNumber);
    restoring_ = false;
    if (SUCCEEDED(hr))
        hr = put_EventEnabled(state.eventEnabled);
    // The flags served this load only.
    restorePending_.fill(0);
    deviceChanged_ = false;
    if (FAILED(hr))
        return hr;
    dirty_ = false;
    return S_OK;
}

HRESULT MrvDIOCtrl::LoadFrom(IStream* stream) {
    if (!stream)
        return E_POINTER;
    SavedState state;
    HRESULT hr = S_OK;
    try {
        hr = ReadState(stream, &state);
    } catch (const std::bad_alloc&) {
        PostErrorInfo(u"Not enough memory!", MRVDIO_PROGID_VERSION, GUID_NULL);
        hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr)) {
        // Not the control's state: nothing of it is applied, and the control
        // goes on without a device.
        CloseAndReset();
        return hr;
    }
    return ApplyState(std::move(state));
}

// ---------------------------------------------------------- IPersistStream

HRESULT PersistStream::QueryInterface(const IID& iid, void** object) {
    return owner_->QueryInterface(iid, object);
}
uint32_t PersistStream::AddRef() {
    return owner_->AddRef();
}
uint32_t PersistStream::Release() {
    return owner_->Release();
}

HRESULT PersistStream::GetClassID(CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_MrvDIO;
    return S_OK;
}

HRESULT PersistStream::IsDirty() {
    return owner_->IsDirty() ? S_OK : S_FALSE;
}

HRESULT PersistStream::Load(IStream* stream) {
    return owner_->LoadFrom(stream);
}

HRESULT PersistStream::Save(IStream* stream, int32_t clearDirty) {
    return owner_->SaveTo(stream, clearDirty != 0);
}

HRESULT PersistStream::GetSizeMax(uint64_t* size) {
    if (!size)
        return E_POINTER;
    *size = owner_->StateBytes().size();
    return S_OK;
}

// -------------------------------------------------------- property browsing

namespace {

BSTR* NewStrings(const std::vector<std::u16string>& texts) {
    auto* block = static_cast<BSTR*>(std::calloc(texts.size() ? texts.size() : 1, sizeof(BSTR)));
    if (!block)
        return nullptr;
    for (size_t i = 0; i < texts.size(); ++i)
        block[i] = NewBstr(texts[i]);
    return block;
}

} // namespace

HRESULT MrvDIOCtrl::GetPredefinedStrings(DISPID dispid, CALPOLESTR* strings, CADWORD* cookies) {
    if (!strings || !cookies)
        return E_POINTER;
    *strings = CALPOLESTR{0, nullptr};
    *cookies = CADWORD{0, nullptr};
    std::vector<std::u16string> texts;
    std::vector<uint32_t> values;
    if (dispid == DISPID_DeviceNumber) {
        // Every DIO device by its driver name, its number as the cookie.
        Bstr name;
        int32_t number = -1;
        GetDeviceListFirst(name.Put(), &number);
        while (number >= 0) {
            texts.emplace_back(name.Get() ? name.Get() : u"", name.Length());
            values.push_back(static_cast<uint32_t>(number));
            if (FAILED(GetDeviceListNext(name.Put(), &number)))
                break;
        }
        if (texts.empty()) {
            texts.emplace_back(u"No Device");
            values.push_back(static_cast<uint32_t>(-1));
        }
    } else if (dispid == DISPID_EventEnabled) {
        texts = {u"False", u"True"};
        values = {0, 1};
    } else {
        return E_NOTIMPL;
    }
    strings->pElems = NewStrings(texts);
    cookies->pElems = static_cast<uint32_t*>(std::calloc(values.size(), sizeof(uint32_t)));
    if (!strings->pElems || !cookies->pElems) {
        FreeCountedStrings(strings);
        std::free(cookies->pElems);
        cookies->pElems = nullptr;
        return E_OUTOFMEMORY;
    }
    strings->cElems = static_cast<uint32_t>(texts.size());
    cookies->cElems = static_cast<uint32_t>(values.size());
    std::memcpy(cookies->pElems, values.data(), values.size() * sizeof(uint32_t));
    return S_OK;
}

HRESULT MrvDIOCtrl::GetPredefinedValue(DISPID dispid, uint32_t cookie, VARIANT* value) {
    if (!value)
        return E_POINTER;
    VariantInit(value);
    if (dispid == DISPID_DeviceNumber) {
        value->vt = VT_I4;
        value->lVal = static_cast<int32_t>(cookie);
        return S_OK;
    }
    if (dispid == DISPID_EventEnabled) {
        if (cookie > 1)
            return E_INVALIDARG;
        value->vt = VT_BOOL;
        value->boolVal = cookie ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    return E_NOTIMPL;
}

HRESULT MrvDIOCtrl::GetDisplayString(DISPID dispid, BSTR* text) {
    if (!text)
        return E_POINTER;
    *text = nullptr;
    if (dispid == DISPID_EventEnabled) {
        *text = NewBstr(std::u16string(eventEnabled_ ? u"True" : u"False"));
        return S_OK;
    }
    if (dispid != DISPID_DeviceNumber)
        return E_NOTIMPL;
    if (deviceNumber_ == -1) {
        *text = NewBstr(std::u16string(u"No Device"));
        return S_OK;
    }
    // The driver's name of the device now, and whether it is still the
    // board that was opened.
    const char16_t* problem = nullptr;
    char name[DAQ_DEVICE_NAME_SIZE] = {};
    if (drv_.DeviceNumToDeviceName(deviceNumber_, name) != DAQ_OK) {
        problem = handle_ ? u"Device Removed!" : u"Device not exists!";
    } else {
        DaqHandle probe = 0;
        int32_t identity = -1;
        if (drv_.DeviceOpen(deviceNumber_, &probe) == DAQ_OK && probe) {
            if (drv_.GetPropertyInt(probe, DAQ_PROP_BOARD_ID, &identity) != DAQ_OK)
                identity = -1;
            drv_.DeviceClose(&probe);
        }
        if (identity != boardId_)
            problem = u"Device changed!";
    }
    if (problem) {
        if (FAILED(put_DeviceNumber(-1)) && handle_) {
            // The driver no longer closes a board that is gone: let it go.
            StopEvents(true);
            handle_ = 0;
            put_DeviceNumber(-1);
        }
        PostErrorInfo(problem, MRVDIO_PROGID_VERSION, GUID_NULL);
        return E_FAIL;
    }
    name[DAQ_DEVICE_NAME_SIZE - 1] = '\0';
    *text = NewBstr(std::string(name));
    return S_OK;
}

HRESULT MrvDIOCtrl::MapPropertyToPage(DISPID dispid, CLSID* page) {
    if (!page)
        return E_POINTER;
    if (dispid == DISPID_DeviceNumber) {
        *page = CLSID_QuadrelProp;
        return S_OK;
    }
    *page = GUID_NULL;
    return PERPROP_E_NOPAGEAVAILABLE;
}

HRESULT MrvDIOCtrl::GetPages(CAUUID* pages) {
    if (!pages)
        return E_POINTER;
    static const CLSID kPages[] = {CLSID_QuadrelProp, CLSID_DIOPortProp, CLSID_DIInterruptProp,
                                   CLSID_DIOMiscProp};
    pages->pElems = static_cast<GUID*>(std::malloc(sizeof kPages));
    if (!pages->pElems) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    std::memcpy(pages->pElems, kPages, sizeof kPages);
    pages->cElems = static_cast<uint32_t>(std::size(kPages));
    return S_OK;
}

} // namespace mrvdio
