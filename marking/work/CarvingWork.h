#pragma once

#include "store/StoreError.h"

#include <QStringList>
#include <optional>

// The carving work setting: the first row of "select * from CarvingWork where
// C_ID", used only while the table holds at least two rows.
namespace marking::work {

QStringList CarvingPipeItems(); // "80A(각인 높이 : 4.8mm)" .. "200A(각인 높이 : 6.4mm)"
QStringList CarvingDataItems(); // "KOREA", "TIRV"

// The stored codes of the setting row; a code that is null or no number is nullopt.
struct CarvingSetting {
    std::optional<int> pipe; // C_CarvingPipe
    std::optional<int> data; // C_CarvingData
};

// The setting, or nullopt when the table holds fewer than two rows. Database.mdb
// of directory.
store::Result<std::optional<CarvingSetting>> ReadCarvingWork(const QString& directory);

// Writes the two codes into the setting row; false (nothing written) when the
// table holds fewer than two rows.
store::Result<bool> SaveCarvingWork(const QString& directory, int pipe, int data);

} // namespace marking::work
