#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/aligned_memory.h"
#include "scene/entity_records.h"
#include "scene/record_stream.h"
#include "scene/settings_records.h"
#include "scene/shader_record.h"
#include "scene/view_records.h"
#include "util/memory_stream.h"

using namespace hox;
using namespace hox::scene;

namespace {

// Owns a record made by createRecord, like a table slot would.
template <typename R>
struct Owned {
    R* record;
    explicit Owned(int instance) : record(recordAs<R>(createRecord(R::kClassType, instance))) {
        if (record) record->addRef();
    }
    ~Owned() {
        if (record) record->release();
    }
    R* operator->() { return record; }
    R& operator*() { return *record; }
};

std::vector<uint8_t> bytesOf(const Record& record) {
    util::MemorySink sink;
    util::OutputStream out(&sink);
    record.write(out);
    out.flush();
    return sink.bytes();
}

// Reads `bytes` into `target` and checks that the record consumed exactly
// all of them.
void readBack(const std::vector<uint8_t>& bytes, Record& target) {
    util::MemorySource source(bytes.data(), bytes.size());
    util::InputStream in(&source);
    target.read(in);
    ASSERT_FALSE(in.failed());
    in.readUInt8();
    EXPECT_TRUE(in.failed()) << "record left unread bytes";
}

// Reads a stream that ends after `size` bytes of `bytes`.
bool readTruncated(const std::vector<uint8_t>& bytes, size_t size, Record& target) {
    util::MemorySource source(bytes.data(), size);
    util::InputStream in(&source);
    target.read(in);
    return in.failed();
}

uint32_t wordAt(const std::vector<uint8_t>& bytes, size_t offset) {
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 |
           uint32_t(bytes[offset + 2]) << 16 | uint32_t(bytes[offset + 3]) << 24;
}

void expectIdentity(const Mat4f& m) {
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], (i % 5 == 0) ? 1.0f : 0.0f) << "element " << i;
}

void setEntity(EntityPart& e) {
    for (int i = 0; i < 16; ++i) e.transform.m[i] = 0.5f * float(i) - 3.0f;
    e.shader = 0xA0000004u;
    e.renderAttributes = 0xE0000009u;
}

void expectSameEntity(const EntityPart& a, const EntityPart& b) {
    EXPECT_EQ(0, std::memcmp(a.transform.m, b.transform.m, sizeof a.transform.m));
    EXPECT_EQ(a.shader, b.shader);
    EXPECT_EQ(a.renderAttributes, b.renderAttributes);
}

}  // namespace

// --- creation ---------------------------------------------------------------

TEST(RecordFactory, MakesTheRecordOfEachTabledClassWithItsHeader) {
    const int types[] = {2, 3, 4, 6, 7, 8, 9, 10, 12, 13, 14, 15};
    for (int type : types) {
        Record* r = createRecord(type, 42);
        ASSERT_NE(r, nullptr) << type;
        EXPECT_EQ(r->type(), type);
        EXPECT_EQ(r->instance(), 42);
        EXPECT_EQ(r->refCount(), 0);
        EXPECT_EQ(r->handle(), HandleBase(type, 42));
        std::size_t alignment = (type == CLASS_TYPE_FRAMEBUFFER || type == CLASS_TYPE_SHADER) ? 128 : 16;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(r) % alignment, 0u) << type;
        r->addRef();
        r->release();
    }
}

TEST(RecordFactory, RefusesValuesThatAreNoTabledClass) {
    for (int type : {-1, 0, 1, 5, 16, 255}) EXPECT_EQ(createRecord(type, 0), nullptr) << type;
}

TEST(Record, PublicObjectLeadsBackToItsRecord) {
    Owned<CameraRecord> cam(3);
    Class* object = cam->publicObject();
    EXPECT_EQ(Record::fromPublic(object), cam.record);
    // The public object's single pointer member holds the record's address.
    EXPECT_EQ(*reinterpret_cast<void**>(object), static_cast<void*>(cam.record));
    EXPECT_EQ(Record::fromPublic(nullptr), nullptr);
}

TEST(Record, EditStampIsIgnoredOutsideGeometry) {
    Owned<CameraRecord> cam(0);
    std::vector<uint8_t> before = bytesOf(*cam);
    cam->setEditStamp(77);
    EXPECT_EQ(bytesOf(*cam), before);
}

