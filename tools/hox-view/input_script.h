// Scripted input: a text file of commands, one a line, that drives the
// viewer as a user would, so that it can run unattended (under Xvfb in the
// tests). '#' starts a comment. Commands:
//
//   wait N                     let N more frames reach the window
//   click X Y                  left click (a pick)
//   drag left|middle|right X0 Y0 X1 Y1 [STEPS]
//                              press at (X0, Y0), move to (X1, Y1) over
//                              STEPS frames (default 8), release
//   shiftdrag X0 Y0 X1 Y1 [STEPS]   the same with shift held: a region pick
//   scroll N                   N wheel steps, positive zooms in
//   key NAME                   press and release a key ("w", "f2", "]" …)
//   hold NAME N                hold a key down for N frames
//   screenshot PATH            save the window's image as PNG
//   quit                       end the run
#pragma once

#include <string>
#include <vector>

#include "view_input.h"

namespace hox_view {

struct ScriptStep {
    enum Kind { kInput, kWait, kScreenshot, kQuit };
    Kind kind = kQuit;
    InputEvent event;   // kInput
    int frames = 0;     // kWait
    std::string path;   // kScreenshot
    int line = 0;       // where in the file it came from
};

// The steps of the whole text; false with `error` naming the line of the
// first mistake.
bool parseScript(const std::string& text, std::vector<ScriptStep>& steps, std::string& error);

// Reads and parses a file.
bool loadScript(const std::string& path, std::vector<ScriptStep>& steps, std::string& error);

}  // namespace hox_view
