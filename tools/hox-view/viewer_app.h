// The whole program behind main(): parse, set up the library and the scene,
// open the window, and run the interactive loop until the user, the script
// or --frames ends it. Exit codes: 0 done, 1 the run failed, 2 the command
// line (or the script) was wrong.
#pragma once

namespace hox_view {

int runHoxView(int argc, const char* const* argv);

}  // namespace hox_view
