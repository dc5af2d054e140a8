#pragma once

// The event checking thread of the control and its hand-over to the
// control's thread.
//
// While events are on, one worker waits on the driver (DRV_CheckEvent, 200 ms
// at a time), reads the DI ports the driver latched for each event into the
// event buffer, and hands the event to the control's thread, where the
// handler raises it to the host. The worker waits until the handler has
// returned, so the buffer stays valid during the handler and events arrive
// one at a time, in order.
//
// Everything the worker shares with the control's thread goes through a
// mutex: the run flag, the delivery in progress and the scan counts. The
// worker never touches the control object itself, so stopping it never has
// to wait for the control's thread, and a delivery that was posted but not
// yet taken when events are switched off is dropped instead of raised.

#include "driver/DaqDriver.h"
#include "mrvdio/ComBase.h"

#include <QObject>

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace mrvdio {

enum class EventKind {
    DiInterrupt,  // index = DI channel
    PatternMatch, // index = DI port
    StatusChange, // index = DI port
    ReadFailure,  // reading the latched states failed with `failure`
    NoBuffer      // the event buffer could not be made
};

// Which kind an event id names and its index; false for ids outside the
// three ranges (a wait that ended without an event).
bool ClassifyEvent(uint16_t eventId, EventKind* kind, int32_t* index);

class EventChecker {
public:
    // Called on the control's thread for each event. `data` is the event
    // buffer variant (an empty variant when the scan count is 0); it is
    // valid until the handler returns.
    using Handler =
        std::function<void(EventKind kind, int32_t index, VARIANT* data, DaqResult failure)>;

    // Created on the control's thread. Deliveries are posted to `window`
    // (the control's hidden EventWindow, which lives on that thread and must
    // outlive this object) and run there.
    EventChecker(QObject* window, Handler handler);
    // Stops every worker and waits for them to end.
    ~EventChecker();
    EventChecker(const EventChecker&) = delete;
    EventChecker& operator=(const EventChecker&) = delete;

    // Starts a worker on `handle` with an event buffer of `bufferBytes`
    // bytes. A worker of an earlier start ends first (the control's thread
    // waits for it, at most one driver wait). False when the thread cannot
    // be created.
    bool Start(const driver::DaqDriver& drv, DaqHandle handle, int32_t bufferBytes);
    // Clears the run flag: the worker delivers nothing more and ends after
    // its current driver wait. With `wait`, also waits until it has ended,
    // except when called from inside one of its deliveries (the worker then
    // ends as soon as the handler returns).
    void Stop(bool wait);
    // True while a started worker has not been told to stop.
    bool Running() const;
    // Worker threads alive in the process, over all controls (for tests).
    // May be called from any thread.
    static int LiveWorkers();

    // The scan count the driver latches for `eventId` (set whenever the
    // control enables that event at the driver). Control's thread.
    void SetScanCount(uint16_t eventId, uint8_t count);

    struct Worker;

private:
    void Deliver(const std::shared_ptr<Worker>& worker, uint64_t serial);
    void JoinFinished(bool all);

    Handler handler_;
    QObject* window_;
    std::shared_ptr<struct ScanCounts> scans_;
    std::shared_ptr<Worker> current_;
    std::vector<std::shared_ptr<Worker>> ending_; // told to stop, not yet joined
    const Worker* delivering_ = nullptr;          // worker whose event is being handled
};

} // namespace mrvdio
