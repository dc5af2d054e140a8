#include "controllers/letters/FomHVL5SpecialLetter.h"

#include "common/MessagePort.h"
#include "common/SharedValues.h"
#include "common/widgets/GridBehaviour.h"
#include "common/widgets/ScreenSpec.h"
#include "controllers/MarkingDataFocus.h"
#include "controllers/hvl5/Hvl5Engine.h"
#include "controllers/hvl5/Hvl5Modules.h"
#include "store/Columns.h"
#include "store/Connection.h"
#include "store/QueryText.h"
#include "store/Recordset.h"
#include "store/Schema.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace marking::letters {

namespace {

constexpr int kInputMode = 0;
constexpr int kModifyMode = 1;

// Grid columns: S_ID, S_SpecialLetter, S_FunctionKey, S_ControllerAddress.
constexpr int kIdColumn = 0;
constexpr int kLetterColumn = 1;

} // namespace

int SpecialLetterRowOfKey(QKeyCombination key) {
    const int f = key.key() - Qt::Key_F1 + 1;
    if (f < 1 || f > 10) {
        return 0;
    }
    const Qt::KeyboardModifiers mods =
        key.keyboardModifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (mods == Qt::NoModifier) {
        return f;
    }
    if (mods == Qt::ShiftModifier) {
        return 10 + f;
    }
    if (mods == Qt::ControlModifier) {
        return 20 + f;
    }
    if (mods == Qt::AltModifier) {
        return f < 4 ? 30 + f : (f == 4 ? 0 : 29 + f);
    }
    return 0;
}

FomHVL5SpecialLetter::FomHVL5SpecialLetter(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("FomHVL5SpecialLetter"));
    setWindowTitle(QStringLiteral("HVL-5 특수문자 입력(ORVEL 소경 4호기)"));
    setModal(true);

    form_ = new ScreenForm(
        this,
        {.fields = {{.name = "TxtSpecialLetter",
                     .maxLength = 500,
                     .hidden = true,
                     .column = store::col::S_SpecialLetter}},
         .lists = {{.name = "CboModeSelect",
                    .panel = "SpanModeSelect",
                    .caption = "모드 선택 :",
                    .items = {{"입력 모드", kInputMode}, {"수정 모드", kModifyMode}}}},
         .grids =
             {{.name = "FlxSpecialLetter",
               .columns = {{.header = "번호", .width = 60, .alignment = Qt::AlignCenter},
                           {.header = "특수문자", .width = 228},
                           {.header = "기능키", .width = 110, .alignment = Qt::AlignCenter},
                           {.header = "컨트롤러 주소", .width = 120, .alignment = Qt::AlignCenter}},
               .keyColumn = kIdColumn}},
         .buttons = {{.name = "ScmdAmendment",
                      .caption = "수 정",
                      .onClick = [this] { ScmdAmendment_Click(); },
                      .enterClicks = true,
                      .hidden = true},
                     {.name = "ScmdExit",
                      .caption = "닫기[Esc]",
                      .onClick = [this] { ScmdExit_Click(); },
                      .enterClicks = true}},
         .tabOrder = {"CboModeSelect", "FlxSpecialLetter", "TxtSpecialLetter", "ScmdAmendment",
                      "ScmdExit"},
         .onEsc = [this] { ScmdExit_Click(); }});
    CboModeSelect = form_->List(QStringLiteral("CboModeSelect"));
    SpanModeSelect = form_->Panel(QStringLiteral("CboModeSelect"));
    TxtSpecialLetter = form_->Text(QStringLiteral("TxtSpecialLetter"));
    ScmdAmendment = form_->Button(QStringLiteral("ScmdAmendment"));
    ScmdExit = form_->Button(QStringLiteral("ScmdExit"));
    FlxSpecialLetter = form_->Grid(QStringLiteral("FlxSpecialLetter"));

    // The function keys insert from every control, in both modes.
    for (int n = 0; n < 10; ++n) {
        for (Qt::KeyboardModifier mod :
             {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
            const QKeyCombination key(mod, Qt::Key(Qt::Key_F1 + n));
            if (SpecialLetterRowOfKey(key) > 0) {
                form_->Behaviour()->BindKey(key, [this, key] { FunctionKey(key); });
            }
        }
    }
    connect(CboModeSelect, &QComboBox::currentIndexChanged, this,
            [this] { CboModeSelect_Click(); });
    connect(&Grid(), &GridBehaviour::RowClicked, this,
            [this](int row) { FlxSpecialLetter_Click(row); });
    // Space on the current row acts as a click on it, so the screen is
    // usable from the keyboard alone.
    FlxSpecialLetter->installEventFilter(this);

    SSPanel43 = NewTitlePanel(QStringLiteral("HVL-5 특수문자"), this, QStringLiteral("SSPanel43"));
    SSPanel50 = NewCaptionPanel(
        QStringLiteral(" 1번~50번 까지는 '@4'으로, 51~100번 까지는 '@5'로 마킹되는 영역입니다."),
        this, QStringLiteral("SSPanel50"));
    SSPanel50->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* hint = new QLabel(QStringLiteral("행 선택: 마우스 클릭 또는 Space"), this);
    hint->setObjectName(QStringLiteral("LblRowHint"));

    auto* mode = new QHBoxLayout;
    mode->addWidget(SpanModeSelect);
    mode->addWidget(CboModeSelect, 1);
    mode->addWidget(TxtSpecialLetter, 2);
    mode->addWidget(ScmdAmendment);
    SpanModeSelect->setMinimumWidth(110);
    ScmdAmendment->setMinimumWidth(90);
    ScmdExit->setMinimumSize(120, 32);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSPanel43);
    layout->addLayout(mode);
    layout->addWidget(FlxSpecialLetter, 1);
    layout->addWidget(hint);
    layout->addWidget(SSPanel50);
    layout->addLayout(form_->ButtonRow({QStringLiteral("ScmdExit")}));
    resize(560, 700);

    // Load: input mode; the grid, then the special letter table of the
    // conversion. A failure is shown once: the grid's names the file, the
    // table's names a table that is short of slots, as the conversion says.
    CboModeSelect->setCurrentIndex(0);
    CboModeSelect_Click();
    if (const store::Status filled = fillGrid(); !filled) {
        store::ShowStoreError(filled.error());
    } else {
        ModHVL5SpecialLetter();
    }
    CboModeSelect->setFocus();
}

