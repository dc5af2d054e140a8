#pragma once

#include "central/PlantSearch.h"
#include "report/render/ReportTable.h"

#include <QList>
#include <QStringList>

namespace marking::report {

// The field of a plant-wide report that names the station of a row; the
// delivered layout has an optional column for it.
QString StationField(); // "R_Station"

// The fields of the rows the work report screen lists, in the order of its
// grid's columns: R_NO, R_Date, R_WorkTeam, R_MarkingMethod, R_Data,
// R_Length, R_WorkVolume, R_ID and, for the whole plant, R_Station.
const QStringList& ListedFields(bool withStation);

// A row of the central table as the screen lists it, numbered `number`:
// the texts of ListedFields(true), the work team in its listed form
// ("D   조"; another code leaves it empty), a null as an empty text.
QStringList ListedPlantRow(const central::PlantRow& row, int number);

// The rows of a plant-wide search as a report's rows (fields
// ListedFields(true)), numbered from 1 in the order given.
ReportTable PlantReportTable(const QList<central::PlantRow>& rows);

} // namespace marking::report
