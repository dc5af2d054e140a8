#include "store/screen/FomProgramSetting.h"

#include "common/MessagePort.h"
#include "common/SettingsStore.h"
#include "common/widgets/Modal.h"
#include "common/widgets/ScreenHost.h"
#include "common/widgets/ScreenSpec.h"
#include "store/Columns.h"
#include "store/Connection.h"
#include "store/QueryText.h"
#include "store/Recordset.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QVBoxLayout>

namespace marking::store {

namespace {

const QString kSettingQuery = store::QueryText::AllByKey(store::Table::ProgramSetting);

QStringList comPortItems() {
    QStringList items;
    for (int n = 1; n <= 10; ++n) {
        items << QStringLiteral("COM %1").arg(n);
    }
    return items;
}

const QStringList kDirections{QStringLiteral("일반 마킹"), QStringLiteral("역 마킹")};
constexpr Qt::Alignment kNumber = Qt::AlignRight | Qt::AlignVCenter;

} // namespace

QStringList CalculatorCommand() {
    const QString configured =
        OpenSettings()->value(QStringLiteral("Tools/Calculator")).toString().trimmed();
    if (!configured.isEmpty()) {
        return QProcess::splitCommand(configured);
    }
    for (const char* name : {"gnome-calculator", "galculator", "kcalc", "xcalc"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty()) {
            return {path};
        }
    }
    return {};
}

FomProgramSetting::FomProgramSetting(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("FomProgramSetting"));
    setWindowTitle(QStringLiteral("프로그램 설정"));
    buildControls();

    // Creation, once (the lists are filled with their first item selected).
    SetScreenSize(this);
    HideScreens({ScreenId::MarkingSetting, ScreenId::MarkingWorkState,
                 ScreenId::MarkingStateDisplay, ScreenId::Information});
    for (QLineEdit* field :
         {TxtPipeSide, TxtDotDimension, TxtLetterIntervalDotVolume, TxtRevision, TxtPulse}) {
        field->clear();
    }
    showStoredSettings();
    fillHelp();
}

