#include "engine/service_directions.h"

#include <cmath>

#include "engine/shading_vectors.h"

namespace hox {
namespace engine {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;
}  // namespace

void tangentFrame(const Vec3f& n, Vec3f& t1, Vec3f& t2) {
    // Crossing with the axis the normal is furthest from keeps the frame
    // well conditioned; the threshold is the one shared with every caller,
    // so that the same normal always gets the same frame.
    if (n.y * n.y + n.z * n.z > 1e-6f) {
        t1 = normalizedOrZero(Vec3f{0.0f, -n.z, n.y});  // x × n
    } else {
        t1 = normalizedOrZero(Vec3f{n.z, 0.0f, -n.x});  // y × n
    }
    t2 = cross(n, t1);
}

Vec3f frameDirection(const float d[3], const Vec3f& t1, const Vec3f& t2, const Vec3f& n) {
    return normalizedOrZero(t1 * d[0] + t2 * d[1] + n * d[2]);
}

float lobeExponent(float roughness) {
    float r = roughness;
    if (!(r >= kMinGlossyRoughness)) r = kMinGlossyRoughness;
    if (r > 1.0f) r = 1.0f;
    const float r2 = r * r;
    return 1.0f / (r2 * r2);
}

Vec3f glossyLobeDirection(const Vec3f& axis, const Vec3f& tangent, const Vec3f& bitangent, float nu,
                          float nv, float xi1, float xi2) {
    const double k = std::sqrt((static_cast<double>(nu) + 1.0) / (static_cast<double>(nv) + 1.0));
    // The quarter of xi1 picks the quadrant, so that φ covers the circle
    // while atan stays in its principal range. Double precision keeps the
    // quadrant edges right: in floats 2π·(1/4) lies past π/2, its tangent
    // turns negative, and xi1 = 1/4 would land on the opposite side.
    const double x = xi1;
    double phi;
    if (x < 0.25) {
        phi = std::atan(k * std::tan(kTwoPi * x));
    } else if (x < 0.5) {
        phi = kPi - std::atan(k * std::tan(kTwoPi * (0.5 - x)));
    } else if (x < 0.75) {
        phi = kPi + std::atan(k * std::tan(kTwoPi * (x - 0.5)));
    } else {
        phi = 2.0 * kPi - std::atan(k * std::tan(kTwoPi * (1.0 - x)));
    }
    const float cosPhi = static_cast<float>(std::cos(phi));
    const float sinPhi = static_cast<float>(std::sin(phi));
    const float cosTheta = std::pow(xi2, 1.0f / (nu * cosPhi * cosPhi + nv * sinPhi * sinPhi + 1.0f));
    const float sinTheta = std::sqrt(std::fmax(0.0f, 1.0f - cosTheta * cosTheta));
    return normalizedOrZero(axis * cosTheta + (tangent * cosPhi + bitangent * sinPhi) * sinTheta);
}

}  // namespace engine
}  // namespace hox
