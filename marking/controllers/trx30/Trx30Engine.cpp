#include "controllers/trx30/Trx30Engine.h"

#include "controllers/ControlCharacters.h"
#include "controllers/Frame.h"
#include "controllers/trx20/Trx20Engine.h"

namespace marking::trx30 {

namespace {

const QString kInputError = QStringLiteral("입력오류!");

struct SetMessage {
    char16_t set; // digit of the character set
    char16_t character;
    const char16_t* message;
};

// Messages of the character-set check, by set and refused character.
constexpr SetMessage kSetMessages[] = {
    {u'2', u'보', u"'@2'에서 특수문자 '보'을 사용할 수 없습니다. ."},
    {u'2', u'러', u"'@2'에서 특수문자 '러'를 사용할 수 없습니다. ."},
    {u'2', u'및', u"'@2'에서 특수문자 '및'를 사용할 수 없습니다. ."},
    {u'2', u'열', u"'@2'에서 특수문자 '열'을 사용할 수 없습니다. ."},
    {u'2', u'교', u"'@2'에서 특수문자 '교'을 사용할 수 없습니다. ."},
    {u'2', u'환', u"'@2'에서 특수문자 '환'를 사용할 수 없습니다. ."},
    {u'2', u'_', u"'@2'에서 특수문자 '_'를 사용할 수 없습니다. ."},
    {u'3', u'보', u"'@3'에서 특수문자 '보'를 사용할 수 없습니다. ."},
    {u'3', u'러', u"'@3'에서 특수문자 '러'를사용할 수 없습니다. ."},
    {u'3', u'및', u"'@3'에서 특수문자 '및'을 사용할 수 없습니다. ."},
    {u'3', u'열', u"'@3'에서 특수문자 '열'을 사용할 수 없습니다. ."},
    {u'3', u'교', u"'@3'에서 특수문자 '교'를 사용할 수 없습니다. ."},
    {u'3', u'환', u"'@3'에서 특수문자 '환'을 사용할 수 없습니다. ."},
    {u'3', u'_', u"'@3'에서 특수문자 '_'를 사용할 수 없습니다. ."},
    {u'4', u'반', u"'@4'에서 특수문자 '반'를 사용할 수 없습니다. ."},
    {u'4', u'연', u"'@4'에서 특수문자 '연'를사용할 수 없습니다. ."},
    {u'4', u'구', u"'@4'에서 특수문자 '구'을 사용할 수 없습니다. ."},
    {u'4', u'조', u"'@4'에서 특수문자 '조'을 사용할 수 없습니다. ."},
    {u'4', u'료', u"'@4'에서 특수문자 '료'를 사용할 수 없습니다. ."},
    {u'4', u'가', u"'@4'에서 특수문자 '가'을 사용할 수 없습니다. ."},
    {u'4', u'계', u"'@4'에서 특수문자 '계'를 사용할 수 없습니다. ."},
    {u'4', u'스', u"'@4'에서 특수문자 '스'을 사용할 수 없습니다. ."},
    {u'4', u'배', u"'@4'에서 특수문자 '배'를 사용할 수 없습니다. ."},
    {u'4', u'압', u"'@4'에서 특수문자 '압'을 사용할 수 없습니다. ."},
    {u'4', u'력', u"'@4'에서 특수문자 '력'를 사용할 수 없습니다. ."},
    {u'5', u'반', u"'@5'에서 특수문자 '반'을 사용할 수 없습니다. ."},
    {u'5', u'연', u"'@5'에서 특수문자 '연'을 사용할 수 없습니다. ."},
    {u'5', u'구', u"'@5'에서 특수문자 '구'를 사용할 수 없습니다. ."},
    {u'5', u'조', u"'@5'에서 특수문자 '조'을 사용할 수 없습니다. ."},
    {u'5', u'료', u"'@5'에서 특수문자 '료'를 사용할 수 없습니다. ."},
    {u'5', u'가', u"'@5'에서 특수문자 '가'를 사용할 수 없습니다. ."},
    {u'5', u'계', u"'@5'에서 특수문자 '계'를 사용할 수 없습니다. ."},
    {u'5', u'스', u"'@5'에서 특수문자 '스'을 사용할 수 없습니다. ."},
    {u'5', u'배', u"'@5'에서 특수문자 '배'를 사용할 수 없습니다. ."},
    {u'5', u'압', u"'@5'에서 특수문자 '압'를 사용할 수 없습니다. ."},
    {u'5', u'력', u"'@5'에서 특수문자 '력'를 사용할 수 없습니다. ."},
};

inline bool IsFirstBank(char16_t c) {
    switch (c) {
    case u'반':
    case u'연':
    case u'구':
    case u'조':
    case u'료':
    case u'가':
    case u'계':
    case u'스':
    case u'배':
    case u'압':
    case u'력':
        return true;
    default:
        return false;
    }
}

inline bool IsSecondBank(char16_t c) {
    switch (c) {
    case u'보':
    case u'러':
    case u'및':
    case u'열':
    case u'교':
    case u'환':
    case u'_':
        return true;
    default:
        return false;
    }
}

inline bool IsGlyphChar(char16_t c) {
    switch (c) {
    case u'탄':
    case u'소':
    case u'강':
    case u'관':
    case u'일':
    case u'반':
    case u'배':
    case u'용':
    case u'연':
    case u'구':
    case u'조':
    case u'료':
    case u'가':
    case u'환':
    case u'계':
    case u'스':
    case u'보':
    case u'러':
    case u'및':
    case u'열':
    case u'압':
    case u'교':
    case u'기':
    case u'력':
    case u'㉿':
    case u'ⓙ':
    case u'품':
    case u'Ø':
    case u'ⓐ':
        return true;
    default:
        return false;
    }
}

inline bool IsDigit05(char16_t c) {
    return c >= u'0' && c <= u'5';
}

// The character set chosen at 0-based position i ("@2".."@5"), or 0 for none.
inline int SetAt(const char16_t* s, qsizetype len, qsizetype i) {
    if (s[i] == u'@' && i + 1 < len && s[i + 1] >= u'2' && s[i + 1] <= u'5') {
        return s[i + 1] - u'0';
    }
    return 0;
}

inline char16_t ConvertUnit(char16_t c, int set) {
    const bool first = set == 2 || set == 3;
    const bool second = set == 4 || set == 5;
    switch (c) {
    case u'탄':
        return u'!';
    case u'소':
        return u'#';
    case u'강':
        return u'$';
    case u'관':
        return u'%';
    case u'일':
        return u'&';
    case u'반':
        return first ? u'+' : c;
    case u'보':
        return second ? u'+' : c;
    case u'용':
        return u';';
    case u'연':
        return first ? u'<' : c;
    case u'러':
        return second ? u'<' : c;
    case u'구':
        return first ? u'=' : c;
    case u'및':
        return second ? u'=' : c;
    case u'조':
        return first ? u'>' : c;
    case u'열':
        return second ? u'>' : c;
    case u'료':
        return first ? u'?' : c;
    case u'교':
        return second ? u'?' : c;
    case u'가':
        return first ? u'[' : c;
    case u'기':
        return second ? u'[' : first ? u'\\' : c;
    case u'환':
        return second ? u'\\' : c;
    case u'계':
        return first ? u']' : c;
    case u'스':
        return first ? u'^' : c;
    case u'배':
        return first ? u'_' : c;
    case u'압':
        return first ? u'a' : c;
    case u'㉿':
        return u'b';
    case u'ⓙ':
        return u'c';
    case u'력':
        return first ? u'd' : c;
    case u'Ø':
        return u'f';
    default:
        return c;
    }
}

} // namespace

RuleCheckResult RuleCheck(const QString& text, int caller, QString* characterSet) {
    if (RuleCheckResult r = controllers::ControlCharacterRuleCheck(text); !r.passed) {
        return r;
    }
    if (caller == 1 || caller == 2) {
        RuleCheckResult fields = trx20::FieldRuleCheck(text, caller);
        if (!fields.passed) {
            return fields;
        }
    }
    const qsizetype len = text.size();
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    int set = 0;
    for (qsizetype j = 0; j < len; ++j) {
        if (const int chosen = SetAt(s, len, j)) {
            set = chosen;
        }
        const char16_t c = s[j];
        const bool refused = ((set == 2 || set == 3) && IsSecondBank(c)) ||
                             ((set == 4 || set == 5) && IsFirstBank(c));
        if (!refused) {
            continue;
        }
        if (characterSet) {
            *characterSet = QStringLiteral("@") + QChar(u'0' + set);
        }
        for (const SetMessage& m : kSetMessages) {
            if (m.set == u'0' + set && m.character == c) {
                return RuleCheckResult{false, QString::fromUtf16(m.message), kInputError, false};
            }
        }
    }
    if (characterSet) {
        characterSet->clear();
    }
    return RuleCheckResult{};
}

int GlyphWidth(int digit) {
    static constexpr int kWidths[6] = {-1, -1, 8, 8, 10, 10};
    return digit >= 0 && digit <= 5 ? kWidths[digit] : -1;
}

bool IsGlyph(QChar c) {
    return IsGlyphChar(c.unicode());
}

LengthResult MeasureLength(const QString& text, const LengthInputs& in, int initialWidth) {
    const qsizetype len = text.size();
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    const std::int64_t interval = in.letterInterval;
    std::int64_t width = initialWidth;
    std::int64_t glyph = 0;
    std::int64_t dots = 0;
    qsizetype i = 0;
    while (i < len) {
        const char16_t c = s[i];
        const char16_t next = i + 1 < len ? s[i + 1] : u'\0';
        if ((c == u'@' || c == u'q') && IsDigit05(next)) {
            width = trx20::CharacterWidth(next - u'0');
            if (const int k = GlyphWidth(next - u'0'); k >= 0) {
                glyph = k;
            }
            i += 2;
        } else if (c == u'r' || c == u's' || c == u'w' || c == u'x' || c == u'y') {
            i += 2;
        } else if (c == u't') {
            i += 7;
        } else if (c == u'z') {
            int value = 0;
            for (qsizetype k = i + 1; k < len && k <= i + 3 && s[k] >= u'0' && s[k] <= u'9'; ++k) {
                value = value * 10 + (s[k] - u'0');
            }
            dots += value;
            i += 5;
        } else if (IsGlyphChar(c)) {
            dots += glyph + interval;
            i += 1;
        } else {
            dots += width + interval;
            i += 1;
        }
    }
    return LengthResult{trx20::LengthFromDots(dots, in), dots};
}

const QString& FirstBankCharacters() {
    static const QString chars = QStringLiteral("반연구조료가계스배압력");
    return chars;
}

const QString& SecondBankCharacters() {
    static const QString chars = QStringLiteral("보러및열교환_");
    return chars;
}

QChar ConvertChar(QChar c, int characterSet) {
    return QChar(ConvertUnit(c.unicode(), characterSet));
}

ConversionResult Convert(const QString& markingText) {
    const qsizetype len = markingText.size();
    const char16_t* s = reinterpret_cast<const char16_t*>(markingText.constData());
    QString out(len, Qt::Uninitialized);
    QChar* o = out.data();
    int set = 0;
    for (qsizetype i = 0; i < len; ++i) {
        if (const int chosen = SetAt(s, len, i)) {
            set = chosen;
        }
        o[i] = QChar(ConvertUnit(s[i], set));
    }
    return controllers::CheckedConversion(std::move(out), "TRX-30");
}

FrameResult BuildFrame(const QString& controllerText) {
    return controllers::BuildFrame('3', controllerText, false);
}

} // namespace marking::trx30
