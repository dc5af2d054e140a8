#pragma once

#include "serial/CommPort.h"

#include <QByteArray>

namespace marking {

// Bounds of one reply drain. A device that keeps sending (a stuck line, a
// stream of garbage) must not keep the drain going for ever.
struct DrainLimits {
    qsizetype maxBytes = 4096;
    int maxMs = 1000;
};

struct DrainResult {
    QByteArray bytes;
    bool bounded = false; // stopped by a limit while bytes were still arriving
};

// The reply drain after a frame's wait: repeat { let pending window events
// run; if InBufferCount < 1 stop; append Input } — ended early by the limits.
// User-interface thread only.
DrainResult DrainReply(CommPort& port, const DrainLimits& limits = {});

} // namespace marking
