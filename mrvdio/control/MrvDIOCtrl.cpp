#include "control/MrvDIOCtrl.h"

#include "control/Dialogs.h"
#include "control/FaceBitmap.h"
#include "control/Module.h"
#include "mrvdio/Variant.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QObject>
#include <QPainter>
#include <QScreen>
#include <QString>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

namespace mrvdio {

namespace {

constexpr int32_t kDriverErrorBase = ToInt(Err::DriverError);

std::u16string Widen(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()))
        .toStdU16String();
}

BSTR NewBstr(const std::u16string& text) {
    return SysAllocStringLen(text.data(), static_cast<uint32_t>(text.size()));
}

BSTR NewBstr(const std::string& local8Bit) {
    return NewBstr(Widen(local8Bit));
}

// Round-to-nearest a * b / c, as the system's multiply-divide does.
int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0)
        return -1;
    int64_t p = static_cast<int64_t>(a) * b;
    int64_t half = (c > 0 ? c : -c) / 2;
    return static_cast<int32_t>((p >= 0 ? p + half : p - half) / c);
}

} // namespace

// ------------------------------------------------------------ construction

MrvDIOCtrl::MrvDIOCtrl(IUnknown* outer, const driver::DaqDriver* driver)
    : outer_(outer ? outer : &inner_)
    , drv_(driver ? *driver : driver::DaqDriver::Instance())
    , extent_(ControlExtent()) {
    inner_.self = this;
    ModuleObjectCreated();
    eventsPoint_ = std::make_unique<ConnectionPoint>(this, DIID__IMrvDIOEvents, IID_IDispatch);
    notifyPoint_ =
        std::make_unique<ConnectionPoint>(this, IID_IPropertyNotifySink, IID_IPropertyNotifySink);
    face_ = QImage(kFaceBitmap208);
    if (face_.isNull()) {
        if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
            QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Error"),
                            QStringLiteral("Failed to load bitmap"), QMessageBox::Ok,
                            QApplication::activeWindow());
            RunDialog(&box);
        } else {
            std::fprintf(stderr, "MrvDIO: Failed to load bitmap\n");
        }
    }
}

HRESULT MrvDIOCtrl::FinalConstruct() {
    // The hidden window through which events reach the control's thread.
    eventWindow_ = new QObject;
    eventWindow_->setObjectName(QStringLiteral("EventWindow"));
    // The first assignment opens the first DIO device of the system, or none.
    HRESULT hr = put_DeviceNumber(-1);
    return FAILED(hr) ? hr : S_OK;
}

MrvDIOCtrl::~MrvDIOCtrl() {
    if (handle_) {
        if (threadRun_ || eventEnabled_)
            put_EventEnabled(0);
        StopEvents(false);
        drv_.DeviceClose(&handle_);
    }
    // The event checking thread ends before anything it uses goes.
    StopEvents(true);
    diInterrupt_.reset();
    diPattern_.reset();
    diStatus_.reset();
    deviceList_.clear();
    eventsPoint_->UnadviseAll();
    notifyPoint_->UnadviseAll();
    if (site_)
        site_->Release();
    delete eventWindow_;
    ModuleObjectDestroyed();
}

HRESULT MrvDIOCtrl::Create(IUnknown* outer, const IID& iid, void** object,
                           const driver::DaqDriver* driver) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer && iid != IID_IUnknown)
        return CLASS_E_NOAGGREGATION;
    auto* ctrl = new (std::nothrow) MrvDIOCtrl(outer, driver);
    if (!ctrl)
        return E_OUTOFMEMORY;
    HRESULT hr = ctrl->FinalConstruct();
    if (FAILED(hr)) {
        ctrl->inner_.Release();
        return hr;
    }
    hr = ctrl->inner_.QueryInterface(iid, object);
    ctrl->inner_.Release(); // the construction reference
    return hr;
}

// ------------------------------------------------------------------ IUnknown

HRESULT MrvDIOCtrl::InnerUnknown::QueryInterface(const IID& iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown)
        *object = static_cast<IUnknown*>(this);
    else if (iid == IID_IDispatch || iid == IID_IMrvDIO)
        *object = static_cast<IMrvDIO*>(self);
    else if (iid == IID_IOleObject)
        *object = static_cast<IOleObject*>(self);
    else if (iid == IID_IConnectionPointContainer)
        *object = static_cast<IConnectionPointContainer*>(self);
    else if (iid == IID_ISupportErrorInfo)
        *object = static_cast<ISupportErrorInfo*>(self);
    else
        return E_NOINTERFACE;
    static_cast<IUnknown*>(*object)->AddRef();
    return S_OK;
}

uint32_t MrvDIOCtrl::InnerUnknown::AddRef() {
    return ++self->refs_;
}

uint32_t MrvDIOCtrl::InnerUnknown::Release() {
    uint32_t n = --self->refs_;
    if (n == 0)
        delete self;
    return n;
}

HRESULT MrvDIOCtrl::QueryInterface(const IID& iid, void** object) {
    return outer_->QueryInterface(iid, object);
}
uint32_t MrvDIOCtrl::AddRef() {
    return outer_->AddRef();
}
uint32_t MrvDIOCtrl::Release() {
    return outer_->Release();
}

