#include "graph/graph_scale.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "common/same_bits.h"
#include "store/number_text.h"
#include "store/truncation.h"

namespace kr5061 {

void buildLevel0Axis(LiveGraph& graph, int gain, int offset) {
    for (int k = 0; k < kAxisLines; ++k) {
        graph.axisValue[0][k] = static_cast<float>((offset + k) * gain);
    }
}

void beginLiveScale(LiveGraph& graph, ViewState& view, int plotWidth) {
    if (view.m_sampleIndex == 1) {
        graph.pointsPerScreen = kStartPointsPerScreen;
        graph.zoomLevel = 0;
        graph.liveMode = 1;
        view.m_scrollBase = 0;
    }
    graph.pixelsPerSample =
        static_cast<float>(plotWidth) / static_cast<float>(graph.pointsPerScreen - 1);
}

bool compressIfFull(LiveGraph& graph, int sampleCount, int plotWidth) {
    if (sampleCount < graph.pointsPerScreen + 1 || plotWidth <= 0) {
        return false;
    }
    const float w = static_cast<float>(plotWidth);
    graph.pixelsPerSample = (w - w / 12.0f) / static_cast<float>(graph.pointsPerScreen);
    graph.pointsPerScreen = truncToInt(w / graph.pixelsPerSample + 1.0f);
    return true;
}

namespace {

// Stores v and tells whether the slot held other bits before, so that a paint
// knows whether level 0 changed (a NaN counts as itself).
inline bool changes(float& slot, float v) {
    const bool same = sameBits(slot, v);
    slot = v;
    return !same;
}

// The channels share their x, so the x walk runs once; the y pass then runs
// channel by channel over contiguous memory. A walk that cannot compress lays
// sample i at i times the spacing, so with the spacing unchanged since the
// last walk only the samples after it are new.
bool walkX(LiveGraph& g, int n, int plotWidth, int& firstChange) {
    const bool live = g.liveMode != 0;
    if (!live) {
        g.historyPixelsPerSample =
            static_cast<float>(plotWidth) / static_cast<float>(g.savedPointsPerScreen - 1);
    } else {
        g.historyPixelsPerSample = g.pixelsPerSample;
    }
    const bool mayCompress = n >= g.pointsPerScreen + 1 && plotWidth > 0;
    XWalkSource& source = g.plotXSource;
    int from = 1;
    if (!mayCompress && source.live == live && sameBits(source.spacing, g.pixelsPerSample) &&
        sameBits(source.history, g.historyPixelsPerSample)) {
        from = std::clamp(source.count, 1, n);
    }
    float* x = g.plotX;
    float* lx = g.levelX[0][0];
    x[0] = 0.0f;
    if (changes(lx[0], 0.0f)) {
        firstChange = 0;
    }
    bool compressed = false;
    for (int i = from; i < n; ++i) {
        x[i] = static_cast<float>(i) * g.pixelsPerSample;
        if (live) {
            g.historyPixelsPerSample = g.pixelsPerSample;
        }
        if (changes(lx[i], static_cast<float>(i) * g.historyPixelsPerSample)) {
            firstChange = std::min(firstChange, i);
        }
        // A compression mid-walk respaces only the samples after it; the repaint
        // it asks for lays them all out evenly.
        compressed = compressIfFull(g, n, plotWidth) || compressed;
    }
    source = {compressed ? 0 : n, g.pixelsPerSample, g.historyPixelsPerSample, live};
    return compressed;
}

// The first of `count` readings that differs, bit for bit, from the one kept
// beside it; `count` when none does.
int firstChangedReading(const float* in, const float* kept, int count) {
    if (std::memcmp(in, kept, sizeof(float) * static_cast<std::size_t>(count)) == 0) {
        return count;
    }
    int i = 0;
    while (i < count && sameBits(in[i], kept[i])) {
        ++i;
    }
    return i;
}

void walkY(LiveGraph& g, const ViewState& view, const CHygDoc& doc, int n, int plotHeight,
           int& firstChange) {
    const float lo = g.axisValue[0][0];
    const float hi = g.axisValue[0][kAxisLines - 1];
    Level0Source& source = g.plotYSource;
    const bool sameAxis = sameBits(source.lo, lo) && sameBits(source.hi, hi) &&
                          source.height == plotHeight && source.fahrenheit == view.m_fahrenheit;
    const int kept = sameAxis ? std::min(source.count, n) : 0;
    // Level 0's y are only read by a zoomed paint, which writes them first.
    const bool zoomed = g.liveMode == 0;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const float* in = doc.m_live[ch];
        float* y = g.plotY[ch];
        float* ly = g.levelY[ch][0];
        const int from = firstChangedReading(in, g.plotYReadings[ch], kept);
        // Readings change slowly against the sample period: a repeated reading
        // reuses the y of the one before instead of being rounded again.
        for (int i = from; i < n; ++i) {
            y[i] = i > 0 && in[i] == in[i - 1]
                       ? y[i - 1]
                       : valueToY(plottedValue(ch, in[i], view.m_fahrenheit), lo, hi, plotHeight);
        }
        std::copy(in + from, in + n, g.plotYReadings[ch] + from);
        for (int i = 0; zoomed && i < n; ++i) {
            if (changes(ly[i], y[i])) {
                firstChange = std::min(firstChange, i);
            }
        }
    }
    source = {lo, hi, plotHeight, view.m_fahrenheit, n};
}

}  // namespace

bool fillLevel0(LiveGraph& graph, const ViewState& view, const CHygDoc& doc, int plotWidth,
                int plotHeight) {
    const int n = std::min(view.m_sampleIndex, kSampleCapacity);
    bool compressed = false;
    if (n >= 2) {
        int& firstChange = graph.level0FirstChange;
        compressed = walkX(graph, n, plotWidth, firstChange);
        walkY(graph, view, doc, n, plotHeight, firstChange);
    }
    if (graph.liveMode != 0) {
        graph.historyPixelsPerSample = graph.pixelsPerSample;
        graph.savedPointsPerScreen = graph.pointsPerScreen;
    }
    return compressed;
}

bool updateLiveScale(LiveGraph& graph, ViewState& view, const CHygDoc& doc, int plotWidth,
                     int plotHeight) {
    beginLiveScale(graph, view, plotWidth);
    buildLevel0Axis(graph, view.m_gain, view.m_offset);
    return fillLevel0(graph, view, doc, plotWidth, plotHeight);
}

}  // namespace kr5061
