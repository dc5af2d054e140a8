#include "controllers/trx20/Trx20Engine.h"

#include "controllers/ControlCharacters.h"
#include "controllers/Frame.h"

#include <algorithm>
#include <array>

namespace marking::trx20 {

namespace {

const QString kInputError = QStringLiteral("입력오류!");
const QString kInputCheck = QStringLiteral("입력 확인!");
const QString kCrLf = QStringLiteral("\r\n");

// Character at 1-based position pos, or 0 past either end.
inline char16_t At(const QString& text, qsizetype pos) {
    return pos >= 1 && pos <= text.size() ? text.at(pos - 1).unicode() : u'\0';
}

inline bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
inline bool IsDigit05(char16_t c) {
    return c >= u'0' && c <= u'5';
}
inline bool IsDigitOrSpace(char16_t c) {
    return IsDigit(c) || c == u' ';
}

RuleCheckResult Fail(const QString& message, const QString& title = kInputError) {
    return RuleCheckResult{false, message, title, true};
}

QString TMessage(int caller) {
    const QString example = caller == 1
                                ? QStringLiteral("'t__1u2', 't001u2', 't__1v2' 또는 't001v2'")
                                : QStringLiteral("'t  1u2', 't001u2', 't  1v2' 또는 't001v2'");
    return QStringLiteral("'t'다음에는 0~999의 숫자와 'u' 또는 'v' 그리고 다시 숫자를 입력하셔야 "
                          "합니다.") +
           kCrLf + kCrLf + QStringLiteral("입력방법은 다음과 같습니다.") + kCrLf + kCrLf + example;
}

QString WMessage() {
    return QStringLiteral("'w'을 입력하여 2행 마킹의 개시 위치를 지정하였을 경우 반드시 'w'를 두번 "
                          "더 입력하여") +
           kCrLf + kCrLf + QStringLiteral("줄 바꾸는 위치와 종료 위치를 지정하셔야 합니다.");
}

qsizetype CountFrom(const QString& text, qsizetype pos, QChar c) {
    return QStringView(text).mid(pos - 1).count(c);
}

struct TableEntry {
    char16_t from;
    char16_t to;
};

constexpr std::array<TableEntry, 34> kTable{{
    {u'탄', u'!'}, {u'소', u'#'},  {u'강', u'$'}, {u'관', u'%'}, {u'일', u'&'}, {u'료', u'a'},
    {u'및', u'+'}, {u'반', u'+'},  {u'용', u';'}, {u'압', u'<'}, {u'도', u'<'}, {u'구', u'='},
    {u'열', u'='}, {u'조', u'>'},  {u'교', u'>'}, {u'력', u'?'}, {u'시', u'?'}, {u'환', u'['},
    {u'가', u'['}, {u'기', u'\\'}, {u'보', u']'}, {u'계', u']'}, {u'러', u'^'}, {u'스', u'^'},
    {u'배', u'_'}, {u'연', u'h'},  {u'▲', u'a'},  {u'㉿', u'b'}, {u'ⓙ', u'c'},  {u'ⓐ', u'd'},
    {u'품', u'e'}, {u'Ø', u'f'},   {u'□', u'h'},  {u'■', u'@'},
}};

// The table sorted by marking-data character (every character has one row).
const std::array<TableEntry, 34>& SortedTable() {
    static const std::array<TableEntry, 34> sorted = [] {
        auto t = kTable;
        std::stable_sort(t.begin(), t.end(),
                         [](const TableEntry& a, const TableEntry& b) { return a.from < b.from; });
        return t;
    }();
    return sorted;
}

inline char16_t ConvertChar(char16_t c) {
    if (c < 0x80) {
        return c; // every row maps a non-ASCII character
    }
    const auto& t = SortedTable();
    const auto it = std::lower_bound(t.begin(), t.end(), c,
                                     [](const TableEntry& e, char16_t v) { return e.from < v; });
    return it != t.end() && it->from == c ? it->to : c;
}

} // namespace

RuleCheckResult FieldRuleCheck(const QString& text, int caller) {
    const qsizetype len = text.size();
    if (len == 0) {
        return Fail(QStringLiteral("마킹 데이터를 입력하십시요."), kInputCheck);
    }
    if (At(text, 1) != u'@') {
        return Fail(QStringLiteral("첫번째 문자는 반드시 '@'를 입력하셔야 합니다."));
    }
    if (len < 2) {
        return Fail(
            QStringLiteral("첫번째 '@' 다음에 0부터 5까지의 숫자 중 하나를 입력하셔야 합니다."));
    }
    if (!IsDigit05(At(text, 2))) {
        return Fail(
            QStringLiteral("'@' 다음에 반드시 1부터 5까지의 숫자중 하나를 입력하셔야 합니다."));
    }

    bool sExpected = false;
    bool wDone = false;
    bool yDone = false;
    for (qsizetype i = 3; i <= len; ++i) {
        switch (At(text, i)) {
        case u'@':
        case u'q':
            if (!IsDigit05(At(text, i + 1))) {
                return Fail(At(text, i) == u'@'
                                ? QStringLiteral("'@' 다음에 반드시 0부터 5까지의 숫자중 하나를 "
                                                 "입력하셔야 합니다.")
                                : QStringLiteral("'q' 다음에 반드시 0부터 5까지의 숫자중 하나를 "
                                                 "입력하셔야 합니다."));
            }
            if (len <= i + 1) {
                return Fail(QString(), QString()); // the size digit ends the text: no message
            }
            break;
        case u'r': {
            if (i == len) {
                return Fail(QStringLiteral("'r' 다음에는 반드시 's'를 입력해야  합니다."));
            }
            bool closed = false;
            for (qsizetype j = i + 1; j <= len; ++j) {
                const char16_t c = At(text, j);
                if (c == u's') {
                    closed = true;
                    break;
                }
                if (c == u'r') {
                    return Fail(QStringLiteral("'r'을 입력하고 다시 'r'을 입력할 수 없습니다."));
                }
            }
            if (!closed) {
                return Fail(QStringLiteral("'r' 다음에는 반드시 's'를 입력해야 합니다."));
            }
            sExpected = true;
            break;
        }
        case u's':
            if (!sExpected) {
                return Fail(
                    QStringLiteral("'s'를 입력하기전에 반드시 'r'이 먼저 입력되어야 합니다."));
            }
            sExpected = false;
            break;
        case u't': {
            const char16_t c1 = At(text, i + 1);
            const char16_t c2 = At(text, i + 2);
            const char16_t c3 = At(text, i + 3);
            const auto is = [&](char16_t a, char16_t b, char16_t c) {
                return c1 == a && c2 == b && c3 == c;
            };
            if (is(u'0', u'0', u'0') || is(u' ', u' ', u'0') || is(u'0', u' ', u' ') ||
                is(u' ', u'0', u' ') || is(u' ', u' ', u' ')) {
                return Fail(TMessage(caller));
            }
            if (!IsDigitOrSpace(c1) || !IsDigitOrSpace(c2) || !IsDigit(c3)) {
                return Fail(TMessage(caller));
            }
            if (len <= i + 3) {
                return Fail(TMessage(caller));
            }
            const char16_t c4 = At(text, i + 4);
            if (c4 != u'u' && c4 != u'v') {
                return Fail(TMessage(caller));
            }
            const char16_t c5 = At(text, i + 5);
            if (c5 == u'0') {
                return Fail(QStringLiteral("'u' 또는 'v' 다음에는 '0'을 입력할 수 없습니다."));
            }
            if (c5 < u'1' || c5 > u'9') {
                return Fail(TMessage(caller));
            }
            break;
        }
        case u'w':
            if (!wDone) {
                wDone = true;
                if (CountFrom(text, i, u'w') % 3 != 0) {
                    return Fail(WMessage());
                }
            }
            break;
        case u'y':
            if (!yDone) {
                yDone = true;
                if (CountFrom(text, i, u'y') % 2 != 0) {
                    return Fail(
                        QStringLiteral("'y'를 입력하였을 경우 반드시 'y'를 입력 하셔야 합니다."));
                }
            }
            break;
        case u'z': {
            const char16_t c1 = At(text, i + 1);
            const char16_t c2 = At(text, i + 2);
            const char16_t c3 = At(text, i + 3);
            if (c1 == u'0' && c2 == u'0' && c3 == u'0') {
                return Fail(
                    QStringLiteral("'z' 다음에는 반드시 1~999까지의 숫자를 입력하셔야 합니다."));
            }
            if (!IsDigit(c1) || !IsDigit(c2) || !IsDigit(c3)) {
                return Fail(
                    QStringLiteral("'z' 다음에는 반드시 세자리의 숫자를 입력하셔야 합니다."));
            }
            break;
        }
        default:
            break;
        }
    }
    return RuleCheckResult{};
}

RuleCheckResult RuleCheck(const QString& text, int caller) {
    if (RuleCheckResult r = controllers::ControlCharacterRuleCheck(text); !r.passed) {
        return r;
    }
    if (caller != 1 && caller != 2) {
        return RuleCheckResult{};
    }
    return FieldRuleCheck(text, caller);
}

int CharacterWidth(int digit) {
    static constexpr int kWidths[6] = {5, 5, 8, 8, 10, 12};
    return digit >= 0 && digit <= 5 ? kWidths[digit] : 0;
}

std::int64_t ParenthesisDots(int selection, std::int32_t letterInterval) {
    static constexpr int kBase[6] = {0, 60, 96, 96, 120, 144};
    if (selection < 1 || selection > 5) {
        return 0;
    }
    return 10 * static_cast<std::int64_t>(letterInterval) + kBase[selection];
}

double LengthFromDots(std::int64_t dots, const LengthInputs& in) {
    const double base = static_cast<double>(dots) * in.dotDimension * in.revision;
    const double parenthesis =
        static_cast<double>(ParenthesisDots(in.parenthesis, in.letterInterval)) * in.dotDimension *
        in.revision;
    switch (in.method) {
    case 0:
    case 2:
        return base + parenthesis;
    case 1:
        return in.repetition * base + parenthesis;
    default:
        return base;
    }
}

LengthResult MeasureLength(const QString& text, const LengthInputs& in, int initialWidth) {
    const qsizetype len = text.size();
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    const std::int64_t interval = in.letterInterval;
    std::int64_t width = initialWidth;
    std::int64_t dots = 0;
    qsizetype i = 0; // 0-based
    while (i < len) {
        const char16_t c = s[i];
        const char16_t next = i + 1 < len ? s[i + 1] : u'\0';
        if ((c == u'@' || c == u'q') && IsDigit05(next)) {
            width = CharacterWidth(next - u'0');
            i += 2;
        } else if (c == u'r' || c == u's' || c == u'w' || c == u'x' || c == u'y') {
            i += 2;
        } else if (c == u't') {
            i += 7;
        } else if (c == u'z') {
            // The up to three characters after "z" as a decimal number (its leading digits).
            int value = 0;
            for (qsizetype k = i + 1; k < len && k <= i + 3 && IsDigit(s[k]); ++k) {
                value = value * 10 + (s[k] - u'0');
            }
            dots += value;
            i += 5;
        } else {
            dots += width + interval;
            i += 1;
        }
    }
    return LengthResult{LengthFromDots(dots, in), dots};
}

const QList<std::pair<QChar, QChar>>& CharacterTable() {
    static const QList<std::pair<QChar, QChar>> table = [] {
        QList<std::pair<QChar, QChar>> t;
        for (const TableEntry& e : kTable) {
            t.append({QChar(e.from), QChar(e.to)});
        }
        return t;
    }();
    return table;
}

ConversionResult Convert(const QString& markingText) {
    const qsizetype len = markingText.size();
    QString out(len, Qt::Uninitialized);
    const QChar* in = markingText.constData();
    QChar* o = out.data();
    for (qsizetype i = 0; i < len; ++i) {
        o[i] = QChar(ConvertChar(in[i].unicode()));
    }
    return controllers::CheckedConversion(std::move(out), "TRX-20");
}

FrameResult BuildFrame(const QString& controllerText) {
    return controllers::BuildFrame('3', controllerText, true);
}

} // namespace marking::trx20
