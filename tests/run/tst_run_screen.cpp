// The run screen on the simulated board, with simulated devices on
// pseudo-terminals: entry, display, send, the line's panels and pipe count,
// the saved DIO state, the work save, a repeating transmission.
#include "RunTestSupport.h"
#include "ScreenTablesCheck.h"
#include "SerialTestSupport.h"

#include "central/Sender.h"
#include "common/MessagePort.h"
#include "common/widgets/ScreenHost.h"
#include "daqsim.h"
#include "run/screen/FomMarkingStateDisplay.h"
#include "serial/MainPorts.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace marking;
using namespace marking::run;
using namespace runtest;
using devsim::Device;
using devsim::DeviceSim;

namespace {

QByteArray trx20Frame(const QByteArray& text) {
    const QByteArray body = "\x02"
                            "3" +
                            text + "\x03";
    return body + devsim::CheckCharacter(body);
}
const QByteArray kPlcFrame = "\x02"
                             "00FFBW5M0955011"
                             "\x03";

devsim::Script script(const char* text) {
    return *devsim::Script::Parse(QLatin1String(text));
}

QString colourName(QWidget* w) {
    const QColor c = BackgroundOf(w);
    return c == kStateOnColor      ? "green"
           : c == kStateAlarmColor ? "red"
           : c == kStateOffColor   ? "grey"
                                   : c.name();
}

// One station: program directory, port set, message port, the three devices
// and the run screen.
struct Station {
    ProgramDir dir;
    MainPorts ports;
    ScopedPorts portsInForce{&ports};
    ScriptedMessagePort messages;
    ScopedMessagePort messagesInForce{&messages};
    std::unique_ptr<DeviceSim> controller, carving, plc;
    serialtest::FastWait wait{[this] {
        return Ports().ComTRX20.InBufferCount() > 0 || Ports().ComYNS7.InBufferCount() > 0;
    }};
    std::unique_ptr<FomMarkingStateDisplay> screen;

    explicit Station(const char* plcScript = "gg") {
        controller = serialtest::StartDevice(Device::TRX20, 1);
        carving = serialtest::StartDevice(Device::Carving, 2);
        plc = serialtest::StartDevice(Device::PLC, 3, script(plcScript));
    }
    FomMarkingStateDisplay& Open() {
        screen = std::make_unique<FomMarkingStateDisplay>();
        screen->show(); // the first activation, as at program start
        return *screen;
    }
    // Leaves the screen and enters it again with this answer to the question.
    void Enter(Answer answer) {
        screen->hide();
        const int asked = messages.Questions().size();
        messages.QueueAnswers({answer});
        screen->show();
        QTRY_COMPARE(messages.Questions().size(), asked + 1);
    }
    QString Field(const char* name) const { return screen->findChild<QLineEdit*>(name)->text(); }
    QString Panel(const char* name) const { return colourName(screen->StatePanel(name)); }
};

} // namespace

class TestRunScreen : public QObject {
    Q_OBJECT
    std::unique_ptr<Environment> env_;

private slots:
    void initTestCase() { env_ = std::make_unique<Environment>(); }
    void init() {
        ResetSharedValues();
        QCOMPARE(daqsim_reset(), DAQ_OK);
        env_->Set("Options/WorkReport", {});
    }

    void tables_statePanelsAndNoQuestionAtStart() {
        Station st;
        FomMarkingStateDisplay& s = st.Open();
        screentest::CheckScreenTables(s.Form());
        for (const StatePanelSpec& spec : kStatePanels) {
            QLabel* panel = s.StatePanel(spec.name);
            QVERIFY2(panel && panel->text() == QString::fromUtf8(spec.caption), spec.name);
            QCOMPARE(colourName(panel), QStringLiteral("grey"));
        }
        for (QLabel* lamp :
             {s.imgGreen, s.imgRed, s.ImgPLCCommunicationStateGreen, s.ImgPLCCommunicationStateRed})
            QVERIFY(!lamp->isVisibleTo(&s));
        QVERIFY(!s.LblCentralDelivery->isVisibleTo(&s)); // central reporting off
        QVERIFY(s.Label3->text().isEmpty());
        QVERIFY(Shared().RunScreenActivated);
        QVERIFY(Host().ComCheckEnabled());
        QVERIFY(st.messages.Entries().isEmpty()); // no question, no message
        QCOMPARE(Shared().InputChannelCount, 16);
    }

