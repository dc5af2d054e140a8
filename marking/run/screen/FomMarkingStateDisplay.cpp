#include "run/screen/FomMarkingStateDisplay.h"

#include "central/Sender.h"
#include "common/MessagePort.h"
#include "common/ProgramDirectory.h"
#include "common/SettingsStore.h"
#include "common/SharedValues.h"
#include "common/widgets/Modal.h"
#include "common/widgets/ScreenHost.h"
#include "common/widgets/ScreenSpec.h"
#include "controllers/send/ModDataSend.h"
#include "run/PlcLink.h"
#include "run/engine/CurrentWork.h"
#include "run/engine/RunLog.h"
#include "store/Columns.h"
#include "store/Connection.h"
#include "store/ModProgramSettingData.h"
#include "store/QueryText.h"
#include "store/Recordset.h"
#include "work/ModContinuityMarkingDataRepetitionCheck.h"
#include "work/RepetitionCheck.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace marking::run {

namespace {

const QString kNoWork = QStringLiteral("마킹 작업 내역 데이터가 존재하지 않습니다.");
const QString kNoWorkTitle = QStringLiteral("작업 내역 데이터 확인!");

// The fields the screen clears as one.
const QStringList kWorkFields{"TxtMarkingMethod", "TxtDataOne",       "TxtDataTwo",
                              "TxtDataThree",     "TxtLength",        "TxtPi",
                              "TxtPipeVolume",    "TxtRepetition",    "TxtWorkTeam",
                              "TxtParenthesis",   "TxtLengthYesOrNo", "TxtUnitYesOrNo",
                              "TxtCarvingPipe",   "TxtCarvingData"};

QPixmap lampPicture(const QColor& colour) {
    const int size = 26;
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient shine(size * 0.35, size * 0.35, size * 0.7);
    shine.setColorAt(0, colour.lighter(170));
    shine.setColorAt(1, colour.darker(120));
    p.setBrush(shine);
    p.setPen(QPen(colour.darker(200), 1.5));
    p.drawEllipse(QRectF(1.5, 1.5, size - 3, size - 3));
    return picture;
}

QLabel* newLamp(const QString& name, const QColor& colour, QWidget* parent) {
    auto* lamp = new QLabel(parent);
    lamp->setObjectName(name);
    lamp->setPixmap(lampPicture(colour));
    lamp->setFixedSize(26, 26);
    lamp->hide();
    return lamp;
}

// The two images of a lamp on one spot.
QWidget* lampPlace(QLabel* green, QLabel* red, QWidget* parent) {
    auto* place = new QWidget(parent);
    place->setFixedSize(26, 26);
    auto* layout = new QGridLayout(place);
    layout->setContentsMargins(0, 0, 0, 0);
    green->setParent(place);
    red->setParent(place);
    layout->addWidget(green, 0, 0);
    layout->addWidget(red, 0, 0);
    green->hide();
    red->hide();
    return place;
}

const QColor& colourOf(PanelState state) {
    switch (state) {
    case PanelState::On:
        return kStateOnColor;
    case PanelState::Alarm:
        return kStateAlarmColor;
    case PanelState::Off:
        break;
    }
    return kStateOffColor;
}

// A failure of a step that runs inside the screen's show or hide: shown once
// the event loop is free.
void reportLater(QObject* context, const store::Status& status) {
    if (status.ok())
        return;
    const store::StoreError error = status.error();
    ReportLater(context, [error] { store::ShowStoreError(error); });
}

// Holds the messages shown while it is in force and shows them, in order,
// once the event loop is free, through the port in force then.
class LaterMessages : public MessagePort {
public:
    LaterMessages(QObject* context, MessagePort& now)
        : context_(context)
        , now_(now) {}
    void ShowMessage(const QString& text, const QString& title, MessageIcon icon) override {
        ReportLater(context_, [=] { Messages().ShowMessage(text, title, icon); });
    }
    Answer Ask(const QString& text, const QString& title, MessageIcon icon) override {
        return now_.Ask(text, title, icon);
    }
    void Beep() override { now_.Beep(); }

private:
    QObject* context_;
    MessagePort& now_;
};

} // namespace

