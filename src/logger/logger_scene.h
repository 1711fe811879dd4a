#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/run_state.h"
#include "graph/raster.h"
#include "logger/logger_graph.h"
#include "logger/logger_traces.h"
#include "store/hyg_doc.h"

namespace kr5061 {

inline constexpr Pixel kLoggerBackground = rgb(217, 218, 212);
inline constexpr Pixel kLoggerGrid = rgb(80, 80, 80);
inline constexpr Pixel kLoggerZoomGrid = rgb(100, 100, 100);
inline constexpr Pixel kLoggerEdge = rgb(255, 0, 0);
inline constexpr Pixel kLoggerCursor = rgb(150, 50, 50);

// A: Arial 14 px (legend, value and time labels); B: Arial 12 px, narrow (readout).
enum class LoggerFont : std::uint8_t { A, B };

// A text drawn black on an opaque white cell, anchored at its top-left.
struct LoggerText {
    LoggerFont font = LoggerFont::A;
    int x = 0, y = 0;
    std::string text;
};

// What a paint leaves for the window beyond the pixels: the texts to draw on
// top, in order, and what the scroll bar should show.
struct LoggerScene {
    std::vector<LoggerText> texts;
    bool zoomMode = false;  // the scroll bar spans 0..scrollMax and is usable
    int scrollMax = 0;
    int thumb = -1;  // >= 0: move the thumb there

    LoggerScene() { texts.reserve(96); }
    void clear() {
        texts.clear();
        zoomMode = false;
        scrollMax = 0;
        thumb = -1;
    }
};

// The whole logger picture after adoption, composed into `buf` (whose size is
// the client size): computes the plot rectangle, the coordinates of every
// record at level 0 and, in zoom mode, at every level of the zoom stack, and
// draws frame, traces, masks, labels, readout line, legend and cursor line.
void buildLoggerScene(LoggerGraph& graph, const CHygDoc& doc, const ViewState& view,
                      bool storeEmpty, const PixelBuffer& buf, LoggerScene& scene);

// Digit allowance that right-aligns the value label of v.
int valueLabelDigits(float v);

// Records the readout works on: the recall count cut to the buffer's capacity.
int loggerRecordCount(const CHygDoc& doc);

// Pixels per record at the current zoom level; 0 for fewer than two records.
float loggerRecordStep(const LoggerGraph& graph, const CHygDoc& doc);

// Appends the readout line (five values with unit, "@" and time) for the
// shown channels from the graph's readout texts; an absent K/IR reading
// under the cursor reads "------".
void addReadoutTexts(LoggerGraph& graph, const CHygDoc& doc, LoggerScene& scene);

}  // namespace kr5061
