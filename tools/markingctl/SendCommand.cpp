// markingctl send: checks and converts a text and runs the controller's
// transmission on a serial port, the same code the run screen runs (without
// its lamps and without the PLC exchange), for a maintenance engineer testing
// a controller. A text the station's rule check refuses is not sent, unless
// --unchecked asks for it.
#include "Commands.h"

#include "common/Cp949.h"
#include "common/MessagePort.h"
#include "common/ProgramDirectory.h"
#include "common/SharedValues.h"
#include "controllers/hvl5/Hvl5Engine.h"
#include "controllers/hvl5/SpecialLetterStore.h"
#include "controllers/send/ModDataSend.h"
#include "controllers/trx20/Trx20Engine.h"
#include "controllers/trx30/Trx30Engine.h"
#include "serial/CommPort.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace markingctl {

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &b, 1);
}

// Turns SIGINT and SIGTERM into a cancel of the running transmission: the
// handler only writes to a pipe; the cancel runs on this thread during the
// transmission's waits.
class CancelOnSignal {
public:
    CancelOnSignal() {
        if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier_, &QSocketNotifier::activated, [] {
            char buf[16];
            while (::read(signalPipe[0], buf, sizeof buf) > 0) {
            }
            marking::send::CancelTransmission();
        });
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, &oldInt_);
        sigaction(SIGTERM, &sa, &oldTerm_);
    }
    ~CancelOnSignal() {
        if (!notifier_)
            return;
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
        delete notifier_;
        ::close(signalPipe[0]);
        ::close(signalPipe[1]);
    }
    CancelOnSignal(const CancelOnSignal&) = delete;
    CancelOnSignal& operator=(const CancelOnSignal&) = delete;

private:
    QSocketNotifier* notifier_ = nullptr;
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

// Messages of the transmission go to standard error.
class StderrMessagePort : public marking::ScriptedMessagePort {
public:
    void ShowMessage(const QString& text, const QString& title,
                     marking::MessageIcon icon) override {
        std::fprintf(stderr, "markingctl send: %s %s\n", qPrintable(title), qPrintable(text));
        ScriptedMessagePort::ShowMessage(text, title, icon);
    }
};

// The controller's rule check, as the marking settings screen runs it.
marking::controllers::RuleCheckResult ruleCheck(marking::PrintControllerModel model,
                                                const QString& text) {
    switch (model) {
    case marking::ControllerTRX20:
        return marking::trx20::RuleCheck(text, 1);
    case marking::ControllerTRX30:
        return marking::trx30::RuleCheck(text, 1);
    default:
        return marking::hvl5::RuleCheck(text);
    }
}

QJsonArray hexList(const QList<QByteArray>& list) {
    QJsonArray out;
    for (const QByteArray& b : list)
        out.append(marking::cp949::Hex(b));
    return out;
}

} // namespace

int CmdSend(const QStringList& argv) {
    const Args args(argv,
                    {QStringLiteral("controller"), QStringLiteral("com"), QStringLiteral("port"),
                     QStringLiteral("db")},
                    {QStringLiteral("unchecked")});
    const QString name = args.value(QStringLiteral("controller"));
    marking::PrintControllerModel model;
    if (name == u"trx20")
        model = marking::ControllerTRX20;
    else if (name == u"trx30")
        model = marking::ControllerTRX30;
    else if (name == u"hvl5")
        model = marking::ControllerHVL5;
    else
        throw UsageError{QStringLiteral("--controller takes trx20, trx30 or hvl5")};
    if (args.has(QStringLiteral("com")) == args.has(QStringLiteral("port")))
        throw UsageError{QStringLiteral("give exactly one of --com N and --port PATH")};
    const int com =
        args.has(QStringLiteral("com")) ? args.intValue(QStringLiteral("com"), 1, 255) : 1;
    const QString path = args.value(QStringLiteral("port"), QString());
    if (args.has(QStringLiteral("port")) && path.isEmpty())
        throw UsageError{QStringLiteral("--port takes a device path")};
    const QString text = args.text();
    const bool unchecked = args.has(QStringLiteral("unchecked"));
    const QString directory =
        args.value(QStringLiteral("db"), QCoreApplication::applicationDirPath());
    // The traffic log goes into the folder: it must be there already.
    if (!QFileInfo(directory).isDir())
        return DataError(QStringLiteral("%1: 폴더가 없습니다.").arg(directory));
    marking::SetProgramDirectory(directory);

    if (!unchecked) {
        const auto check = ruleCheck(model, text);
        if (!check.passed)
            return DataError(
                check.hasMessage()
                    ? check.message
                    : QStringLiteral("마킹 데이터가 규칙 검사를 통과하지 못했습니다."));
    }

    marking::controllers::ConversionResult converted;
    switch (model) {
    case marking::ControllerTRX20:
        converted = marking::trx20::Convert(text);
        break;
    case marking::ControllerTRX30:
        converted = marking::trx30::Convert(text);
        break;
    default: {
        auto rows = marking::hvl5::ReadSpecialLetters(directory);
        if (!rows)
            return DataError(rows.error().Text());
        converted = marking::hvl5::Convert(
            text, marking::hvl5::SpecialLetterTable(std::move(rows.value())));
        break;
    }
    }
    if (!converted.ok)
        return DataError(converted.error);

    marking::CommPort port(marking::send::Profile(model).portName);
    if (const auto r = marking::ConfigureControllerPort(model, port, com); !r)
        return DataError(r.message);
    if (!path.isEmpty())
        port.SetDevicePath(path);
    if (const auto r = port.SetPortOpen(true); !r)
        return DataError(r.message);

    StderrMessagePort messages;
    marking::ScopedMessagePort messageScope(&messages);
    CancelOnSignal cancel;
    marking::Shared().MarkingText = text;
    marking::Shared().ControllerText = converted.text;
    const marking::send::TransmissionReport report =
        marking::send::Transmit(model, port, marking::send::TransmissionOptions{});
    port.SetPortOpen(false);

    using marking::send::Outcome;
    switch (report.outcome) {
    case Outcome::Ack:
    case Outcome::Failed:
    case Outcome::Cancelled:
        break;
    default:
        return DataError(report.message);
    }
    PrintJson(QJsonObject{{QStringLiteral("outcome"), marking::send::OutcomeName(report.outcome)},
                          {QStringLiteral("unchecked"), unchecked},
                          {QStringLiteral("attempts"), report.attempts},
                          {QStringLiteral("frames"), hexList(report.frames)},
                          {QStringLiteral("replies"), hexList(report.replies)}});
    return report.outcome == Outcome::Ack ? ExitOk : ExitOutcome;
}

} // namespace markingctl
