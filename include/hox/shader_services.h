// What a plug-in shader is given while it shades: the shading record of the
// hit (ShadingState) and the tracing services of the render thread that
// called it (IShaderServices).
//
// Both are binary interfaces between the library and plug-ins built apart
// from it, so their layout is fixed word by word and checked at compile time
// below; a change here breaks every plug-in already built.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "hox/types.h"

namespace hox {

// The plug-in shader base class (hox/shader_declaration.h); the re-shading
// services take one, typically from a shader reference parameter.
class ShaderObject;

// ---------------------------------------------------------------------------
// Ray kinds
//
// Every traced ray carries one kind. Kinds are single bits so that an
// instance can hide itself from several kinds at once: a ray skips every
// instance whose mask shares its bit.
// ---------------------------------------------------------------------------

constexpr int kRayKindCamera = 1;            // primary rays of a tile
constexpr int kRayKindReflection = 2;
constexpr int kRayKindRefraction = 4;
constexpr int kRayKindShadow = 8;            // shadow transmission
constexpr int kRayKindOcclusion = 16;        // ambient occlusion
constexpr int kRayKindIndirectDiffuse = 32;
constexpr int kRayKindSelection = 64;        // pick queries of the host

// ---------------------------------------------------------------------------
// ShadingState: the record a shader reads and writes, 108 32-bit words.
//
// One record exists per trace depth level of a render thread; the shader's
// `shade` and `transmit` receive the record of the level being shaded. The
// comments give each field's word index; the static_asserts after the struct
// hold every field to it.
//
// "World" below is the hit object's own world frame (its objectMatrix), not
// the rescaled space the ray kernels trace in.
// ---------------------------------------------------------------------------

struct ShadingState {
    Vec3f rayOrigin;          // 0-2
    Vec3f rayDirection;       // 3-5, unit length
    Vec3f position;           // 6-8, hit point, world
    Vec3f normal;             // 9-11, interpolated shading normal, world, not normalised
    Vec3f faceNormal;         // 12-14, the hit triangle's face normal, world
    Vec3f objectPosition;     // 15-17, hit point, object space
    Vec3f objectNormal;       // 18-20, interpolated vertex normal, object space
    Vec3f objectFaceNormal;   // 21-23, the hit triangle's face normal, object space
    Vec2f samplePosition;     // 24-25, the sample's position in the view, pixels
    Vec2i viewSize;           // 26-27, width and height of the view

    // 28, 29: values handed down the ray tree. A new level takes the parent's
    // A, or the parent's B for refraction and shadow rays, in both words. A
    // shader that keeps, for example, the index of refraction of the medium
    // it is in (A) and of the medium behind its surface (B) thus sees the
    // right one at the next level without any bookkeeping of its own.
    float inheritedA;         // 28
    float inheritedB;         // 29

    Mat4f objectMatrixInverse;  // 30-45, world to object
    Mat4f objectMatrix;         // 46-61, object to world
    // 62-70: inverse of the upper-left 3x3 of objectMatrixInverse; applied
    // transposed it carries world normals back into object space.
    Mat3f inverseNormalMatrix;
    // 71-79: inverse of the upper-left 3x3 of objectMatrix; applied
    // transposed it carries object-space normals into the world.
    Mat3f normalMatrix;

    int rayKind;              // 80, one of the kRayKind* bits
    int depth;                // 81, depth counter of this level (1 for a camera ray's hit)
    int traceDepth;           // 82, the depth limit of the view

    // 83-86: the shader's result, red, green, blue, alpha. (0, 0, 0, 1) on
    // entry, so a shader that writes nothing yields opaque black.
    Vec4f colour;

    // 87-89: the RGB colour `transmit` leaves: how much light passes through
    // the surface. (0, 0, 0) on entry, so a shader that writes nothing blocks
    // shadow rays.
    Vec3f transmission;

    // 90-105: the light being evaluated, filled by the illuminance and
    // ambient services before they call a light shader's `shade`.
    Vec3f lightPosition;      // 90-92, the light's position, world
    Vec3f lightAxis;          // 93-95, the direction the light points to, world
    Vec3f toLight;            // 96-98, unit direction from the shaded point to the light
    float lightDistance;      // 99, distance from the shaded point to the light
    Vec3f lightColour;        // 100-102, left by the light shader; (0, 0, 0) on entry
    // 103-105: per-channel factor the light shader may leave beside its
    // colour; the ambient service multiplies the two. (1, 1, 1) on entry.
    Vec3f lightColourScale;

