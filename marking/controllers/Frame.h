#pragma once

#include "controllers/EngineTypes.h"

namespace marking::controllers {

// Builds STX, command, text, ETX and, when withCheck is set, the check
// character: the XOR of the code page 949 codes of every character from the
// command through the ETX (a double-byte character's code is its 16-bit value).
// A check value above 0xFF is written as two bytes, high byte first.
// A text that code page 949 cannot encode, or that holds a control character
// (below 0x20), gives an error and no bytes.
FrameResult BuildFrame(char command, const QString& text, bool withCheck);

// Wraps a text into a conversion result, checking that it holds no control
// character and that code page 949 can encode it; controller names the model
// in the error message.
ConversionResult CheckedConversion(QString text, const char* controller);

} // namespace marking::controllers
