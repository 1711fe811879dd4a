#pragma once

#include <cstdint>
#include <memory>

#include "common/channels.h"
#include "store/zeroed_array.h"

namespace kr5061 {

// Depth of the zoom stack, the unzoomed level 0 included.
inline constexpr int kZoomLevels = 100;
inline constexpr int kDeepestZoomLevel = kZoomLevels - 1;

// Grid lines of the value axis, bottom (0) to top (10).
inline constexpr int kAxisLines = 11;

// The rectangle that leads from one zoom level to the next. The fractions of
// the plot rectangle are what the zoom keeps; the pixel corners are recomputed
// from them on every paint, so a zoom survives a window resize.
struct ZoomRect {
    double fxA = 0.0, fyA = 0.0;  // corner at the button press
    double fxB = 0.0, fyB = 0.0;  // corner at the button release
    float xA = 0.0f, yA = 0.0f;   // view pixels, sorted so that xA <= xB and yA <= yB
    float xB = 0.0f, yB = 0.0f;
};

// One level's mapping of the coordinates below it: v' = (v - shift) * extent / span.
struct LevelMap {
    float shift = 0.0f, span = 0.0f;
};

// What the current zoom level's coordinates were last built from. They depend
// only on level 0, the zoom stack and the plot size, so a paint that finds the
// same zoom and size carries through the levels only the samples of level 0
// that changed since the last build, not every value.
struct LevelCacheKey {
    int sampleCount = -1;  // -1: nothing built
    int depth = 0;
    float width = 0.0f, height = 0.0f;
    LevelMap mapX[kZoomLevels] = {}, mapY[kZoomLevels] = {};
};

// The spacing and sample count behind plotX and level 0's x.
struct XWalkSource {
    int count = 0;  // samples whose x are kept
    float spacing = 0.0f, history = 0.0f;
    bool live = true;
};

// The axis and sample count behind plotY (see LiveGraph::plotYReadings).
struct Level0Source {
    float lo = 0.0f, hi = 0.0f;
    int height = -1;
    bool fahrenheit = false;
    int count = 0;  // samples whose reading and y are kept
};

struct GraphPoint {
    int x = 0;
    int y = 0;
};

// The real-time graph's state: scale, zoom stack and the coordinate arrays the
// paint, the zoom and the cursor share. It holds about 40 MB in fixed arrays
// (resident only where coordinates have been written), so exactly one exists
// for the life of the program: create it once on the heap
// with makeLiveGraph() and hand references to whoever needs it. Copying is
// disabled so that no accidental second block is ever made.
struct LiveGraph {
    LiveGraph() = default;
    LiveGraph(const LiveGraph&) = delete;
    LiveGraph& operator=(const LiveGraph&) = delete;

    int liveMode = 1;  // 1 live (auto-scaling), 0 zoomed
    int pointsPerScreen = 100;
    float pixelsPerSample = 0.0f;         // set by every paint
    float historyPixelsPerSample = 0.0f;  // x spacing of level 0
    int savedPointsPerScreen = 100;       // live scale frozen while zoomed
    std::int8_t zoomLevel = 0;            // 0..kDeepestZoomLevel

    float axisValue[kZoomLevels][kAxisLines] = {};

    // The live plot's coordinates. Every channel shares the same x.
    ZeroedArray<float[kSampleCapacity]> plotX;
    ZeroedArray<float[kChannelCount][kSampleCapacity]> plotY;
    // The readings and axis plotY was last computed from: a paint recomputes
    // only the samples whose reading differs (as a rule, the ones committed
    // since the last paint).
    ZeroedArray<float[kChannelCount][kSampleCapacity]> plotYReadings;
    Level0Source plotYSource;
    XWalkSource plotXSource;
    // Level 0 is written by every paint (its y only while zoomed, the only
    // time they are read); of the levels above it only the current zoomLevel
    // holds coordinates (the paint derives it from level 0). The channels
    // share their x: only kAir's rows of levelX are written and read.
    ZeroedArray<float[kChannelCount][kZoomLevels][kSampleCapacity]> levelX;
    ZeroedArray<float[kChannelCount][kZoomLevels][kSampleCapacity]> levelY;

    ZoomRect zoomRect[kZoomLevels] = {};
    // The first sample whose level-0 coordinates changed since the zoom level
    // was last built (see LevelCacheKey); kSampleCapacity when none did.
    int level0FirstChange = 0;
    LevelCacheKey levelCache;
    bool scrollInitialised = true;

    // Rubber band and cursor line.
    GraphPoint dragAnchor;
    GraphPoint dragLast;
    bool dragging = false;
    bool dragMoved = false;
    int cursorX = 0;  // view pixels
    bool cursorLineAbsent = true;
    int cursorSample = 0;
};

// The one allocation of the graph state, in its start state.
std::unique_ptr<LiveGraph> makeLiveGraph();

}  // namespace kr5061
