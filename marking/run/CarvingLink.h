#pragma once

#include "serial/CommPort.h"

#include <QObject>
#include <QString>

namespace marking {

// The carving machine side of the run screen: the port ComDRE40T, whose
// received bytes are collected in ReceiveData. Nothing is ever sent to the
// carving machine. The run screen owns one. User-interface thread only.
class CarvingLink : public QObject {
    Q_OBJECT
public:
    explicit CarvingLink(QObject* parent = nullptr);

    CommPort ComDRE40T{QStringLiteral("ComDRE40T")};

    // The bytes received at the last receive event, one character per byte.
    QString ReceiveData;

    // Handler of ComDRE40T's OnComm: on a receive event (2) the waiting bytes
    // replace ReceiveData and the receive buffer is emptied; every other event
    // is ignored.
    void ComDRE40T_OnComm();

    // Opens ComDRE40T on COM (ProgramSettings.CarvingMachineComPort + 1) with
    // the line settings of the settings store ("Ports" /
    // "CarvingMachineSettings", "9600,N,8,1").
    CommResult Open();
};

// Opens the run screen's device links at its load: ComYNS7 (the PLC, see
// OpenPlcPort) and the carving port. A failure does not stop the other; all
// failures are shown in one message (title "통신에러!") and returned. User-interface thread only.
CommResult OpenRunScreenLinks(CarvingLink& carving);

} // namespace marking
