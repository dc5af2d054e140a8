#include "store/Connection.h"

#include "common/ProgramDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QUrl>
#include <atomic>
#include <sys/stat.h>

namespace marking::store {

namespace {
std::atomic<int> defaultBusyTimeout{2000};
std::atomic<quint64> connectionCounter{0};

const QString kDriver = QStringLiteral("QSQLITE");

// What stands at path in place of a database file, for the message; empty
// for a regular file (or nothing at all).
QString notAFile(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return QString();
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("파일이 아니라 폴더입니다.");
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("파일이 아니라 FIFO(이름 있는 파이프)입니다.");
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return QStringLiteral("파일이 아니라 장치 파일입니다.");
    if (S_ISSOCK(st.st_mode))
        return QStringLiteral("파일이 아니라 소켓입니다.");
    return QStringLiteral("일반 파일이 아닙니다.");
}
} // namespace

struct Connection::State {
    QString name; // the Qt SQL connection name, unique per open
    QString path;
    DatabaseFile kind = DatabaseFile::Database;
    bool open = false;
    int depth = 0;                        // transaction nesting
    bool failedInside = false;            // an inner part rolled back: the outermost must too
    QHash<QString, QSqlQuery> statements; // prepared statements of this connection
};

Connection::Connection()
    : d_(std::make_shared<State>())
    , busyTimeout_(defaultBusyTimeout.load()) {}

Connection::~Connection() {
    Close();
}

void Connection::SetDefaultBusyTimeout(int milliseconds) {
    defaultBusyTimeout.store(std::max(0, milliseconds));
}

int Connection::DefaultBusyTimeout() {
    return defaultBusyTimeout.load();
}

void Connection::SetBusyTimeout(int milliseconds) {
    busyTimeout_ = std::max(0, milliseconds);
}

Status Connection::Open(DatabaseFile file) {
    return Open(ProgramDirectory(), file);
}

Status Connection::Open(const QString& directory, DatabaseFile file) {
    return OpenPath(QDir(directory).filePath(store::FileName(file)), file);
}

Status Connection::OpenPath(const QString& path, DatabaseFile kind, bool create) {
    Close();
    // A new state for every open: recordsets of an earlier open see it gone.
    d_ = std::make_shared<State>();
    d_->path = QFileInfo(path).absoluteFilePath();
    d_->kind = kind;

    const QFileInfo info(d_->path);
    if (!create && !info.exists())
        return Error(StoreError::Kind::MissingFile,
                     QStringLiteral("데이터베이스 파일이 없습니다."));
    if (const QString what = notAFile(d_->path); !what.isEmpty())
        return Error(StoreError::Kind::CannotOpen, what);
    if (!QSqlDatabase::isDriverAvailable(kDriver))
        return Error(StoreError::Kind::CannotOpen,
                     QStringLiteral("SQLite 드라이버가 없습니다 (libqt6sql6-sqlite)."));

    d_->name = QStringLiteral("marking-store-%1").arg(++connectionCounter);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(kDriver, d_->name);
        // "mode=rw": SQLite opens the file for reading and writing and never
        // makes a new, empty file in place of a missing one.
        QUrl url = QUrl::fromLocalFile(d_->path);
        url.setQuery(create ? QStringLiteral("mode=rwc") : QStringLiteral("mode=rw"));
        db.setDatabaseName(url.toString(QUrl::FullyEncoded));
        db.setConnectOptions(
            QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeout_));
        if (!db.open()) {
            const StoreError e = ErrorFrom(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(d_->name);
            d_->name.clear();
            return e;
        }
    }
    d_->open = true;
    // SQLite reads the file only when first asked: ask now, so that a file
    // that is not a database is reported by the open.
    {
        QSqlQuery probe(Database());
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            const StoreError e = ErrorFrom(probe.lastError());
            probe = QSqlQuery();
            Close();
            return e;
        }
    }
    return Status();
}

