// Setting a shader's parameters by name.
//
// Each setter finds the name in the table of its kind and writes the value
// twice: into the record's table (what copies and streams carry) and into
// the member of the shader object (what the shader reads). Results: 0; -1
// for a record without a shader object, a null name or value, or a name the
// kind's table does not hold; 4098 for an array count outside 0 … 256,
// tested before anything else.
//
// Values are in member layout (see scene/uniform_kind.h): the public vector
// and matrix types are exactly that layout.
#pragma once

#include <cstdint>

#include "scene/shader_record.h"

namespace hox {
namespace shaders {

// Scalars and vectors (kinds 0 … 11).
int setUniformValue(scene::ShaderRecord* record, int kind, const char* name, const void* value);
// Matrices (kinds 12 … 14); with `transpose` element (r, c) stored is
// element (c, r) given.
int setUniformMatrix(scene::ShaderRecord* record, int kind, const char* name, bool transpose,
                     const float* value);
// Texture and shader references (kinds 15 … 19): the handle's instance is
// kept, the pointer cleared until the next frame prepares it. The handle is
// not checked here; a reference to nothing resolves to null.
int setUniformReference(scene::ShaderRecord* record, int kind, const char* name,
                        uint32_t handleValue);

// Arrays of scalars and vectors (kinds 20 … 31): the count and the first
// `count` elements; elements past the count keep their contents. `values`
// may be null when the count is 0.
int setUniformArray(scene::ShaderRecord* record, int kind, const char* name, int count,
                    const void* values);
// Arrays of matrices (kinds 32 … 34), each element transposed when asked.
int setUniformMatrixArray(scene::ShaderRecord* record, int kind, const char* name,
                          bool transpose, int count, const float* values);
// Arrays of texture references (kinds 35 … 38).
int setUniformReferenceArray(scene::ShaderRecord* record, int kind, const char* name, int count,
                             const uint32_t* handleValues);

}  // namespace shaders
}  // namespace hox
