#include "scene/uniform_kind.h"

#include <cstddef>
#include <cstring>

#include "hox/shader_declaration.h"
#include "util/byte_stream.h"

namespace hox {
namespace scene {

namespace {

template <typename T>
constexpr UniformShape shapeOf(UniformScalar scalar, int components, int matrixOrder = 0) {
    return UniformShape{scalar, components, matrixOrder, false, int(sizeof(T)), 0,
                        int(sizeof(T))};
}

template <typename T>
constexpr UniformShape arrayShapeOf(UniformScalar scalar, int components, int matrixOrder = 0) {
    // The element offset comes from the plug-ins' own template, so both
    // sides agree on the padding after the count (8 bytes for references).
    return UniformShape{scalar, components, matrixOrder, true, int(sizeof(T)),
                        int(offsetof(UniformArray<T>, elements)),
                        int(sizeof(UniformArray<T>))};
}

using S = UniformScalar;

const UniformShape kShapes[kUniformKindCount] = {
    shapeOf<bool>(S::Bool, 1), shapeOf<Vec2b>(S::Bool, 2),
    shapeOf<Vec3b>(S::Bool, 3), shapeOf<Vec4b>(S::Bool, 4),
    shapeOf<int>(S::Int, 1), shapeOf<Vec2i>(S::Int, 2),
    shapeOf<Vec3i>(S::Int, 3), shapeOf<Vec4i>(S::Int, 4),
    shapeOf<float>(S::Float, 1), shapeOf<Vec2f>(S::Float, 2),
    shapeOf<Vec3f>(S::Float, 3), shapeOf<Vec4f>(S::Float, 4),
    shapeOf<Mat2f>(S::Float, 4, 2), shapeOf<Mat3f>(S::Float, 9, 3),
    shapeOf<Mat4f>(S::Float, 16, 4),
    shapeOf<UniformRef>(S::Reference, 1), shapeOf<UniformRef>(S::Reference, 1),
    shapeOf<UniformRef>(S::Reference, 1), shapeOf<UniformRef>(S::Reference, 1),
    shapeOf<UniformRef>(S::Reference, 1),
    arrayShapeOf<bool>(S::Bool, 1), arrayShapeOf<Vec2b>(S::Bool, 2),
    arrayShapeOf<Vec3b>(S::Bool, 3), arrayShapeOf<Vec4b>(S::Bool, 4),
    arrayShapeOf<int>(S::Int, 1), arrayShapeOf<Vec2i>(S::Int, 2),
    arrayShapeOf<Vec3i>(S::Int, 3), arrayShapeOf<Vec4i>(S::Int, 4),
    arrayShapeOf<float>(S::Float, 1), arrayShapeOf<Vec2f>(S::Float, 2),
    arrayShapeOf<Vec3f>(S::Float, 3), arrayShapeOf<Vec4f>(S::Float, 4),
    arrayShapeOf<Mat2f>(S::Float, 4, 2), arrayShapeOf<Mat3f>(S::Float, 9, 3),
    arrayShapeOf<Mat4f>(S::Float, 16, 4),
    arrayShapeOf<UniformRef>(S::Reference, 1), arrayShapeOf<UniformRef>(S::Reference, 1),
    arrayShapeOf<UniformRef>(S::Reference, 1), arrayShapeOf<UniformRef>(S::Reference, 1),
};

static_assert(sizeof(UniformArray<Mat4f>) == kMaxUniformValueSize,
              "the 4x4 matrix array is the largest value");

int32_t clampedCount(int32_t count) {
    return count < 0 ? 0 : (count > kMaxUniformArrayCount ? kMaxUniformArrayCount : count);
}

void clearReferencePointer(void* reference) {
    void* none = nullptr;
    std::memcpy(static_cast<uint8_t*>(reference) + offsetof(UniformRef, pointer), &none,
                sizeof none);
}

void writeElement(util::OutputStream& out, const UniformShape& shape, const uint8_t* element) {
    switch (shape.scalar) {
        case UniformScalar::Bool:
            for (int c = 0; c < shape.components; ++c) out.writeBool(element[c] != 0);
            break;
        case UniformScalar::Int:
            for (int c = 0; c < shape.components; ++c) {
                int32_t v;
                std::memcpy(&v, element + 4 * c, 4);
                out.writeInt32(v);
            }
            break;
        case UniformScalar::Float:
            for (int c = 0; c < shape.components; ++c) {
                float v;
                std::memcpy(&v, element + 4 * c, 4);
                out.writeFloat(v);
            }
            break;
        case UniformScalar::Reference: {
            uint32_t instance;
            std::memcpy(&instance, element + offsetof(UniformRef, instance), 4);
            out.writeUInt32(instance);
            break;
        }
    }
}

void readElement(util::InputStream& in, const UniformShape& shape, uint8_t* element) {
    switch (shape.scalar) {
        case UniformScalar::Bool:
            for (int c = 0; c < shape.components; ++c) element[c] = in.readBool() ? 1 : 0;
            break;
        case UniformScalar::Int:
            for (int c = 0; c < shape.components; ++c) {
                int32_t v = in.readInt32();
                std::memcpy(element + 4 * c, &v, 4);
            }
            break;
        case UniformScalar::Float:
            for (int c = 0; c < shape.components; ++c) {
                float v = in.readFloat();
                std::memcpy(element + 4 * c, &v, 4);
            }
            break;
        case UniformScalar::Reference: {
            UniformRef reference = {nullptr, in.readUInt32(), 0};
            std::memcpy(element, &reference, sizeof reference);
            break;
        }
    }
}

}  // namespace

const UniformShape& uniformShape(int kind) { return kShapes[kind]; }

bool isReferenceKind(int kind) {
    return isUniformKind(kind) && kShapes[kind].scalar == UniformScalar::Reference;
}

int32_t uniformArrayCount(const void* value) {
    int32_t count;
    std::memcpy(&count, value, sizeof count);
    return count;
}

void setUniformArrayCount(void* value, int32_t count) { std::memcpy(value, &count, sizeof count); }

uint8_t* uniformArrayElement(int kind, void* value, int index) {
    const UniformShape& shape = kShapes[kind];
    return static_cast<uint8_t*>(value) + shape.elementsOffset + shape.elementSize * index;
}

const uint8_t* uniformArrayElement(int kind, const void* value, int index) {
    return uniformArrayElement(kind, const_cast<void*>(value), index);
}

void captureUniformValue(int kind, const void* member, void* value) {
    const UniformShape& shape = kShapes[kind];
    if (!shape.array) {
        std::memcpy(value, member, shape.valueSize);
        if (shape.scalar == UniformScalar::Reference) clearReferencePointer(value);
        return;
    }
    std::memset(value, 0, shape.valueSize);
    const int32_t count = clampedCount(uniformArrayCount(member));
    setUniformArrayCount(value, count);
    std::memcpy(uniformArrayElement(kind, value, 0), uniformArrayElement(kind, member, 0),
                std::size_t(shape.elementSize) * count);
    if (shape.scalar == UniformScalar::Reference)
        for (int i = 0; i < count; ++i) clearReferencePointer(uniformArrayElement(kind, value, i));
}

void storeUniformValue(int kind, void* member, const void* value) {
    const UniformShape& shape = kShapes[kind];
    if (!shape.array) {
        std::memcpy(member, value, shape.valueSize);
        return;
    }
    const int32_t count = clampedCount(uniformArrayCount(value));
    setUniformArrayCount(member, count);
    std::memcpy(uniformArrayElement(kind, member, 0), uniformArrayElement(kind, value, 0),
                std::size_t(shape.elementSize) * count);
}

void transposeMatrix(int order, float* destination, const float* source) {
    for (int r = 0; r < order; ++r)
        for (int c = 0; c < order; ++c) destination[r * order + c] = source[c * order + r];
}

void writeUniformValue(util::OutputStream& out, int kind, const void* value) {
    const UniformShape& shape = kShapes[kind];
    if (!shape.array) {
        writeElement(out, shape, static_cast<const uint8_t*>(value));
        return;
    }
    const int32_t count = clampedCount(uniformArrayCount(value));
    out.writeInt32(count);
    for (int i = 0; i < count; ++i) writeElement(out, shape, uniformArrayElement(kind, value, i));
}

bool readUniformValue(util::InputStream& in, int kind, void* value) {
    const UniformShape& shape = kShapes[kind];
    if (!shape.array) {
        readElement(in, shape, static_cast<uint8_t*>(value));
        return !in.failed();
    }
    const int32_t count = in.readInt32();
    if (in.failed()) return false;
    if (count < 0 || count > kMaxUniformArrayCount) {
        in.fail();
        return false;
    }
    setUniformArrayCount(value, count);
    for (int i = 0; i < count; ++i) readElement(in, shape, uniformArrayElement(kind, value, i));
    return !in.failed();
}

}  // namespace scene
}  // namespace hox
