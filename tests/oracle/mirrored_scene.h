// One scene built in hox (a prepared view assembled by hand and compiled) and
// in Embree (a scene per mesh instanced into a top scene), so that the same
// world rays trace in both. Matrices are hox's: p' = p * M, row vectors.
#pragma once

#include <embree3/rtcore.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "accel/prepared_view.h"
#include "accel/scene_compile.h"
#include "mesh_sources.h"
#include "scene/geometry_edit.h"
#include "scene/geometry_preparation.h"
#include "scene/matrix4.h"
#include "trace/compiled_scene.h"
#include "trace/ray.h"
#include "trace/traversal.h"

namespace hox {
namespace oracle {

// A direction of unit length: distances along it are world distances.
struct WorldRay {
    Vec3f origin;
    Vec3f direction;
};

// The nearest hit as either tracer reports it: distance, (mesh, object matrix, triangle).
struct WorldHit {
    bool hit = false;
    double distance = 0.0;
    int mesh = -1;
    Mat4f world{};
    int triangle = -1;
    float u = 0.0f, v = 0.0f;  // weights of the triangle's second and third vertex
};

struct Vec3d {
    double x, y, z;
};
inline Vec3d toD(const Vec3f& v) { return {v.x, v.y, v.z}; }
inline Vec3f toF(const Vec3d& v) { return {float(v.x), float(v.y), float(v.z)}; }
inline Vec3d operator+(Vec3d a, Vec3d b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3d operator-(Vec3d a, Vec3d b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3d operator*(Vec3d a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(Vec3d a, Vec3d b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3d cross(Vec3d a, Vec3d b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double length(Vec3d a) { return std::sqrt(dot(a, a)); }
inline Vec3d normalise(Vec3d a) { return a * (1.0 / length(a)); }

// Scale, then turn by `angle` about `axis`, then move: M = S * R * T (row vectors).
inline Mat4f placement(Vec3d scale, Vec3d axis, double angle, Vec3d move) {
    axis = normalise(axis);
    const double c = std::cos(angle), s = std::sin(angle), k = 1.0 - c;
    // Column-vector rotation (Rodrigues); the row-vector one is its transpose.
    const double r[3][3] = {
        {c + axis.x * axis.x * k, axis.x * axis.y * k - axis.z * s, axis.x * axis.z * k + axis.y * s},
        {axis.y * axis.x * k + axis.z * s, c + axis.y * axis.y * k, axis.y * axis.z * k - axis.x * s},
        {axis.z * axis.x * k - axis.y * s, axis.z * axis.y * k + axis.x * s, c + axis.z * axis.z * k}};
    const double sc[3] = {scale.x, scale.y, scale.z};
    Mat4f m = scene::mat4Identity();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m.m[i * 4 + j] = static_cast<float>(sc[i] * r[j][i]);
    m.m[12] = float(move.x), m.m[13] = float(move.y), m.m[14] = float(move.z);
    return m;
}

inline Bounds transformedBounds(const Bounds& b, const Mat4f& m) {
    Bounds out;
    for (int corner = 0; corner < 8; ++corner) {
        const Vec3f p{(corner & 1) ? b.hi.x : b.lo.x, (corner & 2) ? b.hi.y : b.lo.y,
                      (corner & 4) ? b.hi.z : b.lo.z};
        out.add(scene::transformPoint(p, m));
    }
    return out;
}

class HoxScene {
public:
    HoxScene() = default;
    HoxScene(const HoxScene&) = delete;
    HoxScene& operator=(const HoxScene&) = delete;
    ~HoxScene() { clearCompiled(); }

    // A prepared geometry record, as a host's edits and a frame make it; -1 when refused.
    int addMesh(const MeshData& mesh) {
        auto g = std::make_unique<scene::GeometryRecord>(static_cast<int>(geometries_.size()));
        if (scene::initGeometry(*g, scene::kGeometryTypeTriangles, mesh.triangleCount(),
                                static_cast<int>(mesh.vertices.size())) != 0 ||
            scene::setGeometryIndices(*g, mesh.indices.data()) != 0 ||
            scene::setGeometryCoords(*g, mesh.vertices.data()) != 0 || !scene::prepareGeometry(*g)) {
            return -1;
        }
        geometries_.push_back(std::move(g));
        return static_cast<int>(geometries_.size()) - 1;
    }

    // An object entry as view preparation makes it.
    void addObject(int mesh, const Mat4f& world) {
        scene::GeometryRecord* g = geometries_[mesh].get();
        accel::ObjectEntry e{};
        e.geometry = g;
        e.worldMatrix = world;
        e.floatValue = 1.0f;
        scene::transformBox(world, g->boundsMin, g->boundsMax, e.boundsMin, e.boundsMax);
        view_.objects.push(e);
        world_.add(Bounds{e.boundsMin, e.boundsMax});
    }

    // The tracing space (centred, longest side 2) as view preparation derives it; compiles.
    void compile() {
        const Vec3f c = world_.centre();
        const float longest = world_.extent();
        view_.worldScale = longest > 0 ? 2.0f / longest : 1.0f;
        view_.inverseWorldScale = 1.0f / view_.worldScale;
        view_.worldOffset = {-c.x, -c.y, -c.z};
        view_.negatedWorldOffset = c;
        view_.boundsMin = world_.lo;
        view_.boundsMax = world_.hi;
        accel::compileScene(compiled_, view_);
    }

    // Drops every compiled structure, so that the next compile builds all.
    void clearCompiled() {
        accel::PreparedView empty;
        accel::compileScene(compiled_, empty);
        for (auto& g : geometries_) g->setAcceleration(nullptr);
    }

    bool traceDistance(const WorldRay& r, float& distance) const {
        trace::Ray ray;
        trace::initRay(ray, compiled_, r.origin, r.direction, 0);
        if (!trace::traceScene(compiled_, ray)) return false;
        distance = ray.tMax * compiled_.inverseWorldScale;
        return true;
    }

    WorldHit trace(const WorldRay& r) const {
        WorldHit h;
        trace::Ray ray;
        trace::initRay(ray, compiled_, r.origin, r.direction, 0);
        if (!trace::traceScene(compiled_, ray)) return h;
        h.hit = true;
        h.distance = static_cast<double>(ray.tMax) / compiled_.worldScale;
        for (size_t i = 0; i < geometries_.size(); ++i)
            if (geometries_[i].get() == ray.hitInstance->geometry) h.mesh = static_cast<int>(i);
        h.world = ray.hitInstance->objectMatrix;
        h.triangle = ray.hitTriangle;
        h.u = ray.hitU, h.v = ray.hitV;
        return h;
    }

    const Bounds& worldBounds() const { return world_; }
    const trace::CompiledScene& compiled() const { return compiled_; }

private:
    std::vector<std::unique_ptr<scene::GeometryRecord>> geometries_;
    Bounds world_;
    accel::PreparedView view_;
    trace::CompiledScene compiled_;  // last: its mesh references go before the records
};

class EmbreeScene {
public:
    // `config` is Embree's device configuration ("threads=1,isa=sse2").
    explicit EmbreeScene(const char* config, RTCSceneFlags flags = RTC_SCENE_FLAG_NONE) : flags_(flags) {
        device_ = rtcNewDevice(config);
        if (!device_) {
            error_ = "rtcNewDevice failed";
            return;
        }
        rtcSetDeviceErrorFunction(device_, &EmbreeScene::onError, this);
        top_ = rtcNewScene(device_);
        rtcSetSceneFlags(top_, flags_);
    }
    EmbreeScene(const EmbreeScene&) = delete;
    EmbreeScene& operator=(const EmbreeScene&) = delete;
    ~EmbreeScene() {
        if (top_) rtcReleaseScene(top_);
        for (RTCScene s : meshScenes_) rtcReleaseScene(s);
        if (device_) rtcReleaseDevice(device_);
    }

    bool ok() const { return device_ && error_.empty(); }
    const std::string& error() const { return error_; }

    int addMesh(const MeshData& mesh) {
        RTCScene s = rtcNewScene(device_);
        rtcSetSceneFlags(s, flags_);
        RTCGeometry g = makeTriangles(mesh);
        rtcAttachGeometry(s, g);
        rtcReleaseGeometry(g);
        meshScenes_.push_back(s);
        return static_cast<int>(meshScenes_.size()) - 1;
    }

    // Embree's column-vector A is hox's M transposed: A's column-major array is M's row-major one.
    void addObject(int mesh, const Mat4f& world) {
        RTCGeometry inst = rtcNewGeometry(device_, RTC_GEOMETRY_TYPE_INSTANCE);
        rtcSetGeometryInstancedScene(inst, meshScenes_[mesh]);
        rtcSetGeometryTransform(inst, 0, RTC_FORMAT_FLOAT4X4_COLUMN_MAJOR, world.m);
        rtcCommitGeometry(inst);
        const unsigned id = rtcAttachGeometry(top_, inst);
        rtcReleaseGeometry(inst);
        if (objects_.size() <= id) objects_.resize(id + 1);
        objects_[id] = {mesh, world};
    }

    // The triangles directly in the top scene, reported as mesh `meshIndex`, identity matrix.
    void addMeshDirect(const MeshData& mesh, int meshIndex) {
        RTCGeometry g = makeTriangles(mesh);
        const unsigned id = rtcAttachGeometry(top_, g);
        rtcReleaseGeometry(g);
        if (direct_.size() <= id) direct_.resize(id + 1, -1);
        direct_[id] = meshIndex;
    }

    void commit() {
        for (RTCScene s : meshScenes_) rtcCommitScene(s);
        rtcCommitScene(top_);
    }

    bool traceDistance(const WorldRay& r, float& distance) const {
        RTCRayHit rh;
        intersect(r, rh);
        if (rh.hit.geomID == RTC_INVALID_GEOMETRY_ID) return false;
        distance = rh.ray.tfar;
        return true;
    }

    WorldHit trace(const WorldRay& r) const {
        RTCRayHit rh;
        intersect(r, rh);
        WorldHit h;
        if (rh.hit.geomID == RTC_INVALID_GEOMETRY_ID) return h;
        h.hit = true;
        h.distance = rh.ray.tfar;
        if (rh.hit.instID[0] != RTC_INVALID_GEOMETRY_ID) {
            h.mesh = objects_[rh.hit.instID[0]].mesh;
            h.world = objects_[rh.hit.instID[0]].world;
        } else {
            h.mesh = direct_[rh.hit.geomID];
            h.world = scene::mat4Identity();
        }
        h.triangle = static_cast<int>(rh.hit.primID);
        h.u = rh.hit.u, h.v = rh.hit.v;
        return h;
    }

private:
    struct Object {
        int mesh;
        Mat4f world;
    };

    static void onError(void* self, RTCError code, const char* message) {
        auto* scene = static_cast<EmbreeScene*>(self);
        scene->error_ = "Embree error " + std::to_string(int(code)) + ": " + (message ? message : "");
        std::fprintf(stderr, "%s\n", scene->error_.c_str());
    }

    RTCGeometry makeTriangles(const MeshData& mesh) {
        RTCGeometry g = rtcNewGeometry(device_, RTC_GEOMETRY_TYPE_TRIANGLE);
        // Embree's own buffers have the padding its vector loads read past the end.
        auto* v = static_cast<float*>(rtcSetNewGeometryBuffer(g, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3,
                                                              3 * sizeof(float), mesh.vertices.size()));
        auto* i = static_cast<unsigned*>(rtcSetNewGeometryBuffer(g, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3,
                                                                 3 * sizeof(unsigned), mesh.triangleCount()));
        if (v && i) {
            std::memcpy(v, mesh.vertices.data(), mesh.vertices.size() * sizeof(Vec3f));
            std::memcpy(i, mesh.indices.data(), mesh.indices.size() * sizeof(int32_t));
        }
        rtcCommitGeometry(g);
        return g;
    }

    void intersect(const WorldRay& r, RTCRayHit& rh) const {
        RTCIntersectContext context;
        rtcInitIntersectContext(&context);
        rh = RTCRayHit{};  // tnear, time, id and flags 0
        rh.ray.org_x = r.origin.x, rh.ray.org_y = r.origin.y, rh.ray.org_z = r.origin.z;
        rh.ray.dir_x = r.direction.x, rh.ray.dir_y = r.direction.y, rh.ray.dir_z = r.direction.z;
        rh.ray.tfar = std::numeric_limits<float>::infinity();
        rh.ray.mask = 0xFFFFFFFFu;
        rh.hit.geomID = rh.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
        rtcIntersect1(top_, &context, &rh);
    }

    RTCSceneFlags flags_;
    RTCDevice device_ = nullptr;
    RTCScene top_ = nullptr;
    std::vector<RTCScene> meshScenes_;
    std::vector<Object> objects_;
    std::vector<int> direct_;
    std::string error_;
};

}  // namespace oracle
}  // namespace hox
