#include "sdl_input.h"

namespace hox_view {

namespace {

ViewerKey keyOf(SDL_Keycode code) {
    switch (code) {
        case SDLK_w: return ViewerKey::kForward;
        case SDLK_s: return ViewerKey::kBack;
        case SDLK_a: return ViewerKey::kLeft;
        case SDLK_d: return ViewerKey::kRight;
        case SDLK_e: return ViewerKey::kUp;
        case SDLK_q: return ViewerKey::kDown;
        case SDLK_r: return ViewerKey::kReset;
        case SDLK_F1: return ViewerKey::kShadeFull;
        case SDLK_F2: return ViewerKey::kShadeNormals;
        case SDLK_F3: return ViewerKey::kShadePrimitives;
        case SDLK_PLUS:
        case SDLK_EQUALS:
        case SDLK_KP_PLUS: return ViewerKey::kMoreThreads;
        case SDLK_MINUS:
        case SDLK_KP_MINUS: return ViewerKey::kFewerThreads;
        case SDLK_RIGHTBRACKET: return ViewerKey::kDeeper;
        case SDLK_LEFTBRACKET: return ViewerKey::kShallower;
        case SDLK_1: return ViewerKey::kToggleShadows;
        case SDLK_2: return ViewerKey::kToggleOcclusion;
        case SDLK_3: return ViewerKey::kToggleIllumination;
        case SDLK_ESCAPE: return ViewerKey::kQuit;
        default: return ViewerKey::kNone;
    }
}

MouseButton buttonOf(Uint8 button) {
    if (button == SDL_BUTTON_RIGHT) return MouseButton::kRight;
    if (button == SDL_BUTTON_MIDDLE) return MouseButton::kMiddle;
    return MouseButton::kLeft;
}

bool shiftHeld() { return (SDL_GetModState() & KMOD_SHIFT) != 0; }

}  // namespace

bool translateEvent(const SDL_Event& sdl, InputEvent& event) {
    event = InputEvent();
    switch (sdl.type) {
        case SDL_QUIT: event.kind = InputEvent::kQuit; return true;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            // Auto-repeat would toggle a switch many times a second.
            if (sdl.key.repeat) return false;
            event.kind = sdl.type == SDL_KEYDOWN ? InputEvent::kKeyDown : InputEvent::kKeyUp;
            event.key = keyOf(sdl.key.keysym.sym);
            event.shift = (sdl.key.keysym.mod & KMOD_SHIFT) != 0;
            return event.key != ViewerKey::kNone;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            event.kind = sdl.type == SDL_MOUSEBUTTONDOWN ? InputEvent::kMouseDown : InputEvent::kMouseUp;
            event.button = buttonOf(sdl.button.button);
            event.x = sdl.button.x;
            event.y = sdl.button.y;
            event.shift = shiftHeld();
            return true;
        case SDL_MOUSEMOTION:
            event.kind = InputEvent::kMouseMove;
            event.x = sdl.motion.x;
            event.y = sdl.motion.y;
            event.dx = sdl.motion.xrel;
            event.dy = sdl.motion.yrel;
            event.shift = shiftHeld();
            return true;
        case SDL_MOUSEWHEEL:
            event.kind = InputEvent::kWheel;
            event.dy = sdl.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -sdl.wheel.y : sdl.wheel.y;
            return true;
        default: return false;
    }
}

}  // namespace hox_view
