// Records of the frame description: FrameDef, RenderView, Framebuffer.
#pragma once

#include <cstdint>

#include "scene/record.h"
#include "util/growable_array.h"

namespace hox {
class IFramebufferCallback;

namespace scene {

class FrameDefRecord : public Record {
public:
    enum { kClassType = CLASS_TYPE_FRAME_DEF };
    explicit FrameDefRecord(int instance);
    void read(util::InputStream& in) override;
    void write(util::OutputStream& out) const override;
    void copyFrom(const Record& other) override;

    uint32_t deviceSettings;                   // DeviceSettings handle, null 0xFFFFFFFF
    util::GrowableArray<uint32_t> renderViews; // RenderView handle words, in render order
};

class RenderViewRecord : public Record {
public:
    enum { kClassType = CLASS_TYPE_RENDER_VIEW };
    explicit RenderViewRecord(int instance);
    void read(util::InputStream& in) override;
    void write(util::OutputStream& out) const override;
    void copyFrom(const Record& other) override;

    uint32_t sceneRoot;          // Group, null 0x8FFFFFFF
    uint32_t camera;             // Camera, null 0x6FFFFFFF
    uint32_t framebuffer;        // Framebuffer, null 0x4FFFFFFF
    uint32_t environmentShader;  // Shader, null 0xAFFFFFFF
    uint32_t renderOptions;      // RenderOptions, null 0xDFFFFFFF
};

// Per-framebuffer render state owned by the render engine (accumulation
// buffers and resolver); opaque to the scene model.
class FramebufferRecord;
class FramebufferState {
public:
    virtual ~FramebufferState() {}
    // Resolves the image of frame `frameNumber` and hands it to the record's
    // swap callback (called by the device's sync). The engine's state
    // implements it; a state without an image has nothing to hand over.
    virtual void swap(FramebufferRecord& /*framebuffer*/, int /*frameNumber*/) {}
};

class FramebufferRecord : public Record {
public:
    enum { kClassType = CLASS_TYPE_FRAMEBUFFER };
    explicit FramebufferRecord(int instance);
    ~FramebufferRecord() override;
    void read(util::InputStream& in) override;
    void write(util::OutputStream& out) const override;
    // Copies the host-visible fields; render state stays with the old version.
    void copyFrom(const Record& other) override;

    IFramebufferCallback* swapCallback;  // not owned, may be null
    int32_t format;                      // EFramebufferFormat, 0
    bool isStatic[2];                    // per frame parity
    uint32_t viewTag[2];                 // per frame parity, RenderView handle 0x3FFFFFFF
    FramebufferState* state;             // owned, created by the render engine
};

}  // namespace scene
}  // namespace hox
