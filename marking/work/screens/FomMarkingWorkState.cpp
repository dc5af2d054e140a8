#include "work/screens/FomMarkingWorkState.h"

#include "common/MessagePort.h"
#include "common/ProgramDirectory.h"
#include "common/widgets/ScreenHost.h"
#include "common/widgets/ScreenSpec.h"
#include "store/BulkDelete.h"
#include "store/Columns.h"
#include "work/CarvingWork.h"
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
const QString kInputError = QStringLiteral("입력오류!");
const QString kCaution = QStringLiteral("주의!");
constexpr Qt::Alignment kNumber = Qt::AlignRight | Qt::AlignVCenter;

// The index of a text among a list's items (-1: none).
int itemIndex(const QComboBox* list, const QString& text) {
    return list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void selectText(QComboBox* list, const QString& text) {
    if (const int i = itemIndex(list, text); i >= 0) {
        list->setCurrentIndex(i);
    }
}
} // namespace

FomMarkingWorkState::FomMarkingWorkState(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("FomMarkingWorkState"));
    setWindowTitle(QStringLiteral("마킹 작업 현황"));
    buildControls();
    SetMarkingDataFocus(2, this);

    // Load: the size and the other work screens hidden; the lists are filled.
    SetScreenSize(this);
    HideScreens({ScreenId::ProgramSetting, ScreenId::MarkingSetting, ScreenId::MarkingStateDisplay,
                 ScreenId::Information});
    for (QLineEdit* field : {TxtMarkingMethod, TxtData, TxtLength, TxtRepetition}) {
        connect(field, &QLineEdit::textChanged, this, &FomMarkingWorkState::UpdateLiveCheck);
    }
    connect(CboParenthesis, &QComboBox::currentIndexChanged, this,
            &FomMarkingWorkState::UpdateLiveCheck);
}

FomMarkingWorkState::~FomMarkingWorkState() {
    if (MarkingDataFocusOf(2) == this) {
        SetMarkingDataFocus(2, nullptr);
    }
}

