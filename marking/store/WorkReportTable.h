#pragma once

#include "store/Connection.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace marking::store {

// Work on table WorkReport of Report.mdb that a row walk of a Recordset does
// too slowly once the report holds a hundred thousand finished works: the
// report screen's searches and the deletion of its listed records.
class WorkReportTable {
public:
    // The columns Read gives, in this order.
    static const QStringList& Columns(); // R_ID, R_Date, R_WorkTeam, ... R_WorkVolume

    // The rows of one of the program's WorkReport query texts (QueryText::
    // WorkReportOfDay, WorkReportBetween, WorkReportByDate, AllByKey), in the
    // query's order, each as the texts of Columns(): numbers in decimal, a
    // null as an empty text. Another table's text is an UnknownQuery error.
    static Result<QList<QStringList>> Read(Connection& report, const QString& queryText);

    // Deletes the rows with these keys in one transaction (joined when the
    // caller has one open): all of them or, when anything fails, none. A key
    // the table does not hold deletes nothing, as a scan that finds no such
    // row. Returns how many rows were deleted.
    static Result<int> DeleteByKeys(Connection& report, const QList<qint64>& keys);
};

} // namespace marking::store
