#include "controllers/ControlCharacters.h"

namespace marking::controllers {

qsizetype FirstControlCharacter(QStringView text) {
    const qsizetype n = text.size();
    const char16_t* s = text.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        if (s[i] < 0x20) {
            return i;
        }
    }
    return -1;
}

QString ControlCharacterText(QStringView text, qsizetype index) {
    return QStringLiteral("제어 문자 0x%1 (%2번째 문자)")
        .arg(static_cast<unsigned>(text.at(index).unicode()), 2, 16, QLatin1Char('0'))
        .arg(index + 1);
}

RuleCheckResult ControlCharacterRuleCheck(const QString& text) {
    const qsizetype at = FirstControlCharacter(text);
    if (at < 0) {
        return RuleCheckResult{};
    }
    return RuleCheckResult{false,
                           QStringLiteral("마킹 데이터에는 %1를 입력할 수 없습니다.")
                               .arg(ControlCharacterText(text, at)),
                           QStringLiteral("입력오류!"), true};
}

} // namespace marking::controllers
