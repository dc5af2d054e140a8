#pragma once

#include "central/CentralSettings.h"
#include "store/Connection.h"

#include <QList>
#include <QVariant>

namespace marking::central {

// Adds the outbox row of WorkReport row rId: the station id, R_ID and the
// row's values as stored. The work save calls it on its Report.mdb connection
// inside its own transaction, after the WorkReport row was stored, so both
// rows are committed together or neither is:
//
//     store::Transaction tx(report);
//     ... rs.AddNew(); rs.SetField(...); rs.Update(); ...
//     if (const auto s = central::AppendOutbox(report, rs.Field("R_ID").toLongLong()); !s) ...
//     tx.Commit();
//     central::NotifyOutboxChanged();
//
// With central reporting off it does nothing (no table is made, nothing is
// written). The outbox table is made in that transaction when it is missing.
store::Status AppendOutbox(store::Connection& report, qint64 rId);
store::Status AppendOutbox(store::Connection& report, qint64 rId, const Settings& settings);

// One waiting row of the outbox.
struct OutboxRow {
    qint64 outboxId = 0; // order of the outbox
    QString stationId;
    qint64 rId = 0;
    // R_Date, R_WorkTeam, R_MarkingMethod, R_Data, R_Length, R_WorkVolume as stored.
    QVariantList values;
};

// The outbox as the sender walks it. A Report.mdb without the outbox table has
// no waiting rows.
store::Result<int> CountOutbox(store::Connection& report);
// The first rows of the outbox, at most limit, in order.
store::Result<QList<OutboxRow>> ReadOutbox(store::Connection& report, int limit);
// Removes the delivered rows: every row up to and including outboxId.
store::Status RemoveDelivered(store::Connection& report, qint64 outboxId);

} // namespace marking::central
