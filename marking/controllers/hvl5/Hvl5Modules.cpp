#include "controllers/hvl5/Hvl5Modules.h"

#include "common/ProgramDirectory.h"
#include "common/SharedValues.h"
#include "controllers/ControllerModules.h"
#include "controllers/hvl5/Hvl5Engine.h"
#include "controllers/hvl5/SpecialLetterStore.h"

namespace marking {

hvl5::SpecialLetterTable& HVL5SpecialLetterTable() {
    static hvl5::SpecialLetterTable table;
    return table;
}

std::int32_t& HVL5LetterWidth() {
    static std::int32_t width = 0;
    return width;
}

bool ModHVL5SpecialLetter() {
    auto rows = hvl5::ReadSpecialLetters(ProgramDirectory());
    if (!rows) {
        store::ShowStoreError(rows.error());
        return false;
    }
    if (!rows.value().empty()) {
        HVL5SpecialLetterTable() = hvl5::SpecialLetterTable(std::move(rows.value()));
    }
    return true;
}

void ModHVL5MarkingDataRuleCheck() {
    const int caller = Shared().RuleCheckCaller;
    controllers::PublishRuleCheck(hvl5::RuleCheck(Shared().MarkingText), caller);
}

bool ModHVL5MarkingDataLengthCheck() {
    if (!ModHVL5SpecialLetter()) {
        return false;
    }
    Shared().MarkingDataLength =
        hvl5::MeasureLength(Shared().MarkingText, controllers::SharedLengthInputs(),
                            HVL5SpecialLetterTable(), HVL5LetterWidth())
            .length;
    return true;
}

bool ModHVL5DataConversion() {
    if (!ModHVL5SpecialLetter()) {
        Shared().ControllerText.clear();
        return false;
    }
    return controllers::PublishConversion(
        hvl5::Convert(Shared().MarkingText, HVL5SpecialLetterTable()));
}

} // namespace marking
