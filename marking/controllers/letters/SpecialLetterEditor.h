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

// Shows an editor modally over parent. The chosen letters go into the
// marking data field of the screen Shared().SpecialLetterTarget names
// (AppendMarkingDataOf / InsertMarkingDataAtCaretOf); the caller sets the
// target before and the target keeps its value while the editor is open.
void ShowSpecialLetterEditor(SpecialLetterEditor editor, QWidget* parent);

} // namespace marking
