#pragma once

#include "common/SharedValues.h"
#include "store/StoreError.h"

#include <QString>
#include <optional>

namespace marking {

// The settings load: refills Shared().ProgramSettings from the one row of
// table ProgramSetting in Database.mdb of the program directory. With no row
// or several rows the record stays as it was and the load succeeds. A
// database error, or a value that cannot be converted to its member (an
// empty column, a text), is returned and leaves the record as it was (no
// member is half loaded). The caller shows the error (store::ShowStoreError).
store::Status ModProgramSettingData();

namespace store {

// The load on the Database.mdb of directory, into record.
Status LoadProgramSettings(const QString& directory, ProgramSettingsRecord& record);

// A yes/no column of the one ProgramSetting row, read straight from the
// table: nullopt when the table does not hold exactly one row; an empty
// column reads as false. Database.mdb of the program directory.
Result<std::optional<bool>> ReadProgramSettingFlag(const QString& column);
// P_MarkingWorkDeleteCheck: delete the marking work list when the program ends.
Result<std::optional<bool>> ReadMarkingWorkDeleteCheck();
// P_NullRecordDelete: remove work rows without data at start.
Result<std::optional<bool>> ReadNullRecordDelete();

} // namespace store
} // namespace marking
