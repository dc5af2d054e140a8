#include "work/screens/FomMarkingSetting.h"

#include "common/MessagePort.h"
#include "common/ProgramDirectory.h"
#include "common/widgets/ScreenHost.h"
#include "common/widgets/ScreenSpec.h"
#include "store/BulkDelete.h"
#include "store/Columns.h"
#include "work/WorkList.h"
#include "work/screens/WorkScreenParts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

namespace marking::work {

using store::Status;
using store::Table;
namespace col = store::col;

namespace {
const QString kInputCheck = QStringLiteral("입력 확인!");
constexpr Qt::Alignment kNumber = Qt::AlignRight | Qt::AlignVCenter;
} // namespace

FomMarkingSetting::FomMarkingSetting(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("FomMarkingSetting"));
    setWindowTitle(QStringLiteral("마킹 사양 설정"));
    buildControls();
    SetMarkingDataFocus(1, this);

    // Load: the size, the other work screens hidden, the lists on their first
    // items, which runs the method change for single marking.
    SetScreenSize(this);
    HideScreens({ScreenId::ProgramSetting, ScreenId::MarkingWorkState,
                 ScreenId::MarkingStateDisplay, ScreenId::Information});
    CboMarkingMethod_Click();
    connect(CboMarkingMethod, &QComboBox::currentIndexChanged, this,
            &FomMarkingSetting::CboMarkingMethod_Click);
    for (QLineEdit* field : {TxtData, TxtLength, TxtRepetition}) {
        connect(field, &QLineEdit::textChanged, this, &FomMarkingSetting::UpdateLiveCheck);
    }
    connect(CboParenthesis, &QComboBox::currentIndexChanged, this,
            &FomMarkingSetting::UpdateLiveCheck);
}

FomMarkingSetting::~FomMarkingSetting() {
    if (MarkingDataFocusOf(1) == this) {
        SetMarkingDataFocus(1, nullptr);
    }
}

