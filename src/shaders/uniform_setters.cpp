#include "shaders/uniform_setters.h"

#include <cstring>

#include "hox/status.h"
#include "scene/uniform_kind.h"

namespace hox {
namespace shaders {

namespace {

using scene::UniformEntry;

bool inKinds(int kind, int first, int last) { return kind >= first && kind <= last; }

bool isArrayCountValid(int count) { return count >= 0 && count <= kMaxUniformArrayCount; }

// The entry a setter writes, or null for every -1 case.
UniformEntry* findEntry(scene::ShaderRecord* record, int kind, const char* name) {
    if (!record || !record->shaderObject || !name) return nullptr;
    scene::UniformTable& table = record->parameters.table(kind);
    const int i = table.find(name);
    return i < 0 ? nullptr : &table.entry(i);
}

// The entry's value, now complete, into the shader object's member.
int commit(scene::ShaderRecord* record, int kind, const UniformEntry& entry) {
    uint8_t* object = reinterpret_cast<uint8_t*>(record->shaderObject);
    scene::storeUniformValue(kind, object + entry.offset, entry.value);
    return RESULT_OK;
}

UniformRef referenceTo(uint32_t handleValue) {
    return UniformRef{nullptr, handleValue & kNullInstance, 0};
}

}  // namespace

int setUniformValue(scene::ShaderRecord* record, int kind, const char* name, const void* value) {
    if (!inKinds(kind, scene::UNIFORM_1B, scene::UNIFORM_4F) || !value) return RESULT_FAILED;
    UniformEntry* entry = findEntry(record, kind, name);
    if (!entry) return RESULT_FAILED;
    std::memcpy(entry->value, value, scene::uniformShape(kind).valueSize);
    return commit(record, kind, *entry);
}

int setUniformMatrix(scene::ShaderRecord* record, int kind, const char* name, bool transpose,
                     const float* value) {
    if (!inKinds(kind, scene::UNIFORM_2X2F, scene::UNIFORM_4X4F) || !value) return RESULT_FAILED;
    UniformEntry* entry = findEntry(record, kind, name);
    if (!entry) return RESULT_FAILED;
    const scene::UniformShape& shape = scene::uniformShape(kind);
    float matrix[16];
    if (transpose)
        scene::transposeMatrix(shape.matrixOrder, matrix, value);
    else
        std::memcpy(matrix, value, shape.valueSize);
    std::memcpy(entry->value, matrix, shape.valueSize);
    return commit(record, kind, *entry);
}

int setUniformReference(scene::ShaderRecord* record, int kind, const char* name,
                        uint32_t handleValue) {
    if (!inKinds(kind, scene::UNIFORM_TEXTURE_1D, scene::UNIFORM_SHADER_REF)) return RESULT_FAILED;
    UniformEntry* entry = findEntry(record, kind, name);
    if (!entry) return RESULT_FAILED;
    const UniformRef reference = referenceTo(handleValue);
    std::memcpy(entry->value, &reference, sizeof reference);
    return commit(record, kind, *entry);
}

int setUniformArray(scene::ShaderRecord* record, int kind, const char* name, int count,
                    const void* values) {
    if (!isArrayCountValid(count)) return RESULT_INVALID_VALUE;
    if (!inKinds(kind, scene::UNIFORM_1BV, scene::UNIFORM_4FV)) return RESULT_FAILED;
    if (count > 0 && !values) return RESULT_FAILED;
    UniformEntry* entry = findEntry(record, kind, name);
    if (!entry) return RESULT_FAILED;
    scene::setUniformArrayCount(entry->value, count);
    if (count > 0)
        std::memcpy(scene::uniformArrayElement(kind, entry->value, 0), values,
                    std::size_t(scene::uniformShape(kind).elementSize) * count);
    return commit(record, kind, *entry);
}

int setUniformMatrixArray(scene::ShaderRecord* record, int kind, const char* name,
                          bool transpose, int count, const float* values) {
    if (!isArrayCountValid(count)) return RESULT_INVALID_VALUE;
    if (!inKinds(kind, scene::UNIFORM_2X2FV, scene::UNIFORM_4X4FV)) return RESULT_FAILED;
    if (count > 0 && !values) return RESULT_FAILED;
    UniformEntry* entry = findEntry(record, kind, name);
    if (!entry) return RESULT_FAILED;
    const scene::UniformShape& shape = scene::uniformShape(kind);
    scene::setUniformArrayCount(entry->value, count);
    for (int i = 0; i < count; ++i) {
        const float* source = values + i * shape.components;
        float* element = reinterpret_cast<float*>(scene::uniformArrayElement(kind, entry->value, i));
        if (transpose)
            scene::transposeMatrix(shape.matrixOrder, element, source);
        else
            std::memcpy(element, source, shape.elementSize);
    }
    return commit(record, kind, *entry);
}

int setUniformReferenceArray(scene::ShaderRecord* record, int kind, const char* name, int count,
                             const uint32_t* handleValues) {
    if (!isArrayCountValid(count)) return RESULT_INVALID_VALUE;
    if (!inKinds(kind, scene::UNIFORM_TEXTURE_1DV, scene::UNIFORM_TEXTURE_CUBEV))
        return RESULT_FAILED;
    if (count > 0 && !handleValues) return RESULT_FAILED;
    UniformEntry* entry = findEntry(record, kind, name);
    if (!entry) return RESULT_FAILED;
    scene::setUniformArrayCount(entry->value, count);
    for (int i = 0; i < count; ++i) {
        const UniformRef reference = referenceTo(handleValues[i]);
        std::memcpy(scene::uniformArrayElement(kind, entry->value, i), &reference,
                    sizeof reference);
    }
    return commit(record, kind, *entry);
}

}  // namespace shaders
}  // namespace hox
