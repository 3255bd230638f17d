#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/aligned_memory.h"
#include "scene/entity_records.h"
#include "scene/record_stream.h"
#include "scene_test_support.h"
#include "scene/settings_records.h"
#include "scene/shader_record.h"
#include "scene/view_records.h"

using namespace hox;
using namespace hox::scene;
using namespace hox::scene::testing;

namespace {

// A null handle in a stream: the 28 instance bits only.
constexpr uint32_t kNull = 0x0FFFFFFFu;
const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Every handle word a record holds, in field order.
std::vector<uint32_t> handles(const Record& r) {
    std::vector<uint32_t> out;
    if (auto* e = dynamic_cast<const EntityRecord*>(&r)) out = {e->entity.shader, e->entity.renderAttributes};
    if (auto* o = recordAs<ObjectRecord>(&r)) out.push_back(o->geometry);
    if (auto* g = recordAs<GroupRecord>(&r)) out.insert(out.end(), g->children.begin(), g->children.end());
    if (auto* f = recordAs<FrameDefRecord>(&r)) {
        out.push_back(f->deviceSettings);
        out.insert(out.end(), f->renderViews.begin(), f->renderViews.end());
    }
    if (auto* v = recordAs<RenderViewRecord>(&r))
        out = {v->sceneRoot, v->camera, v->framebuffer, v->environmentShader, v->renderOptions};
    if (auto* b = recordAs<FramebufferRecord>(&r)) out = {b->viewTag[0], b->viewTag[1]};
    return out;
}

// Elements in the array a record reads last.
int lastArrayCount(const Record& r) {
    if (auto* g = recordAs<GroupRecord>(&r)) return g->children.count();
    if (auto* f = recordAs<FrameDefRecord>(&r)) return f->renderViews.count();
    if (auto* a = recordAs<RenderAttributesRecord>(&r)) return a->removeList.count();
    return 0;
}

// A record of every class but geometry, every field away from its default,
// read from a hand-built stream that must come out again unchanged.
class Samples {
public:
    Samples() {
        const float transform[16] = {-3, -2.5f, -2, -1.5f, -1, -0.5f, 0, 0.5f,
                                     1,  1.5f,  2,  2.5f,  3,  3.5f,  4, 4.5f};
        const float projection[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
        const std::vector<uint32_t> entity = {0xA0000004u, 0xE0000009u};
        add(CLASS_TYPE_CAMERA, entity,
            Words().i(17).f(transform).u(4).u(9).i(2).i(1920).i(1080).f(1.7777778f).f(60).f(2.8f)
                .f(12.5f).f(0.25f).f(-0.125f).f(0.375f).i(10).i(20).i(300).i(400).f(projection).bytes());
        add(CLASS_TYPE_LIGHT, entity,
            Words().i(3).f(transform).u(4).u(9).i(2).f(150).f(0.5f).f(3).f(0.75f).i(9).b(false).bytes());
        // Children are whole handle words: they keep their own classes.
        add(CLASS_TYPE_GROUP,
            {0xA0000004u, 0xE0000009u, 0x60000001u, 0x70000002u, 0x80000003u, 0x90000004u, 0x90000004u},
            Words().i(8).f(transform).u(4).u(9).i(5).u(0x60000001u).u(0x70000002u).u(0x80000003u)
                .u(0x90000004u).u(0x90000004u).bytes());
        add(CLASS_TYPE_OBJECT, {0xA0000004u, 0xE0000009u, 0xB0000123u},
            Words().i(1).f(transform).u(4).u(9).u(0x123).bytes());
        add(CLASS_TYPE_FRAME_DEF, {0xF0000002u, 0x30000000u, 0x30000001u, 0x30000002u},
            Words().i(4).u(2).i(3).u(0).u(1).u(2).bytes());
        add(CLASS_TYPE_RENDER_VIEW, {0x80000001u, 0x60000002u, 0x40000003u, 0xA0000004u, 0xD0000005u},
            Words().i(6).u(1).u(2).u(3).u(4).u(5).bytes());
        add(CLASS_TYPE_FRAMEBUFFER, {0x30000007u, 0x30000008u},
            Words().i(2).i(3).b(false).b(true).u(7).u(8).bytes());
        add(CLASS_TYPE_RENDER_OPTIONS, {},
            Words().i(9).i(12).f(0.25f).i(-2).b(false).i(2).b(false).f(0.3f).b(false).f(0.4f).b(false)
                .f(0.5f).b(false).f(0.6f).b(false).f(0.7f).bytes());
        add(CLASS_TYPE_RENDER_ATTRIBUTES, {},
            Words().i(10).u(0x2A).u(0x08).b(true).f(0.5f).i(3).i(0).i(3).i(6).i(1).i(-7).bytes());
        add(CLASS_TYPE_DEVICE_SETTINGS, {},
            Words().i(11).i(8).s("/opt/render/shaders:/home/user/a-rather-long-shader-directory").b(true)
                .s("render-master.example").i(6000).i(55).i(9).i(77).i(88).i(99).b(true).i(1920).i(1200)
                .b(true).f(0.75f).bytes());
        auto* shader = static_cast<ShaderRecord*>(make(CLASS_TYPE_SHADER, 12));
        shader->shaderName = "phong";
        shader->libraryName = "libstandard_shaders_with_a_name_longer_than_inline.so";
        make(CLASS_TYPE_TEXTURE, 13);
    }
    ~Samples() {
        for (Record* r : records) r->release();
    }

    std::vector<Record*> records;

private:
    Record* make(int type, int instance) {
        Record* r = createRecord(type, instance);
        r->addRef();
        records.push_back(r);
        return r;
    }
    void add(int type, const std::vector<uint32_t>& handleWords, const Bytes& bytes) {
        Record* r = make(type, 0);
        readBack(bytes, *r);
        EXPECT_EQ(bytesOf(*r), bytes) << "class " << type;
        EXPECT_EQ(handles(*r), handleWords) << "class " << type;
    }
};

struct CountedState : FramebufferState {
    explicit CountedState(int* a) : alive(a) { ++*alive; }
    ~CountedState() override { --*alive; }
    int* alive;
};

}  // namespace

TEST(Record, FactoryHeaderAlignmentPublicObjectAndClassChecks) {
    for (int type : {2, 3, 4, 6, 7, 8, 9, 10, 12, 13, 14, 15}) {
        Owned<> r(42, type);
        ASSERT_NE(r.record, nullptr) << type;
        EXPECT_EQ(std::make_tuple(r->type(), r->instance(), r->refCount(), r->handle()),
                  std::make_tuple(type, 42, 1, HandleBase(type, 42)));
        const std::size_t alignment = type == CLASS_TYPE_FRAMEBUFFER || type == CLASS_TYPE_SHADER ? 128 : 16;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(r.record) % alignment, 0u) << type;
    }
    for (int type : {-1, 0, 1, 5, 16, 255}) EXPECT_EQ(createRecord(type, 0), nullptr) << type;