void FomProgramSetting::buildControls() {
    const QStringList ports = comPortItems();
    form_ = new ScreenForm(
        this,
        {.fields =
             {
                 {.name = "TxtPipeSide",
                  .panel = "SpanPipeSide",
                  .caption = "관단 :",
                  .filter = FieldFilter::Digits,
                  .column = store::col::P_PipeSide,
                  .required = "관단을 입력하십시요.",
                  .alignment = kNumber},
                 {.name = "TxtDotDimension",
                  .panel = "SpanDotDimension",
                  .caption = "Dot 피치 :",
                  .filter = FieldFilter::Decimal,
                  .column = store::col::P_DotDimension,
                  .required = "Dot 피치를 입력하십시요.",
                  .alignment = kNumber},
                 {.name = "TxtLetterIntervalDotVolume",
                  .panel = "SpanLetterIntervalDotVolume",
                  .caption = "문자간 Dot 수 :",
                  .filter = FieldFilter::Digits,
                  .column = store::col::P_LetterIntervalDotVolume,
                  .required = "문자간 Dot 수를 입력하십시요.",
                  .alignment = kNumber},
                 {.name = "TxtRevision",
                  .panel = "SpanRevision",
                  .caption = "보정치 :",
                  .filter = FieldFilter::Decimal,
                  .column = store::col::P_Revision,
                  .required = "보정치를 입력하십시요.",
                  .alignment = kNumber},
                 {.name = "TxtHeadHome",
                  .panel = "SpanHeadHome",
                  .caption = "Head Home :",
                  .filter = FieldFilter::Digits,
                  .hidden = true,
                  .column = store::col::P_HeadHome,
                  .required = "Head Home을 입력하십시요.",
                  .alignment = kNumber},
                 {.name = "TxtGAP",
                  .panel = "SpanGAP",
                  .caption = "GAP :",
                  .filter = FieldFilter::Digits,
                  .hidden = true,
                  .column = store::col::P_GAP,
                  .required = "GAP을 입력하십시요.",
                  .alignment = kNumber},
                 {.name = "TxtPulse",
                  .panel = "SpanPulse",
                  .caption = "헤드 펄스 비 :",
                  .filter = FieldFilter::Decimal,
                  .hidden = true,
                  .column = store::col::P_Pulse,
                  .required = "PLC 펄스 비를 입력하십시요.",
                  .alignment = kNumber},
                 {.name = "TxtStopperPulse",
                  .panel = "SpanStopperPulse",
                  .caption = "스토퍼펄스비 :",
                  .filter = FieldFilter::Decimal,
                  .hidden = true,
                  .column = store::col::P_StopperPulse,
                  .required = "스토퍼 펄스 비를 입력하십시요.",
                  .alignment = kNumber},
                 {.name = "CheMarkingWorkDelete",
                  .panel = "SpanMarkingWorkDelete",
                  .caption = "프로그램 종료시 마킹 작업 내역 삭제 :",
                  .kind = FieldKind::Check,
                  .column = store::col::P_MarkingWorkDeleteCheck},
                 {.name = "CheNullRecordDelete",
                  .panel = "SPanNullRecordDelete",
                  .caption = "  마킹 작업 내역 DB Null 레코드 삭제 :",
                  .kind = FieldKind::Check,
                  .hidden = true,
                  .column = store::col::P_NullRecordDelete},
             },
         // The marking direction lists write 0 or 1 and leave their column as
         // it is when nothing is selected; the others write -1 then.
         .lists =
             {
                 {.name = "CboSingleMarking",
                  .panel = "SpanSingleMarking",
                  .caption = "   단 마킹 :",
                  .items = ItemsByPosition(kDirections),
                  .column = store::col::P_SingleMarking,
                  .noneValue = {}},
                 {.name = "CboContinuityMarking",
                  .panel = "SpanContinuityMarking",
                  .caption = "연속 마킹 :",
                  .items = ItemsByPosition(kDirections),
                  .column = store::col::P_ContinuityMarking,
                  .noneValue = {}},
                 {.name = "CboFileMarking",
                  .panel = "SpanFileMarking",
                  .caption = "파일 마킹 :",
                  .items = ItemsByPosition(kDirections),
                  .hidden = true,
                  .column = store::col::P_FileMarking,
                  .noneValue = {}},
                 {.name = "CboPrintControler",
                  .panel = "SpanPrintControler",
                  .caption = "프린트 컨트롤러 :",
                  .items = ItemsByPosition({"TRX-20", "HVL-5", "TRX-30"}),
                  .column = store::col::P_PrintControler},
                 {.name = "CboCarvingMachine",
                  .panel = "SpanCarvingMachine",
                  .caption = "각인기 :",
                  .items = ItemsByPosition({"DRE 40 T"}),
                  .hidden = true,
                  .column = store::col::P_CarvingMachine},
                 {.name = "CboPLC",
                  .panel = "SpanPLC",
                  .caption = "PLC :",
                  .items = ItemsByPosition({"MASTER-K10S1", "YNS7", "MASTER-K200H"}),
                  .hidden = true,
                  .column = store::col::P_PLC},
                 {.name = "CboFileMarkingDataIntervalCheck",
                  .panel = "SPanFileMarkingDataIntervalCheck",
                  .caption = "파일 마킹 데이터 간격 :",
                  .items = ItemsByPosition({"1M 단위 표시", "0.5M 단위 표시"}),
                  .hidden = true,
                  .column = store::col::P_FileMarkingDataIntervalCheck},
                 {.name = "CboCarvingMachineComPort",
                  .panel = "SpanCarvingMachineComPort",
                  .caption = "각인기 :",
                  .items = ItemsByPosition(ports),
                  .hidden = true,
                  .column = store::col::P_CarvingMachineComPort},
                 {.name = "CboPrintControlerComPort",
                  .panel = "SpanPrintControlerComPort",
                  .caption = "프린트 컨트롤러 :",
                  .items = ItemsByPosition(ports),
                  .column = store::col::P_PrintControlerComPort},
                 {.name = "CboPLCComPort",
                  .panel = "SpanPLCComPort",
                  .caption = "PLC :",
                  .items = ItemsByPosition(ports),
                  .hidden = true,
                  .column = store::col::P_PLCComPort},
             },
         .grids = {{.name = "FlxHelp",
                    .panel = "SpanHelp",
                    .caption = "Help",
                    .columns = {{.header = QString(105, u' ') + QStringLiteral("* 프로그램 설정 *"),
                                 .width = 0},
                                {.header = "", .width = 40}},
                    .rows = 100}},
         .buttons = {{.name = "ScmdAmendment",
                      .caption = "수  정[F4]",
                      .key = Qt::Key_F4,
                      .onClick = [this] { ScmdAmendment_Click(); }},
                     {.name = "ScmdCalculator",
                      .caption = "계산기 [F5]",
                      .key = Qt::Key_F5,
                      .onClick = [this] { ScmdCalculator_Click(); }},
                     {.name = "ScmdEnd",
                      .caption = "프로그램 종료[F10]",
                      .key = Qt::Key_F10,
                      .onClick = [this] { ScmdEnd_Click(); }}},
         .tabOrder = {"CboSingleMarking",
                      "CboContinuityMarking",
                      "CboFileMarking",
                      "CboPrintControler",
                      "CboCarvingMachine",
                      "CboPLC",
                      "TxtPipeSide",
                      "TxtDotDimension",
                      "TxtLetterIntervalDotVolume",
                      "TxtRevision",
                      "TxtHeadHome",
                      "TxtGAP",
                      "TxtPulse",
                      "TxtStopperPulse",
                      "CheMarkingWorkDelete",
                      "CheNullRecordDelete",
                      "CboFileMarkingDataIntervalCheck",
                      "CboCarvingMachineComPort",
                      "CboPrintControlerComPort",
                      "CboPLCComPort",
                      "ScmdAmendment",
                      "ScmdCalculator",
                      "ScmdEnd",
                      "FlxHelp"},
         .onEsc = [this] { ClearTextFields(); },
         .escFrom = EscFrom::TextFields});

    CboSingleMarking = form_->List("CboSingleMarking");
    CboContinuityMarking = form_->List("CboContinuityMarking");
    CboFileMarking = form_->List("CboFileMarking");
    CboPrintControler = form_->List("CboPrintControler");
    CboCarvingMachine = form_->List("CboCarvingMachine");
    CboPLC = form_->List("CboPLC");
    TxtPipeSide = form_->Text("TxtPipeSide");
    TxtDotDimension = form_->Text("TxtDotDimension");
    TxtLetterIntervalDotVolume = form_->Text("TxtLetterIntervalDotVolume");
    TxtRevision = form_->Text("TxtRevision");
    TxtHeadHome = form_->Text("TxtHeadHome");
    TxtGAP = form_->Text("TxtGAP");
    TxtPulse = form_->Text("TxtPulse");
    TxtStopperPulse = form_->Text("TxtStopperPulse");
    CheMarkingWorkDelete = form_->Check("CheMarkingWorkDelete");
    CheNullRecordDelete = form_->Check("CheNullRecordDelete");
    CboFileMarkingDataIntervalCheck = form_->List("CboFileMarkingDataIntervalCheck");
    CboCarvingMachineComPort = form_->List("CboCarvingMachineComPort");
    CboPrintControlerComPort = form_->List("CboPrintControlerComPort");
    CboPLCComPort = form_->List("CboPLCComPort");
    SpanHelp = form_->Panel("FlxHelp");
    FlxHelp = form_->Grid("FlxHelp");
    ScmdAmendment = form_->Button("ScmdAmendment");
    ScmdCalculator = form_->Button("ScmdCalculator");
    ScmdEnd = form_->Button("ScmdEnd");
    SSPanel3 = NewTitlePanel(QStringLiteral("프로그램 설정"), this, QStringLiteral("SSPanel3"));
    layOut();
}

