// Filling a grid: 10,000 work rows of 12 columns, as the work list and the
// work report show them, through the shared grid behaviour; and the same
// through plain QTableWidget calls for comparison.

#include "common/widgets/GridBehaviour.h"

#include <QApplication>
#include <QTableWidget>
#include <benchmark/benchmark.h>

using namespace marking;

namespace {

constexpr int kColumns = 12;

GridSpec workGrid() {
    GridSpec spec{.name = QStringLiteral("FlxMarkingWork")};
    for (int c = 0; c < kColumns; ++c) {
        spec.columns.append({.header = QStringLiteral("열 %1").arg(c), .width = 70});
    }
    spec.columns[2].width = 300;
    spec.columns[11].hidden = true;
    spec.keyColumn = 11;
    return spec;
}

QList<QStringList> workRows(int n) {
    QList<QStringList> rows;
    rows.reserve(n);
    for (int i = 1; i <= n; ++i) {
        rows.append({QString::number(i), QStringLiteral("연속마킹"),
                     QStringLiteral("@1SPPS 400 @2%1 KS D 3507").arg(i), QStringLiteral("6000"),
                     QStringLiteral("100"), QStringLiteral("25"), QStringLiteral("3"),
                     QStringLiteral("길이표시 없음"), QStringLiteral("단위표시 없음"),
                     QStringLiteral("괄호표시 안함"), QStringLiteral("A 조"),
                     QString::number(1000 + i)});
    }
    return rows;
}

void BM_GridFill(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const QList<QStringList> rows = workRows(n);
    QTableWidget table;
    GridBehaviour grid(&table, workGrid());
    table.resize(1000, 600);
    table.show();
    for (auto _ : state) {
        grid.Fill(rows);
        QApplication::processEvents(); // the repaint that follows
        benchmark::DoNotOptimize(grid.Rows());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_GridFill)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Rows built from the records and filled, as a screen does it.
void BM_GridBuildAndFill(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    QTableWidget table;
    GridBehaviour grid(&table, workGrid());
    table.resize(1000, 600);
    table.show();
    for (auto _ : state) {
        grid.Fill(workRows(n));
        QApplication::processEvents();
        benchmark::DoNotOptimize(grid.Rows());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_GridBuildAndFill)->Arg(10000)->Unit(benchmark::kMillisecond);

// Plain QTableWidget: a row appended and its cells set one by one.
void BM_PlainTableFill(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const QList<QStringList> rows = workRows(n);
    QTableWidget table(1, kColumns);
    table.resize(1000, 600);
    table.show();
    for (auto _ : state) {
        table.setRowCount(1);
        for (const QStringList& cells : rows) {
            const int r = table.rowCount();
            table.setRowCount(r + 1);
            for (int c = 0; c < kColumns; ++c) {
                table.setItem(r, c, new QTableWidgetItem(cells[c]));
            }
        }
        QApplication::processEvents();
        benchmark::DoNotOptimize(table.rowCount());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_PlainTableFill)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
