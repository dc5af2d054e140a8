#pragma once

#include "central/CentralSettings.h"
#include "store/Connection.h"
#include "store/OutboxTable.h"

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

using store::OutboxRow;

// The outbox as the sender walks it. A Report.mdb without the outbox table has
// no waiting rows.
inline store::Result<int> CountOutbox(store::Connection& report) {
    return store::OutboxTable::Count(report);
}
// The first rows of the outbox, at most limit, in order.
inline store::Result<QList<OutboxRow>> ReadOutbox(store::Connection& report, int limit) {
    return store::OutboxTable::Read(report, limit);
}
// Removes the delivered rows: every row up to and including outboxId.
inline store::Status RemoveDelivered(store::Connection& report, qint64 outboxId) {
    return store::OutboxTable::RemoveDelivered(report, outboxId);
}

} // namespace marking::central
