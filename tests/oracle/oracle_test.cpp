// hox against Embree (robust, watertight: the reference) on the same meshes,
// matrices and world rays: models, procedural meshes, two-level scenes of
// scaled, rotated and mirrored instances. hox enlarges triangles by a relative
// 1e-5 against leaks, so near edges the two may part. Per ray set: 99.9% agree
// on hit and distance, every disagreement is explained by an edge or a
// glancing hit, and hox's weights give back its hit point.
// HOX_ORACLE_VERBOSE=1 prints every ray set's tallies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "mesh_sources.h"
#include "mirrored_scene.h"
#include "ray_sets.h"
#include "scene/matrix4.h"

namespace hox {
namespace oracle {
namespace {

constexpr double kMinAgreement = 0.999;
// Rays aimed at edges part by design (enlarged triangles reach past
// silhouettes; about 3% on a 20,000-triangle height field), each still explained.
constexpr double kMinAgreementOnEdges = 0.90;
// Relative, or near the origin a few units in the last place of the scene size.
constexpr double kDistanceTolerance = 1e-4;
constexpr double kDistanceFloorPerSceneSize = 1e-6;
// How far from an edge a disagreement may lie (and two hit points on one
// triangle): twice the enlargement plus single-precision work, direction
// components below 1e-6 included (hox bends them to 1e-6).
constexpr double kEdgeSlackPerEdgeLength = 2e-5;
constexpr double kEdgeSlackPerSceneSize = 4e-6;

struct SceneDesc {
    struct Object {
        int mesh;
        Mat4f world;
    };
    std::vector<const MeshData*> meshes;
    std::vector<Object> objects;
};

WorldTriangle worldTriangle(const MeshData& mesh, const Mat4f& world, int t) {
    WorldTriangle out;
    const float* m = world.m;
    for (int k = 0; k < 3; ++k) {
        const Vec3d v = toD(mesh.vertices[mesh.indices[3 * t + k]]);
        double w[3];
        for (int j = 0; j < 3; ++j) w[j] = v.x * m[j] + v.y * m[4 + j] + v.z * m[8 + j] + m[12 + j];
        out.p[k] = {w[0], w[1], w[2]};
    }
    return out;
}

// Distance between the segment a-b and the ray o + s d, 0 <= s <= reach.
double segmentRayDistance(Vec3d a, Vec3d b, Vec3d o, Vec3d d, double reach) {
    const Vec3d d1 = b - a, d2 = d * reach, r = a - o;
    const double aa = dot(d1, d1), ee = dot(d2, d2), f = dot(d2, r);
    double s = 0.0, t = 0.0;
    if (aa <= 1e-300) {
        t = std::clamp(f / ee, 0.0, 1.0);
    } else {
        const double c = dot(d1, r), bb = dot(d1, d2), denom = aa * ee - bb * bb;
        s = denom > 0.0 ? std::clamp((bb * f - c * ee) / denom, 0.0, 1.0) : 0.0;
        t = (bb * s + f) / ee;
        if (t < 0.0 || t > 1.0) {
            t = std::clamp(t, 0.0, 1.0);
            s = std::clamp((bb * t - c) / aa, 0.0, 1.0);
        }
    }
    return length((a + d1 * s) - (o + d2 * t));
}

double edgeSlack(const WorldTriangle& tri, double sceneSize) {
    double longest = 0.0;
    for (int k = 0; k < 3; ++k) longest = std::max(longest, length(tri.p[(k + 1) % 3] - tri.p[k]));
    return kEdgeSlackPerEdgeLength * longest + kEdgeSlackPerSceneSize * sceneSize;
}

// The ray's distance from the nearest edge over the slack: <= 1 explains a disagreement.
double edgeMissRatio(const WorldTriangle& tri, const WorldRay& ray, double sceneSize, double reach) {
    double nearest = 1e300;
    for (int k = 0; k < 3; ++k)
        nearest = std::min(nearest, segmentRayDistance(tri.p[k], tri.p[(k + 1) % 3], toD(ray.origin),
                                                       toD(ray.direction), reach));
    return nearest / edgeSlack(tri, sceneSize);
}

// The size single-precision rounding scales with: extent or distance from 0.
double sceneSize(const Bounds& b) {
    double size = b.extent();
    for (float c : {b.lo.x, b.lo.y, b.lo.z, b.hi.x, b.hi.y, b.hi.z}) size = std::max(size, std::fabs(double(c)));
    return size;
}

// The same scene in both tracers (single-level in Embree for one identity object).
class Mirrors {
public:
    Mirrors(const SceneDesc& desc, bool singleLevel) : desc_(desc), embree_("threads=1", RTC_SCENE_FLAG_ROBUST) {
        for (const MeshData* mesh : desc.meshes) {
            EXPECT_GE(hox_.addMesh(*mesh), 0) << mesh->name;
            if (!singleLevel) embree_.addMesh(*mesh);
        }
        for (const SceneDesc::Object& object : desc.objects) {
            hox_.addObject(object.mesh, object.world);
            if (singleLevel)
                embree_.addMeshDirect(*desc.meshes[object.mesh], object.mesh);
            else
                embree_.addObject(object.mesh, object.world);
        }
        hox_.compile();
        embree_.commit();
        EXPECT_TRUE(embree_.ok()) << embree_.error();
        EXPECT_EQ(static_cast<int>(desc.objects.size()), hox_.compiled().instances.count);
    }

