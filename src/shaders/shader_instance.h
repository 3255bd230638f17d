// The life of a Shader record's plug-in object: instantiate, reload,
// version. The manager argument exists for tests, which use managers of
// their own so that one test's cache never serves another.
#pragma once

#include "scene/shader_record.h"
#include "shaders/shader_library_manager.h"

namespace hox {
namespace shaders {

// Destroys the record's object, then loads the named shader: 0, and the
// record holds the new object, tables, factory and flags and the names; or
// -1, and the record holds no object (its names stay).
int instantiateShader(scene::ShaderRecord& record, const char* shaderName,
                      const char* libraryName,
                      ShaderLibraryManager& manager = ShaderLibraryManager::instance());

// Drops the cache entry of the record's names and loads the shader afresh,
// so that a rebuilt library file is read again. Every value whose name the
// new build still declares, in the same kind, is carried over. -1 when the
// record holds no object or the load fails; the record then keeps its old
// object and values.
int reloadShader(scene::ShaderRecord& record,
                 ShaderLibraryManager& manager = ShaderLibraryManager::instance());

// The object's getVersion(), or -1 without an object.
int shaderVersion(const scene::ShaderRecord& record);

}  // namespace shaders
}  // namespace hox
