// Fuzzes the creation of textures from a stream: a texture record's
// descriptor followed by its texels, from which the reader builds a sampler
// of the class that accepts the descriptor.
//
// Input: the texture record's stream form. Properties: no crash, leak or
// undefined behaviour, and no allocation out of proportion to the input (a
// lying size must not reserve gigabytes); an accepted texture writes back the
// bytes it read.
#include <cstddef>
#include <cstdint>

#include "fuzz_stream.h"
#include "hox/handle.h"
#include "scene/record.h"
#include "textures/sampler_registry.h"
#include "scene/texture_record.h"

// Texture records rebuild their samplers through the registry of the
// textures layer; using it links it in, which installs its search.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return hox::textures::SamplerRegistry::instance().count() > 0 ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    hox::scene::Record* record = hox::scene::createRecord(hox::CLASS_TYPE_TEXTURE, 0);
    if (!record) hox::fuzz::violated("no texture record");
    record->addRef();

    hox::util::MemorySource source(data, size);
    hox::util::InputStream in(&source);
    record->read(in);
    if (!in.failed()) {
        const auto written = hox::fuzz::streamBytes([&](hox::util::OutputStream& out) { record->write(out); });
        // Everything read is written again unchanged, except the byte that
        // says whether texels follow: any non-zero value reads as "yes" and
        // is written as 1.
        constexpr size_t kSamplerFlagAt = 4 + 10 * 4 + 16;
        // (The source's position says nothing: the stream reads ahead.)
        if (written.size() > size) hox::fuzz::violated("texture wrote more than it read");
        for (size_t i = 0; i < written.size(); ++i) {
            const uint8_t expected = i == kSamplerFlagAt ? (data[i] != 0) : data[i];
            if (written[i] != expected) hox::fuzz::violated("texture changed over a round trip");
        }
    }
    record->release();
    return 0;
}