void FomMarkingWorkState::buildControls() {
    const auto digits = [](const char* name, const char* panel, const char* caption,
                           const char* required, const char* unit, bool hidden = false) {
        return FieldSpec{.name = name,
                         .panel = panel,
                         .caption = caption,
                         .filter = FieldFilter::Digits,
                         .maxLength = 20,
                         .hidden = hidden,
                         .required = required,
                         .requiredTitle = kCaution,
                         .unit = unit,
                         .alignment = kNumber};
    };
    FieldSpec firstWork = digits("TxtFirstWork", "SpnaFirstWork", "첫번째 작업 번호 :", "", "");
    firstWork.enterTo = QStringLiteral("ScmdOk");
    const auto list = [](const char* name, const char* panel, const char* caption,
                         const QStringList& items, bool hidden = false) {
        return ListSpec{.name = name,
                        .panel = panel,
                        .caption = caption,
                        .items = ItemsByPosition(items),
                        .hidden = hidden};
    };
    QList<GridColumn> columns{{.header = "번호", .width = 45, .alignment = Qt::AlignCenter},
                              {.header = "마킹 방법", .width = 72, .alignment = Qt::AlignCenter},
                              {.header = "마킹 데이터", .width = 225},
                              {.header = "길이", .width = 58, .alignment = Qt::AlignCenter},
                              {.header = "파이 (π)", .width = 60, .alignment = Qt::AlignCenter},
                              {.header = "파이프 수량", .width = 80, .alignment = Qt::AlignCenter},
                              {.header = "마킹 횟수", .width = 95, .alignment = Qt::AlignCenter},
                              {.header = "길이표시", .width = 92, .alignment = Qt::AlignCenter},
                              {.header = "단위표시", .width = 92, .alignment = Qt::AlignCenter},
                              {.header = "괄호표시", .width = 118, .alignment = Qt::AlignCenter},
                              {.header = "근무 조", .width = 55, .alignment = Qt::AlignCenter},
                              {.header = "", .hidden = true}}; // W_ID
    form_ = new ScreenForm(
        this,
        {.fields =
             {
                 {.name = "TxtMarkingMethod",
                  .panel = "SpanMarkingMethodTitle",
                  .caption = "마킹 방법 :",
                  .readOnly = true,
                  .ownColours = true},
                 // Table order is the order the amendment checks them in.
                 {.name = "TxtData",
                  .panel = "SpanMarkingData",
                  .caption = "마킹 데이터 :",
                  .filter = FieldFilter::UpperCase,
                  .maxLength = 500,
                  .required = "마킹 데이터를 입력하십시오.",
                  .requiredTitle = kCaution},
                 digits("TxtLength", "SpanLength", "길이 :", "길이를 입력하십시오.", "mm"),
                 digits("TxtPi", "SpanPi", "관경 (A) :", "관경(A)를 입력하십시오.", "mm"),
                 digits("TxtPipeVolume", "SpanPipeVolume",
                        "파이프 수량 :", "파이프 수량을 입력하십시오.", "개"),
                 // Required for continuity marking only: checked by the amendment.
                 digits("TxtRepetition", "SpanRepetition", "마킹 횟수 :", "", "회"),
                 firstWork,
                 digits("TxtSelectNumber", "SpanSelectNumber", "번호 선택 :", "", "", true),
             },
         .lists = {list("CboLengthYesOrNo", "SpanLengthYesOrNo", "길이 표시 :", LengthShownItems(),
                        true),
                   list("CboUnitYesOrNo", "SpanUnitYesOrNo", "단위 표시 :", UnitShownItems(), true),
                   list("CboParenthesis", "SpanParenthesis", "괄호 표시 :", ParenthesisItems()),
                   list("CboWorkTeam", "SpanWorkTeam", "근무 조 :", WorkTeamItems()),
                   list("CboCarvingPipe", "SpanCarvingPipe", "각인 파이프 :", CarvingPipeItems(),
                        true),
                   list("CboCarvingData", "SpanCarvingData", "각인 데이터 :", CarvingDataItems(),
                        true),
                   list("CboDiscSelect", "SpanDiscSelect", "디스크 선택 :",
                        {QStringLiteral("디스크 1"), QStringLiteral("디스크 2")}, true)},
         .grids = {{.name = "FlxMarkingWork",
                    .panel = "SpanMarkingWork",
                    .caption = "마킹 작업 내역 ",
                    .columns = columns,
                    .keyColumn = MwId}},
         .buttons = {{.name = "ScmdAmendment",
                      .caption = "작업 내역 수정[F4]",
                      .key = Qt::Key_F4,
                      .onClick = [this] { ScmdAmendment_Click(); }},
                     {.name = "ScmdDelete",
                      .caption = "작업 내역 삭제[F5]",
                      .key = Qt::Key_F5,
                      .onClick = [this] { ScmdDelete_Click(); }},
                     {.name = "ScmdAllDelete",
                      .caption = "작업내역 전체 삭제[F6]",
                      .key = Qt::Key_F6,
                      .onClick = [this] { ScmdAllDelete_Click(); }},
                     {.name = "ScmdOk",
                      .caption = "확   인[F7]",
                      .key = Qt::Key_F7,
                      .onClick = [this] { ScmdOk_Click(); }},
                     {.name = "ScmdSelect",
                      .caption = "선택[F8]",
                      .key = Qt::Key_F8,
                      .onClick = [this] { ScmdSelect_Click(); },
                      .hidden = true},
                     {.name = "ScmdSpecialLetter",
                      .caption = "특수문자 입력[F9]",
                      .key = Qt::Key_F9,
                      .onClick = [this] { ScmdSpecialLetter_Click(); }},
                     {.name = "ScmdEnd",
                      .caption = "프로그램 종료[F10]",
                      .key = Qt::Key_F10,
                      .onClick = [this] { ScmdEnd_Click(); }},
                     {.name = "ScmdCarvingWorkChange",
                      .caption = "각인 내역 변경[F11]",
                      .key = Qt::Key_F11,
                      .onClick = [this] { ScmdCarvingWorkChange_Click(); },
                      .hidden = true}},
         .tabOrder = {"TxtMarkingMethod", "TxtData", "TxtLength", "TxtPi", "TxtPipeVolume",
                      "TxtRepetition", "CboWorkTeam", "CboParenthesis", "ScmdAmendment",
                      "ScmdDelete", "ScmdAllDelete", "ScmdEnd", "ScmdOk", "TxtFirstWork",
                      "CboUnitYesOrNo", "CboLengthYesOrNo", "ScmdSpecialLetter", "FlxMarkingWork",
                      // never shown
                      "TxtSelectNumber", "ScmdSelect", "CboCarvingPipe", "CboCarvingData",
                      "ScmdCarvingWorkChange", "CboDiscSelect"},
         .onEsc = [this] { ClearFields(); }});

    FlxMarkingWork = form_->Grid("FlxMarkingWork");
    TxtMarkingMethod = form_->Text("TxtMarkingMethod");
    TxtData = form_->Text("TxtData");
    TxtLength = form_->Text("TxtLength");
    TxtPi = form_->Text("TxtPi");
    TxtPipeVolume = form_->Text("TxtPipeVolume");
    TxtRepetition = form_->Text("TxtRepetition");
    CboLengthYesOrNo = form_->List("CboLengthYesOrNo");
    CboUnitYesOrNo = form_->List("CboUnitYesOrNo");
    CboParenthesis = form_->List("CboParenthesis");
    CboWorkTeam = form_->List("CboWorkTeam");
    TxtFirstWork = form_->Text("TxtFirstWork");
    TxtSelectNumber = form_->Text("TxtSelectNumber");
    CboCarvingPipe = form_->List("CboCarvingPipe");
    CboCarvingData = form_->List("CboCarvingData");
    CboDiscSelect = form_->List("CboDiscSelect");
    ScmdSelect = form_->Button("ScmdSelect");
    ScmdCarvingWorkChange = form_->Button("ScmdCarvingWorkChange");
    ScmdAmendment = form_->Button("ScmdAmendment");
    ScmdDelete = form_->Button("ScmdDelete");
    ScmdAllDelete = form_->Button("ScmdAllDelete");
    ScmdOk = form_->Button("ScmdOk");
    ScmdSpecialLetter = form_->Button("ScmdSpecialLetter");
    ScmdEnd = form_->Button("ScmdEnd");
    SSPanel1 = NewTitlePanel(QStringLiteral("마킹작업 현황[F2]"), this, QStringLiteral("SSPanel1"));
    LblLiveCheck = new LiveCheckLine(this);

    PaintBackground(TxtMarkingMethod, kStateOffColor);
    connect(form_->GridOf(QStringLiteral("FlxMarkingWork")), &GridBehaviour::RowClicked, this,
            &FomMarkingWorkState::FlxMarkingWork_Click);
    layOut();
}

