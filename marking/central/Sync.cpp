#include "central/Sync.h"

#include "central/CentralServer.h"
#include "central/Outbox.h"

#include <QDate>
#include <QSet>
#include <QSqlQuery>
#include <QStringList>

namespace marking::central {

namespace {

using Key = std::pair<QString, qint64>;

constexpr int kValueColumns = 6; // R_Date .. R_WorkVolume

// A stored value in one comparable form: null, or its text (dates as YYYY-MM-DD).
QString comparable(const QVariant& v) {
    if (v.isNull())
        return QString();
    if (v.metaType().id() == QMetaType::QDate)
        return v.toDate().toString(Qt::ISODate);
    const QString s = v.toString();
    return s.isNull() ? QStringLiteral("") : s;
}

bool sameValues(const QVariantList& a, const QVariantList& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const QString x = comparable(a[i]);
        const QString y = comparable(b[i]);
        if (x.isNull() != y.isNull() || x != y)
            return false;
    }
    return true;
}

struct BatchOutcome {
    int delivered = 0; // leading rows of the batch now in the central table
    bool ok = true;
    bool missingTable = false;
    QString reason;
};

QString placeholders(int rows, const QString& one) {
    QStringList list;
    list.reserve(rows);
    for (int i = 0; i < rows; ++i)
        list << one;
    return list.join(u',');
}

// Sends rows in one transaction. Rows the server already has are compared;
// at the first that differs nothing of the batch is kept but the rows before it.
BatchOutcome deliver(CentralConnection& central, const QList<OutboxRow>& rows) {
    BatchOutcome out;
    QSqlDatabase db = central.Database();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const auto fail = [&](const QSqlError& e) {
        out.ok = false;
        out.missingTable = CentralConnection::IsMissingTable(e);
        out.reason = central.Reason(e);
        q = QSqlQuery();
        db.rollback();
        return out;
    };
    if (!db.transaction()) {
        out.ok = false;
        out.reason = central.Reason(db.lastError());
        return out;
    }
    const QString insert =
        QStringLiteral("INSERT INTO WorkReport (R_StationId, R_ID, R_Date, R_WorkTeam, "
                       "R_MarkingMethod, R_Data, R_Length, R_WorkVolume) VALUES %1 "
                       "ON CONFLICT (R_StationId, R_ID) DO NOTHING RETURNING R_StationId, R_ID")
            .arg(placeholders(rows.size(), QStringLiteral("(?::text, ?::bigint, ?::date, "
                                                          "?::smallint, ?::text, ?::text, "
                                                          "?::integer, ?::integer)")));
    if (!q.prepare(insert))
        return fail(q.lastError());
    for (const OutboxRow& r : rows) {
        q.addBindValue(r.stationId);
        q.addBindValue(r.rId);
        for (const QVariant& v : r.values)
            q.addBindValue(v);
    }
    if (!q.exec())
        return fail(q.lastError());
    QSet<Key> inserted;
    while (q.next())
        inserted.insert({q.value(0).toString(), q.value(1).toLongLong()});

    // Rows the insert skipped: the server had the key already (or an earlier
    // row of this batch had it). Each is checked against what is there now.
    QList<bool> skipped;
    QList<const OutboxRow*> already;
    QSet<Key> claimed;
    for (const OutboxRow& r : rows) {
        const Key key{r.stationId, r.rId};
        const bool fresh = inserted.contains(key) && !claimed.contains(key);
        claimed.insert(key);
        skipped << !fresh;
        if (!fresh)
            already << &r;
    }
    if (!already.isEmpty()) {
        const QString select =
            QStringLiteral("SELECT R_StationId, R_ID, R_Date, R_WorkTeam, R_MarkingMethod, "
                           "R_Data, R_Length, R_WorkVolume FROM WorkReport "
                           "WHERE (R_StationId, R_ID) IN (%1)")
                .arg(placeholders(already.size(), QStringLiteral("(?::text, ?::bigint)")));
        if (!q.prepare(select))
            return fail(q.lastError());
        for (const OutboxRow* r : already) {
            q.addBindValue(r->stationId);
            q.addBindValue(r->rId);
        }
        if (!q.exec())
            return fail(q.lastError());
        QHash<Key, QVariantList> existing;
        while (q.next()) {
            QVariantList values;
            for (int i = 2; i < 2 + kValueColumns; ++i)
                values << q.value(i);
            existing.insert({q.value(0).toString(), q.value(1).toLongLong()}, values);
        }
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const OutboxRow& r = rows[i];
            if (!skipped[i])
                continue;
            const auto it = existing.constFind({r.stationId, r.rId});
            if (it != existing.constEnd() && sameValues(*it, r.values))
                continue;
            // Another station with the same StationId, or a renewed Report.mdb.
            q = QSqlQuery();
            db.rollback();
            BatchOutcome before;
            if (i > 0)
                before = deliver(central, rows.mid(0, i));
            before.ok = false;
            if (before.reason.isEmpty())
                before.reason =
                    QStringLiteral("중앙 서버에 스테이션 '%1'의 작업 기록 R_ID %2이(가) 다른 "
                                   "내용으로 이미 있습니다. 같은 StationId를 쓰는 스테이션이 "
                                   "있는지 확인하십시오 (%3).")
                        .arg(r.stationId)
                        .arg(r.rId)
                        .arg(central.Address().Display());
            return before;
        }
    }
    q = QSqlQuery();
    if (!db.commit()) {
        out.ok = false;
        out.reason = central.Reason(db.lastError());
        return out;
    }
    out.delivered = int(rows.size());
    return out;
}

} // namespace

