#include "central/CentralSettings.h"

#include <QSettings>
#include <QSysInfo>
#include <QUrl>
#include <QUrlQuery>

namespace marking::central {

QString DefaultStationId() {
    const QString host = QSysInfo::machineHostName().trimmed();
    return host.isEmpty() ? QStringLiteral("station") : host;
}

// The one place that reads the settings store for central reporting.
Settings ReadSettings() {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope,
                    QStringLiteral("Marking Program"), QStringLiteral("Marking Program"));
    store.beginGroup(QStringLiteral("CentralReport"));
    Settings s;
    s.url = store.value(QStringLiteral("Url")).toString().trimmed();
    s.stationId = store.value(QStringLiteral("StationId")).toString().trimmed();
    if (s.stationId.isEmpty())
        s.stationId = DefaultStationId();
    return s;
}

QString ServerAddress::Display() const {
    return QStringLiteral("%1@%2:%3/%4").arg(user, host).arg(port).arg(database);
}

std::optional<ServerAddress> ParseUrl(const QString& text, QString* error) {
    const auto fail = [error](const QString& why) -> std::optional<ServerAddress> {
        if (error)
            *error = QStringLiteral("중앙 보고 Url이 올바르지 않습니다: %1").arg(why);
        return std::nullopt;
    };
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid())
        return fail(QStringLiteral("형식 postgresql://사용자[:암호]@호스트:포트/데이터베이스"));
    if (url.scheme() != u"postgresql" && url.scheme() != u"postgres")
        return fail(QStringLiteral("postgresql://로 시작해야 합니다"));
    ServerAddress a;
    a.host = url.host(QUrl::FullyDecoded);
    a.port = url.port(5432);
    a.database = url.path(QUrl::FullyDecoded).mid(1);
    a.user = url.userName(QUrl::FullyDecoded);
    a.password = url.password(QUrl::FullyDecoded);
    if (a.host.isEmpty())
        return fail(QStringLiteral("호스트가 없습니다"));
    if (a.user.isEmpty())
        return fail(QStringLiteral("사용자 이름이 없습니다"));
    if (a.database.isEmpty() || a.database.contains(u'/'))
        return fail(QStringLiteral("데이터베이스 이름이 없습니다"));
    const QUrlQuery query(url);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key != u"sslmode")
            return fail(QStringLiteral("지원하지 않는 옵션 %1").arg(key));
        static const QStringList modes{"disable", "allow",     "prefer",
                                       "require", "verify-ca", "verify-full"};
        if (!modes.contains(value))
            return fail(QStringLiteral("sslmode %1").arg(value));
        a.sslMode = value;
    }
    return a;
}

} // namespace marking::central
