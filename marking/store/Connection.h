#pragma once

#include "store/Schema.h"
#include "store/StoreError.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <memory>

namespace marking::store {

class Recordset;

// One open database file, for one operation. Opens one of the three files of
// a directory; never creates a file (a missing file is an error, not a new
// empty database). Each instance has a Qt SQL connection of its own, which
// is closed and removed on Close() and on destruction.
// User-interface thread only (any one thread per instance).
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens file in the program directory (marking::ProgramDirectory()).
    Status Open(DatabaseFile file);
    // Opens file in directory.
    Status Open(const QString& directory, DatabaseFile file);
    // Opens the file at path as a file of that kind. create: make the file
    // when it is missing (only the database set-up does this).
    Status OpenPath(const QString& path, DatabaseFile kind, bool create = false);

    void Close();
    bool IsOpen() const;

    DatabaseFile Kind() const;
    QString Path() const;     // full path of the open file
    QString FileName() const; // "Database.mdb" ...

    // How long a write waits for another program that holds the file.
    // Takes effect at the next Open.
    void SetBusyTimeout(int milliseconds);
    // The wait every new connection starts with (default 2000 ms).
    static void SetDefaultBusyTimeout(int milliseconds);
    static int DefaultBusyTimeout();

    // Transactions; they nest: only the outermost commits, and a failure
    // anywhere inside makes the outermost roll back. Prefer Transaction.
    Status Begin();
    Status Commit();
    void Rollback();
    bool InTransaction() const;

    // An error of the driver turned into a StoreError naming this file.
    StoreError ErrorFrom(const QSqlError& error) const;
    StoreError Error(StoreError::Kind kind, const QString& reason) const;

private:
    // Rows are read and written through a Recordset over one of the
    // program's query texts; only the schema's set-up of a new file runs
    // statements of its own (CREATE TABLE, the initial rows), the outbox of
    // central reporting its own table, and the work report its bulk reads and
    // deletions by key.
    friend class Recordset;
    friend class OutboxTable;
    friend class WorkReportTable;
    friend Status CreateDatabaseFile(const QString& path, DatabaseFile file, bool withInitialRows);

    // Runs one statement of the schema's set-up. Values are bound.
    Status Execute(const QString& sql, const QVariantList& values = {});
    // The Qt SQL connection.
    QSqlDatabase Database() const;

    struct State;
    // One prepared statement per text, kept until Close: a row walk reuses it.
    Result<QSqlQuery*> prepared(const QString& sql);
    void dropPrepared(const QString& sql);

    std::shared_ptr<State> d_;
    int busyTimeout_;
};

// Groups the writes of a row walk into one transaction: begins on
// construction, commits on Commit(), rolls back when destroyed uncommitted.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Whether the transaction began; when not, status() says why.
    bool ok() const { return begun_.ok(); }
    const Status& status() const { return begun_; }
    Status Commit();

private:
    Connection& connection_;
    Status begun_;
    bool done_ = false;
};

} // namespace marking::store
