// ShaderLibraryManager: finds, loads and caches shader plug-ins.
//
// One manager serves the whole library (instance()). The first load of a
// shader from a library opens the file, checks the interface version, makes
// an object through the library's factory and lets it declare its
// parameters into a cache entry; later loads of the same pair of names make
// objects with the cached factory and hand out a copy of the cached tables,
// without asking the shader to declare again.
//
// The manager is also the declaration interface handed to the shaders: a
// declaration lands in the entry being loaded, and is refused with -1 when
// no load is under way.
//
// Loading runs on the host's thread only; the manager has no lock.
#pragma once

#include "hox/shader_declaration.h"
#include "hox/string.h"
#include "scene/owned_list.h"
#include "scene/shader_parameters.h"

namespace hox {
namespace platform {
class SharedLibrary;
}

namespace shaders {

// One per distinct pair of shader name and library name.
struct ShaderEntry {
    ShaderEntry();
    ~ShaderEntry();  // drops the library reference
    ShaderEntry(const ShaderEntry&) = delete;
    ShaderEntry& operator=(const ShaderEntry&) = delete;

    util::String shaderName;
    util::String libraryName;  // as the host passed it: the cache key
    util::String fileName;     // the candidate that loaded
    bool loaded;
    platform::SharedLibrary* library;
    ShaderCreateFunction factory;
    int flags;
    scene::ShaderParameterSet parameters;  // as declared
};

// What a successful load hands out. Whatever the receiver has not taken
// (object and library reference) is released with it, so a caller that
// fails half way leaks nothing.
struct LoadedShader {
    LoadedShader() : object(nullptr), library(nullptr), factory(nullptr), flags(0) {}
    ~LoadedShader();
    LoadedShader(const LoadedShader&) = delete;
    LoadedShader& operator=(const LoadedShader&) = delete;

    ShaderObject* object;
    platform::SharedLibrary* library;  // one reference, for `object`
    ShaderCreateFunction factory;
    int flags;
    scene::ShaderParameterSet parameters;  // a copy of the entry's tables
};

class ShaderLibraryManager final : public IShaderDeclaration {
public:
    // Entries are 128-byte aligned: they are looked at by every load and
    // must not share cache lines with unrelated data.
    static constexpr int kEntryAlignment = 128;

    // The library's manager, made on first use and kept until exit.
    static ShaderLibraryManager& instance();

    ShaderLibraryManager();
    ~ShaderLibraryManager() override;
    ShaderLibraryManager(const ShaderLibraryManager&) = delete;
    ShaderLibraryManager& operator=(const ShaderLibraryManager&) = delete;

    // Copies the path, appending "/" when it lacks one (an empty path stays
    // empty).
    void setSearchPath(const char* path);
    const util::String& searchPath() const { return m_searchPath; }

    // Loads shader `shaderName` from library `libraryName` into `out`
    // (which must be fresh): 0, or -1 with a warning naming the cause.
    // A failed load leaves the cache as it was.
    int load(const char* shaderName, const char* libraryName, LoadedShader& out);

    // Removes the entry of exactly these names (its library stays loaded
    // for as long as objects made from it live). False when there is none.
    bool removeEntry(const char* shaderName, const char* libraryName);

    int entryCount() const { return m_entries.count(); }
    const ShaderEntry* entry(int i) const { return m_entries[i]; }
    // Position of the entry with exactly these names, or -1.
    int findEntry(const char* shaderName, const char* libraryName) const;

