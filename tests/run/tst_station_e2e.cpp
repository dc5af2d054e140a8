// The station end to end: the program's screens in the main window (a text
// registered and added as work on the marking settings screen), the
// simulated print controller, PLC and carving machine on pseudo-terminals,
// the line simulator playing the line through the board's socket, and the
// work recorded in Report.mdb with "작업 완료".
#include "RunTestSupport.h"
#include "SerialTestSupport.h"

#include "common/MessagePort.h"
#include "common/widgets/ScreenBehaviour.h"
#include "daqsim.h"
#include "run/screen/FomMarkingStateDisplay.h"
#include "serial/MainPorts.h"
#include "shell/MFomMain.h"
#include "shell/StartUp.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

using namespace marking;
using namespace runtest;
using devsim::Device;

namespace {

QByteArray trx20Frame(const QByteArray& text) {
    const QByteArray body = "\x02"
                            "3" +
                            text + "\x03";
    return body + devsim::CheckCharacter(body);
}

// Runs marking-linesim against the board's socket to its end.
int linesim(const QString& socket, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(qEnvironmentVariable("MARKING_PROGRAM_DIR") + "/marking-linesim",
            QStringList{"--socket", socket, "--wait", "10"} + args);
    if (!p.waitForStarted(5000))
        return -1;
    // The station's events keep coming while the simulator runs.
    if (!serialtest::PumpUntil([&] { return p.state() == QProcess::NotRunning; }, 30000))
        return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

class TestStationEndToEnd : public QObject {
    Q_OBJECT
    std::unique_ptr<Environment> env_;

private slots:
    void initTestCase() {
        env_ = std::make_unique<Environment>();
        env_->Set("Options/WorkReport", true);
        shell::RegisterDeliveredScreens();
    }

    void oneWork_fromTheListToTheReport() {
        ProgramDir dir;
        ScriptedMessagePort messages;
        ScopedMessagePort messagesInForce(&messages);
        QCOMPARE(daqsim_reset(), DAQ_OK);
        const QString socket = dir.file("board.sock");
        QCOMPARE(daqsim_server_start(QFile::encodeName(socket).constData()), DAQ_OK);
        const auto controller = serialtest::StartDevice(Device::TRX20, 1);
        const auto carving = serialtest::StartDevice(Device::Carving, 2);
        const auto plc = serialtest::StartDevice(Device::PLC, 3);

        shell::MFomMain window;
        QVERIFY(window.Load(false));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* run = qobject_cast<run::FomMarkingStateDisplay*>(
            window.ExistingScreen(ScreenId::MarkingStateDisplay));
        QVERIFY(run);
        QCOMPARE(window.VisibleScreen()->objectName(), QStringLiteral("FomInformation"));
        QVERIFY(!window.TmrComCheck->isActive());
        QVERIFY(messages.Entries().isEmpty());                // no question at program start
        QVERIFY(window.MnuReport->menuAction()->isEnabled()); // the work report option

        // On the marking settings screen, from the keyboard: the text
        // registered (F4), chosen again by its number (F8), and added as work
        // of team B (F7).
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QWidget* setting = window.VisibleScreen();
        QCOMPARE(setting->objectName(), QStringLiteral("FomMarkingSetting"));
        auto field = [&](const char* name) { return setting->findChild<QLineEdit*>(name); };
        auto type = [&](const char* name, const QString& text) {
            field(name)->setFocus();
            QTest::keyClicks(field(name), text);
        };
        type("TxtData", "@1ksd3507");
        QTest::keyClick(field("TxtData"), Qt::Key_F4);
        type("TxtSelectNumber", "1");
        QTest::keyClick(field("TxtSelectNumber"), Qt::Key_F8);
        QCOMPARE(field("TxtData")->text(), QStringLiteral("@1KSD3507"));
        type("TxtLength", "12000");
        type("TxtPi", "100");
        type("TxtPipeVolume", "10");
        setting->findChild<QComboBox*>("CboWorkTeam")->setCurrentIndex(1);
        QTest::keyClick(field("TxtLength"), Qt::Key_F7);
        QCOMPARE(messages.Messages().size(), 2);
        QCOMPARE(messages.Messages().last().text,
                 QStringLiteral("마킹 작업에 정상적으로 추가되었습니다."));
        QCOMPARE(Rows(store::Table::MarkingWork).size(), 1);
        messages.Clear();

        // F3 and "예": the text at the controller, then the PLC frame.
        messages.QueueAnswers({Answer::Yes});
        QTest::keyClick(&window, Qt::Key_F3);
        QCOMPARE(window.VisibleScreen(), run);
        QTRY_COMPARE(plc->FrameCount(), 1);
        QCOMPARE(messages.Questions().size(), 1);
        QCOMPARE(controller->FrameBytes(), QList<QByteArray>{trx20Frame("@1KSD3507")});
        QCOMPARE(plc->FrameBytes().constFirst(), QByteArray("\x02"
                                                            "00FFBW5M0955011"
                                                            "\x03"));
        QVERIFY(plc->Frames().constFirst().steadyNs > controller->Frames().constFirst().steadyNs);
        QTRY_VERIFY(run->imgGreen->isVisible());
        QTRY_VERIFY(run->ImgPLCCommunicationStateGreen->isVisible());
        QVERIFY(window.TmrComCheck->isActive());

        // Automatic mode, seen by the one-second poll; then three pipes.
        QCOMPARE(linesim(socket, {"--auto"}), 0);
        QTRY_COMPARE(BackgroundOf(run->StatePanel("SSPanel39")), kStateOnColor);
        QCOMPARE(linesim(socket, {"--auto", "--pipes", "3", "--rate", "10"}), 0);
        QTRY_COMPARE(run->TxtWorkVolume->text(), QStringLiteral("6"));

        // "작업 완료": the work in the report, the list empty.
        messages.QueueAnswers({Answer::Yes});
        QTest::keyClick(run->ScmdMarkingWorkStart, Qt::Key_F5);
        QTRY_COMPARE(ReportRows().size(), 1);
        const QVariantHash row = ReportRows().first();
        QCOMPARE(row.value("R_Data").toString(), QStringLiteral("@1KSD3507"));
        QCOMPARE(row.value("R_WorkVolume").toInt(), 6);
        QCOMPARE(row.value("R_WorkTeam").toInt(), 1);
        QCOMPARE(row.value("R_MarkingMethod").toString(), QStringLiteral("단마킹"));
        QCOMPARE(row.value("R_Date").toString(), QDate::currentDate().toString(Qt::ISODate));
        QVERIFY(Rows(store::Table::MarkingWork).isEmpty());
        QTRY_COMPARE(messages.Messages().size(), 1);
        QCOMPARE(messages.Messages().first().text,
                 QStringLiteral("마킹 작업 내역 데이터가 존재하지 않습니다."));

        // Leaving the run screen stops the poll and resets the count.
        QTest::keyClick(&window, Qt::Key_H, Qt::ControlModifier);
        QVERIFY(!window.TmrComCheck->isActive());
        QCOMPARE(run->TxtWorkVolume->text(), QStringLiteral("0"));
        daqsim_server_stop();
    }
};

QTEST_MAIN(TestStationEndToEnd)
#include "tst_station_e2e.moc"
