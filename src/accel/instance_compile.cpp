#include "accel/instance_compile.h"

#include <cmath>
#include <cstring>
#include <new>

#include "accel/mesh_compile.h"
#include "scene/geometry_preparation.h"
#include "scene/matrix4.h"
#include "scene/shader_record.h"
#include "trace/compiled_mesh.h"

namespace hox {
namespace accel {
namespace {

// Shader flag: hits on objects with this shader let shadow and occlusion
// rays through.
constexpr int kShaderFlagTransparentShadows = 2;

constexpr float kInstanceEpsilon = 0.001f;

// The inverse of the upper-left 3 x 3 part of `m` as adjugate over
// determinant, in double precision; all zeros when the determinant's
// magnitude is not above the singular threshold (or not finite), the same
// rule the 4 x 4 inverse follows.
Mat3f inverseUpper3x3(const Mat4f& m) {
    double a[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) a[r][c] = m.m[r * 4 + c];
    double adj[3][3];
    adj[0][0] = a[1][1] * a[2][2] - a[1][2] * a[2][1];
    adj[0][1] = a[0][2] * a[2][1] - a[0][1] * a[2][2];
    adj[0][2] = a[0][1] * a[1][2] - a[0][2] * a[1][1];
    adj[1][0] = a[1][2] * a[2][0] - a[1][0] * a[2][2];
    adj[1][1] = a[0][0] * a[2][2] - a[0][2] * a[2][0];
    adj[1][2] = a[0][2] * a[1][0] - a[0][0] * a[1][2];
    adj[2][0] = a[1][0] * a[2][1] - a[1][1] * a[2][0];
    adj[2][1] = a[0][1] * a[2][0] - a[0][0] * a[2][1];
    adj[2][2] = a[0][0] * a[1][1] - a[0][1] * a[1][0];
    const double det = a[0][0] * adj[0][0] + a[0][1] * adj[1][0] + a[0][2] * adj[2][0];
    Mat3f out;
    if (!std::isfinite(det) || !(std::fabs(det) > scene::kMat4SingularDeterminant)) {
        for (float& f : out.m) f = 0.0f;
        return out;
    }
    const double inv = 1.0 / det;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) out.m[r * 3 + c] = static_cast<float>(adj[r][c] * inv);
    return out;
}

// Tracing space from world space, p_trace = (p + offset) * scale, as one
// matrix: the translation is the offset already scaled.
Mat4f worldToTracing(const PreparedView& view) {
    const double s = view.worldScale;
    Mat4f m = scene::mat4Identity();
    m.m[0] = m.m[5] = m.m[10] = static_cast<float>(s);
    m.m[12] = static_cast<float>(view.worldOffset.x * s);
    m.m[13] = static_cast<float>(view.worldOffset.y * s);
    m.m[14] = static_cast<float>(view.worldOffset.z * s);
    return m;
}

// The geometry's shared mesh, compiled the first time an object needs it.
// A geometry that yields nothing (no triangles) still keeps its empty mesh,
// so it is not rebuilt every frame; only a new version of the geometry,
// which starts without acceleration data, is compiled again.
trace::CompiledMesh* sharedMesh(scene::GeometryRecord& geometry) {
    if (!geometry.acceleration) {
        trace::CompiledMesh* mesh = new (std::nothrow) trace::CompiledMesh(&geometry);
        if (!mesh) return nullptr;
        compileMesh(*mesh, geometry);
        geometry.setAcceleration(mesh);
    }
    // Scene compilation is the only producer of acceleration data, and it
    // only ever stores compiled meshes there.
    return static_cast<trace::CompiledMesh*>(geometry.acceleration);
}

void setTransforms(trace::Instance& instance, const ObjectEntry& entry, const PreparedView& view,
                   const Mat4f& normalisingInverse) {
    instance.objectMatrix = entry.worldMatrix;
    instance.objectMatrixInverse = scene::mat4Inverse(entry.worldMatrix);
    instance.normalMatrix = inverseUpper3x3(instance.objectMatrix);
    instance.normalMatrixInverse = inverseUpper3x3(instance.objectMatrixInverse);

    // Row vectors apply left to right: normalised -> object -> world ->
    // tracing space.
    const Mat4f normalisedToWorld = scene::mat4Multiply(normalisingInverse, entry.worldMatrix);
    instance.objectToWorld = scene::mat4Multiply(normalisedToWorld, worldToTracing(view));
    instance.worldToObject = scene::mat4Inverse(instance.objectToWorld);
    instance.normalToObject = inverseUpper3x3(instance.worldToObject);
}

}  // namespace

void tracingBounds(const ObjectEntry& entry, const PreparedView& view, float lo[3], float hi[3]) {
    const double s = view.worldScale;
    const double offset[3] = {view.worldOffset.x, view.worldOffset.y, view.worldOffset.z};
    const double bmin[3] = {entry.boundsMin.x, entry.boundsMin.y, entry.boundsMin.z};
    const double bmax[3] = {entry.boundsMax.x, entry.boundsMax.y, entry.boundsMax.z};
    for (int a = 0; a < 3; ++a) {
        lo[a] = static_cast<float>((bmin[a] + offset[a]) * s);
        hi[a] = static_cast<float>((bmax[a] + offset[a]) * s);
    }
}

void compileInstance(trace::Instance& instance, const ObjectEntry& entry, const PreparedView& view,
                     uint32_t instanceNumber) {
    std::memset(&instance, 0, sizeof(instance));

    scene::GeometryRecord* geometry = entry.geometry;
    trace::CompiledMesh* mesh = nullptr;
    Mat4f normalisingInverse = scene::mat4Identity();
    if (geometry && scene::prepareGeometry(*geometry)) {
        mesh = sharedMesh(*geometry);
        normalisingInverse = geometry->normalisingInverse;
    }
    if (mesh) mesh->addRef();

    instance.mask = entry.offMask;
    tracingBounds(entry, view, instance.worldMin, instance.worldMax);
    setTransforms(instance, entry, view, normalisingInverse);
    instance.epsilon = kInstanceEpsilon;
    instance.mesh = mesh;
    instance.singleLeaf = (mesh && mesh->nodes4.count == 0 && mesh->leaves.count > 0) ? &mesh->leaves[0]
                                                                                       : nullptr;

    instance.object = entry.object;
    instance.geometry = geometry;
    instance.shader = entry.shader;
    instance.shaderValue = 0;
    instance.instanceNumber = instanceNumber;
    instance.lightSetIndex = entry.lightSetIndex;
    instance.transparentShadows =
        entry.shader && (entry.shader->flags & kShaderFlagTransparentShadows) != 0;
    instance.givenMask = entry.givenMask;
    instance.offMask = entry.offMask;
    instance.floatGiven = entry.floatGiven;
    instance.occlusionRange = entry.floatValue;
    // The light add and remove lists already shaped the object's light set
    // during the walk; the entry does not carry them further, so the
    // instance has none.
    instance.addList = nullptr;
    instance.addCount = 0;
    instance.removeList = nullptr;
    instance.removeCount = 0;
    // Filled by the shading pipeline once the shaders are bound.
    instance.bindings = nullptr;
    instance.bindingCount = 0;
}

void releaseInstance(trace::Instance& instance) {
    if (instance.mesh) instance.mesh->release();
    instance.mesh = nullptr;
    instance.singleLeaf = nullptr;
}

}  // namespace accel
}  // namespace hox
