#include "controllers/letters/SpecialLetterPalette.h"

#include "common/SharedValues.h"
#include "common/widgets/ScreenSpec.h"
#include "controllers/MarkingDataFocus.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace marking::letters {

namespace {

// Button and key label sizes: 795 twips square buttons, 795 apart; the rows
// 1110 twips apart leave the label panel under each button.
constexpr int kButtonSize = 53;
constexpr int kKeyLabelHeight = 19;

const QString kTrx20Title = QStringLiteral("TRX-20 특수문자 입력(ORVEL 소경 4호기)");

// The palettes, one line of captions per key row: F1..F10 alone, with Shift,
// with Ctrl, with Alt.
const QList<PaletteSpec>& palettes() {
    static const QList<PaletteSpec> all{
        {.name = "FomTRX20SpecialLetter",
         .windowTitle = kTrx20Title,
         .captions = {"@",  "r",  "s",  "t",  "u",  "v",  "w",  "x",  "y",  "z", //
                      "탄", "소", "강", "관", "연", "료", "용", "압", "",   "",  //
                      "구", "조", "력", "수", "일", "반", "가", "배", "스", "",  //
                      "▲",  "㉿", "ⓙ",  "",   "품", "Ø",  "□",  "ⓐ",  "",   ""}},
        {.name = "FomTRX20SpecialLetter_1",
         .windowTitle = kTrx20Title,
         .headingName = "SSPanel43",
         .heading = "디스크 1",
         .captions = {"@",  "r",  "s",  "t",  "u",  "v",  "w",  "x",  "y",  "z", //
                      "탄", "소", "강", "관", "일", "및", "용", "압", "열", "",  //
                      "교", "력", "환", "기", "보", "러", "배", "",   "",   "",  //
                      "▲",  "㉿", "ⓙ",  "",   "품", "Ø",  "□",  "ⓐ",  "",   ""}},
        // Command28 shows "료" and inserts nothing: the disk's glyph at that
        // position is not settled.
        {.name = "FomTRX20SpecialLetter_2",
         .windowTitle = kTrx20Title,
         .headingName = "SSPanel43",
         .heading = "디스크 2",
         .captions = {"@",  "r",  "s",  "t",  "u",  "v",  "w",  "x",  "y",  "z", //
                      "탄", "소", "강", "관", "일", "반", "용", "도", "구", "",  //
                      "조", "시", "가", "기", "계", "스", "배", "료", "",   "",  //
                      "",   "㉿", "ⓙ",  "",   "품", "Ø",  "연", "ⓐ",  "",   ""},
         .inert = {28}},
        {.name = "FomTRX30SpecialLetter",
         .windowTitle = "TRX-30 특수 문자입력(ORVEL 포장기)",
         .headingName = "Label2",
         .heading = "TRX-30 특수문자 입력",
         .captions = {"@",  "r",  "s",  "t",  "u",  "v",  "w",  "x",  "y",  "z",  //
                      "탄", "소", "강", "관", "일", "반", "배", "용", "연", "구", //
                      "조", "료", "가", "환", "계", "스", "보", "러", "및", "열", //
                      "압", "㉿", "ⓙ",  "",   "교", "Ø",  "기", "력", "",   ""},
         .blankKeyLabels = {34},
         .insertion = Insertion::AtCaret},
    };
    return all;
}

} // namespace

const PaletteSpec* PaletteOf(SpecialLetterEditor editor) {
    switch (editor) {
    case SpecialLetterEditor::Trx20:
        return &palettes()[0];
    case SpecialLetterEditor::Trx20Disc1:
        return &palettes()[1];
    case SpecialLetterEditor::Trx20Disc2:
        return &palettes()[2];
    case SpecialLetterEditor::Trx30:
        return &palettes()[3];
    case SpecialLetterEditor::Hvl5:
        break;
    }
    return nullptr;
}

QKeyCombination PaletteKey(int n) {
    static constexpr Qt::KeyboardModifier kRowModifier[] = {Qt::NoModifier, Qt::ShiftModifier,
                                                            Qt::ControlModifier, Qt::AltModifier};
    const int i = n - 1;
    return QKeyCombination(kRowModifier[i / 10], Qt::Key(Qt::Key_F1 + i % 10));
}

