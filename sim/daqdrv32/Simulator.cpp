#include "Simulator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace daqsim {

namespace {

constexpr const char* kFnNames[] = {
    "DRV_DeviceOpen",
    "DRV_DeviceClose",
    "DRV_DeviceGetProperty",
    "DRV_DeviceSetProperty",
    "DRV_DeviceGetNumOfList",
    "DRV_DeviceGetList",
    "DRV_DeviceNumToDeviceName",
    "DRV_GetErrorMessage",
    "DRV_DioReadBit",
    "DRV_DioGetCurrentDOBit",
    "DRV_DioWriteBit",
    "MvxDioReadDiPorts",
    "MvxDioGetCurrentDoPortsState",
    "MvxDioWriteDoPorts",
    "MvxDioEnableEventAndSpecifyDiPorts",
    "MvxDioDisableEvent",
    "DRV_CheckEvent",
    "MvxDioGetLatestEventDiPortsState",
};
static_assert(std::size(kFnNames) == static_cast<std::size_t>(Fn::Count));

// Events queued per handle beyond this are dropped (and said so on stderr):
// a client that never collects its events must not exhaust memory.
constexpr std::size_t kMaxPending = 1 << 16;

bool bitOf(const std::vector<std::uint8_t>& bytes, std::uint32_t port, std::uint32_t bit) {
    return port < bytes.size() && ((bytes[port] >> bit) & 1);
}

std::vector<std::uint8_t> intBytes(std::uint32_t v) {
    std::vector<std::uint8_t> out(4);
    std::memcpy(out.data(), &v, 4);
    return out;
}

bool isIntProperty(std::uint32_t id) {
    switch (id) {
    case DAQ_PROP_BOARD_ID:
    case DAQ_PROP_DI_CHANNEL_COUNT:
    case DAQ_PROP_DI_PORT_COUNT:
    case DAQ_PROP_DO_CHANNEL_COUNT:
    case DAQ_PROP_DO_PORT_COUNT:
    case DAQ_PROP_DI_BOTH_EDGES:
        return true;
    default:
        return false;
    }
}

} // namespace

const char* FnName(Fn fn) {
    const auto i = static_cast<std::size_t>(fn);
    return i < std::size(kFnNames) ? kFnNames[i] : "";
}

bool ParseCallName(const std::string& text, Fn* fn, std::int64_t* property) {
    std::string name = text;
    *property = -1;
    const auto colon = text.find(':');
    if (colon != std::string::npos) {
        name = text.substr(0, colon);
        long long id = 0;
        if (!ParseNumber(text.substr(colon + 1), &id) || id < 0)
            return false;
        *property = id;
    }
    for (std::size_t i = 0; i < std::size(kFnNames); ++i) {
        if (name == kFnNames[i]) {
            *fn = static_cast<Fn>(i);
            return *property < 0 || *fn == Fn::DeviceGetProperty || *fn == Fn::DeviceSetProperty;
        }
    }
    return false;
}

std::vector<Board> ConfiguredBoards(std::string* problem) {
    problem->clear();
    const char* path = std::getenv("DAQDRV32_CONFIG");
    if (!path || !*path)
        return DefaultBoards();
    const auto refuse = [&](const std::string& why) {
        *problem = std::string("board file ") + path + ": " + why;
        std::fprintf(stderr, "daqdrv32: %s; no boards\n", problem->c_str());
        return std::vector<Board>{};
    };
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return refuse("a folder, not a file");
    std::ifstream in(path);
    if (!in)
        return refuse(std::string("cannot be read: ") + std::strerror(errno));
    std::stringstream ss;
    ss << in.rdbuf();
    if (in.bad())
        return refuse(std::string("cannot be read: ") + std::strerror(errno));
    std::vector<Board> boards;
    std::string error;
    if (!ParseBoards(ss.str(), &boards, &error))
        return refuse(error);
    return boards;
}

Simulator& Simulator::Get() {
    // Never destroyed: threads of the client may still wait in the driver
    // while the process ends.
    static Simulator* sim = new Simulator;
    return *sim;
}

Simulator::Simulator() {
    boards_ = ConfiguredBoards(&problem_);
}

