#include "store/WorkReportTable.h"

#include "store/Columns.h"
#include "store/QueryText.h"

#include <QSqlQuery>

namespace marking::store {

const QStringList& WorkReportTable::Columns() {
    static const QStringList columns{
        col::R_ID,   col::R_Date,   col::R_WorkTeam,  col::R_MarkingMethod,
        col::R_Data, col::R_Length, col::R_WorkVolume};
    return columns;
}

Result<QList<QStringList>> WorkReportTable::Read(Connection& report, const QString& queryText) {
    if (!report.IsOpen())
        return report.Error(StoreError::Kind::NotOpen,
                            QStringLiteral("연결이 열려 있지 않습니다."));
    Result<MappedQuery> mapped = MapQueryText(queryText);
    if (!mapped)
        return report.Error(mapped.error().kind, mapped.error().reason);
    if (mapped.value().table != TableName(Table::WorkReport))
        return report.Error(StoreError::Kind::UnknownQuery,
                            QStringLiteral("작업 기록의 조회문이 아닙니다: \"%1\"").arg(queryText));

    // The mapped statement with the columns named, so that every value can
    // be read as text straight from the driver.
    QString sql = mapped.value().sql;
    sql.replace(0, QStringLiteral("SELECT *").size(),
                QStringLiteral("SELECT ") + Columns().join(QStringLiteral(", ")));
    QSqlQuery q(report.Database());
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        return report.ErrorFrom(q.lastError());
    for (const QVariant& v : mapped.value().values)
        q.addBindValue(v);
    if (!q.exec())
        return report.ErrorFrom(q.lastError());
    QList<QStringList> rows;
    const int n = int(Columns().size());
    while (q.next()) {
        QStringList row;
        row.reserve(n);
        for (int i = 0; i < n; ++i)
            row << q.value(i).toString();
        rows << std::move(row);
    }
    if (q.lastError().isValid())
        return report.ErrorFrom(q.lastError());
    return rows;
}

Result<int> WorkReportTable::DeleteByKeys(Connection& report, const QList<qint64>& keys) {
    Transaction tx(report);
    if (!tx.ok())
        return tx.status().error();
    QSqlQuery q(report.Database());
    if (!q.prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                       .arg(TableName(Table::WorkReport), col::R_ID)))
        return report.ErrorFrom(q.lastError());
    int deleted = 0;
    for (const qint64 key : keys) {
        q.bindValue(0, key);
        if (!q.exec())
            return report.ErrorFrom(q.lastError()); // rolled back: nothing deleted
        deleted += q.numRowsAffected();
    }
    q.finish();
    if (Status s = tx.Commit(); !s)
        return s.error();
    return deleted;
}

} // namespace marking::store
