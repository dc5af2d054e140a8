#include "Board.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <sstream>

namespace daqsim {

namespace {

std::string trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

// Decimal, 0x hexadecimal or 0b binary.
bool ParseNumber(const std::string& text, long long* value) {
    std::string t = lower(trim(text));
    if (t.empty())
        return false;
    bool negative = false;
    if (t[0] == '-') {
        negative = true;
        t = t.substr(1);
    }
    int base = 10;
    if (t.rfind("0x", 0) == 0) {
        base = 16;
        t = t.substr(2);
    } else if (t.rfind("0b", 0) == 0) {
        base = 2;
        t = t.substr(2);
    }
    if (t.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(t.c_str(), &end, base);
    if (errno != 0 || !end || *end != '\0')
        return false;
    *value = negative ? -v : v;
    return true;
}

namespace {

bool parseBool(const std::string& text, bool* value) {
    const std::string t = lower(trim(text));
    if (t == "1" || t == "yes" || t == "true" || t == "on") {
        *value = true;
        return true;
    }
    if (t == "0" || t == "no" || t == "false" || t == "off") {
        *value = false;
        return true;
    }
    return false;
}

template <typename T>
bool parseList(const std::string& text, long long lo, long long hi, std::vector<T>* out) {
    out->clear();
    if (trim(text).empty())
        return true;
    std::stringstream ss(text);
    std::string item;
    while (std::getline(ss, item, ',')) {
        long long v = 0;
        if (!ParseNumber(item, &v) || v < lo || v > hi)
            return false;
        out->push_back(static_cast<T>(v));
    }
    return true;
}

std::uint32_t fixedDirection(std::uint8_t type) {
    switch (type) {
    case DAQ_PORT_FIXED_INPUT:
        return 0x0000;
    case DAQ_PORT_FIXED_OUTPUT:
        return 0x00FF;
    default:
        // Type 2: separate input and output registers. Programmable ports
        // start as inputs, every channel programmable.
        return 0xFF00;
    }
}

// Completes a board whose keys were read: derived counts, lists and checks.
bool finish(Board& b, std::string* why) {
    if (b.diChannels < 0 || b.doChannels < 0) {
        *why = "negative channel count";
        return false;
    }
    if (b.diPorts < 0)
        b.diPorts = (b.diChannels + 7) / 8;
    if (b.doPorts < 0)
        b.doPorts = (b.doChannels + 7) / 8;
    if (b.diChannels > b.diPorts * 8) {
        *why = "di_channels needs more than di_ports * 8 channels";
        return false;
    }
    if (b.doChannels > b.doPorts * 8) {
        *why = "do_channels needs more than do_ports * 8 channels";
        return false;
    }
    if (b.diChannels > DAQ_EVENT_DI_INTERRUPT_LAST - DAQ_EVENT_DI_INTERRUPT + 1 ||
        b.diPorts > DAQ_EVENT_DI_PATTERN_MATCH_LAST - DAQ_EVENT_DI_PATTERN_MATCH + 1) {
        *why = "more DI channels or ports than the event ids can name";
        return false;
    }
    if (b.portTypes.empty()) {
        const int n = std::max(b.diPorts, b.doPorts);
        for (int p = 0; p < n; ++p) {
            const bool in = p < b.diPorts, out = p < b.doPorts;
            b.portTypes.push_back(in && out ? DAQ_PORT_FIXED_BOTH
                                  : in      ? DAQ_PORT_FIXED_INPUT
                                            : DAQ_PORT_FIXED_OUTPUT);
        }
    }
    if (b.directions.empty()) {
        for (std::uint8_t t : b.portTypes)
            b.directions.push_back(fixedDirection(t));
    }
    if (b.directions.size() != b.portTypes.size()) {
        *why = "directions needs one word per entry of port_types";
        return false;
    }
    if (b.name.size() >= DAQ_DEVICE_LIST_NAME_SIZE) {
        *why = "name longer than 51 bytes";
        return false;
    }
    const auto perDiPort = [&](const std::optional<std::vector<std::uint8_t>>& list,
                               const char* key) {
        if (list && list->size() != static_cast<std::size_t>(b.diPorts)) {
            *why = std::string(key) + " needs one byte per DI port";
            return false;
        }
        return true;
    };
    if (!perDiPort(b.interruptChannels, "interrupt_channels") ||
        !perDiPort(b.patternChannels, "pattern_channels") ||
        !perDiPort(b.patternSettable, "pattern_mask_settable") ||
        !perDiPort(b.statusChannels, "status_channels") ||
        !perDiPort(b.statusSettable, "status_mask_settable"))
        return false;
    b.Initialise();
    return true;
}

} // namespace

bool Board::InterruptCapable(std::uint32_t channel) const {
    if (!HasInterrupt() || channel >= static_cast<std::uint32_t>(diChannels))
        return false;
    return ((*interruptChannels)[channel / 8] >> (channel % 8)) & 1;
}

void Board::Initialise() {
    di.assign(diPorts, 0);
    doPort.assign(doPorts, 0);
    risingMasks.assign(diPorts, 0);
    fallingMasks.assign(diPorts, 0);
    patternMasks.assign(diPorts, 0);
    patternValues.assign(diPorts, 0);
    statusMasks.assign(diPorts, 0);
}

std::vector<Board> DefaultBoards() {
    Board b;
    b.number = 0;
    b.name = "DIO Simulator 16DI/16DO";
    b.boardId = 0x5D10;
    b.diChannels = 16;
    b.diPorts = -1;
    b.doChannels = 16;
    b.doPorts = -1;
    b.interruptChannels = std::vector<std::uint8_t>{0xFF, 0x00};
    b.risingEdge = true;
    b.fallingEdge = true;
    b.bothEdges = 0;
    std::string why;
    finish(b, &why);
    return {b};
}

bool ParseBoards(const std::string& text, std::vector<Board>* boards, std::string* error) {
    std::vector<Board> out;
    std::vector<int> startLine;
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    Board* cur = nullptr;
    auto fail = [&](int line, const std::string& why) {
        if (error)
            *error = "line " + std::to_string(line) + ": " + why;
        return false;
    };
    while (std::getline(in, raw)) {
        ++lineNo;
        std::string line = raw;
        const auto comment = line.find_first_of(";#");
        if (comment != std::string::npos)
            line = line.substr(0, comment);
        line = trim(line);
        if (line.empty())
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                return fail(lineNo, "section without ']'");
            const std::string sec = trim(line.substr(1, line.size() - 2));
            std::istringstream ss(sec);
            std::string word, num;
            ss >> word >> num;
            long long n = 0;
            if (lower(word) != "device" || !ParseNumber(num, &n) || n < 0 || n > 0x7FFF)
                return fail(lineNo, "expected [device N] with N from 0 to 32767");
            for (const Board& b : out)
                if (b.number == n)
                    return fail(lineNo, "device " + num + " described twice");
            Board b;
            b.number = static_cast<std::int32_t>(n);
            b.name = "DIO Simulator " + std::to_string(n);
            b.boardId = 0x5D00 + static_cast<std::uint32_t>(n);
            b.diPorts = -1;
            b.doPorts = -1;
            out.push_back(b);
            startLine.push_back(lineNo);
            cur = &out.back();
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            return fail(lineNo, "expected key = value");
        if (!cur)
            return fail(lineNo, "key outside a [device N] section");
        const std::string key = lower(trim(line.substr(0, eq)));
        const std::string value = trim(line.substr(eq + 1));
        long long n = 0;
        bool ok = true;
        auto number = [&](long long lo, long long hi, auto* target) {
            ok = ParseNumber(value, &n) && n >= lo && n <= hi;
            if (ok)
                *target = static_cast<std::remove_reference_t<decltype(*target)>>(n);
        };
        auto bytes = [&](std::optional<std::vector<std::uint8_t>>* target) {
            std::vector<std::uint8_t> v;
            ok = parseList(value, 0, 0xFF, &v);
            if (ok)
                *target = v;
        };
        if (key == "name")
            cur->name = value;
        else if (key == "board_id")
            number(0, 0xFFFFFFFFLL, &cur->boardId);
        else if (key == "di_channels")
            number(0, 0x7FFF, &cur->diChannels);
        else if (key == "di_ports")
            number(0, 0x7FFF, &cur->diPorts);
        else if (key == "do_channels")
            number(0, 0x7FFF, &cur->doChannels);
        else if (key == "do_ports")
            number(0, 0x7FFF, &cur->doPorts);
        else if (key == "port_types")
            ok = parseList(value, 0, 5, &cur->portTypes);
        else if (key == "directions")
            ok = parseList(value, 0, 0xFFFFFFFFLL, &cur->directions);
        else if (key == "interrupt_channels")
            bytes(&cur->interruptChannels);
        else if (key == "rising_edge")
            ok = parseBool(value, &cur->risingEdge);
        else if (key == "falling_edge")
            ok = parseBool(value, &cur->fallingEdge);
        else if (key == "both_edges")
            number(0, 1, &cur->bothEdges);
        else if (key == "pattern_channels")
            bytes(&cur->patternChannels);
        else if (key == "pattern_mask_settable")
            bytes(&cur->patternSettable);
        else if (key == "status_channels")
            bytes(&cur->statusChannels);
        else if (key == "status_mask_settable")
            bytes(&cur->statusSettable);
        else if (key == "unsupported") {
            std::vector<std::uint32_t> ids;
            ok = parseList(value, 0, 0xFFFFFFFFLL, &ids);
            cur->unsupported.insert(ids.begin(), ids.end());
        } else
            return fail(lineNo, "unknown key '" + key + "'");
        if (!ok)
            return fail(lineNo, "bad value for " + key + ": '" + value + "'");
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        std::string why;
        if (!finish(out[i], &why))
            return fail(startLine[i], "device " + std::to_string(out[i].number) + ": " + why);
    }
    *boards = std::move(out);
    return true;
}

} // namespace daqsim
