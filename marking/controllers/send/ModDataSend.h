#pragma once

#include "controllers/send/Transmission.h"

// The transmissions as the run screen calls them, right after the model's
// conversion: ControllerText goes to the model's port of the main window
// (Ports()), the print controller lamp in force shows the outcome, messages go
// through the message port. User-interface thread only.
namespace marking {

// TRX-20: frame STX "3" text ETX check; an acknowledged frame is followed by
// the PLC exchange that the run layer installed (send::SetPlcExchange).
send::TransmissionReport ModDataSendToTRX20();
// TRX-30: frame STX "3" text ETX.
send::TransmissionReport ModDataSendToTRX30();
// HVL-5: frame STX "2" text ETX check.
send::TransmissionReport ModDataSendToHVL5();

// The state each transmission keeps for the program run.
QString& TRX20ReceiveData();
std::int32_t& TRX20CommunicationErrorCount();
QString& TRX30ReceiveData();
std::int32_t& TRX30CommunicationErrorCount();
QString& HVL5ReceiveData();
std::int32_t& HVL5CommunicationErrorCount();

// The controller port that ProgramSettings.PrintControler selects (0
// ComTRX20, 1 ComHVL5, 2 ComTRX30); nullptr for any other value.
CommPort* ControllerPort();

// Sets CommPort (PrintControlerComPort + 1), Settings, InputLen 0 and
// OutBufferSize of the selected controller's port; the run screen's load does
// it once. Any other PrintControler value configures nothing (ok).
CommResult ConfigureControllerPort();
// Sets up `port` for `model` on COM `com` (markingctl, tests).
CommResult ConfigureControllerPort(PrintControllerModel model, CommPort& port, int com);

// Closes the selected controller's port if it is open, then opens it (before
// every send). An error when no controller is selected or the open fails.
CommResult ReopenControllerPort();

// The run screen's send, whole: unless a transmission is under way (then the
// start is refused and logged, and neither the port nor the shared buffers are
// touched), reopens the selected controller's port, sets MarkingText to
// `markingText`, runs the model's conversion and then its transmission. A port
// that does not open is shown once (COM number, path, reason) with a red lamp,
// and nothing is sent; a failed conversion (its reason shown) sends nothing
// either. For a PrintControler other than 0, 1, 2 nothing happens.
// User-interface thread only.
send::TransmissionReport SendToPrintController(const QString& markingText);

} // namespace marking
