// The script language: every command, the expansion of drags and holds
// into per-frame input, and a clear error naming the line for each mistake.
#include <gtest/gtest.h>

#include <string>
#include <utility>
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

TEST(InputScript, DragMovesOncePerFrameAndAddsUpToTheWholeWay) {
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

TEST(InputScript, KeyNamesCoverEveryBinding) {
    const std::pair<const char*, ViewerKey> names[] = {
        {"R", ViewerKey::kReset},          {"]", ViewerKey::kDeeper},       {"[", ViewerKey::kShallower},
        {"+", ViewerKey::kMoreThreads},    {"-", ViewerKey::kFewerThreads}, {"3", ViewerKey::kToggleIllumination},
        {"Escape", ViewerKey::kQuit},      {"f13", ViewerKey::kNone},       {"", ViewerKey::kNone}};
    for (const auto& n : names) EXPECT_EQ(n.second, keyFromName(n.first)) << '"' << n.first << '"';
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
