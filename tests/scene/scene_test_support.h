// Helpers of the scene tests (and the shader tests): owned records, record
// streams, small meshes and catching the library's messages.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hox/message_callback.h"
#include "scene/geometry_edit.h"
#include "scene/geometry_record.h"
#include "scene/record.h"
#include "util/byte_stream.h"
#include "util/memory_stream.h"
#include "util/messages.h"

namespace hox {
namespace scene {
namespace testing {

using Bytes = std::vector<uint8_t>;

// Owns a record made by createRecord, as a table slot would.
template <typename R = Record>
struct Owned {
    explicit Owned(int instance = 0, int type = R::kClassType)
        : record(static_cast<R*>(createRecord(type, instance))) {
        if (record) record->addRef();
    }
    ~Owned() {
        if (record) record->release();
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    R* operator->() const { return record; }
    R& operator*() const { return *record; }
    R* record;
};

// The stream form of a record or of any part with write().
template <typename T>
Bytes bytesOf(const T& data) {
    util::MemorySink sink;
    util::OutputStream out(&sink);
    data.write(out);
    out.flush();
    return sink.bytes();
}

// Reads the first `size` bytes (all by default) into `target`; returns
// whether the stream is still good.
inline bool readInto(const Bytes& bytes, Record& target, size_t size = SIZE_MAX) {
    util::MemorySource source(bytes.data(), size < bytes.size() ? size : bytes.size());
    util::InputStream in(&source);
    target.read(in);
    return !in.failed();
}

// Reads `bytes` into `target`, which must consume exactly all of them.
inline void readBack(const Bytes& bytes, Record& target) {
    util::MemorySource source(bytes.data(), bytes.size());
    util::InputStream in(&source);
    target.read(in);
    ASSERT_FALSE(in.failed());
    in.readUInt8();
    EXPECT_TRUE(in.failed()) << "record left unread bytes";
}

// Builds a stream by hand, word by word.
class Words {
public:
    Words& i(int32_t v) { out.writeInt32(v); return *this; }
    Words& u(uint32_t v) { out.writeUInt32(v); return *this; }
    Words& f(float v) { out.writeFloat(v); return *this; }
    Words& b(bool v) { out.writeBool(v); return *this; }
    Words& s(const char* text) { out.writeString(util::String(text)); return *this; }
    template <size_t N>
    Words& f(const float (&values)[N]) {
        for (float v : values) f(v);
        return *this;
    }
    Bytes bytes() {
        out.flush();
        return sink.bytes();
    }

private:
    util::MemorySink sink;
    util::OutputStream out{&sink};
};

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

// Collects warnings and errors while it lives, then restores printing.
class MessageCatcher : public IMessageCallback {
public:
    MessageCatcher() { util::setMessageCallback(this); }
    ~MessageCatcher() override { util::setMessageCallback(nullptr); }
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
