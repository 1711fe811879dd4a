#pragma once

#include "graph/raster.h"
#include "logger/logger_graph.h"
#include "logger/logger_scene.h"
#include "store/hyg_doc.h"

namespace kr5061 {

// Mouse handling of the logger graph. Strokes made between paints (cursor
// line, rubber band, readout cells) go into the window's last picture `frame`,
// inverting where they must be removable; the readout texts come back in
// `overlay` for the window to draw on top. Coordinates are those of the last paint.

inline constexpr int kLoggerMaxZoomLevel = 99;

// Moves a point into the plot rectangle.
LoggerPoint clampToPlot(const LoggerGraph& graph, LoggerPoint p);

// Starts a rubber band at p; the window then starts the 10 ms drag watch.
void loggerButtonDown(LoggerGraph& graph, LoggerPoint p);

// Cursor line, rubber band and readout for the pointer at p.
void loggerMouseMove(LoggerGraph& graph, const CHygDoc& doc, bool storeEmpty, LoggerPoint p,
                     const PixelBuffer& frame, LoggerScene& overlay);

// Ends the rubber band at p and pushes a zoom level when the rectangle allows
// one. Returns true when the window must repaint (the view switched to zoom mode).
bool loggerButtonUp(LoggerGraph& graph, const CHygDoc& doc, bool storeEmpty, LoggerPoint p,
                    const PixelBuffer& frame);

// Drag watch with the pointer at p: true when the pointer left the band around
// the plot during a drag, which is then cancelled (repaint, stop the watch).
bool loggerDragWatch(LoggerGraph& graph, LoggerPoint pointer);

// A scroll request; `thumbReleased` with the thumb's position `pos` shifts the
// data. Returns where the thumb belongs; the window repaints.
int loggerScroll(LoggerGraph& graph, bool thumbReleased, int pos);

}  // namespace kr5061
