// Entities: the nodes of the scene graph (Camera, Light, Group, Object).
//
// Like every scene class, these are views on the record version that
// beginEdit returned: the object holds only that record's address, and its
// member functions read or change the record. Handles passed in are stored
// unchanged; whether they name live objects of the right class is checked
// when a frame is built, not here.
#pragma once

#include "hox/config.h"
#include "hox/handle.h"
#include "hox/types.h"

namespace hox {

// Walks a group's children in order. It holds two pointers (current, end)
// into the group's record version, so it stays valid only until the group is
// edited again. An empty group gives two null pointers.
//
// Both loop styles work:
//     for (EntityConstIterator it = group->getChildren(); it.valid(); it.next())
//         use(it.get());
//     for (EntityHandle child : group->getChildren())
//         use(child);
class HOX_API EntityConstIterator {
public:
    EntityConstIterator() : m_current(nullptr), m_end(nullptr) {}
    EntityConstIterator(const unsigned int* current, const unsigned int* end)
        : m_current(current), m_end(end) {}

    bool valid() const { return m_current != m_end; }
    void next() { ++m_current; }
    // The current child; call only while valid().
    EntityHandle get() const { return HandleBase::fromValue(*m_current); }
    // Children not yet visited.
    int remaining() const { return static_cast<int>(m_end - m_current); }

    EntityConstIterator& operator++() {
        ++m_current;
        return *this;
    }
    EntityHandle operator*() const { return get(); }
    bool operator==(const EntityConstIterator& other) const { return m_current == other.m_current; }
    bool operator!=(const EntityConstIterator& other) const { return m_current != other.m_current; }

    // Range form: the iterator is its own range, from the current child on.
    EntityConstIterator begin() const { return *this; }
    EntityConstIterator end() const { return EntityConstIterator(m_end, m_end); }

private:
    const unsigned int* m_current;
    const unsigned int* m_end;
};

class HOX_API Entity : public Class {
public:
    enum { TypeId = CLASS_TYPE_ENTITY };

    // The entity's own transform (row-vector convention, translation in
    // elements 12 to 14); the groups above it apply theirs after it.
    void setTransform(const Mat4f& transform);
    void getTransform(Mat4f& transform) const;
    // Returns 0.
    int setShader(const THandle<Shader>& shader);
    // Attributes given here override the ones inherited from the groups above.
    void setRenderAttributes(const THandle<RenderAttributes>& attributes);
};

class HOX_API Object : public Entity {
public:
    enum { TypeId = CLASS_TYPE_OBJECT };

    // Returns 0.
    int setGeometry(const THandle<Geometry>& geometry);
    // A reference to the handle stored in this record version; it follows
    // later setGeometry calls on this same object and lives as long as the
    // version does.
    const THandle<Geometry>& getGeometry() const;
};

// A group's children are entity handles compared as whole 32-bit values;
// the same child may appear more than once.
class HOX_API Group : public Entity {
public:
    enum { TypeId = CLASS_TYPE_GROUP };

    // Appends. When the child array is full it grows by its growth step; if
    // that memory cannot be obtained nothing is appended.
    void addChild(const EntityHandle& child);
    // Removes the first equal child; later children move down one place.
    // 0, or 4096 when no child equals it.
    int removeChild(const EntityHandle& child);
    // 0, or -1 when index is not in [0, getNumChildren()).
    int setChild(int index, const EntityHandle& child);
    // Replaces the first child equal to oldChild. 0, or -1 when there is none.
    int replaceChild(const EntityHandle& oldChild, const EntityHandle& newChild);
    // Index of the first equal child, or -1.
    int findChild(const EntityHandle& child) const;
    // Empties the list but keeps its memory for the children added next.
    void removeAllChildren();
    int getNumChildren() const;
    // The child at index. An index outside [0, getNumChildren()) gives the
    // null Entity handle rather than reading outside the list.
    EntityHandle getChild(int index) const;
    EntityConstIterator getChildren() const;
};

// Based on int so that any number a host passes is a value of the type;
// the setters answer ids outside the list with 4097.
enum ELightType : int {
    LIGHT_TYPE_POINT = 0,        // at the light's position; a spot light through its cone angle
    LIGHT_TYPE_DIRECTIONAL = 1,  // along the light's -Z axis from far away
    LIGHT_TYPE_AMBIENT = 2       // no direction; read by the ambient shading service only
};

// A light sits at the translation of its world matrix and points along the
// matrix's -Z axis.
enum ELightParameter : int {
    // float, default 1e20: how far the light reaches. Scaled by the light's
    // world scale (the length of the world matrix's first row).
    LIGHT_PARAMETER_RANGE = 0,
    // float, radians, default pi: half-angle of a point light's cone around
    // -Z. The default lets light out in every direction.
    LIGHT_PARAMETER_CONE_ANGLE = 1,
    // float, default 0: radius of a point light, giving soft shadows when
    // above 0. Scaled by the light's world scale.
    LIGHT_PARAMETER_RADIUS = 2,
    // float, given in degrees, default 0: apparent size of a directional
    // light. Clamped to at most 45 degrees (negative or not a number gives
    // 0) and kept as its tangent, which is what the soft-shadow sampling
    // scales its disk by.
    LIGHT_PARAMETER_ANGULAR_SIZE = 3,
    // bool, default true: the light is blocked by objects (shadows).
    LIGHT_PARAMETER_CAST_SHADOWS = 4,
    // int, default 0: the light's group, which illuminance queries can select
    // or exclude.
    LIGHT_PARAMETER_LIGHT_GROUP = 5
};

class HOX_API Light : public Entity {
public:
    enum { TypeId = CLASS_TYPE_LIGHT };

    // 0, or 4097 for a type other than 0, 1 and 2 (the type is then kept).
    int setLightType(ELightType type);
    ELightType getLightType() const;
    // Each setter handles the parameters of its kind: 1f ids 0 to 3, 1b id 4,
    // 1i id 5. 0, or 4097 for any other id.
    int setParameter1f(ELightParameter parameter, float value);
    int setParameter1b(ELightParameter parameter, bool value);
    int setParameter1i(ELightParameter parameter, int value);
    // The stored value (id 3 as its tangent). 0, or 4097 for an id of
    // another kind.
    int getParameter1f(ELightParameter parameter, float& value) const;
    int getParameter1b(ELightParameter parameter, bool& value) const;
    int getParameter1i(ELightParameter parameter, int& value) const;
};

}  // namespace hox
