#include "SerialTestSupport.h"

#include "common/MessagePort.h"
#include "common/SharedValues.h"
#include "controllers/send/ModDataSend.h"
#include "run/PlcLink.h"
#include "serial/CommLog.h"
#include "serial/CommunicationLamp.h"
#include "serial/MainPorts.h"

#include <QFile>
#include <QTimer>

using namespace marking;
using devsim::Device;
using devsim::DeviceSim;
using devsim::Script;
using send::Outcome;
using serialtest::FastWait;
using serialtest::StartDevice;

Q_DECLARE_METATYPE(PrintControllerModel)

namespace {

constexpr int kControllerCom = 2;
constexpr int kPlcCom = 3;

Device deviceFor(PrintControllerModel model) {
    switch (model) {
    case ControllerTRX30:
        return Device::TRX30;
    case ControllerHVL5:
        return Device::HVL5;
    default:
        return Device::TRX20;
    }
}

CommPort& portFor(PrintControllerModel model) {
    switch (model) {
    case ControllerTRX30:
        return Ports().ComTRX30;
    case ControllerHVL5:
        return Ports().ComHVL5;
    default:
        return Ports().ComTRX20;
    }
}

send::TransmissionReport sendWith(PrintControllerModel model) {
    switch (model) {
    case ControllerTRX30:
        return ModDataSendToTRX30();
    case ControllerHVL5:
        return ModDataSendToHVL5();
    default:
        return ModDataSendToTRX20();
    }
}

QString warningText(const char* name) {
    return QStringLiteral("컴퓨터와 %1간의 통신이 정상적으로 이루어지지 않고 있습니다. "
                          "통신 상황을 체크하십시요.")
        .arg(QLatin1String(name));
}

Script script(const char* text) {
    const auto s = Script::Parse(QLatin1String(text));
    if (!s)
        qFatal("bad script %s", text);
    return *s;
}

} // namespace

class TestTransmission : public QObject {
    Q_OBJECT
    std::unique_ptr<serialtest::Sandbox> sandbox_;
    std::unique_ptr<MainPorts> ports_;
    std::unique_ptr<ScopedPorts> portsScope_;
    ScriptedMessagePort messages_;
    std::unique_ptr<ScopedMessagePort> messagesScope_;
    RecordingLamp lamp_;
    RecordingLamp plcLamp_;
    std::unique_ptr<DeviceSim> controller_;
    std::unique_ptr<DeviceSim> plc_;

    // The controller of `model` on COM 2 with `s`, its port configured and
    // opened as the run screen does; the PLC on COM 3 answering "GG".
    void startController(PrintControllerModel model, const Script& s) {
        controller_ = StartDevice(deviceFor(model), kControllerCom, s);
        plc_ = StartDevice(Device::PLC, kPlcCom, script("gg"));
        Shared().ProgramSettings.PrintControler = model;
        Shared().ProgramSettings.PrintControlerComPort = kControllerCom - 1;
        Shared().ProgramSettings.PLCComPort = kPlcCom - 1;
        QVERIFY(ConfigureControllerPort().ok);
        QCOMPARE(ControllerPort(), &portFor(model));
        QVERIFY(ReopenControllerPort().ok);
        QVERIFY(OpenPlcPort().ok);
    }

    void verifyCleanedUp(PrintControllerModel model, bool deviceStillSending = false) {
        QCOMPARE(Shared().MarkingText, QString());
        QCOMPARE(Shared().ControllerText, QString());
        QCOMPARE(send::ReceiveData(model), QString());
        QCOMPARE(send::CommunicationErrorCount(model), 0);
        if (!deviceStillSending)
            QCOMPARE(portFor(model).InBufferCount(), 0);
        QVERIFY(!send::TransmissionUnderWay());
    }

private slots:
    void initTestCase() {
        sandbox_ = std::make_unique<serialtest::Sandbox>();
        qRegisterMetaType<PrintControllerModel>();
    }

    void init() {
        ResetSharedValues();
        ports_ = std::make_unique<MainPorts>();
        portsScope_ = std::make_unique<ScopedPorts>(ports_.get());
        messages_.Clear();
        messagesScope_ = std::make_unique<ScopedMessagePort>(&messages_);
        lamp_.Clear();
        plcLamp_.Clear();
        SetPrintControllerLamp(&lamp_);
        SetPlcLamp(&plcLamp_);
    }

