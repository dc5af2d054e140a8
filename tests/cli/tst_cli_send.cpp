// markingctl send against simulated controllers on pseudo-terminals.
#include "devices/DeviceSim.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>

using devsim::Device;
using devsim::DeviceSim;
using devsim::Script;

namespace {
struct Run {
    int exitCode = -1;
    QJsonObject json;
    QByteArray err;
};

QString program(const char* name) {
    return QDir(qEnvironmentVariable("MARKING_PROGRAM_DIR")).filePath(QLatin1String(name));
}
} // namespace

class TestCliSend : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString db_;

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
        return env;
    }

    // Runs markingctl send; interruptAfterMs > 0 sends SIGINT after that long.
    Run send(const QStringList& args, int interruptAfterMs = 0) {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(program("markingctl"), QStringList{QStringLiteral("send")} + args);
        Run r;
        if (!p.waitForStarted(5000))
            return r;
        if (interruptAfterMs > 0) {
            QTest::qWait(interruptAfterMs);
            ::kill(static_cast<pid_t>(p.processId()), SIGINT);
        }
        if (!p.waitForFinished(90000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.json = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        r.err = p.readAllStandardError();
        return r;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        db_ = dir_.filePath(QStringLiteral("db"));
        QProcess init;
        init.start(program("markingctl"), {QStringLiteral("db"), QStringLiteral("init"), db_});
        QVERIFY(init.waitForFinished(30000));
        QCOMPARE(init.exitCode(), 0);
    }

    void send_acknowledged_printsFramesAndReplies_data() {
        QTest::addColumn<QString>("controller");
        QTest::addColumn<QString>("scriptText");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<QStringList>("replies");
        QTest::newRow("TRX-20 converted text")
            << "trx20"
            << "ack" << QStringLiteral("@1탄소강관") << QStringList{"02334031212324250342"}
            << QStringList{"06"};
        QTest::newRow("TRX-30 NAK then ACK")
            << "trx30"
            << "nak:2" << QStringLiteral("@4보")
            << QStringList{"023340342b03", "023340342b03", "023340342b03"}
            << QStringList{"15", "15", "06"};
        QTest::newRow("HVL-5 marker dropped") << "hvl5"
                                              << "ack" << QStringLiteral("AB↕C")
                                              << QStringList{"02324142430371"} << QStringList{"06"};
    }
    void send_acknowledged_printsFramesAndReplies() {
        QFETCH(QString, controller);
        QFETCH(QString, scriptText);
        QFETCH(QString, text);
        QFETCH(QStringList, frames);
        QFETCH(QStringList, replies);
        DeviceSim sim(*devsim::ParseDevice(controller), *Script::Parse(scriptText));
        QVERIFY(sim.Start());
        const Run r = send({QStringLiteral("--controller"), controller, QStringLiteral("--port"),
                            sim.SlavePath(), QStringLiteral("--db"), db_, text});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.json.value("outcome").toString(), QStringLiteral("ack"));
        QCOMPARE(r.json.value("attempts").toInt(), frames.size());
        QCOMPARE(r.json.value("frames").toVariant().toStringList(), frames);
        QCOMPARE(r.json.value("replies").toVariant().toStringList(), replies);
        QList<QByteArray> wire;
        for (const QString& f : frames)
            wire.append(QByteArray::fromHex(f.toLatin1()));
        QCOMPARE(sim.FrameBytes(), wire);
    }

    void send_comNumber_usesSettingsStore() {
        DeviceSim sim(Device::TRX30, *Script::Parse(QStringLiteral("ack")));
        QVERIFY(sim.Start());
        {
            qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.filePath(QStringLiteral("config"))));
            QSettings s(QStringLiteral("Marking Program"), QStringLiteral("Marking Program"));
            s.setValue(QStringLiteral("Ports/COM9"), sim.SlavePath());
        }
        const Run r = send({QStringLiteral("--controller"), QStringLiteral("trx30"),
                            QStringLiteral("--com"), QStringLiteral("9"), QStringLiteral("@1A")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.json.value("outcome").toString(), QStringLiteral("ack"));
        QCOMPARE(sim.FrameBytes(), QList<QByteArray>{QByteArray("\x02"
                                                                "3@1A\x03")});
    }

    void send_neverAcknowledged_failsAfterTenAttempts() {
        DeviceSim sim(Device::TRX20, *Script::Parse(QStringLiteral("nak")));
        QVERIFY(sim.Start());
        const Run r = send({QStringLiteral("--controller"), QStringLiteral("trx20"),
                            QStringLiteral("--port"), sim.SlavePath(), QStringLiteral("@1A")});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.json.value("outcome").toString(), QStringLiteral("failed"));
        QCOMPARE(r.json.value("attempts").toInt(), 10);
        QCOMPARE(r.json.value("replies").toArray().size(), 10);
        QCOMPARE(sim.FrameCount(), 10);
        QVERIFY(QString::fromLocal8Bit(r.err).contains(QStringLiteral("TRX-20")));
    }

    void send_interrupted_isCancelled() {
        DeviceSim sim(Device::HVL5, *Script::Parse(QStringLiteral("nak")));
        QVERIFY(sim.Start());
        const Run r =
            send({QStringLiteral("--controller"), QStringLiteral("hvl5"), QStringLiteral("--port"),
                  sim.SlavePath(), QStringLiteral("--db"), db_, QStringLiteral("A")},
                 1200);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.json.value("outcome").toString(), QStringLiteral("cancelled"));
        const int attempts = r.json.value("attempts").toInt();
        QVERIFY2(attempts >= 2 && attempts <= 4, qPrintable(QString::number(attempts)));
        QCOMPARE(sim.FrameCount(), attempts);
    }

    void send_badInput_isDataErrorAndSendsNothing_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("errorPart");
        QTest::newRow("unencodable text") << "" << QStringLiteral("@1Aé") << "é";
        QTest::newRow("missing device") << "/dev/marking-cli-missing"
                                        << "@1A"
                                        << "/dev/marking-cli-missing";
    }
    void send_badInput_isDataErrorAndSendsNothing() {
        QFETCH(QString, port);
        QFETCH(QString, text);
        QFETCH(QString, errorPart);
        DeviceSim sim(Device::TRX30, *Script::Parse(QStringLiteral("ack")));
        QVERIFY(sim.Start());
        const Run r =
            send({QStringLiteral("--controller"), QStringLiteral("trx30"), QStringLiteral("--port"),
                  port.isEmpty() ? sim.SlavePath() : port, text});
        QCOMPARE(r.exitCode, 3);
        QVERIFY2(r.json.value("error").toString().contains(errorPart),
                 qPrintable(r.json.value("error").toString()));
        QVERIFY(!r.json.contains("outcome"));
        QTest::qWait(50);
        QCOMPARE(sim.Frames().size(), 0);
    }

    // The station's rule check runs before the port is touched.
    void send_ruleCheck_refusedUnlessUnchecked_data() {
        QTest::addColumn<QString>("controller");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("unchecked");
        QTest::addColumn<QString>("errorPart"); // empty: sent
        QTest::newRow("empty text")
            << "trx20" << QString() << false << QStringLiteral("마킹 데이터를 입력하십시요.");
        QTest::newRow("no @") << "trx30" << QStringLiteral("ABC") << false
                              << QStringLiteral("첫번째 문자는 반드시 '@'");
        QTest::newRow("silent refusal")
            << "trx20" << QStringLiteral("@1ABC@2") << false << QStringLiteral("규칙 검사");
        QTest::newRow("unchecked still refuses a control character")
            << "trx20" << QStringLiteral("@1\003") << true << QStringLiteral("제어 문자");
        QTest::newRow("unchecked sends") << "trx30" << QStringLiteral("ABC") << true << QString();
        QTest::newRow("checked and sent")
            << "trx20" << QStringLiteral("@1ABC") << false << QString();
    }
    void send_ruleCheck_refusedUnlessUnchecked() {
        QFETCH(QString, controller);
        QFETCH(QString, text);
        QFETCH(bool, unchecked);
        QFETCH(QString, errorPart);
        DeviceSim sim(*devsim::ParseDevice(controller), *Script::Parse(QStringLiteral("ack")));
        QVERIFY(sim.Start());
        QStringList args{QStringLiteral("--controller"), controller,
                         QStringLiteral("--port"),       sim.SlavePath(),
                         QStringLiteral("--db"),         db_};
        if (unchecked)
            args << QStringLiteral("--unchecked");
        const Run r = send(args << QStringLiteral("--") << text);
        if (!errorPart.isEmpty()) {
            QCOMPARE(r.exitCode, 3);
            QVERIFY2(r.json.value("error").toString().contains(errorPart),
                     qPrintable(r.json.value("error").toString()));
            QCOMPARE(sim.Frames().size(), 0);
            return;
        }
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.json.value("unchecked").toBool(), unchecked);
        QCOMPARE(sim.FrameCount(), 1);
    }

    void send_dbFolderMissing_refusedAndNotMade() {
        DeviceSim sim(Device::TRX20, *Script::Parse(QStringLiteral("ack")));
        QVERIFY(sim.Start());
        const QString missing = dir_.filePath(QStringLiteral("no-such-station"));
        const Run r =
            send({QStringLiteral("--controller"), QStringLiteral("trx20"), QStringLiteral("--port"),
                  sim.SlavePath(), QStringLiteral("--db"), missing, QStringLiteral("@1A")});
        QCOMPARE(r.exitCode, 3);
        QVERIFY(r.json.value("error").toString().contains(missing));
        QVERIFY(!QFileInfo::exists(missing));
        QCOMPARE(sim.Frames().size(), 0);
    }

    void send_usageErrors_exit2_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no port") << QStringList{"--controller", "trx20", "A"};
        QTest::newRow("both ports")
            << QStringList{"--controller", "trx20", "--com", "1", "--port", "/dev/null", "A"};
        QTest::newRow("bad controller") << QStringList{"--controller", "trx99", "--com", "1", "A"};
        QTest::newRow("com out of range")
            << QStringList{"--controller", "trx20", "--com", "0", "A"};
        QTest::newRow("no text") << QStringList{"--controller", "trx20", "--com", "1"};
    }
    void send_usageErrors_exit2() {
        QFETCH(QStringList, args);
        const Run r = send(args);
        QCOMPARE(r.exitCode, 2);
    }
};

QTEST_MAIN(TestCliSend)
#include "tst_cli_send.moc"
