// The lighting every scene without lights of its own gets: a sun with soft
// shadows, a fill light and a little ambient light under a sky, placed
// relative to the scene's bounds so that it suits any scale.
#pragma once

#include "hox/entity.h"
#include "hox/shader.h"
#include "scene_builder.h"
#include "vec_math.h"

namespace hox_render {

// The direction sunlight travels (from the sun down into the scene).
hox::Vec3f defaultSunDirection();

// The sun, a fill light and an ambient light under `root`.
void addDefaultLights(SceneBuilder& builder, hox::THandle<hox::Group>& root, const Bounds& bounds);

// The sky environment, with its sun where the sun light comes from; the
// null handle when the shader library cannot provide it.
hox::THandle<hox::Shader> createSky(ShaderFactory& shaders, const hox::Vec3f& sunDirection);

}  // namespace hox_render
