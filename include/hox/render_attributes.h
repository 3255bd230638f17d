// RenderAttributes: per entity settings inherited down the scene graph.
#pragma once

#include "hox/config.h"
#include "hox/handle.h"

namespace hox {

// Based on int so that any number a host passes is a value of the type;
// the setters answer ids outside the list with 4097.
//
// An attribute set on an entity's attributes overrides the one inherited from
// the groups above it; one not set (or removed) is inherited. The six
// visibility attributes say which kinds of ray see the entity's objects.
enum ERenderAttribute : int {
    ATTRIBUTE_CAMERA_RAYS = 0,            // bool: primary rays
    ATTRIBUTE_REFLECTION_RAYS = 1,        // bool
    ATTRIBUTE_REFRACTION_RAYS = 2,        // bool
    ATTRIBUTE_SHADOW_RAYS = 3,            // bool: shadow transmission rays
    ATTRIBUTE_OCCLUSION_RAYS = 4,         // bool: ambient occlusion rays
    ATTRIBUTE_INDIRECT_DIFFUSE_RAYS = 5,  // bool
    ATTRIBUTE_OCCLUSION_RANGE = 6,        // float: reach of ambient occlusion rays
    ATTRIBUTE_ADD_LIST = 7,               // int list: lights added to the inherited light set
    ATTRIBUTE_REMOVE_LIST = 8             // int list: lights removed from it (before the adds)
};

// Every operation returns 0, or 4097 for an id of another kind or an unknown
// id (nothing is changed then).
class HOX_API RenderAttributes : public Class {
public:
    enum { TypeId = CLASS_TYPE_RENDER_ATTRIBUTES };

    // Ids 0 to 5.
    int setAttribute1b(ERenderAttribute attribute, bool value);
    // Id 6.
    int setAttribute1f(ERenderAttribute attribute, float value);
    // Ids 7 and 8: the list becomes the count values given; a count of at
    // most 0 or a null pointer empties it. -1 when the memory for the list
    // cannot be obtained (the list is then empty).
    int setAttribute1iv(ERenderAttribute attribute, int count, const int* values);
    // Ids 0 to 8: the attribute is inherited again.
    int removeAttribute(ERenderAttribute attribute);
};

}  // namespace hox