void FomMarkingWorkState::layOut() {
    QGridLayout* top = FieldWithButtonRow(*form_, "TxtMarkingMethod", "TxtFirstWork", "ScmdOk");
    QGridLayout* data = MarkingDataRows(*form_, LblLiveCheck);
    QHBoxLayout* work = NumbersAndLists(
        *form_, {"CboParenthesis", "CboWorkTeam", "CboLengthYesOrNo", "CboUnitYesOrNo"});
    for (QPushButton* b :
         {ScmdAmendment, ScmdDelete, ScmdAllDelete, ScmdOk, ScmdSpecialLetter, ScmdEnd}) {
        b->setMinimumHeight(36);
    }
    ScmdOk->setMinimumWidth(110);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSPanel1);
    layout->addWidget(form_->Panel("FlxMarkingWork"));
    layout->addWidget(FlxMarkingWork, 1);
    layout->addLayout(top);
    layout->addLayout(data);
    layout->addLayout(work);
    layout->addLayout(form_->ButtonRow(
        {"ScmdAmendment", "ScmdDelete", "ScmdAllDelete", "ScmdSpecialLetter", "ScmdEnd"}));
}

Status FomMarkingWorkState::gridDisplay() {
    const auto rows = ReadMarkingWorkRows(ProgramDirectory());
    GridBehaviour* grid = form_->GridOf(QStringLiteral("FlxMarkingWork"));
    if (!rows) {
        grid->Reset();
        return rows.status();
    }
    grid->Fill(rows.value());
    return Status();
}

