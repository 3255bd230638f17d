#include "scene/handle_list.h"

namespace hox {
namespace scene {

int findHandle(const HandleList& list, uint32_t value) {
    for (int i = 0; i < list.count(); ++i)
        if (list[i] == value) return i;
    return -1;
}

bool removeHandle(HandleList& list, uint32_t value) {
    const int index = findHandle(list, value);
    if (index < 0) return false;
    list.removeAt(index);
    return true;
}

bool setHandleAt(HandleList& list, int index, uint32_t value) {
    if (index < 0 || index >= list.count()) return false;
    list[index] = value;
    return true;
}

bool replaceHandle(HandleList& list, uint32_t oldValue, uint32_t newValue) {
    return setHandleAt(list, findHandle(list, oldValue), newValue);
}

uint32_t handleAt(const HandleList& list, int index, uint32_t fallback) {
    return index >= 0 && index < list.count() ? list[index] : fallback;
}

}  // namespace scene
}  // namespace hox
