#include "shaders/shader_instance.h"

namespace hox {
namespace shaders {

namespace {

void adopt(scene::ShaderRecord& record, LoadedShader& loaded) {
    record.adoptShader(loaded.object, loaded.library, loaded.factory, loaded.flags);
    record.parameters.swap(loaded.parameters);
    loaded.object = nullptr;
    loaded.library = nullptr;
}

}  // namespace

int instantiateShader(scene::ShaderRecord& record, const char* shaderName,
                      const char* libraryName, ShaderLibraryManager& manager) {
    record.releaseShader();
    record.parameters.clear();
    LoadedShader loaded;
    if (manager.load(shaderName, libraryName, loaded) != 0) return -1;
    adopt(record, loaded);
    record.shaderName = shaderName;
    record.libraryName = libraryName;
    return 0;
}

int reloadShader(scene::ShaderRecord& record, ShaderLibraryManager& manager) {
    if (!record.shaderObject) return -1;
    manager.removeEntry(record.shaderName.c_str(), record.libraryName.c_str());
    LoadedShader fresh;
    if (manager.load(record.shaderName.c_str(), record.libraryName.c_str(), fresh) != 0)
        return -1;
    fresh.parameters.takeValuesByName(record.parameters, fresh.object);
    adopt(record, fresh);  // the old object goes, then its library reference
    return 0;
}

int shaderVersion(const scene::ShaderRecord& record) {
    return record.shaderObject ? record.shaderObject->getVersion() : -1;
}

}  // namespace shaders
}  // namespace hox
