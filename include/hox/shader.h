// Shader: a named shader from a plug-in library and its parameters.
#pragma once

#include "hox/config.h"
#include "hox/handle.h"

namespace hox {

class HOX_API Shader : public Class {
public:
    enum { TypeId = CLASS_TYPE_SHADER };
};

}  // namespace hox
