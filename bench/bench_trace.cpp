// Build time and single-thread ray throughput of hox's kernels against
// Embree 3 on the same scenes and the same rays: procedural meshes of 10K,
// 100K and 1M triangles, a triangle soup, 1,000 instances of a 10K mesh and
// two real models.
//
// hox: build = the scene compile (the mesh's BVH, packets and 4-wide tree,
// then the top level), geometry preparation excluded; trace = initRay +
// traceScene per ray. Embree: one device with threads=1, once with the ISA
// it picks for this processor and once with isa=sse2 (hox's kernels are
// SSE2); build = rtcCommitScene of every scene (buffers filled before the
// clock starts); trace = rtcIntersect1 per ray. A scene of one mesh is one
// level in Embree (the mesh directly in the scene), one instance in hox.
//
// Usage: hox-bench-trace [--quick] [--scene NAME[,NAME...]] [--hox-only]
//   --quick     smaller ray sets, one build and one pass each (a smoke run)
//   --scene     only the scenes whose names start with one of these
//   --hox-only  leave Embree out (for profiling hox alone)
//
// The Embree linked here serves this benchmark and the tests only.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "mesh_sources.h"
#include "mirrored_scene.h"
#include "ray_sets.h"
#include "scene/matrix4.h"

namespace {

using hox::Mat4f;
using hox::Vec3f;
using namespace hox::oracle;

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Options {
    bool quick = false;
    bool hoxOnly = false;
    std::vector<std::string> scenes;  // name prefixes; empty: all
    int cameraWidth = 640, cameraHeight = 480;
    int randomRays = 300000;
    int builds = 3;  // the median is reported
    int passes = 3;  // the best is reported
};

struct SceneSetup {
    std::string name;
    std::string triangles;  // as printed
    std::vector<MeshData> meshes;
    struct Object {
        int mesh;
        Mat4f world;
    };
    std::vector<Object> objects;
    bool singleLevel = false;  // one mesh, identity matrix
    Bounds bounds;
};

// One tracer's figures on one scene.
struct Result {
    double buildMs = 0.0;
    double coherentMrays = 0.0;
    double incoherentMrays = 0.0;
    int coherentHits = 0;
    int incoherentHits = 0;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Best of `passes` timed passes over the rays; the hits of the last.
template <typename Trace>
double throughput(const std::vector<WorldRay>& rays, int passes, int& hits, Trace trace) {
    double best = 1e300;
    for (int p = 0; p < passes; ++p) {
        int count = 0;
        double sum = 0.0;
        const Clock::time_point start = Clock::now();
        for (const WorldRay& ray : rays) {
            float distance;
            if (trace(ray, distance)) {
                ++count;
                sum += distance;
            }
        }
        best = std::min(best, millisecondsSince(start));
        hits = count;
        if (!(sum >= 0.0)) std::printf("?");  // keeps the loop's results alive
    }
    return rays.size() / (best * 1e3);
}

struct RaySets {
    std::vector<WorldRay> coherent;
    std::vector<WorldRay> incoherent;
};

Result measureHox(const SceneSetup& setup, const RaySets& rays, const Options& options) {
    HoxScene scene;
    std::vector<int> ids;
    for (const MeshData& mesh : setup.meshes) ids.push_back(scene.addMesh(mesh));
    for (const SceneSetup::Object& object : setup.objects) scene.addObject(ids[object.mesh], object.world);
    Result r;
    std::vector<double> builds;
    for (int b = 0; b < options.builds; ++b) {
        scene.clearCompiled();
        const Clock::time_point start = Clock::now();
        scene.compile();
        builds.push_back(millisecondsSince(start));
    }
    r.buildMs = median(builds);
    auto trace = [&scene](const WorldRay& ray, float& d) { return scene.traceDistance(ray, d); };
    r.coherentMrays = throughput(rays.coherent, options.passes, r.coherentHits, trace);
    r.incoherentMrays = throughput(rays.incoherent, options.passes, r.incoherentHits, trace);
    return r;
}

void fillEmbree(EmbreeScene& scene, const SceneSetup& setup) {
    if (setup.singleLevel) {
        scene.addMeshDirect(setup.meshes[0], 0);
        return;
    }
    std::vector<int> ids;
    for (const MeshData& mesh : setup.meshes) ids.push_back(scene.addMesh(mesh));
    for (const SceneSetup::Object& object : setup.objects) scene.addObject(ids[object.mesh], object.world);
}

bool measureEmbree(const char* config, const SceneSetup& setup, const RaySets& rays, const Options& options,
                   Result& r) {
    std::vector<double> builds;
    for (int b = 0; b + 1 < options.builds; ++b) {
        EmbreeScene scene(config);
        fillEmbree(scene, setup);
        const Clock::time_point start = Clock::now();
        scene.commit();
        builds.push_back(millisecondsSince(start));
    }
    EmbreeScene scene(config);
    fillEmbree(scene, setup);
    const Clock::time_point start = Clock::now();
    scene.commit();
    builds.push_back(millisecondsSince(start));
    if (!scene.ok()) {
        std::fprintf(stderr, "Embree (%s): %s\n", config, scene.error().c_str());
        return false;
    }
    r.buildMs = median(builds);
    auto trace = [&scene](const WorldRay& ray, float& d) { return scene.traceDistance(ray, d); };
    r.coherentMrays = throughput(rays.coherent, options.passes, r.coherentHits, trace);
    r.incoherentMrays = throughput(rays.incoherent, options.passes, r.incoherentHits, trace);
    return true;
}

SceneSetup singleMesh(const char* name, MeshData mesh) {
    SceneSetup setup;
    setup.name = name;
    setup.triangles = std::to_string(mesh.triangleCount());
    setup.bounds = meshBounds(mesh);
    setup.meshes.push_back(std::move(mesh));
    setup.objects.push_back({0, hox::scene::mat4Identity()});
    setup.singleLevel = true;
    return setup;
}

// 1,000 instances of a 10K-triangle sphere on a 10 x 10 x 10 lattice, each
// turned about a random axis and scaled by 0.6 to 1.4, so that neighbours
// overlap a little.
SceneSetup instancedScene() {
    SceneSetup setup;
    setup.meshes.push_back(makeSphereWithTriangles(10000));
    setup.name = "instanced-1000";  // of sphere-10K
    setup.triangles = std::to_string(setup.meshes[0].triangleCount()) + " x1000";
    std::mt19937 rng(1000);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const Bounds meshBox = meshBounds(setup.meshes[0]);
    for (int i = 0; i < 1000; ++i) {
        const double s = 0.6 + 0.8 * u(rng);
        const Vec3d axis = randomDirection(rng);
        const Mat4f m = placement({s, s, s}, axis, 6.283 * u(rng),
                                  {2.5 * (i % 10), 2.5 * ((i / 10) % 10), 2.5 * (i / 100)});
        setup.objects.push_back({0, m});
        setup.bounds.add(transformedBounds(meshBox, m));
    }
    return setup;
}

bool wanted(const Options& options, const std::string& name) {
    if (options.scenes.empty()) return true;
    for (const std::string& prefix : options.scenes)
        if (name.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

bool loadModel(const char* name, const char* file, SceneSetup& setup) {
    MeshData mesh;
    std::string error;
    if (!loadObj(std::string(HOX_BENCH_MODEL_DIR) + "/" + file, mesh, error)) {
        std::fprintf(stderr, "%s skipped: %s\n", name, error.c_str());
        return false;
    }
    setup = singleMesh(name, std::move(mesh));
    return true;
}

// Scenes are made one at a time, when wanted, so that only one large mesh is
// alive.
struct SceneMaker {
    const char* name;
    std::function<bool(SceneSetup&)> make;
};

std::vector<SceneMaker> sceneMakers() {
    return {
        {"sphere-10K", [](SceneSetup& s) { s = singleMesh("sphere-10K", makeSphereWithTriangles(10000)); return true; }},
        {"sphere-100K", [](SceneSetup& s) { s = singleMesh("sphere-100K", makeSphereWithTriangles(100000)); return true; }},
        {"sphere-1M", [](SceneSetup& s) { s = singleMesh("sphere-1M", makeSphereWithTriangles(1000000)); return true; }},
        {"soup-100K", [](SceneSetup& s) { s = singleMesh("soup-100K", makeSoup(100000, 17)); return true; }},
        {"instanced-1000", [](SceneSetup& s) { s = instancedScene(); return true; }},
        {"wuson", [](SceneSetup& s) { return loadModel("wuson", "OBJ/WusonOBJ.obj", s); }},
        {"spider", [](SceneSetup& s) { return loadModel("spider", "OBJ/spider.obj", s); }},
    };
}

void printRow(const char* scene, const char* triangles, const char* tracer, const Result& r, const RaySets& rays) {
    std::printf("%-16s %14s  %-15s %10.2f %12.2f %12.2f   %5.1f / %5.1f\n", scene, triangles, tracer, r.buildMs,
                r.coherentMrays, r.incoherentMrays, 100.0 * r.coherentHits / rays.coherent.size(),
                100.0 * r.incoherentHits / rays.incoherent.size());
}

void printRatio(const char* tracer, const Result& hox, const Result& other) {
    std::printf("%-16s %14s  %-15s %9.2fx %11.2fx %11.2fx\n", "", "", tracer, hox.buildMs / other.buildMs,
                hox.coherentMrays / other.coherentMrays, hox.incoherentMrays / other.incoherentMrays);
}

struct Summary {
    std::string name;
    double build, coherent, incoherent;  // hox / Embree-SSE2
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            options.quick = true;
        } else if (std::strcmp(argv[i], "--hox-only") == 0) {
            options.hoxOnly = true;
        } else if (std::strcmp(argv[i], "--scene") == 0 && i + 1 < argc) {
            std::string list = argv[++i];
            for (size_t start = 0; start <= list.size();) {
                const size_t comma = std::min(list.find(',', start), list.size());
                if (comma > start) options.scenes.push_back(list.substr(start, comma - start));
                start = comma + 1;
            }
        } else {
            std::fprintf(stderr, "usage: %s [--quick] [--scene NAME[,NAME...]] [--hox-only]\n", argv[0]);
            return 2;
        }
    }
    if (options.quick) {
        options.cameraWidth = 256;
        options.cameraHeight = 192;
        options.randomRays = 50000;
        options.builds = 1;
        options.passes = 1;
    }

    std::printf("Ray tracing kernels, one thread: hox against Embree %d.%d.%d (threads=1)\n", RTC_VERSION_MAJOR,
                RTC_VERSION_MINOR, RTC_VERSION_PATCH);
    std::printf("build: median of %d; trace: best of %d passes; coherent: %dx%d camera grid; incoherent: %d "
                "random rays from inside the scene box\n\n",
                options.builds, options.passes, options.cameraWidth, options.cameraHeight, options.randomRays);
    std::printf("%-16s %14s  %-15s %10s %12s %12s   %s\n", "scene", "triangles", "tracer", "build ms",
                "coherent", "incoherent", "hits % c / i");
    std::printf("%-16s %14s  %-15s %10s %12s %12s\n", "", "", "", "", "Mrays/s", "Mrays/s");

    std::vector<Summary> summary;
    if (options.hoxOnly) std::printf("\n");
    for (const SceneMaker& maker : sceneMakers()) {
        SceneSetup setup;
        if (!wanted(options, maker.name) || !maker.make(setup)) continue;
        RaySets rays;
        rays.coherent = cameraRays(setup.bounds, options.cameraWidth, options.cameraHeight);
        rays.incoherent = randomRays(setup.bounds, options.randomRays, 4242);

        const Result hox = measureHox(setup, rays, options);
        if (options.hoxOnly) {
            printRow(setup.name.c_str(), setup.triangles.c_str(), "hox", hox, rays);
            continue;
        }
        Result native, sse2;
        if (!measureEmbree("threads=1", setup, rays, options, native) ||
            !measureEmbree("threads=1,isa=sse2", setup, rays, options, sse2)) {
            return 1;
        }
        printRow(setup.name.c_str(), setup.triangles.c_str(), "hox", hox, rays);
        printRow("", "", "embree-native", native, rays);
        printRow("", "", "embree-sse2", sse2, rays);
        printRatio("hox/native", hox, native);
        printRatio("hox/sse2", hox, sse2);
        std::printf("\n");
        std::fflush(stdout);
        summary.push_back({setup.name, hox.buildMs / sse2.buildMs, hox.coherentMrays / sse2.coherentMrays,
                           hox.incoherentMrays / sse2.incoherentMrays});
    }

    if (options.hoxOnly) return 0;
    std::printf("hox against Embree-SSE2 (targets: build <= 1.50x, throughput >= 1.00x)\n");
    std::printf("%-16s %10s %12s %12s\n", "scene", "build", "coherent", "incoherent");
    for (const Summary& s : summary) {
        std::printf("%-16s %9.2fx%s %10.2fx%s %10.2fx%s\n", s.name.c_str(), s.build, s.build <= 1.5 ? " " : "!",
                    s.coherent, s.coherent >= 1.0 ? " " : "!", s.incoherent, s.incoherent >= 1.0 ? " " : "!");
    }
    return 0;
}
