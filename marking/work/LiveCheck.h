#pragma once

#include "common/SharedValues.h"
#include "controllers/hvl5/SpecialLetterTable.h"

#include <QString>
#include <optional>

// The live check line under the marking data field of the two marking
// screens: what the rule and length checks would say about the text as it
// stands, computed with the engines alone (no message box, no shared value
// changed), so that the operator sees a refusal before pressing the key.
namespace marking::work {

struct LiveInput {
    QString text;                   // TxtData as it stands (trimmed here, as the checks are)
    int caller = 1;                 // RuleCheckCaller of the screen (the t-message example)
    ProgramSettingsRecord settings; // controller, dot geometry, PipeSide
    int method = 0;                 // marking method 0, 1, 2
    int parenthesis = 0;            // parenthesis preset 0..5
    QString repetition;             // TxtRepetition as typed (continuity marking)
    QString pipeLength;             // TxtLength as typed
    const hvl5::SpecialLetterTable* letters = nullptr; // HVL-5 special letters
    std::int32_t hvl5LetterWidth = 0; // the HVL-5 letter width now (read, never changed)
};

enum class LiveTone {
    Good,       // the text passes and the marking fits
    Refused,    // F4/F5/F7 would refuse it
    Incomplete, // something is still to be typed
};

struct LiveResult {
    LiveTone tone = LiveTone::Incomplete;
    bool rulePassed = false;
    QString rule;                 // "통과", or the words of the refusal
    std::optional<double> length; // mm the marking takes
    std::optional<qint64> usable; // TxtLength - PipeSide, mm
    QString line;                 // the whole line
};

LiveResult CheckLive(const LiveInput& in);

// Millimetres as the line shows them: at most two decimals, no trailing zeros.
QString MillimetreText(double mm);

} // namespace marking::work