    // --- IShaderDeclaration -----------------------------------------------
    int setFlags(ShaderObject* shader, int flags) override;
    int declareUniform1b(ShaderObject* shader, const char* name, bool* member) override;
    int declareUniform2b(ShaderObject* shader, const char* name, Vec2b* member) override;
    int declareUniform3b(ShaderObject* shader, const char* name, Vec3b* member) override;
    int declareUniform4b(ShaderObject* shader, const char* name, Vec4b* member) override;
    int declareUniform1i(ShaderObject* shader, const char* name, int* member) override;
    int declareUniform2i(ShaderObject* shader, const char* name, Vec2i* member) override;
    int declareUniform3i(ShaderObject* shader, const char* name, Vec3i* member) override;
    int declareUniform4i(ShaderObject* shader, const char* name, Vec4i* member) override;
    int declareUniform1f(ShaderObject* shader, const char* name, float* member) override;
    int declareUniform2f(ShaderObject* shader, const char* name, Vec2f* member) override;
    int declareUniform3f(ShaderObject* shader, const char* name, Vec3f* member) override;
    int declareUniform4f(ShaderObject* shader, const char* name, Vec4f* member) override;
    int declareUniform2x2f(ShaderObject* shader, const char* name, Mat2f* member) override;
    int declareUniform3x3f(ShaderObject* shader, const char* name, Mat3f* member) override;
    int declareUniform4x4f(ShaderObject* shader, const char* name, Mat4f* member) override;
    int declareUniformTexture1D(ShaderObject* shader, const char* name,
                                UniformRef* member) override;
    int declareUniformTexture2D(ShaderObject* shader, const char* name,
                                UniformRef* member) override;
    int declareUniformTexture3D(ShaderObject* shader, const char* name,
                                UniformRef* member) override;
    int declareUniformTextureCube(ShaderObject* shader, const char* name,
                                  UniformRef* member) override;
    int declareUniformShaderRef(ShaderObject* shader, const char* name,
                                UniformRef* member) override;
    int declareUniform1bv(ShaderObject* shader, const char* name,
                          UniformArray<bool>* member) override;
    int declareUniform2bv(ShaderObject* shader, const char* name,
                          UniformArray<Vec2b>* member) override;
    int declareUniform3bv(ShaderObject* shader, const char* name,
                          UniformArray<Vec3b>* member) override;
    int declareUniform4bv(ShaderObject* shader, const char* name,
                          UniformArray<Vec4b>* member) override;
    int declareUniform1iv(ShaderObject* shader, const char* name,
                          UniformArray<int>* member) override;
    int declareUniform2iv(ShaderObject* shader, const char* name,
                          UniformArray<Vec2i>* member) override;
    int declareUniform3iv(ShaderObject* shader, const char* name,
                          UniformArray<Vec3i>* member) override;
    int declareUniform4iv(ShaderObject* shader, const char* name,
                          UniformArray<Vec4i>* member) override;
    int declareUniform1fv(ShaderObject* shader, const char* name,
                          UniformArray<float>* member) override;
    int declareUniform2fv(ShaderObject* shader, const char* name,
                          UniformArray<Vec2f>* member) override;
    int declareUniform3fv(ShaderObject* shader, const char* name,
                          UniformArray<Vec3f>* member) override;
    int declareUniform4fv(ShaderObject* shader, const char* name,
                          UniformArray<Vec4f>* member) override;
    int declareUniform2x2fv(ShaderObject* shader, const char* name,
                            UniformArray<Mat2f>* member) override;
    int declareUniform3x3fv(ShaderObject* shader, const char* name,
                            UniformArray<Mat3f>* member) override;
    int declareUniform4x4fv(ShaderObject* shader, const char* name,
                            UniformArray<Mat4f>* member) override;
    int declareUniformTexture1Dv(ShaderObject* shader, const char* name,
                                 UniformArray<UniformRef>* member) override;
    int declareUniformTexture2Dv(ShaderObject* shader, const char* name,
                                 UniformArray<UniformRef>* member) override;
    int declareUniformTexture3Dv(ShaderObject* shader, const char* name,
                                 UniformArray<UniformRef>* member) override;
    int declareUniformTextureCubev(ShaderObject* shader, const char* name,
                                   UniformArray<UniformRef>* member) override;
    int declareAttribute(ShaderObject* shader, int typeCode, const char* name,
                         int slot) override;

private:
    // Opens the first candidate file that loads; false when none does.
    bool openLibrary(ShaderEntry& entry);
    // The new entry's exports, version check, first object and declaration.
    int loadNew(ShaderEntry* entry, LoadedShader& out);
    // Hands `object` out with the entry's factory, flags, tables and a new
    // library reference; on failure destroys the object.
    int handOut(const ShaderEntry& entry, ShaderObject* object, LoadedShader& out);
    // Records a declaration of `kind` in the entry being loaded.
    int declareMember(int kind, ShaderObject* shader, const char* name, const void* member);

    scene::OwnedList<ShaderEntry> m_entries;
    util::String m_searchPath;
    ShaderEntry* m_current;  // the entry whose shader is declaring, or null
};

}  // namespace shaders
}  // namespace hox
