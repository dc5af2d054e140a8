#include "run/PlcLink.h"

#include "common/MessagePort.h"
#include "common/ModDelayTime.h"
#include "common/SharedValues.h"
#include "controllers/send/Transmission.h"
#include "serial/CommLog.h"
#include "serial/CommunicationLamp.h"
#include "serial/Drain.h"
#include "serial/MainPorts.h"
#include "serial/PortMap.h"

namespace marking {

namespace {
bool& cancelRequested() {
    static bool flag = false;
    return flag;
}

const QString& errorTitle() {
    static const QString t = QStringLiteral("통신에러!");
    return t;
}

void logExchange(CommPort& port, int attempt, const QByteArray& frame, const QByteArray& reply,
                 const QString& outcome, const QString& note = {}) {
    CommLogEntry e;
    e.port = port.objectName();
    e.comName = port.ComName();
    e.devicePath = port.DevicePath();
    e.what = QStringLiteral("PLC");
    e.attempt = attempt;
    e.frame = frame;
    e.reply = reply;
    e.outcome = outcome;
    e.note = note;
    WriteCommLog(e);
}
} // namespace

QString& PLCSendData() {
    static QString v;
    return v;
}

QString& PLCReceiveData() {
    static QString v;
    return v;
}

std::int32_t& PLCCommunicationErrorCount() {
    static std::int32_t v = 0;
    return v;
}

void CancelPlcExchange() {
    cancelRequested() = true;
}

void InstallPlcExchange() {
    send::SetPlcExchange({&ModYNS7Communication, &CancelPlcExchange});
}

void ModYNS7Communication() {
    CommPort& port = Ports().ComYNS7;
    cancelRequested() = false;
    int attempt = 0;
    for (;;) {
        if (Shared().RunScreenInactive)
            return;
        if (cancelRequested()) {
            logExchange(port, attempt, {}, {}, QStringLiteral("cancelled"));
            return;
        }
        ++attempt;
        send::ReportProgress({QStringLiteral("PLC"), attempt, true, send::Outcome::Ack});
        PLCSendData().clear();
        PLCReceiveData().clear();
        PLCSendData() = QChar(0x02) + QLatin1String(kPlcFrameBody) + QChar(0x03);
        const QByteArray frame = PLCSendData().toLatin1();
        const CommResult written = port.Output(PLCSendData());
        if (!written) {
            SetLampIfAny(PlcLamp(), LampState::Red);
            logExchange(port, attempt, frame, {}, QStringLiteral("port error"), written.message);
            Messages().ShowMessage(written.message, errorTitle(), MessageIcon::Information);
            PLCSendData().clear();
            return;
        }
        ModDelayTime(0.5f);
        const DrainResult reply = DrainReply(port);
        PLCReceiveData() = QString::fromLatin1(reply.bytes);
        const QString note =
            reply.bounded ? QStringLiteral("answer cut at the drain limit") : QString();
        if (!port.PortOpen()) {
            // The device went away during the wait.
            SetLampIfAny(PlcLamp(), LampState::Red);
            logExchange(port, attempt, frame, reply.bytes, QStringLiteral("port error"),
                        port.LastError().message);
            Messages().ShowMessage(port.LastError().message, errorTitle(),
                                   MessageIcon::Information);
            PLCSendData().clear();
            PLCReceiveData().clear();
            return;
        }
        const QString answer = PLCReceiveData().mid(5, 2);
        if (answer == u"GG") {
            SetLampIfAny(PlcLamp(), LampState::Green);
            PLCCommunicationErrorCount() = 0;
            port.SetInBufferCount(0);
            logExchange(port, attempt, frame, reply.bytes, QStringLiteral("GG"), note);
            PLCSendData().clear();
            PLCReceiveData().clear();
            return;
        }
        if (answer == u"NN") {
            SetLampIfAny(PlcLamp(), LampState::Red);
            ++PLCCommunicationErrorCount();
            QString shown;
            if (PLCCommunicationErrorCount() >= kPlcWarningEvery) {
                shown =
                    QStringLiteral("컴퓨터와 PLC간의 통신이 정상적으로 이루어지지 않고 있습니다. "
                                   "통신 상황을 체크하십시요");
                PLCCommunicationErrorCount() = 0;
            }
            logExchange(port, attempt, frame, reply.bytes, QStringLiteral("NN"),
                        shown.isEmpty() ? note : shown);
            if (!shown.isEmpty())
                Messages().ShowMessage(shown, errorTitle(), MessageIcon::Information);
            port.SetInBufferCount(0);
            PLCSendData().clear();
            PLCReceiveData().clear();
            continue;
        }
        // No answer, a short one or anything else: lamps and count stay.
        logExchange(port, attempt, frame, reply.bytes,
                    reply.bytes.isEmpty() ? QStringLiteral("no answer") : QStringLiteral("other"),
                    note);
        return;
    }
}

CommResult OpenPlcPort() {
    InstallPlcExchange();
    CommPort& port = Ports().ComYNS7;
    const int com = Shared().ProgramSettings.PLCComPort + 1;
    if (CommResult r = port.SetCommPort(com); !r)
        return r;
    if (CommResult r = port.SetSettings(
            PortSettingFromStore(QStringLiteral("PLCSettings"), QStringLiteral("9600,N,8,1")));
        !r)
        return r;
    port.SetInputLen(0);
    port.SetPortOpen(false);
    return port.SetPortOpen(true);
}

} // namespace marking
