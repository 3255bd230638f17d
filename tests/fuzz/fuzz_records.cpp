// Fuzzes Record::read of every record class, the way the cluster reads the
// object table from a connection.
//
// Input: one byte choosing the class, then the record's stream form.
// Properties: no crash, leak or undefined behaviour on any input; a record
// that reads without failing writes bytes that read back into an equal
// record.
#include <cstddef>
#include <cstdint>

#include "fuzz_stream.h"
#include "hox/handle.h"
#include "scene/record.h"
#include "textures/sampler_registry.h"

namespace {

// Every class with records, in the order of the object table.
const int kRecordClasses[] = {
    hox::CLASS_TYPE_FRAME_DEF,      hox::CLASS_TYPE_RENDER_VIEW,   hox::CLASS_TYPE_CAMERA,
    hox::CLASS_TYPE_FRAMEBUFFER,    hox::CLASS_TYPE_LIGHT,         hox::CLASS_TYPE_GROUP,
    hox::CLASS_TYPE_OBJECT,         hox::CLASS_TYPE_SHADER,        hox::CLASS_TYPE_GEOMETRY,
    hox::CLASS_TYPE_TEXTURE,        hox::CLASS_TYPE_RENDER_OPTIONS, hox::CLASS_TYPE_RENDER_ATTRIBUTES,
    hox::CLASS_TYPE_DEVICE_SETTINGS};
constexpr size_t kClassCount = sizeof(kRecordClasses) / sizeof(kRecordClasses[0]);

// A record with one reference, released when the holder goes.
struct HeldRecord {
    explicit HeldRecord(int type) : record(hox::scene::createRecord(type, 0)) {
        if (record) record->addRef();
    }
    ~HeldRecord() {
        if (record) record->release();
    }
    hox::scene::Record* record;
};

}  // namespace

// Texture records rebuild their samplers through the registry of the
// textures layer; using it links it in, which installs its search.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return hox::textures::SamplerRegistry::instance().count() > 0 ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int type = kRecordClasses[data[0] % kClassCount];
    HeldRecord first(type);
    if (!first.record) hox::fuzz::violated("createRecord refused a record class");

    hox::util::MemorySource source(data + 1, size - 1);
    hox::util::InputStream in(&source);
    first.record->read(in);
    if (in.failed()) return 0;

    const auto written = hox::fuzz::streamBytes([&](hox::util::OutputStream& out) { first.record->write(out); });
    HeldRecord second(type);
    hox::util::MemorySource again(written.data(), written.size());
    hox::util::InputStream in2(&again);
    second.record->read(in2);
    if (in2.failed()) hox::fuzz::violated("a record's own stream form does not read back");
    if (again.remaining() != 0) hox::fuzz::violated("reading back left bytes over");
    const auto rewritten = hox::fuzz::streamBytes([&](hox::util::OutputStream& out) { second.record->write(out); });
    if (rewritten != written) hox::fuzz::violated("record changed over a round trip");
    return 0;
}
