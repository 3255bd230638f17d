#include "accel/bvh_splits.h"

#include <emmintrin.h>

#include <utility>

namespace hox {
namespace accel {
namespace {

// Tight and centroid bounds of one side of a partition.
struct SideBounds {
    BuildBox bounds = BuildBox::empty();
    BuildBox centroids = BuildBox::empty();

    void add(const trace::PrimBounds& p) {
        bounds.grow(loadMin(p), loadMax(p));
        centroids.growPoint(centroidOf(p));
    }
};

// Partitions [first, last] in place: a primitive whose centroid on `axis` is
// at or beyond `plane` is swapped to the right end, which moves down;
// anything else (NaN centroids included) stays left. Returns the last index
// of the left side (first - 1 when the left side is empty).
int32_t partitionAtPlane(const SplitInput& in, int32_t first, int32_t last, int axis, float plane,
                         SideBounds& leftSide, SideBounds& rightSide) {
    const __m128 planeVec = _mm_set1_ps(plane);
    int32_t cursor = first;
    int32_t end = last;
    while (cursor <= end) {
        int32_t prim = in.indices[cursor];
        const trace::PrimBounds& p = in.prims[prim];
        int goesRight = (_mm_movemask_ps(_mm_cmpge_ps(centroidOf(p), planeVec)) >> axis) & 1;
        if (goesRight) {
            rightSide.add(p);
            std::swap(in.indices[cursor], in.indices[end]);
            --end;
        } else {
            leftSide.add(p);
            ++cursor;
        }
    }
    return end;
}

void fillChild(BvhBuildTask& child, const BuildBox& splitBox, const SideBounds& side, int32_t first,
               int32_t last) {
    child.splitBox = splitBox;
    child.bounds = side.bounds;
    child.centroidBounds = side.centroids;
    child.first = first;
    child.last = last;
}

struct Bin {
    int32_t count;
    BuildBox box;
};

// Planes 1..N-1 of one axis, padded so the cost loop can run in steps of
// four; unused slots keep count 0 and are never chosen.
constexpr int kPlaneSlots = kMaxSahBins + 4;

struct PlaneSweep {
    alignas(16) float leftArea[kPlaneSlots];
    alignas(16) float leftCount[kPlaneSlots];
    alignas(16) float rightArea[kPlaneSlots];
    alignas(16) float rightCount[kPlaneSlots];
};

// Accumulates bins 0..i-1 (left of plane i) and i..N-1 (right of it).
// Slots 1..N-1 are written below; slot 0 and the padding up to the cost
// loop's last step are cleared so that they never count as candidates.
void sweepBins(const Bin* bins, int numBins, PlaneSweep& sweep) {
    auto clear = [&sweep](int i) {
        sweep.leftArea[i] = sweep.rightArea[i] = 0.0f;
        sweep.leftCount[i] = sweep.rightCount[i] = 0.0f;
    };
    clear(0);
    for (int i = numBins; i < kPlaneSlots; ++i) clear(i);
    BuildBox box = BuildBox::empty();
    int32_t count = 0;
    for (int i = 1; i < numBins; ++i) {
        box.grow(bins[i - 1].box);
        count += bins[i - 1].count;
        sweep.leftArea[i] = count > 0 ? box.halfArea() : 0.0f;
        sweep.leftCount[i] = static_cast<float>(count);
    }
    box = BuildBox::empty();
    count = 0;
    for (int i = numBins - 1; i >= 1; --i) {
        box.grow(bins[i].box);
        count += bins[i].count;
        sweep.rightArea[i] = count > 0 ? box.halfArea() : 0.0f;
        sweep.rightCount[i] = static_cast<float>(count);
    }
}

// Four planes per iteration: cost = 2 (A_l n_l + A_r n_r), and only planes
// with primitives on both sides are candidates. The pick itself stays a
// scalar strictly-less scan so that ties keep the lower plane.
void bestPlaneOfAxis(const PlaneSweep& sweep, int numBins, float& bestCost, int& bestPlane, bool& improved) {
    const __m128 two = _mm_set1_ps(2.0f);
    const __m128 zero = _mm_setzero_ps();
    improved = false;
    for (int base = 1; base < numBins; base += 4) {
        __m128 lA = _mm_loadu_ps(sweep.leftArea + base);
        __m128 lN = _mm_loadu_ps(sweep.leftCount + base);
        __m128 rA = _mm_loadu_ps(sweep.rightArea + base);
        __m128 rN = _mm_loadu_ps(sweep.rightCount + base);
        __m128 cost = _mm_mul_ps(two, _mm_add_ps(_mm_mul_ps(lA, lN), _mm_mul_ps(rA, rN)));
        int valid = _mm_movemask_ps(_mm_and_ps(_mm_cmpgt_ps(lN, zero), _mm_cmpgt_ps(rN, zero)));
        if (!valid) continue;
        float costs[4];
        _mm_storeu_ps(costs, cost);
        for (int k = 0; k < 4 && base + k < numBins; ++k) {
            if (((valid >> k) & 1) && costs[k] < bestCost) {
                bestCost = costs[k];
                bestPlane = base + k;
                improved = true;
            }
        }
    }
}

// Where a centroid falls along each axis, as bin numbers.
struct BinMapping {
    __m128 lo;
    __m128 width;
    __m128 top;  // N - 1 - 1e-6

