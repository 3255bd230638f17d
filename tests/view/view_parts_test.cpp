// The small parts: the command line, the pick lines a test parses, and the
// frame-rate and title readouts.
#include <gtest/gtest.h>

#include "frame_rate.h"
#include "pick_report.h"
#include "title_readout.h"
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

// Pixel picks name the object (or its handle, or nothing); region picks say
// their mode and list each object with its bounds.
TEST(PickReport, LinesNameObjectsAndRegionModes) {
    hox::SelectionResult hit{};
    hit.valid = hox::SelectionResult::VALID_OBJECT | hox::SelectionResult::VALID_DISTANCE |
                hox::SelectionResult::VALID_POSITION | hox::SelectionResult::VALID_BOUNDS;
    hit.object = 0x90000007u;
    hit.distance = 2.5f;
    hit.position = {1, 2, -3};
    hit.boundsMax = {1, 1, 1};
    const ObjectNamer namer = [](unsigned v) { return v == 0x90000007u ? std::string("gold sphere") : ""; };
    EXPECT_EQ("pick: \"gold sphere\" distance 2.500 position (1.000, 2.000, -3.000)",
              describePixelPick(&hit, 5, 6, namer));
    EXPECT_EQ("pick: nothing at (5, 6)", describePixelPick(nullptr, 5, 6, namer));
    const auto window = describeRegionPick({hit, hit}, 0, 0, 10, 10, namer);
    ASSERT_EQ(3u, window.size());
    EXPECT_EQ("region (window) (0, 0)-(10, 10): 2 object(s)", window[0]);
    EXPECT_NE(std::string::npos,
              window[1].find("\"gold sphere\" bounds (0.000, 0.000, 0.000)-(1.000, 1.000, 1.000)"));
    const auto crossing = describeRegionPick({}, 10, 0, 0, 10, namer);
    ASSERT_EQ(1u, crossing.size());
    EXPECT_NE(std::string::npos, crossing[0].find("crossing"));
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

TEST(TitleReadout, ShowsRatesPassesAndChoices) {
    ReadoutValues v;
    v.fps = 12.34;
    v.mraysPerSecond = 5.5f;
    v.sampleDensity = 2.5f;  // ten passes of a quarter sample
    v.samplingRate = -1;
    RenderChoices c;
    c.threads = 2;
    c.traceDepth = 7;
    c.debugShade = 1;
    c.occlusion = false;
    EXPECT_EQ("hox-view - 12.3 fps, 5.50 Mrays/s, pass 10 (2.50 spp), 2 threads, depth 7, normals, no AO",
              titleReadout(v, c));
    v.isStatic = true;
    v.samplingRate = 0;
    v.sampleDensity = 16.0f;
    c.debugShade = 0;
    c.occlusion = true;
    c.shadows = false;
    EXPECT_EQ("hox-view - 12.3 fps, 5.50 Mrays/s, pass 16 (16.00 spp) done, 2 threads, depth 7, shaded, no shadows",
              titleReadout(v, c));
}

}  // namespace
}  // namespace hox_view