std::string Simulator::Problem() {
    std::lock_guard lock(mutex_);
    return problem_;
}

Board* Simulator::BoardOf(std::int32_t number) {
    for (Board& b : boards_)
        if (b.number == number)
            return &b;
    return nullptr;
}

std::shared_ptr<Session> Simulator::SessionOf(DaqHandle h) {
    const auto it = sessions_.find(h);
    return it == sessions_.end() ? nullptr : it->second;
}

DaqResult Simulator::Enter(Fn fn, std::int64_t property) {
    std::lock_guard lock(mutex_);
    const int f = static_cast<int>(fn);
    ++counts_[{f, -1}];
    if (property >= 0)
        ++counts_[{f, property}];
    for (const std::int64_t key : {property, std::int64_t(-1)}) {
        const auto it = failures_.find({f, key});
        if (it == failures_.end())
            continue;
        const DaqResult code = it->second.code;
        if (it->second.times > 0 && --it->second.times == 0)
            failures_.erase(it);
        return code;
    }
    return DAQ_OK;
}

DaqResult Simulator::Open(std::int32_t number, DaqHandle* handle) {
    if (!handle)
        return DAQ_ERR_INVALID_PARAMETER;
    std::lock_guard lock(mutex_);
    *handle = 0;
    if (!BoardOf(number))
        return DAQ_ERR_INVALID_DEVICE_NUMBER;
    auto s = std::make_shared<Session>();
    s->handle = nextHandle_++;
    s->device = number;
    sessions_[s->handle] = s;
    *handle = s->handle;
    return DAQ_OK;
}

DaqResult Simulator::Close(DaqHandle* handle) {
    if (!handle)
        return DAQ_ERR_INVALID_PARAMETER;
    std::lock_guard lock(mutex_);
    const auto it = sessions_.find(*handle);
    if (it == sessions_.end())
        return DAQ_ERR_INVALID_HANDLE;
    it->second->closed = true;
    sessions_.erase(it);
    *handle = 0;
    eventArrived_.notify_all();
    return DAQ_OK;
}

void Simulator::CloseAllLocked() {
    for (auto& [h, s] : sessions_)
        s->closed = true;
    sessions_.clear();
    eventArrived_.notify_all();
}