GridBehaviour& FomHVL5SpecialLetter::Grid() const {
    return *form_->GridOf(QStringLiteral("FlxSpecialLetter"));
}

bool FomHVL5SpecialLetter::ModifyMode() const {
    return CboModeSelect->currentData().toInt() == kModifyMode;
}

void FomHVL5SpecialLetter::FunFlxSpecialLetterDisplay() {
    if (const store::Status filled = fillGrid(); !filled) {
        store::ShowStoreError(filled.error());
    }
}

store::Status FomHVL5SpecialLetter::fillGrid() {
    Grid().Reset();
    store::Connection connection;
    if (store::Status s = connection.Open(store::DatabaseFile::Database); !s) {
        return s;
    }
    store::Recordset rs;
    if (store::Status s =
            rs.Open(store::QueryText::AllByKey(store::Table::SpecialLetter), connection);
        !s) {
        return s;
    }
    // The rows read before a value that is not what its column holds are
    // shown with the error.
    QList<QStringList> rows;
    store::Status failure;
    for (rs.MoveFirst(); !rs.Eof() && failure.ok(); rs.MoveNext()) {
        QStringList cells;
        const store::Result<QVariant> id = rs.Value(store::col::S_ID);
        const store::Result<qint32> key =
            id ? store::ToInt32(id.value(), store::col::S_ID) : store::Result<qint32>(id.error());
        if (!key) {
            failure = connection.Error(key.error().kind, key.error().reason);
            break;
        }
        cells << QString::number(key.value());
        for (const QLatin1StringView column :
             {store::col::S_SpecialLetter, store::col::S_FunctionKey,
              store::col::S_ControllerAddress}) {
            const store::Result<QVariant> value = rs.Value(column);
            const store::Result<QString> text = value ? store::ToText(value.value(), column)
                                                      : store::Result<QString>(value.error());
            if (!text) {
                failure = connection.Error(text.error().kind, text.error().reason);
                break;
            }
            cells << text.value();
        }
        if (failure.ok()) {
            rows.append(cells);
        }
    }
    // A table without rows leaves the conversion's letters as they were, but
    // this screen has nothing to show or insert: say so.
    if (failure.ok() && rows.isEmpty()) {
        failure = connection.Error(store::StoreError::Kind::Failed,
                                   QStringLiteral("특수문자 테이블(SpecialLetter)에 행이 없습니다. "
                                                  "%1개가 있어야 합니다.")
                                       .arg(hvl5::SpecialLetterTable::kSlots));
    }
    rs.Close();
    connection.Close();
    Grid().Fill(rows);
    return failure;
}

