// The tracing services and the shading record are a binary interface with
// plug-ins compiled elsewhere. These tests pin what such a plug-in relies
// on: which vtable entry each service occupies, that every declaration
// dispatches to its own override, and which word of the record each field
// reads.
#include "hox/shader_services.h"
#include "hox/shader_api.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

namespace hox {
namespace {

// -- A services object whose every operation reports its slot ---------------

template <class T>
T filledWith(int slot);
template <>
float filledWith<float>(int slot) { return static_cast<float>(slot); }
template <>
Vec2f filledWith<Vec2f>(int slot) {
    const float s = static_cast<float>(slot);
    return {s, s};
}
template <>
Vec3f filledWith<Vec3f>(int slot) {
    const float s = static_cast<float>(slot);
    return {s, s, s};
}
template <>
Vec4f filledWith<Vec4f>(int slot) {
    const float s = static_cast<float>(slot);
    return {s, s, s, s};
}

class SlotRecordingServices final : public IShaderServices {
public:
    ~SlotRecordingServices() override = default;

    int lastSlot = -1;

    int illuminance(int, const Vec3f&, const Vec3f&, const LightSample**, float) override {
        return hit(1);
    }
    int illuminance(int, const Vec3f&, const Vec3f&, const LightSample**) override {
        return hit(2);
    }
    void ambient(Vec3f& r, const Vec3f&) override { r = filled<Vec3f>(3); }
    void transmission(Vec3f& r, const Vec3f&, const Vec3f&) override { r = filled<Vec3f>(4); }
    void trace(Vec4f& r, const Vec3f&, const Vec3f&, int) override { r = filled<Vec4f>(5); }
    void traceReflection(Vec4f& r, const Vec3f&, const Vec3f&) override {
        r = filled<Vec4f>(6);
    }
    void traceRefraction(Vec4f& r, const Vec3f&, const Vec3f&) override {
        r = filled<Vec4f>(7);
    }
    void glossyReflection(Vec4f& r, const Vec3f&, const Vec3f&, const Vec3f&, const Vec3f&,
                          float, float) override {
        r = filled<Vec4f>(8);
    }
    void glossyReflection(Vec4f& r, const Vec3f&, const Vec3f&, float) override {
        r = filled<Vec4f>(9);
    }
    void glossyRefraction(Vec4f& r, const Vec3f&, const Vec3f&, const Vec3f&, const Vec3f&,
                          float, float) override {
        r = filled<Vec4f>(10);
    }
    void glossyRefraction(Vec4f& r, const Vec3f&, const Vec3f&, float) override {
        r = filled<Vec4f>(11);
    }
    void ambientOcclusion(Vec3f& r, const Vec3f&, const Vec3f&) override {
        r = filled<Vec3f>(12);
    }
    void indirectDiffuse(Vec4f& r, const Vec3f&, const Vec3f&) override {
        r = filled<Vec4f>(13);
    }
    void shadeWith(Vec4f& r, const ShaderObject*, const ShadingState&) override {
        r = filled<Vec4f>(14);
    }
    void transmissionOf(Vec3f& r, const ShaderObject*, const ShadingState&) override {
        r = filled<Vec3f>(15);
    }

    float noiseFloat(const Vec4f&) override { return filled<float>(16); }
    float noiseFloat(const Vec3f&) override { return filled<float>(17); }
    float noiseFloat(const Vec2f&) override { return filled<float>(18); }
    float noiseFloat(float) override { return filled<float>(19); }
    Vec2f noiseVec2(const Vec4f&) override { return filled<Vec2f>(20); }
    Vec2f noiseVec2(const Vec3f&) override { return filled<Vec2f>(21); }
    Vec2f noiseVec2(const Vec2f&) override { return filled<Vec2f>(22); }
    Vec2f noiseVec2(float) override { return filled<Vec2f>(23); }
    Vec3f noiseVec3(const Vec4f&) override { return filled<Vec3f>(24); }
    Vec3f noiseVec3(const Vec3f&) override { return filled<Vec3f>(25); }
    Vec3f noiseVec3(const Vec2f&) override { return filled<Vec3f>(26); }
    Vec3f noiseVec3(float) override { return filled<Vec3f>(27); }
    Vec4f noiseVec4(const Vec4f&) override { return filled<Vec4f>(28); }
    Vec4f noiseVec4(const Vec3f&) override { return filled<Vec4f>(29); }
    Vec4f noiseVec4(const Vec2f&) override { return filled<Vec4f>(30); }
    Vec4f noiseVec4(float) override { return filled<Vec4f>(31); }

