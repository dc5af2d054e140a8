// markingctl: the command-line companion of the Marking program.
#include "Commands.h"

#include <QCoreApplication>
#include <cstdio>
#include <utility>

using namespace markingctl;

namespace {

struct Entry {
    const char* name;
    Command run;
    const char* usage;
};

const Entry kCommands[] = {
    {"db", CmdDb, "db init [--force] DIR"},
};

void printUsage()
{
    std::fputs("usage: markingctl <subcommand> [options] [--] TEXT\nsubcommands:\n", stderr);
    for (const Entry& e : kCommands)
        std::fprintf(stderr, "  markingctl %s\n", e.usage);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    if (args.isEmpty()) {
        printUsage();
        return ExitUsage;
    }
    const QString sub = args.takeFirst();
    for (const Entry& e : kCommands) {
        if (sub == QLatin1String(e.name)) {
            try {
                return e.run(args);
            } catch (const UsageError& err) {
                std::fprintf(stderr, "markingctl %s: %s\n", e.name, qPrintable(err.message));
                std::fprintf(stderr, "usage: markingctl %s\n", e.usage);
                return ExitUsage;
            }
        }
    }
    std::fprintf(stderr, "markingctl: unknown subcommand '%s'\n", qPrintable(sub));
    printUsage();
    return ExitUsage;
}
