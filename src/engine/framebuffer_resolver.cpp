// FramebufferResolver: history, averaging and the conversion to bytes.
#include "engine/framebuffer_resolver.h"

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "hox/framebuffer.h"
#include "platform/aligned_memory.h"

namespace hox {
namespace engine {
namespace {

// 1 / x from the processor's 12-bit estimate and one Newton step
// (r' = 2r − x·r²), which brings it to about 23 bits: as good as a division
// for an image, at a fraction of its cost. The step approaches 1 / x from
// below, so a quotient can end one unit in the last place under the exact
// value.
inline __m128 refinedReciprocal(__m128 x) {
    const __m128 r = _mm_rcp_ps(x);
    return _mm_sub_ps(_mm_add_ps(r, r), _mm_mul_ps(x, _mm_mul_ps(r, r)));
}

struct ResolveImages {
    float* historySums;
    float* historyWeights;
    float* averaged;
};

// Folds pixels [first, first + n), n <= 4, into the history. The four
// reciprocals are estimated together; the pixels are then handled one by
// one, four channels at a time.
inline void resolveGroup(const ResolveImages& img, const float* frameSums,
                         const float* frameWeights, std::size_t first, std::size_t n,
                         bool restart) {
    alignas(16) float w[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    alignas(16) float divisor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    alignas(16) float reciprocal[4];
    for (std::size_t k = 0; k < n; ++k) {
        w[k] = frameWeights ? frameWeights[first + k] : 0.0f;
        const float d = restart ? w[k] : img.historyWeights[first + k] + w[k];
        if (d > 0.0f) divisor[k] = d;  // lanes without samples are not divided
    }
    _mm_store_ps(reciprocal, refinedReciprocal(_mm_load_ps(divisor)));

    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t p = first + k;
        float* history = img.historySums + 4 * p;
        float* average = img.averaged + 4 * p;
        if (w[k] > 0.0f) {
            const __m128 sum = _mm_loadu_ps(frameSums + 4 * p);
            const __m128 total = restart ? sum : _mm_add_ps(_mm_load_ps(history), sum);
            _mm_store_ps(history, total);
            _mm_store_ps(average, _mm_mul_ps(total, _mm_set1_ps(reciprocal[k])));
            img.historyWeights[p] = restart ? w[k] : img.historyWeights[p] + w[k];
        } else if (restart) {
            // Nothing sampled since the restart: the pixel reads black.
            _mm_store_ps(history, _mm_setzero_ps());
            _mm_store_ps(average, _mm_setzero_ps());
            img.historyWeights[p] = 0.0f;
        }
        // Otherwise the pixel keeps its history and its average.
    }
}

// Four channels × 255 as integers, rounded half to even (the conversion
// rounds by the mode convertToBytes sets). Clamping comes first, in floats:
// the integer conversion turns NaN and anything beyond 2^31 into INT_MIN.
inline __m128i channelsToByteRange(__m128 rgba) {
    const __m128 scaled = _mm_mul_ps(rgba, _mm_set1_ps(255.0f));
    // max(v, 0) yields its second operand for NaN, so NaN becomes 0 here.
    const __m128 v = _mm_min_ps(_mm_max_ps(scaled, _mm_setzero_ps()), _mm_set1_ps(255.0f));
    return _mm_cvtps_epi32(v);
}

// Runs a scope with round-to-nearest-even: the swap runs on the host's
// thread, whose rounding mode is the host's business, and both the scaling
// and the conversion must round the same for every host.
class NearestRounding {
public:
    NearestRounding() : saved_(_mm_getcsr()) {
        _mm_setcsr((saved_ & ~static_cast<unsigned>(_MM_ROUND_MASK)) | _MM_ROUND_NEAREST);
    }
    ~NearestRounding() { _mm_setcsr(saved_); }
    NearestRounding(const NearestRounding&) = delete;
    NearestRounding& operator=(const NearestRounding&) = delete;

private:
    unsigned saved_;
};

}  // namespace

void convertToBytes(const float* rgba, uint8_t* bytes, std::size_t pixelCount) {
    const NearestRounding rounding;
    std::size_t i = 0;
    if ((reinterpret_cast<std::uintptr_t>(bytes) & 15) == 0) {
        // The byte image is read by the host, not by us: streaming it past
        // the caches leaves them to the data the next frame needs.
        for (; i + 4 <= pixelCount; i += 4) {
            const float* src = rgba + 4 * i;
            const __m128i p0 = channelsToByteRange(_mm_loadu_ps(src));
            const __m128i p1 = channelsToByteRange(_mm_loadu_ps(src + 4));
            const __m128i p2 = channelsToByteRange(_mm_loadu_ps(src + 8));
            const __m128i p3 = channelsToByteRange(_mm_loadu_ps(src + 12));
            const __m128i packed =
                _mm_packus_epi16(_mm_packs_epi32(p0, p1), _mm_packs_epi32(p2, p3));
            _mm_stream_si128(reinterpret_cast<__m128i*>(bytes + 4 * i), packed);
        }
        _mm_sfence();
    }
    for (; i < pixelCount; ++i) {
        const __m128i p = channelsToByteRange(_mm_loadu_ps(rgba + 4 * i));
        const int32_t packed = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(p, p), _mm_setzero_si128()));
        std::memcpy(bytes + 4 * i, &packed, 4);
    }
}