TEST(Record, RecordAsChecksTheClass) {
    Owned<CameraRecord> cam(0);
    EXPECT_EQ(recordAs<LightRecord>(static_cast<Record*>(cam.record)), nullptr);
    EXPECT_EQ(recordAs<CameraRecord>(static_cast<Record*>(cam.record)), cam.record);
}

// --- defaults ---------------------------------------------------------------

TEST(RecordDefaults, Camera) {
    Owned<CameraRecord> c(0);
    expectIdentity(c->entity.transform);
    EXPECT_EQ(c->entity.shader, 0xAFFFFFFFu);
    EXPECT_EQ(c->entity.renderAttributes, 0xEFFFFFFFu);
    EXPECT_EQ(c->cameraType, 0);
    EXPECT_EQ(c->width, 640);
    EXPECT_EQ(c->height, 480);
    EXPECT_EQ(c->aspectRatio, 1.3333334f);
    EXPECT_EQ(c->fieldOfView, 45.0f);
    EXPECT_EQ(c->aperture, 1.0f);
    EXPECT_EQ(c->focalDistance, 1.0f);
    EXPECT_EQ(c->lensRadius, 0.0f);
    EXPECT_EQ(c->offsetX, 0.0f);
    EXPECT_EQ(c->offsetY, 0.0f);
    EXPECT_EQ(c->windowRegion[0], 0);
    EXPECT_EQ(c->windowRegion[1], 0);
    EXPECT_EQ(c->windowRegion[2], 0x7FFFFFFF);
    EXPECT_EQ(c->windowRegion[3], 0x7FFFFFFF);
    const float projection[3][3] = {{-0.5f, -0.5f, 1.0f}, {0.5f, -0.5f, 1.0f}, {-0.5f, 0.5f, 1.0f}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(c->projection[i].x, projection[i][0]);
        EXPECT_EQ(c->projection[i].y, projection[i][1]);
        EXPECT_EQ(c->projection[i].z, projection[i][2]);
    }
}

TEST(RecordDefaults, LightGroupObject) {
    Owned<LightRecord> l(0);
    expectIdentity(l->entity.transform);
    EXPECT_EQ(l->lightType, 0);
    EXPECT_EQ(l->parameter0, 1e20f);
    EXPECT_EQ(l->parameter1, 3.1415927f);
    EXPECT_EQ(l->parameter2, 0.0f);
    EXPECT_EQ(l->parameter3, 0.0f);
    EXPECT_EQ(l->parameter5, 0);
    EXPECT_TRUE(l->parameter4);

    Owned<GroupRecord> g(0);
    EXPECT_EQ(g->entity.shader, 0xAFFFFFFFu);
    EXPECT_EQ(g->children.count(), 0);

    Owned<ObjectRecord> o(0);
    EXPECT_EQ(o->geometry, 0xBFFFFFFFu);
    EXPECT_EQ(o->entity.renderAttributes, 0xEFFFFFFFu);
}

TEST(RecordDefaults, FrameDefRenderViewFramebuffer) {
    Owned<FrameDefRecord> f(0);
    EXPECT_EQ(f->deviceSettings, 0xFFFFFFFFu);
    EXPECT_EQ(f->renderViews.count(), 0);

    Owned<RenderViewRecord> v(0);
    EXPECT_EQ(v->sceneRoot, 0x8FFFFFFFu);
    EXPECT_EQ(v->camera, 0x6FFFFFFFu);
    EXPECT_EQ(v->framebuffer, 0x4FFFFFFFu);
    EXPECT_EQ(v->environmentShader, 0xAFFFFFFFu);
    EXPECT_EQ(v->renderOptions, 0xDFFFFFFFu);

    Owned<FramebufferRecord> b(0);
    EXPECT_EQ(b->swapCallback, nullptr);
    EXPECT_EQ(b->format, 0);
    EXPECT_FALSE(b->isStatic[0]);
    EXPECT_FALSE(b->isStatic[1]);
    EXPECT_EQ(b->viewTag[0], 0x3FFFFFFFu);
    EXPECT_EQ(b->viewTag[1], 0x3FFFFFFFu);
    EXPECT_EQ(b->state, nullptr);
}

