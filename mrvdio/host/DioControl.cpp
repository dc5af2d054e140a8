#include "host/DioControl.h"

namespace mrvdio::host {

namespace {

DioStatus statusOf(const CallResult& r) {
    return {r.hr, r.description};
}

template <class T> DioResult<T> resultOf(const CallResult& r, T value) {
    DioResult<T> out;
    out.hr = r.hr;
    out.description = r.description;
    out.value = std::move(value);
    return out;
}

DioResult<int32_t> intOf(const CallResult& r, int32_t fallback = -1) {
    return resultOf(r, r.value.ToInt(fallback));
}

DioResult<bool> boolOf(const CallResult& r) {
    return resultOf(r, r.value.ToInt(0) != 0);
}

// An event argument: a 32-bit number, directly or by reference.
int32_t intArg(const VARIANT* v) {
    if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal)
        v = v->pvarVal;
    switch (v->vt) {
    case VT_I4:
        return v->lVal;
    case VT_I2:
        return v->iVal;
    case VT_BYREF | VT_I4:
        return *v->plVal;
    case VT_BYREF | VT_I2:
        return *v->piVal;
    default:
        return -1;
    }
}

// The event's data: a byte array, directly or by reference; empty otherwise.
std::vector<uint8_t> bytesArg(const VARIANT* v) {
    if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal)
        v = v->pvarVal;
    const SAFEARRAY* sa = nullptr;
    if (v->vt == (VT_ARRAY | VT_UI1))
        sa = v->parray;
    else if (v->vt == (VT_BYREF | VT_ARRAY | VT_UI1) && v->pparray)
        sa = *v->pparray;
    if (!sa || sa->cDims != 1 || !sa->pvData)
        return {};
    const auto* data = static_cast<const uint8_t*>(sa->pvData);
    return std::vector<uint8_t>(data, data + sa->rgsabound[0].cElements);
}

} // namespace

// ------------------------------------------------------------ connection

DioEventConnection::DioEventConnection(const Control& control, DioEventHandler handler) {
    sink_ = ComPtr<EventSink>(new EventSink([handler = std::move(handler)](
                                                DISPID dispid, const std::vector<VARIANT*>& args) {
                                  if (!handler || args.size() < 4)
                                      return;
                                  DioEvent e;
                                  e.kind = static_cast<MrvDIOEventDispId>(dispid);
                                  e.index = intArg(args[0]);
                                  e.ports = bytesArg(args[1]);
                                  e.scanStart = intArg(args[2]);
                                  e.scanCount = intArg(args[3]);
                                  handler(e);
                              }),
                              /*addRef=*/false); // the sink starts with the one reference we hold
    ComPtr<IConnectionPointContainer> container;
    IMrvDIO* object = control.Object();
    if (!object ||
        FAILED(object->QueryInterface(IID_IConnectionPointContainer, container.PutVoid())))
        return;
    if (FAILED(container->FindConnectionPoint(DIID__IMrvDIOEvents, point_.Put())))
        return;
    if (FAILED(point_->Advise(sink_.Get(), &cookie_))) {
        cookie_ = 0;
        point_.Reset();
    }
}

DioEventConnection::~DioEventConnection() {
    if (point_ && cookie_ != 0)
        point_->Unadvise(cookie_);
}

// --------------------------------------------------------------- control

std::unique_ptr<DioControl> DioControl::Create(std::string* error, const std::string& progId) {
    std::unique_ptr<Control> control = Control::Create(error, progId);
    if (!control)
        return nullptr;
    return std::make_unique<DioControl>(std::move(control));
}

DioControl::DioControl(std::unique_ptr<Control> control)
    : control_(std::move(control)) {}

std::unique_ptr<DioEventConnection> DioControl::ConnectEvents(DioEventHandler handler) const {
    return std::make_unique<DioEventConnection>(*control_, std::move(handler));
}

DioResult<int32_t> DioControl::DeviceNumber() const {
    return intOf(control_->Dispatch().Get(DISPID_DeviceNumber));
}

DioStatus DioControl::SetDeviceNumber(int32_t number) const {
    return statusOf(control_->Dispatch().Put(DISPID_DeviceNumber, Variant::Int(number)));
}