    __m128i slots(__m128 centroid) const {
        const __m128 scaled = _mm_sub_ps(_mm_div_ps(_mm_sub_ps(centroid, lo), width), _mm_set1_ps(0.5f));
        return _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(scaled, _mm_setzero_ps()), top));
    }
};

using BinSet = Bin[3][kMaxSahBins];

void clearBins(BinSet& bins, int numBins) {
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < numBins; ++b) bins[a][b] = Bin{0, BuildBox::empty()};
    }
}

inline void addToBins(BinSet& bins, __m128i slot, __m128 pMin, __m128 pMax) {
    const int s0 = _mm_cvtsi128_si32(slot);
    const int s1 = _mm_cvtsi128_si32(_mm_shuffle_epi32(slot, _MM_SHUFFLE(1, 1, 1, 1)));
    const int s2 = _mm_cvtsi128_si32(_mm_shuffle_epi32(slot, _MM_SHUFFLE(2, 2, 2, 2)));
    bins[0][s0].count += 1;
    bins[0][s0].box.grow(pMin, pMax);
    bins[1][s1].count += 1;
    bins[1][s1].box.grow(pMin, pMax);
    bins[2][s2].count += 1;
    bins[2][s2].box.grow(pMin, pMax);
}

// The node's primitives one after the other into one set of bins.
void binInOrder(const SplitInput& in, const BvhBuildTask& task, int numBins, const BinMapping& mapping,
                BinSet& bins) {
    clearBins(bins, numBins);
    for (int32_t i = task.first; i <= task.last; ++i) {
        const trace::PrimBounds& p = in.prims[in.indices[i]];
        addToBins(bins, mapping.slots(centroidOf(p)), loadMin(p), loadMax(p));
    }
}

// The same bins from two sets, even and odd primitives, merged at the end:
// neighbouring primitives mostly fall into the same bins, and a single set
// would make every update wait for the one before it. Counts add up and
// minima and maxima do not depend on the order they are taken in, unless a
// box holds a NaN: for such a node this returns false and the caller bins
// it with binInOrder, so that its bins are exactly those of the one-by-one
// order.
bool binInTwoSets(const SplitInput& in, const BvhBuildTask& task, int numBins, const BinMapping& mapping,
                  BinSet& bins) {
    BinSet odd;
    clearBins(bins, numBins);
    clearBins(odd, numBins);
    __m128 unordered = _mm_setzero_ps();
    int32_t i = task.first;
    for (; i < task.last; i += 2) {
        const trace::PrimBounds& p0 = in.prims[in.indices[i]];
        const trace::PrimBounds& p1 = in.prims[in.indices[i + 1]];
        const __m128 min0 = loadMin(p0), max0 = loadMax(p0);
        const __m128 min1 = loadMin(p1), max1 = loadMax(p1);
        unordered = _mm_or_ps(unordered, _mm_or_ps(_mm_cmpunord_ps(min0, max0), _mm_cmpunord_ps(min1, max1)));
        addToBins(bins, mapping.slots(centroidOf(p0)), min0, max0);
        addToBins(odd, mapping.slots(centroidOf(p1)), min1, max1);
    }
    if (i == task.last) {
        const trace::PrimBounds& p = in.prims[in.indices[i]];
        const __m128 pMin = loadMin(p), pMax = loadMax(p);
        unordered = _mm_or_ps(unordered, _mm_cmpunord_ps(pMin, pMax));
        addToBins(bins, mapping.slots(centroidOf(p)), pMin, pMax);
    }
    if (_mm_movemask_ps(unordered) & 0x7) return false;
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < numBins; ++b) {
            bins[a][b].count += odd[a][b].count;
            bins[a][b].box.grow(odd[a][b].box);
        }
    }
    return true;
}

// Cost of the split relative to leaving the node as one leaf. A node whose
// box has no area (all primitives on a line or a point) splits for free.
double costFractionOf(float bestCost, const BuildBox& bounds, int n) {
    double whole = 2.0 * static_cast<double>(bounds.halfArea()) * n;
    if (!(whole > 0.0)) return 0.0;
    double fraction = static_cast<double>(bestCost) / whole;
    return fraction == fraction ? fraction : 0.0;
}

}  // namespace

