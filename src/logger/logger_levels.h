#pragma once

#include "common/run_state.h"
#include "logger/logger_graph.h"
#include "store/hyg_doc.h"

namespace kr5061 {

// The coordinates the logger's paint computes: where every record of the set
// in the recall buffer lies in the plot, at level 0 and at the current zoom level.

// Level 0 for records 0..n-1 in a W x H plot: the axis from the logger's gain
// and offset, x spaced evenly from plotLeft, y from each reading's plotted
// value. Kept from the last paint when built from the same inputs, rebuilt
// from the first record whose readings changed when only they did.
void buildLoggerLevel0(LoggerGraph& g, const CHygDoc& doc, const ViewState& view, int n, float W,
                       float H);

// The axis values and corner order of levels 1..zoomLevel, each from the
// rectangle dragged on the level below it, and the coordinates of the deepest
// level (the only one drawn), unless those were built from the same inputs.
void buildLoggerZoomLevels(LoggerGraph& g, int n, float W, float H);

}  // namespace kr5061
