// AccelerationData: what a geometry's compiled mesh looks like to the scene
// model. The mesh itself is built and walked by the layers below; the
// geometry record only holds a counted reference to it, shared by every
// object that uses the geometry.
#pragma once

#include <atomic>

namespace hox {
namespace scene {

class AccelerationData {
public:
    AccelerationData() : m_refCount(0) {}
    virtual ~AccelerationData() {}

    void addRef() { m_refCount.fetch_add(1, std::memory_order_relaxed); }
    // Destroys the data with the last reference.
    void release() {
        if (m_refCount.fetch_sub(1, std::memory_order_acq_rel) == 1) destroy();
    }
    int refCount() const { return m_refCount.load(std::memory_order_acquire); }

protected:
    // Frees the object (it knows how it was allocated).
    virtual void destroy() { delete this; }

private:
    std::atomic<int> m_refCount;
};

}  // namespace scene
}  // namespace hox
