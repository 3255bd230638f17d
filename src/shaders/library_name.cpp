#include "shaders/library_name.h"

#include <cstring>

namespace hox {
namespace shaders {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

int lastIndexOf(const util::String& text, char c) {
    for (int i = text.length() - 1; i >= 0; --i)
        if (text[i] == c) return i;
    return -1;
}

util::String fileNameOf(const util::String& directory, const util::String& name) {
    util::String file(directory);
    file += name;
    file += kLibraryFileSuffix;
    file += kLibraryFileExtension;
    return file;
}

}  // namespace

util::String normalizeLibraryName(const char* name) {
    if (!name) return util::String();
    int first = 0;
    int last = static_cast<int>(std::strlen(name));
    while (first < last && isBlank(name[first])) ++first;
    while (last > first &&
           (isBlank(name[last - 1]) || name[last - 1] == '/' || name[last - 1] == '\\'))
        --last;
    util::String normalized(name, first, last);
    for (int i = 0; i < normalized.length(); ++i)
        if (normalized[i] == '\\') normalized[i] = '/';
    return normalized;
}

bool isAbsoluteLibraryName(const util::String& normalized) {
    const int n = normalized.length();
    if (n > 2 && ((normalized[0] == '/' && normalized[1] == '/') || normalized[1] == ':'))
        return true;
    // Here a leading "/" is an absolute file name, whatever its length.
    return n > 0 && normalized[0] == '/';
}

util::String searchPathFrom(const char* path) {
    util::String result(path ? path : "");
    if (!result.empty() && result[result.length() - 1] != '/') result += '/';
    return result;
}

LibraryCandidates libraryCandidates(const util::String& searchPath, const char* libraryName) {
    LibraryCandidates candidates;
    candidates.count = 0;
    const util::String name = normalizeLibraryName(libraryName);
    if (name.empty()) return candidates;
    if (isAbsoluteLibraryName(name)) {
        candidates.files[candidates.count++] = fileNameOf(util::String(), name);
        return candidates;
    }
    const int slash = lastIndexOf(name, '/');
    const util::String file(name, slash + 1, name.length());
    const int dot = lastIndexOf(file, '.');
    const util::String stem(file, 0, dot < 0 ? file.length() : dot);

    candidates.files[candidates.count++] = fileNameOf(searchPath, name);
    candidates.files[candidates.count++] = fileNameOf(searchPath, stem);
    candidates.files[candidates.count++] = fileNameOf(util::String(), name);
    candidates.files[candidates.count++] = fileNameOf(util::String(), stem);
    return candidates;
}

}  // namespace shaders
}  // namespace hox
