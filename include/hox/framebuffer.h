// Framebuffer: where a render view's pixels end up, and how the host gets
// them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hox/config.h"
#include "hox/handle.h"

namespace hox {

enum EFramebufferFormat : int {
    FRAMEBUFFER_FORMAT_RGBA32F = 0,  // four floats per pixel: red, green, blue, alpha
    FRAMEBUFFER_FORMAT_RGBA8 = 1     // four unsigned bytes per pixel
};

// What the host receives when a frame's image is ready. The record and the
// pixels are valid only during the swap call.
struct SwapInfo {
    int32_t frameNumber;
    int32_t viewTag;        // the RenderView handle value the image belongs to
    int32_t width;
    int32_t height;
    int32_t format;         // EFramebufferFormat
    int32_t bytesPerPixel;  // 16 or 4
    // Samples per pixel gathered so far: the passes accumulated (at least 1)
    // times 4 to the sampling level (1/16 ... 256).
    float sampleDensity;
    uint8_t isStatic;       // the view's scene did not change for this frame
    uint8_t padding[3];
    // First pixel; rows of width pixels, one after the other, no padding.
    const void* pixels;
};

static_assert(sizeof(SwapInfo) == 40, "SwapInfo is 40 bytes");
static_assert(offsetof(SwapInfo, frameNumber) == 0, "SwapInfo layout");
static_assert(offsetof(SwapInfo, viewTag) == 4, "SwapInfo layout");
static_assert(offsetof(SwapInfo, width) == 8, "SwapInfo layout");
static_assert(offsetof(SwapInfo, height) == 12, "SwapInfo layout");
static_assert(offsetof(SwapInfo, format) == 16, "SwapInfo layout");
static_assert(offsetof(SwapInfo, bytesPerPixel) == 20, "SwapInfo layout");
static_assert(offsetof(SwapInfo, sampleDensity) == 24, "SwapInfo layout");
static_assert(offsetof(SwapInfo, isStatic) == 28, "SwapInfo layout");
static_assert(offsetof(SwapInfo, pixels) == 32, "SwapInfo layout");

// Implemented by the host. swap is called from the host's thread during the
// device's sync, once per finished image of the framebuffer it is set on.
class HOX_API IFramebufferCallback {
public:
    virtual ~IFramebufferCallback() {}
    virtual void swap(const SwapInfo* info) = 0;
};

class HOX_API Framebuffer : public Class {
public:
    enum { TypeId = CLASS_TYPE_FRAMEBUFFER };

    // Any value is stored; one other than the EFramebufferFormat ids is
    // reported when the image is produced and treated as four floats.
    void setFormat(EFramebufferFormat format);
    EFramebufferFormat getFormat() const;
    // Not owned; null means nobody is told about new images.
    void setSwapCallback(IFramebufferCallback* callback);
    IFramebufferCallback* getSwapCallback() const;
};

}  // namespace hox
