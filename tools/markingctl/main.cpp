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
    {"check", CmdCheck, "check --controller C [--caller N] [--] TEXT"},
    {"measure", CmdMeasure,
     "measure --controller C --method M --parenthesis P --repetition N --dot DD --interval LI "
     "--revision R [--width W] [--db DIR] [--] TEXT"},
    {"convert", CmdConvert, "convert --controller C [--db DIR] [--] TEXT"},
    {"frame", CmdFrame, "frame --controller C [--db DIR] [--] TEXT"},
    {"expand", CmdExpand,
     "expand --controller C --length L --repetition N --parenthesis P --pipe-side S --dot DD "
     "--interval LI --revision R [--width W] [--db DIR] [--] TEXT"},
    {"send", CmdSend,
     "send --controller trx20|trx30|hvl5 (--com N | --port PATH) [--db DIR] [--unchecked] [--] "
     "TEXT"},
};

void printUsage() {
    std::fputs("usage: markingctl <subcommand> [options] [--] TEXT\nsubcommands:\n", stderr);
    for (const Entry& e : kCommands)
        std::fprintf(stderr, "  markingctl %s\n", e.usage);
}

} // namespace

int main(int argc, char** argv) {
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
