// Tracing services 16 to 63: the noise functions, forwarded to the noise
// kernels. The interface passes points as vectors of one to four floats;
// the kernels take coordinate arrays, so each slot copies its point into
// one and names the dimension count.
#include "engine/noise.h"
#include "engine/render_worker_local.h"

namespace hox {
namespace engine {

namespace {

// A point (and its periods) as arrays of their dimension.
struct Point {
    float p[4];
    int period[4];
    int dimensions;
};

inline Point point(const Vec4f& v) { return {{v.x, v.y, v.z, v.w}, {1, 1, 1, 1}, 4}; }
inline Point point(const Vec3f& v) { return {{v.x, v.y, v.z, 0.0f}, {1, 1, 1, 1}, 3}; }
inline Point point(const Vec2f& v) { return {{v.x, v.y, 0.0f, 0.0f}, {1, 1, 1, 1}, 2}; }
inline Point point(float v) { return {{v, 0.0f, 0.0f, 0.0f}, {1, 1, 1, 1}, 1}; }

inline Point point(const Vec4f& v, const Vec4i& t) {
    Point q = point(v);
    q.period[0] = t.x;
    q.period[1] = t.y;
    q.period[2] = t.z;
    q.period[3] = t.w;
    return q;
}
inline Point point(const Vec3f& v, const Vec3i& t) {
    Point q = point(v);
    q.period[0] = t.x;
    q.period[1] = t.y;
    q.period[2] = t.z;
    return q;
}
inline Point point(const Vec2f& v, const Vec2i& t) {
    Point q = point(v);
    q.period[0] = t.x;
    q.period[1] = t.y;
    return q;
}
inline Point point(float v, int t) {
    Point q = point(v);
    q.period[0] = t;
    return q;
}

template <int N>
struct Components {
    float v[4];
};

template <int N>
Components<N> gradientOf(const Point& q) {
    Components<N> out{};
    noise::gradientComponents(q.p, q.dimensions, out.v, N);
    return out;
}
template <int N>
Components<N> periodicOf(const Point& q) {
    Components<N> out{};
    noise::periodicComponents(q.p, q.period, q.dimensions, out.v, N);
    return out;
}
template <int N>
Components<N> cellOf(const Point& q) {
    Components<N> out{};
    noise::cellComponents(q.p, q.dimensions, out.v, N);
    return out;
}

inline Vec2f vec2(const Components<2>& c) { return {c.v[0], c.v[1]}; }
inline Vec3f vec3(const Components<3>& c) { return {c.v[0], c.v[1], c.v[2]}; }
inline Vec4f vec4(const Components<4>& c) { return {c.v[0], c.v[1], c.v[2], c.v[3]}; }

}  // namespace

float RenderWorkerLocal::noiseFloat(const Vec4f& p) {
    return gradientOf<1>(point(p)).v[0];
}
float RenderWorkerLocal::noiseFloat(const Vec3f& p) {
    return gradientOf<1>(point(p)).v[0];
}
float RenderWorkerLocal::noiseFloat(const Vec2f& p) {
    return gradientOf<1>(point(p)).v[0];
}
float RenderWorkerLocal::noiseFloat(float p) {
    return gradientOf<1>(point(p)).v[0];
}

Vec2f RenderWorkerLocal::noiseVec2(const Vec4f& p) {
    return vec2(gradientOf<2>(point(p)));
}
Vec2f RenderWorkerLocal::noiseVec2(const Vec3f& p) {
    return vec2(gradientOf<2>(point(p)));
}
Vec2f RenderWorkerLocal::noiseVec2(const Vec2f& p) {
    return vec2(gradientOf<2>(point(p)));
}
Vec2f RenderWorkerLocal::noiseVec2(float p) {
    return vec2(gradientOf<2>(point(p)));
}

Vec3f RenderWorkerLocal::noiseVec3(const Vec4f& p) {
    return vec3(gradientOf<3>(point(p)));
}
Vec3f RenderWorkerLocal::noiseVec3(const Vec3f& p) {
    return vec3(gradientOf<3>(point(p)));
}
Vec3f RenderWorkerLocal::noiseVec3(const Vec2f& p) {
    return vec3(gradientOf<3>(point(p)));
}
Vec3f RenderWorkerLocal::noiseVec3(float p) {
    return vec3(gradientOf<3>(point(p)));
}

Vec4f RenderWorkerLocal::noiseVec4(const Vec4f& p) {
    return vec4(gradientOf<4>(point(p)));
}
Vec4f RenderWorkerLocal::noiseVec4(const Vec3f& p) {
    return vec4(gradientOf<4>(point(p)));
}
Vec4f RenderWorkerLocal::noiseVec4(const Vec2f& p) {
    return vec4(gradientOf<4>(point(p)));
}
Vec4f RenderWorkerLocal::noiseVec4(float p) {
    return vec4(gradientOf<4>(point(p)));
}

float RenderWorkerLocal::periodicNoiseFloat(const Vec4f& p, const Vec4i& period) {
    return periodicOf<1>(point(p, period)).v[0];
}
float RenderWorkerLocal::periodicNoiseFloat(const Vec3f& p, const Vec3i& period) {
    return periodicOf<1>(point(p, period)).v[0];
}
float RenderWorkerLocal::periodicNoiseFloat(const Vec2f& p, const Vec2i& period) {
    return periodicOf<1>(point(p, period)).v[0];
}
float RenderWorkerLocal::periodicNoiseFloat(float p, int period) {
    return periodicOf<1>(point(p, period)).v[0];
}

Vec2f RenderWorkerLocal::periodicNoiseVec2(const Vec4f& p, const Vec4i& period) {
    return vec2(periodicOf<2>(point(p, period)));
}
Vec2f RenderWorkerLocal::periodicNoiseVec2(const Vec3f& p, const Vec3i& period) {
    return vec2(periodicOf<2>(point(p, period)));
}
Vec2f RenderWorkerLocal::periodicNoiseVec2(const Vec2f& p, const Vec2i& period) {
    return vec2(periodicOf<2>(point(p, period)));
}
Vec2f RenderWorkerLocal::periodicNoiseVec2(float p, int period) {
    return vec2(periodicOf<2>(point(p, period)));
}

Vec3f RenderWorkerLocal::periodicNoiseVec3(const Vec4f& p, const Vec4i& period) {
    return vec3(periodicOf<3>(point(p, period)));
}
Vec3f RenderWorkerLocal::periodicNoiseVec3(const Vec3f& p, const Vec3i& period) {
    return vec3(periodicOf<3>(point(p, period)));
}
Vec3f RenderWorkerLocal::periodicNoiseVec3(const Vec2f& p, const Vec2i& period) {
    return vec3(periodicOf<3>(point(p, period)));
}
Vec3f RenderWorkerLocal::periodicNoiseVec3(float p, int period) {
    return vec3(periodicOf<3>(point(p, period)));
}

Vec4f RenderWorkerLocal::periodicNoiseVec4(const Vec4f& p, const Vec4i& period) {
    return vec4(periodicOf<4>(point(p, period)));
}
Vec4f RenderWorkerLocal::periodicNoiseVec4(const Vec3f& p, const Vec3i& period) {
    return vec4(periodicOf<4>(point(p, period)));
}
Vec4f RenderWorkerLocal::periodicNoiseVec4(const Vec2f& p, const Vec2i& period) {
    return vec4(periodicOf<4>(point(p, period)));
}
Vec4f RenderWorkerLocal::periodicNoiseVec4(float p, int period) {
    return vec4(periodicOf<4>(point(p, period)));
}

float RenderWorkerLocal::cellNoiseFloat(const Vec4f& p) {
    return cellOf<1>(point(p)).v[0];
}
float RenderWorkerLocal::cellNoiseFloat(const Vec3f& p) {
    return cellOf<1>(point(p)).v[0];
}
float RenderWorkerLocal::cellNoiseFloat(const Vec2f& p) {
    return cellOf<1>(point(p)).v[0];
}
float RenderWorkerLocal::cellNoiseFloat(float p) {
    return cellOf<1>(point(p)).v[0];
}

Vec2f RenderWorkerLocal::cellNoiseVec2(const Vec4f& p) {
    return vec2(cellOf<2>(point(p)));
}
Vec2f RenderWorkerLocal::cellNoiseVec2(const Vec3f& p) {
    return vec2(cellOf<2>(point(p)));
}
Vec2f RenderWorkerLocal::cellNoiseVec2(const Vec2f& p) {
    return vec2(cellOf<2>(point(p)));
}
Vec2f RenderWorkerLocal::cellNoiseVec2(float p) {
    return vec2(cellOf<2>(point(p)));
}

Vec3f RenderWorkerLocal::cellNoiseVec3(const Vec4f& p) {
    return vec3(cellOf<3>(point(p)));
}
Vec3f RenderWorkerLocal::cellNoiseVec3(const Vec3f& p) {
    return vec3(cellOf<3>(point(p)));
}
Vec3f RenderWorkerLocal::cellNoiseVec3(const Vec2f& p) {
    return vec3(cellOf<3>(point(p)));
}
Vec3f RenderWorkerLocal::cellNoiseVec3(float p) {
    return vec3(cellOf<3>(point(p)));
}

Vec4f RenderWorkerLocal::cellNoiseVec4(const Vec4f& p) {
    return vec4(cellOf<4>(point(p)));
}
Vec4f RenderWorkerLocal::cellNoiseVec4(const Vec3f& p) {
    return vec4(cellOf<4>(point(p)));
}
Vec4f RenderWorkerLocal::cellNoiseVec4(const Vec2f& p) {
    return vec4(cellOf<4>(point(p)));
}
Vec4f RenderWorkerLocal::cellNoiseVec4(float p) {
    return vec4(cellOf<4>(point(p)));
}

}  // namespace engine
}  // namespace hox
