#include "SerialTestSupport.h"

#include "common/MessagePort.h"
#include "common/SharedValues.h"
#include "run/CarvingLink.h"
#include "run/PlcLink.h"
#include "serial/CommunicationLamp.h"
#include "serial/MainPorts.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTimer>

using namespace marking;
using devsim::Device;
using devsim::DeviceSim;
using devsim::Script;
using serialtest::FastWait;
using serialtest::PumpUntil;
using serialtest::StartDevice;

namespace {
constexpr int kPlcCom = 4;
constexpr int kCarvingCom = 5;

const QString kPlcWarning = QStringLiteral(
    "컴퓨터와 PLC간의 통신이 정상적으로 이루어지지 않고 있습니다. 통신 상황을 체크하십시요");

QByteArray plcFrame() {
    return QByteArray("\x02") + kPlcFrameBody + "\x03";
}
} // namespace

class TestRunLinks : public QObject {
    Q_OBJECT
    std::unique_ptr<serialtest::Sandbox> sandbox_;
    std::unique_ptr<MainPorts> ports_;
    std::unique_ptr<ScopedPorts> portsScope_;
    ScriptedMessagePort messages_;
    std::unique_ptr<ScopedMessagePort> messagesScope_;
    RecordingLamp plcLamp_;
    std::unique_ptr<DeviceSim> plc_;

    void startPlc(const QString& scriptText) {
        plc_ = StartDevice(Device::PLC, kPlcCom, *Script::Parse(scriptText));
        Shared().ProgramSettings.PLCComPort = kPlcCom - 1;
        QVERIFY(OpenPlcPort().ok);
    }

private slots:
    void initTestCase() { sandbox_ = std::make_unique<serialtest::Sandbox>(); }

    void init() {
        ResetSharedValues();
        PLCCommunicationErrorCount() = 0;
        PLCSendData().clear();
        PLCReceiveData().clear();
        ports_ = std::make_unique<MainPorts>();
        portsScope_ = std::make_unique<ScopedPorts>(ports_.get());
        messages_.Clear();
        messagesScope_ = std::make_unique<ScopedMessagePort>(&messages_);
        plcLamp_.Clear();
        SetPlcLamp(&plcLamp_);
    }

    void cleanup() {
        SetPlcLamp(nullptr);
        messagesScope_.reset();
        portsScope_.reset();
        ports_.reset();
        plc_.reset();
        SetTimeOfDaySource({});
        SetEventPump({});
    }

    void plc_answers_data() {
        QTest::addColumn<QString>("scriptText");
        QTest::addColumn<int>("startCount");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("endCount");
        QTest::addColumn<int>("messages");
        QTest::addColumn<QList<LampState>>("lamps");
        const QList<LampState> none;
        QTest::newRow("GG at once")
            << "gg" << 7 << 1 << 0 << 0 << QList<LampState>{LampState::Green};
        QTest::newRow("NN twice then GG")
            << "nn:2" << 0 << 3 << 0 << 0
            << QList<LampState>{LampState::Red, LampState::Red, LampState::Green};
        // An answer shorter than 7 characters, none at all, or another one:
        // nothing changes and the exchange ends.
        QTest::newRow("short answer") << "short" << 5 << 1 << 5 << 0 << none;
        QTest::newRow("no answer") << "silent" << 5 << 1 << 5 << 0 << none;
        QTest::newRow("other answer") << "garbage" << 5 << 1 << 5 << 0 << none;
        // The count carries over between exchanges: the 100th in a row warns.
        QTest::newRow("NN reaching 100")
            << "nn:1" << 99 << 2 << 0 << 1 << QList<LampState>{LampState::Red, LampState::Green};
    }
    void plc_answers() {
        QFETCH(QString, scriptText);
        QFETCH(int, startCount);
        QFETCH(int, frames);
        QFETCH(int, endCount);
        QFETCH(int, messages);
        QFETCH(QList<LampState>, lamps);
        startPlc(scriptText);
        PLCCommunicationErrorCount() = startCount;
        CommPort& port = Ports().ComYNS7;
        FastWait fast([&] { return port.InBufferCount() > 0; });
        ModYNS7Communication();
        QVERIFY(plc_->WaitForFrames(frames, 1000));
        QTest::qWait(50);
        QCOMPARE(plc_->FrameCount(), frames);
        for (const QByteArray& f : plc_->FrameBytes())
            QCOMPARE(f, plcFrame());
        QCOMPARE(PLCCommunicationErrorCount(), endCount);
        QCOMPARE(messages_.Messages().size(), messages);
        QCOMPARE(plcLamp_.States(), lamps);
    }

    void plc_250NegativesThenGG_warnsTwice() {
        startPlc(QStringLiteral("nn:250"));
        CommPort& port = Ports().ComYNS7;
        FastWait fast([&] { return port.InBufferCount() > 0; });
        ModYNS7Communication();
        QVERIFY(plc_->WaitForFrames(251, 1000));
        QTest::qWait(50);
        QCOMPARE(plc_->FrameCount(), 251);
        QCOMPARE(messages_.Messages().size(), 2);
        for (const auto& m : messages_.Messages()) {
            QCOMPARE(m.text, kPlcWarning);
            QCOMPARE(m.title, QStringLiteral("통신에러!"));
            QCOMPARE(m.icon, MessageIcon::Information);
        }
        QCOMPARE(plcLamp_.Current(), LampState::Green);
        QCOMPARE(plcLamp_.States().count(LampState::Red), 250);
        QCOMPARE(PLCCommunicationErrorCount(), 0);
        QCOMPARE(PLCSendData(), QString());
        QCOMPARE(PLCReceiveData(), QString());
    }

