#include "SerialTestSupport.h"

#include "serial/CommLog.h"
#include "serial/LineSettings.h"
#include "serial/MainPorts.h"

#include <QFile>
#include <QSignalSpy>
#include <cerrno>
#include <cstring>

using namespace marking;
using devsim::Device;
using devsim::DeviceSim;
using devsim::Script;
using serialtest::PumpUntil;
using serialtest::StartDevice;

class TestCommPort : public QObject {
    Q_OBJECT
    std::unique_ptr<serialtest::Sandbox> sandbox_;

private slots:
    void initTestCase() { sandbox_ = std::make_unique<serialtest::Sandbox>(); }

    void lineSettings_parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("normalised");
        QTest::addColumn<double>("bits");
        QTest::newRow("controller") << "9600,N,8,1" << true << "9600,N,8,1" << 10.0;
        QTest::newRow("hvl5 even parity") << "9600,E,8,1" << true << "9600,E,8,1" << 11.0;
        QTest::newRow("lower case, blanks")
            << " 19200 , o , 7 , 2 " << true << "19200,O,7,2" << 11.0;
        QTest::newRow("one and a half") << "1200,M,5,1.5" << true << "1200,M,5,1.5" << 8.5;
        QTest::newRow("space parity") << "4800,S,6,1" << true << "4800,S,6,1" << 9.0;
        QTest::newRow("missing field") << "9600,N,8" << false << "" << 0.0;
        QTest::newRow("bad parity") << "9600,X,8,1" << false << "" << 0.0;
        QTest::newRow("bad data bits") << "9600,N,9,1" << false << "" << 0.0;
        QTest::newRow("bad stop bits") << "9600,N,8,3" << false << "" << 0.0;
        QTest::newRow("zero baud") << "0,N,8,1" << false << "" << 0.0;
        QTest::newRow("text baud") << "fast,N,8,1" << false << "" << 0.0;
        QTest::newRow("empty") << "" << false << "" << 0.0;
    }
    void lineSettings_parse() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, normalised);
        QFETCH(double, bits);
        const auto s = LineSettings::Parse(text);
        QCOMPARE(s.has_value(), valid);
        if (!valid)
            return;
        QCOMPARE(s->ToString(), normalised);
        QCOMPARE(s->BitsPerCharacter(), bits);
    }

    void lineTime_at9600_isOneMillisecondPerCharacter() {
        const auto s = LineSettings::Parse(QStringLiteral("9600,N,8,1"));
        QVERIFY(s);
        QCOMPARE(s->LineTimeUs(96), 100000);
    }

    void comMapping_defaultAndStoredPath() {
        QCOMPARE(DevicePathForCom(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(DevicePathForCom(10), QStringLiteral("/dev/ttyS9"));
        SetDevicePathForCom(4, QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(DevicePathForCom(4), QStringLiteral("/dev/ttyUSB0"));
        CommPort port(QStringLiteral("ComTest"));
        QVERIFY(port.SetCommPort(4));
        QCOMPARE(port.DevicePath(), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(port.PortLabel(), QStringLiteral("COM 4 (/dev/ttyUSB0)"));
        SetDevicePathForCom(4, {});
        QCOMPARE(DevicePathForCom(4), QStringLiteral("/dev/ttyS3"));
    }

    void setters_badValues_areErrors_data() {
        QTest::addColumn<int>("com");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("outBuffer");
        QTest::newRow("com 0") << 0 << "9600,N,8,1" << 512;
        QTest::newRow("com 256") << 256 << "9600,N,8,1" << 512;
        QTest::newRow("bad settings") << 1 << "9600;N;8;1" << 512;
        QTest::newRow("zero out buffer") << 1 << "9600,N,8,1" << 0;
    }
    void setters_badValues_areErrors() {
        QFETCH(int, com);
        QFETCH(QString, settings);
        QFETCH(int, outBuffer);
        CommPort port;
        const bool comOk = bool(port.SetCommPort(com));
        const bool settingsOk = bool(port.SetSettings(settings));
        const bool bufferOk = bool(port.SetOutBufferSize(outBuffer));
        QVERIFY(!(comOk && settingsOk && bufferOk));
        QVERIFY(!port.LastError().ok);
        QVERIFY(!port.LastError().message.isEmpty());
        // The old values stay.
        QCOMPARE(port.Settings(), QStringLiteral("9600,N,8,1"));
        QVERIFY(port.CommPortNumber() >= 1);
    }

    void open_missingDevice_namesComAndPath() {
        SetDevicePathForCom(7, QStringLiteral("/dev/marking-no-such-port"));
        CommPort port;
        QVERIFY(port.SetCommPort(7));
        const CommResult r = port.SetPortOpen(true);
        QVERIFY(!r.ok);
        QVERIFY2(r.message.contains(QStringLiteral("COM 7")), qPrintable(r.message));
        QVERIFY2(r.message.contains(QStringLiteral("/dev/marking-no-such-port")),
                 qPrintable(r.message));
        QVERIFY2(r.message.contains(QStringLiteral("장치 파일이 없습니다")), qPrintable(r.message));
        QVERIFY(!port.PortOpen());
        // Writing to the closed port is an error, not a crash.
        const CommResult w = port.Output(QStringLiteral("A"));
        QVERIFY(!w.ok);
        QVERIFY(w.message.contains(QStringLiteral("COM 7")));
    }

    void open_portHeldByAnotherProcess_isRefused() {
        auto sim = StartDevice(Device::Carving, 2);
        serialtest::PortHolder holder(sim->SlavePath());
        QVERIFY(holder.ok());
        CommPort port;
        QVERIFY(port.SetCommPort(2));
        const CommResult r = port.SetPortOpen(true);
        QVERIFY(!r.ok);
        QVERIFY2(r.message.contains(QStringLiteral("COM 2")), qPrintable(r.message));
        QVERIFY2(r.message.contains(sim->SlavePath()), qPrintable(r.message));
        QVERIFY2(r.message.contains(QStringLiteral("다른 프로그램")), qPrintable(r.message));
        QVERIFY(!port.PortOpen());
    }

    void open_failure_isWrittenToCommLog() {
        SetDevicePathForCom(4, QStringLiteral("/dev/marking-no-such-port-4"));
        QFile::remove(CommLogPath());
        CommPort port(QStringLiteral("ComTRX20"));
        QVERIFY(port.SetCommPort(4));
        QVERIFY(!port.SetPortOpen(true).ok);
        QFile f(CommLogPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString line = QString::fromUtf8(f.readAll());
        for (const char* part :
             {"ComTRX20 COM 4 /dev/marking-no-such-port-4", "open failed", "장치 파일이 없습니다"})
            QVERIFY2(line.contains(QString::fromUtf8(part)), qPrintable(line));
    }

    // A read that ends because the device hung up sets no error of its own:
    // whatever an earlier call left in errno must not become the reason.
    void unplug_reasonHasNoStaleSystemError() {
        auto sim = StartDevice(Device::Carving, 8);
        CommPort port;
        QVERIFY(port.SetCommPort(8));
        QVERIFY(port.SetPortOpen(true).ok);
        sim->Unplug();
        QVERIFY(PumpUntil(
            [&] {
                errno = EEXIST; // as left by making a folder that is there
                return port.CommEvent() == comEventDeviceLost;
            },
            3000));
        const QString stale = QString::fromLocal8Bit(std::strerror(EEXIST));
        QVERIFY2(!port.LastError().message.contains(stale), qPrintable(port.LastError().message));
        QVERIFY(port.LastError().message.contains(QStringLiteral("연결이 끊어졌습니다")));
    }

    void output_text_goesOutInCodePage949_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii frame") << QStringLiteral("\x02"
                                                       "3AB\x03")
                                     << QByteArray("\x02"
                                                   "3AB\x03");
        QTest::newRow("korean two bytes each") << QStringLiteral("가A")
                                               << QByteArray("\xb0\xa1"
                                                             "A");
        QTest::newRow("extension syllable") << QStringLiteral("똠") << QByteArray("\x8c\x63");
    }
    void output_text_goesOutInCodePage949() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        auto sim = StartDevice(Device::Carving, 3);
        CommPort port;
        QVERIFY(port.SetCommPort(3));
        QVERIFY(port.SetPortOpen(true).ok);
        QVERIFY(port.PortOpen());
        QVERIFY(port.Output(text).ok);
        QVERIFY(PumpUntil(
            [&] {
                QByteArray all;
                for (const auto& f : sim->Frames())
                    all += f.bytes;
                return all == bytes;
            },
            3000));
    }

    void output_unencodableText_sendsNothing() {
        auto sim = StartDevice(Device::Carving, 3);
        CommPort port;
        QVERIFY(port.SetCommPort(3));
        QVERIFY(port.SetPortOpen(true).ok);
        const CommResult r = port.Output(QStringLiteral("AB\u00e9C")); // é is not in the code page
        QVERIFY(!r.ok);
        QVERIFY2(r.message.contains(QStringLiteral("COM 3")), qPrintable(r.message));
        QVERIFY2(r.message.contains(QStringLiteral("보내지 않았습니다")), qPrintable(r.message));
        QVERIFY(port.Output(QStringLiteral("Z")).ok); // the port still works
        QVERIFY(PumpUntil([&] { return !sim->Frames().isEmpty(); }, 3000));
        QCOMPARE(sim->Frames().front().bytes, QByteArray("Z"));
    }

    void output_beyondOutBufferSize_sendsNothing() {
        auto sim = StartDevice(Device::Carving, 3);
        CommPort port;
        QVERIFY(port.SetCommPort(3));
        QVERIFY(port.SetOutBufferSize(8));
        QVERIFY(port.SetPortOpen(true).ok);
        const CommResult r = port.Output(QStringLiteral("123456789"));
        QVERIFY(!r.ok);
        QVERIFY(r.message.contains(QStringLiteral("송신 버퍼")));
        QVERIFY(port.Output(QStringLiteral("12345678")).ok);
        QVERIFY(PumpUntil([&] { return !sim->Frames().isEmpty(); }, 3000));
        QCOMPARE(sim->Frames().front().bytes, QByteArray("12345678"));
    }

    void open_evenParityOnPseudoTerminal_keepsAskedSettings() {
        auto sim = StartDevice(Device::HVL5, 3);
        QVERIFY(IsPseudoTerminal(sim->SlavePath()));
        QVERIFY(!IsPseudoTerminal(QStringLiteral("/dev/null")));
        CommPort port;
        QVERIFY(port.SetCommPort(3));
        QVERIFY(port.SetSettings(QStringLiteral("9600,E,8,1")).ok);
        QVERIFY2(port.SetPortOpen(true).ok, qPrintable(port.LastError().message));
        QCOMPARE(port.Settings(), QStringLiteral("9600,E,8,1"));
        QVERIFY(port.SetSettings(QStringLiteral("19200,O,8,2")).ok);
        QCOMPARE(port.Settings(), QStringLiteral("19200,O,8,2"));
    }

    void input_everyByteIsOneCharacter() {
        auto sim = StartDevice(Device::Carving, 5);
        CommPort port;
        QVERIFY(port.SetCommPort(5));
        QVERIFY(port.SetPortOpen(true).ok);
        const QByteArray burst("\x06\x15\xb0\xa1\xff"
                               "A",
                               6);
        sim->SendBurst(burst);
        QVERIFY(PumpUntil([&] { return port.InBufferCount() >= burst.size(); }, 3000));
        QCOMPARE(port.InBufferCount(), 6);
        const QString in = port.Input();
        QCOMPARE(in.size(), 6);
        for (int i = 0; i < burst.size(); ++i)
            QCOMPARE(in.at(i).unicode(), static_cast<unsigned char>(burst.at(i)));
        QCOMPARE(port.InBufferCount(), 0);
    }

    void inputLen_limitsOneRead() {
        auto sim = StartDevice(Device::Carving, 5);
        CommPort port;
        QVERIFY(port.SetCommPort(5));
        port.SetInputLen(2);
        QVERIFY(port.SetPortOpen(true).ok);
        sim->SendBurst("ABCDE");
        QVERIFY(PumpUntil([&] { return port.InBufferCount() >= 5; }, 3000));
        QCOMPARE(port.Input(), QStringLiteral("AB"));
        QCOMPARE(port.InBufferCount(), 3);
    }

    void inBufferCountZero_discardsWaitingBytes() {
        auto sim = StartDevice(Device::Carving, 5);
        CommPort port;
        QVERIFY(port.SetCommPort(5));
        QVERIFY(port.SetPortOpen(true).ok);
        sim->SendBurst("garbage");
        QVERIFY(PumpUntil([&] { return port.InBufferCount() >= 7; }, 3000));
        QVERIFY(port.SetInBufferCount(0).ok);
        QCOMPARE(port.InBufferCount(), 0);
        QCOMPARE(port.Input(), QString());
        QVERIFY(!port.SetInBufferCount(3).ok);
    }

    void onComm_receive_reportsEvent2() {
        auto sim = StartDevice(Device::Carving, 6);
        CommPort port;
        QVERIFY(port.SetCommPort(6));
        QVERIFY(port.SetPortOpen(true).ok);
        QSignalSpy spy(&port, &CommPort::OnComm);
        sim->SendBurst("xyz");
        QVERIFY(PumpUntil([&] { return spy.count() >= 1; }, 3000));
        QCOMPARE(port.CommEvent(), int(comEvReceive));
    }

    void reopen_closeThenOpen_keepsWorking() {
        auto sim = StartDevice(Device::Carving, 6);
        CommPort port;
        QVERIFY(port.SetCommPort(6));
        for (int i = 0; i < 3; ++i) {
            QVERIFY(port.SetPortOpen(false).ok);
            QVERIFY(!port.PortOpen());
            QVERIFY(port.SetPortOpen(true).ok);
            QVERIFY(port.PortOpen());
            QVERIFY(port.Output(QString::number(i)).ok);
        }
        QVERIFY(PumpUntil(
            [&] {
                QByteArray all;
                for (const auto& f : sim->Frames())
                    all += f.bytes;
                return all == "012";
            },
            3000));
    }

    void unplug_closesPortAndReportsPath() {
        auto sim = StartDevice(Device::Carving, 8);
        CommPort port(QStringLiteral("ComDRE40T"));
        QVERIFY(port.SetCommPort(8));
        QVERIFY(port.SetPortOpen(true).ok);
        QSignalSpy spy(&port, &CommPort::OnComm);
        const QString path = sim->SlavePath();
        sim->Unplug();
        QVERIFY(PumpUntil([&] { return port.CommEvent() == comEventDeviceLost; }, 3000));
        QVERIFY(!port.PortOpen());
        QVERIFY(port.LastError().message.contains(path));
        QVERIFY(port.LastError().message.contains(QStringLiteral("COM 8")));
        // The close happens at once: no storm of error events afterwards.
        QTest::qWait(100);
        QVERIFY2(spy.count() <= 2, qPrintable(QString::number(spy.count())));
        const CommResult w = port.Output(QStringLiteral("A"));
        QVERIFY(!w.ok);
        QVERIFY(w.message.contains(QStringLiteral("연결이 끊어져")));
        QCOMPARE(port.InBufferCount(), 0);
    }

    void unplug_thenOpenOnNewDevice_works() {
        auto sim = StartDevice(Device::Carving, 8);
        CommPort port;
        QVERIFY(port.SetCommPort(8));
        QVERIFY(port.SetPortOpen(true).ok);
        sim->Unplug();
        // Stop at the first sign of the loss, before the port's own close ran.
        QVERIFY(PumpUntil([&] { return !port.PortOpen(); }, 3000));
        auto replacement = StartDevice(Device::Carving, 8);
        QVERIFY2(port.SetPortOpen(true).ok, qPrintable(port.LastError().message));
        QVERIFY(port.PortOpen());
        QTest::qWait(50); // a close still queued from the loss must not hit the new device
        QVERIFY(port.PortOpen());
        QVERIFY(port.Output(QStringLiteral("again")).ok);
        QVERIFY(PumpUntil([&] { return !replacement->Frames().isEmpty(); }, 3000));
        QCOMPARE(replacement->Frames().front().bytes, QByteArray("again"));
    }

    void devsimProgram_separateProcess_answersAndLogs() {
        QProcess sim;
        sim.start(serialtest::DevsimProgram(),
                  {QStringLiteral("--device"), QStringLiteral("trx30"), QStringLiteral("--script"),
                   QStringLiteral("nak:1")});
        QVERIFY(sim.waitForStarted(5000));
        QVERIFY(sim.waitForReadyRead(5000));
        const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();
        QVERIFY2(path.startsWith(QStringLiteral("/dev/pts/")), qPrintable(path));
        CommPort port;
        port.SetDevicePath(path);
        QVERIFY(port.SetPortOpen(true).ok);
        QByteArray replies;
        for (int i = 0; i < 2; ++i) {
            QVERIFY(port.Output(QStringLiteral("\x02"
                                               "3A\x03"))
                        .ok);
            QVERIFY(PumpUntil([&] { return port.InBufferCount() > 0; }, 3000));
            replies += port.InputBytes();
        }
        QCOMPARE(replies, QByteArray("\x15\x06"));
        // A burst asked for on standard input.
        sim.write("burst 414243\n");
        QVERIFY(PumpUntil([&] { return port.InBufferCount() >= 3; }, 3000));
        QCOMPARE(port.Input(), QStringLiteral("ABC"));
        port.SetPortOpen(false);
        sim.write("quit\n");
        QVERIFY(sim.waitForFinished(5000));
        const QString log = QString::fromLocal8Bit(sim.readAllStandardError());
        QCOMPARE(log.count(QStringLiteral("TRX-30 frame rx 02 33 41 03")), 2);
        QVERIFY2(log.contains(QStringLiteral("answer 15")), qPrintable(log));
        QVERIFY2(log.contains(QStringLiteral("answer 06")), qPrintable(log));
    }

    void mainPorts_haveTheirNames() {
        MainPorts ports;
        ScopedPorts scope(&ports);
        QCOMPARE(&Ports(), &ports);
        QCOMPARE(Ports().ComTRX20.objectName(), QStringLiteral("ComTRX20"));
        QCOMPARE(Ports().ComHVL5.objectName(), QStringLiteral("ComHVL5"));
        QCOMPARE(Ports().ComTRX30.objectName(), QStringLiteral("ComTRX30"));
        QCOMPARE(Ports().ComYNS7.objectName(), QStringLiteral("ComYNS7"));
        QCOMPARE(Ports().ComMASTERK200H.objectName(), QStringLiteral("ComMASTERK200H"));
    }

    void commLog_writesLinesAndRotates() {
        QFile::remove(CommLogPath());
        CommLogEntry e;
        e.port = QStringLiteral("ComTRX30");
        e.comName = QStringLiteral("COM 2");
        e.devicePath = QStringLiteral("/dev/pts/9");
        e.what = QStringLiteral("TRX-30");
        e.attempt = 3;
        e.frame = QByteArray("\x02"
                             "3A\x03");
        e.reply = QByteArray("\x15");
        e.outcome = QStringLiteral("nak");
        WriteCommLog(e);
        QFile f(CommLogPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString line = QString::fromUtf8(f.readAll()).trimmed();
        f.close();
        for (const char* part : {"ComTRX30", "COM 2", "/dev/pts/9", "TRX-30", "attempt=3",
                                 "outcome=nak", "frame=[02 33 41 03]", "reply=[15]"})
            QVERIFY2(line.contains(QLatin1String(part)), qPrintable(line));

        SetCommLogMaxBytes(400);
        for (int i = 0; i < 12; ++i)
            WriteCommLog(e);
        SetCommLogMaxBytes(0);
        QVERIFY(QFile::exists(CommLogPath() + QStringLiteral(".1")));
        QVERIFY(QFileInfo(CommLogPath()).size() <= 400);
        QVERIFY(!QFile::exists(CommLogPath() + QStringLiteral(".%1").arg(CommLogKeptFiles + 1)));
    }
};

QTEST_MAIN(TestCommPort)
#include "tst_commport.moc"
