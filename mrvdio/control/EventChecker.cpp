#include "control/EventChecker.h"

#include "mrvdio/Variant.h"

#include <QMetaObject>
#include <QPointer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <system_error>
#include <thread>

namespace mrvdio {

namespace {

// The driver wait of one round; also how long the worker pauses after a
// failed wait, so that a failing driver does not make it spin.
constexpr std::chrono::milliseconds kWait{200};

std::atomic<int> liveWorkers{0};

constexpr uint16_t kFirstId = DAQ_EVENT_DI_INTERRUPT;
constexpr uint16_t kLastId = DAQ_EVENT_DI_STATUS_CHANGE_LAST;

} // namespace

bool ClassifyEvent(uint16_t id, EventKind* kind, int32_t* index) {
    if (id >= DAQ_EVENT_DI_INTERRUPT && id <= DAQ_EVENT_DI_INTERRUPT_LAST) {
        *kind = EventKind::DiInterrupt;
        *index = id - DAQ_EVENT_DI_INTERRUPT;
    } else if (id >= DAQ_EVENT_DI_PATTERN_MATCH && id <= DAQ_EVENT_DI_PATTERN_MATCH_LAST) {
        *kind = EventKind::PatternMatch;
        *index = id - DAQ_EVENT_DI_PATTERN_MATCH;
    } else if (id >= DAQ_EVENT_DI_STATUS_CHANGE && id <= DAQ_EVENT_DI_STATUS_CHANGE_LAST) {
        *kind = EventKind::StatusChange;
        *index = id - DAQ_EVENT_DI_STATUS_CHANGE;
    } else {
        return false;
    }
    return true;
}

struct ScanCounts {
    std::mutex mutex;
    std::array<uint8_t, kLastId - kFirstId + 1> counts{};
};

struct EventChecker::Worker {
    enum class Phase { Idle, Posted, Taken, Handled };

