#pragma once

#include "store/StoreError.h"

#include <QString>

namespace marking {

// The bulk deletions of Database.mdb (and Print.mdb) in the program directory. Each walks its
// query's rows and deletes them in ONE transaction: it removes every row it
// should or, when anything fails (missing file, locked file, a row that
// cannot be deleted), none, and returns the error for the caller to show.
// An empty table is not an error. They ask nothing; callers confirm first.

// Every row of MarkingWork ("select * from MarkingWork"), rows with key 0 too.
store::Status ModMarkingWorkAllDelete();
// Every row of "select * from MarkingWork where W_ID" whose W_Data is null;
// rows with an empty but not null W_Data, and rows with key 0, stay.
store::Status ModMarkingWorkDatabaseNullRecordDelete();
// Every row of MarkingSetting ("select * from MarkingSetting").
store::Status ModMarkingDataAllDelete();

namespace store {
// The same on the Database.mdb of directory.
Status MarkingWorkAllDelete(const QString& directory);
Status MarkingWorkDatabaseNullRecordDelete(const QString& directory);
Status MarkingDataAllDelete(const QString& directory);
// Every row of table WorkReport of directory's Print.mdb ("select * from
// WorkReport"): the print copy emptied after a print.
Status PrintDataAllDelete(const QString& directory);
} // namespace store

} // namespace marking
