// Helpers shared by the geometry tests: building small meshes and catching
// the library's warnings.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hox/message_callback.h"
#include "scene/geometry_edit.h"
#include "scene/geometry_record.h"
#include "util/messages.h"

namespace hox {
namespace scene {
namespace testing {

// Initialises `g` and sets its indices and coordinates.
inline void buildMesh(GeometryRecord& g, const std::vector<int>& indices,
                      const std::vector<Vec3f>& coords) {
    ASSERT_EQ(0, initGeometry(g, kGeometryTypeTriangles, static_cast<int>(indices.size() / 3),
                              static_cast<int>(coords.size())));
    ASSERT_EQ(0, setGeometryIndices(g, indices.data()));
    ASSERT_EQ(0, setGeometryCoords(g, coords.data()));
}

// The triangle (0,0,0) (1,0,0) (0,1,0).
inline void buildUnitTriangle(GeometryRecord& g) {
    buildMesh(g, {0, 1, 2}, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
}

// Collects warnings while it lives; restores printing to standard output
// afterwards so later tests are not affected.
class WarningCatcher : public IMessageCallback {
public:
    WarningCatcher() { util::setMessageCallback(this); }
    ~WarningCatcher() override { util::setMessageCallback(nullptr); }
    void message(int, const char*) override {}
    void warning(const char* text) override { warnings.push_back(text); }
    void error(const char* text) override { errors.push_back(text); }

    std::vector<std::string> warnings;
    std::vector<std::string> errors;
};

inline void expectVec3Near(const Vec3f& expected, const Vec3f& actual, float tolerance = 1e-6f) {
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
}

}  // namespace testing
}  // namespace scene
}  // namespace hox
