// Shared libraries loaded at run time (shader plug-ins).
//
// A SharedLibrary is reference counted: whoever holds code or objects made
// by the library holds a reference, and the file is unloaded with the last
// one. That keeps a plug-in's code mapped for as long as any object it made
// is alive, whatever happens to the cache that loaded it.
#pragma once

namespace hox {
namespace platform {

class SharedLibrary;

// Loads the file at `path` with every symbol resolved now and kept local to
// the library; null when it cannot be loaded. A path without "/" is looked
// for by the dynamic loader's own search and then in the folder of the
// module this code is linked into (libhox64.so's, where the libraries
// shipped with hox are installed); a relative one with "/" from the working
// directory.
//
// Always yields the file as it is on disk now: when a library of the same
// name is still loaded and the file has since been replaced (a rebuilt
// plug-in), the new file is loaded beside the old one instead of handing
// back the old code, and a file removed since fails to open. An unchanged
// file shares the module already loaded. The result holds one reference.
SharedLibrary* openSharedLibrary(const char* path);

// Address of an exported symbol, or null.
void* findSharedLibrarySymbol(SharedLibrary* library, const char* name);

// Adds one reference. Accepts null.
void retainSharedLibrary(SharedLibrary* library);

// Drops one reference; the library is unloaded with the last. Accepts null.
void closeSharedLibrary(SharedLibrary* library);

}  // namespace platform
}  // namespace hox
