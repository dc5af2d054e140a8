#pragma once

#include "central/CentralSettings.h"

#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

namespace marking::central {

Q_DECLARE_LOGGING_CATEGORY(lcCentral)

// Seconds a connection attempt to the central server may take.
inline constexpr int kConnectTimeoutSeconds = 3;

// One connection to the central database, opened and used on one thread and
// closed by the destructor. Every failure is a Korean reason naming the
// server (user@host:port/database), never the password.
class CentralConnection {
public:
    explicit CentralConnection(ServerAddress address);
    ~CentralConnection();
    CentralConnection(const CentralConnection&) = delete;
    CentralConnection& operator=(const CentralConnection&) = delete;

    // Connects, bounded by kConnectTimeoutSeconds.
    bool Open(QString* reason);
    QSqlDatabase Database() const;
    const ServerAddress& Address() const { return address_; }

    // Creates the central table and its index when the table is missing.
    bool EnsureSchema(QString* reason);

    // Why a statement failed, for the operator and the log.
    QString Reason(const QSqlError& error) const;
    static bool IsMissingTable(const QSqlError& error);

private:
    QString scrub(QString text) const;

    ServerAddress address_;
    QString name_;
};

} // namespace marking::central
