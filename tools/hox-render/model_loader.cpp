#include "model_loader.h"

#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <utility>
#include <vector>

#include "image_decode.h"
#include "platform/child_process.h"
#include "materials.h"
#include "mesh_data.h"

namespace hox_render {

namespace {

// Deeper node chains than this are cut off: no real file nests so deep,
// and a hostile one must not exhaust the stack or the handle table.
constexpr int kMaxNodeDepth = 256;
constexpr float kRadiansToDegrees = 180.0f / 3.14159265358979f;

// assimp's matrices act on column vectors (translation in a4, b4, c4); ours
// on row vectors, so ours is the transpose.
hox::Mat4f toMatrix(const aiMatrix4x4& a) {
    return {{a.a1, a.b1, a.c1, a.d1, a.a2, a.b2, a.c2, a.d2, a.a3, a.b3, a.c3, a.d3, a.a4, a.b4, a.c4, a.d4}};
}

hox::Vec3f toVec3(const aiVector3D& v) { return {v.x, v.y, v.z}; }
hox::Vec3f toVec3(const aiColor3D& c) { return {c.r, c.g, c.b}; }

// The node's transform combined with those of every node above it.
hox::Mat4f worldMatrix(const aiNode* node) {
    hox::Mat4f world = identityMatrix();
    for (int depth = 0; node && depth < kMaxNodeDepth; node = node->mParent, ++depth)
        world = multiply(world, toMatrix(node->mTransformation));
    return world;
}

bool finite(const hox::Vec3f& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

class Importer {
public:
    // `readFiles` false: texture images outside the file are left out
    // (`directory` means nothing then).
    Importer(SceneBuilder& builder, const aiScene& scene, const std::string& directory, bool readFiles,
             LoadedModel& model)
        : m_builder(builder), m_scene(scene), m_directory(directory), m_readFiles(readFiles), m_model(model) {}

    void run(bool importLights) {
        m_geometries.resize(m_scene.mNumMeshes);
        m_meshBounds.resize(m_scene.mNumMeshes);
        m_converted.assign(m_scene.mNumMeshes, false);
        m_model.root = m_builder.createGroup(identityMatrix());
        walkNodes();
        if (importLights) addLights();
        findCamera();
    }

private:
    struct PendingNode {
        const aiNode* node;
        hox::THandle<hox::Group> parent;
        hox::Mat4f parentWorld;
        int depth;
    };

    // Depth first with an explicit stack, so the nesting of the file does
    // not decide how deep this program's own stack goes.
    void walkNodes() {
        std::vector<PendingNode> stack;
        stack.push_back({m_scene.mRootNode, m_model.root, identityMatrix(), 0});
        bool reportedDepth = false;
        while (!stack.empty()) {
            PendingNode pending = stack.back();
            stack.pop_back();
            const aiNode* node = pending.node;
            if (pending.depth >= kMaxNodeDepth) {
                if (!reportedDepth)
                    std::fprintf(stderr, "hox-render: warning: nodes nested deeper than %d are left out\n",
                                 kMaxNodeDepth);
                reportedDepth = true;
                continue;
            }
            const hox::Mat4f local = toMatrix(node->mTransformation);
            const hox::Mat4f world = multiply(local, pending.parentWorld);
            hox::THandle<hox::Group> group = m_builder.createGroup(local);
            m_builder.addChild(pending.parent, group);
            m_nodeGroups[node] = group;
            for (unsigned i = 0; i < node->mNumMeshes; ++i)
                addMeshObject(node->mMeshes[i], group, world, node->mName.C_Str());
            for (unsigned i = node->mNumChildren; i-- > 0;)
                if (node->mChildren[i]) stack.push_back({node->mChildren[i], group, world, pending.depth + 1});
        }
    }

    // The object is named after its mesh, or its node when the mesh has no
    // name, so that a viewer can say what was picked.
    void addMeshObject(unsigned meshIndex, hox::THandle<hox::Group>& group, const hox::Mat4f& world,
                       const char* nodeName) {
        if (meshIndex >= m_scene.mNumMeshes) return;
        if (!m_converted[meshIndex]) {
            m_converted[meshIndex] = true;
            convertMesh(meshIndex);
        }
        const hox::THandle<hox::Geometry>& geometry = m_geometries[meshIndex];
        if (geometry.isNull()) return;
        const aiMesh& mesh = *m_scene.mMeshes[meshIndex];
        const std::string name = mesh.mName.length ? mesh.mName.C_Str() : nodeName;
        hox::THandle<hox::Object> object =
            m_builder.addObject(group, geometry, surfaceShader(mesh.mMaterialIndex), identityMatrix(), name);
        if (object.isNull()) return;
        ++m_model.objects;
        m_model.triangles += static_cast<int>(mesh.mNumFaces);
        const Bounds& local = m_meshBounds[meshIndex];
        for (int corner = 0; corner < 8; ++corner) {
            const hox::Vec3f p = {(corner & 1) ? local.max.x : local.min.x, (corner & 2) ? local.max.y : local.min.y,
                                  (corner & 4) ? local.max.z : local.min.z};
            m_model.bounds.add(transformPoint(p, world));
        }
    }

    void convertMesh(unsigned meshIndex) {
        const aiMesh& source = *m_scene.mMeshes[meshIndex];
        if (!(source.mPrimitiveTypes & aiPrimitiveType_TRIANGLE) || source.mNumVertices < 3) return;
        MeshData mesh;
        mesh.positions.reserve(source.mNumVertices);
        Bounds& bounds = m_meshBounds[meshIndex];
        for (unsigned v = 0; v < source.mNumVertices; ++v) {
            const hox::Vec3f p = toVec3(source.mVertices[v]);
            if (!finite(p)) return;  // a mesh with broken coordinates cannot be bounded
            mesh.positions.push_back(p);
            bounds.add(p);
        }
        if (source.mNormals) {
            mesh.normals.reserve(source.mNumVertices);
            for (unsigned v = 0; v < source.mNumVertices; ++v) mesh.normals.push_back(toVec3(source.mNormals[v]));
        }
        if (source.mTextureCoords[0]) {
            mesh.uvs.reserve(source.mNumVertices);
            for (unsigned v = 0; v < source.mNumVertices; ++v)
                mesh.uvs.push_back({source.mTextureCoords[0][v].x, source.mTextureCoords[0][v].y});
        }
        mesh.indices.reserve(3 * static_cast<size_t>(source.mNumFaces));
        for (unsigned f = 0; f < source.mNumFaces; ++f) {
            const aiFace& face = source.mFaces[f];
            if (face.mNumIndices != 3) continue;  // points and lines were sorted out; be safe anyway
            bool inRange = true;
            for (int k = 0; k < 3; ++k) inRange = inRange && face.mIndices[k] < source.mNumVertices;
            if (!inRange) continue;
            for (int k = 0; k < 3; ++k) mesh.indices.push_back(static_cast<int>(face.mIndices[k]));
        }
        if (mesh.indices.empty()) return;
        m_geometries[meshIndex] = m_builder.createGeometry(mesh);
    }

    hox::THandle<hox::Shader> surfaceShader(unsigned materialIndex) {
        auto found = m_materials.find(materialIndex);
        if (found != m_materials.end()) return found->second;
        MaterialDesc desc;
        if (materialIndex < m_scene.mNumMaterials) describeMaterial(*m_scene.mMaterials[materialIndex], desc);
        hox::THandle<hox::Shader> shader = createSurfaceShader(m_builder.shaders(), desc);
        m_materials[materialIndex] = shader;
        return shader;
    }

    void describeMaterial(const aiMaterial& material, MaterialDesc& desc) {
        aiColor3D colour;
        if (material.Get(AI_MATKEY_BASE_COLOR, colour) == AI_SUCCESS ||
            material.Get(AI_MATKEY_COLOR_DIFFUSE, colour) == AI_SUCCESS)
            desc.diffuse = toVec3(colour);
        if (material.Get(AI_MATKEY_COLOR_SPECULAR, colour) == AI_SUCCESS) desc.specular = toVec3(colour);
        float strength = 1.0f;
        if (material.Get(AI_MATKEY_SHININESS_STRENGTH, strength) == AI_SUCCESS && strength >= 0.0f)
            desc.specular = desc.specular * strength;
        material.Get(AI_MATKEY_SHININESS, desc.shininess);
        material.Get(AI_MATKEY_ROUGHNESS_FACTOR, desc.roughness);
        material.Get(AI_MATKEY_METALLIC_FACTOR, desc.metallic);
        material.Get(AI_MATKEY_OPACITY, desc.opacity);
        material.Get(AI_MATKEY_TRANSMISSION_FACTOR, desc.transmission);
        material.Get(AI_MATKEY_REFRACTI, desc.ior);
        if (material.Get(AI_MATKEY_COLOR_EMISSIVE, colour) == AI_SUCCESS) {
            float intensity = 1.0f;
            material.Get(AI_MATKEY_EMISSIVE_INTENSITY, intensity);
            desc.emissive = toVec3(colour) * intensity;
        }
        if (!(desc.opacity >= 0.0f && desc.opacity <= 1.0f)) desc.opacity = 1.0f;
        aiString texturePath;
        if (material.GetTexture(aiTextureType_BASE_COLOR, 0, &texturePath) == AI_SUCCESS ||
            material.GetTexture(aiTextureType_DIFFUSE, 0, &texturePath) == AI_SUCCESS) {
            desc.diffuseMap = texture(texturePath.C_Str());
            // A texture replaces the colour rather than tinting it, as most
            // exporters mean it.
            if (!desc.diffuseMap.isNull()) desc.diffuse = {1, 1, 1};
        }
    }

    hox::THandle<hox::Texture> texture(const std::string& reference) {
        auto found = m_textures.find(reference);
        if (found != m_textures.end()) return found->second;
        ImageData image;
        std::string error;
        bool ok;
        if (const aiTexture* embedded = m_scene.GetEmbeddedTexture(reference.c_str())) {
            ok = decodeEmbedded(*embedded, image, error);
        } else if (!m_readFiles) {
            ok = false;
            error = "a scene read from memory has no folder to look in";
        } else {
            std::string path = reference;
            for (char& c : path)
                if (c == '\\') c = '/';
            if (!path.empty() && path[0] != '/') path = m_directory + path;
            ok = decodeImageFile(path, image, error);
        }
        hox::THandle<hox::Texture> handle;
        if (ok) handle = m_builder.createTexture(image);
        if (!ok || handle.isNull())
            std::fprintf(stderr, "hox-render: warning: texture '%s' left out: %s\n", reference.c_str(),
                         ok ? "the renderer refused it" : error.c_str());
        m_textures[reference] = handle;
        return handle;
    }

    static bool decodeEmbedded(const aiTexture& texture, ImageData& image, std::string& error) {
        if (!texture.pcData) {
            error = "no data";
            return false;
        }
        // A height of 0 marks a compressed file (PNG, JPEG, …) of mWidth bytes.
        if (texture.mHeight == 0)
            return decodeImageMemory(reinterpret_cast<const unsigned char*>(texture.pcData), texture.mWidth, image,
                                     error);
        ImageData raw;
        raw.width = static_cast<int>(texture.mWidth);
        raw.height = static_cast<int>(texture.mHeight);
        raw.rgba.resize(4 * static_cast<size_t>(raw.width) * raw.height);
        const size_t count = static_cast<size_t>(raw.width) * raw.height;
        for (size_t i = 0; i < count; ++i) {
            const aiTexel& t = texture.pcData[i];
            const unsigned char rgba[4] = {t.r, t.g, t.b, t.a};
            for (int c = 0; c < 4; ++c) {
                const float value = static_cast<float>(rgba[c]) / 255.0f;
                raw.rgba[4 * i + c] = c == 3 ? value : std::pow(value, 2.2f);
            }
        }
        image = std::move(raw);
        return true;
    }

    void addLights() {
        for (unsigned i = 0; i < m_scene.mNumLights; ++i) {
            const aiLight& source = *m_scene.mLights[i];
            auto node = m_nodeGroups.find(m_scene.mRootNode->FindNode(source.mName));
            hox::THandle<hox::Group> parent = node != m_nodeGroups.end() ? node->second : m_model.root;
            LightDesc light;
            const hox::Vec3f colour = toVec3(source.mColorDiffuse);
            const float peak = maxComponent(colour);
            if (!(peak > 0.0f) || !std::isfinite(peak)) continue;
            light.colour = colour * (1.0f / peak);
            light.intensity = peak;
            light.position = toVec3(source.mPosition);
            light.direction = toVec3(source.mDirection);
            light.falloff = source.mAttenuationQuadratic > 0.0f ? 2 : source.mAttenuationLinear > 0.0f ? 1 : 0;
            switch (source.mType) {
                case aiLightSource_DIRECTIONAL: light.kind = LightDesc::kDistant; break;
                case aiLightSource_AMBIENT: light.kind = LightDesc::kAmbient; break;
                case aiLightSource_SPOT:
                    // assimp gives full cone angles; the shader wants half-angles.
                    light.kind = LightDesc::kSpot;
                    light.coneAngle = 0.5f * source.mAngleInnerCone;
                    light.penumbra = std::fmax(0.0f, 0.5f * (source.mAngleOuterCone - source.mAngleInnerCone));
                    break;
                case aiLightSource_AREA:
                    light.radius = 0.5f * std::fmax(source.mSize.x, source.mSize.y);
                    break;
                default: break;
            }
            if (!m_builder.addLight(parent, light).isNull()) ++m_model.lights;
        }
    }

    void findCamera() {
        if (m_scene.mNumCameras == 0) return;
        const aiCamera& camera = *m_scene.mCameras[0];
        const hox::Mat4f world = worldMatrix(m_scene.mRootNode->FindNode(camera.mName));
        CameraPose pose;
        pose.eye = transformPoint(toVec3(camera.mPosition), world);
        pose.target = pose.eye + transformDirection(toVec3(camera.mLookAt), world);
        pose.up = transformDirection(toVec3(camera.mUp), world);
        // assimp 5.2's importers store the full horizontal angle here,
        // whatever its header says; 0 marks an orthographic camera, which
        // gets a perspective one of a usual angle instead.
        const float fov = camera.mHorizontalFOV * kRadiansToDegrees;
        pose.fovDegrees = (fov > 1.0f && fov < 170.0f) ? fov : 50.0f;
        if (!finite(pose.eye) || !finite(pose.target) || length(pose.target - pose.eye) <= 0.0f) return;
        m_model.hasCamera = true;
        m_model.camera = pose;
    }

    SceneBuilder& m_builder;
    const aiScene& m_scene;
    std::string m_directory;
    bool m_readFiles;
    LoadedModel& m_model;
    std::vector<hox::THandle<hox::Geometry>> m_geometries;
    std::vector<Bounds> m_meshBounds;
    std::vector<bool> m_converted;
    std::map<unsigned, hox::THandle<hox::Shader>> m_materials;
    std::map<std::string, hox::THandle<hox::Texture>> m_textures;
    std::map<const aiNode*, hox::THandle<hox::Group>> m_nodeGroups;
};

// Hands out no file at all: a scene read from memory refers to other files
// only by names that mean nothing here, and must not reach whatever file of
// this machine such a name happens to match.
class NoFileSystem : public Assimp::IOSystem {
public:
    using Assimp::IOSystem::Exists;
    using Assimp::IOSystem::Open;
    bool Exists(const char*) const override { return false; }
    char getOsSeparator() const override { return '/'; }
    Assimp::IOStream* Open(const char*, const char*) override { return nullptr; }
    void Close(Assimp::IOStream* stream) override { delete stream; }
};

void configure(Assimp::Importer& importer) {
    // Points and lines have no surface to render.
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
}

constexpr unsigned kImportFlags = aiProcess_Triangulate | aiProcess_JoinIdenticalVertices |
                                  aiProcess_GenSmoothNormals | aiProcess_SortByPType | aiProcess_FindInvalidData |
                                  aiProcess_ValidateDataStructure |
                                  // Images store their top row first; assimp's v runs up from the bottom.
                                  aiProcess_FlipUVs;

// assimp's binary glTF readers size the JSON chunk by what the header
// claims before reading a byte of it: a cut-off or forged file of a few
// bytes asks for up to 4 GiB. So the header is held against the bytes there
// are first. `head` is the start of the data (up to 20 bytes), `total` its
// whole size. True for anything that is not binary glTF.
bool binaryGltfFits(const unsigned char* head, size_t headSize, uint64_t total, const std::string& name,
                    std::string& error) {
    constexpr size_t kHeaderBytes = 20;  // magic, version, length, then the first chunk's length and type
    if (headSize < 4 || std::memcmp(head, "glTF", 4) != 0) return true;
    if (headSize < kHeaderBytes || total < kHeaderBytes) {
        error = "cannot read " + name + ": binary glTF cut short in its header (" + std::to_string(total) +
                " bytes)";
        return false;
    }
    const auto word = [head](size_t at) {
        return uint32_t(head[at]) | uint32_t(head[at + 1]) << 8 | uint32_t(head[at + 2]) << 16 |
               uint32_t(head[at + 3]) << 24;
    };
    const uint64_t declared = word(8);
    const uint64_t firstChunk = word(12);
    if (declared > total || kHeaderBytes + firstChunk > total) {
        error = "cannot read " + name + ": binary glTF cut short: the header claims " +
                std::to_string(declared > total ? declared : kHeaderBytes + firstChunk) + " bytes, there are " +
                std::to_string(total);
        return false;
    }
    return true;
}

// assimp has faults of its own that a malformed file can reach (bad
// pointers in the OBJ reader's texture statements, a binary PLY header cut
// up by other statements, …) and nothing cheap to check beforehand avoids
// them. So every file is imported first in a copy of this process: only
// when that copy survives is the file imported here. A crash or a hang
// costs the copy and becomes a refusal that says what happened. The price
// is reading the file twice.
constexpr int kTrialImportTimeoutMs = 60000;
constexpr int kTrialImportRefused = 1;

// What the importer reads: a file, or else bytes in memory (which reach no
// other file). The same reading serves the trial and the real import.
struct SceneSource {
    const std::string* path = nullptr;
    const void* data = nullptr;
    size_t size = 0;
    const std::string* formatHint = nullptr;

    const aiScene* readWith(Assimp::Importer& importer) const {
        configure(importer);
        if (path) return importer.ReadFile(*path, kImportFlags);
        importer.SetIOHandler(new NoFileSystem);  // the importer owns it
        return importer.ReadFileFromMemory(data, size, kImportFlags, formatHint->c_str());
    }
};

int runTrialImport(void* context) {
    Assimp::Importer importer;
    return static_cast<const SceneSource*>(context)->readWith(importer) ? 0 : kTrialImportRefused;
}

// False with `error` set when the importer does not survive the file.
bool importerSurvives(SceneSource source, const std::string& name, std::string& error) {
    using hox::platform::ChildOutcome;
    const ChildOutcome outcome = hox::platform::runInChildProcess(runTrialImport, &source, kTrialImportTimeoutMs);
    switch (outcome.kind) {
        case ChildOutcome::Kind::Finished:
            if (outcome.exitCode == 0 || outcome.exitCode == kTrialImportRefused) return true;
            error = "cannot read " + name + ": the importer failed on it (exit status " +
                    std::to_string(outcome.exitCode) + ")";
            return false;
        case ChildOutcome::Kind::Crashed:
            error = "cannot read " + name + ": the importer crashed on it (" +
                    hox::platform::signalDescription(outcome.signal) + ")";
            return false;
        case ChildOutcome::Kind::TimedOut:
            error = "cannot read " + name + ": the importer did not finish within " +
                    std::to_string(kTrialImportTimeoutMs / 1000) + " s";
            return false;
        case ChildOutcome::Kind::NotStarted:
            // No process to spare: import without the safety net rather
            // than refuse a file that is most likely fine.
            std::fprintf(stderr, "hox-render: warning: cannot isolate the importer; reading %s directly\n",
                         name.c_str());
            return true;
    }
    return true;
}

bool convertScene(SceneBuilder& builder, const aiScene* scene, const Assimp::Importer& importer,
                  const std::string& name, const std::string& directory, bool readFiles, bool importLights,
                  LoadedModel& model, std::string& error) {
    if (!scene || !scene->mRootNode || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE)) {
        error = "cannot read " + name + ": " + importer.GetErrorString();
        return false;
    }
    Importer(builder, *scene, directory, readFiles, model).run(importLights);
    if (model.objects == 0) {
        error = name + " holds no triangles that could be rendered";
        return false;
    }
    return true;
}

}  // namespace

bool loadModel(SceneBuilder& builder, const std::string& path, bool importLights, LoadedModel& model,
               std::string& error) {
    {
        std::ifstream file(path, std::ios::binary | std::ios::ate);
        if (file) {
            const std::streamoff size = file.tellg();
            unsigned char head[20] = {};
            file.seekg(0);
            file.read(reinterpret_cast<char*>(head), sizeof head);
            if (size >= 0 && !binaryGltfFits(head, static_cast<size_t>(file.gcount()), static_cast<uint64_t>(size),
                                             path, error))
                return false;
        }
    }
    SceneSource source;
    source.path = &path;
    if (!importerSurvives(source, path, error)) return false;
    Assimp::Importer importer;
    const aiScene* scene = source.readWith(importer);
    const size_t slash = path.find_last_of('/');
    const std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    return convertScene(builder, scene, importer, path, directory, /*readFiles=*/true, importLights, model, error);
}

bool loadModelFromMemory(SceneBuilder& builder, const void* data, size_t size, const std::string& formatHint,
                         bool importLights, LoadedModel& model, std::string& error) {
    const std::string name = "the " + formatHint + " data in memory";
    // assimp refuses empty input itself, but with an error that names none
    // of what was asked.
    if (!data || size == 0) {
        error = name + " is empty";
        return false;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (!binaryGltfFits(bytes, size < 20 ? size : 20, size, name, error)) return false;
    SceneSource source;
    source.data = data;
    source.size = size;
    source.formatHint = &formatHint;
    if (!importerSurvives(source, name, error)) return false;
    Assimp::Importer importer;
    const aiScene* scene = source.readWith(importer);
    return convertScene(builder, scene, importer, name, std::string(), /*readFiles=*/false, importLights, model,
                        error);
}

}  // namespace hox_render