// ------------------------------------------------------------ error report

void MrvDIOCtrl::ReportError(int32_t number) {
    std::u16string message;
    if (number == kDriverErrorBase || number > ToInt(Err::NoDualEdge)) {
        char text[DAQ_ERROR_MESSAGE_SIZE] = {};
        const int32_t code = number - kDriverErrorBase;
        drv_.GetErrorMessage(code, text);
        text[DAQ_ERROR_MESSAGE_SIZE - 1] = '\0';
        char head[64];
        std::snprintf(head, sizeof head, "Driver Error: %ld ", static_cast<long>(code));
        message = Widen(head) + Widen(text);
    } else {
        message = Widen(ErrorTableMessage(number));
    }
    lastErrorCode_ = std::min(number, kDriverErrorBase);
    lastErrorMessage_ = message + u"!";
    PostErrorInfo(lastErrorMessage_, MRVDIO_PROGID_VERSION, GUID_NULL);
}

void MrvDIOCtrl::ReportDriverError(DaqResult code) {
    ReportError(driver::ErrorCodeOf(code) + kDriverErrorBase);
}

// --------------------------------------------------------------- properties

HRESULT MrvDIOCtrl::get_DeviceNumber(int32_t* value) {
    if (!value) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    *value = deviceNumber_;
    return S_OK;
}

HRESULT MrvDIOCtrl::get_DeviceName(BSTR* value) {
    if (!value) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    *value = NewBstr(deviceName_);
    return S_OK;
}

HRESULT MrvDIOCtrl::get_LastErrorCode(int32_t* value) {
    if (!value) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    *value = lastErrorCode_;
    return S_OK;
}

HRESULT MrvDIOCtrl::put_LastErrorCode(int32_t value) {
    lastErrorCode_ = value;
    return S_OK;
}

HRESULT MrvDIOCtrl::get_LastErrorMessage(BSTR* value) {
    if (!value) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    *value = NewBstr(lastErrorMessage_);
    return S_OK;
}

HRESULT MrvDIOCtrl::put_LastErrorMessage(BSTR value) {
    lastErrorMessage_.assign(value ? value : u"", SysStringLen(value));
    return S_OK;
}

HRESULT MrvDIOCtrl::get_DiChannelCount(int32_t* value) {
    if (!value) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    *value = diChannelCount_;
    return S_OK;
}

HRESULT MrvDIOCtrl::get_DiPortCount(int32_t* value) {
    if (!value) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    *value = diPortCount_;
    return S_OK;
}

HRESULT MrvDIOCtrl::get_DoChannelCount(int32_t* value) {
    if (!value) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    *value = doChannelCount_;
    return S_OK;
}

HRESULT MrvDIOCtrl::get_DoPortCount(int32_t* value) {
    if (!value) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    *value = doPortCount_;
    return S_OK;
}

HRESULT MrvDIOCtrl::GetDioPortCount(int32_t* count) {
    if (count)
        *count = dioPortCount_;
    return S_OK;
}

HRESULT MrvDIOCtrl::GetPatternMatchPortNumber(int32_t* count) {
    if (count)
        *count = patternPortCount_;
    return S_OK;
}

HRESULT MrvDIOCtrl::GetDiStatusChangePort(int32_t* count) {
    if (count)
        *count = statusPortCount_;
    return S_OK;
}

// ------------------------------------------------------------ device lists

bool MrvDIOCtrl::IsDioDevice(int32_t number) const {
    DaqHandle handle = 0;
    if (drv_.DeviceOpen(number, &handle) != DAQ_OK || handle == 0)
        return false;
    int32_t count = 0;
    DaqResult r = drv_.GetPropertyInt(handle, DAQ_PROP_DI_CHANNEL_COUNT, &count);
    if (r != DAQ_OK || count <= 0) {
        count = 0;
        r = drv_.GetPropertyInt(handle, DAQ_PROP_DO_CHANNEL_COUNT, &count);
        if (r != DAQ_OK)
            count = 0;
    }
    drv_.DeviceClose(&handle);
    return count > 0;
}

namespace {

// The name of a list entry (NUL-terminated within its 52 bytes), at most 99
// characters.
std::u16string EntryName(const DaqDeviceListEntry& entry) {
    size_t n = strnlen(entry.deviceName, sizeof entry.deviceName);
    std::u16string name = Widen(std::string(entry.deviceName, n));
    if (name.size() > 99)
        name.resize(99);
    return name;
}

} // namespace

