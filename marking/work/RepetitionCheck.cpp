#include "work/RepetitionCheck.h"

#include "controllers/hvl5/Hvl5Engine.h"
#include "controllers/trx20/Trx20Engine.h"
#include "controllers/trx30/Trx30Engine.h"

#include <cmath>
#include <limits>

namespace marking::work {

namespace {

const QString kTitle = QStringLiteral("입력오류!");

// Beyond this many dots every spacing code is at its cap; keeps the
// conversions to whole numbers defined for absurd settings.
constexpr double kDotLimit = 1e12;

RepetitionResult Refuse(const QString& message) {
    RepetitionResult r;
    r.ok = false;
    r.message = message;
    r.title = kTitle;
    return r;
}

void AppendPadded(QString& out, std::int64_t value, int width) {
    const QString digits = QString::number(value);
    for (qsizetype i = digits.size(); i < width; ++i) {
        out.append(u'0');
    }
    out.append(digits);
}

// A whole number as the row holds it: digits, optionally signed and padded
// with blanks; anything else (empty included) is no number.
bool ParseWhole(const QString& text, qint64 min, qint64 max, qint64& value) {
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (!ok || v < min || v > max) {
        return false;
    }
    value = v;
    return true;
}

} // namespace

std::int64_t RoundHalfEven(double value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    if (value > kDotLimit) {
        value = kDotLimit;
    }
    if (value < -kDotLimit) {
        value = -kDotLimit;
    }
    const double f = std::floor(value);
    const double diff = value - f;
    double r = f;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(f, 2.0) != 0.0)) {
        r = f + 1.0;
    }
    return static_cast<std::int64_t>(r);
}

QString SpacingCode(int controller, std::int64_t gap) {
    QString out;
    if (gap < 0) {
        return out;
    }
    if (controller == 1) { // HVL-5
        out.reserve(6);
        out.append(QStringLiteral("@S"));
        AppendPadded(out, gap > 9999 ? 9999 : gap, 4);
        return out;
    }
    out.reserve(16);
    for (int block = 0; block < 101; ++block) {
        if (gap <= 999) {
            out.append(u'z');
            AppendPadded(out, gap, 3);
            break;
        }
        out.append(QStringLiteral("z999"));
        gap -= 999;
    }
    return out;
}

QString ParenthesisPreset(int selection) {
    if (selection < 1 || selection > 5) {
        return {};
    }
    return QStringLiteral("@%1(     )").arg(selection);
}

QString ExpandText(const QString& text, int copies, const QString& spacing, int parenthesis) {
    const QString preset = ParenthesisPreset(parenthesis);
    QString out;
    if (copies < 0) {
        copies = 0;
    }
    out.reserve(preset.size() + static_cast<qsizetype>(copies) * (text.size() + spacing.size()));
    out.append(preset);
    for (int i = 1; i <= copies; ++i) {
        out.append(text);
        if (i < copies) {
            out.append(spacing);
        }
    }
    return out;
}

RepetitionResult ExpandMeasured(const QString& text, std::int16_t copies, std::int16_t parenthesis,
                                std::int32_t workLength, const RepetitionSettings& settings,
                                double markingDataLength) {
    const double dd = settings.dotDimension;
    if (!(dd > 0.0) || !std::isfinite(dd)) {
        return Refuse(QStringLiteral("도트 크기(DotDimension)가 %1 이므로 연속마킹의 간격을 "
                                     "계산할 수 없습니다. 프로그램 설정을 확인하십시요.")
                          .arg(dd));
    }
    if (!std::isfinite(markingDataLength)) {
        return Refuse(QStringLiteral("마킹 데이터의 길이를 계산할 수 없습니다. 프로그램 설정의 "
                                     "보정값(Revision)과 도트 설정을 확인하십시요."));
    }
    const double freeLength =
        (static_cast<double>(workLength) - settings.pipeSide) - markingDataLength;
    const std::int64_t freeDots = RoundHalfEven(freeLength / dd);
    const std::int64_t gap =
        copies <= 1 ? freeDots : RoundHalfEven(static_cast<double>(freeDots) / (copies - 1));
    if (gap < 0) {
        return Refuse(
            QStringLiteral("마킹 데이터가 파이프에 들어가지 않습니다. (파이프 길이 %1 mm, 양끝 "
                           "여유 %2 mm, 마킹 길이 %3 mm) 작업 데이터나 프로그램 설정을 "
                           "확인하십시요.")
                .arg(workLength)
                .arg(settings.pipeSide)
                .arg(markingDataLength, 0, 'f', 1));
    }
    RepetitionResult r;
    r.ok = true;
    r.length = markingDataLength;
    r.gap = gap;
    r.repetition = copies;
    r.parenthesis = parenthesis;
    r.text = ExpandText(text, copies, SpacingCode(settings.controller, gap), parenthesis);
    return r;
}

RepetitionResult CheckRepetition(const RepetitionWork& work, const RepetitionSettings& settings,
                                 const hvl5::SpecialLetterTable& table, std::int32_t& letterWidth) {
    if (settings.controller < 0 || settings.controller > 2) {
        RepetitionResult r; // no controller to space for: the text as it stands
        r.ok = true;
        r.text = work.data;
        return r;
    }
    qint64 copies = 0;
    if (!ParseWhole(work.repetition, 0, std::numeric_limits<std::int16_t>::max(), copies)) {
        return Refuse(work.repetition.trimmed().isEmpty()
                          ? QStringLiteral("연속마킹 작업의 반복 횟수가 비어 있습니다. 작업 "
                                           "목록에서 반복 횟수를 입력하십시요.")
                          : QStringLiteral("연속마킹 작업의 반복 횟수 '%1'은(는) 올바른 숫자가 "
                                           "아닙니다. 작업 목록에서 반복 횟수를 수정하십시요.")
                                .arg(work.repetition));
    }
    qint64 length = 0;
    if (!ParseWhole(work.length, std::numeric_limits<std::int32_t>::min(),
                    std::numeric_limits<std::int32_t>::max(), length)) {
        return Refuse(work.length.trimmed().isEmpty()
                          ? QStringLiteral("연속마킹 작업의 파이프 길이가 비어 있습니다. 작업 "
                                           "목록에서 길이를 입력하십시요.")
                          : QStringLiteral("연속마킹 작업의 파이프 길이 '%1'은(는) 올바른 숫자가 "
                                           "아닙니다. 작업 목록에서 길이를 수정하십시요.")
                                .arg(work.length));
    }
    controllers::LengthInputs in;
    in.method = 1;
    in.parenthesis = work.parenthesis;
    in.repetition = static_cast<std::int16_t>(copies);
    in.dotDimension = settings.dotDimension;
    in.letterInterval = settings.letterInterval;
    in.revision = settings.revision;
    double measured = 0.0;
    switch (settings.controller) {
    case 0:
        measured = trx20::MeasureLength(work.data, in, letterWidth).length;
        break;
    case 1:
        measured = hvl5::MeasureLength(work.data, in, table, letterWidth).length;
        break;
    default:
        measured = trx30::MeasureLength(work.data, in, letterWidth).length;
        break;
    }
    return ExpandMeasured(work.data, static_cast<std::int16_t>(copies), work.parenthesis,
                          static_cast<std::int32_t>(length), settings, measured);
}

} // namespace marking::work