void FomMarkingWorkState::FunFlexgridDisplay() {
    (void)gridDisplay().ReportIfFailed();
}

Status FomMarkingWorkState::carvingDisplay() {
    const auto setting = ReadCarvingWork(ProgramDirectory());
    if (!setting) {
        return setting.status();
    }
    if (const std::optional<CarvingSetting>& s = setting.value()) {
        if (s->pipe && *s->pipe >= 0 && *s->pipe < CboCarvingPipe->count()) {
            CboCarvingPipe->setCurrentIndex(*s->pipe);
        }
        if (s->data && *s->data >= 0 && *s->data < CboCarvingData->count()) {
            CboCarvingData->setCurrentIndex(*s->data);
        }
    }
    return Status();
}

void FomMarkingWorkState::FunCarvingWorkDisplay() {
    (void)carvingDisplay().ReportIfFailed();
}

void FomMarkingWorkState::ScmdCarvingWorkChange_Click() {
    const auto saved = SaveCarvingWork(ProgramDirectory(), CboCarvingPipe->currentIndex(),
                                       CboCarvingData->currentIndex());
    if (!saved) {
        store::ShowStoreError(saved.error());
        return;
    }
    if (saved.value()) {
        Messages().ShowMessage(QStringLiteral("정상적으로 변경 되었습니다."),
                               QStringLiteral("변경 확인!"), MessageIcon::Information);
    }
}

int FomMarkingWorkState::selectedMethod() const {
    for (int m : {SingleMarking, ContinuityMarking, FileMarking}) {
        if (TxtMarkingMethod->text() == MarkingMethodName(m)) {
            return m;
        }
    }
    return -1;
}

void FomMarkingWorkState::fillFromRow(int row, bool fromClick) {
    GridBehaviour* grid = form_->GridOf(QStringLiteral("FlxMarkingWork"));
    int method = -1;
    for (int m : {SingleMarking, ContinuityMarking, FileMarking}) {
        if (grid->Text(row, MwMethod) == MarkingMethodName(m)) {
            method = m;
        }
    }
    if (method < 0) {
        grid->SelectRow(row);
        return;
    }
    const bool continuity = method == ContinuityMarking;
    const bool file = method == FileMarking;
    QStringList cleared{"TxtData", "TxtLength", "TxtPi", "TxtPipeVolume"};
    if (fromClick) {
        cleared << QStringLiteral("TxtSelectNumber");
    }
    if (continuity) {
        cleared << QStringLiteral("TxtRepetition");
    }
    form_->ClearTexts(cleared);
    form_->SetShown(QStringLiteral("TxtRepetition"), continuity);
    form_->SetShown(QStringLiteral("CboLengthYesOrNo"), file);
    form_->SetShown(QStringLiteral("CboUnitYesOrNo"), file);
    if (fromClick) {
        TxtSelectNumber->setText(grid->Text(row, MwNumber));
    }
    TxtMarkingMethod->setText(grid->Text(row, MwMethod));
    SetFieldText(TxtData, grid->Text(row, MwData));
    TxtLength->setText(grid->Text(row, MwLength));
    TxtPi->setText(grid->Text(row, MwPi));
    TxtPipeVolume->setText(grid->Text(row, MwPipeVolume));
    if (continuity) {
        TxtRepetition->setText(grid->Text(row, MwRepetition));
    }
    if (file) {
        selectText(CboLengthYesOrNo, grid->Text(row, MwLengthShown));
        selectText(CboUnitYesOrNo, grid->Text(row, MwUnitShown));
    }
    selectText(CboParenthesis, grid->Text(row, MwParenthesis));
    if (fromClick) {
        selectText(CboWorkTeam, grid->Text(row, MwWorkTeam));
    }
    Shared().SelectedWorkId = grid->Key(row).toInt();
    grid->SelectRow(row);
    TxtData->setFocus();
}

void FomMarkingWorkState::FlxMarkingWork_Click(int row) {
    if (row > 0 && row < form_->GridOf(QStringLiteral("FlxMarkingWork"))->Rows()) {
        fillFromRow(row, true);
    }
}

