#pragma once

#include <QString>
#include <optional>
#include <utility>

namespace marking::store {

// What went wrong in a database operation. Every failing operation of the
// store yields one of these; nothing is thrown and nothing is swallowed.
struct StoreError {
    enum class Kind {
        MissingFile,   // the database file is not there
        CannotOpen,    // there, but cannot be opened (permissions, a folder ...)
        NotADatabase,  // the file is not a database
        MissingTable,  // the query names a table the file does not have
        MissingColumn, // a column the operation needs is not in the table
        Locked,        // another program holds the file and did not let go in time
        ReadOnly,      // the file cannot be written
        BadValue,      // a value cannot be converted to the column's type
        UnknownQuery,  // a query text the program does not issue
        NotOpen,       // the connection or the recordset is not open
        NoCurrentRow,  // no current row (end of rows, or the row was deleted)
        RowVanished,   // the row to change is no longer in the table
        Failed,        // any other database failure (the write was rolled back)
    };

    Kind kind = Kind::Failed;
    QString file;   // file name ("Database.mdb"), or the full path when known
    QString reason; // Korean, one sentence

    // "<file>: <reason>", the text shown to the operator.
    QString Text() const;
};

// The title of the message box that reports a store error.
QString StoreErrorTitle(); // "데이터베이스 오류!"

// Shows the error through marking::Messages() (information icon, as every
// message of the program).
void ShowStoreError(const StoreError& error);

// Outcome of an operation without a value: ok, or the error.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(StoreError error)
        : error_(std::move(error)) {}

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only valid when !ok().
    const StoreError& error() const { return *error_; }
    // Shows the error (if any) and returns ok().
    bool ReportIfFailed() const;

private:
    std::optional<StoreError> error_;
};

// Outcome of an operation with a value: the value, or the error.
template <class T> class [[nodiscard]] Result {
public:
    Result(T value)
        : value_(std::move(value)) {}
    Result(StoreError error)
        : error_(std::move(error)) {}

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only valid when ok().
    const T& value() const { return *value_; }
    T& value() { return *value_; }
    const T& operator*() const { return *value_; }
    // Only valid when !ok().
    const StoreError& error() const { return *error_; }
    Status status() const { return ok() ? Status() : Status(*error_); }

private:
    std::optional<T> value_;
    std::optional<StoreError> error_;
};

} // namespace marking::store