    float periodicNoiseFloat(const Vec4f&, const Vec4i&) override { return filled<float>(32); }
    float periodicNoiseFloat(const Vec3f&, const Vec3i&) override { return filled<float>(33); }
    float periodicNoiseFloat(const Vec2f&, const Vec2i&) override { return filled<float>(34); }
    float periodicNoiseFloat(float, int) override { return filled<float>(35); }
    Vec2f periodicNoiseVec2(const Vec4f&, const Vec4i&) override { return filled<Vec2f>(36); }
    Vec2f periodicNoiseVec2(const Vec3f&, const Vec3i&) override { return filled<Vec2f>(37); }
    Vec2f periodicNoiseVec2(const Vec2f&, const Vec2i&) override { return filled<Vec2f>(38); }
    Vec2f periodicNoiseVec2(float, int) override { return filled<Vec2f>(39); }
    Vec3f periodicNoiseVec3(const Vec4f&, const Vec4i&) override { return filled<Vec3f>(40); }
    Vec3f periodicNoiseVec3(const Vec3f&, const Vec3i&) override { return filled<Vec3f>(41); }
    Vec3f periodicNoiseVec3(const Vec2f&, const Vec2i&) override { return filled<Vec3f>(42); }
    Vec3f periodicNoiseVec3(float, int) override { return filled<Vec3f>(43); }
    Vec4f periodicNoiseVec4(const Vec4f&, const Vec4i&) override { return filled<Vec4f>(44); }
    Vec4f periodicNoiseVec4(const Vec3f&, const Vec3i&) override { return filled<Vec4f>(45); }
    Vec4f periodicNoiseVec4(const Vec2f&, const Vec2i&) override { return filled<Vec4f>(46); }
    Vec4f periodicNoiseVec4(float, int) override { return filled<Vec4f>(47); }

