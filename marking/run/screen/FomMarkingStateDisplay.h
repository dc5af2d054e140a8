#pragma once

#include "controllers/send/Transmission.h"
#include "run/CarvingLink.h"
#include "run/engine/LineMonitor.h"
#include "run/engine/RunDio.h"
#include "run/engine/WorkSave.h"
#include "serial/CommunicationLamp.h"

#include <QHash>
#include <QWidget>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

namespace marking {
class ScreenForm;
}

namespace marking::run {

// A communication lamp of the run screen: a green and a red image of which
// at most one shows.
class ImageLamp : public CommunicationLamp {
public:
    void SetImages(QLabel* green, QLabel* red) {
        green_ = green;
        red_ = red;
    }
    void SetLamp(LampState state) override;
    LampState State() const { return state_; }

private:
    QLabel* green_ = nullptr;
    QLabel* red_ = nullptr;
    LampState state_ = LampState::Hidden;
};

// One state panel along the bottom of the run screen.
struct StatePanelSpec {
    const char* name;    // "SSPanel18"
    const char* caption; // "전진"
    const char* group;   // "인버터 상태"
};
inline constexpr StatePanelSpec kStatePanels[] = {
    {"SSPanel18", "전진", "인버터 상태"},  {"SSPanel19", "후진", "인버터 상태"},
    {"SSPanel20", "이상", "인버터 상태"},  {"SSPanel39", "자동", "운전 모드"},
    {"SSPanel40", "수동", "운전 모드"},    {"SSPanel41", "마킹시작", "운전 모드"},
    {"SSPanel34", "이상", "VSK-9 상태"},   {"SSPanel35", "페인트", "VSK-9 상태"},
    {"SSPanel36", "세정제", "VSK-9 상태"},
};

// The run screen: the work at the head of the work list, the start of
// marking and its hand-off to the print controller, the line's state panels
// and pipe count, the communication lamps, the carving port and the work
// save. Created once at program start; shown (activated) and hidden
// (deactivated) by the main window.
class FomMarkingStateDisplay : public QWidget {
    Q_OBJECT
public:
    explicit FomMarkingStateDisplay(QWidget* parent = nullptr);
    ~FomMarkingStateDisplay() override;

    QLineEdit* TxtMarkingMethod;
    QLineEdit* TxtDataOne;
    QLineEdit* TxtDataTwo;
    QLineEdit* TxtDataThree;
    QLineEdit* TxtLength;
    QLineEdit* TxtPi;
    QLineEdit* TxtPipeVolume;
    QLineEdit* TxtRepetition;
    QLineEdit* TxtWorkTeam;
    QLineEdit* TxtParenthesis;
    QLineEdit* TxtLengthYesOrNo;
    QLineEdit* TxtUnitYesOrNo;
    QLineEdit* TxtCarvingPipe;
    QLineEdit* TxtCarvingData;
    QLineEdit* TxtWorkVolume;
    QLabel* imgGreen;
    QLabel* imgRed;
    QLabel* ImgPLCCommunicationStateGreen;
    QLabel* ImgPLCCommunicationStateRed;
    QLabel* ImgCarvingMachineCommunicationStateGreen;
    QLabel* ImgCarvingMachineCommunicationStateRed;
    QLabel* Label3;
    QLabel* LblTransmission;    // the running transmission and its attempt
    QLabel* LblCentralDelivery; // central delivery; hidden when central reporting is off
    QPushButton* ScmdMarkingWorkStart;
    QPushButton* ScmdWorkComplete; // "작업 완료[F5]", with the work report option only
    QPushButton* ScmdTransmissionStop;
    QPushButton* ScmdEnd;

    // The head of the work list into the fields. False when nothing may be
    // sent: a continuity work the repetition check refused, or a database
    // error (both shown).
    bool FunMarkingWorkDisplay();
    // Starts marking without asking: clears, displays, sends.
    void FunMarkingWorkStart();
    // Records the current work in the work report (shows a failure).
    std::optional<SavedWork> FunWorkDataSave();
    // The carving setting into the hidden carving fields.
    void FunCarvingWorkDislay();

    void ScmdMarkingWorkStart_Click();
    void ScmdWorkComplete_Click();
    void ScmdTransmissionStop_Click();
    void ScmdEnd_Click();
    // The one-second input poll (each tick of TmrComCheck).
    void TmrComCheck_Timer();
    void MrvDIO1_OnDiInterrupt(int channel, const std::vector<uint8_t>& data, int scanStart,
                               int scanCount);

    // The carving machine port ComDRE40T and its received bytes.
    CarvingLink& Carving() { return carving_; }
    const QString& ReceiveData() const { return carving_.ReceiveData; }

    QLabel* StatePanel(const QString& name) const { return statePanels_.value(name); }
    LineMonitor& Line() { return line_; }
    RunDio& MrvDIO1() { return dio_; }
    ImageLamp& PrintControllerLampOfScreen() { return printLamp_; }
    ImageLamp& PlcLampOfScreen() { return plcLamp_; }
    ScreenForm& Form() const { return *form_; }
    bool IsActive() const { return active_; }

protected:
    bool event(QEvent* event) override;

private:
    void buildLayout();
    void load();
    void Form_Activate();
    void askToStart(int activation);
    void Form_Deactivate();
    void send();
    void clearWorkFields();
    void showProgress(const send::TransmissionProgress& progress);
    void showCentralDelivery();
    void paintPanel(const QString& name, PanelState state);

    ScreenForm* form_;
    QHash<QString, QLabel*> statePanels_;
    ImageLamp printLamp_;
    ImageLamp plcLamp_;
    CarvingLink carving_;
    LineMonitor line_;
    RunDio dio_;
    bool active_ = false;
    int activations_ = 0;
    bool transmitting_ = false;
    bool stopRequested_ = false;
    bool workReport_ = false; // the installation's work report option
    // Set when the last display refused its continuity work: a resend then
    // sends nothing and shows the refusal again.
    std::optional<QString> refusal_;
    QString refusalTitle_;
};

} // namespace marking::run