void Connection::Close() {
    if (!d_ || d_->name.isEmpty())
        return;
    if (d_->depth > 0) {
        d_->depth = 1;
        Rollback();
    }
    d_->statements.clear();
    {
        QSqlDatabase db = QSqlDatabase::database(d_->name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(d_->name);
    d_->name.clear();
    d_->open = false;
    // Recordsets opened on this connection now find it closed.
    auto closed = std::make_shared<State>();
    closed->path = d_->path;
    closed->kind = d_->kind;
    d_ = closed;
}

bool Connection::IsOpen() const {
    return d_ && d_->open;
}

DatabaseFile Connection::Kind() const {
    return d_->kind;
}

QString Connection::Path() const {
    return d_->path;
}

QString Connection::FileName() const {
    return QFileInfo(d_->path).fileName();
}

QSqlDatabase Connection::Database() const {
    return QSqlDatabase::database(d_->name, false);
}

StoreError Connection::Error(StoreError::Kind kind, const QString& reason) const {
    return StoreError{kind, d_ ? d_->path : QString(), reason};
}

StoreError Connection::ErrorFrom(const QSqlError& error) const {
    using K = StoreError::Kind;
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric);
    const int primary = numeric ? (code & 0xff) : -1;
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();

    static const QRegularExpression noTable(QStringLiteral("no such table: (\\S+)"));
    static const QRegularExpression noColumn(
        QStringLiteral("(?:no such column:|has no column named) (\\S+)"));
    static const QRegularExpression badType(
        QStringLiteral("cannot store (\\S+) value in (\\S+) column (\\S+)"));

    switch (primary) {
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return Error(K::Locked,
                     QStringLiteral("다른 프로그램이 데이터베이스를 사용 중입니다 (잠김)."));
    case 26: // SQLITE_NOTADB
        return Error(K::NotADatabase, QStringLiteral("데이터베이스 파일이 아닙니다."));
    case 14: // SQLITE_CANTOPEN
        return Error(K::CannotOpen, QStringLiteral("파일을 열 수 없습니다 (%1).").arg(text));
    case 8: // SQLITE_READONLY
        return Error(K::ReadOnly, QStringLiteral("파일에 쓸 수 없습니다 (읽기 전용)."));
    case 11: // SQLITE_CORRUPT
        return Error(K::NotADatabase, QStringLiteral("데이터베이스 파일이 손상되었습니다."));
    default:
        break;
    }
    if (const auto m = noTable.match(text); m.hasMatch())
        return Error(K::MissingTable,
                     QStringLiteral("테이블 %1이(가) 없습니다.").arg(m.captured(1)));
    if (const auto m = noColumn.match(text); m.hasMatch())
        return Error(K::MissingColumn, QStringLiteral("열 %1이(가) 없습니다.").arg(m.captured(1)));
    if (const auto m = badType.match(text); m.hasMatch())
        return Error(K::BadValue,
                     QStringLiteral("열 %1에 값을 저장할 수 없습니다 (형식이 맞지 않음).")
                         .arg(m.captured(3)));
    if (text.contains(QStringLiteral("not a database")))
        return Error(K::NotADatabase, QStringLiteral("데이터베이스 파일이 아닙니다."));
    return Error(K::Failed, QStringLiteral("데이터베이스 오류입니다 (%1).").arg(text));
}

Status Connection::Execute(const QString& sql, const QVariantList& values) {
    if (!IsOpen())
        return Error(StoreError::Kind::NotOpen, QStringLiteral("연결이 열려 있지 않습니다."));
    QSqlQuery q(Database());
    if (!q.prepare(sql))
        return ErrorFrom(q.lastError());
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        return ErrorFrom(q.lastError());
    return Status();
}

Status Connection::Begin() {
    if (!IsOpen())
        return Error(StoreError::Kind::NotOpen, QStringLiteral("연결이 열려 있지 않습니다."));
    if (d_->depth > 0) {
        ++d_->depth;
        return Status();
    }
    // IMMEDIATE: take the write lock now, so that a file held by another
    // program is found here (after the busy wait) and not halfway.
    QSqlQuery q(Database());
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return ErrorFrom(q.lastError());
    d_->depth = 1;
    d_->failedInside = false;
    return Status();
}

Status Connection::Commit() {
    if (!IsOpen() || d_->depth == 0)
        return Error(StoreError::Kind::NotOpen, QStringLiteral("진행 중인 트랜잭션이 없습니다."));
    if (d_->depth > 1) {
        --d_->depth;
        return Status();
    }
    if (d_->failedInside) {
        Rollback();
        return Error(StoreError::Kind::Failed,
                     QStringLiteral("쓰기 도중 실패하여 모든 변경을 취소했습니다."));
    }
    QSqlQuery q(Database());
    if (!q.exec(QStringLiteral("COMMIT"))) {
        const StoreError e = ErrorFrom(q.lastError());
        q = QSqlQuery();
        Rollback();
        return e;
    }
    d_->depth = 0;
    return Status();
}

void Connection::Rollback() {
    if (!IsOpen() || d_->depth == 0)
        return;
    if (d_->depth > 1) {
        --d_->depth;
        d_->failedInside = true;
        return;
    }
    QSqlQuery q(Database());
    q.exec(QStringLiteral("ROLLBACK")); // fails only when SQLite already rolled back
    d_->depth = 0;
    d_->failedInside = false;
}

Result<QSqlQuery*> Connection::prepared(const QString& sql) {
    if (!IsOpen())
        return Error(StoreError::Kind::NotOpen, QStringLiteral("연결이 열려 있지 않습니다."));
    auto it = d_->statements.find(sql);
    if (it == d_->statements.end()) {
        QSqlQuery q(Database());
        if (!q.prepare(sql))
            return ErrorFrom(q.lastError());
        it = d_->statements.insert(sql, q);
    }
    return &it.value();
}

void Connection::dropPrepared(const QString& sql) {
    d_->statements.remove(sql);
}

bool Connection::InTransaction() const {
    return IsOpen() && d_->depth > 0;
}

Transaction::Transaction(Connection& connection)
    : connection_(connection)
    , begun_(connection.Begin()) {}

Transaction::~Transaction() {
    if (begun_.ok() && !done_)
        connection_.Rollback();
}

Status Transaction::Commit() {
    if (!begun_.ok())
        return begun_;
    if (done_)
        return Status();
    done_ = true;
    return connection_.Commit();
}

} // namespace marking::store
