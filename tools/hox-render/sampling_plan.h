// How --spp and --passes become the library's sampling options and the
// number of frames to render.
//
// The library renders 4^rate samples per pixel in each progressive pass and
// refines an unchanged scene until 4^maxRate samples per pixel are reached,
// reporting how far it got in each image (SwapInfo::sampleDensity).
#pragma once

namespace hox_render {

struct SamplingPlan {
    int rate = 0;       // OPTION_SAMPLING_RATE
    int maxRate = 0;    // OPTION_MAX_PROGRESSIVE_SAMPLING_RATE
    int maxFrames = 1;  // frames to render at most
    // Stop once an image reports this many samples per pixel; 0: render
    // maxFrames frames.
    float targetDensity = 0.0f;
};

// `passes` > 0: that many frames of one sample per pixel. Otherwise
// `samplesPerPixel` rounded up to a power of 4, in at most 16 passes (the
// later passes take 4 or 16 samples per pixel each), so that the per-frame
// cost stays small against the samples.
SamplingPlan planSampling(int samplesPerPixel, int passes);

}  // namespace hox_render