void FomProgramSetting::layOut() {
    auto group = [this](const QString& title, const QStringList& names, int captionWidth) {
        auto* box = new QGroupBox(title, this);
        auto* grid = new QGridLayout(box);
        grid->setColumnMinimumWidth(0, captionWidth);
        grid->setColumnStretch(1, 1);
        form_->AddRows(grid, names);
        grid->setRowStretch(grid->rowCount(), 1);
        return box;
    };
    auto* method = group(QStringLiteral("마킹방법 설정"),
                         {"CboSingleMarking", "CboContinuityMarking", "CboFileMarking"}, 150);
    auto* hardware = group(QStringLiteral("하드웨어 설정"),
                           {"CboPrintControler", "CboCarvingMachine", "CboPLC"}, 150);
    auto* marking = group(QStringLiteral("마킹 관련 설정"),
                          {"TxtPipeSide", "TxtDotDimension", "TxtLetterIntervalDotVolume",
                           "TxtRevision", "TxtHeadHome", "TxtGAP", "TxtPulse", "TxtStopperPulse"},
                          150);
    auto* other = group(
        QStringLiteral("기타 설정"),
        {"CheMarkingWorkDelete", "CheNullRecordDelete", "CboFileMarkingDataIntervalCheck"}, 290);
    auto* ports =
        group(QStringLiteral("통신 포트 설정"),
              {"CboCarvingMachineComPort", "CboPrintControlerComPort", "CboPLCComPort"}, 150);
    for (QPushButton* b : {ScmdAmendment, ScmdCalculator, ScmdEnd}) {
        b->setMinimumSize(150, 36);
    }

    auto* left = new QVBoxLayout;
    left->addWidget(method);
    left->addWidget(hardware);
    left->addWidget(ports);
    auto* right = new QVBoxLayout;
    right->addWidget(marking);
    right->addWidget(other);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSPanel3);
    layout->addLayout(columns);
    layout->addWidget(SpanHelp);
    layout->addWidget(FlxHelp, 1);
    layout->addLayout(form_->ButtonRow());
}

