// The library's console variables, for the modules that read them.
//
// All 22 are defined in ONE translation unit, util/cvar_definitions.cpp, in
// the order of the reference table below (construction order). C++ orders static initialisation
// only within a translation unit, not across them; defining them all in one
// file makes their construction order - and therefore the order of the
// static list and of a host registry's registerCVar calls (the reverse of
// the table) - deterministic. Do not move a definition to another file.
//
// These are objects of static storage duration: read them from other code,
// not from constructors of other static objects (their construction order
// relative to other files is unspecified).
//
// Readers (no locking; the host changes values between frames):
//   rt_statsInterval                 device statistics
//   rt_rebuild, rt_disableStaticFrames
//                                    RenderDevice::frame / debugRebuild
//   rt_compressionStats              image codec
//   rt_lockRenderThreads             render threads
//   rt_debugShade                    local engine (debug shading)
//   rt_bvhLeafCutoff, rt_bvhPrintBuildStats, rt_bvhUseCentroids,
//   rt_bvhNumBins, rt_bvhBadSplitThreshold
//                                    BVH builder
// The others are "registered only": the host can list and set them, but no
// module reads them (the configuration they name is fixed in the code).
#pragma once

#include "hox/cvar.h"

namespace hox {
namespace util {

extern CVar_i rt_statsInterval;
extern CVar_b rt_rebuild;
extern CVar_f rt_internalScale;        // registered only
extern CVar_b rt_disableStaticFrames;
extern CVar_b rt_compressionStats;
extern CVar_b rt_lockRenderThreads;
// "rt_bvhDebugLevel" is defined three times with identical settings, as
// three separate objects of the same name (the original modules each defined
// their own); a registry may tie the later ones to the first by setInstance.
// Registered only.
extern CVar_i rt_bvhDebugLevel_renderThreads;
extern CVar_b rt_randTest;             // registered only
extern CVar_b rt_primaryBeams;         // registered only
extern CVar_i rt_debugShade;
extern CVar_i rt_bvhDebugLevel_engine;  // second "rt_bvhDebugLevel"
extern CVar_i rt_beamMinSize;          // registered only
extern CVar_i rt_debugTileId;          // registered only
extern CVar_b rt_triVertCull;          // registered only
extern CVar_b rt_beamCull;             // registered only
extern CVar_i rt_bvhDebugLevel_trace;  // third "rt_bvhDebugLevel"
extern CVar_i rt_bvhLeafCutoff;
extern CVar_i rt_isectAlg;             // registered only
extern CVar_i rt_bvhPrintBuildStats;
extern CVar_b rt_bvhUseCentroids;
extern CVar_i rt_bvhNumBins;
extern CVar_f rt_bvhBadSplitThreshold;

}  // namespace util
}  // namespace hox
