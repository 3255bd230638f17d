#include "mirrored_scene.h"

#include <cstring>

#include "error_codes.h"
#include "master_log.h"
#include "scene/record.h"
#include "scene/shader_record.h"
#include "shaders/shader_instance.h"
#include "shaders/shader_library_manager.h"
#include "shaders/shader_reference_renewal.h"
#include "util/memory_stream.h"

namespace hox_cluster {

using hox::HandleBase;
using hox::scene::ObjectTable;
using hox::scene::Record;

namespace {

const char* classNameOf(int type) {
    const char* name = ObjectTable::className(type);
    return name ? name : "unknown class";
}

}  // namespace

MirroredScene::MirroredScene(std::string shaderPath) : overridePath_(std::move(shaderPath)) {
    if (!overridePath_.empty()) useSearchPath(overridePath_);
}

MirroredScene::~MirroredScene() { table_.reset(); }

void MirroredScene::reset() {
    table_.reset();
    unloadedShaders_.clear();
}

void MirroredScene::useSearchPath(const std::string& path) {
    if (pathSet_ && path == currentPath_) return;
    currentPath_ = path;
    pathSet_ = true;
    hox::shaders::ShaderLibraryManager::instance().setSearchPath(path.c_str());
}

bool MirroredScene::ensureSlot(int type, int instance) {
    if (!ObjectTable::className(type) || instance < 0 || instance > kMaxInstance) return false;
    while (table_.slotCount(type) <= instance) {
        const int made = table_.create(type);
        if (made < 0) return false;
        // Instances below the one named were objects the host destroyed
        // before this rank heard of them.
        if (made != instance) table_.destroy(type, made);
    }
    return table_.lookup(type, instance) != nullptr;
}

int MirroredScene::create(int type, int instance) {
    // A failed creation on the host (instance -1) has nothing to mirror.
    if (instance < 0) return 0;
    if (!ensureSlot(type, instance)) {
        logError("cannot create %s %d", classNameOf(type), instance);
        return kErrorBadRecord;
    }
    return 0;
}

int MirroredScene::destroy(int type, int instance) {
    if (!ObjectTable::className(type)) {
        logError("destroy of an object of class %d, which has no table", type);
        return kErrorBadRecord;
    }
    // Destroying what does not exist is what the host's own table allows
    // too (the host reports it); nothing changes.
    if (instance >= 0 && instance < table_.slotCount(type)) table_.destroy(type, instance);
    if (type == hox::CLASS_TYPE_SHADER) unloadedShaders_.erase(instance);
    return 0;
}

int MirroredScene::applyRecord(int stamp, int type, int instance, const uint8_t* data, std::size_t size) {
    // Every record's stream form starts with its instance; a body of
    // another object must not make slots for this one.
    int32_t streamInstance = -1;
    if (size >= 4) std::memcpy(&streamInstance, data, 4);
    if (streamInstance != instance) {
        logError("record for %s %d carries instance %d", classNameOf(type), instance, streamInstance);
        return kErrorBadRecord;
    }
    if (!ensureSlot(type, instance)) {
        logError("record for %s %d, which cannot exist here", classNameOf(type), instance);
        return kErrorBadRecord;
    }
    if (type == hox::CLASS_TYPE_SHADER) return applyShader(stamp, instance, data, size);

    // The body is read into a scratch record first: a body that does not
    // read (cut short, another instance's) must leave the object as it was.
    Record* scratch = hox::scene::createRecord(type, instance);
    if (!scratch) {
        logError("no memory for a new version of %s %d", classNameOf(type), instance);
        return kErrorBadRecord;
    }
    scratch->addRef();
    hox::util::MemorySource source(data, size);
    hox::util::InputStream in(&source);
    scratch->read(in);
    if (in.failed() || scratch->instance() != instance) {
        logError("record for %s %d does not read (%zu bytes)", classNameOf(type), instance, size);
        scratch->release();
        return kErrorBadRecord;
    }
    Record* next = Record::fromPublic(table_.beginEdit(HandleBase(type, instance), stamp));
    if (!next) {
        logError("no memory for a new version of %s %d", classNameOf(type), instance);
        scratch->release();
        return kErrorBadRecord;
    }
    next->copyFrom(*scratch);
    scratch->release();
    if (type == hox::CLASS_TYPE_DEVICE_SETTINGS && overridePath_.empty()) {
        const auto* settings = hox::scene::recordAs<hox::scene::DeviceSettingsRecord>(next);
        if (settings) useSearchPath(settings->settings.shaderPath.c_str());
    }
    return 0;
}

int MirroredScene::applyShader(int stamp, int instance, const uint8_t* data, std::size_t size) {
    // The names come first in the record; the plug-in must be loaded before
    // the values can land in its object.
    hox::util::String shaderName, libraryName;
    {
        hox::util::MemorySource source(data, size);
        hox::util::InputStream in(&source);
        const int32_t streamInstance = in.readInt32();
        in.readString(shaderName);
        in.readString(libraryName);
        if (in.failed() || streamInstance != instance) {
            logError("shader record %d does not read (%zu bytes)", instance, size);
            return kErrorBadRecord;
        }
    }
    const HandleBase handle(hox::CLASS_TYPE_SHADER, instance);
    const auto* current = hox::scene::recordAs<hox::scene::ShaderRecord>(table_.lookup(handle));
    // An edit of the same shader keeps its object: the copy below makes the
    // new version's own from the plug-in's factory, as the host's edit does.
    const bool sameShader = current && current->shaderObject && std::strcmp(current->shaderName.c_str(), shaderName.c_str()) == 0 &&
                            std::strcmp(current->libraryName.c_str(), libraryName.c_str()) == 0;
    auto* next = hox::scene::recordAs<hox::scene::ShaderRecord>(
        Record::fromPublic(table_.beginEdit(handle, stamp)));
    if (!next) {
        logError("no memory for a new version of Shader %d", instance);
        return kErrorBadRecord;
    }
    int status = 0;
    if (!sameShader && !shaderName.empty()) {
        if (hox::shaders::instantiateShader(*next, shaderName.c_str(), libraryName.c_str()) != 0) {
            logError("shader '%s' of library '%s' could not be loaded (shader path '%s')", shaderName.c_str(),
                     libraryName.c_str(), currentPath_.c_str());
            status = kErrorShaderLoad;
        }
    }
    if (!next->shaderObject && !shaderName.empty()) {
        // Without the plug-in the values have no declared layout to be read
        // into; the record keeps its names and the bytes wait for the next
        // try.
        next->shaderName = shaderName;
        next->libraryName = libraryName;
    } else {
        hox::util::MemorySource source(data, size);
        hox::util::InputStream in(&source);
        next->read(in);
        if (in.failed()) {
            logError("shader record %d does not read (%zu bytes)", instance, size);
            return kErrorBadRecord;
        }
    }
    if (status == kErrorShaderLoad && next->shaderObject == nullptr) {
        unloadedShaders_[instance] = std::make_pair(stamp, std::vector<uint8_t>(data, data + size));
        failedPath_ = currentPath_;
    } else {
        unloadedShaders_.erase(instance);
    }
    return status;
}

int MirroredScene::prepareForFrame(int frameNumber, const hox::scene::DeviceSettingsData& settings) {
    useSearchPath(overridePath_.empty() ? std::string(settings.shaderPath.c_str()) : overridePath_);
    // Only a new path can change the outcome of another try.
    if (!unloadedShaders_.empty() && currentPath_ != failedPath_) {
        // applyShader rewrites the map; work on a copy.
        const auto retry = unloadedShaders_;
        for (const auto& entry : retry) {
            applyShader(entry.second.first, entry.first, entry.second.second.data(), entry.second.second.size());
        }
    }
    hox::shaders::renewShadersWithChangedReferences(table_, frameNumber);
    return static_cast<int>(unloadedShaders_.size());
}

}  // namespace hox_cluster
