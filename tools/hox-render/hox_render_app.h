// The whole program behind main(): parse, set up the library, build the
// scene, render, write the image. Exit codes: 0 done, 1 the run failed
// (unreadable scene, render or write failure, cluster unreachable), 2 the
// command line was wrong.
#pragma once

namespace hox_render {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int runHoxRender(int argc, const char* const* argv);

}  // namespace hox_render