int binnedSahSplit(const SplitInput& in, const BvhBuildTask& task, const SahSettings& settings,
                   BvhBuildStats& stats, BvhBuildTask& left, BvhBuildTask& right) {
    int numBins = settings.numBins;
    if (numBins < 2) numBins = 2;
    if (numBins > kMaxSahBins) numBins = kMaxSahBins;
    const BuildBox& binBox = settings.binOverCentroids ? task.centroidBounds : task.bounds;

    // bin = round-to-nearest-even of (c - min) / w - 0.5, clamped to
    // [0, N - 1 - 1e-6]: the floor of (c - min) / w except at odd integers.
    // MAXPS returns its second operand for NaN, so a degenerate axis
    // (w = 0 gives 0 / 0) lands in bin 0 instead of an undefined index.
    const __m128 lo = binBox.min;
    const __m128 width = _mm_div_ps(_mm_sub_ps(binBox.max, lo), _mm_set1_ps(static_cast<float>(numBins) - 1e-6f));
    const BinMapping mapping{lo, width, _mm_set1_ps(static_cast<float>(numBins - 1) - 1e-6f)};

    Bin bins[3][kMaxSahBins];
    if (!binInTwoSets(in, task, numBins, mapping, bins)) binInOrder(in, task, numBins, mapping, bins);

    float bestCost = 1e38f;
    int bestAxis = -1;
    int bestPlane = 0;
    for (int a = 0; a < 3; ++a) {
        PlaneSweep sweep;
        sweepBins(bins[a], numBins, sweep);
        bool improved = false;
        bestPlaneOfAxis(sweep, numBins, bestCost, bestPlane, improved);
        if (improved) bestAxis = a;
    }
    if (bestAxis < 0) {
        stats.failedSplits += 1;
        return -1;
    }

    const int n = task.primCount();
    recordSahSplit(stats, costFractionOf(bestCost, task.bounds, n), n, settings.badSplitThreshold);

    float plane = BuildBox::lane(lo, bestAxis) + static_cast<float>(bestPlane) * BuildBox::lane(width, bestAxis);
    SideBounds leftSide, rightSide;
    int32_t end = partitionAtPlane(in, task.first, task.last, bestAxis, plane, leftSide, rightSide);
    if (end < task.first || end >= task.last) return -1;

    BuildBox leftBox = task.splitBox, rightBox = task.splitBox;
    leftBox.setUpper(bestAxis, plane);
    rightBox.setLower(bestAxis, plane);
    fillChild(left, leftBox, leftSide, task.first, end);
    fillChild(right, rightBox, rightSide, end + 1, task.last);
    return bestAxis;
}

bool spatialMedianSplit(const SplitInput& in, const BvhBuildTask& task, int axis, int tries,
                        BvhBuildStats& stats, BvhBuildTask& left, BvhBuildTask& right) {
    BuildBox region = task.splitBox;
    for (; tries > 0; --tries) {
        float plane = (region.lower(axis) + region.upper(axis)) * 0.5f;
        BuildBox leftBox = region, rightBox = region;
        leftBox.setUpper(axis, plane);
        rightBox.setLower(axis, plane);

        SideBounds leftSide, rightSide;
        int32_t end = partitionAtPlane(in, task.first, task.last, axis, plane, leftSide, rightSide);
        bool leftEmpty = end < task.first;
        bool rightEmpty = end >= task.last;
        if (!leftEmpty && !rightEmpty) {
            fillChild(left, leftBox, leftSide, task.first, end);
            fillChild(right, rightBox, rightSide, end + 1, task.last);
            return true;
        }
        stats.failedSplits += 1;
        // Zoom into the half that holds everything and cut that again.
        region = leftEmpty ? rightBox : leftBox;
    }
    return false;
}

void countHalvingSplit(const SplitInput& in, const BvhBuildTask& task, BvhBuildTask& left, BvhBuildTask& right) {
    const int32_t leftLast = task.first + task.primCount() / 2 - 1;
    SideBounds leftSide, rightSide;
    for (int32_t i = task.first; i <= leftLast; ++i) leftSide.add(in.prims[in.indices[i]]);
    for (int32_t i = leftLast + 1; i <= task.last; ++i) rightSide.add(in.prims[in.indices[i]]);
    fillChild(left, leftSide.bounds, leftSide, task.first, leftLast);
    fillChild(right, rightSide.bounds, rightSide, leftLast + 1, task.last);
}

void chooseMedianAxes(const BuildBox& box, int& a1, int& a2) {
    float dx = box.upper(0) - box.lower(0);
    float dy = box.upper(1) - box.lower(1);
    float dz = box.upper(2) - box.lower(2);
    if (dx > dy && dx > dz) {
        a1 = 0;
        a2 = dy > dz ? 1 : 2;
    } else if (dy > dz) {
        a1 = 1;
        a2 = dx > dz ? 0 : 2;
    } else {
        a1 = 2;
        a2 = dx > dy ? 0 : 1;
    }
}

}  // namespace accel
}  // namespace hox
