#pragma once

namespace marking::shell {

// The screens of this build, registered with the main window.
void RegisterDeliveredScreens();

// The whole program: program directory, message port, main window, the
// single-instance rule, the event loop. Returns the exit code.
//
// Two environment variables serve the tools around the program (it takes
// no arguments):
//   MARKING_SCREENSHOT_DIR  save a PNG of every screen and dialog there, then end
//   MARKING_EXIT_AFTER_SHOW print "shown rss_kb=<n>" once the first screen is
//                           shown, then end (start-up benchmark)
int RunMarkingProgram(int argc, char** argv);

} // namespace marking::shell
