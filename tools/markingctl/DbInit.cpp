// markingctl db init [--force] DIR: makes the three database files of a
// program directory with every table and the initial rows.
#include "Commands.h"

#include "report/render/ReportLayout.h"
#include "store/Schema.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

namespace markingctl {

int CmdDb(const QStringList& args) {
    if (args.isEmpty() || args.first() != QLatin1String("init"))
        throw UsageError{QStringLiteral("expected 'init'")};
    const Args a(args.mid(1), {}, {QStringLiteral("force")});
    if (a.positionals().size() != 1)
        throw UsageError{QStringLiteral("expected one directory")};
    if (a.positionals().first().isEmpty())
        throw UsageError{QStringLiteral("the directory must not be empty")};
    const QString dir = QDir(a.positionals().first()).absolutePath();

    const marking::store::Status made =
        marking::store::CreateDatabaseFiles(dir, a.has(QStringLiteral("force")));
    if (!made)
        return DataError(made.error().Text());
    if (const auto layout =
            marking::report::WriteDefaultLayout(dir, a.has(QStringLiteral("force")));
        !layout)
        return DataError(layout.error().Text());

    QJsonArray files;
    for (marking::store::DatabaseFile f : marking::store::AllDatabaseFiles())
        files.append(marking::store::FileName(f));
    PrintJson(QJsonObject{{QStringLiteral("directory"), dir}, {QStringLiteral("created"), files}});
    return ExitOk;
}

} // namespace markingctl