DaqResult Simulator::PropertyLocked(const Board& b, std::uint32_t id, void* buffer,
                                    std::uint32_t* size) {
    if (!size)
        return DAQ_ERR_INVALID_PARAMETER;
    if (b.unsupported.count(id))
        return DAQ_ERR_NOT_SUPPORTED;
    std::vector<std::uint8_t> data;
    switch (id) {
    case DAQ_PROP_BOARD_ID:
        data = intBytes(b.boardId);
        break;
    case DAQ_PROP_DIO_PORT_TYPES:
        if (b.portTypes.empty())
            return DAQ_ERR_NOT_SUPPORTED;
        data = b.portTypes;
        break;
    case DAQ_PROP_DIO_DIRECTIONS:
        if (b.directions.empty())
            return DAQ_ERR_NOT_SUPPORTED;
        for (std::uint32_t w : b.directions) {
            const auto bytes = intBytes(w);
            data.insert(data.end(), bytes.begin(), bytes.end());
        }
        break;
    case DAQ_PROP_DI_CHANNEL_COUNT:
    case DAQ_PROP_DI_PORT_COUNT:
        if (!b.HasDi())
            return DAQ_ERR_NOT_SUPPORTED;
        data = intBytes(id == DAQ_PROP_DI_CHANNEL_COUNT ? b.diChannels : b.diPorts);
        break;
    case DAQ_PROP_DO_CHANNEL_COUNT:
    case DAQ_PROP_DO_PORT_COUNT:
        if (!b.HasDo())
            return DAQ_ERR_NOT_SUPPORTED;
        data = intBytes(id == DAQ_PROP_DO_CHANNEL_COUNT ? b.doChannels : b.doPorts);
        break;
    case DAQ_PROP_DI_INTERRUPT_CHANNELS:
        if (!b.HasInterrupt())
            return DAQ_ERR_NOT_SUPPORTED;
        data = *b.interruptChannels;
        break;
    case DAQ_PROP_DI_RISING_EDGE_MASKS:
        if (!b.HasInterrupt() || !b.risingEdge)
            return DAQ_ERR_NOT_SUPPORTED;
        data = b.risingMasks;
        break;
    case DAQ_PROP_DI_FALLING_EDGE_MASKS:
        if (!b.HasInterrupt() || !b.fallingEdge)
            return DAQ_ERR_NOT_SUPPORTED;
        data = b.fallingMasks;
        break;
    case DAQ_PROP_DI_BOTH_EDGES:
        if (!b.HasInterrupt())
            return DAQ_ERR_NOT_SUPPORTED;
        data = intBytes(static_cast<std::uint32_t>(b.bothEdges));
        break;
    case DAQ_PROP_DI_PATTERN_CHANNELS:
    case DAQ_PROP_DI_PATTERN_ENABLE_MASKS:
    case DAQ_PROP_DI_PATTERN_VALUES:
        if (!b.HasPattern())
            return DAQ_ERR_NOT_SUPPORTED;
        data = id == DAQ_PROP_DI_PATTERN_CHANNELS       ? *b.patternChannels
               : id == DAQ_PROP_DI_PATTERN_ENABLE_MASKS ? b.patternMasks
                                                        : b.patternValues;
        break;
    case DAQ_PROP_DI_PATTERN_MASK_SETTABLE:
        if (!b.HasPattern() || !b.patternSettable)
            return DAQ_ERR_NOT_SUPPORTED;
        data = *b.patternSettable;
        break;
    case DAQ_PROP_DI_STATUS_CHANNELS:
    case DAQ_PROP_DI_STATUS_ENABLE_MASKS:
        if (!b.HasStatus())
            return DAQ_ERR_NOT_SUPPORTED;
        data = id == DAQ_PROP_DI_STATUS_CHANNELS ? *b.statusChannels : b.statusMasks;
        break;
    case DAQ_PROP_DI_STATUS_MASK_SETTABLE:
        if (!b.HasStatus() || !b.statusSettable)
            return DAQ_ERR_NOT_SUPPORTED;
        data = *b.statusSettable;
        break;
    default:
        return DAQ_ERR_NOT_SUPPORTED;
    }
    const auto full = static_cast<std::uint32_t>(data.size());
    if (!buffer) {
        *size = full;
        return DAQ_OK;
    }
    if (isIntProperty(id) && *size < full) {
        *size = full;
        return DAQ_ERR_BUFFER_TOO_SMALL;
    }
    const std::uint32_t n = std::min(*size, full);
    if (n > 0)
        std::memcpy(buffer, data.data(), n);
    *size = n;
    return DAQ_OK;
}

DaqResult Simulator::GetProperty(DaqHandle h, std::uint32_t id, void* buffer, std::uint32_t* size) {
    std::lock_guard lock(mutex_);
    const auto s = SessionOf(h);
    if (!s)
        return DAQ_ERR_INVALID_HANDLE;
    return PropertyLocked(*BoardOf(s->device), id, buffer, size);
}