HRESULT MrvDIOCtrl::GetDeviceListFirst(BSTR* pDeviceName, int32_t* nDeviceNumber) {
    if (!pDeviceName || !nDeviceNumber) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    listedDeviceCount_ = 0;
    int16_t n = 0;
    if (drv_.DeviceGetNumOfList(&n) != DAQ_OK)
        n = 0;
    deviceList_.assign(static_cast<size_t>(std::max<int16_t>(n, 0)) + 1, DaqDeviceListEntry{});
    listCursor_ = 0;
    int16_t m = 0;
    if (n > 0 && drv_.DeviceGetList(deviceList_.data(), n, &m) == DAQ_OK) {
        // Only the entries the driver filled are looked at.
        const int32_t filled = std::clamp<int32_t>(m, 0, n);
        for (int32_t i = 0; i < filled; ++i) {
            if (IsDioDevice(deviceList_[i].deviceNumber)) {
                ++listedDeviceCount_;
                listCount_ = filled;
                listCursor_ = i;
                *pDeviceName = NewBstr(EntryName(deviceList_[i]));
                *nDeviceNumber = deviceList_[i].deviceNumber;
                return S_OK;
            }
        }
    }
    *pDeviceName = NewBstr(std::u16string(u"No Device"));
    *nDeviceNumber = -1;
    return S_FALSE;
}

HRESULT MrvDIOCtrl::GetDeviceListNext(BSTR* pDeviceName, int32_t* nDeviceNumber) {
    if (!pDeviceName || !nDeviceNumber) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    SysFreeString(*pDeviceName);
    *pDeviceName = nullptr;
    if (!deviceList_.empty()) {
        ++listCursor_;
        const int32_t end = std::min<int32_t>(listCount_, static_cast<int32_t>(deviceList_.size()));
        for (int32_t i = std::max(listCursor_, 0); i < end; ++i) {
            if (IsDioDevice(deviceList_[i].deviceNumber)) {
                listCursor_ = i;
                ++listedDeviceCount_;
                *pDeviceName = NewBstr(EntryName(deviceList_[i]));
                *nDeviceNumber = deviceList_[i].deviceNumber;
                return S_OK;
            }
        }
    }
    *pDeviceName = NewBstr(std::u16string(u"No Device"));
    *nDeviceNumber = -1;
    return S_OK;
}

// ---------------------------------------------------------- opening a device

HRESULT MrvDIOCtrl::put_DeviceNumber(int32_t n) {
    lastErrorCode_ = 0;
    lastErrorMessage_ = u"No Error!";
    if (handle_ && !CloseAndReset())
        return E_FAIL; // the driver kept the old device open; nothing changed

    bool openFailed = false;
    bool discover = false;
    DaqHandle handle = 0;
    const DaqResult r = drv_.DeviceOpen(n, &handle);
    if (r != DAQ_OK || handle == 0) {
        openFailed = true;
        ReportDriverError(r != DAQ_OK ? r : DAQ_ERR_INVALID_HANDLE);
        restoring_ = false;
    } else if (!IsDioDevice(n)) {
        restoring_ = false;
        handle_ = handle;
        CloseAndReset();
        ReportError(Err::NoDioFunction);
        return S_FALSE;
    } else {
        handle_ = handle;
        int32_t identity = -1;
        if (drv_.GetPropertyInt(handle_, DAQ_PROP_BOARD_ID, &identity) != DAQ_OK)
            identity = -1;
        if (restoring_ && identity != boardId_) {
            restoring_ = false;
            deviceChanged_ = true;
        } else {
            restoring_ = false;
            deviceNumber_ = n;
            boardId_ = identity;
            discover = true;
        }
    }

    if (!discover) {
        // Step 6: no device of that number; on the first assignment fall back
        // to the first DIO device of the system.
        CloseAndReset();
        if (firstAssignment_) {
            Bstr name;
            int32_t number = -1;
            if (GetDeviceListFirst(name.Put(), &number) == S_OK) {
                DaqHandle fallback = 0;
                const DaqResult fr = drv_.DeviceOpen(number, &fallback);
                if (fr == DAQ_OK && fallback != 0) {
                    handle_ = fallback;
                    deviceNumber_ = number;
                    int32_t identity = -1;
                    if (drv_.GetPropertyInt(handle_, DAQ_PROP_BOARD_ID, &identity) != DAQ_OK)
                        identity = -1;
                    boardId_ = identity;
                    discover = true;
                } else {
                    ReportDriverError(fr != DAQ_OK ? fr : DAQ_ERR_INVALID_HANDLE);
                    deviceNumber_ = -1;
                    boardId_ = -1;
                }
            } else {
                deviceNumber_ = -1;
                boardId_ = -1;
            }
        }
    }

    if (discover) {
        if (DiscoverDevice()) {
            char name[DAQ_DEVICE_NAME_SIZE] = {};
            if (drv_.DeviceNumToDeviceName(deviceNumber_, name) == DAQ_OK) {
                name[DAQ_DEVICE_NAME_SIZE - 1] = '\0';
                deviceName_ = name;
            } else {
                deviceName_.clear();
            }
        } else {
            CloseAndReset();
        }
    }
    if (handle_ && !discover)
        CloseAndReset();

    if (firstAssignment_) {
        firstAssignment_ = false;
        return S_OK;
    }
    NotifyChanged(DISPID_DeviceNumber);
    dirty_ = true;
    return openFailed ? S_FALSE : S_OK;
}

void MrvDIOCtrl::RebuildPortChannelCounts(bool refused) {
    const size_t ports = std::max<size_t>(static_cast<size_t>(std::max(dioPortCount_, 0)),
                                          static_cast<size_t>(std::max(diPortCount_, 0)));
    portChannelCounts_.assign(ports, 8);
    if (refused)
        return;
    for (size_t p = 0; p < portDirectionList_.size() && p < ports; ++p) {
        const uint32_t word = portDirectionList_[p];
        const uint32_t both = (word & 0xFFu) & ((word >> 8) & 0xFFu);
        portChannelCounts_[p] = 8 - std::popcount(both);
    }
}

