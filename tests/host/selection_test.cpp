// The selection service as a host sees it, checked against answers worked
// out here from the camera model (origin, looking down -Z, 90°, square
// pixels): pixel corner (x, y) looks along (-1 + 2x/W, H/W - 2y/W, -1).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "host_test_support.h"

namespace hox_host_test {
namespace {

using hox::Mat4f;
using hox::SelectionResult;
using hox::Vec3f;

constexpr int kPickValid = 31;
constexpr int kRegionValid = 20;
constexpr float kPi = 3.14159265f;

// Scale, rotate about `axis` (Rodrigues), move; rows are the unit axes' images.
Mat4f placement(float scale, Vec3f axis, float angle, Vec3f move) {
    const float l = std::sqrt(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z);
    const float x = axis.x / l, y = axis.y / l, z = axis.z / l;
    const float c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    const float r[9] = {t * x * x + c,     t * x * y + s * z, t * x * z - s * y,
                        t * x * y - s * z, t * y * y + c,     t * y * z + s * x,
                        t * x * z + s * y, t * y * z - s * x, t * z * z + c};
    return {{scale * r[0], scale * r[1], scale * r[2], 0, scale * r[3], scale * r[4], scale * r[5], 0,
             scale * r[6], scale * r[7], scale * r[8], 0, move.x, move.y, move.z, 1}};
}

Vec3f apply(const Mat4f& m, Vec3f p) {
    return {p.x * m.m[0] + p.y * m.m[4] + p.z * m.m[8] + m.m[12],
            p.x * m.m[1] + p.y * m.m[5] + p.z * m.m[9] + m.m[13],
            p.x * m.m[2] + p.y * m.m[6] + p.z * m.m[10] + m.m[14]};
}

float dot(Vec3f a, Vec3f b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3f scaled(Vec3f a, float s) { return {a.x * s, a.y * s, a.z * s}; }

struct Mesh {
    std::vector<Vec3f> coords;
    std::vector<int> indices;
};

// The unit quad [-1, 1]^2 at z = 0, for placed instances.
Mesh unitQuad() { return {{{-1, -1, 0}, {1, -1, 0}, {-1, 1, 0}, {1, 1, 0}}, {0, 1, 2, 2, 1, 3}}; }

class SelectionTest : public RenderSceneTest {
protected:
    void SetUp() override {
        RenderSceneTest::SetUp();
        selection = device->getSelectionDevice();
        ASSERT_NE(nullptr, selection);
    }

    hox::THandle<hox::Object> addMesh(const Mesh& mesh, const Mat4f* place = nullptr) {
        hox::THandle<hox::Geometry> geometry(device);
        hox::Geometry* g = geometry.beginEdit();
        g->init(hox::GEOMETRY_TYPE_TRIANGLES, static_cast<int>(mesh.indices.size() / 3),
                static_cast<int>(mesh.coords.size()));
        g->setIndexArray(mesh.indices.data());
        g->setCoordArray3f(mesh.coords.data());
        EXPECT_EQ(0, geometry.endEdit());
        hox::THandle<hox::Object> object(device);
        hox::Object* o = object.beginEdit();
        o->setGeometry(geometry);
        if (place) o->setTransform(*place);
        EXPECT_EQ(0, object.endEdit());
        scene->root.beginEdit()->addChild(object);
        scene->root.endEdit();
        return object;
    }

    Vec3f rayDirection(float x, float y) const {
        const float w = static_cast<float>(scene->width), h = static_cast<float>(scene->height);
        return {-1 + 2 * x / w, h / w - 2 * y / w, -1};
    }
    void project(Vec3f p, float& x, float& y) const {
        const float w = static_cast<float>(scene->width), h = static_cast<float>(scene->height);
        x = 0.5f * w * (1 + p.x / -p.z);
        y = 0.5f * w * (h / w - p.y / -p.z);
    }

    std::set<unsigned> region(const hox::THandle<hox::RenderView>& view, int x0, int y0, int x1, int y1) {
        std::set<unsigned> handles;
        const int n = selection->pickRegion(view, x0, y0, x1, y1);
        EXPECT_EQ(n, selection->getNumResults());
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(kRegionValid, selection->getResult(i)->valid);
            handles.insert(selection->getResult(i)->object);
        }
        return handles;
    }
    std::set<unsigned> region(int x0, int y0, int x1, int y1) { return region(scene->view, x0, y0, x1, y1); }

    // 0 when the pick finds nothing.
    unsigned pickedObject(const hox::THandle<hox::RenderView>& view, int x, int y) {
        if (selection->pick(view, x, y) != 1) return 0;
        EXPECT_EQ(kPickValid, selection->getResult(0)->valid);
        return selection->getResult(0)->object;
    }
    unsigned pickedObject(int x, int y) { return pickedObject(scene->view, x, y); }

    hox::ISelectionDevice* selection = nullptr;
};

TEST_F(SelectionTest, NothingBeforeTheFirstFrameForForeignViewsOrDegenerateRectangles) {
    build(64, 48);
    scene->addQuad(-1, -1, 1, 1, -5);
    EXPECT_EQ(0, selection->pick(scene->view, 32, 24));
    EXPECT_EQ(0, selection->pickRegion(scene->view, 0, 0, 64, 48));
    EXPECT_EQ(0, selection->getNumResults());
    EXPECT_EQ(nullptr, selection->getResult(0));

    ASSERT_EQ(0, scene->render());
    ASSERT_EQ(1, selection->pick(scene->view, 32, 24));
    // A degenerate rectangle finds nothing and forgets the last results.
    const int degenerate[][4] = {{20, 10, 20, 40}, {10, 30, 50, 30}, {5, 5, 5, 5}};
    for (const auto& r : degenerate) {
        EXPECT_EQ(0, selection->pickRegion(scene->view, r[0], r[1], r[2], r[3]));
        EXPECT_EQ(0, selection->getNumResults());
    }
    hox::THandle<hox::RenderView> other(device);
    EXPECT_EQ(0, selection->pick(other, 32, 24));
    EXPECT_EQ(0, selection->pickRegion(other, 0, 0, 64, 48));
    EXPECT_EQ(0, selection->pick(hox::THandle<hox::RenderView>(), 32, 24));
}

TEST_F(SelectionTest, PicksAndRegionsReportPointNormalBoxDistanceAndObject) {
    build(64, 48);
    const hox::THandle<hox::Object> flat = scene->addQuad(-3, -1, -1, 1, -5);
    // Half-size 2, turned 30° about y, centred at (2, 0, -8).
    const Mat4f turn = placement(2.0f, {0, 1, 0}, kPi / 6, {2, 0, -8});
    const hox::THandle<hox::Object> turned = addMesh(unitQuad(), &turn);
    ASSERT_EQ(0, scene->render());

    // Pixel (20, 20) looks along (-0.375, 0.125, -1) onto the flat quad.
    ASSERT_EQ(1, selection->pick(scene->view, 20, 20));
    const SelectionResult* r = selection->getResult(0);
    EXPECT_EQ(kPickValid, r->valid);
    EXPECT_EQ(flat.getValue(), r->object);
    EXPECT_NEAR(-1.875f, r->position.x, 1e-4f);
    EXPECT_NEAR(0.625f, r->position.y, 1e-4f);
    EXPECT_NEAR(-5.0f, r->position.z, 1e-4f);
    EXPECT_NEAR(5.0f * std::sqrt(1 + 0.375f * 0.375f + 0.125f * 0.125f), r->distance, 1e-4f);
    EXPECT_NEAR(1.0f, r->normal.z, 1e-5f);
    const float flatBox[6] = {-3, -1, -5, -1, 1, -5};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(flatBox[i], (&r->boundsMin.x)[i], 1e-5f) << i;

    // Pixel (36, 24) meets the turned quad's plane n . (p - c) = 0 at
    // t = n.c / n.d along its ray.
    const Vec3f n = {std::sin(kPi / 6), 0, std::cos(kPi / 6)}, c = {2, 0, -8};
    const Vec3f d = rayDirection(36, 24);
    const Vec3f hit = scaled(d, dot(n, c) / dot(n, d));
    ASSERT_EQ(1, selection->pick(scene->view, 36, 24));
    r = selection->getResult(0);
    EXPECT_EQ(turned.getValue(), r->object);
    EXPECT_NEAR(hit.x, r->position.x, 1e-3f);
    EXPECT_NEAR(hit.y, r->position.y, 1e-3f);
    EXPECT_NEAR(hit.z, r->position.z, 1e-3f);
    EXPECT_NEAR(std::sqrt(dot(hit, hit)), r->distance, 1e-3f);
    // The normal goes through the inverse transpose: its direction is the
    // turned z axis, its length 1 / scale.
    EXPECT_NEAR(0.5f * n.x, r->normal.x, 1e-4f);
    EXPECT_NEAR(0.0f, r->normal.y, 1e-4f);
    EXPECT_NEAR(0.5f * n.z, r->normal.z, 1e-4f);
    // Its world box: x within 2 ± 2 cos 30°, z within -8 ± 2 sin 30°.
    const float turnedBox[6] = {2 - std::sqrt(3.0f), -2, -9, 2 + std::sqrt(3.0f), 2, -7};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(turnedBox[i], (&r->boundsMin.x)[i], 1e-4f) << i;

    EXPECT_EQ(0, selection->pick(scene->view, 2, 2));  // background
    EXPECT_EQ(0, selection->getNumResults());

    // A window around the flat quad (pixels 12.8 to 25.6 by 17.6 to 30.4)
    // reports it with its world box.
    ASSERT_EQ(1, selection->pickRegion(scene->view, 10, 15, 28, 33));
    r = selection->getResult(0);
    EXPECT_EQ(kRegionValid, r->valid);
    EXPECT_EQ(flat.getValue(), r->object);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(flatBox[i], (&r->boundsMin.x)[i], 1e-5f) << i;
}

TEST_F(SelectionTest, TwoViewsOfOneFrameAreToldApartByHandle) {
    build(64, 48);
    const unsigned ahead = scene->addQuad(-1, -1, 1, 1, -5).getValue();
    const unsigned behind = scene->addQuad(-1, -1, 1, 1, 5).getValue();
    // A second view from the same point looking the other way (+Z).
    hox::THandle<hox::Camera> camera(device);
    hox::Camera* c = camera.beginEdit();
    c->initPerspective(90.0f);
    c->setResolution(64, 48);
    c->setAspectRatio(64.0f / 48.0f);
    c->setTransform(placement(1, {0, 1, 0}, kPi, {0, 0, 0}));
    ASSERT_EQ(0, camera.endEdit());
    hox::THandle<hox::Framebuffer> framebuffer(device);
    hox::THandle<hox::RenderView> back(device);
    hox::RenderView* v = back.beginEdit();
    v->setCamera(camera);
    v->setFramebuffer(framebuffer);
    v->setSceneRoot(scene->root);
    v->setRenderOptions(scene->options);
    ASSERT_EQ(0, back.endEdit());
    scene->frameDef.beginEdit()->addRenderView(back);
    ASSERT_EQ(0, scene->frameDef.endEdit());
    ASSERT_EQ(0, scene->render());

    EXPECT_EQ(ahead, pickedObject(scene->view, 32, 24));
    EXPECT_NEAR(-5.0f, selection->getResult(0)->position.z, 1e-4f);
    EXPECT_EQ(behind, pickedObject(back, 32, 24));
    EXPECT_NEAR(5.0f, selection->getResult(0)->position.z, 1e-4f);
    EXPECT_EQ(std::set<unsigned>{ahead}, region(scene->view, 0, 0, 64, 48));
    EXPECT_EQ(std::set<unsigned>{behind}, region(back, 0, 0, 64, 48));

    // Dropped from the frame definition, the view has no last frame.
    scene->frameDef.beginEdit()->removeRenderView(back);
    ASSERT_EQ(0, scene->frameDef.endEdit());
    ASSERT_EQ(0, scene->render());
    EXPECT_EQ(0, selection->pick(back, 32, 24));
    EXPECT_EQ(ahead, pickedObject(scene->view, 32, 24));
}

TEST_F(SelectionTest, PicksSeeTheFrameLastHandedToTheEngineWhileItRenders) {
    build(128, 96);
    scene->setThreads(2);
    scene->setOption(hox::OPTION_SAMPLING_RATE, 2);
    hox::THandle<hox::Object> quad = scene->addQuad(-1, -1, 1, 1, -5);
    const unsigned handle = quad.getValue();
    ASSERT_EQ(0, scene->render());
    EXPECT_EQ(handle, pickedObject(64, 48));

    // Moved after the frame: picks still see the frame's scene...
    quad.beginEdit()->setTransform({{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 3, 0, 0, 1}});
    ASSERT_EQ(0, quad.endEdit());
    EXPECT_EQ(handle, pickedObject(64, 48));
    // ...until the next frame is handed over, rendered or not. The quad now
    // spans x in [2, 4] at depth 5: pixels 89.6 to 115.2.
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_EQ(0, device->frame(scene->frameDef, true));
        for (int i = 0; i < 20; ++i) {
            EXPECT_EQ(0u, pickedObject(64, 48));
            EXPECT_EQ(handle, pickedObject(100, 48));
            EXPECT_EQ(std::set<unsigned>{handle}, region(120, 30, 95, 60));
        }
    }
    ASSERT_EQ(0, device->sync(10000, true));
    EXPECT_EQ(handle, pickedObject(100, 48));
}

// Crossing mode (drawn right to left) selects the objects one of whose
// triangles meets the rectangle (separating axes on projected triangles),
// window mode those with every vertex inside; the rows may come in either
// order. Decisions within 0.01 pixel are not compared.
TEST_F(SelectionTest, RandomRectanglesAgreeWithAScreenSpaceBruteForce) {
    build(96, 72);
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    struct Placed {
        unsigned handle;
        std::vector<float> x, y;  // projected vertices, three per triangle
    };
    std::vector<Placed> objects;
    for (int i = 0; i < 14; ++i) {
        Mesh mesh;
        for (int k = 0; k < 6; ++k) mesh.coords.push_back({u(rng), u(rng), u(rng)});
        mesh.indices = {0, 1, 2, 3, 4, 5};
        const Mat4f m = placement(1.0f + 0.5f * u(rng), {u(rng), u(rng), u(rng) + 0.01f}, kPi * u(rng),
                                  {6 * u(rng), 4.5f * u(rng), -8 + 2 * u(rng)});
        Placed placed;
        placed.handle = addMesh(mesh, &m).getValue();
        for (const Vec3f& p : mesh.coords) {
            float x, y;
            project(apply(m, p), x, y);
            placed.x.push_back(x);
            placed.y.push_back(y);
        }
        objects.push_back(placed);
    }
    ASSERT_EQ(0, scene->render());

    constexpr float kMargin = 0.01f;
    std::uniform_int_distribution<int> px(-10, 106), py(-10, 82);
    int compared = 0, selected = 0, windowSelected = 0;
    for (int trial = 0; trial < 300; ++trial) {
        const int xa = px(rng), xb = px(rng), y0 = py(rng), y1 = py(rng);
        if (xa == xb || y0 == y1) continue;
        const float lo[2] = {static_cast<float>(std::min(xa, xb)), static_cast<float>(std::min(y0, y1))};
        const float hi[2] = {static_cast<float>(std::max(xa, xb)), static_cast<float>(std::max(y0, y1))};
        const std::set<unsigned> crossing = region(std::max(xa, xb), y0, std::min(xa, xb), y1);
        const std::set<unsigned> window = region(std::min(xa, xb), y0, std::max(xa, xb), y1);

        for (const Placed& o : objects) {
            // The largest separating gap over the rectangle's axes and the
            // triangle's edge normals; <= 0 means they meet.
            bool meets = false, ambiguous = false;
            for (int t = 0; t < 2; ++t) {
                const float* tx = &o.x[3 * t];
                const float* ty = &o.y[3 * t];
                std::vector<std::pair<float, float>> axes = {{1, 0}, {0, 1}};
                for (int e = 0; e < 3; ++e) {
                    const int f = (e + 1) % 3;
                    axes.push_back({ty[f] - ty[e], tx[e] - tx[f]});
                }
                float gap = -1e30f;
                for (const auto& a : axes) {
                    const float len = std::sqrt(a.first * a.first + a.second * a.second);
                    if (len == 0) continue;
                    float tmin = 1e30f, tmax = -1e30f, rmin = 1e30f, rmax = -1e30f;
                    for (int k = 0; k < 3; ++k) {
                        const float s = (a.first * tx[k] + a.second * ty[k]) / len;
                        tmin = std::min(tmin, s), tmax = std::max(tmax, s);
                    }
                    for (int k = 0; k < 4; ++k) {
                        const float s = (a.first * (k & 1 ? hi[0] : lo[0]) + a.second * (k & 2 ? hi[1] : lo[1])) / len;
                        rmin = std::min(rmin, s), rmax = std::max(rmax, s);
                    }
                    gap = std::max(gap, std::max(rmin - tmax, tmin - rmax));
                }
                if (std::fabs(gap) < kMargin) ambiguous = true;
                if (gap <= 0) meets = true;
            }
            if (!ambiguous) {
                ++compared;
                selected += meets;
                EXPECT_EQ(meets, crossing.count(o.handle) == 1)
                    << "crossing, object " << o.handle << ", rectangle " << xa << " " << y0 << " " << xb << " " << y1;
            }

            // Window: every vertex inside.
            bool allInside = true;
            ambiguous = false;
            for (size_t k = 0; k < o.x.size(); ++k) {
                const float d = std::min({o.x[k] - lo[0], hi[0] - o.x[k], o.y[k] - lo[1], hi[1] - o.y[k]});
                if (std::fabs(d) < kMargin) ambiguous = true;
                if (d < 0) allInside = false;
            }
            if (!ambiguous) {
                windowSelected += allInside;
                EXPECT_EQ(allInside, window.count(o.handle) == 1)
                    << "window, object " << o.handle << ", rectangle " << xa << " " << y0 << " " << xb << " " << y1;
            }
        }
    }
    // Both ways decided often enough to mean something.
    EXPECT_GT(compared, 3000);
    EXPECT_GT(selected, 500);
    EXPECT_LT(selected, compared - 500);
    EXPECT_GT(windowSelected, 50);
}

}  // namespace
}  // namespace hox_host_test
