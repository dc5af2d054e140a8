#include "work/screens/WorkScreenParts.h"

#include "common/MessagePort.h"
#include "common/ProgramDirectory.h"
#include "common/SharedValues.h"
#include "common/widgets/Modal.h"
#include "common/widgets/ScreenBehaviour.h"
#include "common/widgets/ScreenSpec.h"
#include "controllers/hvl5/Hvl5Modules.h"
#include "controllers/hvl5/SpecialLetterStore.h"
#include "store/Connection.h"
#include "store/ModProgramSettingData.h"
#include "store/QueryText.h"
#include "store/Recordset.h"
#include "work/WorkChecks.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace marking::work {

namespace {
SpecialLetterOpener& opener() {
    static SpecialLetterOpener o;
    return o;
}

QString letterOf(const QString& letter) {
    QString out;
    for (QChar c : letter.trimmed()) {
        if (c.unicode() >= 0x20) {
            out.append(c);
        }
    }
    return out;
}

qsizetype room(const QLineEdit* field, qsizetype used) {
    return qMax<qsizetype>(0, field->maxLength() - used);
}

bool openQuery(store::Connection& connection, store::Recordset& rs, const QString& text) {
    return connection.Open(store::DatabaseFile::Database).ReportIfFailed() &&
           rs.Open(text, connection).ReportIfFailed();
}

// The values into the current row of rs, then stored; false (shown) on a failure.
bool writeRow(store::Recordset& rs, const QList<ColumnValue>& values) {
    for (const auto& [column, value] : values) {
        if (!rs.SetField(column, value).ReportIfFailed()) {
            rs.CancelUpdate();
            return false;
        }
    }
    if (!rs.Update().ReportIfFailed()) {
        rs.CancelUpdate();
        return false;
    }
    return true;
}
} // namespace

std::optional<SpecialLetterEditor> SpecialLetterEditorFor(int controller, int caller, int disc) {
    switch (controller) {
    case ControllerTRX20:
        if (caller == 2) {
            return disc == 1 ? SpecialLetterEditor::Trx20Disc2 : SpecialLetterEditor::Trx20Disc1;
        }
        return SpecialLetterEditor::Trx20;
    case ControllerHVL5:
        return SpecialLetterEditor::Hvl5;
    case ControllerTRX30:
        return SpecialLetterEditor::Trx30;
    default:
        return std::nullopt;
    }
}

void SetSpecialLetterOpener(SpecialLetterOpener o) {
    opener() = std::move(o);
}

void OpenSpecialLetterEditor(SpecialLetterEditor editor, QWidget* parent) {
    if (opener()) {
        opener()(editor, parent);
    } else {
        ShowSpecialLetterEditor(editor, parent);
    }
}

void AppendToMarkingData(QLineEdit* field, const QString& letter) {
    const QString text = field->text();
    SetFieldText(field, text + letterOf(letter).left(room(field, text.size())));
}

void InsertIntoMarkingData(QLineEdit* field, const QString& letter) {
    const QString text = field->text();
    const int caret = field->cursorPosition();
    const QString added = letterOf(letter).left(room(field, text.size()));
    SetFieldText(field, text.left(caret) + added + text.mid(caret));
    field->setCursorPosition(caret + static_cast<int>(added.size()));
}

LiveCheckLine::LiveCheckLine(QWidget* parent)
    : QLabel(parent) {
    setObjectName(QStringLiteral("LblLiveCheck"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setMargin(3);
    setMinimumHeight(26);
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::NoFocus);
    // The whole line stays readable in a narrow window; the tooltip has it too.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void LiveCheckLine::Show(const LiveResult& result) {
    tone_ = result.tone;
    setText(result.line);
    setToolTip(result.line);
    const QColor ink = result.tone == LiveTone::Good      ? QColor(0, 110, 0)
                       : result.tone == LiveTone::Refused ? QColor(200, 0, 0)
                                                          : QColor(70, 70, 70);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, ink);
    setPalette(pal);
}

void LiveInputs::Reload() {
    ProgramSettingsRecord read = settings;
    if (store::LoadProgramSettings(ProgramDirectory(), read)) {
        settings = read;
    }
    if (settings.PrintControler == ControllerHVL5) {
        auto rows = hvl5::ReadSpecialLetters(ProgramDirectory());
        if (rows && !rows.value().empty()) {
            letters = hvl5::SpecialLetterTable(std::move(rows.value()));
        }
    }
}

