#pragma once

#include "controllers/hvl5/SpecialLetterTable.h"
#include "store/StoreError.h"

namespace marking::hvl5 {

// Reads the slots of table SpecialLetter of Database.mdb in directory, in key
// order: the first 100 rows. No rows at all gives an empty list (the caller
// keeps the table it has); 1 to 99 rows is an error, since every slot of both
// banks must be known. User-interface thread only.
store::Result<std::vector<SpecialLetter>> ReadSpecialLetters(const QString& directory);

} // namespace marking::hvl5
