#pragma once

#include "store/Connection.h"

#include <QList>
#include <QString>
#include <QVariantList>

namespace marking::store {

// One waiting row of the central-report outbox.
struct OutboxRow {
    qint64 outboxId = 0; // order of the outbox
    QString stationId;
    qint64 rId = 0;
    // R_Date, R_WorkTeam, R_MarkingMethod, R_Data, R_Length, R_WorkVolume as stored.
    QVariantList values;
};

// The outbox that central reporting keeps in Report.mdb beside WorkReport
// (table CentralOutbox). The delivered schema does not have it: Append makes
// it on first use, in the caller's transaction, so a station that never
// turns central reporting on keeps its files exactly as delivered.
class OutboxTable {
public:
    // Copies WorkReport row rId, as stored, into the outbox under stationId.
    // Joins the caller's transaction.
    static Status Append(Connection& report, const QString& stationId, qint64 rId);
    // Waiting rows; a file without the table has none.
    static Result<int> Count(Connection& report);
    // The first rows, at most limit, in order.
    static Result<QList<OutboxRow>> Read(Connection& report, int limit);
    // Removes every row up to and including outboxId.
    static Status RemoveDelivered(Connection& report, qint64 outboxId);

private:
    static Result<QSqlQuery> run(Connection& conn, const QString& sql,
                                 const QVariantList& values = {});
};

} // namespace marking::store
