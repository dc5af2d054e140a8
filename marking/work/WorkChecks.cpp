#include "work/WorkChecks.h"

#include "common/Cp949.h"
#include "common/MessagePort.h"
#include "common/SharedValues.h"
#include "controllers/MarkingDataFocus.h"
#include "controllers/hvl5/Hvl5Modules.h"
#include "controllers/trx20/Trx20Modules.h"
#include "controllers/trx30/Trx30Modules.h"
#include "store/ModProgramSettingData.h"

namespace marking::work {

namespace {
const QString kInputError = QStringLiteral("입력오류!");
} // namespace

void ShowNoController() {
    Messages().ShowMessage(
        QStringLiteral("프린트 컨트롤러 설정(%1)이 TRX-20, HVL-5, TRX-30 중 하나가 아닙니다. "
                       "프로그램 설정에서 프린트 컨트롤러를 선택하십시오.")
            .arg(Shared().ProgramSettings.PrintControler),
        QStringLiteral("확인!"), MessageIcon::Information);
}

DigitsValue ReadDigits(const QString& text, const QString& caption, qint64 max) {
    DigitsValue v;
    if (text.isEmpty()) {
        return v;
    }
    for (QChar c : text) {
        if (c < u'0' || c > u'9') {
            v.message =
                QStringLiteral("%1에는 숫자만 입력할 수 있습니다. (\"%2\")").arg(caption, text);
            return v;
        }
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value > max) {
        v.message = QStringLiteral("%1 %2은(는) 너무 큽니다. %3 이하로 입력하십시오.")
                        .arg(caption, text)
                        .arg(max);
        return v;
    }
    v.ok = true;
    v.value = value;
    return v;
}

bool ReloadProgramSettings() {
    return ModProgramSettingData().ReportIfFailed();
}

void RunRuleCheck() {
    switch (Shared().ProgramSettings.PrintControler) {
    case ControllerTRX20:
        ModTRX20MarkingDataRuleCheck();
        return;
    case ControllerHVL5:
        ModHVL5MarkingDataRuleCheck();
        return;
    case ControllerTRX30:
        ModTRX30MarkingDataRuleCheck();
        return;
    default:
        // An unchecked text must never be stored as if it had passed.
        Shared().RuleCheckPassed = false;
        ShowNoController();
        return;
    }
}

bool RunLengthCheck() {
    switch (Shared().ProgramSettings.PrintControler) {
    case ControllerTRX20:
        ModTRX20MarkingDataLengthCheck();
        return true;
    case ControllerHVL5:
        return ModHVL5MarkingDataLengthCheck();
    case ControllerTRX30:
        ModTRX30MarkingDataLengthCheck();
        return true;
    default:
        ShowNoController();
        return false;
    }
}

QString UnencodableMessage(const QString& text) {
    if (cp949::CanEncode(text)) {
        return {};
    }
    return QStringLiteral("프린트 컨트롤러로 보낼 수 없는 마킹 데이터입니다. %1 이 문자를 지우고 "
                          "다시 입력하십시오.")
        .arg(cp949::Encode(text).errorText());
}

bool CheckMarkingTextEncodable() {
    const QString message = UnencodableMessage(Shared().MarkingText);
    if (message.isEmpty()) {
        return true;
    }
    Messages().ShowMessage(message, kInputError, MessageIcon::Information);
    FocusMarkingDataOf(Shared().RuleCheckCaller);
    return false;
}

} // namespace marking::work