    const Bounds& bounds() const { return hox_.worldBounds(); }
    const HoxScene& hox() const { return hox_; }
    const EmbreeScene& embree() const { return embree_; }
    WorldTriangle pick(std::mt19937& rng) const {
        const SceneDesc::Object& object = desc_.objects[rng() % desc_.objects.size()];
        const MeshData& mesh = *desc_.meshes[object.mesh];
        return worldTriangle(mesh, object.world, static_cast<int>(rng() % mesh.triangleCount()));
    }
    WorldTriangle triangleOf(const WorldHit& h) const {
        return worldTriangle(*desc_.meshes[h.mesh], h.world, h.triangle);
    }

private:
    const SceneDesc& desc_;
    HoxScene hox_;
    EmbreeScene embree_;
};

struct Tally {
    int rays = 0, bothHit = 0, bothMiss = 0, hoxOnly = 0, embreeOnly = 0;
    int distanceApart = 0, nearEdges = 0, grazing = 0, unexplained = 0;
    double worstWeightGap = 0.0;  // hox's weights against its hit point, over the slack
    std::string firstUnexplained, worstWeights;

    int disagreements() const { return hoxOnly + embreeOnly + distanceApart; }
    std::string summary() const {
        std::ostringstream s;
        s << rays << " rays: " << bothHit << " both hit, " << bothMiss << " both miss, " << hoxOnly << " hox only, "
          << embreeOnly << " Embree only, " << distanceApart << " distances apart (" << nearEdges << " at edges, "
          << grazing << " glancing, " << unexplained << " unexplained); worst weights " << worstWeightGap
          << " of the slack";
        return s.str();
    }
};

bool sameTriangle(const WorldHit& a, const WorldHit& b) {
    return a.mesh == b.mesh && a.triangle == b.triangle &&
           std::equal(std::begin(a.world.m), std::end(a.world.m), std::begin(b.world.m));
}

std::string describe(const WorldRay& ray, const WorldHit& h, const WorldHit& e) {
    std::ostringstream s;
    s.precision(9);
    s << "ray (" << ray.origin.x << ", " << ray.origin.y << ", " << ray.origin.z << ") dir (" << ray.direction.x
      << ", " << ray.direction.y << ", " << ray.direction.z << ")";
    for (const WorldHit* x : {&h, &e}) {
        s << (x == &h ? ": hox " : ", Embree ");
        if (x->hit)
            s << "hit mesh " << x->mesh << " triangle " << x->triangle << " at " << x->distance << " (u " << x->u
              << ", v " << x->v << ")";
        else
            s << "missed";
    }
    return s.str();
}

Tally crossCheck(const Mirrors& mirrors, const std::vector<WorldRay>& rays) {
    Tally tally;
    const double size = sceneSize(mirrors.bounds());
    const double reach = 4.0 * mirrors.bounds().diagonal();
    for (const WorldRay& ray : rays) {
        ++tally.rays;
        const WorldHit h = mirrors.hox().trace(ray);
        const WorldHit e = mirrors.embree().trace(ray);
        const Vec3d o = toD(ray.origin), d = toD(ray.direction);

        // hox's weights must give back its own hit point (Embree's stray on slivers).
        if (h.hit) {
            const WorldTriangle tri = mirrors.triangleOf(h);
            const Vec3d weighted = tri.p[0] * (1.0 - h.u - h.v) + tri.p[1] * h.u + tri.p[2] * h.v;
            const double gap = length(weighted - (o + d * h.distance)) / edgeSlack(tri, size);
            if (gap > tally.worstWeightGap) {
                tally.worstWeightGap = gap;
                tally.worstWeights = describe(ray, h, e);
            }
        }

        double gap = 0.0;
        if (h.hit && e.hit) {
            ++tally.bothHit;
            gap = std::fabs(h.distance - e.distance);
            if (gap <= std::max(kDistanceTolerance * e.distance, kDistanceFloorPerSceneSize * size)) continue;
            ++tally.distanceApart;
        } else if (h.hit || e.hit) {
            ++(h.hit ? tally.hoxOnly : tally.embreeOnly);
        } else {
            ++tally.bothMiss;
            continue;
        }

        // Near an edge of either reported triangle: enlargement or rounding.
        double ratio = 1e300;
        if (h.hit) ratio = std::min(ratio, edgeMissRatio(mirrors.triangleOf(h), ray, size, reach));
        if (e.hit) ratio = std::min(ratio, edgeMissRatio(mirrors.triangleOf(e), ray, size, reach));
        if (ratio <= 1.0) {
            ++tally.nearEdges;
            continue;
        }
        // One triangle met glancingly: both hit points within the slack of it.
        if (h.hit && e.hit && sameTriangle(h, e)) {
            const WorldTriangle tri = mirrors.triangleOf(h);
            const Vec3d n = normalise(cross(tri.p[1] - tri.p[0], tri.p[2] - tri.p[0]));
            if (gap * std::fabs(dot(n, d)) <= edgeSlack(tri, size)) {
                ++tally.grazing;
                continue;
            }
        }
        if (tally.unexplained++ == 0)
            tally.firstUnexplained = describe(ray, h, e) + "; nearest reported edge at " + std::to_string(ratio) +
                                     " times the slack";
    }
    return tally;
}

void expectAgreement(const Mirrors& mirrors, const std::vector<WorldRay>& rays, const char* label,
                     double minAgreement = kMinAgreement) {
    SCOPED_TRACE(label);
    const Tally tally = crossCheck(mirrors, rays);
    EXPECT_GT(tally.bothHit, 0) << "a ray set that hits nothing proves nothing";
    EXPECT_LE(tally.disagreements(), (1.0 - minAgreement) * tally.rays) << tally.summary();
    EXPECT_EQ(0, tally.unexplained) << tally.summary() << "\nfirst unexplained: " << tally.firstUnexplained;
    EXPECT_LE(tally.worstWeightGap, 1.0) << tally.summary() << "\nworst weights: " << tally.worstWeights;
    if (::testing::Test::HasFailure() || std::getenv("HOX_ORACLE_VERBOSE"))
        std::printf("  %-14s %s\n", label, tally.summary().c_str());
}

// Every kind of ray over a scene: about 90,000 rays.
void expectAgreementOnAllRaySets(const SceneDesc& desc, bool singleLevel) {
    const Mirrors mirrors(desc, singleLevel);
    const Bounds& b = mirrors.bounds();
    auto pick = [&mirrors](std::mt19937& rng) { return mirrors.pick(rng); };
    expectAgreement(mirrors, cameraRays(b, 192, 128), "camera");
    expectAgreement(mirrors, outsideInRays(b, 20000, 11), "outside-in");
    expectAgreement(mirrors, randomRays(b, 20000, 12), "random");
    expectAgreement(mirrors, axisRays(b, 9600, 13), "axis-parallel");
    expectAgreement(mirrors, grazingRays(b, 8000, 14, pick), "grazing");
    expectAgreement(mirrors, edgeRays(b, 8000, 15, pick), "edges", kMinAgreementOnEdges);
}

// One of assimp's sample models; a failure when missing.
bool loadModel(const char* file, MeshData& mesh) {
    std::string error;
    const bool loaded = loadObj(std::string(HOX_TEST_MODEL_DIR) + "/" + file, mesh, error);
    EXPECT_TRUE(loaded) << error;
    return loaded;
}

// Both tracers read a rotated, scaled, moved matrix as hox's point transform does.
TEST(EmbreeMirror, ObjectMatricesPlaceInstancesAsHoxDoes) {
    MeshData tri;
    tri.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    tri.indices = {0, 1, 2};
    const Mat4f world = placement({2.0, 0.5, 1.5}, {0.3, -0.5, 0.8}, 0.9, {5.0, -2.0, 3.0});
    const Vec3f centroid = scene::transformPoint({1.0f / 3, 1.0f / 3, 0}, world);
    const Vec3d n = normalise(toD(scene::transformVector({0, 0, 1}, world)));  // any direction off the plane
    const WorldRay ray = rayBetween(toD(centroid) + n * 7.0, toD(centroid));

    EmbreeScene embree("threads=1", RTC_SCENE_FLAG_ROBUST);
    embree.addObject(embree.addMesh(tri), world);
    embree.commit();
    ASSERT_TRUE(embree.ok()) << embree.error();
    HoxScene hox;
    hox.addObject(hox.addMesh(tri), world);
    hox.compile();
    for (const WorldHit& h : {embree.trace(ray), hox.trace(ray)}) {
        ASSERT_TRUE(h.hit);
        EXPECT_NEAR(7.0, h.distance, 1e-4);
        EXPECT_NEAR(1.0 / 3, h.u, 1e-4);
        EXPECT_NEAR(1.0 / 3, h.v, 1e-4);
    }
}

// The disagreement rule itself: interiors are far, edges near, behind the origin does not count.
TEST(EdgeExplanation, SeparatesEdgesFromInteriors) {
    WorldTriangle tri{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}};
    EXPECT_GT(edgeMissRatio(tri, {{0.25f, 0.25f, 1}, {0, 0, -1}}, 1.0, 10.0), 1000.0);
    EXPECT_LT(edgeMissRatio(tri, {{0.5f, 0.0f, 1}, {0, 0, -1}}, 1.0, 10.0), 1e-3);
    EXPECT_LT(edgeMissRatio(tri, {{0.5f, -1e-6f, 1}, {0, 0, -1}}, 1.0, 10.0), 1.0);
    EXPECT_GT(edgeMissRatio(tri, {{0.5f, 0.0f, 1}, {0, 0, 1}}, 1.0, 10.0), 1000.0);
}

TEST(Oracle, SingleMeshes) {
    MeshData wuson, spider;
    const bool models = loadModel("OBJ/WusonOBJ.obj", wuson) && loadModel("OBJ/spider.obj", spider);
    EXPECT_EQ(std::make_pair(3732, 1368), std::make_pair(wuson.triangleCount(), spider.triangleCount()));
    const MeshData procedural[] = {makeSphereWithTriangles(20000), makeSoup(20000, 7), makeHeightField(100, 3)};
    std::vector<const MeshData*> meshes = {&procedural[0], &procedural[1], &procedural[2]};
    if (models) meshes.insert(meshes.begin(), {&wuson, &spider});
    for (const MeshData* mesh : meshes) {
        SCOPED_TRACE(mesh->name);
        SceneDesc desc;
        desc.meshes = {mesh};
        desc.objects = {{0, scene::mat4Identity()}};
        expectAgreementOnAllRaySets(desc, true);
    }
}

// Different meshes, arbitrary rotations, non-uniform and mirroring scales, overlapping.
TEST(Oracle, TwoLevelSceneOfTransformedInstances) {
    MeshData wuson;
    if (!loadModel("OBJ/WusonOBJ.obj", wuson)) return;
    const MeshData sphere = makeSphereWithTriangles(4000), soup = makeSoup(3000, 21), field = makeHeightField(40, 5);
    SceneDesc desc;
    desc.meshes = {&wuson, &sphere, &soup, &field};
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int i = 0; i < 24; ++i) {
        Vec3d scale{0.4 + 2.0 * u(rng), 0.4 + 2.0 * u(rng), 0.4 + 2.0 * u(rng)};
        if (i % 7 == 3) scale.y = -scale.y;  // a mirrored instance
        const Vec3d axis = randomDirection(rng);
        const Vec3d move{10.0 * u(rng), 10.0 * u(rng), 6.0 * u(rng)};
        desc.objects.push_back({i % 4, placement(scale, axis, 6.283 * u(rng), move)});
    }
    expectAgreementOnAllRaySets(desc, false);
}

// Many overlapping instances: the nearest hit often lies in a later instance entered.
TEST(Oracle, TwoLevelSceneOfManyInstancesOfOneMesh) {
    MeshData spider;
    if (!loadModel("OBJ/spider.obj", spider)) return;
    SceneDesc desc;
    desc.meshes = {&spider};
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const double size = meshBounds(spider).extent();
    for (int i = 0; i < 300; ++i) {
        const double s = 0.5 + u(rng);
        const Vec3d move{8.0 * size * u(rng), 8.0 * size * u(rng), 2.0 * size * u(rng)};
        desc.objects.push_back({0, placement({s, s, s}, randomDirection(rng), 6.283 * u(rng), move)});
    }
    expectAgreementOnAllRaySets(desc, false);
}

}  // namespace
}  // namespace oracle
}  // namespace hox
