// Feeds arbitrary UTF-8 to every marking-text engine of the three controllers
// and to the repetition check, and checks the invariants the engines promise.
#include "common/Cp949.h"
#include "controllers/ControlCharacters.h"
#include "controllers/hvl5/Hvl5Engine.h"
#include "controllers/trx20/Trx20Engine.h"
#include "controllers/trx30/Trx30Engine.h"
#include "work/RepetitionCheck.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace marking;

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

// Parameters from the first bytes, the text from the rest.
struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::uint8_t Byte() {
        if (size == 0)
            return 0;
        --size;
        return *data++;
    }
};

void CheckFrame(const controllers::FrameResult& frame, const QString& text, bool withCheck) {
    const auto encoded = cp949::Encode(text);
    Require(frame.ok == (encoded.ok && controllers::FirstControlCharacter(text) < 0));
    if (!frame.ok) {
        Require(frame.bytes.isEmpty() && !frame.error.isEmpty());
        return;
    }
    const qsizetype base = encoded.bytes.size() + 3;
    Require(frame.bytes.size() >= base + (withCheck ? 1 : 0));
    Require(frame.bytes.size() <= base + (withCheck ? 2 : 0));
    Require(frame.bytes.at(0) == controllers::kSTX);
    Require(frame.bytes.at(base - 1) == controllers::kETX);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in{data, size};
    const int caller = in.Byte() % 4;
    controllers::LengthInputs li;
    li.method = static_cast<std::int16_t>(in.Byte() % 4);
    li.parenthesis = static_cast<std::int16_t>(static_cast<std::int8_t>(in.Byte()) % 8);
    li.repetition = static_cast<std::int16_t>(in.Byte() | (in.Byte() << 8));
    li.dotDimension = (static_cast<std::int8_t>(in.Byte())) / 16.0;
    li.letterInterval = static_cast<std::int32_t>(in.Byte() | (in.Byte() << 8) | (in.Byte() << 24));
    li.revision = in.Byte() / 8.0;
    std::int32_t width = static_cast<std::int8_t>(in.Byte());

    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(in.data), static_cast<qsizetype>(in.size));

    // Special letters: the pieces of the text between line feeds, spread over both banks.
    std::vector<hvl5::SpecialLetter> rows(100);
    const QStringList pieces = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < pieces.size() && i < 8; ++i) {
        const std::size_t slot = static_cast<std::size_t>((i % 2) * 50 + i / 2);
        rows[slot] = {static_cast<std::int32_t>(slot + 1), pieces.at(i).left(4), QString(),
                      pieces.at(i).mid(4, 3)};
    }
    const hvl5::SpecialLetterTable table(std::move(rows));

    // Rule checks.
    const auto r20 = trx20::RuleCheck(text, caller);
    Require(r20.passed || r20.focus);
    Require(!r20.passed || !r20.hasMessage());
    QString set;
    const auto r30 = trx30::RuleCheck(text, caller, &set);
    Require(!r30.passed || (set.isEmpty() && !r30.hasMessage()));
    const bool control = controllers::FirstControlCharacter(text) >= 0;
    Require(hvl5::RuleCheck(text).passed == !control);
    Require(!control || (!r20.passed && !r30.passed));

    // Length checks.
    (void)trx20::MeasureLength(text, li, width);
    (void)trx30::MeasureLength(text, li, width);
    std::int32_t hvlWidth = width;
    (void)hvl5::MeasureLength(text, li, table, hvlWidth);

    // Conversions and frames.
    const auto c20 = trx20::Convert(text);
    Require(!control || !c20.ok);
    if (c20.ok)
        Require(c20.text.size() == text.size());
    CheckFrame(trx20::BuildFrame(c20.text), c20.text, true);
    const auto c30 = trx30::Convert(text);
    if (c30.ok)
        Require(c30.text.size() == text.size());
    CheckFrame(trx30::BuildFrame(c30.text), c30.text, false);
    const auto ch = hvl5::Convert(text, table);
    Require(ch.ok || ch.text.isEmpty());
    CheckFrame(hvl5::BuildFrame(ch.ok ? ch.text : text), ch.ok ? ch.text : text, true);

    // The repetition check, with the work's numbers taken from the text's first pieces.
    work::RepetitionWork w;
    w.data = pieces.value(0);
    w.length = pieces.value(1).left(12);
    w.repetition = pieces.value(2).left(6);
    w.parenthesis = li.parenthesis;
    work::RepetitionSettings s;
    s.controller = static_cast<std::int16_t>(caller % 3);
    s.pipeSide = li.letterInterval;
    s.dotDimension = li.dotDimension;
    s.letterInterval = li.letterInterval;
    s.revision = li.revision;
    const auto rep = work::CheckRepetition(w, s, table, hvlWidth);
    Require(rep.ok ? rep.gap >= 0 : (rep.text.isEmpty() && !rep.message.isEmpty()));
    return 0;
}
