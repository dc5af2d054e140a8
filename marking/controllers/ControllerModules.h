#pragma once

#include "controllers/EngineTypes.h"

// Helpers the Mod... procedures of the three controllers share.
namespace marking::controllers {

// Publishes a rule check result: RuleCheckPassed, the message box (information
// icon) and the focus move into the caller's marking data field.
void PublishRuleCheck(const RuleCheckResult& result, int caller);

// The length inputs from the shared values and ProgramSettings.
LengthInputs SharedLengthInputs();

// Publishes a conversion: ControllerText on success; otherwise ControllerText
// is emptied and the error is shown. Returns whether the text was converted.
bool PublishConversion(const ConversionResult& result);

} // namespace marking::controllers