bool MrvDIOCtrl::DiscoverDevice() {
    discoveryFailure_ = 0;
    if (drv_.GetPropertyInt(handle_, DAQ_PROP_DI_CHANNEL_COUNT, &diChannelCount_) == DAQ_OK) {
        if (drv_.GetPropertyInt(handle_, DAQ_PROP_DI_PORT_COUNT, &diPortCount_) != DAQ_OK)
            diPortCount_ = 0;
    } else {
        diChannelCount_ = 0;
        discoveryFailure_ += 1;
    }
    if (drv_.GetPropertyInt(handle_, DAQ_PROP_DO_CHANNEL_COUNT, &doChannelCount_) == DAQ_OK) {
        if (drv_.GetPropertyInt(handle_, DAQ_PROP_DO_PORT_COUNT, &doPortCount_) != DAQ_OK)
            doPortCount_ = 0;
    } else {
        doChannelCount_ = 0;
        discoveryFailure_ += 20;
    }
    if (discoveryFailure_ == 21) {
        ReportError(Err::NoDioFunction);
        return false;
    }

    uint32_t size = 0;
    DaqResult r = drv_.DeviceGetProperty(handle_, DAQ_PROP_DIO_PORT_TYPES, nullptr, &size);
    if (r != DAQ_OK) {
        dioPortCount_ = 0;
        ReportDriverError(r);
        return false;
    }
    dioPortCount_ = static_cast<int32_t>(std::min<uint32_t>(size, 0xFFFF));
    r = drv_.GetPropertyBytes(handle_, DAQ_PROP_DIO_PORT_TYPES, &portTypeList_,
                              static_cast<uint32_t>(dioPortCount_));
    if (r != DAQ_OK) {
        ReportDriverError(r);
        return false;
    }
    portTypeList_.resize(static_cast<size_t>(dioPortCount_), 0);
    const bool anyProgrammable =
        std::any_of(portTypeList_.begin(), portTypeList_.end(), [](uint8_t t) { return t > 2; });

    bool refused = false;
    if (!restorePending_[RestoreDirection]) {
        portDirectionList_.assign(static_cast<size_t>(dioPortCount_), 0);
        uint32_t bytes = static_cast<uint32_t>(dioPortCount_) * 4u;
        r = dioPortCount_ > 0 ? drv_.DeviceGetProperty(handle_, DAQ_PROP_DIO_DIRECTIONS,
                                                       portDirectionList_.data(), &bytes)
                              : DAQ_OK;
        refused = r != DAQ_OK;
        if (refused)
            std::fill(portDirectionList_.begin(), portDirectionList_.end(), 0u);
        programmablePorts_ = anyProgrammable;
    } else {
        // Persisted directions: one word per port of this device.
        portDirectionList_.resize(static_cast<size_t>(dioPortCount_), 0u);
        if (anyProgrammable) {
            for (int32_t port = 0; port < dioPortCount_; ++port) {
                VARIANT_BOOL ok = 0;
                SetPortDirection(port, static_cast<int32_t>(portDirectionList_[port]), &ok);
            }
        }
        restorePending_[RestoreDirection] = 0;
    }
    RebuildPortChannelCounts(refused);

    if (discoveryFailure_ != 1) {
        if (!SurveyDiInterrupt() || !SurveyPatternMatch() || !SurveyStatusChange())
            return false;
    }
    return true;
}

std::pair<int32_t, int32_t> MrvDIOCtrl::ChannelToPortBit(int32_t channel) const {
    int32_t sum = 0;
    const int32_t ports =
        std::min<int32_t>(diPortCount_, static_cast<int32_t>(portChannelCounts_.size()));
    for (int32_t i = 0; i < ports; ++i) {
        const int32_t count = portChannelCounts_[i];
        sum += count;
        if (sum == channel && sum != 0)
            return {i + 1, 0};
        if (channel <= sum && sum - count <= channel)
            return {i, channel - (sum - count)};
    }
    return {0, 0};
}

bool MrvDIOCtrl::CloseAndReset() {
    if (handle_) {
        if (eventEnabled_)
            put_EventEnabled(0);
        const DaqResult r = drv_.DeviceClose(&handle_);
        if (r != DAQ_OK) {
            ReportDriverError(r);
            return false;
        }
        // Closing the handle ended the worker's wait; let it finish before
        // another device can get the same handle.
        StopEvents(true);
    }
    discoveryFailure_ = 21;
    threadRun_ = false;
    statusArmed_ = patternArmed_ = interruptArmed_ = false;
    eventEnabled_ = 0;
    diChannelCount_ = diPortCount_ = doChannelCount_ = doPortCount_ = 0;
    if (!restoring_) {
        patternPortCount_ = -1;
        statusPortCount_ = -1;
        dioPortCount_ = 0;
    }
    handle_ = 0;
    portTypeList_.clear();
    portChannelCounts_.clear();
    if (!restoring_) {
        portDirectionList_.clear();
        diInterrupt_.reset();
        diPattern_.reset();
        diStatus_.reset();
        deviceNumber_ = -1;
        boardId_ = -1;
        restorePending_.fill(0);
        deviceName_ = "No Device";
    }
    return true;
}

