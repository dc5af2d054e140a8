// The central-report outbox of Report.mdb.
#include "store/OutboxTable.h"

#include <QSqlQuery>

namespace marking::store {

namespace {

const QString kCreate = QStringLiteral("CREATE TABLE IF NOT EXISTS CentralOutbox ("
                                       "O_ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                                       "O_StationId TEXT NOT NULL, "
                                       "O_RId INTEGER NOT NULL, "
                                       "O_Date TEXT, O_WorkTeam INTEGER, O_MarkingMethod TEXT, "
                                       "O_Data TEXT, O_Length INTEGER, O_WorkVolume INTEGER)");

} // namespace

// Runs one statement on the connection; values are bound.
Result<QSqlQuery> OutboxTable::run(Connection& conn, const QString& sql,
                                   const QVariantList& values) {
    if (!conn.IsOpen())
        return conn.Error(StoreError::Kind::NotOpen, QStringLiteral("연결이 열려 있지 않습니다."));
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

namespace {
bool missingOutbox(const StoreError& e) {
    return e.kind == StoreError::Kind::MissingTable;
}
} // namespace

Status OutboxTable::Append(Connection& report, const QString& stationId, qint64 rId) {
    Transaction tx(report); // joins the caller's transaction
    if (!tx.ok())
        return tx.status();
    if (auto made = run(report, kCreate); !made)
        return made.error();
    auto added = run(report,
                     QStringLiteral("INSERT INTO CentralOutbox (O_StationId, O_RId, O_Date, "
                                    "O_WorkTeam, O_MarkingMethod, O_Data, O_Length, O_WorkVolume) "
                                    "SELECT ?, R_ID, R_Date, R_WorkTeam, R_MarkingMethod, R_Data, "
                                    "R_Length, R_WorkVolume FROM WorkReport WHERE R_ID = ?"),
                     {stationId, rId});
    if (!added)
        return added.error();
    if (added.value().numRowsAffected() != 1)
        return report.Error(StoreError::Kind::RowVanished,
                            QStringLiteral("작업 기록 R_ID %1이(가) 없어 중앙 전송 대기열에 "
                                           "넣을 수 없습니다.")
                                .arg(rId));
    return tx.Commit();
}

Result<int> OutboxTable::Count(Connection& report) {
    auto q = run(report, QStringLiteral("SELECT count(*) FROM CentralOutbox"));
    if (!q)
        return missingOutbox(q.error()) ? Result<int>(0) : q.error();
    return q.value().next() ? q.value().value(0).toInt() : 0;
}

Result<QList<OutboxRow>> OutboxTable::Read(Connection& report, int limit) {
    auto q = run(report,
                 QStringLiteral("SELECT O_ID, O_StationId, O_RId, O_Date, O_WorkTeam, "
                                "O_MarkingMethod, O_Data, O_Length, O_WorkVolume "
                                "FROM CentralOutbox ORDER BY O_ID LIMIT ?"),
                 {limit});
    if (!q)
        return missingOutbox(q.error()) ? Result<QList<OutboxRow>>(QList<OutboxRow>{}) : q.error();
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

Status OutboxTable::RemoveDelivered(Connection& report, qint64 outboxId) {
    Transaction tx(report);
    if (!tx.ok())
        return tx.status();
    if (auto q =
            run(report, QStringLiteral("DELETE FROM CentralOutbox WHERE O_ID <= ?"), {outboxId});
        !q)
        return q.error();
    return tx.Commit();
}

} // namespace marking::store
