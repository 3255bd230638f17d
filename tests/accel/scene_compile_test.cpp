// Scene compilation: the top-level tree and its instances, mesh sharing and
// lifetime, mesh leaves, and the instance transforms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "accel/mesh_compile.h"
#include "accel/scene_compile.h"
#include "accel_test_support.h"
#include "scene/geometry_edit.h"
#include "scene/geometry_preparation.h"
#include "scene/matrix4.h"
#include "scene/shader_record.h"
#include "trace/compiled_mesh.h"
#include "util/cvars.h"

namespace hox {
namespace accel {
namespace {

using trace::Bvh4Node;
using trace::CompiledMesh;
using namespace testing;

// A rows x rows grid of quads (two triangles each) on a bumpy sheet.
void buildGrid(scene::GeometryRecord& g, int rows) {
    std::vector<Vec3f> coords;
    std::vector<int> indices;
    for (int y = 0; y <= rows; ++y)
        for (int x = 0; x <= rows; ++x)
            coords.push_back({static_cast<float>(x), static_cast<float>(y), 0.3f * std::sin(float(x * y))});
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < rows; ++x) {
            const int a = y * (rows + 1) + x, b = a + 1, c = a + rows + 1, d = c + 1;
            indices.insert(indices.end(), {a, b, c, b, d, c});
        }
    }
    ASSERT_EQ(0, scene::initGeometry(g, scene::kGeometryTypeTriangles, static_cast<int>(indices.size() / 3),
                                     static_cast<int>(coords.size())));
    ASSERT_EQ(0, scene::setGeometryIndices(g, indices.data()));
    ASSERT_EQ(0, scene::setGeometryCoords(g, coords.data()));
}

class SceneCompileTest : public ::testing::Test {
protected:
    scene::GeometryRecord* addGeometry(int rows) {
        geometries.emplace_back(new scene::GeometryRecord(static_cast<int>(geometries.size())));
        buildGrid(*geometries.back(), rows);
        EXPECT_TRUE(scene::prepareGeometry(*geometries.back()));
        return geometries.back().get();
    }

    // Appends an object with its world box as view preparation makes it.
    ObjectEntry& addObject(scene::GeometryRecord* g, const Mat4f& world) {
        ObjectEntry e{};
        e.geometry = g;
        e.worldMatrix = world;
        e.floatValue = 1.0f;
        e.lightSetIndex = static_cast<uint32_t>(view.objects.count());  // doubles as an id
        scene::transformBox(world, g->boundsMin, g->boundsMax, e.boundsMin, e.boundsMax);
        EXPECT_TRUE(view.objects.push(e));
        return view.objects[view.objects.count() - 1];
    }

    // The tracing space of the objects' union: centred, longest side 2.
    void compile() {
        Vec3f lo{1e38f, 1e38f, 1e38f}, hi{-1e38f, -1e38f, -1e38f};
        for (const ObjectEntry& e : view.objects) {
            lo = {std::min(lo.x, e.boundsMin.x), std::min(lo.y, e.boundsMin.y), std::min(lo.z, e.boundsMin.z)};
            hi = {std::max(hi.x, e.boundsMax.x), std::max(hi.y, e.boundsMax.y), std::max(hi.z, e.boundsMax.z)};
        }
        const float longest = std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z});
        view.worldScale = longest > 0 ? 2.0f / longest : 1.0f;
        view.inverseWorldScale = 1.0f / view.worldScale;
        view.worldOffset = {-(lo.x + hi.x) / 2, -(lo.y + hi.y) / 2, -(lo.z + hi.z) / 2};
        compileScene(scene, view);
    }

    std::vector<std::unique_ptr<scene::GeometryRecord>> geometries;
    PreparedView view;
    trace::CompiledScene scene;  // declared last: its mesh references go first
};

TEST_F(SceneCompileTest, EmptyViewAndSingleObjectMakeOneRootNode) {
    compile();
    ASSERT_EQ(1, scene.nodes4.count);
    EXPECT_EQ(0u, scene.nodes4[0].childMask);
    for (int j = 0; j < 4; ++j) EXPECT_TRUE(laneEmpty(scene.nodes4[0], j));
    EXPECT_EQ(std::make_tuple(scene.instances.count, scene.instanceData, scene.node4Data),
              std::make_tuple(0, nullptr, scene.nodes4.data));

    addObject(addGeometry(2), translation(1, 2, 3));
    compile();
    ASSERT_EQ(1, scene.instances.count);
    ASSERT_EQ(1, scene.nodes4.count);
    const Bvh4Node& root = scene.nodes4[0];
    EXPECT_EQ(1u, root.childMask);
    EXPECT_EQ(std::vector<int32_t>(4, ~0), std::vector<int32_t>(root.child, root.child + 4));
    for (int j = 1; j < 4; ++j) EXPECT_TRUE(laneEmpty(root, j));
    EXPECT_EQ(std::make_pair(scene.instances[0].worldMin[0], scene.instances[0].worldMax[2]),
              std::make_pair(root.minX[0], root.maxZ[0]));
}

