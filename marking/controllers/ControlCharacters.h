#pragma once

#include "controllers/EngineTypes.h"

#include <QStringView>

// Characters below 0x20 (STX, ETX, ACK, NAK, CR, LF, tab ...) never belong in a
// marking text: a controller would take them for a part of the frame. The rule
// checks refuse them, and the conversions and frames refuse them again.
namespace marking::controllers {

// 0-based position of the first character below 0x20, or -1.
qsizetype FirstControlCharacter(QStringView text);

// "제어 문자 0x02 (5번째 문자)": the character at index, for a message.
QString ControlCharacterText(QStringView text, qsizetype index);

// The refusal of a rule check (title "입력오류!", focus into the field) when
// the text holds a control character; a passed result otherwise.
RuleCheckResult ControlCharacterRuleCheck(const QString& text);

} // namespace marking::controllers
