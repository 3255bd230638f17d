#include "view_input.h"

#include <algorithm>
#include <cctype>

namespace hox_view {

namespace {

struct KeyName {
    const char* name;
    ViewerKey key;
};

constexpr KeyName kKeyNames[] = {
    {"w", ViewerKey::kForward},
    {"s", ViewerKey::kBack},
    {"a", ViewerKey::kLeft},
    {"d", ViewerKey::kRight},
    {"e", ViewerKey::kUp},
    {"q", ViewerKey::kDown},
    {"r", ViewerKey::kReset},
    {"f1", ViewerKey::kShadeFull},
    {"f2", ViewerKey::kShadeNormals},
    {"f3", ViewerKey::kShadePrimitives},
    {"+", ViewerKey::kMoreThreads},
    {"=", ViewerKey::kMoreThreads},
    {"-", ViewerKey::kFewerThreads},
    {"]", ViewerKey::kDeeper},
    {"[", ViewerKey::kShallower},
    {"1", ViewerKey::kToggleShadows},
    {"2", ViewerKey::kToggleOcclusion},
    {"3", ViewerKey::kToggleIllumination},
    {"escape", ViewerKey::kQuit},
};

}  // namespace

ViewerKey keyFromName(const std::string& name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const KeyName& entry : kKeyNames)
        if (lower == entry.name) return entry.key;
    return ViewerKey::kNone;
}

}  // namespace hox_view
