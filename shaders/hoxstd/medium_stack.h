// The refractive media a ray is nested in, carried down the ray tree in the
// state's inherited words.
//
// A glass surface needs two indices: the one of the medium the ray arrives
// in and the one on the far side. Entering, the far side is the glass
// itself; leaving, it is whatever encloses the glass, which the shader
// cannot know unless the ray remembers how it got in. So each ray carries a
// small stack of indices, innermost first, in one float:
//
//   - up to three indices, each quantised to 0.01 over [1.00, 3.54] and
//     stored as a byte 1..255 (0 = no entry), innermost in the low byte;
//   - the three bytes form an integer below 2^24, which a float holds
//     exactly. Below the last entry lies vacuum/air, index 1.
//
// A new depth level copies the parent's A into both words, or the parent's
// B for refraction and shadow rays. The glass keeps A as the stack of the
// medium the incoming ray travels in and writes the stack of the refracted
// ray into B just before tracing it; reflected rays stay in A's medium.
// Nesting up to three media deep inside air therefore bends correctly on
// both ways (a glass of water with an ice cube in it); a fourth level
// forgets the outermost entry, which then reads as air.
//
// The renderer starts camera rays with A and B at 0 or 1, which both read as
// "in air". A word that is not a whole number (a plain index written by
// another shader) is taken as the current medium with air around it; whole
// numbers always read as stacks.
#pragma once

#include <cstdint>

namespace hoxstd {

class MediumStack {
public:
    // Reads an inherited word.
    static MediumStack fromInherited(float word);

    // Index of the medium the ray travels in (1 when empty).
    float current() const;
    // Index of the medium enclosing the current one (1 when none).
    float enclosing() const;

    // The stack after passing into a medium of index `ior`.
    MediumStack entered(float ior) const;
    // The stack after leaving the current medium.
    MediumStack left() const;

    // The word to store for a ray travelling with this stack.
    float toInherited() const;

    // Nearest index the stack can hold.
    static float quantised(float ior);

private:
    explicit MediumStack(uint32_t packed) : m_packed(packed) {}
    uint32_t m_packed;
};

}  // namespace hoxstd
