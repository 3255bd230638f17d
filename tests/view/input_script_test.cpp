// The script language: every command, the expansion of drags and holds
// into per-frame input, and a clear error naming the line for each mistake.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input_script.h"

namespace hox_view {
namespace {

std::vector<ScriptStep> parsed(const std::string& text) {
    std::vector<ScriptStep> steps;
    std::string error;
    EXPECT_TRUE(parseScript(text, steps, error)) << error;
    return steps;
}

std::string errorOf(const std::string& text) {
    std::vector<ScriptStep> steps;
    std::string error;
    EXPECT_FALSE(parseScript(text, steps, error)) << text;
    EXPECT_TRUE(steps.empty());
    return error;
}

TEST(InputScript, CommentsAndBlankLinesAreSkipped) {
    const auto steps = parsed("# a comment\n\n   wait 3   # trailing\nquit\n");
    ASSERT_EQ(2u, steps.size());
    EXPECT_EQ(ScriptStep::kWait, steps[0].kind);
    EXPECT_EQ(3, steps[0].frames);
    EXPECT_EQ(3, steps[0].line);
    EXPECT_EQ(ScriptStep::kQuit, steps[1].kind);
}

TEST(InputScript, ClickIsAPressAndReleaseInPlace) {
    const auto steps = parsed("click 10 20");
    ASSERT_EQ(2u, steps.size());
    EXPECT_EQ(InputEvent::kMouseDown, steps[0].event.kind);
    EXPECT_EQ(InputEvent::kMouseUp, steps[1].event.kind);
    for (const ScriptStep& s : steps) {
        EXPECT_EQ(10, s.event.x);
        EXPECT_EQ(20, s.event.y);
        EXPECT_EQ(MouseButton::kLeft, s.event.button);
        EXPECT_FALSE(s.event.shift);
    }
}

TEST(InputScript, DragMovesOncePerFrameAndAddsUpToTheWholeWay) {
    const auto steps = parsed("drag right 0 0 100 -7 3");
    // down, (move, wait) x 3, up
    ASSERT_EQ(8u, steps.size());
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
}

TEST(InputScript, ShiftDragHoldsShiftWithTheLeftButton) {
    const auto steps = parsed("shiftdrag 300 200 10 20");
    ASSERT_EQ(2u + 2u * 8u, steps.size());  // eight steps by default
    for (const ScriptStep& s : steps) {
        if (s.kind != ScriptStep::kInput) continue;
        EXPECT_TRUE(s.event.shift);
        EXPECT_EQ(MouseButton::kLeft, s.event.button);
    }
    EXPECT_EQ(300, steps.front().event.x);
    EXPECT_EQ(20, steps.back().event.y);
}

TEST(InputScript, KeysScrollHoldAndScreenshot) {
    const auto steps = parsed("key F2\nhold w 5\nscroll -2\nscreenshot /tmp/x.png\n");
    ASSERT_EQ(7u, steps.size());
    EXPECT_EQ(InputEvent::kKeyDown, steps[0].event.kind);
    EXPECT_EQ(ViewerKey::kShadeNormals, steps[0].event.key);
    EXPECT_EQ(InputEvent::kKeyUp, steps[1].event.kind);
    EXPECT_EQ(ViewerKey::kForward, steps[2].event.key);
    EXPECT_EQ(ScriptStep::kWait, steps[3].kind);
    EXPECT_EQ(5, steps[3].frames);
    EXPECT_EQ(InputEvent::kKeyUp, steps[4].event.kind);
    EXPECT_EQ(InputEvent::kWheel, steps[5].event.kind);
    EXPECT_EQ(-2, steps[5].event.dy);
    EXPECT_EQ(ScriptStep::kScreenshot, steps[6].kind);
    EXPECT_EQ("/tmp/x.png", steps[6].path);
}

TEST(InputScript, KeyNamesCoverEveryBinding) {
    EXPECT_EQ(ViewerKey::kReset, keyFromName("R"));
    EXPECT_EQ(ViewerKey::kDeeper, keyFromName("]"));
    EXPECT_EQ(ViewerKey::kShallower, keyFromName("["));
    EXPECT_EQ(ViewerKey::kMoreThreads, keyFromName("+"));
    EXPECT_EQ(ViewerKey::kFewerThreads, keyFromName("-"));
    EXPECT_EQ(ViewerKey::kToggleIllumination, keyFromName("3"));
    EXPECT_EQ(ViewerKey::kQuit, keyFromName("Escape"));
    EXPECT_EQ(ViewerKey::kNone, keyFromName("f13"));
    EXPECT_EQ(ViewerKey::kNone, keyFromName(""));
}

TEST(InputScript, MistakesNameTheirLine) {
    EXPECT_NE(std::string::npos, errorOf("wait 1\n\nfly 3\n").find("line 3"));
    EXPECT_NE(std::string::npos, errorOf("fly 3").find("unknown command \"fly\""));
    EXPECT_NE(std::string::npos, errorOf("wait -1").find("wait"));
    EXPECT_NE(std::string::npos, errorOf("wait 1x").find("wait"));
    EXPECT_NE(std::string::npos, errorOf("wait 99999999999999999999").find("wait"));
    EXPECT_NE(std::string::npos, errorOf("click 1").find("click"));
    EXPECT_NE(std::string::npos, errorOf("drag up 1 2 3 4").find("drag"));
    EXPECT_NE(std::string::npos, errorOf("drag left 1 2 3 4 0").find("STEPS"));
    EXPECT_NE(std::string::npos, errorOf("shiftdrag 1 2 3").find("shiftdrag"));
    EXPECT_NE(std::string::npos, errorOf("key").find("key"));
    EXPECT_NE(std::string::npos, errorOf("key nosuchkey").find("key"));
    EXPECT_NE(std::string::npos, errorOf("hold w").find("hold"));
    EXPECT_NE(std::string::npos, errorOf("screenshot").find("screenshot"));
    EXPECT_NE(std::string::npos, errorOf("quit now").find("quit"));
}

TEST(InputScript, AMissingFileIsAnError) {
    std::vector<ScriptStep> steps;
    std::string error;
    EXPECT_FALSE(loadScript("/nonexistent/hox-view/script.txt", steps, error));
    EXPECT_NE(std::string::npos, error.find("/nonexistent/hox-view/script.txt"));
}

}  // namespace
}  // namespace hox_view
