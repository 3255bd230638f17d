// The 3D members of the sampler family. Each type has its own file so
// that the 320 classes compile in four parallel, smaller units.
#include "textures/sampler_family.h"

namespace hox {
namespace textures {

bool addPrototypes3D(PrototypeList& list) { return addTypePrototypes<TEXTURE_TYPE_3D>(list); }

}  // namespace textures
}  // namespace hox
