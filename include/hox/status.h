// Status values returned by the public operations.
#pragma once

namespace hox {

enum EResult {
    RESULT_OK = 0,
    RESULT_FAILED = -1,               // device not initialised, unknown frame, no memory, wait failed
    RESULT_INVALID_HANDLE = 4096,     // handle names no live object of its class
    RESULT_INVALID_ENUM = 4097,       // id not handled by this operation
    RESULT_INVALID_VALUE = 4098,      // value out of range
    RESULT_TIMEOUT = 8192,            // a wait for a frame ran out of time
    RESULT_CONNECTION_FAILED = 12288  // the cluster could not be reached
};

}  // namespace hox
