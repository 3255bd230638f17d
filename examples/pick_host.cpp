// pick_host: what lies under a pixel.
//
//   pick_host <shader library> <shader> [x y]
//
// Builds three quads in front of a 160 x 120 camera, shades them with the
// named surface shader (the library name as Shader::instantiate takes it),
// renders one frame and asks the selection service what lies under pixel
// (x, y), y counted from the top, and which objects a rectangle around it
// touches. Without a pixel it picks the centre of each quad in turn and
// exits with 1 unless each pick finds its own quad, so it doubles as a test.
#include <cstdio>
#include <cstdlib>

#include "hox/camera.h"
#include "hox/device.h"
#include "hox/entity.h"
#include "hox/frame_def.h"
#include "hox/framebuffer.h"
#include "hox/geometry.h"
#include "hox/message_callback.h"
#include "hox/render_view.h"
#include "hox/selection.h"
#include "hox/shader.h"

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr float kDepth = -6.0f;

class Console : public hox::IMessageCallback {
public:
    void message(int, const char*) override {}
    void warning(const char* text) override { std::fprintf(stderr, "warning: %s\n", text); }
    void error(const char* text) override { std::fprintf(stderr, "error: %s", text); }
};

// A quad of half-size 1 centred at (x, y) at kDepth.
hox::THandle<hox::Object> addQuad(hox::IRenderDevice* device, hox::THandle<hox::Group>& root, float x, float y) {
    hox::THandle<hox::Geometry> geometry(device);
    const int indices[6] = {0, 1, 2, 2, 1, 3};
    const hox::Vec3f coords[4] = {
        {x - 1, y - 1, kDepth}, {x + 1, y - 1, kDepth}, {x - 1, y + 1, kDepth}, {x + 1, y + 1, kDepth}};
    hox::Geometry* g = geometry.beginEdit();
    g->init(hox::GEOMETRY_TYPE_TRIANGLES, 2, 4);
    g->setIndexArray(indices);
    g->setCoordArray3f(coords);
    geometry.endEdit();
    hox::THandle<hox::Object> object(device);
    object.beginEdit()->setGeometry(geometry);
    object.endEdit();
    root.beginEdit()->addChild(object);
    root.endEdit();
    return object;
}

// The pixel a point at kDepth lands on: the 90° camera's image plane at
// distance 1 is 2 units wide, so one unit there is kWidth / 2 pixels.
int pixelX(float x) { return static_cast<int>(kWidth / 2 + x / -kDepth * kWidth / 2); }
int pixelY(float y) { return static_cast<int>(kHeight / 2 - y / -kDepth * kWidth / 2); }

// Prints what the service found under (x, y) and around it; returns the
// picked object's handle word, 0 for none.
unsigned report(hox::ISelectionDevice* selection, const hox::THandle<hox::RenderView>& view, int x, int y) {
    unsigned picked = 0;
    if (selection->pick(view, x, y) == 1) {
        const hox::SelectionResult* r = selection->getResult(0);
        picked = r->object;
        std::printf("pixel (%d, %d): Object %d at (%.3f, %.3f, %.3f), normal (%.3f, %.3f, %.3f), "
                    "distance %.3f, box (%.2f, %.2f, %.2f) - (%.2f, %.2f, %.2f)\n",
                    x, y, r->objectHandle().getInstance(), r->position.x, r->position.y, r->position.z,
                    r->normal.x, r->normal.y, r->normal.z, r->distance, r->boundsMin.x, r->boundsMin.y,
                    r->boundsMin.z, r->boundsMax.x, r->boundsMax.y, r->boundsMax.z);
    } else {
        std::printf("pixel (%d, %d): nothing\n", x, y);
    }
    // Drawn right to left: everything the 21 x 21 square around the pixel
    // touches.
    const int n = selection->pickRegion(view, x + 10, y - 10, x - 10, y + 10);
    std::printf("  touching the square around it: %d object(s)", n);
    for (int i = 0; i < n; ++i) std::printf(" %d", selection->getResult(i)->objectHandle().getInstance());
    std::printf("\n");
    return picked;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: %s <shader library> <shader> [x y]\n", argv[0]);
        return 2;
    }
    Console console;
    hox::IRenderDevice* device = nullptr;
    if (hox::Init(&console, device) != 0 || !device) return 1;

    hox::THandle<hox::Shader> surface(device);
    const int loaded = surface.beginEdit()->instantiate(argv[2], argv[1]);
    surface.endEdit();
    hox::THandle<hox::Group> root(device);
    root.beginEdit()->setShader(surface);
    root.endEdit();
    const float centres[3][2] = {{-2.5f, 0.0f}, {0.0f, 1.5f}, {2.5f, -1.0f}};
    hox::THandle<hox::Object> quads[3];
    for (int i = 0; i < 3; ++i) quads[i] = addQuad(device, root, centres[i][0], centres[i][1]);

    hox::THandle<hox::Camera> camera(device);
    hox::Camera* c = camera.beginEdit();
    c->initPerspective(90.0f);
    c->setResolution(kWidth, kHeight);
    c->setAspectRatio(static_cast<float>(kWidth) / kHeight);
    camera.endEdit();
    hox::THandle<hox::Framebuffer> framebuffer(device);
    hox::THandle<hox::RenderView> view(device);
    hox::RenderView* v = view.beginEdit();
    v->setCamera(camera);
    v->setFramebuffer(framebuffer);
    v->setSceneRoot(root);
    view.endEdit();
    hox::THandle<hox::FrameDef> frameDef(device);
    frameDef.beginEdit()->addRenderView(view);
    frameDef.endEdit();

    int failures = loaded == 0 ? 0 : 1;
    if (device->frame(frameDef, false) != 0 || device->sync(10000, true) != 0) ++failures;

    hox::ISelectionDevice* selection = device->getSelectionDevice();
    if (argc == 5) {
        report(selection, view, std::atoi(argv[3]), std::atoi(argv[4]));
    } else {
        for (int i = 0; i < 3; ++i) {
            const unsigned found = report(selection, view, pixelX(centres[i][0]), pixelY(centres[i][1]));
            if (found != quads[i].getValue()) {
                std::printf("  expected Object %d\n", quads[i].getInstance());
                ++failures;
            }
        }
        if (report(selection, view, 2, 2) != 0) ++failures;  // a corner shows the background
    }
    hox::Shutdown(device);
    return failures ? 1 : 0;
}
