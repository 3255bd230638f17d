// Throughput of the byte streams over memory: a record-like mix of small
// primitives written into a MemorySink and read back from a MemorySource.
#include <benchmark/benchmark.h>

#include "util/byte_stream.h"
#include "util/memory_stream.h"

namespace {

using hox::util::InputStream;
using hox::util::MemorySink;
using hox::util::MemorySource;
using hox::util::OutputStream;

// One group: 4 + 4 + 1 + 1 + 12 + 64 = 86 bytes.
constexpr int kGroupBytes = 86;
constexpr int kGroups = (1 << 20) / kGroupBytes;

void writeGroups(OutputStream& out) {
    hox::Mat4f m{};
    for (int i = 0; i < 16; ++i) m.m[i] = static_cast<float>(i);
    for (int i = 0; i < kGroups; ++i) {
        out.writeInt32(i);
        out.writeFloat(i * 0.5f);
        out.writeUInt8(static_cast<uint8_t>(i));
        out.writeBool((i & 1) != 0);
        out.writeVec3f(hox::Vec3f{1.0f, 2.0f, 3.0f});
        out.writeMat4f(m);
    }
    out.flush();
}

void BM_WriteMixed(benchmark::State& state) {
    MemorySink sink;
    for (auto _ : state) {
        sink.clear();
        OutputStream out(&sink);
        writeGroups(out);
        benchmark::DoNotOptimize(sink.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kGroups) * kGroupBytes);
}
BENCHMARK(BM_WriteMixed);

void BM_ReadMixed(benchmark::State& state) {
    MemorySink sink;
    {
        OutputStream out(&sink);
        writeGroups(out);
    }
    for (auto _ : state) {
        MemorySource source(sink.data(), sink.size());
        InputStream in(&source);
        float sum = 0.0f;
        for (int i = 0; i < kGroups; ++i) {
            sum += static_cast<float>(in.readInt32());
            sum += in.readFloat();
            sum += in.readUInt8();
            sum += in.readBool() ? 1.0f : 0.0f;
            sum += in.readVec3f().y;
            sum += in.readMat4f().m[15];
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kGroups) * kGroupBytes);
}
BENCHMARK(BM_ReadMixed);

}  // namespace

BENCHMARK_MAIN();
