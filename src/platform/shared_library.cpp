// Shared libraries on top of dlopen.
//
// The dynamic loader hands back an already loaded module whenever the same
// path string is opened again, even when the file behind it was replaced in
// the meantime. Reloading a rebuilt plug-in while objects of the old build
// are still alive (they must stay alive: their code may only be unmapped
// after they are destroyed) would then silently keep the old code. So when a
// module of the same name is already loaded, the file is opened a second
// time through a private symbolic link: the loader does not know that name,
// compares the file itself with what is loaded, and either shares the
// unchanged module or loads the new file.
//
// A bare file name that the loader's search does not find is looked for once
// more in the folder of the module holding this code, libhox64.so itself:
// the libraries installed with hox (the standard shaders) live beside it, and
// a host should find them by name without setting a shader path or the
// loader's environment.
#include "platform/shared_library.h"

#include <dlfcn.h>
#include <link.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace hox {
namespace platform {

class SharedLibrary {
public:
    explicit SharedLibrary(void* handle) : handle(handle), references(1) {}
    void* handle;
    std::atomic<int> references;
};

namespace {

constexpr int kOpenMode = RTLD_NOW | RTLD_LOCAL;

void* openModule(const char* path, int extraMode = 0) {
    void* handle = dlopen(path, kOpenMode | extraMode);
    if (!handle) dlerror();  // forget the failure text; callers only test for null
    return handle;
}

// The absolute file name the loader would use for `path`; empty when it
// cannot be told. A bare name was found by the loader's search, so the
// loaded module knows where it lives.
std::string absoluteFileName(const char* path, void* loadedModule) {
    if (path[0] == '/') return path;
    if (std::strchr(path, '/')) {
        std::vector<char> cwd(4096);
        if (!getcwd(cwd.data(), cwd.size())) return std::string();
        return std::string(cwd.data()) + "/" + path;
    }
    struct link_map* map = nullptr;
    if (dlinfo(loadedModule, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name ||
        map->l_name[0] != '/')
        return std::string();
    return map->l_name;
}

enum class LinkResult { Opened, NotLoadable, NoLink };

// Opens `fileName` (absolute) under a name the loader has never seen: a
// symbolic link in a fresh private directory, removed again at once (the
// loaded module does not need it).
LinkResult openThroughPrivateLink(const std::string& fileName, void*& handle) {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/hox-library-XXXXXX";
    std::vector<char> dir(pattern.begin(), pattern.end());
    dir.push_back('\0');
    if (!mkdtemp(dir.data())) return LinkResult::NoLink;

    const std::size_t slash = fileName.find_last_of('/');
    const std::string link = std::string(dir.data()) + "/" + fileName.substr(slash + 1);
    LinkResult result = LinkResult::NoLink;
    if (symlink(fileName.c_str(), link.c_str()) == 0) {
        handle = openModule(link.c_str());
        result = handle ? LinkResult::Opened : LinkResult::NotLoadable;
        unlink(link.c_str());
    }
    rmdir(dir.data());
    return result;
}

// The folder, ending in "/", of the module this code is linked into;
// empty when the loader cannot tell (the main program started by a bare
// name).
const std::string& ownModuleFolder() {
    static const std::string folder = [] {
        Dl_info info;
        if (dladdr(reinterpret_cast<void*>(&openSharedLibrary), &info) == 0 || !info.dli_fname)
            return std::string();
        const char* slash = std::strrchr(info.dli_fname, '/');
        return slash ? std::string(info.dli_fname, slash + 1) : std::string();
    }();
    return folder;
}

// The module of the file as it is on disk now, or null.
void* openCurrentFile(const char* path) {
    void* handle = nullptr;
    if (void* loaded = openModule(path, RTLD_NOLOAD)) {
        const std::string fileName = absoluteFileName(path, loaded);
        const LinkResult result = fileName.empty() ? LinkResult::NoLink
                                                   : openThroughPrivateLink(fileName, handle);
        // A file that is gone or broken now fails, even though an old build
        // of it is still loaded. Without a private link (no writable
        // temporary directory) the loaded module is the best there is: it
        // may be an old build, but it is safe to use.
        if (result == LinkResult::NoLink) handle = openModule(path);
        dlclose(loaded);
    } else {
        handle = openModule(path);
    }
    return handle;
}

}  // namespace

SharedLibrary* openSharedLibrary(const char* path) {
    if (!path || !*path) return nullptr;

    void* handle = openCurrentFile(path);
    if (!handle && !std::strchr(path, '/')) {
        const std::string& folder = ownModuleFolder();
        if (!folder.empty()) handle = openCurrentFile((folder + path).c_str());
    }
    if (!handle) return nullptr;

    SharedLibrary* library = new (std::nothrow) SharedLibrary(handle);
    if (!library) dlclose(handle);
    return library;
}

void* findSharedLibrarySymbol(SharedLibrary* library, const char* name) {
    if (!library || !name) return nullptr;
    void* symbol = dlsym(library->handle, name);
    if (!symbol) dlerror();
    return symbol;
}

void retainSharedLibrary(SharedLibrary* library) {
    if (library) library->references.fetch_add(1, std::memory_order_relaxed);
}

void closeSharedLibrary(SharedLibrary* library) {
    if (!library) return;
    // acq_rel: the thread that unloads must see that every other holder has
    // finished with the code.
    if (library->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    dlclose(library->handle);
    delete library;
}

}  // namespace platform
}  // namespace hox
