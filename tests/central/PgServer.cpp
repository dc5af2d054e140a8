#include "PgServer.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <arpa/inet.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int freePortOfLoopback() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0)
        return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

QString findBinDir() {
    const QString fromEnv = qEnvironmentVariable("MARKING_PG_BINDIR");
    if (!fromEnv.isEmpty())
        return fromEnv;
    QDir root(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(),
              [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
    for (const QString& v : versions)
        if (QFile::exists(root.filePath(v + QStringLiteral("/bin/initdb"))))
            return root.filePath(v + QStringLiteral("/bin"));
    return QString();
}

} // namespace

int PgServer::FreePort() {
    return freePortOfLoopback();
}

PgServer::PgServer(bool durable)
    : durable_(durable) {}

PgServer::~PgServer() {
    Stop();
    if (watchdog_.state() != QProcess::NotRunning) {
        watchdog_.closeWriteChannel(); // it cleans the folder and ends
        watchdog_.waitForFinished(10000);
    }
}

QString PgServer::bin(const QString& name) const {
    return QDir(binDir_).filePath(name);
}

bool PgServer::run(const QString& program, const QStringList& args, int timeoutMs) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir_->path());
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir_->path());
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (dropPrivileges_) {
        const uid_t uid = uid_;
        const gid_t gid = gid_;
        p.setChildProcessModifier([uid, gid] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(126);
        });
    }
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        error_ = QStringLiteral("%1 did not finish").arg(program);
        return false;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        error_ = QStringLiteral("%1 failed (%2): %3")
                     .arg(program)
                     .arg(p.exitCode())
                     .arg(QString::fromLocal8Bit(p.readAll()).right(2000));
        error_ += QStringLiteral("\nserver log: ") + Log();
        return false;
    }
    return true;
}

QString PgServer::Log() const {
    QFile log(QDir(dir_->path()).filePath(QStringLiteral("server.log")));
    return log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll().right(3000))
                                         : QString();
}

bool PgServer::initCluster() {
    binDir_ = findBinDir();
    if (binDir_.isEmpty()) {
        error_ = QStringLiteral("no PostgreSQL server programs in /usr/lib/postgresql/*/bin "
                                "(install the package postgresql: scripts/setup)");
        return false;
    }
    if (::geteuid() == 0) {
        // The server refuses to run as root.
        passwd* pw = ::getpwnam("nobody");
        if (!pw) {
            QProcess::execute(QStringLiteral("useradd"),
                              {QStringLiteral("--system"), QStringLiteral("--no-create-home"),
                               QStringLiteral("marking-pgtest")});
            pw = ::getpwnam("marking-pgtest");
        }
        if (!pw) {
            error_ = QStringLiteral("no unprivileged user to run the server as");
            return false;
        }
        uid_ = pw->pw_uid;
        gid_ = pw->pw_gid;
        dropPrivileges_ = true;
    }
    dir_ = std::make_unique<QTemporaryDir>(
        (dropPrivileges_ ? QStringLiteral("/tmp") : QDir::tempPath()) +
        QStringLiteral("/marking-pg-XXXXXX"));
    if (!dir_->isValid()) {
        error_ = QStringLiteral("cannot make a temporary folder");
        return false;
    }
    const QString data = QDir(dir_->path()).filePath(QStringLiteral("data"));
    const QString pwFile = QDir(dir_->path()).filePath(QStringLiteral("pw"));
    {
        QFile f(pwFile);
        if (!f.open(QIODevice::WriteOnly) || f.write(kSuperPassword) < 0) {
            error_ = QStringLiteral("cannot write %1").arg(pwFile);
            return false;
        }
    }
    if (dropPrivileges_ && (::chown(QFile::encodeName(dir_->path()).constData(), uid_, gid_) != 0 ||
                            ::chown(QFile::encodeName(pwFile).constData(), uid_, gid_) != 0)) {
        error_ = QStringLiteral("cannot hand %1 to the server's user").arg(dir_->path());
        return false;
    }
    // The watchdog ends the server and removes the folder when this process
    // is gone, however it ended: its standard input reaches end of file.
    watchdog_.setProgram(QStringLiteral("/bin/sh"));
    watchdog_.setArguments(
        {QStringLiteral("-c"),
         QStringLiteral("read _; p=$(head -n1 \"$1/postmaster.pid\" 2>/dev/null); "
                        "[ -n \"$p\" ] && kill -QUIT \"$p\" 2>/dev/null && "
                        "sleep 1; rm -rf \"$2\""),
         QStringLiteral("watchdog"), data, dir_->path()});
    watchdog_.setChildProcessModifier([] { ::setsid(); });
    watchdog_.setStandardOutputFile(QProcess::nullDevice());
    watchdog_.setStandardErrorFile(QProcess::nullDevice());
    watchdog_.start();
    if (!run(bin(QStringLiteral("initdb")),
             {QStringLiteral("-D"), data, QStringLiteral("-U"), QString::fromLatin1(kSuperuser),
              QStringLiteral("--pwfile=") + pwFile, QStringLiteral("--auth-local=trust"),
              QStringLiteral("--auth-host=scram-sha-256"), QStringLiteral("-E"),
              QStringLiteral("UTF8"), QStringLiteral("--no-locale"), QStringLiteral("--no-sync")},
             120000))
        return false;
    initialised_ = true;
    return true;
}