// Every object is one instance, reachable exactly once from the 4-wide root,
// under a lane holding its tracing-space box.
TEST_F(SceneCompileTest, EveryObjectBecomesOneReachableInstance) {
    scene::GeometryRecord* g[3] = {addGeometry(1), addGeometry(2), addGeometry(3)};
    const int objects = 37;
    for (int i = 0; i < objects; ++i) addObject(g[i % 3], translation(float(i % 5) * 7, float(i / 5) * 3, float(i % 2)));
    compile();
    ASSERT_EQ(objects, scene.instances.count);
    std::vector<int> reached(objects, 0), ids(objects, 0);
    std::vector<int> stack{0};
    while (!stack.empty()) {
        const Bvh4Node& n = scene.nodes4[stack.back()];
        stack.pop_back();
        for (int j = 0; j < 4; ++j) {
            if (!(n.childMask & (1u << j))) continue;
            if (n.child[j] >= 0) {
                stack.push_back(n.child[j]);
                continue;
            }
            const trace::Instance& inst = scene.instances[~n.child[j]];
            ++reached[~n.child[j]];
            EXPECT_EQ(std::make_tuple(inst.worldMin[0], inst.worldMax[1], inst.worldMax[2]),
                      std::make_tuple(n.minX[j], n.maxY[j], n.maxZ[j]));
        }
    }
    for (int i = 0; i < objects; ++i) {
        EXPECT_EQ(1, reached[i]) << "instance " << i;
        EXPECT_EQ(uint32_t(i), scene.instances[i].instanceNumber);
        ++ids[scene.instances[i].lightSetIndex];
    }
    EXPECT_EQ(std::vector<int>(objects, 1), ids);
}

TEST_F(SceneCompileTest, MeshesAreSharedAndCountedAndRebuiltOnlyForEditedGeometry) {
    scene::GeometryRecord* g = addGeometry(4);
    scene::GeometryRecord* kept = addGeometry(2);
    addObject(g, translation(0, 0, 0));
    addObject(g, translation(10, 0, 0));
    addObject(kept, translation(5, 0, 0));
    {
        trace::CompiledScene other;
        compileScene(other, view);
        compile();
        CompiledMesh* mesh = scene.instances[0].mesh;
        ASSERT_NE(nullptr, mesh);
        EXPECT_EQ(std::make_tuple(scene.instances[1].mesh, other.instances[0].mesh), std::make_tuple(mesh, mesh));
        EXPECT_EQ(static_cast<scene::AccelerationData*>(mesh), g->acceleration);
        EXPECT_EQ(5, mesh->refCount());  // the geometry and four instances
        compile();                       // recompiling drops the old references
        EXPECT_EQ(5, mesh->refCount());
    }
    EXPECT_EQ(3, g->acceleration->refCount());

    // A new version of the record, as an edit makes it: no acceleration data.
    scene::AccelerationData* oldMesh = g->acceleration;
    scene::AccelerationData* keptMesh = kept->acceleration;
    geometries.emplace_back(new scene::GeometryRecord(g->instance()));
    geometries.back()->copyFrom(*g);
    view.objects[0].geometry = geometries.back().get();
    compile();
    ASSERT_NE(nullptr, geometries.back()->acceleration);
    EXPECT_NE(oldMesh, geometries.back()->acceleration);
    EXPECT_EQ(keptMesh, kept->acceleration);
    for (const trace::Instance& inst : {scene.instances[0], scene.instances[2]})
        EXPECT_EQ(static_cast<scene::AccelerationData*>(inst.mesh), inst.geometry->acceleration);
}

TEST_F(SceneCompileTest, MeshWithinTheCutoffIsOneLeafTestedDirectly) {
    const int saved = util::rt_bvhLeafCutoff.get();
    const struct {
        int rows;  // 2 * rows^2 triangles
        int cutoff;
        bool single;
    } cases[] = {{1, 2, true}, {1, 1, false}, {2, 8, true}, {2, 4, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.rows << " rows, cutoff " << c.cutoff);
        util::rt_bvhLeafCutoff = c.cutoff;
        view.objects.clear();
        addObject(addGeometry(c.rows), translation(0, 0, 0));
        compile();
        const trace::Instance& inst = scene.instances[0];
        ASSERT_NE(nullptr, inst.mesh);
        EXPECT_EQ(c.single, inst.mesh->nodes4.count == 0);
        EXPECT_EQ(c.single ? &inst.mesh->leaves[0] : nullptr, inst.singleLeaf);
        if (c.single) {
            EXPECT_EQ(2 * c.rows * c.rows, inst.singleLeaf->triangleCount);
        }
    }
    util::rt_bvhLeafCutoff = saved;
}

