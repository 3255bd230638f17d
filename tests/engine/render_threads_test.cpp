// The render threads: the job ring and the dispatcher's queues from one
// thread, then the pool end to end with a recording worker that counts units
// down as the frame context's workers do and logs every job per thread. (A
// hang in the pool's unbounded waits is ended by the suite's CTest time-out.)
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "engine/job_ring.h"
#include "engine/render_thread_pool.h"
#include "engine/render_worker.h"
#include "engine/work_dispatcher.h"
#include "platform/vu_threads.h"

namespace hox {
namespace engine {
namespace {

using std::chrono::seconds;

TEST(JobRing, GrowingAWrappedRingKeepsOrder) {
    for (uint32_t start : {0u, 1u, 4u}) {
        JobRing ring(4);
        // Move the head so that the queued words wrap round the storage.
        for (uint32_t i = 0; i < start; ++i) ring.push(99);
        for (uint32_t i = 0; i < start; ++i) ring.pop();
        std::vector<uint32_t> expected, got;
        for (uint32_t i = 0; i < 11; ++i) {
            ASSERT_TRUE(ring.push(i));
            expected.push_back(i);
        }
        EXPECT_EQ(ring.capacity(), 16u);
        while (!ring.empty()) got.push_back(ring.pop());
        EXPECT_EQ(got, expected) << "head started at " << start;
    }
    JobRing empty(0);
    EXPECT_EQ(empty.capacity(), 0u);
    ASSERT_TRUE(empty.push(7));
    EXPECT_EQ(empty.capacity(), 2u);
    EXPECT_EQ(empty.pop(), 7u);
}

// Every take below has a word waiting, so nothing here can block.
TEST(WorkDispatcher, CountsUnitsAndHandsBroadcastCopiesOn) {
    WorkDispatcher d(3);
    ASSERT_TRUE(d.isValid());
    d.push(beginFrameJob(8));
    d.push(tileJob(0));
    d.push(tileJob(1));
    EXPECT_EQ(d.pendingUnits(), 5);
    EXPECT_EQ(d.pendingBroadcastCopies(), 3);
    // Thread 1 takes the broadcast and fans it out to 0 and 2.
    EXPECT_EQ(d.take(1), beginFrameJob(8));
    EXPECT_EQ(d.pendingUnits(), 4);
    EXPECT_EQ(d.pendingBroadcastCopies(), 2);
    // Its next word comes from the shared queue; the others serve their
    // private copy first although tiles wait in the shared queue.
    EXPECT_EQ(d.take(1), tileJob(0));
    EXPECT_EQ(d.take(0), beginFrameJob(8));
    EXPECT_EQ(d.take(0), tileJob(1));
    EXPECT_EQ(d.take(2), beginFrameJob(8));
    EXPECT_EQ(d.pendingUnits(), 0);
    EXPECT_EQ(d.pendingBroadcastCopies(), 0);
    d.waitUntilDrained();  // nothing pending: returns at once

    // Private queues grow past their first capacity and keep broadcast order.
    WorkDispatcher two(2);
    EXPECT_EQ(two.privateCapacity(1), kPrivateQueueCapacity);
    for (int v = 0; v < 40; ++v) two.push(beginViewJob(v));
    for (int v = 0; v < 40; ++v) EXPECT_EQ(two.take(0), beginViewJob(v));
    EXPECT_EQ(two.privateCapacity(1), 64u);
    EXPECT_EQ(two.pendingBroadcastCopies(), 40);
    for (int v = 0; v < 40; ++v) EXPECT_EQ(two.take(1), beginViewJob(v));
    EXPECT_EQ(two.pendingBroadcastCopies(), 0);
}

TEST(RenderThreadCount, ResolvesToTheProcessorCountUnlessBelowIt) {
    const int processors = static_cast<int>(vu_threads::getNumProcessors());
    for (int request : {0, -2, processors, processors + 5})
        EXPECT_EQ(RenderThreadPool::resolveThreadCount(request), processors) << request;
    EXPECT_EQ(RenderThreadPool::resolveThreadCount(processors - 1), processors > 1 ? processors - 1 : processors);
    EXPECT_EQ(RenderThreadPool::resolveThreadCount(1), 1);
}

struct Event {
    char kind;  // 'F' begin-frame, 'V' begin-view, 'T' tile, 'S' skipped tile
    int arg, frame, view;  // the worker's frame and view when the job ran
};
struct ThreadLog {
    std::string createdOn, name;
    std::vector<Event> events;
};

// What the workers share: the remaining units of the two frame slots (by
// parity), counted down as the frame slot does, and a gate that holds tile
// rendering back so that jobs stay queued.
struct Shared {
    std::atomic<int> remaining[2] = {};
    bool gateOpen = true;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<ThreadLog> logs;
    std::atomic<int> liveWorkers{0};