void ImageLamp::SetLamp(LampState state) {
    state_ = state;
    if (green_)
        green_->setVisible(state == LampState::Green);
    if (red_)
        red_->setVisible(state == LampState::Red);
}

FomMarkingStateDisplay::FomMarkingStateDisplay(QWidget* parent)
    : QWidget(parent)
    , dio_(mrvdio::host::StateFile::DefaultPath(ProgramDirectory())) {
    setObjectName(QStringLiteral("FomMarkingStateDisplay"));
    setWindowTitle(QStringLiteral("마킹 상태 보기"));

    workReport_ = WorkReportOptionEnabled();
    const bool workReport = workReport_;
    auto shown = [](const char* name, const char* panel, const char* caption) {
        return FieldSpec{.name = name, .panel = panel, .caption = caption, .readOnly = true};
    };
    auto hidden = [&](const char* name, const char* panel, const char* caption) {
        FieldSpec f = shown(name, panel, caption);
        f.hidden = true;
        return f;
    };
    FieldSpec length = shown("TxtLength", "SpanLength", "길이 :");
    length.unit = QStringLiteral("mm");
    FieldSpec repetition = hidden("TxtRepetition", "SpanRepetition", "마킹 횟수 :");
    repetition.unit = QStringLiteral("회");
    FieldSpec volume = shown("TxtWorkVolume", "SpanWorkVolume", "작업 본수");
    volume.unit = QStringLiteral("개");
    volume.alignment = Qt::AlignRight | Qt::AlignVCenter;
    form_ = new ScreenForm(
        this, {.fields = {shown("TxtMarkingMethod", "SpanMarkingMethodTitle", "마킹 방법 :"),
                          shown("TxtDataOne", "SpanMarkingData", "마킹 데이터 :"),
                          shown("TxtDataTwo", "SpanMarkingData", "마킹 데이터 :"),
                          shown("TxtDataThree", "SpanMarkingData", "마킹 데이터 :"), length,
                          shown("TxtPi", "SpanPi", "관경 (A) :"),
                          shown("TxtPipeVolume", "SpanPipeVolume", "파이프 수량 :"), repetition,
                          shown("TxtWorkTeam", "SpanWorkTeam", "근무 조 :"),
                          shown("TxtParenthesis", "SpanParenthesis", "괄호 표시 :"),
                          hidden("TxtLengthYesOrNo", "SpanLengthYesOrNo", "길이 표시 :"),
                          hidden("TxtUnitYesOrNo", "SpanUnitYesOrNo", "단위 표시 :"),
                          hidden("TxtCarvingPipe", "SpanCarvingPipe", "각인 파이프 :"),
                          hidden("TxtCarvingData", "SpanCarvingData", "각인 데이터 :"), volume},
               .buttons = {{.name = "ScmdMarkingWorkStart",
                            .caption = "마킹작업 시작[F4]",
                            .key = Qt::Key_F4,
                            .onClick = [this] { ScmdMarkingWorkStart_Click(); }},
                           {.name = "ScmdWorkComplete",
                            .caption = "작업 완료[F5]",
                            .key = Qt::Key_F5,
                            .onClick = [this] { ScmdWorkComplete_Click(); },
                            .hidden = !workReport},
                           {.name = "ScmdTransmissionStop",
                            .caption = "전송 중지",
                            .onClick = [this] { ScmdTransmissionStop_Click(); },
                            .hidden = true},
                           {.name = "ScmdEnd",
                            .caption = "프로그램 종료[F10]",
                            .key = Qt::Key_F10,
                            .onClick = [this] { ScmdEnd_Click(); }}},
               // The operator starts and ends; the fields are for reading.
               .tabOrder = {"ScmdMarkingWorkStart", "ScmdWorkComplete", "ScmdTransmissionStop",
                            "ScmdEnd", "TxtMarkingMethod", "TxtDataOne", "TxtDataTwo",
                            "TxtDataThree", "TxtLength", "TxtPi", "TxtPipeVolume", "TxtRepetition",
                            "TxtWorkTeam", "TxtParenthesis", "TxtLengthYesOrNo", "TxtUnitYesOrNo",
                            "TxtCarvingPipe", "TxtCarvingData", "TxtWorkVolume"}});
    TxtMarkingMethod = form_->Text(QStringLiteral("TxtMarkingMethod"));
    TxtDataOne = form_->Text(QStringLiteral("TxtDataOne"));
    TxtDataTwo = form_->Text(QStringLiteral("TxtDataTwo"));
    TxtDataThree = form_->Text(QStringLiteral("TxtDataThree"));
    TxtLength = form_->Text(QStringLiteral("TxtLength"));
    TxtPi = form_->Text(QStringLiteral("TxtPi"));
    TxtPipeVolume = form_->Text(QStringLiteral("TxtPipeVolume"));
    TxtRepetition = form_->Text(QStringLiteral("TxtRepetition"));
    TxtWorkTeam = form_->Text(QStringLiteral("TxtWorkTeam"));
    TxtParenthesis = form_->Text(QStringLiteral("TxtParenthesis"));
    TxtLengthYesOrNo = form_->Text(QStringLiteral("TxtLengthYesOrNo"));
    TxtUnitYesOrNo = form_->Text(QStringLiteral("TxtUnitYesOrNo"));
    TxtCarvingPipe = form_->Text(QStringLiteral("TxtCarvingPipe"));
    TxtCarvingData = form_->Text(QStringLiteral("TxtCarvingData"));
    TxtWorkVolume = form_->Text(QStringLiteral("TxtWorkVolume"));
    ScmdMarkingWorkStart = form_->Button(QStringLiteral("ScmdMarkingWorkStart"));
    ScmdWorkComplete = form_->Button(QStringLiteral("ScmdWorkComplete"));
    ScmdTransmissionStop = form_->Button(QStringLiteral("ScmdTransmissionStop"));
    ScmdEnd = form_->Button(QStringLiteral("ScmdEnd"));
    ScmdWorkComplete->setEnabled(workReport);
    form_->Unit(QStringLiteral("TxtRepetition"))->setObjectName(QStringLiteral("Label2"));
    form_->Unit(QStringLiteral("TxtWorkVolume"))->setObjectName(QStringLiteral("Label7"));

    imgGreen = newLamp(QStringLiteral("imgGreen"), kStateOnColor, this);
    imgRed = newLamp(QStringLiteral("imgRed"), kStateAlarmColor, this);
    ImgPLCCommunicationStateGreen =
        newLamp(QStringLiteral("ImgPLCCommunicationStateGreen"), kStateOnColor, this);
    ImgPLCCommunicationStateRed =
        newLamp(QStringLiteral("ImgPLCCommunicationStateRed"), kStateAlarmColor, this);
    ImgCarvingMachineCommunicationStateGreen =
        newLamp(QStringLiteral("ImgCarvingMachineCommunicationStateGreen"), kStateOnColor, this);
    ImgCarvingMachineCommunicationStateRed =
        newLamp(QStringLiteral("ImgCarvingMachineCommunicationStateRed"), kStateAlarmColor, this);
    for (QLabel* lamp : {imgGreen, imgRed})
        lamp->setToolTip(QStringLiteral("VSK-9 통신"));
    for (QLabel* lamp : {ImgPLCCommunicationStateGreen, ImgPLCCommunicationStateRed})
        lamp->setToolTip(QStringLiteral("PLC 통신"));
    printLamp_.SetImages(imgGreen, imgRed);
    plcLamp_.SetImages(ImgPLCCommunicationStateGreen, ImgPLCCommunicationStateRed);

    Label3 = new QLabel(QStringLiteral("데이타 입출력 장치 이상..."), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    LblTransmission = new QLabel(this);
    LblTransmission->setObjectName(QStringLiteral("LblTransmission"));
    LblCentralDelivery = new QLabel(this);
    LblCentralDelivery->setObjectName(QStringLiteral("LblCentralDelivery"));
    LblCentralDelivery->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    LblCentralDelivery->setMargin(3);

    buildLayout();

    // Creation.
    form_->ClearTexts(kWorkFields);
    TxtWorkVolume->setText(QStringLiteral("0"));
    Label3->clear();

    load();
}

FomMarkingStateDisplay::~FomMarkingStateDisplay() {
    send::SetProgressObserver({});
    if (PrintControllerLamp() == &printLamp_)
        SetPrintControllerLamp(nullptr);
    if (PlcLamp() == &plcLamp_)
        SetPlcLamp(nullptr);
    Host().SetComCheckHandler({});
}

void FomMarkingStateDisplay::buildLayout() {
    auto* title = NewTitlePanel(QStringLiteral("마킹 상태 보기"), this, QStringLiteral("SSPanel1"));

    // The work.
    auto* work = new QGroupBox(QStringLiteral("현재 마킹 작업"), this);
    auto* rows = new QGridLayout(work);
    rows->setColumnStretch(1, 1);
    rows->setColumnStretch(4, 1);
    auto place = [&](const QString& name, int row, int column, int span = 1) {
        if (QLabel* p = form_->Panel(name); p && p->parentWidget() != work)
            rows->addWidget(p, row, column);
        rows->addWidget(form_->Control(name), row, column + 1, 1, span);
        if (QLabel* unit = form_->Unit(name))
            rows->addWidget(unit, row, column + 1 + span);
    };
    place(QStringLiteral("TxtMarkingMethod"), 0, 0);
    place(QStringLiteral("TxtWorkTeam"), 0, 3);
    place(QStringLiteral("TxtDataOne"), 1, 0, 5);
    place(QStringLiteral("TxtDataTwo"), 2, 0, 5);
    place(QStringLiteral("TxtDataThree"), 3, 0, 5);
    place(QStringLiteral("TxtLength"), 4, 0);
    place(QStringLiteral("TxtPi"), 4, 3);
    place(QStringLiteral("TxtPipeVolume"), 5, 0);
    place(QStringLiteral("TxtParenthesis"), 5, 3);
    place(QStringLiteral("TxtRepetition"), 6, 0);
    place(QStringLiteral("TxtLengthYesOrNo"), 7, 0);
    place(QStringLiteral("TxtUnitYesOrNo"), 7, 3);
    place(QStringLiteral("TxtCarvingPipe"), 8, 0);
    place(QStringLiteral("TxtCarvingData"), 8, 3);
    for (const QString& name : kWorkFields)
        form_->Text(name)->setMinimumHeight(26);

    // The count and the lamps.
    auto* counter = new QHBoxLayout;
    QLabel* volumePanel = form_->Panel(QStringLiteral("TxtWorkVolume"));
    volumePanel->setMinimumWidth(110);
    QFont big = TxtWorkVolume->font();
    big.setPointSizeF(big.pointSizeF() * 2.2);
    big.setBold(true);
    TxtWorkVolume->setFont(big);
    TxtWorkVolume->setMinimumHeight(48);
    TxtWorkVolume->setMaximumWidth(200);
    volumePanel->setMinimumHeight(48);
    counter->addWidget(volumePanel);
    counter->addWidget(TxtWorkVolume);
    counter->addWidget(form_->Unit(QStringLiteral("TxtWorkVolume")));
    counter->addSpacing(24);
    auto addLamp = [&](const char* panelName, const char* caption, QLabel* green, QLabel* red,
                       bool panelShown) {
        QLabel* panel = NewCaptionPanel(QString::fromUtf8(caption), this, panelName);
        panel->setMinimumWidth(90);
        panel->setVisible(panelShown);
        counter->addWidget(panel);
        QWidget* spot = lampPlace(green, red, this);
        counter->addWidget(spot);
        counter->addSpacing(12);
        return spot;
    };
    addLamp("SpanCommunicationState", "VSK-9 :", imgGreen, imgRed, true);
    addLamp("SpanPLCCommunicationState", "PLC 통신 :", ImgPLCCommunicationStateGreen,
            ImgPLCCommunicationStateRed, false);
    addLamp("SpanCarvingMachineCommunicationState",
            "각인기 통신 :", ImgCarvingMachineCommunicationStateGreen,
            ImgCarvingMachineCommunicationStateRed, false);
    counter->addStretch();
    counter->addWidget(LblCentralDelivery);

    // The running transmission.
    auto* transmission = new QHBoxLayout;
    transmission->addWidget(LblTransmission, 1);
    transmission->addWidget(ScmdTransmissionStop);

    // The line's state.
    auto* states = new QHBoxLayout;
    QHash<QString, QHBoxLayout*> groups;
    for (const StatePanelSpec& spec : kStatePanels) {
        const QString group = QString::fromUtf8(spec.group);
        if (!groups.contains(group)) {
            auto* box = new QGroupBox(group, this);
            auto* line = new QHBoxLayout(box);
            groups.insert(group, line);
            states->addWidget(box);
        }
        auto* panel = new QLabel(QString::fromUtf8(spec.caption), this);
        panel->setObjectName(QString::fromLatin1(spec.name));
        panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
        panel->setLineWidth(2);
        panel->setAlignment(Qt::AlignCenter);
        panel->setMinimumSize(86, 44);
        QFont font = panel->font();
        font.setBold(true);
        panel->setFont(font);
        PaintBackground(panel, kStateOffColor);
        groups.value(group)->addWidget(panel);
        statePanels_.insert(panel->objectName(), panel);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(work);
    layout->addLayout(counter);
    layout->addLayout(transmission);
    layout->addStretch();
    layout->addLayout(states);
    layout->addWidget(Label3);
    layout->addLayout(
        form_->ButtonRow({QStringLiteral("ScmdWorkComplete"),
                          QStringLiteral("ScmdMarkingWorkStart"), QStringLiteral("ScmdEnd")}));
    for (QPushButton* b : {ScmdMarkingWorkStart, ScmdWorkComplete, ScmdEnd})
        b->setMinimumSize(160, 40);
}

void FomMarkingStateDisplay::load() {
    // The load runs while the main window comes up: what it has to say comes
    // once the event loop is free.
    LaterMessages later(this, Messages());
    ScopedMessagePort deferred(&later);
    SetScreenSize(this);
    HideScreens({ScreenId::ProgramSetting, ScreenId::MarkingSetting, ScreenId::MarkingWorkState,
                 ScreenId::Information});

    // The DIO control: its device from the saved state, inputs 0 and 1 armed.
    const DioSetUp dio = dio_.SetUp([this](const mrvdio::host::DioEvent& e) {
        if (e.kind == DISPID_OnDiInterrupt)
            MrvDIO1_OnDiInterrupt(e.index, e.ports, e.scanStart, e.scanCount);
    });
    if (!dio.device) {
        Messages().ShowMessage(dio.deviceMessage, QStringLiteral("Marking"),
                               MessageIcon::Information);
        // Kept in view: the panels stay grey without a device.
        Label3->setText(QStringLiteral("데이타 입출력 장치 이상..."));
    }
    if (!dio.stateMessage.isEmpty())
        Messages().ShowMessage(dio.stateMessage, QStringLiteral("주의!"), MessageIcon::Warning);

    (void)ModProgramSettingData().ReportIfFailed();
    if (const CommResult configured = ConfigureControllerPort(); !configured)
        qCWarning(lcRun).noquote() << configured.message;

    SetPrintControllerLamp(&printLamp_);
    SetPlcLamp(&plcLamp_);
    (void)OpenRunScreenLinks(carving_);
    send::SetProgressObserver([this](const send::TransmissionProgress& p) { showProgress(p); });
    Host().SetComCheckHandler([this] { TmrComCheck_Timer(); });

    if (central::Sender* sender = central::CentralSender()) {
        connect(sender->State(), &central::DeliveryState::Changed, this,
                &FomMarkingStateDisplay::showCentralDelivery);
    }
    showCentralDelivery();
}

bool FomMarkingStateDisplay::event(QEvent* event) {
    // Activation and deactivation follow the main window's switching: shown
    // to the main window (also while the window itself is not up yet, as at
    // program start) or hidden from it.
    if (event->type() == QEvent::ShowToParent)
        Form_Activate();
    else if (event->type() == QEvent::HideToParent)
        Form_Deactivate();
    return QWidget::event(event);
}

void FomMarkingStateDisplay::Form_Activate() {
    if (active_)
        return;
    active_ = true;
    const int activation = ++activations_;
    SharedValues& shared = Shared();
    shared.RunScreenInactive = false;
    reportLater(this, ModProgramSettingData());
    printLamp_.SetLamp(LampState::Hidden);
    form_->ClearTexts(
        {"TxtMarkingMethod", "TxtDataOne", "TxtDataTwo", "TxtDataThree", "TxtWorkTeam"});
    for (const StatePanelSpec& spec : kStatePanels)
        paintPanel(QString::fromLatin1(spec.name), PanelState::Off);
    if (!shared.RunScreenActivated) {
        shared.RunScreenActivated = true;
        Host().SetComCheckEnabled(true);
        return;
    }
    // The question is a message box with an event loop of its own: it comes
    // once the switch to this screen is over.
    QTimer::singleShot(0, this, [this, activation] { askToStart(activation); });
}

void FomMarkingStateDisplay::askToStart(int activation) {
    if (!active_ || activation != activations_)
        return;
    if (Messages().Ask(QStringLiteral("마킹 작업을 시작 하시겠습니까?"), QStringLiteral("마킹작업"),
                       MessageIcon::Information) == Answer::Yes) {
        paintPanel(QStringLiteral("SSPanel41"), PanelState::On);
        Shared().MarkingWorkStarted = true;
        (void)ModProgramSettingData().ReportIfFailed();
        // The poll runs while the text is on its way.
        Host().SetComCheckEnabled(true);
        if (FunMarkingWorkDisplay())
            send();
    } else {
        Shared().MarkingWorkStarted = false;
    }
    if (active_ && activation == activations_)
        Host().SetComCheckEnabled(true);
}

void FomMarkingStateDisplay::Form_Deactivate() {
    if (!active_)
        return;
    active_ = false;
    Shared().RunScreenInactive = true;
    if (Host().ComCheckEnabled())
        Host().SetComCheckEnabled(false);
    Shared().MarkingText.clear();
    clearWorkFields();
    TxtWorkVolume->setText(QStringLiteral("0"));
    plcLamp_.SetLamp(LampState::Hidden);
    printLamp_.SetLamp(LampState::Hidden);
}

void FomMarkingStateDisplay::clearWorkFields() {
    form_->ClearTexts(kWorkFields);
}

void FomMarkingStateDisplay::paintPanel(const QString& name, PanelState state) {
    if (QLabel* panel = statePanels_.value(name))
        PaintBackground(panel, colourOf(state));
}

bool FomMarkingStateDisplay::FunMarkingWorkDisplay() {
    refusal_.reset();
    SharedValues& shared = Shared();
    const auto head = ReadCurrentWork();
    if (!head) {
        store::ShowStoreError(head.error());
        shared.MarkingText.clear();
        refusal_ = head.error().Text();
        refusalTitle_ = store::StoreErrorTitle();
        return false;
    }
    if (!head.value()) {
        Messages().ShowMessage(kNoWork, kNoWorkTitle, MessageIcon::Information);
        shared.MarkingText.clear();
        return true;
    }
    const CurrentWork& work = *head.value();
    bool known = false;
    const int method = work.method.isNull() ? -1 : work.method.toInt(&known);
    const int parenthesis = work.parenthesis.isNull() ? -1 : work.parenthesis.toInt();
    const int team = work.workTeam.isNull() ? -1 : work.workTeam.toInt();
    auto showCommon = [&] {
        TxtParenthesis->setText(ParenthesisDisplay(parenthesis));
        TxtLength->setText(DisplayText(work.length));
        TxtPi->setText(DisplayText(work.pi));
        TxtPipeVolume->setText(DisplayText(work.pipeVolume));
        TxtWorkTeam->setText(WorkTeamName(team));
    };
    auto showLines = [&](const QString& text, const QString& prefix) {
        const std::array<QString, 3> lines = SplitMarkingData(text, prefix);
        TxtDataOne->setText(lines[0]);
        TxtDataTwo->setText(lines[1]);
        TxtDataThree->setText(lines[2]);
    };
    for (const char* name : {"TxtLengthYesOrNo", "TxtUnitYesOrNo"})
        form_->SetShown(QString::fromLatin1(name), false);
    if (known && method == SingleMarking) {
        shared.CurrentMarkingMethod = SingleMarking;
        form_->SetShown(QStringLiteral("TxtRepetition"), false);
        form_->ClearTexts({"TxtMarkingMethod", "TxtDataOne", "TxtDataTwo", "TxtDataThree",
                           "TxtLength", "TxtPi", "TxtPipeVolume", "TxtWorkTeam"});
        TxtMarkingMethod->setText(MarkingMethodName(SingleMarking));
        if (!work.data.isNull())
            showLines(work.data.toString(), work::ParenthesisPreset(parenthesis));
        showCommon();
    } else if (known && method == ContinuityMarking) {
        shared.CurrentMarkingMethod = ContinuityMarking;
        form_->SetShown(QStringLiteral("TxtRepetition"), true);
        form_->ClearTexts({"TxtMarkingMethod", "TxtDataOne", "TxtDataTwo", "TxtDataThree",
                           "TxtLength", "TxtPi", "TxtPipeVolume", "TxtRepetition", "TxtWorkTeam"});
        TxtMarkingMethod->setText(MarkingMethodName(ContinuityMarking));
        const RepetitionCheckOutcome outcome = ModContinuityMarkingDataRepetitionCheck();
        if (!outcome.ok) {
            Messages().ShowMessage(outcome.message, outcome.title, MessageIcon::Information);
            refusal_ = outcome.message;
            refusalTitle_ = outcome.title;
        } else {
            showLines(shared.MarkingText, {});
        }
        showCommon();
        TxtRepetition->setText(DisplayText(work.repetition));
    }
    shared.MarkingText.clear();
    return !refusal_;
}

void FomMarkingStateDisplay::send() {
    if (refusal_) {
        // What the display refused is not sent.
        Messages().ShowMessage(*refusal_, refusalTitle_, MessageIcon::Information);
        return;
    }
    (void)SendToPrintController(TxtDataOne->text() + TxtDataTwo->text() + TxtDataThree->text());
}

void FomMarkingStateDisplay::ScmdMarkingWorkStart_Click() {
    if (transmitting_)
        return;
    (void)ModProgramSettingData().ReportIfFailed();
    send();
}

void FomMarkingStateDisplay::FunMarkingWorkStart() {
    printLamp_.SetLamp(LampState::Hidden);
    form_->ClearTexts(
        {"TxtMarkingMethod", "TxtDataOne", "TxtDataTwo", "TxtDataThree", "TxtWorkTeam"});
    Shared().MarkingWorkStarted = true;
    (void)ModProgramSettingData().ReportIfFailed();
    if (FunMarkingWorkDisplay())
        send();
}

std::optional<SavedWork> FomMarkingStateDisplay::FunWorkDataSave() {
    const store::Result<SavedWork> saved = SaveWorkData(TxtWorkVolume->text());
    if (!saved) {
        store::ShowStoreError(saved.error());
        return std::nullopt;
    }
    return saved.value();
}

void FomMarkingStateDisplay::ScmdWorkComplete_Click() {
    if (transmitting_ || !workReport_)
        return;
    if (Messages().Ask(QStringLiteral("현재 작업을 완료하고 작업 리포트에 기록하시겠습니까?"),
                       QStringLiteral("작업 완료"), MessageIcon::Question) != Answer::Yes)
        return;
    const std::optional<SavedWork> saved = FunWorkDataSave();
    if (!saved)
        return;
    if (saved->workId != 0) {
        if (const store::Status removed = RemoveFinishedWork(saved->workId); !removed) {
            store::ShowStoreError(removed.error());
            return;
        }
    }
    // The finished work leaves the screen; the next one counts from zero.
    clearWorkFields();
    TxtWorkVolume->setText(QStringLiteral("0"));
    FunMarkingWorkStart();
}

void FomMarkingStateDisplay::ScmdTransmissionStop_Click() {
    stopRequested_ = true;
    send::CancelTransmission();
}

void FomMarkingStateDisplay::ScmdEnd_Click() {
    Host().ShowEndDialog();
}

void FomMarkingStateDisplay::FunCarvingWorkDislay() {
    using namespace store;
    Connection connection;
    Recordset rows;
    Status s = connection.Open(DatabaseFile::Database);
    if (s)
        s = rows.Open(QueryText::AllByKey(Table::CarvingWork), connection);
    if (!s) {
        ShowStoreError(s.error());
        return;
    }
    if (rows.RecordCount() <= 1)
        return;
    rows.MoveFirst();
    static const QStringList pipes{
        QStringLiteral("80A(각인높이:4.8mm)"),  QStringLiteral("90A(각인높이:4.8mm)"),
        QStringLiteral("100A(각인높이:4.8mm)"), QStringLiteral("125A(각인높이:6.4mm)"),
        QStringLiteral("150A(각인높이:6.4mm)"), QStringLiteral("175A(각인높이:6.4mm)"),
        QStringLiteral("200A(각인높이:6.4mm)")};
    static const QStringList texts{QStringLiteral("KOREA"), QStringLiteral("TIRV")};
    const QVariant pipe = rows.Field(col::C_CarvingPipe);
    const QVariant data = rows.Field(col::C_CarvingData);
    if (!pipe.isNull() && pipe.toInt() >= 0 && pipe.toInt() < pipes.size())
        TxtCarvingPipe->setText(pipes[pipe.toInt()]);
    if (!data.isNull() && data.toInt() >= 0 && data.toInt() < texts.size())
        TxtCarvingData->setText(texts[data.toInt()]);
}

void FomMarkingStateDisplay::TmrComCheck_Timer() {
    if (!line_.Poll(Shared().InputChannelCount,
                    [this](int channel) { return dio_.ReadInput(channel); }))
        return;
    for (const PolledPanel& panel : kPolledPanels)
        paintPanel(QString::fromLatin1(panel.name), line_.StateOf(panel));
}

void FomMarkingStateDisplay::MrvDIO1_OnDiInterrupt(int channel, const std::vector<uint8_t>&, int,
                                                   int scanCount) {
    if (const std::optional<QString> count =
            line_.OnDiInterrupt(channel, scanCount, TxtWorkVolume->text()))
        TxtWorkVolume->setText(*count);
}

void FomMarkingStateDisplay::showProgress(const send::TransmissionProgress& progress) {
    if (progress.running && !transmitting_)
        stopRequested_ = false;
    transmitting_ = progress.running;
    if (progress.running) {
        LblTransmission->setText(
            QStringLiteral("%1 전송 중 (%2회째)").arg(progress.what).arg(progress.attempt));
    } else {
        // Stopped by the operator: the controller's repetition, or the PLC's
        // after an acknowledged frame.
        const bool stopped = stopRequested_ || progress.outcome == send::Outcome::Cancelled;
        LblTransmission->setText(stopped ? QStringLiteral("전송을 중지했습니다.") : QString());
        stopRequested_ = false;
    }
    // The buttons that are switched off while it runs hand the focus to the
    // stop control and get it back at the end, so that Enter never lands on
    // "프로그램 종료[F10]" by itself.
    QWidget* focus = focusWidget();
    const bool focusOnStart = focus == ScmdMarkingWorkStart || focus == ScmdWorkComplete;
    const bool focusOnStop = focus == ScmdTransmissionStop;
    if (progress.running)
        ScmdTransmissionStop->setVisible(true);
    if (progress.running && focusOnStart)
        ScmdTransmissionStop->setFocus(Qt::OtherFocusReason);
    ScmdMarkingWorkStart->setEnabled(!progress.running);
    ScmdWorkComplete->setEnabled(!progress.running && workReport_);
    if (!progress.running && focusOnStop)
        ScmdMarkingWorkStart->setFocus(Qt::OtherFocusReason);
    if (!progress.running)
        ScmdTransmissionStop->setVisible(false);
}

void FomMarkingStateDisplay::showCentralDelivery() {
    central::Sender* sender = central::CentralSender();
    if (!sender) {
        LblCentralDelivery->hide();
        return;
    }
    const central::DeliveryState* state = sender->State();
    LblCentralDelivery->setText(state->Text());
    LblCentralDelivery->setToolTip(state->ToolTip());
    switch (state->State()) {
    case central::Delivery::Delivered:
        PaintBackground(LblCentralDelivery, kStateOnColor);
        break;
    case central::Delivery::Failing:
        PaintBackground(LblCentralDelivery, kStateAlarmColor);
        break;
    default:
        PaintBackground(LblCentralDelivery, kStateOffColor);
        break;
    }
    LblCentralDelivery->show();
}

} // namespace marking::run
