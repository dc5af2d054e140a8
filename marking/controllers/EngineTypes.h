#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// Values the marking-text engines of the three print controllers return.
// The engines are pure functions of their inputs; the Mod... procedures of each
// controller read and write the shared values around them.
namespace marking::controllers {

// Control characters of the controller frames and replies.
inline constexpr char kSTX = 0x02;
inline constexpr char kETX = 0x03;
inline constexpr char kACK = 0x06;
inline constexpr char kNAK = 0x15;

// Outcome of a marking-data rule check. A failure may come without a message
// (message empty); focus says whether the check moves the focus into the
// calling screen's marking data field.
struct RuleCheckResult {
    bool passed = true;
    QString message;
    QString title;
    bool focus = false;

    bool hasMessage() const { return !message.isEmpty(); }
    bool operator==(const RuleCheckResult&) const = default;
};

// Inputs of a length check besides the text: the work (method, parenthesis
// preset, repetitions) and the dot geometry of ProgramSettings.
struct LengthInputs {
    std::int16_t method = 0;         // CurrentMarkingMethod: 0 single, 1 continuity, 2 file
    std::int16_t parenthesis = 0;    // ParenthesisSelection 0..5
    std::int16_t repetition = 0;     // CurrentRepetition
    double dotDimension = 0.0;       // ProgramSettings.DotDimension, mm per dot
    std::int32_t letterInterval = 0; // ProgramSettings.LetterIntervalDotVolume, dots
    double revision = 0.0;           // ProgramSettings.Revision
};

// Outcome of a length check: MarkingDataLength in mm, and the dots of the text
// itself (before the parenthesis allowance and the repetitions).
struct LengthResult {
    double length = 0.0;
    std::int64_t dots = 0;
};

// Outcome of a conversion into the controller's character set: the controller
// text, or an error when code page 949 cannot carry it.
struct ConversionResult {
    bool ok = false;
    QString text;
    QString error;
};

// Outcome of framing a controller text: the bytes a transmission writes, or an
// error when the text cannot be encoded in code page 949 (nothing is framed).
struct FrameResult {
    bool ok = false;
    QByteArray bytes;
    QString error;
};

} // namespace marking::controllers