QList<QLineEdit*> FomProgramSetting::TextFields() const {
    QList<QLineEdit*> fields;
    for (const FieldSpec& f : form_->Spec().fields) {
        if (f.kind == FieldKind::Text) {
            fields.append(form_->Text(f.name));
        }
    }
    return fields;
}

QLabel* FomProgramSetting::CaptionPanelOf(QWidget* field) const {
    return qobject_cast<QLabel*>(form_->Behaviour()->CaptionPanelOf(field));
}

void FomProgramSetting::showStoredSettings() {
    Connection connection;
    if (const Status opened = connection.Open(DatabaseFile::Database); !opened) {
        loadError_ = opened.error();
        return;
    }
    Recordset rs;
    if (const Status queried = rs.Open(kSettingQuery, connection); !queried) {
        loadError_ = queried.error();
        return;
    }
    if (rs.RecordCount() == 0) {
        Messages().ShowMessage(
            QStringLiteral("프로그램 설정 데이터베이스에 데이터가 존재하지 않습니다."),
            QStringLiteral("데이터 확인!"), MessageIcon::Information);
    } else if (rs.RecordCount() == 1) {
        rs.MoveFirst();
        QVariantHash row;
        for (const QString& column : form_->Columns()) {
            QVariant value = rs.Field(column);
            // A check box shows a flag: true only from a true number or
            // boolean; a text there is refused, not shown as ticked.
            const FieldSpec* field = form_->FieldOfColumn(column);
            if (field != nullptr && field->kind == FieldKind::Check) {
                const Result<bool> flag = ToBool(value, column);
                if (!flag) {
                    loadError_ = connection.Error(flag.error().kind, flag.error().reason);
                    return;
                }
                value = flag.value();
            }
            row.insert(column, value);
        }
        stored_ = row;
        form_->Load(stored_);
    }
    rs.Close();
    connection.Close();
}

