// Start-up of the Marking program: from process start to the first screen
// shown (headless, with the delivered database files), and the resident
// memory at that moment.

#include "store/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct Station {
    QTemporaryDir program;
    QTemporaryDir runtime;
    QTemporaryDir config;
    bool ok = false;

    Station() {
        const QString built =
            qEnvironmentVariable("MARKING_PROGRAM_DIR", QStringLiteral(MARKING_BIN));
        QDir dir(built);
        for (const QString& name : dir.entryList({"Marking", "*.so", "*.so.*"}, QDir::Files)) {
            QFile::copy(dir.filePath(name), program.path() + "/" + name);
        }
        QFile::setPermissions(runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ok = QFile::exists(program.path() + "/Marking") &&
             marking::store::CreateDatabaseFiles(program.path(), false).ok();
    }

    // Runs the program until its first screen is shown; returns the RSS in kB
    // (or -1) and the elapsed time.
    long runOnce(double& seconds) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("XDG_CONFIG_HOME", config.path());
        env.insert("MARKING_EXIT_AFTER_SHOW", "1");
        p.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        p.start(program.path() + "/Marking", {});
        long rss = -1;
        QByteArray out;
        while (p.waitForReadyRead(10000)) {
            out += p.readAllStandardOutput();
            const int at = out.indexOf("shown rss_kb=");
            if (at >= 0 && out.indexOf('\n', at) > at) {
                seconds = timer.nsecsElapsed() / 1e9;
                rss = out.mid(at + 13, out.indexOf('\n', at) - at - 13).toLong();
                break;
            }
        }
        p.waitForFinished(10000);
        return rss;
    }
};

void BM_StartToFirstScreen(benchmark::State& state) {
    Station station;
    if (!station.ok) {
        state.SkipWithError("no Marking program or databases");
        return;
    }
    long rss = 0;
    double worst = 0;
    for (auto _ : state) {
        double seconds = 0;
        rss = station.runOnce(seconds);
        if (rss < 0) {
            state.SkipWithError("the program did not report its first screen");
            return;
        }
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
    }
    state.counters["rss_MB"] = rss / 1024.0;
    state.counters["worst_s"] = worst;
}
BENCHMARK(BM_StartToFirstScreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
