#include "shaders/shader_library_manager.h"

#include <cstring>

#include "platform/aligned_memory.h"
#include "platform/shared_library.h"
#include "shaders/library_name.h"
#include "util/messages.h"

namespace hox {
namespace shaders {

namespace {

// Plug-in code is not ours: an exception escaping it must not unwind
// through the library, so each call into a plug-in during loading is
// fenced and a throw counts as a failure of that call.
ShaderObject* createObject(ShaderCreateFunction factory) {
    try {
        return factory();
    } catch (...) {
        return nullptr;
    }
}

bool askVersion(ShaderApiVersionFunction function, int& version) {
    try {
        version = function();
        return true;
    } catch (...) {
        return false;
    }
}

bool declareParameters(ShaderObject* object, IShaderDeclaration* declaration) {
    try {
        object->declare(declaration);
        return true;
    } catch (...) {
        return false;
    }
}

template <typename F>
F findFunction(platform::SharedLibrary* library, const util::String& shaderName,
               const char* suffix) {
    util::String symbol(shaderName);
    symbol += suffix;
    return reinterpret_cast<F>(platform::findSharedLibrarySymbol(library, symbol.c_str()));
}

void warnFailed(const char* shaderName, const char* operation) {
    util::warning("shader '%s': %s failed.\n", shaderName, operation);
}

}  // namespace

// --- entries -----------------------------------------------------------------

ShaderEntry::ShaderEntry() : loaded(false), library(nullptr), factory(nullptr), flags(0) {}

ShaderEntry::~ShaderEntry() {
    if (loaded) platform::closeSharedLibrary(library);
}

LoadedShader::~LoadedShader() {
    delete object;  // before the reference that keeps its code loaded
    platform::closeSharedLibrary(library);
}

// --- the manager -------------------------------------------------------------

ShaderLibraryManager& ShaderLibraryManager::instance() {
    static ShaderLibraryManager manager;
    return manager;
}

ShaderLibraryManager::ShaderLibraryManager() : m_current(nullptr) {}

ShaderLibraryManager::~ShaderLibraryManager() {}

void ShaderLibraryManager::setSearchPath(const char* path) { m_searchPath = searchPathFrom(path); }

int ShaderLibraryManager::findEntry(const char* shaderName, const char* libraryName) const {
    if (!shaderName || !libraryName) return -1;
    for (int i = 0; i < m_entries.count(); ++i) {
        const ShaderEntry* e = m_entries[i];
        if (std::strcmp(e->shaderName.c_str(), shaderName) == 0 &&
            std::strcmp(e->libraryName.c_str(), libraryName) == 0)
            return i;
    }
    return -1;
}

bool ShaderLibraryManager::removeEntry(const char* shaderName, const char* libraryName) {
    const int i = findEntry(shaderName, libraryName);
    if (i < 0) return false;
    m_entries.removeSwapLast(i);
    return true;
}

int ShaderLibraryManager::load(const char* shaderName, const char* libraryName,
                               LoadedShader& out) {
    if (!shaderName || !libraryName || out.object) return -1;

    const int cached = findEntry(shaderName, libraryName);
    if (cached >= 0) {
        const ShaderEntry& entry = *m_entries[cached];
        ShaderObject* object = createObject(entry.factory);
        if (!object) return -1;
        return handOut(entry, object, out);
    }

    ShaderEntry* entry = platform::alignedNew<ShaderEntry>(kEntryAlignment);
    if (!entry) return -1;
    entry->shaderName = shaderName;
    entry->libraryName = libraryName;
    return loadNew(entry, out);
}

bool ShaderLibraryManager::openLibrary(ShaderEntry& entry) {
    const LibraryCandidates candidates = libraryCandidates(m_searchPath, entry.libraryName);
    for (int i = 0; i < candidates.count; ++i) {
        platform::SharedLibrary* library =
            platform::openSharedLibrary(candidates.files[i].c_str());
        if (!library) continue;
        entry.library = library;
        entry.loaded = true;
        entry.fileName = candidates.files[i];
        return true;
    }
    return false;
}

int ShaderLibraryManager::loadNew(ShaderEntry* entry, LoadedShader& out) {
    const char* shaderName = entry->shaderName.c_str();
    const char* libraryName = entry->libraryName.c_str();
    // Every failure frees the entry, which unloads its library: nothing of a
    // failed load stays behind.
    auto fail = [entry]() {
        platform::alignedDelete(entry);
        return -1;
    };

    if (!openLibrary(*entry)) {
        util::warning("could not load library '%s'\n", libraryName);
        return fail();
    }

    auto getVersion = findFunction<ShaderApiVersionFunction>(entry->library, entry->shaderName,
                                                             "_getAPIVersion");
    if (!getVersion) {
        util::warning("could not find shader '%s' in library '%s'.\n", shaderName, libraryName);
        return fail();
    }
    int version = 0;
    if (!askVersion(getVersion, version)) {
        warnFailed(shaderName, "_getAPIVersion()");
        return fail();
    }
    if (version != kApiVersion) {
        util::warning(
            "could not load shader: '%s' (the shader is using API version %d, but only version "
            "%d is supported).\n",
            shaderName, version, kApiVersion);
        return fail();
    }

    entry->factory =
        findFunction<ShaderCreateFunction>(entry->library, entry->shaderName, "_create");
    ShaderObject* object = entry->factory ? createObject(entry->factory) : nullptr;
    if (!object) {
        warnFailed(shaderName, "_create()");
        return fail();
    }

    if (!m_entries.push(entry)) {
        delete object;
        return fail();
    }

    // The shader declares into this entry. The previous current entry is
    // put back afterwards, so a declare() that itself loads a shader does
    // not cut short the declaration around it.
    ShaderEntry* previous = m_current;
    m_current = entry;
    const bool declared = declareParameters(object, this);
    m_current = previous;
    if (!declared) {
        warnFailed(shaderName, "declare()");
        delete object;
        for (int i = 0; i < m_entries.count(); ++i) {
            if (m_entries[i] != entry) continue;
            m_entries.removeSwapLast(i);
            break;
        }
        return -1;
    }
    return handOut(*entry, object, out);
}

int ShaderLibraryManager::handOut(const ShaderEntry& entry, ShaderObject* object,
                                  LoadedShader& out) {
    if (!out.parameters.assign(entry.parameters)) {
        delete object;
        return -1;
    }
    platform::retainSharedLibrary(entry.library);
    out.object = object;
    out.library = entry.library;
    out.factory = entry.factory;
    out.flags = entry.flags;
    return 0;
}

}  // namespace shaders
}  // namespace hox
