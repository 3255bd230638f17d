// 4 x 4 matrix arithmetic.
#include "scene/matrix4.h"

#include <cmath>

namespace hox {
namespace scene {
namespace {

// The six 2 x 2 minors of rows (r0, r1), one per pair of columns, in the
// order (0,1) (0,2) (0,3) (1,2) (1,3) (2,3). Shared by the determinant and
// the inverse, which both expand along pairs of rows (Laplace).
void pairMinors(const double* a, int r0, int r1, double out[6]) {
    const double* p = a + r0 * 4;
    const double* q = a + r1 * 4;
    out[0] = p[0] * q[1] - p[1] * q[0];
    out[1] = p[0] * q[2] - p[2] * q[0];
    out[2] = p[0] * q[3] - p[3] * q[0];
    out[3] = p[1] * q[2] - p[2] * q[1];
    out[4] = p[1] * q[3] - p[3] * q[1];
    out[5] = p[2] * q[3] - p[3] * q[2];
}

void toDouble(const Mat4f& m, double a[16]) {
    for (int i = 0; i < 16; ++i) a[i] = m.m[i];
}

}  // namespace

Mat4f mat4Identity() {
    Mat4f m = mat4Zero();
    m.m[0] = m.m[5] = m.m[10] = m.m[15] = 1.0f;
    return m;
}

Mat4f mat4Zero() {
    Mat4f m;
    for (float& f : m.m) f = 0.0f;
    return m;
}

Mat4f mat4Multiply(const Mat4f& a, const Mat4f& b) {
    Mat4f r;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += static_cast<double>(a.m[row * 4 + k]) * b.m[k * 4 + col];
            r.m[row * 4 + col] = static_cast<float>(sum);
        }
    }
    return r;
}

double mat4Determinant(const Mat4f& m) {
    double a[16];
    toDouble(m, a);
    double s[6], c[6];
    pairMinors(a, 0, 1, s);
    pairMinors(a, 2, 3, c);
    return s[0] * c[5] - s[1] * c[4] + s[2] * c[3] + s[3] * c[2] - s[4] * c[1] + s[5] * c[0];
}

Mat4f mat4Inverse(const Mat4f& m) {
    double a[16];
    toDouble(m, a);
    double s[6], c[6];
    pairMinors(a, 0, 1, s);
    pairMinors(a, 2, 3, c);
    const double det =
        s[0] * c[5] - s[1] * c[4] + s[2] * c[3] + s[3] * c[2] - s[4] * c[1] + s[5] * c[0];
    if (!std::isfinite(det) || std::fabs(det) <= kMat4SingularDeterminant) return mat4Zero();
    const double inv = 1.0 / det;

    // Adjugate from the 2 x 2 minors of the top and bottom row pairs.
    double r[16];
    r[0] = (a[5] * c[5] - a[6] * c[4] + a[7] * c[3]);
    r[1] = (-a[1] * c[5] + a[2] * c[4] - a[3] * c[3]);
    r[2] = (a[13] * s[5] - a[14] * s[4] + a[15] * s[3]);
    r[3] = (-a[9] * s[5] + a[10] * s[4] - a[11] * s[3]);
    r[4] = (-a[4] * c[5] + a[6] * c[2] - a[7] * c[1]);
    r[5] = (a[0] * c[5] - a[2] * c[2] + a[3] * c[1]);
    r[6] = (-a[12] * s[5] + a[14] * s[2] - a[15] * s[1]);
    r[7] = (a[8] * s[5] - a[10] * s[2] + a[11] * s[1]);
    r[8] = (a[4] * c[4] - a[5] * c[2] + a[7] * c[0]);
    r[9] = (-a[0] * c[4] + a[1] * c[2] - a[3] * c[0]);
    r[10] = (a[12] * s[4] - a[13] * s[2] + a[15] * s[0]);
    r[11] = (-a[8] * s[4] + a[9] * s[2] - a[11] * s[0]);
    r[12] = (-a[4] * c[3] + a[5] * c[1] - a[6] * c[0]);
    r[13] = (a[0] * c[3] - a[1] * c[1] + a[2] * c[0]);
    r[14] = (-a[12] * s[3] + a[13] * s[1] - a[14] * s[0]);
    r[15] = (a[8] * s[3] - a[9] * s[1] + a[10] * s[0]);

    Mat4f out;
    for (int i = 0; i < 16; ++i) out.m[i] = static_cast<float>(r[i] * inv);
    return out;
}

Vec3f transformPoint(const Vec3f& p, const Mat4f& m) {
    const float* e = m.m;
    return Vec3f{p.x * e[0] + p.y * e[4] + p.z * e[8] + e[12],
                 p.x * e[1] + p.y * e[5] + p.z * e[9] + e[13],
                 p.x * e[2] + p.y * e[6] + p.z * e[10] + e[14]};
}

Vec3f transformVector(const Vec3f& v, const Mat4f& m) {
    const float* e = m.m;
    return Vec3f{v.x * e[0] + v.y * e[4] + v.z * e[8],
                 v.x * e[1] + v.y * e[5] + v.z * e[9],
                 v.x * e[2] + v.y * e[6] + v.z * e[10]};
}

void transformBox(const Mat4f& m, const Vec3f& boxMin, const Vec3f& boxMax, Vec3f& outMin,
                  Vec3f& outMax) {
    const float lo[3] = {boxMin.x, boxMin.y, boxMin.z};
    const float hi[3] = {boxMax.x, boxMax.y, boxMax.z};
    float mn[3], mx[3];
    for (int j = 0; j < 3; ++j) {
        mn[j] = mx[j] = m.m[12 + j];
        for (int i = 0; i < 3; ++i) {
            const float a = m.m[i * 4 + j] * lo[i];
            const float b = m.m[i * 4 + j] * hi[i];
            mn[j] += a < b ? a : b;
            mx[j] += a < b ? b : a;
        }
    }
    outMin = {mn[0], mn[1], mn[2]};
    outMax = {mx[0], mx[1], mx[2]};
}

}  // namespace scene
}  // namespace hox
