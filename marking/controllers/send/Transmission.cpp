#include "controllers/send/Transmission.h"

#include "common/Cp949.h"
#include "common/MessagePort.h"
#include "common/ModDelayTime.h"
#include "controllers/EngineTypes.h"
#include "controllers/hvl5/Hvl5Engine.h"
#include "controllers/trx20/Trx20Engine.h"
#include "controllers/trx30/Trx30Engine.h"
#include "serial/CommLog.h"

#include <utility>

namespace marking::send {

namespace {

struct ModelState {
    QString receiveData;
    std::int32_t errorCount = 0;
};

ModelState& state(PrintControllerModel model) {
    static ModelState trx20, trx30, hvl5;
    switch (model) {
    case ControllerTRX30:
        return trx30;
    case ControllerHVL5:
        return hvl5;
    default:
        return trx20;
    }
}

bool& underWay() {
    static bool flag = false;
    return flag;
}

bool& cancelRequested() {
    static bool flag = false;
    return flag;
}

ProgressObserver& progressObserver() {
    static ProgressObserver observer;
    return observer;
}

PlcExchange& plcExchange() {
    static PlcExchange exchange;
    return exchange;
}

const QString& errorTitle() {
    static const QString t = QStringLiteral("통신에러!");
    return t;
}

controllers::FrameResult buildFrame(PrintControllerModel model, const QString& text) {
    switch (model) {
    case ControllerTRX30:
        return trx30::BuildFrame(text);
    case ControllerHVL5:
        return hvl5::BuildFrame(text);
    default:
        return trx20::BuildFrame(text);
    }
}

QString warningFor(const char* name) {
    return QStringLiteral("컴퓨터와 %1간의 통신이 정상적으로 이루어지지 않고 있습니다. "
                          "통신 상황을 체크하십시요.")
        .arg(QLatin1String(name));
}

// Clears the flag when the transmission ends, however it ends, and reports
// the end with its outcome.
struct UnderWayGuard {
    UnderWayGuard(const QString& what, const TransmissionReport& report)
        : what_(what)
        , report_(report) {
        underWay() = true;
    }
    ~UnderWayGuard() {
        underWay() = false;
        ReportProgress({what_, 0, false, report_.outcome});
    }
    UnderWayGuard(const UnderWayGuard&) = delete;
    UnderWayGuard& operator=(const UnderWayGuard&) = delete;

private:
    QString what_;
    const TransmissionReport& report_;
};

} // namespace

QString OutcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Ack:
        return QStringLiteral("ack");
    case Outcome::Failed:
        return QStringLiteral("failed");
    case Outcome::Cancelled:
        return QStringLiteral("cancelled");
    case Outcome::Refused:
        return QStringLiteral("refused");
    case Outcome::PortError:
        return QStringLiteral("port error");
    case Outcome::DataError:
        return QStringLiteral("data error");
    case Outcome::NoController:
        return QStringLiteral("no controller");
    }
    return {};
}

const ControllerProfile& Profile(PrintControllerModel model) {
    static const ControllerProfile trx20{ControllerTRX20,
                                         QStringLiteral("TRX-20"),
                                         QStringLiteral("ComTRX20"),
                                         QStringLiteral("9600,N,8,1"),
                                         512,
                                         10,
                                         warningFor("TRX-20")};
    static const ControllerProfile hvl5{ControllerHVL5,
                                        QStringLiteral("HVL-5"),
                                        QStringLiteral("ComHVL5"),
                                        QStringLiteral("9600,E,8,1"),
                                        1024,
                                        100,
                                        warningFor("HVL-5")};
    static const ControllerProfile trx30{ControllerTRX30,
                                         QStringLiteral("TRX-30"),
                                         QStringLiteral("ComTRX30"),
                                         QStringLiteral("9600,N,8,1"),
                                         1024,
                                         10,
                                         warningFor("TRX-30")};
    switch (model) {
    case ControllerHVL5:
        return hvl5;
    case ControllerTRX30:
        return trx30;
    default:
        return trx20;
    }
}

QString& ReceiveData(PrintControllerModel model) {
    return state(model).receiveData;
}

std::int32_t& CommunicationErrorCount(PrintControllerModel model) {
    return state(model).errorCount;
}

ProgressObserver SetProgressObserver(ProgressObserver observer) {
    return std::exchange(progressObserver(), std::move(observer));
}

void ReportProgress(const TransmissionProgress& progress) {
    // A copy: the observer may install another one while it runs.
    if (const ProgressObserver observer = progressObserver())
        observer(progress);
}

bool TransmissionUnderWay() {
    return underWay();
}

PlcExchange SetPlcExchange(PlcExchange exchange) {
    return std::exchange(plcExchange(), std::move(exchange));
}

bool PlcExchangeInstalled() {
    return bool(plcExchange().run);
}

void CancelTransmission() {
    if (underWay())
        cancelRequested() = true;
    if (plcExchange().cancel)
        plcExchange().cancel();
}