    void cleanup() {
        SetPrintControllerLamp(nullptr);
        SetPlcLamp(nullptr);
        messagesScope_.reset();
        portsScope_.reset();
        ports_.reset();
        controller_.reset();
        plc_.reset();
        SetTimeOfDaySource({});
        SetEventPump({});
    }

    void frame_onTheWire_byteForByte_data() {
        QTest::addColumn<PrintControllerModel>("model");
        QTest::addColumn<QString>("controllerText");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("TRX-20 empty")
            << ControllerTRX20 << QString() << QByteArray("\x02\x33\x03\x30");
        QTest::newRow("TRX-20 !#$%") << ControllerTRX20 << QStringLiteral("!#$%")
                                     << QByteArray("\x02\x33\x21\x23\x24\x25\x03\x33");
        QTest::newRow("TRX-20 double-byte check") << ControllerTRX20 << QStringLiteral("가")
                                                  << QByteArray("\x02\x33\xb0\xa1\x03\xb0\x91");
        QTest::newRow("TRX-30 empty") << ControllerTRX30 << QString() << QByteArray("\x02\x33\x03");
        QTest::newRow("TRX-30 @4+")
            << ControllerTRX30 << QStringLiteral("@4+") << QByteArray("\x02\x33\x40\x34\x2b\x03");
        QTest::newRow("TRX-30 korean")
            << ControllerTRX30 << QStringLiteral("기A") << QByteArray("\x02\x33\xb1\xe2\x41\x03");
        QTest::newRow("HVL-5 ABC") << ControllerHVL5 << QStringLiteral("ABC")
                                   << QByteArray("\x02\x32\x41\x42\x43\x03\x71");
        QTest::newRow("HVL-5 empty")
            << ControllerHVL5 << QString() << QByteArray("\x02\x32\x03\x31");
    }
    void frame_onTheWire_byteForByte() {
        QFETCH(PrintControllerModel, model);
        QFETCH(QString, controllerText);
        QFETCH(QByteArray, wire);
        startController(model, script("ack"));
        Shared().ControllerText = controllerText;
        Shared().MarkingText = QStringLiteral("the text before conversion");
        const send::TransmissionReport r = sendWith(model);
        QCOMPARE(r.outcome, Outcome::Ack);
        QCOMPARE(r.attempts, 1);
        QCOMPARE(r.frames, QList<QByteArray>{wire});
        QCOMPARE(controller_->FrameBytes(), QList<QByteArray>{wire});
        QVERIFY(controller_->Frames().front().checkOk);
        QCOMPARE(r.replies, QList<QByteArray>{QByteArray("\x06")});
        QCOMPARE(lamp_.States(), QList<LampState>{LampState::Green});
        QVERIFY(messages_.Messages().isEmpty());
        verifyCleanedUp(model);
        // Only the TRX-20 hands over to the PLC.
        const QByteArray plcFrame = QByteArray("\x02") + kPlcFrameBody + "\x03";
        if (model == ControllerTRX20) {
            QCOMPARE(plc_->FrameBytes(), QList<QByteArray>{plcFrame});
            QCOMPARE(plcLamp_.States(), QList<LampState>{LampState::Green});
        } else {
            QCOMPARE(plc_->FrameCount(), 0);
            QVERIFY(plcLamp_.States().isEmpty());
        }
    }

    void trx20Ack_withoutPlcExchangeInstalled_endsAtTheAck() {
        startController(ControllerTRX20, script("ack"));
        const send::PlcExchange installed = send::SetPlcExchange({});
        QVERIFY(installed.run && installed.cancel);
        QVERIFY(!send::PlcExchangeInstalled());
        Shared().ControllerText = QStringLiteral("AB");
        const send::TransmissionReport r = ModDataSendToTRX20();
        QCOMPARE(r.outcome, Outcome::Ack);
        QTest::qWait(50);
        QCOMPARE(plc_->FrameCount(), 0);
        QVERIFY(plcLamp_.States().isEmpty());
        verifyCleanedUp(ControllerTRX20);
        send::CancelTransmission(); // nothing installed to cancel: no effect
        QVERIFY(OpenPlcPort().ok);  // installs it again
        QVERIFY(send::PlcExchangeInstalled());
        Shared().ControllerText = QStringLiteral("AB");
        QCOMPARE(ModDataSendToTRX20().outcome, Outcome::Ack);
        QCOMPARE(plcLamp_.States(), QList<LampState>{LampState::Green});
    }

