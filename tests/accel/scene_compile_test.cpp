// Scene compilation: the top-level tree and its instances, mesh sharing and
// lifetime, and the instance transforms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "accel/mesh_compile.h"
#include "accel/scene_compile.h"
#include "scene/geometry_preparation.h"
#include "scene/geometry_edit.h"
#include "scene/matrix4.h"
#include "scene/shader_record.h"
#include "trace/compiled_mesh.h"
#include "util/cvars.h"

namespace hox {
namespace accel {
namespace {

using trace::Bvh4Node;
using trace::CompiledMesh;

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

void expectNear(const Vec3f& expected, const Vec3f& actual) {
    EXPECT_NEAR(expected.x, actual.x, 1e-5f);
    EXPECT_NEAR(expected.y, actual.y, 1e-5f);
    EXPECT_NEAR(expected.z, actual.z, 1e-5f);
}

Mat4f translation(float x, float y, float z) {
    Mat4f m = scene::mat4Identity();
    m.m[12] = x, m.m[13] = y, m.m[14] = z;
    return m;
}

bool laneEmpty(const Bvh4Node& n, int j) {
    return n.minX[j] == 1 && n.minY[j] == 1 && n.minZ[j] == 1 && n.maxX[j] == -1 && n.maxY[j] == -1 &&
           n.maxZ[j] == -1;
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
        const float* m = world.m;
        const float bmin[3] = {g->boundsMin.x, g->boundsMin.y, g->boundsMin.z};
        const float bmax[3] = {g->boundsMax.x, g->boundsMax.y, g->boundsMax.z};
        float lo[3], hi[3];
        for (int j = 0; j < 3; ++j) {
            lo[j] = hi[j] = m[12 + j];
            for (int i = 0; i < 3; ++i) {
                lo[j] += std::min(m[i * 4 + j] * bmin[i], m[i * 4 + j] * bmax[i]);
                hi[j] += std::max(m[i * 4 + j] * bmin[i], m[i * 4 + j] * bmax[i]);
            }
        }
        e.boundsMin = {lo[0], lo[1], lo[2]};
        e.boundsMax = {hi[0], hi[1], hi[2]};
        EXPECT_TRUE(view.objects.push(e));
        return view.objects[view.objects.count() - 1];
    }

    // The tracing space of the objects' union: centred, longest side 2.
    void compile() {
        float lo[3] = {1e38f, 1e38f, 1e38f}, hi[3] = {-1e38f, -1e38f, -1e38f};
        for (const ObjectEntry& e : view.objects) {
            lo[0] = std::min(lo[0], e.boundsMin.x), hi[0] = std::max(hi[0], e.boundsMax.x);
            lo[1] = std::min(lo[1], e.boundsMin.y), hi[1] = std::max(hi[1], e.boundsMax.y);
            lo[2] = std::min(lo[2], e.boundsMin.z), hi[2] = std::max(hi[2], e.boundsMax.z);
        }
        const float longest = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
        view.worldScale = longest > 0 ? 2.0f / longest : 1.0f;
        view.inverseWorldScale = 1.0f / view.worldScale;
        view.worldOffset = {-(lo[0] + hi[0]) / 2, -(lo[1] + hi[1]) / 2, -(lo[2] + hi[2]) / 2};
        compileScene(scene, view);
    }

