// The render device: the library's entry points and frame cycle.
#pragma once

#include <cstdint>

#include "hox/config.h"
#include "hox/handle.h"
#include "hox/status.h"

namespace hox {

class IMessageCallback;
class ISelectionDevice;

// Queries answered by IRenderDevice::query1b / query1f. Ids 3 to 9 are ratios
// of the render statistics counters (see RenderStats).
enum EQuery {
    QUERY_PROGRESS = 0,            // query1f: fraction of the current frame done, 0..1
    QUERY_SCENE_DIRTY = 1,         // query1b: scene edited since the last frame
    QUERY_RATE = 2,                // query1f: counter 0 per microsecond
    QUERY_RATIO_1_0 = 3,           // query1f: c1 / c0
    QUERY_RATIO_4_0 = 4,           // query1f: c4 / c0
    QUERY_RATIO_5_0 = 5,           // query1f: c5 / c0
    QUERY_RATIO_6_0 = 6,           // query1f: c6 / c0
    QUERY_RATIO_2_1 = 7,           // query1f: c2 / c1
    QUERY_RATIO_3_1 = 8,           // query1f: c3 / c1
    QUERY_RATIO_7_6 = 9            // query1f: c7 / c6
};

// Eight counters accumulated by the render engine between two fetches.
// The local engine counts:
//   c0  primary samples traced and shaded (QUERY_RATE: samples per µs)
//   c1  rays traced through the scene      (c1 / c0: rays per sample)
//   c2  rays that hit a surface            (c2 / c1: hit ratio)
//   c3  rays refused: degenerate direction or trace depth reached
//                                          (c3 / c1)
//   c4  plug-in shader calls               (c4 / c0: shader calls per sample)
//   c5  rays shaded as misses              (c5 / c0: misses per sample)
//   c6  tiles delivered                    (c6 / c0: tiles per sample)
//   c7  sample batches delivered           (c7 / c6: batches per tile)
// Each render thread adds its counts when it starts the next frame, so a
// fetch lags the frame in flight. The cluster engine reports zeros.
class HOX_API RenderStats {
public:
    RenderStats() { clear(); }
    void clear() {
        for (int i = 0; i < kCounterCount; ++i) counters[i] = 0;
    }
    RenderStats& operator+=(const RenderStats& other) {
        for (int i = 0; i < kCounterCount; ++i) counters[i] += other.counters[i];
        return *this;
    }

    enum { kCounterCount = 8 };
    uint64_t counters[kCounterCount];
};

// The one render device. Obtained from hox::Init; every operation is called
// from the host's thread.
class HOX_API IRenderDevice {
public:
    virtual ~IRenderDevice() {}
    virtual int getAPIVersion() const = 0;
    virtual const char* getAPIVersionString() const = 0;
    // Waits for frames in flight and swaps their images into the
    // framebuffers. waitAll: wait for every frame, not only the older one.
    virtual int sync(int timeoutMsecs, bool waitAll) = 0;
    // Starts rendering the frame definition; async lets the host prepare the
    // next frame while this one renders.
    virtual int frame(THandle<FrameDef>& frameDef, bool async) = 0;
    virtual int abort() = 0;
    virtual int query1b(EQuery query, bool& out) const = 0;
    virtual int query1i(EQuery query, int& out) const = 0;
    virtual int query1f(EQuery query, float& out) const = 0;
    virtual ISelectionDevice* getSelectionDevice() const = 0;

private:
    // Reached through handles only.
    friend class HandleBase;
    virtual int createHandle(int type) = 0;
    virtual int destroyHandle(HandleBase& handle) = 0;
    virtual bool isValid(const HandleBase& handle) const = 0;
    virtual void* beginEdit(HandleBase& handle) = 0;
    virtual int endEdit(const HandleBase& handle) = 0;

public:
    virtual int init() = 0;
    virtual int shutdown() = 0;
    virtual bool isInitialized() const = 0;
};

// Starts the library: stores the message callback (null prints to standard
// output) and hands out the device. 0, or -1 when the device is already
// initialised or cannot start.
HOX_API int Init(IMessageCallback* callback, IRenderDevice*& device);
// Shuts the device down. -1 for a pointer that is not the device or a device
// that is not initialised.
HOX_API int Shutdown(IRenderDevice* device);

class HOX_API System {
public:
    // Milliseconds since the library's clock started (wraps at 2^32).
    static int getTimeMsecs();
};

}  // namespace hox
