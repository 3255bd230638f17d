// The 2D members of the sampler family. Each type has its own file so
// that the 320 classes compile in four parallel, smaller units.
#include "textures/sampler_family.h"

namespace hox {
namespace textures {

bool addPrototypes2D(PrototypeList& list) { return addTypePrototypes<TEXTURE_TYPE_2D>(list); }

}  // namespace textures
}  // namespace hox
