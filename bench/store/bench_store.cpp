// Speed of the store: one connection cycle, the settings load, and the
// deletion of a long work list.
#include "common/ProgramDirectory.h"
#include "common/SharedValues.h"
#include "store/BulkDelete.h"
#include "store/Connection.h"
#include "store/ModProgramSettingData.h"
#include "store/QueryText.h"
#include "store/Recordset.h"
#include "store/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

using namespace marking;
using namespace marking::store;

namespace {

QTemporaryDir& programDir() {
    static QTemporaryDir dir;
    static const bool made = [] {
        const Status s = CreateDatabaseFiles(dir.path(), false);
        if (!s.ok())
            std::fprintf(stderr, "%s\n", qPrintable(s.error().Text()));
        SetProgramDirectory(dir.path());
        return s.ok();
    }();
    (void)made;
    return dir;
}

void fillWorkList(int rows) {
    const QString name = QStringLiteral("bench-fill");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QDir(programDir().path()).filePath(QStringLiteral("Database.mdb")));
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("BEGIN"));
        q.prepare(QStringLiteral("INSERT INTO MarkingWork (W_MarkingMethod, W_Data, W_Length, "
                                 "W_Pi, W_PipeVolume, W_WorkTeam) VALUES (0, ?, 6000, 50, 20, 1)"));
        for (int i = 0; i < rows; ++i) {
            q.addBindValue(QStringLiteral("KS D 3507 SPP %1").arg(i));
            q.exec();
        }
        q.exec(QStringLiteral("COMMIT"));
        q = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void BM_ConnectionCycle(benchmark::State& state) {
    programDir();
    for (auto _ : state) {
        Connection conn;
        if (!conn.Open(DatabaseFile::Database).ok()) {
            state.SkipWithError("open failed");
            break;
        }
        Recordset rs;
        if (!rs.Open(QueryText::AllByKey(Table::ProgramSetting), conn).ok()) {
            state.SkipWithError("query failed");
            break;
        }
        benchmark::DoNotOptimize(rs.RecordCount());
        rs.Close();
        conn.Close();
    }
}
BENCHMARK(BM_ConnectionCycle)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

void BM_SettingsLoad(benchmark::State& state) {
    programDir();
    for (auto _ : state) {
        if (!ModProgramSettingData().ok()) {
            state.SkipWithError("settings load failed");
            break;
        }
        benchmark::DoNotOptimize(Shared().ProgramSettings.PipeSide);
    }
}
BENCHMARK(BM_SettingsLoad)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

void BM_MarkingWorkAllDelete(benchmark::State& state) {
    programDir();
    const int rows = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        fillWorkList(rows);
        state.ResumeTiming();
        if (!ModMarkingWorkAllDelete().ok()) {
            state.SkipWithError("delete failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_MarkingWorkAllDelete)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
