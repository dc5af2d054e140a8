// The work save's side of central reporting; the table itself is the store's.
#include "central/Outbox.h"

namespace marking::central {

store::Status AppendOutbox(store::Connection& report, qint64 rId) {
    return AppendOutbox(report, rId, ReadSettings());
}

store::Status AppendOutbox(store::Connection& report, qint64 rId, const Settings& settings) {
    if (!settings.Enabled())
        return {};
    const QString stationId =
        settings.stationId.trimmed().isEmpty() ? DefaultStationId() : settings.stationId.trimmed();
    return store::OutboxTable::Append(report, stationId, rId);
}

} // namespace marking::central
