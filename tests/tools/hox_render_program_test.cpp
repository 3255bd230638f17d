// hox-render run as a user runs it: every image format, sample models, the
// camera and debug options with known pixels, and the ways a run fails, each
// with its message and exit code (2 for the command line, 1 for the run).
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tool_runner.h"

namespace hox_tools_test {
namespace {

// Small and quick: one sample per pixel on two threads.
const std::string kSmall = "-W 160 -H 120 --spp 1 --threads 2 ";

TEST(HoxRenderProgram, DemoSceneRendersIntoEveryImageFormat) {
    const std::string dir = scratchDir();
    for (const char* file : {"demo.png", "demo.ppm", "demo.exr"}) {
        const RunResult run = runTool(dir, kSmall + "-o " + file);
        ASSERT_EQ(0, run.exitCode) << file << "\n" << run.err;
        EXPECT_NE(std::string::npos, run.out.find("built-in demo scene")) << run.out;
        Image image;
        const std::string path = dir + "/" + file;
        ASSERT_TRUE(std::string(file).find(".exr") != std::string::npos ? readExr(path, image)
                                                                        : readImage8(path, image))
            << path;
        EXPECT_EQ(160, image.width);
        EXPECT_EQ(120, image.height);
        EXPECT_GT(foregroundShare(image), 0.3) << file;
    }
}

TEST(HoxRenderProgram, SampleModelsStandOutFromTheBackground) {
    const struct {
        const char* model;
        const char* expect;  // in the summary line; "" for no check
    } models[] = {
        {"OBJ/spider.obj", ""},
        {"glTF2/BoxTextured-glTF/BoxTextured.gltf", "1 object(s), 12 triangles"},
        {"PLY/Wuson.ply", ""},
        // Its texture inside the file, as a data URI; and a file with its own
        // camera and light.
        {"glTF2/BoxTextured-glTF-Embedded/BoxTextured.gltf", "12 triangles"},
        {"Collada/duck.dae", "1 light(s), the file's camera"},
    };
    const std::string dir = scratchDir();
    for (const auto& m : models) {
        const std::string path = sampleModel(m.model);
        if (path.empty()) GTEST_SKIP() << "assimp-testmodels is not installed";
        const RunResult run = runTool(dir, "'" + path + "' " + kSmall + "-o model.png");
        ASSERT_EQ(0, run.exitCode) << m.model << "\n" << run.err;
        if (*m.expect) {
            EXPECT_NE(std::string::npos, run.out.find(m.expect)) << run.out;
        }
        // Textures are found and taken, whether beside the file or embedded.
        EXPECT_EQ(std::string::npos, run.err.find("texture")) << run.err;
        Image image;
        ASSERT_TRUE(readImage8(dir + "/model.png", image));
        EXPECT_GT(foregroundShare(image), 0.05) << m.model;
    }
}

// A quad in the z = 0 plane with normals leaning to +Y: the automatic camera
// looks at its centre, so the middle pixel shows that normal.
TEST(HoxRenderProgram, DebugNormalsShowTheFileNormalsAtTheCentre) {
    const std::string dir = scratchDir();
    std::ofstream(dir + "/tilted.obj") << "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nvn 0 0.6 0.8\n"
                                          "f 1//1 2//1 3//1\nf 1//1 3//1 4//1\n";
    const RunResult run = runTool(dir, "tilted.obj " + kSmall + "--debug normals -o n.exr");
    ASSERT_EQ(0, run.exitCode) << run.err;
    Image image;
    ASSERT_TRUE(readExr(dir + "/n.exr", image));
    // ((n + 1) / 2) per channel, stored as half floats.
    EXPECT_NEAR(0.5f, image.at(80, 60, 0), 2e-3f);
    EXPECT_NEAR(0.8f, image.at(80, 60, 1), 2e-3f);
    EXPECT_NEAR(0.9f, image.at(80, 60, 2), 2e-3f);

    // Level with the quad's lower edge it fills only the upper half: row 0 is the top.
    ASSERT_EQ(0, runTool(dir, "tilted.obj " + kSmall + "--debug normals --camera 0,-1,5,0,-1,0,0,1,0,60 -o low.exr")
                     .exitCode);
    ASSERT_TRUE(readExr(dir + "/low.exr", image));
    EXPECT_NEAR(0.8f, image.at(80, 30, 1), 2e-3f);
    EXPECT_GT(std::fabs(image.at(80, 90, 1) - 0.8f), 0.1f);
}

// The textured box spans -0.5 … 0.5; from +Z its front face fills the middle.
// Aimed one unit to its right, the middle ray passes beside it (x = 0.875)
// and the face covers the left third.
TEST(HoxRenderProgram, CameraOptionAimsTheView) {
    const std::string box = sampleModel("glTF2/BoxTextured-glTF/BoxTextured.gltf");
    if (box.empty()) GTEST_SKIP() << "assimp-testmodels is not installed";
    const std::string dir = scratchDir();
    const std::string common = "'" + box + "' " + kSmall + "--debug normals ";
    ASSERT_EQ(0, runTool(dir, common + "--camera 0,0,4,0,0,0,0,1,0,40 -o front.exr").exitCode);
    ASSERT_EQ(0, runTool(dir, common + "--camera 0,0,4,1,0,0,0,1,0,40 -o aside.exr").exitCode);
    Image front, aside;
    ASSERT_TRUE(readExr(dir + "/front.exr", front));
    ASSERT_TRUE(readExr(dir + "/aside.exr", aside));
    EXPECT_NEAR(0.5f, front.at(80, 60, 0), 2e-3f);  // normal (0, 0, 1)
    EXPECT_NEAR(0.5f, front.at(80, 60, 1), 2e-3f);
    EXPECT_NEAR(1.0f, front.at(80, 60, 2), 2e-3f);
    EXPECT_GT(std::fabs(aside.at(80, 60, 2) - 1.0f), 0.1f);
    // Aimed to the right, the box moves into the left half.
    EXPECT_NEAR(1.0f, aside.at(40, 60, 2), 2e-3f);
}

TEST(HoxRenderProgram, CommandLineMistakesExitWithUsageErrors) {
    const std::string dir = scratchDir();
    const struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"--bogus", "unknown option '--bogus'"},  // the rest of the parser is checked in-process
        {"--cvar rt_noSuchVariable=1", "unknown console variable 'rt_noSuchVariable'"},
        {"--cvar rt_statsInterval=often", "needs an integer"},
    };
    for (const auto& c : cases) {
        const RunResult run = runTool(dir, c.args);
        EXPECT_EQ(2, run.exitCode) << c.args;
        EXPECT_NE(std::string::npos, run.err.find(c.message)) << c.args << ": " << run.err;
    }
    const RunResult help = runTool(dir, "--help");
    EXPECT_EQ(0, help.exitCode);
    EXPECT_NE(std::string::npos, help.out.find("--cluster HOST:PORT"));
    const RunResult list = runTool(dir, "--list-cvars");
    EXPECT_EQ(0, list.exitCode);
    EXPECT_NE(std::string::npos, list.out.find("rt_debugShade"));
}