    std::mutex mutex;
    std::condition_variable changed;
    bool run = true;
    bool finished = false;
    Phase phase = Phase::Idle;
    uint64_t serial = 0;
    // The delivery in progress (valid while phase is Posted or Taken).
    EventKind kind = EventKind::DiInterrupt;
    int32_t index = 0;
    VARIANT* data = nullptr;
    DaqResult failure = DAQ_OK;
    std::thread thread;
};

namespace {

// The worker's body. It holds the worker record, the scan counts and the
// receiver's address; the receiver is only used to post a delivery, under
// the worker's mutex and only while the run flag is set, and the control's
// side clears the flag under that mutex before it destroys the receiver.
void RunWorker(std::shared_ptr<EventChecker::Worker> w, std::shared_ptr<ScanCounts> scans,
               const driver::DaqDriver* drv, DaqHandle handle, int32_t bufferBytes,
               QObject* receiver, std::function<void(uint64_t)> post) {
    using Phase = EventChecker::Worker::Phase;

    // Hands one event to the control's thread and waits for its handler.
    // False when the worker is to end.
    auto deliver = [&](EventKind kind, int32_t index, VARIANT* data, DaqResult failure) {
        std::unique_lock lock(w->mutex);
        if (!w->run)
            return false;
        w->phase = Phase::Posted;
        w->kind = kind;
        w->index = index;
        w->data = data;
        w->failure = failure;
        const uint64_t serial = ++w->serial;
        QMetaObject::invokeMethod(
            receiver, [post, serial] { post(serial); }, Qt::QueuedConnection);
        w->changed.wait(lock, [&] {
            return w->phase == Phase::Handled || (w->phase == Phase::Posted && !w->run);
        });
        const bool handled = w->phase == Phase::Handled;
        w->phase = Phase::Idle;
        w->data = nullptr;
        return handled && w->run;
    };

    SAFEARRAY* buffer = SafeArrayCreateVector(VT_UI1, 0, static_cast<uint32_t>(bufferBytes));
    if (!buffer) {
        deliver(EventKind::NoBuffer, 0, nullptr, DAQ_OK);
    } else {
        VARIANT data;
        VariantInit(&data);
        uint16_t id = DAQ_EVENT_NONE;
        for (;;) {
            {
                std::lock_guard lock(w->mutex);
                if (!w->run)
                    break;
            }
            const auto started = std::chrono::steady_clock::now();
            DaqCheckEvent wait{&id, static_cast<uint32_t>(kWait.count())};
            if (drv->CheckEvent(handle, &wait) != DAQ_OK) {
                // No event from a failed wait, whatever id it left; pause for
                // the rest of the round instead of asking again at once.
                std::unique_lock lock(w->mutex);
                w->changed.wait_until(lock, started + kWait, [&] { return !w->run; });
                continue;
            }
            EventKind kind;
            int32_t index = 0;
            if (!ClassifyEvent(id, &kind, &index))
                continue;
            uint8_t n = 0;
            {
                std::lock_guard lock(scans->mutex);
                n = scans->counts[id - kFirstId];
            }
            n = static_cast<uint8_t>(std::min<int32_t>(n, bufferBytes));
            data.vt = VT_ARRAY | VT_UI1;
            data.parray = buffer;
            if (n == 0) {
                data.vt = VT_EMPTY;
            } else {
                buffer->rgsabound[0].cElements = n;
                const DaqResult r = drv->GetLatestEventDiPortsState(
                    handle, id, static_cast<uint8_t*>(buffer->pvData), n);
                if (r != DAQ_OK) {
                    buffer->rgsabound[0].cElements = static_cast<uint32_t>(bufferBytes);
                    deliver(EventKind::ReadFailure, index, nullptr, r);
                    break;
                }
            }
            const bool goOn = deliver(kind, index, &data, DAQ_OK);
            buffer->rgsabound[0].cElements = static_cast<uint32_t>(bufferBytes);
            if (!goOn)
                break;
        }
        SafeArrayDestroy(buffer);
    }
    std::lock_guard lock(w->mutex);
    w->finished = true;
    w->changed.notify_all();
    --liveWorkers;
}

} // namespace

EventChecker::EventChecker(QObject* window, Handler handler)
    : handler_(std::move(handler))
    , window_(window)
    , scans_(std::make_shared<ScanCounts>()) {}

EventChecker::~EventChecker() {
    // Every worker gets its run flag cleared: none posts to the window any
    // more.
    Stop(true);
}

bool EventChecker::Start(const driver::DaqDriver& drv, DaqHandle handle, int32_t bufferBytes) {
    Stop(true);
    auto w = std::make_shared<Worker>();
    QObject* receiver = window_;
    std::weak_ptr<Worker> weak = w;
    auto post = [this, weak](uint64_t serial) {
        if (auto worker = weak.lock())
            Deliver(worker, serial);
    };
    ++liveWorkers; // counted from here so that a caller never misses it
    try {
        w->thread = std::thread(RunWorker, w, scans_, &drv, handle, std::max(bufferBytes, 0),
                                receiver, post);
    } catch (const std::system_error&) {
        --liveWorkers;
        return false;
    }
    current_ = std::move(w);
    return true;
}

void EventChecker::Stop(bool wait) {
    if (current_) {
        ending_.push_back(std::move(current_));
        current_.reset();
    }
    for (const auto& w : ending_) {
        std::lock_guard lock(w->mutex);
        w->run = false;
        w->changed.notify_all();
    }
    JoinFinished(wait);
}

int EventChecker::LiveWorkers() {
    return liveWorkers.load();
}

bool EventChecker::Running() const {
    return current_ != nullptr;
}

void EventChecker::JoinFinished(bool all) {
    for (auto it = ending_.begin(); it != ending_.end();) {
        const std::shared_ptr<Worker>& w = *it;
        bool finished = false;
        {
            std::lock_guard lock(w->mutex);
            finished = w->finished;
        }
        if (w.get() == delivering_) {
            // Its handler is running below us: it ends when that returns.
            w->thread.detach();
            it = ending_.erase(it);
        } else if (finished || all) {
            w->thread.join();
            it = ending_.erase(it);
        } else {
            ++it;
        }
    }
}

void EventChecker::SetScanCount(uint16_t eventId, uint8_t count) {
    if (eventId < kFirstId || eventId > kLastId)
        return;
    std::lock_guard lock(scans_->mutex);
    scans_->counts[eventId - kFirstId] = count;
}

void EventChecker::Deliver(const std::shared_ptr<Worker>& w, uint64_t serial) {
    using Phase = Worker::Phase;
    EventKind kind;
    int32_t index = 0;
    VARIANT* data = nullptr;
    DaqResult failure = DAQ_OK;
    {
        std::lock_guard lock(w->mutex);
        if (!w->run || w->serial != serial || w->phase != Phase::Posted)
            return; // switched off meanwhile: the event is dropped
        w->phase = Phase::Taken;
        kind = w->kind;
        index = w->index;
        data = w->data;
        failure = w->failure;
    }
    // The handler may destroy the control and with it this object and the
    // window: keep what is needed afterwards.
    QPointer<QObject> alive(window_);
    const Handler handler = handler_;
    const Worker* outer = delivering_;
    delivering_ = w.get();
    handler(kind, index, data, failure);
    if (alive)
        delivering_ = outer;
    std::lock_guard lock(w->mutex);
    w->phase = Phase::Handled;
    w->changed.notify_all();
}

} // namespace mrvdio