void FomMarkingSetting::buildControls() {
    const auto digits = [](const char* name, const char* panel, const char* caption,
                           const char* required, const char* unit) {
        return FieldSpec{.name = name,
                         .panel = panel,
                         .caption = caption,
                         .filter = FieldFilter::Digits,
                         .maxLength = 20,
                         .required = required,
                         .unit = unit,
                         .alignment = kNumber};
    };
    form_ = new ScreenForm(
        this,
        {.fields =
             {
                 // Table order is the order the work addition checks them in.
                 {.name = "TxtData",
                  .panel = "SpanData",
                  .caption = "마킹 데이터 :",
                  .filter = FieldFilter::UpperCase,
                  .maxLength = 500,
                  .required = "마킹 데이터를 입력하십시요."},
                 digits("TxtLength", "SpanLength", "길이 :", "길이를 입력하십시요.", "mm"),
                 digits("TxtPi", "SpanPi", "관경 (A) :", "관경(A)를 입력하십시요.", "mm"),
                 digits("TxtPipeVolume", "SpanPipeVolume",
                        "파이프 수량 :", "파이프 수량을 입력하십시요.", "개"),
                 // Required for continuity marking only: checked by the work addition.
                 digits("TxtRepetition", "SpanRepetition", "마킹 횟수 :", "", "회"),
                 digits("TxtSelectNumber", "SpanSelectNumber", "번호 선택 :", "", ""),
             },
         .lists = {{.name = "CboMarkingMethod",
                    .panel = "SpanMarkingMethod",
                    .caption = "마킹 방법 :",
                    .items = ItemsByPosition(
                        {MarkingMethodName(SingleMarking), MarkingMethodName(ContinuityMarking)})},
                   {.name = "CboParenthesis",
                    .panel = "SpanParenthesis",
                    .caption = "괄호 표시 :",
                    .items = ItemsByPosition(ParenthesisItems())},
                   {.name = "CboWorkTeam",
                    .panel = "SpanWorkTeam",
                    .caption = "근무 조 :",
                    .items = ItemsByPosition(WorkTeamItems())}},
         .grids = {{.name = "FlxMarkingData",
                    .panel = "SpanMarkingData",
                    .caption = "마킹 데이터",
                    .columns = {{.header = "번호", .width = 60, .alignment = Qt::AlignCenter},
                                {.header = "마킹 방법", .width = 110, .alignment = Qt::AlignCenter},
                                {.header = "마킹 데이터", .width = 780},
                                {.header = "", .hidden = true},  // M_ID
                                {.header = "", .hidden = true}}, // empty
                    .keyColumn = MdId}},
         .buttons = {{.name = "ScmdDataAddition",
                      .caption = "마킹 데이터 등록[F4]",
                      .key = Qt::Key_F4,
                      .onClick = [this] { ScmdDataAddition_Click(); }},
                     {.name = "ScmdAmendment",
                      .caption = "마킹 데이터 수정[F5]",
                      .key = Qt::Key_F5,
                      .onClick = [this] { ScmdAmendment_Click(); }},
                     {.name = "ScmdDelete",
                      .caption = "마킹 데이터 삭제[F6]",
                      .key = Qt::Key_F6,
                      .onClick = [this] { ScmdDelete_Click(); }},
                     {.name = "ScmdWorkAddition",
                      .caption = "마킹 작업 추가[F7]",
                      .key = Qt::Key_F7,
                      .onClick = [this] { ScmdWorkAddition_Click(); }},
                     {.name = "ScmdSelect",
                      .caption = "선택[F8]",
                      .key = Qt::Key_F8,
                      .onClick = [this] { ScmdSelect_Click(); }},
                     {.name = "ScmdSpecialLetter",
                      .caption = "특수문자 입력[F9]",
                      .key = Qt::Key_F9,
                      .onClick = [this] { ScmdSpecialLetter_Click(); }},
                     {.name = "ScmdEnd",
                      .caption = "프로그램 종료[F10]",
                      .key = Qt::Key_F10,
                      .onClick = [this] { ScmdEnd_Click(); }},
                     {.name = "ScmdAllDelete",
                      .caption = "데이터 전체 삭제[F11]",
                      .key = Qt::Key_F11,
                      .onClick = [this] { ScmdAllDelete_Click(); }}},
         .tabOrder = {"CboMarkingMethod", "TxtSelectNumber", "ScmdSelect", "TxtData", "TxtLength",
                      "TxtPi", "TxtPipeVolume", "TxtRepetition", "CboParenthesis", "CboWorkTeam",
                      "ScmdWorkAddition", "ScmdDataAddition", "ScmdAmendment", "ScmdDelete",
                      "ScmdAllDelete", "ScmdSpecialLetter", "ScmdEnd", "FlxMarkingData"},
         .onEsc = [this] { ClearFields(); }});

    CboMarkingMethod = form_->List("CboMarkingMethod");
    TxtSelectNumber = form_->Text("TxtSelectNumber");
    TxtData = form_->Text("TxtData");
    TxtLength = form_->Text("TxtLength");
    TxtPi = form_->Text("TxtPi");
    TxtPipeVolume = form_->Text("TxtPipeVolume");
    TxtRepetition = form_->Text("TxtRepetition");
    CboParenthesis = form_->List("CboParenthesis");
    CboWorkTeam = form_->List("CboWorkTeam");
    FlxMarkingData = form_->Grid("FlxMarkingData");
    ScmdDataAddition = form_->Button("ScmdDataAddition");
    ScmdAmendment = form_->Button("ScmdAmendment");
    ScmdDelete = form_->Button("ScmdDelete");
    ScmdWorkAddition = form_->Button("ScmdWorkAddition");
    ScmdSelect = form_->Button("ScmdSelect");
    ScmdSpecialLetter = form_->Button("ScmdSpecialLetter");
    ScmdEnd = form_->Button("ScmdEnd");
    ScmdAllDelete = form_->Button("ScmdAllDelete");
    SSPanel1 = NewTitlePanel(QStringLiteral("마킹사양 설정[F1]"), this, QStringLiteral("SSPanel1"));
    LblLiveCheck = new LiveCheckLine(this);

    connect(form_->GridOf(QStringLiteral("FlxMarkingData")), &GridBehaviour::RowClicked, this,
            &FomMarkingSetting::FlxMarkingData_Click);
    layOut();
}

