// Kernel test helpers: geometries whose normalised coordinates are their own,
// hand-made trees and scenes, and a double-precision Moller-Trumbore reference.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "accel/mesh_compile.h"
#include "accel/packet_builder.h"
#include "scene/geometry_edit.h"
#include "scene/matrix4.h"
#include "trace/compiled_scene.h"
#include "trace/query_hit.h"
#include "trace/ray.h"

namespace hox {
namespace trace {
namespace testing {

struct Tri {
    Vec3f p[3];
};
struct Box {
    Vec3f lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
    void add(Vec3f p) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
};

inline Vec3f sub(Vec3f a, Vec3f b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3f crossV(Vec3f a, Vec3f b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline float dotV(Vec3f a, Vec3f b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3f unit(Vec3f a) {
    const float l = std::sqrt(dotV(a, a));
    return l > 0 ? Vec3f{a.x / l, a.y / l, a.z / l} : Vec3f{0, 1, 0};
}
inline Vec3f transformP(const Mat4f& m, Vec3f p) { return scene::transformPoint(p, m); }
// The point of triangle p with weights (1 - u - v, u, v).
inline Vec3f barycentric(const Vec3f* p, float u, float v) {
    const float w = 1 - u - v;
    return {w * p[0].x + u * p[1].x + v * p[2].x, w * p[0].y + u * p[1].y + v * p[2].y,
            w * p[0].z + u * p[1].z + v * p[2].z};
}

// Every triangle owns its three vertices; vertex normals are face normals.
inline std::unique_ptr<scene::GeometryRecord> makeGeometry(const std::vector<Tri>& tris) {
    auto g = std::make_unique<scene::GeometryRecord>(0);
    const int n = static_cast<int>(tris.size());
    std::vector<int> idx(3 * n);
    std::vector<Vec3f> verts(3 * n);
    Box bounds;
    for (int i = 0; i < 3 * n; ++i) {
        idx[i] = i;
        verts[i] = tris[i / 3].p[i % 3];
        bounds.add(verts[i]);
    }
    EXPECT_EQ(0, scene::initGeometry(*g, scene::kGeometryTypeTriangles, n, 3 * n));
    scene::setGeometryIndices(*g, idx.data());
    scene::setGeometryCoords(*g, verts.data());
    for (int i = 0; i < 3 * n; ++i) g->normalisedCoords[i] = verts[i];
    for (int t = 0; t < n; ++t) {
        const Vec3f c = crossV(sub(tris[t].p[1], tris[t].p[0]), sub(tris[t].p[2], tris[t].p[0]));
        g->faceNormals[t] = unit(c);  // (0, 1, 0) for a triangle without area
        for (int k = 0; k < 3; ++k) g->normals[3 * t + k] = g->faceNormals[t];
    }
    g->boundsMin = bounds.lo, g->boundsMax = bounds.hi;
    g->normalising = g->normalisingInverse = scene::mat4Identity();
    g->state = scene::GEOMETRY_READY;
    return g;
}

// An object-space ray exactly as given (no clamping of direction components).
inline Ray objectRay(Vec3f o, Vec3f d, float tMax = kRayFar) {
    Ray r{};
    for (int a = 0; a < 3; ++a) {
        r.origin[a] = (&o.x)[a];
        r.direction[a] = (&d.x)[a];
        r.invDir[a] = 1.0f / r.direction[a];
        r.dirSign[a] = r.direction[a] < 0 ? 1u : 0u;
    }
    r.tMax = tMax;
    r.hitTriangle = r.hitInstanceId = r.originTriangle = -1;
    broadcastRay(r);
    return r;
}

struct MtResult {
    bool valid;  // the ray is not parallel to the plane
    double t, u, v;
};

// Moller-Trumbore in double precision, both sides, no bounds applied.
inline MtResult mollerTrumbore(const double o[3], const double d[3], const Tri& tri) {
    double e1[3], e2[3], s[3], p[3], q[3];
    for (int a = 0; a < 3; ++a) {
        const double p0 = (&tri.p[0].x)[a];
        e1[a] = (&tri.p[1].x)[a] - p0, e2[a] = (&tri.p[2].x)[a] - p0, s[a] = o[a] - p0;
    }
    auto cross = [](const double* a, const double* b, double* c) {
        for (int i = 0; i < 3; ++i) c[i] = a[(i + 1) % 3] * b[(i + 2) % 3] - a[(i + 2) % 3] * b[(i + 1) % 3];
    };
    auto dot = [](const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
    cross(d, e2, p);
    cross(s, e1, q);
    const double det = dot(e1, p);
    if (std::fabs(det) < 1e-14) return {false, 0, 0, 0};
    return {true, dot(e2, q) / det, dot(s, p) / det, dot(d, q) / det};
}

inline void setLane(Bvh4Node& n, int j, const Box& b) {
    n.minX[j] = b.lo.x, n.minY[j] = b.lo.y, n.minZ[j] = b.lo.z;
    n.maxX[j] = b.hi.x, n.maxY[j] = b.hi.y, n.maxZ[j] = b.hi.z;
}
inline Bvh4Node emptyNode() {
    Bvh4Node n{};
    for (int j = 0; j < 4; ++j) setLane(n, j, Box{{1, 1, 1}, {-1, -1, -1}});
    return n;
}

// A hand-made 4-wide tree; leaf references are ~leaf number.
struct Tree4 {
    std::vector<Bvh4Node> nodes;
    std::vector<std::vector<int>> leaves;
};

// A compiled mesh over the geometry (reference count 0) walking `tree`.
inline CompiledMesh* meshFromTree(const scene::GeometryRecord& g, const Tree4& tree) {
    auto* mesh = new CompiledMesh(&g);
    std::vector<int32_t> order;
    int packets = 0;
    for (const auto& leaf : tree.leaves) {
        order.insert(order.end(), leaf.begin(), leaf.end());
        packets += (static_cast<int>(leaf.size()) + 3) / 4;
    }
    mesh->triangleIndices.resize(static_cast<int>(order.size()));
    std::copy(order.begin(), order.end(), mesh->triangleIndices.data);
    mesh->packets.resize(packets);
    mesh->leaves.resize(static_cast<int>(tree.leaves.size()));
    int first = 0, packet = 0;
    for (int i = 0; i < mesh->leaves.count; ++i) {
        MeshLeaf& leaf = mesh->leaves[i];
        leaf = {&g, mesh->triangleIndices.data + first, mesh->packets.data + packet,
                static_cast<int32_t>(tree.leaves[i].size()), 0};
        accel::buildLeafPackets(leaf, mesh->packets.data + packet, g);
        first += leaf.triangleCount;
        packet += leaf.packetCount;
    }
    mesh->nodes4.resize(static_cast<int>(tree.nodes.size()));
    std::copy(tree.nodes.begin(), tree.nodes.end(), mesh->nodes4.data);
    mesh->updateViews();
    return mesh;
}

// The mesh as frames build it (binary build, packets, 4-wide collapse).
inline CompiledMesh* makeMesh(const scene::GeometryRecord& g) {
    auto* mesh = new CompiledMesh(&g);
    EXPECT_TRUE(accel::compileMesh(*mesh, g));
    return mesh;
}

// The upper-left 3x3 part (of an affine inverse: the inverse of the part).
inline Mat3f upperLeft(const Mat4f& m) {
    Mat3f out;
    for (int i = 0; i < 9; ++i) out.m[i] = m.m[(i / 3) * 4 + i % 3];
    return out;
}

inline Mat4f affine(float sx, float sy, float sz, float rotZ, Vec3f t) {
    Mat4f m = scene::mat4Identity();
    const float c = std::cos(rotZ), s = std::sin(rotZ);
    m.m[0] = sx * c, m.m[1] = sx * s, m.m[4] = -sy * s, m.m[5] = sy * c, m.m[10] = sz;
    m.m[12] = t.x, m.m[13] = t.y, m.m[14] = t.z;
    return m;  // scale, then rotate about z, then move
}

struct InstanceDesc {
    CompiledMesh* mesh;
    Mat4f objectMatrix;
    uint32_t mask;
};

// Up to four instances under one root node, lane i = instance i (the scene
// releases the mesh references).
inline void makeScene(CompiledScene& scene, const std::vector<InstanceDesc>& descs, Vec3f offset, float scale) {
    scene.worldOffset[0] = offset.x, scene.worldOffset[1] = offset.y, scene.worldOffset[2] = offset.z;
    scene.worldScale = scale;
    scene.inverseWorldScale = 1.0f / scale;
    const Mat4f toTracing = scene::mat4Multiply(affine(1, 1, 1, 0, offset), affine(scale, scale, scale, 0, {}));
    scene.nodes4.resize(1);
    scene.nodes4[0] = emptyNode();
    scene.instances.resize(static_cast<int>(descs.size()));
    for (int i = 0; i < static_cast<int>(descs.size()); ++i) {
        const InstanceDesc& d = descs[i];
        Instance inst{};
        inst.mask = d.mask;
        inst.objectMatrix = d.objectMatrix;
        inst.objectMatrixInverse = scene::mat4Inverse(d.objectMatrix);
        inst.normalMatrix = upperLeft(inst.objectMatrixInverse);
        inst.normalMatrixInverse = upperLeft(d.objectMatrix);
        inst.objectToWorld = scene::mat4Multiply(d.objectMatrix, toTracing);
        inst.worldToObject = scene::mat4Inverse(inst.objectToWorld);
        Box world;
        scene::transformBox(inst.objectToWorld, d.mesh->geometry->boundsMin, d.mesh->geometry->boundsMax, world.lo, world.hi);
        for (int a = 0; a < 3; ++a) inst.worldMin[a] = (&world.lo.x)[a], inst.worldMax[a] = (&world.hi.x)[a];
        setLane(scene.nodes4[0], i, world);
        scene.nodes4[0].child[i] = ~i;
        scene.nodes4[0].childMask |= 1u << i;
        inst.epsilon = 0.001f;
        inst.mesh = d.mesh;
        d.mesh->addRef();
        inst.singleLeaf = !d.mesh->node4Data && d.mesh->leafData ? d.mesh->leafData : nullptr;
        inst.geometry = d.mesh->geometry;
        inst.instanceNumber = static_cast<uint32_t>(i);
        scene.instances[i] = inst;
    }
    scene.updateViews();
}

}  // namespace testing
}  // namespace trace
}  // namespace hox
