#pragma once

// The MrvDIO control as typed C++ calls, for the marking program and other
// hosts. Every member goes through the control's dispatch interface, as a
// host calls it, and comes back as a value with the member's result:
//
//   std::string error;
//   auto dio = mrvdio::host::DioControl::Create(&error);   // "MrvDIO.MrvDIOCtrl"
//   if (!dio) { ... error names what failed ... }
//   auto state = dio->ReadDiChannel(0);
//   if (state.Ok()) use(state.value);
//   else show(state.description);                         // "Invalid DI channel number!!"
//
//   // Events while `events` lives; destroying it disconnects the handler.
//   auto events = dio->ConnectEvents([](const mrvdio::host::DioEvent& e) { ... });
//
// One thread: the thread that created the control (events arrive there too,
// through its event loop).

#include "host/ControlHost.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mrvdio::host {

// The outcome of a member: its HRESULT (S_OK, S_FALSE where the member says
// so, E_FAIL, or a dispatch failure) and, for a failure, the control's
// message (the same text as its LastErrorMessage).
struct DioStatus {
    HRESULT hr = S_OK;
    std::string description;
    bool Ok() const { return SUCCEEDED(hr); }
};

// A member's outcome with its value (the result parameter, or what the
// out-parameters received). On failure the value is what the control wrote
// before it failed (often -1 or 0).
template <class T> struct DioResult : DioStatus { T value{}; };

struct DioDevice {
    std::string name; // "No Device" when none is left
    int32_t number = -1;
};

// Ports read with ReadDiPorts / ReadDoPorts: the bytes read and whether all
// the ports asked for were read (false when the range or the buffer cut the
// read short; LastErrorCode tells why).
struct DioPorts {
    std::vector<uint8_t> bytes;
    bool complete = false;
};

struct DiInterruptSetting {
    bool enabled = false;
    int32_t trigger = 0; // DiTriggerEdge
    int32_t scanStart = 0;
    int32_t scanCount = 0;
    bool found = false; // the channel can raise a DI interrupt
};

struct DiPatternMatchSetting {
    int32_t mask = 0;
    int32_t pattern = 0;
    bool enabled = false;
    int32_t scanStart = 0;
    int32_t scanCount = 0;
    bool found = false; // the port has a pattern-match record
};

struct DiStatusChangeSetting {
    int32_t mask = 0;
    bool enabled = false;
    int32_t scanStart = 0;
    int32_t scanCount = 0;
    bool found = false; // the port has a status-change record
};

struct DioPortSupport {
    int32_t channels = 0; // channels that take part (bit mask)
    int32_t mask = 0;     // 1 when the mask can be set
};

// One event of _IMrvDIOEvents.
struct DioEvent {
    MrvDIOEventDispId kind =
        DISPID_OnDiInterrupt;   // OnDiInterrupt, OnDiStatusChange, OnDiPatternMatch
    int32_t index = -1;         // the channel (interrupt) or port
    std::vector<uint8_t> ports; // the latched DI ports of the scan range
    int32_t scanStart = 0;
    int32_t scanCount = 0;
};
using DioEventHandler = std::function<void(const DioEvent&)>;

// A handler connected to the control's events for the life of this object:
// advised on construction, unadvised (and its sink released) on destruction.
// It keeps the control object alive until then, so the order in which the
// connection and the DioControl end does not matter.
class DioEventConnection {
public:
    DioEventConnection(const Control& control, DioEventHandler handler);
    ~DioEventConnection();
    DioEventConnection(const DioEventConnection&) = delete;
    DioEventConnection& operator=(const DioEventConnection&) = delete;

    // Whether the control took the sink (false: no connection point).
    bool Connected() const { return cookie_ != 0; }

private:
    ComPtr<IConnectionPoint> point_;
    ComPtr<EventSink> sink_;
    uint32_t cookie_ = 0;
};

class DioControl {
public:
    // Creates the control registered under `progId`; null with the reason.
    static std::unique_ptr<DioControl> Create(std::string* error,
                                              const std::string& progId = MRVDIO_PROGID);
    explicit DioControl(std::unique_ptr<Control> control);

