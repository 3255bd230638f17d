// Definitions of the library's 22 console variables.
//
// All of them live in this ONE translation unit, in their
// documented construction order. C++ orders static initialisation only within a
// translation unit, never across translation units; keeping every definition
// here, in table order, makes the construction order deterministic, so the
// static list CVar::s_pCVarList holds them in the reverse of the table and a
// host registry sees them in that reverse order. Do not move a definition to
// another file or reorder these lines.
//
// All are defined with flags 0 (neither read-only nor modified). A table
// entry without a description gets "".
#include "util/cvars.h"

namespace hox {
namespace util {

// name, default, flags, description, min, max (int and float)
CVar_i rt_statsInterval("rt_statsInterval", 1000, 0, "", 100, 10000);
CVar_b rt_rebuild("rt_rebuild", false, 0, "");
CVar_f rt_internalScale("rt_internalScale", 1.0f, 0, "", 0.1f, 2.0f);
CVar_b rt_disableStaticFrames("rt_disableStaticFrames", false, 0, "");
CVar_b rt_compressionStats("rt_compressionStats", false, 0, "");
CVar_b rt_lockRenderThreads("rt_lockRenderThreads", true, 0,
                            "Lock each render thread to a fixed cpu core");
// "rt_bvhDebugLevel" is defined three times (here and twice below) with
// identical settings: three separate objects that share the name text, as
// the three original modules each defined their own. The C++ names differ
// only to keep them apart.
CVar_i rt_bvhDebugLevel_renderThreads("rt_bvhDebugLevel", -1, 0, "", -1, 128);
CVar_b rt_randTest("rt_randTest", false, 0, "");
CVar_b rt_primaryBeams("rt_primaryBeams", true, 0, "");
CVar_i rt_debugShade("rt_debugShade", 0, 0, "", 0, 2);
CVar_i rt_bvhDebugLevel_engine("rt_bvhDebugLevel", -1, 0, "", -1, 128);
CVar_i rt_beamMinSize("rt_beamMinSize", 2, 0, "", 1, 16);
CVar_i rt_debugTileId("rt_debugTileId", -1, 0, "", -1, 4096);
CVar_b rt_triVertCull("rt_triVertCull", true, 0, "");
CVar_b rt_beamCull("rt_beamCull", true, 0, "");
CVar_i rt_bvhDebugLevel_trace("rt_bvhDebugLevel", -1, 0, "", -1, 128);
CVar_i rt_bvhLeafCutoff("rt_bvhLeafCutoff", 4, 0, "", 1, 64);
CVar_i rt_isectAlg("rt_isectAlg", 2, 0, "0 - MT, 1 - BC, 2 - BC sse", 0, 2);
CVar_i rt_bvhPrintBuildStats("rt_bvhPrintBuildStats", 0, 0, "Prints build statistics for BVH",
                             0, 2147483647);
CVar_b rt_bvhUseCentroids("rt_bvhUseCentroids", true, 0, "");
CVar_i rt_bvhNumBins("rt_bvhNumBins", 16, 0, "", 4, 32);
CVar_f rt_bvhBadSplitThreshold("rt_bvhBadSplitThreshold", 0.9f, 0, "", 0.6f, 1.0f);

}  // namespace util
}  // namespace hox
