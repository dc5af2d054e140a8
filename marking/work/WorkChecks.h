#pragma once

#include <QString>
#include <QtGlobal>

// The checks both marking screens run before they store a text or a work:
// the configured controller's rule and length checks, the number fields and
// code page 949. User-interface thread only.
namespace marking::work {

// Upper limits of the number columns of MarkingWork.
inline constexpr qint64 kInt32Max = 2147483647; // W_Length, W_Pi, W_PipeVolume
inline constexpr qint64 kInt16Max = 32767;      // W_Reptition (CurrentRepetition)

// The value of a digits field for a column holding at most max.
struct DigitsValue {
    bool ok = false;
    qint64 value = 0;
    QString message; // when not ok: names the field and the limit
};
// caption names the field in the message ("길이"). An empty text is not ok
// and has no message (the required-field check speaks for it).
DigitsValue ReadDigits(const QString& text, const QString& caption, qint64 max);

// Reloads ProgramSettings; a failure is shown and gives false.
bool ReloadProgramSettings();

// The rule check of ProgramSettings.PrintControler (0 TRX-20, 1 HVL-5, 2
// TRX-30) on MarkingText and RuleCheckCaller; writes RuleCheckPassed. Any
// other controller value runs no check: RuleCheckPassed is false and the
// operator is told to choose a controller.
void RunRuleCheck();

// Tells the operator that ProgramSettings.PrintControler names none of the
// three controllers.
void ShowNoController();

// The length check of the configured controller: writes MarkingDataLength.
// False when it could not run (the HVL-5 letters could not be read, or no
// controller is configured); the reason has been shown.
bool RunLengthCheck();

// The refusal of a text that code page 949 cannot carry (empty when it can).
QString UnencodableMessage(const QString& text);
// Shows that refusal for MarkingText (title "입력오류!") and moves the focus
// into the marking data field of RuleCheckCaller; false then.
bool CheckMarkingTextEncodable();

} // namespace marking::work
