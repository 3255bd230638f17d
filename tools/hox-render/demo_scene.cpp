#include "demo_scene.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "image_decode.h"
#include "light_rig.h"
#include "model_loader.h"
#include "procedural_meshes.h"

namespace hox_render {

namespace {

// Rows of a row-vector matrix are the images of the local axes.
hox::Mat4f axesAt(const hox::Vec3f& x, const hox::Vec3f& y, const hox::Vec3f& z, const hox::Vec3f& t) {
    return {{x.x, x.y, x.z, 0, y.x, y.y, y.z, 0, z.x, z.y, z.z, 0, t.x, t.y, t.z, 1}};
}

struct SampleModel {
    const char* file;          // under the model directory
    hox::Vec3f spot;           // where its base centre stands on the floor
    float size;                // its longest side, in metres
};

// Small enough to load in a blink; a textured one among them.
constexpr SampleModel kSampleModels[] = {
    {"Collada/duck.dae", {-2.8f, 0.0f, 1.1f}, 1.1f},
    {"PLY/Wuson.ply", {3.2f, 0.0f, 0.3f}, 1.3f},
    {"OBJ/spider.obj", {2.4f, 0.0f, 2.4f}, 1.0f},
};

class DemoBuilder {
public:
    DemoBuilder(SceneBuilder& builder, SceneContent& content) : m_b(builder), m_content(content) {}

