#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

// A PostgreSQL server of its own for one test or benchmark executable: a new
// cluster in a temporary folder, listening on a free port of 127.0.0.1. When
// run as root (CI) the server runs as an unprivileged user ("nobody", or a
// user made for it). It is stopped by Stop() or the destructor, and by a
// watchdog process when this process dies without either.
class PgServer {
public:
    static constexpr const char* kSuperuser = "postgres";
    static constexpr const char* kSuperPassword = "super-pw";

    explicit PgServer(bool durable = false); // durable: keep fsync on (benchmarks)
    ~PgServer();

    bool Start(); // initdb on first use, then start; Error() says why not
    bool Stop(bool immediate = false);
    bool IsRunning() const { return running_; }
    QString Error() const { return error_; }
    QString Log() const; // the end of the server's log

    int Port() const { return port_; }
    // A port of 127.0.0.1 nothing listens on (as far as one can tell).
    static int FreePort();
    QString Url(const QString& user, const QString& password, const QString& database) const;

    // Runs statements as the superuser on database (default "postgres").
    bool Exec(const QString& sql, const QString& database = QStringLiteral("postgres"));
    QVariant Scalar(const QString& sql, const QString& database = QStringLiteral("postgres"));

private:
    bool run(const QString& program, const QStringList& args, int timeoutMs);
    bool initCluster();
    QString bin(const QString& name) const;

    bool durable_;
    QString binDir_;
    std::unique_ptr<QTemporaryDir> dir_;
    QProcess watchdog_;
    int port_ = 0;
    bool initialised_ = false;
    bool running_ = false;
    QString error_;
    unsigned uid_ = 0, gid_ = 0;
    bool dropPrivileges_ = false;
};
