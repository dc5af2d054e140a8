#include "controllers/trx30/Trx30Modules.h"

#include "common/SharedValues.h"
#include "controllers/ControllerModules.h"
#include "controllers/trx30/Trx30Engine.h"

namespace marking {

QString& TRX30CharacterSet() {
    static QString set;
    return set;
}

void ModTRX30MarkingDataRuleCheck() {
    const int caller = Shared().RuleCheckCaller;
    controllers::PublishRuleCheck(
        trx30::RuleCheck(Shared().MarkingText, caller, &TRX30CharacterSet()), caller);
}

void ModTRX30MarkingDataLengthCheck() {
    Shared().MarkingDataLength =
        trx30::MeasureLength(Shared().MarkingText, controllers::SharedLengthInputs()).length;
}

bool ModTRX30DataConversion() {
    const QString& text = Shared().MarkingText;
    // The set in force at the end of the text, as the conversion leaves it.
    QString& set = TRX30CharacterSet();
    set.clear();
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) == u'@' && text.at(i + 1) >= u'2' && text.at(i + 1) <= u'5') {
            set = text.mid(i, 2);
        }
    }
    return controllers::PublishConversion(trx30::Convert(text));
}

} // namespace marking
