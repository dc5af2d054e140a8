#pragma once

#include "controllers/EngineTypes.h"

#include <QList>

// Marking-text engines of the TRX-30 print controller. The TRX-30 reads the
// TRX-20 marking-data language and adds two banks of built-in glyphs, chosen by
// the character set of the last "@2".."@5" field.
namespace marking::trx30 {

using controllers::ConversionResult;
using controllers::FrameResult;
using controllers::LengthInputs;
using controllers::LengthResult;
using controllers::RuleCheckResult;

// A control character (below 0x20) fails first, for every caller, with the
// focus into the field and characterSet left alone. Then the TRX-20 field
// rules (for caller 1 or 2), then the character-set check:
// a glyph of one bank under a character set of the other fails with its
// message and no focus change. characterSet, when given, receives the set in
// force at the refused character ("@2".."@5"), or empty when the check passes;
// it is left alone when a field rule fails.
RuleCheckResult RuleCheck(const QString& text, int caller, QString* characterSet = nullptr);

// Glyph width K in dots after the size digit 0..5 (-1: 0 and 1 leave K unchanged).
int GlyphWidth(int digit);
// Whether the length check measures c with the glyph width K.
bool IsGlyph(QChar c);

// Length of the text on the pipe: as the TRX-20, but glyphs take K + LI.
// initialWidth is W before the first "@"/"q" field; K always starts at 0.
LengthResult MeasureLength(const QString& text, const LengthInputs& in, int initialWidth = 0);

// The glyphs of the two banks (first: "@2"/"@3", second: "@4"/"@5"; "기" is in both).
const QString& FirstBankCharacters();
const QString& SecondBankCharacters();

// Converts one character under the character set in force (0, or the digit
// 2..5 of the last "@2".."@5" field).
QChar ConvertChar(QChar c, int characterSet);

// Converts the marking text (same length; the "@" fields stay). An error when
// code page 949 cannot carry the result.
ConversionResult Convert(const QString& markingText);

// The frame the transmission writes: STX, "3", text, ETX (no check character).
FrameResult BuildFrame(const QString& controllerText);

} // namespace marking::trx30
