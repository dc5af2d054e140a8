#include "report/render/PlantReport.h"

#include "store/Columns.h"

namespace marking::report {

QString StationField() {
    return QStringLiteral("R_Station");
}

const QStringList& ListedFields(bool withStation) {
    namespace col = store::col;
    static const QStringList local{
        col::R_NO,   col::R_Date,   col::R_WorkTeam,   col::R_MarkingMethod,
        col::R_Data, col::R_Length, col::R_WorkVolume, col::R_ID};
    static const QStringList plant = local + QStringList{StationField()};
    return withStation ? plant : local;
}

QStringList ListedPlantRow(const central::PlantRow& row, int number) {
    bool isCode = false;
    const int team = row.workTeam.toInt(&isCode);
    return {QString::number(number),
            row.date.toString(),
            isCode ? WorkTeamListText(team) : QString(),
            row.markingMethod.toString(),
            row.data.toString(),
            row.length.toString(),
            row.workVolume.toString(),
            QString::number(row.rId),
            row.stationId};
}

ReportTable PlantReportTable(const QList<central::PlantRow>& rows) {
    ReportTable table;
    table.fields = ListedFields(true);
    table.records.reserve(rows.size());
    int number = 0;
    for (const central::PlantRow& row : rows)
        table.records.append(ListedPlantRow(row, ++number));
    return table;
}

} // namespace marking::report