// The leaf records partition the triangles, each with its own packets.
TEST_F(SceneCompileTest, MeshLeavesCoverEveryTriangleOnceAndNoTrianglesGiveAnEmptyMesh) {
    scene::GeometryRecord* g = addGeometry(9);
    CompiledMesh mesh(g);
    ASSERT_TRUE(compileMesh(mesh, *g));
    std::vector<int> seen(g->primitiveCount, 0);
    const trace::TrianglePacket* nextPackets = mesh.packets.data;
    for (int i = 0; i < mesh.leaves.count; ++i) {
        const trace::MeshLeaf& leaf = mesh.leaves[i];
        EXPECT_EQ(std::make_tuple(leaf.geometry, leaf.packets, leaf.packetCount),
                  std::make_tuple(g, nextPackets, (leaf.triangleCount + 3) / 4));
        nextPackets += leaf.packetCount;
        for (int k = 0; k < leaf.triangleCount; ++k) ++seen[leaf.triangles[k]];
    }
    EXPECT_EQ(mesh.packets.data + mesh.packets.count, nextPackets);
    EXPECT_EQ(std::vector<int>(g->primitiveCount, 1), seen);

    scene::GeometryRecord empty(0);
    CompiledMesh none(&empty);
    EXPECT_FALSE(compileMesh(none, empty));
    EXPECT_EQ(0, none.nodes.count + none.nodes4.count + none.leaves.count + none.packets.count);
    EXPECT_TRUE(none.nodeData == nullptr && none.leafData == nullptr);
}

// objectToWorld maps each normalised vertex to (p * W + offset) * scale, for
// a rotated, scaled and translated object, and worldToObject undoes it.
TEST_F(SceneCompileTest, InstanceTransformsReachTracingSpace) {
    scene::GeometryRecord* g = addGeometry(3);
    const float c = std::cos(0.7f), s = std::sin(0.7f);
    const Mat4f rotate = {{c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    const Mat4f scale = {{2, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 3, 0, 0, 0, 0, 1}};
    const Mat4f world = scene::mat4Multiply(scene::mat4Multiply(scale, rotate), translation(4, -2, 9));
    addObject(g, world);
    addObject(g, translation(-6, 1, 0));  // widens the scene so offset and scale matter
    compile();
    const trace::Instance& inst = scene.instances[0].objectMatrix.m[12] == 4 ? scene.instances[0] : scene.instances[1];
    for (int v = 0; v < g->vertexCount; ++v) {
        const Vec3f w = scene::transformPoint(g->coords[v], world);
        const Vec3f expected{(w.x + view.worldOffset.x) * view.worldScale, (w.y + view.worldOffset.y) * view.worldScale,
                             (w.z + view.worldOffset.z) * view.worldScale};
        const Vec3f traced = scene::transformPoint(g->normalisedCoords[v], inst.objectToWorld);
        expectNear(expected, traced);
        EXPECT_TRUE(traced.x >= inst.worldMin[0] - 1e-6f && traced.x <= inst.worldMax[0] + 1e-6f &&
                    traced.y >= inst.worldMin[1] - 1e-6f && traced.y <= inst.worldMax[1] + 1e-6f &&
                    traced.z >= inst.worldMin[2] - 1e-6f && traced.z <= inst.worldMax[2] + 1e-6f);
        expectNear(g->normalisedCoords[v], scene::transformPoint(traced, inst.worldToObject));
    }
    // The normal matrix inverts the object matrix's linear part.
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col) {
            float sum = 0;
            for (int k = 0; k < 3; ++k) sum += world.m[r * 4 + k] * inst.normalMatrix.m[k * 3 + col];
            EXPECT_NEAR(r == col ? 1.0f : 0.0f, sum, 1e-6f);
        }
}

TEST_F(SceneCompileTest, InstanceCarriesTheObjectsFieldsAndZeroInversesWhenSingular) {
    scene::ShaderRecord shader(3);
    shader.flags = 2;
    Mat4f flat = scene::mat4Identity();
    flat.m[10] = 0;  // squashed onto a plane: no inverse
    ObjectEntry& e = addObject(addGeometry(1), flat);
    e.shader = &shader;
    e.offMask = 0x12;
    e.givenMask = 0x13;
    e.floatGiven = 1;
    e.floatValue = 0.25f;
    compile();
    const trace::Instance& inst = scene.instances[0];
    EXPECT_EQ(std::make_tuple(inst.mask, inst.givenMask, inst.transparentShadows, inst.occlusionRange, inst.epsilon,
                              inst.bindings),
              std::make_tuple(0x12u, 0x13u, true, 0.25f, 0.001f, nullptr));
    const std::vector<float> zeros(16, 0.0f);
    EXPECT_EQ(zeros, std::vector<float>(inst.objectMatrixInverse.m, inst.objectMatrixInverse.m + 16));
    EXPECT_EQ(zeros, std::vector<float>(inst.worldToObject.m, inst.worldToObject.m + 16));
    EXPECT_EQ(std::vector<float>(9, 0.0f), std::vector<float>(inst.normalMatrix.m, inst.normalMatrix.m + 9));
}

}  // namespace
}  // namespace accel
}  // namespace hox