void FomProgramSetting::fillHelp() {
    const auto blanks = [](int n) { return QString(n, u' '); };
    const QList<std::pair<int, QString>> rows{
        {2, QStringLiteral(" 1. 프로그램 설정 화면은 마킹 작업 및 프로그램 사용에 대한 기초 설정을 "
                           "하는 곳입니다.(Ver 2.0.00 알파)")},
        {4, QStringLiteral(" 2. 마킹 방법 설정 : 마킹방법 설정은 각 마킹방법에 대하여 일반 마킹과 "
                           "역마킹을 설정합니다.(Ver 2.0.00 알파)")},
        {6,
         QStringLiteral(" 3. 하드웨어 설정 : 하드웨어 설정은 마킹 작업에 필요한 프린트 컨트롤러와 "
                        "각인기, PLC를 설정합니다.(Ver 2.0.00 알파)")},
        {8,
         QStringLiteral(" 4. 마킹 관련 설정 : 마킹 관련 설정은 마킹 작업을 할 때 필요한 파이프의 "
                        "관단 및 Dot 피치, 문자간 Dot 수, 보정치를 설정합니다.")},
        {9, blanks(29) + QStringLiteral("관단은 파이프 양쪽의 관단을 설정하는 곳입니다. 파이프 "
                                        "좌측과 우측의 관단을 합한 값을 입력합니다. 단위는 "
                                        "mm입니다.")},
        {10, blanks(29) + QStringLiteral("Dot 피치는 프린트 컨트롤러의 Dot 크기를 입력하는 "
                                         "곳입니다. 단위는 mm입니다.")},
        {11, blanks(29) + QStringLiteral("보정치는 마킹 작업시 계산된 값과 실제 마킹된 거리의 "
                                         "오차를 줄이기 위한 것으로, 기본값은 '1'입니다.(Ver "
                                         "2.0.00 알파)")},
        {12, blanks(29) + QStringLiteral("Head Home은 마킹기 헤드의 Home 포지션 높이를 "
                                         "입력합니다. 단위는 mm입니다.(Ver 2.3.02 알파 추가 "
                                         "기능)")},
        {13, blanks(29) + QStringLiteral("GAP는 마킹기 헤드와 파이프간의 거리를 입력합니다. "
                                         "단위는 mm입니다.(Ver 2.3.02 알파 추가 기능)")},
        {14, blanks(29) + QStringLiteral("헤드 펄스 비는 마킹기 헤드 높이 조절을 위한, 파이프 "
                                         "관경에 대한 Pulse 비율을 나타내며, 기본값은 "
                                         "'1'입니다.(Ver 2.3.02 알파 추가 기능)")},
        {15, blanks(29) + QStringLiteral("스토퍼 펄스 비는 스토퍼의 이동 거리를 조정하기 위한 "
                                         "PLC의 Pulse 비율을 나타내며, 기본값은 '1'입니다.(Ver "
                                         "2.3.02 알파 추가 기능)")},
        {17,
         QStringLiteral(" 5. 기타 설정 : 프로그램 종료시 마킹 작업 내역 삭제는 프로그램이 "
                        "종료되면서 마킹 작업 내역[F2] 화면의 데이터를 삭제하기 위한 것입니다.")},
        {18, blanks(22) + QStringLiteral("마킹 작업 내역 DB Null 레코드 삭제는 마킹 작업 "
                                         "현황[F2] 화면에서 데이터베이스에 Null이  있을 경우 "
                                         "문제를 방지하기위한 것으로 반드시")},
        {19, blanks(22) + QStringLiteral("체크되어 있어야 합니다.(Ver 2.0.00 알파)")},
        {20, blanks(22) + QStringLiteral("파일 마킹 데이터 간격은 파일 마킹시 1M 단위로 표시 할 "
                                         "것인지, 0.5M 단위로 표시 할 것인지를 설정합니다.(Ver "
                                         "2.1.09 알파 추가 기능)")},
        {22, QStringLiteral(" 6. 통신포트 설정 : 컴퓨터와 프린트 컨트롤러, 각인기, PLC등 각종 "
                            "하드웨어 장비와의 통신을 위한 포트를 설정합니다.")},
        {23, blanks(28) + QStringLiteral("프린트 컨트롤러는 프린트 컨트롤러와 통신 할 컴퓨터의 "
                                         "통신 포트를 설정하는 곳입니다.")},
        {24, blanks(28) + QStringLiteral("각인기는 각인기와 통신 할 컴퓨터의 통신 포트를 "
                                         "설정하는 곳입니다.(Ver 2.2.05 알파 추가 기능)")},
        {25, blanks(28) + QStringLiteral("PLC는 PLC와 통신 할 컴퓨터의 통신 포트를 설정하는 "
                                         "곳입니다.(Ver 2.1.09 알파 추가 기능)")},
    };
    QList<QStringList> cells(99);
    for (const auto& [row, text] : rows) {
        if (row > 0) {
            cells[row - 1] = QStringList{text};
        }
    }
    GridBehaviour::Of(FlxHelp)->Fill(cells);
}