bool PgServer::Start() {
    if (running_)
        return true;
    if (!initialised_ && !initCluster())
        return false;
    const QString data = QDir(dir_->path()).filePath(QStringLiteral("data"));
    for (int attempt = 0; attempt < 3 && !running_; ++attempt) {
        if (port_ == 0 || attempt > 0)
            port_ = FreePort();
        QString options = QStringLiteral("-p %1 -c listen_addresses=127.0.0.1 -k %2 "
                                         "-c max_connections=40")
                              .arg(port_)
                              .arg(dir_->path());
        if (!durable_)
            options += QStringLiteral(" -c fsync=off "
                                      "-c full_page_writes=off");
        running_ = run(bin(QStringLiteral("pg_ctl")),
                       {QStringLiteral("-D"), data, QStringLiteral("-l"),
                        QDir(dir_->path()).filePath(QStringLiteral("server.log")),
                        QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"),
                        QStringLiteral("-o"), options, QStringLiteral("start")},
                       90000);
    }
    return running_;
}

bool PgServer::Stop(bool immediate) {
    if (!running_)
        return true;
    const QString data = QDir(dir_->path()).filePath(QStringLiteral("data"));
    const bool ok = run(bin(QStringLiteral("pg_ctl")),
                        {QStringLiteral("-D"), data, QStringLiteral("-m"),
                         immediate ? QStringLiteral("immediate") : QStringLiteral("fast"),
                         QStringLiteral("-w"), QStringLiteral("stop")},
                        60000);
    running_ = !ok;
    return ok;
}

QString PgServer::Url(const QString& user, const QString& password, const QString& database) const {
    const QString auth = password.isEmpty() ? user : user + u':' + password;
    return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(auth).arg(port_).arg(database);
}

namespace {
// One superuser connection per call.
class Admin {
public:
    Admin(int port, const QString& database)
        : name_(QStringLiteral("pg-admin-%1").arg(++counter())) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
        db.setHostName(QStringLiteral("127.0.0.1"));
        db.setPort(port);
        db.setDatabaseName(database);
        db.setUserName(QString::fromLatin1(PgServer::kSuperuser));
        db.setPassword(QString::fromLatin1(PgServer::kSuperPassword));
        db.setConnectOptions(QStringLiteral("connect_timeout=5"));
        db.open();
    }
    ~Admin() {
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(name_, false); }

private:
    static int& counter() {
        static int n = 0;
        return n;
    }
    QString name_;
};
} // namespace

bool PgServer::Exec(const QString& sql, const QString& database) {
    Admin admin(port_, database);
    if (!admin.db().isOpen()) {
        error_ = admin.db().lastError().text();
        return false;
    }
    QSqlQuery q(admin.db());
    if (!q.exec(sql)) {
        error_ = sql.left(200) + QStringLiteral(": ") + q.lastError().text();
        qWarning().noquote() << error_;
        return false;
    }
    return true;
}

QVariant PgServer::Scalar(const QString& sql, const QString& database) {
    Admin admin(port_, database);
    QSqlQuery q(admin.db());
    if (!q.exec(sql) || !q.next()) {
        qWarning().noquote() << sql << q.lastError().text();
        return QVariant();
    }
    return q.value(0);
}
