#pragma once

#include "controllers/hvl5/SpecialLetterTable.h"

#include <QString>
#include <cstdint>

// The continuity marking repetition check: the marking text repeated along the
// pipe, with blank-spacing codes that spread the copies evenly over the usable
// length.
namespace marking::work {

// One row of the work list, as read from table MarkingWork. W_Length and
// W_Reptition are kept as read (text) so that an empty or non-numeric value
// is refused rather than read as 0.
struct RepetitionWork {
    QString data;                 // W_Data
    QString length;               // W_Length, mm
    QString repetition;           // W_Reptition, copies per pipe
    std::int16_t parenthesis = 0; // W_Parenthesis 0..5
};

// ProgramSettings values the check uses.
struct RepetitionSettings {
    std::int16_t controller = 0;     // PrintControler: 0 TRX-20, 1 HVL-5, 2 TRX-30
    std::int32_t pipeSide = 0;       // PipeSide, mm
    double dotDimension = 0.0;       // DotDimension, mm per dot
    std::int32_t letterInterval = 0; // LetterIntervalDotVolume
    double revision = 0.0;           // Revision
};

// The outcome: the expanded text, or a refusal (ok false, a Korean message
// under the title "입력오류!") with an empty text.
struct RepetitionResult {
    bool ok = false;
    QString text;                 // the expanded MarkingText
    double length = 0.0;          // MarkingDataLength of the copies without spacing
    std::int64_t gap = 0;         // dots between two copies
    std::int16_t repetition = 0;  // CurrentRepetition (the row's n)
    std::int16_t parenthesis = 0; // ParenthesisSelection (the row's preset)
    QString message;
    QString title;
};

// Rounds to the nearest whole number, halves to the even neighbour.
std::int64_t RoundHalfEven(double value);

// The blank-spacing code of a gap in dots: "z" and three digits for the TRX-20
// and TRX-30 (a chain of "z999" blocks from 1000 dots on), "@S" and four
// digits for the HVL-5 (capped at 9999). gap must not be negative.
QString SpacingCode(int controller, std::int64_t gap);

// The parenthesis preset in front of the copies ("@3(     )"), empty for 0.
QString ParenthesisPreset(int selection);

// The copies of text joined by spacing, with the parenthesis preset in front.
QString ExpandText(const QString& text, int copies, const QString& spacing, int parenthesis);

// Gap and expanded text of a work whose copies were measured at
// markingDataLength mm. Refuses a work that no longer fits (negative gap) and
// a dot dimension that is not a positive number.
RepetitionResult ExpandMeasured(const QString& text, std::int16_t copies, std::int16_t parenthesis,
                                std::int32_t workLength, const RepetitionSettings& settings,
                                double markingDataLength);

// The whole check for one work: validates the row, runs the length check of
// the configured controller (continuity marking, the row's copies and
// parenthesis), then expands. letterWidth is the letter width in force before
// the length check: the HVL-5 keeps it between checks (it is updated here),
// the TRX-20 and TRX-30 checks start every run with 0 (callers pass 0; it is
// not changed). table holds the HVL-5 special letters.
RepetitionResult CheckRepetition(const RepetitionWork& work, const RepetitionSettings& settings,
                                 const hvl5::SpecialLetterTable& table, std::int32_t& letterWidth);

} // namespace marking::work
