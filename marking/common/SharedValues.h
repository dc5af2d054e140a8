#pragma once

#include <QString>
#include <cstdint>

namespace marking {

// Copy of the one ProgramSetting row; members are the columns without "P_".
// Every member starts at 0 before the first settings load.
struct ProgramSettingsRecord {
    std::int16_t SingleMarking = 0;
    std::int16_t ContinuityMarking = 0;
    std::int16_t FileMarking = 0;
    std::int16_t PrintControler = 0;
    std::int16_t PLC = 0;
    std::int16_t CarvingMachine = 0;
    std::int32_t PipeSide = 0;
    double DotDimension = 0.0;
    std::int32_t LetterIntervalDotVolume = 0;
    double Revision = 0.0;
    std::int32_t HeadHome = 0;
    std::int32_t GAP = 0;
    double Pulse = 0.0;
    double StopperPulse = 0.0;
    std::int16_t PrintControlerComPort = 0;
    std::int16_t PLCComPort = 0;
    std::int16_t CarvingMachineComPort = 0;
    std::int16_t FileMarkingDataIntervalCheck = 0;

    bool operator==(const ProgramSettingsRecord&) const = default;
};

// Print controller models as stored in P_PrintControler.
enum PrintControllerModel : std::int16_t {
    ControllerTRX20 = 0,
    ControllerHVL5 = 1,
    ControllerTRX30 = 2,
};

// Marking methods as stored in M_MarkingMethod / W_MarkingMethod.
enum MarkingMethod : std::int16_t {
    SingleMarking = 0,
    ContinuityMarking = 1,
    FileMarking = 2,
};

// The program-wide values of the marking program. One instance lives for the
// whole run (see Shared()); screens and modules pass their inputs and outputs
// through it, under the names the rest of the program uses.
struct SharedValues {
    ProgramSettingsRecord ProgramSettings;
    QString MarkingText;
    QString ControllerText;
    std::int16_t RuleCheckCaller = 0;
    bool RuleCheckPassed = false;
    std::int16_t CurrentMarkingMethod = 0;
    std::int16_t ParenthesisSelection = 0;
    std::int16_t CurrentRepetition = 0;
    double MarkingDataLength = 0.0;
    std::int16_t SpecialLetterTarget = 0;
    std::int32_t SelectedRecordId = 0;
    std::int32_t SelectedWorkId = 0;
    bool RunScreenActivated = false;
    bool MarkingWorkStarted = false;
    bool RunScreenInactive = false;
    std::int32_t InputChannelCount = 0;
};

// The one instance. User-interface thread only.
SharedValues& Shared();

// Puts every value back to its start state (tests, and a fresh program run).
void ResetSharedValues();

// Display texts of the codes the screens share.
QString MarkingMethodName(int method); // "단마킹", "연속마킹", "파일마킹"; empty otherwise
QString WorkTeamName(int team);        // "A 조" .. "E 조"; empty otherwise

} // namespace marking
