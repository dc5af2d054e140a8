// Speed of the marking-text engines on 500-character texts that mix control
// fields, glyphs and special letters. Items are texts; "bytes" are characters.
#include "controllers/hvl5/Hvl5Engine.h"
#include "controllers/trx20/Trx20Engine.h"
#include "controllers/trx30/Trx30Engine.h"
#include "work/RepetitionCheck.h"

#include <benchmark/benchmark.h>

using namespace marking;

namespace {

constexpr qsizetype kTextLength = 500;

// A TRX text that passes every rule, so the checks walk all of it.
QString TrxText() {
    const QString piece = QStringLiteral("AB탄소12r가s z010t001u2기q3ⓙ품wAwBwyCy@4보러 ");
    QString text = QStringLiteral("@2");
    while (text.size() + piece.size() <= kTextLength)
        text += piece;
    while (text.size() < kTextLength)
        text += QLatin1Char('X');
    return text;
}

// An HVL-5 text with bank markers, size codes, a spacing code, a date
// placeholder and special letters of both banks.
QString Hvl5Text() {
    const QString piece = QStringLiteral("@4AB가7@S0040KS12@5강관↕@TYYMMDD@T9Z ");
    QString text = QStringLiteral("@1");
    while (text.size() + piece.size() <= kTextLength)
        text += piece;
    while (text.size() < kTextLength)
        text += QLatin1Char('X');
    return text;
}

const hvl5::SpecialLetterTable& Table() {
    static const hvl5::SpecialLetterTable table = [] {
        std::vector<hvl5::SpecialLetter> rows;
        for (int k = 1; k <= 100; ++k) {
            QString letter = QStringLiteral("%1%2").arg(QChar(u'가' + k)).arg(k);
            if (k == 3)
                letter = QStringLiteral("KS");
            if (k == 60)
                letter = QStringLiteral("강관");
            if (k == 77)
                letter = QStringLiteral("Z");
            rows.push_back({k, letter, QStringLiteral("F%1").arg(k),
                            QStringLiteral("%1").arg(k, 3, 10, QLatin1Char('0'))});
        }
        return hvl5::SpecialLetterTable(std::move(rows));
    }();
    return table;
}

controllers::LengthInputs Inputs() {
    controllers::LengthInputs in;
    in.method = 1;
    in.parenthesis = 2;
    in.repetition = 3;
    in.dotDimension = 0.1;
    in.letterInterval = 2;
    in.revision = 1;
    return in;
}

void Count(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * kTextLength);
}

void BM_Trx20RuleCheck(benchmark::State& state) {
    const QString text = TrxText();
    for (auto _ : state) {
        auto r = trx20::RuleCheck(text, 1);
        benchmark::DoNotOptimize(r);
        if (!r.passed)
            state.SkipWithError("text does not pass");
    }
    Count(state);
}

void BM_Trx30RuleCheck(benchmark::State& state) {
    const QString text = TrxText();
    for (auto _ : state) {
        QString set;
        auto r = trx30::RuleCheck(text, 1, &set);
        benchmark::DoNotOptimize(r);
    }
    Count(state);
}

void BM_Hvl5RuleCheck(benchmark::State& state) {
    const QString text = Hvl5Text();
    for (auto _ : state)
        benchmark::DoNotOptimize(hvl5::RuleCheck(text));
    Count(state);
}

void BM_Trx20Length(benchmark::State& state) {
    const QString text = TrxText();
    const auto in = Inputs();
    for (auto _ : state)
        benchmark::DoNotOptimize(trx20::MeasureLength(text, in));
    Count(state);
}

void BM_Trx30Length(benchmark::State& state) {
    const QString text = TrxText();
    const auto in = Inputs();
    for (auto _ : state)
        benchmark::DoNotOptimize(trx30::MeasureLength(text, in));
    Count(state);
}

void BM_Hvl5Length(benchmark::State& state) {
    const QString text = Hvl5Text();
    const auto in = Inputs();
    const auto& table = Table();
    for (auto _ : state) {
        std::int32_t width = 0;
        benchmark::DoNotOptimize(hvl5::MeasureLength(text, in, table, width));
    }
    Count(state);
}

void BM_Trx20Convert(benchmark::State& state) {
    const QString text = TrxText();
    for (auto _ : state)
        benchmark::DoNotOptimize(trx20::Convert(text));
    Count(state);
}

void BM_Trx30Convert(benchmark::State& state) {
    const QString text = TrxText();
    for (auto _ : state)
        benchmark::DoNotOptimize(trx30::Convert(text));
    Count(state);
}

// The conversion against 100 special letters, the table already loaded.
void BM_Hvl5Convert(benchmark::State& state) {
    const QString text = Hvl5Text();
    const auto& table = Table();
    for (auto _ : state)
        benchmark::DoNotOptimize(hvl5::Convert(text, table));
    Count(state);
}

void BM_Trx20Frame(benchmark::State& state) {
    const QString controller = trx20::Convert(TrxText()).text;
    for (auto _ : state)
        benchmark::DoNotOptimize(trx20::BuildFrame(controller));
    Count(state);
}

void BM_Trx30Frame(benchmark::State& state) {
    const QString controller = trx30::Convert(TrxText()).text;
    for (auto _ : state)
        benchmark::DoNotOptimize(trx30::BuildFrame(controller));
    Count(state);
}

void BM_Hvl5Frame(benchmark::State& state) {
    const QString controller = hvl5::Convert(Hvl5Text(), Table()).text;
    for (auto _ : state)
        benchmark::DoNotOptimize(hvl5::BuildFrame(controller));
    Count(state);
}

// The repetition check of a work with 100 copies (length check included).
void BM_Expand100(benchmark::State& state) {
    const int controller = static_cast<int>(state.range(0));
    work::RepetitionWork w;
    w.data = QStringLiteral("@1AB탄소강관 12345 z010");
    w.length = QStringLiteral("12000");
    w.repetition = QStringLiteral("100");
    w.parenthesis = 2;
    work::RepetitionSettings s;
    s.controller = static_cast<std::int16_t>(controller);
    s.pipeSide = 100;
    s.dotDimension = 0.1;
    s.letterInterval = 2;
    s.revision = 1;
    std::int32_t width = 0;
    for (auto _ : state) {
        auto r = work::CheckRepetition(w, s, Table(), width);
        if (!r.ok)
            state.SkipWithError("work refused");
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_Trx20RuleCheck);
BENCHMARK(BM_Trx30RuleCheck);
BENCHMARK(BM_Hvl5RuleCheck);
BENCHMARK(BM_Trx20Length);
BENCHMARK(BM_Trx30Length);
BENCHMARK(BM_Hvl5Length);
BENCHMARK(BM_Trx20Convert);
BENCHMARK(BM_Trx30Convert);
BENCHMARK(BM_Hvl5Convert)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Trx20Frame);
BENCHMARK(BM_Trx30Frame);
BENCHMARK(BM_Hvl5Frame);
BENCHMARK(BM_Expand100)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
