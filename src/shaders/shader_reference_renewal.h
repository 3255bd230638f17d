// New versions for shaders whose references changed since the last frame.
//
// A shader object holds pointers to what its reference uniforms name: another
// shader's object, a texture's lookup interface. Recreating or destroying the
// texture, or editing the referenced shader, changes that pointer without
// touching the referring shader's record, and the frame still rendering reads
// the very same object. Writing the new pointer into it would race with that
// frame; instead the referring shader gets a new version (as an edit gives
// it), the old version staying with the frames that hold it.
#pragma once

#include "scene/object_table.h"

namespace hox {
namespace shaders {

// Renews every shader record with a reference member that no longer holds
// what the table names, and writes the new pointers into the new versions.
// A record that only the table holds (an edit made since the last frame) is
// read by no frame and gets its pointers in place.
// Renewing a shader changes its object, so shaders referencing it are
// renewed in turn; each record at most once per call, which also ends
// reference loops. A record that cannot be copied (memory, a failing plug-in
// factory) keeps its version. Returns how many records were renewed.
int renewShadersWithChangedReferences(scene::ObjectTable& table, int stamp);

}  // namespace shaders
}  // namespace hox
