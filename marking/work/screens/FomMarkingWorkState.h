#pragma once

#include "controllers/MarkingDataFocus.h"
#include "store/StoreError.h"
#include "work/screens/WorkScreenParts.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace marking {
class ScreenForm;
}

namespace marking::work {

// The marking work list screen: the works of table MarkingWork in the order
// they are marked, their amendment and deletion, the move of a work to the
// front, and the carving work setting (F11).
class FomMarkingWorkState : public QWidget, public MarkingDataFocus {
    Q_OBJECT
public:
    explicit FomMarkingWorkState(QWidget* parent = nullptr);
    ~FomMarkingWorkState() override;

    QLabel* SSPanel1; // "마킹작업 현황[F2]"
    QTableWidget* FlxMarkingWork;
    QLineEdit* TxtMarkingMethod;
    QLineEdit* TxtData;
    QLineEdit* TxtLength;
    QLineEdit* TxtPi;
    QLineEdit* TxtPipeVolume;
    QLineEdit* TxtRepetition;
    QComboBox* CboLengthYesOrNo;
    QComboBox* CboUnitYesOrNo;
    QComboBox* CboParenthesis;
    QComboBox* CboWorkTeam;
    QLineEdit* TxtFirstWork;
    // Present, never shown.
    QLineEdit* TxtSelectNumber;
    QComboBox* CboCarvingPipe;
    QComboBox* CboCarvingData;
    QComboBox* CboDiscSelect;
    QPushButton* ScmdSelect;
    QPushButton* ScmdCarvingWorkChange;

    QPushButton* ScmdAmendment;
    QPushButton* ScmdDelete;
    QPushButton* ScmdAllDelete;
    QPushButton* ScmdOk;
    QPushButton* ScmdSpecialLetter;
    QPushButton* ScmdEnd;
    // What the checks would say of TxtData now.
    LiveCheckLine* LblLiveCheck;

    ScreenForm& Form() const { return *form_; }

    // Public operations of the screen. A database failure is shown.
    // Refills FlxMarkingWork from the work list.
    void FunFlexgridDisplay();
    // Moves the work numbered in TxtFirstWork to the front (F7).
    void FunFlexgridDataSave();
    // Shows the carving work setting in CboCarvingPipe and CboCarvingData.
    void FunCarvingWorkDisplay();

    void FlxMarkingWork_Click(int row);
    void ScmdAmendment_Click();
    void ScmdDelete_Click();
    void ScmdAllDelete_Click();
    void ScmdOk_Click();
    void ScmdSelect_Click();
    void ScmdSpecialLetter_Click();
    void ScmdEnd_Click();
    void ScmdCarvingWorkChange_Click();
    // Esc: the eight text fields emptied; the focus and SelectedWorkId stay.
    void ClearFields();
    // Recomputes the live check line.
    void UpdateLiveCheck();

    // MarkingDataFocus (RuleCheckCaller and SpecialLetterTarget 2).
    void FocusMarkingData() override;
    void AppendMarkingData(const QString& letter) override;
    void InsertMarkingDataAtCaret(const QString& letter) override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildControls();
    void layOut();
    store::Status gridDisplay();
    store::Status carvingDisplay();
    // Fills the fields from a grid row, as a click does (fromClick) or F8.
    void fillFromRow(int row, bool fromClick);
    // The method of TxtMarkingMethod (-1: none).
    int selectedMethod() const;
    // Refreshes two rows of the grid from the table after an exchange.
    bool refreshRows(int first, int second);
    // After an amendment or deletion: the chosen work's fields emptied.
    void clearWork(bool continuity);

    ScreenForm* form_;
    LiveInputs live_;
};

} // namespace marking::work