LiveInput LiveInputs::For(const ScreenForm& form, int caller, int method) const {
    LiveInput in;
    in.text = form.Text(QStringLiteral("TxtData"))->text();
    in.caller = caller;
    in.settings = settings;
    in.method = method;
    in.parenthesis = form.List(QStringLiteral("CboParenthesis"))->currentIndex();
    in.repetition = form.Text(QStringLiteral("TxtRepetition"))->text();
    in.pipeLength = form.Text(QStringLiteral("TxtLength"))->text();
    in.letters = &letters;
    in.hvl5LetterWidth = HVL5LetterWidth();
    return in;
}

void ReportStoreErrorLater(QObject* context, const store::Status& status) {
    if (!status) {
        const store::StoreError error = status.error();
        ReportLater(context, [error] { store::ShowStoreError(error); });
    }
}

bool CheckMarkingText(const QString& text, int caller, LiveInputs& live) {
    Shared().MarkingText = text.trimmed();
    Shared().RuleCheckCaller = caller;
    if (!ReloadProgramSettings()) {
        return false;
    }
    live.settings = Shared().ProgramSettings;
    RunRuleCheck();
    if (!Shared().RuleCheckPassed) {
        return false;
    }
    return CheckMarkingTextEncodable();
}

void OpenSpecialLetters(int caller, int disc, LiveInputs& live, QWidget* parent) {
    Shared().SpecialLetterTarget = caller;
    if (ReloadProgramSettings()) {
        live.settings = Shared().ProgramSettings;
        const auto editor =
            SpecialLetterEditorFor(Shared().ProgramSettings.PrintControler, caller, disc);
        if (editor) {
            OpenSpecialLetterEditor(*editor, parent);
        } else {
            ShowNoController();
        }
    }
    Shared().SpecialLetterTarget = 0;
}

std::optional<WorkNumbers> ReadWorkNumbers(const ScreenForm& form, bool continuity,
                                           const QString& emptyRepetition,
                                           const QString& emptyTitle) {
    const auto refuse = [](QLineEdit* field, const QString& message, const QString& title) {
        Messages().ShowMessage(message, title, MessageIcon::Information);
        field->setFocus();
        return std::nullopt;
    };
    const QString inputCheck = QStringLiteral("입력 확인!");
    QLineEdit* repetitionField = form.Text(QStringLiteral("TxtRepetition"));
    if (continuity) {
        const QString repetition = repetitionField->text();
        if (repetition.isEmpty()) {
            return refuse(repetitionField, emptyRepetition, emptyTitle);
        }
        if (repetition.count(u'0') == repetition.size()) {
            return refuse(repetitionField, QStringLiteral("마킹 횟수에 '0'을 입력할 수 없습니다."),
                          inputCheck);
        }
    }
    WorkNumbers numbers;
    struct Number {
        const char* field;
        QString caption;
        qint64 max;
        qint64* value;
    };
    QList<Number> fields{{"TxtLength", QStringLiteral("길이"), kInt32Max, &numbers.length},
                         {"TxtPi", QStringLiteral("관경(A)"), kInt32Max, nullptr},
                         {"TxtPipeVolume", QStringLiteral("파이프 수량"), kInt32Max, nullptr}};
    if (continuity) {
        fields.append(
            {"TxtRepetition", QStringLiteral("마킹 횟수"), kInt16Max, &numbers.repetition});
    }
    for (const Number& n : fields) {
        QLineEdit* field = form.Text(QString::fromLatin1(n.field));
        const DigitsValue v = ReadDigits(field->text(), n.caption, n.max);
        if (!v.ok) {
            return refuse(field, v.message, inputCheck);
        }
        if (n.value) {
            *n.value = v.value;
        }
    }
    return numbers;
}

bool CheckWork(const ScreenForm& form, int caller, int method, const WorkNumbers& numbers,
               LiveInputs& live) {
    QLineEdit* data = form.Text(QStringLiteral("TxtData"));
    if (!CheckMarkingText(data->text(), caller, live)) {
        return false;
    }
    Shared().ParenthesisSelection =
        static_cast<std::int16_t>(form.List(QStringLiteral("CboParenthesis"))->currentIndex());
    Shared().CurrentMarkingMethod = static_cast<std::int16_t>(method);
    if (method == ContinuityMarking) {
        Shared().CurrentRepetition = static_cast<std::int16_t>(numbers.repetition);
    }
    if (!RunLengthCheck()) {
        return false;
    }
    const qint64 usable = numbers.length - Shared().ProgramSettings.PipeSide;
    if (static_cast<double>(usable) < Shared().MarkingDataLength) {
        Messages().ShowMessage(QStringLiteral("파이프의 길이가 마킹 데이터의 길이보다 짧습니다."),
                               QStringLiteral("입력오류!"), MessageIcon::Information);
        data->setFocus();
        return false;
    }
    return true;
}

