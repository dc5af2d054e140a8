#include "controllers/trx20/Trx20Modules.h"

#include "common/SharedValues.h"
#include "controllers/ControllerModules.h"
#include "controllers/trx20/Trx20Engine.h"

namespace marking {

void ModTRX20MarkingDataRuleCheck() {
    const int caller = Shared().RuleCheckCaller;
    controllers::PublishRuleCheck(trx20::RuleCheck(Shared().MarkingText, caller), caller);
}

void ModTRX20MarkingDataLengthCheck() {
    Shared().MarkingDataLength =
        trx20::MeasureLength(Shared().MarkingText, controllers::SharedLengthInputs()).length;
}

bool ModTRX20DataConversion() {
    return controllers::PublishConversion(trx20::Convert(Shared().MarkingText));
}

} // namespace marking
