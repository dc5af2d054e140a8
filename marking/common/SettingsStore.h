#pragma once

#include <QSettings>
#include <QString>
#include <memory>

namespace marking {

// The per-user settings store of the program: application "Marking Program"
// (on Linux ~/.config/Marking Program/Marking Program.conf).
std::unique_ptr<QSettings> OpenSettings();

// Writes one value and makes sure it reached the store. Returns an empty
// string on success, otherwise a Korean message naming the file and reason.
QString WriteSetting(const QString& key, const QString& value);

// The installation option "Options/WorkReport": when it is on, the main
// window offers the work report (MnuReport) and the run screen offers
// "작업 완료[F5]", which records the current work. Off unless the station's
// settings store says true.
bool WorkReportOptionEnabled();

} // namespace marking
