#pragma once

#include "controllers/letters/SpecialLetterEditor.h"

#include <QDialog>
#include <QKeyCombination>
#include <QList>
#include <QString>
#include <QStringList>

class QLabel;
class QPushButton;

namespace marking {
class ScreenForm;
}

namespace marking::letters {

// Where a palette puts its letter in the target's marking data field.
enum class Insertion {
    AtEnd,   // appended, wherever the caret is (TRX-20)
    AtCaret, // inserted at the caret, the caret after it (TRX-30)
};

inline constexpr int kPaletteButtons = 40; // Command1 .. Command40, 4 rows of 10

// What one palette shows and does. Command n (1-based) is clicked by F1..F10
// in its row: row 1 without a modifier, row 2 with Shift, 3 with Ctrl, 4 with Alt.
struct PaletteSpec {
    QString name;              // the screen's object name, "FomTRX20SpecialLetter_1"
    QString windowTitle;       // "TRX-20 특수문자 입력(ORVEL 소경 4호기)"
    QString headingName;       // "SSPanel43", "Label2"; empty: no heading
    QString heading;           // "디스크 1"
    QStringList captions;      // 40 button captions, Command1 first; "" has no caption
    QList<int> inert;          // captioned buttons that insert nothing
    QList<int> blankKeyLabels; // buttons whose key label panel stays empty
    Insertion insertion = Insertion::AtEnd;
};

// The palette of a TRX-20 or TRX-30 editor (Hvl5 is no palette: nullptr).
const PaletteSpec* PaletteOf(SpecialLetterEditor editor);

// The key of Command n and its label ("F1", "Shift+F10", "Ctrl+F3", "Alt+F7").
QKeyCombination PaletteKey(int n);
QString PaletteKeyLabel(int n);

// A special letter palette: 40 buttons, each inserting its caption into the
// marking data field of the screen SpecialLetterTarget names; the key label
// panel under every button; ScmdExit "닫기[Esc]". Closing it (ScmdExit, Esc,
// the window's close) sets SpecialLetterTarget to 0.
class SpecialLetterPalette : public QDialog {
    Q_OBJECT
public:
    SpecialLetterPalette(const PaletteSpec& spec, QWidget* parent = nullptr);

    const PaletteSpec& Palette() const { return spec_; }
    ScreenForm& Form() const { return *form_; }
    QPushButton* Command(int n) const; // 1 .. 40
    QLabel* KeyLabel(int n) const;     // the panel under Command n
    QLabel* Heading() const { return heading_; }
    QPushButton* ScmdExit;

    // Command1_Click .. Command40_Click.
    void Command_Click(int n);
    void ScmdExit_Click();

    // Form_Unload: every way of closing ends here.
    void done(int result) override;

private:
    PaletteSpec spec_;
    ScreenForm* form_;
    QList<QLabel*> keyLabels_;
    QLabel* heading_ = nullptr;
};

} // namespace marking::letters
