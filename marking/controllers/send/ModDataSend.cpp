#include "controllers/send/ModDataSend.h"

#include "common/MessagePort.h"
#include "controllers/hvl5/Hvl5Modules.h"
#include "controllers/trx20/Trx20Modules.h"
#include "controllers/trx30/Trx30Modules.h"
#include "serial/CommLog.h"
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

send::TransmissionReport SendToPrintController(const QString& markingText) {
    send::TransmissionReport report;
    CommPort* port = ControllerPort();
    if (!port) {
        report.outcome = send::Outcome::NoController;
        return report;
    }
    const auto model = static_cast<PrintControllerModel>(Shared().ProgramSettings.PrintControler);
    if (send::TransmissionUnderWay())
        return send::Transmit(model, *port, {}); // refused and logged, nothing touched

    if (const CommResult opened = ReopenControllerPort(); !opened) {
        SetLampIfAny(PrintControllerLamp(), LampState::Red);
        CommLogEntry log;
        log.port = port->objectName();
        log.comName = port->ComName();
        log.devicePath = port->DevicePath();
        log.what = send::Profile(model).name;
        log.outcome = QStringLiteral("port error");
        log.note = opened.message;
        WriteCommLog(log);
        Messages().ShowMessage(opened.message, QStringLiteral("통신에러!"),
                               MessageIcon::Information);
        report.outcome = send::Outcome::PortError;
        report.message = opened.message;
        return report;
    }
    Shared().MarkingText = markingText;
    bool converted = false;
    switch (model) {
    case ControllerTRX20:
        converted = ModTRX20DataConversion();
        break;
    case ControllerHVL5:
        converted = ModHVL5DataConversion();
        break;
    default:
        converted = ModTRX30DataConversion();
        break;
    }
    if (!converted) {
        SetLampIfAny(PrintControllerLamp(), LampState::Red);
        Shared().MarkingText.clear();
        Shared().ControllerText.clear();
        report.outcome = send::Outcome::DataError;
        return report;
    }
    switch (model) {
    case ControllerTRX20:
        return ModDataSendToTRX20();
    case ControllerHVL5:
        return ModDataSendToHVL5();
    default:
        return ModDataSendToTRX30();
    }
}

} // namespace marking
