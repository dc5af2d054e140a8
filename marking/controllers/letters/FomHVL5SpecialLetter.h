#pragma once

#include "store/StoreError.h"

#include <QDialog>
#include <QKeyCombination>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace marking {
class GridBehaviour;
class ScreenForm;
} // namespace marking

namespace marking::letters {

// The grid row (1 .. 39) whose special letter a function key inserts: F1..F10
// alone rows 1..10, with Shift 11..20, with Ctrl 21..30, with Alt 31..39 (Alt+F4
// is not used, so F5..F10 give 34..39). 0: the key inserts nothing.
int SpecialLetterRowOfKey(QKeyCombination key);

// The HVL-5 special letter screen: the slots of table SpecialLetter in a grid.
// Input mode (CboModeSelect "입력 모드") inserts a slot's special letter into
// the marking data field of the screen SpecialLetterTarget names, by a click
// on its row, Space on the current row, or its function key; modify mode
// ("수정 모드") renames the special letter of the row clicked. Closing it sets
// SpecialLetterTarget to 0.
class FomHVL5SpecialLetter : public QDialog {
    Q_OBJECT
public:
    explicit FomHVL5SpecialLetter(QWidget* parent = nullptr);

    QLabel* SSPanel43; // frame title
    QLabel* SpanModeSelect;
    QComboBox* CboModeSelect;
    QLineEdit* TxtSpecialLetter;
    QPushButton* ScmdAmendment;
    QTableWidget* FlxSpecialLetter;
    QLabel* SSPanel50;
    QPushButton* ScmdExit;

    ScreenForm& Form() const { return *form_; }
    GridBehaviour& Grid() const;
    bool ModifyMode() const;

    // Refills the grid from table SpecialLetter; a database failure is shown.
    void FunFlxSpecialLetterDisplay();

    void CboModeSelect_Click();
    void FlxSpecialLetter_Click(int row); // 0: the header row
    void FunctionKey(QKeyCombination key);
    void ScmdAmendment_Click();
    void ScmdExit_Click();

    // Form_Unload: every way of closing ends here.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    store::Status fillGrid();
    void insertRow(int row);

    ScreenForm* form_;
    // A row was clicked in modify mode since the screen opened: amend writes
    // only a slot the operator chose here.
    bool rowChosen_ = false;
};

} // namespace marking::letters
