// marking-linesim playing the line on the simulated board of this process:
// the edges and levels that reach the board, refused options and scripts, and
// a station that is not there or goes away.

#include "daqsim.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kGenerousMs = 20000;

// An open handle of device 0 with DI interrupts armed on rising edges of inputs 0 and 1,
// as the run screen arms them.
struct Armed {
    DaqHandle h = 0;
    Armed() {
        if (DRV_DeviceOpen(0, &h) != DAQ_OK)
            return;
        const uint8_t rising[2] = {0x03, 0};
        DRV_DeviceSetProperty(h, DAQ_PROP_DI_RISING_EDGE_MASKS, rising, 2);
        for (uint32_t ch : {0u, 1u})
            MvxDioEnableEventAndSpecifyDiPorts(h, DAQ_EVENT_DI_INTERRUPT + ch, 0, 1);
    }
    ~Armed() {
        if (h)
            DRV_DeviceClose(&h);
    }
    // The channels of the next `count` input events, in order ("0,1,..."); fewer if they
    // do not come in time.
    QString Edges(int count, int waitMs = kGenerousMs) {
        QStringList got;
        QElapsedTimer clock;
        clock.start();
        while (got.size() < count && clock.elapsed() < waitMs) {
            uint16_t id = 0;
            DaqCheckEvent ce{&id, 100};
            if (DRV_CheckEvent(h, &ce) == DAQ_OK && id != DAQ_EVENT_NONE)
                got << QString::number(id - DAQ_EVENT_DI_INTERRUPT);
        }
        return got.join(u',');
    }
};

int port0() {
    uint8_t v = 0xFF;
    daqsim_get_di_port(0, 0, &v);
    return v;
}

} // namespace

class TestLineSim : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void play_edgesAndLevelsReachTheBoard_data();
    void play_edgesAndLevelsReachTheBoard();
    void badOptionOrScript_refusedBeforeConnecting_data();
    void badOptionOrScript_refusedBeforeConnecting();
    void noStation_boundedWaitThenExit1();
    void stationGoesAway_waitsAndSetsTheLevelsAgain_data();
    void stationGoesAway_waitsAndSetsTheLevelsAgain();

private:
    void Start(QProcess& p, QStringList args, const QString& script = {});

    QTemporaryDir dir_;
    QString socket_;
};

void TestLineSim::init() {
    QCOMPARE(daqsim_reset(), DAQ_OK);
    socket_ = dir_.filePath(QStringLiteral("line.sock"));
    QCOMPARE(daqsim_server_start(socket_.toLocal8Bit().constData()), DAQ_OK);
}

void TestLineSim::cleanup() {
    daqsim_server_stop();
}

