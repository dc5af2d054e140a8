#pragma once

// A simulated DIO board: what the board file describes, plus its live state
// (inputs, outputs, the masks and values a client set).

#include "driver/daqdrv32.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace daqsim {

struct Board {
    // ---- described by the board file
    std::int32_t number = 0;
    std::string name;
    std::uint32_t boardId = 0;
    std::int32_t diChannels = 0;
    std::int32_t diPorts = 0;
    std::int32_t doChannels = 0;
    std::int32_t doPorts = 0;
    std::vector<std::uint8_t> portTypes;   // one per DIO port
    std::vector<std::uint32_t> directions; // one per DIO port
    // Absent list = the board lacks the function (property refused, 0x3E).
    std::optional<std::vector<std::uint8_t>> interruptChannels;
    bool risingEdge = true;
    bool fallingEdge = true;
    std::int32_t bothEdges = 0;
    std::optional<std::vector<std::uint8_t>> patternChannels;
    std::optional<std::vector<std::uint8_t>> patternSettable;
    std::optional<std::vector<std::uint8_t>> statusChannels;
    std::optional<std::vector<std::uint8_t>> statusSettable;
    std::set<std::uint32_t> unsupported; // property ids refused with 0x3E

    // ---- live state
    std::vector<std::uint8_t> di;     // one per DI port
    std::vector<std::uint8_t> doPort; // one per DO port
    std::vector<std::uint8_t> risingMasks, fallingMasks;
    std::vector<std::uint8_t> patternMasks, patternValues, statusMasks;

    bool HasDi() const { return diChannels > 0; }
    bool HasDo() const { return doChannels > 0; }
    bool HasInterrupt() const { return HasDi() && interruptChannels.has_value(); }
    bool HasPattern() const { return HasDi() && patternChannels.has_value(); }
    bool HasStatus() const { return HasDi() && statusChannels.has_value(); }
    bool InterruptCapable(std::uint32_t channel) const;

    // Fills the live state from the description (all inputs and outputs 0,
    // masks as a freshly powered board).
    void Initialise();
};

// The board of a system without a board file: device 0, 16 DI channels in
// 2 ports, 16 DO channels in 2 ports, DI interrupts on channels 0-7, rising
// and falling edges, no dual edge, no pattern match, no status change.
std::vector<Board> DefaultBoards();

// Decimal, 0x hexadecimal or 0b binary, with an optional minus sign.
bool ParseNumber(const std::string& text, long long* value);

// Parses the board file format (HACKING.md). On error returns false and sets
// *error to "line N: reason".
bool ParseBoards(const std::string& text, std::vector<Board>* boards, std::string* error);

} // namespace daqsim
