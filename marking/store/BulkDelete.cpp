#include "store/BulkDelete.h"

#include "common/ProgramDirectory.h"
#include "store/Columns.h"
#include "store/Connection.h"
#include "store/QueryText.h"
#include "store/Recordset.h"

namespace marking {

namespace store {

namespace {

// Opens file of directory and query, walks its rows in one transaction and
// deletes those that shouldDelete(rs) says to delete.
template <class Predicate>
Status deleteWalk(const QString& directory, const QString& query, Predicate shouldDelete,
                  DatabaseFile file = DatabaseFile::Database) {
    Connection conn;
    if (Status s = conn.Open(directory, file); !s)
        return s;
    Recordset rs;
    if (Status s = rs.Open(query, conn); !s)
        return s;
    if (rs.Eof())
        return Status(); // nothing to delete: no write at all
    Transaction tx(conn);
    if (!tx.ok())
        return tx.status();
    rs.MoveFirst();
    while (!rs.Eof()) {
        Result<bool> remove = shouldDelete(rs);
        if (!remove)
            return remove.error();
        if (remove.value()) {
            if (Status s = rs.Delete(); !s)
                return s; // the transaction rolls back: no row is deleted
        }
        rs.MoveNext();
    }
    return tx.Commit();
}

Result<bool> always(const Recordset&) {
    return true;
}

} // namespace

Status MarkingWorkAllDelete(const QString& directory) {
    return deleteWalk(directory, QueryText::All(Table::MarkingWork), always);
}

Status MarkingWorkDatabaseNullRecordDelete(const QString& directory) {
    return deleteWalk(directory, QueryText::AllByKey(Table::MarkingWork),
                      [](const Recordset& rs) -> Result<bool> {
                          Result<QVariant> data = rs.Value(col::W_Data);
                          if (!data)
                              return data.error();
                          return data.value().isNull();
                      });
}

Status MarkingDataAllDelete(const QString& directory) {
    return deleteWalk(directory, QueryText::All(Table::MarkingSetting), always);
}

Status PrintDataAllDelete(const QString& directory) {
    return deleteWalk(directory, QueryText::All(Table::WorkReport), always, DatabaseFile::Print);
}

} // namespace store

store::Status ModMarkingWorkAllDelete() {
    return store::MarkingWorkAllDelete(ProgramDirectory());
}

store::Status ModMarkingWorkDatabaseNullRecordDelete() {
    return store::MarkingWorkDatabaseNullRecordDelete(ProgramDirectory());
}

store::Status ModMarkingDataAllDelete() {
    return store::MarkingDataAllDelete(ProgramDirectory());
}

} // namespace marking
