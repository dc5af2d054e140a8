#pragma once

#include "controllers/EngineTypes.h"

#include <QList>
#include <utility>

// Marking-text engines of the TRX-20 print controller.
namespace marking::trx20 {

using controllers::ConversionResult;
using controllers::FrameResult;
using controllers::LengthInputs;
using controllers::LengthResult;
using controllers::RuleCheckResult;

// The field rules of the marking-data language ("@", "q", "r"/"s", "t", "w",
// "y", "z"). caller is RuleCheckCaller: 1 FomMarkingSetting, 2
// FomMarkingWorkState; any other value passes at once, unless the text holds a
// control character (below 0x20), which every caller refuses first (with the
// focus into the field). Stops at the first
// failure; every failure moves the focus, and one ("@"/"q" whose digit ends the
// text) shows no message.
RuleCheckResult RuleCheck(const QString& text, int caller);

// The field checks alone (the text must already be known to come from caller 1
// or 2; the t-message example line depends on the caller). Shared with the
// TRX-30, which reads the same language.
RuleCheckResult FieldRuleCheck(const QString& text, int caller);

// Character width W in dots for the size digit 0..5 of an "@" or "q" field.
int CharacterWidth(int digit);
// Parenthesis allowance P in dots for preset 0..5 (0 for any other value).
std::int64_t ParenthesisDots(int selection, std::int32_t letterInterval);

// Length of the text on the pipe: dots of the printed characters and "z"
// spaces, then MarkingDataLength by method, parenthesis and repetitions.
// initialWidth is the character width before the first "@"/"q" field.
LengthResult MeasureLength(const QString& text, const LengthInputs& in, int initialWidth = 0);

// Completes a dot count into MarkingDataLength (shared with the TRX-30).
double LengthFromDots(std::int64_t dots, const LengthInputs& in);

// The TRX-20 character table: (marking-data character, controller character)
// in row order.
const QList<std::pair<QChar, QChar>>& CharacterTable();

// Converts the marking text into the controller's characters (same length).
// An error when code page 949 cannot carry the result.
ConversionResult Convert(const QString& markingText);

// The frame the transmission writes: STX, "3", text, ETX, check character.
FrameResult BuildFrame(const QString& controllerText);

} // namespace marking::trx20
