// Handles: how a host names the objects of the scene.
//
// A handle is one 32-bit word: the class in bits 28-31, the instance (the
// object's slot in its class table) in bits 0-27. Instance 0xFFFFFFF names no
// object: it is the null handle of its class. Instances are never reused until
// the device is shut down, so a stale handle can never reach a newer object.
//
// Typed handles (THandle<Camera>, ...) add no data; they give typed creation
// and a typed beginEdit. Entities (Camera, Light, Group, Object) derive from
// the Entity handle, so any of them can be passed where an entity is wanted.
#pragma once

#include "hox/config.h"

namespace hox {

class IRenderDevice;

enum EClassType {
    CLASS_TYPE_CLASS = 1,
    CLASS_TYPE_FRAME_DEF = 2,
    CLASS_TYPE_RENDER_VIEW = 3,
    CLASS_TYPE_FRAMEBUFFER = 4,
    CLASS_TYPE_ENTITY = 5,
    CLASS_TYPE_CAMERA = 6,
    CLASS_TYPE_LIGHT = 7,
    CLASS_TYPE_GROUP = 8,
    CLASS_TYPE_OBJECT = 9,
    CLASS_TYPE_SHADER = 10,
    CLASS_TYPE_GEOMETRY = 11,
    CLASS_TYPE_TEXTURE = 12,
    CLASS_TYPE_RENDER_OPTIONS = 13,
    CLASS_TYPE_RENDER_ATTRIBUTES = 14,
    CLASS_TYPE_DEVICE_SETTINGS = 15
};

constexpr unsigned int kHandleInstanceBits = 28;
constexpr unsigned int kNullInstance = 0xFFFFFFFu;

class Class;
class Entity;
class FrameDef;
class RenderView;
class Framebuffer;
class Camera;
class Light;
class Group;
class Object;
class Shader;
class Geometry;
class Texture;
class RenderOptions;
class RenderAttributes;
class DeviceSettings;

class HOX_API HandleBase {
public:
    // A null handle of the given class.
    explicit HandleBase(int type)
        : m_value((static_cast<unsigned int>(type) << kHandleInstanceBits) | kNullInstance) {}
    HandleBase(int type, int instance)
        : m_value((static_cast<unsigned int>(type) << kHandleInstanceBits) |
                  (static_cast<unsigned int>(instance) & kNullInstance)) {}
    // Creates a new object of the class through the device; a failed creation
    // leaves a null handle.
    HandleBase(int type, IRenderDevice* device);
    HandleBase(const HandleBase& other) : m_value(other.m_value) {}
    HandleBase& operator=(const HandleBase& other) {
        m_value = other.m_value;
        return *this;
    }

    bool operator==(const HandleBase& other) const { return m_value == other.m_value; }
    bool operator!=(const HandleBase& other) const { return m_value != other.m_value; }

    int getType() const { return static_cast<int>(m_value >> kHandleInstanceBits); }
    int getInstance() const { return static_cast<int>(m_value & kNullInstance); }
    bool isNull() const { return (m_value & kNullInstance) == kNullInstance; }
    // Exact class match: a Camera handle is not of type CLASS_TYPE_ENTITY.
    bool isOfType(EClassType type) const { return getType() == static_cast<int>(type); }
    unsigned int getValue() const { return m_value; }

    // True while the handle names a live object (asks the device).
    bool isValid() const;
    // Ends an edit begun with beginEdit; 0, or 4096 for a handle that names
    // no live object.
    int endEdit() const;