TEST(RecordDefaults, RenderOptionsAndTheBuiltInRecordAgree) {
    Owned<RenderOptionsRecord> r(0);
    const RenderOptionsData* both[] = {&r->options, &RenderOptionsRecord::builtInDefaults()};
    for (const RenderOptionsData* o : both) {
        EXPECT_EQ(o->traceDepth, 5);
        EXPECT_EQ(o->traceDepthThreshold, 0.005f);
        EXPECT_EQ(o->samplingRate, 0);
        EXPECT_TRUE(o->progressiveSampling);
        EXPECT_EQ(o->maxProgressiveSamplingRate, 4);
        EXPECT_TRUE(o->transmission);
        EXPECT_EQ(o->transmissionAccuracy, 0.1f);
        EXPECT_TRUE(o->occlusion);
        EXPECT_EQ(o->occlusionAccuracy, 0.1f);
        EXPECT_TRUE(o->globalIllumination);
        EXPECT_EQ(o->globalIlluminationAccuracy, 0.1f);
        EXPECT_TRUE(o->glossyReflections);
        EXPECT_EQ(o->glossyReflectionsAccuracy, 0.1f);
        EXPECT_TRUE(o->glossyRefractions);
        EXPECT_EQ(o->glossyRefractionsAccuracy, 0.1f);
    }
}

TEST(RecordDefaults, RenderAttributes) {
    Owned<RenderAttributesRecord> a(0);
    EXPECT_EQ(a->givenMask, 0u);
    EXPECT_EQ(a->offMask, 0u);
    EXPECT_FALSE(a->floatGiven);
    EXPECT_EQ(a->floatValue, 1.0f);
    EXPECT_EQ(a->addList.count(), 0);
    EXPECT_EQ(a->removeList.count(), 0);
}

TEST(RecordDefaults, DeviceSettings) {
    Owned<DeviceSettingsRecord> d(0);
    const DeviceSettingsData& s = d->settings;
    EXPECT_EQ(s.threadCount, 0);
    EXPECT_STREQ(s.shaderPath.c_str(), "");
    EXPECT_FALSE(s.clusterEnabled);
    EXPECT_STREQ(s.clusterMasterHost.c_str(), "localhost");
    EXPECT_EQ(s.clusterMasterPort, 50709);
    EXPECT_EQ(s.setting5, 0);
    EXPECT_EQ(s.clusterTileQueueSize, 5);
    EXPECT_EQ(s.setting7, 0);
    EXPECT_EQ(s.setting8, 0);
    EXPECT_EQ(s.setting9, 1);
    EXPECT_FALSE(s.setting10);
    EXPECT_EQ(s.clusterMasterDisplayWidth, 1024);
    EXPECT_EQ(s.clusterMasterDisplayHeight, 1024);
    EXPECT_FALSE(s.setting13);
    EXPECT_EQ(s.clusterImageCompressionLevel, 0.25f);
}

TEST(RecordDefaults, ShaderHasNoNames) {
    Owned<ShaderRecord> s(0);
    EXPECT_EQ(s->shaderName.length(), 0);
    EXPECT_EQ(s->libraryName.length(), 0);
    EXPECT_EQ(s->shaderObject, nullptr);
}

// --- stream form ------------------------------------------------------------

TEST(RecordStream, RenderViewWireLayoutCarriesInstancesOnly) {
    Owned<RenderViewRecord> v(5);
    v->sceneRoot = 0x80000002u;
    v->camera = 0x60000011u;
    std::vector<uint8_t> bytes = bytesOf(*v);
    ASSERT_EQ(bytes.size(), 24u);
    EXPECT_EQ(wordAt(bytes, 0), 5u);
    EXPECT_EQ(wordAt(bytes, 4), 2u);
    EXPECT_EQ(wordAt(bytes, 8), 0x11u);
    EXPECT_EQ(wordAt(bytes, 12), 0xFFFFFFFu);  // null framebuffer
}

TEST(RecordStream, DeviceSettingsTravelFieldByFieldInTableOrder) {
    Owned<DeviceSettingsRecord> d(3);
    std::vector<uint8_t> expected;
    auto word = [&expected](uint32_t v) {
        for (int b = 0; b < 4; ++b) expected.push_back(uint8_t(v >> (8 * b)));
    };
    word(3);                       // instance
    word(0);                       // threadCount
    word(0);                       // shaderPath: empty
    expected.push_back(0);         // clusterEnabled
    word(9);                       // clusterMasterHost
    for (const char* c = "localhost"; *c; ++c) expected.push_back(uint8_t(*c));
    for (uint32_t v : {50709u, 0u, 5u, 0u, 0u, 1u}) word(v);  // port, 5, queue, 7, 8, 9
    expected.push_back(0);         // setting10
    word(1024);
    word(1024);
    expected.push_back(0);         // setting13
    word(0x3E800000u);             // 0.25f
    EXPECT_EQ(bytesOf(*d), expected);
}