    // The control as the generic host holds it (client site, raw dispatch).
    Control& Host() const { return *control_; }

    // Connects `handler` to the control's events; keep the result as long as
    // the events are wanted.
    [[nodiscard]] std::unique_ptr<DioEventConnection> ConnectEvents(DioEventHandler handler) const;

    // ---- device
    DioResult<int32_t> DeviceNumber() const;
    // Opens device `number`; S_FALSE when it could not be opened or is no
    // DIO device (DeviceNumber is then -1 and LastErrorCode says why).
    DioStatus SetDeviceNumber(int32_t number) const;
    DioResult<std::string> DeviceName() const;
    DioResult<int32_t> LastErrorCode() const;
    DioStatus SetLastErrorCode(int32_t code) const;
    DioResult<std::string> LastErrorMessage() const;
    DioStatus SetLastErrorMessage(const std::string& message) const;
    DioResult<int32_t> DiChannelCount() const;
    DioResult<int32_t> DiPortCount() const;
    DioResult<int32_t> DoChannelCount() const;
    DioResult<int32_t> DoPortCount() const;
    DioResult<bool> SelectDevice() const; // true: the operator chose a device
    DioResult<DioDevice> GetDeviceListFirst() const;
    DioResult<DioDevice> GetDeviceListNext() const;

    // ---- inputs and outputs
    DioResult<int32_t> ReadDiChannel(int32_t channel) const;
    DioResult<DioPorts> ReadDiPorts(int32_t portStart, int32_t portCount) const;
    DioResult<int32_t> ReadDoChannel(int32_t channel) const;
    DioResult<DioPorts> ReadDoPorts(int32_t portStart, int32_t portCount) const;
    DioResult<bool> WriteDoChannel(int32_t status, int32_t channel) const;
    DioResult<bool> WriteDoPorts(const std::vector<uint8_t>& bytes, int32_t portStart,
                                 int32_t portCount) const;
    DioResult<int32_t> GetPortDirection(int32_t port) const;
    DioResult<bool> SetPortDirection(int32_t port, int32_t direction) const;
    DioResult<int32_t> GetDioPortCount() const;
    DioResult<std::vector<uint8_t>> GetDioPortType() const;         // one byte per DIO port
    DioResult<std::vector<uint8_t>> GetDioChannelDirection() const; // one byte per DIO port

    // ---- events and their configuration
    DioResult<bool> EventEnabled() const;
    DioStatus SetEventEnabled(bool enabled) const;
    DioResult<bool> SetDiInterrupt(int32_t channel, int32_t trigger) const; // DiTriggerEdge
    DioStatus EnableDiInterrupt(int32_t channel, bool enabled) const;
    DioResult<bool> AssignDiInterruptDiScanRange(int32_t channel, int32_t scanStart,
                                                 int32_t scanCount) const;
    DioResult<DiInterruptSetting> GetDiInterruptSetting(int32_t channel) const;
    DioResult<bool> SetDiPatternMatch(int32_t port, int32_t pattern, int32_t mask) const;
    DioStatus EnableDiPatternMatch(int32_t port, bool enabled) const;
    DioResult<bool> AssignDiPatternMatchDiScanRange(int32_t port, int32_t scanStart,
                                                    int32_t scanCount) const;
    DioResult<DiPatternMatchSetting> GetDiPatternMatchSetting(int32_t port) const;
    DioResult<bool> SetDiStatusChange(int32_t port, int32_t mask) const;
    DioStatus EnableDiStatusChange(int32_t port, bool enabled) const;
    DioResult<bool> AssignDiStatusChangeDiScanRange(int32_t port, int32_t scanStart,
                                                    int32_t scanCount) const;
    DioResult<DiStatusChangeSetting> GetDiStatusChangeSetting(int32_t port) const;
    DioResult<int32_t> GetPatternMatchPortNumber() const;
    DioResult<int32_t> GetDiStatusChangePort() const;
    DioResult<DioPortSupport> GetDiPatternPortInfo(int32_t port) const;
    DioResult<DioPortSupport> GetDiStatusPortInfo(int32_t port) const;

    DioStatus AboutBox() const;

private:
    std::unique_ptr<Control> control_;
};

} // namespace mrvdio::host
