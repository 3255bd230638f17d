#include "render_stats.h"

#include <cmath>

#include "hox/status.h"

namespace hox_render {

namespace {

struct QueryLine {
    hox::EQuery query;
    const char* label;
};

// What each query means with the local engine's counters (see
// hox/device.h).
constexpr QueryLine kQueries[] = {
    {hox::QUERY_RATE, "samples per microsecond"},
    {hox::QUERY_RATIO_1_0, "rays per sample"},
    {hox::QUERY_RATIO_2_1, "rays that hit a surface"},
    {hox::QUERY_RATIO_3_1, "rays refused"},
    {hox::QUERY_RATIO_4_0, "shader calls per sample"},
    {hox::QUERY_RATIO_5_0, "misses per sample"},
    {hox::QUERY_RATIO_6_0, "tiles per sample"},
    {hox::QUERY_RATIO_7_6, "sample batches per tile"},
};

}  // namespace

void printRenderStats(std::FILE* out, hox::IRenderDevice* device, const RenderResult& result) {
    const double pixels = static_cast<double>(result.image.width) * result.image.height;
    std::fprintf(out, "statistics:\n");
    std::fprintf(out, "  %-30s %d\n", "frames", result.frames);
    std::fprintf(out, "  %-30s %g\n", "samples per pixel", result.sampleDensity);
    std::fprintf(out, "  %-30s %d ms\n", "render time", result.elapsedMs);
    if (result.elapsedMs > 0)
        std::fprintf(out, "  %-30s %.3f\n", "samples per microsecond (run)",
                     pixels * result.sampleDensity / (1000.0 * result.elapsedMs));
    // The device fetches its counters at most once per statistics interval
    // and only after four frames, so a short run may have none yet.
    for (const QueryLine& line : kQueries) {
        float value = 0.0f;
        if (device->query1f(line.query, value) != hox::RESULT_OK) continue;
        if (std::isfinite(value))
            std::fprintf(out, "  %-30s %.4g\n", line.label, value);
        else
            std::fprintf(out, "  %-30s n/a\n", line.label);
    }
}

}  // namespace hox_render
