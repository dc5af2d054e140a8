#pragma once

// The TRX-20 procedures the screens call. They pass their inputs and outputs
// through the shared values (marking::Shared()). User-interface thread only.
namespace marking {

// Reads MarkingText and RuleCheckCaller, writes RuleCheckPassed; shows the
// failure's message and puts the focus into the caller's marking data field.
void ModTRX20MarkingDataRuleCheck();

// Reads MarkingText, CurrentMarkingMethod, ParenthesisSelection,
// CurrentRepetition and the dot settings; writes MarkingDataLength.
void ModTRX20MarkingDataLengthCheck();

// Reads MarkingText, writes ControllerText. When code page 949 cannot carry
// the converted text, ControllerText is emptied, the reason is shown and the
// result is false: nothing may be sent.
bool ModTRX20DataConversion();

} // namespace marking