void MrvDIOCtrl::NotifyChanged(DISPID dispid) {
    // Copy first: a sink may unadvise while being called.
    std::vector<IUnknown*> sinks;
    for (const auto& s : notifyPoint_->Sinks()) {
        s.second->AddRef();
        sinks.push_back(s.second);
    }
    for (IUnknown* s : sinks) {
        static_cast<IPropertyNotifySink*>(s)->OnChanged(dispid);
        s->Release();
    }
}

// ---------------------------------------------------------- channels, ports

HRESULT MrvDIOCtrl::ReadDiChannel(int32_t channel, int32_t* state) {
    return ReadChannelBit(channel, state,
                          {diChannelCount_, Err::NoDiFunction, Err::InvalidDiChannel,
                           Err::ReadDiChannelFailed, &driver::DaqDriver::DioReadBit});
}

HRESULT MrvDIOCtrl::ReadDoChannel(int32_t channel, int32_t* state) {
    return ReadChannelBit(channel, state,
                          {doChannelCount_, Err::NoDoFunction, Err::InvalidDoChannel,
                           Err::ReadDoChannelFailed, &driver::DaqDriver::DioGetCurrentDOBit});
}

// One channel's bit, read by the given driver call; each side reports its own
// error numbers (no channels, channel out of range, driver failure).
HRESULT MrvDIOCtrl::ReadChannelBit(int32_t channel, int32_t* state, const ChannelRead& side) {
    if (state)
        *state = -1;
    if (!handle_) {
        ReportError(Err::NoDevice);
        return E_FAIL;
    }
    if (side.channelCount == 0) {
        ReportError(side.noChannelsError);
        return E_FAIL;
    }
    if (channel < 0 || channel >= side.channelCount) {
        ReportError(side.rangeError);
        return E_FAIL;
    }
    if (!state) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    uint16_t value = 0;
    DaqDioReadBit record{static_cast<uint16_t>(channel / 8), static_cast<uint16_t>(channel % 8),
                         &value};
    if ((drv_.*side.read)(handle_, &record) != DAQ_OK) {
        ReportError(side.readError);
        return E_FAIL;
    }
    *state = static_cast<int16_t>(value);
    return S_OK;
}

HRESULT MrvDIOCtrl::WriteDoChannel(int32_t status, int32_t channel, VARIANT_BOOL* pResult) {
    if (pResult)
        *pResult = 0;
    if (!handle_) {
        ReportError(Err::NoDevice);
        return E_FAIL;
    }
    if (doChannelCount_ == 0) {
        ReportError(Err::NoDoFunction);
        return E_FAIL;
    }
    if (channel < 0 || channel >= doChannelCount_) {
        ReportError(Err::InvalidDoChannel);
        return E_FAIL;
    }
    DaqDioWriteBit record{static_cast<uint16_t>(channel / 8), static_cast<uint16_t>(channel % 8),
                          static_cast<uint16_t>(status & 0xFFFF)};
    if (drv_.DioWriteBit(handle_, &record) != DAQ_OK) {
        ReportError(Err::WriteDoChannelFailed);
        return E_FAIL;
    }
    if (pResult)
        *pResult = 1;
    return S_OK;
}

Err MrvDIOCtrl::ResolveBuffer(VARIANT* buffer, BufferUse use, int32_t count, SAFEARRAY** array) {
    *array = nullptr;
    if (!buffer)
        return Err::InvalidUserBuffer;
    // A variant by reference to another variant: look through it.
    VARIANT* v = buffer;
    if (v->vt == (VT_BYREF | VT_VARIANT)) {
        if (!v->pvarVal)
            return Err::InvalidUserBuffer;
        v = v->pvarVal;
    }
    const bool emptyVariant = v->vt == VT_EMPTY;
    const bool arrayWithout =
        (v->vt == (VT_ARRAY | VT_UI1) && !v->parray) ||
        (v->vt == (VT_BYREF | VT_ARRAY | VT_UI1) && (!v->pparray || !*v->pparray));
    if (emptyVariant || arrayWithout) {
        if (use == BufferUse::Write)
            return Err::InvalidUserBuffer;
        SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, static_cast<uint32_t>(count));
        if (!sa)
            return Err::InsufficientMemory;
        if (v->vt == (VT_BYREF | VT_ARRAY | VT_UI1) && v->pparray) {
            *v->pparray = sa;
        } else {
            v->vt = VT_ARRAY | VT_UI1;
            v->parray = sa;
        }
        *array = sa;
        return Err::NoError;
    }
    SAFEARRAY* sa = nullptr;
    if (v->vt == (VT_ARRAY | VT_UI1))
        sa = v->parray;
    else if (v->vt == (VT_BYREF | VT_ARRAY | VT_UI1))
        sa = *v->pparray;
    if (!sa || sa->cDims != 1 || sa->cbElements != 1 || !sa->pvData)
        return Err::BufferNotBytes;
    *array = sa;
    return Err::NoError;
}

