// Library names as hosts write them, and the files they stand for.
//
// A host names a shader library the way it names it on every platform it
// runs on: possibly with backslashes, an extension, stray blanks. The name
// is normalised, and the files tried are the name or its stem, under the
// search path or not, with "64" and the platform's library extension
// appended.
#pragma once

#include "hox/string.h"

namespace hox {
namespace shaders {

// Appended to every candidate: the 64-bit build marker, then the extension
// of shared libraries here.
constexpr const char* kLibraryFileSuffix = "64";
constexpr const char* kLibraryFileExtension = ".so";

// Every "\\" becomes "/"; leading blanks, and trailing blanks and slashes,
// are removed. Blanks are spaces and tabs.
util::String normalizeLibraryName(const char* name);

// Absolute names are tried once, without the search path: longer than two
// characters and starting with "//" or with ":" as the second character
// (names written for other systems), or starting with "/", which is what an
// absolute file name looks like here.
bool isAbsoluteLibraryName(const util::String& normalized);

// The search path as the manager keeps it: ending in "/" unless empty (an
// empty path adds no directory; "/" would turn every relative name into one
// under the root directory).
util::String searchPathFrom(const char* path);

struct LibraryCandidates {
    util::String files[4];
    int count;
};

// The files to try for a library name, first to last: an absolute name
// alone; otherwise search path + name, search path + stem, name, stem
// (the stem being the name's last component without its extension). An
// empty name has none.
LibraryCandidates libraryCandidates(const util::String& searchPath, const char* libraryName);

}  // namespace shaders
}  // namespace hox