void FomProgramSetting::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (loadError_) {
        // Shown once the screen is up: a message box opened here would run
        // its event loop in the middle of the show.
        const StoreError error = *loadError_;
        loadError_.reset();
        ReportLater(this, [error] { ShowStoreError(error); });
    }
}

void FomProgramSetting::ClearTextFields() {
    form_->ClearTexts();
    TxtPipeSide->setFocus();
}

void FomProgramSetting::ScmdAmendment_Click() {
    // Esc empties the hidden fields as well, which the operator can neither
    // see nor fill again: once the shown fields are filled, an empty hidden
    // field takes its stored value back, so that the save can succeed.
    if (form_->ShownRequiredFilled()) {
        form_->LoadEmptyHidden(stored_);
    }
    if (form_->RefuseMissingRequired()) {
        return;
    }
    if (CboCarvingMachineComPort->currentIndex() == CboPLCComPort->currentIndex()) {
        Messages().ShowMessage(QStringLiteral("각인기와 PLC가 같은 통신포트를 사용할 수 없습니다."),
                               QStringLiteral("선택 확인!"), MessageIcon::Information);
        if (CboCarvingMachineComPort->isVisibleTo(this)) {
            CboCarvingMachineComPort->setFocus();
        }
        return;
    }

    Connection connection;
    if (!connection.Open(DatabaseFile::Database).ReportIfFailed()) {
        return;
    }
    Recordset rs;
    if (!rs.Open(kSettingQuery, connection).ReportIfFailed()) {
        return;
    }
    if (rs.RecordCount() != 1) {
        return;
    }
    rs.MoveFirst();

    // Every column in one edit: a value the table cannot take refuses the
    // whole row, and nothing is stored.
    const QList<ColumnValue> values = form_->Save();
    for (const auto& [column, value] : values) {
        if (const Status written = rs.SetField(column, value); !written) {
            rs.CancelUpdate();
            const FieldSpec* field = form_->FieldOfColumn(column);
            const QString name = field ? QString(field->caption).remove(u':').trimmed() : QString();
            const QString what = name.isEmpty()
                                     ? written.error().Text()
                                     : QStringLiteral("%1 값 \"%2\"을(를) 숫자로 저장할 수 "
                                                      "없습니다. 설정을 저장하지 않았습니다.\n%3")
                                           .arg(name, value.toString(), written.error().Text());
            Messages().ShowMessage(what, StoreErrorTitle(), MessageIcon::Information);
            return;
        }
    }
    if (!rs.Update().ReportIfFailed()) {
        return;
    }
    for (const auto& [column, value] : values) {
        stored_.insert(column, value);
    }
    Messages().ShowMessage(QStringLiteral("정상적으로 수정 되었습니다."),
                           QStringLiteral("수정 확인!"), MessageIcon::Information);
    rs.Close();
    connection.Close();
}

void FomProgramSetting::ScmdCalculator_Click() {
    const QStringList command = CalculatorCommand();
    if (command.isEmpty()) {
        Messages().ShowMessage(
            QStringLiteral("계산기 프로그램을 찾을 수 없습니다. gnome-calculator, galculator, "
                           "kcalc, xcalc 중 하나를 설치하거나 설정 파일의 [Tools] Calculator에 "
                           "지정하십시오."),
            QStringLiteral("확인!"), MessageIcon::Information);
        return;
    }
    QStringList arguments = command;
    const QString program = arguments.takeFirst();
    if (!QProcess::startDetached(program, arguments)) {
        Messages().ShowMessage(
            QStringLiteral("계산기를 시작할 수 없습니다. (%1)").arg(command.join(u' ')),
            QStringLiteral("확인!"), MessageIcon::Information);
    }
}

void FomProgramSetting::ScmdEnd_Click() {
    Host().ShowEndDialog();
}

} // namespace marking::store
