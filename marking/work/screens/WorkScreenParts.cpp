#include "work/screens/WorkScreenParts.h"

#include "common/SharedValues.h"
#include "common/widgets/ScreenBehaviour.h"

#include <QLineEdit>

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

} // namespace marking::work
