// The small parts: the command line, the script language (every command, the
// expansion of drags and holds, errors naming the line), the pick lines and
// the frame rate. (The title readout's text is checked through the program.)
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "frame_rate.h"
#include "input_script.h"
#include "pick_report.h"
#include "view_options.h"

namespace hox_view {
namespace {

ViewParse parse(std::vector<const char*> args, ViewOptions& options, std::string& error) {
    args.insert(args.begin(), "hox-view");
    return parseViewOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(ViewOptions, ReadsEveryOption) {
    ViewOptions o;
    std::string error;
    ASSERT_EQ(ViewParse::kRun, parse({"scene.glb", "-W", "320", "-H", "240", "--threads", "2", "--rate", "-2",
                                      "--max-rate", "3", "--frames", "10", "--screenshot", "a.png", "--script",
                                      "s.txt", "--cvar", "rt_debugShade=1"},
                                     o, error))
        << error;
    EXPECT_EQ("scene.glb", o.sceneFile);
    EXPECT_EQ(320, o.width);
    EXPECT_EQ(240, o.height);
    EXPECT_EQ(2, o.threads);
    EXPECT_EQ(-2, o.samplingRate);
    EXPECT_EQ(3, o.maxRate);
    EXPECT_EQ(10, o.frames);
    EXPECT_EQ("a.png", o.screenshot);
    EXPECT_EQ("s.txt", o.script);
    ASSERT_EQ(1u, o.cvars.size());
    EXPECT_EQ("rt_debugShade", o.cvars[0].first);
    EXPECT_EQ("1", o.cvars[0].second);
}

TEST(ViewOptions, RefusesWhatItCannotUse) {
    const std::vector<std::vector<const char*>> bad = {
        {"-W"}, {"-W", "0"}, {"-W", "12x"}, {"--rate", "1"}, {"--rate", "0", "--max-rate", "-1"},
        {"--frames", "0"}, {"--bogus"}, {"a.obj", "b.obj"}, {"--cvar", "=1"}, {"--script"}};
    for (const auto& args : bad) {
        ViewOptions o;
        std::string error;
        EXPECT_EQ(ViewParse::kError, parse(args, o, error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
    ViewOptions o;
    std::string error;
    EXPECT_EQ(ViewParse::kHelp, parse({"--help"}, o, error));
}

// What the program tests do not reach: a miss, an object without a name, and
// the count and bounds of a region pick. (Named picks are parsed there.)
TEST(PickReport, MissesUnnamedObjectsAndRegionCountsAreReported) {
    hox::SelectionResult hit{};
    hit.valid = hox::SelectionResult::VALID_OBJECT | hox::SelectionResult::VALID_DISTANCE |
                hox::SelectionResult::VALID_POSITION | hox::SelectionResult::VALID_BOUNDS;
    hit.object = 0x90000007u;
    hit.boundsMax = {1, 1, 1};
    const ObjectNamer namer = [](unsigned v) { return v == 0x90000007u ? std::string("gold sphere") : ""; };
    EXPECT_EQ("pick: nothing at (5, 6)", describePixelPick(nullptr, 5, 6, namer));
    const auto window = describeRegionPick({hit, hit}, 0, 0, 10, 10, namer);
    ASSERT_EQ(3u, window.size());
    EXPECT_EQ("region (window) (0, 0)-(10, 10): 2 object(s)", window[0]);
    EXPECT_NE(std::string::npos,
              window[1].find("\"gold sphere\" bounds (0.000, 0.000, 0.000)-(1.000, 1.000, 1.000)"));
    EXPECT_EQ(1u, describeRegionPick({}, 10, 0, 0, 10, namer).size());
    hit.object = 0x90000008u;
    EXPECT_NE(std::string::npos, describePixelPick(&hit, 5, 6, namer).find("object 0x90000008"));
}

TEST(FrameRate, AveragesOverTheLastSecond) {
    FrameRate rate;
    EXPECT_EQ(0.0, rate.perSecond());
    rate.frameShown(0.0);
    EXPECT_EQ(0.0, rate.perSecond());
    for (int i = 1; i <= 20; ++i) rate.frameShown(i * 0.1);  // 10 fps for two seconds
    EXPECT_NEAR(10.0, rate.perSecond(), 0.5);
    for (int i = 1; i <= 60; ++i) rate.frameShown(2.0 + i * 0.025);  // then 40 fps for 1.5 s
    EXPECT_NEAR(40.0, rate.perSecond(), 2.0);
}

std::vector<ScriptStep> parsed(const std::string& text) {
    std::vector<ScriptStep> steps;
    std::string error;
    EXPECT_TRUE(parseScript(text, steps, error)) << error;
    return steps;
}

TEST(InputScript, CommandsBecomeStepsAndCommentsAreSkipped) {
    const auto steps = parsed("# a comment\n\n   wait 3   # trailing\nkey F2\nhold w 5\nscroll -2\n"
                              "screenshot /tmp/x.png\nclick 10 20\nquit\n");
    ASSERT_EQ(11u, steps.size());
    EXPECT_EQ(ScriptStep::kWait, steps[0].kind);
    EXPECT_EQ(3, steps[0].frames);
    EXPECT_EQ(3, steps[0].line);
    EXPECT_EQ(InputEvent::kKeyDown, steps[1].event.kind);
    EXPECT_EQ(ViewerKey::kShadeNormals, steps[1].event.key);
    EXPECT_EQ(InputEvent::kKeyUp, steps[2].event.kind);
    // hold: down, wait, up
    EXPECT_EQ(ViewerKey::kForward, steps[3].event.key);
    EXPECT_EQ(ScriptStep::kWait, steps[4].kind);
    EXPECT_EQ(5, steps[4].frames);
    EXPECT_EQ(InputEvent::kKeyUp, steps[5].event.kind);
    EXPECT_EQ(InputEvent::kWheel, steps[6].event.kind);
    EXPECT_EQ(-2, steps[6].event.dy);
    EXPECT_EQ(ScriptStep::kScreenshot, steps[7].kind);
    EXPECT_EQ("/tmp/x.png", steps[7].path);
    // click: a press and release in place
    EXPECT_EQ(InputEvent::kMouseDown, steps[8].event.kind);
    EXPECT_EQ(InputEvent::kMouseUp, steps[9].event.kind);
    for (int i : {8, 9}) {
        EXPECT_EQ(10, steps[i].event.x);
        EXPECT_EQ(20, steps[i].event.y);
        EXPECT_EQ(MouseButton::kLeft, steps[i].event.button);
        EXPECT_FALSE(steps[i].event.shift);
    }
    EXPECT_EQ(ScriptStep::kQuit, steps[10].kind);
}

TEST(InputScript, DragsMoveOncePerFrameAndAddUpToTheWholeWay) {
    const auto steps = parsed("drag right 0 0 100 -7 3");
    ASSERT_EQ(8u, steps.size());  // down, (move, wait) x 3, up
    EXPECT_EQ(InputEvent::kMouseDown, steps[0].event.kind);
    EXPECT_EQ(MouseButton::kRight, steps[0].event.button);
    int dx = 0, dy = 0;
    for (int i = 0; i < 3; ++i) {
        const ScriptStep& move = steps[1 + 2 * i];
        EXPECT_EQ(InputEvent::kMouseMove, move.event.kind);
        dx += move.event.dx;
        dy += move.event.dy;
        EXPECT_EQ(ScriptStep::kWait, steps[2 + 2 * i].kind);
        EXPECT_EQ(1, steps[2 + 2 * i].frames);
    }
    EXPECT_EQ(100, dx);
    EXPECT_EQ(-7, dy);
    EXPECT_EQ(InputEvent::kMouseUp, steps[7].event.kind);
    EXPECT_EQ(100, steps[7].event.x);
    EXPECT_EQ(-7, steps[7].event.y);

    // shiftdrag: the left button with shift held throughout, eight steps by default.
    const auto shifted = parsed("shiftdrag 300 200 10 20");
    ASSERT_EQ(2u + 2u * 8u, shifted.size());
    for (const ScriptStep& s : shifted)
        EXPECT_TRUE(s.kind != ScriptStep::kInput || (s.event.shift && s.event.button == MouseButton::kLeft));
    EXPECT_EQ(300, shifted.front().event.x);
    EXPECT_EQ(20, shifted.back().event.y);
}

TEST(InputScript, MistakesAndMissingFilesAreErrorsNamingWhere) {
    const std::pair<const char*, const char*> mistakes[] = {
        {"wait 1\n\nfly 3\n", "line 3"}, {"fly 3", "unknown command \"fly\""},
        {"wait -1", "wait"},            {"wait 1x", "wait"},
        {"wait 99999999999999999999", "wait"}, {"click 1", "click"},
        {"drag up 1 2 3 4", "drag"},     {"drag left 1 2 3 4 0", "STEPS"},
        {"shiftdrag 1 2 3", "shiftdrag"}, {"key", "key"},
        {"key nosuchkey", "key"},        {"hold w", "hold"},
        {"screenshot", "screenshot"},    {"quit now", "quit"}};
    for (const auto& m : mistakes) {
        SCOPED_TRACE(m.first);
        std::vector<ScriptStep> steps;
        std::string error;
        EXPECT_FALSE(parseScript(m.first, steps, error));
        EXPECT_TRUE(steps.empty());
        EXPECT_NE(std::string::npos, error.find(m.second)) << error;
    }
    std::vector<ScriptStep> steps;
    std::string error;
    EXPECT_FALSE(loadScript("/nonexistent/hox-view/script.txt", steps, error));
    EXPECT_NE(std::string::npos, error.find("/nonexistent/hox-view/script.txt"));
}

}  // namespace
}  // namespace hox_view