    void room() {
        const float floorColours[2][3] = {{0.62f, 0.6f, 0.56f}, {0.12f, 0.12f, 0.13f}};
        const ImageData checker = makeChecker(256, 2, floorColours[0], floorColours[1]);
        hox::THandle<hox::Texture> checkerTexture = m_b.createTexture(checker);
        hox::THandle<hox::Shader> floor = m_b.shaders().create("matte");
        UniformWriter(floor).set("colour", hox::Vec3f{1, 1, 1}).setTexture2D("colourMap", checkerTexture);
        // 14 m across, 7 texture tiles of 2 x 2 cells: one cell per metre.
        add(shape(makePlane(14.0f, 14.0f, 7.0f)), floor, identityMatrix(), "floor");

        hox::THandle<hox::Shader> wall = m_b.shaders().create("matte");
        UniformWriter(wall).set("colour", hox::Vec3f{0.75f, 0.72f, 0.68f});
        const Shape panel = shape(makePlane(14.0f, 6.0f, 1.0f));
        // The back wall faces +Z, the left wall +X; the room is open to the
        // right, the front and the sky.
        add(panel, wall, axesAt({1, 0, 0}, {0, 0, 1}, {0, -1, 0}, {0, 3, -4.5f}), "back wall");
        hox::THandle<hox::Shader> sideWall = m_b.shaders().create("matte");
        UniformWriter(sideWall).set("colour", hox::Vec3f{0.45f, 0.55f, 0.7f});
        add(panel, sideWall, axesAt({0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {-5.5f, 3, 0}), "side wall");
    }

    void spheresAndTorus() {
        const Shape sphere = shape(makeSphere(1.0f, 64, 32));
        hox::THandle<hox::Shader> glass = m_b.shaders().create("glass");
        UniformWriter(glass).set("colour", hox::Vec3f{0.95f, 0.98f, 1.0f}).set("ior", 1.5f).set("roughness", 0.0f);
        add(sphere, glass, scaleTranslateMatrix(0.6f, {-1.1f, 0.6f, 1.0f}), "glass sphere");

        hox::THandle<hox::Shader> gold = m_b.shaders().create("metal");
        UniformWriter(gold).set("colour", hox::Vec3f{1.0f, 0.71f, 0.29f}).set("roughness", 0.2f);
        add(sphere, gold, scaleTranslateMatrix(0.6f, {0.4f, 0.6f, -0.4f}), "gold sphere");

        hox::THandle<hox::Shader> mirror = m_b.shaders().create("mirror");
        UniformWriter(mirror).set("colour", hox::Vec3f{0.9f, 0.9f, 0.92f});
        add(sphere, mirror, scaleTranslateMatrix(0.85f, {2.3f, 0.85f, -1.9f}), "mirror sphere");

        hox::THandle<hox::Shader> plastic = m_b.shaders().create("plastic");
        UniformWriter(plastic)
            .set("colour", hox::Vec3f{0.7f, 0.06f, 0.05f})
            .set("specularColour", hox::Vec3f{1, 1, 1})
            .set("specular", 0.6f)
            .set("roughness", 0.25f)
            .set("reflection", 0.1f);
        add(sphere, plastic, scaleTranslateMatrix(0.45f, {1.5f, 0.45f, 1.3f}), "plastic sphere");

        hox::THandle<hox::Shader> marble = m_b.shaders().create("marble");
        UniformWriter(marble)
            .set("colour", hox::Vec3f{0.85f, 0.84f, 0.8f})
            .set("veinColour", hox::Vec3f{0.12f, 0.14f, 0.2f})
            .set("scale", 1.2f)
            .set("octaves", 4);
        add(sphere, marble, scaleTranslateMatrix(0.55f, {-2.6f, 0.55f, -1.6f}), "marble sphere");

        hox::THandle<hox::Shader> bead = m_b.shaders().create("emissive");
        UniformWriter(bead).set("colour", hox::Vec3f{1.0f, 0.45f, 0.12f}).set("intensity", 2.0f);
        add(sphere, bead, scaleTranslateMatrix(0.18f, {0.5f, 0.18f, 2.3f}), "glowing bead");

        // A wooden ring lying on the floor, its tube resting on it.
        hox::THandle<hox::Shader> wood = m_b.shaders().create("wood");
        UniformWriter(wood)
            .set("lightColour", hox::Vec3f{0.62f, 0.4f, 0.2f})
            .set("darkColour", hox::Vec3f{0.3f, 0.16f, 0.07f})
            .set("scale", 1.0f)
            .set("rings", 28.0f);
        add(shape(makeTorus(0.55f, 0.16f, 96, 32)), wood, translationMatrix({-0.5f, 0.16f, 2.4f}), "wooden torus");
    }

    void sampleModels(const std::string& directory) {
        int loaded = 0, missing = 0;
        for (const SampleModel& sample : kSampleModels) {
            const std::string path = directory + "/" + sample.file;
            LoadedModel model;
            std::string error;
            std::FILE* probe = std::fopen(path.c_str(), "rb");
            if (!probe) {
                ++missing;
                continue;
            }
            std::fclose(probe);
            if (!loadModel(m_b, path, /*importLights=*/false, model, error) || model.bounds.empty()) {
                std::fprintf(stderr, "hox-render: warning: %s\n", error.c_str());
                continue;
            }
            // Base centre to the spot, longest side to the wanted size.
            const hox::Vec3f extent = model.bounds.extent();
            const float scale = sample.size / std::max({extent.x, extent.y, extent.z, 1e-6f});
            const hox::Vec3f base = {model.bounds.centre().x, model.bounds.min.y, model.bounds.centre().z};
            if (hox::Group* g = model.root.beginEdit()) {
                g->setTransform(scaleTranslateMatrix(scale, sample.spot - base * scale));
                model.root.endEdit();
            }
            m_b.addChild(m_content.root, model.root);
            Bounds placed;
            placed.add(sample.spot - hox::Vec3f{extent.x, 0, extent.z} * (0.5f * scale));
            placed.add(sample.spot + hox::Vec3f{extent.x, 2 * extent.y, extent.z} * (0.5f * scale));
            m_content.bounds.merge(placed);
            ++loaded;
        }
        if (missing)
            std::fprintf(stderr, "hox-render: note: %d sample model(s) not found under %s (Debian package "
                                 "assimp-testmodels); the demo goes on without them\n",
                         missing, directory.c_str());
        m_models = loaded;
    }

    int models() const { return m_models; }

private:
    // A mesh made here, uploaded once; objects sharing it share the geometry.
    struct Shape {
        MeshData mesh;
        hox::THandle<hox::Geometry> geometry;
    };
    Shape shape(MeshData mesh) {
        Shape s;
        s.geometry = m_b.createGeometry(mesh);
        s.mesh = std::move(mesh);
        return s;
    }

    void add(const Shape& s, const hox::THandle<hox::Shader>& shader, const hox::Mat4f& transform,
             const char* name) {
        m_b.addObject(m_content.root, s.geometry, shader, transform, name);
        for (const hox::Vec3f& p : s.mesh.positions) m_content.bounds.add(transformPoint(p, transform));
    }

    SceneBuilder& m_b;
    SceneContent& m_content;
    int m_models = 0;
};

}  // namespace

SceneContent buildDemoScene(SceneBuilder& builder, const std::string& modelDirectory) {
    SceneContent content;
    content.root = builder.createGroup(identityMatrix());
    DemoBuilder demo(builder, content);
    demo.room();
    demo.spheresAndTorus();
    demo.sampleModels(modelDirectory);
    addDefaultLights(builder, content.root, content.bounds);
    content.environment = createSky(builder.shaders(), defaultSunDirection());

    content.hasCamera = true;
    content.camera.eye = {0.6f, 2.4f, 8.0f};
    content.camera.target = {0.0f, 0.7f, 0.0f};
    content.camera.up = {0, 1, 0};
    content.camera.fovDegrees = 55.0f;
    content.summary = "built-in demo scene with " + std::to_string(demo.models()) + " sample model(s)";
    return content;
}

}  // namespace hox_render
