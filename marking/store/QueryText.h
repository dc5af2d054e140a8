#pragma once

#include "store/StoreError.h"

#include <QString>
#include <QVariantList>

namespace marking::store {

// A query text of the program mapped to SQLite: the table it reads, its key
// column, the statement to run and the values to bind to its "?" marks.
struct MappedQuery {
    QString text;  // the query text as the program issued it
    QString table; // as the schema spells it
    QString key;
    QString sql;
    QVariantList values;
};

// The one place where the program's query texts become SQL. Known texts:
//   "select * from <T>"                       every row, in key order
//   "select * from <T> where <key>"           every row whose key is not 0, key order
//   "select * from <T> where <key> = " + n    the row with that key
//   "select * from MarkingSetting where M_MarkingMethod=" + n
//   "select * from WorkReport where  R_ID order by  R_Date"
//   "select * from WorkReport Where R_Date = '" + date + "' AND R_WorkTeam = " + n
//   "select * from WorkReport where R_Date between #" + date + "# and #" + date + "#"
//       [+ " AND R_WorkTeam = " + n] [+ " order by  R_Date"]
// for the tables ProgramSetting, MarkingSetting, MarkingWork, CarvingWork,
// SpecialLetter and WorkReport. Letter case of the fixed words does not
// matter. Appended numbers and dates are parsed and bound (dates as
// "YYYY-MM-DD", so that they compare as dates); anything else is refused
// with an UnknownQuery error.
Result<MappedQuery> MapQueryText(const QString& text);

// Parses a date text as the program writes it ("YYYY-MM-DD"; one-digit month
// and day are accepted too). Invalid QDate when it is not a date.
QDate ParseDateText(const QString& text);

} // namespace marking::store
