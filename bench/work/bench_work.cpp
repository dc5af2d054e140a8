// The two marking screens on long lists: filling FlxMarkingWork from 10,000
// works and FlxMarkingData from 10,000 registered texts (read and shown),
// moving a work to the front of a 10,000-row list, and the live check line
// on a 500-character text, once as the engines compute it and once as a key
// press in TxtData costs.

#include "common/MessagePort.h"
#include "common/ProgramDirectory.h"
#include "common/SharedValues.h"
#include "store/Schema.h"
#include "work/LiveCheck.h"
#include "work/WorkList.h"
#include "work/screens/FomMarkingSetting.h"
#include "work/screens/FomMarkingWorkState.h"

#include <QApplication>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>

using namespace marking;
using namespace marking::work;

namespace {

constexpr int kRows = 10000;

// A program directory with 10,000 works and 10,000 single-marking texts.
QString stationDir() {
    static QTemporaryDir dir;
    static const bool made = [] {
        if (!store::CreateDatabaseFiles(dir.path(), false).ok())
            qFatal("cannot make the databases");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "bench");
            db.setDatabaseName(dir.path() + QStringLiteral("/Database.mdb"));
            if (!db.open())
                qFatal("cannot open the database");
            db.transaction();
            QSqlQuery work(db);
            work.prepare("insert into MarkingWork (W_MarkingMethod, W_Data, W_Length, W_Pi, "
                         "W_PipeVolume, W_Reptition, W_Parenthesis, W_WorkTeam) values (?, ?, "
                         "6000, 100, 25, 3, ?, ?)");
            QSqlQuery text(db);
            text.prepare("insert into MarkingSetting (M_MarkingMethod, M_Data) values (0, ?)");
            for (int i = 0; i < kRows; ++i) {
                work.addBindValue(i % 3);
                work.addBindValue(QStringLiteral("@1SPPS 400 @2%1 KS D 3507").arg(i));
                work.addBindValue(i % 6);
                work.addBindValue(i % 5);
                if (!work.exec())
                    qFatal("insert work");
                text.addBindValue(QStringLiteral("@1KS D 3507 SPPS 250 %1").arg(i));
                if (!text.exec())
                    qFatal("insert text");
            }
            db.commit();
        }
        QSqlDatabase::removeDatabase("bench");
        return true;
    }();
    (void)made;
    SetProgramDirectory(dir.path());
    return dir.path();
}

template <typename S> S* shownScreen() {
    stationDir();
    static S* screen = [] {
        auto* s = new S;
        s->show();
        QApplication::processEvents();
        return s;
    }();
    return screen;
}

void BM_FillMarkingWork(benchmark::State& state) {
    FomMarkingWorkState* s = shownScreen<FomMarkingWorkState>();
    for (auto _ : state) {
        s->FunFlexgridDisplay();
        QApplication::processEvents(); // the repaint that follows
        benchmark::DoNotOptimize(s->FlxMarkingWork->rowCount());
    }
    if (s->FlxMarkingWork->rowCount() != kRows + 1)
        state.SkipWithError("the grid does not hold the works");
}
BENCHMARK(BM_FillMarkingWork)->Unit(benchmark::kMillisecond);

// The read alone: the rows of the grid from the table, no widgets.
void BM_ReadMarkingWorkRows(benchmark::State& state) {
    const QString dir = stationDir();
    for (auto _ : state) {
        auto rows = ReadMarkingWorkRows(dir);
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK(BM_ReadMarkingWorkRows)->Unit(benchmark::kMillisecond);

void BM_FillMarkingData(benchmark::State& state) {
    FomMarkingSetting* s = shownScreen<FomMarkingSetting>();
    for (auto _ : state) {
        s->ShowMarkingData();
        QApplication::processEvents();
        benchmark::DoNotOptimize(s->FlxMarkingData->rowCount());
    }
    if (s->FlxMarkingData->rowCount() != kRows + 1)
        state.SkipWithError("the grid does not hold the texts");
}
BENCHMARK(BM_FillMarkingData)->Unit(benchmark::kMillisecond);

// Work 5,000 to the front and back again would be two moves: every
// iteration is one exchange of row 1 and row N.
void BM_MoveToFront(benchmark::State& state) {
    FomMarkingWorkState* s = shownScreen<FomMarkingWorkState>();
    s->FunFlexgridDisplay();
    s->TxtFirstWork->setText(QString::number(state.range(0)));
    const QString before = s->FlxMarkingWork->item(1, 2)->text();
    for (auto _ : state) {
        s->FunFlexgridDataSave();
        QApplication::processEvents();
    }
    if (state.iterations() % 2 == 1 && s->FlxMarkingWork->item(1, 2)->text() == before)
        state.SkipWithError("nothing moved");
}
BENCHMARK(BM_MoveToFront)->Arg(2)->Arg(5000)->Arg(kRows)->Unit(benchmark::kMillisecond);

QString text500() {
    QString text = QStringLiteral("@1");
    while (text.size() < 500)
        text += QStringLiteral("KS D 3507 SPPS@2 250A z010 ");
    return text.left(500);
}

void BM_LiveCheckEngines(benchmark::State& state) {
    LiveInput in;
    in.text = text500();
    in.settings.PrintControler = static_cast<std::int16_t>(state.range(0));
    in.settings.PipeSide = 100;
    in.settings.DotDimension = 0.1;
    in.settings.Revision = 1.0;
    in.settings.LetterIntervalDotVolume = 2;
    in.method = ContinuityMarking;
    in.repetition = QStringLiteral("3");
    in.pipeLength = QStringLiteral("6000");
    for (auto _ : state)
        benchmark::DoNotOptimize(CheckLive(in).line);
}
BENCHMARK(BM_LiveCheckEngines)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// One key press at the end of a 500-character TxtData (the field is at its
// limit, so a Backspace and a letter: two changes, two checks).
void BM_LiveCheckKeyPress(benchmark::State& state) {
    FomMarkingSetting* s = shownScreen<FomMarkingSetting>();
    s->TxtData->setText(text500());
    s->TxtLength->setText(QStringLiteral("6000"));
    s->TxtData->setFocus();
    s->TxtData->end(false);
    for (auto _ : state) {
        QTest::keyClick(s->TxtData, Qt::Key_Backspace);
        QTest::keyClick(s->TxtData, Qt::Key_A);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_LiveCheckKeyPress)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ScriptedMessagePort port; // a failure shows as an entry, never as a blocking box
    SetMessagePort(&port);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto& e : port.Messages())
        fprintf(stderr, "message: %s\n", qPrintable(e.text));
    SetMessagePort(nullptr);
    return 0;
}
