#include "controllers/MarkingDataFocus.h"

namespace marking {

namespace {
MarkingDataFocus* g_targets[2] = {nullptr, nullptr};
}

void SetMarkingDataFocus(int caller, MarkingDataFocus* target) {
    if (caller == 1 || caller == 2) {
        g_targets[caller - 1] = target;
    }
}

MarkingDataFocus* MarkingDataFocusOf(int caller) {
    return caller == 1 || caller == 2 ? g_targets[caller - 1] : nullptr;
}

void FocusMarkingDataOf(int caller) {
    if (MarkingDataFocus* target = MarkingDataFocusOf(caller)) {
        target->FocusMarkingData();
    }
}

void AppendMarkingDataOf(int target, const QString& letter) {
    if (MarkingDataFocus* screen = MarkingDataFocusOf(target)) {
        screen->AppendMarkingData(letter);
    }
}

void InsertMarkingDataAtCaretOf(int target, const QString& letter) {
    if (MarkingDataFocus* screen = MarkingDataFocusOf(target)) {
        screen->InsertMarkingDataAtCaret(letter);
    }
}

} // namespace marking