DaqResult Simulator::SetProperty(DaqHandle h, std::uint32_t id, const void* buffer,
                                 std::uint32_t size) {
    std::lock_guard lock(mutex_);
    const auto s = SessionOf(h);
    if (!s)
        return DAQ_ERR_INVALID_HANDLE;
    Board& b = *BoardOf(s->device);
    if (b.unsupported.count(id))
        return DAQ_ERR_NOT_SUPPORTED;
    if (!buffer || size == 0)
        return DAQ_ERR_INVALID_PARAMETER;
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    // Copies a byte list, each byte limited to the channels `allowed` offers.
    auto store = [&](std::vector<std::uint8_t>& list, const std::vector<std::uint8_t>* allowed) {
        const std::size_t n = std::min<std::size_t>(size, list.size());
        for (std::size_t p = 0; p < n; ++p)
            list[p] = allowed ? static_cast<std::uint8_t>(in[p] & (*allowed)[p]) : in[p];
        return DAQ_OK;
    };
    switch (id) {
    case DAQ_PROP_DIO_DIRECTIONS: {
        if (b.directions.empty())
            return DAQ_ERR_NOT_SUPPORTED;
        if (size % 4 != 0)
            return DAQ_ERR_INVALID_PARAMETER;
        const std::size_t n = std::min<std::size_t>(size / 4, b.directions.size());
        std::vector<std::uint32_t> next = b.directions;
        for (std::size_t p = 0; p < n; ++p) {
            std::uint32_t w = 0;
            std::memcpy(&w, in + 4 * p, 4);
            const std::uint8_t d = w & 0xFF;
            const std::uint8_t type = b.portTypes[p];
            if (type < DAQ_PORT_PROG_PORT)
                continue; // fixed ports keep their direction
            const bool whole = d == 0x00 || d == 0xFF;
            const bool nibble = d == 0x0F || d == 0xF0;
            if (!(whole || (nibble && type >= DAQ_PORT_PROG_NIBBLE) ||
                  type == DAQ_PORT_PROG_CHANNEL))
                return DAQ_ERR_INVALID_VALUE;
            next[p] = (b.directions[p] & ~0xFFu) | d;
        }
        b.directions = next;
        return DAQ_OK;
    }
    case DAQ_PROP_DI_RISING_EDGE_MASKS:
        if (!b.HasInterrupt() || !b.risingEdge)
            return DAQ_ERR_NOT_SUPPORTED;
        return store(b.risingMasks, &*b.interruptChannels);
    case DAQ_PROP_DI_FALLING_EDGE_MASKS:
        if (!b.HasInterrupt() || !b.fallingEdge)
            return DAQ_ERR_NOT_SUPPORTED;
        return store(b.fallingMasks, &*b.interruptChannels);
    case DAQ_PROP_DI_PATTERN_ENABLE_MASKS:
        if (!b.HasPattern())
            return DAQ_ERR_NOT_SUPPORTED;
        return store(b.patternMasks, &*b.patternChannels);
    case DAQ_PROP_DI_PATTERN_VALUES:
        if (!b.HasPattern())
            return DAQ_ERR_NOT_SUPPORTED;
        return store(b.patternValues, nullptr);
    case DAQ_PROP_DI_STATUS_ENABLE_MASKS:
        if (!b.HasStatus())
            return DAQ_ERR_NOT_SUPPORTED;
        return store(b.statusMasks, &*b.statusChannels);
    default: {
        std::uint32_t probe = 0;
        return PropertyLocked(b, id, nullptr, &probe) == DAQ_OK ? DAQ_ERR_READ_ONLY
                                                                : DAQ_ERR_NOT_SUPPORTED;
    }
    }
}

DaqResult Simulator::NumOfList(std::int16_t* count) {
    if (!count)
        return DAQ_ERR_INVALID_PARAMETER;
    std::lock_guard lock(mutex_);
    *count = static_cast<std::int16_t>(boards_.size());
    return DAQ_OK;
}

DaqResult Simulator::List(DaqDeviceListEntry* entries, std::int16_t capacity, std::int16_t* count) {
    if (!count || (!entries && capacity > 0) || capacity < 0)
        return DAQ_ERR_INVALID_PARAMETER;
    std::lock_guard lock(mutex_);
    const std::size_t n = std::min<std::size_t>(capacity, boards_.size());
    for (std::size_t i = 0; i < n; ++i) {
        DaqDeviceListEntry& e = entries[i];
        std::memset(&e, 0, sizeof e);
        e.deviceNumber = boards_[i].number;
        std::strncpy(e.deviceName, boards_[i].name.c_str(), sizeof e.deviceName - 1);
    }
    *count = static_cast<std::int16_t>(n);
    return DAQ_OK;
}

DaqResult Simulator::DeviceName(std::int32_t number, char* name) {
    if (!name)
        return DAQ_ERR_INVALID_PARAMETER;
    std::lock_guard lock(mutex_);
    const Board* b = BoardOf(number);
    if (!b)
        return DAQ_ERR_INVALID_DEVICE_NUMBER;
    std::snprintf(name, DAQ_DEVICE_NAME_SIZE, "%s", b->name.c_str());
    return DAQ_OK;
}