    float cellNoiseFloat(const Vec4f&) override { return filled<float>(48); }
    float cellNoiseFloat(const Vec3f&) override { return filled<float>(49); }
    float cellNoiseFloat(const Vec2f&) override { return filled<float>(50); }
    float cellNoiseFloat(float) override { return filled<float>(51); }
    Vec2f cellNoiseVec2(const Vec4f&) override { return filled<Vec2f>(52); }
    Vec2f cellNoiseVec2(const Vec3f&) override { return filled<Vec2f>(53); }
    Vec2f cellNoiseVec2(const Vec2f&) override { return filled<Vec2f>(54); }
    Vec2f cellNoiseVec2(float) override { return filled<Vec2f>(55); }
    Vec3f cellNoiseVec3(const Vec4f&) override { return filled<Vec3f>(56); }
    Vec3f cellNoiseVec3(const Vec3f&) override { return filled<Vec3f>(57); }
    Vec3f cellNoiseVec3(const Vec2f&) override { return filled<Vec3f>(58); }
    Vec3f cellNoiseVec3(float) override { return filled<Vec3f>(59); }
    Vec4f cellNoiseVec4(const Vec4f&) override { return filled<Vec4f>(60); }
    Vec4f cellNoiseVec4(const Vec3f&) override { return filled<Vec4f>(61); }
    Vec4f cellNoiseVec4(const Vec2f&) override { return filled<Vec4f>(62); }
    Vec4f cellNoiseVec4(float) override { return filled<Vec4f>(63); }

private:
    int hit(int slot) {
        lastSlot = slot;
        return slot;
    }
    template <class T>
    T filled(int slot) {
        lastSlot = slot;
        return filledWith<T>(slot);
    }
};

// Every component of a result equals the slot that produced it.
void expectAllComponents(float v, int slot) { EXPECT_EQ(v, static_cast<float>(slot)); }
void expectAllComponents(const Vec2f& v, int slot) {
    expectAllComponents(v.x, slot);
    expectAllComponents(v.y, slot);
}
void expectAllComponents(const Vec3f& v, int slot) {
    expectAllComponents(v.x, slot);
    expectAllComponents(v.y, slot);
    expectAllComponents(v.z, slot);
}
void expectAllComponents(const Vec4f& v, int slot) {
    expectAllComponents(v.x, slot);
    expectAllComponents(v.y, slot);
    expectAllComponents(v.z, slot);
    expectAllComponents(v.w, slot);
}

// Calls every operation through the interface, as a plug-in does, and
// checks that each reaches the override of its own slot with its result
// intact (a mis-typed return would garble it).
TEST(ShaderServicesDispatch, EveryOperationReachesItsOwnOverride) {
    SlotRecordingServices recorder;
    IShaderServices& s = recorder;

    const Vec4f p4{0.1f, 0.2f, 0.3f, 0.4f};
    const Vec3f p3{0.1f, 0.2f, 0.3f};
    const Vec2f p2{0.1f, 0.2f};
    const float p1 = 0.1f;
    const Vec4i n4{2, 3, 4, 5};
    const Vec3i n3{2, 3, 4};
    const Vec2i n2{2, 3};
    const LightSample* samples = nullptr;
    ShadingState hitState{};
    Vec3f rgb{};
    Vec4f rgba{};

    int expected = 0;
    auto expectSlot = [&](int slot) {
        EXPECT_EQ(recorder.lastSlot, slot) << "operation declared for slot " << slot;
        expected = slot;
        recorder.lastSlot = -1;
    };

    EXPECT_EQ(s.illuminance(1, p3, p3, &samples, 0.5f), 1);
    expectSlot(1);
    EXPECT_EQ(s.illuminance(1, p3, p3, &samples), 2);
    expectSlot(2);
    s.ambient(rgb, p3);
    expectSlot(3);
    expectAllComponents(rgb, expected);
    s.transmission(rgb, p3, p3);
    expectSlot(4);
    expectAllComponents(rgb, expected);
    s.trace(rgba, p3, p3, kRayKindReflection);
    expectSlot(5);
    expectAllComponents(rgba, expected);
    s.traceReflection(rgba, p3, p3);
    expectSlot(6);
    expectAllComponents(rgba, expected);
    s.traceRefraction(rgba, p3, p3);
    expectSlot(7);
    expectAllComponents(rgba, expected);
    s.glossyReflection(rgba, p3, p3, p3, p3, 0.2f, 0.3f);
    expectSlot(8);
    expectAllComponents(rgba, expected);
    s.glossyReflection(rgba, p3, p3, 0.2f);
    expectSlot(9);
    expectAllComponents(rgba, expected);
    s.glossyRefraction(rgba, p3, p3, p3, p3, 0.2f, 0.3f);
    expectSlot(10);
    expectAllComponents(rgba, expected);
    s.glossyRefraction(rgba, p3, p3, 0.2f);
    expectSlot(11);
    expectAllComponents(rgba, expected);
    s.ambientOcclusion(rgb, p3, p3);
    expectSlot(12);
    expectAllComponents(rgb, expected);
    s.indirectDiffuse(rgba, p3, p3);
    expectSlot(13);
    expectAllComponents(rgba, expected);
    s.shadeWith(rgba, nullptr, hitState);
    expectSlot(14);
    expectAllComponents(rgba, expected);
    s.transmissionOf(rgb, nullptr, hitState);
    expectSlot(15);
    expectAllComponents(rgb, expected);

    // Noise: per family and result size, inputs of 4, 3, 2, 1 dimensions.
    auto check = [&](auto result, int slot) {
        expectSlot(slot);
        expectAllComponents(result, slot);
    };
    check(s.noiseFloat(p4), 16);
    check(s.noiseFloat(p3), 17);
    check(s.noiseFloat(p2), 18);
    check(s.noiseFloat(p1), 19);
    check(s.noiseVec2(p4), 20);
    check(s.noiseVec2(p3), 21);
    check(s.noiseVec2(p2), 22);
    check(s.noiseVec2(p1), 23);
    check(s.noiseVec3(p4), 24);
    check(s.noiseVec3(p3), 25);
    check(s.noiseVec3(p2), 26);
    check(s.noiseVec3(p1), 27);
    check(s.noiseVec4(p4), 28);
    check(s.noiseVec4(p3), 29);
    check(s.noiseVec4(p2), 30);
    check(s.noiseVec4(p1), 31);

    check(s.periodicNoiseFloat(p4, n4), 32);
    check(s.periodicNoiseFloat(p3, n3), 33);
    check(s.periodicNoiseFloat(p2, n2), 34);
    check(s.periodicNoiseFloat(p1, 2), 35);
    check(s.periodicNoiseVec2(p4, n4), 36);
    check(s.periodicNoiseVec2(p3, n3), 37);
    check(s.periodicNoiseVec2(p2, n2), 38);
    check(s.periodicNoiseVec2(p1, 2), 39);
    check(s.periodicNoiseVec3(p4, n4), 40);
    check(s.periodicNoiseVec3(p3, n3), 41);
    check(s.periodicNoiseVec3(p2, n2), 42);
    check(s.periodicNoiseVec3(p1, 2), 43);
    check(s.periodicNoiseVec4(p4, n4), 44);
    check(s.periodicNoiseVec4(p3, n3), 45);
    check(s.periodicNoiseVec4(p2, n2), 46);
    check(s.periodicNoiseVec4(p1, 2), 47);

    check(s.cellNoiseFloat(p4), 48);
    check(s.cellNoiseFloat(p3), 49);
    check(s.cellNoiseFloat(p2), 50);
    check(s.cellNoiseFloat(p1), 51);
    check(s.cellNoiseVec2(p4), 52);
    check(s.cellNoiseVec2(p3), 53);
    check(s.cellNoiseVec2(p2), 54);
    check(s.cellNoiseVec2(p1), 55);
    check(s.cellNoiseVec3(p4), 56);
    check(s.cellNoiseVec3(p3), 57);
    check(s.cellNoiseVec3(p2), 58);
    check(s.cellNoiseVec3(p1), 59);
    check(s.cellNoiseVec4(p4), 60);
    check(s.cellNoiseVec4(p3), 61);
    check(s.cellNoiseVec4(p2), 62);
    check(s.cellNoiseVec4(p1), 63);

    EXPECT_EQ(expected, kShaderServicesSlots - 1);
}

// -- Vtable positions --------------------------------------------------------
//
// A plug-in compiled against an older header calls services by vtable
// position, so declaration order is the interface. On the Itanium C++ ABI
// (Linux) a pointer to a virtual member function holds 1 + the byte offset
// of its vtable entry, and the destructor takes entries 0 and 1, so slot n
// (n >= 1) must sit at entry n + 1. The casts below also name each slot's
// exact signature: a changed parameter or result type fails to compile.

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

using S = IShaderServices;
#define HOX_SLOT(n, signature, name) \
    SlotEntry { n, vtableEntry(static_cast<signature>(&S::name)), #name }

std::vector<SlotEntry> declaredSlots() {
    using Illuminance = int (S::*)(int, const Vec3f&, const Vec3f&, const LightSample**, float);
    using IlluminanceHemisphere = int (S::*)(int, const Vec3f&, const Vec3f&, const LightSample**);
    using Rgb1 = void (S::*)(Vec3f&, const Vec3f&);
    using Rgb2 = void (S::*)(Vec3f&, const Vec3f&, const Vec3f&);
    using Rgba2 = void (S::*)(Vec4f&, const Vec3f&, const Vec3f&);
    using Trace = void (S::*)(Vec4f&, const Vec3f&, const Vec3f&, int);
    using GlossyAniso = void (S::*)(Vec4f&, const Vec3f&, const Vec3f&, const Vec3f&,
                                    const Vec3f&, float, float);
    using GlossyIso = void (S::*)(Vec4f&, const Vec3f&, const Vec3f&, float);
    using ShadeWith = void (S::*)(Vec4f&, const ShaderObject*, const ShadingState&);
    using TransmissionOf = void (S::*)(Vec3f&, const ShaderObject*, const ShadingState&);

    return {
        HOX_SLOT(1, Illuminance, illuminance),
        HOX_SLOT(2, IlluminanceHemisphere, illuminance),
        HOX_SLOT(3, Rgb1, ambient),
        HOX_SLOT(4, Rgb2, transmission),
        HOX_SLOT(5, Trace, trace),
        HOX_SLOT(6, Rgba2, traceReflection),
        HOX_SLOT(7, Rgba2, traceRefraction),
        HOX_SLOT(8, GlossyAniso, glossyReflection),
        HOX_SLOT(9, GlossyIso, glossyReflection),
        HOX_SLOT(10, GlossyAniso, glossyRefraction),
        HOX_SLOT(11, GlossyIso, glossyRefraction),
        HOX_SLOT(12, Rgb2, ambientOcclusion),
        HOX_SLOT(13, Rgba2, indirectDiffuse),
        HOX_SLOT(14, ShadeWith, shadeWith),
        HOX_SLOT(15, TransmissionOf, transmissionOf),
    };
}

// One family of noise: result type R, inputs of four to one dimensions.
template <class R>
void appendNoise(std::vector<SlotEntry>& out, int first, R (S::*f4)(const Vec4f&),
                 R (S::*f3)(const Vec3f&), R (S::*f2)(const Vec2f&), R (S::*f1)(float),
                 const char* name) {
    out.push_back({first, vtableEntry(f4), name});
    out.push_back({first + 1, vtableEntry(f3), name});
    out.push_back({first + 2, vtableEntry(f2), name});
    out.push_back({first + 3, vtableEntry(f1), name});
}

template <class R>
void appendPeriodicNoise(std::vector<SlotEntry>& out, int first,
                         R (S::*f4)(const Vec4f&, const Vec4i&),
                         R (S::*f3)(const Vec3f&, const Vec3i&),
                         R (S::*f2)(const Vec2f&, const Vec2i&), R (S::*f1)(float, int),
                         const char* name) {
    out.push_back({first, vtableEntry(f4), name});
    out.push_back({first + 1, vtableEntry(f3), name});
    out.push_back({first + 2, vtableEntry(f2), name});
    out.push_back({first + 3, vtableEntry(f1), name});
}

#define HOX_NOISE(first, R, name) \
    appendNoise<R>(slots, first, &S::name, &S::name, &S::name, &S::name, #name)
#define HOX_PERIODIC_NOISE(first, R, name) \
    appendPeriodicNoise<R>(slots, first, &S::name, &S::name, &S::name, &S::name, #name)

std::vector<SlotEntry> allSlots() {
    std::vector<SlotEntry> slots = declaredSlots();
    HOX_NOISE(16, float, noiseFloat);
    HOX_NOISE(20, Vec2f, noiseVec2);
    HOX_NOISE(24, Vec3f, noiseVec3);
    HOX_NOISE(28, Vec4f, noiseVec4);
    HOX_PERIODIC_NOISE(32, float, periodicNoiseFloat);
    HOX_PERIODIC_NOISE(36, Vec2f, periodicNoiseVec2);
    HOX_PERIODIC_NOISE(40, Vec3f, periodicNoiseVec3);
    HOX_PERIODIC_NOISE(44, Vec4f, periodicNoiseVec4);
    HOX_NOISE(48, float, cellNoiseFloat);
    HOX_NOISE(52, Vec2f, cellNoiseVec2);
    HOX_NOISE(56, Vec3f, cellNoiseVec3);
    HOX_NOISE(60, Vec4f, cellNoiseVec4);
    return slots;
}

#undef HOX_NOISE
#undef HOX_PERIODIC_NOISE
#undef HOX_SLOT

TEST(ShaderServicesVtable, EachOperationSitsAtItsSlot) {
    const std::vector<SlotEntry> slots = allSlots();
    ASSERT_EQ(slots.size(), static_cast<std::size_t>(kShaderServicesSlots - 1));
    for (const SlotEntry& s : slots) {
        EXPECT_EQ(s.entry, s.slot + 1) << s.name << " declared for slot " << s.slot;
    }
}

TEST(ShaderServicesVtable, SlotsFillTheTableWithoutGaps) {
    // Entries 0 and 1 belong to the destructor; 2 to 64 to the operations.
    std::set<std::ptrdiff_t> entries;
    for (const SlotEntry& s : allSlots()) entries.insert(s.entry);
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(kShaderServicesSlots - 1));
    EXPECT_EQ(*entries.begin(), 2);
    EXPECT_EQ(*entries.rbegin(), kShaderServicesSlots);
}

// -- ShadingState words ------------------------------------------------------

// The render thread and a plug-in may see the record only as words; fill it
// word by word and read it back through the fields.
class ShadingStateWords : public ::testing::Test {
protected:
    void SetUp() override {
        for (std::size_t w = 0; w < kShadingStateWords; ++w) {
            words[w] = 1000.0f + static_cast<float>(w);
        }
        std::memcpy(&state, words, sizeof state);
    }
    float word(std::size_t w) const { return words[w]; }

    float words[kShadingStateWords];
    ShadingState state;
};

TEST_F(ShadingStateWords, RecordIsExactly108Words) {
    EXPECT_EQ(sizeof(ShadingState), 108u * 4u);
    EXPECT_EQ(sizeof(state), sizeof(words));
}

TEST_F(ShadingStateWords, RayAndHitVectors) {
    EXPECT_EQ(state.rayOrigin.x, word(0));
    EXPECT_EQ(state.rayDirection.z, word(5));
    EXPECT_EQ(state.position.x, word(6));
    EXPECT_EQ(state.normal.x, word(9));
    EXPECT_EQ(state.normal.z, word(11));
    EXPECT_EQ(state.faceNormal.x, word(12));
    EXPECT_EQ(state.objectPosition.x, word(15));
    EXPECT_EQ(state.objectNormal.y, word(19));
    EXPECT_EQ(state.objectFaceNormal.z, word(23));
    EXPECT_EQ(state.samplePosition.x, word(24));
    EXPECT_EQ(state.samplePosition.y, word(25));
    EXPECT_EQ(state.inheritedA, word(28));
    EXPECT_EQ(state.inheritedB, word(29));
}

TEST_F(ShadingStateWords, MatricesKeepTheirElementOrder) {
    EXPECT_EQ(state.objectMatrixInverse.m[0], word(30));
    EXPECT_EQ(state.objectMatrixInverse.m[15], word(45));
    EXPECT_EQ(state.objectMatrix.m[0], word(46));
    EXPECT_EQ(state.objectMatrix.m[12], word(58));  // translation x
    EXPECT_EQ(state.objectMatrix.m[15], word(61));
    EXPECT_EQ(state.inverseNormalMatrix.m[0], word(62));
    EXPECT_EQ(state.inverseNormalMatrix.m[8], word(70));
    EXPECT_EQ(state.normalMatrix.m[0], word(71));
    EXPECT_EQ(state.normalMatrix.m[8], word(79));
}

TEST_F(ShadingStateWords, ColourTransmissionAndLightWords) {
    EXPECT_EQ(state.colour.x, word(83));
    EXPECT_EQ(state.colour.w, word(86));
    EXPECT_EQ(state.transmission.x, word(87));
    EXPECT_EQ(state.transmission.z, word(89));
    EXPECT_EQ(state.lightPosition.x, word(90));
    EXPECT_EQ(state.lightAxis.z, word(95));
    EXPECT_EQ(state.toLight.x, word(96));
    EXPECT_EQ(state.lightDistance, word(99));
    EXPECT_EQ(state.lightColour.x, word(100));
    EXPECT_EQ(state.lightColour.z, word(102));
    EXPECT_EQ(state.lightColourScale.x, word(103));
    EXPECT_EQ(state.lightColourScale.z, word(105));
}

TEST(ShadingStateIntegerWords, ViewSizeKindAndDepths) {
    std::int32_t words[kShadingStateWords] = {};
    words[26] = 640;
    words[27] = 480;
    words[80] = kRayKindRefraction;
    words[81] = 2;
    words[82] = 5;
    ShadingState state;
    std::memcpy(&state, words, sizeof state);
    EXPECT_EQ(state.viewSize.x, 640);
    EXPECT_EQ(state.viewSize.y, 480);
    EXPECT_EQ(state.rayKind, kRayKindRefraction);
    EXPECT_EQ(state.depth, 2);
    EXPECT_EQ(state.traceDepth, 5);
}

TEST(ShadingStateIntegerWords, AttributePointerFillsTheLastTwoWords) {
    const float attributeValues[2] = {0.25f, 0.75f};
    ShadingState state{};
    state.attributes = attributeValues;
    unsigned char bytes[sizeof state];
    std::memcpy(bytes, &state, sizeof state);
    const float* fromWords = nullptr;
    std::memcpy(&fromWords, bytes + 4 * 106, sizeof fromWords);
    EXPECT_EQ(fromWords, attributeValues);
    EXPECT_EQ(4 * 106 + sizeof fromWords, sizeof state);
}

// -- A shader written the way a plug-in writes one ---------------------------

// Mixes its base colour with a mirror reflection and scales by the first
// vertex attribute: touches the state's input words, one service and the
// colour words, all through the umbrella header alone.
class MirrorMixShader final : public ShaderObject {
public:
    int getKind() const override { return SHADER_KIND_SURFACE; }
    void shade(IShaderServices* services, ShadingState* state) const override {
        Vec4f reflected{};
        services->traceReflection(reflected, state->position, state->rayDirection);
        const float scale = state->attributes[0];
        state->colour = {scale * (0.5f * base.x + 0.5f * reflected.x),
                         scale * (0.5f * base.y + 0.5f * reflected.y),
                         scale * (0.5f * base.z + 0.5f * reflected.z), 1.0f};
    }
    Vec3f base{1.0f, 0.0f, 0.0f};
};

TEST(ShaderServicesFromAPlugin, ShadeCallsServicesAndWritesTheColourWords) {
    SlotRecordingServices services;  // traceReflection answers 6 in every channel
    const float attributeValues[1] = {2.0f};
    ShadingState state{};
    state.colour = {0.0f, 0.0f, 0.0f, 1.0f};
    state.attributes = attributeValues;

    MirrorMixShader shader;
    const ShaderObject& asPlugin = shader;
    asPlugin.shade(&services, &state);

    EXPECT_EQ(services.lastSlot, 6);
    float words[kShadingStateWords];
    std::memcpy(words, &state, sizeof words);
    EXPECT_FLOAT_EQ(words[83], 2.0f * (0.5f + 3.0f));
    EXPECT_FLOAT_EQ(words[84], 2.0f * 3.0f);
    EXPECT_FLOAT_EQ(words[85], 2.0f * 3.0f);
    EXPECT_FLOAT_EQ(words[86], 1.0f);
}

// -- Light samples and ray kinds ----------------------------------------------

TEST(LightSampleLayout, PluginsWalkTheArrayByItsLinks) {
    LightSample array[3] = {};
    array[0].next = &array[1];
    array[1].next = &array[2];
    array[1].lightNumber = 7;
    array[1].colour = {0.5f, 0.25f, 0.125f};
    const unsigned char* base = reinterpret_cast<const unsigned char*>(array);
    // An entry is 48 bytes, so the second starts 48 bytes in.
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(array[0].next) - base, 48);
    std::int32_t number = 0;
    std::memcpy(&number, base + 48 + 28, sizeof number);
    EXPECT_EQ(number, 7);
    float green = 0.0f;
    std::memcpy(&green, base + 48 + 20, sizeof green);
    EXPECT_EQ(green, 0.25f);
}

TEST(RayKinds, AreDistinctBitsInTheirFixedOrder) {
    const int kinds[] = {kRayKindCamera,    kRayKindReflection,     kRayKindRefraction,
                         kRayKindShadow,    kRayKindOcclusion,      kRayKindIndirectDiffuse,
                         kRayKindSelection};
    int bit = 1;
    for (int kind : kinds) {
        EXPECT_EQ(kind, bit);
        bit <<= 1;
    }
}

}  // namespace
}  // namespace hox