void FomMarkingWorkState::ScmdSelect_Click() {
    const QString typed = TxtSelectNumber->text();
    if (typed.isEmpty()) {
        Messages().ShowMessage(QStringLiteral("선택할 데이터의 번호를 입력하십시요."), kInputCheck,
                               MessageIcon::Information);
        return;
    }
    bool ok = false;
    const qint64 n = typed.toLongLong(&ok);
    if (!ok || n == 0 || n >= form_->GridOf(QStringLiteral("FlxMarkingWork"))->Rows()) {
        Messages().ShowMessage(QStringLiteral("선택한 번호 ") + typed +
                                   QStringLiteral("는 존재하지 않는 데이터입니다."),
                               kInputCheck, MessageIcon::Information);
        return;
    }
    // TxtSelectNumber is never shown: the focus goes into TxtData instead.
    fillFromRow(static_cast<int>(n), false);
}

void FomMarkingWorkState::ScmdAmendment_Click() {
    const int method = selectedMethod();
    if (TxtMarkingMethod->text().isEmpty()) {
        Messages().ShowMessage(QStringLiteral("우선 수정하려는 데이터를 선택하십시오."),
                               QStringLiteral("데이터 선택 확인!"), MessageIcon::Information);
        return;
    }
    if (form_->RefuseMissingRequired()) {
        return;
    }
    const bool continuity = method == ContinuityMarking;
    const bool file = method == FileMarking;
    const std::optional<WorkNumbers> numbers =
        ReadWorkNumbers(*form_, continuity, QStringLiteral("마킹 횟수를 입력하십시오."), kCaution);
    if (!numbers || !CheckWork(*form_, 2, method, *numbers, live_)) {
        return;
    }

    // W_MarkingMethod is never changed here.
    QList<ColumnValue> values{{col::W_Data, Shared().MarkingText},
                              {col::W_Length, TxtLength->text()},
                              {col::W_Pi, TxtPi->text()},
                              {col::W_PipeVolume, TxtPipeVolume->text()}};
    if (continuity) {
        values.append({col::W_Reptition, TxtRepetition->text()});
    }
    if (file) {
        values.append({col::W_LengthYesorNo, CboLengthYesOrNo->currentIndex()});
        values.append({col::W_UnitYesorNo, CboUnitYesOrNo->currentIndex()});
    }
    values.append({col::W_Parenthesis, CboParenthesis->currentIndex()});
    values.append({col::W_WorkTeam, CboWorkTeam->currentIndex()});
    const RowChange amended = AmendStoredRow(Table::MarkingWork, Shared().SelectedWorkId, values);
    if (amended == RowChange::Failed) {
        return;
    }
    if (amended == RowChange::Changed) {
        clearWork(continuity);
    }
    FunFlexgridDisplay();
}

void FomMarkingWorkState::ScmdDelete_Click() {
    const bool continuity = selectedMethod() == ContinuityMarking;
    if (TxtMarkingMethod->text().isEmpty()) {
        Messages().ShowMessage(QStringLiteral("우선 삭제하려는 데이터를 선택하십시오."),
                               QStringLiteral("데이터 선택 확인!"), MessageIcon::Information);
        return;
    }
    const RowChange deleted = DeleteStoredRow(Table::MarkingWork, Shared().SelectedWorkId,
                                              QStringLiteral("선택한 데이터를 삭제하시겠습니까?"));
    if (deleted == RowChange::Failed) {
        return;
    }
    if (deleted == RowChange::Changed) {
        clearWork(continuity);
    }
    FunFlexgridDisplay();
}

void FomMarkingWorkState::clearWork(bool continuity) {
    QStringList cleared{"TxtMarkingMethod", "TxtSelectNumber", "TxtData",
                        "TxtLength",        "TxtPi",           "TxtPipeVolume"};
    if (continuity) {
        cleared << QStringLiteral("TxtRepetition");
    }
    form_->ClearTexts(cleared);
}

void FomMarkingWorkState::ScmdAllDelete_Click() {
    if (Messages().Ask(QStringLiteral("마킹 작업 내역을 모두 삭제 하시겠습니까?"),
                       QStringLiteral("작업 내역 전체 삭제"),
                       MessageIcon::Information) != Answer::Yes) {
        return;
    }
    (void)ModMarkingWorkAllDelete().ReportIfFailed();
    FunFlexgridDisplay();
}

