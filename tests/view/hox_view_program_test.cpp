// hox-view run as a user runs it, under a virtual X display (xvfb-run),
// driven by scripts: camera moves, convergence, shading keys and picks.
#include <gtest/gtest.h>

#include <stb_image.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

struct ViewerRun {
    int exitCode = -1;
    std::string out, err;
};

std::string readText(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

bool haveXvfb() { return std::system("command -v xvfb-run > /dev/null 2>&1") == 0; }

std::string scratchDir() {
    const std::string dir =
        ::testing::TempDir() + "hox_view_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str());
    return dir;
}

// Under AddressSanitizer these runs leave leak checking to the leak test of
// the viewer (tests/leaks, `leaks_hox_view`): it keeps SDL's run-time
// modules loaded until exit, without which memory they still point to is
// reported from a module that is gone.
#if defined(__SANITIZE_ADDRESS__)
const char* const kViewerEnvironment = "env ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" ";
#else
const char* const kViewerEnvironment = "";
#endif

// The viewer on the demo scene in a small window, on two threads, under a
// 24-bit virtual screen, with `script` (written into `dir`) and `args`.
ViewerRun runViewer(const std::string& dir, const std::string& script, const std::string& args = "",
              bool underX = true) {
    std::ofstream(dir + "/script.txt") << script;
    const std::string command = std::string(underX ? "xvfb-run -a -s '-screen 0 640x480x24' " : "") +
                                kViewerEnvironment + "timeout 300 '" HOX_VIEW_PROGRAM
                                "' -W 320 -H 240 --threads 2 --script '" + dir +
                                "/script.txt' " + args + " > '" + dir + "/out.txt' 2> '" + dir + "/err.txt'";
    const int status = std::system(command.c_str());
    ViewerRun run;
    if (status != -1 && (status & 0x7f) == 0) run.exitCode = (status >> 8) & 0xff;
    run.out = readText(dir + "/out.txt");
    run.err = readText(dir + "/err.txt");
    return run;
}

// A screenshot; rgb is empty when unreadable.
struct Shot {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
};

Shot readShot(const std::string& path) {
    Shot shot;
    int n = 0;
    if (unsigned char* data = stbi_load(path.c_str(), &shot.width, &shot.height, &n, 3)) {
        shot.rgb.assign(data, data + 3 * static_cast<size_t>(shot.width) * shot.height);
        stbi_image_free(data);
    }
    return shot;
}

// Mean absolute difference per channel, 0 … 255.
double difference(const Shot& a, const Shot& b) {
    if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 1e9;
    double sum = 0.0;
    for (size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    return sum / a.rgb.size();
}

// Spread of the values: a rendered scene has plenty, a blank window none.
double spread(const Shot& s) {
    double mean = 0.0, square = 0.0;
    for (unsigned char v : s.rgb) mean += v;
    mean /= s.rgb.size();
    for (unsigned char v : s.rgb) square += (v - mean) * (v - mean);
    return std::sqrt(square / s.rgb.size());
}

// The samples per pixel the viewer reported for a screenshot.
double reportedDensity(const std::string& out, const std::string& path) {
    const size_t at = out.find("screenshot: " + path);
    const size_t comma = at == std::string::npos ? at : out.find(", ", at);
    return comma == std::string::npos ? -1.0 : std::atof(out.c_str() + comma + 2);
}

TEST(HoxViewProgram, ImagesChangeWhenTheCameraMovesConvergeWhenStillAndKeysSwitchShading) {
    if (!haveXvfb()) GTEST_SKIP() << "xvfb-run is not installed (Debian package xvfb)";
    const std::string dir = scratchDir();
    std::string script = "wait 3\nscreenshot " + dir + "/before.png\ndrag left 160 120 220 120 6\n";
    const std::pair<int, const char*> stills[] = {{3, "after"}, {4, "p4"}, {4, "p8"}, {24, "p32"}, {4, "p36"}};
    for (const auto& s : stills)
        script += "wait " + std::to_string(s.first) + "\nscreenshot " + dir + "/" + s.second + ".png\n";
    script += "key f2\nwait 4\nscreenshot " + dir + "/normals.png\nkey f1\nkey 1\nkey ]\nkey -\nwait 1\nquit\n";
    const ViewerRun run = runViewer(dir, script);
    ASSERT_EQ(0, run.exitCode) << run.err;
    std::map<std::string, Shot> shots;
    for (const char* name : {"before", "after", "p4", "p8", "p32", "p36", "normals"}) {
        shots[name] = readShot(dir + "/" + name + ".png");
        ASSERT_FALSE(shots[name].rgb.empty()) << name << "\n" << run.out << run.err;
    }
    EXPECT_EQ(320, shots["before"].width);
    EXPECT_EQ(240, shots["before"].height);
    EXPECT_GT(spread(shots["before"]), 20.0);

    // A 60-pixel orbit turns the scene by 30 degrees: most pixels change.
    EXPECT_GT(difference(shots["before"], shots["after"]), 10.0);
    // Late passes change the image less than early ones: it converges.
    const double early = difference(shots["p4"], shots["p8"]), late = difference(shots["p32"], shots["p36"]);
    EXPECT_GT(early, 0.0);
    EXPECT_LT(late, 0.6 * early) << "early " << early << ", late " << late;
    // And the device reports more samples per pixel as it goes.
    const double d4 = reportedDensity(run.out, dir + "/p4.png"), d32 = reportedDensity(run.out, dir + "/p32.png");
    EXPECT_GT(d4, 0.0) << run.out;
    EXPECT_GT(d32, 3.0 * d4) << run.out;
    // Normals as colours look nothing like the shaded scene.
    EXPECT_GT(difference(shots["p36"], shots["normals"]), 20.0);
    // The last readout: the device's ray rate, the pass, the choices the keys left.
    const size_t readout = run.out.find("readout: hox-view - ");
    ASSERT_NE(std::string::npos, readout) << run.out;
    const size_t rays = run.out.find(" fps, ", readout);
    ASSERT_NE(std::string::npos, rays);
    EXPECT_GT(std::atof(run.out.c_str() + rays + 6), 0.0) << run.out.substr(readout);
    EXPECT_NE(std::string::npos, run.out.find(" pass ", readout));
    EXPECT_NE(std::string::npos, run.out.find("1 threads, depth 6, shaded, no shadows", readout)) << run.out;
}

TEST(HoxViewProgram, ClicksAndRegionsReportTheObjectsUnderThem) {
    if (!haveXvfb()) GTEST_SKIP() << "xvfb-run is not installed (Debian package xvfb)";
    const std::string dir = scratchDir();
    // The demo's gold sphere stands mid-view, the floor fills the bottom.
    const ViewerRun run = runViewer(dir, "wait 3\nclick 175 120\nclick 160 232\nshiftdrag 145 92 205 148 2\n"
                                         "wait 2\nshiftdrag 205 148 145 92 2\nwait 2\nscreenshot " +
                                             dir + "/picked.png\nquit\n");
    ASSERT_EQ(0, run.exitCode) << run.err;
    const size_t pick = run.out.find("pick: \"gold sphere\" distance ");
    ASSERT_NE(std::string::npos, pick) << run.out;
    // The camera stands about 8.3 units from the sphere's centre; its radius is 0.6.
    const double distance = std::atof(run.out.c_str() + pick + 29);
    EXPECT_GT(distance, 7.0);
    EXPECT_LT(distance, 8.5);
    EXPECT_NE(std::string::npos, run.out.find("pick: \"floor\"")) << run.out;

    // Window mode takes only the sphere, wholly inside; crossing mode also the floor.
    const size_t window = run.out.find("region (window)"), crossing = run.out.find("region (crossing)");
    ASSERT_NE(std::string::npos, window) << run.out;
    ASSERT_NE(std::string::npos, crossing) << run.out;
    ASSERT_LT(window, crossing);
    const std::string windowPart = run.out.substr(window, crossing - window), crossingPart = run.out.substr(crossing);
    EXPECT_NE(std::string::npos, windowPart.find("\"gold sphere\" bounds")) << windowPart;
    EXPECT_EQ(std::string::npos, windowPart.find("\"floor\"")) << windowPart;
    EXPECT_NE(std::string::npos, crossingPart.find("\"gold sphere\"")) << crossingPart;
    EXPECT_NE(std::string::npos, crossingPart.find("\"floor\"")) << crossingPart;

    // The highlight is drawn in yellow around what was picked.
    const Shot shot = readShot(dir + "/picked.png");
    ASSERT_FALSE(shot.rgb.empty());
    int yellow = 0;
    for (size_t i = 0; i + 2 < shot.rgb.size(); i += 3)
        yellow += shot.rgb[i] == 255 && shot.rgb[i + 1] == 220 && shot.rgb[i + 2] == 0;
    EXPECT_GT(yellow, 40);
}

TEST(HoxViewProgram, FramesAndScreenshotRunUnattended) {
    if (!haveXvfb()) GTEST_SKIP() << "xvfb-run is not installed (Debian package xvfb)";
    const std::string dir = scratchDir();
    const ViewerRun run = runViewer(dir, "", "--frames 6 --screenshot '" + dir + "/end.png'");
    ASSERT_EQ(0, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("6 frames in")) << run.out;
    const Shot shot = readShot(dir + "/end.png");
    EXPECT_EQ(320, shot.width);
    EXPECT_GT(spread(shot), 20.0);
}

TEST(HoxViewProgram, MistakesInScriptOrCommandLineAreUsageErrors) {
    // Both are found before any window opens: no display needed.
    const std::string dir = scratchDir();
    ViewerRun run = runViewer(dir, "wait 2\nfly 3\n", "", false);
    EXPECT_EQ(2, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("script line 2")) << run.err;
    run = runViewer(dir, "", "--rate 3", false);
    EXPECT_EQ(2, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("--rate")) << run.err;
    run = runViewer(dir, "", "--script /nonexistent/hox-view.txt", false);
    EXPECT_EQ(2, run.exitCode);
}

}  // namespace