    Owned<CameraRecord> cam(3);
    Class* object = cam->publicObject();
    EXPECT_EQ(Record::fromPublic(object), cam.record);
    // The public object's single pointer member holds the record's address.
    EXPECT_EQ(*reinterpret_cast<void**>(object), static_cast<void*>(cam.record));
    EXPECT_EQ(Record::fromPublic(nullptr), nullptr);
    EXPECT_EQ(recordAs<LightRecord>(static_cast<Record*>(cam.record)), nullptr);
    EXPECT_EQ(recordAs<CameraRecord>(static_cast<Record*>(cam.record)), cam.record);
    // The edit stamp is for geometry only; a copy from another class is ignored.
    const Bytes before = bytesOf(*cam.record);
    cam->setEditStamp(77);
    Owned<LightRecord> light(0);
    light->parameter0 = 5.0f;
    cam->copyFrom(*light.record);
    EXPECT_EQ(bytesOf(*cam.record), before);
}

TEST(Record, NullHandlesKeepTheirClassThroughAStream) {
    // The stream carries only the 28 instance bits; the reader restores the class.
    const std::pair<int, std::vector<uint32_t>> cases[] = {
        {CLASS_TYPE_OBJECT, {0xAFFFFFFFu, 0xEFFFFFFFu, 0xBFFFFFFFu}},
        {CLASS_TYPE_FRAME_DEF, {0xFFFFFFFFu}},
        {CLASS_TYPE_RENDER_VIEW, {0x8FFFFFFFu, 0x6FFFFFFFu, 0x4FFFFFFFu, 0xAFFFFFFFu, 0xDFFFFFFFu}},
        {CLASS_TYPE_FRAMEBUFFER, {0x3FFFFFFFu, 0x3FFFFFFFu}}};
    for (const auto& c : cases) {
        Owned<> fresh(5, c.first), read(0, c.first);
        EXPECT_EQ(handles(*fresh.record), c.second) << c.first;
        readBack(bytesOf(*fresh.record), *read.record);
        EXPECT_EQ(handles(*read.record), c.second) << c.first;
    }
}