    // 106-107: the hit's interpolated vertex attributes, one float per
    // attribute component the shader declared, in declaration order.
    const float* attributes;
};

constexpr std::size_t kShadingStateWords = 108;

static_assert(std::is_standard_layout<ShadingState>::value,
              "ShadingState must keep a C layout");
static_assert(sizeof(ShadingState) == 4 * kShadingStateWords,
              "ShadingState must be exactly 108 words");
static_assert(alignof(ShadingState) == 8, "ShadingState holds a pointer");

#define HOX_SHADING_WORD(field, word)                          \
    static_assert(offsetof(ShadingState, field) == 4 * (word), \
                  "ShadingState::" #field " must start at word " #word)
HOX_SHADING_WORD(rayOrigin, 0);
HOX_SHADING_WORD(rayDirection, 3);
HOX_SHADING_WORD(position, 6);
HOX_SHADING_WORD(normal, 9);
HOX_SHADING_WORD(faceNormal, 12);
HOX_SHADING_WORD(objectPosition, 15);
HOX_SHADING_WORD(objectNormal, 18);
HOX_SHADING_WORD(objectFaceNormal, 21);
HOX_SHADING_WORD(samplePosition, 24);
HOX_SHADING_WORD(viewSize, 26);
HOX_SHADING_WORD(inheritedA, 28);
HOX_SHADING_WORD(inheritedB, 29);
HOX_SHADING_WORD(objectMatrixInverse, 30);
HOX_SHADING_WORD(objectMatrix, 46);
HOX_SHADING_WORD(inverseNormalMatrix, 62);
HOX_SHADING_WORD(normalMatrix, 71);
HOX_SHADING_WORD(rayKind, 80);
HOX_SHADING_WORD(depth, 81);
HOX_SHADING_WORD(traceDepth, 82);
HOX_SHADING_WORD(colour, 83);
HOX_SHADING_WORD(transmission, 87);
HOX_SHADING_WORD(lightPosition, 90);
HOX_SHADING_WORD(lightAxis, 93);
HOX_SHADING_WORD(toLight, 96);
HOX_SHADING_WORD(lightDistance, 99);
HOX_SHADING_WORD(lightColour, 100);
HOX_SHADING_WORD(lightColourScale, 103);
HOX_SHADING_WORD(attributes, 106);
#undef HOX_SHADING_WORD

// ---------------------------------------------------------------------------
// LightSample: one entry of the light samples that illuminance gathers.
//
// The entries live in an array of the render thread, valid until the next
// illuminance call on that thread. Walk exactly the number of entries that
// illuminance returned, following `next`: the link of the last gathered entry
// may point at an unused one.
// ---------------------------------------------------------------------------

struct LightSample {
    Vec3f toLight;            // unit direction from the shaded point to the light
    float distance;           // distance to the sampled point of the light
    Vec3f colour;             // the light shader's colour, divided by the light's sample count
    int lightNumber;          // record number of the light
    int lightGroup;           // the light's group
    int reserved;             // keeps `next` on its 8-byte boundary
    const LightSample* next;
};

static_assert(std::is_standard_layout<LightSample>::value,
              "LightSample must keep a C layout");
static_assert(sizeof(LightSample) == 48, "LightSample must be 48 bytes");
static_assert(offsetof(LightSample, distance) == 12, "LightSample layout");
static_assert(offsetof(LightSample, colour) == 16, "LightSample layout");
static_assert(offsetof(LightSample, lightNumber) == 28, "LightSample layout");
static_assert(offsetof(LightSample, lightGroup) == 32, "LightSample layout");
static_assert(offsetof(LightSample, next) == 40, "LightSample layout");

// ---------------------------------------------------------------------------
// IShaderServices: what a shader may ask of the render thread that runs it.
//
// Slot numbering: slot n is the n-th virtual function in declaration order,
// the destructor being slot 0. Plug-ins call these through the vtable, so
// the order below is the binary interface: never reorder, insert or retype.
// (On the Itanium C++ ABI used on Linux the destructor fills two vtable
// entries, so slot n >= 1 sits at vtable entry n + 1.) Overloads share a name
// but are separate slots, declared in slot order.
//
// Every tracing service enters one trace depth level for the rays it casts
// and leaves it before returning. When the depth limit or the level stack is
// exhausted a ray is answered as a miss (the environment colour), shadow
// transmission as white and re-shading as black; none of this is an error.
//
// Colours are RGB triples (Vec3f) or RGBA quadruples (Vec4f). Points and
// directions are in the world frame of the ShadingState.
//
// Services are bound to the calling render thread: use the services object a
// shader was handed only within that call, never from another thread.
// ---------------------------------------------------------------------------

class IShaderServices {
protected:
    // Slot 0. Declared first because declaration order is vtable order. The
    // render thread that implements these services is destroyed by its
    // owner; protected so that a shader cannot delete it.
    virtual ~IShaderServices() = default;

public:
    // Slot 1. Gathers light samples for `position` into the thread's
    // light-sample array and returns their number; `*samples` receives the
    // first entry (null when none). Only lights of the shaded instance's
    // light set with `axis` · L >= cos(angle) count. `lightGroupSelector` > 0
    // keeps only that light group, < 0 drops group -selector, 0 keeps all.
    // For each kept sample the light shader runs with words 90-99 set and
    // words 6-11 holding `position` and `axis`; ambient lights are skipped.
    virtual int illuminance(int lightGroupSelector, const Vec3f& position,
                            const Vec3f& axis, const LightSample** samples,
                            float angle) = 0;
    // Slot 2. Slot 1 over the hemisphere around `axis` (angle pi/2).
    virtual int illuminance(int lightGroupSelector, const Vec3f& position,
                            const Vec3f& axis, const LightSample** samples) = 0;
    // Slot 3. Sum over the ambient lights (type 2) of the light shader's
    // lightColour x lightColourScale (words 100-105), with words 96-99 set
    // for `position`; black when there are none.
    virtual void ambient(Vec3f& result, const Vec3f& position) = 0;
    // Slot 4. How much light passes from `from` to `to`: a shadow ray
    // through transparent surfaces (their `transmit`, words 87-89). White
    // when shadow transmission is off or the current light casts no shadow.
    virtual void transmission(Vec3f& result, const Vec3f& from, const Vec3f& to) = 0;
    // Slot 5. Traces a ray of the given kind (a kRayKind* bit) and shades
    // what it finds; result is the RGBA colour (transparent black for a
    // degenerate direction).
    virtual void trace(Vec4f& result, const Vec3f& origin, const Vec3f& direction,
                       int rayKind) = 0;
    // Slot 6. Slot 5 with kRayKindReflection.
    virtual void traceReflection(Vec4f& result, const Vec3f& origin,
                                 const Vec3f& direction) = 0;
    // Slot 7. Slot 5 with kRayKindRefraction.
    virtual void traceRefraction(Vec4f& result, const Vec3f& origin,
                                 const Vec3f& direction) = 0;
    // Slot 8. Average RGBA of reflection rays spread around `direction` in an
    // anisotropic lobe (roughness u along `tangent`, v along `bitangent`,
    // each clamped to [0.001, 1]). A mirror ray (slot 6) when glossy
    // reflections are off or both roughnesses are below 0.001.
    virtual void glossyReflection(Vec4f& result, const Vec3f& origin,
                                  const Vec3f& direction, const Vec3f& tangent,
                                  const Vec3f& bitangent, float roughnessU,
                                  float roughnessV) = 0;
    // Slot 9. Slot 8 with an isotropic lobe around `direction`.
    virtual void glossyReflection(Vec4f& result, const Vec3f& origin,
                                  const Vec3f& direction, float roughness) = 0;
    // Slot 10. Slot 8 for refraction rays; falls back to slot 7.
    virtual void glossyRefraction(Vec4f& result, const Vec3f& origin,
                                  const Vec3f& direction, const Vec3f& tangent,
                                  const Vec3f& bitangent, float roughnessU,
                                  float roughnessV) = 0;
    // Slot 11. Slot 9 for refraction rays; falls back to slot 7.
    virtual void glossyRefraction(Vec4f& result, const Vec3f& origin,
                                  const Vec3f& direction, float roughness) = 0;
    // Slot 12. Openness of the hemisphere around `normal` per channel, 1
    // fully open, from occlusion rays within the instance's occlusion range.
    // White when occlusion is off or the range is 0.
    virtual void ambientOcclusion(Vec3f& result, const Vec3f& position,
                                  const Vec3f& normal) = 0;
    // Slot 13. Average RGBA of rays over the cosine-weighted hemisphere
    // around `normal`: one bounce of indirect light. Rays cast from inside
    // it do not gather again.
    virtual void indirectDiffuse(Vec4f& result, const Vec3f& position,
                                 const Vec3f& normal) = 0;
    // Slot 14. Shades the hit described by `hit` with another shader bound
    // to the hit instance and returns its RGBA (its words 83-86). Black when
    // no depth level is free.
    virtual void shadeWith(Vec4f& result, const ShaderObject* shader,
                           const ShadingState& hit) = 0;
    // Slot 15. As slot 14 with the shader's `transmit`: its RGB transmission
    // (words 87-89, black on entry).
    virtual void transmissionOf(Vec3f& result, const ShaderObject* shader,
                                const ShadingState& hit) = 0;

    // Noise. Three families, each with results of one to four components
    // and, per result size, inputs of four, three, two and one dimensions
    // in that slot order. Gradient noise lies in about [-1, 1] and is 0 at
    // every integer point; further components sample the same function at
    // fixed offsets, so they are uncorrelated with the first.

    // Slots 16-19. Gradient noise, one component.
    virtual float noiseFloat(const Vec4f& p) = 0;
    virtual float noiseFloat(const Vec3f& p) = 0;
    virtual float noiseFloat(const Vec2f& p) = 0;
    virtual float noiseFloat(float p) = 0;
    // Slots 20-23. Gradient noise, two components.
    virtual Vec2f noiseVec2(const Vec4f& p) = 0;
    virtual Vec2f noiseVec2(const Vec3f& p) = 0;
    virtual Vec2f noiseVec2(const Vec2f& p) = 0;
    virtual Vec2f noiseVec2(float p) = 0;
    // Slots 24-27. Gradient noise, three components.
    virtual Vec3f noiseVec3(const Vec4f& p) = 0;
    virtual Vec3f noiseVec3(const Vec3f& p) = 0;
    virtual Vec3f noiseVec3(const Vec2f& p) = 0;
    virtual Vec3f noiseVec3(float p) = 0;
    // Slots 28-31. Gradient noise, four components.
    virtual Vec4f noiseVec4(const Vec4f& p) = 0;
    virtual Vec4f noiseVec4(const Vec3f& p) = 0;
    virtual Vec4f noiseVec4(const Vec2f& p) = 0;
    virtual Vec4f noiseVec4(float p) = 0;

    // Periodic gradient noise: repeats every `period` units along each axis
    // (a period below 1 counts as 1).
    // Slots 32-35. One component.
    virtual float periodicNoiseFloat(const Vec4f& p, const Vec4i& period) = 0;
    virtual float periodicNoiseFloat(const Vec3f& p, const Vec3i& period) = 0;
    virtual float periodicNoiseFloat(const Vec2f& p, const Vec2i& period) = 0;
    virtual float periodicNoiseFloat(float p, int period) = 0;
    // Slots 36-39. Two components.
    virtual Vec2f periodicNoiseVec2(const Vec4f& p, const Vec4i& period) = 0;
    virtual Vec2f periodicNoiseVec2(const Vec3f& p, const Vec3i& period) = 0;
    virtual Vec2f periodicNoiseVec2(const Vec2f& p, const Vec2i& period) = 0;
    virtual Vec2f periodicNoiseVec2(float p, int period) = 0;
    // Slots 40-43. Three components.
    virtual Vec3f periodicNoiseVec3(const Vec4f& p, const Vec4i& period) = 0;
    virtual Vec3f periodicNoiseVec3(const Vec3f& p, const Vec3i& period) = 0;
    virtual Vec3f periodicNoiseVec3(const Vec2f& p, const Vec2i& period) = 0;
    virtual Vec3f periodicNoiseVec3(float p, int period) = 0;
    // Slots 44-47. Four components.
    virtual Vec4f periodicNoiseVec4(const Vec4f& p, const Vec4i& period) = 0;
    virtual Vec4f periodicNoiseVec4(const Vec3f& p, const Vec3i& period) = 0;
    virtual Vec4f periodicNoiseVec4(const Vec2f& p, const Vec2i& period) = 0;
    virtual Vec4f periodicNoiseVec4(float p, int period) = 0;

    // Cell noise: one value in [-1, 1] per unit cell, constant inside it.
    // Slots 48-51. One component.
    virtual float cellNoiseFloat(const Vec4f& p) = 0;
    virtual float cellNoiseFloat(const Vec3f& p) = 0;
    virtual float cellNoiseFloat(const Vec2f& p) = 0;
    virtual float cellNoiseFloat(float p) = 0;
    // Slots 52-55. Two components.
    virtual Vec2f cellNoiseVec2(const Vec4f& p) = 0;
    virtual Vec2f cellNoiseVec2(const Vec3f& p) = 0;
    virtual Vec2f cellNoiseVec2(const Vec2f& p) = 0;
    virtual Vec2f cellNoiseVec2(float p) = 0;
    // Slots 56-59. Three components.
    virtual Vec3f cellNoiseVec3(const Vec4f& p) = 0;
    virtual Vec3f cellNoiseVec3(const Vec3f& p) = 0;
    virtual Vec3f cellNoiseVec3(const Vec2f& p) = 0;
    virtual Vec3f cellNoiseVec3(float p) = 0;
    // Slots 60-63. Four components.
    virtual Vec4f cellNoiseVec4(const Vec4f& p) = 0;
    virtual Vec4f cellNoiseVec4(const Vec3f& p) = 0;
    virtual Vec4f cellNoiseVec4(const Vec2f& p) = 0;
    virtual Vec4f cellNoiseVec4(float p) = 0;
};

// Number of slots, the destructor included.
constexpr int kShaderServicesSlots = 64;

}  // namespace hox