DioResult<std::string> DioControl::DeviceName() const {
    const CallResult r = control_->Dispatch().Get(DISPID_DeviceName);
    return resultOf(r, r.value.ToUtf8());
}

DioResult<int32_t> DioControl::LastErrorCode() const {
    return intOf(control_->Dispatch().Get(DISPID_LastErrorCode));
}

DioStatus DioControl::SetLastErrorCode(int32_t code) const {
    return statusOf(control_->Dispatch().Put(DISPID_LastErrorCode, Variant::Int(code)));
}

DioResult<std::string> DioControl::LastErrorMessage() const {
    const CallResult r = control_->Dispatch().Get(DISPID_LastErrorMessage);
    return resultOf(r, r.value.ToUtf8());
}

DioStatus DioControl::SetLastErrorMessage(const std::string& message) const {
    return statusOf(control_->Dispatch().Put(DISPID_LastErrorMessage, Variant::String(message)));
}

DioResult<int32_t> DioControl::DiChannelCount() const {
    return intOf(control_->Dispatch().Get(DISPID_DiChannelCount), 0);
}

DioResult<int32_t> DioControl::DiPortCount() const {
    return intOf(control_->Dispatch().Get(DISPID_DiPortCount), 0);
}

DioResult<int32_t> DioControl::DoChannelCount() const {
    return intOf(control_->Dispatch().Get(DISPID_DoChannelCount), 0);
}

DioResult<int32_t> DioControl::DoPortCount() const {
    return intOf(control_->Dispatch().Get(DISPID_DoPortCount), 0);
}

DioResult<bool> DioControl::SelectDevice() const {
    return boolOf(control_->Dispatch().Call(DISPID_SelectDevice));
}

namespace {
DioResult<DioDevice> deviceList(const DispatchClient& d, DISPID dispid) {
    Variant name, number;
    const CallResult r = d.Call(dispid, {Variant::RefTo(name.Ptr()), Variant::RefTo(number.Ptr())});
    return resultOf(r, DioDevice{name.ToUtf8(), number.ToInt(-1)});
}

DioResult<DioPorts> readPorts(const DispatchClient& d, DISPID dispid, int32_t portStart,
                              int32_t portCount) {
    Variant buffer; // empty: the control makes the array
    const CallResult r = d.Call(
        dispid, {Variant::RefTo(buffer.Ptr()), Variant::Int(portStart), Variant::Int(portCount)});
    return resultOf(r, DioPorts{buffer.ToBytes(), r.value.ToInt(0) != 0});
}

DioResult<std::vector<uint8_t>> portTable(const DioControl& dio, const DispatchClient& d,
                                          DISPID dispid) {
    const DioResult<int32_t> count = dio.GetDioPortCount();
    Variant buffer =
        Variant::Bytes(std::vector<uint8_t>(count.Ok() && count.value > 0 ? count.value : 0));
    const CallResult r = d.Call(dispid, {Variant::RefTo(buffer.Ptr())});
    return resultOf(r, buffer.ToBytes());
}

DioResult<DioPortSupport> portSupport(const DispatchClient& d, DISPID dispid, int32_t port) {
    Variant channels, mask;
    const CallResult r = d.Call(
        dispid, {Variant::Int(port), Variant::RefTo(channels.Ptr()), Variant::RefTo(mask.Ptr())});
    return resultOf(r, DioPortSupport{channels.ToInt(0), mask.ToInt(0)});
}
} // namespace

DioResult<DioDevice> DioControl::GetDeviceListFirst() const {
    return deviceList(control_->Dispatch(), DISPID_GetDeviceListFirst);
}

DioResult<DioDevice> DioControl::GetDeviceListNext() const {
    return deviceList(control_->Dispatch(), DISPID_GetDeviceListNext);
}

DioResult<int32_t> DioControl::ReadDiChannel(int32_t channel) const {
    return intOf(control_->Dispatch().Call(DISPID_ReadDiChannel, {Variant::Int(channel)}));
}

DioResult<DioPorts> DioControl::ReadDiPorts(int32_t portStart, int32_t portCount) const {
    return readPorts(control_->Dispatch(), DISPID_ReadDiPorts, portStart, portCount);
}