void FomHVL5SpecialLetter::CboModeSelect_Click() {
    const bool modify = ModifyMode();
    form_->SetShown(QStringLiteral("TxtSpecialLetter"), modify);
    form_->SetShown(QStringLiteral("ScmdAmendment"), modify);
    if (modify) {
        TxtSpecialLetter->setFocus();
    }
}

void FomHVL5SpecialLetter::insertRow(int row) {
    const int target = Shared().SpecialLetterTarget;
    if (target == 1 || target == 2) {
        AppendMarkingDataOf(target, Grid().Text(row, kLetterColumn).trimmed());
    }
}

void FomHVL5SpecialLetter::FlxSpecialLetter_Click(int row) {
    TxtSpecialLetter->clear();
    if (row < 1 || row >= Grid().Rows()) {
        return;
    }
    if (ModifyMode()) {
        TxtSpecialLetter->setText(Grid().Text(row, kLetterColumn));
        Shared().SelectedRecordId = Grid().Text(row, kIdColumn).toInt();
        rowChosen_ = true;
        Grid().SelectRow(row);
        TxtSpecialLetter->setFocus();
    } else {
        insertRow(row);
        Grid().SelectRow(row);
    }
}

void FomHVL5SpecialLetter::FunctionKey(QKeyCombination key) {
    const int row = SpecialLetterRowOfKey(key);
    if (row < 1 || row >= Grid().Rows()) {
        return;
    }
    insertRow(row);
    // In input mode the inserted row is shown as chosen; in modify mode the
    // highlighted row stays the one an amend writes.
    if (!ModifyMode()) {
        Grid().SelectRow(row);
    }
}

void FomHVL5SpecialLetter::ScmdAmendment_Click() {
    const QString letter = TxtSpecialLetter->text();
    if (const auto check = hvl5::SpecialLetterCheck(letter); !check.passed) {
        Messages().ShowMessage(check.message, check.title, MessageIcon::Information);
        TxtSpecialLetter->setFocus();
        return;
    }
    // SelectedRecordId is also the key the marking settings screen chose:
    // without a row chosen here it names no slot of this table.
    if (!rowChosen_) {
        Messages().ShowMessage(QStringLiteral("수정할 특수문자를 선택하십시오."),
                               QStringLiteral("선택 확인!"), MessageIcon::Information);
        FlxSpecialLetter->setFocus();
        return;
    }

    {
        store::Connection connection;
        if (!connection.Open(store::DatabaseFile::Database).ReportIfFailed()) {
            return;
        }
        store::Recordset rs;
        if (!rs.Open(
                   store::QueryText::ByKey(store::Table::SpecialLetter, Shared().SelectedRecordId),
                   connection)
                 .ReportIfFailed()) {
            return;
        }
        if (rs.RecordCount() == 1) {
            rs.MoveFirst();
            // Stored as typed: the letter is matched in the marking text exactly.
            if (const store::Status set = rs.SetField(store::col::S_SpecialLetter, letter); !set) {
                rs.CancelUpdate();
                store::ShowStoreError(set.error());
                return;
            }
            if (!rs.Update().ReportIfFailed()) {
                return;
            }
            Messages().ShowMessage(QStringLiteral("정상적으로 수정 되었습니다."),
                                   QStringLiteral("수정 확인!"), MessageIcon::Information);
        }
    }
    FunFlxSpecialLetterDisplay();
    // The amended row stays the chosen one.
    const QString chosen = QString::number(Shared().SelectedRecordId);
    for (int row = 1; row < Grid().Rows(); ++row) {
        if (Grid().Key(row) == chosen) {
            Grid().SelectRow(row);
            break;
        }
    }
}

void FomHVL5SpecialLetter::ScmdExit_Click() {
    reject();
}

void FomHVL5SpecialLetter::done(int result) {
    Shared().SpecialLetterTarget = 0;
    QDialog::done(result);
}

bool FomHVL5SpecialLetter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FlxSpecialLetter && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            FlxSpecialLetter_Click(Grid().CurrentRow());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace marking::letters
