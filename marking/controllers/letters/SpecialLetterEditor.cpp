#include "controllers/letters/SpecialLetterEditor.h"

#include "common/SharedValues.h"
#include "common/widgets/Modal.h"
#include "controllers/letters/FomHVL5SpecialLetter.h"
#include "controllers/letters/SpecialLetterPalette.h"

namespace marking {

void ShowSpecialLetterEditor(SpecialLetterEditor editor, QWidget* parent) {
    if (const letters::PaletteSpec* palette = letters::PaletteOf(editor)) {
        letters::SpecialLetterPalette dialog(*palette, parent);
        RunModal(dialog);
    } else {
        letters::FomHVL5SpecialLetter dialog(parent);
        RunModal(dialog);
    }
    Shared().SpecialLetterTarget = 0;
}

} // namespace marking
