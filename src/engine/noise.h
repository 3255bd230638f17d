// The noise functions offered to shaders: gradient noise, periodic gradient
// noise and cell noise, in one to four dimensions.
//
// All three families share one integer hash, so that a render server and a
// local engine, or two runs of the same scene, produce bit-identical
// patterns. Coordinates are given as arrays of `dimensions` floats (1 … 4);
// results of `components` floats (1 … 4). Pure functions of their inputs,
// callable from any thread.
//
// A coordinate lies in cell round(c - 0.5) (round half to even, the
// processor's default), at offset c - cell inside it.
//
// Inputs no shader should pass still give finite values, never a fault:
// - NaN coordinates count as 0;
// - coordinates beyond ±2^24 (where a float has no fraction left, so the
//   point is on the lattice anyway) count as ±2^24; ±inf included;
// - `dimensions` outside 1 … 4 or a null point gives 0 in every component;
//   components beyond the fourth are written as 0;
// - a null `period` array counts as all periods 1.
#pragma once

#include <cstdint>

namespace hox {
namespace engine {
namespace noise {

// mix(i): h = i * 1025; h ^= h >> 6; h *= 9; h ^= h >> 11 (32-bit unsigned).
uint32_t mix(uint32_t i);
// H(i) = mix(i) * 32769.
uint32_t hash(uint32_t i);

// Gradient noise at `p`: 0 at every integer point, about [-1, 1] elsewhere.
float gradient(const float* p, int dimensions);
// Periodic gradient noise: corner cells taken modulo `period` per axis
// (truncated remainder; a period below 1 counts as 1).
float periodic(const float* p, const int* period, int dimensions);

// Multi-component forms: component k samples the one-component function at
// p plus the k-th fixed offset (cut to `dimensions`).
void gradientComponents(const float* p, int dimensions, float* out, int components);
void periodicComponents(const float* p, const int* period, int dimensions, float* out,
                        int components);
// Cell noise: one value in [-1, 1] per unit cell per component; further
// components rehash the previous component's hash.
void cellComponents(const float* p, int dimensions, float* out, int components);

}  // namespace noise
}  // namespace engine
}  // namespace hox
