#include "controllers/send/ModDataSend.h"

#include "serial/MainPorts.h"

namespace marking {

namespace {
send::TransmissionReport sendTo(PrintControllerModel model, CommPort& port) {
    send::TransmissionOptions options;
    options.lamp = PrintControllerLamp();
    options.plcExchange = model == ControllerTRX20;
    return send::Transmit(model, port, options);
}
} // namespace

send::TransmissionReport ModDataSendToTRX20() {
    return sendTo(ControllerTRX20, Ports().ComTRX20);
}

send::TransmissionReport ModDataSendToTRX30() {
    return sendTo(ControllerTRX30, Ports().ComTRX30);
}

send::TransmissionReport ModDataSendToHVL5() {
    return sendTo(ControllerHVL5, Ports().ComHVL5);
}

QString& TRX20ReceiveData() {
    return send::ReceiveData(ControllerTRX20);
}
std::int32_t& TRX20CommunicationErrorCount() {
    return send::CommunicationErrorCount(ControllerTRX20);
}
QString& TRX30ReceiveData() {
    return send::ReceiveData(ControllerTRX30);
}
std::int32_t& TRX30CommunicationErrorCount() {
    return send::CommunicationErrorCount(ControllerTRX30);
}
QString& HVL5ReceiveData() {
    return send::ReceiveData(ControllerHVL5);
}
std::int32_t& HVL5CommunicationErrorCount() {
    return send::CommunicationErrorCount(ControllerHVL5);
}

CommPort* ControllerPort() {
    switch (Shared().ProgramSettings.PrintControler) {
    case ControllerTRX20:
        return &Ports().ComTRX20;
    case ControllerHVL5:
        return &Ports().ComHVL5;
    case ControllerTRX30:
        return &Ports().ComTRX30;
    default:
        return nullptr;
    }
}

CommResult ConfigureControllerPort(PrintControllerModel model, CommPort& port, int com) {
    const send::ControllerProfile& profile = send::Profile(model);
    if (CommResult r = port.SetCommPort(com); !r)
        return r;
    if (CommResult r = port.SetSettings(profile.settings); !r)
        return r;
    port.SetInputLen(0);
    return port.SetOutBufferSize(profile.outBufferSize);
}

CommResult ConfigureControllerPort() {
    CommPort* port = ControllerPort();
    if (!port)
        return CommResult::Ok();
    const auto model = static_cast<PrintControllerModel>(Shared().ProgramSettings.PrintControler);
    return ConfigureControllerPort(model, *port,
                                   Shared().ProgramSettings.PrintControlerComPort + 1);
}

CommResult ReopenControllerPort() {
    CommPort* port = ControllerPort();
    if (!port)
        return CommResult::Error(QStringLiteral("인쇄 제어기 %1번은 없어 포트를 열지 않았습니다.")
                                     .arg(Shared().ProgramSettings.PrintControler));
    if (port->PortOpen())
        port->SetPortOpen(false);
    return port->SetPortOpen(true);
}

} // namespace marking
