// FramebufferResolver: turns finished frames into the image the host sees.
//
// One per framebuffer, shared by both parities and used only by the swap
// (on the device's thread). It keeps a running history of weighted sums, so
// that progressive passes average into an ever cleaner image; a restart
// (pass count 0, or a new image size) throws the history away. The output is
// the averaged image as four floats per pixel, or for format 1 that image
// converted to four bytes per pixel.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hox {
namespace engine {

class FramebufferResolver {
public:
    FramebufferResolver();
    ~FramebufferResolver();
    FramebufferResolver(const FramebufferResolver&) = delete;
    FramebufferResolver& operator=(const FramebufferResolver&) = delete;

    // EFramebufferFormat of the output; any value but 1 means four floats.
    void setOutputFormat(int format) { outputFormat_ = format; }
    int outputFormat() const { return outputFormat_; }
    // The next resolve starts the history afresh.
    void requestRestart() { restart_ = true; }
    bool restartPending() const { return restart_; }

    // Folds one frame (four-float sums and weights per pixel, width × height)
    // into the history and refreshes the output image. Null sums or weights
    // stand for a frame without samples. False, and no image, when the size
    // is not positive or memory is short; the restart then stays pending.
    bool resolve(int width, int height, const float* frameSums, const float* frameWeights);

    int width() const { return width_; }
    int height() const { return height_; }
    // Whether an image for `format` from an earlier resolve is at hand.
    bool holdsImage(int format) const;
    // The output: the byte image for format 1, the averaged image otherwise.
    const void* image() const;
    const float* averagedImage() const { return averaged_; }
    const uint8_t* byteImage() const { return bytes_; }

private:
    bool allocate(int width, int height);
    void release();

    int width_;
    int height_;
    int outputFormat_;
    bool restart_;
    float* historySums_;     // four floats per pixel
    float* historyWeights_;  // one float per pixel
    float* averaged_;        // four floats per pixel
    uint8_t* bytes_;         // four bytes per pixel, made when format 1 is asked for
};

// Converts `pixelCount` pixels of four floats into four bytes each: every
// channel × 255, rounded to the nearest integer with ties to even, clamped to
// 0 … 255; NaN becomes 0. Rounds the same whatever rounding mode the calling
// thread has set (the mode is restored on return). Four pixels per step, with
// non-temporal stores when `bytes` is 16-byte aligned.
void convertToBytes(const float* rgba, uint8_t* bytes, std::size_t pixelCount);

}  // namespace engine
}  // namespace hox
