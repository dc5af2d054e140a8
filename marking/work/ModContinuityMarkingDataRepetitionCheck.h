#pragma once

#include <QString>

namespace marking {

// Outcome of the repetition check. A refusal (ok false) carries the Korean
// message and title for the caller to show; MarkingText is then empty and
// nothing may be sent.
struct RepetitionCheckOutcome {
    bool ok = true;
    QString message;
    QString title;
};

// The continuity marking repetition check for the work at the head of the work
// list: reloads ProgramSettings, reads the first MarkingWork row, sets
// MarkingText, CurrentRepetition and ParenthesisSelection from it, runs the
// configured controller's length check (MarkingDataLength) and leaves the
// expanded text in MarkingText. An empty work list leaves MarkingText empty.
// A work that no longer fits, a DotDimension that is not positive, an empty or
// non-numeric W_Length or W_Reptition, and a database error are refused.
// The caller sets CurrentMarkingMethod to 1 first. User-interface thread only.
RepetitionCheckOutcome ModContinuityMarkingDataRepetitionCheck();

} // namespace marking
