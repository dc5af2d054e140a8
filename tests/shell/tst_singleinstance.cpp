#include "ShellTestSupport.h"

#include "shell/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QSysInfo>
#include <csignal>

using namespace marking;
using namespace marking::shell;
using namespace shelltest;

namespace {

// Generous bounds for a loaded machine: they only end a test that hangs.
constexpr int kStartMs = 60000;
constexpr int kEndMs = 60000;

// Whether the lock file at path names process pid: that instance has taken
// the lock and written it out (a lock file that exists may still be empty).
bool holdsLock(const QString& path, qint64 pid) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.readLine().trimmed() == QByteArray::number(pid);
}

// A program directory with a copy of the built Marking program and the
// delivered databases, plus private runtime and config folders.
struct Station {
    ProgramDir program;
    QTemporaryDir runtime;
    QTemporaryDir config;

    Station() {
        QFile::setPermissions(runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString built =
            qEnvironmentVariable("MARKING_PROGRAM_DIR", QStringLiteral(MARKING_BIN));
        QDir dir(built);
        for (const QString& name : dir.entryList({"Marking", "*.so", "*.so.*"}, QDir::Files)) {
            if (!QFile::copy(dir.filePath(name), program.path() + "/" + name)) {
                qFatal("cannot copy %s", qPrintable(name));
            }
        }
    }
    QString lockPath() const { return runtime.path() + "/MarkingProgram.lock"; }

    std::unique_ptr<QProcess> start(bool exitAfterShow) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("XDG_CONFIG_HOME", config.path());
        env.remove("MARKING_SCREENSHOT_DIR");
        if (exitAfterShow) {
            env.insert("MARKING_EXIT_AFTER_SHOW", "1");
        } else {
            env.remove("MARKING_EXIT_AFTER_SHOW");
        }
        p->setProcessEnvironment(env);
        p->setProgram(program.path() + "/Marking");
        p->start();
        if (!p->waitForStarted(kStartMs)) {
            qFatal("Marking did not start: %s", qPrintable(p->errorString()));
        }
        return p;
    }
};

void stop(QProcess& p) {
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished(kEndMs);
    }
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private slots:
    void lock_secondHolderRefusedUntilFirstReleases() {
        QTemporaryDir dir;
        const QString path = dir.path() + "/a.lock";
        auto first = std::make_unique<SingleInstanceLock>(path);
        QVERIFY(first->TryAcquire());
        QVERIFY(first->IsHeld());
        SingleInstanceLock second(path);
        QVERIFY(!second.TryAcquire());
        QVERIFY(second.OtherInstanceRunning());
        QVERIFY(second.Problem().isEmpty());
        first.reset();
        QVERIFY(second.TryAcquire());
    }

    void lock_staleFromDeadProcess_isTakenOver() {
        QTemporaryDir dir;
        const QString path = dir.path() + "/stale.lock";
        // A process that has ended leaves its number behind.
        QProcess gone;
        gone.start("true", {});
        QVERIFY(gone.waitForStarted());
        const qint64 pid = gone.processId();
        QVERIFY(gone.waitForFinished());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::number(pid) + "\nMarking\n" + QSysInfo::machineHostName().toUtf8() +
                   "\n");
        file.close();
        SingleInstanceLock lock(path);
        QVERIFY(lock.TryAcquire());
    }

    void lock_oldButLiveHolder_isNotStale() {
        QTemporaryDir dir;
        const QString path = dir.path() + "/old.lock";
        SingleInstanceLock first(path);
        QVERIFY(first.TryAcquire());
        // A station runs for days: the age of the lock must not matter.
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addDays(-3),
                              QFileDevice::FileModificationTime));
        f.close();
        SingleInstanceLock second(path);
        QVERIFY(!second.TryAcquire());
        QVERIFY(second.OtherInstanceRunning());
    }

    void lock_unusableFolder_isReportedNotTakenForAnotherInstance() {
        QTemporaryDir dir;
        QFile blocker(dir.path() + "/file");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        SingleInstanceLock lock(dir.path() + "/file/inside.lock");
        QVERIFY(!lock.TryAcquire());
        QVERIFY(!lock.OtherInstanceRunning());
        QVERIFY(lock.Problem().contains("inside.lock"));
    }

    void program_secondInstanceEndsAtOnceAfterItsCleanUp() {
        Station station;
        auto first = station.start(false);
        QTRY_VERIFY_WITH_TIMEOUT(holdsLock(station.lockPath(), first->processId()), kStartMs);
        AddWork(QStringLiteral("kept"));
        AddWork(QVariant()); // an empty record for the second start to remove
        QCOMPARE(WorkCount(), 2);

        auto second = station.start(true);
        QVERIFY(second->waitForFinished(kEndMs));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        // No window: it never reached the first screen.
        QVERIFY(!second->readAllStandardOutput().contains("shown"));
        QCOMPARE(WorkCount(), 1);
        QCOMPARE(first->state(), QProcess::Running);
        stop(*first);
    }

    void program_lockOfAKilledInstance_doesNotBlockTheNextStart() {
        Station station;
        auto first = station.start(false);
        // Killed only once the lock names it: a lock file killed before its
        // holder was written would look like a live instance's.
        QTRY_VERIFY_WITH_TIMEOUT(holdsLock(station.lockPath(), first->processId()), kStartMs);
        ::kill(static_cast<pid_t>(first->processId()), SIGKILL);
        QVERIFY(first->waitForFinished(kEndMs));
        QVERIFY(QFile::exists(station.lockPath())); // left behind

        auto next = station.start(true);
        QVERIFY(next->waitForFinished(kEndMs));
        QCOMPARE(next->exitCode(), 0);
        QVERIFY(next->readAllStandardOutput().contains("shown"));
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
