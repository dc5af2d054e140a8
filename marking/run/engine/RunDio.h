#pragma once

#include "host/DioControl.h"
#include "host/StateFile.h"

#include <QString>
#include <memory>
#include <optional>

namespace marking::run {

// What the DIO set-up of the run screen's load came to.
struct DioSetUp {
    bool device = false;   // a DIO device is open and inputs 0 and 1 are armed
    QString deviceMessage; // no device: "ErrMessage : <code> <message> Data I/O device 이상"
    QString stateMessage;  // the saved state could not be read or written (names the file)
};

// The run screen's DIO control MrvDIO1 as the marking program hosts it: made
// through the class registry by its class identifier, its saved state kept in
// a file beside the program (MrvDIO1.dat), inputs 0 and 1 armed on rising
// edges with a scan range of port 0, and its events connected to one handler.
// User-interface thread only; events arrive on it.
class RunDio {
public:
    explicit RunDio(QString stateFile);
    // Saves the state once more if it changed since (the program's end).
    ~RunDio();
    RunDio(const RunDio&) = delete;
    RunDio& operator=(const RunDio&) = delete;

    // Creates the control, loads its saved state, connects `handler` to its
    // events, and, when it has a device, reads InputChannelCount, arms inputs
    // 0 and 1 (AssignDiInterruptDiScanRange(ch, 0, 1), SetDiInterrupt(ch,
    // Rising), EnableDiInterrupt(ch, true)) and restarts EventEnabled (false,
    // then true). Then saves the state if it changed. Every step runs even
    // when one before failed; a failed step is logged.
    DioSetUp SetUp(mrvdio::host::DioEventHandler handler);

    // The control; nullptr when it could not be made.
    mrvdio::host::DioControl* Control() const { return dio_.get(); }
    int InputChannelCount() const { return inputChannels_; }
    // ReadDiChannel: the input's state, nothing when the read failed.
    std::optional<bool> ReadInput(int channel) const;
    // Saves the control's state if it changed (empty message when fine).
    mrvdio::host::StateFileResult SaveState() const;
    const QString& StateFilePath() const { return state_.Path(); }

private:
    mrvdio::host::StateFile state_;
    std::unique_ptr<mrvdio::host::DioControl> dio_;
    std::unique_ptr<mrvdio::host::DioEventConnection> events_;
    int inputChannels_ = 0;
};

// The message of a missing DIO device.
QString NoDioDeviceMessage(int errorCode, const QString& errorMessage);

} // namespace marking::run
