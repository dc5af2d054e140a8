// Speed of the central report archive: the local part of a work save while
// the server is unreachable, delivering a large outbox, and the plant-wide
// search over a million central rows. Runs its own PostgreSQL server
// (fsync on, as a real one).
#include "PgServer.h"
#include "central/Outbox.h"
#include "central/PlantSearch.h"
#include "central/Sender.h"
#include "central/Sync.h"
#include "store/Columns.h"
#include "store/QueryText.h"
#include "store/Recordset.h"
#include "store/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

using namespace marking;
using namespace marking::central;

namespace {

PgServer* server = nullptr;

Settings plant(const QString& stationId, const QString& database = QStringLiteral("plant")) {
    return {server->Url(QStringLiteral("station"), QStringLiteral("station-pw"), database),
            stationId};
}

bool makeReport(const QTemporaryDir& dir) {
    return store::CreateDatabaseFile(QDir(dir.path()).filePath(QStringLiteral("Report.mdb")),
                                     store::DatabaseFile::Report)
        .ok();
}

// One work save's local part: the WorkReport row and its outbox row in one
// transaction, then the sender is told.
bool saveWork(const QString& dir, const Settings& settings, int n) {
    store::Connection conn;
    if (!conn.Open(dir, store::DatabaseFile::Report).ok())
        return false;
    store::Transaction tx(conn);
    store::Recordset rs;
    if (!rs.Open(QStringLiteral("select * from WorkReport where R_ID"), conn).ok() ||
        !rs.AddNew().ok() || !rs.SetField(QStringLiteral("R_Date"), QDate::currentDate()).ok() ||
        !rs.SetField(QStringLiteral("R_WorkTeam"), n % 5).ok() ||
        !rs.SetField(QStringLiteral("R_MarkingMethod"), QStringLiteral("단마킹")).ok() ||
        !rs.SetField(QStringLiteral("R_Data"), QStringLiteral("KS D 3507 SPP %1").arg(n)).ok() ||
        !rs.SetField(QStringLiteral("R_Length"), 6000).ok() ||
        !rs.SetField(QStringLiteral("R_WorkVolume"), n % 100).ok() || !rs.Update().ok())
        return false;
    if (!AppendOutbox(conn, rs.Field(QStringLiteral("R_ID")).toLongLong(), settings).ok())
        return false;
    return tx.Commit().ok();
}

// rows finished works in one transaction, each with its outbox row.
bool fillOutbox(const QString& dir, const Settings& settings, int rows) {
    store::Connection conn;
    if (!conn.Open(dir, store::DatabaseFile::Report).ok())
        return false;
    store::Transaction tx(conn);
    store::Recordset rs;
    if (!rs.Open(store::QueryText::AllByKey(store::Table::WorkReport), conn).ok())
        return false;
    for (int i = 0; i < rows; ++i) {
        rs.AddNew();
        rs.SetField(store::col::R_Date, QStringLiteral("2024-05-02"));
        rs.SetField(store::col::R_WorkTeam, 1);
        rs.SetField(store::col::R_MarkingMethod, QStringLiteral("단마킹"));
        rs.SetField(store::col::R_Data, QStringLiteral("KS D 3507 SPP %1").arg(i));
        rs.SetField(store::col::R_Length, 6000);
        rs.SetField(store::col::R_WorkVolume, 20);
        if (!rs.Update().ok() ||
            !AppendOutbox(conn, rs.Field(store::col::R_ID).toLongLong(), settings).ok())
            return false;
    }
    return tx.Commit().ok();
}

// Central reporting on, the server unreachable: the sender keeps trying in
// the background while the work is saved.
void BM_WorkSaveServerUnreachable(benchmark::State& state) {
    QTemporaryDir dir;
    if (!makeReport(dir)) {
        state.SkipWithError("no Report.mdb");
        return;
    }
    // A documentation address: never answers (or is refused at once).
    const Settings settings{QStringLiteral("postgresql://station:pw@192.0.2.1:5432/plant"),
                            QStringLiteral("LINE-1")};
    Sender sender(settings, dir.path());
    sender.SetRetryInterval(int(state.range(0))); // 0: the sender tries without pause
    int n = 0;
    for (auto _ : state) {
        if (!saveWork(dir.path(), settings, ++n)) {
            state.SkipWithError("save failed");
            break;
        }
        sender.Kick();
    }
    state.counters["saves"] = n;
}
BENCHMARK(BM_WorkSaveServerUnreachable)
    ->ArgName("retry_ms")
    ->Arg(0)
    ->Arg(30000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200)
    ->Repetitions(3)
    ->ComputeStatistics("max", [](const std::vector<double>& v) {
        return *std::max_element(v.begin(), v.end());
    });

// The same save with central reporting off: what the outbox row adds.
void BM_WorkSaveCentralOff(benchmark::State& state) {
    QTemporaryDir dir;
    if (!makeReport(dir)) {
        state.SkipWithError("no Report.mdb");
        return;
    }
    int n = 0;
    for (auto _ : state)
        if (!saveWork(dir.path(), Settings{}, ++n)) {
            state.SkipWithError("save failed");
            break;
        }
}
BENCHMARK(BM_WorkSaveCentralOff)->Unit(benchmark::kMillisecond)->Iterations(200)->Repetitions(3);

void deliver(benchmark::State& state, int rows) {
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const Settings settings = plant(QStringLiteral("BENCH-%1-%2").arg(rows).arg(++round));
        if (!makeReport(dir) || !fillOutbox(dir.path(), settings, rows)) {
            state.SkipWithError("outbox not filled");
            break;
        }
        state.ResumeTiming();
        const SyncResult r = SyncOnce(settings, dir.path());
        if (!r.ok || r.sent != rows || r.pending != 0) {
            state.SkipWithError(qPrintable(r.reason));
            break;
        }
    }
    state.counters["rows"] = rows;
}

