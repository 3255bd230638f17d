// The selection service as a host sees it: picks and region picks on scenes
// whose answers follow from the camera model, worked out here on their own.
//
// RenderScene's camera sits at the origin looking down -Z with a 90° field
// of view and square pixels: the ray of pixel corner (x, y), y from the top,
// runs along (-1 + 2x/W, H/W - 2y/W, -1), and a point p in front of it lands
// on pixel (W/2 (1 + p.x / -p.z), W/2 (H/W - p.y / -p.z)).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "host_test_support.h"
#include "hox/selection.h"

namespace hox_host_test {
namespace {

using hox::Mat4f;
using hox::SelectionResult;
using hox::Vec3f;

constexpr int kPickValid = 31;
constexpr int kRegionValid = 20;
constexpr float kPi = 3.14159265f;

// Scale, then rotate about `axis` (Rodrigues), then move; the rows are the
// images of the unit axes.
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

    hox::THandle<hox::Object> addMesh(const Mesh& mesh, const Mat4f* place = nullptr,
                                      hox::THandle<hox::Geometry>* geometryOut = nullptr) {
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
        if (geometryOut) *geometryOut = geometry;
        return object;
    }

    // The direction of the ray through pixel corner (x, y).
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

    // The object under pixel (x, y), or 0 when the pick finds none.
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

TEST_F(SelectionTest, PickReportsPointNormalBoxDistanceAndObject) {
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
}

TEST_F(SelectionTest, RegionsSelectWhatLiesInsideOrTouchesByDirection) {
    // At depth 10 pixel x = 64 + 6.4 X and y = 48 - 6.4 Y, so the rectangle
    // (32, 16) - (96, 80) is the square |X|, |Y| <= 5.
    build(128, 96);
    const unsigned inside = scene->addQuad(-4, -1, -2, 1, -10).getValue();
    const unsigned partial = scene->addQuad(4, -1, 7, 1, -10).getValue();
    const unsigned outside = scene->addQuad(-9, -9, -7, -7, -10).getValue();
    // An L around the square's top and right: its box covers the square,
    // its arms never enter it.
    const Mesh l = {{{-9, 6.5f, -10}, {9, 6.5f, -10}, {9, 8, -10}, {-9, 8, -10},
                     {7.5f, -9, -10}, {9, -9, -10}, {7.5f, 6.5f, -10}},
                    {0, 1, 2, 0, 2, 3, 4, 5, 1, 4, 1, 6}};
    const unsigned lShape = addMesh(l).getValue();
    // Turned 45° about z and scaled by 1.5: corners 2.12 from the centre.
    const Mat4f in45 = placement(1.5f, {0, 0, 1}, kPi / 4, {1, 2, -10});
    const Mat4f out45 = placement(1.5f, {0, 0, 1}, kPi / 4, {1, 4.5f, -10});
    const unsigned turnedInside = addMesh(unitQuad(), &in45).getValue();
    const unsigned turnedPartial = addMesh(unitQuad(), &out45).getValue();
    ASSERT_EQ(0, scene->render());

    const std::set<unsigned> window = {inside, turnedInside};
    const std::set<unsigned> crossing = {inside, partial, turnedInside, turnedPartial};
    // Either row order, the direction of x decides the mode.
    EXPECT_EQ(window, region(32, 16, 96, 80));
    EXPECT_EQ(window, region(32, 80, 96, 16));
    EXPECT_EQ(crossing, region(96, 16, 32, 80));
    EXPECT_EQ(crossing, region(96, 80, 32, 16));

    // The results carry the object's world box.
    ASSERT_EQ(1, selection->pickRegion(scene->view, 30, 40, 60, 56));
    const SelectionResult* r = selection->getResult(0);
    EXPECT_EQ(inside, r->object);
    const float expected[6] = {-4, -1, -10, -2, 1, -10};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(expected[i], (&r->boundsMin.x)[i], 1e-5f) << i;

    // Everything touches the whole image (the outside quad and the L reach
    // into it at its edges).
    EXPECT_EQ((std::set<unsigned>{inside, partial, outside, lShape, turnedInside, turnedPartial}),
              region(128, 0, 0, 96));
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

TEST_F(SelectionTest, PicksAfterSyncSurviveDestroyingAndEditingTheScene) {
    build(64, 48);
    hox::THandle<hox::Geometry> geometry, kept;
    const Mat4f left = placement(1, {0, 0, 1}, 0, {-2, 0, -5});
    const Mat4f right = placement(1, {0, 0, 1}, 0, {2, 0, -5});
    hox::THandle<hox::Object> doomed = addMesh(unitQuad(), &left, &geometry);
    const hox::THandle<hox::Object> survivor = addMesh(unitQuad(), &right, &kept);
    const unsigned doomedHandle = doomed.getValue();
    ASSERT_EQ(0, scene->render());

    // Gone from the table, and the survivor's geometry replaced by a new
    // version: the last frame still answers with what it rendered.
    scene->root.beginEdit()->removeChild(doomed);
    ASSERT_EQ(0, scene->root.endEdit());
    ASSERT_EQ(0, doomed.destroy());
    ASSERT_EQ(0, geometry.destroy());
    const Mesh moved = {{{-1, -1, 3}, {1, -1, 3}, {-1, 1, 3}, {1, 1, 3}}, {0, 1, 2, 2, 1, 3}};
    hox::Geometry* g = kept.beginEdit();
    ASSERT_EQ(0, g->init(hox::GEOMETRY_TYPE_TRIANGLES, 2, 4));
    ASSERT_EQ(0, g->setIndexArray(moved.indices.data()));
    ASSERT_EQ(0, g->setCoordArray3f(moved.coords.data()));
    ASSERT_EQ(0, kept.endEdit());

    // (-2, 0, -5) and (2, 0, -5) land on pixels (19.2, 24) and (44.8, 24).
    ASSERT_EQ(doomedHandle, pickedObject(19, 24));
    EXPECT_NEAR(-5.0f, selection->getResult(0)->position.z, 1e-4f);
    ASSERT_EQ(survivor.getValue(), pickedObject(45, 24));
    EXPECT_NEAR(-5.0f, selection->getResult(0)->position.z, 1e-4f);
    EXPECT_EQ((std::set<unsigned>{doomedHandle, survivor.getValue()}), region(0, 0, 64, 48));

    // The next frame renders the scene as it now is.
    ASSERT_EQ(0, scene->render());
    EXPECT_EQ(0u, pickedObject(19, 24));
    EXPECT_EQ(std::set<unsigned>{survivor.getValue()}, region(64, 0, 0, 48));
}

// Crossing mode must select exactly the objects one of whose triangles
// meets the rectangle, and window mode those whose every vertex lies in it.
// Both are decided here in screen space: vertices are projected and each
// triangle is tested against the rectangle by separating axes. Objects
// within a hundredth of a pixel of the decision are not compared.
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
            // Crossing: the largest separating gap over the rectangle's axes
            // and each triangle's edge normals; <= 0 means they meet.
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
    // The rectangles must have decided both ways often enough to mean
    // something.
    EXPECT_GT(compared, 3000);
    EXPECT_GT(selected, 500);
    EXPECT_LT(selected, compared - 500);
    EXPECT_GT(windowSelected, 50);
}

}  // namespace
}  // namespace hox_host_test
