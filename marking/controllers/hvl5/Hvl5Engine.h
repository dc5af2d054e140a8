#pragma once

#include "controllers/EngineTypes.h"
#include "controllers/hvl5/SpecialLetterTable.h"

// Marking-text engines of the HVL-5 print controller.
namespace marking::hvl5 {

using controllers::ConversionResult;
using controllers::FrameResult;
using controllers::LengthInputs;
using controllers::LengthResult;
using controllers::RuleCheckResult;

// The marker character that the conversion drops and the length check skips.
inline constexpr char16_t kMarker = u'\u2195'; // "↕"

// The HVL-5 accepts every text but one with a control character (below
// 0x20): that fails with a message and the focus into the field. Otherwise
// passed, no message, no focus change.
RuleCheckResult RuleCheck(const QString& text);

// The check of a special letter amended on the special letter screen, before
// it is written to S_SpecialLetter: an empty text fails with "문자를
// 입력하십시오." (title "입력 확인!"), a text with a control character with
// its own message (title "입력오류!"). Every failure has focus set: the
// screen puts the focus into its text field.
RuleCheckResult SpecialLetterCheck(const QString& letter);

// Parenthesis dots P for preset 0..5 (0 for any other value).
std::int64_t ParenthesisDots(int selection);

// Length of the text on the pipe. letterWidth is the letter width W, kept by
// the caller between checks (0 at program start): the size codes "@1".."@5" of
// the text change it. Special letters of all 100 slots count as one letter.
// "@S" counts the number its four digits write; "@S" without four digits is
// measured as ordinary characters.
LengthResult MeasureLength(const QString& text, const LengthInputs& in,
                           const SpecialLetterTable& table, std::int32_t& letterWidth);

// Converts the marking text: the special letters of the bank in force ("@4",
// "@5", "q4", "q5") become their controller addresses, "↕" is dropped. An
// error when code page 949 cannot carry the result.
ConversionResult Convert(const QString& markingText, const SpecialLetterTable& table);

// The frame the transmission writes: STX, "2", text, ETX, check character.
FrameResult BuildFrame(const QString& controllerText);

} // namespace marking::hvl5
