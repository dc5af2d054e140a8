#include "work/LiveCheck.h"

#include "controllers/hvl5/Hvl5Engine.h"
#include "controllers/trx20/Trx20Engine.h"
#include "controllers/trx30/Trx30Engine.h"
#include "work/WorkChecks.h"

namespace marking::work {

namespace {

// A message box text on one line: its line breaks become one blank each.
QString oneLine(const QString& message) {
    QString out;
    out.reserve(message.size());
    bool inBreak = false;
    for (QChar c : message) {
        if (c == u'\r' || c == u'\n') {
            if (!inBreak) {
                out.append(u' ');
            }
            inBreak = true;
            continue;
        }
        inBreak = false;
        out.append(c);
    }
    return out;
}

controllers::RuleCheckResult ruleCheck(const LiveInput& in, const QString& text, bool& known) {
    known = true;
    switch (in.settings.PrintControler) {
    case ControllerTRX20:
        return trx20::RuleCheck(text, in.caller);
    case ControllerHVL5:
        return hvl5::RuleCheck(text);
    case ControllerTRX30:
        return trx30::RuleCheck(text, in.caller);
    default:
        known = false;
        return {};
    }
}

std::optional<double> measure(const LiveInput& in, const QString& text, int repetition) {
    controllers::LengthInputs length;
    length.method = static_cast<std::int16_t>(in.method);
    length.parenthesis = static_cast<std::int16_t>(in.parenthesis);
    length.repetition = static_cast<std::int16_t>(repetition);
    length.dotDimension = in.settings.DotDimension;
    length.letterInterval = in.settings.LetterIntervalDotVolume;
    length.revision = in.settings.Revision;
    switch (in.settings.PrintControler) {
    case ControllerTRX20:
        return trx20::MeasureLength(text, length).length;
    case ControllerHVL5: {
        static const hvl5::SpecialLetterTable none;
        std::int32_t width = in.hvl5LetterWidth; // a copy: the program's W stays as it is
        return hvl5::MeasureLength(text, length, in.letters ? *in.letters : none, width).length;
    }
    case ControllerTRX30:
        return trx30::MeasureLength(text, length).length;
    default:
        return std::nullopt;
    }
}

} // namespace

QString MillimetreText(double mm) {
    QString text = QString::number(mm, 'f', 2);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0')) {
            text.chop(1);
        }
        if (text.endsWith(u'.')) {
            text.chop(1);
        }
    }
    return text == QStringLiteral("-0") ? QStringLiteral("0") : text;
}

LiveResult CheckLive(const LiveInput& in) {
    LiveResult r;
    const QString text = in.text.trimmed();
    bool refused = false;
    bool incomplete = text.isEmpty();

    // The rule check, then code page 949, as F4, F5 and F7 run them.
    bool known = true;
    const controllers::RuleCheckResult rule = ruleCheck(in, text, known);
    if (!known) {
        r.rule = QStringLiteral("프린트 컨트롤러가 설정되어 있지 않습니다");
        refused = true;
    } else if (!rule.passed) {
        r.rule = rule.hasMessage() ? oneLine(rule.message)
                                   : QStringLiteral("규칙에 맞지 않습니다 (메시지 없이 거부됨)");
        refused = true;
    } else if (const QString unencodable = UnencodableMessage(text); !unencodable.isEmpty()) {
        r.rule = oneLine(unencodable);
        refused = true;
    } else {
        r.rulePassed = true;
        r.rule = QStringLiteral("통과");
    }

    // The length check with this screen's method, parenthesis and repetitions.
    QString lengthPart;
    int repetition = 0;
    bool canMeasure = known;
    if (known && in.method == ContinuityMarking) {
        const DigitsValue n = ReadDigits(in.repetition, QStringLiteral("마킹 횟수"), kInt16Max);
        if (!n.ok || n.value == 0) {
            canMeasure = false;
            if (n.message.isEmpty()) {
                lengthPart = QStringLiteral("마킹 길이: 마킹 횟수를 입력하십시오");
                incomplete = true;
            } else {
                lengthPart = QStringLiteral("마킹 길이: ") + n.message;
                refused = true;
            }
        } else {
            repetition = static_cast<int>(n.value);
        }
    }
    if (canMeasure) {
        r.length = measure(in, text, repetition);
        if (r.length) {
            lengthPart = QStringLiteral("마킹 길이 %1 mm").arg(MillimetreText(*r.length));
        }
    }

    QString fitPart;
    const DigitsValue pipe = ReadDigits(in.pipeLength, QStringLiteral("길이"), kInt32Max);
    if (!pipe.ok) {
        if (pipe.message.isEmpty()) {
            fitPart = QStringLiteral("사용 가능 길이: 길이를 입력하십시오 (관단 %1 mm)")
                          .arg(in.settings.PipeSide);
            incomplete = true;
        } else {
            fitPart = pipe.message;
            refused = true;
        }
    } else {
        r.usable = pipe.value - in.settings.PipeSide;
        fitPart = QStringLiteral("사용 가능 길이 %1 mm (길이 %2 − 관단 %3)")
                      .arg(*r.usable)
                      .arg(pipe.value)
                      .arg(in.settings.PipeSide);
        if (r.length) {
            if (static_cast<double>(*r.usable) < *r.length) {
                fitPart += QStringLiteral(": %1 mm 모자랍니다")
                               .arg(MillimetreText(*r.length - static_cast<double>(*r.usable)));
                refused = true;
            } else {
                fitPart += QStringLiteral(": 들어갑니다");
            }
        }
    }

    QStringList parts;
    if (!lengthPart.isEmpty()) {
        parts << lengthPart;
    }
    parts << fitPart << QStringLiteral("규칙 검사: ") + r.rule;
    r.line = parts.join(QStringLiteral("   |   "));
    // An empty field is still to be typed, whatever the checks say of it.
    r.tone = text.isEmpty() ? LiveTone::Incomplete
             : refused      ? LiveTone::Refused
             : incomplete   ? LiveTone::Incomplete
                            : LiveTone::Good;
    return r;
}

} // namespace marking::work
