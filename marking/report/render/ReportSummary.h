#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace marking::report {

struct ReportTable;

// The totals at the end of a report: pipes per work team, per day and per
// day and team. A row whose pipe count is not a number is left out of every
// sum and counted in nonNumericRows.
struct ReportSummary {
    QStringList teams; // as listed ("A   조" ...), known teams first in code order
    QStringList days;  // "YYYY-MM-DD" in date order, then texts that are not dates
    QList<double> teamPipes;
    QList<int> teamRows; // rows with a numeric count, per team
    QList<double> dayPipes;
    QList<QList<double>> dayTeamPipes; // [day][team]
    double totalPipes = 0;
    int numericRows = 0;
    int nonNumericRows = 0;
    QList<int> nonNumericRecords; // indexes into the table's records
};

// A pipe count as a number: the trimmed text as a finite decimal number
// ("12", "-3", "1.5"); nothing for "", "abc", "12개", "inf".
std::optional<double> ParseCount(const QString& text);

// The totals of table over its fields team, date and count (-1: the field
// is missing, every row then falls in one unnamed group).
ReportSummary Summarize(const ReportTable& table, int teamField, int dateField, int countField);

// A sum as printed: whole numbers without a fraction, others with up to two
// decimals.
QString FormatCount(double value);

} // namespace marking::report
