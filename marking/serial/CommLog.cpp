#include "serial/CommLog.h"

#include "common/ProgramDirectory.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <atomic>

Q_LOGGING_CATEGORY(lcComm, "marking.comm", QtInfoMsg)

namespace marking {

namespace {
QMutex& logMutex() {
    static QMutex m;
    return m;
}
std::atomic<qint64>& maxBytes() {
    static std::atomic<qint64> v{CommLogDefaultMaxBytes};
    return v;
}
// A failure to write the log is reported once per path, not on every line.
QString& lastFailedPath() {
    static QString p;
    return p;
}

QString hexOrDash(const QByteArray& bytes) {
    return bytes.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(bytes.toHex(' '));
}

void rotate(const QString& path) {
    QFile::remove(path + QStringLiteral(".%1").arg(CommLogKeptFiles));
    for (int i = CommLogKeptFiles - 1; i >= 1; --i)
        QFile::rename(path + QStringLiteral(".%1").arg(i), path + QStringLiteral(".%1").arg(i + 1));
    QFile::rename(path, path + QStringLiteral(".1"));
}
} // namespace

QString CommLogPath() {
    return ProgramFile(QStringLiteral("logs/comm.log"));
}

void SetCommLogMaxBytes(qint64 bytes) {
    maxBytes().store(bytes > 0 ? bytes : CommLogDefaultMaxBytes);
}

QString FormatCommLogLine(const CommLogEntry& e) {
    QString line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
    line += u' ' + (e.port.isEmpty() ? QStringLiteral("-") : e.port);
    line += u' ' + (e.comName.isEmpty() ? QStringLiteral("-") : e.comName);
    line += u' ' + (e.devicePath.isEmpty() ? QStringLiteral("-") : e.devicePath);
    line += QStringLiteral(" %1").arg(e.what.isEmpty() ? QStringLiteral("-") : e.what);
    line += QStringLiteral(" attempt=%1").arg(e.attempt);
    line +=
        QStringLiteral(" outcome=%1").arg(e.outcome.isEmpty() ? QStringLiteral("-") : e.outcome);
    line += QStringLiteral(" frame=[%1]").arg(hexOrDash(e.frame));
    line += QStringLiteral(" reply=[%1]").arg(hexOrDash(e.reply));
    if (!e.note.isEmpty()) {
        QString note = e.note;
        note.replace(u'\n', u' ');
        line += QStringLiteral(" note=\"%1\"").arg(note);
    }
    return line;
}

void WriteCommLog(const CommLogEntry& entry) {
    if (!lcComm().isInfoEnabled())
        return;
    const QString line = FormatCommLogLine(entry);
    qCDebug(lcComm).noquote() << line;

    QMutexLocker lock(&logMutex());
    const QString path = CommLogPath();
    // Only logs/ is made here, never the program directory itself.
    if (ProgramDirectory().isEmpty() || !QFileInfo(ProgramDirectory()).isDir())
        return;
    QDir(ProgramDirectory()).mkdir(QStringLiteral("logs"));
    const QByteArray bytes = line.toUtf8() + '\n';
    const QFileInfo info(path);
    if (info.exists() && info.size() + bytes.size() > maxBytes().load())
        rotate(path);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append) || f.write(bytes) != bytes.size()) {
        if (lastFailedPath() != path) {
            lastFailedPath() = path;
            qCWarning(lcComm).noquote() << QStringLiteral("통신 기록 파일 %1에 쓸 수 없습니다: %2")
                                               .arg(path, f.errorString());
        }
        return;
    }
    lastFailedPath().clear();
}

} // namespace marking
