// RenderView: what one image shows (scene, camera) and where it goes.
#pragma once

#include "hox/config.h"
#include "hox/handle.h"

namespace hox {

// Handles are stored unchanged. A view without render options uses the
// built-in defaults; one without a valid scene root renders no geometry; one
// without a valid camera or framebuffer makes the frame fail.
//
// The getters return a reference to the handle stored in this record
// version; it lives as long as the version does.
class HOX_API RenderView : public Class {
public:
    enum { TypeId = CLASS_TYPE_RENDER_VIEW };

    void setSceneRoot(const THandle<Group>& root);
    const THandle<Group>& getSceneRoot() const;
    void setCamera(const THandle<Camera>& camera);
    const THandle<Camera>& getCamera() const;
    void setFramebuffer(const THandle<Framebuffer>& framebuffer);
    const THandle<Framebuffer>& getFramebuffer() const;
    // Shades the rays that leave the scene.
    void setEnvironmentShader(const THandle<Shader>& shader);
    const THandle<Shader>& getEnvironmentShader() const;
    void setRenderOptions(const THandle<RenderOptions>& options);
    const THandle<RenderOptions>& getRenderOptions() const;
};

}  // namespace hox
