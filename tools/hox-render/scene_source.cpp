#include "scene_source.h"

#include "demo_scene.h"
#include "light_rig.h"
#include "model_loader.h"

namespace hox_render {

bool buildScene(SceneBuilder& builder, const std::string& sceneFile, const std::string& modelDirectory,
                SceneContent& scene, std::string& error) {
    if (sceneFile.empty()) {
        scene = buildDemoScene(builder, modelDirectory.empty() ? kDefaultModelDirectory : modelDirectory);
        return true;
    }
    LoadedModel model;
    if (!loadModel(builder, sceneFile, /*importLights=*/true, model, error)) return false;
    scene.root = model.root;
    scene.bounds = model.bounds;
    scene.hasCamera = model.hasCamera;
    scene.camera = model.camera;
    if (model.lights == 0) addDefaultLights(builder, scene.root, scene.bounds);
    scene.environment = createSky(builder.shaders(), defaultSunDirection());
    scene.summary = sceneFile + ": " + std::to_string(model.objects) + " object(s), " +
                    std::to_string(model.triangles) + " triangles, " +
                    (model.lights ? std::to_string(model.lights) + " light(s)" : std::string("default lights")) +
                    (model.hasCamera ? ", the file's camera" : "");
    return true;
}

CameraPose sceneCamera(const SceneContent& scene, float aspect) {
    return scene.hasCamera ? scene.camera : frameBounds(scene.bounds, kFramingFovDegrees, aspect);
}

}  // namespace hox_render
