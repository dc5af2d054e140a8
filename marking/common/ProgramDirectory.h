#pragma once

#include <QString>

namespace marking {

// The program directory: where Database.mdb, Report.mdb, Print.mdb,
// WorkReport.rpt and WebActive.htm live. The Marking program sets it to its
// own folder at start (QCoreApplication::applicationDirPath()); tools and
// tests set it to the folder they work on. Never ends with a separator.
QString ProgramDirectory();
void SetProgramDirectory(const QString& dir);

// ProgramDirectory() + "/" + name.
QString ProgramFile(const QString& name);

} // namespace marking
