#pragma once

#include "serial/CommPort.h"

#include <QString>
#include <cstdint>

namespace marking {

// The PLC frame: MELSEC computer link, format 3, bit-unit write of M955 := 1.
inline constexpr char kPlcFrameBody[] = "00FFBW5M0955011";

// State of the PLC exchange, program-wide. User-interface thread only.
QString& PLCSendData();
QString& PLCReceiveData();
std::int32_t& PLCCommunicationErrorCount();

// Negative answers in a row after which the operator is told.
inline constexpr int kPlcWarningEvery = 100;

// The PLC exchange: unless the run screen is inactive, writes the frame to
// ComYNS7, waits 0.5 s with window events running, drains the answer and reads
// its characters 6 and 7: "GG" turns the PLC lamp green and ends; "NN" turns
// it red, counts (every 100th in a row shows the warning) and repeats; anything
// else ends with lamps and count unchanged. A port failure (not open, device
// gone) is shown once with the port's COM number and path and the lamp turns
// red. The repetition also ends when CancelPlcExchange() was called.
// User-interface thread only.
void ModYNS7Communication();

// Stops a running PLC repetition before its next frame.
void CancelPlcExchange();

// Makes ModYNS7Communication the exchange that follows an acknowledged TRX-20
// frame (send::SetPlcExchange), and CancelPlcExchange part of
// send::CancelTransmission. OpenPlcPort does it.
void InstallPlcExchange();

// Installs the PLC exchange (InstallPlcExchange), then opens ComYNS7 on COM
// (ProgramSettings.PLCComPort + 1) with the line settings of the settings
// store ("Ports" / "PLCSettings", "9600,N,8,1"). The exchange stays installed
// when the port does not open: it then reports the port failure after the
// next acknowledged frame, as it would for a device that went away.
CommResult OpenPlcPort();

} // namespace marking
