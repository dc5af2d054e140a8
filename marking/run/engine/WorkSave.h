#pragma once

#include "store/StoreError.h"

#include <QDate>
#include <QString>

namespace marking::run {

// What a work save wrote.
struct SavedWork {
    qint64 workId = 0;   // W_ID of the work recorded; 0 when the work list was empty
    qint64 reportId = 0; // R_ID of the new WorkReport row
};

// The work save: one WorkReport row in Report.mdb of the program directory
// for the head of the work list (Database.mdb): R_Date today, R_WorkTeam,
// R_MarkingMethod ("단마킹", "연속마킹", "파일마킹"; left empty for any other
// method), R_Data, R_Length of the work, R_WorkVolume the pipe count text
// (0 when it is empty). An empty work list still saves a row: method
// "단마킹", no data, length 0, team 0. With central reporting on, the
// outbox row is written in the same transaction and the sender is told after
// the commit. MarkingWorkStarted is false and MarkingText empty afterwards,
// whatever the outcome. A null W_Data, W_Length or W_WorkTeam, a count that
// is no whole number and every database failure are refused with the error;
// nothing is written then. User-interface thread only.
store::Result<SavedWork> SaveWorkData(const QString& workVolume,
                                      const QDate& today = QDate::currentDate());

// Removes the work with this W_ID from the work list (the work just
// recorded). A work that is no longer there is no error.
store::Status RemoveFinishedWork(qint64 workId);

} // namespace marking::run
