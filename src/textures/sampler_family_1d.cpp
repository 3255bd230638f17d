// The 1D members of the sampler family. Each type has its own file so
// that the 320 classes compile in four parallel, smaller units.
#include "textures/sampler_family.h"

namespace hox {
namespace textures {

bool addPrototypes1D(PrototypeList& list) { return addTypePrototypes<TEXTURE_TYPE_1D>(list); }

}  // namespace textures
}  // namespace hox
