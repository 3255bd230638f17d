// The command line and the sampling plan, checked in-process: what each
// option sets, what each mistake is answered with, and the sample counts
// the options turn into.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line.h"
#include "sampling_plan.h"

namespace hox_render {
namespace {

ParseResult parse(std::vector<const char*> args, Options& options, std::string& error) {
    args.insert(args.begin(), "hox-render");
    return parseCommandLine(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(CommandLine, EveryOptionLandsInItsField) {
    Options o;
    std::string error;
    ASSERT_EQ(ParseResult::kRun,
              parse({"scene.glb", "-o", "out.EXR", "-W", "320", "-H", "200", "--passes", "9", "--threads", "3",
                     "--camera", "1,2,3,4,5,6,0,1,0,35.5", "--debug", "primitives", "--cvar", "rt_a=1",
                     "--cvar", "rt_b=x=y", "--cluster", "render-master:5000", "--stats", "-v"},
                    o, error))
        << error;
    EXPECT_EQ("scene.glb", o.sceneFile);
    EXPECT_EQ("out.EXR", outputPath(o));
    EXPECT_EQ(320, o.width);
    EXPECT_EQ(200, o.height);
    EXPECT_EQ(9, o.passes);
    EXPECT_EQ(3, o.threads);
    ASSERT_TRUE(o.hasCamera);
    EXPECT_FLOAT_EQ(3.0f, o.camera.eye.z);
    EXPECT_FLOAT_EQ(4.0f, o.camera.target.x);
    EXPECT_FLOAT_EQ(35.5f, o.camera.fovDegrees);
    EXPECT_EQ(2, o.debugShade);
    ASSERT_EQ(2u, o.cvars.size());
    EXPECT_EQ("rt_b", o.cvars[1].first);
    EXPECT_EQ("x=y", o.cvars[1].second);  // only the first '=' separates
    EXPECT_TRUE(o.cluster);
    EXPECT_EQ("render-master", o.clusterHost);
    EXPECT_EQ(5000, o.clusterPort);
    EXPECT_TRUE(o.stats && o.verbose);

    Options defaults;
    ASSERT_EQ(ParseResult::kRun, parse({}, defaults, error));
    EXPECT_EQ("hox-demo.png", outputPath(defaults));
    EXPECT_EQ(ParseResult::kHelp, parse({"-W", "10", "--help"}, defaults, error));
}

TEST(CommandLine, MistakesAreNamedInTheError) {
    const struct {
        std::vector<const char*> args;
        const char* expected;
    } cases[] = {
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"-o"}, "option '-o' needs a value"},
        {{"-o", "image.jpg"}, "must end in .png, .exr or .ppm"},
        {{"-W", "0"}, "option '-W' needs a whole number"},
        {{"-H", "12x"}, "option '-H' needs a whole number"},
        {{"-W", "99999"}, "from 1 to 16384"},
        {{"--spp", "257"}, "--spp needs a whole number from 1 to 256"},
        {{"--passes", "-1"}, "--passes needs"},
        {{"--spp", "4", "--passes", "4"}, "not both"},
        {{"--threads", "many"}, "--threads needs"},
        {{"--camera", "1,2,3"}, "ten numbers"},
        {{"--camera", "0,0,5,0,0,0,0,1,0,nan"}, "ten numbers"},
        {{"--camera", "1,1,1,1,1,1,0,1,0,40"}, "the same point"},
        {{"--camera", "0,5,0,0,0,0,0,1,0,40"}, "up vector"},
        {{"--camera", "0,0,5,0,0,0,0,1,0,179"}, "at most 178"},
        {{"--debug", "depth"}, "'normals' or 'primitives'"},
        {{"--cvar", "=3"}, "NAME=VALUE"},
        {{"--cvar", "rt_debugShade"}, "NAME=VALUE"},
        {{"--cluster", "localhost"}, "host:port"},
        {{"--cluster", "localhost:80"}, "from 1025 to 65535"},
        {{"a.obj", "b.obj"}, "one scene file at a time"},
        {{""}, "empty argument"},
    };
    for (const auto& c : cases) {
        Options o;
        std::string error;
        EXPECT_EQ(ParseResult::kError, parse(c.args, o, error)) << c.expected;
        EXPECT_NE(std::string::npos, error.find(c.expected)) << "got: " << error;
    }
}

TEST(SamplingPlan, SamplesRoundUpToPowersOfFourInAtMostSixteenPasses) {
    const struct {
        int spp, passes;
        int rate, maxRate;
        float target;
        int maxFrames;
    } cases[] = {
        {1, 0, 0, 0, 1.0f, 3},      // one pass: done after the first frame
        {4, 0, 0, 1, 4.0f, 6},      // four passes of 1
        {16, 0, 0, 2, 16.0f, 18},   // sixteen passes of 1
        {17, 0, 1, 3, 64.0f, 18},   // up to 64: sixteen passes of 4
        {256, 0, 2, 4, 256.0f, 18}, // sixteen passes of 16
        {16, 5, 0, 2, 0.0f, 5},     // --passes 5: five frames of one sample
        {1, 256, 0, 4, 0.0f, 256},
    };
    for (const auto& c : cases) {
        const SamplingPlan plan = planSampling(c.spp, c.passes);
        EXPECT_EQ(c.rate, plan.rate) << c.spp << "/" << c.passes;
        EXPECT_EQ(c.maxRate, plan.maxRate) << c.spp << "/" << c.passes;
        EXPECT_EQ(c.target, plan.targetDensity) << c.spp << "/" << c.passes;
        EXPECT_EQ(c.maxFrames, plan.maxFrames) << c.spp << "/" << c.passes;
    }
}

}  // namespace
}  // namespace hox_render
