// markingctl report sync DIR [--central URL]: delivers the central outbox of a
// program directory once and prints {"sent": N, "pending": M}.
#include "Commands.h"

#include "central/CentralSettings.h"
#include "central/Sync.h"

#include <QDir>
#include <QJsonObject>

namespace markingctl {

int CmdReportSync(const QStringList& args) {
    const Args a(args, {QStringLiteral("central")});
    if (a.positionals().size() != 1)
        throw UsageError{QStringLiteral("expected one directory")};
    const QString dir = QDir(a.positionals().first()).absolutePath();

    marking::central::Settings settings = marking::central::ReadSettings();
    if (a.has(QStringLiteral("central")))
        settings.url = a.value(QStringLiteral("central"));
    if (!settings.Enabled())
        return DataError(QStringLiteral("중앙 보고가 설정되지 않았습니다 (CentralReport/Url 또는 "
                                        "--central URL)."));

    const marking::central::SyncResult r = marking::central::SyncOnce(settings, dir);
    QJsonObject out{{QStringLiteral("sent"), r.sent}, {QStringLiteral("pending"), r.pending}};
    if (!r.ok)
        out.insert(QStringLiteral("error"), r.reason);
    PrintJson(out);
    return r.ok ? ExitOk : ExitOutcome;
}

} // namespace markingctl
