#pragma once

#include "controllers/hvl5/SpecialLetterTable.h"

#include <cstdint>

// The HVL-5 procedures the screens call; shared values in and out.
// User-interface thread only.
namespace marking {

// HVL5SpecialLetterTable: the 100 slots, reloaded before every conversion and
// length check.
hvl5::SpecialLetterTable& HVL5SpecialLetterTable();

// The letter width W of the HVL-5 length check, kept between checks (0 at
// program start).
std::int32_t& HVL5LetterWidth();

// Loads HVL5SpecialLetterTable from table SpecialLetter of Database.mdb in the
// program directory. With no rows the table keeps its content. A database
// error is shown (naming the file) and the result is false.
bool ModHVL5SpecialLetter();

// The HVL-5 accepts every text (RuleCheckPassed = True, no message) but one
// with a control character: that is refused with a message and the focus
// into the caller's marking data field.
void ModHVL5MarkingDataRuleCheck();

// Reloads the special letters, then writes MarkingDataLength. False (error
// shown, MarkingDataLength left as it was) when the table cannot be loaded.
bool ModHVL5MarkingDataLengthCheck();

// Reloads the special letters, then converts MarkingText into ControllerText.
// False when the table cannot be loaded or code page 949 cannot carry the
// converted text (the reason is shown, ControllerText is emptied).
bool ModHVL5DataConversion();

} // namespace marking