    void countDown(int slot) {
        if (remaining[slot].fetch_sub(1, std::memory_order_acq_rel) == 1) {
            std::lock_guard<std::mutex> lock(mutex);
            changed.notify_all();
        }
    }
    bool waitZero(int slot) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, seconds(20), [&] { return remaining[slot].load() <= 0; });
    }
    void setGate(bool open) {
        std::lock_guard<std::mutex> lock(mutex);
        gateOpen = open;
        changed.notify_all();
    }
    void passGate() {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait_for(lock, seconds(20), [this] { return gateOpen; });
    }
};

class RecordingWorker : public RenderWorker {
public:
    RecordingWorker(Shared& shared, ThreadLog& log) : shared_(shared), log_(log) {}
    void beginFrame(int frameNumber) override {
        log_.name = vu_threads::currentThreadName();
        frame_ = frameNumber;
        view_ = -1;
        slot_ = frameNumber & 1;
        record('F', frameNumber);
    }
    void beginView(int viewIndex) override {
        view_ = viewIndex;
        record('V', viewIndex);
    }
    void renderTile(int tileIndex) override {
        shared_.passGate();
        record('T', tileIndex);
    }
    void skipTile(int tileIndex) override { record('S', tileIndex); }

private:
    void record(char kind, int arg) {
        log_.events.push_back({kind, arg, frame_, view_});
        if (slot_ < 0) ADD_FAILURE() << "job " << kind << arg << " ran before any begin-frame";
        else shared_.countDown(slot_);
    }
    Shared& shared_;
    ThreadLog& log_;
    int slot_ = -1, frame_ = -1, view_ = -1;
};

class RenderThreadPoolTest : public ::testing::Test, public WorkerFactory {
protected:
    RenderWorker* createWorker(int threadIndex) override {
        shared_.logs[threadIndex].createdOn = vu_threads::currentThreadName();
        if (threadIndex == failingThread_) return nullptr;
        ++shared_.liveWorkers;
        return allocateWorker<RecordingWorker>(shared_, shared_.logs[threadIndex]);
    }
    void completeWithoutWorker(int frameNumber) override {
        ++orphanedJobs_;
        shared_.countDown(frameNumber & 1);
    }
    void destroyWorker(RenderWorker* worker) override {
        if (worker) --shared_.liveWorkers;
        freeWorker<RecordingWorker>(worker);
    }

    void start(int threads) {
        shared_.logs.assign(threads, ThreadLog{});
        broadcasts_.clear();
        tiles_.clear();
        ASSERT_EQ(pool_.start(threads, *this), 0);
        ASSERT_EQ(pool_.threadCount(), threads);
        ASSERT_EQ(shared_.liveWorkers.load(), failingThread_ >= 0 ? threads - 1 : threads);
    }

    // Queues a frame the way the engine does; tile payloads are unique over
    // the test so that each can be traced to its frame and view.
    void queueFrame(int frame, const std::vector<int>& tilesPerView) {
        ASSERT_TRUE(shared_.waitZero(frame & 1));
        int tiles = 0;
        for (int n : tilesPerView) tiles += n;
        shared_.remaining[frame & 1] = (static_cast<int>(tilesPerView.size()) + 1) * pool_.threadCount() + tiles;
        ASSERT_EQ(0, pool_.push(beginFrameJob(frame)));
        const int payload = frame & 0xFFFFFF;  // threads see only the low 24 bits
        broadcasts_.push_back({'F', payload});
        for (int v = 0; v < static_cast<int>(tilesPerView.size()); ++v) {
            ASSERT_EQ(0, pool_.push(beginViewJob(v)));
            broadcasts_.push_back({'V', v});
            for (int t = 0; t < tilesPerView[v]; ++t) {
                const int id = static_cast<int>(tiles_.size());
                tiles_[id] = {payload, v};
                ASSERT_EQ(0, pool_.push(tileJob(id)));
            }
        }
    }

    // Every broadcast once per thread in queue order; every tile exactly
    // once, on a thread whose set-up was that tile's frame and view.
    // Returns how many tiles were skipped.
    int verify() {
        std::map<int, int> seen;
        int skipped = 0;
        for (size_t i = 0; i < shared_.logs.size(); ++i) {
            std::vector<std::pair<char, int>> got;
            for (const Event& e : shared_.logs[i].events) {
                if (e.kind == 'F' || e.kind == 'V') {
                    got.push_back({e.kind, e.arg});
                    continue;
                }
                ++seen[e.arg];
                skipped += e.kind == 'S';
                EXPECT_EQ(e.frame, tiles_[e.arg].first) << "tile " << e.arg << " thread " << i;
                EXPECT_EQ(e.view, tiles_[e.arg].second) << "tile " << e.arg << " thread " << i;
            }
            EXPECT_EQ(got, broadcasts_) << "broadcasts on thread " << i;
        }
        EXPECT_EQ(seen.size(), tiles_.size());
        for (const auto& s : seen) EXPECT_EQ(s.second, 1) << "tile " << s.first;
        return skipped;
    }

