#pragma once

#include "store/Connection.h"
#include "store/StoreError.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace marking::store {

struct MappedQuery;

// The rows of one query, as the program walks and edits them. The rows are
// taken when the query is opened (a snapshot in key order, or the query's
// order); writes go to the table at once, each Update or Delete in a
// transaction of its own unless the connection is inside a Transaction.
//
// Only the program's own query texts are accepted (see QueryText.h); values
// appended to them are parsed out and bound.
// User-interface thread only.
class Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Opens the query on connection (an open recordset is closed first).
    Status Open(const QString& queryText, Connection& connection);
    void Close();

    int State() const { return open_ ? 1 : 0; } // 1 open, 0 closed
    bool IsOpen() const { return open_; }
    int RecordCount() const; // rows of the query (deleted rows no longer count)
    bool Eof() const;        // past the last row (at once for no rows)
    void MoveFirst();
    void MoveNext();

    // Value of a column of the current row: bool, int, double or QString by
    // the column's type; a null stays a null QVariant (isNull()), an empty
    // text is an empty QString. An unknown column or no current row gives an
    // invalid QVariant; Value() says why.
    QVariant Field(const QString& column) const;
    Result<QVariant> Value(const QString& column) const;
    bool HasField(const QString& column) const;
    // The position of a column among Columns() (-1: none), and the value at
    // that position of the current row, as Field gives it: for walking many
    // rows without looking the name up in every one.
    int ColumnIndex(const QString& column) const { return columnIndex(column); }
    QVariant FieldAt(int index) const;
    const QStringList& Columns() const { return columns_; }

    // Starts a new row: the current row becomes the new, empty row until
    // Update. Fields not written take the column's default (0 or empty).
    Status AddNew();
    // Writes a field of the current (or new) row. The value is converted to
    // the column's type here; a value that cannot be converted is refused,
    // and then the whole edit is refused at Update (the row is not written).
    Status SetField(const QString& column, const QVariant& value);
    // Stores the new row (its key is assigned now) or the changed fields of
    // the current row. Leaves the current row on the stored row.
    Status Update();
    // Drops fields written since the last Update (and a pending new row).
    void CancelUpdate();
    // Deletes the current row only; it stays current until the next move.
    Status Delete();

    QString Table() const;

private:
    struct Row {
        QList<QVariant> values;
        bool deleted = false;
    };
    enum class EditMode { None, Edit, Add };

    Status checkOpen() const;
    Status checkCurrent() const;
    int columnIndex(const QString& column) const;
    StoreError error(StoreError::Kind kind, const QString& reason) const;
    Result<QList<QVariant>> readRow(const QVariant& key);
    Status runWrite(const QString& sql, const QVariantList& values, int* rowsAffected,
                    QVariant* insertedKey);

    std::weak_ptr<void> connection_;
    Connection* owner_ = nullptr;
    std::unique_ptr<MappedQuery> query_;
    QString fileLabel_;
    DatabaseFile fileKind_ = DatabaseFile::Database;
    QStringList columns_;
    QHash<QString, int> columnByName_; // lower-case name -> index
    int keyIndex_ = -1;
    std::vector<Row> rows_;
    int position_ = 0;
    bool open_ = false;
    EditMode mode_ = EditMode::None;
    QHash<int, QVariant> pending_;
    std::optional<StoreError> pendingError_;
};

} // namespace marking::store
