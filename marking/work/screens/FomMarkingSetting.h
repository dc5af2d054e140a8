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

// The marking settings screen: the library of registered marking texts per
// marking method (table MarkingSetting), and the addition of a work to the
// marking work list (table MarkingWork).
class FomMarkingSetting : public QWidget, public MarkingDataFocus {
    Q_OBJECT
public:
    explicit FomMarkingSetting(QWidget* parent = nullptr);
    ~FomMarkingSetting() override;

    QLabel* SSPanel1; // "마킹사양 설정[F1]"
    QComboBox* CboMarkingMethod;
    QLineEdit* TxtSelectNumber;
    QLineEdit* TxtData;
    QLineEdit* TxtLength;
    QLineEdit* TxtPi;
    QLineEdit* TxtPipeVolume;
    QLineEdit* TxtRepetition;
    QComboBox* CboParenthesis;
    QComboBox* CboWorkTeam;
    QTableWidget* FlxMarkingData;
    QPushButton* ScmdDataAddition;
    QPushButton* ScmdAmendment;
    QPushButton* ScmdDelete;
    QPushButton* ScmdWorkAddition;
    QPushButton* ScmdSelect;
    QPushButton* ScmdSpecialLetter;
    QPushButton* ScmdEnd;
    QPushButton* ScmdAllDelete;
    // What the checks would say of TxtData now.
    LiveCheckLine* LblLiveCheck;

    ScreenForm& Form() const { return *form_; }

    // The registered texts of the method chosen in CboMarkingMethod into
    // FlxMarkingData; a database failure is shown.
    void ShowMarkingData();

    void FlxMarkingData_Click(int row);
    void ScmdSelect_Click();
    void ScmdDataAddition_Click();
    void ScmdAmendment_Click();
    void ScmdDelete_Click();
    void ScmdAllDelete_Click();
    void ScmdWorkAddition_Click();
    void ScmdSpecialLetter_Click();
    void ScmdEnd_Click();
    void CboMarkingMethod_Click();
    // Esc: the six text fields emptied, the focus into TxtSelectNumber.
    void ClearFields();
    // Recomputes the live check line.
    void UpdateLiveCheck();

    // MarkingDataFocus (RuleCheckCaller and SpecialLetterTarget 1).
    void FocusMarkingData() override;
    void AppendMarkingData(const QString& letter) override;
    void InsertMarkingDataAtCaret(const QString& letter) override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildControls();
    void layOut();
    store::Status fillGrid();

    ScreenForm* form_;
    LiveInputs live_;
};

} // namespace marking::work
