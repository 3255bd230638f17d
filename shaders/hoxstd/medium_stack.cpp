#include "medium_stack.h"

#include <cmath>

namespace hoxstd {

namespace {

constexpr uint32_t kEntryBits = 8;
constexpr uint32_t kEntryMask = 0xFFu;
constexpr uint32_t kStackMask = 0xFFFFFFu;  // three entries: exact in a float
constexpr float kStep = 0.01f;

// Byte 1..255 for an index; out-of-range and invalid indices clamp to the
// ends (an index below 1 is stored as air).
uint32_t entryOf(float ior) {
    if (!(ior > 1.0f)) return 1;
    const float steps = std::round((ior - 1.0f) / kStep);
    return steps >= 254.0f ? 255u : static_cast<uint32_t>(steps) + 1u;
}

float indexOf(uint32_t entry) {
    return entry == 0 ? 1.0f : 1.0f + static_cast<float>(entry - 1) * kStep;
}

}  // namespace

MediumStack MediumStack::fromInherited(float word) {
    if (!std::isfinite(word) || word < 0.0f) return MediumStack(0);
    if (word < 16777216.0f && word == std::floor(word))
        return MediumStack(static_cast<uint32_t>(word));
    return MediumStack(entryOf(word));
}

float MediumStack::current() const { return indexOf(m_packed & kEntryMask); }

float MediumStack::enclosing() const {
    if ((m_packed & kEntryMask) == 0) return 1.0f;
    return indexOf((m_packed >> kEntryBits) & kEntryMask);
}

MediumStack MediumStack::entered(float ior) const {
    // A stack with a hole (a byte 0 below a filled one) cannot be written by
    // this class; cut at the first empty entry to keep the reading simple.
    uint32_t kept = 0;
    for (uint32_t shift = 0; shift < 24; shift += kEntryBits) {
        const uint32_t entry = (m_packed >> shift) & kEntryMask;
        if (entry == 0) break;
        kept |= entry << shift;
    }
    return MediumStack(((kept << kEntryBits) | entryOf(ior)) & kStackMask);
}

MediumStack MediumStack::left() const { return MediumStack(m_packed >> kEntryBits); }

float MediumStack::toInherited() const { return static_cast<float>(m_packed & kStackMask); }

float MediumStack::quantised(float ior) { return indexOf(entryOf(ior)); }

}  // namespace hoxstd
