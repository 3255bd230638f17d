#include "pick_report.h"

#include <cstdio>

namespace hox_view {

namespace {

std::string objectLabel(const hox::SelectionResult& hit, const ObjectNamer& name) {
    if (!(hit.valid & hox::SelectionResult::VALID_OBJECT)) return "(unknown object)";
    const std::string known = name ? name(hit.object) : std::string();
    if (!known.empty()) return "\"" + known + "\"";
    char text[32];
    std::snprintf(text, sizeof text, "object 0x%08x", hit.object);
    return text;
}

std::string vec(const hox::Vec3f& v) {
    char text[96];
    std::snprintf(text, sizeof text, "(%.3f, %.3f, %.3f)", v.x, v.y, v.z);
    return text;
}

}  // namespace

std::string describePixelPick(const hox::SelectionResult* hit, int x, int y, const ObjectNamer& name) {
    if (!hit) return "pick: nothing at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    std::string line = "pick: " + objectLabel(*hit, name);
    if (hit->valid & hox::SelectionResult::VALID_DISTANCE) {
        char text[32];
        std::snprintf(text, sizeof text, " distance %.3f", hit->distance);
        line += text;
    }
    if (hit->valid & hox::SelectionResult::VALID_POSITION) line += " position " + vec(hit->position);
    return line;
}

std::vector<std::string> describeRegionPick(const std::vector<hox::SelectionResult>& hits, int x0, int y0, int x1,
                                            int y1, const ObjectNamer& name) {
    std::vector<std::string> lines;
    lines.push_back(std::string("region (") + (x1 > x0 ? "window" : "crossing") + ") (" + std::to_string(x0) +
                    ", " + std::to_string(y0) + ")-(" + std::to_string(x1) + ", " + std::to_string(y1) +
                    "): " + std::to_string(hits.size()) + " object(s)");
    for (const hox::SelectionResult& hit : hits) {
        std::string line = "  " + objectLabel(hit, name);
        if (hit.valid & hox::SelectionResult::VALID_BOUNDS)
            line += " bounds " + vec(hit.boundsMin) + "-" + vec(hit.boundsMax);
        lines.push_back(line);
    }
    return lines;
}

}  // namespace hox_view