HRESULT MrvDIOCtrl::ReadPorts(VARIANT* pBuffer, int32_t portStart, int32_t portCount,
                              VARIANT_BOOL* pResult, bool input) {
    if (pResult)
        *pResult = 0;
    VARIANT_BOOL complete = 1;
    if (!handle_) {
        ReportError(Err::NoDevice);
        return E_FAIL;
    }
    const int32_t channels = input ? diChannelCount_ : doChannelCount_;
    const int32_t ports = input ? diPortCount_ : doPortCount_;
    const Err rangeError = input ? Err::InvalidScanRange : Err::InvalidDoScanRange;
    if (channels == 0) {
        ReportError(input ? Err::NoDiFunction : Err::NoDoFunction);
        return E_FAIL;
    }
    if (portStart < 0 || portCount < 1 || portStart >= ports) {
        ReportError(rangeError);
        return E_FAIL;
    }
    if (static_cast<int64_t>(portStart) + portCount > ports) {
        portCount = ports - portStart;
        ReportError(rangeError);
        complete = 0;
    }
    SAFEARRAY* array = nullptr;
    if (const Err e = ResolveBuffer(pBuffer, BufferUse::Read, portCount, &array);
        e != Err::NoError) {
        ReportError(e);
        return E_FAIL;
    }
    const int32_t elements =
        static_cast<int32_t>(std::min<uint32_t>(array->rgsabound[0].cElements, 0x7FFFFFFF));
    if (elements < portCount) {
        portCount = elements;
        ReportError(Err::UserDataShort);
        complete = 0;
    }
    if (portCount > 0) {
        auto* data = static_cast<uint8_t*>(array->pvData);
        const DaqResult r =
            input ? drv_.ReadDiPorts(handle_, static_cast<uint32_t>(portStart),
                                     static_cast<uint32_t>(portCount), data)
                  : drv_.GetCurrentDoPortsState(handle_, static_cast<uint32_t>(portStart),
                                                static_cast<uint32_t>(portCount), data);
        if (r != DAQ_OK) {
            ReportError(input ? Err::ReadDiPortsFailed : Err::ReadDoPortsFailed);
            return E_FAIL;
        }
    }
    if (pResult)
        *pResult = complete;
    return S_OK;
}

HRESULT MrvDIOCtrl::ReadDiPorts(VARIANT* pBuffer, int32_t portStart, int32_t portCount,
                                VARIANT_BOOL* pResult) {
    return ReadPorts(pBuffer, portStart, portCount, pResult, true);
}

HRESULT MrvDIOCtrl::ReadDoPorts(VARIANT* pBuffer, int32_t portStart, int32_t portCount,
                                VARIANT_BOOL* pResult) {
    return ReadPorts(pBuffer, portStart, portCount, pResult, false);
}

HRESULT MrvDIOCtrl::WriteDoPorts(VARIANT* pBuffer, int32_t portStart, int32_t portCount,
                                 VARIANT_BOOL* pResult) {
    if (pResult)
        *pResult = 0;
    VARIANT_BOOL complete = 1;
    if (!handle_) {
        ReportError(Err::NoDevice);
        return E_FAIL;
    }
    if (doChannelCount_ == 0) {
        ReportError(Err::NoDoFunction);
        return E_FAIL;
    }
    if (portStart < 0 || portStart >= doPortCount_ || portCount < 1) {
        ReportError(Err::InvalidDoPortRange);
        return E_FAIL;
    }
    if (static_cast<int64_t>(portStart) + portCount > doPortCount_) {
        portCount = doPortCount_ - portStart;
        ReportError(Err::InvalidDoPortRange);
        complete = 0;
    }
    SAFEARRAY* array = nullptr;
    if (const Err e = ResolveBuffer(pBuffer, BufferUse::Write, portCount, &array);
        e != Err::NoError) {
        ReportError(e);
        return E_FAIL;
    }
    const int32_t elements =
        static_cast<int32_t>(std::min<uint32_t>(array->rgsabound[0].cElements, 0x7FFFFFFF));
    if (elements < portCount) {
        // The available data are written; the call still counts as complete.
        portCount = elements;
        ReportError(Err::UserDataShort);
    }
    if (portCount > 0) {
        const DaqResult r = drv_.WriteDoPorts(handle_, static_cast<uint32_t>(portStart),
                                              static_cast<uint32_t>(portCount),
                                              static_cast<const uint8_t*>(array->pvData));
        if (r != DAQ_OK) {
            ReportError(Err::WriteDoPortsFailed);
            return E_FAIL;
        }
    }
    if (pResult)
        *pResult = complete;
    return S_OK;
}

// ----------------------------------------------------------- port direction