    int failingThread_ = -1;            // createWorker answers null for this thread
    std::atomic<int> orphanedJobs_{0};  // jobs counted down without a worker
    Shared shared_;
    RenderThreadPool pool_;
    std::vector<std::pair<char, int>> broadcasts_;
    std::map<int, std::pair<int, int>> tiles_;  // id -> (frame, view)
};

TEST_F(RenderThreadPoolTest, NamedThreadsRunEveryJobOnceInOrderAcrossRestarts) {
    for (int threads : {3, 1, 4}) {
        start(threads);  // a running pool is stopped first
        queueFrame(0x1000005 + threads, {4, 0, 9});
        ASSERT_TRUE(shared_.waitZero((0x1000005 + threads) & 1));
        pool_.drain();
        EXPECT_EQ(verify(), 0) << threads << " threads";
        for (int i = 0; i < threads; ++i) {
            const std::string name = "RTRenderThread " + std::to_string(i);
            EXPECT_EQ(shared_.logs[i].name, name);
            EXPECT_EQ(shared_.logs[i].createdOn, name);  // the worker was made on its thread
        }
    }
    pool_.stop();
    EXPECT_EQ(shared_.liveWorkers.load(), 0);
    EXPECT_FALSE(pool_.isRunning());
}

TEST_F(RenderThreadPoolTest, ThreadWithoutWorkerStillCompletesItsJobs) {
    failingThread_ = 1;
    start(2);
    queueFrame(4, {5, 3});
    ASSERT_TRUE(shared_.waitZero(0)) << "a thread without a worker left the frame unfinished";
    pool_.drain();
    // Every unit of the frame, (2 views + 1) x 2 threads + 8 tiles, was
    // either run by thread 0's worker or counted down for thread 1.
    EXPECT_EQ(static_cast<int>(shared_.logs[0].events.size()) + orphanedJobs_.load(), 14);
    EXPECT_GE(orphanedJobs_.load(), 3);  // thread 1's three broadcasts at least
    pool_.stop();
}

TEST_F(RenderThreadPoolTest, FrameLargerThanTheSharedQueueGrowsItAndKeepsOrder) {
    start(2);
    EXPECT_EQ(pool_.dispatcher()->sharedCapacity(), kSharedQueueCapacity);
    shared_.setGate(false);  // each thread holds on to its first tile
    queueFrame(0, {10000});
    EXPECT_EQ(pool_.dispatcher()->sharedCapacity(), 16384u);
    shared_.setGate(true);
    ASSERT_TRUE(shared_.waitZero(0));
    pool_.drain();
    EXPECT_EQ(verify(), 0);
    for (const ThreadLog& log : shared_.logs) {
        int last = -1;
        for (const Event& e : log.events) {
            if (e.kind != 'T') continue;
            EXPECT_GT(e.arg, last);
            last = e.arg;
        }
    }
}

TEST_F(RenderThreadPoolTest, DrainSkipsQueuedTilesAndTheFrameCompletes) {
    start(2);
    shared_.setGate(false);
    queueFrame(0, {1000, 1000});
    pool_.drain([this] { shared_.setGate(true); });
    EXPECT_EQ(shared_.remaining[0].load(), 0);  // no wait: drain is complete
    EXPECT_EQ(pool_.dispatcher()->pendingUnits(), 0);
    const int skipped = verify();
    EXPECT_GE(skipped, 2000 - 2);  // at most one tile per thread was rendered
    // The draining flags are cleared again: the next frame renders.
    queueFrame(1, {50});
    ASSERT_TRUE(shared_.waitZero(1));
    pool_.drain();
    EXPECT_EQ(verify(), skipped);
}

TEST_F(RenderThreadPoolTest, StopWithQueuedFramesFreesEverything) {
    start(3);
    shared_.setGate(false);
    queueFrame(6, {300});
    queueFrame(7, {300, 2});
    pool_.stop([this] { shared_.setGate(true); });
    EXPECT_FALSE(pool_.isRunning());
    EXPECT_EQ(pool_.threadCount(), 0);
    EXPECT_EQ(shared_.liveWorkers.load(), 0);
    EXPECT_EQ(shared_.remaining[0].load(), 0);
    EXPECT_EQ(shared_.remaining[1].load(), 0);
    verify();
}

TEST_F(RenderThreadPoolTest, StressFramesWithRandomDrains) {
    start(3);
    std::mt19937 rng(1234);
    for (int frame = 0; frame < 1000; ++frame) {
        std::vector<int> tiles(1 + rng() % 3);
        for (int& n : tiles) n = static_cast<int>(rng() % 7);
        ASSERT_NO_FATAL_FAILURE(queueFrame(frame, tiles));
        if (rng() % 8 == 0) {
            pool_.drain();
            ASSERT_EQ(shared_.remaining[frame & 1].load(), 0);
        }
    }
    pool_.drain();
    EXPECT_EQ(shared_.remaining[0].load(), 0);
    EXPECT_EQ(shared_.remaining[1].load(), 0);
    verify();
}

}  // namespace
}  // namespace engine
}  // namespace hox
