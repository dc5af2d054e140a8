#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace marking::shell {

// The single-instance rule: one lock file in the user's runtime directory,
// held for the life of the program. A lock left behind by a program that was
// killed is recognised as stale (its process is gone) and taken over.
class SingleInstanceLock {
public:
    // path: the lock file; empty = DefaultLockPath().
    explicit SingleInstanceLock(const QString& path = {});
    ~SingleInstanceLock();

    // True when this process now holds the lock (no other instance running).
    bool TryAcquire();
    bool IsHeld() const { return held_; }
    QString Path() const { return path_; }
    // Why TryAcquire failed, in Korean (empty when it did not fail or another
    // instance holds the lock).
    QString Problem() const { return problem_; }
    // True when TryAcquire failed because another live instance holds the lock.
    bool OtherInstanceRunning() const { return otherRunning_; }

    // "<runtime dir>/MarkingProgram.lock" (XDG_RUNTIME_DIR, else Qt's fallback).
    static QString DefaultLockPath();

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
    bool held_ = false;
    bool otherRunning_ = false;
    QString problem_;
};

} // namespace marking::shell