HRESULT MrvDIOCtrl::GetPortDirection(int32_t port, int32_t* direction) {
    if (!handle_) {
        ReportError(Err::NoDevice);
        return E_FAIL;
    }
    if (port < 0 || port >= dioPortCount_ || port >= static_cast<int32_t>(portTypeList_.size())) {
        ReportError(Err::InvalidDioPort);
        return E_FAIL;
    }
    if (!direction) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    switch (portTypeList_[port]) {
    case 0:
        *direction = 0;
        break;
    case 1:
        *direction = 0x00FF;
        break;
    case 2:
        *direction = 0xFF00;
        break;
    default:
        *direction = port < static_cast<int32_t>(portDirectionList_.size())
                         ? static_cast<int32_t>(portDirectionList_[port])
                         : 0;
        break;
    }
    return S_OK;
}

HRESULT MrvDIOCtrl::SetPortDirection(int32_t port, int32_t direction, VARIANT_BOOL* pResult) {
    if (pResult)
        *pResult = 0;
    if (!handle_) {
        ReportError(Err::NoDevice);
        return E_FAIL;
    }
    if (port < 0 || port >= dioPortCount_ || port >= static_cast<int32_t>(portTypeList_.size())) {
        ReportError(Err::InvalidDioPort);
        return E_FAIL;
    }
    const uint8_t type = portTypeList_[port];
    if (type < 3) {
        ReportError(Err::PortNoDirectionSetting);
        return E_FAIL;
    }
    const uint32_t d = static_cast<uint32_t>(direction) & 0xFFu;
    bool accepted = false;
    if (d == 0x00 || d == 0xFF)
        accepted = type >= 3 && type <= 5;
    else if (d == 0x0F || d == 0xF0)
        accepted = type == 4 || type == 5;
    else
        accepted = type == 5;
    if (!accepted) {
        ReportError(Err::IllegalDirection);
        return E_FAIL;
    }
    if (portDirectionList_.size() < static_cast<size_t>(dioPortCount_))
        portDirectionList_.resize(static_cast<size_t>(dioPortCount_), 0u);
    const uint32_t previous = portDirectionList_[port];
    portDirectionList_[port] = d;
    if (UserMode()) {
        const DaqResult r = drv_.DeviceSetProperty(
            handle_, DAQ_PROP_DIO_DIRECTIONS, portDirectionList_.data(),
            static_cast<uint32_t>(portDirectionList_.size() * sizeof(uint32_t)));
        if (r != DAQ_OK) {
            // The board keeps the old direction, and so does the control.
            portDirectionList_[port] = previous;
            ReportDriverError(r);
            return E_FAIL;
        }
    }
    dirty_ = true;
    if (pResult)
        *pResult = 1;
    return S_OK;
}

namespace {

// The byte array a settings variant holds (directly or by reference), or null.
SAFEARRAY* SettingArray(VARIANT* setting) {
    if (!setting)
        return nullptr;
    VARIANT* v = setting;
    if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal)
        v = v->pvarVal;
    SAFEARRAY* sa = nullptr;
    if (v->vt == (VT_ARRAY | VT_UI1))
        sa = v->parray;
    else if (v->vt == (VT_BYREF | VT_ARRAY | VT_UI1) && v->pparray)
        sa = *v->pparray;
    if (!sa || sa->cDims != 1 || sa->cbElements != 1 || !sa->pvData)
        return nullptr;
    return sa;
}

} // namespace

HRESULT MrvDIOCtrl::GetDioPortType(VARIANT* pSetting) {
    // No checks of its own: writes what fits into the caller's array.
    if (SAFEARRAY* sa = SettingArray(pSetting)) {
        const size_t n = std::min<size_t>(sa->rgsabound[0].cElements, portTypeList_.size());
        if (n)
            std::memcpy(sa->pvData, portTypeList_.data(), n);
    }
    return S_OK;
}

HRESULT MrvDIOCtrl::GetDioChannelDirection(VARIANT* pSetting) {
    if (SAFEARRAY* sa = SettingArray(pSetting)) {
        const size_t n = std::min<size_t>({static_cast<size_t>(sa->rgsabound[0].cElements),
                                           static_cast<size_t>(std::max(dioPortCount_, 0)),
                                           portDirectionList_.size()});
        auto* data = static_cast<uint8_t*>(sa->pvData);
        for (size_t i = 0; i < n; ++i)
            data[i] = static_cast<uint8_t>(portDirectionList_[i] & 0xFFu);
    }
    return S_OK;
}

// ------------------------------------------------------------------ dialogs

HRESULT MrvDIOCtrl::SelectDevice(VARIANT_BOOL* pResult) {
    if (pResult)
        *pResult = 0;
    std::vector<std::pair<int32_t, QString>> devices;
    Bstr name;
    int32_t number = -1;
    GetDeviceListFirst(name.Put(), &number);
    while (number >= 0) {
        devices.emplace_back(number, QString::fromStdU16String(std::u16string(
                                         name.Get() ? name.Get() : u"", name.Length())));
        if (FAILED(GetDeviceListNext(name.Put(), &number)))
            break;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return S_OK; // no window system to ask on
    SelectDeviceDialog dialog(devices, deviceNumber_, QApplication::activeWindow());
    if (RunDialog(&dialog) == QDialog::Accepted && dialog.SelectedNumber() >= 0) {
        put_DeviceNumber(dialog.SelectedNumber());
        if (pResult)
            *pResult = 1;
    }
    return S_OK;
}

HRESULT MrvDIOCtrl::AboutBox() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return S_OK;
    AboutDialog dialog(QApplication::activeWindow());
    RunDialog(&dialog);
    return S_OK;
}

