#pragma once

#include "common/SharedValues.h"
#include "serial/CommPort.h"
#include "serial/CommunicationLamp.h"
#include "serial/Drain.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>

namespace marking::send {

// What one transmission came to.
enum class Outcome {
    Ack,          // the controller acknowledged a frame
    Failed,       // it never did within the bound; the warning was shown
    Cancelled,    // CancelTransmission() stopped the repetition
    Refused,      // another transmission was under way; nothing was sent
    PortError,    // the port was not open, a write failed or the device went away
    DataError,    // code page 949 cannot carry the text; nothing was sent
    NoController, // ProgramSettings.PrintControler names no controller; nothing was sent
};
QString OutcomeName(Outcome outcome); // "ack", "failed", "cancelled", "refused", ...

// What differs between the three models.
struct ControllerProfile {
    PrintControllerModel model;
    QString name;      // "TRX-20"
    QString portName;  // "ComTRX20"
    QString settings;  // line settings
    int outBufferSize; // OutBufferSize
    int maxFailures;   // failed frames after which the warning ends the transmission
    QString warning;   // the warning's text
};
const ControllerProfile& Profile(PrintControllerModel model);

struct TransmissionOptions {
    CommunicationLamp* lamp = nullptr; // print controller lamp; nullptr: none
    bool plcExchange = false;          // the PLC exchange after an acknowledged TRX-20 frame
    DrainLimits drain;
};

// The PLC exchange that follows an acknowledged TRX-20 frame. The transmissions
// know nothing of the PLC: the run screen's links, which own the PLC port,
// install their exchange here when they open it. Without one, an
// acknowledgement ends the transmission. User-interface thread only.
struct PlcExchange {
    std::function<void()> run;    // runs one exchange to its end
    std::function<void()> cancel; // stops a running exchange before its next frame
};
// Installs `exchange` (an empty one removes it) and returns the one before.
PlcExchange SetPlcExchange(PlcExchange exchange);
bool PlcExchangeInstalled();

struct TransmissionReport {
    Outcome outcome = Outcome::Failed;
    int attempts = 0;          // frames written
    QList<QByteArray> frames;  // each frame written
    QList<QByteArray> replies; // each reply drained (may be empty)
    QString message;           // the message shown, if any
};

// Sends ControllerText to the controller on `port`: frame, write, 0.5 s wait
// with window events running, drain, evaluate the first received character.
// ACK: green lamp, count 0 (TRX-20: then the installed PLC exchange when
// asked). NAK, anything else or nothing: red lamp, count + 1, the frame again;
// after maxFailures failed frames the warning is shown once and the
// transmission ends. A port failure or a text code page 949 cannot carry ends
// it at once with a message naming the port, and a red lamp. Clean-up always:
// receive buffer discarded, MarkingText, ControllerText and the model's receive
// data emptied, the failure count 0. A transmission started while another one
// is under way (from an event handler running during a wait) is refused and
// logged. User-interface thread only.
TransmissionReport Transmit(PrintControllerModel model, CommPort& port,
                            const TransmissionOptions& options);

// A transmission is running (its waits let window events run).
bool TransmissionUnderWay();
// Ends the running transmission after its current attempt (an acknowledged
// attempt still counts), and stops the installed PLC exchange's repetition
// before its next frame.
void CancelTransmission();

// What a running transmission tells the one who shows it (the run screen):
// each frame before it is written, and the end. The PLC exchange that follows
// an acknowledged TRX-20 frame reports its frames as "PLC".
struct TransmissionProgress {
    QString what;                   // "TRX-20", "TRX-30", "HVL-5", "PLC"
    int attempt = 0;                // the frame about to be written: 1, 2, ... (0 at the end)
    bool running = true;            // false: the transmission has ended
    Outcome outcome = Outcome::Ack; // at the end
};
using ProgressObserver = std::function<void(const TransmissionProgress&)>;
// Installs the observer (an empty one removes it) and returns the one before.
// User-interface thread only.
ProgressObserver SetProgressObserver(ProgressObserver observer);
// Hands a report to the installed observer, if any.
void ReportProgress(const TransmissionProgress& progress);

// Program-wide state of each model.
QString& ReceiveData(PrintControllerModel model);
std::int32_t& CommunicationErrorCount(PrintControllerModel model);

} // namespace marking::send