DioResult<int32_t> DioControl::ReadDoChannel(int32_t channel) const {
    return intOf(control_->Dispatch().Call(DISPID_ReadDoChannel, {Variant::Int(channel)}));
}

DioResult<DioPorts> DioControl::ReadDoPorts(int32_t portStart, int32_t portCount) const {
    return readPorts(control_->Dispatch(), DISPID_ReadDoPorts, portStart, portCount);
}

DioResult<bool> DioControl::WriteDoChannel(int32_t status, int32_t channel) const {
    return boolOf(control_->Dispatch().Call(DISPID_WriteDoChannel,
                                            {Variant::Int(status), Variant::Int(channel)}));
}

DioResult<bool> DioControl::WriteDoPorts(const std::vector<uint8_t>& bytes, int32_t portStart,
                                         int32_t portCount) const {
    Variant buffer = Variant::Bytes(bytes);
    return boolOf(control_->Dispatch().Call(
        DISPID_WriteDoPorts,
        {Variant::RefTo(buffer.Ptr()), Variant::Int(portStart), Variant::Int(portCount)}));
}

DioResult<int32_t> DioControl::GetPortDirection(int32_t port) const {
    return intOf(control_->Dispatch().Call(DISPID_GetPortDirection, {Variant::Int(port)}));
}

DioResult<bool> DioControl::SetPortDirection(int32_t port, int32_t direction) const {
    return boolOf(control_->Dispatch().Call(DISPID_SetPortDirection,
                                            {Variant::Int(port), Variant::Int(direction)}));
}

DioResult<int32_t> DioControl::GetDioPortCount() const {
    return intOf(control_->Dispatch().Call(DISPID_GetDioPortCount), 0);
}

DioResult<std::vector<uint8_t>> DioControl::GetDioPortType() const {
    return portTable(*this, control_->Dispatch(), DISPID_GetDioPortType);
}

DioResult<std::vector<uint8_t>> DioControl::GetDioChannelDirection() const {
    return portTable(*this, control_->Dispatch(), DISPID_GetDioChannelDirection);
}

DioResult<bool> DioControl::EventEnabled() const {
    return boolOf(control_->Dispatch().Get(DISPID_EventEnabled));
}

DioStatus DioControl::SetEventEnabled(bool enabled) const {
    return statusOf(control_->Dispatch().Put(DISPID_EventEnabled, Variant::Bool(enabled)));
}

DioResult<bool> DioControl::SetDiInterrupt(int32_t channel, int32_t trigger) const {
    return boolOf(control_->Dispatch().Call(DISPID_SetDiInterrupt,
                                            {Variant::Int(channel), Variant::Int(trigger)}));
}

DioStatus DioControl::EnableDiInterrupt(int32_t channel, bool enabled) const {
    return statusOf(control_->Dispatch().Call(DISPID_EnableDiInterrupt,
                                              {Variant::Int(channel), Variant::Bool(enabled)}));
}

DioResult<bool> DioControl::AssignDiInterruptDiScanRange(int32_t channel, int32_t scanStart,
                                                         int32_t scanCount) const {
    return boolOf(control_->Dispatch().Call(
        DISPID_AssignDiInterruptDiScanRange,
        {Variant::Int(channel), Variant::Int(scanStart), Variant::Int(scanCount)}));
}

DioResult<DiInterruptSetting> DioControl::GetDiInterruptSetting(int32_t channel) const {
    Variant enabled, trigger, start, count;
    const CallResult r = control_->Dispatch().Call(
        DISPID_GetDiInterruptSetting,
        {Variant::Int(channel), Variant::RefTo(enabled.Ptr()), Variant::RefTo(trigger.Ptr()),
         Variant::RefTo(start.Ptr()), Variant::RefTo(count.Ptr())});
    return resultOf(r, DiInterruptSetting{enabled.ToInt(0) != 0, trigger.ToInt(0), start.ToInt(0),
                                          count.ToInt(0), r.value.ToInt(0) != 0});
}