SyncResult SyncOnce(const Settings& settings, const QString& programDirectory,
                    const SyncOptions& options) {
    SyncResult result;
    store::Connection local;
    const auto failed = [&result, &local](const QString& reason) {
        result.ok = false;
        result.reason = reason;
        if (local.IsOpen())
            if (const auto left = CountOutbox(local); left)
                result.pending = left.value();
        return result;
    };
    if (const store::Status s = local.Open(programDirectory, store::DatabaseFile::Report); !s) {
        result.pending = -1;
        return failed(s.error().Text());
    }
    const auto count = CountOutbox(local);
    if (!count) {
        result.pending = -1;
        return failed(count.error().Text());
    }
    result.pending = count.value();
    if (result.pending == 0)
        return result;

    QString reason;
    const auto address = ParseUrl(settings.url, &reason);
    if (!address)
        return failed(reason);
    CentralConnection central(*address);
    if (!central.Open(&reason) || !central.EnsureSchema(&reason))
        return failed(reason);

    const int batchSize = std::max(1, options.batchSize);
    while (!(options.stop && options.stop->load())) {
        const auto batch = ReadOutbox(local, batchSize);
        if (!batch)
            return failed(batch.error().Text());
        if (batch.value().isEmpty())
            break;
        BatchOutcome b = deliver(central, batch.value());
        if (b.missingTable) { // dropped by hand since we looked
            qCWarning(lcCentral).noquote()
                << "the central table is missing on" << address->Display() << "; creating it";
            if (!central.EnsureSchema(&reason))
                return failed(reason);
            b = deliver(central, batch.value());
        }
        if (b.delivered > 0) {
            const store::Status removed =
                RemoveDelivered(local, batch.value().at(b.delivered - 1).outboxId);
            if (!removed) // delivered, yet still in the outbox: the next round finds them there
                return failed(removed.error().Text());
            result.sent += b.delivered;
            result.pending = std::max(0, result.pending - b.delivered);
            if (options.progress)
                options.progress(result.sent, result.pending);
        }
        if (!b.ok)
            return failed(b.reason);
    }
    if (const auto left = CountOutbox(local); left)
        result.pending = left.value();
    return result;
}

} // namespace marking::central
