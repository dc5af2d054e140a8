#pragma once

#include "central/CentralSettings.h"

#include <QString>
#include <atomic>
#include <functional>

namespace marking::central {

struct SyncOptions {
    int batchSize = 500;                     // rows per central transaction
    const std::atomic<bool>* stop = nullptr; // set: end after the current batch
    // After each delivered batch: rows sent so far in this round, rows waiting.
    std::function<void(int sent, int pending)> progress;
};

struct SyncResult {
    bool ok = true;  // false: the round ended on a failure, see reason
    int sent = 0;    // rows the server confirmed in this round
    int pending = 0; // rows still in the outbox (-1: the outbox could not be read)
    QString reason;  // Korean, names the server or the file; never a password
};

// Delivers the outbox of the Report.mdb in programDirectory to the central
// table, in order, until it is empty, a failure, or *stop. Each batch is one
// central transaction of idempotent inserts keyed by (station id, R_ID); its
// outbox rows are removed only after the server confirmed it. A row already
// there with the same values counts as delivered (an earlier round's
// confirmation was lost); with other values it is a conflict: the round stops
// there and the row waits. A missing central table is created.
// Blocks the calling thread: connection attempts are bounded by
// kConnectTimeoutSeconds. Any thread.
SyncResult SyncOnce(const Settings& settings, const QString& programDirectory,
                    const SyncOptions& options = {});

} // namespace marking::central
