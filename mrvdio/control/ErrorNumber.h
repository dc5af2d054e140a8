#pragma once

// The error numbers the control reports (LastErrorCode) and their messages.
// They equal the type library's ErrorCode values up to 25; from there on
// each is one below the value of its name, and every driver failure is
// reported as DriverError plus the driver's low 12 bits.

#include <cstdint>

namespace mrvdio {

enum class MrvDIOErrorNumber : int32_t {
    NoError = 0,
    InsufficientMemory = 1,
    BufferNotBytes = 2,
    ChannelNoDiInterrupt = 3,
    ThreadNotCreated = 4,
    UserDataShort = 5,
    NoDiFunction = 6,
    NoDoFunction = 7,
    NoDioFunction = 8,
    NoDiInterrupt = 9,
    NoDiPatternMatch = 10,
    NoDiStatusChange = 11,
    NoInterruptFunction = 12,
    IllegalDirection = 13,
    ConfigurationRunning = 14,
    InvalidDiChannel = 15,
    InvalidDiPort = 16,
    InvalidScanRange = 17,
    InvalidDoChannel = 18,
    InvalidDoScanRange = 19,
    InvalidDoPortRange = 20,
    InvalidDioPort = 21,
    InvalidParameter = 22,
    InvalidTrigger = 23,
    InvalidUserBuffer = 24,
    NoDevice = 25,
    PortNoPatternMatch = 26,
    PortNoStatusChange = 27,
    PortNoDirectionSetting = 28,
    PortNoChannelConfiguration = 29,
    ReadDiChannelFailed = 30,
    ReadDiPortsFailed = 31,
    ReadDoChannelFailed = 32,
    ReadDoPortsFailed = 33,
    WriteDoChannelFailed = 34,
    WriteDoPortsFailed = 35,
    DriverError = 36, // plus the driver's code; LastErrorCode stays 36
    NoRisingEdge = 37,
    NoFallingEdge = 38,
    NoDualEdge = 39,
};

using Err = MrvDIOErrorNumber;

inline constexpr int32_t ToInt(Err e) {
    return static_cast<int32_t>(e);
}

// Message of error number n as the error table has it ("" for driver codes).
const char* ErrorTableMessage(int32_t number);

} // namespace mrvdio