TEST(HoxRenderProgram, UnreadableScenesFailWithTheReason) {
    const std::string dir = scratchDir();
    std::ofstream(dir + "/garbage.gltf") << "{ \"asset\": { \"version\": \"2.0\" }, \"meshes\": [ { \"primitives\"";
    for (const char* file : {"missing.obj", "garbage.gltf"}) {
        const RunResult run = runTool(dir, std::string(file) + " " + kSmall + "-o x.png");
        EXPECT_EQ(1, run.exitCode) << file;
        EXPECT_NE(std::string::npos, run.err.find(file)) << run.err;
    }
    // A binary PLY whose header is cut up by a mangled line: assimp 5.2
    // dies of a SEGV reading it. The program refuses it and exits normally.
    const RunResult crash = runTool(dir, "'" HOX_TEST_DATA_DIR "/importer_crash.ply' " + kSmall + "-o x.png");
    EXPECT_EQ(1, crash.exitCode) << crash.err;
    EXPECT_NE(std::string::npos, crash.err.find("importer_crash.ply: the importer")) << crash.err;
}

TEST(HoxRenderProgram, UnreachableClusterFailsQuickly) {
    const std::string dir = scratchDir();
    // Nothing listens on this loopback port.
    const RunResult run = runTool(dir, kSmall + "--cluster 127.0.0.1:1029 -o c.png");
    EXPECT_EQ(1, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("cannot reach the render cluster at 127.0.0.1:1029")) << run.err;
    EXPECT_LT(run.seconds, 10.0);
}

}  // namespace
}  // namespace hox_tools_test