    void no_leavesTheFieldsEmptyWhileThePollRuns() {
        Station st;
        AddWork("ABC");
        FomMarkingStateDisplay& s = st.Open();
        s.TxtWorkVolume->setText("7");
        st.Enter(Answer::No);
        QCOMPARE(st.messages.Questions().last().text,
                 QStringLiteral("마킹 작업을 시작 하시겠습니까?"));
        QCOMPARE(st.messages.Questions().last().title, QStringLiteral("마킹작업"));
        QCOMPARE(s.TxtWorkVolume->text(), QStringLiteral("0")); // leaving reset it
        QVERIFY(!Shared().MarkingWorkStarted);
        QVERIFY(st.Field("TxtDataOne").isEmpty());
        QTRY_VERIFY(Host().ComCheckEnabled());
        QCOMPARE(st.controller->FrameCount(), 0);

        QCOMPARE(daqsim_set_di_port(0, 0, 0b0010'1001), DAQ_OK); // forward, auto, paint
        const int reads = daqsim_call_count("DRV_DioReadBit");
        s.TmrComCheck_Timer();
        QCOMPARE(daqsim_call_count("DRV_DioReadBit") - reads, 8); // 16 channels, 8 read
        QVERIFY(s.Line().AutoMode);
        const QStringList panels{st.Panel("SSPanel18"), st.Panel("SSPanel19"),
                                 st.Panel("SSPanel39"), st.Panel("SSPanel40"),
                                 st.Panel("SSPanel41"), st.Panel("SSPanel35"),
                                 st.Panel("SSPanel36")};
        QCOMPARE(panels, (QStringList{"green", "grey", "green", "grey", "grey", "red", "grey"}));

        s.hide();
        QVERIFY(Shared().RunScreenInactive);
        QVERIFY(!Host().ComCheckEnabled());
    }

    // "예": the head of the list goes to the controller byte for byte, and
    // after its acknowledgement the PLC frame; the PLC answers by its script.
    void yes_sendsTheWorkAndThenThePlcFrame_data() {
        QTest::addColumn<QString>("plcScript");
        QTest::addColumn<int>("plcFrames");
        QTest::addColumn<QString>("plcLamp");
        QTest::newRow("GG") << "gg" << 1 << "green";
        QTest::newRow("NN then GG") << "nn:2" << 3 << "green";
        QTest::newRow("short answer") << "short" << 1 << "hidden";
    }
    void yes_sendsTheWorkAndThenThePlcFrame() {
        QFETCH(QString, plcScript);
        QFETCH(int, plcFrames);
        QFETCH(QString, plcLamp);
        Station st(qPrintable(plcScript));
        AddWork("ABC", SingleMarking, 3, 2);
        FomMarkingStateDisplay& s = st.Open();
        st.Enter(Answer::Yes);
        QTRY_COMPARE(st.plc->FrameCount(), plcFrames);
        QCOMPARE(st.controller->FrameBytes(), QList<QByteArray>{trx20Frame("@3(     )ABC")});
        QCOMPARE(st.plc->FrameBytes().constFirst(), kPlcFrame);
        QTRY_VERIFY(!s.ScmdTransmissionStop->isVisible());
        QCOMPARE(st.Field("TxtDataOne"), QStringLiteral("@3(     )ABC"));
        QCOMPARE(st.Field("TxtParenthesis"), QStringLiteral("@3(              )"));
        QCOMPARE(st.Field("TxtWorkTeam"), QStringLiteral("C 조"));
        QCOMPARE(st.Panel("SSPanel41"), QStringLiteral("green"));
        QVERIFY(Shared().MarkingWorkStarted);
        QVERIFY(s.imgGreen->isVisibleTo(&s) && !s.imgRed->isVisibleTo(&s));
        const QString shown = s.ImgPLCCommunicationStateGreen->isVisibleTo(&s) ? "green"
                              : s.ImgPLCCommunicationStateRed->isVisibleTo(&s) ? "red"
                                                                               : "hidden";
        QCOMPARE(shown, plcLamp);
        QVERIFY(s.ScmdMarkingWorkStart->isEnabled());

        // F4 sends the fields again, as they stand.
        QTest::keyClick(s.ScmdMarkingWorkStart, Qt::Key_F4);
        QTRY_COMPARE(st.controller->FrameCount(), 2);
        QCOMPARE(st.controller->FrameBytes().constLast(), trx20Frame("@3(     )ABC"));
        s.hide();
        QVERIFY(!s.ImgPLCCommunicationStateGreen->isVisibleTo(&s) && !s.imgGreen->isVisibleTo(&s));
    }

    // A PLC that keeps answering NN: the screen shows the attempts and its
    // stop control ends the repetition.
    void repeatingTransmission_showsTheAttemptAndStops() {
        Station st("nn");
        AddWork("ABC");
        FomMarkingStateDisplay& s = st.Open();
        QString label;
        bool startEnabled = true;
        QTimer watch;
        connect(&watch, &QTimer::timeout, &s, [&] {
            if (st.plc->FrameCount() >= 3 && s.ScmdTransmissionStop->isVisible()) {
                label = s.LblTransmission->text();
                startEnabled = s.ScmdMarkingWorkStart->isEnabled();
                watch.stop();
                QTest::mouseClick(s.ScmdTransmissionStop, Qt::LeftButton);
            }
        });
        watch.start(5);
        st.Enter(Answer::Yes);
        QTRY_VERIFY(!s.ScmdTransmissionStop->isVisible());
        QVERIFY2(label.startsWith(QStringLiteral("PLC 전송 중 (")), qPrintable(label));
        QVERIFY(label.mid(10).remove(QStringLiteral("회째)")).toInt() >= 3);
        QVERIFY(!startEnabled);
        QVERIFY(s.ScmdMarkingWorkStart->isEnabled());
        QCOMPARE(s.LblTransmission->text(), QStringLiteral("전송을 중지했습니다."));
        QVERIFY(s.ImgPLCCommunicationStateRed->isVisibleTo(&s));
    }

    void edges_countPipesInAutomaticModeOnly() {
        Station st;
        FomMarkingStateDisplay& s = st.Open();
        int seen = 0; // every event, also those that count nothing
        const auto probe =
            s.MrvDIO1().Control()->ConnectEvents([&](const mrvdio::host::DioEvent&) { ++seen; });
        const auto pipes = [&](QList<int> channels) {
            const int before = seen;
            for (int ch : channels)
                QCOMPARE(daqsim_edge(0, uint32_t(ch), 1), DAQ_OK);
            QTRY_COMPARE(seen, before + int(channels.size()));
        };
        daqsim_set_di_bit(0, 3, 1);
        s.TmrComCheck_Timer();
        pipes({0, 1, 0, 1});
        QCOMPARE(s.TxtWorkVolume->text(), QStringLiteral("4"));
        pipes({0, 0, 1});
        QCOMPARE(s.TxtWorkVolume->text(), QStringLiteral("6"));
        pipes({1, 0});
        QCOMPARE(s.TxtWorkVolume->text(), QStringLiteral("7"));
        daqsim_set_di_bit(0, 3, 0);
        s.TmrComCheck_Timer();
        pipes({1, 0, 1});
        QCOMPARE(s.TxtWorkVolume->text(), QStringLiteral("7"));
    }

    void noDevice_showsTheMessageAndTheScreenWorks() {
        char error[128] = {};
        QCOMPARE(daqsim_load_config_text("; no boards\n", error, sizeof error), DAQ_OK);
        Station st;
        FomMarkingStateDisplay& s = st.Open();
        QTRY_COMPARE(st.messages.Messages().size(), 1);
        const auto m = st.messages.Messages().first();
        QVERIFY2(m.text.startsWith("ErrMessage : ") && m.text.endsWith(" Data I/O device 이상"),
                 qPrintable(m.text));
        QCOMPARE(Shared().InputChannelCount, 0);
        QVERIFY(!s.Label3->text().isEmpty());
        s.TmrComCheck_Timer();
        QCOMPARE(st.Panel("SSPanel40"), QStringLiteral("green"));
        QCOMPARE(st.Panel("SSPanel39"), QStringLiteral("grey"));
    }

    // The control's device comes back from MrvDIO1.dat at the next start; a
    // state file that cannot be written is reported and the screen runs on.
    void stateFile_keepsTheDeviceAndReportsAFailedSave() {
        char error[128] = {};
        QCOMPARE(
            daqsim_load_config_text("[device 0]\ndi_channels = 16\ninterrupt_channels = 0xFF, 0\n"
                                    "[device 1]\ndi_channels = 16\ninterrupt_channels = 0xFF, 0\n",
                                    error, sizeof error),
            DAQ_OK);
        Station st;
        const QString file = st.dir.file("MrvDIO1.dat");
        {
            FomMarkingStateDisplay& s = st.Open();
            QVERIFY(QFile::exists(file));
            QCOMPARE(s.MrvDIO1().Control()->DeviceNumber().value, 0);
            QVERIFY(s.MrvDIO1().Control()->SetDeviceNumber(1).Ok());
            st.screen.reset(); // the program ends: the state is saved
        }
        FomMarkingStateDisplay& again = st.Open();
        QCOMPARE(again.MrvDIO1().Control()->DeviceNumber().value, 1);
        QVERIFY(daqsim_event_armed(1, DAQ_EVENT_DI_INTERRUPT + 1, nullptr, nullptr));
        QVERIFY(st.messages.Messages().isEmpty());
        st.screen.reset();

        QVERIFY(QFile::remove(file) && QDir().mkdir(file)); // no file can be written there
        FomMarkingStateDisplay& s = st.Open();
        QTRY_COMPARE(st.messages.Messages().size(), 1);
        QCOMPARE(st.messages.Messages().first().title, QStringLiteral("주의!"));
        QVERIFY(st.messages.Messages().first().text.contains(file));
        daqsim_set_di_bit(0, 3, 1);
        s.TmrComCheck_Timer();
        QCOMPARE(st.Panel("SSPanel39"), QStringLiteral("green"));
    }

    void display_data() {
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QVariant>("length");
        QTest::addColumn<QVariant>("repetition");
        QTest::addColumn<QStringList>("fields"); // method, line one, length, repetition
        QTest::addColumn<bool>("repetitionShown");
        QTest::newRow("single, parenthesis 2")
            << 0 << "ABC" << QVariant(6000) << QVariant(1)
            << QStringList{"단마킹", "@2(     )ABC", "6000", ""} << false;
        QTest::newRow("continuity, once")
            << 1 << "ABC" << QVariant(6000) << QVariant(1)
            << QStringList{"연속마킹", "@2(     )ABC", "6000", "1"} << true;
        QTest::newRow("null length") << 0 << "ABC" << QVariant() << QVariant(1)
                                     << QStringList{"단마킹", "@2(     )ABC", "", ""} << false;
        QTest::newRow("file marking")
            << 2 << "ABC" << QVariant(6000) << QVariant(1) << QStringList{"", "", "", ""} << false;
    }
    void display() {
        QFETCH(int, method);
        QFETCH(QString, data);
        QFETCH(QVariant, length);
        QFETCH(QVariant, repetition);
        QFETCH(QStringList, fields);
        QFETCH(bool, repetitionShown);
        Station st;
        AddWork(data, method, 2, 0, length, repetition);
        FomMarkingStateDisplay& s = st.Open();
        QVERIFY(s.FunMarkingWorkDisplay());
        QCOMPARE((QStringList{st.Field("TxtMarkingMethod"), st.Field("TxtDataOne"),
                              st.Field("TxtLength"), st.Field("TxtRepetition")}),
                 fields);
        QCOMPARE(s.TxtRepetition->isVisibleTo(&s), repetitionShown);
        QVERIFY(Shared().MarkingText.isEmpty());
    }

    // A continuity work that no longer fits, a text code page 949 cannot
    // carry: a message, and nothing reaches the controller, also on F4.
    void refusedWork_sendsNothing_data() {
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("data");
        QTest::addColumn<int>("length");
        QTest::newRow("does not fit") << 1 << "ABCDEFGHIJ" << 10;
        QTest::newRow("not in code page 949")
            << 0 << QString::fromUtf8("AB\xF0\x9F\x98\x80") << 6000;
    }
    void refusedWork_sendsNothing() {
        QFETCH(int, method);
        QFETCH(QString, data);
        QFETCH(int, length);
        Station st;
        AddWork(data, method, 0, 0, length, 3);
        FomMarkingStateDisplay& s = st.Open();
        st.Enter(Answer::Yes);
        QTRY_VERIFY(!st.messages.Messages().isEmpty());
        QTest::keyClick(s.ScmdMarkingWorkStart, Qt::Key_F4);
        QTRY_COMPARE(st.messages.Messages().size(), 2);
        QCOMPARE(st.controller->FrameCount(), 0);
        QVERIFY(!s.imgGreen->isVisibleTo(&s));
    }

    void controllerPortMissing_namesItAndShowsTheRedLamp() {
        Station st;
        SetDevicePathForCom(1, QStringLiteral("/dev/marking-no-controller"));
        AddWork("ABC");
        FomMarkingStateDisplay& s = st.Open();
        st.Enter(Answer::Yes);
        QTRY_COMPARE(st.messages.Messages().size(), 1);
        const QString text = st.messages.Messages().first().text;
        QVERIFY2(text.contains("COM 1") && text.contains("/dev/marking-no-controller"),
                 qPrintable(text));
        QVERIFY(s.imgRed->isVisibleTo(&s) && !s.imgGreen->isVisibleTo(&s));
        QVERIFY(Host().ComCheckEnabled()); // the screen runs on
    }

    void workComplete_recordsTheWorkAndStartsTheNext() {
        env_->Set("Options/WorkReport", true);
        Station st;
        AddWork("ONE", SingleMarking, 0, 1);
        AddWork("TWO");
        FomMarkingStateDisplay& s = st.Open();
        QVERIFY(s.ScmdWorkComplete->isVisibleTo(&s));
        st.Enter(Answer::Yes);
        QTRY_COMPARE(st.controller->FrameCount(), 1);
        QTRY_VERIFY(s.ScmdWorkComplete->isEnabled());
        s.TxtWorkVolume->setText("6");
        st.messages.QueueAnswers({Answer::Yes});
        QTest::keyClick(s.ScmdMarkingWorkStart, Qt::Key_F5);
        QTRY_COMPARE(st.controller->FrameCount(), 2);
        QCOMPARE(st.messages.Questions().last().text,
                 QStringLiteral("현재 작업을 완료하고 작업 리포트에 기록하시겠습니까?"));
        QCOMPARE(st.controller->FrameBytes().constLast(), trx20Frame("TWO"));
        const auto report = ReportRows();
        QCOMPARE(report.size(), 1);
        QCOMPARE(report.first().value("R_Data").toString(), QStringLiteral("ONE"));
        QCOMPARE(report.first().value("R_WorkVolume").toInt(), 6);
        QCOMPARE(report.first().value("R_WorkTeam").toInt(), 1);
        QCOMPARE(Rows(store::Table::MarkingWork).size(), 1);
        QCOMPARE(s.TxtWorkVolume->text(), QStringLiteral("0"));
        QTRY_VERIFY(s.ScmdWorkComplete->isEnabled());

        st.messages.QueueAnswers({Answer::Yes});
        QTest::keyClick(s.ScmdMarkingWorkStart, Qt::Key_F5);
        QTRY_COMPARE(ReportRows().size(), 2);
        QVERIFY(Rows(store::Table::MarkingWork).isEmpty());
        QTRY_COMPARE(st.messages.Messages().size(), 1);
        QCOMPARE(st.messages.Messages().first().text,
                 QStringLiteral("마킹 작업 내역 데이터가 존재하지 않습니다."));

        st.messages.QueueAnswers({Answer::No});
        QTest::keyClick(s.ScmdMarkingWorkStart, Qt::Key_F5);
        QCOMPARE(ReportRows().size(), 2);
    }

    // Central reporting with its server out of reach: the lamp says the
    // delivery fails, with the reason in its tooltip, and the count waiting.
    void centralDelivery_lampFollowsTheSender() {
        env_->Set("CentralReport/Url", "postgresql://station@127.0.0.1:1/plant");
        Station st;
        AddWork("ONE");
        central::Sender* sender = central::StartCentralReporting(st.dir.path());
        QVERIFY(sender);
        FomMarkingStateDisplay& s = st.Open();
        QVERIFY(s.LblCentralDelivery->isVisibleTo(&s));
        QVERIFY(s.FunWorkDataSave());
        central::NotifyOutboxChanged();
        QTRY_COMPARE_WITH_TIMEOUT(s.LblCentralDelivery->text(),
                                  QStringLiteral("중앙 전송 실패 (대기 1건)"), 20000);
        QCOMPARE(colourName(s.LblCentralDelivery), QStringLiteral("red"));
        QVERIFY(s.LblCentralDelivery->toolTip().size() > s.LblCentralDelivery->text().size());
        st.screen.reset();
        central::StopCentralReporting();
        env_->Set("CentralReport/Url", {});
    }

    void workReportOff_offersNoWorkCompletion() {
        Station st;
        AddWork("ONE");
        FomMarkingStateDisplay& s = st.Open();
        QVERIFY(!s.ScmdWorkComplete->isVisibleTo(&s));
        QTest::keyClick(s.ScmdMarkingWorkStart, Qt::Key_F5);
        QVERIFY(st.messages.Questions().isEmpty());
        QVERIFY(ReportRows().isEmpty());
    }

    void carvingWork_fillsTheHiddenFields() {
        Station st;
        SetSetting(store::col::P_PrintControler, 7); // no controller: nothing sent
        store::Connection c;
        store::Recordset rs;
        QVERIFY(c.Open(store::DatabaseFile::Database).ok() &&
                rs.Open(store::QueryText::AllByKey(store::Table::CarvingWork), c).ok());
        rs.MoveFirst();
        QVERIFY(rs.SetField(store::col::C_CarvingPipe, 4).ok() &&
                rs.SetField(store::col::C_CarvingData, 1).ok() && rs.Update().ok());
        FomMarkingStateDisplay& s = st.Open();
        s.FunCarvingWorkDislay();
        QCOMPARE(st.Field("TxtCarvingPipe"), QStringLiteral("150A(각인높이:6.4mm)"));
        QCOMPARE(st.Field("TxtCarvingData"), QStringLiteral("TIRV"));
        AddWork("ABC");
        st.Enter(Answer::Yes); // sends nothing, opens no controller port
        for (CommPort* port : {&Ports().ComTRX20, &Ports().ComHVL5, &Ports().ComTRX30})
            QVERIFY(!port->PortOpen());
        QVERIFY(!s.imgGreen->isVisibleTo(&s) && !s.imgRed->isVisibleTo(&s));
    }
};

QTEST_MAIN(TestRunScreen)
#include "tst_run_screen.moc"
