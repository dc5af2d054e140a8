#include "controllers/hvl5/Hvl5Engine.h"

#include "controllers/ControlCharacters.h"
#include "controllers/Frame.h"

#include <cmath>

namespace marking::hvl5 {

namespace {

inline bool IsDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// Whether the text holds the literal piece at 0-based position pos.
inline bool HasAt(QStringView text, qsizetype pos, QStringView piece) {
    return text.size() - pos >= piece.size() && text.mid(pos, piece.size()) == piece;
}

} // namespace

RuleCheckResult RuleCheck(const QString& text) {
    return controllers::ControlCharacterRuleCheck(text);
}

RuleCheckResult SpecialLetterCheck(const QString& letter) {
    if (letter.isEmpty()) {
        return RuleCheckResult{false, QStringLiteral("문자를 입력하십시오."),
                               QStringLiteral("입력 확인!"), true};
    }
    const qsizetype at = controllers::FirstControlCharacter(letter);
    if (at < 0) {
        return RuleCheckResult{};
    }
    return RuleCheckResult{false,
                           QStringLiteral("특수문자에는 %1를 입력할 수 없습니다.")
                               .arg(controllers::ControlCharacterText(letter, at)),
                           QStringLiteral("입력오류!"), true};
}

std::int64_t ParenthesisDots(int selection) {
    static constexpr int kDots[6] = {0, 60, 96, 96, 120, 144};
    return selection >= 0 && selection <= 5 ? kDots[selection] : 0;
}

LengthResult MeasureLength(const QString& text, const LengthInputs& in,
                           const SpecialLetterTable& table, std::int32_t& letterWidth) {
    static const QString kDateTime = QStringLiteral("@TYYYYMMDDHHNN@T");
    static const QString kShortDateTime = QStringLiteral("@TYYMMDDHHNN@T");
    static const QString kDate = QStringLiteral("@TYYMMDD@T");
    static const QString kTime = QStringLiteral("@THHNN@T");

    const QStringView view(text);
    const QChar* s = text.constData();
    const qsizetype len = text.size();
    const std::int64_t interval = in.letterInterval;
    std::int64_t width = letterWidth;
    std::int64_t dots = 0;
    qsizetype p = 0;
    while (p < len) {
        const char16_t c = s[p].unicode();
        if (c == u'@' && p + 1 < len) {
            const char16_t n = s[p + 1].unicode();
            switch (n) {
            case u'1':
                width = 5;
                p += 2;
                continue;
            case u'2':
            case u'3':
                width = 8;
                p += 2;
                continue;
            case u'4':
                width = 10;
                p += 2;
                continue;
            case u'5':
                width = 12;
                p += 2;
                continue;
            case u'8':
                dots += width + interval;
                p += 4;
                continue;
            case u'R':
            case u'W':
            case u'I':
                p += 2;
                continue;
            case u'C':
                p += 1;
                continue;
            case u'S':
                if (p + 5 < len && IsDigit(s[p + 2]) && IsDigit(s[p + 3]) && IsDigit(s[p + 4]) &&
                    IsDigit(s[p + 5])) {
                    dots += (s[p + 2].unicode() - u'0') * 1000 + (s[p + 3].unicode() - u'0') * 100 +
                            (s[p + 4].unicode() - u'0') * 10 + (s[p + 5].unicode() - u'0');
                    p += 6;
                    continue;
                }
                break; // not a spacing code: measured below as ordinary characters
            case u'T':
                if (HasAt(view, p, kDateTime)) {
                    dots += 12 * (width + interval);
                    p += kDateTime.size();
                    continue;
                }
                if (HasAt(view, p, kShortDateTime)) {
                    dots += 10 * (width + interval);
                    p += kShortDateTime.size();
                    continue;
                }
                if (HasAt(view, p, kDate)) {
                    dots += 6 * (width + interval);
                    p += kDate.size();
                    continue;
                }
                if (HasAt(view, p, kTime)) {
                    dots += 4 * (width + interval);
                    p += kTime.size();
                    continue;
                }
                break;
            default:
                break;
            }
        }
        const int slot =
            table.MayStartWith(c) ? table.Match(s, len, p, 0, SpecialLetterTable::kSlots) : -1;
        if (slot >= 0) {
            dots += width + interval;
            p += table.rows()[static_cast<std::size_t>(slot)].letter.size();
            continue;
        }
        if (c != kMarker) {
            dots += width + interval;
        }
        p += 1;
    }
    letterWidth = static_cast<std::int32_t>(width);

    double length = static_cast<double>(dots) * in.dotDimension * in.revision;
    const bool withParenthesis = in.parenthesis >= 1 && in.parenthesis <= 5;
    const double extra = static_cast<double>(ParenthesisDots(in.parenthesis) + 10 * interval) *
                         in.dotDimension * in.revision;
    if (in.method == 0 || in.method == 2) {
        if (withParenthesis) {
            length = extra + length;
        }
    } else if (in.method == 1) {
        if (in.parenthesis == 0) {
            length = in.repetition * length;
        } else if (withParenthesis) {
            length = extra + in.repetition * length;
        }
    }
    return LengthResult{length, dots};
}

ConversionResult Convert(const QString& markingText, const SpecialLetterTable& table) {
    const QChar* s = markingText.constData();
    const qsizetype len = markingText.size();
    QString out;
    out.reserve(len + len / 2);
    int bank = 0;
    qsizetype copied = 0; // the characters before this one are in out, or dropped
    for (qsizetype p = 0; p < len; ++p) {
        const char16_t c = s[p].unicode();
        if ((c == u'@' || c == u'q') && p + 1 < len) {
            const char16_t n = s[p + 1].unicode();
            if (n == u'4') {
                bank = 4;
            } else if (n == u'5') {
                bank = 5;
            }
        }
        if (bank != 0 && table.MayStartWith(c)) {
            const int first = bank == 4 ? 0 : SpecialLetterTable::kBankSize;
            const int slot = table.Match(s, len, p, first, first + SpecialLetterTable::kBankSize);
            if (slot >= 0) {
                const SpecialLetter& letter = table.rows()[static_cast<std::size_t>(slot)];
                out.append(s + copied, p - copied);
                out.append(letter.controllerAddress);
                p += letter.letter.size() - 1;
                copied = p + 1;
                continue;
            }
        }
        if (c == kMarker) {
            out.append(s + copied, p - copied);
            copied = p + 1;
        }
    }
    out.append(s + copied, len - copied);
    return controllers::CheckedConversion(std::move(out), "HVL-5");
}

FrameResult BuildFrame(const QString& controllerText) {
    return controllers::BuildFrame('2', controllerText, true);
}

} // namespace marking::hvl5
