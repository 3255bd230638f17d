// IMessageCallback: where the library's messages go.
#pragma once

#include "hox/config.h"

namespace hox {

// Implemented by the host and handed to hox::Init. The library calls it from
// any of its threads, one call at a time (a global lock is held during the
// call, so an implementation must not wait for another thread that emits a
// message itself).
class HOX_API IMessageCallback {
public:
    virtual ~IMessageCallback() {}
    // Informational text. Level 0 is normal, 1 verbose.
    virtual void message(int level, const char* text) = 0;
    virtual void warning(const char* text) = 0;
    virtual void error(const char* text) = 0;
};

}  // namespace hox
