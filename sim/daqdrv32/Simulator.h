#pragma once

// The simulated driver's state: boards, open handles with their armed events
// and pending event queues, injected failures and call counts. One mutex
// guards all of it; DRV_CheckEvent waits on a condition variable tied to it.

#include "Board.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace daqsim {

// The driver functions, for failure injection and call counting.
enum class Fn {
    DeviceOpen,
    DeviceClose,
    DeviceGetProperty,
    DeviceSetProperty,
    DeviceGetNumOfList,
    DeviceGetList,
    DeviceNumToDeviceName,
    GetErrorMessage,
    DioReadBit,
    DioGetCurrentDOBit,
    DioWriteBit,
    ReadDiPorts,
    GetCurrentDoPortsState,
    WriteDoPorts,
    EnableEvent,
    DisableEvent,
    CheckEvent,
    LatestEventDiPortsState,
    Count
};

const char* FnName(Fn fn);
// Parses "DRV_DioReadBit" or "DRV_DeviceGetProperty:0x3C85"; property -1 when
// none is named. False for an unknown name.
bool ParseCallName(const std::string& text, Fn* fn, std::int64_t* property);

struct ArmedEvent {
    std::uint32_t scanStart = 0;
    std::uint32_t scanCount = 0;
};

struct PendingEvent {
    std::uint16_t id = 0;
    std::uint32_t scanStart = 0;       // of the event when it fired
    std::vector<std::uint8_t> latched; // all DI ports at the moment it fired
};

struct Session {
    DaqHandle handle = 0;
    std::int32_t device = 0; // board number
    bool closed = false;
    std::map<std::uint16_t, ArmedEvent> armed;
    std::deque<PendingEvent> pending;
    std::map<std::uint16_t, PendingEvent> latest; // last collected, per event id
};

class Simulator {
public:
    static Simulator& Get();

    // Every public member locks the mutex itself.

    // Counts the call and returns the injected failure code, 0 if none.
    DaqResult Enter(Fn fn, std::int64_t property = -1);

    DaqResult Open(std::int32_t number, DaqHandle* handle);
    DaqResult Close(DaqHandle* handle);
    DaqResult GetProperty(DaqHandle h, std::uint32_t id, void* buffer, std::uint32_t* size);
    DaqResult SetProperty(DaqHandle h, std::uint32_t id, const void* buffer, std::uint32_t size);
    DaqResult NumOfList(std::int16_t* count);
    DaqResult List(DaqDeviceListEntry* entries, std::int16_t capacity, std::int16_t* count);
    DaqResult DeviceName(std::int32_t number, char* name);
    DaqResult ReadBit(DaqHandle h, DaqDioReadBit* rec, bool output);
    DaqResult WriteBit(DaqHandle h, const DaqDioWriteBit* rec);
    DaqResult ReadPorts(DaqHandle h, std::uint32_t start, std::uint32_t count, std::uint8_t* buf,
                        bool output);
    DaqResult WritePorts(DaqHandle h, std::uint32_t start, std::uint32_t count,
                         const std::uint8_t* buf);
    DaqResult EnableEvent(DaqHandle h, std::uint32_t id, std::uint32_t scanStart,
                          std::uint32_t scanCount);
    DaqResult DisableEvent(DaqHandle h, std::uint32_t id);
    DaqResult CheckEvent(DaqHandle h, DaqCheckEvent* rec);
    DaqResult Latched(DaqHandle h, std::uint32_t id, std::uint8_t* buf, std::uint32_t count);

    // Test and line-socket side.
    // problem: why the configured boards could not be used ("" when they could).
    DaqResult Load(std::vector<Board> boards, std::string problem = {});
    // Why the board file was refused, "" when it was not; part of the
    // message of a device number that no board has.
    std::string Problem();
    DaqResult SetDiPort(std::int32_t device, std::uint32_t port, std::uint8_t value);
    DaqResult SetDiBit(std::int32_t device, std::uint32_t channel, bool state);
    DaqResult Edge(std::int32_t device, std::uint32_t channel, bool rising);
    DaqResult GetDiPort(std::int32_t device, std::uint32_t port, std::uint8_t* value);
    DaqResult GetDoPort(std::int32_t device, std::uint32_t port, std::uint8_t* value);
    DaqResult BoardProperty(std::int32_t device, std::uint32_t id, void* buffer,
                            std::uint32_t* size);
    void Fail(Fn fn, std::int64_t property, DaqResult code, std::int32_t times);
    void ClearFailures();
    std::int32_t CallCount(Fn fn, std::int64_t property);
    bool Armed(std::int32_t device, std::uint32_t id, ArmedEvent* range);
    std::int32_t PendingCount(std::int32_t device);
    std::int32_t OpenHandles(std::int32_t device);
    std::vector<std::int32_t> DeviceNumbers();

private:
    Simulator();
    Board* BoardOf(std::int32_t number);
    std::shared_ptr<Session> SessionOf(DaqHandle h);
    void CloseAllLocked();
    // Raises the events of a change of DI inputs from `before` to b.di, with
    // extra edges (`pulseRise`/`pulseFall`, one bit per channel) for pulses.
    void RaiseLocked(Board& b, const std::vector<std::uint8_t>& before,
                     const std::vector<std::uint8_t>& pulseRise,
                     const std::vector<std::uint8_t>& pulseFall);
    DaqResult PropertyLocked(const Board& b, std::uint32_t id, void* buffer, std::uint32_t* size);

    struct Failure {
        DaqResult code = 0;
        std::int32_t times = 0; // < 0 = until cleared
    };

    std::mutex mutex_;
    std::condition_variable eventArrived_;
    std::vector<Board> boards_;
    std::string problem_;
    std::map<DaqHandle, std::shared_ptr<Session>> sessions_;
    DaqHandle nextHandle_ = 0x100;
    std::map<std::pair<int, std::int64_t>, Failure> failures_;
    std::map<std::pair<int, std::int64_t>, std::int32_t> counts_;
};

// Boards of $DAQDRV32_CONFIG, or the built-in board when it is not set. A file
// that cannot be read or parsed (a folder, a wrong line) leaves no boards:
// *problem says why (also on stderr), and is emptied otherwise.
std::vector<Board> ConfiguredBoards(std::string* problem);

// The line socket (LineServer.cpp).
DaqResult StartServer(const std::string& path);
void StopServer();
std::string ServerPath();
// Starts the server at the configured path once per process, unless
// DAQDRV32_SOCKET is "off".
void StartServerOnce();
// One command of the line protocol; the reply without its newline. Sets
// *close when the client asked to end the connection.
std::string HandleLine(const std::string& line, bool* close);

} // namespace daqsim
