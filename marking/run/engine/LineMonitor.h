#pragma once

#include <QString>
#include <array>
#include <functional>
#include <optional>

namespace marking::run {

// The digital inputs of the packing line and what they mean.
inline constexpr int kForwardInput = 0;  // inverter forward; its rising edge counts a pipe
inline constexpr int kBackInput = 1;     // inverter back; its rising edge counts a pipe
inline constexpr int kInverterFault = 2; // inverter fault
inline constexpr int kAutoModeInput = 3; // on: automatic mode, off: manual
inline constexpr int kVskFault = 4;      // VSK-9 fault
inline constexpr int kPaintFault = 5;    // VSK-9 paint
inline constexpr int kCleanerFault = 6;  // VSK-9 cleaner
inline constexpr int kPolledInputs = 8;  // inputs 0 to 7 are polled

// What a state panel of the run screen shows.
enum class PanelState { Off, On, Alarm };

// One state panel painted by the poll, with the input it shows.
struct PolledPanel {
    const char* name; // "SSPanel18"
    int input;
    bool onWhenInputOff; // SSPanel40 "수동" is on while input 3 is off
    PanelState whenOn;   // green for the drive and the modes, red for the faults
};
// In painting order: input 3 first (it sets AutoMode), then 0, 1, 2, 4, 5, 6.
inline constexpr PolledPanel kPolledPanels[] = {
    {"SSPanel39", kAutoModeInput, false, PanelState::On},
    {"SSPanel40", kAutoModeInput, true, PanelState::On},
    {"SSPanel18", kForwardInput, false, PanelState::On},
    {"SSPanel19", kBackInput, false, PanelState::On},
    {"SSPanel20", kInverterFault, false, PanelState::Alarm},
    {"SSPanel34", kVskFault, false, PanelState::Alarm},
    {"SSPanel35", kPaintFault, false, PanelState::Alarm},
    {"SSPanel36", kCleanerFault, false, PanelState::Alarm},
};

// The pipe count's text plus one: the text read as a number, one added, the
// result in its shortest decimal form without an exponent ("0" gives "1",
// "2.5" gives "3.5", "99999" gives "100000").
// Nothing for a text that is no finite number ("", "abc", "inf").
std::optional<QString> AddOnePipe(const QString& count);

// The line's state as the run screen watches it: the last polled inputs,
// automatic mode and the half-counted pipe. It keeps its values while the run
// screen is inactive. User-interface thread only.
class LineMonitor {
public:
    std::array<bool, kPolledInputs> InputStates{};
    bool AutoMode = false;
    bool PipeEntrySeen = false;

    // An OnDiInterrupt event: in automatic mode, an input-0 event counts when
    // no pipe entry is pending and sets it, an input-1 event counts when one
    // is pending and clears it; everything else is ignored (manual mode, an
    // empty scan, a second input-0 event, an input-1 event first, other
    // channels, a count that is no number). Returns the new count text, or
    // nothing when nothing was counted.
    std::optional<QString> OnDiInterrupt(int channel, int scanCount, const QString& count);

    // Reads one input: its state, or nothing when the read failed.
    using InputReader = std::function<std::optional<bool>(int channel)>;
    // One poll: reads inputs 0 up to channelCount - 1, at most 7. False when a
    // read failed: the tick ends there and nothing may be painted. On success
    // AutoMode follows input 3.
    bool Poll(int channelCount, const InputReader& read);

    // What a panel shows for the inputs as last polled.
    PanelState StateOf(const PolledPanel& panel) const;
};

} // namespace marking::run
