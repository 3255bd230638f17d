#include "accel/prepared_view.h"

namespace hox {
namespace accel {

namespace {

// An empty box: any point grows it to itself.
constexpr float kEmptyBoxLimit = 1e38f;

}  // namespace

PreparedView::PreparedView()
    : index(-1),
      renderViewHandle(scene::nullHandleValue(CLASS_TYPE_RENDER_VIEW)),
      renderView(nullptr),
      camera(nullptr),
      framebuffer(nullptr),
      environmentShader(nullptr),
      options(nullptr),
      isStatic(false),
      progressive(false),
      passCount(0) {
    clearRecords();
}

void PreparedView::clearRecords() {
    renderView = nullptr;
    camera = nullptr;
    framebuffer = nullptr;
    environmentShader = nullptr;
    options = nullptr;
    objects.clear();
    lights.clear();
    lightSets.clear();
    lightSetMembers.clear();
    lightSetLights.clear();
    lightEntryByRecord.clear();
    usedShaders.clear();
    geometries.clear();
    shaders.clear();
    textures.clear();
    boundsMin = {kEmptyBoxLimit, kEmptyBoxLimit, kEmptyBoxLimit};
    boundsMax = {-kEmptyBoxLimit, -kEmptyBoxLimit, -kEmptyBoxLimit};
    worldScale = 1.0f;
    inverseWorldScale = 1.0f;
    worldOffset = {0.0f, 0.0f, 0.0f};
    negatedWorldOffset = {0.0f, 0.0f, 0.0f};
}

}  // namespace accel
}  // namespace hox
