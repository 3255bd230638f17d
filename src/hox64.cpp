// libhox64.so is assembled from the layer libraries (whole archives); this
// translation unit only gives the shared library target a source of its own.
#include "hox/hox.h"
