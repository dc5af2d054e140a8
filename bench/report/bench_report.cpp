// Speed of the report: 1,000 listed rows drawn to a PDF, from rows in memory
// and from Print.mdb with the layout file (what markingctl report --pdf does).
#include "report/render/ReportDocument.h"
#include "store/Connection.h"
#include "store/Recordset.h"
#include "store/Schema.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

using namespace marking;
using namespace marking::report;

namespace {

constexpr int kRows = 1000;

QStringList row(int i) {
    return {QString::number(i + 1),
            QStringLiteral("2006-09-%1").arg(1 + i % 30, 2, 10, QChar(u'0')),
            WorkTeamListText(i % 5),
            i % 3 ? QStringLiteral("단마킹") : QStringLiteral("연속마킹"),
            QStringLiteral("KS D3507 SPP %1A 탄소강관 제%2호 @1ABC").arg(50 + i % 100).arg(i),
            QStringLiteral("6000"),
            i % 97 ? QString::number(10 + i % 40) : QStringLiteral("")};
}

const QStringList& printFields() {
    static const QStringList f{"R_NO",   "R_Date",   "R_WorkTeam",  "R_MarkingMethod",
                               "R_Data", "R_Length", "R_WorkVolume"};
    return f;
}

// A program directory with the delivered layout and 1,000 rows in Print.mdb.
QTemporaryDir& programDir() {
    static QTemporaryDir dir;
    static const bool made = [] {
        using namespace marking::store;
        if (!WriteDefaultLayout(dir.path(), true).ok())
            return false;
        if (!CreateDatabaseFile(QDir(dir.path()).filePath("Print.mdb"), DatabaseFile::Print).ok())
            return false;
        Connection conn;
        Recordset rs;
        if (!conn.Open(dir.path(), DatabaseFile::Print).ok() ||
            !rs.Open("select * from WorkReport", conn).ok())
            return false;
        Transaction tx(conn);
        for (int i = 0; i < kRows; ++i) {
            (void)rs.AddNew();
            const QStringList values = row(i);
            for (int c = 0; c < values.size(); ++c)
                (void)rs.SetField(printFields().at(c), values.at(c));
            if (!rs.Update().ok())
                return false;
        }
        return tx.Commit().ok();
    }();
    if (!made)
        std::fprintf(stderr, "bench_report: cannot make %s\n", qPrintable(dir.path()));
    return dir;
}

void BM_RenderRowsToPdf(benchmark::State& state) {
    ReportTable table;
    table.fields = printFields();
    for (int i = 0; i < kRows; ++i)
        table.Append(row(i));
    auto layout = ParseLayout(DefaultLayoutText(), LayoutFileName());
    auto doc = ReportDocument::Create(layout.value(), table);
    const QString pdf = QDir(programDir().path()).filePath("bench.pdf");
    int pages = 0;
    for (auto _ : state) {
        const auto r = doc.value().WritePdf(pdf);
        if (!r.ok()) {
            state.SkipWithError(qPrintable(r.error().Text()));
            return;
        }
        pages = r.value();
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_RenderRowsToPdf)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_PrintMdbToPdf(benchmark::State& state) {
    const QString dir = programDir().path();
    const QString pdf = QDir(dir).filePath("bench.pdf");
    for (auto _ : state) {
        auto doc = LoadPrintReport(dir);
        if (!doc.ok()) {
            state.SkipWithError(qPrintable(doc.error().Text()));
            return;
        }
        const auto r = doc.value().WritePdf(pdf);
        if (!r.ok()) {
            state.SkipWithError(qPrintable(r.error().Text()));
            return;
        }
    }
}
BENCHMARK(BM_PrintMdbToPdf)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
