#include "serial/Drain.h"

#include "common/ModDelayTime.h"

#include <QElapsedTimer>

namespace marking {

DrainResult DrainReply(CommPort& port, const DrainLimits& limits) {
    DrainResult result;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QtEventPump(0);
        if (port.InBufferCount() < 1)
            break;
        result.bytes += port.InputBytes();
        if (result.bytes.size() >= limits.maxBytes || clock.elapsed() >= limits.maxMs) {
            result.bounded = true;
            break;
        }
    }
    return result;
}

} // namespace marking