DioResult<bool> DioControl::SetDiPatternMatch(int32_t port, int32_t pattern, int32_t mask) const {
    return boolOf(control_->Dispatch().Call(
        DISPID_SetDiPatternMatch, {Variant::Int(port), Variant::Int(pattern), Variant::Int(mask)}));
}

DioStatus DioControl::EnableDiPatternMatch(int32_t port, bool enabled) const {
    return statusOf(control_->Dispatch().Call(DISPID_EnableDiPatternMatch,
                                              {Variant::Int(port), Variant::Bool(enabled)}));
}

DioResult<bool> DioControl::AssignDiPatternMatchDiScanRange(int32_t port, int32_t scanStart,
                                                            int32_t scanCount) const {
    return boolOf(control_->Dispatch().Call(
        DISPID_AssignDiPatternMatchDiScanRange,
        {Variant::Int(port), Variant::Int(scanStart), Variant::Int(scanCount)}));
}

DioResult<DiPatternMatchSetting> DioControl::GetDiPatternMatchSetting(int32_t port) const {
    Variant mask, pattern, enabled, start, count;
    const CallResult r = control_->Dispatch().Call(
        DISPID_GetDiPatternMatchSetting,
        {Variant::Int(port), Variant::RefTo(mask.Ptr()), Variant::RefTo(pattern.Ptr()),
         Variant::RefTo(enabled.Ptr()), Variant::RefTo(start.Ptr()), Variant::RefTo(count.Ptr())});
    return resultOf(r,
                    DiPatternMatchSetting{mask.ToInt(0), pattern.ToInt(0), enabled.ToInt(0) != 0,
                                          start.ToInt(0), count.ToInt(0), r.value.ToInt(0) != 0});
}

DioResult<bool> DioControl::SetDiStatusChange(int32_t port, int32_t mask) const {
    return boolOf(control_->Dispatch().Call(DISPID_SetDiStatusChange,
                                            {Variant::Int(port), Variant::Int(mask)}));
}

DioStatus DioControl::EnableDiStatusChange(int32_t port, bool enabled) const {
    return statusOf(control_->Dispatch().Call(DISPID_EnableDiStatusChange,
                                              {Variant::Int(port), Variant::Bool(enabled)}));
}

DioResult<bool> DioControl::AssignDiStatusChangeDiScanRange(int32_t port, int32_t scanStart,
                                                            int32_t scanCount) const {
    return boolOf(control_->Dispatch().Call(
        DISPID_AssignDiStatusChangeDiScanRange,
        {Variant::Int(port), Variant::Int(scanStart), Variant::Int(scanCount)}));
}

DioResult<DiStatusChangeSetting> DioControl::GetDiStatusChangeSetting(int32_t port) const {
    Variant mask, enabled, start, count;
    const CallResult r = control_->Dispatch().Call(
        DISPID_GetDiStatusChangeSetting,
        {Variant::Int(port), Variant::RefTo(mask.Ptr()), Variant::RefTo(enabled.Ptr()),
         Variant::RefTo(start.Ptr()), Variant::RefTo(count.Ptr())});
    return resultOf(r, DiStatusChangeSetting{mask.ToInt(0), enabled.ToInt(0) != 0, start.ToInt(0),
                                             count.ToInt(0), r.value.ToInt(0) != 0});
}

DioResult<int32_t> DioControl::GetPatternMatchPortNumber() const {
    return intOf(control_->Dispatch().Call(DISPID_GetPatternMatchPortNumber));
}

DioResult<int32_t> DioControl::GetDiStatusChangePort() const {
    return intOf(control_->Dispatch().Call(DISPID_GetDiStatusChangePort));
}

DioResult<DioPortSupport> DioControl::GetDiPatternPortInfo(int32_t port) const {
    return portSupport(control_->Dispatch(), DISPID_GetDiPatternPortInfo, port);
}

DioResult<DioPortSupport> DioControl::GetDiStatusPortInfo(int32_t port) const {
    return portSupport(control_->Dispatch(), DISPID_GetDiStatusPortInfo, port);
}

DioStatus DioControl::AboutBox() const {
    return statusOf(control_->Dispatch().Call(DISPID_AboutBox));
}

} // namespace mrvdio::host
