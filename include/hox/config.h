// Build-wide definitions of the public interface: symbol export and the
// interface version.
#pragma once

#if defined(_WIN32)
#  if defined(HOX_BUILDING_LIBRARY)
#    define HOX_API __declspec(dllexport)
#  else
#    define HOX_API __declspec(dllimport)
#  endif
#else
#  define HOX_API __attribute__((visibility("default")))
#endif

namespace hox {

// Version of the host and plug-in interface. Shader plug-ins must report the
// same number.
constexpr int kApiVersion = 50;
constexpr const char* kApiVersionString = "2.0.5.0";

}  // namespace hox
