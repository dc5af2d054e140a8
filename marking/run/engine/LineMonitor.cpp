#include "run/engine/LineMonitor.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace marking::run {

std::optional<QString> AddOnePipe(const QString& count) {
    bool ok = false;
    const double value = count.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double next = value + 1.0;
    if (!std::isfinite(next))
        return std::nullopt;
    // Plain digits, never an exponent: 99999 counts on to "100000".
    return QString::number(next, 'f', QLocale::FloatingPointShortest);
}

std::optional<QString> LineMonitor::OnDiInterrupt(int channel, int scanCount,
                                                  const QString& count) {
    if (!AutoMode || scanCount == 0)
        return std::nullopt;
    if (channel == kForwardInput && !PipeEntrySeen) {
        PipeEntrySeen = true;
        return AddOnePipe(count);
    }
    if (channel == kBackInput && PipeEntrySeen) {
        PipeEntrySeen = false;
        return AddOnePipe(count);
    }
    return std::nullopt;
}

bool LineMonitor::Poll(int channelCount, const InputReader& read) {
    const int last = std::min(channelCount, kPolledInputs) - 1;
    for (int channel = 0; channel <= last; ++channel) {
        const std::optional<bool> state = read(channel);
        if (!state)
            return false;
        InputStates[static_cast<size_t>(channel)] = *state;
    }
    AutoMode = InputStates[kAutoModeInput];
    return true;
}

PanelState LineMonitor::StateOf(const PolledPanel& panel) const {
    const bool input = InputStates[static_cast<size_t>(panel.input)];
    return input != panel.onWhenInputOff ? panel.whenOn : PanelState::Off;
}

} // namespace marking::run
