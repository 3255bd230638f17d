// 4 x 4 matrices in the row-vector convention of the interface.
//
// A point p maps to p * M: its new coordinate j is
// sum_i p_i * M[i][j] + M[3][j], so the translation sits in elements 12, 13
// and 14 and the product A * B means "apply A, then B". Element (r, c) is
// m[r * 4 + c].
#pragma once

#include "hox/types.h"

namespace hox {
namespace scene {

// At or below this absolute determinant a matrix counts as not invertible.
constexpr double kMat4SingularDeterminant = 1e-14;

Mat4f mat4Identity();
Mat4f mat4Zero();
// a * b: transforming by the result equals transforming by a, then by b.
Mat4f mat4Multiply(const Mat4f& a, const Mat4f& b);
// Determinant, computed in double precision.
double mat4Determinant(const Mat4f& m);
// General inverse (cofactors in double precision); all zeros when the
// determinant's magnitude is not above kMat4SingularDeterminant or not finite.
Mat4f mat4Inverse(const Mat4f& m);

// p * M for a point (w = 1). Affine: the fourth column is not used, there is
// no division by w.
Vec3f transformPoint(const Vec3f& p, const Mat4f& m);
// The box that bounds a box carried by m: for world axis j, the translation
// m[12 + j] plus, per object axis i, the smaller (for the min) or larger (for
// the max) of m[i][j] * boxMin_i and m[i][j] * boxMax_i. It contains all
// eight transformed corners, so a rotated object is never culled by a box
// that misses part of it.
void transformBox(const Mat4f& m, const Vec3f& boxMin, const Vec3f& boxMax, Vec3f& outMin,
                  Vec3f& outMax);
// v * M for a direction (w = 0): translation does not apply.
Vec3f transformVector(const Vec3f& v, const Mat4f& m);

}  // namespace scene
}  // namespace hox
