#include "logger/logger_levels.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "common/same_bits.h"
#include "graph/graph_scale.h"

namespace kr5061 {

namespace {

bool sameLevel0Key(const LoggerLevel0Key& a, const LoggerLevel0Key& b) {
    return a.recordCount == b.recordCount && a.fahrenheit == b.fahrenheit && a.gain == b.gain &&
           a.offset == b.offset && sameBits(a.width, b.width) && sameBits(a.height, b.height) &&
           sameBits(a.plotLeft, b.plotLeft) && sameBits(a.plotBottom, b.plotBottom);
}

// The first of records 0..n-1 whose stored readings differ from the kept
// copy, n when none does: a block compare first, then the record in it.
int firstChangedRecord(const float (*now)[kChannelCount], const float (*kept)[kChannelCount],
                       int n) {
    constexpr int kBlock = 256;
    int i = 0;
    for (; i < n; i += kBlock) {
        const std::size_t records = static_cast<std::size_t>(std::min(kBlock, n - i));
        if (std::memcmp(now[i], kept[i], records * sizeof now[i]) != 0) {
            break;
        }
    }
    if (i >= n) {
        return n;
    }
    while (std::memcmp(now[i], kept[i], sizeof now[i]) == 0) {
        ++i;
    }
    return i;
}

// Axis values and corner order of levels 1..depth, each from the rectangle
// dragged on the level below it.
void rebuildAxes(LoggerGraph& g, int depth, float H) {
    for (int l = 1; l <= depth; ++l) {
        const int r = l - 1;
        if (g.zoomHiX[r] < g.zoomLoX[r]) {
            std::swap(g.zoomHiX[r], g.zoomLoX[r]);
        }
        if (g.zoomHiY[r] < g.zoomLoY[r]) {
            std::swap(g.zoomHiY[r], g.zoomLoY[r]);
        }
        const float b0 = g.loggerAxisValue[0][r], b10 = g.loggerAxisValue[10][r];
        for (int k = 0; k < kLoggerAxisLines; ++k) {
            g.loggerAxisValue[k][l] =
                b0 + ((g.plotBottom - g.zoomHiY[r]) +
                      static_cast<float>(k) * (g.zoomHiY[r] - g.zoomLoY[r]) * 0.1f) *
                         (b10 - b0) / H;
        }
    }
}

// Each level's coordinates come from the level below: origin + (v - lo) x
// extent / span. Only the deepest level is drawn, so every value is carried
// through all the levels in registers, in the same single-precision steps
// (bit for bit what storing each level would give), and only the last level
// is written. Chunks of kChunk values let the compiler vectorise the steps.
constexpr int kChunk = 16;

using LevelMaps = LoggerLevelMaps;

// Plain single-precision steps over a chunk, level by level: the compiler
// takes the chunk's values side by side.
inline void mapChunk(float (&v)[kChunk], const LevelMaps& m) {
    for (int l = 0; l < m.count; ++l) {
        const float lo = m.lo[l], span = m.span[l];
        for (int j = 0; j < kChunk; ++j) {
            v[j] = m.origin + (v[j] - lo) * m.extent / span;
        }
    }
}

inline float mapOne(float v, const LevelMaps& m) {
    for (int l = 0; l < m.count; ++l) {
        v = m.origin + (v - m.lo[l]) * m.extent / m.span[l];
    }
    return v;
}

static_assert(decltype(LoggerGraph::loggerX)::kBytes ==
                  sizeof(float) * kLoggerZoomLevels * kSampleCapacity * kChannelCount,
              "a level's coordinates must be one contiguous block");

bool sameMaps(const LevelMaps& a, const LevelMaps& b) {
    const auto levels = static_cast<std::size_t>(a.count);
    return a.count == b.count && sameBits(a.origin, b.origin) && sameBits(a.extent, b.extent) &&
           sameBits(a.lo, b.lo, levels) && sameBits(a.span, b.span, levels);
}

bool sameKey(const LoggerLevelCacheKey& a, const LoggerLevelCacheKey& b) {
    return a.level0Generation == b.level0Generation && a.recordCount == b.recordCount &&
           sameBits(a.xStep, b.xStep) && sameBits(a.plotLeft, b.plotLeft) && sameMaps(a.x, b.x) &&
           sameMaps(a.y, b.y);
}

// Coordinates of level `depth` from level 0, unless the ones built last time
// came from the same inputs.
void rebuildCoordinates(LoggerGraph& g, int n, int depth, float W, float H) {
    LoggerLevelCacheKey key;
    key.level0Generation = g.level0Generation;
    key.recordCount = n;
    key.xStep = g.xStep;
    key.plotLeft = g.plotLeft;
    LevelMaps& mx = key.x;
    LevelMaps& my = key.y;
    mx.count = my.count = depth;
    mx.origin = g.plotLeft, mx.extent = W;
    my.origin = g.plotTop, my.extent = H;
    for (int r = 0; r < depth; ++r) {
        mx.lo[r] = g.zoomLoX[r], mx.span[r] = g.zoomHiX[r] - g.zoomLoX[r];
        my.lo[r] = g.zoomLoY[r], my.span[r] = g.zoomHiY[r] - g.zoomLoY[r];
    }
    if (sameKey(key, g.levelCache)) {
        return;
    }
    g.levelCache = key;
    // All channels of a record share its x: mapped once, stored for each.
    float(*toX)[kChannelCount] = g.loggerX[depth];
    int i = 0;
    for (; i + kChunk <= n; i += kChunk) {
        float v[kChunk];
        for (int j = 0; j < kChunk; ++j) {
            v[j] = g.loggerX[0][i + j][0];
        }
        mapChunk(v, mx);
        for (int j = 0; j < kChunk; ++j) {
            for (int ch = 0; ch < kChannelCount; ++ch) {
                toX[i + j][ch] = v[j];
            }
        }
    }
    for (; i < n; ++i) {
        const float x = mapOne(g.loggerX[0][i][0], mx);
        for (int ch = 0; ch < kChannelCount; ++ch) {
            toX[i][ch] = x;
        }
    }
    const float* fromY = &g.loggerY[0][0][0];
    float* toY = &g.loggerY[depth][0][0];
    const int count = n * kChannelCount;
    int k = 0;
    for (; k + kChunk <= count; k += kChunk) {
        float v[kChunk];
        for (int j = 0; j < kChunk; ++j) {
            v[j] = fromY[k + j];
        }
        mapChunk(v, my);
        for (int j = 0; j < kChunk; ++j) {
            toY[k + j] = v[j];
        }
    }
    for (; k < count; ++k) {
        toY[k] = mapOne(fromY[k], my);
    }
}

}  // namespace

// Level 0: every record's x and y in the unzoomed plot. Kept from the last
// paint when built from the same inputs, rebuilt from the first record whose
// readings changed when only they did, else rebuilt whole.
void buildLoggerLevel0(LoggerGraph& g, const CHygDoc& doc, const ViewState& view, int n, float W,
                       float H) {
    g.xStep = n > 1 ? W / static_cast<float>(n - 1) : 0.0f;
    float axis[kLoggerAxisLines];
    loggerLevel0Axis(view.m_loggerGain, view.m_loggerOffset, axis);
    for (int k = 0; k < kLoggerAxisLines; ++k) {
        g.loggerAxisValue[k][0] = axis[k];
    }
    const float a0 = axis[0], a10 = axis[kLoggerAxisLines - 1];
    const bool fahrenheit = doc.m_recallFahrenheit == 1;
    LoggerLevel0Key key;
    key.recordCount = n;
    key.fahrenheit = fahrenheit;
    key.gain = view.m_loggerGain;
    key.offset = view.m_loggerOffset;
    key.width = W, key.height = H, key.plotLeft = g.plotLeft, key.plotBottom = g.plotBottom;
    int from = 0;
    if (sameLevel0Key(key, g.level0Key)) {
        from = firstChangedRecord(doc.m_recall.all(), g.level0Readings.all(), n);
        if (from == n) {
            return;
        }
    }
    g.level0Key = key;
    // Plotted values come in tenths, so a channel often repeats its last one;
    // the same bits give the same y, taken over instead of divided again.
    std::uint32_t lastBits[kChannelCount];
    float lastY[kChannelCount];
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const float r = from < n ? plottedValue(ch, doc.m_recall[from][ch], fahrenheit) : 0.0f;
        lastBits[ch] = std::bit_cast<std::uint32_t>(r);
        lastY[ch] = g.plotBottom - (r - a0) * H / (a10 - a0);
    }
    // The plotted values first, into the x block (flat, record by record),
    // then y from them and x in place of them; y is compared as it is stored
    // so that a zoomed paint knows whether level 0 changed.
    const float* stored = &doc.m_recall[0][0];
    float* plottedOut = &g.loggerX[0][0][0];
    const int count = n * kChannelCount;
    for (int k = from * kChannelCount; k < count; ++k) {
        plottedOut[k] = plottedValue(k % kChannelCount, stored[k], fahrenheit);
    }
    std::uint32_t changed = 0;
    for (int i = from; i < n; ++i) {
        const float x = static_cast<float>(i) * g.xStep + g.plotLeft;
        for (int ch = 0; ch < kChannelCount; ++ch) {
            const float r = g.loggerX[0][i][ch];
            const std::uint32_t bits = std::bit_cast<std::uint32_t>(r);
            if (bits != lastBits[ch]) {
                lastBits[ch] = bits;
                lastY[ch] = g.plotBottom - (r - a0) * H / (a10 - a0);
            }
            float& y = g.loggerY[0][i][ch];
            changed |= std::bit_cast<std::uint32_t>(y) ^ std::bit_cast<std::uint32_t>(lastY[ch]);
            g.loggerX[0][i][ch] = x;
            y = lastY[ch];
        }
    }
    if (changed != 0) {
        ++g.level0Generation;
    }
    if (from < n) {
        std::memcpy(g.level0Readings[static_cast<std::size_t>(from)],
                    doc.m_recall[static_cast<std::size_t>(from)],
                    static_cast<std::size_t>(n - from) * sizeof doc.m_recall[0]);
    }
}

void buildLoggerZoomLevels(LoggerGraph& g, int n, float W, float H) {
    rebuildAxes(g, g.zoomLevel, H);
    rebuildCoordinates(g, n, g.zoomLevel, W, H);
}

}  // namespace kr5061
