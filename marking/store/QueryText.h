#pragma once

#include "store/Columns.h"
#include "store/StoreError.h"

#include <QDate>
#include <QString>
#include <QVariantList>

namespace marking::store {

// The program's query texts, made by these functions rather than spelt at
// each call site (MapQueryText below accepts every one of them):
//
//   Recordset rs;
//   rs.Open(QueryText::ByKey(Table::MarkingWork, id), conn);
//                           // "select * from MarkingWork where W_ID = 12"
namespace QueryText {

// "select * from MarkingWork": every row, rows with key 0 too.
QString All(Table table);
// "select * from MarkingWork where W_ID": every row whose key is not 0, in
// key order (the usual way to read a table).
QString AllByKey(Table table);
// "select * from MarkingWork where W_ID = 12": the row with that key.
QString ByKey(Table table, qint64 key);
// "select * from MarkingWork where w_id = 12": the same, with the key column
// in lower case, as the work list's exchange of two works writes it.
QString ByLowerCaseKey(Table table, qint64 key);
// "select * from MarkingSetting where M_MarkingMethod=0": the registered
// texts of one marking method, in key order.
QString MarkingSettingsOfMethod(int method);
// "select * from WorkReport where  R_ID order by  R_Date": the whole report
// in date order.
QString WorkReportByDate();
// "select * from WorkReport Where R_Date = '2006-09-15' AND R_WorkTeam = 2":
// one team's report of one day.
QString WorkReportOfDay(const QDate& date, int workTeam);
// "select * from WorkReport where R_Date between #2006-09-01# and
// #2006-09-30#  AND R_WorkTeam = 2 order by  R_Date": one team's report of a
// date range, both days included, in date order.
QString WorkReportBetween(const QDate& from, const QDate& to, int workTeam);

} // namespace QueryText

// A date as the program writes it into R_Date and into query texts:
// "YYYY-MM-DD" (a one-digit month or day with a leading 0). Empty for an
// invalid date, which no query accepts.
QString DateText(const QDate& date);

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