    std::vector<std::unique_ptr<scene::GeometryRecord>> geometries;
    PreparedView view;
    trace::CompiledScene scene;  // declared last: its mesh references go first
};

TEST_F(SceneCompileTest, EmptyViewCompilesToTheEmptyScene) {
    compile();
    ASSERT_EQ(1, scene.nodes.count);
    EXPECT_EQ(0, scene.nodes[0].primCount);
    EXPECT_GT(scene.nodes[0].boundsMin[0], scene.nodes[0].boundsMax[0]);
    ASSERT_EQ(1, scene.nodes4.count);
    EXPECT_EQ(0u, scene.nodes4[0].childMask);
    for (int j = 0; j < 4; ++j) EXPECT_TRUE(laneEmpty(scene.nodes4[0], j));
    EXPECT_EQ(0, scene.instances.count);
    EXPECT_EQ(nullptr, scene.instanceData);
    EXPECT_EQ(scene.nodes4.data, scene.node4Data);
}

TEST_F(SceneCompileTest, OneObjectIsLaneZeroOfASingleNode) {
    addObject(addGeometry(2), translation(1, 2, 3));
    compile();
    ASSERT_EQ(1, scene.instances.count);
    ASSERT_EQ(1, scene.nodes4.count);
    const Bvh4Node& root = scene.nodes4[0];
    EXPECT_EQ(1u, root.childMask);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(~0, root.child[j]);
    for (int j = 1; j < 4; ++j) EXPECT_TRUE(laneEmpty(root, j));
    for (int k = 0; k < 3; ++k) EXPECT_EQ(0u, root.splitAxis[k]);
    EXPECT_EQ(scene.instances[0].worldMin[0], root.minX[0]);
    EXPECT_EQ(scene.instances[0].worldMax[2], root.maxZ[0]);
}

// Every object is one instance, reachable exactly once from the 4-wide root,
// under a lane holding its tracing-space box.
TEST_F(SceneCompileTest, EveryObjectBecomesOneReachableInstance) {
    scene::GeometryRecord* g[3] = {addGeometry(1), addGeometry(2), addGeometry(3)};
    const int objects = 37;
    for (int i = 0; i < objects; ++i)
        addObject(g[i % 3], translation(float(i % 5) * 7, float(i / 5) * 3, float(i % 2)));
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
            EXPECT_EQ(inst.worldMin[0], n.minX[j]);
            EXPECT_EQ(inst.worldMax[1], n.maxY[j]);
            EXPECT_EQ(inst.worldMax[2], n.maxZ[j]);
        }
    }
    for (int i = 0; i < objects; ++i) {
        EXPECT_EQ(1, reached[i]) << "instance " << i;
        EXPECT_EQ(uint32_t(i), scene.instances[i].instanceNumber);
        ++ids[scene.instances[i].lightSetIndex];
    }
    for (int i = 0; i < objects; ++i) EXPECT_EQ(1, ids[i]) << "object " << i;
}

TEST_F(SceneCompileTest, SharedGeometryIsCompiledOnceAndCounted) {
    scene::GeometryRecord* g = addGeometry(4);
    addObject(g, translation(0, 0, 0));
    addObject(g, translation(10, 0, 0));
    {
        trace::CompiledScene other;
        compileScene(other, view);
        compile();
        CompiledMesh* mesh = scene.instances[0].mesh;
        ASSERT_NE(nullptr, mesh);
        EXPECT_EQ(mesh, scene.instances[1].mesh);
        EXPECT_EQ(mesh, other.instances[0].mesh);
        EXPECT_EQ(static_cast<scene::AccelerationData*>(mesh), g->acceleration);
        EXPECT_EQ(5, mesh->refCount());  // the geometry and four instances
        compile();                       // recompiling drops the old references
        EXPECT_EQ(5, mesh->refCount());
    }
    EXPECT_EQ(3, g->acceleration->refCount());
}

TEST_F(SceneCompileTest, EditedGeometryGetsANewMeshWhileAnUnchangedOneKeepsIts) {
    scene::GeometryRecord* edited = addGeometry(3);
    scene::GeometryRecord* kept = addGeometry(2);
    addObject(edited, translation(0, 0, 0));
    addObject(kept, translation(5, 0, 0));
    compile();
    scene::AccelerationData* oldMesh = edited->acceleration;
    scene::AccelerationData* keptMesh = kept->acceleration;

    // A new version of the record, as an edit makes it: no acceleration data.
    geometries.emplace_back(new scene::GeometryRecord(edited->instance()));
    geometries.back()->copyFrom(*edited);
    ASSERT_EQ(nullptr, geometries.back()->acceleration);
    view.objects[0].geometry = geometries.back().get();
    compile();
    ASSERT_NE(nullptr, geometries.back()->acceleration);
    EXPECT_NE(oldMesh, geometries.back()->acceleration);
    EXPECT_EQ(keptMesh, kept->acceleration);
    for (const trace::Instance& inst : {scene.instances[0], scene.instances[1]})
        EXPECT_EQ(static_cast<scene::AccelerationData*>(inst.mesh), inst.geometry->acceleration);
}

