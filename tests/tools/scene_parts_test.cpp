// The parts the tool builds scenes from: procedural meshes, material mapping,
// colour encoding, image decoding, camera framing, image file names and the
// console-variable registry. Expected values are worked out independently.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <stb_image_write.h>

#include "camera_setup.h"
#include "colour_space.h"
#include "cvar_registry.h"
#include "image_decode.h"
#include "image_output.h"
#include "materials.h"
#include "procedural_meshes.h"
#include "vec_math.h"

namespace hox_render {
namespace {

// Every index in range, and every triangle's geometric normal (by its
// winding) on the side its vertex normals point to.
void expectWellFormed(const MeshData& mesh) {
    ASSERT_EQ(mesh.positions.size(), mesh.normals.size());
    ASSERT_EQ(mesh.positions.size(), mesh.uvs.size());
    ASSERT_EQ(0u, mesh.indices.size() % 3);
    for (int index : mesh.indices) ASSERT_TRUE(index >= 0 && index < mesh.vertexCount());
    for (size_t t = 0; t < mesh.indices.size(); t += 3) {
        const hox::Vec3f& a = mesh.positions[mesh.indices[t]];
        const hox::Vec3f face = cross(mesh.positions[mesh.indices[t + 1]] - a, mesh.positions[mesh.indices[t + 2]] - a);
        ASSERT_GT(length(face), 1e-6f) << "triangle " << t / 3 << " has no area";
        const hox::Vec3f n = mesh.normals[mesh.indices[t]] + mesh.normals[mesh.indices[t + 1]] +
                             mesh.normals[mesh.indices[t + 2]];
        ASSERT_GT(dot(face, n), 0.0f) << "triangle " << t / 3;
    }
}

TEST(ProceduralMeshes, SphereTorusAndPlaneHaveTheirShapeAndFaceOutwards) {
    const MeshData sphere = makeSphere(2.0f, 16, 8);
    EXPECT_EQ(17 * 9, sphere.vertexCount());
    EXPECT_EQ(16 * 8 * 2 - 2 * 16, sphere.triangleCount());  // one triangle per cell at the poles
    for (int v = 0; v < sphere.vertexCount(); ++v) {
        EXPECT_NEAR(2.0f, length(sphere.positions[v]), 1e-5f);
        EXPECT_NEAR(1.0f, dot(sphere.normals[v], sphere.positions[v] * 0.5f), 1e-5f);
    }
    expectWellFormed(sphere);

    const MeshData torus = makeTorus(3.0f, 0.5f, 24, 12);
    for (int v = 0; v < torus.vertexCount(); ++v) {
        // Distance from the tube's centre circle of radius 3 in the XZ plane.
        const hox::Vec3f p = torus.positions[v];
        const float ring = std::hypot(p.x, p.z) - 3.0f;
        EXPECT_NEAR(0.5f, std::hypot(ring, p.y), 1e-5f);
    }
    expectWellFormed(torus);

    const MeshData plane = makePlane(4.0f, 2.0f, 3.0f);
    EXPECT_FLOAT_EQ(2.0f, plane.positions[3].x);
    EXPECT_FLOAT_EQ(1.0f, plane.positions[3].z);
    EXPECT_FLOAT_EQ(3.0f, plane.uvs[3].y);
    expectWellFormed(plane);
}

TEST(Materials, EachMaterialGetsTheShaderThatRendersIt) {
    EXPECT_EQ(SurfaceKind::kMatte, chooseSurface(MaterialDesc()));
    EXPECT_FLOAT_EQ(0.5f, effectiveRoughness(MaterialDesc()));  // unknown roughness
    MaterialDesc shiny;
    shiny.specular = {0.5f, 0.5f, 0.5f};
    shiny.shininess = 98.0f;
    EXPECT_EQ(SurfaceKind::kPlastic, chooseSurface(shiny));
    EXPECT_NEAR(std::sqrt(0.02f), effectiveRoughness(shiny), 1e-6f);  // sqrt(2 / (98 + 2))
    MaterialDesc metal;
    metal.metallic = 1.0f;
    metal.roughness = 0.3f;
    EXPECT_EQ(SurfaceKind::kMetal, chooseSurface(metal));
    EXPECT_FLOAT_EQ(0.3f, effectiveRoughness(metal));
    MaterialDesc clear = metal;
    clear.opacity = 0.4f;
    EXPECT_EQ(SurfaceKind::kGlass, chooseSurface(clear));
    MaterialDesc glowing = clear;
    glowing.emissive = {2.0f, 1.0f, 0.0f};
    EXPECT_EQ(SurfaceKind::kEmissive, chooseSurface(glowing));
    glowing.emissive = {0.005f, 0.0f, 0.0f};  // too faint to be meant as light
    EXPECT_EQ(SurfaceKind::kGlass, chooseSurface(glowing));
}

TEST(ColourSpace, LinearValuesEncodeToSrgbCodes) {
    EXPECT_EQ(0, encodeSrgb8(0.0f));
    EXPECT_EQ(0, encodeSrgb8(-1.0f));
    EXPECT_EQ(0, encodeSrgb8(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_EQ(255, encodeSrgb8(1.0f));
    EXPECT_EQ(255, encodeSrgb8(7.0f));
    EXPECT_EQ(188, encodeSrgb8(0.5f));   // 1.055 * 0.5^(1/2.4) - 0.055 = 0.7354
    EXPECT_EQ(10, encodeSrgb8(0.003f));  // the linear segment: 0.003 * 12.92 * 255 = 9.9
    EXPECT_NEAR(0.5f, srgbToLinear(linearToSrgb(0.5f)), 1e-6f);
}

void appendBytes(void* context, void* data, int size) {
    auto* bytes = static_cast<std::vector<unsigned char>*>(context);
    bytes->insert(bytes->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
}

TEST(ImageDecode, EightBitImagesBecomeLinearAndBrokenOnesAreRefused) {
    // Two RGBA pixels: sRGB 188 is linear 0.5 (to 8-bit precision); alpha 51 stays 0.2.
    const unsigned char texels[8] = {188, 0, 255, 51, 10, 20, 30, 255};
    std::vector<unsigned char> png;
    ASSERT_NE(0, stbi_write_png_to_func(appendBytes, &png, 2, 1, 4, texels, 8));
    ImageData image;
    std::string error;
    ASSERT_TRUE(decodeImageMemory(png.data(), png.size(), image, error)) << error;
    ASSERT_EQ(2, image.width);
    ASSERT_EQ(1, image.height);
    EXPECT_NEAR(0.5f, image.pixel(0, 0)[0], 0.003f);
    EXPECT_FLOAT_EQ(0.0f, image.pixel(0, 0)[1]);
    EXPECT_FLOAT_EQ(1.0f, image.pixel(0, 0)[2]);
    EXPECT_FLOAT_EQ(0.2f, image.pixel(0, 0)[3]);
    EXPECT_NEAR(10.0f / 255.0f / 12.92f, image.pixel(1, 0)[0], 1e-6f);  // the linear segment

    EXPECT_FALSE(decodeImageMemory(png.data(), 30, image, error));  // cut inside the header
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(decodeImageMemory(nullptr, 0, image, error));
    EXPECT_FALSE(decodeImageFile("/nonexistent/texture.png", image, error));
    EXPECT_NE(std::string::npos, error.find("/nonexistent/texture.png"));
}

TEST(CameraSetup, FramingShowsEveryCornerAndTheMatrixLooksAtTheTarget) {
    Bounds bounds;
    bounds.add({-3.0f, 0.0f, -1.0f});
    bounds.add({5.0f, 2.0f, 1.0f});
    const float aspect = 2.0f, fov = 50.0f;
    const CameraPose pose = frameBounds(bounds, fov, aspect);
    const hox::Mat4f m = cameraMatrix(pose);
    const hox::Vec3f x = {m.m[0], m.m[1], m.m[2]}, y = {m.m[4], m.m[5], m.m[6]}, z = {m.m[8], m.m[9], m.m[10]};
    EXPECT_NEAR(-1.0f, dot(z, normalize(pose.target - pose.eye)), 1e-5f);  // looks along -Z
    EXPECT_NEAR(0.0f, dot(x, y), 1e-5f);
    EXPECT_GT(y.y, 0.0f);  // upright
    const float tanHalfWidth = std::tan(fov * 0.5f * 3.14159265f / 180.0f);
    for (int corner = 0; corner < 8; ++corner) {
        const hox::Vec3f p = {(corner & 1) ? 5.0f : -3.0f, (corner & 2) ? 2.0f : 0.0f, (corner & 4) ? 1.0f : -1.0f};
        const hox::Vec3f d = p - pose.eye;
        const float depth = -dot(d, z);
        ASSERT_GT(depth, 0.0f);
        EXPECT_LE(std::fabs(dot(d, x)) / depth, tanHalfWidth) << "corner " << corner;
        EXPECT_LE(std::fabs(dot(d, y)) / depth, tanHalfWidth / aspect) << "corner " << corner;
    }
}

// The three formats are written by the program tests; here the names that are none.
TEST(ImageOutput, FormatFollowsTheExtensionOnlyAndAnEmptyImageIsNotWritten) {
    EXPECT_EQ(ImageFormat::kPng, imageFormatOf("a.PNG"));
    for (const char* name : {"d.jpg", "out.png/e", "noextension"})
        EXPECT_EQ(ImageFormat::kUnknown, imageFormatOf(name)) << name;
    std::string error;
    EXPECT_FALSE(writeImage("x.png", ImageData(), error));
}

// The messages of refused names and values are checked through the program.
TEST(CVarRegistry, SetsLibraryVariablesByNameAndARefusedValueChangesNothing) {
    CVarRegistry& registry = CVarRegistry::instance();
    hox::util::CVar* debugShade = registry.find("rt_debugShade");
    ASSERT_NE(nullptr, debugShade);
    std::string error;
    ASSERT_TRUE(registry.set("rt_debugShade", "2", error)) << error;
    EXPECT_STREQ("2", debugShade->getValueString());
    EXPECT_FALSE(registry.set("rt_debugShade", "lots", error));
    EXPECT_STREQ("2", debugShade->getValueString());
    ASSERT_TRUE(registry.set("rt_debugShade", "0", error));
    // Defined by three modules of the library, listed once.
    int copies = 0;
    for (hox::util::CVar* cvar : registry.all()) copies += std::string(cvar->getName()) == "rt_bvhDebugLevel";
    EXPECT_EQ(1, copies);
}

}  // namespace
}  // namespace hox_render