DaqResult Simulator::ReadBit(DaqHandle h, DaqDioReadBit* rec, bool output) {
    if (!rec || !rec->state)
        return DAQ_ERR_INVALID_PARAMETER;
    std::lock_guard lock(mutex_);
    const auto s = SessionOf(h);
    if (!s)
        return DAQ_ERR_INVALID_HANDLE;
    const Board& b = *BoardOf(s->device);
    const auto& ports = output ? b.doPort : b.di;
    const std::int32_t channels = output ? b.doChannels : b.diChannels;
    if (channels == 0)
        return DAQ_ERR_NOT_SUPPORTED;
    if (rec->port >= ports.size())
        return DAQ_ERR_INVALID_PORT;
    if (rec->bit >= 8 || rec->port * 8 + rec->bit >= channels)
        return DAQ_ERR_INVALID_CHANNEL;
    *rec->state = (ports[rec->port] >> rec->bit) & 1;
    return DAQ_OK;
}

DaqResult Simulator::WriteBit(DaqHandle h, const DaqDioWriteBit* rec) {
    if (!rec)
        return DAQ_ERR_INVALID_PARAMETER;
    std::lock_guard lock(mutex_);
    const auto s = SessionOf(h);
    if (!s)
        return DAQ_ERR_INVALID_HANDLE;
    Board& b = *BoardOf(s->device);
    if (!b.HasDo())
        return DAQ_ERR_NOT_SUPPORTED;
    if (rec->port >= b.doPort.size())
        return DAQ_ERR_INVALID_PORT;
    if (rec->bit >= 8 || rec->port * 8 + rec->bit >= b.doChannels)
        return DAQ_ERR_INVALID_CHANNEL;
    const auto mask = static_cast<std::uint8_t>(1u << rec->bit);
    if (rec->state)
        b.doPort[rec->port] |= mask;
    else
        b.doPort[rec->port] &= static_cast<std::uint8_t>(~mask);
    return DAQ_OK;
}

DaqResult Simulator::ReadPorts(DaqHandle h, std::uint32_t start, std::uint32_t count,
                               std::uint8_t* buf, bool output) {
    std::lock_guard lock(mutex_);
    const auto s = SessionOf(h);
    if (!s)
        return DAQ_ERR_INVALID_HANDLE;
    const Board& b = *BoardOf(s->device);
    if (output ? !b.HasDo() : !b.HasDi())
        return DAQ_ERR_NOT_SUPPORTED;
    const auto& ports = output ? b.doPort : b.di;
    if (!buf || count == 0)
        return DAQ_ERR_INVALID_PARAMETER;
    if (start >= ports.size() || count > ports.size() - start)
        return DAQ_ERR_INVALID_PORT;
    std::memcpy(buf, ports.data() + start, count);
    return DAQ_OK;
}

DaqResult Simulator::WritePorts(DaqHandle h, std::uint32_t start, std::uint32_t count,
                                const std::uint8_t* buf) {
    std::lock_guard lock(mutex_);
    const auto s = SessionOf(h);
    if (!s)
        return DAQ_ERR_INVALID_HANDLE;
    Board& b = *BoardOf(s->device);
    if (!b.HasDo())
        return DAQ_ERR_NOT_SUPPORTED;
    if (!buf || count == 0)
        return DAQ_ERR_INVALID_PARAMETER;
    if (start >= b.doPort.size() || count > b.doPort.size() - start)
        return DAQ_ERR_INVALID_PORT;
    std::memcpy(b.doPort.data() + start, buf, count);
    return DAQ_OK;
}

