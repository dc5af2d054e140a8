#pragma once

class QWidget;

namespace marking {

// The special letter editors of the print controllers.
enum class SpecialLetterEditor {
    Trx20,      // FomTRX20SpecialLetter
    Trx20Disc1, // FomTRX20SpecialLetter_1
    Trx20Disc2, // FomTRX20SpecialLetter_2
    Trx30,      // FomTRX30SpecialLetter
    Hvl5,       // FomHVL5SpecialLetter
};

// Shows an editor modally over parent and returns when it is closed; the
// window and control that had the focus get it back (RunModal).
//
// The chosen letters go into the marking data field of the screen
// Shared().SpecialLetterTarget names, read at every click (1: through
// AppendMarkingDataOf / InsertMarkingDataAtCaretOf of MarkingDataFocus 1, 2:
// of 2; 0: nothing happens). The caller sets the target before the call; it
// keeps its value while the editor is open (a screen that zeroes it on its
// own deactivation must not count the editor's opening as one), and it is 0
// when this returns, however the editor was closed.
//
// The TRX-20 palettes append every letter at the end of the field; the TRX-30
// palette inserts at the field's caret; the HVL-5 screen appends, and also
// renames the slots of table SpecialLetter. User-interface thread only.
void ShowSpecialLetterEditor(SpecialLetterEditor editor, QWidget* parent);

} // namespace marking
