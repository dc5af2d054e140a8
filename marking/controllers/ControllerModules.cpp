#include "controllers/ControllerModules.h"

#include "common/MessagePort.h"
#include "common/SharedValues.h"
#include "controllers/MarkingDataFocus.h"

namespace marking::controllers {

void PublishRuleCheck(const RuleCheckResult& result, int caller) {
    Shared().RuleCheckPassed = result.passed;
    if (result.hasMessage()) {
        Messages().ShowMessage(result.message, result.title, MessageIcon::Information);
    }
    if (result.focus) {
        FocusMarkingDataOf(caller);
    }
}

LengthInputs SharedLengthInputs() {
    const SharedValues& v = Shared();
    LengthInputs in;
    in.method = v.CurrentMarkingMethod;
    in.parenthesis = v.ParenthesisSelection;
    in.repetition = v.CurrentRepetition;
    in.dotDimension = v.ProgramSettings.DotDimension;
    in.letterInterval = v.ProgramSettings.LetterIntervalDotVolume;
    in.revision = v.ProgramSettings.Revision;
    return in;
}

bool PublishConversion(const ConversionResult& result) {
    if (!result.ok) {
        Shared().ControllerText.clear();
        Messages().ShowMessage(result.error, QStringLiteral("입력오류!"), MessageIcon::Information);
        return false;
    }
    Shared().ControllerText = result.text;
    return true;
}

} // namespace marking::controllers