DaqResult Simulator::EnableEvent(DaqHandle h, std::uint32_t id, std::uint32_t scanStart,
                                 std::uint32_t scanCount) {
    std::lock_guard lock(mutex_);
    const auto s = SessionOf(h);
    if (!s)
        return DAQ_ERR_INVALID_HANDLE;
    const Board& b = *BoardOf(s->device);
    if (id >= DAQ_EVENT_DI_INTERRUPT && id <= DAQ_EVENT_DI_INTERRUPT_LAST) {
        if (!b.HasInterrupt())
            return DAQ_ERR_NOT_SUPPORTED;
        if (!b.InterruptCapable(id - DAQ_EVENT_DI_INTERRUPT))
            return DAQ_ERR_INVALID_EVENT;
    } else if (id >= DAQ_EVENT_DI_PATTERN_MATCH && id <= DAQ_EVENT_DI_PATTERN_MATCH_LAST) {
        if (!b.HasPattern())
            return DAQ_ERR_NOT_SUPPORTED;
        const std::uint32_t port = id - DAQ_EVENT_DI_PATTERN_MATCH;
        if (port >= b.patternChannels->size() || (*b.patternChannels)[port] == 0)
            return DAQ_ERR_INVALID_EVENT;
    } else if (id >= DAQ_EVENT_DI_STATUS_CHANGE && id <= DAQ_EVENT_DI_STATUS_CHANGE_LAST) {
        if (!b.HasStatus())
            return DAQ_ERR_NOT_SUPPORTED;
        const std::uint32_t port = id - DAQ_EVENT_DI_STATUS_CHANGE;
        if (port >= b.statusChannels->size() || (*b.statusChannels)[port] == 0)
            return DAQ_ERR_INVALID_EVENT;
    } else {
        return DAQ_ERR_INVALID_EVENT;
    }
    const auto ports = static_cast<std::uint32_t>(b.diPorts);
    if (scanCount > 0 && (scanStart >= ports || scanCount > ports - scanStart))
        return DAQ_ERR_INVALID_PARAMETER;
    s->armed[static_cast<std::uint16_t>(id)] = ArmedEvent{scanStart, scanCount};
    return DAQ_OK;
}

DaqResult Simulator::DisableEvent(DaqHandle h, std::uint32_t id) {
    std::lock_guard lock(mutex_);
    const auto s = SessionOf(h);
    if (!s)
        return DAQ_ERR_INVALID_HANDLE;
    if (id > 0xFFFF)
        return DAQ_ERR_INVALID_EVENT;
    const auto id16 = static_cast<std::uint16_t>(id);
    s->armed.erase(id16);
    // Events of that id not yet collected are dropped with it.
    std::erase_if(s->pending, [id16](const PendingEvent& e) { return e.id == id16; });
    return DAQ_OK;
}

