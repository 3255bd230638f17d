// Interpolating the surface data of a batch of hits.
//
// Per group of four rays the triangle data are gathered into SSE rows
// (loaded once and broadcast when the group's active rays share a triangle,
// the common case for neighbouring camera rays), then every interpolation
// and transform is a handful of four-wide multiply-adds.
#include "trace/hit_surface.h"

#include <emmintrin.h>
#include <xmmintrin.h>

#include <cstring>

#include "scene/geometry_record.h"
#include "trace/compiled_scene.h"
#include "trace/triangle_vertices.h"

namespace hox {
namespace trace {
namespace {

// One group's inputs, lane j = ray 4g + j; inactive lanes stay zero.
struct alignas(16) GroupInput {
    float weight[3][4];       // per vertex
    float coord[3][3][4];     // vertex, axis, lane
    float normal[3][3][4];
    float faceNormal[3][4];   // axis, lane
    int32_t vertex[4][3];     // lane, vertex
};

bool validTriangle(const scene::GeometryRecord& g, int32_t t, int32_t v[3]) {
    return triangleVertices(g, t, v) && t < g.faceNormals.count();
}

void loadLane(const scene::GeometryRecord& g, int32_t t, const int32_t v[3], GroupInput& in,
              int lane) {
    for (int k = 0; k < 3; ++k) {
        const Vec3f& c = g.coords[v[k]];
        const Vec3f& n = g.normals[v[k]];
        in.coord[k][0][lane] = c.x;
        in.coord[k][1][lane] = c.y;
        in.coord[k][2][lane] = c.z;
        in.normal[k][0][lane] = n.x;
        in.normal[k][1][lane] = n.y;
        in.normal[k][2][lane] = n.z;
        in.vertex[lane][k] = v[k];
    }
    const Vec3f& f = g.faceNormals[t];
    in.faceNormal[0][lane] = f.x;
    in.faceNormal[1][lane] = f.y;
    in.faceNormal[2][lane] = f.z;
}

// Broadcast form of loadLane: every lane gets the same triangle.
void loadShared(const scene::GeometryRecord& g, int32_t t, const int32_t v[3], GroupInput& in) {
    for (int k = 0; k < 3; ++k) {
        const Vec3f& c = g.coords[v[k]];
        const Vec3f& n = g.normals[v[k]];
        _mm_store_ps(in.coord[k][0], _mm_set1_ps(c.x));
        _mm_store_ps(in.coord[k][1], _mm_set1_ps(c.y));
        _mm_store_ps(in.coord[k][2], _mm_set1_ps(c.z));
        _mm_store_ps(in.normal[k][0], _mm_set1_ps(n.x));
        _mm_store_ps(in.normal[k][1], _mm_set1_ps(n.y));
        _mm_store_ps(in.normal[k][2], _mm_set1_ps(n.z));
    }
    for (int lane = 0; lane < 4; ++lane) std::memcpy(in.vertex[lane], v, sizeof(int32_t) * 3);
    const Vec3f& f = g.faceNormals[t];
    _mm_store_ps(in.faceNormal[0], _mm_set1_ps(f.x));
    _mm_store_ps(in.faceNormal[1], _mm_set1_ps(f.y));
    _mm_store_ps(in.faceNormal[2], _mm_set1_ps(f.z));
}

inline __m128 blend(const __m128 w[3], const float* a, const float* b, const float* c) {
    return _mm_add_ps(_mm_add_ps(_mm_mul_ps(w[0], _mm_load_ps(a)), _mm_mul_ps(w[1], _mm_load_ps(b))),
                      _mm_mul_ps(w[2], _mm_load_ps(c)));
}

// Row-vector point transform of three SSE rows.
void transformPoints(const Mat4f& m, const __m128 p[3], __m128 out[3]) {
    for (int j = 0; j < 3; ++j) {
        __m128 s = _mm_set1_ps(m.m[12 + j]);
        for (int i = 0; i < 3; ++i) s = _mm_add_ps(s, _mm_mul_ps(p[i], _mm_set1_ps(m.m[i * 4 + j])));
        out[j] = s;
    }
}

// Normals go through the transpose of the 3x3 normal matrix: world
// component j is row j of the matrix dotted with the normal.
void transformNormals(const Mat3f& n, const __m128 v[3], __m128 out[3]) {
    for (int j = 0; j < 3; ++j) {
        __m128 s = _mm_mul_ps(v[0], _mm_set1_ps(n.m[j * 3]));
        s = _mm_add_ps(s, _mm_mul_ps(v[1], _mm_set1_ps(n.m[j * 3 + 1])));
        s = _mm_add_ps(s, _mm_mul_ps(v[2], _mm_set1_ps(n.m[j * 3 + 2])));
        out[j] = s;
    }
}

void storeRows(float (*dst)[kHitBatchSize], int first, const __m128 rows[3], __m128 keep) {
    for (int a = 0; a < 3; ++a) _mm_store_ps(dst[a] + first, _mm_and_ps(rows[a], keep));
}

void interpolateAttributes(HitSurface& s, int group, const GroupInput& in, const __m128 w[3],
                           __m128 keep, int lanes, const AttributeSource* attributes,
                           int attributeCount) {
    const int first = group * 4;
    int component = 0;
    for (int a = 0; a < attributeCount && component < kMaxAttributeComponents; ++a) {
        const AttributeSource& src = attributes[a];
        const int k = src.componentCount > 0 ? src.componentCount : 0;
        for (int c = 0; c < k && component < kMaxAttributeComponents; ++c, ++component) {
            alignas(16) float value[3][4] = {};
            if (src.perVertexData) {
                for (int lane = 0; lane < 4; ++lane) {
                    if (!((lanes >> lane) & 1)) continue;
                    for (int vtx = 0; vtx < 3; ++vtx) {
                        const int64_t at = static_cast<int64_t>(in.vertex[lane][vtx]) * k + c;
                        // Every component of the vertex must be inside the data.
                        const int64_t end = static_cast<int64_t>(in.vertex[lane][vtx]) * k + k;
                        if (end <= src.valueCount) value[vtx][lane] = src.perVertexData[at];
                    }
                }
            }
            _mm_store_ps(s.attributes[component] + first,
                         _mm_and_ps(blend(w, value[0], value[1], value[2]), keep));
        }
    }
}

}  // namespace

void interpolateHits(HitSurface& s, const Ray* const* rays, int rayCount, const Instance& instance,
                     const AttributeSource* attributes, int attributeCount) {
    if (rayCount < 0) rayCount = 0;
    if (rayCount > kHitBatchSize) rayCount = kHitBatchSize;
    if (!attributes) attributeCount = 0;

    int components = 0;
    for (int a = 0; a < attributeCount; ++a) {
        if (attributes[a].componentCount > 0) components += attributes[a].componentCount;
    }
    s.attributeComponents = components < kMaxAttributeComponents ? components : kMaxAttributeComponents;
    s.rayCount = rayCount;
    s.instanceNumber = instance.instanceNumber;
    s.instance = &instance;
    s.shader = instance.shader;
    s.viewState = nullptr;  // taken from the first active ray

    const scene::GeometryRecord* g = instance.geometry;
    const int groups = (rayCount + 3) / 4;
    for (int group = 0; group < groups; ++group) {
        const int first = group * 4;
        GroupInput in;
        std::memset(&in, 0, sizeof(in));

        int lanes = 0;
        int32_t tri[4] = {-1, -1, -1, -1};
        int32_t vtx[4][3];
        for (int lane = 0; lane < 4; ++lane) {
            const int i = first + lane;
            if (i >= rayCount || !rays || !rays[i] || !g) continue;
            if (!validTriangle(*g, rays[i]->hitTriangle, vtx[lane])) continue;
            tri[lane] = rays[i]->hitTriangle;
            lanes |= 1 << lane;
        }
        s.activeMask[group] = static_cast<uint8_t>(lanes);

        // shared: the lane whose triangle every active lane hits, -1 when no
        // lane is active, -2 when the lanes hit different triangles.
        int shared = -1;
        for (int lane = 0; lane < 4; ++lane) {
            if (!((lanes >> lane) & 1)) continue;
            if (shared < 0) {
                shared = lane;
            } else if (tri[lane] != tri[shared]) {
                shared = -2;
                break;
            }
        }
        if (shared >= 0) {
            loadShared(*g, tri[shared], vtx[shared], in);
        } else if (shared == -2) {
            for (int lane = 0; lane < 4; ++lane) {
                if ((lanes >> lane) & 1) loadLane(*g, tri[lane], vtx[lane], in, lane);
            }
        }

        // Per-ray values (scalar: they come from four separate rays).
        const CompiledScene* view = nullptr;
        for (int lane = 0; lane < 4; ++lane) {
            const int i = first + lane;
            const bool active = (lanes >> lane) & 1;
            const Ray* r = active ? rays[i] : nullptr;
            if (r && !view) view = r->viewState;
            // Tracing space back to the object's world frame.
            const float inverseScale = r && r->viewState ? r->viewState->inverseWorldScale : 1.0f;
            for (int a = 0; a < 3; ++a) {
                const float offset = r && r->viewState ? r->viewState->worldOffset[a] : 0.0f;
                s.rayDirection[a][i] = r ? r->direction[a] : 0.0f;
                s.rayOrigin[a][i] = r ? r->origin[a] * inverseScale - offset : 0.0f;
            }
            s.hitDistance[i] = r ? r->tMax * inverseScale : 0.0f;
            s.hitU[i] = r ? r->hitU : 0.0f;
            s.hitV[i] = r ? r->hitV : 0.0f;
            s.hitTriangle[i] = r ? r->hitTriangle : -1;
            in.weight[0][lane] = r ? 1.0f - r->hitU - r->hitV : 0.0f;
            in.weight[1][lane] = r ? r->hitU : 0.0f;
            in.weight[2][lane] = r ? r->hitV : 0.0f;
        }
        if (view && !s.viewState) s.viewState = view;

        // Inactive lanes are stored as zeros, whatever the arithmetic left there.
        const __m128i bits = _mm_set_epi32(8, 4, 2, 1);
        const __m128 keep = _mm_castsi128_ps(
            _mm_cmpeq_epi32(_mm_and_si128(_mm_set1_epi32(lanes), bits), bits));

        const __m128 w[3] = {_mm_load_ps(in.weight[0]), _mm_load_ps(in.weight[1]),
                             _mm_load_ps(in.weight[2])};
        __m128 objectPos[3], objectNrm[3], face[3], out[3];
        for (int a = 0; a < 3; ++a) {
            objectPos[a] = blend(w, in.coord[0][a], in.coord[1][a], in.coord[2][a]);
            objectNrm[a] = blend(w, in.normal[0][a], in.normal[1][a], in.normal[2][a]);
            face[a] = _mm_load_ps(in.faceNormal[a]);
        }
        storeRows(s.objectPosition, first, objectPos, keep);
        storeRows(s.objectNormal, first, objectNrm, keep);
        storeRows(s.objectFaceNormal, first, face, keep);
        transformPoints(instance.objectMatrix, objectPos, out);
        storeRows(s.worldPosition, first, out, keep);
        transformNormals(instance.normalMatrix, objectNrm, out);
        storeRows(s.worldNormal, first, out, keep);
        transformNormals(instance.normalMatrix, face, out);
        storeRows(s.worldFaceNormal, first, out, keep);

        interpolateAttributes(s, group, in, w, keep, lanes, attributes, attributeCount);
    }
}

bool fillShadingState(HitSurface& s, int lane, const Instance& instance, ShadingState& state) {
    if (lane < 0 || lane >= s.rayCount || !((s.activeMask[lane / 4] >> (lane % 4)) & 1)) {
        return false;
    }
    auto vec = [lane](const float (*rows)[kHitBatchSize]) {
        return Vec3f{rows[0][lane], rows[1][lane], rows[2][lane]};
    };
    state.position = vec(s.worldPosition);
    state.normal = vec(s.worldNormal);
    state.faceNormal = vec(s.worldFaceNormal);
    state.objectPosition = vec(s.objectPosition);
    state.objectNormal = vec(s.objectNormal);
    state.objectFaceNormal = vec(s.objectFaceNormal);
    state.objectMatrixInverse = instance.objectMatrixInverse;
    state.objectMatrix = instance.objectMatrix;
    state.inverseNormalMatrix = instance.normalMatrixInverse;
    state.normalMatrix = instance.normalMatrix;
    for (int c = 0; c < s.attributeComponents; ++c) s.shadedAttributes[c] = s.attributes[c][lane];
    state.attributes = s.shadedAttributes;
    return true;
}

}  // namespace trace
}  // namespace hox
