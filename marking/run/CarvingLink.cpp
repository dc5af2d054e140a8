#include "run/CarvingLink.h"

#include "common/MessagePort.h"
#include "common/SharedValues.h"
#include "run/PlcLink.h"
#include "serial/PortMap.h"

namespace marking {

CarvingLink::CarvingLink(QObject* parent)
    : QObject(parent) {
    connect(&ComDRE40T, &CommPort::OnComm, this, &CarvingLink::ComDRE40T_OnComm);
}

void CarvingLink::ComDRE40T_OnComm() {
    if (ComDRE40T.CommEvent() != comEvReceive)
        return;
    while (ComDRE40T.InBufferCount() >= 1) {
        ReceiveData = ComDRE40T.Input();
        ComDRE40T.SetInBufferCount(0);
    }
}

CommResult CarvingLink::Open() {
    const int com = Shared().ProgramSettings.CarvingMachineComPort + 1;
    if (CommResult r = ComDRE40T.SetCommPort(com); !r)
        return r;
    if (CommResult r = ComDRE40T.SetSettings(PortSettingFromStore(
            QStringLiteral("CarvingMachineSettings"), QStringLiteral("9600,N,8,1")));
        !r)
        return r;
    ComDRE40T.SetInputLen(0);
    ComDRE40T.SetPortOpen(false);
    return ComDRE40T.SetPortOpen(true);
}

CommResult OpenRunScreenLinks(CarvingLink& carving) {
    QStringList failures;
    if (const CommResult r = OpenPlcPort(); !r)
        failures.append(r.message);
    if (const CommResult r = carving.Open(); !r)
        failures.append(r.message);
    if (failures.isEmpty())
        return CommResult::Ok();
    const QString message = failures.join(u'\n');
    Messages().ShowMessage(message, QStringLiteral("통신에러!"), MessageIcon::Information);
    return CommResult::Error(message);
}

} // namespace marking
