#pragma once

#include "Cli.h"

namespace markingctl {

// One entry per subcommand; the table in main.cpp lists them.
// Add a subcommand: declare it here, define it in a file of its own, add it to the table.
int CmdDb(const QStringList& args);

} // namespace markingctl
