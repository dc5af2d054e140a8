#pragma once

#include "store/StoreError.h"

#include <QStringList>
#include <QVariantHash>
#include <QWidget>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace marking {
class ScreenForm;
}

namespace marking::store {

// The calculator the settings screen starts: the command in the settings
// store ("Tools/Calculator", a program with its arguments), else the first
// of gnome-calculator, galculator, kcalc, xcalc found on PATH. Empty: none.
QStringList CalculatorCommand();

// The program settings screen: edits the one ProgramSetting row.
class FomProgramSetting : public QWidget {
    Q_OBJECT
public:
    explicit FomProgramSetting(QWidget* parent = nullptr);

    // "마킹방법 설정"
    QComboBox* CboSingleMarking;
    QComboBox* CboContinuityMarking;
    QComboBox* CboFileMarking; // hidden
    // "하드웨어 설정"
    QComboBox* CboPrintControler;
    QComboBox* CboCarvingMachine; // hidden
    QComboBox* CboPLC;            // hidden
    // "마킹 관련 설정"
    QLineEdit* TxtPipeSide;
    QLineEdit* TxtDotDimension;
    QLineEdit* TxtLetterIntervalDotVolume;
    QLineEdit* TxtRevision;
    QLineEdit* TxtHeadHome;     // hidden
    QLineEdit* TxtGAP;          // hidden
    QLineEdit* TxtPulse;        // hidden
    QLineEdit* TxtStopperPulse; // hidden
    // "기타 설정"
    QCheckBox* CheMarkingWorkDelete;
    QCheckBox* CheNullRecordDelete;             // hidden
    QComboBox* CboFileMarkingDataIntervalCheck; // hidden
    // "통신 포트 설정"
    QComboBox* CboCarvingMachineComPort; // hidden
    QComboBox* CboPrintControlerComPort;
    QComboBox* CboPLCComPort; // hidden

    QLabel* SSPanel3;
    QLabel* SpanHelp;
    QTableWidget* FlxHelp;
    QPushButton* ScmdAmendment;
    QPushButton* ScmdCalculator;
    QPushButton* ScmdEnd;

    // The eight text fields, in the order the save checks them.
    QList<QLineEdit*> TextFields() const;
    // The caption panel beside a field.
    QLabel* CaptionPanelOf(QWidget* field) const;
    // The screen's tables and the controls built from them.
    ScreenForm& Form() const { return *form_; }

    void ScmdAmendment_Click();
    void ScmdCalculator_Click();
    void ScmdEnd_Click();
    // Esc in a text field: all eight emptied, the focus into TxtPipeSide.
    void ClearTextFields();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void layOut();
    void showStoredSettings();
    void fillHelp();

    ScreenForm* form_;
    // The row as it is stored (shown at creation, updated by every save).
    QVariantHash stored_;
    // A database failure of the load, shown when the screen is first used.
    std::optional<StoreError> loadError_;
};

} // namespace marking::store