    void nakThenAck_repeatsUntilAcknowledged_data() {
        QTest::addColumn<PrintControllerModel>("model");
        QTest::addColumn<int>("naks");
        QTest::newRow("TRX-20 two NAKs") << ControllerTRX20 << 2;
        QTest::newRow("TRX-30 two NAKs") << ControllerTRX30 << 2;
        QTest::newRow("HVL-5 two NAKs") << ControllerHVL5 << 2;
        QTest::newRow("TRX-30 nine NAKs") << ControllerTRX30 << 9;
    }
    void nakThenAck_repeatsUntilAcknowledged() {
        QFETCH(PrintControllerModel, model);
        QFETCH(int, naks);
        Script s = script("nak");
        s.negatives = naks;
        startController(model, s);
        QFile::remove(CommLogPath());
        CommPort& port = portFor(model);
        FastWait fast([&] { return port.InBufferCount() > 0; });
        Shared().ControllerText = QStringLiteral("AB12");
        const send::TransmissionReport r = sendWith(model);
        QCOMPARE(r.outcome, Outcome::Ack);
        QCOMPARE(r.attempts, naks + 1);
        QCOMPARE(controller_->FrameCount(), naks + 1);
        const QList<QByteArray> frames = controller_->FrameBytes();
        for (const QByteArray& f : frames)
            QCOMPARE(f, frames.front()); // the unchanged text every time
        QList<LampState> expected(naks, LampState::Red);
        expected.append(LampState::Green);
        QCOMPARE(lamp_.States(), expected);
        QVERIFY(messages_.Messages().isEmpty());
        verifyCleanedUp(model);

        // One traffic log line per attempt, with its number and outcome.
        QFile f(CommLogPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString log = QString::fromUtf8(f.readAll());
        const QString name = send::Profile(model).name;
        for (int i = 1; i <= naks; ++i)
            QVERIFY2(log.contains(QStringLiteral("%1 attempt=%2 outcome=nak").arg(name).arg(i)),
                     qPrintable(log));
        QVERIFY2(log.contains(QStringLiteral("%1 attempt=%2 outcome=ack").arg(name).arg(naks + 1)),
                 qPrintable(log));
        QVERIFY(log.contains(controller_->SlavePath()));
    }

    // The TRX-30 that never answers, in real time: ten attempts 0.5 s apart.
    void trx30_neverAnswers_tenAttemptsThenOneMessage() {
        startController(ControllerTRX30, script("silent"));
        Shared().ControllerText = QStringLiteral("@3[");
        const send::TransmissionReport r = ModDataSendToTRX30();
        QCOMPARE(r.outcome, Outcome::Failed);
        QCOMPARE(r.attempts, 10);
        QVERIFY(controller_->WaitForFrames(10, 1000));
        QTest::qWait(100);
        QCOMPARE(controller_->FrameCount(), 10);
        QCOMPARE(messages_.Messages().size(), 1);
        QCOMPARE(messages_.Messages().front().text, warningText("TRX-30"));
        QCOMPARE(messages_.Messages().front().title, QStringLiteral("통신에러!"));
        QCOMPARE(messages_.Messages().front().icon, MessageIcon::Information);
        QCOMPARE(lamp_.Current(), LampState::Red);
        QCOMPARE(lamp_.States().size(), 10);
        verifyCleanedUp(ControllerTRX30);
    }

    void failingController_boundedWithOneMessage_data() {
        QTest::addColumn<PrintControllerModel>("model");
        QTest::addColumn<QString>("scriptText");
        QTest::addColumn<int>("attempts");
        // The TRX-20's reply is evaluated: a NAK is not a success.
        QTest::newRow("TRX-20 NAK for ever") << ControllerTRX20 << "nak" << 10;
        QTest::newRow("TRX-20 silent") << ControllerTRX20 << "silent" << 10;
        QTest::newRow("TRX-30 garbage") << ControllerTRX30 << "garbage" << 10;
        QTest::newRow("TRX-30 endless stream") << ControllerTRX30 << "stream" << 10;
        QTest::newRow("HVL-5 NAK for ever") << ControllerHVL5 << "nak" << 100;
        QTest::newRow("HVL-5 garbage") << ControllerHVL5 << "garbage" << 100;
    }
    void failingController_boundedWithOneMessage() {
        QFETCH(PrintControllerModel, model);
        QFETCH(QString, scriptText);
        QFETCH(int, attempts);
        startController(model, *Script::Parse(scriptText));
        CommPort& port = portFor(model);
        FastWait fast([&] { return port.InBufferCount() > 0; });
        Shared().ControllerText = QStringLiteral("XY");
        const send::TransmissionReport r = sendWith(model);
        QCOMPARE(r.outcome, Outcome::Failed);
        QCOMPARE(r.attempts, attempts);
        QVERIFY(controller_->WaitForFrames(attempts, 2000));
        QTest::qWait(50);
        QCOMPARE(controller_->FrameCount(), attempts);
        for (const QByteArray& reply : r.replies)
            QVERIFY(reply.size() <= 4096 + 4096); // the drain ends on an endless stream
        QCOMPARE(messages_.Messages().size(), 1);
        QCOMPARE(messages_.Messages().front().text,
                 warningText(send::Profile(model).name.toLatin1().constData()));
        QCOMPARE(lamp_.Current(), LampState::Red);
        QVERIFY(!lamp_.States().contains(LampState::Green));
        QCOMPARE(plc_->FrameCount(), 0); // no PLC exchange without an ACK
        controller_->StopStream();
        verifyCleanedUp(model, scriptText == u"stream");
    }

    void hvl5_cancel_endsAfterCurrentAttempt() {
        startController(ControllerHVL5, script("nak"));
        Shared().ControllerText = QStringLiteral("ABC");
        QTimer::singleShot(1200, [] { send::CancelTransmission(); });
        const send::TransmissionReport r = ModDataSendToHVL5();
        QCOMPARE(r.outcome, Outcome::Cancelled);
        QVERIFY2(r.attempts >= 2 && r.attempts <= 4, qPrintable(QString::number(r.attempts)));
        QTest::qWait(700);
        QCOMPARE(controller_->FrameCount(), r.attempts); // nothing more after the cancel
        QVERIFY(messages_.Messages().isEmpty());
        QCOMPARE(lamp_.Current(), LampState::Red);
        verifyCleanedUp(ControllerHVL5);
        // A cancel with nothing running does not stop the next transmission.
        send::CancelTransmission();
        controller_->SetScript(script("ack"));
        Shared().ControllerText = QStringLiteral("ABC");
        QCOMPARE(ModDataSendToHVL5().outcome, Outcome::Ack);
    }

    void secondStartDuringWait_isRefusedAndLogged() {
        startController(ControllerTRX30, script("ack@100"));
        QFile::remove(CommLogPath());
        Shared().ControllerText = QStringLiteral("FIRST");
        send::TransmissionReport second;
        bool ran = false;
        QTimer::singleShot(150, [&] {
            // A second press of the start button while the first waits.
            Shared().ControllerText = QStringLiteral("SECOND");
            second = ModDataSendToTRX30();
            ran = true;
        });
        const send::TransmissionReport first = ModDataSendToTRX30();
        QVERIFY(ran);
        QCOMPARE(second.outcome, Outcome::Refused);
        QCOMPARE(second.attempts, 0);
        QCOMPARE(first.outcome, Outcome::Ack);
        QTest::qWait(100);
        QCOMPARE(controller_->FrameBytes(), QList<QByteArray>{QByteArray("\x02"
                                                                         "3FIRST\x03")});
        QVERIFY(messages_.Messages().isEmpty());
        QFile f(CommLogPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(f.readAll()).contains(QStringLiteral("outcome=refused")));
    }

    void sendToPrintController_convertsAndSends_data() {
        QTest::addColumn<PrintControllerModel>("model");
        QTest::addColumn<QString>("markingText");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("TRX-20") << ControllerTRX20 << QStringLiteral("탄소강관")
                                << QByteArray("\x02\x33\x21\x23\x24\x25\x03\x33");
        QTest::newRow("TRX-30") << ControllerTRX30 << QStringLiteral("@3가@1가")
                                << QByteArray("\x02"
                                              "3@3[@1[\x03");
    }
    void sendToPrintController_convertsAndSends() {
        QFETCH(PrintControllerModel, model);
        QFETCH(QString, markingText);
        QFETCH(QByteArray, wire);
        startController(model, script("ack"));
        Ports().ComTRX20.SetPortOpen(false);
        Ports().ComTRX30.SetPortOpen(false);
        const send::TransmissionReport r = SendToPrintController(markingText);
        QCOMPARE(r.outcome, Outcome::Ack);
        QCOMPARE(controller_->FrameBytes(), QList<QByteArray>{wire});
        QCOMPARE(lamp_.Current(), LampState::Green);
        verifyCleanedUp(model);
    }

    void sendToPrintController_noController_sendsNothing() {
        Shared().ProgramSettings.PrintControler = 3;
        const send::TransmissionReport r = SendToPrintController(QStringLiteral("ABC"));
        QCOMPARE(r.outcome, Outcome::NoController);
        QVERIFY(lamp_.States().isEmpty());
        QVERIFY(messages_.Entries().isEmpty());
    }

    void sendToPrintController_duringTransmission_touchesNothing() {
        startController(ControllerTRX30, script("ack@100"));
        Shared().ControllerText = QStringLiteral("FIRST");
        send::TransmissionReport second;
        QString controllerTextSeen;
        QTimer::singleShot(150, [&] {
            second = SendToPrintController(QStringLiteral("SECOND"));
            controllerTextSeen = Shared().ControllerText;
        });
        const send::TransmissionReport first = ModDataSendToTRX30();
        QCOMPARE(second.outcome, Outcome::Refused);
        QCOMPARE(controllerTextSeen, QStringLiteral("FIRST"));
        QCOMPARE(first.outcome, Outcome::Ack); // the port was not reopened under it
        QCOMPARE(controller_->FrameBytes(), QList<QByteArray>{QByteArray("\x02"
                                                                         "3FIRST\x03")});
    }

    void sendToPrintController_portDoesNotOpen_oneMessageRedLamp() {
        SetDevicePathForCom(kControllerCom, QStringLiteral("/dev/marking-send-missing"));
        Shared().ProgramSettings.PrintControler = ControllerTRX20;
        Shared().ProgramSettings.PrintControlerComPort = kControllerCom - 1;
        QVERIFY(ConfigureControllerPort().ok);
        const send::TransmissionReport r = SendToPrintController(QStringLiteral("ABC"));
        QCOMPARE(r.outcome, Outcome::PortError);
        QCOMPARE(messages_.Messages().size(), 1);
        QVERIFY(messages_.Messages().front().text.contains(
            QStringLiteral("/dev/marking-send-missing")));
        QVERIFY(messages_.Messages().front().text.contains(
            QStringLiteral("COM %1").arg(kControllerCom)));
        QCOMPARE(lamp_.States(), QList<LampState>{LampState::Red});
    }

    void unencodableText_sendsNothing() {
        startController(ControllerTRX30, script("ack"));
        Shared().ControllerText = QStringLiteral("A\u00e9B");
        const send::TransmissionReport r = ModDataSendToTRX30();
        QCOMPARE(r.outcome, Outcome::DataError);
        QCOMPARE(r.attempts, 0);
        QTest::qWait(100);
        QCOMPARE(controller_->Frames().size(), 0);
        QCOMPARE(messages_.Messages().size(), 1);
        const QString text = messages_.Messages().front().text;
        QVERIFY2(text.contains(QStringLiteral("COM %1").arg(kControllerCom)), qPrintable(text));
        QVERIFY2(text.contains(controller_->SlavePath()), qPrintable(text));
        QCOMPARE(lamp_.Current(), LampState::Red);
        verifyCleanedUp(ControllerTRX30);
    }

    void portFaults_reportComAndPath_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("no such device") << "missing";
        QTest::newRow("held by another process") << "held";
    }
    void portFaults_reportComAndPath() {
        QFETCH(QString, fault);
        controller_ = StartDevice(Device::TRX30, kControllerCom, script("ack"));
        std::unique_ptr<serialtest::PortHolder> holder;
        QString path = controller_->SlavePath();
        if (fault == u"missing") {
            path = QStringLiteral("/dev/marking-test-missing");
            SetDevicePathForCom(kControllerCom, path);
        } else {
            holder = std::make_unique<serialtest::PortHolder>(path);
            QVERIFY(holder->ok());
        }
        Shared().ProgramSettings.PrintControler = ControllerTRX30;
        Shared().ProgramSettings.PrintControlerComPort = kControllerCom - 1;
        QVERIFY(ConfigureControllerPort().ok);
        const CommResult opened = ReopenControllerPort();
        QVERIFY(!opened.ok);
        QVERIFY2(opened.message.contains(path), qPrintable(opened.message));
        Shared().ControllerText = QStringLiteral("ABC");
        const send::TransmissionReport r = ModDataSendToTRX30();
        QCOMPARE(r.outcome, Outcome::PortError);
        QCOMPARE(r.attempts, 0);
        QCOMPARE(messages_.Messages().size(), 1);
        const QString text = messages_.Messages().front().text;
        QVERIFY2(text.contains(QStringLiteral("COM %1").arg(kControllerCom)), qPrintable(text));
        QVERIFY2(text.contains(path), qPrintable(text));
        QCOMPARE(lamp_.Current(), LampState::Red);
        QCOMPARE(controller_->Frames().size(), 0);
        verifyCleanedUp(ControllerTRX30);
    }