DaqResult Simulator::CheckEvent(DaqHandle h, DaqCheckEvent* rec) {
    if (!rec || !rec->eventId)
        return DAQ_ERR_INVALID_PARAMETER;
    std::unique_lock lock(mutex_);
    const auto s = SessionOf(h);
    if (!s) {
        *rec->eventId = DAQ_EVENT_NONE;
        return DAQ_ERR_INVALID_HANDLE;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(rec->waitMs);
    eventArrived_.wait_until(lock, deadline, [&] { return s->closed || !s->pending.empty(); });
    if (!s->pending.empty()) {
        PendingEvent e = std::move(s->pending.front());
        s->pending.pop_front();
        *rec->eventId = e.id;
        s->latest[e.id] = std::move(e);
        return DAQ_OK;
    }
    *rec->eventId = DAQ_EVENT_NONE;
    return s->closed ? DAQ_ERR_INVALID_HANDLE : DAQ_OK;
}

DaqResult Simulator::Latched(DaqHandle h, std::uint32_t id, std::uint8_t* buf,
                             std::uint32_t count) {
    std::lock_guard lock(mutex_);
    const auto s = SessionOf(h);
    if (!s)
        return DAQ_ERR_INVALID_HANDLE;
    if (count == 0)
        return DAQ_OK;
    if (!buf || id > 0xFFFF)
        return DAQ_ERR_INVALID_PARAMETER;
    const auto id16 = static_cast<std::uint16_t>(id);
    const auto latest = s->latest.find(id16);
    const auto armed = s->armed.find(id16);
    if (latest == s->latest.end() && armed == s->armed.end())
        return DAQ_ERR_INVALID_EVENT;
    // The states latched when the event last fired, from its scan start then;
    // before it ever fired, the current states from the armed scan start.
    const bool fired = latest != s->latest.end();
    const std::uint32_t start = fired ? latest->second.scanStart : armed->second.scanStart;
    const std::vector<std::uint8_t>& states =
        fired ? latest->second.latched : BoardOf(s->device)->di;
    if (start >= states.size() || count > states.size() - start)
        return DAQ_ERR_INVALID_PARAMETER;
    std::memcpy(buf, states.data() + start, count);
    return DAQ_OK;
}

void Simulator::RaiseLocked(Board& b, const std::vector<std::uint8_t>& before,
                            const std::vector<std::uint8_t>& pulseRise,
                            const std::vector<std::uint8_t>& pulseFall) {
    bool raised = false;
    for (auto& [h, s] : sessions_) {
        if (s->device != b.number)
            continue;
        for (const auto& [id, range] : s->armed) {
            bool fire = false;
            if (id >= DAQ_EVENT_DI_INTERRUPT && id <= DAQ_EVENT_DI_INTERRUPT_LAST) {
                const std::uint32_t ch = id - DAQ_EVENT_DI_INTERRUPT;
                const std::uint32_t port = ch / 8, bit = ch % 8;
                const bool was = bitOf(before, port, bit), now = bitOf(b.di, port, bit);
                const bool rose = (!was && now) || bitOf(pulseRise, port, bit);
                const bool fell = (was && !now) || bitOf(pulseFall, port, bit);
                fire = (rose && bitOf(b.risingMasks, port, bit)) ||
                       (fell && bitOf(b.fallingMasks, port, bit));
            } else if (id >= DAQ_EVENT_DI_PATTERN_MATCH && id <= DAQ_EVENT_DI_PATTERN_MATCH_LAST) {
                const std::uint32_t p = id - DAQ_EVENT_DI_PATTERN_MATCH;
                const std::uint8_t m = b.patternMasks[p], v = b.patternValues[p] & m;
                fire = (b.di[p] & m) == v && (before[p] & m) != v;
            } else if (id >= DAQ_EVENT_DI_STATUS_CHANGE && id <= DAQ_EVENT_DI_STATUS_CHANGE_LAST) {
                const std::uint32_t p = id - DAQ_EVENT_DI_STATUS_CHANGE;
                const std::uint8_t changed = (before[p] ^ b.di[p]) | pulseRise[p] | pulseFall[p];
                fire = (changed & b.statusMasks[p]) != 0;
            }
            if (!fire)
                continue;
            if (s->pending.size() >= kMaxPending) {
                std::fprintf(stderr, "daqdrv32: handle %u collects no events; event 0x%X dropped\n",
                             h, id);
                continue;
            }
            s->pending.push_back(PendingEvent{id, range.scanStart, b.di});
            raised = true;
        }
    }
    if (raised)
        eventArrived_.notify_all();
}

DaqResult Simulator::Load(std::vector<Board> boards, std::string problem) {
    std::lock_guard lock(mutex_);
    CloseAllLocked();
    boards_ = std::move(boards);
    problem_ = std::move(problem);
    failures_.clear();
    counts_.clear();
    return DAQ_OK;
}

DaqResult Simulator::SetDiPort(std::int32_t device, std::uint32_t port, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    Board* b = BoardOf(device);
    if (!b)
        return DAQ_ERR_INVALID_DEVICE_NUMBER;
    if (port >= b->di.size())
        return DAQ_ERR_INVALID_PORT;
    const std::vector<std::uint8_t> before = b->di;
    b->di[port] = value;
    const std::vector<std::uint8_t> none(b->di.size(), 0);
    RaiseLocked(*b, before, none, none);
    return DAQ_OK;
}

DaqResult Simulator::SetDiBit(std::int32_t device, std::uint32_t channel, bool state) {
    std::lock_guard lock(mutex_);
    Board* b = BoardOf(device);
    if (!b)
        return DAQ_ERR_INVALID_DEVICE_NUMBER;
    if (channel >= static_cast<std::uint32_t>(b->diChannels))
        return DAQ_ERR_INVALID_CHANNEL;
    const std::vector<std::uint8_t> before = b->di;
    const auto mask = static_cast<std::uint8_t>(1u << (channel % 8));
    if (state)
        b->di[channel / 8] |= mask;
    else
        b->di[channel / 8] &= static_cast<std::uint8_t>(~mask);
    const std::vector<std::uint8_t> none(b->di.size(), 0);
    RaiseLocked(*b, before, none, none);
    return DAQ_OK;
}

DaqResult Simulator::Edge(std::int32_t device, std::uint32_t channel, bool rising) {
    std::lock_guard lock(mutex_);
    Board* b = BoardOf(device);
    if (!b)
        return DAQ_ERR_INVALID_DEVICE_NUMBER;
    if (channel >= static_cast<std::uint32_t>(b->diChannels))
        return DAQ_ERR_INVALID_CHANNEL;
    const std::vector<std::uint8_t> before = b->di;
    const auto mask = static_cast<std::uint8_t>(1u << (channel % 8));
    std::vector<std::uint8_t> rise(b->di.size(), 0), fall(b->di.size(), 0);
    if (rising) {
        b->di[channel / 8] |= mask;
        rise[channel / 8] = mask;
    } else {
        b->di[channel / 8] &= static_cast<std::uint8_t>(~mask);
        fall[channel / 8] = mask;
    }
    RaiseLocked(*b, before, rise, fall);
    return DAQ_OK;
}

DaqResult Simulator::GetDiPort(std::int32_t device, std::uint32_t port, std::uint8_t* value) {
    std::lock_guard lock(mutex_);
    const Board* b = BoardOf(device);
    if (!b)
        return DAQ_ERR_INVALID_DEVICE_NUMBER;
    if (!value)
        return DAQ_ERR_INVALID_PARAMETER;
    if (port >= b->di.size())
        return DAQ_ERR_INVALID_PORT;
    *value = b->di[port];
    return DAQ_OK;
}

DaqResult Simulator::GetDoPort(std::int32_t device, std::uint32_t port, std::uint8_t* value) {
    std::lock_guard lock(mutex_);
    const Board* b = BoardOf(device);
    if (!b)
        return DAQ_ERR_INVALID_DEVICE_NUMBER;
    if (!value)
        return DAQ_ERR_INVALID_PARAMETER;
    if (port >= b->doPort.size())
        return DAQ_ERR_INVALID_PORT;
    *value = b->doPort[port];
    return DAQ_OK;
}

DaqResult Simulator::BoardProperty(std::int32_t device, std::uint32_t id, void* buffer,
                                   std::uint32_t* size) {
    std::lock_guard lock(mutex_);
    const Board* b = BoardOf(device);
    if (!b)
        return DAQ_ERR_INVALID_DEVICE_NUMBER;
    return PropertyLocked(*b, id, buffer, size);
}

void Simulator::Fail(Fn fn, std::int64_t property, DaqResult code, std::int32_t times) {
    std::lock_guard lock(mutex_);
    const std::pair<int, std::int64_t> key{static_cast<int>(fn), property};
    if (times == 0)
        failures_.erase(key);
    else
        failures_[key] = Failure{code, times};
}

void Simulator::ClearFailures() {
    std::lock_guard lock(mutex_);
    failures_.clear();
}

std::int32_t Simulator::CallCount(Fn fn, std::int64_t property) {
    std::lock_guard lock(mutex_);
    const auto it = counts_.find({static_cast<int>(fn), property});
    return it == counts_.end() ? 0 : it->second;
}

bool Simulator::Armed(std::int32_t device, std::uint32_t id, ArmedEvent* range) {
    std::lock_guard lock(mutex_);
    for (const auto& [h, s] : sessions_) {
        if (s->device != device)
            continue;
        const auto it = s->armed.find(static_cast<std::uint16_t>(id));
        if (id <= 0xFFFF && it != s->armed.end()) {
            if (range)
                *range = it->second;
            return true;
        }
    }
    return false;
}

std::int32_t Simulator::PendingCount(std::int32_t device) {
    std::lock_guard lock(mutex_);
    std::size_t n = 0;
    for (const auto& [h, s] : sessions_)
        if (s->device == device)
            n += s->pending.size();
    return static_cast<std::int32_t>(n);
}

std::int32_t Simulator::OpenHandles(std::int32_t device) {
    std::lock_guard lock(mutex_);
    return static_cast<std::int32_t>(
        std::count_if(sessions_.begin(), sessions_.end(),
                      [&](const auto& e) { return e.second->device == device; }));
}

std::vector<std::int32_t> Simulator::DeviceNumbers() {
    std::lock_guard lock(mutex_);
    std::vector<std::int32_t> out;
    for (const Board& b : boards_)
        out.push_back(b.number);
    return out;
}

} // namespace daqsim
