// Plain vector and matrix types of the interface.
//
// Matrices follow the row-vector convention: a point p maps to p * M, so a
// transform's translation sits in elements 12, 13 and 14 of the 16 floats.
#pragma once

namespace hox {

struct Vec2f { float x, y; };
struct Vec3f { float x, y, z; };
struct Vec4f { float x, y, z, w; };

struct Vec2i { int x, y; };
struct Vec3i { int x, y, z; };
struct Vec4i { int x, y, z, w; };

struct Vec2b { bool x, y; };
struct Vec3b { bool x, y, z; };
struct Vec4b { bool x, y, z, w; };

// Elements in memory order, row by row.
struct Mat2f { float m[4]; };
struct Mat3f { float m[9]; };
struct Mat4f { float m[16]; };

static_assert(sizeof(Vec3f) == 12, "Vec3f must be three packed floats");
static_assert(sizeof(Vec4b) == 4, "Vec4b must be four packed bools");
static_assert(sizeof(Mat4f) == 64, "Mat4f must be sixteen packed floats");

}  // namespace hox
