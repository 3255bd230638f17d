// What the viewer's input means: drags turn, slide and zoom the camera,
// held WASD keys fly it, a click asks for a pick, a shift-drag for a region
// pick, and the other keys change how the view is rendered. No window and
// no device here: the loop asks for what changed and carries it out.
#pragma once

#include <vector>

#include "orbit_camera.h"
#include "view_input.h"

namespace hox_view {

// How the view is rendered, as the keys set it.
struct RenderChoices {
    int debugShade = 0;  // 0 the shaders, 1 normals, 2 primitives
    int threads = 1;     // 1 … the processor count
    int traceDepth = 5;  // bounces, 0 … kMaxTraceDepth
    bool shadows = true;
    bool occlusion = true;
    bool illumination = true;
};

constexpr int kMaxTraceDepth = 16;

struct PickRequest {
    bool region = false;
    // A pixel pick at (x0, y0); a region as drawn from (x0, y0) to
    // (x1, y1): drawn to the right it takes only objects wholly inside,
    // drawn to the left also those it touches.
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

class ViewController {
public:
    ViewController(OrbitCamera& camera, int width, const RenderChoices& initial, int processors);

    void handle(const InputEvent& event);
    // Moves the camera for the fly keys held during `seconds`.
    void advance(float seconds);

    // Since the last call: whether the camera moved, the render choices
    // changed, and which picks were asked for.
    bool takeCameraMoved();
    bool takeChoicesChanged();
    std::vector<PickRequest> takePicks();

    const RenderChoices& choices() const { return m_choices; }
    bool quitRequested() const { return m_quit; }
    // The region being drawn, while a shift-drag is under way.
    bool regionInProgress(PickRequest& region) const;

private:
    void keyDown(ViewerKey key);
    void mouseUp(const InputEvent& event);

    OrbitCamera& m_camera;
    int m_width, m_processors;
    RenderChoices m_choices;
    bool m_cameraMoved = false, m_choicesChanged = false, m_quit = false;
    std::vector<PickRequest> m_picks;

    // The drag under way, if any.
    bool m_pressed = false;
    bool m_regionDrag = false;
    MouseButton m_button = MouseButton::kLeft;
    int m_pressX = 0, m_pressY = 0, m_lastX = 0, m_lastY = 0;
    int m_travel = 0;  // pixels moved since the press, Manhattan

    // Fly keys held: right, up, forward, each -1, 0 or 1 per key pair.
    bool m_held[6] = {false, false, false, false, false, false};
};

}  // namespace hox_view