// ------------------------------------------------------------- site, extent

SIZEL MrvDIOCtrl::ControlExtent() {
    int32_t ppi = 96;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            ppi = std::max(1, qRound(screen->logicalDotsPerInchX()));
    }
    const int32_t himetric = MulDiv(33, 2540, ppi);
    return SIZEL{himetric, himetric};
}

bool MrvDIOCtrl::UserMode() const {
    if (!site_)
        return true;
    IDispatch* ambient = nullptr;
    if (FAILED(site_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&ambient))) ||
        !ambient)
        return true;
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    bool userMode = true;
    if (SUCCEEDED(ambient->Invoke(DISPID_AMBIENT_USERMODE, GUID_NULL, LOCALE_USER_DEFAULT,
                                  DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr))) {
        if (result.vt == VT_BOOL)
            userMode = result.boolVal != 0;
        else if (result.vt == VT_I4)
            userMode = result.lVal != 0;
    }
    VariantClear(&result);
    ambient->Release();
    return userMode;
}

HRESULT MrvDIOCtrl::SetClientSite(IUnknown* site) {
    if (site)
        site->AddRef();
    if (site_)
        site_->Release();
    site_ = site;
    return S_OK;
}

HRESULT MrvDIOCtrl::GetClientSite(IUnknown** site) {
    if (!site)
        return E_POINTER;
    *site = site_;
    if (site_)
        site_->AddRef();
    return S_OK;
}

HRESULT MrvDIOCtrl::SetExtent(uint32_t drawAspect, const SIZEL* size) {
    if (drawAspect != DVASPECT_CONTENT)
        return E_INVALIDARG;
    if (!size)
        return E_POINTER;
    // Whatever is asked, the control is 33 × 33 pixels.
    extent_ = ControlExtent();
    return S_OK;
}

HRESULT MrvDIOCtrl::GetExtent(uint32_t drawAspect, SIZEL* size) {
    if (drawAspect != DVASPECT_CONTENT)
        return E_INVALIDARG;
    if (!size)
        return E_POINTER;
    *size = extent_;
    return S_OK;
}

HRESULT MrvDIOCtrl::OnAmbientPropertyChange(DISPID) {
    return S_OK;
}

HRESULT MrvDIOCtrl::Close(uint32_t) {
    eventsPoint_->UnadviseAll();
    notifyPoint_->UnadviseAll();
    return SetClientSite(nullptr);
}

void MrvDIOCtrl::Draw(QPainter& painter, const QRect& bounds) const {
    if (!face_.isNull())
        painter.drawImage(bounds.topLeft() + QPoint(1, 1), face_);
}

HRESULT MrvDIOCtrl::InterfaceSupportsErrorInfo(const IID& iid) {
    return iid == IID_IMrvDIO ? S_OK : S_FALSE;
}

HRESULT MrvDIOCtrl::FindConnectionPoint(const IID& iid, IConnectionPoint** point) {
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (iid == DIID__IMrvDIOEvents)
        *point = eventsPoint_.get();
    else if (iid == IID_IPropertyNotifySink)
        *point = notifyPoint_.get();
    else
        return CONNECT_E_NOCONNECTION;
    (*point)->AddRef();
    return S_OK;
}

// --------------------------------------------------------- connection points

ConnectionPoint::ConnectionPoint(MrvDIOCtrl* owner, const IID& iid, const IID& sinkIid)
    : owner_(owner)
    , iid_(iid)
    , sinkIid_(sinkIid) {}

ConnectionPoint::~ConnectionPoint() {
    UnadviseAll();
}

HRESULT ConnectionPoint::QueryInterface(const IID& iid, void** object) {
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// The point lives inside the control and keeps it alive.
uint32_t ConnectionPoint::AddRef() {
    return owner_->AddRef();
}
uint32_t ConnectionPoint::Release() {
    return owner_->Release();
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid)
        return E_POINTER;
    *iid = iid_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container)
        return E_POINTER;
    return owner_->QueryInterface(IID_IConnectionPointContainer,
                                  reinterpret_cast<void**>(container));
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, uint32_t* cookie) {
    if (!sink || !cookie)
        return E_POINTER;
    *cookie = 0;
    IUnknown* typed = nullptr;
    if (FAILED(sink->QueryInterface(sinkIid_, reinterpret_cast<void**>(&typed))) || !typed) {
        // An event sink may answer for the event interface itself.
        if (iid_ != DIID__IMrvDIOEvents ||
            FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&typed))) || !typed)
            return CONNECT_E_CANNOTCONNECT;
    }
    *cookie = nextCookie_++;
    sinks_.emplace_back(*cookie, typed);
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(uint32_t cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
        if (it->first == cookie) {
            IUnknown* sink = it->second;
            sinks_.erase(it);
            sink->Release();
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

void ConnectionPoint::UnadviseAll() {
    auto sinks = std::move(sinks_);
    sinks_.clear();
    for (auto& s : sinks)
        s.second->Release();
}

} // namespace mrvdio
