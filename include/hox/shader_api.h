// The one header a shader plug-in includes: the shader base class and its
// declaration interface, the shading record and the tracing services.
//
// A plug-in is built against these headers only; it links nothing of the
// library, since everything it calls is reached through virtual operations
// of objects the system hands it.
#pragma once

#include "hox/config.h"
#include "hox/types.h"
#include "hox/shader_services.h"
#include "hox/shader_declaration.h"
