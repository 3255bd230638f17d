// CompiledScene teardown.
#include "trace/compiled_scene.h"

#include "trace/compiled_mesh.h"

namespace hox {
namespace trace {

CompiledScene::~CompiledScene() {
    // Each instance holds one counted reference on its geometry's mesh; the
    // mesh outlives the scene when the geometry (or another view) still
    // holds it.
    for (int i = 0; i < instances.count; ++i) {
        CompiledMesh* mesh = instances[i].mesh;
        instances[i].mesh = nullptr;
        if (mesh) mesh->release();
    }
}

}  // namespace trace
}  // namespace hox
