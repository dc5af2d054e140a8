#pragma once

#include "report/render/ReportError.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace marking::report {

// The rows a report is drawn over, as plain data: the names of the fields
// and, per record, one text per field in that order. Where the rows come from
// (Print.mdb, a central database ...) is the caller's business.
struct ReportTable {
    QStringList fields;
    QList<QStringList> records;

    // Index of a field by name (letter case ignored), -1 when there is none.
    int FieldIndex(const QString& name) const;
    // Appends one record; missing trailing values are empty, extra ones dropped.
    void Append(QStringList values);
};

// The work team as the work report lists it: 0..4 -> "A   조" .. "E   조"
// (three blanks), empty for another code.
QString WorkTeamListText(int team);

// A team value of a row as the report shows it: a code 0..4 or a name with
// any spacing ("D 조", "D   조", "D조") becomes the listed form; anything
// else stays as it is (trimmed).
QString NormalizeWorkTeam(const QString& value);

// The rows of table WorkReport of Print.mdb in directory, in key order,
// read through the store with the program's own query text. Nulls become
// empty texts. A missing or unreadable file is an error naming it.
ReportResult<ReportTable> ReadPrintRows(const QString& directory);

} // namespace marking::report
