// The sampler family: 4 types × 2 filters × 2 formats × 4 component counts
// × 5 wrap variants = 320 classes, numbered in registration order.
//
// Class n has, outermost first: type n / 80, filter n / 40 % 2, format
// n / 20 % 2, components n / 5 % 4 + 1, wrap variant n % 5. So class 0 is
// 1D nearest 8-bit one-component masked repeat, and class 79 is 1D linear
// float four-component general. Registration order matters: a descriptor
// goes to the first class that accepts it, which is why masked repeat comes
// before repeat.
#pragma once

#include <utility>

#include "scene/texture_sampler.h"
#include "textures/sampler_class.h"
#include "util/growable_array.h"

namespace hox {
namespace textures {

constexpr int kSamplerClassCount = 320;
constexpr int kSamplerClassesPerType = kSamplerClassCount / 4;

template <int kIndex>
struct FamilyMember {
    static_assert(kIndex >= 0 && kIndex < kSamplerClassCount, "class number out of range");
    static constexpr int kType = kIndex / 80;
    static constexpr int kFilter = kIndex / 40 % 2;
    static constexpr int kFormat = kIndex / 20 % 2;
    static constexpr int kComponents = kIndex / 5 % 4 + 1;
    static constexpr int kVariant = kIndex % 5;
    using Class = SamplerClass<kType, kFilter, kFormat, kComponents, kVariant>;
};

// The prototype of a class: one object in static storage that is never
// destroyed, so the registry stays usable however late in the process's
// exit it is asked.
template <class C>
const scene::TextureSampler* prototypeOf() {
    alignas(C) static unsigned char storage[sizeof(C)];
    static const C* prototype = ::new (static_cast<void*>(storage)) C();
    return prototype;
}

using PrototypeList = util::GrowableArray<const scene::TextureSampler*>;

// Appends the prototypes of the classes of one type, in order. False when
// memory ran short (the list then holds those appended so far).
bool addPrototypes1D(PrototypeList& list);
bool addPrototypes2D(PrototypeList& list);
bool addPrototypes3D(PrototypeList& list);
bool addPrototypesCube(PrototypeList& list);

// The work of those four: the classes kFirst, kFirst + 1, … of one type.
template <int kFirst, int... kOffsets>
bool addFamilyMembers(PrototypeList& list, std::integer_sequence<int, kOffsets...>) {
    bool complete = true;
    // A fold over the comma operator keeps the order of the sequence.
    ((complete = complete &&
                 list.push(prototypeOf<typename FamilyMember<kFirst + kOffsets>::Class>())),
     ...);
    return complete;
}

template <int kType>
bool addTypePrototypes(PrototypeList& list) {
    return addFamilyMembers<kType * kSamplerClassesPerType>(
        list, std::make_integer_sequence<int, kSamplerClassesPerType>());
}

}  // namespace textures
}  // namespace hox
