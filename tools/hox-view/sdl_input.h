// SDL's events as the viewer's input events.
#pragma once

#include <SDL.h>

#include "view_input.h"

namespace hox_view {

// False for an event the viewer has no use for.
bool translateEvent(const SDL_Event& sdl, InputEvent& event);

}  // namespace hox_view