QString PaletteKeyLabel(int n) {
    static const char* const kRowPrefix[] = {"", "Shift+", "Ctrl+", "Alt+"};
    const int i = n - 1;
    return QString::fromLatin1(kRowPrefix[i / 10]) + QStringLiteral("F%1").arg(i % 10 + 1);
}

SpecialLetterPalette::SpecialLetterPalette(const PaletteSpec& spec, QWidget* parent)
    : QDialog(parent)
    , spec_(spec) {
    setObjectName(spec_.name);
    setWindowTitle(spec_.windowTitle);
    setModal(true);

    ScreenSpec screen;
    for (int n = 1; n <= kPaletteButtons; ++n) {
        screen.buttons.append({.name = QStringLiteral("Command%1").arg(n),
                               .caption = spec_.captions.value(n - 1),
                               .key = PaletteKey(n),
                               .onClick = [this, n] { Command_Click(n); },
                               .enterClicks = true});
    }
    screen.buttons.append({.name = "ScmdExit",
                           .caption = "닫기[Esc]",
                           .onClick = [this] { ScmdExit_Click(); },
                           .enterClicks = true});
    screen.onEsc = [this] { ScmdExit_Click(); };
    form_ = new ScreenForm(this, std::move(screen));
    ScmdExit = form_->Button(QStringLiteral("ScmdExit"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(0);
    QFont captionFont = font();
    captionFont.setPointSizeF(captionFont.pointSizeF() * 1.6);
    captionFont.setBold(true);
    QFont keyFont = font();
    keyFont.setPointSizeF(keyFont.pointSizeF() * 0.75);
    for (int n = 1; n <= kPaletteButtons; ++n) {
        QPushButton* button = Command(n);
        button->setFixedSize(kButtonSize, kButtonSize);
        button->setFont(captionFont);
        // A button without a caption, or one that inserts nothing, is greyed.
        const QString letter = spec_.captions.value(n - 1).trimmed();
        button->setEnabled(!letter.isEmpty() && !spec_.inert.contains(n));

        auto* key =
            new QLabel(spec_.blankKeyLabels.contains(n) ? QString() : PaletteKeyLabel(n), this);
        key->setObjectName(QStringLiteral("LblKey%1").arg(n));
        key->setFont(keyFont);
        key->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        key->setFixedSize(kButtonSize, kKeyLabelHeight);
        keyLabels_.append(key);

        const int row = (n - 1) / 10;
        const int column = (n - 1) % 10;
        grid->addWidget(button, row * 2, column);
        grid->addWidget(key, row * 2 + 1, column);
    }

    auto* layout = new QVBoxLayout(this);
    if (!spec_.headingName.isEmpty()) {
        heading_ = NewTitlePanel(spec_.heading, this, spec_.headingName);
        layout->addWidget(heading_);
    }
    layout->addLayout(grid);
    ScmdExit->setMinimumSize(120, 32);
    QHBoxLayout* buttons = form_->ButtonRow({QStringLiteral("ScmdExit")});
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Command(1)->setFocus();
}

QPushButton* SpecialLetterPalette::Command(int n) const {
    return form_->Button(QStringLiteral("Command%1").arg(n));
}

QLabel* SpecialLetterPalette::KeyLabel(int n) const {
    return keyLabels_.value(n - 1);
}

void SpecialLetterPalette::Command_Click(int n) {
    const QString letter = spec_.captions.value(n - 1).trimmed();
    if (letter.isEmpty() || spec_.inert.contains(n)) {
        return;
    }
    const int target = Shared().SpecialLetterTarget;
    if (spec_.insertion == Insertion::AtCaret) {
        InsertMarkingDataAtCaretOf(target, letter);
    } else {
        AppendMarkingDataOf(target, letter);
    }
}

void SpecialLetterPalette::ScmdExit_Click() {
    reject();
}

void SpecialLetterPalette::done(int result) {
    Shared().SpecialLetterTarget = 0;
    QDialog::done(result);
}

} // namespace marking::letters
