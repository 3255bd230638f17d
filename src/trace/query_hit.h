// What a pick query reports about the nearest hit of a ray, in the hit
// object's own world frame (the host's coordinates, not tracing space).
#pragma once

#include <cstdint>

#include "hox/types.h"
#include "trace/instance.h"
#include "trace/ray.h"

namespace hox {
namespace trace {

struct QueryHit {
    Vec3f position;  // the hit point
    Vec3f normal;    // interpolated vertex normal, unit in object space, carried to world
    Vec3f boxMin;    // the object's world box
    Vec3f boxMax;
    int32_t objectNumber;  // the object's record number, -1 when unknown
};

// Evaluates the hit recorded in `ray` (traced with traceScene) on
// `instance`. False, with `out` untouched, when the ray's triangle does not
// belong to the instance's geometry (a ray that hit nothing, or damaged
// data).
bool evaluateQueryHit(const Instance& instance, const Ray& ray, QueryHit& out);


}  // namespace trace
}  // namespace hox
