// The exported functions of the simulated driver and of its test interface.

#include "Simulator.h"
#include "daqsim.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

using daqsim::Fn;
using daqsim::Simulator;

namespace {

Simulator& sim() {
    return Simulator::Get();
}

const char* messageOf(std::int32_t low) {
    switch (low) {
    case DAQ_OK:
        return "The operation completed successfully.";
    case DAQ_ERR_INVALID_DEVICE_NUMBER:
        return "No installed device has this device number.";
    case DAQ_ERR_INVALID_HANDLE:
        return "The device handle is not open.";
    case DAQ_ERR_INVALID_PARAMETER:
        return "A parameter is invalid.";
    case DAQ_ERR_BUFFER_TOO_SMALL:
        return "The buffer is too small for this property.";
    case DAQ_ERR_INVALID_PORT:
        return "The port number is out of range.";
    case DAQ_ERR_INVALID_CHANNEL:
        return "The channel number is out of range.";
    case DAQ_ERR_INVALID_EVENT:
        return "The board cannot raise this event.";
    case DAQ_ERR_INVALID_VALUE:
        return "The board does not accept this value.";
    case DAQ_ERR_READ_ONLY:
        return "This property cannot be changed.";
    case DAQ_ERR_NOT_SUPPORTED:
        return "This function is not supported by the board.";
    default:
        return nullptr;
    }
}

void copyError(char* error, uint32_t size, const std::string& text) {
    if (error && size > 0)
        std::snprintf(error, size, "%s", text.c_str());
}

} // namespace

