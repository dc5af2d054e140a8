// markingctl: the command-line companion of the Marking program.
#include "Commands.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

using namespace markingctl;

namespace {

struct Entry {
    const char* name;
    Command run;
    const char* usage;
    QCoreApplication* (*makeApplication)(int& argc, char** argv) = nullptr; // default: Core
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
    {"report", CmdReport,
     "report --pdf FILE DIR | report --central URL --pdf FILE [--from DATE --to DATE] [--team N] "
     "[DIR]",
     MakeOffscreenGuiApplication},
    {"report sync", CmdReportSync, "report sync DIR [--central URL]"},
};

// The entry for the arguments: a two-word name ("report sync") before a one-word one.
const Entry* findEntry(const QStringList& args) {
    const QString two = args.size() > 1 ? args[0] + u' ' + args[1] : QString();
    for (const Entry& e : kCommands)
        if (!two.isEmpty() && two == QLatin1String(e.name))
            return &e;
    for (const Entry& e : kCommands)
        if (args[0] == QLatin1String(e.name))
            return &e;
    return nullptr;
}

void printUsage() {
    std::fputs("usage: markingctl <subcommand> [options] [--] TEXT\nsubcommands:\n", stderr);
    for (const Entry& e : kCommands)
        std::fprintf(stderr, "  markingctl %s\n", e.usage);
}

} // namespace

int main(int argc, char** argv) {
    const Entry* entry = nullptr;
    for (const Entry& e : kCommands) {
        if (argc > 1 && std::strcmp(argv[1], e.name) == 0)
            entry = &e;
    }
    const std::unique_ptr<QCoreApplication> app(entry && entry->makeApplication
                                                    ? entry->makeApplication(argc, argv)
                                                    : new QCoreApplication(argc, argv));
    QStringList args = app->arguments();
    args.removeFirst();
    if (args.isEmpty()) {
        printUsage();
        return ExitUsage;
    }
    if (const Entry* e = findEntry(args)) {
        args = args.mid(QString::fromLatin1(e->name).count(u' ') + 1);
        try {
            return e->run(args);
        } catch (const UsageError& err) {
            std::fprintf(stderr, "markingctl %s: %s\n", e->name, qPrintable(err.message));
            std::fprintf(stderr, "usage: markingctl %s\n", e->usage);
            return ExitUsage;
        }
    }
    std::fprintf(stderr, "markingctl: unknown subcommand '%s'\n", qPrintable(args.first()));
    printUsage();
    return ExitUsage;
}
