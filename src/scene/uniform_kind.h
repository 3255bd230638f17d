// Uniform kinds: the 39 kinds of shader parameter and the shape of their
// values.
//
// A value is always kept in the layout of the shader's member (see
// hox/shader_declaration.h): packed elements for scalars, vectors and
// matrices, a 16-byte UniformRef for references, an int32 count plus room
// for 256 elements for arrays. Tables, setters and streams all move values
// in that one layout, so a value can be copied into the object unchanged.
#pragma once

#include <cstdint>

namespace hox {
namespace util {
class InputStream;
class OutputStream;
}  // namespace util

namespace scene {

// In table order. Kind k + 20 is the array of kind k (k = 0 … 18); there is
// no array of shader references.
enum UniformKind {
    UNIFORM_1B, UNIFORM_2B, UNIFORM_3B, UNIFORM_4B,
    UNIFORM_1I, UNIFORM_2I, UNIFORM_3I, UNIFORM_4I,
    UNIFORM_1F, UNIFORM_2F, UNIFORM_3F, UNIFORM_4F,
    UNIFORM_2X2F, UNIFORM_3X3F, UNIFORM_4X4F,
    UNIFORM_TEXTURE_1D, UNIFORM_TEXTURE_2D, UNIFORM_TEXTURE_3D, UNIFORM_TEXTURE_CUBE,
    UNIFORM_SHADER_REF,
    UNIFORM_1BV, UNIFORM_2BV, UNIFORM_3BV, UNIFORM_4BV,
    UNIFORM_1IV, UNIFORM_2IV, UNIFORM_3IV, UNIFORM_4IV,
    UNIFORM_1FV, UNIFORM_2FV, UNIFORM_3FV, UNIFORM_4FV,
    UNIFORM_2X2FV, UNIFORM_3X3FV, UNIFORM_4X4FV,
    UNIFORM_TEXTURE_1DV, UNIFORM_TEXTURE_2DV, UNIFORM_TEXTURE_3DV, UNIFORM_TEXTURE_CUBEV
};

constexpr int kUniformKindCount = 39;
constexpr int kFirstArrayUniformKind = UNIFORM_1BV;
// Bytes of the largest value: an array of 256 4×4 float matrices.
constexpr int kMaxUniformValueSize = 4 + 256 * 16 * 4;

enum class UniformScalar : uint8_t { Bool, Int, Float, Reference };

struct UniformShape {
    UniformScalar scalar;
    int components;      // scalars per element (1 for a reference)
    int matrixOrder;     // 2, 3 or 4 for matrices, 0 otherwise
    bool array;
    int elementSize;     // bytes of one element
    int elementsOffset;  // arrays: where element 0 starts, after the count
    int valueSize;       // bytes of the whole member
};

inline bool isUniformKind(int kind) { return kind >= 0 && kind < kUniformKindCount; }
// The shape of a valid kind.
const UniformShape& uniformShape(int kind);
bool isReferenceKind(int kind);

// --- values in member layout ---------------------------------------------

// Array values: the element count, and the address of element i.
int32_t uniformArrayCount(const void* value);
void setUniformArrayCount(void* value, int32_t count);
uint8_t* uniformArrayElement(int kind, void* value, int index);
const uint8_t* uniformArrayElement(int kind, const void* value, int index);

// Records the member's current contents as a declared default. An array's
// count is clamped to 0 … 256 (a member the constructor left uninitialised
// must not make later copies run past the room); elements past the count are
// zero. A reference keeps its instance and loses its pointer, which only
// reference preparation ever sets.
void captureUniformValue(int kind, const void* member, void* value);

// Writes the part of a value that means something into a member: the whole
// value, or for an array its count and that many elements, so elements past
// the count keep what the member held.
void storeUniformValue(int kind, void* member, const void* value);

// An n×n matrix with rows and columns exchanged.
void transposeMatrix(int order, float* destination, const float* source);

// Stream form of one value: bools as one byte, ints and floats as 32-bit
// words, references as the instance, arrays as the count and that many
// elements.
void writeUniformValue(util::OutputStream& out, int kind, const void* value);
// Reads one value into `value` (elements past a received count are left
// alone). An array count outside 0 … 256 fails the stream. False when the
// stream has failed; `value` may then be half written, so readers read into
// a copy they can drop.
bool readUniformValue(util::InputStream& in, int kind, void* value);

}  // namespace scene
}  // namespace hox
