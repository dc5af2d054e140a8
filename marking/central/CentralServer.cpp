#include "central/CentralServer.h"

#include <QSqlQuery>
#include <atomic>
#include <optional>

namespace marking::central {

Q_LOGGING_CATEGORY(lcCentral, "marking.central")

namespace {
std::atomic<quint64> connectionCounter{0};
const QString kDriver = QStringLiteral("QPSQL");

// The central table: one row per finished work of every station.
const char* const kCreateTable =
    "CREATE TABLE WorkReport ("
    " R_StationId text NOT NULL,"
    " R_ID bigint NOT NULL,"
    " R_Date date,"
    " R_WorkTeam smallint,"
    " R_MarkingMethod text,"
    " R_Data text,"
    " R_Length integer,"
    " R_WorkVolume integer,"
    " R_Received timestamptz NOT NULL DEFAULT now(),"
    " CONSTRAINT WorkReport_Station_Key PRIMARY KEY (R_StationId, R_ID))";
const char* const kCreateIndex =
    "CREATE INDEX IF NOT EXISTS WorkReport_Date_Team ON WorkReport (R_Date, R_WorkTeam)";
// Serialises the creation between stations that find the table missing together.
const char* const kSchemaLock = "SELECT pg_advisory_xact_lock(7391016)";

bool loginRefused(const QString& text) {
    static const char* const marks[] = {"password authentication failed", "no password supplied",
                                        "pg_hba.conf", "authentication failed", "does not exist"};
    for (const char* m : marks)
        if (text.contains(QLatin1String(m), Qt::CaseInsensitive))
            return true;
    return false;
}
} // namespace

CentralConnection::CentralConnection(ServerAddress address)
    : address_(std::move(address)) {}

CentralConnection::~CentralConnection() {
    if (name_.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name_);
}

QSqlDatabase CentralConnection::Database() const {
    return QSqlDatabase::database(name_, false);
}

QString CentralConnection::scrub(QString text) const {
    if (!address_.password.isEmpty())
        text.replace(address_.password, QStringLiteral("***"));
    return text.simplified();
}

bool CentralConnection::Open(QString* reason) {
    if (!QSqlDatabase::isDriverAvailable(kDriver)) {
        *reason = QStringLiteral("PostgreSQL 드라이버가 없습니다 (libqt6sql6-psql).");
        return false;
    }
    name_ = QStringLiteral("marking-central-%1").arg(++connectionCounter);
    QSqlDatabase db = QSqlDatabase::addDatabase(kDriver, name_);
    db.setHostName(address_.host);
    db.setPort(address_.port);
    db.setDatabaseName(address_.database);
    db.setUserName(address_.user);
    // Empty: libpq reads its password file.
    db.setPassword(address_.password);
    // A dead peer is noticed within seconds, not after the kernel's minutes.
    QString options = QStringLiteral("connect_timeout=%1;keepalives_idle=10;keepalives_interval=3;"
                                     "keepalives_count=3;tcp_user_timeout=15000;"
                                     "application_name=marking-station")
                          .arg(kConnectTimeoutSeconds);
    if (!address_.sslMode.isEmpty())
        options += QStringLiteral(";sslmode=") + address_.sslMode;
    db.setConnectOptions(options);
    if (!db.open()) {
        const QString text =
            scrub(db.lastError().databaseText().isEmpty() ? db.lastError().text()
                                                          : db.lastError().databaseText());
        *reason = loginRefused(text) ? QStringLiteral("중앙 서버가 로그인을 거부했습니다 (%1): %2")
                                           .arg(address_.Display(), text)
                                     : QStringLiteral("중앙 서버에 연결할 수 없습니다 (%1): %2")
                                           .arg(address_.Display(), text);
        return false;
    }
    // A statement waiting on a lock of the office side gives up in the end.
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SET statement_timeout = '60s'"))) {
        *reason = Reason(q.lastError());
        return false;
    }
    return true;
}

QString CentralConnection::Reason(const QSqlError& error) const {
    const QString text =
        scrub(error.databaseText().isEmpty() ? error.text() : error.databaseText());
    const QSqlDatabase db = Database();
    if (error.type() == QSqlError::ConnectionError || !db.isOpen() ||
        text.contains(QLatin1String("server closed the connection")) ||
        text.contains(QLatin1String("terminating connection")) ||
        text.contains(QLatin1String("no connection to the server")))
        return QStringLiteral("중앙 서버와의 연결이 끊어졌습니다 (%1): %2")
            .arg(address_.Display(), text);
    return QStringLiteral("중앙 서버 오류 (%1): %2").arg(address_.Display(), text);
}

bool CentralConnection::IsMissingTable(const QSqlError& error) {
    return error.nativeErrorCode() == u"42P01";
}

bool CentralConnection::EnsureSchema(QString* reason) {
    QSqlDatabase db = Database();
    QSqlQuery q(db);
    bool inTransaction = false;
    const auto fail = [&](const QSqlError& e) {
        *reason = Reason(e);
        q = QSqlQuery();
        if (inTransaction)
            db.rollback();
        return false;
    };
    const auto exists = [&]() -> std::optional<bool> {
        if (!q.exec(QStringLiteral("SELECT to_regclass('WorkReport') IS NOT NULL")) || !q.next())
            return std::nullopt;
        return q.value(0).toBool();
    };
    auto found = exists();
    if (!found)
        return fail(q.lastError());
    if (*found)
        return true;
    if (!db.transaction())
        return fail(db.lastError());
    inTransaction = true;
    if (!q.exec(QString::fromLatin1(kSchemaLock)))
        return fail(q.lastError());
    found = exists();
    if (!found)
        return fail(q.lastError());
    if (!*found) {
        if (!q.exec(QString::fromLatin1(kCreateTable)) ||
            !q.exec(QString::fromLatin1(kCreateIndex)))
            return fail(q.lastError());
        qCInfo(lcCentral).noquote()
            << "created the central table WorkReport on" << address_.Display();
    }
    q = QSqlQuery();
    if (!db.commit())
        return fail(db.lastError());
    return true;
}

} // namespace marking::central