    void plc_runScreenInactive_sendsNothing() {
        startPlc(QStringLiteral("gg"));
        Shared().RunScreenInactive = true;
        ModYNS7Communication();
        QTest::qWait(100);
        QCOMPARE(plc_->Frames().size(), 0);
        QVERIFY(plcLamp_.States().isEmpty());
    }

    void plc_leavingRunScreen_stopsRepetitionBeforeNextFrame() {
        startPlc(QStringLiteral("nn"));
        QTimer::singleShot(700, [] { Shared().RunScreenInactive = true; });
        ModYNS7Communication();
        const int sent = plc_->FrameCount();
        QVERIFY2(sent >= 1 && sent <= 3, qPrintable(QString::number(sent)));
        QTest::qWait(700);
        QCOMPARE(plc_->FrameCount(), sent);
        QVERIFY(messages_.Messages().isEmpty());
    }

    void plc_cancel_stopsRepetition() {
        startPlc(QStringLiteral("nn"));
        QTimer::singleShot(700, [] { CancelPlcExchange(); });
        ModYNS7Communication();
        const int sent = plc_->FrameCount();
        QVERIFY2(sent >= 1 && sent <= 3, qPrintable(QString::number(sent)));
        QTest::qWait(700);
        QCOMPARE(plc_->FrameCount(), sent);
    }

    void plc_portFaults_reportPathAndTurnLampRed_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("port never opened") << "closed";
        QTest::newRow("unplugged during the wait") << "unplug";
    }
    void plc_portFaults_reportPathAndTurnLampRed() {
        QFETCH(QString, fault);
        plc_ = StartDevice(Device::PLC, kPlcCom, *Script::Parse(QStringLiteral("silent")));
        const QString path = plc_->SlavePath();
        Shared().ProgramSettings.PLCComPort = kPlcCom - 1;
        if (fault == u"unplug") {
            QVERIFY(OpenPlcPort().ok);
            QTimer::singleShot(150, [&] { plc_->Unplug(); });
        } else {
            QVERIFY(Ports().ComYNS7.SetCommPort(kPlcCom).ok);
        }
        ModYNS7Communication();
        QCOMPARE(messages_.Messages().size(), 1);
        const QString text = messages_.Messages().front().text;
        QVERIFY2(text.contains(QStringLiteral("COM %1").arg(kPlcCom)), qPrintable(text));
        QVERIFY2(text.contains(path), qPrintable(text));
        QCOMPARE(plcLamp_.States(), QList<LampState>{LampState::Red});
    }

    void carving_twoBursts_receiveDataHoldsSecond() {
        auto carving = StartDevice(Device::Carving, kCarvingCom);
        Shared().ProgramSettings.CarvingMachineComPort = kCarvingCom - 1;
        CarvingLink link;
        QVERIFY(link.Open().ok);
        QSignalSpy events(&link.ComDRE40T, &CommPort::OnComm);
        carving->SendBurst("FIRST-BURST");
        QVERIFY(PumpUntil([&] { return link.ReceiveData == u"FIRST-BURST"; }, 3000));
        carving->SendBurst(QByteArray("2nd\xb0\xa1", 5));
        QVERIFY(PumpUntil([&] { return events.count() >= 2; }, 3000));
        QCOMPARE(events.count(), 2);
        QCOMPARE(link.ReceiveData, QString::fromLatin1("2nd\xb0\xa1"));
        QCOMPARE(link.ComDRE40T.InBufferCount(), 0);
        // Other events leave ReceiveData as it is.
        carving->Unplug();
        QVERIFY(PumpUntil([&] { return link.ComDRE40T.CommEvent() == comEventDeviceLost; }, 3000));
        QCOMPARE(link.ReceiveData, QString::fromLatin1("2nd\xb0\xa1"));
        // Nothing is ever sent to the carving machine.
        for (const auto& f : carving->Frames())
            QVERIFY(f.bytes.isEmpty());
    }

    void runScreenLinks_openWithStoredSettings_reportFailureOnce() {
        auto carving = StartDevice(Device::Carving, kCarvingCom);
        SetDevicePathForCom(kPlcCom, QStringLiteral("/dev/marking-no-plc"));
        {
            QSettings s(QStringLiteral("Marking Program"), QStringLiteral("Marking Program"));
            s.setValue(QStringLiteral("Ports/CarvingMachineSettings"),
                       QStringLiteral("19200,N,8,1"));
        }
        Shared().ProgramSettings.PLCComPort = kPlcCom - 1;
        Shared().ProgramSettings.CarvingMachineComPort = kCarvingCom - 1;
        CarvingLink link;
        const CommResult r = OpenRunScreenLinks(link);
        QVERIFY(!r.ok);
        QCOMPARE(messages_.Messages().size(), 1);
        QVERIFY(messages_.Messages().front().text.contains(QStringLiteral("/dev/marking-no-plc")));
        QVERIFY(messages_.Messages().front().text.contains(QStringLiteral("COM %1").arg(kPlcCom)));
        QVERIFY(!Ports().ComYNS7.PortOpen());
        QVERIFY(link.ComDRE40T.PortOpen());
        QCOMPARE(link.ComDRE40T.CommPortNumber(), kCarvingCom);
        QCOMPARE(link.ComDRE40T.Settings(), QStringLiteral("19200,N,8,1"));
        QCOMPARE(Ports().ComYNS7.Settings(), QStringLiteral("9600,N,8,1"));
    }
};

QTEST_MAIN(TestRunLinks)
#include "tst_runlinks.moc"
