#include "shell/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace marking::shell {

SingleInstanceLock::SingleInstanceLock(const QString& path)
    : path_(path.isEmpty() ? DefaultLockPath() : path) {}

SingleInstanceLock::~SingleInstanceLock() {
    if (lock_ && held_) {
        lock_->unlock();
    }
}

QString SingleInstanceLock::DefaultLockPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) {
        dir = QDir::tempPath();
    }
    return dir + QStringLiteral("/MarkingProgram.lock");
}

bool SingleInstanceLock::TryAcquire() {
    if (held_) {
        return true;
    }
    otherRunning_ = false;
    problem_.clear();
    QDir().mkpath(QFileInfo(path_).absolutePath());
    lock_ = std::make_unique<QLockFile>(path_);
    // Only a live process keeps the lock: no age limit, however long the
    // station runs. A lock whose process is gone is stale and taken over.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) {
        held_ = true;
        return true;
    }
    switch (lock_->error()) {
    case QLockFile::LockFailedError:
        otherRunning_ = true;
        break;
    case QLockFile::PermissionError:
        problem_ = QStringLiteral("실행 잠금 파일을 만들 수 없습니다. (%1: 권한 없음)").arg(path_);
        break;
    case QLockFile::UnknownError:
    case QLockFile::NoError:
        problem_ = QStringLiteral("실행 잠금 파일을 만들 수 없습니다. (%1)").arg(path_);
        break;
    }
    return false;
}

} // namespace marking::shell
