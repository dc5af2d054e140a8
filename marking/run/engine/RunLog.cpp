#include "run/engine/RunLog.h"

namespace marking::run {

Q_LOGGING_CATEGORY(lcRun, "marking.run", QtInfoMsg)

} // namespace marking::run
