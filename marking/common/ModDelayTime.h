#pragma once

#include <functional>

namespace marking {

// Time of day in seconds since midnight, single precision, as the waits measure it.
using TimeOfDaySource = std::function<float()>;
// Lets pending window events run; may block for at most maxMs milliseconds
// waiting for one.
using EventPump = std::function<void(int maxMs)>;

// Waits `seconds` measured on the time of day while pending window events run.
// start := time of day; while start + wait > time of day: run pending events,
// and when time of day + 100 < start (midnight passed) start := time of day,
// so the full wait is measured again from that moment. Never ends early at
// midnight; spanning midnight it lasts up to twice the wait.
void ModDelayTime(float seconds);

// The clock and pump in force. The defaults read the system clock and run the
// Qt event loop of the calling thread (a plain sleep without an application).
float TimeOfDay();
void SetTimeOfDaySource(TimeOfDaySource source); // empty: back to the system clock
void SetEventPump(EventPump pump);               // empty: back to the Qt event loop

float SystemTimeOfDay();
void QtEventPump(int maxMs);

} // namespace marking