extern "C" {

DaqResult DRV_DeviceOpen(int32_t deviceNumber, DaqHandle* handle) {
    if (const DaqResult f = sim().Enter(Fn::DeviceOpen)) {
        if (handle)
            *handle = 0;
        return f;
    }
    const DaqResult r = sim().Open(deviceNumber, handle);
    if (r == DAQ_OK)
        daqsim::StartServerOnce();
    return r;
}

DaqResult DRV_DeviceClose(DaqHandle* handle) {
    if (const DaqResult f = sim().Enter(Fn::DeviceClose))
        return f;
    return sim().Close(handle);
}

DaqResult DRV_DeviceGetProperty(DaqHandle handle, uint32_t propertyId, void* buffer,
                                uint32_t* byteSize) {
    if (const DaqResult f = sim().Enter(Fn::DeviceGetProperty, propertyId))
        return f;
    return sim().GetProperty(handle, propertyId, buffer, byteSize);
}

DaqResult DRV_DeviceSetProperty(DaqHandle handle, uint32_t propertyId, const void* buffer,
                                uint32_t byteSize) {
    if (const DaqResult f = sim().Enter(Fn::DeviceSetProperty, propertyId))
        return f;
    return sim().SetProperty(handle, propertyId, buffer, byteSize);
}

DaqResult DRV_DeviceGetNumOfList(int16_t* count) {
    if (const DaqResult f = sim().Enter(Fn::DeviceGetNumOfList)) {
        if (count)
            *count = 0;
        return f;
    }
    return sim().NumOfList(count);
}

DaqResult DRV_DeviceGetList(DaqDeviceListEntry* entries, int16_t capacity, int16_t* count) {
    if (const DaqResult f = sim().Enter(Fn::DeviceGetList)) {
        if (count)
            *count = 0;
        return f;
    }
    return sim().List(entries, capacity, count);
}

DaqResult DRV_DeviceNumToDeviceName(int32_t deviceNumber, char* name) {
    if (const DaqResult f = sim().Enter(Fn::DeviceNumToDeviceName))
        return f;
    return sim().DeviceName(deviceNumber, name);
}

DaqResult DRV_GetErrorMessage(DaqResult code, char* message) {
    if (const DaqResult f = sim().Enter(Fn::GetErrorMessage))
        return f;
    if (!message)
        return DAQ_ERR_INVALID_PARAMETER;
    const std::int32_t low = code & DAQ_ERROR_CODE_MASK;
    const std::string problem =
        low == DAQ_ERR_INVALID_DEVICE_NUMBER ? sim().Problem() : std::string();
    if (!problem.empty())
        // Without a usable board file there is no device: say why.
        std::snprintf(message, DAQ_ERROR_MESSAGE_SIZE, "%s (%s; no boards)", messageOf(low),
                      problem.c_str());
    else if (const char* text = messageOf(low))
        std::snprintf(message, DAQ_ERROR_MESSAGE_SIZE, "%s", text);
    else
        std::snprintf(message, DAQ_ERROR_MESSAGE_SIZE, "Unknown error code 0x%X.",
                      static_cast<unsigned>(code));
    return DAQ_OK;
}

DaqResult DRV_DioReadBit(DaqHandle handle, DaqDioReadBit* record) {
    if (const DaqResult f = sim().Enter(Fn::DioReadBit))
        return f;
    return sim().ReadBit(handle, record, false);
}

DaqResult DRV_DioGetCurrentDOBit(DaqHandle handle, DaqDioReadBit* record) {
    if (const DaqResult f = sim().Enter(Fn::DioGetCurrentDOBit))
        return f;
    return sim().ReadBit(handle, record, true);
}

DaqResult DRV_DioWriteBit(DaqHandle handle, DaqDioWriteBit* record) {
    if (const DaqResult f = sim().Enter(Fn::DioWriteBit))
        return f;
    return sim().WriteBit(handle, record);
}

DaqResult MvxDioReadDiPorts(DaqHandle handle, uint32_t portStart, uint32_t portCount,
                            uint8_t* buffer) {
    if (const DaqResult f = sim().Enter(Fn::ReadDiPorts))
        return f;
    return sim().ReadPorts(handle, portStart, portCount, buffer, false);
}

DaqResult MvxDioGetCurrentDoPortsState(DaqHandle handle, uint32_t portStart, uint32_t portCount,
                                       uint8_t* buffer) {
    if (const DaqResult f = sim().Enter(Fn::GetCurrentDoPortsState))
        return f;
    return sim().ReadPorts(handle, portStart, portCount, buffer, true);
}

DaqResult MvxDioWriteDoPorts(DaqHandle handle, uint32_t portStart, uint32_t portCount,
                             const uint8_t* buffer) {
    if (const DaqResult f = sim().Enter(Fn::WriteDoPorts))
        return f;
    return sim().WritePorts(handle, portStart, portCount, buffer);
}

DaqResult MvxDioEnableEventAndSpecifyDiPorts(DaqHandle handle, uint32_t eventId, uint32_t scanStart,
                                             uint32_t scanCount) {
    if (const DaqResult f = sim().Enter(Fn::EnableEvent))
        return f;
    return sim().EnableEvent(handle, eventId, scanStart, scanCount);
}

DaqResult MvxDioDisableEvent(DaqHandle handle, uint32_t eventId) {
    if (const DaqResult f = sim().Enter(Fn::DisableEvent))
        return f;
    return sim().DisableEvent(handle, eventId);
}

DaqResult DRV_CheckEvent(DaqHandle handle, DaqCheckEvent* record) {
    if (const DaqResult f = sim().Enter(Fn::CheckEvent)) {
        if (record && record->eventId)
            *record->eventId = DAQ_EVENT_NONE;
        return f;
    }
    return sim().CheckEvent(handle, record);
}

DaqResult MvxDioGetLatestEventDiPortsState(DaqHandle handle, uint32_t eventId, uint8_t* buffer,
                                           uint32_t portCount) {
    if (const DaqResult f = sim().Enter(Fn::LatestEventDiPortsState))
        return f;
    return sim().Latched(handle, eventId, buffer, portCount);
}

// ---- test interface ---------------------------------------------------------

DaqResult daqsim_reset(void) {
    std::string problem;
    std::vector<daqsim::Board> boards = daqsim::ConfiguredBoards(&problem);
    return sim().Load(std::move(boards), std::move(problem));
}

DaqResult daqsim_load_config_text(const char* text, char* error, uint32_t errorSize) {
    if (!text) {
        copyError(error, errorSize, "no board text");
        return DAQ_ERR_INVALID_PARAMETER;
    }
    std::vector<daqsim::Board> boards;
    std::string why;
    if (!daqsim::ParseBoards(text, &boards, &why)) {
        copyError(error, errorSize, why);
        return DAQ_ERR_INVALID_VALUE;
    }
    copyError(error, errorSize, "");
    return sim().Load(std::move(boards));
}

DaqResult daqsim_load_config_file(const char* path, char* error, uint32_t errorSize) {
    if (!path) {
        copyError(error, errorSize, "no board file");
        return DAQ_ERR_INVALID_PARAMETER;
    }
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        copyError(error, errorSize, std::string(path) + ": a folder, not a file");
        return DAQ_ERR_INVALID_PARAMETER;
    }
    std::ifstream in(path);
    if (!in) {
        copyError(error, errorSize, std::string(path) + ": " + std::strerror(errno));
        return DAQ_ERR_INVALID_PARAMETER;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    const DaqResult r = daqsim_load_config_text(ss.str().c_str(), error, errorSize);
    if (r != DAQ_OK && error && errorSize > 0) {
        const std::string why = error;
        copyError(error, errorSize, std::string(path) + ", " + why);
    }
    return r;
}

DaqResult daqsim_set_di_port(int32_t device, uint32_t port, uint8_t value) {
    return sim().SetDiPort(device, port, value);
}

DaqResult daqsim_set_di_bit(int32_t device, uint32_t channel, int32_t state) {
    return sim().SetDiBit(device, channel, state != 0);
}

DaqResult daqsim_edge(int32_t device, uint32_t channel, int32_t rising) {
    return sim().Edge(device, channel, rising != 0);
}

DaqResult daqsim_get_di_port(int32_t device, uint32_t port, uint8_t* value) {
    return sim().GetDiPort(device, port, value);
}

DaqResult daqsim_get_do_port(int32_t device, uint32_t port, uint8_t* value) {
    return sim().GetDoPort(device, port, value);
}

DaqResult daqsim_get_property(int32_t device, uint32_t propertyId, void* buffer,
                              uint32_t* byteSize) {
    return sim().BoardProperty(device, propertyId, buffer, byteSize);
}

DaqResult daqsim_fail(const char* call, DaqResult code, int32_t times) {
    Fn fn{};
    std::int64_t property = -1;
    if (!call || !daqsim::ParseCallName(call, &fn, &property))
        return DAQ_ERR_INVALID_PARAMETER;
    sim().Fail(fn, property, code, times);
    return DAQ_OK;
}

void daqsim_clear_failures(void) {
    sim().ClearFailures();
}

int32_t daqsim_call_count(const char* call) {
    Fn fn{};
    std::int64_t property = -1;
    if (!call || !daqsim::ParseCallName(call, &fn, &property))
        return -1;
    return sim().CallCount(fn, property);
}

int32_t daqsim_event_armed(int32_t device, uint32_t eventId, uint32_t* scanStart,
                           uint32_t* scanCount) {
    daqsim::ArmedEvent range;
    if (!sim().Armed(device, eventId, &range))
        return 0;
    if (scanStart)
        *scanStart = range.scanStart;
    if (scanCount)
        *scanCount = range.scanCount;
    return 1;
}

int32_t daqsim_pending_events(int32_t device) {
    return sim().PendingCount(device);
}

int32_t daqsim_open_handles(int32_t device) {
    return sim().OpenHandles(device);
}

DaqResult daqsim_server_start(const char* path) {
    if (!path || !*path)
        return DAQ_ERR_INVALID_PARAMETER;
    return daqsim::StartServer(path);
}

void daqsim_server_stop(void) {
    daqsim::StopServer();
}

void daqsim_server_path(char* path, uint32_t size) {
    copyError(path, size, daqsim::ServerPath());
}

} // extern "C"