TransmissionReport Transmit(PrintControllerModel model, CommPort& port,
                            const TransmissionOptions& options) {
    const ControllerProfile& profile = Profile(model);
    TransmissionReport report;

    CommLogEntry log;
    log.port = port.objectName();
    log.comName = port.ComName();
    log.devicePath = port.DevicePath();
    log.what = profile.name;

    if (underWay()) {
        // A handler that ran during another transmission's wait: a second
        // frame now would overwrite the shared buffers of the first.
        report.outcome = Outcome::Refused;
        report.message = QStringLiteral("%1 전송이 진행 중이어서 새 전송을 시작하지 않았습니다.")
                             .arg(profile.name);
        log.outcome = QStringLiteral("refused");
        log.note = report.message;
        WriteCommLog(log);
        qCWarning(lcComm).noquote() << report.message;
        return report;
    }
    UnderWayGuard guard(profile.name, report);
    cancelRequested() = false;
    ModelState& st = state(model);
    SharedValues& shared = Shared();

    auto cleanUp = [&] {
        port.SetInBufferCount(0);
        shared.MarkingText.clear();
        st.receiveData.clear();
        shared.ControllerText.clear();
        st.errorCount = 0;
    };
    auto failWith = [&](Outcome outcome, const QString& message, const QByteArray& frame,
                        const QByteArray& reply) {
        SetLampIfAny(options.lamp, LampState::Red);
        report.outcome = outcome;
        report.message = message;
        log.attempt = report.attempts;
        log.frame = frame;
        log.reply = reply;
        log.outcome = OutcomeName(outcome);
        log.note = message;
        WriteCommLog(log);
        Messages().ShowMessage(message, errorTitle(), MessageIcon::Information);
        cleanUp();
        return report;
    };

    const QString controllerText = shared.ControllerText;
    const controllers::FrameResult frame = buildFrame(model, controllerText);
    if (!frame.ok)
        return failWith(Outcome::DataError,
                        QStringLiteral("%1 포트로 %2 데이터를 보내지 않았습니다: %3")
                            .arg(port.PortLabel(), profile.name, frame.error),
                        {}, {});

    for (;;) {
        shared.MarkingText.clear();
        st.receiveData.clear();
        // The frame buffer, as the rest of the program sees it.
        shared.MarkingText = cp949::Decode(frame.bytes);

        ReportProgress({profile.name, report.attempts + 1, true, Outcome::Ack});
        const CommResult written = port.OutputBytes(frame.bytes);
        if (!written)
            return failWith(Outcome::PortError, written.message, frame.bytes, {});
        ++report.attempts;
        report.frames.append(frame.bytes);

        ModDelayTime(0.5f);
        const DrainResult reply = DrainReply(port, options.drain);
        report.replies.append(reply.bytes);
        st.receiveData = QString::fromLatin1(reply.bytes);

        if (!port.PortOpen())
            return failWith(Outcome::PortError, port.LastError().message, frame.bytes, reply.bytes);

        log.attempt = report.attempts;
        log.frame = frame.bytes;
        log.reply = reply.bytes;
        log.note = reply.bounded ? QStringLiteral("reply cut at the drain limit") : QString();

        if (!st.receiveData.isEmpty() && st.receiveData.at(0) == QChar(controllers::kACK)) {
            SetLampIfAny(options.lamp, LampState::Green);
            st.errorCount = 0;
            report.outcome = Outcome::Ack;
            log.outcome = QStringLiteral("ack");
            WriteCommLog(log);
            if (options.plcExchange && model == ControllerTRX20 && plcExchange().run) {
                // A copy: the exchange lets window events run, and a handler
                // may install another one meanwhile.
                const std::function<void()> run = plcExchange().run;
                run();
            }
            cleanUp();
            return report;
        }

        SetLampIfAny(options.lamp, LampState::Red);
        ++st.errorCount;
        log.outcome = st.receiveData.isEmpty() ? QStringLiteral("no reply")
                      : st.receiveData.at(0) == QChar(controllers::kNAK) ? QStringLiteral("nak")
                                                                         : QStringLiteral("other");
        if (st.errorCount >= profile.maxFailures) {
            log.note = QStringLiteral("%1 failed frames: warning shown, transmission ended")
                           .arg(st.errorCount);
            WriteCommLog(log);
            st.errorCount = 0;
            report.outcome = Outcome::Failed;
            report.message = profile.warning;
            Messages().ShowMessage(profile.warning, errorTitle(), MessageIcon::Information);
            cleanUp();
            return report;
        }
        if (cancelRequested()) {
            log.note = QStringLiteral("cancelled");
            WriteCommLog(log);
            report.outcome = Outcome::Cancelled;
            cleanUp();
            return report;
        }
        WriteCommLog(log);
        port.SetInBufferCount(0);
    }
}

} // namespace marking::send
