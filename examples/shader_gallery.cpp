// shader_gallery: every shader of the standard library in one picture.
//
// A row of spheres (matte, plastic, metal, mirror, glass, marble, wood,
// emissive) stands on a textured matte floor under a sky, lit by a soft
// point light, a directional light and an ambient light. The program
// refines the image over progressive frames and writes it as a PNG:
//
//   shader_gallery [out.png [width height [passes]]]
//
// It uses only the public interface, so it is also a compact example of a
// host that sets up materials and lights.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "hox/camera.h"
#include "hox/device.h"
#include "hox/entity.h"
#include "hox/frame_def.h"
#include "hox/framebuffer.h"
#include "hox/geometry.h"
#include "hox/message_callback.h"
#include "hox/render_options.h"
#include "hox/render_view.h"
#include "hox/shader.h"
#include "hox/texture.h"
#include "hox/texture_descriptor.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

constexpr float kPi = 3.14159265f;

class Console : public hox::IMessageCallback {
public:
    void message(int, const char*) override {}
    void warning(const char* text) override {
        std::fprintf(stderr, "warning: %s\n", text);
        ++problems;
    }
    void error(const char* text) override {
        std::fprintf(stderr, "error: %s", text);
        ++problems;
    }
    int problems = 0;
};

// Keeps the last image of the view (RGBA bytes).
class ImageKeeper : public hox::IFramebufferCallback {
public:
    void swap(const hox::SwapInfo* info) override {
        if (info->format != hox::FRAMEBUFFER_FORMAT_RGBA8) return;
        width = info->width;
        height = info->height;
        density = info->sampleDensity;
        const auto* bytes = static_cast<const unsigned char*>(info->pixels);
        pixels.assign(bytes, bytes + static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    }
    std::vector<unsigned char> pixels;
    int width = 0;
    int height = 0;
    float density = 0.0f;
};

hox::Mat4f translation(float x, float y, float z) {
    return hox::Mat4f{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}};
}

hox::Mat4f scaledTranslation(float s, float x, float y, float z) {
    return hox::Mat4f{{s, 0, 0, 0, 0, s, 0, 0, 0, 0, s, 0, x, y, z, 1}};
}

// Row-vector convention: the camera looks down its -Z axis; this builds its
// world matrix from an eye point and a target, with +Y up.
hox::Mat4f lookAt(const hox::Vec3f& eye, const hox::Vec3f& target) {
    hox::Vec3f back = {eye.x - target.x, eye.y - target.y, eye.z - target.z};
    float length = std::sqrt(back.x * back.x + back.y * back.y + back.z * back.z);
    back = {back.x / length, back.y / length, back.z / length};
    hox::Vec3f right = {back.z, 0.0f, -back.x};  // up × back with up = +Y
    length = std::sqrt(right.x * right.x + right.z * right.z);
    right = {right.x / length, 0.0f, right.z / length};
    const hox::Vec3f up = {back.y * right.z - back.z * right.y, back.z * right.x - back.x * right.z,
                           back.x * right.y - back.y * right.x};
    return hox::Mat4f{{right.x, right.y, right.z, 0, up.x, up.y, up.z, 0, back.x, back.y, back.z, 0,
                       eye.x, eye.y, eye.z, 1}};
}

// A UV sphere of radius 1 with exact normals and a "uv" attribute.
hox::THandle<hox::Geometry> makeSphere(hox::IRenderDevice* device, int rings, int segments) {
    std::vector<hox::Vec3f> coords, normals;
    std::vector<hox::Vec2f> uvs;
    std::vector<int> indices;
    for (int r = 0; r <= rings; ++r) {
        const float theta = kPi * static_cast<float>(r) / static_cast<float>(rings);
        for (int s = 0; s <= segments; ++s) {
            const float phi = 2.0f * kPi * static_cast<float>(s) / static_cast<float>(segments);
            const hox::Vec3f n = {std::sin(theta) * std::cos(phi), std::cos(theta),
                                  std::sin(theta) * std::sin(phi)};
            coords.push_back(n);
            normals.push_back(n);
            uvs.push_back({static_cast<float>(s) / static_cast<float>(segments),
                           static_cast<float>(r) / static_cast<float>(rings)});
        }
    }
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const int a = r * (segments + 1) + s;
            const int b = a + segments + 1;
            indices.insert(indices.end(), {a, a + 1, b, a + 1, b + 1, b});
        }
    }
    hox::THandle<hox::Geometry> geometry(device);
    hox::Geometry* g = geometry.beginEdit();
    g->init(hox::GEOMETRY_TYPE_TRIANGLES, static_cast<int>(indices.size() / 3),
            static_cast<int>(coords.size()));
    g->setIndexArray(indices.data());
    g->setCoordArray3f(coords.data());
    g->setNormalArray3f(normals.data());
    g->setVertexAttribArray2f("uv", uvs.data());
    geometry.endEdit();
    return geometry;
}

