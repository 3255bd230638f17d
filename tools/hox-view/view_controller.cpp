#include "view_controller.h"

#include <algorithm>
#include <cstdlib>

namespace hox_view {

namespace {

// A press that moves at most this far (in pixels) before it is released is
// a click, not a drag: hands shake.
constexpr int kClickSlop = 3;
// Flying covers half the home distance per second.
constexpr float kFlySpeed = 0.5f;
// Longer gaps between frames (a slow frame, a stall) do not fling the camera.
constexpr float kMaxFlySeconds = 0.1f;

enum HeldKey { kHeldForward, kHeldBack, kHeldLeft, kHeldRight, kHeldUp, kHeldDown };

int heldIndex(ViewerKey key) {
    switch (key) {
        case ViewerKey::kForward: return kHeldForward;
        case ViewerKey::kBack: return kHeldBack;
        case ViewerKey::kLeft: return kHeldLeft;
        case ViewerKey::kRight: return kHeldRight;
        case ViewerKey::kUp: return kHeldUp;
        case ViewerKey::kDown: return kHeldDown;
        default: return -1;
    }
}

}  // namespace

ViewController::ViewController(OrbitCamera& camera, int width, const RenderChoices& initial, int processors)
    : m_camera(camera), m_width(width), m_processors(std::max(1, processors)),
      m_choices(initial) {
    m_choices.threads = std::max(1, std::min(m_processors, m_choices.threads));
}

void ViewController::handle(const InputEvent& event) {
    switch (event.kind) {
        case InputEvent::kMouseDown:
            if (m_pressed) break;  // a second button during a drag is ignored
            m_pressed = true;
            m_button = event.button;
            m_regionDrag = event.shift && event.button == MouseButton::kLeft;
            m_pressX = m_lastX = event.x;
            m_pressY = m_lastY = event.y;
            m_travel = 0;
            break;
        case InputEvent::kMouseMove:
            if (!m_pressed) break;
            m_travel += std::abs(event.dx) + std::abs(event.dy);
            m_lastX = event.x;
            m_lastY = event.y;
            if (m_regionDrag) break;
            if (m_button == MouseButton::kLeft)
                m_camera.orbit(static_cast<float>(event.dx), static_cast<float>(event.dy));
            else
                m_camera.pan(static_cast<float>(event.dx), static_cast<float>(event.dy), m_width);
            m_cameraMoved = true;
            break;
        case InputEvent::kMouseUp:
            if (m_pressed && event.button == m_button) mouseUp(event);
            break;
        case InputEvent::kWheel:
            if (event.dy == 0) break;
            m_camera.zoom(static_cast<float>(event.dy));
            m_cameraMoved = true;
            break;
        case InputEvent::kKeyDown: keyDown(event.key); break;
        case InputEvent::kKeyUp: {
            const int held = heldIndex(event.key);
            if (held >= 0) m_held[held] = false;
            break;
        }
        case InputEvent::kQuit: m_quit = true; break;
    }
}

void ViewController::mouseUp(const InputEvent& event) {
    m_pressed = false;
    m_lastX = event.x;
    m_lastY = event.y;
    if (m_regionDrag) {
        m_regionDrag = false;
        // A shift-click is no region: pick what is under it instead.
        PickRequest pick;
        pick.region = std::abs(event.x - m_pressX) > kClickSlop || std::abs(event.y - m_pressY) > kClickSlop;
        pick.x0 = pick.region ? m_pressX : event.x;
        pick.y0 = pick.region ? m_pressY : event.y;
        pick.x1 = event.x;
        pick.y1 = event.y;
        m_picks.push_back(pick);
        return;
    }
    if (m_button == MouseButton::kLeft && m_travel <= kClickSlop) {
        PickRequest pick;
        pick.x0 = pick.x1 = event.x;
        pick.y0 = pick.y1 = event.y;
        m_picks.push_back(pick);
    }
}

void ViewController::keyDown(ViewerKey key) {
    const int held = heldIndex(key);
    if (held >= 0) {
        m_held[held] = true;
        return;
    }
    RenderChoices& c = m_choices;
    const RenderChoices before = c;
    switch (key) {
        case ViewerKey::kReset:
            m_camera.reset();
            m_cameraMoved = true;
            return;
        case ViewerKey::kShadeFull: c.debugShade = 0; break;
        case ViewerKey::kShadeNormals: c.debugShade = 1; break;
        case ViewerKey::kShadePrimitives: c.debugShade = 2; break;
        case ViewerKey::kMoreThreads: c.threads = std::min(m_processors, c.threads + 1); break;
        case ViewerKey::kFewerThreads: c.threads = std::max(1, c.threads - 1); break;
        case ViewerKey::kDeeper: c.traceDepth = std::min(kMaxTraceDepth, c.traceDepth + 1); break;
        case ViewerKey::kShallower: c.traceDepth = std::max(0, c.traceDepth - 1); break;
        case ViewerKey::kToggleShadows: c.shadows = !c.shadows; break;
        case ViewerKey::kToggleOcclusion: c.occlusion = !c.occlusion; break;
        case ViewerKey::kToggleIllumination: c.illumination = !c.illumination; break;
        case ViewerKey::kQuit: m_quit = true; return;
        default: return;
    }
    m_choicesChanged = m_choicesChanged || before.debugShade != c.debugShade || before.threads != c.threads ||
                       before.traceDepth != c.traceDepth || before.shadows != c.shadows ||
                       before.occlusion != c.occlusion || before.illumination != c.illumination;
}

void ViewController::advance(float seconds) {
    const float right = (m_held[kHeldRight] ? 1.0f : 0.0f) - (m_held[kHeldLeft] ? 1.0f : 0.0f);
    const float up = (m_held[kHeldUp] ? 1.0f : 0.0f) - (m_held[kHeldDown] ? 1.0f : 0.0f);
    const float forward = (m_held[kHeldForward] ? 1.0f : 0.0f) - (m_held[kHeldBack] ? 1.0f : 0.0f);
    if (right == 0.0f && up == 0.0f && forward == 0.0f) return;
    const float t = std::max(0.0f, std::min(kMaxFlySeconds, seconds)) * kFlySpeed;
    m_camera.fly(right, up, forward, t);
    m_cameraMoved = true;
}

bool ViewController::takeCameraMoved() {
    const bool moved = m_cameraMoved;
    m_cameraMoved = false;
    return moved;
}

bool ViewController::takeChoicesChanged() {
    const bool changed = m_choicesChanged;
    m_choicesChanged = false;
    return changed;
}

std::vector<PickRequest> ViewController::takePicks() {
    std::vector<PickRequest> picks;
    picks.swap(m_picks);
    return picks;
}

bool ViewController::regionInProgress(PickRequest& region) const {
    if (!m_pressed || !m_regionDrag) return false;
    region.region = true;
    region.x0 = m_pressX;
    region.y0 = m_pressY;
    region.x1 = m_lastX;
    region.y1 = m_lastY;
    return true;
}

}  // namespace hox_view
