// The outbox table of Report.mdb. The only code of this unit that writes SQL
// against a station's own files.
#include "central/Outbox.h"

#include <QSqlQuery>

namespace marking::central {

namespace {

const QString kCreate = QStringLiteral("CREATE TABLE IF NOT EXISTS CentralOutbox ("
                                       "O_ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                                       "O_StationId TEXT NOT NULL, "
                                       "O_RId INTEGER NOT NULL, "
                                       "O_Date TEXT, O_WorkTeam INTEGER, O_MarkingMethod TEXT, "
                                       "O_Data TEXT, O_Length INTEGER, O_WorkVolume INTEGER)");

// Runs one statement on the connection; values are bound.
store::Result<QSqlQuery> run(store::Connection& conn, const QString& sql,
                             const QVariantList& values = {}) {
    if (!conn.IsOpen())
        return conn.Error(store::StoreError::Kind::NotOpen,
                          QStringLiteral("연결이 열려 있지 않습니다."));
    QSqlQuery q(conn.Database());
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        return conn.ErrorFrom(q.lastError());
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        return conn.ErrorFrom(q.lastError());
    return q;
}

bool missingOutbox(const store::StoreError& e) {
    return e.kind == store::StoreError::Kind::MissingTable;
}

} // namespace

store::Status AppendOutbox(store::Connection& report, qint64 rId) {
    return AppendOutbox(report, rId, ReadSettings());
}

store::Status AppendOutbox(store::Connection& report, qint64 rId, const Settings& settings) {
    if (!settings.Enabled())
        return {};
    store::Transaction tx(report); // joins the caller's transaction
    if (!tx.ok())
        return tx.status();
    if (auto made = run(report, kCreate); !made)
        return made.error();
    const QString stationId =
        settings.stationId.trimmed().isEmpty() ? DefaultStationId() : settings.stationId.trimmed();
    auto added = run(report,
                     QStringLiteral("INSERT INTO CentralOutbox (O_StationId, O_RId, O_Date, "
                                    "O_WorkTeam, O_MarkingMethod, O_Data, O_Length, O_WorkVolume) "
                                    "SELECT ?, R_ID, R_Date, R_WorkTeam, R_MarkingMethod, R_Data, "
                                    "R_Length, R_WorkVolume FROM WorkReport WHERE R_ID = ?"),
                     {stationId, rId});
    if (!added)
        return added.error();
    if (added.value().numRowsAffected() != 1)
        return report.Error(store::StoreError::Kind::RowVanished,
                            QStringLiteral("작업 기록 R_ID %1이(가) 없어 중앙 전송 대기열에 "
                                           "넣을 수 없습니다.")
                                .arg(rId));
    return tx.Commit();
}

store::Result<int> CountOutbox(store::Connection& report) {
    auto q = run(report, QStringLiteral("SELECT count(*) FROM CentralOutbox"));
    if (!q)
        return missingOutbox(q.error()) ? store::Result<int>(0) : q.error();
    return q.value().next() ? q.value().value(0).toInt() : 0;
}

store::Result<QList<OutboxRow>> ReadOutbox(store::Connection& report, int limit) {
    auto q = run(report,
                 QStringLiteral("SELECT O_ID, O_StationId, O_RId, O_Date, O_WorkTeam, "
                                "O_MarkingMethod, O_Data, O_Length, O_WorkVolume "
                                "FROM CentralOutbox ORDER BY O_ID LIMIT ?"),
                 {limit});
    if (!q)
        return missingOutbox(q.error()) ? store::Result<QList<OutboxRow>>(QList<OutboxRow>{})
                                        : q.error();
    QList<OutboxRow> rows;
    QSqlQuery& r = q.value();
    while (r.next()) {
        OutboxRow row;
        row.outboxId = r.value(0).toLongLong();
        row.stationId = r.value(1).toString();
        row.rId = r.value(2).toLongLong();
        for (int i = 3; i < 9; ++i)
            row.values << r.value(i);
        rows << row;
    }
    return rows;
}

store::Status RemoveDelivered(store::Connection& report, qint64 outboxId) {
    store::Transaction tx(report);
    if (!tx.ok())
        return tx.status();
    if (auto q =
            run(report, QStringLiteral("DELETE FROM CentralOutbox WHERE O_ID <= ?"), {outboxId});
        !q)
        return q.error();
    return tx.Commit();
}

} // namespace marking::central