bool AddStoredRow(store::Table table, const QList<ColumnValue>& values) {
    store::Connection connection;
    store::Recordset rs;
    if (!openQuery(connection, rs, store::QueryText::All(table))) {
        return false;
    }
    if (!rs.AddNew().ReportIfFailed()) {
        rs.CancelUpdate();
        return false;
    }
    return writeRow(rs, values);
}

RowChange AmendStoredRow(store::Table table, qint64 key, const QList<ColumnValue>& values) {
    store::Connection connection;
    store::Recordset rs;
    if (!openQuery(connection, rs, store::QueryText::ByKey(table, key))) {
        return RowChange::Failed;
    }
    if (rs.RecordCount() == 0) {
        Messages().ShowMessage(QStringLiteral("수정에 실패 실패하였습니다."),
                               QStringLiteral("데이터 수정 실패!"), MessageIcon::Warning);
        return RowChange::NotChanged;
    }
    rs.MoveFirst();
    if (!writeRow(rs, values)) {
        return RowChange::Failed;
    }
    Messages().ShowMessage(QStringLiteral("정상적으로 수정 되었습니다."),
                           QStringLiteral("데이터 수정 확인!"), MessageIcon::Information);
    return RowChange::Changed;
}

RowChange DeleteStoredRow(store::Table table, qint64 key, const QString& question) {
    store::Connection connection;
    store::Recordset rs;
    if (!openQuery(connection, rs, store::QueryText::ByKey(table, key))) {
        return RowChange::Failed;
    }
    if (rs.RecordCount() == 0) {
        Messages().ShowMessage(QStringLiteral("선택한 데이터는 존재하지 않는 않습니다."),
                               QStringLiteral("확인"), MessageIcon::Information);
        return RowChange::NotChanged;
    }
    if (Messages().Ask(question, QStringLiteral("삭제 확인!"), MessageIcon::None) != Answer::Yes) {
        return RowChange::NotChanged;
    }
    rs.MoveFirst();
    return rs.Delete().ReportIfFailed() ? RowChange::Changed : RowChange::Failed;
}

QGridLayout* FieldWithButtonRow(const ScreenForm& form, const QString& first, const QString& second,
                                const QString& button) {
    auto* top = new QGridLayout;
    form.AddRows(top, {first});
    top->addWidget(form.Panel(second), 0, 3);
    top->addWidget(form.Control(second), 0, 4);
    top->addWidget(form.Button(button), 0, 5);
    top->setColumnMinimumWidth(0, 120);
    top->setColumnMinimumWidth(2, 40);
    top->setColumnStretch(1, 1);
    top->setColumnStretch(4, 1);
    return top;
}

QGridLayout* MarkingDataRows(const ScreenForm& form, LiveCheckLine* line) {
    QLineEdit* field = form.Text(QStringLiteral("TxtData"));
    QFont big = field->font();
    big.setPointSize(24);
    field->setFont(big);
    auto* data = new QGridLayout;
    form.AddRows(data, {QStringLiteral("TxtData")});
    data->addWidget(line, 1, 1);
    data->setColumnMinimumWidth(0, 120);
    data->setColumnStretch(1, 1);
    return data;
}

QHBoxLayout* NumbersAndLists(const ScreenForm& form, const QStringList& lists) {
    auto* left = new QGridLayout;
    form.AddRows(left, {"TxtLength", "TxtPi", "TxtPipeVolume", "TxtRepetition"});
    left->setColumnMinimumWidth(0, 120);
    left->setColumnMinimumWidth(2, 30);
    left->setColumnStretch(1, 1);
    left->setRowStretch(left->rowCount(), 1);
    auto* right = new QGridLayout;
    form.AddRows(right, lists);
    right->setColumnMinimumWidth(0, 120);
    right->setColumnStretch(1, 1);
    right->setRowStretch(right->rowCount(), 1);
    auto* work = new QHBoxLayout;
    work->addLayout(left, 1);
    work->addSpacing(24);
    work->addLayout(right, 1);
    return work;
}

} // namespace marking::work