// A square in the y = 0 plane, facing up, with UVs repeating `tiles` times.
hox::THandle<hox::Geometry> makeFloor(hox::IRenderDevice* device, float half, float tiles) {
    const hox::Vec3f coords[4] = {{-half, 0, -half}, {half, 0, -half}, {half, 0, half}, {-half, 0, half}};
    const hox::Vec3f normals[4] = {{0, 1, 0}, {0, 1, 0}, {0, 1, 0}, {0, 1, 0}};
    const hox::Vec2f uvs[4] = {{0, 0}, {tiles, 0}, {tiles, tiles}, {0, tiles}};
    const int indices[6] = {0, 2, 1, 0, 3, 2};
    hox::THandle<hox::Geometry> geometry(device);
    hox::Geometry* g = geometry.beginEdit();
    g->init(hox::GEOMETRY_TYPE_TRIANGLES, 2, 4);
    g->setIndexArray(indices);
    g->setCoordArray3f(coords);
    g->setNormalArray3f(normals);
    g->setVertexAttribArray2f("uv", uvs);
    geometry.endEdit();
    return geometry;
}

// An 8×8 checker of two greys, bilinear and repeating.
hox::THandle<hox::Texture> makeChecker(hox::IRenderDevice* device) {
    constexpr int kSide = 64;
    std::vector<unsigned char> texels(kSide * kSide * 4);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const bool light = ((x / 8) + (y / 8)) % 2 == 0;
            unsigned char* t = &texels[(y * kSide + x) * 4];
            t[0] = light ? 200 : 90;
            t[1] = light ? 200 : 95;
            t[2] = light ? 190 : 100;
            t[3] = 255;
        }
    }
    hox::TextureDescriptor descriptor;
    descriptor.type = hox::TEXTURE_TYPE_2D;
    descriptor.format = hox::TEXTURE_FORMAT_UINT8;
    descriptor.components = 4;
    descriptor.filter = hox::TEXTURE_FILTER_LINEAR;
    descriptor.width = kSide;
    descriptor.height = kSide;
    descriptor.data = texels.data();
    hox::THandle<hox::Texture> texture(device);
    texture.beginEdit()->create(descriptor);
    texture.endEdit();
    return texture;
}

// A shader of the standard library; `setup` sets its uniforms.
template <typename Setup>
hox::THandle<hox::Shader> makeShader(hox::IRenderDevice* device, const char* name, Setup setup) {
    hox::THandle<hox::Shader> shader(device);
    hox::Shader* s = shader.beginEdit();
    if (s->instantiate(name, "hoxstd") != 0) std::fprintf(stderr, "cannot load shader %s\n", name);
    setup(*s);
    shader.endEdit();
    return shader;
}

hox::THandle<hox::Object> makeObject(hox::IRenderDevice* device, const hox::THandle<hox::Geometry>& geometry,
                                     const hox::THandle<hox::Shader>& shader, const hox::Mat4f& transform) {
    hox::THandle<hox::Object> object(device);
    hox::Object* o = object.beginEdit();
    o->setGeometry(geometry);
    o->setShader(shader);
    o->setTransform(transform);
    object.endEdit();
    return object;
}

