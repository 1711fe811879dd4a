#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/channels.h"
#include "store/zeroed_array.h"

namespace kr5061 {

inline constexpr int kLoggerZoomLevels = 100;
inline constexpr int kLoggerAxisLines = 11;
inline constexpr int kLoggerTimeLabels = 10;

struct LoggerPoint {
    int x = 0;
    int y = 0;
};

// One axis's chain of zoom mappings from level 0 to the drawn level:
// v' = origin + (v - lo[l]) x extent / span[l] for l = 0..count-1.
struct LoggerLevelMaps {
    float lo[kLoggerZoomLevels] = {};
    float span[kLoggerZoomLevels] = {};
    int count = 0;
    float origin = 0, extent = 0;
};

// What the drawn zoom level's coordinates were last built from. They depend
// only on level 0, the zoom stack and the plot size, so a paint that finds the
// same inputs keeps them.
struct LoggerLevelCacheKey {
    std::uint64_t level0Generation = 0;
    int recordCount = -1;  // -1: nothing built
    float xStep = 0, plotLeft = 0;
    LoggerLevelMaps x, y;
};

// What level 0 was last built from besides the stored readings (those are
// kept as a copy beside it). recordCount -1: nothing built yet.
struct LoggerLevel0Key {
    int recordCount = -1;
    bool fahrenheit = false;
    int gain = 0, offset = 0;
    float width = 0, height = 0, plotLeft = 0, plotBottom = 0;
};

// State of the logger graph shared by its paint, zoom, cursor and report. About
// 40 MB: allocated once for the life of the program (makeLoggerGraph); a level's
// pages become resident when the level is first drawn.
struct LoggerGraph {
    float plotLeft = 0, plotTop = 0, plotRight = 0, plotBottom = 0;
    bool showChannel[kChannelCount] = {true, true, true, true, true};
    bool fullView = true;
    bool cursorAbsent = true;
    bool dragging = false;
    bool noDrag = true;
    int zoomLevel = 0;
    float zoomLoX[kLoggerZoomLevels] = {}, zoomLoY[kLoggerZoomLevels] = {};
    float zoomHiX[kLoggerZoomLevels] = {}, zoomHiY[kLoggerZoomLevels] = {};
    float loggerAxisValue[kLoggerAxisLines][kLoggerZoomLevels] = {};
    // Plot pixel of record i, channel ch at zoom level l: [l][i][ch]. Each level
    // is one contiguous block, so a paint streams through the levels it rebuilds.
    ZeroedArray<float[kLoggerZoomLevels][kSampleCapacity][kChannelCount]> loggerX;
    ZeroedArray<float[kLoggerZoomLevels][kSampleCapacity][kChannelCount]> loggerY;
    float xStep = -1.0f;
    // Advanced by every paint that changes a y of level 0 (level 0's x follow
    // from xStep and plotLeft alone).
    std::uint64_t level0Generation = 1;
    LoggerLevelCacheKey levelCache;
    // The stored readings level 0 was built from: a paint that finds the same
    // readings and key keeps level 0, or rebuilds it from the first changed
    // record. Compared byte for byte, so no writer of the readings has to
    // announce a change.
    ZeroedArray<float[kSampleCapacity][kChannelCount]> level0Readings;
    LoggerLevel0Key level0Key;
    int firstIndex = 0;
    bool firstIndexValid = false;
    int scrollOffset = 0;
    std::int64_t firstTime = 0;
    std::int64_t labelTime[kLoggerTimeLabels] = {};
    int labelIndex[kLoggerTimeLabels] = {};
    LoggerPoint anchorPoint, lastPoint;
    int cursorX = 0, cursorIndex = 0;
    std::string readoutText[kChannelCount];
    std::string readoutTime;

    LoggerGraph() = default;
    LoggerGraph(const LoggerGraph&) = delete;
    LoggerGraph& operator=(const LoggerGraph&) = delete;
};

std::unique_ptr<LoggerGraph> makeLoggerGraph();

// Back to the full view: no cursor line, zoom level 0, no drag. The caller
// disables the scroll bar and repaints; `resetScroll` also zeroes the scroll offset.
void ResetToFullView(LoggerGraph& graph, bool resetScroll);

// The unzoomed value axis of the logger graph: grid line k carries (offset + k) x gain.
void loggerLevel0Axis(int gain, int offset, float (&axis)[kLoggerAxisLines]);

// A channel command: one channel alone, or all five when `only` is negative.
void showLoggerChannel(LoggerGraph& graph, int only);

}  // namespace kr5061
