// The tracing services are a binary interface with plug-ins compiled
// elsewhere: pin each service's vtable entry.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <set>
#include <vector>

#include "hox/shader_services.h"

namespace hox {
namespace {

using S = IShaderServices;

// Itanium ABI: a pointer to a virtual member holds 1 + the byte offset of
// its vtable entry; the destructor takes entries 0 and 1, so slot n sits at
// entry n + 1. The casts pin each slot's exact signature at compile time.

template <class MemberFunction>
std::ptrdiff_t vtableEntry(MemberFunction fn) {
    static_assert(sizeof(MemberFunction) == 2 * sizeof(std::ptrdiff_t),
                  "expected the Itanium C++ ABI member pointer layout");
    std::ptrdiff_t raw[2];
    std::memcpy(raw, &fn, sizeof raw);
    if ((raw[0] & 1) == 0) return -1;  // not a virtual function
    return (raw[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

struct SlotEntry {
    int slot;
    std::ptrdiff_t entry;
    const char* name;
};

#define HOX_SLOT(n, R, name, params) \
    SlotEntry { n, vtableEntry(static_cast<R(S::*) params>(&S::name)), #name }
#define HOX_NOISE(first, R, name)                                                     \
    HOX_SLOT(first, R, name, (const Vec4f&)), HOX_SLOT(first + 1, R, name, (const Vec3f&)), \
        HOX_SLOT(first + 2, R, name, (const Vec2f&)), HOX_SLOT(first + 3, R, name, (float))
#define HOX_PERIODIC_NOISE(first, R, name)                                    \
    HOX_SLOT(first, R, name, (const Vec4f&, const Vec4i&)),                   \
        HOX_SLOT(first + 1, R, name, (const Vec3f&, const Vec3i&)),           \
        HOX_SLOT(first + 2, R, name, (const Vec2f&, const Vec2i&)),           \
        HOX_SLOT(first + 3, R, name, (float, int))

std::vector<SlotEntry> allSlots() {
    return {
        HOX_SLOT(1, int, illuminance, (int, const Vec3f&, const Vec3f&, const LightSample**, float)),
        HOX_SLOT(2, int, illuminance, (int, const Vec3f&, const Vec3f&, const LightSample**)),
        HOX_SLOT(3, void, ambient, (Vec3f&, const Vec3f&)),
        HOX_SLOT(4, void, transmission, (Vec3f&, const Vec3f&, const Vec3f&)),
        HOX_SLOT(5, void, trace, (Vec4f&, const Vec3f&, const Vec3f&, int)),
        HOX_SLOT(6, void, traceReflection, (Vec4f&, const Vec3f&, const Vec3f&)),
        HOX_SLOT(7, void, traceRefraction, (Vec4f&, const Vec3f&, const Vec3f&)),
        HOX_SLOT(8, void, glossyReflection,
                 (Vec4f&, const Vec3f&, const Vec3f&, const Vec3f&, const Vec3f&, float, float)),
        HOX_SLOT(9, void, glossyReflection, (Vec4f&, const Vec3f&, const Vec3f&, float)),
        HOX_SLOT(10, void, glossyRefraction,
                 (Vec4f&, const Vec3f&, const Vec3f&, const Vec3f&, const Vec3f&, float, float)),
        HOX_SLOT(11, void, glossyRefraction, (Vec4f&, const Vec3f&, const Vec3f&, float)),
        HOX_SLOT(12, void, ambientOcclusion, (Vec3f&, const Vec3f&, const Vec3f&)),
        HOX_SLOT(13, void, indirectDiffuse, (Vec4f&, const Vec3f&, const Vec3f&)),
        HOX_SLOT(14, void, shadeWith, (Vec4f&, const ShaderObject*, const ShadingState&)),
        HOX_SLOT(15, void, transmissionOf, (Vec3f&, const ShaderObject*, const ShadingState&)),
        HOX_NOISE(16, float, noiseFloat),
        HOX_NOISE(20, Vec2f, noiseVec2),
        HOX_NOISE(24, Vec3f, noiseVec3),
        HOX_NOISE(28, Vec4f, noiseVec4),
        HOX_PERIODIC_NOISE(32, float, periodicNoiseFloat),
        HOX_PERIODIC_NOISE(36, Vec2f, periodicNoiseVec2),
        HOX_PERIODIC_NOISE(40, Vec3f, periodicNoiseVec3),
        HOX_PERIODIC_NOISE(44, Vec4f, periodicNoiseVec4),
        HOX_NOISE(48, float, cellNoiseFloat),
        HOX_NOISE(52, Vec2f, cellNoiseVec2),
        HOX_NOISE(56, Vec3f, cellNoiseVec3),
        HOX_NOISE(60, Vec4f, cellNoiseVec4),
    };
}

#undef HOX_PERIODIC_NOISE
#undef HOX_NOISE
#undef HOX_SLOT

TEST(ShaderServicesVtable, EachOperationSitsAtItsSlotAndTheSlotsLeaveNoGaps) {
    const std::vector<SlotEntry> slots = allSlots();
    ASSERT_EQ(slots.size(), static_cast<std::size_t>(kShaderServicesSlots - 1));
    std::set<std::ptrdiff_t> entries;
    for (const SlotEntry& s : slots) {
        EXPECT_EQ(s.entry, s.slot + 1) << s.name << " declared for slot " << s.slot;
        entries.insert(s.entry);
    }
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(kShaderServicesSlots - 1));
    EXPECT_EQ(*entries.begin(), 2);
    EXPECT_EQ(*entries.rbegin(), kShaderServicesSlots);
}

}  // namespace
}  // namespace hox