FramebufferResolver::FramebufferResolver()
    : width_(0), height_(0), outputFormat_(FRAMEBUFFER_FORMAT_RGBA32F), restart_(true),
      historySums_(nullptr), historyWeights_(nullptr), averaged_(nullptr), bytes_(nullptr) {}

FramebufferResolver::~FramebufferResolver() { release(); }

void FramebufferResolver::release() {
    platform::alignedFree(historySums_);
    platform::alignedFree(historyWeights_);
    platform::alignedFree(averaged_);
    platform::alignedFree(bytes_);
    historySums_ = nullptr;
    historyWeights_ = nullptr;
    averaged_ = nullptr;
    bytes_ = nullptr;
    width_ = 0;
    height_ = 0;
}

bool FramebufferResolver::allocate(int width, int height) {
    release();
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (pixels > SIZE_MAX / 16) return false;
    historySums_ = static_cast<float*>(platform::alignedAlloc(pixels * 16));
    historyWeights_ = static_cast<float*>(platform::alignedAlloc(pixels * sizeof(float)));
    averaged_ = static_cast<float*>(platform::alignedAlloc(pixels * 16));
    if (!historySums_ || !historyWeights_ || !averaged_) {
        release();
        return false;
    }
    width_ = width;
    height_ = height;
    return true;
}

bool FramebufferResolver::holdsImage(int format) const {
    if (!averaged_ || format != outputFormat_) return false;
    return format != FRAMEBUFFER_FORMAT_RGBA8 || bytes_ != nullptr;
}

const void* FramebufferResolver::image() const {
    if (outputFormat_ == FRAMEBUFFER_FORMAT_RGBA8) return bytes_;
    return averaged_;
}

bool FramebufferResolver::resolve(int width, int height, const float* frameSums,
                                  const float* frameWeights) {
    if (width <= 0 || height <= 0) {
        release();
        return false;
    }
    if (width != width_ || height != height_ || !averaged_) {
        restart_ = true;
        if (!allocate(width, height)) return false;
    }
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const bool toBytes = outputFormat_ == FRAMEBUFFER_FORMAT_RGBA8;
    if (toBytes && !bytes_) {
        bytes_ = static_cast<uint8_t*>(platform::alignedAlloc(pixels * 4));
        if (!bytes_) return false;
    }

    // A frame without sums has no samples, whatever its weights say.
    const float* weights = frameSums ? frameWeights : nullptr;
    const ResolveImages img{historySums_, historyWeights_, averaged_};
    for (std::size_t first = 0; first < pixels; first += 4) {
        const std::size_t n = pixels - first < 4 ? pixels - first : 4;
        resolveGroup(img, frameSums, weights, first, n, restart_);
    }
    if (toBytes) convertToBytes(averaged_, bytes_, pixels);
    restart_ = false;
    return true;
}

}  // namespace engine
}  // namespace hox
