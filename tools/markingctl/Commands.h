#pragma once

#include "Cli.h"

class QCoreApplication;

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
int CmdReport(const QStringList& args);

// The application object of a subcommand that draws (fonts, painting): a Gui
// application on the offscreen platform. The others get a QCoreApplication.
QCoreApplication* MakeOffscreenGuiApplication(int& argc, char** argv);
int CmdReportSync(const QStringList& args);

} // namespace markingctl