void TestLineSim::Start(QProcess& p, QStringList args, const QString& script) {
    if (!script.isEmpty()) {
        QFile f(dir_.filePath(QStringLiteral("line.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(script.toUtf8());
        args << QStringLiteral("--script") << f.fileName();
    }
    p.setWorkingDirectory(dir_.path());
    p.start(qEnvironmentVariable("MARKING_PROGRAM_DIR") + QStringLiteral("/marking-linesim"),
            QStringList{QStringLiteral("--socket"), socket_} + args);
    QVERIFY2(p.waitForStarted(), qPrintable(p.errorString()));
}

void TestLineSim::play_edgesAndLevelsReachTheBoard_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QByteArray>("keys"); // on standard input, with -i
    QTest::addColumn<QString>("edges");
    QTest::addColumn<int>("levels"); // DI port 0 at the end

    QTest::newRow("auto, 3 pipes") << QStringList{"--auto", "--pipes", "3", "--rate", "50"}
                                   << QString() << QByteArray() << "0,1,0,1,0,1" << 0x08;
    // Forward rising is an input-0 edge of its own; the pipe leaves forward on.
    QTest::newRow("manual, forward, two faults")
        << QStringList{"--manual", "--forward", "--fault", "2", "--fault", "vsk", "--pipes", "1"}
        << QString() << QByteArray() << "0,0,1" << 0x15;
    QTest::newRow("script") << QStringList()
                            << "auto # mode\nfault paint on\n\npipes 2 40\nmanual\n"
                            << QByteArray() << "0,1,0,1" << 0x20;
    QTest::newRow("keys") << QStringList{"-i"} << QString() << QByteArray("a6p5\n5q") << "0,1"
                          << 0x48;
}

void TestLineSim::play_edgesAndLevelsReachTheBoard() {
    QFETCH(QStringList, args);
    QFETCH(QString, script);
    QFETCH(QByteArray, keys);
    QFETCH(QString, edges);
    QFETCH(int, levels);
    Armed armed;
    QVERIFY(armed.h);
    QProcess p;
    Start(p, args, script);
    if (!keys.isEmpty()) {
        p.write(keys);
        QVERIFY(p.waitForBytesWritten(kGenerousMs));
    }
    p.closeWriteChannel();
    QCOMPARE(armed.Edges(static_cast<int>(edges.count(u',')) + 1), edges);
    QVERIFY(p.waitForFinished(kGenerousMs));
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    QCOMPARE(port0(), levels);
    QCOMPARE(armed.Edges(1, 300), QString()); // nothing more
}

void TestLineSim::badOptionOrScript_refusedBeforeConnecting_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("message");
    QTest::newRow("no pipes") << QStringList() << "auto\npipes 0"
                              << "line.txt:2: pipe count '0' is not a whole number above 0";
    QTest::newRow("mode is no fault") << QStringList() << "fault 3 on"
                                      << "line.txt:1: no fault '3': the fault inputs are 2";
    QTest::newRow("after repeat") << QStringList() << "wait 1\nrepeat\n# end\nauto"
                                  << "line.txt:4: nothing may follow 'repeat'";
    QTest::newRow("repeat unpaced") << QStringList() << "auto\nrepeat"
                                    << "line.txt:2: 'repeat' needs a wait or pipes";
    QTest::newRow("unknown") << QStringList() << "auto\njump 3"
                             << "unknown command 'jump'";
    QTest::newRow("wait not a number") << QStringList() << "wait soon"
                                       << "usage: wait SECONDS";
    QTest::newRow("rate 0") << QStringList{"--rate", "0", "--auto"} << QString()
                            << "--rate: usage: rate";
    QTest::newRow("fault 7") << QStringList{"--fault", "7"} << QString() << "--fault: no fault '7'";
    QTest::newRow("auto and manual") << QStringList{"--auto", "--manual"} << QString()
                                     << "--auto and --manual exclude each other";
    QTest::newRow("nothing to do") << QStringList() << QString() << "nothing to do";
}

void TestLineSim::badOptionOrScript_refusedBeforeConnecting() {
    QFETCH(QStringList, args);
    QFETCH(QString, script);
    QFETCH(QString, message);
    QProcess p;
    Start(p, args, script);
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished(kGenerousMs));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(err.contains(message), qPrintable(err));
    QCOMPARE(p.exitCode(), 2);
    QCOMPARE(port0(), 0);
}

void TestLineSim::noStation_boundedWaitThenExit1() {
    daqsim_server_stop();
    QProcess p;
    Start(p, {"--auto", "--wait", "0.6"});
    QVERIFY(p.waitForFinished(kGenerousMs));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QCOMPARE(p.exitCode(), 1);
    QVERIFY2(err.contains("waiting up to 0.6 s for the station's board socket " + socket_),
             qPrintable(err));
    QVERIFY2(err.contains("no station answered on " + socket_ + " within 0.6 s"), qPrintable(err));
}

void TestLineSim::stationGoesAway_waitsAndSetsTheLevelsAgain_data() {
    QTest::addColumn<bool>("comesBack");
    QTest::newRow("comes back") << true;
    QTest::newRow("stays away") << false;
}

void TestLineSim::stationGoesAway_waitsAndSetsTheLevelsAgain() {
    QFETCH(bool, comesBack);
    QProcess p;
    {
        Armed armed;
        Start(p, {"--auto", "--fault", "cleaner", "--pipes", "forever", "--rate", "20", "--wait",
                  comesBack ? "20" : "0.5"});
        QCOMPARE(armed.Edges(2), QString("0,1"));
    }
    // The station ends; a new one starts with a fresh board.
    daqsim_server_stop();
    QCOMPARE(daqsim_reset(), DAQ_OK);
    QCOMPARE(port0(), 0);
    if (!comesBack) {
        QVERIFY(p.waitForFinished(kGenerousMs));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(p.readAllStandardError().contains("did not come back on " + socket_.toLocal8Bit()));
        return;
    }
    Armed armed;
    QCOMPARE(daqsim_server_start(socket_.toLocal8Bit().constData()), DAQ_OK);
    QTRY_COMPARE_WITH_TIMEOUT(port0() & 0xFC, 0x48, kGenerousMs); // pipes pass on 0 and 1
    const QString edges = armed.Edges(4);
    QVERIFY2(edges.count(u',') == 3 && edges.contains("0,1"), qPrintable(edges));
    p.kill();
    p.waitForFinished();
    const QByteArray err = p.readAllStandardError();
    QVERIFY2(err.contains("the station went away"), err.constData());
}

QTEST_GUILESS_MAIN(TestLineSim)
#include "tst_linesim.moc"