void BM_Deliver10000(benchmark::State& state) {
    deliver(state, 10000);
}
BENCHMARK(BM_Deliver10000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Deliver100000(benchmark::State& state) {
    deliver(state, 100000);
}
BENCHMARK(BM_Deliver100000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// One team, one month, over 1,000,000 rows of 20 stations across four years.
void BM_PlantSearchMonthTeam(benchmark::State& state) {
    static const bool filled = [] {
        const Settings s = plant(QStringLiteral("LINE-0"), QStringLiteral("bulk"));
        if (!SearchPlant(s, SearchCriteria::AllRecords()).ok) // makes the table
            return false;
        return server->Exec(
                   QStringLiteral("INSERT INTO WorkReport (R_StationId, R_ID, R_Date, R_WorkTeam, "
                                  "R_MarkingMethod, R_Data, R_Length, R_WorkVolume) "
                                  "SELECT 'LINE-' || (g % 20), g, date '2021-01-01' + (g % 1461), "
                                  "(g / 20) % 5, '단마킹', 'KS D 3507 SPP ' || g, 6000, g % 100 "
                                  "FROM generate_series(1, 1000000) g"),
                   QStringLiteral("bulk")) &&
               server->Exec(QStringLiteral("ANALYZE WorkReport"), QStringLiteral("bulk"));
    }();
    if (!filled) {
        state.SkipWithError("central rows not made");
        return;
    }
    const Settings s = plant(QStringLiteral("LINE-0"), QStringLiteral("bulk"));
    const SearchCriteria month = SearchCriteria::Range({2023, 6, 1}, {2023, 6, 30}, 2);
    qsizetype rows = 0;
    for (auto _ : state) {
        const PlantSearchResult r = SearchPlant(s, month);
        if (!r.ok) {
            state.SkipWithError(qPrintable(r.reason));
            break;
        }
        rows = r.rows.size();
    }
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_PlantSearchMonthTeam)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    PgServer pg(true);
    server = &pg;
    if (!pg.Start() ||
        !pg.Exec(QStringLiteral("CREATE ROLE station LOGIN PASSWORD 'station-pw'")) ||
        !pg.Exec(QStringLiteral("CREATE DATABASE plant OWNER station")) ||
        !pg.Exec(QStringLiteral("CREATE DATABASE bulk OWNER station"))) {
        std::fprintf(stderr, "PostgreSQL server: %s\n", qPrintable(pg.Error()));
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
