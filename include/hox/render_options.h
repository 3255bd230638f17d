// RenderOptions: per render view quality knobs.
#pragma once

#include "hox/config.h"
#include "hox/handle.h"

namespace hox {

// Based on int so that any number a host passes is a value of the type;
// the setters answer ids outside the list with 4097.
enum ERenderOption : int {
    OPTION_TRACE_DEPTH = 0,                      // int, 5, 0..1000: bounces followed per ray
    OPTION_TRACE_DEPTH_THRESHOLD = 1,            // float, 0.005, 0..1
    OPTION_SAMPLING_RATE = 2,                    // int, 0, -2..4: 4^r samples per pixel
    OPTION_PROGRESSIVE_SAMPLING = 3,             // bool, true: refine over unchanged frames
    OPTION_MAX_PROGRESSIVE_SAMPLING_RATE = 4,    // int, 4, -2..4: rate the refinement ends at
    OPTION_TRANSMISSION = 5,                     // bool, true
    OPTION_TRANSMISSION_ACCURACY = 6,            // float, 0.1, 0..1
    OPTION_OCCLUSION = 7,                        // bool, true
    OPTION_OCCLUSION_ACCURACY = 8,               // float, 0.1, 0..1
    OPTION_GLOBAL_ILLUMINATION = 9,              // bool, true
    OPTION_GLOBAL_ILLUMINATION_ACCURACY = 10,    // float, 0.1, 0..1
    OPTION_GLOSSY_REFLECTIONS = 11,              // bool, true
    OPTION_GLOSSY_REFLECTIONS_ACCURACY = 12,     // float, 0.1, 0..1
    OPTION_GLOSSY_REFRACTIONS = 13,              // bool, true
    OPTION_GLOSSY_REFRACTIONS_ACCURACY = 14      // float, 0.1, 0..1
};

// Every setter returns 0 on success, 4097 for an id of another kind or an
// unknown id, and 4098 (with a warning, value unchanged) for a value out of
// range. Getters return 0 or 4097.
class HOX_API RenderOptions : public Class {
public:
    enum { TypeId = CLASS_TYPE_RENDER_OPTIONS };

    int setOption1b(ERenderOption option, bool value);
    int setOption1i(ERenderOption option, int value);
    int setOption1f(ERenderOption option, float value);

    int getOption1b(ERenderOption option, bool& value) const;
    int getOption1i(ERenderOption option, int& value) const;
    int getOption1f(ERenderOption option, float& value) const;
};

}  // namespace hox
