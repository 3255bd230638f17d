// Importing scene files through assimp (OBJ, PLY, glTF/GLB, FBX, Collada,
// 3DS, STL, … every format assimp reads) into the scene graph.
#pragma once

#include <cstddef>
#include <string>

#include "camera_setup.h"
#include "hox/entity.h"
#include "scene_builder.h"
#include "vec_math.h"

namespace hox_render {

struct LoadedModel {
    // The file's node hierarchy: one group per node carrying the node's
    // transform, one object per mesh of a node, the file's lights in the
    // groups of their nodes.
    hox::THandle<hox::Group> root;
    Bounds bounds;  // of every object, in the coordinates of `root`
    int objects = 0;
    int triangles = 0;
    int lights = 0;
    bool hasCamera = false;  // the file's first camera, in `camera`
    CameraPose camera;
};

// False with `error` set when the file cannot be read, holds no triangles,
// or none of its meshes could be made. Without `importLights` the file's
// lights are left out (a model placed into another scene keeps that
// scene's lighting).
bool loadModel(SceneBuilder& builder, const std::string& path, bool importLights, LoadedModel& model,
               std::string& error);

// The same from a file's bytes in memory; `formatHint` is the extension the
// file would have ("obj", "ply", "gltf", "glb", …). Bytes in memory have no
// folder: references to other files (material libraries, buffers, texture
// images) are not followed, embedded textures are used.
bool loadModelFromMemory(SceneBuilder& builder, const void* data, size_t size, const std::string& formatHint,
                         bool importLights, LoadedModel& model, std::string& error);

}  // namespace hox_render