void FomMarkingSetting::layOut() {
    QGridLayout* top =
        FieldWithButtonRow(*form_, "CboMarkingMethod", "TxtSelectNumber", "ScmdSelect");
    QGridLayout* data = MarkingDataRows(*form_, LblLiveCheck);
    QHBoxLayout* work = NumbersAndLists(*form_, {"CboParenthesis", "CboWorkTeam"});
    for (QPushButton* b : {ScmdWorkAddition, ScmdDataAddition, ScmdAmendment, ScmdDelete,
                           ScmdAllDelete, ScmdSpecialLetter, ScmdEnd}) {
        b->setMinimumHeight(36);
    }
    ScmdSelect->setMinimumWidth(90);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSPanel1);
    layout->addLayout(top);
    layout->addLayout(data);
    layout->addLayout(work);
    layout->addWidget(form_->Panel("FlxMarkingData"));
    layout->addWidget(FlxMarkingData, 1);
    layout->addLayout(
        form_->ButtonRow({"ScmdWorkAddition", "ScmdDataAddition", "ScmdAmendment", "ScmdDelete",
                          "ScmdAllDelete", "ScmdSpecialLetter", "ScmdEnd"}));
}

Status FomMarkingSetting::fillGrid() {
    const auto rows =
        ReadMarkingDataRows(ProgramDirectory(), CboMarkingMethod->currentData().toInt());
    GridBehaviour* grid = form_->GridOf(QStringLiteral("FlxMarkingData"));
    if (!rows) {
        grid->Reset();
        return rows.status();
    }
    grid->Fill(rows.value());
    return Status();
}

void FomMarkingSetting::ShowMarkingData() {
    (void)fillGrid().ReportIfFailed();
}

void FomMarkingSetting::FlxMarkingData_Click(int row) {
    TxtData->clear();
    GridBehaviour* grid = form_->GridOf(QStringLiteral("FlxMarkingData"));
    if (row <= 0 || row >= grid->Rows()) {
        return;
    }
    TxtSelectNumber->setText(grid->Text(row, MdNumber));
    SetFieldText(TxtData, grid->Text(row, MdData));
    Shared().SelectedRecordId = grid->Text(row, MdId).toInt();
    grid->SelectRow(row);
    TxtSelectNumber->setFocus();
}

void FomMarkingSetting::ScmdSelect_Click() {
    const QString typed = TxtSelectNumber->text();
    if (typed.isEmpty()) {
        Messages().ShowMessage(QStringLiteral("선택할 데이터의 번호를 입력하십시요."), kInputCheck,
                               MessageIcon::Information);
        TxtSelectNumber->setFocus();
        return;
    }
    GridBehaviour* grid = form_->GridOf(QStringLiteral("FlxMarkingData"));
    bool ok = false;
    const qint64 n = typed.toLongLong(&ok);
    if (!ok || n == 0 || n >= grid->Rows()) {
        Messages().ShowMessage(QStringLiteral("선택한 번호 ") + typed +
                                   QStringLiteral("는 존재하지 않는 데이터입니다."),
                               kInputCheck, MessageIcon::Information);
        TxtSelectNumber->setFocus();
        return;
    }
    const int row = static_cast<int>(n);
    SetFieldText(TxtData, grid->Text(row, MdData));
    Shared().SelectedRecordId = grid->Text(row, MdId).toInt();
    grid->SelectRow(row);
    TxtSelectNumber->setFocus();
}

void FomMarkingSetting::ScmdDataAddition_Click() {
    if (!CheckMarkingText(TxtData->text(), 1, live_)) {
        return;
    }
    if (!AddStoredRow(Table::MarkingSetting,
                      {{col::M_MarkingMethod, CboMarkingMethod->currentData()},
                       {col::M_Data, Shared().MarkingText}})) {
        return;
    }
    Messages().ShowMessage(QStringLiteral("정상적으로 등록 되었습니다."),
                           QStringLiteral("데이터 추가 확인!"), MessageIcon::Information);
    TxtData->clear();
    TxtData->setFocus();
    ShowMarkingData();
}

void FomMarkingSetting::ScmdAmendment_Click() {
    if (!CheckMarkingText(TxtData->text(), 1, live_)) {
        return;
    }
    if (AmendStoredRow(Table::MarkingSetting, Shared().SelectedRecordId,
                       {{col::M_MarkingMethod, CboMarkingMethod->currentData()},
                        {col::M_Data, Shared().MarkingText}}) == RowChange::Failed) {
        return;
    }
    TxtData->clear();
    TxtSelectNumber->setFocus();
    ShowMarkingData();
}

