// The device side of the viewer: one render view of the scene into an RGBA8
// framebuffer, rendered with asynchronous frames so that the next frame is
// set up (camera, options) while the current one renders. Each swapped
// image is copied here, on the host's thread, for the window to show.
//
// The view renders at a low sampling rate (fewer samples than pixels) all
// the time: while the camera moves every frame is a quick fresh image, and
// once it stops the device's progressive passes add up to the density of
// the maximum progressive rate.
#pragma once

#include <cstdint>
#include <vector>

#include "camera_setup.h"
#include "hox/camera.h"
#include "hox/device.h"
#include "hox/device_settings.h"
#include "hox/entity.h"
#include "hox/frame_def.h"
#include "hox/framebuffer.h"
#include "hox/render_options.h"
#include "hox/render_view.h"
#include "hox/shader.h"
#include "view_controller.h"

namespace hox_view {

struct SessionSetup {
    int width = 320, height = 240;
    int samplingRate = -1;   // every pass, -2 … 0
    int maxRate = 2;         // where refinement stops, samplingRate … 4
    std::string shaderPath;  // empty: the library's default search
};

// The latest image the device handed over.
struct SwappedImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // linear RGBA8 as rendered
    int frameNumber = -1;
    float sampleDensity = 0.0f;
    bool isStatic = false;
    int swaps = 0;  // images received so far
};

class ViewSession : public hox::IFramebufferCallback {
public:
    ViewSession(hox::IRenderDevice* device, const SessionSetup& setup);
    ~ViewSession() override;
    ViewSession(const ViewSession&) = delete;
    ViewSession& operator=(const ViewSession&) = delete;

    void setScene(const hox::THandle<hox::Group>& root, const hox::THandle<hox::Shader>& environment);
    void setCamera(const hox_render::CameraPose& pose);
    void setChoices(const RenderChoices& choices);

    // Whether the last submitted frame was waited for, so another may go.
    bool readyToSubmit() const { return !m_syncPending; }
    // Hands the next frame to the device (asynchronously). A status other
    // than RESULT_OK means the frame was not started.
    int submit();
    // Waits up to `timeoutMsecs` for the older frame in flight and swaps
    // it into `image()`. RESULT_TIMEOUT leaves it in flight: call again.
    int waitOlder(int timeoutMsecs);
    // Waits for every frame in flight.
    void drain();

    bool hasNewImage() const { return m_fresh; }
    const SwappedImage& takeImage() {
        m_fresh = false;
        return m_image;
    }
    const SwappedImage& image() const { return m_image; }
    const hox::THandle<hox::RenderView>& view() const { return m_view; }
    const SessionSetup& setup() const { return m_setup; }

    void swap(const hox::SwapInfo* info) override;

private:
    hox::IRenderDevice* m_device;
    SessionSetup m_setup;
    hox::THandle<hox::Camera> m_camera;
    hox::THandle<hox::Framebuffer> m_framebuffer;
    hox::THandle<hox::RenderOptions> m_options;
    hox::THandle<hox::DeviceSettings> m_settings;
    hox::THandle<hox::RenderView> m_view;
    hox::THandle<hox::FrameDef> m_frameDef;
    SwappedImage m_image;
    bool m_fresh = false;
    bool m_syncPending = false;  // a submitted frame still needs a successful wait
};

}  // namespace hox_view
