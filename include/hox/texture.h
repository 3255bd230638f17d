// Texture: image data that shaders sample.
#pragma once

#include "hox/config.h"
#include "hox/handle.h"

namespace hox {

class HOX_API Texture : public Class {
public:
    enum { TypeId = CLASS_TYPE_TEXTURE };
};

}  // namespace hox
