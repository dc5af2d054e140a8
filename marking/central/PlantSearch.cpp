#include "central/PlantSearch.h"

#include "central/CentralServer.h"

#include <QSqlQuery>
#include <QThread>
#include <memory>

namespace marking::central {

SearchCriteria SearchCriteria::Today(int workTeam, QDate day) {
    return {Method::Today, day, day, workTeam};
}

SearchCriteria SearchCriteria::Range(QDate start, QDate end, int workTeam) {
    return {Method::DateRange, start, end, workTeam};
}

SearchCriteria SearchCriteria::AllRecords() {
    return {Method::All, {}, {}, 0};
}

QVariant PlantRow::Field(const QString& column) const {
    const QString c = column.toLower();
    if (c == u"r_stationid")
        return stationId;
    if (c == u"r_id")
        return rId;
    if (c == u"r_date")
        return date;
    if (c == u"r_workteam")
        return workTeam;
    if (c == u"r_markingmethod")
        return markingMethod;
    if (c == u"r_data")
        return data;
    if (c == u"r_length")
        return length;
    if (c == u"r_workvolume")
        return workVolume;
    return QVariant();
}

PlantSearchResult SearchPlant(const Settings& settings, const SearchCriteria& criteria) {
    PlantSearchResult result;
    const auto failed = [&result](const QString& reason) {
        result.ok = false;
        result.reason = reason;
        result.rows.clear();
        return result;
    };
    QString reason;
    const auto address = ParseUrl(settings.url, &reason);
    if (!address)
        return failed(reason);
    CentralConnection central(*address);
    if (!central.Open(&reason) || !central.EnsureSchema(&reason))
        return failed(reason);

    QString where;
    QVariantList values;
    switch (criteria.method) {
    case SearchCriteria::Method::Today:
        where = QStringLiteral("WHERE R_Date = ?::date AND R_WorkTeam = ? "
                               "ORDER BY R_StationId, R_ID");
        values = {criteria.start, criteria.workTeam};
        break;
    case SearchCriteria::Method::DateRange:
        where = QStringLiteral("WHERE R_Date BETWEEN ?::date AND ?::date AND R_WorkTeam = ? "
                               "ORDER BY R_Date, R_StationId, R_ID");
        values = {criteria.start, criteria.end, criteria.workTeam};
        break;
    case SearchCriteria::Method::All:
        where = QStringLiteral("ORDER BY R_Date, R_StationId, R_ID");
        break;
    }
    for (const QVariant& v : values)
        if (v.metaType().id() == QMetaType::QDate && !v.toDate().isValid())
            return failed(QStringLiteral("검색 일자가 올바르지 않습니다."));

    QSqlQuery q(central.Database());
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT R_StationId, R_ID, to_char(R_Date, 'YYYY-MM-DD'), "
                                  "R_WorkTeam, R_MarkingMethod, R_Data, R_Length, R_WorkVolume "
                                  "FROM WorkReport ") +
                   where))
        return failed(central.Reason(q.lastError()));
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        return failed(central.Reason(q.lastError()));
    if (q.size() > 0)
        result.rows.reserve(q.size());
    while (q.next()) {
        PlantRow row;
        row.stationId = q.value(0).toString();
        row.rId = q.value(1).toLongLong();
        row.date = q.value(2);
        row.workTeam = q.value(3);
        row.markingMethod = q.value(4);
        row.data = q.value(5);
        row.length = q.value(6);
        row.workVolume = q.value(7);
        result.rows << row;
    }
    if (q.lastError().isValid())
        return failed(central.Reason(q.lastError()));
    return result;
}

void SearchPlantAsync(const Settings& settings, const SearchCriteria& criteria, QObject* context,
                      std::function<void(const PlantSearchResult&)> done) {
    auto result = std::make_shared<PlantSearchResult>();
    QThread* thread = QThread::create(
        [settings, criteria, result] { *result = SearchPlant(settings, criteria); });
    QObject::connect(thread, &QThread::finished, context,
                     [result, done = std::move(done)] { done(*result); });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

} // namespace marking::central