TEST(Record, EveryClassRoundTripsAndCopiesDeeply) {
    Samples samples;
    for (Record* sample : samples.records) {
        SCOPED_TRACE(sample->type());
        const Bytes bytes = bytesOf(*sample);
        Owned<> read(0, sample->type()), copy(sample->instance(), sample->type());
        readBack(bytes, *read.record);
        readBack(bytes, *read.record);  // arrays are replaced, not appended to
        EXPECT_EQ(std::make_tuple(read->instance(), bytesOf(*read.record), handles(*read.record)),
                  std::make_tuple(sample->instance(), bytes, handles(*sample)));
        copy->copyFrom(*sample);
        EXPECT_EQ(std::make_tuple(bytesOf(*copy.record), handles(*copy.record)), std::make_tuple(bytes, handles(*sample)));
        // Changing the copy's arrays and texts leaves the sample alone.
        if (auto* g = recordAs<GroupRecord>(copy.record)) {
            g->children[1] = 0x80000005u;
            g->children.push(0x90000009u);
        }
        if (auto* a = recordAs<RenderAttributesRecord>(copy.record)) {
            a->addList[0] = 10;
            a->removeList.push(3);
        }
        if (auto* d = recordAs<DeviceSettingsRecord>(copy.record)) d->settings.shaderPath[0] = 'X';
        if (auto* f = recordAs<FrameDefRecord>(copy.record)) f->renderViews[0] = 0x30000009u;
        EXPECT_EQ(bytesOf(*sample), bytes);
    }
}

TEST(Record, FramebufferPointersStayWithTheHostAndTheEngine) {
    int alive = 0;
    {
        Owned<FramebufferRecord> a(2), b(0);
        a->swapCallback = reinterpret_cast<IFramebufferCallback*>(0x1000);
        a->isStatic[1] = true;
        a->state = platform::alignedNew<CountedState>(16, &alive);
        b->state = platform::alignedNew<CountedState>(16, &alive);
        FramebufferState* localState = b->state;
        readBack(bytesOf(*a.record), *b.record);
        EXPECT_TRUE(b->isStatic[1]);
        EXPECT_EQ(b->swapCallback, nullptr) << "the host's pointer stays on the host";
        EXPECT_EQ(b->state, localState);

        Owned<FramebufferRecord> c(2);
        c->copyFrom(*a.record);
        EXPECT_EQ(c->swapCallback, a->swapCallback);
        EXPECT_EQ(c->state, nullptr) << "the render state stays with the old version";
        EXPECT_EQ(alive, 2);
    }
    EXPECT_EQ(alive, 0) << "each owned state goes with its record";
}

// --- hostile input ----------------------------------------------------------

TEST(RecordStreamHostile, EveryTruncationOfEveryClassFailsCleanly) {
    Samples samples;
    for (const Record* sample : samples.records) {
        const Bytes bytes = bytesOf(*sample);
        for (size_t size = 0; size < bytes.size(); ++size) {
            Owned<> target(0, sample->type());
            EXPECT_FALSE(readInto(bytes, *target.record, size))
                << "class " << sample->type() << " cut at " << size;
            EXPECT_EQ(lastArrayCount(*target.record), 0) << "never left half-filled";
        }
    }
}

TEST(RecordStreamHostile, NegativeAndAbsurdCountsEmptyTheArray) {
    const Bytes header = Words().i(1).f(kIdentity).u(kNull).u(kNull).bytes();
    for (int32_t count : {-1, 0x7FFFFFFF, 1000000}) {
        Bytes bytes = header;
        // A few children, far fewer than announced.
        const Bytes tail = Words().i(count).u(0x60000000u).u(0x60000001u).u(0x60000002u).bytes();
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        Owned<GroupRecord> g(0);
        g->children.push(0x80000001u);
        EXPECT_FALSE(readInto(bytes, *g.record)) << count;
        EXPECT_EQ(std::make_tuple(g->children.count(), g->children.capacity()), std::make_tuple(0, 0))
            << count;
    }
    // The second list of the attributes fails the read as well.
    Owned<RenderAttributesRecord> r(0);
    EXPECT_FALSE(readInto(Words().i(0).u(0).u(0).b(false).f(1).i(1).i(4).i(-5).bytes(), *r.record));
    EXPECT_EQ(r->removeList.count(), 0);
}

TEST(RecordStreamHostile, AnArrayGrowsOnlyWithTheDataThatArrives) {
    // Announce 100 million elements, deliver 5,000: the memory taken must
    // follow what arrived, not what was announced.
    const int delivered = 5000;
    Words words;
    words.i(100000000);
    for (int i = 0; i < delivered; ++i) words.i(i);
    const Bytes bytes = words.bytes();
    util::MemorySource source(bytes.data(), bytes.size());
    util::InputStream in(&source);
    util::GrowableArray<int32_t> array;
    int largestCapacity = 0;
    readArray(in, array, [&](util::InputStream& i) {
        if (array.capacity() > largestCapacity) largestCapacity = array.capacity();
        return i.readInt32();
    });
    EXPECT_TRUE(in.failed());
    EXPECT_EQ(array.count(), 0);
    EXPECT_GT(largestCapacity, 0);
    EXPECT_LE(largestCapacity, 2 * delivered + kStreamArrayFirstBlock);
}