void FomMarkingWorkState::ScmdOk_Click() {
    FunFlexgridDataSave();
}

void FomMarkingWorkState::FunFlexgridDataSave() {
    GridBehaviour* grid = form_->GridOf(QStringLiteral("FlxMarkingWork"));
    const QString typed = TxtFirstWork->text();
    const auto refuse = [this](const QString& message, const QString& title) {
        Messages().ShowMessage(message, title, MessageIcon::Information);
        TxtFirstWork->setFocus();
    };
    if (typed.isEmpty()) {
        return refuse(QStringLiteral("첫번째 작업 순서로 변경 할 번호를 입력하십시요."),
                      kInputError);
    }
    if (typed.count(u'0') == typed.size()) {
        return refuse(QStringLiteral("작업번호 '0'번은 존재하지 않습니다."), kInputError);
    }
    if (grid->Rows() <= 1) {
        return refuse(QStringLiteral("순서를 변경 할 데이터가 존재하지 않습니다."),
                      QStringLiteral("확인!"));
    }
    bool ok = false;
    const qint64 n = typed.toLongLong(&ok);
    if (!ok || n >= grid->Rows()) {
        return refuse(QStringLiteral("존재하지 않는 데이터입니다."), QStringLiteral("확인!"));
    }
    if (n == 1) {
        return;
    }
    const int row = static_cast<int>(n);
    const qint64 first = grid->Key(1).toLongLong();
    const qint64 other = grid->Key(row).toLongLong();
    if (const Status exchanged = ExchangeWorks(ProgramDirectory(), first, other); !exchanged) {
        store::ShowStoreError(exchanged.error());
        FunFlexgridDisplay(); // shows the list as it is stored
        return;
    }
    // The keys stay where they were: only the two rows changed. They are read
    // back rather than the whole list.
    if (!refreshRows(1, row)) {
        FunFlexgridDisplay();
    }
}

bool FomMarkingWorkState::refreshRows(int first, int second) {
    GridBehaviour* grid = form_->GridOf(QStringLiteral("FlxMarkingWork"));
    for (int row : {first, second}) {
        const auto work = ReadWork(ProgramDirectory(), grid->Key(row).toLongLong());
        if (!work || !work.value()) {
            return false;
        }
        const QStringList cells = MarkingWorkRow(row, *work.value());
        for (int c = 0; c < kMarkingWorkColumns; ++c) {
            grid->SetText(row, c, cells.value(c));
        }
    }
    return true;
}

void FomMarkingWorkState::ScmdSpecialLetter_Click() {
    OpenSpecialLetters(2, CboDiscSelect->currentIndex(), live_, this);
}

void FomMarkingWorkState::ScmdEnd_Click() {
    Host().ShowEndDialog();
}

void FomMarkingWorkState::ClearFields() {
    form_->ClearTexts({"TxtMarkingMethod", "TxtSelectNumber", "TxtData", "TxtLength", "TxtPi",
                       "TxtPipeVolume", "TxtRepetition", "TxtFirstWork"});
}

void FomMarkingWorkState::UpdateLiveCheck() {
    LblLiveCheck->Show(CheckLive(live_.For(*form_, 2, qMax(0, selectedMethod()))));
}

void FomMarkingWorkState::FocusMarkingData() {
    TxtData->setFocus();
}

void FomMarkingWorkState::AppendMarkingData(const QString& letter) {
    AppendToMarkingData(TxtData, letter);
}

void FomMarkingWorkState::InsertMarkingDataAtCaret(const QString& letter) {
    InsertIntoMarkingData(TxtData, letter);
}

void FomMarkingWorkState::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    // Activation: the carving setting, then the work list.
    ReportStoreErrorLater(this, carvingDisplay());
    ReportStoreErrorLater(this, gridDisplay());
    Shared().SpecialLetterTarget = 0;
    live_.Reload();
    UpdateLiveCheck();
}

void FomMarkingWorkState::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) {
        Shared().SpecialLetterTarget = 0;
    }
}

} // namespace marking::work
