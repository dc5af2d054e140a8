#pragma once

#include "central/CentralSettings.h"

#include <QDate>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>

namespace marking::central {

// The criteria of the work report's searches, applied to the central table.
struct SearchCriteria {
    enum class Method {
        Today,     // R_Date = day AND R_WorkTeam = team
        DateRange, // R_Date between start and end AND R_WorkTeam = team, by date
        All,       // every row, by date
    };
    Method method = Method::All;
    QDate start; // Today: the day
    QDate end;
    int workTeam = 0; // 0..4 = A..E

    static SearchCriteria Today(int workTeam, QDate day = QDate::currentDate());
    static SearchCriteria Range(QDate start, QDate end, int workTeam);
    static SearchCriteria AllRecords();
};

// One row of the central table, as a station's WorkReport row reads with a
// Recordset: R_Date a "YYYY-MM-DD" text, R_WorkTeam, R_Length and
// R_WorkVolume numbers, texts; a null stays a null QVariant.
struct PlantRow {
    QString stationId;
    qint64 rId = 0;
    QVariant date;
    QVariant workTeam;
    QVariant markingMethod;
    QVariant data;
    QVariant length;
    QVariant workVolume;

    // By column name: "R_StationId", "R_ID", "R_Date", "R_WorkTeam",
    // "R_MarkingMethod", "R_Data", "R_Length", "R_WorkVolume" (any case);
    // an invalid QVariant for another name.
    QVariant Field(const QString& column) const;
};

struct PlantSearchResult {
    bool ok = true;
    QString reason; // Korean, names the server; never a password
    QList<PlantRow> rows;
};

// Searches the central table. Rows of one day come in station and R_ID
// order; date ranges and all rows by date, then station and R_ID.
// Blocks the calling thread (the connection attempt at most a few seconds).
// Any thread.
PlantSearchResult SearchPlant(const Settings& settings, const SearchCriteria& criteria);

// The same on a thread of its own; done runs on context's thread, and not at
// all when context is gone by then.
void SearchPlantAsync(const Settings& settings, const SearchCriteria& criteria, QObject* context,
                      std::function<void(const PlantSearchResult&)> done);

} // namespace marking::central
