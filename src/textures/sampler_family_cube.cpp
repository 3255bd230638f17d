// The cube map members of the sampler family. Each type has its own file so
// that the 320 classes compile in four parallel, smaller units.
#include "textures/sampler_family.h"

namespace hox {
namespace textures {

bool addPrototypesCube(PrototypeList& list) { return addTypePrototypes<TEXTURE_TYPE_CUBE>(list); }

}  // namespace textures
}  // namespace hox