    // The raw handle word, e.g. as stored in records.
    static HandleBase fromValue(unsigned int value) {
        HandleBase h(0);
        h.m_value = value;
        return h;
    }

protected:
    // Starts a copy-on-write edit: returns the object's new version, or null
    // for a handle that names no live object.
    void* beginEdit();
    // Destroys the object; this handle becomes the null handle of its class
    // (other copies keep their value and become invalid).
    int destroy();

private:
    unsigned int m_value;
};

// Class identifier and handle parent of every public class, usable while the
// classes are only declared.
template <typename T> struct ClassTraits;

template <typename T, typename Base = typename ClassTraits<T>::HandleParent>
class TAbstractHandle;

template <typename T, typename Base>
class TAbstractHandle : public Base {
public:
    TAbstractHandle() : Base(ClassTraits<T>::kTypeId) {}
    TAbstractHandle(const HandleBase& other) : Base(other) {}

protected:
    explicit TAbstractHandle(int type) : Base(type) {}
    TAbstractHandle(int type, IRenderDevice* device) : Base(type, device) {}
};

template <>
class TAbstractHandle<Class, HandleBase> : public HandleBase {
public:
    TAbstractHandle() : HandleBase(CLASS_TYPE_CLASS) {}
    TAbstractHandle(const HandleBase& other) : HandleBase(other) {}

protected:
    explicit TAbstractHandle(int type) : HandleBase(type) {}
    TAbstractHandle(int type, IRenderDevice* device) : HandleBase(type, device) {}
};

typedef TAbstractHandle<Class, HandleBase> ClassHandle;
typedef TAbstractHandle<Entity, ClassHandle> EntityHandle;

template <typename T, typename Base = typename ClassTraits<T>::HandleParent>
class THandle : public Base {
public:
    // The null handle of T.
    THandle() : Base(ClassTraits<T>::kTypeId) {}
    // Creates a new object of T through the device.
    explicit THandle(IRenderDevice* device) : Base(ClassTraits<T>::kTypeId, device) {}
    // A handle of T with the given instance (no check).
    static THandle fromInstance(int instance) {
        THandle h;
        static_cast<HandleBase&>(h) = HandleBase(ClassTraits<T>::kTypeId, instance);
        return h;
    }

    // Typed copy-on-write edit; see HandleBase::beginEdit.
    T* beginEdit() { return static_cast<T*>(HandleBase::beginEdit()); }
    using HandleBase::destroy;
};

#define HOX_CLASS_TRAITS(T, id, parent)                    \
    template <> struct ClassTraits<T> {                    \
        enum { kTypeId = id };                             \
        typedef parent HandleParent;                       \
    };

HOX_CLASS_TRAITS(Class, CLASS_TYPE_CLASS, HandleBase)
HOX_CLASS_TRAITS(Entity, CLASS_TYPE_ENTITY, ClassHandle)
HOX_CLASS_TRAITS(FrameDef, CLASS_TYPE_FRAME_DEF, ClassHandle)
HOX_CLASS_TRAITS(RenderView, CLASS_TYPE_RENDER_VIEW, ClassHandle)
HOX_CLASS_TRAITS(Framebuffer, CLASS_TYPE_FRAMEBUFFER, ClassHandle)
HOX_CLASS_TRAITS(Camera, CLASS_TYPE_CAMERA, EntityHandle)
HOX_CLASS_TRAITS(Light, CLASS_TYPE_LIGHT, EntityHandle)
HOX_CLASS_TRAITS(Group, CLASS_TYPE_GROUP, EntityHandle)
HOX_CLASS_TRAITS(Object, CLASS_TYPE_OBJECT, EntityHandle)
HOX_CLASS_TRAITS(Shader, CLASS_TYPE_SHADER, ClassHandle)
HOX_CLASS_TRAITS(Geometry, CLASS_TYPE_GEOMETRY, ClassHandle)
HOX_CLASS_TRAITS(Texture, CLASS_TYPE_TEXTURE, ClassHandle)
HOX_CLASS_TRAITS(RenderOptions, CLASS_TYPE_RENDER_OPTIONS, ClassHandle)
HOX_CLASS_TRAITS(RenderAttributes, CLASS_TYPE_RENDER_ATTRIBUTES, ClassHandle)
HOX_CLASS_TRAITS(DeviceSettings, CLASS_TYPE_DEVICE_SETTINGS, ClassHandle)

#undef HOX_CLASS_TRAITS

// The object a beginEdit hands out: one pointer to the record version being
// edited. Every public scene class derives from it and adds only member
// functions, so the pointer from beginEdit is the object itself.
class HOX_API Class {
public:
    enum { TypeId = CLASS_TYPE_CLASS };
    Class& operator=(const Class& other) {
        m_record = other.m_record;
        return *this;
    }

protected:
    Class() : m_record(nullptr) {}
    Class(const Class& other) : m_record(other.m_record) {}
    // The record this object edits (library-internal type).
    void* m_record;
};

}  // namespace hox
