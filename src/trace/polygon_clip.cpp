// Sutherland–Hodgman clipping of one polygon against one plane, with a band
// of tolerance around the plane.
#include "trace/polygon_clip.h"

namespace hox {
namespace trace {
namespace {

enum Side { kInside = -1, kOn = 0, kOutside = 1 };

Side classify(float distance, float tolerance) {
    if (distance > tolerance) return kOutside;
    if (distance < -tolerance) return kInside;
    return kOn;
}

void append(ClipPolygon& polygon, const Vec3f& p) {
    // Only damaged input (non-convex by more than the tolerance) could come
    // near the limit; dropping the excess keeps what is left non-empty.
    if (polygon.count < kMaxClipVertices) polygon.points[polygon.count++] = p;
}

}  // namespace

void clipPolygon(const ClipPolygon& in, const SidePlane& plane, float tolerance, ClipPolygon& out) {
    out.count = 0;
    const int n = in.count < kMaxClipVertices ? in.count : kMaxClipVertices;
    if (n <= 0) return;

    Vec3f a = in.points[n - 1];
    float da = planeDistance(plane, a);
    Side sa = classify(da, tolerance);
    for (int i = 0; i < n; ++i) {
        const Vec3f& b = in.points[i];
        const float db = planeDistance(plane, b);
        const Side sb = classify(db, tolerance);
        // The edge a → b: a crossing point when it passes strictly through
        // the plane, then b itself unless it lies outside.
        if ((sa == kInside && sb == kOutside) || (sa == kOutside && sb == kInside)) {
            const float t = da / (da - db);
            append(out, {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t});
        }
        if (sb != kOutside) append(out, b);
        a = b;
        da = db;
        sa = sb;
    }
}

}  // namespace trace
}  // namespace hox