    void unpluggedDuringWait_endsWithMessage() {
        startController(ControllerTRX30, script("silent"));
        const QString path = controller_->SlavePath();
        QTimer::singleShot(200, [&] { controller_->Unplug(); });
        Shared().ControllerText = QStringLiteral("ABC");
        const send::TransmissionReport r = ModDataSendToTRX30();
        QCOMPARE(r.outcome, Outcome::PortError);
        QCOMPARE(r.attempts, 1);
        QCOMPARE(messages_.Messages().size(), 1);
        const QString text = messages_.Messages().front().text;
        QVERIFY2(text.contains(path), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("COM %1").arg(kControllerCom)), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("끊어졌습니다")), qPrintable(text));
        QCOMPARE(lamp_.Current(), LampState::Red);
        QVERIFY(!Ports().ComTRX30.PortOpen());
        verifyCleanedUp(ControllerTRX30);
    }

    void configure_selectsPortBySettings_data() {
        QTest::addColumn<int>("controller");
        QTest::addColumn<QString>("portName");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("outBuffer");
        QTest::newRow("TRX-20") << 0 << "ComTRX20"
                                << "9600,N,8,1" << 512;
        QTest::newRow("HVL-5") << 1 << "ComHVL5"
                               << "9600,E,8,1" << 1024;
        QTest::newRow("TRX-30") << 2 << "ComTRX30"
                                << "9600,N,8,1" << 1024;
        QTest::newRow("none") << 3 << ""
                              << "" << 0;
    }
    void configure_selectsPortBySettings() {
        QFETCH(int, controller);
        QFETCH(QString, portName);
        QFETCH(QString, settings);
        QFETCH(int, outBuffer);
        Shared().ProgramSettings.PrintControler = static_cast<std::int16_t>(controller);
        Shared().ProgramSettings.PrintControlerComPort = 4;
        QVERIFY(ConfigureControllerPort().ok);
        CommPort* port = ControllerPort();
        if (portName.isEmpty()) {
            QVERIFY(!port);
            QVERIFY(!ReopenControllerPort().ok);
            return;
        }
        QVERIFY(port);
        QCOMPARE(port->objectName(), portName);
        QCOMPARE(port->CommPortNumber(), 5);
        QCOMPARE(port->Settings(), settings);
        QCOMPARE(port->InputLen(), 0);
        QCOMPARE(port->OutBufferSize(), outBuffer);
    }
};

QTEST_MAIN(TestTransmission)
#include "tst_transmission.moc"
