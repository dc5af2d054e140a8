#include "controllers/letters/SpecialLetterEditor.h"

namespace marking {

// The editors themselves are being built; until they land, opening one does
// nothing.
void ShowSpecialLetterEditor(SpecialLetterEditor editor, QWidget* parent) {
    (void)editor;
    (void)parent;
}

} // namespace marking
