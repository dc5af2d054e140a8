#pragma once

#include <QString>

// The TRX-30 procedures the screens call; shared values in and out.
// User-interface thread only.
namespace marking {

// The character set in force during a TRX-30 rule check or conversion:
// empty, or the last of "@2".."@5" met.
QString& TRX30CharacterSet();

// Field rules (message and focus as the TRX-20), then the character-set check
// (message, no focus change). Writes RuleCheckPassed and TRX30CharacterSet.
void ModTRX30MarkingDataRuleCheck();

// Writes MarkingDataLength (glyphs measured with their own width).
void ModTRX30MarkingDataLengthCheck();

// Reads MarkingText, writes ControllerText; empties TRX30CharacterSet first
// and leaves the last set met in it. False (reason shown, ControllerText
// empty) when code page 949 cannot carry the converted text.
bool ModTRX30DataConversion();

} // namespace marking
