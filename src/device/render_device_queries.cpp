// RenderDevice: queries and render statistics.
#include "device/device_clock.h"
#include "device/render_device.h"
#include "engine/render_engine.h"
#include "hox/status.h"
#include "util/cvars.h"

namespace hox {

namespace {

// Counters divide as unsigned 64-bit values converted to double; a zero
// divisor gives an infinity or a NaN on purpose: "nothing was counted" must
// not read as a ratio of 0.
float ratio(const RenderStats& stats, int numerator, int denominator) {
    return static_cast<float>(static_cast<double>(stats.counters[numerator]) /
                              static_cast<double>(stats.counters[denominator]));
}

}  // namespace

int RenderDevice::query1b(EQuery query, bool& out) const {
    if (query != QUERY_SCENE_DIRTY) return RESULT_INVALID_ENUM;
    out = m_table.sceneDirty();
    return RESULT_OK;
}

int RenderDevice::query1i(EQuery, int&) const {
    // No query has an integer answer.
    return RESULT_INVALID_ENUM;
}

int RenderDevice::query1f(EQuery query, float& out) const {
    switch (static_cast<int>(query)) {
        case QUERY_PROGRESS: out = m_engine ? m_engine->getProgress(m_frameNumber) : 0.0f; break;
        case QUERY_RATE: out = m_rate; break;
        case QUERY_RATIO_1_0: out = ratio(m_stats, 1, 0); break;
        case QUERY_RATIO_4_0: out = ratio(m_stats, 4, 0); break;
        case QUERY_RATIO_5_0: out = ratio(m_stats, 5, 0); break;
        case QUERY_RATIO_6_0: out = ratio(m_stats, 6, 0); break;
        case QUERY_RATIO_2_1: out = ratio(m_stats, 2, 1); break;
        case QUERY_RATIO_3_1: out = ratio(m_stats, 3, 1); break;
        case QUERY_RATIO_7_6: out = ratio(m_stats, 7, 6); break;
        default: return RESULT_INVALID_ENUM;
    }
    return RESULT_OK;
}

void RenderDevice::updateStats() {
    const int interval = util::rt_statsInterval.get();
    const uint32_t now = device::clockMsecs();
    const uint32_t elapsed = now - m_statsTime;
    // Both conditions: a long interval with few frames, or many frames in a
    // short one, would give a rate dominated by noise.
    if (static_cast<int64_t>(elapsed) <= interval || m_frameNumber - m_statsFrame <= 3) return;

    m_statsFrame = m_frameNumber;
    m_statsTime = now;
    m_stats.clear();
    if (m_engine) m_engine->getStats(m_stats);
    m_rate = static_cast<float>(static_cast<double>(m_stats.counters[0]) /
                                (static_cast<double>(elapsed) * 1000.0));
}

}  // namespace hox
