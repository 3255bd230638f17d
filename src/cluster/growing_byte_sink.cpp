#include "cluster/growing_byte_sink.h"

#include <climits>
#include <cstring>

namespace hox {
namespace cluster {

int GrowingByteSink::write(const void* data, int count) {
    if (!data || count <= 0) return 0;
    const int64_t need = static_cast<int64_t>(bytes_.count()) + count;
    if (need > INT_MAX) return 0;
    if (need > bytes_.capacity()) {
        const int64_t step = kGrowthStep;
        int64_t capacity = (need + step - 1) / step * step;
        if (capacity > INT_MAX) capacity = need;
        if (!bytes_.reserve(static_cast<int>(capacity))) return 0;
    }
    const int at = bytes_.count();
    if (!bytes_.resize(static_cast<int>(need))) return 0;
    std::memcpy(bytes_.data() + at, data, static_cast<std::size_t>(count));
    return count;
}

}  // namespace cluster
}  // namespace hox
