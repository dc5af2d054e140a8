#pragma once

#include <QLoggingCategory>

namespace marking::run {

// What the run screen and its links note in the log: failed steps of the
// load, the DIO control's refusals.
Q_DECLARE_LOGGING_CATEGORY(lcRun)

} // namespace marking::run
