// Speed of the work report screen with 100,000 records in Report.mdb: the
// all-records search with the grid fill, a date-range search for one team,
// and the deletion of 10,000 listed records, through the screen's own
// handlers as the function keys run them.
#include "common/MessagePort.h"
#include "common/ProgramDirectory.h"
#include "common/widgets/GridBehaviour.h"
#include "report/screen/FomWorkReport.h"
#include "store/Schema.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

using namespace marking;

namespace {

constexpr int kRecords = 100000;
const QDate kFirstDay(2024, 1, 1); // records spread over 500 days, 200 a day

// Report.mdb of a program directory with kRecords works, five teams.
bool fill(const QString& path) {
    if (!store::CreateDatabaseFile(path, store::DatabaseFile::Report).ok())
        return false;
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "bench-fill");
        db.setDatabaseName(path);
        ok = db.open() && db.transaction();
        QSqlQuery q(db);
        ok = ok && q.prepare("INSERT INTO WorkReport (R_Date, R_WorkTeam, R_MarkingMethod, "
                             "R_Data, R_Length, R_WorkVolume) VALUES (?, ?, ?, ?, ?, ?)");
        for (int i = 0; ok && i < kRecords; ++i) {
            q.addBindValue(kFirstDay.addDays(i / 200).toString(Qt::ISODate));
            q.addBindValue(i % 5);
            q.addBindValue(i % 3 ? QStringLiteral("단마킹") : QStringLiteral("연속마킹"));
            q.addBindValue(QStringLiteral("KS D3507 SPP %1A 제%2호").arg(50 + i % 100).arg(i));
            q.addBindValue(6000);
            q.addBindValue(10 + i % 40);
            ok = q.exec();
        }
        ok = ok && db.commit();
        if (!ok)
            std::fprintf(stderr, "fill: %s\n", qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase("bench-fill");
    return ok;
}

struct Station {
    QTemporaryDir dir;
    QString pristine; // a copy of the filled Report.mdb
    ScriptedMessagePort port;
    bool ok = false;
    Station() {
        SetMessagePort(&port);
        SetProgramDirectory(dir.path());
        pristine = dir.filePath("pristine.mdb");
        ok = fill(pristine) && store::CreateDatabaseFiles(dir.path(), false).ok() && restore();
        if (!ok)
            std::fprintf(stderr, "bench_report_screen: cannot make %s\n", qPrintable(dir.path()));
    }
    bool restore() {
        const QString report = dir.filePath("Report.mdb");
        QFile::remove(report);
        return QFile::copy(pristine, report);
    }
};

Station& station() {
    static Station s;
    return s;
}

void pick(QComboBox* list, int value) {
    const int i = list->findText(QString::number(value));
    list->setCurrentIndex(i);
    emit list->activated(i);
}

// A date range of one month for team C.
void chooseMonthOfTeam(report::FomWorkReport& screen) {
    screen.CboSearchMethod->setCurrentIndex(1);
    pick(screen.CboStartYear, 2024);
    pick(screen.CboStartMonth, 3);
    pick(screen.CboStartDay, 1);
    pick(screen.CboEndYear, 2024);
    pick(screen.CboEndMonth, 3);
    pick(screen.CboEndDay, 31);
    screen.CboWorkTeam->setCurrentIndex(2);
}

void BM_AllRecordsSearchWithGridFill(benchmark::State& state) {
    if (!station().ok)
        return state.SkipWithError("no program directory");
    report::FomWorkReport screen;
    screen.show();
    for (auto _ : state) {
        screen.ScmdAllDataSearch_Click();
        QApplication::processEvents(); // the repaint that follows
    }
    state.counters["rows"] = screen.Grid().Rows() - 1;
    if (screen.Grid().Rows() - 1 != kRecords)
        state.SkipWithError("not every record listed");
}
BENCHMARK(BM_AllRecordsSearchWithGridFill)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_DateRangeSearchOneTeam(benchmark::State& state) {
    if (!station().ok)
        return state.SkipWithError("no program directory");
    report::FomWorkReport screen;
    screen.show();
    chooseMonthOfTeam(screen);
    for (auto _ : state) {
        screen.ScmdSearch_Click();
        QApplication::processEvents();
    }
    state.counters["rows"] = screen.Grid().Rows() - 1;
    if (screen.Grid().Rows() - 1 != 31 * 40)
        state.SkipWithError("unexpected rows");
}
BENCHMARK(BM_DateRangeSearchOneTeam)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// 10,000 listed records (250 days of team A)
// deleted after the question is answered Yes.
void BM_DeleteTenThousandListed(benchmark::State& state) {
    if (!station().ok)
        return state.SkipWithError("no program directory");
    report::FomWorkReport screen;
    screen.show();
    screen.CboSearchMethod->setCurrentIndex(1);
    pick(screen.CboStartYear, 2024);
    pick(screen.CboStartMonth, 1);
    pick(screen.CboStartDay, 1);
    pick(screen.CboEndYear, 2024);
    pick(screen.CboEndMonth, 9);
    pick(screen.CboEndDay, 6); // 250 days of team A: 10,000 records
    screen.CboWorkTeam->setCurrentIndex(0);
    int listed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!station().restore())
            return state.SkipWithError("cannot restore Report.mdb");
        screen.ScmdSearch_Click();
        listed = screen.Grid().Rows() - 1;
        station().port.QueueAnswers({Answer::Yes});
        state.ResumeTiming();
        screen.ScmdDelete_Click();
        QApplication::processEvents();
        if (screen.Grid().Rows() != 1)
            return state.SkipWithError("not deleted");
    }
    state.counters["listed"] = listed;
}
BENCHMARK(BM_DeleteTenThousandListed)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SetMessagePort(nullptr);
    return 0;
}
