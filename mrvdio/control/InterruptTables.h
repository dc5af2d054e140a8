#pragma once

// The three interrupt settings tables of the control. Their byte layouts are
// the ones the control persists, so the records are plain bytes.

#include <cstdint>

namespace mrvdio {

// One record per DI channel, indexed by channel number.
struct DiInterruptSetting {
    uint8_t supported; // the channel can raise a DI interrupt
    uint8_t scanStart; // first DI port latched
    uint8_t scanCount; // DI ports latched, 0 = none
    uint8_t trigger;   // 1 rising, 2 falling, 3 both edges
    uint8_t enabled;   // the client wants this channel's interrupt
    uint8_t running;   // the event is enabled at the driver
    uint8_t unused[2];
    int32_t risingEdgeCapable;  // as surveyed
    int32_t fallingEdgeCapable; // as surveyed
};
static_assert(sizeof(DiInterruptSetting) == 16);

// One record per DI port that can pattern-match, ascending port order.
struct DiPatternMatchSetting {
    uint8_t port;
    uint8_t enabled;
    uint8_t mask;    // channels taking part (0xFF when not settable)
    uint8_t pattern; // match value
    uint8_t scanStart;
    uint8_t scanCount;
    uint8_t running;
    uint8_t maskSettable;
    uint8_t supportedChannels;
};
static_assert(sizeof(DiPatternMatchSetting) == 9);

// One record per DI port that can report status changes, ascending.
struct DiStatusChangeSetting {
    uint8_t port;
    uint8_t enabled;
    uint8_t mask; // channels watched (0xFF when not settable)
    uint8_t scanStart;
    uint8_t scanCount;
    uint8_t running;
    uint8_t supportedChannels;
    uint8_t maskSettable;
};
static_assert(sizeof(DiStatusChangeSetting) == 8);

// Which persisted table waits to be re-applied by the next survey.
enum RestoreTable {
    RestoreInterrupt = 0,
    RestorePattern = 1,
    RestoreStatus = 2,
    RestoreDirection = 3
};

} // namespace mrvdio