struct LeafCase {
    int rows;  // 2 * rows^2 triangles
    int cutoff;
    bool single;
};

class SmallMeshTest : public SceneCompileTest, public ::testing::WithParamInterface<LeafCase> {};

TEST_P(SmallMeshTest, MeshWithinTheCutoffIsOneLeafTestedDirectly) {
    const LeafCase c = GetParam();
    const int saved = util::rt_bvhLeafCutoff.get();
    util::rt_bvhLeafCutoff = c.cutoff;
    addObject(addGeometry(c.rows), translation(0, 0, 0));
    compile();
    util::rt_bvhLeafCutoff = saved;
    const trace::Instance& inst = scene.instances[0];
    ASSERT_NE(nullptr, inst.mesh);
    if (c.single) {
        EXPECT_EQ(0, inst.mesh->nodes4.count);
        ASSERT_EQ(1, inst.mesh->leaves.count);
        EXPECT_EQ(&inst.mesh->leaves[0], inst.singleLeaf);
        EXPECT_EQ(2 * c.rows * c.rows, inst.singleLeaf->triangleCount);
    } else {
        EXPECT_GE(inst.mesh->nodes4.count, 1);
        EXPECT_EQ(nullptr, inst.singleLeaf);
    }
}

INSTANTIATE_TEST_SUITE_P(Cutoffs, SmallMeshTest,
                         ::testing::Values(LeafCase{1, 4, true}, LeafCase{1, 2, true}, LeafCase{1, 1, false},
                                           LeafCase{2, 8, true}, LeafCase{2, 4, false}));

// The leaf records partition the triangles, each with its own packets.
TEST_F(SceneCompileTest, MeshLeavesCoverEveryTriangleOnce) {
    scene::GeometryRecord* g = addGeometry(9);
    CompiledMesh mesh(g);
    ASSERT_TRUE(compileMesh(mesh, *g));
    std::vector<int> seen(g->primitiveCount, 0);
    const trace::TrianglePacket* nextPackets = mesh.packets.data;
    for (int i = 0; i < mesh.leaves.count; ++i) {
        const trace::MeshLeaf& leaf = mesh.leaves[i];
        EXPECT_EQ(g, leaf.geometry);
        EXPECT_EQ(nextPackets, leaf.packets);
        EXPECT_EQ((leaf.triangleCount + 3) / 4, leaf.packetCount);
        nextPackets += leaf.packetCount;
        for (int k = 0; k < leaf.triangleCount; ++k) ++seen[leaf.triangles[k]];
    }
    EXPECT_EQ(mesh.packets.data + mesh.packets.count, nextPackets);
    EXPECT_EQ(std::vector<int>(g->primitiveCount, 1), seen);
}

TEST_F(SceneCompileTest, GeometryWithoutTrianglesGivesAnEmptyMesh) {
    scene::GeometryRecord empty(0);
    CompiledMesh mesh(&empty);
    EXPECT_FALSE(compileMesh(mesh, empty));
    EXPECT_EQ(0, mesh.nodes.count + mesh.nodes4.count + mesh.leaves.count + mesh.packets.count);
    EXPECT_EQ(nullptr, mesh.nodeData);
    EXPECT_EQ(nullptr, mesh.leafData);
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
    const trace::Instance& inst = scene.instances[0].objectMatrix.m[12] == 4 ? scene.instances[0]
                                                                            : scene.instances[1];
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
    EXPECT_EQ(0x12u, inst.mask);
    EXPECT_EQ(0x13u, inst.givenMask);
    EXPECT_TRUE(inst.transparentShadows);
    EXPECT_EQ(0.25f, inst.occlusionRange);
    EXPECT_EQ(0.001f, inst.epsilon);
    EXPECT_EQ(nullptr, inst.bindings);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(0.0f, inst.objectMatrixInverse.m[i]);
        EXPECT_EQ(0.0f, inst.worldToObject.m[i]);
    }
    for (int i = 0; i < 9; ++i) EXPECT_EQ(0.0f, inst.normalMatrix.m[i]);
}

}  // namespace
}  // namespace accel
}  // namespace hox