void FomMarkingSetting::ScmdDelete_Click() {
    if (TxtData->text().isEmpty()) {
        Messages().ShowMessage(QStringLiteral("우선 삭제하려는 데이터를 선택하십시오."),
                               QStringLiteral("데이터 선택 확인!"), MessageIcon::Information);
        TxtData->setFocus();
        return;
    }
    if (DeleteStoredRow(Table::MarkingSetting, Shared().SelectedRecordId,
                        QStringLiteral("데이터를 삭제하시겠습니까?")) == RowChange::Failed) {
        return;
    }
    TxtData->clear();
    TxtSelectNumber->setFocus();
    ShowMarkingData();
}

void FomMarkingSetting::ScmdAllDelete_Click() {
    if (Messages().Ask(QStringLiteral("마킹 데이터를 모두 삭제 하시겠습니까?"),
                       QStringLiteral("마킹 데이터 전체 삭제"),
                       MessageIcon::Information) != Answer::Yes) {
        return;
    }
    (void)ModMarkingDataAllDelete().ReportIfFailed();
    ShowMarkingData();
}

void FomMarkingSetting::ScmdWorkAddition_Click() {
    if (form_->RefuseMissingRequired()) {
        return;
    }
    const int method = CboMarkingMethod->currentData().toInt();
    const bool continuity = method == ContinuityMarking;
    const std::optional<WorkNumbers> numbers = ReadWorkNumbers(
        *form_, continuity, QStringLiteral("마킹 횟수를 입력하십시요."), kInputCheck);
    if (!numbers || !CheckWork(*form_, 1, method, *numbers, live_)) {
        return;
    }
    QList<ColumnValue> values{{col::W_MarkingMethod, method},
                              {col::W_Data, Shared().MarkingText},
                              {col::W_Length, TxtLength->text()},
                              {col::W_Pi, TxtPi->text()},
                              {col::W_PipeVolume, TxtPipeVolume->text()},
                              {col::W_Parenthesis, CboParenthesis->currentIndex()},
                              {col::W_WorkTeam, CboWorkTeam->currentIndex()}};
    if (continuity) {
        values.append({col::W_Reptition, TxtRepetition->text()});
    }
    if (!AddStoredRow(Table::MarkingWork, values)) {
        return;
    }
    Messages().ShowMessage(QStringLiteral("마킹 작업에 정상적으로 추가되었습니다."),
                           QStringLiteral("데이터 추가 확인!"), MessageIcon::Information);
    QStringList cleared{"TxtData", "TxtLength", "TxtPi", "TxtPipeVolume"};
    if (continuity) {
        cleared << QStringLiteral("TxtRepetition");
    }
    form_->ClearTexts(cleared);
    TxtSelectNumber->setFocus();
}

void FomMarkingSetting::ScmdSpecialLetter_Click() {
    OpenSpecialLetters(1, 0, live_, this);
}

void FomMarkingSetting::ScmdEnd_Click() {
    Host().ShowEndDialog();
}

void FomMarkingSetting::ClearFields() {
    form_->ClearTexts(
        {"TxtData", "TxtLength", "TxtPi", "TxtPipeVolume", "TxtRepetition", "TxtSelectNumber"});
    TxtSelectNumber->setFocus();
}

void FomMarkingSetting::CboMarkingMethod_Click() {
    form_->SetShown(QStringLiteral("TxtRepetition"),
                    CboMarkingMethod->currentData().toInt() == ContinuityMarking);
    form_->ClearTexts(
        {"TxtSelectNumber", "TxtData", "TxtLength", "TxtPi", "TxtPipeVolume", "TxtRepetition"});
    if (isVisible()) {
        ShowMarkingData();
    } else {
        // Loading: shown once the screen is up.
        ReportStoreErrorLater(this, fillGrid());
    }
    UpdateLiveCheck();
}

void FomMarkingSetting::UpdateLiveCheck() {
    LblLiveCheck->Show(CheckLive(live_.For(*form_, 1, CboMarkingMethod->currentData().toInt())));
}

void FomMarkingSetting::FocusMarkingData() {
    TxtData->setFocus();
}

void FomMarkingSetting::AppendMarkingData(const QString& letter) {
    AppendToMarkingData(TxtData, letter);
}

void FomMarkingSetting::InsertMarkingDataAtCaret(const QString& letter) {
    InsertIntoMarkingData(TxtData, letter);
}

void FomMarkingSetting::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    // Activation.
    Shared().SpecialLetterTarget = 0;
    live_.Reload();
    UpdateLiveCheck();
}

void FomMarkingSetting::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) {
        Shared().SpecialLetterTarget = 0;
    }
}

} // namespace marking::work
