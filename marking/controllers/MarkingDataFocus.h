#pragma once

namespace marking {

// A screen whose marking data field (TxtData) a failed rule check puts the
// focus into. FomMarkingSetting registers itself for RuleCheckCaller 1,
// FomMarkingWorkState for 2; a screen that is created on first use registers a
// stand-in that loads it before moving the focus.
class MarkingDataFocus {
public:
    virtual ~MarkingDataFocus() = default;
    virtual void FocusMarkingData() = 0;
};

// Registers the focus target of a caller (1 or 2); nullptr removes it.
// Any other caller number is ignored. User-interface thread only.
void SetMarkingDataFocus(int caller, MarkingDataFocus* target);
MarkingDataFocus* MarkingDataFocusOf(int caller);

// Moves the focus into the caller's marking data field; nothing happens when
// no screen is registered for the caller.
void FocusMarkingDataOf(int caller);

} // namespace marking
