// Generation of the tracing services' sample tables.
//
// Every set is the first 1,024 points of a base-2 (0,2)-sequence (van der
// Corput in x, the second Sobol dimension in y) under a random digital
// shift of its own. A digital shift keeps the net property, so each set is
// a (0,10,2)-net: every elementary box of area 1/1024 (1/32 × 1/32,
// 1/16 × 1/64, ...) holds exactly one point. And since the sequence is
// (0,2), a shader's run of 2^k samples starting at a multiple of 2^k
// (offset index × power-of-two sample count) is itself stratified. The
// bits below the net's ten spread points inside their boxes.
//
// Hemisphere directions lift the concentric disk map of such points onto
// the hemisphere (Malley's method): uniform area on the disk becomes a
// cosine-weighted density, and the map keeps the strata compact.
#include "engine/service_samples.h"

#include <cmath>
#include <cstdint>

#include "engine/low_discrepancy.h"

namespace hox {
namespace engine {
namespace {

// The top 24 bits, exactly representable: a float in [0, 1) that never
// rounds up to 1.
float unitFloat(uint32_t bits) { return static_cast<float>(bits >> 8) * (1.0f / 16777216.0f); }

void buildSquare(ServiceSampleTables& t, uint64_t& state) {
    for (int s = 0; s < kServiceSampleSets; ++s) {
        const uint32_t shiftX = static_cast<uint32_t>(mixBits64(state += 0x9E3779B97F4A7C15ull));
        const uint32_t shiftY = static_cast<uint32_t>(mixBits64(state += 0x9E3779B97F4A7C15ull));
        for (uint32_t i = 0; i < kServiceSamplesPerSet; ++i) {
            t.square[s][i][0] = unitFloat(vanDerCorput(i) ^ shiftX);
            t.square[s][i][1] = unitFloat(sobol2(i) ^ shiftY);
        }
    }
}

void buildHemisphere(ServiceSampleTables& t, uint64_t& state) {
    for (int s = 0; s < kServiceSampleSets; ++s) {
        const uint32_t shiftX = static_cast<uint32_t>(mixBits64(state += 0x9E3779B97F4A7C15ull));
        const uint32_t shiftY = static_cast<uint32_t>(mixBits64(state += 0x9E3779B97F4A7C15ull));
        for (uint32_t i = 0; i < kServiceSamplesPerSet; ++i) {
            const double u = (static_cast<double>(vanDerCorput(i) ^ shiftX) + 0.5) / 4294967296.0;
            const double v = (static_cast<double>(sobol2(i) ^ shiftY) + 0.5) / 4294967296.0;
            double x, y;
            concentricDisk(u, v, x, y);
            // r <= 1 - 2^-32 keeps z above about 2^-16: strictly positive
            // even after rounding to float.
            const double z = std::sqrt(std::fmax(0.0, 1.0 - x * x - y * y));
            const double inverseLength = 1.0 / std::sqrt(x * x + y * y + z * z);
            t.hemisphere[s][i][0] = static_cast<float>(x * inverseLength);
            t.hemisphere[s][i][1] = static_cast<float>(y * inverseLength);
            t.hemisphere[s][i][2] = static_cast<float>(z * inverseLength);
        }
    }
}

struct ServiceTableHolder {
    ServiceTableHolder() {
        // Seeded apart from the lens tables, so no set here repeats a lens
        // set's shifts.
        uint64_t state = 0x686F782D73727663ull;
        buildSquare(tables, state);
        buildHemisphere(tables, state);
    }
    ServiceSampleTables tables;
};

}  // namespace

const ServiceSampleTables& serviceSampleTables() {
    // Built by the first caller; C++ makes racing render threads wait for it.
    static const ServiceTableHolder holder;
    return holder.tables;
}

}  // namespace engine
}  // namespace hox