template <typename Setup>
hox::THandle<hox::Light> makeLight(hox::IRenderDevice* device, hox::ELightType type,
                                   const hox::THandle<hox::Shader>& shader, const hox::Mat4f& transform,
                                   Setup setup) {
    hox::THandle<hox::Light> light(device);
    hox::Light* l = light.beginEdit();
    l->setLightType(type);
    l->setShader(shader);
    l->setTransform(transform);
    setup(*l);
    light.endEdit();
    return light;
}

}  // namespace

int main(int argc, char** argv) {
    const char* output = argc > 1 ? argv[1] : "shader-gallery.png";
    const int width = argc > 3 ? std::atoi(argv[2]) : 640;
    const int height = argc > 3 ? std::atoi(argv[3]) : 300;
    const int passes = argc > 4 ? std::atoi(argv[4]) : 16;
    if (width <= 0 || height <= 0 || passes <= 0) {
        std::fprintf(stderr, "usage: shader_gallery [out.png [width height [passes]]]\n");
        return 2;
    }

    Console console;
    hox::IRenderDevice* device = nullptr;
    if (hox::Init(&console, device) != 0 || !device) return 1;
    {
        std::vector<hox::THandle<hox::Object>> objects;
        std::vector<hox::THandle<hox::Light>> lights;
        const hox::THandle<hox::Geometry> sphere = makeSphere(device, 48, 96);
        const hox::THandle<hox::Geometry> floor = makeFloor(device, 80.0f, 80.0f);
        const hox::THandle<hox::Texture> checker = makeChecker(device);

        const hox::THandle<hox::Shader> floorShader = makeShader(device, "matte", [&](hox::Shader& s) {
            s.setUniform3f("colour", {1.0f, 1.0f, 1.0f});
            s.setUniformTexture2D("colourMap", checker);
        });
        objects.push_back(makeObject(device, floor, floorShader, translation(0, 0, 0)));

        // The spheres, left to right.
        std::vector<hox::THandle<hox::Shader>> materials;
        materials.push_back(makeShader(device, "matte", [](hox::Shader& s) {
            s.setUniform3f("colour", {0.75f, 0.75f, 0.7f});
        }));
        materials.push_back(makeShader(device, "plastic", [](hox::Shader& s) {
            s.setUniform3f("colour", {0.8f, 0.15f, 0.1f});
            s.setUniform1f("roughness", 0.15f);
        }));
        materials.push_back(makeShader(device, "metal", [](hox::Shader& s) {
            s.setUniform3f("colour", {0.95f, 0.75f, 0.35f});
            s.setUniform1f("roughness", 0.25f);
        }));
        materials.push_back(makeShader(device, "mirror", [](hox::Shader& s) {
            s.setUniform3f("colour", {0.9f, 0.9f, 0.9f});
        }));
        materials.push_back(makeShader(device, "glass", [](hox::Shader& s) {
            s.setUniform3f("colour", {0.9f, 1.0f, 0.95f});
            s.setUniform1f("ior", 1.5f);
        }));
        materials.push_back(makeShader(device, "marble", [](hox::Shader& s) {
            s.setUniform1f("scale", 2.0f);
        }));
        materials.push_back(makeShader(device, "wood", [](hox::Shader& s) {
            s.setUniform1f("scale", 1.5f);
        }));
        materials.push_back(makeShader(device, "emissive", [](hox::Shader& s) {
            s.setUniform3f("colour", {1.0f, 0.6f, 0.2f});
            s.setUniform1f("intensity", 1.5f);
        }));
        const int count = static_cast<int>(materials.size());
        for (int i = 0; i < count; ++i) {
            const float x = (static_cast<float>(i) - 0.5f * static_cast<float>(count - 1)) * 2.3f;
            objects.push_back(makeObject(device, sphere, materials[i], scaledTranslation(1.0f, x, 1.0f, 0.0f)));
        }

        // Lights: a soft key light, a low directional fill, a little ambient.
        const hox::THandle<hox::Shader> keyShader = makeShader(device, "pointlight", [](hox::Shader& s) {
            s.setUniform1f("intensity", 90.0f);
        });
        lights.push_back(makeLight(device, hox::LIGHT_TYPE_POINT, keyShader, translation(-4.0f, 8.0f, 6.0f),
                                   [](hox::Light& l) { l.setParameter1f(hox::LIGHT_PARAMETER_RADIUS, 1.0f); }));
        const hox::THandle<hox::Shader> fillShader = makeShader(device, "distantlight", [](hox::Shader& s) {
            s.setUniform3f("colour", {0.6f, 0.65f, 0.8f});
            s.setUniform1f("intensity", 0.6f);
        });
        // Pointing down and away from the camera: the light's -Z axis.
        const hox::Mat4f fillFrame = lookAt({0.0f, 0.0f, 0.0f}, {0.4f, -0.8f, -0.45f});
        lights.push_back(makeLight(device, hox::LIGHT_TYPE_DIRECTIONAL, fillShader, fillFrame, [](hox::Light& l) {
            l.setParameter1f(hox::LIGHT_PARAMETER_ANGULAR_SIZE, 0.05f);
        }));
        const hox::THandle<hox::Shader> ambientShader = makeShader(device, "ambientlight", [](hox::Shader& s) {
            s.setUniform1f("intensity", 0.08f);
        });
        lights.push_back(makeLight(device, hox::LIGHT_TYPE_AMBIENT, ambientShader, translation(0, 0, 0),
                                   [](hox::Light&) {}));

        hox::THandle<hox::Group> root(device);
        hox::Group* r = root.beginEdit();
        for (const auto& object : objects) r->addChild(object);
        for (const auto& light : lights) r->addChild(light);
        root.endEdit();

        const hox::THandle<hox::Shader> sky = makeShader(device, "sky", [](hox::Shader&) {});

        hox::THandle<hox::Camera> camera(device);
        hox::Camera* c = camera.beginEdit();
        c->initPerspective(58.0f);
        c->setResolution(width, height);
        c->setAspectRatio(static_cast<float>(width) / static_cast<float>(height));
        c->setTransform(lookAt({0.0f, 3.5f, 17.5f}, {0.0f, 1.0f, 0.0f}));
        camera.endEdit();

        hox::THandle<hox::RenderOptions> options(device);
        hox::RenderOptions* o = options.beginEdit();
        o->setOption1i(hox::OPTION_TRACE_DEPTH, 8);
        o->setOption1i(hox::OPTION_SAMPLING_RATE, 0);
        o->setOption1i(hox::OPTION_MAX_PROGRESSIVE_SAMPLING_RATE, 4);
        options.endEdit();

        ImageKeeper image;
        hox::THandle<hox::Framebuffer> framebuffer(device);
        hox::Framebuffer* fb = framebuffer.beginEdit();
        fb->setFormat(hox::FRAMEBUFFER_FORMAT_RGBA8);
        fb->setSwapCallback(&image);
        framebuffer.endEdit();

        hox::THandle<hox::RenderView> view(device);
        hox::RenderView* v = view.beginEdit();
        v->setSceneRoot(root);
        v->setCamera(camera);
        v->setFramebuffer(framebuffer);
        v->setEnvironmentShader(sky);
        v->setRenderOptions(options);
        view.endEdit();

        hox::THandle<hox::FrameDef> frameDef(device);
        frameDef.beginEdit()->addRenderView(view);
        frameDef.endEdit();

        // Each unchanged frame adds one pass of samples to the image.
        for (int pass = 0; pass < passes; ++pass) {
            if (device->frame(frameDef, false) != 0 || device->sync(60000, true) != 0) {
                std::fprintf(stderr, "shader_gallery: frame %d failed\n", pass);
                break;
            }
        }
        if (image.pixels.empty()) {
            std::fprintf(stderr, "shader_gallery: no image was delivered\n");
            hox::Shutdown(device);
            return 1;
        }
        if (!stbi_write_png(output, image.width, image.height, 4, image.pixels.data(), image.width * 4)) {
            std::fprintf(stderr, "shader_gallery: cannot write %s\n", output);
            hox::Shutdown(device);
            return 1;
        }
        std::printf("shader_gallery: %s, %dx%d, %.0f samples per pixel\n", output, image.width, image.height,
                    static_cast<double>(image.density));
    }
    hox::Shutdown(device);
    return console.problems == 0 ? 0 : 1;
}
