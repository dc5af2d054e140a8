#pragma once

#include "Cli.h"

namespace markingctl {

// One entry per subcommand; the table in main.cpp lists them.
// Add a subcommand: declare it here, define it in a file of its own, add it to the table.
int CmdDb(const QStringList& args);
int CmdCheck(const QStringList& args);
int CmdMeasure(const QStringList& args);
int CmdConvert(const QStringList& args);
int CmdFrame(const QStringList& args);
int CmdExpand(const QStringList& args);
int CmdSend(const QStringList& args);
int CmdReportSync(const QStringList& args);

} // namespace markingctl
