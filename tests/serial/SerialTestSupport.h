#pragma once

// Shared set-up of the serial tests: a private settings store and program
// directory, and helpers around the simulated devices.
#include "common/ProgramDirectory.h"
#include "devices/DeviceSim.h"
#include "serial/CommPort.h"
#include "serial/PortMap.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace serialtest {

// Points the settings store and the program directory at a fresh folder.
// Call before the first settings access of the test program.
class Sandbox {
public:
    Sandbox() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.filePath(QStringLiteral("config"))));
        marking::SetProgramDirectory(dir_.path());
    }
    QString Path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// Starts a simulated device and maps COM `com` to its pseudo-terminal.
inline std::unique_ptr<devsim::DeviceSim> StartDevice(devsim::Device device, int com,
                                                      devsim::Script script = {}) {
    auto sim = std::make_unique<devsim::DeviceSim>(device, script);
    if (!sim->Start())
        qFatal("cannot start the simulated device: %s", qPrintable(sim->ErrorText()));
    marking::SetDevicePathForCom(com, sim->SlavePath());
    return sim;
}

// Runs the event loop until pred() holds or the time is over.
template <typename Pred> bool PumpUntil(Pred pred, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qSleep(1);
    }
    return true;
}

// The marking-devsim program of this build.
inline QString DevsimProgram() {
    return qEnvironmentVariable("MARKING_PROGRAM_DIR") + QStringLiteral("/marking-devsim");
}

// Another process holding `path` open as a serial port (with its lock).
class PortHolder {
public:
    explicit PortHolder(const QString& path) {
        process_.start(DevsimProgram(), {QStringLiteral("--hold"), path});
        ok_ = process_.waitForStarted(5000) && process_.waitForReadyRead(5000) &&
              process_.readLine().startsWith("held");
    }
    ~PortHolder() {
        process_.terminate();
        if (!process_.waitForFinished(3000))
            process_.kill();
        process_.waitForFinished(3000);
    }
    bool ok() const { return ok_; }

private:
    QProcess process_;
    bool ok_ = false;
};

} // namespace serialtest

#include "common/ModDelayTime.h"

#include <functional>

namespace serialtest {

// Shortens the 0.5 s waits without leaving the real wait: ModDelayTime runs as
// in production over a clock that jumps ahead once `answered()` holds (the
// device's answer is in) or after about 300 ms without one. Window events keep
// running through the real Qt event loop.
class FastWait {
public:
    explicit FastWait(std::function<bool()> answered)
        : answered_(std::move(answered)) {
        marking::SetTimeOfDaySource([this] { return clock_; });
        marking::SetEventPump([this](int maxMs) {
            marking::QtEventPump(maxMs < 2 ? maxMs : 2);
            if ((answered_ && answered_()) || ++idle_ >= 150) {
                clock_ += 1.0f;
                idle_ = 0;
            }
        });
    }
    ~FastWait() {
        marking::SetTimeOfDaySource({});
        marking::SetEventPump({});
    }
    FastWait(const FastWait&) = delete;
    FastWait& operator=(const FastWait&) = delete;

private:
    std::function<bool()> answered_;
    float clock_ = 1000.0f;
    int idle_ = 0;
};

} // namespace serialtest
