// The viewer's input as the controller sees it: mouse and key events in
// window pixels, already free of SDL, so that a script and the window feed
// the same path and the controller can be tested without a display.
#pragma once

#include <string>

namespace hox_view {

// The keys the viewer gives a meaning to.
enum class ViewerKey {
    kNone,
    kForward,          // W
    kBack,             // S
    kLeft,             // A
    kRight,            // D
    kUp,               // E
    kDown,             // Q
    kReset,            // R
    kShadeFull,        // F1: the shaders' own shading
    kShadeNormals,     // F2: debug shading by normals
    kShadePrimitives,  // F3: debug shading by primitive
    kMoreThreads,      // + (or =)
    kFewerThreads,     // -
    kDeeper,           // ]
    kShallower,        // [
    kToggleShadows,    // 1
    kToggleOcclusion,  // 2
    kToggleIllumination,  // 3
    kQuit              // Escape
};

// The key a script names: "w", "f2", "escape", "]" …; kNone for a name the
// viewer does not know.
ViewerKey keyFromName(const std::string& name);

enum class MouseButton { kLeft, kMiddle, kRight };

struct InputEvent {
    enum Kind { kMouseDown, kMouseUp, kMouseMove, kWheel, kKeyDown, kKeyUp, kQuit };
    Kind kind = kQuit;
    int x = 0, y = 0;    // cursor, window pixels from the top left
    int dx = 0, dy = 0;  // motion since the last move; wheel steps in dy (away from the user > 0)
    MouseButton button = MouseButton::kLeft;
    bool shift = false;  // held at the time of the event
    ViewerKey key = ViewerKey::kNone;
};

}  // namespace hox_view