TEST(RecordStream, LightEndsWithItsIntegerThenItsFlag) {
    Owned<LightRecord> l(0);
    l->parameter5 = 0x01020304;
    std::vector<uint8_t> bytes = bytesOf(*l);
    ASSERT_EQ(bytes.size(), 4u + 72u + 4u + 16u + 4u + 1u);
    EXPECT_EQ(wordAt(bytes, bytes.size() - 5), 0x01020304u);
    EXPECT_EQ(bytes.back(), 1);
}

TEST(RecordStream, CameraRoundTrip) {
    Owned<CameraRecord> a(17);
    setEntity(a->entity);
    a->cameraType = 2;
    a->width = 1920;
    a->height = 1080;
    a->aspectRatio = 1.7777778f;
    a->fieldOfView = 60.0f;
    a->aperture = 2.8f;
    a->focalDistance = 12.5f;
    a->lensRadius = 0.25f;
    a->offsetX = -0.125f;
    a->offsetY = 0.375f;
    a->windowRegion[0] = 10;
    a->windowRegion[1] = 20;
    a->windowRegion[2] = 300;
    a->windowRegion[3] = 400;
    a->projection[0] = Vec3f{1, 2, 3};
    a->projection[1] = Vec3f{4, 5, 6};
    a->projection[2] = Vec3f{7, 8, 9};

    Owned<CameraRecord> b(0);
    readBack(bytesOf(*a), *b);
    EXPECT_EQ(b->instance(), 17);
    expectSameEntity(a->entity, b->entity);
    EXPECT_EQ(b->cameraType, 2);
    EXPECT_EQ(b->width, 1920);
    EXPECT_EQ(b->height, 1080);
    EXPECT_EQ(b->aspectRatio, 1.7777778f);
    EXPECT_EQ(b->fieldOfView, 60.0f);
    EXPECT_EQ(b->aperture, 2.8f);
    EXPECT_EQ(b->focalDistance, 12.5f);
    EXPECT_EQ(b->lensRadius, 0.25f);
    EXPECT_EQ(b->offsetX, -0.125f);
    EXPECT_EQ(b->offsetY, 0.375f);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(b->windowRegion[i], a->windowRegion[i]);
    EXPECT_EQ(0, std::memcmp(b->projection, a->projection, sizeof a->projection));
}

TEST(RecordStream, LightRoundTrip) {
    Owned<LightRecord> a(3);
    setEntity(a->entity);
    a->lightType = 2;
    a->parameter0 = 150.0f;
    a->parameter1 = 0.5f;
    a->parameter2 = 3.0f;
    a->parameter3 = 0.75f;
    a->parameter5 = 9;
    a->parameter4 = false;
    Owned<LightRecord> b(0);
    readBack(bytesOf(*a), *b);
    EXPECT_EQ(b->instance(), 3);
    expectSameEntity(a->entity, b->entity);
    EXPECT_EQ(b->lightType, 2);
    EXPECT_EQ(b->parameter0, 150.0f);
    EXPECT_EQ(b->parameter1, 0.5f);
    EXPECT_EQ(b->parameter2, 3.0f);
    EXPECT_EQ(b->parameter3, 0.75f);
    EXPECT_EQ(b->parameter5, 9);
    EXPECT_FALSE(b->parameter4);
}

