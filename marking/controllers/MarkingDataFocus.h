#pragma once

#include <QString>

namespace marking {

// A screen whose marking data field (TxtData) a failed rule check puts the
// focus into. FomMarkingSetting registers itself for RuleCheckCaller 1,
// FomMarkingWorkState for 2; a screen that is created on first use registers a
// stand-in that loads it before moving the focus.
// The special letter editors write into the same field through it
// (SpecialLetterTarget names the screen).
class MarkingDataFocus {
public:
    virtual ~MarkingDataFocus() = default;
    virtual void FocusMarkingData() = 0;
    // Adds a special letter at the end of the field (the TRX-20 and HVL-5
    // editors) or at its caret (the TRX-30 palette), as typing would: the
    // field's length limit and filter still hold.
    virtual void AppendMarkingData(const QString& letter) { (void)letter; }
    virtual void InsertMarkingDataAtCaret(const QString& letter) { (void)letter; }
};

// Registers the focus target of a caller (1 or 2); nullptr removes it.
// Any other caller number is ignored. User-interface thread only.
void SetMarkingDataFocus(int caller, MarkingDataFocus* target);
MarkingDataFocus* MarkingDataFocusOf(int caller);

// Moves the focus into the caller's marking data field; nothing happens when
// no screen is registered for the caller.
void FocusMarkingDataOf(int caller);

// Writes a special letter into the marking data field of screen target
// (SpecialLetterTarget: 1 or 2); nothing happens for 0 or an unregistered
// screen.
void AppendMarkingDataOf(int target, const QString& letter);
void InsertMarkingDataAtCaretOf(int target, const QString& letter);

} // namespace marking