TEST(RecordStream, GroupChildrenKeepTheirOwnClasses) {
    Owned<GroupRecord> a(8);
    setEntity(a->entity);
    const uint32_t children[] = {0x60000001u, 0x70000002u, 0x80000003u, 0x90000004u, 0x90000004u};
    for (uint32_t c : children) ASSERT_TRUE(a->children.push(c));
    Owned<GroupRecord> b(0);
    b->children.push(0x90000099u);  // replaced, not appended to
    readBack(bytesOf(*a), *b);
    expectSameEntity(a->entity, b->entity);
    ASSERT_EQ(b->children.count(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(b->children[i], children[i]) << i;
}

TEST(RecordStream, ObjectRoundTripRestoresGeometryClass) {
    Owned<ObjectRecord> a(1);
    setEntity(a->entity);
    a->geometry = 0xB0000123u;
    Owned<ObjectRecord> b(0);
    readBack(bytesOf(*a), *b);
    expectSameEntity(a->entity, b->entity);
    EXPECT_EQ(b->geometry, 0xB0000123u);

    Owned<ObjectRecord> fresh(2);
    readBack(bytesOf(*fresh), *b);
    EXPECT_EQ(b->geometry, 0xBFFFFFFFu);
    EXPECT_EQ(b->entity.shader, 0xAFFFFFFFu);
}

TEST(RecordStream, FrameDefRoundTrip) {
    Owned<FrameDefRecord> a(4);
    a->deviceSettings = 0xF0000002u;
    for (uint32_t i = 0; i < 40; ++i) ASSERT_TRUE(a->renderViews.push(0x30000000u | i));
    Owned<FrameDefRecord> b(0);
    readBack(bytesOf(*a), *b);
    EXPECT_EQ(b->instance(), 4);
    EXPECT_EQ(b->deviceSettings, 0xF0000002u);
    ASSERT_EQ(b->renderViews.count(), 40);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(b->renderViews[i], 0x30000000u | uint32_t(i));
}

TEST(RecordStream, RenderViewRoundTrip) {
    Owned<RenderViewRecord> a(6);
    a->sceneRoot = 0x80000001u;
    a->camera = 0x60000002u;
    a->framebuffer = 0x40000003u;
    a->environmentShader = 0xA0000004u;
    a->renderOptions = 0xD0000005u;
    Owned<RenderViewRecord> b(0);
    readBack(bytesOf(*a), *b);
    EXPECT_EQ(b->sceneRoot, a->sceneRoot);
    EXPECT_EQ(b->camera, a->camera);
    EXPECT_EQ(b->framebuffer, a->framebuffer);
    EXPECT_EQ(b->environmentShader, a->environmentShader);
    EXPECT_EQ(b->renderOptions, a->renderOptions);
}

namespace {
struct CountedState : FramebufferState {
    int* alive;
    explicit CountedState(int* a) : alive(a) { ++*alive; }
    ~CountedState() override { --*alive; }
};
}  // namespace

TEST(RecordStream, FramebufferCarriesNoPointers) {
    int alive = 0;
    Owned<FramebufferRecord> a(2);
    a->swapCallback = reinterpret_cast<IFramebufferCallback*>(0x1000);
    a->format = 3;
    a->isStatic[1] = true;
    a->viewTag[0] = 0x30000007u;
    std::vector<uint8_t> bytes = bytesOf(*a);
    EXPECT_EQ(bytes.size(), 4u + 4u + 2u + 8u);

    Owned<FramebufferRecord> b(0);
    b->state = platform::alignedNew<CountedState>(16, &alive);
    FramebufferState* localState = b->state;
    readBack(bytes, *b);
    EXPECT_EQ(b->format, 3);
    EXPECT_FALSE(b->isStatic[0]);
    EXPECT_TRUE(b->isStatic[1]);
    EXPECT_EQ(b->viewTag[0], 0x30000007u);
    EXPECT_EQ(b->viewTag[1], 0x3FFFFFFFu);
    EXPECT_EQ(b->swapCallback, nullptr);  // the host's pointer stays on the host
    EXPECT_EQ(b->state, localState);
    EXPECT_EQ(alive, 1);
    b->release();  // the owned state goes with the record
    b.record = nullptr;
    EXPECT_EQ(alive, 0);
}

TEST(RecordCopy, FramebufferCopiesHostFieldsButNotRenderState) {
    int alive = 0;
    Owned<FramebufferRecord> a(1);
    a->swapCallback = reinterpret_cast<IFramebufferCallback*>(0x2000);
    a->format = 1;
    a->isStatic[0] = true;
    a->viewTag[1] = 0x30000004u;
    a->state = platform::alignedNew<CountedState>(16, &alive);
    Owned<FramebufferRecord> b(1);
    b->copyFrom(*a);
    EXPECT_EQ(b->swapCallback, a->swapCallback);
    EXPECT_EQ(b->format, 1);
    EXPECT_TRUE(b->isStatic[0]);
    EXPECT_EQ(b->viewTag[1], 0x30000004u);
    EXPECT_EQ(b->state, nullptr);
    EXPECT_EQ(alive, 1);
}

TEST(RecordStream, RenderOptionsRoundTrip) {
    Owned<RenderOptionsRecord> a(9);
    RenderOptionsData& o = a->options;
    o.traceDepth = 12;
    o.traceDepthThreshold = 0.25f;
    o.samplingRate = -2;
    o.progressiveSampling = false;
    o.maxProgressiveSamplingRate = 2;
    o.transmission = false;
    o.transmissionAccuracy = 0.3f;
    o.occlusion = false;
    o.occlusionAccuracy = 0.4f;
    o.globalIllumination = false;
    o.globalIlluminationAccuracy = 0.5f;
    o.glossyReflections = false;
    o.glossyReflectionsAccuracy = 0.6f;
    o.glossyRefractions = false;
    o.glossyRefractionsAccuracy = 0.7f;
    Owned<RenderOptionsRecord> b(0);
    std::vector<uint8_t> bytes = bytesOf(*a);
    // Instance, three int32, six floats, six bools.
    EXPECT_EQ(bytes.size(), 4u + 3 * 4 + 6 * 4 + 6);
    readBack(bytes, *b);
    const RenderOptionsData& r = b->options;
    EXPECT_EQ(r.traceDepth, 12);
    EXPECT_EQ(r.traceDepthThreshold, 0.25f);
    EXPECT_EQ(r.samplingRate, -2);
    EXPECT_FALSE(r.progressiveSampling);
    EXPECT_EQ(r.maxProgressiveSamplingRate, 2);
    EXPECT_FALSE(r.transmission);
    EXPECT_EQ(r.transmissionAccuracy, 0.3f);
    EXPECT_FALSE(r.occlusion);
    EXPECT_EQ(r.occlusionAccuracy, 0.4f);
    EXPECT_FALSE(r.globalIllumination);
    EXPECT_EQ(r.globalIlluminationAccuracy, 0.5f);
    EXPECT_FALSE(r.glossyReflections);
    EXPECT_EQ(r.glossyReflectionsAccuracy, 0.6f);
    EXPECT_FALSE(r.glossyRefractions);
    EXPECT_EQ(r.glossyRefractionsAccuracy, 0.7f);
}

TEST(RecordStream, RenderAttributesRoundTrip) {
    Owned<RenderAttributesRecord> a(10);
    a->givenMask = 0x2Au;
    a->offMask = 0x08u;
    a->floatGiven = true;
    a->floatValue = 0.5f;
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(a->addList.push(i * 3));
    ASSERT_TRUE(a->removeList.push(-7));
    Owned<RenderAttributesRecord> b(0);
    readBack(bytesOf(*a), *b);
    EXPECT_EQ(b->givenMask, 0x2Au);
    EXPECT_EQ(b->offMask, 0x08u);
    EXPECT_TRUE(b->floatGiven);
    EXPECT_EQ(b->floatValue, 0.5f);
    ASSERT_EQ(b->addList.count(), 20);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(b->addList[i], i * 3);
    ASSERT_EQ(b->removeList.count(), 1);
    EXPECT_EQ(b->removeList[0], -7);
}

TEST(RecordStream, DeviceSettingsRoundTrip) {
    Owned<DeviceSettingsRecord> a(11);
    DeviceSettingsData& s = a->settings;
    s.threadCount = 8;
    s.shaderPath = "/opt/render/shaders:/home/user/a-rather-long-shader-directory";
    s.clusterEnabled = true;
    s.clusterMasterHost = "render-master.example";
    s.clusterMasterPort = 6000;
    s.setting5 = 55;
    s.clusterTileQueueSize = 9;
    s.setting7 = 77;
    s.setting8 = 88;
    s.setting9 = 99;
    s.setting10 = true;
    s.clusterMasterDisplayWidth = 1920;
    s.clusterMasterDisplayHeight = 1200;
    s.setting13 = true;
    s.clusterImageCompressionLevel = 0.75f;
    Owned<DeviceSettingsRecord> b(0);
    readBack(bytesOf(*a), *b);
    const DeviceSettingsData& r = b->settings;
    EXPECT_EQ(r.threadCount, 8);
    EXPECT_STREQ(r.shaderPath.c_str(), s.shaderPath.c_str());
    EXPECT_TRUE(r.clusterEnabled);
    EXPECT_STREQ(r.clusterMasterHost.c_str(), "render-master.example");
    EXPECT_EQ(r.clusterMasterPort, 6000);
    EXPECT_EQ(r.setting5, 55);
    EXPECT_EQ(r.clusterTileQueueSize, 9);
    EXPECT_EQ(r.setting7, 77);
    EXPECT_EQ(r.setting8, 88);
    EXPECT_EQ(r.setting9, 99);
    EXPECT_TRUE(r.setting10);
    EXPECT_EQ(r.clusterMasterDisplayWidth, 1920);
    EXPECT_EQ(r.clusterMasterDisplayHeight, 1200);
    EXPECT_TRUE(r.setting13);
    EXPECT_EQ(r.clusterImageCompressionLevel, 0.75f);
}

TEST(RecordStream, ShaderAndTextureRoundTrip) {
    Owned<ShaderRecord> a(12);
    a->shaderName = "phong";
    a->libraryName = "libstandard_shaders_with_a_name_longer_than_inline.so";
    Owned<ShaderRecord> b(0);
    readBack(bytesOf(*a), *b);
    EXPECT_EQ(b->instance(), 12);
    EXPECT_STREQ(b->shaderName.c_str(), "phong");
    EXPECT_STREQ(b->libraryName.c_str(), a->libraryName.c_str());

    Owned<TextureRecord> t(13);
    Owned<TextureRecord> u(0);
    readBack(bytesOf(*t), *u);
    EXPECT_EQ(u->instance(), 13);
}

// --- copies -----------------------------------------------------------------

TEST(RecordCopy, GroupChildrenAreIndependentOfTheOldVersion) {
    Owned<GroupRecord> oldVersion(0);
    setEntity(oldVersion->entity);
    for (uint32_t c : {0x60000000u, 0x70000001u, 0x90000002u}) oldVersion->children.push(c);
    Owned<GroupRecord> newVersion(0);
    newVersion->copyFrom(*oldVersion);
    expectSameEntity(oldVersion->entity, newVersion->entity);
    ASSERT_EQ(newVersion->children.count(), 3);
    EXPECT_NE(newVersion->children.data(), oldVersion->children.data());

    newVersion->children[1] = 0x80000005u;
    newVersion->children.push(0x90000009u);
    newVersion->entity.transform.m[12] = 42.0f;
    ASSERT_EQ(oldVersion->children.count(), 3);
    EXPECT_EQ(oldVersion->children[1], 0x70000001u);
    EXPECT_NE(oldVersion->entity.transform.m[12], 42.0f);
}

TEST(RecordCopy, AttributeListsAndSettingsStringsAreDeep) {
    Owned<RenderAttributesRecord> a(0);
    a->addList.push(1);
    a->removeList.push(2);
    Owned<RenderAttributesRecord> b(0);
    b->copyFrom(*a);
    b->addList[0] = 10;
    b->removeList.push(3);
    EXPECT_EQ(a->addList[0], 1);
    EXPECT_EQ(a->removeList.count(), 1);

    Owned<DeviceSettingsRecord> d(0);
    d->settings.shaderPath = "a path that is long enough to live on the heap";
    Owned<DeviceSettingsRecord> e(0);
    e->copyFrom(*d);
    e->settings.shaderPath[0] = 'X';
    EXPECT_EQ(d->settings.shaderPath[0], 'a');
}

TEST(RecordCopy, CopyFromAnotherClassChangesNothing) {
    Owned<CameraRecord> cam(0);
    Owned<LightRecord> light(0);
    light->parameter0 = 5.0f;
    std::vector<uint8_t> before = bytesOf(*cam);
    cam->copyFrom(*light);
    EXPECT_EQ(bytesOf(*cam), before);
}

// --- hostile input ----------------------------------------------------------

TEST(RecordStreamHostile, EveryTruncationOfEveryClassFailsCleanly) {
    Owned<CameraRecord> cam(1);
    Owned<LightRecord> light(2);
    Owned<GroupRecord> group(3);
    group->children.push(0x60000001u);
    group->children.push(0x70000002u);
    Owned<ObjectRecord> object(4);
    Owned<FrameDefRecord> frameDef(5);
    frameDef->renderViews.push(0x30000000u);
    Owned<RenderViewRecord> view(6);
    Owned<FramebufferRecord> fb(7);
    Owned<RenderOptionsRecord> options(8);
    Owned<RenderAttributesRecord> attrs(9);
    attrs->addList.push(1);
    attrs->removeList.push(2);
    Owned<DeviceSettingsRecord> settings(10);
    Owned<ShaderRecord> shader(11);
    shader->shaderName = "s";
    const Record* sources[] = {cam.record,  light.record, group.record,   object.record,
                               frameDef.record, view.record, fb.record, options.record,
                               attrs.record, settings.record, shader.record};
    for (const Record* src : sources) {
        std::vector<uint8_t> bytes = bytesOf(*src);
        for (size_t size = 0; size < bytes.size(); ++size) {
            Record* target = createRecord(src->type(), 0);
            ASSERT_NE(target, nullptr);
            target->addRef();
            EXPECT_TRUE(readTruncated(bytes, size, *target))
                << "class " << src->type() << " cut at " << size;
            if (GroupRecord* g = recordAs<GroupRecord>(target)) {
                EXPECT_EQ(g->children.count(), 0);
            }
            if (RenderAttributesRecord* a = recordAs<RenderAttributesRecord>(target)) {
                EXPECT_EQ(a->removeList.count(), 0);
            }
            target->release();
        }
    }
}

namespace {
std::vector<uint8_t> groupHeader(int32_t childCount) {
    Owned<GroupRecord> g(1);
    std::vector<uint8_t> bytes = bytesOf(*g);
    // The last four bytes of an empty group are its child count.
    bytes.resize(bytes.size() - 4);
    for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(uint32_t(childCount) >> (8 * i)));
    return bytes;
}
}  // namespace

TEST(RecordStreamHostile, NegativeAndAbsurdCountsEmptyTheArray) {
    for (int32_t count : {-1, int32_t(0x80000000), 0x7FFFFFFF, 0x20000000, 1000000}) {
        std::vector<uint8_t> bytes = groupHeader(count);
        for (uint32_t i = 0; i < 3; ++i) {  // a few children, far fewer than announced
            uint32_t h = 0x60000000u | i;
            for (int b = 0; b < 4; ++b) bytes.push_back(uint8_t(h >> (8 * b)));
        }
        Owned<GroupRecord> g(0);
        g->children.push(0x80000001u);
        EXPECT_TRUE(readTruncated(bytes, bytes.size(), *g)) << count;
        EXPECT_EQ(g->children.count(), 0) << count;
        EXPECT_EQ(g->children.capacity(), 0) << count;
    }
}

TEST(RecordStreamHostile, AnArrayGrowsOnlyWithTheDataThatArrives) {
    // Announce 100 million elements, deliver 5,000: the memory taken must
    // follow what arrived, not what was announced.
    const int delivered = 5000;
    std::vector<uint8_t> bytes;
    auto put = [&bytes](uint32_t v) {
        for (int b = 0; b < 4; ++b) bytes.push_back(uint8_t(v >> (8 * b)));
    };
    put(100000000u);
    for (int i = 0; i < delivered; ++i) put(uint32_t(i));
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

TEST(RecordStreamHostile, AttributesWithANegativeSecondCountFailTheRead) {
    Owned<RenderAttributesRecord> a(0);
    a->addList.push(4);
    std::vector<uint8_t> bytes = bytesOf(*a);
    // Replace the (empty) remove list's count by -5.
    bytes.resize(bytes.size() - 4);
    for (int b = 0; b < 4; ++b) bytes.push_back(uint8_t(uint32_t(-5) >> (8 * b)));
    Owned<RenderAttributesRecord> r(0);
    util::MemorySource source(bytes.data(), bytes.size());
    util::InputStream in(&source);
    r->read(in);
    EXPECT_TRUE(in.failed());
    EXPECT_EQ(r->removeList.count(), 0);
}

TEST(RecordStreamHostile, HugeStringLengthFailsTheSettings) {
    Owned<DeviceSettingsRecord> d(0);
    std::vector<uint8_t> bytes = bytesOf(*d);
    // Instance (4), threadCount (4), then shaderPath's length.
    bytes[8] = 0xFF;
    bytes[9] = 0xFF;
    bytes[10] = 0xFF;
    bytes[11] = 0x7F;
    Owned<DeviceSettingsRecord> r(0);
    EXPECT_TRUE(readTruncated(bytes, bytes.size(), *r));
    EXPECT_EQ(r->settings.shaderPath.length(), 0);
}
